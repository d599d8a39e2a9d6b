#include "instrument/pty_server.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>

#include "firmware_requests.h"

namespace instrument {
namespace {

using namespace wire_test;

// Leaves the terminal as the server set it up: raw, so nothing is echoed or held back.
class PtyClient {
  public:
    explicit PtyClient(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_NOCTTY)) {}
    ~PtyClient() {
        if (fd_ >= 0) close(fd_);
    }
    bool Open() const { return fd_ >= 0; }
    void Send(const Bytes& bytes) {
        ASSERT_EQ(write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // Reads until `count` bytes arrived or a second passed.
    Bytes Read(std::size_t count) {
        Bytes got;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
            pollfd fd{fd_, POLLIN, 0};
            if (poll(&fd, 1, 20) <= 0) continue;
            std::uint8_t buffer[512];
            const ssize_t n = read(fd_, buffer, sizeof buffer);
            if (n > 0) got.insert(got.end(), buffer, buffer + n);
        }
        return got;
    }

  private:
    int fd_;
};

TEST(PtyServer, AnswersOverARawPseudoTerminalAcrossClients) {
    PtyServer server;
    ASSERT_TRUE(server.Start());
    ASSERT_EQ(server.SlavePath().rfind("/dev/pts/", 0), 0u);
    EXPECT_EQ(server.PortIndex(), 299u + std::stoul(server.SlavePath().substr(9)));
    {
        PtyClient client(server.SlavePath());
        ASSERT_TRUE(client.Open());
        client.Send({0x02, 0x00, 0x00});
        EXPECT_EQ(client.Read(5), (Bytes{0x02, 0x00, 0x00, 0x03, 0xF1}));
    }
    server.WithInstrument(
        [](Firmware&, SerialFrontEnd& serial) { serial.Faults().wrongEchoReplies = 1; });
    PtyClient second(server.SlavePath());
    ASSERT_TRUE(second.Open());
    second.Send({0x03, 0x05, 0x00, 0x01, 0x00, 0x02});
    EXPECT_EQ(second.Read(2), (Bytes{0x83, 0x03}));
    std::uint64_t requests = 0;
    server.WithInstrument(
        [&](Firmware&, SerialFrontEnd& serial) { requests = serial.RequestCount(); });
    EXPECT_EQ(requests, 2u);
    server.Stop();
}

}  // namespace
}  // namespace instrument
