// The instrument's replies on any received bytes: found replies lie inside the chunk, and
// the value texts keep their bounded width.
#include "fuzz/FuzzInput.h"
#include "hart/HartReplies.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ExactCopy chunk(data, size);
    const std::span<const std::uint8_t> bytes = chunk.Bytes();
    if (const auto at = FindHartReply(bytes, 0x06); at && *at + 5 > size)
        std::abort();
    (void)DecodeIdentityReply(bytes);
    if (const auto reply = DecodeDynamicVariablesReply(bytes, size % 2 ? "," : ".")) {
        if (reply->variables.empty() || reply->variables.size() > 4)
            std::abort();
        for (const HartVariable& v : reply->variables)
            if (v.text.empty() || v.text.size() > 9 || v.unitIndex < -1 || v.unitIndex > 76)
                std::abort();
    }
    return 0;
}
