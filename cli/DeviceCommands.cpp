// The HART instruments and the MODBUS side: hart, modbus read, scans, monitor.

#include "cli/Commands.h"
#include "cli/MonitorRows.h"
#include "commission/ModuleScans.h"
#include "config/ConfigFrames.h"
#include "config/ConfigLists.h"
#include "exchange/FloatText.h"
#include "exchange/HexText.h"
#include "hart/HartFrames.h"
#include "hart/HartIdentityText.h"
#include "hart/HartReplies.h"
#include "hart/HartUnits.h"
#include "tools/ModbusFrameDescription.h"
#include "tools/ModbusRegisters.h"

#include <QJsonArray>

#include <cmath>
#include <cstring>
#include <map>
#include <thread>

namespace {

using std::chrono::milliseconds;

constexpr std::uint8_t MasterMode = 0; // "Master Mode(82)"
constexpr milliseconds ScanTimeout{200};

std::vector<std::uint8_t> Frame(const FrameResult& frame) {
    if (!frame.ok()) {
        throw CliFailure(ExitUsage, frame.message);
    }
    return frame.bytes;
}

std::string Preambles(const CommandContext& c) {
    return c.parser.value("preambles").toStdString();
}

std::optional<HartIdentity> TryIdentity(CommandContext& c, int address) {
    return ProbeHart(c.session, Preambles(c), address);
}

HartIdentity Identity(CommandContext& c, int address) {
    const std::optional<HartIdentity> identity = TryIdentity(c, address);
    if (!identity) {
        throw CliFailure(ExitDeviceError, "the answer to command 0 holds no identity");
    }
    return *identity;
}

QJsonObject IdentityJson(int address, const HartIdentity& id) {
    return {{"address", address},
            {"manufacturer", id.manufacturerId},
            {"deviceType", id.deviceType},
            {"preambles", id.preambleCount},
            {"deviceId", static_cast<qint64>(DeviceIdNumber(id))}};
}

std::string IdentityText(int address, const HartIdentity& id) {
    return "address " + std::to_string(address) + ": " + ::IdentityText(id) + ", preambles " +
           std::to_string(id.preambleCount) + "\n";
}

int Address(const CommandContext& c) {
    return IntegerArgument(c.parser.value("address"), "--address", 0, HartPollAddressItems - 1);
}

struct ModbusRequest {
    std::uint8_t slave = 1;
    std::uint16_t start = 0;
    std::uint16_t count = 1;
    int base = 40001; // the number of protocol address 0 in what is typed and printed
    RegisterType type = RegisterType::U16;
    ByteOrder order = ByteOrder::ABCD;
};

ModbusRequest ModbusArguments(const CommandContext& c, const QString& countOption) {
    for (const QString& name : {QString("slave"), QString("start"), countOption}) {
        if (!c.parser.isSet(name) && c.parser.value(name).isEmpty()) {
            throw CliFailure(ExitUsage, "--" + name.toStdString() + " is required");
        }
    }
    ModbusRequest r;
    r.slave =
        static_cast<std::uint8_t>(IntegerArgument(c.parser.value("slave"), "--slave", 1, 247));
    r.base = IntegerArgument(c.parser.value("base"), "--base", 0, 40001);
    if (r.base != 0 && r.base != 1 && r.base != 40001) {
        throw CliFailure(ExitUsage, "--base must be 40001, 1 or 0");
    }
    try {
        r.start = static_cast<std::uint16_t>(
            IntegerArgument(c.parser.value("start"), "--start", r.base, r.base + 65535) - r.base);
    } catch (const CliFailure& failure) {
        const std::string hint = r.base == 0 ? "" : " (--base 0 for the protocol's addresses)";
        throw CliFailure(ExitUsage, failure.what() + hint);
    }
    r.count = static_cast<std::uint16_t>(
        IntegerArgument(c.parser.value(countOption), "--" + countOption, 1, 125));
    const auto type = RegisterTypeNamed(c.parser.value("type").toStdString());
    const auto order = ByteOrderNamed(c.parser.value("order").toUpper().toStdString());
    if (!type || !order) {
        throw CliFailure(ExitUsage, "--type must be u16, s16, u32, s32 or f32 and --order "
                                    "ABCD, CDAB, BADC or DCBA");
    }
    r.type = *type;
    r.order = *order;
    if (r.count % RegistersPerValue(r.type) != 0) {
        // Cutting the last value would print fewer values than asked for, without a word.
        throw CliFailure(ExitUsage, "--" + countOption.toStdString() + " " +
                                        std::to_string(r.count) + " with " +
                                        std::string(RegisterTypeName(r.type)) +
                                        ": a 32-bit value takes two registers, give an even count");
    }
    return r;
}

std::vector<RegisterValue> ReadRegisters(CliSession& session, const ModbusRequest& r) {
    const ExchangeResult result = session.Exchange(ModbusReadFrame(r.slave, r.start, r.count),
                                                   ReplyEnd::ModbusLength, session.Timeout());
    const ModbusReadReply reply = ParseModbusReadReply(result.reply, r.slave, r.count);
    switch (reply.status) {
    case ModbusReadReply::Status::Ok:
        return DecodeRegisters(reply.registers, r.base + r.start, r.type, r.order);
    case ModbusReadReply::Status::Exception:
        throw CliFailure(ExitDeviceError, "MODBUS exception " +
                                              std::to_string(reply.exceptionCode) + ": " +
                                              ModbusExceptionName(reply.exceptionCode));
    case ModbusReadReply::Status::BadCrc:
        throw CliFailure(ExitDeviceError, "bad CRC: " + HexDumpHead(result.reply));
    case ModbusReadReply::Status::Malformed:
        break;
    }
    throw CliFailure(ExitDeviceError, "not an answer to the read: " + HexDumpHead(result.reply));
}

struct Variables {
    QJsonArray json;
    std::vector<std::string> texts;
};

Variables ReadVariables(CommandContext& c, const HartIdentity& identity) {
    const auto reply =
        c.session.Hart(Frame(HartDynamicVariablesQuery(Preambles(c), MasterMode, identity)));
    const std::optional<DynamicVariablesReply> decoded = DecodeDynamicVariablesReply(reply);
    if (!decoded) {
        throw CliFailure(ExitDeviceError, "the answer to command 3 holds no variables");
    }
    static constexpr std::array<const char*, 4> Names{"PV", "SV", "TV", "QV"};
    Variables out;
    for (std::size_t k = 0; k < decoded->variables.size(); ++k) {
        const HartVariable& v = decoded->variables[k];
        const std::string unit(
            QString::fromStdString(std::string(UnitItems()[static_cast<std::size_t>(v.unitIndex)]))
                .trimmed()
                .toStdString());
        // A value the instrument does not hold ("00000000", NaN) has no number: null.
        const float number = k < decoded->numbers.size() ? decoded->numbers[k] : NAN;
        out.json.append(
            QJsonObject{{"name", Names[k]},
                        {"value", std::isfinite(number) ? QJsonValue(static_cast<double>(number))
                                                        : QJsonValue(QJsonValue::Null)},
                        {"unit", QString::fromStdString(unit)}});
        out.texts.push_back(std::string(Names[k]) + " " + v.text + " " + unit);
    }
    return out;
}

template <typename Describe>
int Scan(CommandContext& c, int low, int high, const char* what, const char* step,
         const AddressProbe& probe, Describe describe) {
    const int from = IntegerArgument(c.parser.value("from"), "--from", low, high);
    const int to = IntegerArgument(c.parser.value("to"), "--to", from, high);
    if (!c.session.Options().timeoutGiven) {
        c.session.SetTimeout(ScanTimeout);
    }
    const ScanTiming timing{c.session.Timeout(), c.parser.isSet("fast"), c.session.Line().baud,
                            c.session.Line().parity};
    QJsonArray found;
    std::string text;
    ScanAddresses(
        from, to, timing, probe,
        [&](int address) {
            const auto hit = describe(address);
            found.append(hit.first);
            text += hit.second;
        },
        c.session.TerminalProgress(step));
    c.session.Print(QJsonObject{{what, found}},
                    text.empty() ? std::string("nothing answered\n") : text);
    return found.isEmpty() ? ExitNoAnswer : ExitOk;
}

} // namespace

