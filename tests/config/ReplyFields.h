#pragma once

// The decoded configuration replies as one list of named fields in decode order, so that a
// table of cases can state a whole answer ("Select operatingMode 1", "Text slaveAddress
// '001'") and a missing field shows as a missing entry.

#include "config/ConfigReplies.h"

#include <ostream>
#include <string>
#include <vector>

enum class FieldKind { Select, Text, Show, Enable };

struct DecodedField {
    std::string name;
    FieldKind kind = FieldKind::Select;
    int index = -1;
    std::string text;
    bool on = false;
    bool operator==(const DecodedField&) const = default;
};

inline DecodedField Select(std::string name, int index) {
    return {std::move(name), FieldKind::Select, index, {}, false};
}
inline DecodedField Text(std::string name, std::string text) {
    return {std::move(name), FieldKind::Text, -1, std::move(text), false};
}
inline DecodedField Show(bool on) {
    return {"custom", FieldKind::Show, -1, {}, on};
}
inline DecodedField Enable(std::string name) {
    return {std::move(name), FieldKind::Enable, -1, {}, true};
}

// Readable failures: "Select interfaceType 1", "Text slaveAddress '001'".
inline void PrintTo(const DecodedField& field, std::ostream* out) {
    static const char* const kinds[] = {"Select", "Text", "Show", "Enable"};
    *out << kinds[static_cast<int>(field.kind)] << ' ' << field.name;
    if (field.kind == FieldKind::Select)
        *out << ' ' << field.index;
    else if (field.kind == FieldKind::Text)
        *out << " '" << field.text << "'";
    else
        *out << ' ' << field.on;
}

using Fields = std::vector<DecodedField>;

namespace reply_fields {
inline void Add(Fields& out, const std::string& name, const std::optional<int>& value) {
    if (value)
        out.push_back(Select(name, *value));
}
inline void Add(Fields& out, const std::string& name, const std::optional<std::string>& value) {
    if (value)
        out.push_back(Text(name, *value));
}
} // namespace reply_fields

inline Fields FieldsOf(const CommunicationReply& r) {
    using reply_fields::Add;
    Fields out;
    Add(out, "interfaceType", r.interfaceType);
    Add(out, "instrumentCount", r.instrumentCount);
    if (r.Answered())
        out.push_back(Enable("answered"));
    return out;
}

inline Fields FieldsOf(const SystemParameterReply& r) {
    using reply_fields::Add;
    Fields out;
    for (std::size_t i = 0; i < r.display.size(); ++i) {
        const std::string group = "display" + std::to_string(i + 1);
        Add(out, group + ".value", r.display[i].value);
        Add(out, group + ".format", r.display[i].format);
    }
    Add(out, "rs232.baud", r.rs232.baud);
    Add(out, "rs232.parity", r.rs232.parity);
    Add(out, "rs485.baud", r.rs485.baud);
    Add(out, "rs485.parity", r.rs485.parity);
    Add(out, "operatingMode", r.operatingMode);
    Add(out, "slaveAddress", r.slaveAddress);
    Add(out, "pollInterval", r.pollInterval);
    return out;
}

inline Fields FieldsOf(const ChannelReply& r) {
    using reply_fields::Add;
    Fields out;
    Add(out, "coefficientMode", r.coefficientMode);
    Add(out, "coefficient", r.coefficient);
    Add(out, "hartEnabled", r.hartEnabled);
    Add(out, "hartMode", r.hartMode);
    Add(out, "instrumentType", r.instrumentType);
    Add(out, "prefixLength", r.prefixLength);
    Add(out, "cacheTime", r.cacheTime);
    for (std::size_t i = 0; i < r.registerFormats.size(); ++i)
        Add(out, "format" + std::to_string(i + 1), r.registerFormats[i]);
    if (r.custom)
        out.push_back(Show(*r.custom));
    Add(out, "addressBits", r.addressBits);
    for (std::size_t i = 0; i < r.variables.size(); ++i) {
        const std::string variable = "variable" + std::to_string(i + 1);
        Add(out, variable + ".source", r.variables[i].source);
        Add(out, variable + ".start", r.variables[i].start);
        Add(out, variable + ".length", r.variables[i].length);
    }
    Add(out, "operatingMode", r.operatingMode);
    for (std::size_t i = 0; i < r.commands.size(); ++i) {
        const std::string command = "command" + std::to_string(i + 1);
        Add(out, command + ".enabled", r.commands[i].enabled);
        Add(out, command + ".bytes", r.commands[i].bytes);
    }
    return out;
}
