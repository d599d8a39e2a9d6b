#include "device_link.h"

namespace brevalin::cli {

bool ParseDevicePath(const std::string& text, LinkChoice&, std::string& error) {
    error = "'" + text +
            "': serial device paths name ports on Linux only; on Windows give the port as COMn "
            "or COMn:baud";
    return false;
}

}  // namespace brevalin::cli