int RunHartId(CommandContext& c) {
    const int address = Address(c);
    const HartIdentity id = Identity(c, address);
    c.session.Print(IdentityJson(address, id), IdentityText(address, id));
    return ExitOk;
}

int RunHartVars(CommandContext& c) {
    const int address = Address(c);
    const Variables vars = ReadVariables(c, Identity(c, address));
    std::string text;
    for (const std::string& line : vars.texts) {
        text += line + "\n";
    }
    c.session.Print(QJsonObject{{"address", address}, {"variables", vars.json}}, text);
    return ExitOk;
}

int RunHartSetAddress(CommandContext& c) {
    const int address = Address(c);
    const int next = IntegerArgument(c.arguments[0], "NEW", 0, HartNewAddressItems - 1);
    const HartIdentity id = Identity(c, address);
    c.session.Hart(Frame(HartWriteAddress(Preambles(c), MasterMode, id, next)));
    c.session.Print(QJsonObject{{"from", address}, {"to", next}},
                    "polling address " + std::to_string(address) + " -> " + std::to_string(next) +
                        "\n");
    return ExitOk;
}

int RunHartSend(CommandContext& c) {
    // The frame builder keeps the pairs that fit; the command line refuses the rest.
    const std::string typed = c.arguments[0].toStdString();
    const HexPairs pairs = ParseHexPairs(typed, typed.size());
    if (pairs.status == HexPairsStatus::Ok && pairs.bytes.size() > HartManualMaxBytes) {
        throw CliFailure(ExitUsage, "a frame carries at most " +
                                        std::to_string(HartManualMaxBytes) + " bytes; " +
                                        std::to_string(pairs.bytes.size()) + " were given");
    }
    const std::vector<std::uint8_t> reply =
        c.session.Hart(Frame(HartManualFrame(Preambles(c), c.arguments[0].toStdString())));
    const QString hex = QString::fromStdString(HexDump(reply)).trimmed();
    c.session.Print(QJsonObject{{"reply", hex}}, hex.toStdString() + "\n");
    return ExitOk;
}

