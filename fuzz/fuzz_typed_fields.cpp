// Every request builder that takes a typed number or text: the system parameters' address
// and interval, the HART settings' cache time, the coefficient, the parsing format's start
// addresses, the HART preamble length and the MODBUS test's three fields. A refusal builds
// no bytes and says why; a frame built is well formed (ASCII settings printable and closed
// by '#', HART frames with their preambles and checksum, MODBUS requests with their CRC).
#include "config/ConfigFrames.h"
#include "exchange/IntegerText.h"
#include "exchange/ModbusCrc16.h"
#include "fuzz/FuzzInput.h"
#include "hart/HartFrames.h"
#include "tools/ModbusTest.h"

#include <cstdint>
#include <cstdlib>

namespace {

int Index(FuzzInput& input) {
    return static_cast<int>(input.Byte() % 20) - 1;
}

void CheckRefusal(const FrameResult& r) {
    if (!r.bytes.empty() || r.message.empty())
        std::abort();
}

void CheckSetting(const FrameResult& r) {
    if (!r.ok())
        return CheckRefusal(r);
    const auto& b = r.bytes;
    if (b.size() < 6 || b.size() > 40 || b[0] != 'Q' || b[3] != '#' || b.back() != '#')
        std::abort();
    for (std::uint8_t c : b)
        if (c < 0x20 || c > 0x7E)
            std::abort();
}

void CheckHart(const FrameResult& r, int expectedPreamble) {
    if (!r.ok())
        return CheckRefusal(r);
    const auto& b = r.bytes;
    const std::size_t preambles = static_cast<std::size_t>(expectedPreamble + 1);
    if (b.size() < preambles + 5)
        std::abort();
    for (std::size_t i = 0; i < preambles; ++i)
        if (b[i] != 0xFF)
            std::abort();
    const auto body = std::span(b).subspan(preambles);
    if (HartChecksum(body.first(body.size() - 1)) != body.back())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const ExactCopy first = input.Field();
    const std::string_view text = first.Text();
    switch (input.Byte() % 8) {
    case 0:
        CheckSetting(SlaveAddressSetting(text));
        break;
    case 1:
        CheckSetting(IntervalSetting(text));
        break;
    case 2: {
        const int instrument = Index(input), enabled = Index(input), mode = Index(input),
                  type = Index(input), prefix = Index(input);
        CheckSetting(HartSetting(instrument, enabled, mode, type, prefix, text));
        break;
    }
    case 3:
        CheckSetting(CoefficientSetting(Index(input), text));
        break;
    case 4: {
        const int instrument = Index(input), bits = Index(input);
        const ExactCopy second = input.Field(), third = input.Field(), fourth = input.Field();
        const std::array<ParsingVariable, 4> variables{
            ParsingVariable{Index(input), text, Index(input)},
            ParsingVariable{Index(input), second.Text(), Index(input)},
            ParsingVariable{Index(input), third.Text(), Index(input)},
            ParsingVariable{Index(input), fourth.Text(), Index(input)}};
        CheckSetting(ParsingFormatSetting(instrument, bits, variables));
        break;
    }
    case 5:
    case 6: {
        // The preamble text: a frame is built only for an integer from -1 to 255.
        const int mode = Index(input), address = Index(input);
        const HartIdentity identity{
            input.Byte(), input.Byte(), input.Byte(), {input.Byte(), input.Byte(), input.Byte()}};
        const FrameResult queries[] = {HartIdentityQuery(text, mode, address),
                                       HartDynamicVariablesQuery(text, mode, identity),
                                       HartWriteAddress(text, mode, identity, Index(input))};
        for (const FrameResult& r : queries) {
            if (!r.ok()) {
                CheckRefusal(r);
                continue;
            }
            // The preambles are the ones typed.
            const std::optional<int> typed = TryStrToInt(text);
            if (!typed || *typed < HartMinPreambleValue || *typed > HartMaxPreambleValue)
                std::abort();
            CheckHart(r, *typed);
        }
        break;
    }
    default: {
        const ExactCopy second = input.Field(), third = input.Field();
        const FrameResult r = ModbusReadRequest(text, second.Text(), third.Text());
        if (!r.ok()) {
            CheckRefusal(r);
            break;
        }
        if (r.bytes.size() != 8 || r.bytes[1] != 0x03 || r.bytes[2] != 0 || r.bytes[4] != 0)
            std::abort();
        const ModbusCrc crc = ModbusCrc16(std::span(r.bytes).first(6));
        if (crc.CrcHi != r.bytes[6] || crc.CrcLo != r.bytes[7])
            std::abort();
        break;
    }
    }
    return 0;
}
