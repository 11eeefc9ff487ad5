// The three places where the engineer types bytes as hex: the manual HART frame, the custom
// read commands and the IEEE 754 calculator. Whatever is typed, the frames stay within their
// bounds and a refusal sends nothing.
#include "config/ConfigFrames.h"
#include "fuzz/FuzzInput.h"
#include "hart/HartFrames.h"
#include "tools/Ieee754Calculator.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const ExactCopy copy(data + 2, size - 2);
    const std::string_view text = copy.Text();
    const int selector = data[0] % 3;
    if (selector == 0) {
        const std::string preamble = std::to_string(static_cast<int>(data[1]) - 1);
        const FrameResult r = HartManualFrame(preamble, text);
        if (r.ok() ? (r.bytes.size() > 256 + HartManualMaxBytes + 1) : !r.bytes.empty())
            std::abort();
    } else if (selector == 1) {
        const FrameResult r =
            CustomCommandSetting(data[1] % 10, 1 + data[1] % 2, data[1] % 3 - 1, text);
        if (r.ok() ? (r.bytes.size() > 16 + 14) : !r.bytes.empty())
            std::abort();
    } else {
        const Ieee754Result r = CalculateIeee754(text, data[1] % 2 ? "," : ".", 4);
        if (r.status == Ieee754Status::Ok &&
            (r.text.size() > Ieee754TextLength || r.bytes.size() > 4))
            std::abort();
    }
    return 0;
}
