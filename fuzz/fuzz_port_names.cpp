// The port name typed into "serial port:" resolved to the device the component opens:
// "COMn" (n from 1) names the n-th PC serial port, anything else is a path. Never crashes
// or reads past the name, and the COM mapping is exact.
#include "fuzz/FuzzInput.h"
#include "serial/posix/PosixLine.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ExactCopy copy(data, size);
    // The window hands the component a std::string; a name with a NUL in it stops there.
    const std::string name(copy.Text());
    const std::string path = ResolvePortPath(name);
    if (!name.empty() && path.empty())
        std::abort();
    const bool comName = name.size() > 3 && name.size() <= 6 && name.starts_with("COM") &&
                         name.find_first_not_of("0123456789", 3) == std::string::npos;
    if (comName) {
        const int number = std::stoi(name.substr(3));
        if (number >= 1 && path != "/dev/ttyS" + std::to_string(number - 1))
            std::abort();
    }
    return 0;
}
