#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// The byte array every request builder and reply decoder shares:
//   0..2    device identification of the HART instrument (most significant first)
//   6       its device type
//   7       polling address of the last identity query
//   8..511  the outgoing frame
//   512..915 the last received chunk (404 bytes of room)
class FrameBuffer {
public:
    static constexpr std::size_t Size = 916;
    static constexpr std::size_t DeviceIdIndex = 0;
    static constexpr std::size_t DeviceTypeIndex = 6;
    static constexpr std::size_t PollAddressIndex = 7;
    static constexpr std::size_t OutgoingBegin = 8;
    static constexpr std::size_t OutgoingSize = 504;
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

    // Copies a frame into the outgoing region; false (and nothing copied) when it does
    // not fit.
    bool StoreOutgoing(std::span<const std::uint8_t> frame);
    std::span<std::uint8_t> Outgoing();

private:
    std::array<std::uint8_t, Size> bytes_{};
    std::size_t receivedLength_ = 0;
};
