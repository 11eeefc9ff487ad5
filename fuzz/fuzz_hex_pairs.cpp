// Typed hex bytes: never reads past the text, never returns more pairs than asked, and what
// it accepts prints back as the same pairs.
#include "exchange/HexText.h"
#include "fuzz/FuzzInput.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t maxPairs = data[0] % 20;
    const ExactCopy copy(data + 1, size - 1);
    const std::string_view text = copy.Text();
    const HexPairs pairs = ParseHexPairs(text, maxPairs);
    if (pairs.bytes.size() > maxPairs) {
        std::abort();
    }
    if (pairs.status != HexPairsStatus::Ok) {
        if (!pairs.bytes.empty()) {
            std::abort();
        }
        return 0;
    }
    const std::string dump = HexDump(pairs.bytes);
    for (std::size_t k = 0; k < pairs.bytes.size(); ++k) {
        if (dump.compare(3 * k, 2, text.substr(3 * k, 2)) != 0) {
            std::abort();
        }
    }
    return 0;
}
