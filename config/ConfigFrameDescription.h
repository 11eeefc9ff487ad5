#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

// The module's ASCII configuration traffic described for the traffic log.
//
// Requests are named by their command word and carry their values as sent:
// "communication query", "MODBUS parameter query, instrument 3", "setting ADR 007, MODBUS
// slave address", "setting HART0 1,1,01,5,010, HART link of instrument 0", "display test 1".
// A request that lacks its terminating "#" says so. The raw data bytes of a custom read
// command are shown as hex pairs.

std::optional<std::string> DescribeConfigRequest(std::string_view text);

// Received configuration text. The answers to the three queries are recognised by the
// marker their decoders look for; the decoded fields are added by the caller, which owns
// the typed decoders (see DescribeConfigReply), so this layer does not decode twice.
enum class ConfigQuery { Communication, SystemParameters, ModbusParameters };

// "communication query", "system parameter query", "MODBUS parameter query".
std::string_view ConfigQueryName(ConfigQuery query);

// Which query `text` answers ("QV:" communication, "QX" system parameters, "QQ" and the
// instrument digit MODBUS parameters), or nothing.
std::optional<ConfigQuery> ConfigReplyQuery(std::string_view text);

// One field found in a reply, named as the log shows it: {"interface", "RS485"}.
struct ConfigReplyField {
    std::string name;
    std::string value;
};

// The hook for the typed reply decoders: a reply described from fields already decoded,
// "reply to communication query: interface RS485, instruments 1"; with no fields,
// "reply to communication query".
std::string DescribeConfigReply(ConfigQuery query, std::span<const ConfigReplyField> fields);

// A received text that answers no query: "text reply".
inline constexpr std::string_view ConfigTextReply = "text reply";
