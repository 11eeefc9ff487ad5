#include "hart/HartReplyLength.h"

std::optional<std::size_t> HartFrameLength(std::span<const std::uint8_t> received) {
    constexpr std::uint8_t Preamble = 0xFF;
    constexpr std::uint8_t LongAddress = 0x80;
    constexpr std::size_t LongAddressBytes = 5;
    std::size_t at = 0;
    while (at < received.size() && received[at] == Preamble) {
        ++at;
    }
    if (at >= received.size()) {
        return std::nullopt;
    }
    const std::uint8_t delimiter = received[at];
    const std::size_t address = (delimiter & LongAddress) != 0 ? LongAddressBytes : 1;
    const std::size_t expansion = (delimiter >> 5) & 0x03;
    // delimiter, address, expansion, command: the byte count follows.
    const std::size_t countAt = at + 1 + address + expansion + 1;
    if (countAt >= received.size()) {
        return std::nullopt;
    }
    return countAt + 1 + received[countAt] + 1;
}
