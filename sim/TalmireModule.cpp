#include "sim/TalmireModule.h"

#include "exchange/ModbusCrc16.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <optional>

namespace {

const std::string Ack = "QQS OK";
const std::string Refused = "QQS ERROR";

bool StartsWith(std::span<const std::uint8_t> bytes, std::string_view prefix) {
    return bytes.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), bytes.begin(),
                      [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

// Reads a run of decimal digits of fixed width; nothing when any is not a digit.
std::optional<int> Digits(std::string_view text, std::size_t at, std::size_t width) {
    if (at + width > text.size())
        return std::nullopt;
    int value = 0;
    for (std::size_t i = at; i < at + width; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

bool In(std::optional<int> v, int low, int high) {
    return v && *v >= low && *v <= high;
}

std::string Pad(int value, int width) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
    return buffer;
}

std::string HexPairs(const std::vector<std::uint8_t>& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0)
            out += ' ';
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
    }
    return out;
}

std::uint32_t ValueBits(float value, int format) {
    if (format <= 1)
        return std::bit_cast<std::uint32_t>(value);
    if (!(value > 0.0f))
        return 0;
    return value >= 4294967295.0f ? 0xFFFFFFFFu : static_cast<std::uint32_t>(std::lround(value));
}

} // namespace

TalmireModule::TalmireModule(bool fixedValues) {
    for (int k = 0; k < MaxInstruments; ++k) {
        instruments.emplace_back(fixedValues, k);
        instruments.back().SetPollAddress(k);
    }
}

int TalmireModule::InstrumentCount() const {
    static constexpr int counts[] = {1, 4, 8};
    return settings.instrumentCount >= 0 && settings.instrumentCount < 3
               ? counts[settings.instrumentCount]
               : 1;
}

std::uint32_t TalmireModule::BaudForIndex(int index) {
    static constexpr std::uint32_t rates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600};
    return index >= 0 && index < 7 ? rates[index] : 9600;
}

std::uint32_t TalmireModule::LineBaud(bool rs485Side) const {
    return BaudForIndex(rs485Side ? settings.rs485[0] : settings.rs232[0]);
}

std::vector<std::uint8_t> TalmireModule::Text(const std::string& text) const {
    return {text.begin(), text.end()};
}

std::vector<std::uint8_t> TalmireModule::Handle(std::span<const std::uint8_t> frame,
                                                double seconds) {
    if (frame.empty())
        return {};
    if (StartsWith(frame, "QQQ#"))
        return Query(std::string(frame.begin(), frame.end()));
    if (StartsWith(frame, "QQS#"))
        return Setting(frame);
    if (StartsWith(frame, "PPPPPP#QA#") && frame.size() == 10)
        return Text("QA TEST OK");
    if (StartsWith(frame, "PPPPPP#QB#") && frame.size() == 10)
        return Text("QB TEST OK");
    if (frame[0] == 0xFF) {
        // HART frames reach the instrument only in transparent mode.
        if (settings.mode != 0)
            return {};
        for (int k = 0; k < InstrumentCount(); ++k)
            if (auto reply = Instrument(k).Handle(frame, seconds))
                return *reply;
        return {};
    }
    return Modbus(frame, seconds);
}

std::vector<std::uint8_t> TalmireModule::Query(const std::string& frame) const {
    if (frame == "QQQ#QV#")
        return Text("QV:" + std::to_string(settings.interfaceType) +
                    std::to_string(settings.instrumentCount));
    if (frame == "QQQ#QX#") {
        std::string text = "QX";
        for (int i = 0; i < 4; ++i)
            text += " DIS" + std::to_string(i + 1) + ":" + Pad(settings.displays[i][0], 2) + "," +
                    std::to_string(settings.displays[i][1]);
        text += " BA1:" + std::to_string(settings.rs232[0]) + std::to_string(settings.rs232[1]);
        text += " BA2:" + std::to_string(settings.rs485[0]) + std::to_string(settings.rs485[1]);
        text += " MD:" + std::to_string(settings.mode);
        text += " ADR:" + Pad(settings.address, 3);
        text += " JTM:" + Pad(settings.interval, 3);
        return Text(text);
    }
    if (frame.size() == 8 && frame.compare(0, 6, "QQQ#QQ") == 0 && frame[7] == '#' &&
        frame[6] >= '0' && frame[6] <= '8')
        return Text(ChannelReply(frame[6] - '0'));
    return Text("QQQ ERROR");
}

