#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// The exchange's byte array:
//   7       polling address of the last identity query
//   512..915 the last received chunk (404 bytes of room)
// The other bytes are not used.
class FrameBuffer {
public:
    static constexpr std::size_t Size = 916;
    static constexpr std::size_t PollAddressIndex = 7;
    static constexpr std::size_t ReceiveBegin = 512;
    static constexpr std::size_t ReceiveSize = 404;
    // The received chunk as text keeps at most this many characters.
    static constexpr std::size_t RxTextLimit = 255;

    std::uint8_t& operator[](std::size_t index) { return bytes_.at(index); }
    std::uint8_t operator[](std::size_t index) const { return bytes_.at(index); }

    // Takes a received chunk: its first 404 bytes replace the receive region (the rest of
    // a longer chunk is not kept) and its first 255 bytes are returned as text, one
    // character per byte. Nothing of an earlier chunk stays readable.
    std::string StoreChunk(const std::uint8_t* data, std::size_t length);
    // The bytes of the last chunk that the receive region holds.
    std::span<const std::uint8_t> Received() const;

private:
    std::array<std::uint8_t, Size> bytes_{};
    std::size_t receivedLength_ = 0;
};
