#pragma once

// Names of network ports: "rfc2217://HOST:PORT" (a Telnet server with the COM-PORT option,
// which sets the line) and "tcp://HOST:PORT" (raw bytes; the line is set on the server).
// HOST is a name, an IPv4 address or an IPv6 address in brackets.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct NetPortName {
    enum class Kind { Rfc2217, Tcp };
    Kind kind = Kind::Tcp;
    std::string host;
    std::uint16_t port = 0;
};

// Whether the name starts with a network scheme ("rfc2217://", "tcp://", in any case), so
// that it is never taken for a local device's path.
bool IsNetPortName(std::string_view name);
// The parts of a network port's name; empty with `error` set when it is malformed.
std::optional<NetPortName> ParseNetPortName(std::string_view name, std::string& error);
