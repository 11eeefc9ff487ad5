// The general float text: any value (single precision widened, as the tool shows them, or
// any double) gives a short text that reads back as the value to 15 digits.
#include "exchange/FloatText.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Check(long double value, char separator) {
    const std::string text = GeneralFloatText(value, std::string_view(&separator, 1));
    if (text.empty() || text.size() > 26) {
        std::abort();
    }
    if (std::isnan(value) || std::isinf(value)) {
        return;
    }
    std::string readable = text;
    for (char& c : readable) {
        if (c == separator) {
            c = '.';
        }
    }
    char* end = nullptr;
    const long double back = std::strtold(readable.c_str(), &end);
    if (end != readable.c_str() + readable.size()) {
        std::abort();
    }
    const long double tolerance = std::fabs(value) * 1e-14L;
    if (std::fabs(back - value) > tolerance) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size >= 4) {
        float single = 0;
        std::memcpy(&single, data, 4);
        Check(static_cast<long double>(single), '.');
        Check(static_cast<long double>(single), ',');
    }
    if (size >= 8) {
        double wide = 0;
        std::memcpy(&wide, data, 8);
        Check(static_cast<long double>(wide), '.');
    }
    return 0;
}
