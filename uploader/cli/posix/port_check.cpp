#include "port_check.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "port_naming.h"

namespace brevalin::cli {

std::string SerialPortProblem(std::uint32_t comNumber) {
    char path[64] = {};
    if (!quillsan::platform::LinuxDevicePathForCom(comNumber, path, sizeof path)) {
        return "no such port";
    }
    const std::string device = path;
    const int fd = open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == EACCES || error == EPERM) {
            return device + ": permission denied (the user needs the dialout group)";
        }
        if (error == EBUSY) return device + ": in use by another program";
        return device + ": " + std::strerror(error);
    }
    // The library locks the ports it opens; so do other careful programs.
    const bool held = flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    close(fd);
    return held ? device + ": in use by another program" : std::string();
}

}  // namespace brevalin::cli
