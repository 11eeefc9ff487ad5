#pragma once

#include "exchange/FrameResult.h"

#include <string_view>

// The MODBUS test request, read holding registers (function 03), eight bytes:
// slave address, 0x03, 0x00, start address, 0x00, register count, then the CRC-16 low
// byte first. The three fields are decimal integers from 0 to 255 (the high bytes of
// start and count are always 0), read in the order slave address, start address, length;
// the first field that holds no integer or a value out of range stops the request.
FrameResult ModbusReadRequest(std::string_view slaveAddressText, std::string_view startAddressText,
                              std::string_view lengthText);
