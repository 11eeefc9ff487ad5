#include "serial/win32/Win32PortPath.h"

#include <algorithm>
#include <cctype>

std::string Win32PortPath(const std::string& commName) {
    auto isDigit = [](unsigned char c) { return std::isdigit(c) != 0; };
    const bool comN = commName.size() > 3 &&
                      std::equal(commName.begin(), commName.begin() + 3, "COM",
                                 [](unsigned char a, char b) { return std::toupper(a) == b; }) &&
                      std::all_of(commName.begin() + 3, commName.end(), isDigit);
    return comN ? "\\\\.\\" + commName : commName;
}