std::string TalmireModule::ChannelReply(int n) const {
    const ModuleChannel& c = settings.channels[static_cast<std::size_t>(n)];
    const std::string i = std::to_string(n);
    std::string text = "QQ" + i;
    text += " FMW:" + std::to_string(settings.coefficientMode) + "," + settings.coefficient;
    text += " HART" + i + ":" + std::to_string(c.enabled) + "," + std::to_string(c.hartMode) + "," +
            Pad(c.type, 2) + "," + std::to_string(c.prefix) + "," + Pad(c.cacheTime, 3);
    text += " DFO" + i + ":";
    for (int f : c.formats)
        text += std::to_string(f);
    if (c.type == 0) {
        text += " ZDY" + i + ":" + std::to_string(c.addressBits);
        for (const auto& v : c.variables)
            text += "," + std::to_string(v.source) + Pad(v.start, 2) + std::to_string(v.length);
        text += " MD:" + std::to_string(settings.mode);
        for (int k = 0; k < 2; ++k) {
            const auto& command = c.commands[static_cast<std::size_t>(k)];
            text += " CAMD" + i + std::to_string(k + 1) + ":" + std::to_string(command.enabled) +
                    "<" + Pad(static_cast<int>(command.bytes.size()), 2) + "," +
                    HexPairs(command.bytes);
        }
    }
    return text;
}

std::vector<std::uint8_t> TalmireModule::Setting(std::span<const std::uint8_t> frame) {
    const std::string text(frame.begin(), frame.end());
    const std::string_view s(text);
    auto ok = [this] { return Text(Ack); };
    auto refused = [this] { return Text(Refused); };
    auto channel = [&](std::size_t at) -> ModuleChannel* {
        const auto n = Digits(s, at, 1);
        return In(n, 0, 8) ? &settings.channels[static_cast<std::size_t>(*n)] : nullptr;
    };

    // The read commands carry raw bytes and no terminator: "QQS#CAMD" i c ":" s "<" nn ",".
    if (s.starts_with("QQS#CAMD")) {
        ModuleChannel* c = channel(8);
        const auto which = Digits(s, 9, 1);
        const auto enabled = Digits(s, 11, 1);
        const auto count = Digits(s, 13, 2);
        if (c == nullptr || !In(which, 1, 2) || s.size() < 16 || s[10] != ':' || s[12] != '<' ||
            s[15] != ',' || !In(enabled, 0, 1) || !count || s.size() != 16u + *count)
            return refused();
        auto& command = c->commands[static_cast<std::size_t>(*which - 1)];
        command.enabled = *enabled;
        command.bytes.assign(frame.begin() + 16, frame.end());
        return ok();
    }
    if (s.empty() || s.back() != '#')
        return refused();
    const std::string_view body = s.substr(4, s.size() - 5); // between "QQS#" and "#"

    if (body == "RESET") {
        settings = ModuleSettings{};
        for (int k = 0; k < MaxInstruments; ++k)
            Instrument(k).SetPollAddress(k);
        return ok();
    }
    if ((body.starts_with("BA1:") || body.starts_with("BA2:")) && body.size() == 6) {
        const bool rs485 = body[2] == '2';
        const auto baud = Digits(body, 4, 1);
        const auto parity = Digits(body, 5, 1);
        if (!In(baud, 0, rs485 ? 6 : 4) || !In(parity, 0, 2))
            return refused();
        (rs485 ? settings.rs485 : settings.rs232) = {*baud, *parity};
        return ok();
    }
    if (body.starts_with("MD:") && body.size() == 4 && In(Digits(body, 3, 1), 0, 1)) {
        settings.mode = *Digits(body, 3, 1);
        return ok();
    }
    if (body.starts_with("ADR:") && body.size() == 7 && In(Digits(body, 4, 3), 1, 247)) {
        settings.address = *Digits(body, 4, 3);
        return ok();
    }
    if (body.starts_with("JTM:") && body.size() == 7 && Digits(body, 4, 3)) {
        settings.interval = *Digits(body, 4, 3);
        return ok();
    }
    if (body.starts_with("YB:") && body.size() == 5 && In(Digits(body, 3, 1), 0, 2) &&
        In(Digits(body, 4, 1), 0, 2)) {
        settings.interfaceType = *Digits(body, 3, 1);
        settings.instrumentCount = *Digits(body, 4, 1);
        return ok();
    }
    if (body.starts_with("HART") && body.size() == 18) {
        // HART i ":" e "," h "," tt "," p "," sss
        ModuleChannel* c = channel(8);
        const auto e = Digits(body, 6, 1), h = Digits(body, 8, 1), t = Digits(body, 10, 2),
                   p = Digits(body, 13, 1), cache = Digits(body, 15, 3);
        if (c == nullptr || body[5] != ':' || body[7] != ',' || body[9] != ',' || body[12] != ',' ||
            body[14] != ',' || !In(e, 0, 1) || !In(h, 0, 1) || !In(t, 0, 15) || !In(p, 4, 9) ||
            !cache)
            return refused();
        *c = ModuleChannel{.enabled = *e,
                           .hartMode = *h,
                           .type = *t,
                           .prefix = *p,
                           .cacheTime = *cache,
                           .formats = c->formats,
                           .addressBits = c->addressBits,
                           .variables = c->variables,
                           .commands = c->commands};
        return ok();
    }
    if (body.starts_with("DFOT") && body.size() == 11 && body[5] == ':') {
        ModuleChannel* c = channel(8);
        std::array<int, 5> formats{};
        for (std::size_t k = 0; k < 5; ++k) {
            const auto f = Digits(body, 6 + k, 1);
            if (!In(f, 0, k == 0 ? 1 : 3))
                return refused();
            formats[k] = *f;
        }
        if (c == nullptr)
            return refused();
        c->formats = formats;
        return ok();
    }
    if (body.starts_with("FMW:") && body.size() == 11 && body[5] == ',' &&
        In(Digits(body, 4, 1), 0, 3) &&
        std::all_of(body.begin() + 6, body.end(), [](char c) { return c >= 0x20 && c < 0x7F; })) {
        // The coefficient is shown on the module's display: printable characters only.
        settings.coefficientMode = *Digits(body, 4, 1);
        settings.coefficient = std::string(body.substr(6, 5));
        return ok();
    }
    if (body.starts_with("MDBS") && body.size() == 27 && body[5] == ':') {
        ModuleChannel* c = channel(8);
        const auto bits = Digits(body, 6, 1);
        if (c == nullptr || !In(bits, 3, 9))
            return refused();
        std::array<ModuleChannel::Variable, 4> variables{};
        for (std::size_t k = 0; k < 4; ++k) {
            const std::size_t at = 7 + 5 * k;
            const auto source = Digits(body, at + 1, 1), start = Digits(body, at + 2, 2),
                       length = Digits(body, at + 4, 1);
            if (body[at] != ',' || !In(source, 0, 2) || !start || !In(length, 0, 1))
                return refused();
            variables[k] = {*source, *start, *length};
        }
        c->addressBits = *bits;
        c->variables = variables;
        return ok();
    }
    if (body.starts_with("DPS") && body.size() == 9 && body[4] == ':' && body[7] == ',') {
        const auto group = Digits(body, 3, 1), value = Digits(body, 5, 2),
                   format = Digits(body, 8, 1);
        if (!In(group, 1, 4) || !In(value, 0, 7) || !In(format, 0, 1))
            return refused();
        settings.displays[static_cast<std::size_t>(*group - 1)] = {*value, *format};
        return ok();
    }
    return refused();
}

