#include "serial/net/NetPortName.h"

#include <algorithm>
#include <cctype>

namespace {
struct Scheme {
    std::string_view prefix;
    NetPortName::Kind kind;
};
constexpr Scheme Schemes[] = {{"rfc2217://", NetPortName::Kind::Rfc2217},
                              {"tcp://", NetPortName::Kind::Tcp}};

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

const Scheme* SchemeOf(std::string_view name) {
    for (const Scheme& scheme : Schemes)
        if (StartsWithNoCase(name, scheme.prefix))
            return &scheme;
    return nullptr;
}

bool HostCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '.' || c == '-' || c == '_';
}
bool Ipv6Character(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0 || c == ':' || c == '.';
}
} // namespace

bool IsNetPortName(std::string_view name) {
    return SchemeOf(name) != nullptr;
}

std::optional<NetPortName> ParseNetPortName(std::string_view name, std::string& error) {
    const Scheme* scheme = SchemeOf(name);
    if (scheme == nullptr) {
        error = "not a network port (rfc2217://HOST:PORT or tcp://HOST:PORT)";
        return std::nullopt;
    }
    std::string_view rest = name.substr(scheme->prefix.size());
    NetPortName result;
    result.kind = scheme->kind;
    std::string_view host;
    if (rest.starts_with('[')) {
        const std::size_t close = rest.find(']');
        host = rest.substr(1, close == std::string_view::npos ? 0 : close - 1);
        if (close == std::string_view::npos || host.empty() ||
            !std::all_of(host.begin(), host.end(), Ipv6Character)) {
            error = "the address in brackets is not an IPv6 address";
            return std::nullopt;
        }
        rest.remove_prefix(close + 1);
    } else {
        host = rest.substr(0, std::min(rest.find(':'), rest.size()));
        if (host.empty() || !std::all_of(host.begin(), host.end(), HostCharacter)) {
            error = "no host name before the port";
            return std::nullopt;
        }
        rest.remove_prefix(host.size());
    }
    if (!rest.starts_with(':') || rest.size() < 2 || rest.size() > 6) {
        error = "no port number after the host (HOST:PORT)";
        return std::nullopt;
    }
    rest.remove_prefix(1);
    unsigned long port = 0;
    for (char c : rest) {
        if (std::isdigit(static_cast<unsigned char>(c)) == 0) {
            error = "the port is not a number";
            return std::nullopt;
        }
        port = port * 10 + static_cast<unsigned long>(c - '0');
    }
    if (port == 0 || port > 65535) {
        error = "the port is not between 1 and 65535";
        return std::nullopt;
    }
    result.host = std::string(host);
    result.port = static_cast<std::uint16_t>(port);
    return result;
}
