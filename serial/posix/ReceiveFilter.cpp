#include "serial/posix/ReceiveFilter.h"

std::uint32_t ReceiveFilter::Pack(const Mode& m) {
    return (m.marked ? 1u : 0u) | (m.replace ? 2u : 0u) | (m.dropNul ? 4u : 0u) |
           (static_cast<std::uint32_t>(m.replacement) << 8);
}

ReceiveFilter::Mode ReceiveFilter::Unpack(std::uint32_t packed) {
    Mode m;
    m.marked = (packed & 1u) != 0;
    m.replace = (packed & 2u) != 0;
    m.dropNul = (packed & 4u) != 0;
    m.replacement = static_cast<std::uint8_t>(packed >> 8);
    return m;
}

void ReceiveFilter::SetMode(const Mode& value) {
    mode = value;
    pending = Pending::None;
}

void ReceiveFilter::Emit(std::uint8_t* bytes, std::size_t& out, std::uint8_t byte, bool bad) const {
    if (bad && mode.replace) {
        bytes[out++] = mode.replacement; // what the owner asked for, even a NUL
        return;
    }
    if (byte == 0 && mode.dropNul)
        return;
    bytes[out++] = byte;
}

std::size_t ReceiveFilter::Apply(std::uint8_t* bytes, std::size_t count) {
    std::size_t out = 0;
    for (std::size_t in = 0; in < count; ++in) {
        const std::uint8_t byte = bytes[in];
        if (!mode.marked) {
            Emit(bytes, out, byte, false);
            continue;
        }
        switch (pending) {
        case Pending::None:
            if (byte == 0xFF)
                pending = Pending::Escape;
            else
                Emit(bytes, out, byte, false);
            break;
        case Pending::Escape:
            // 0xFF 0xFF is a received 0xFF, 0xFF 0x00 announces a bad byte. Nothing else
            // follows a 0xFF from the driver (unless marking was switched on with unmarked
            // bytes still queued); then the 0xFF is dropped as a stray and the byte kept, so
            // that no input byte ever yields two and the work stays in place.
            if (byte == 0x00) {
                pending = Pending::BadByte;
                break;
            }
            pending = Pending::None;
            Emit(bytes, out, byte, false);
            break;
        case Pending::BadByte:
            pending = Pending::None;
            Emit(bytes, out, byte, true);
            break;
        }
    }
    return out;
}
