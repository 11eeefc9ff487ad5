#include "traffic/ChunkDescription.h"

#include "hart/HartFrameDescription.h"
#include "tools/ModbusFrameDescription.h"

#include <algorithm>

namespace {

bool PrintableText(std::span<const std::uint8_t> bytes) {
    return !bytes.empty() && std::all_of(bytes.begin(), bytes.end(),
                                         [](std::uint8_t b) { return b >= 0x20 && b <= 0x7E; });
}

std::string_view AsText(std::span<const std::uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

std::optional<std::string> ConfigText(TrafficDirection direction,
                                      std::span<const std::uint8_t> bytes,
                                      const ConfigReplyFormatter* formatter) {
    const std::string_view text = AsText(bytes);
    if (direction == TrafficDirection::Tx)
        return DescribeConfigRequest(text);
    if (!PrintableText(bytes))
        return std::nullopt;
    const std::optional<ConfigQuery> query = ConfigReplyQuery(text);
    if (!query)
        return std::string(ConfigTextReply);
    if (!formatter)
        return DescribeConfigReply(*query, {});
    const std::vector<ConfigReplyField> fields = formatter->Fields(*query, text);
    return DescribeConfigReply(*query, fields);
}

} // namespace

std::string DescribeChunk(TrafficDirection direction, std::span<const std::uint8_t> bytes,
                          const ConfigReplyFormatter* formatter) {
    if (auto text = ConfigText(direction, bytes, formatter))
        return *text;
    if (auto hart = DescribeHartFrame(bytes))
        return *hart;
    const ModbusFrameRole role =
        direction == TrafficDirection::Tx ? ModbusFrameRole::Request : ModbusFrameRole::Reply;
    if (auto modbus = DescribeModbusFrame(bytes, role))
        return *modbus;
    return "unrecognised";
}
