#pragma once

// Line settings of a POSIX terminal device, in the terms of the component's properties.

#include <cstdint>
#include <string>

struct PosixLineSettings {
    std::uint32_t baudRate = 9600;
    int byteSize = 8; // 5 to 8
    int parity = 0;   // 0 none, 1 odd, 2 even, 3 mark, 4 space
    int stopBits = 0; // 0 one, 1 one and a half (sent as two), 2 two
    bool parityCheck = false;
    bool ctsFlow = false; // CTS output flow or RTS handshake: hardware flow control
    bool xonXoffOut = false;
    bool xonXoffIn = false;
    char xonChar = 0x11;
    char xoffChar = 0x13;
    int dtr = 1; // 1 raise, 0 drop, 2 handshake (no POSIX equivalent: left as it is)
    int rts = 1; // 1 raise, 0 drop, 2 handshake (hardware flow), 3 toggle while sending
};

// "COMn" names the n-th PC serial port, /dev/ttyS(n-1); any other name is a path, resolved
// through symbolic links so that every name of one device leads to the same lock.
std::string ResolvePortPath(const std::string& name);

// Applies the settings; failures of individual calls are ignored, as a pseudo-terminal or
// a simple adapter refuses some of them (modem lines, RS-485 mode) and the port still works.
void ApplyPosixLine(int fd, const PosixLineSettings& settings);

// Any baud rate, including non-standard ones, through the kernel's BOTHER interface.
bool SetArbitraryBaudRate(int fd, std::uint32_t baudRate);
