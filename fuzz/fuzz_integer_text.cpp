// The integer conversion every number field goes through: never crashes, and what it accepts
// is exactly an optionally signed run of decimal digits whose value fits in 32 bits.
#include "exchange/IntegerText.h"
#include "fuzz/FuzzInput.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ExactCopy copy(data, size);
    const std::string_view text = copy.Text();
    const std::optional<int> value = TryStrToInt(text);
    if (!value) {
        return 0;
    }
    std::size_t start = 0;
    if (text[0] == '+' || text[0] == '-') {
        start = 1;
    }
    if (start == text.size()) {
        std::abort();
    }
    for (std::size_t i = start; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') {
            std::abort();
        }
    }
    // Compare with the C library's conversion of the same digits.
    errno = 0;
    const std::string terminated(text);
    const long long reference = std::strtoll(terminated.c_str(), nullptr, 10);
    if (errno != 0 || reference != *value) {
        std::abort();
    }
    return 0;
}
