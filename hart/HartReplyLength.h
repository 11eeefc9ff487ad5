#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// The whole length of a HART frame whose first bytes are `received`, preambles included,
// once its header tells it: the preambles (0xFF), the delimiter, a one- or five-byte address
// (bit 7 of the delimiter), the expansion bytes the delimiter names (bits 5 and 6), the
// command, the byte count, that many data bytes and the checksum. Empty while the byte
// count has not arrived.
std::optional<std::size_t> HartFrameLength(std::span<const std::uint8_t> received);
