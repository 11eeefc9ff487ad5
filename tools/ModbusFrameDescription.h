#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

// MODBUS RTU frames described for the traffic log: slave, function, for requests the start
// and count (or the value written), for replies the byte count and register values, an
// exception reply as "exception N" with its name, and whether the CRC matches.
//
// A chunk alone does not say whether it is a request or a reply (a read request and a
// reply can have the same length), so the caller says which it expects: what the tool sent
// is a request, what it received a reply. Functions outside the public read and write set
// are not taken for MODBUS. A frame longer than the chunk says "truncated"; nothing past the
// chunk is read. Bytes after the frame's CRC are counted ("then 3 more bytes").

enum class ModbusFrameRole { Request, Reply };

// "illegal data address" for exception code 2, "" for a code without a name.
std::string ModbusExceptionName(int code);

std::optional<std::string> DescribeModbusFrame(std::span<const std::uint8_t> chunk,
                                               ModbusFrameRole role);
