#pragma once

// What every fuzz target reads its input through. Each text or chunk handed to the code
// under test is its own heap block of exactly its size, with no terminating NUL and no
// inline buffer after it, so AddressSanitizer reports a read even one byte past the end.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

class ExactCopy {
public:
    ExactCopy(const std::uint8_t* data, std::size_t size)
        : bytes(size == 0 ? nullptr : new std::uint8_t[size]), length(size) {
        if (size != 0)
            std::copy(data, data + size, bytes.get());
    }
    std::span<const std::uint8_t> Bytes() const { return {bytes.get(), length}; }
    std::string_view Text() const { return {reinterpret_cast<const char*>(bytes.get()), length}; }

private:
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t length;
};

// Splits the fuzzer's input into small choices and length-prefixed fields; past the end,
// choices read 0 and fields are empty.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}

    bool Empty() const { return pos >= size; }
    std::uint8_t Byte() { return pos < size ? data[pos++] : 0; }
    // A field of the length given by its first byte (cut at the end of the input).
    ExactCopy Field() {
        const std::size_t wanted = Byte();
        const std::size_t length = std::min(wanted, size - std::min(pos, size));
        ExactCopy copy(data + pos, length);
        pos += length;
        return copy;
    }
    // Everything left.
    ExactCopy Rest() {
        const std::size_t at = std::min(pos, size);
        pos = size;
        return ExactCopy(data + at, size - at);
    }

private:
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos = 0;
};
