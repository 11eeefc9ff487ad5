// The traffic log's meaning of any chunk, in both directions: a line of printable text,
// never empty, never reading past the chunk (exact-size buffer under ASan).
#include "traffic/ChunkDescription.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> chunk(data, data + size);
    for (const TrafficDirection direction : {TrafficDirection::Tx, TrafficDirection::Rx}) {
        const std::string meaning = DescribeChunk(direction, chunk);
        if (meaning.empty() || meaning.size() > 256 + 8 * size)
            std::abort();
        for (const char c : meaning)
            if (c < 0x20 || c > 0x7E)
                std::abort();
    }
    return 0;
}
