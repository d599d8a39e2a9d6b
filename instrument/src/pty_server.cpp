#include "instrument/pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <string_view>

namespace instrument {
namespace {

constexpr int kIdlePollMs = 2;
constexpr std::uint32_t kFirstPtsPortIndex = 299;

std::uint64_t MonotonicMs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool MakeRaw(int fd) {
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) return false;
    cfmakeraw(&settings);
    return tcsetattr(fd, TCSANOW, &settings) == 0;
}

}  // namespace

PtyServer::PtyServer() : serial_(firmware_) {}

PtyServer::~PtyServer() {
    Stop();
}

bool PtyServer::Start() {
    if (thread_.joinable()) return true;
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0) return false;
    char name[128] = {};
    if (grantpt(master_) != 0 || unlockpt(master_) != 0 ||
        ptsname_r(master_, name, sizeof name) != 0) {
        Stop();
        return false;
    }
    slavePath_ = name;
    // Holding the slave open keeps the master from seeing EIO between clients,
    // and raw mode from the start means nothing is echoed before a client sets up.
    slave_ = open(name, O_RDWR | O_NOCTTY);
    if (slave_ < 0 || !MakeRaw(slave_) ||
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK) != 0) {
        Stop();
        return false;
    }
    stopping_ = false;
    thread_ = std::thread([this] { Run(); });
    return true;
}

void PtyServer::Stop() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
    if (slave_ >= 0) close(slave_);
    if (master_ >= 0) close(master_);
    slave_ = -1;
    master_ = -1;
}

std::uint32_t PtyServer::PortIndex() const {
    constexpr std::string_view kPrefix = "/dev/pts/";
    const std::string_view path = slavePath_;
    if (path.substr(0, kPrefix.size()) != kPrefix) return 0;
    std::uint32_t number = 0;
    const char* first = path.data() + kPrefix.size();
    const char* last = path.data() + path.size();
    const auto [end, error] = std::from_chars(first, last, number);
    if (error != std::errc() || end != last) return 0;
    return kFirstPtsPortIndex + number;
}

void PtyServer::Run() {
    std::uint8_t input[4096];
    while (!stopping_) {
        std::uint64_t now = MonotonicMs();
        int timeout = kIdlePollMs;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            const std::uint64_t due = serial_.NextOutputDue();
            if (pendingLength_ > 0 || due <= now)
                timeout = 0;
            else if (due - now < static_cast<std::uint64_t>(timeout))
                timeout = static_cast<int>(due - now);
        }
        pollfd fd{master_, static_cast<short>(POLLIN | (pendingLength_ > 0 ? POLLOUT : 0)), 0};
        if (poll(&fd, 1, pendingLength_ > 0 ? 1 : timeout) < 0 && errno != EINTR) break;
        if (fd.revents & POLLIN) {
            const ssize_t got = read(master_, input, sizeof input);
            if (got > 0) {
                std::lock_guard<std::mutex> lock(mutex_);
                serial_.Receive(input, static_cast<std::size_t>(got), MonotonicMs());
            }
        } else if (fd.revents & (POLLHUP | POLLERR)) {
            usleep(1000);
        }
        now = MonotonicMs();
        Serve(now);
    }
}

void PtyServer::Serve(std::uint64_t nowMs) {
    if (pendingLength_ == 0) {
        std::lock_guard<std::mutex> lock(mutex_);
        pendingStart_ = 0;
        pendingLength_ = serial_.Transmit(pending_, sizeof pending_, nowMs);
    }
    Flush();
}

// Writes what the master takes now; the rest waits for the next round.
bool PtyServer::Flush() {
    while (pendingLength_ > 0) {
        const ssize_t written = write(master_, pending_ + pendingStart_, pendingLength_);
        if (written <= 0) return false;
        pendingStart_ += static_cast<std::size_t>(written);
        pendingLength_ -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace instrument
