// The module's reply decoders on any received text: they never read past the chunk, every
// update names a control with an index or text of bounded size, and a conversion error
// always stops the decode with the standard message.
#include "config/ConfigReplies.h"
#include "fuzz/FuzzInput.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {
void Check(const ReplyDecode& d, std::string_view text) {
    for (const ControlUpdate& u : d.updates) {
        if (u.control.empty() || u.text.size() > text.size())
            std::abort();
    }
    if (d.error && d.error->find("is not a valid integer value") == std::string::npos)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // The first byte picks the instrument type the window shows before the decode.
    const int type = static_cast<int>(data[0] % 18) - 1;
    // A copy of exactly the chunk, so any read past it is caught.
    const ExactCopy copy(data + 1, size - 1);
    const std::string_view chunk = copy.Text();
    Check(DecodeCommunicationReply(chunk), chunk);
    Check(DecodeSystemParameterReply(chunk), chunk);
    Check(DecodeModbusParameterReply(chunk, type), chunk);
    return 0;
}
