#pragma once

// What the reader does to received bytes that the terminal driver cannot do itself: undoing
// the driver's marking of bytes received with a parity or framing error, replacing such a
// byte when asked, and dropping NUL bytes. Works in place, a read at a time; a mark split
// across two reads is completed by the next one.

#include <cstddef>
#include <cstdint>

class ReceiveFilter {
public:
    struct Mode {
        // The driver marks a bad byte x as 0xFF 0x00 x and a received 0xFF as 0xFF 0xFF.
        bool marked = false;
        // With `marked`: a bad byte becomes `replacement`; otherwise it is kept as received.
        bool replace = false;
        std::uint8_t replacement = 0;
        bool dropNul = false; // NUL bytes as received are dropped
        bool operator==(const Mode&) const = default;
    };

    // Packs a mode into one word, so that the line settings can hand it to the reader
    // thread through one atomic store; Unpack(Pack(m)) == m.
    static std::uint32_t Pack(const Mode& mode);
    static Mode Unpack(std::uint32_t packed);

    // Nothing to do for any byte: the reader skips the filter.
    static bool Passes(const Mode& mode) { return !mode.marked && !mode.dropNul; }

    // Takes a new mode; a mark left incomplete by the previous one is forgotten.
    void SetMode(const Mode& value);
    const Mode& CurrentMode() const { return mode; }

    // Filters `count` bytes in place and returns how many remain (never more than count).
    std::size_t Apply(std::uint8_t* bytes, std::size_t count);

private:
    // Where the previous read left a mark: after its 0xFF, or after 0xFF 0x00.
    enum class Pending : std::uint8_t { None, Escape, BadByte };
    void Emit(std::uint8_t* bytes, std::size_t& out, std::uint8_t byte, bool bad) const;

    Mode mode;
    Pending pending = Pending::None;
};
