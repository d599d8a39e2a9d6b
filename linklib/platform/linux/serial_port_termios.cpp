// SerialPort on Linux: termios in raw mode, poll() for every bounded wait.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "clock.h"
#include "custom_baud.h"
#include "never_destroyed.h"
#include "port_naming.h"
#include "serial_port.h"

namespace quillsan::platform {
namespace {

constexpr int kIoWaitMs = 10;

struct StandardRate {
    std::uint32_t baud;
    speed_t constant;
};
constexpr StandardRate kStandardRates[] = {
    {50, B50},         {75, B75},         {110, B110},        {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},        {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},      {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400},  {460800, B460800}, {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000}};

bool IsDeviceGone(int error) {
    return error == EIO || error == ENXIO || error == ENODEV;
}

// Waits for the events until the deadline; EINTR does not extend the wait.
// Returns the revents, 0 on time-out, -1 on error.
int WaitFor(int fd, short events, int timeoutMs) {
    const std::uint64_t deadline = MonotonicMs() + static_cast<std::uint64_t>(timeoutMs);
    for (;;) {
        pollfd request{fd, events, 0};
        const std::uint64_t now = MonotonicMs();
        const int left = now >= deadline ? 0 : static_cast<int>(deadline - now);
        const int ready = poll(&request, 1, left);
        if (ready > 0) return request.revents;
        if (ready == 0) return 0;
        if (errno != EINTR) return -1;
    }
}

IoStatus StatusOfError(int error) {
    if (error == EAGAIN || error == EWOULDBLOCK || error == EINTR) return IoStatus::kOk;
    return IsDeviceGone(error) ? IoStatus::kNotConnected : IoStatus::kFailed;
}

class TermiosSerialPort final : public SerialPort {
  public:
    void DeviceName(std::uint32_t comNumber, char* name, std::size_t size) const override {
        if (!LinuxDevicePathForCom(comNumber, name, size)) {
            std::snprintf(name, size, "COM%u (no such port)", comNumber);
        }
    }

    bool Open(std::uint32_t comNumber) override {
        char path[64];
        if (fd_ >= 0 || !LinuxDevicePathForCom(comNumber, path, sizeof path)) return false;
        const int fd = open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return false;
        // No sharing: other cooperating programs see the lock, and TIOCEXCL
        // refuses further opens of the tty by unprivileged ones.
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            close(fd);
            return false;
        }
        ioctl(fd, TIOCEXCL);
        fd_ = fd;
        return true;
    }

    // Linux tty buffers have a fixed size, and nothing here waits on modem-line
    // events: the queue sizes and the event mask need no step of their own.
    ConfigureFailures Configure(const LineSettings& settings) override {
        ConfigureFailures failed;
        if (fd_ < 0 || settings.baudRate == 0) {
            failed.buildLineSettings = true;
            return failed;
        }
        if (!SetTimeouts()) {
            failed.setTimeouts = true;
            return failed;
        }
        failed.applyLineSettings = !ApplyLineSettings(settings.baudRate);
        termios properties{};
        failed.readProperties = tcgetattr(fd_, &properties) != 0;
        return failed;
    }

    std::uint64_t HandleValue() const override { return static_cast<std::uint64_t>(fd_); }
    bool IsOpen() const override { return fd_ >= 0; }

    void Close() override {
        if (fd_ < 0) return;
        close(fd_);
        fd_ = -1;
    }

    IoStatus Read(std::uint8_t* data, std::size_t size, std::size_t& received) override {
        received = 0;
        if (fd_ < 0) return IoStatus::kFailed;
        const int events = WaitFor(fd_, POLLIN, kIoWaitMs);
        if (events < 0) return IoStatus::kFailed;
        if (events == 0) return IoStatus::kOk;
        if ((events & POLLIN) == 0) return IoStatus::kNotConnected;  // hang-up or error only
        const ssize_t count = read(fd_, data, size);
        if (count > 0) {
            received = static_cast<std::size_t>(count);
            return IoStatus::kOk;
        }
        return count == 0 ? IoStatus::kNotConnected : StatusOfError(errno);
    }

    IoStatus Write(const std::uint8_t* data, std::size_t size, std::size_t& written) override {
        written = 0;
        if (fd_ < 0) return IoStatus::kFailed;
        const int events = WaitFor(fd_, POLLOUT, kIoWaitMs);
        if (events < 0) return IoStatus::kFailed;
        if (events == 0) return IoStatus::kOk;
        if ((events & POLLOUT) == 0) return IoStatus::kNotConnected;
        const ssize_t count = write(fd_, data, size);
        if (count >= 0) {
            written = static_cast<std::size_t>(count);
            return IoStatus::kOk;
        }
        return StatusOfError(errno);
    }

  private:
    bool SetTimeouts() {
        termios settings{};
        if (tcgetattr(fd_, &settings) != 0) return false;
        // Reads never block in the driver; poll() bounds every wait to 10 ms.
        settings.c_cc[VMIN] = 0;
        settings.c_cc[VTIME] = 0;
        return tcsetattr(fd_, TCSANOW, &settings) == 0;
    }

    bool ApplyLineSettings(std::uint32_t baud) {
        termios settings{};
        if (tcgetattr(fd_, &settings) != 0) return false;
        cfmakeraw(&settings);
        settings.c_cflag |= CLOCAL | CREAD | CS8;
        settings.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS | CSTOPB | PARENB);
        settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
        settings.c_cc[VMIN] = 0;
        settings.c_cc[VTIME] = 0;
        for (const StandardRate& rate : kStandardRates) {
            if (rate.baud == baud) {
                cfsetispeed(&settings, rate.constant);
                cfsetospeed(&settings, rate.constant);
                return tcsetattr(fd_, TCSANOW, &settings) == 0;
            }
        }
        return tcsetattr(fd_, TCSANOW, &settings) == 0 && SetCustomBaudRate(fd_, baud);
    }

    int fd_ = -1;
};

}  // namespace

SerialPort& SystemSerialPort() {
    return NeverDestroyed<TermiosSerialPort>();
}

}  // namespace quillsan::platform
