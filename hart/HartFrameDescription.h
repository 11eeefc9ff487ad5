#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// HART frames described for the traffic log, one line of text per frame: delimiter (short or
// long address; master to slave, slave to master or burst), address, command number and
// name, byte count, on slave frames the response code and device status, then whether the
// checksum (XOR of the delimiter up to the last data byte) matches.
//
// Leading 0xFF preamble bytes are skipped. A frame without any preamble is taken only when
// it fills the chunk exactly and its checksum matches, so a MODBUS frame that happens to
// start with a delimiter's value is not mistaken for HART. A frame that ends early is
// described as far as it goes and says "truncated"; nothing past the chunk is read.
// Bytes after the frame's checksum are counted ("then 3 more bytes").

// The name of a HART command ("read unique identifier"), or "command N" for one not listed.
std::string HartCommandName(int command);

// The first HART frame of `chunk` described, or nothing when the chunk holds none.
std::optional<std::string> DescribeHartFrame(std::span<const std::uint8_t> chunk);
