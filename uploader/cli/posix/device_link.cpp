#include "device_link.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace brevalin::cli {
namespace {

// The library's naming of serial devices, read backwards: the device a COM
// number opens, so a device's COM number, or false when no COM number opens it.
bool ComNumberOfDevice(const std::string& device, std::uint32_t& comNumber) {
    struct Family {
        const char* prefix;
        std::uint32_t firstCom;
        std::uint32_t lastDevice;
    };
    static const Family kFamilies[] = {{"/dev/ttyS", 1, 98},
                                       {"/dev/ttyUSB", 100, 99},
                                       {"/dev/ttyACM", 200, 99},
                                       {"/dev/pts/", 300, kHighestCom - 300}};
    for (const Family& family : kFamilies) {
        const std::size_t length = std::strlen(family.prefix);
        if (device.compare(0, length, family.prefix) != 0) continue;
        const std::string number = device.substr(length);
        std::uint32_t n = 0;
        // The library names ttyS1, never ttyS01.
        if ((number.size() > 1 && number[0] == '0') ||
            !ParseNumber(number, 0, family.lastDevice, n)) {
            return false;
        }
        comNumber = family.firstCom + n;
        return true;
    }
    return false;
}

std::string RealPath(const std::string& path) {
    char* resolved = realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return {};
    std::string whole(resolved);
    std::free(resolved);
    return whole;
}

// The device `path` names, symbolic links followed. A device that is absent
// now (an adapter unplugged) keeps its name, so the link fails as one with no
// instrument rather than as a bad command line.
bool ResolveDevice(const std::string& path, std::string& device, std::string& error) {
    device = RealPath(path);
    if (!device.empty()) return true;
    const int whyNot = errno;
    const std::size_t slash = path.rfind('/');
    const std::string name = path.substr(slash + 1);
    struct stat link {};
    if (whyNot == ENOENT && lstat(path.c_str(), &link) != 0 && !name.empty() && name != "." &&
        name != "..") {
        const std::string folder = RealPath(slash == 0 ? "/" : path.substr(0, slash));
        if (!folder.empty()) {
            device = (folder == "/" ? "" : folder) + "/" + name;
            return true;
        }
    }
    error = path + ": " + std::strerror(whyNot);
    return false;
}

}  // namespace

bool ParseDevicePath(const std::string& text, LinkChoice& link, std::string& error) {
    LinkChoice serial;
    serial.usb = false;
    std::string path = text;
    const std::size_t colon = text.rfind(':');
    struct stat whole {};
    if (colon != std::string::npos && AllDigits(text.substr(colon + 1)) &&
        lstat(text.c_str(), &whole) != 0) {
        if (!ParseNumber(text.substr(colon + 1), 1, kHighestBaud, serial.baudRate)) {
            error = "baud rate of '" + text + "' is not from 1 to 4000000";
            return false;
        }
        path = text.substr(0, colon);
    }
    std::string device;
    if (!ResolveDevice(path, device, error)) return false;
    if (!ComNumberOfDevice(device, serial.comNumber)) {
        error = "'" + path + "'" + (device != path ? " (" + device + ")" : std::string()) +
                " is no serial port the library opens (/dev/ttyS0-98, /dev/ttyUSB0-99, "
                "/dev/ttyACM0-99, /dev/pts/N)";
        return false;
    }
    link = serial;
    return true;
}

}  // namespace brevalin::cli
