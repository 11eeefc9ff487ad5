#pragma once

#include "config/ConfigFrameDescription.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The meaning column of the traffic log: one line describing a frame written or a chunk
// received, from the pure layers' descriptions (plain C++, no toolkit).

enum class TrafficDirection { Tx, Rx };

// Fills in the fields of a configuration reply. The link implements it over its typed reply
// decoders, so the log shows "reply to communication query: interface RS485, instruments 1"
// without a second decoder here; without one the log names the query only.
class ConfigReplyFormatter {
public:
    virtual ~ConfigReplyFormatter() = default;
    virtual std::vector<ConfigReplyField> Fields(ConfigQuery query,
                                                 std::string_view text) const = 0;
};

// Tries, in this order: the configuration protocol's text (a request on TX; on RX a text of
// printable ASCII only), a HART frame, a MODBUS frame (a request on TX, a reply on RX);
// otherwise "unrecognised".
std::string DescribeChunk(TrafficDirection direction, std::span<const std::uint8_t> bytes,
                          const ConfigReplyFormatter* formatter = nullptr);
