#include "commission/ModuleScans.h"

#include "config/ConfigFrames.h"
#include "config/ConfigLists.h"
#include "hart/HartFrames.h"
#include "tools/ModbusRegisters.h"

namespace {

constexpr int MasterMode = 0; // "Master Mode(82)"

std::vector<std::uint8_t> Frame(const FrameResult& frame) {
    if (!frame.ok())
        throw ModuleFailure(FailureUsage, frame.message);
    return frame.bytes;
}

} // namespace

std::vector<LineTry> AllLineTries() {
    std::vector<std::uint32_t> speeds{9600};
    for (const ItemText item : Rs485BaudItems) {
        if (item != "9600")
            speeds.push_back(static_cast<std::uint32_t>(std::stoul(std::string(item))));
    }
    std::vector<LineTry> tries;
    for (const std::uint32_t baud : speeds) {
        for (std::size_t parity = 0; parity < ParityItems.size(); ++parity)
            tries.push_back({baud, static_cast<TParity>(parity)});
    }
    return tries;
}

std::optional<LineTry> FindLine(ModuleLine& line, const std::vector<LineTry>& tries,
                                const std::function<void(const LineTry&, bool answered)>& tried,
                                const Progress& progress) {
    const int total = static_cast<int>(tries.size());
    for (int i = 0; i < total; ++i) {
        progress.ThrowIfCancelled();
        const LineTry& attempt = tries[static_cast<std::size_t>(i)];
        progress.Report(i, total, std::to_string(attempt.baud));
        line.SetLine(attempt.baud, attempt.parity);
        bool answered = false;
        try {
            line.Link();
            answered = line.Ascii(Frame(CommunicationQuery())).find("QV:") != std::string::npos;
        } catch (const ModuleFailure& failure) {
            if (failure.status != FailureNoAnswer)
                throw;
        }
        if (tried)
            tried(attempt, answered);
        if (answered) {
            progress.Report(total, total, "found");
            return attempt;
        }
    }
    return std::nullopt;
}

void ScanAddresses(int from, int to, const std::function<bool(int address)>& probe,
                   const std::function<void(int address)>& found, const Progress& progress) {
    const int total = to - from + 1;
    for (int address = from; address <= to; ++address) {
        progress.ThrowIfCancelled();
        progress.Report(address - from, total, std::to_string(address));
        try {
            if (probe(address) && found)
                found(address);
        } catch (const ModuleFailure& failure) {
            if (failure.status == FailurePort || failure.status == FailureUsage)
                throw;
        }
    }
    progress.Report(total, total, "done");
}

std::optional<HartIdentity> ProbeHart(ModuleLine& line, const std::string& preambles, int address) {
    return DecodeIdentityReply(line.Hart(Frame(HartIdentityQuery(preambles, MasterMode, address))));
}

bool ProbeModbus(ModuleLine& line, int slave) {
    const auto frame = ModbusReadFrame(static_cast<std::uint8_t>(slave), 0, 1);
    const ExchangeResult result = line.Exchange(frame, ReplyEnd::ModbusLength, line.Timeout());
    return ParseModbusReadReply(result.reply, static_cast<std::uint8_t>(slave), 1).status !=
           ModbusReadReply::Status::Malformed;
}
