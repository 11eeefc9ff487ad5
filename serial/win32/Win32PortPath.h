#pragma once

#include <string>

// The path CreateFile needs for a port name. Windows resolves only COM1 to COM9 as plain
// names; "COM10" and above (USB adapters often get such numbers) exist only in the device
// namespace, so every name of the form COM followed by digits is opened as "\\.\COMn".
// Any other name is used as typed.
std::string Win32PortPath(const std::string& commName);
