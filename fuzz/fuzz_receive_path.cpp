// The window's receive path on any chunks: the chunk is stored, routed by the pending
// request kind and shown as text or hex. The stored region holds exactly the chunk's first bytes
// (nothing of a longer earlier chunk stays readable), the text is its first 255 bytes, and
// the hex shown spells those bytes.
#include "exchange/FrameBuffer.h"
#include "exchange/HexText.h"
#include "fuzz/FuzzInput.h"
#include "link/RequestTable.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FrameBuffer frameBuffer;
    FuzzInput input(data, size);
    while (!input.Empty()) {
        // Every request kind, and values past the last one.
        const auto pendingRequest = static_cast<RequestKind>(input.Byte() % 16);
        // Chunks up to 255 * 4 bytes: longer than the receive region.
        const std::size_t repeat = 1 + input.Byte() % 4;
        const ExactCopy piece = input.Field();
        std::vector<std::uint8_t> joined;
        for (std::size_t k = 0; k < repeat; ++k)
            joined.insert(joined.end(), piece.Bytes().begin(), piece.Bytes().end());
        const ExactCopy chunk(joined.data(), joined.size());
        const auto bytes = chunk.Bytes();

        const std::string text = frameBuffer.StoreChunk(bytes.data(), bytes.size());
        const std::size_t textLength = std::min(bytes.size(), FrameBuffer::RxTextLimit);
        if (text.size() != textLength ||
            !std::equal(text.begin(), text.end(), bytes.begin(),
                        [](char c, std::uint8_t b) { return static_cast<std::uint8_t>(c) == b; }))
            std::abort();
        const auto received = frameBuffer.Received();
        if (received.size() != std::min(bytes.size(), FrameBuffer::ReceiveSize) ||
            !std::equal(received.begin(), received.end(), bytes.begin()))
            std::abort();
        for (std::size_t i = FrameBuffer::ReceiveBegin + received.size(); i < FrameBuffer::Size;
             ++i)
            if (frameBuffer[i] != 0)
                std::abort();

        const ReceiveRoute route = RuleOf(pendingRequest).route;
        if (route.hex) {
            const auto shown = received.first(std::min(text.size(), received.size()));
            const std::string dump = HexDump(shown);
            if (dump.size() != 3 * shown.size())
                std::abort();
            for (std::size_t k = 0; k < shown.size(); ++k)
                if (dump.compare(3 * k, 3, ByteToHex(shown[k]) + " ") != 0)
                    std::abort();
        }
    }
    return 0;
}
