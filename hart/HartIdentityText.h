#pragma once

// One written form of an instrument's identity for every place that shows it (the HART page,
// the scans, the traffic log, the command line): numbers in decimal as the page's fields
// show them, the hex the frames carry beside them in parentheses ("38 (0x26)",
// "1193046 (0x123456)").

#include "hart/HartIdentity.h"

#include <cstdint>
#include <string>

// The device id as one number, its first byte the most significant (0 .. 16777215).
std::uint32_t DeviceIdNumber(const HartIdentity& identity);
// A byte in decimal with its hex: "38 (0x26)".
std::string CodeText(std::uint8_t code);
// The device id in decimal with its six hex digits: "1193046 (0x123456)".
std::string DeviceIdText(const HartIdentity& identity);
// "manufacturer 38 (0x26), device type 6 (0x06), device id 1193046 (0x123456)".
std::string IdentityText(const HartIdentity& identity);