int RunModbusRead(CommandContext& c) {
    const ModbusRequest request = ModbusArguments(c, "count");
    QJsonArray values;
    std::string text;
    for (const RegisterValue& v : ReadRegisters(c.session, request)) {
        values.append(QJsonObject{{"register", v.address}, {"value", v.number}});
        text += std::to_string(v.address) + ": " + v.text + "\n";
    }
    c.session.Print(QJsonObject{{"slave", request.slave},
                                {"type", QString::fromUtf8(RegisterTypeName(request.type))},
                                {"order", QString::fromUtf8(ByteOrderName(request.order))},
                                {"values", values}},
                    text);
    return ExitOk;
}

int RunScanLine(CommandContext& c) {
    if (!c.session.Options().timeoutGiven) {
        c.session.SetTimeout(ScanTimeout);
    }
    if (const std::optional<LineTry> found = FindLine(
            c.session, AllLineTries(), {}, c.session.TerminalProgress("scan line: baud"))) {
        const QString name =
            QString::fromUtf8(ParityItems[static_cast<std::size_t>(found->parity)]);
        c.session.Print(QJsonObject{{"baud", static_cast<qint64>(found->baud)}, {"parity", name}},
                        "the module answers at " + std::to_string(found->baud) + " baud, parity " +
                            name.toStdString() + "\n");
        return ExitOk;
    }
    throw CliFailure(ExitNoAnswer, "no answer at any speed and parity");
}

int RunScanHart(CommandContext& c) {
    std::map<int, HartIdentity> identities;
    return Scan(
        c, 0, HartPollAddressItems - 1, "instruments", "scan hart: address",
        [&](int address, milliseconds wait) {
            std::optional<HartIdentity> id;
            const ProbeAnswer answer = ProbeHart(c.session, Preambles(c), address, wait, id);
            if (id) {
                identities[address] = *id;
            }
            return answer;
        },
        [&](int address) {
            const HartIdentity& id = identities.at(address);
            return std::pair{QJsonValue(IdentityJson(address, id)), IdentityText(address, id)};
        });
}

int RunScanModbus(CommandContext& c) {
    return Scan(
        c, 1, 247, "slaves", "scan modbus: slave",
        [&](int slave, milliseconds wait) { return ProbeModbus(c.session, slave, wait); },
        [](int slave) {
            return std::pair{QJsonValue(slave), "slave " + std::to_string(slave) + " answers\n"};
        });
}

int RunMonitor(CommandContext& c) {
    const QString kind = c.arguments[0];
    if (kind != "hart" && kind != "modbus") {
        throw CliFailure(ExitUsage, "monitor hart or monitor modbus");
    }
    if (!c.parser.isSet("every")) {
        throw CliFailure(ExitUsage, "--every is required");
    }
    const milliseconds every{IntegerArgument(c.parser.value("every"), "--every", 1, 86400000)};
    const int count = c.parser.isSet("count")
                          ? IntegerArgument(c.parser.value("count"), "--count", 1, 1 << 30)
                          : -1;
    MonitorRequest request;
    if (kind == "modbus") {
        const ModbusRequest modbus = ModbusArguments(c, "registers");
        request.kind = MonitorRequest::Kind::Modbus;
        request.slave = modbus.slave;
        request.start = modbus.start;
        request.numberBase = modbus.base;
        request.count = modbus.count;
        request.type = modbus.type;
        request.order = modbus.order;
    } else {
        request.hartAddress = Address(c);
        request.preambles = Preambles(c);
    }
    MonitorRows rows(c.session, c.parser.isSet("csv"), kind == "hart");
    ScriptLink& line = c.session.Link();
    const InterruptWatch interrupt;
    std::optional<HartIdentity> identity;
    const auto start = std::chrono::steady_clock::now();
    auto due = start;
    for (int row = 0; (count < 0 || row < count) && !interrupt.Raised(); ++row) {
        if (!interrupt.SleepUntil(due)) {
            break;
        }
        const auto begun = std::chrono::steady_clock::now();
        const auto wall = std::chrono::system_clock::now();
        MonitorSample sample = ReadMonitorSample(line, request, identity, c.session.Timeout());
        sample.seconds = std::chrono::duration<double>(begun - start).count();
        sample.time = wall;
        rows.Add(sample);
        if (!line.IsOpen()) {
            rows.Finish();
            throw CliFailure(ExitPort, "the port " + c.session.Line().port + " was lost");
        }
        // A read that overran its interval delays the next one instead of starting a burst.
        due = std::max(due + every, std::chrono::steady_clock::now());
    }
    return rows.Finish();
}
