#include "exchange/FrameBuffer.h"

#include <algorithm>

std::string FrameBuffer::StoreChunk(const std::uint8_t* data, std::size_t length) {
    if (data == nullptr) {
        length = 0;
    }
    receivedLength_ = std::min(length, ReceiveSize);
    std::copy_n(data, receivedLength_, bytes_.begin() + ReceiveBegin);
    std::fill(bytes_.begin() + ReceiveBegin + static_cast<std::ptrdiff_t>(receivedLength_),
              bytes_.end(), 0);
    const std::size_t textLength = std::min(length, RxTextLimit);
    return std::string(reinterpret_cast<const char*>(data), textLength);
}

std::span<const std::uint8_t> FrameBuffer::Received() const {
    return {bytes_.data() + ReceiveBegin, receivedLength_};
}
