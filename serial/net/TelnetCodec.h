#pragma once

// The Telnet layer of a network port: data bytes with IAC (255) doubled, option
// negotiation (IAC WILL/WONT/DO/DONT option) and subnegotiations (IAC SB option ... IAC SE).
// Pure: bytes in, bytes and events out, so that it can be tested and fuzzed alone.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace telnet {

inline constexpr std::uint8_t Iac = 255;
inline constexpr std::uint8_t Dont = 254;
inline constexpr std::uint8_t Do = 253;
inline constexpr std::uint8_t Wont = 252;
inline constexpr std::uint8_t Will = 251;
inline constexpr std::uint8_t Sb = 250;
inline constexpr std::uint8_t Se = 240;

inline constexpr std::uint8_t OptionBinary = 0;
inline constexpr std::uint8_t OptionSuppressGoAhead = 3;
inline constexpr std::uint8_t OptionComPort = 44;

// Appends the data bytes with every IAC doubled.
void AppendEscaped(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> data);
// IAC verb option.
void AppendNegotiation(std::vector<std::uint8_t>& out, std::uint8_t verb, std::uint8_t option);
// IAC SB option payload IAC SE, the payload escaped.
void AppendSubnegotiation(std::vector<std::uint8_t>& out, std::uint8_t option,
                          std::span<const std::uint8_t> payload);

struct Event {
    enum class Kind { Negotiation, Subnegotiation };
    Kind kind = Kind::Negotiation;
    std::uint8_t verb = 0; // Will, Wont, Do, Dont; Sb for a subnegotiation
    std::uint8_t option = 0;
    std::vector<std::uint8_t> payload; // a subnegotiation's bytes, IAC undoubled
};

// Splits a stream into its data and its commands, keeping its place between calls, so a
// command split across reads is decoded whole. A subnegotiation longer than
// MaxSubnegotiation is dropped (its end is still found); other commands (NOP, GA, ...) are
// skipped.
class Decoder {
public:
    static constexpr std::size_t MaxSubnegotiation = 64;

    // Decodes `count` bytes in place: the data bytes are moved to the front of `buffer` and
    // their count returned; the commands found are appended to `events`.
    std::size_t Decode(std::uint8_t* buffer, std::size_t count, std::vector<Event>& events);

private:
    enum class State { Data, Iac, Verb, SubOption, SubData, SubIac };
    State state = State::Data;
    std::uint8_t verb = 0;
    std::uint8_t option = 0;
    bool overflow = false;
    std::vector<std::uint8_t> payload;
};

} // namespace telnet
