// The module's reply decoders on any received text: they never read past the chunk, every
// text field is no longer than the chunk, and a conversion error always stops the decode
// with the standard message.
#include "config/ConfigReplies.h"
#include "fuzz/FuzzInput.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {
void CheckText(const std::optional<std::string>& field, std::string_view text) {
    if (field && field->size() > text.size())
        std::abort();
}
void CheckError(const std::optional<std::string>& error) {
    if (error && error->find("is not a valid integer value") == std::string::npos)
        std::abort();
}
void Check(const CommunicationReply& d, std::string_view) {
    CheckError(d.error);
}
void Check(const SystemParameterReply& d, std::string_view text) {
    CheckText(d.slaveAddress, text);
    CheckText(d.pollInterval, text);
    CheckError(d.error);
}
void Check(const ChannelReply& d, std::string_view text) {
    CheckText(d.coefficient, text);
    CheckText(d.cacheTime, text);
    for (const ParsingVariableReply& variable : d.variables)
        CheckText(variable.start, text);
    for (const ReadCommandReply& command : d.commands)
        CheckText(command.bytes, text);
    CheckError(d.error);
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
    Check(DecodeChannelReply(chunk, type), chunk);
    return 0;
}