std::array<std::uint16_t, TalmireModule::RegisterCount>
TalmireModule::Registers(double seconds) const {
    std::array<std::uint16_t, RegisterCount> registers{};
    for (std::size_t n = 0; n < 9; ++n) {
        const ModuleChannel& c = settings.channels[n];
        const HartInstrumentValues values = instruments[n].ValuesAt(seconds);
        const float channelValues[5] = {values.current, values.variables[0], values.variables[1],
                                        values.variables[2], values.variables[3]};
        for (std::size_t k = 0; k < 5; ++k) {
            const std::uint32_t bits = ValueBits(channelValues[k], c.formats[k]);
            const auto high = static_cast<std::uint16_t>(bits >> 16);
            const auto low = static_cast<std::uint16_t>(bits & 0xFFFF);
            // Formats 1 and 3 send the low word first.
            const bool swapped = c.formats[k] == 1 || c.formats[k] == 3;
            registers[n * 10 + k * 2] = swapped ? low : high;
            registers[n * 10 + k * 2 + 1] = swapped ? high : low;
        }
    }
    return registers;
}

std::vector<std::uint8_t> TalmireModule::Modbus(std::span<const std::uint8_t> frame,
                                                double seconds) const {
    if (frame.size() < 4 || frame[0] != settings.address)
        return {};
    const ModbusCrc crc = ModbusCrc16(frame.first(frame.size() - 2));
    if (crc.CrcHi != frame[frame.size() - 2] || crc.CrcLo != frame[frame.size() - 1])
        return {}; // a damaged frame is not answered
    std::vector<std::uint8_t> reply{frame[0]};
    auto exception = [&](std::uint8_t code) {
        reply.push_back(static_cast<std::uint8_t>(frame[1] | 0x80));
        reply.push_back(code);
    };
    if (frame[1] != 0x03) {
        exception(0x01);
    } else if (frame.size() != 8) {
        exception(0x03);
    } else {
        const int start = frame[2] << 8 | frame[3];
        const int count = frame[4] << 8 | frame[5];
        if (count < 1 || count > 125) {
            exception(0x03);
        } else if (start + count > RegisterCount) {
            exception(0x02);
        } else {
            const auto registers = Registers(seconds);
            reply.push_back(0x03);
            reply.push_back(static_cast<std::uint8_t>(count * 2));
            for (int r = start; r < start + count; ++r) {
                reply.push_back(
                    static_cast<std::uint8_t>(registers[static_cast<std::size_t>(r)] >> 8));
                reply.push_back(static_cast<std::uint8_t>(registers[static_cast<std::size_t>(r)]));
            }
        }
    }
    const ModbusCrc out = ModbusCrc16(reply);
    reply.push_back(out.CrcHi);
    reply.push_back(out.CrcLo);
    return reply;
}
