#include "config/ConfigFrameDescription.h"

#include "exchange/HexText.h"

#include <array>
#include <cstdint>
#include <vector>

namespace {

struct SettingWord {
    std::string_view word; // command word behind "QQS#"
    std::string_view name;
    bool instrumentDigit; // the instrument number follows the word
};

// Longer words first where one starts another ("MDBS" before "MD").
constexpr std::array<SettingWord, 16> Settings{{
    {"BA1", "RS232 speed and parity", false},
    {"BA2", "RS485 speed and parity", false},
    {"MDBS", "parsing format of instrument ", true},
    {"MD", "operating mode", false},
    {"ADR", "MODBUS slave address", false},
    {"JTM", "instrument polling interval", false},
    {"RESET", "parameter initialisation", false},
    {"YB", "interface type and instrument count", false},
    {"HART", "HART link of instrument ", true},
    {"DFOT", "register formats of instrument ", true},
    {"FMW", "variable 1 coefficient", false},
    {"CAMD", "custom read command of instrument ", true},
    {"DPS1", "display, upper row left", false},
    {"DPS2", "display, upper row right", false},
    {"DPS3", "display, lower row left", false},
    {"DPS4", "display, lower row right", false},
}};

constexpr std::string_view QueryHeader = "QQQ#";
constexpr std::string_view SettingHeader = "QQS#";

// Every request but the custom read command ends with "#" after its header.
std::string Terminated(std::string text, std::string_view frame) {
    if (frame.size() <= QueryHeader.size() || !frame.ends_with('#'))
        text += ", no terminator";
    return text;
}

// "CAMD" i c ":" s "<" nn "," and raw bytes: the text part as sent, the bytes as hex.
std::string CustomCommand(std::string_view body) {
    const std::size_t comma = body.find(',');
    std::string text = "setting CAMD";
    if (comma == std::string_view::npos)
        return text + ' ' + std::string(body) + ", custom read command, incomplete";
    text += ' ' + std::string(body.substr(0, comma)) + ", custom read command";
    if (!body.empty())
        text += " of instrument " + std::string(1, body[0]);
    std::vector<std::uint8_t> data(body.begin() + static_cast<std::ptrdiff_t>(comma) + 1,
                                   body.end());
    std::string hex = HexDump(data);
    if (!hex.empty())
        hex.pop_back();
    return text + ", bytes " + (hex.empty() ? "none" : hex);
}

std::string Setting(std::string_view frame) {
    std::string_view body = frame.substr(SettingHeader.size());
    if (body.starts_with("CAMD"))
        return CustomCommand(body.substr(4));
    if (body.ends_with('#'))
        body.remove_suffix(1);
    for (const SettingWord& s : Settings) {
        if (!body.starts_with(s.word))
            continue;
        std::string_view rest = body.substr(s.word.size());
        std::string text = "setting " + std::string(s.word);
        std::string name(s.name);
        if (s.instrumentDigit && !rest.empty() && rest[0] != ':') {
            text += rest[0];
            name += rest[0];
            rest.remove_prefix(1);
        } else if (s.instrumentDigit) {
            name += '?';
        }
        if (rest.starts_with(':'))
            rest.remove_prefix(1);
        if (!rest.empty())
            text += ' ' + std::string(rest);
        text += ", ";
        text += name;
        return Terminated(text, frame);
    }
    return Terminated("setting, unknown command" + (body.empty() ? "" : ' ' + std::string(body)),
                      frame);
}

std::string Query(std::string_view frame) {
    std::string_view body = frame.substr(QueryHeader.size());
    if (body.ends_with('#'))
        body.remove_suffix(1);
    std::string text;
    if (body == "QV")
        text = "communication query";
    else if (body == "QX")
        text = "system parameter query";
    else if (body.size() == 3 && body.starts_with("QQ"))
        text = "MODBUS parameter query, instrument " + std::string(1, body[2]);
    else
        text = "query, unknown command" + (body.empty() ? "" : ' ' + std::string(body));
    return Terminated(text, frame);
}

// Values typed by the user go out as typed; the log shows characters outside printable
// ASCII as ".".
std::string Printable(std::string text) {
    for (char& c : text)
        if (c < 0x20 || c > 0x7E)
            c = '.';
    return text;
}

} // namespace

std::optional<std::string> DescribeConfigRequest(std::string_view text) {
    if (text.starts_with(QueryHeader))
        return Printable(Query(text));
    if (text.starts_with(SettingHeader))
        return Printable(Setting(text));
    if (text == "PPPPPP#QA#")
        return "display test 1";
    if (text == "PPPPPP#QB#")
        return "display test 2";
    if (text.starts_with("PPPPPP#"))
        return Printable("display test, unknown " + std::string(text.substr(7)));
    return std::nullopt;
}

std::string_view ConfigQueryName(ConfigQuery query) {
    switch (query) {
    case ConfigQuery::Communication:
        return "communication query";
    case ConfigQuery::SystemParameters:
        return "system parameter query";
    case ConfigQuery::ModbusParameters:
        return "MODBUS parameter query";
    }
    return {};
}

std::optional<ConfigQuery> ConfigReplyQuery(std::string_view text) {
    if (text.find("QV:") != std::string_view::npos)
        return ConfigQuery::Communication;
    if (text.find("QX") != std::string_view::npos)
        return ConfigQuery::SystemParameters;
    // "QQ" and the instrument digit: a bare "QQ" also starts the module's other texts.
    for (std::size_t at = text.find("QQ"); at != std::string_view::npos;
         at = text.find("QQ", at + 1))
        if (at + 2 < text.size() && text[at + 2] >= '0' && text[at + 2] <= '9')
            return ConfigQuery::ModbusParameters;
    return std::nullopt;
}

std::string DescribeConfigReply(ConfigQuery query, std::span<const ConfigReplyField> fields) {
    std::string text = "reply to " + std::string(ConfigQueryName(query));
    const char* separator = ": ";
    for (const ConfigReplyField& f : fields) {
        text += separator + f.name + ' ' + f.value;
        separator = ", ";
    }
    return text;
}
