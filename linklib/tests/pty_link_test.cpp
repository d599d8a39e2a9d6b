// The hardware flavour of QUILLSAN.DLL, loaded with dlopen as a caller would,
// over real pseudo-terminals with the termios backend.
#include <fcntl.h>
#include <pty.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <regex>
#include <thread>

#include "case_names.h"
#include "dll_support.h"
#include "instrument/fault_plan.h"
#include "instrument/firmware.h"
#include "instrument/pty_server.h"
#include "instrument/serial_front_end.h"
#include "port_naming.h"
#include "virtual_link_test.h"

namespace quillsan::test {
namespace {

using test_support::PrintTo;

class PtyLinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(library_.handle, nullptr) << loader::LoadError();
        ASSERT_TRUE(server_.Start());
    }
    ScratchDirectory scratch_;
    Dll library_{QUILLSAN_HARDWARE_DLL};
    instrument::PtyServer server_;
};

// A rate no standard table has still opens the line.
TEST_F(PtyLinkTest, FirmwareVersionArrivesOverTheTerminalAtANonStandardRate) {
    ASSERT_EQ(library_.InitRemoteComm(250000, server_.PortIndex()), 1u) << scratch_.Log();
    EXPECT_EQ(scratch_.Log().find("SetCommState failed"), std::string::npos) << scratch_.Log();
    char text[64];
    EXPECT_EQ(library_.GetPCRVersion(text, sizeof text), 22u);
    EXPECT_STREQ(text, "Pelmark Version 1.009");
    EXPECT_EQ(library_.GetSlaveParameter(4, 0), instrument::kTransferBufferAddress);
    EXPECT_EQ(library_.GetRemoteError(), 0);
    server_.WithInstrument([](instrument::Firmware&, instrument::SerialFrontEnd& line) {
        EXPECT_EQ(Bytes(line.LastRequest()), (Wire{0x02, 0x04, 0x00}));
    });
}

TEST_F(PtyLinkTest, TrailingEchoOfAWidthZeroCommandIsConsumed) {
    ASSERT_EQ(library_.InitRemoteComm(9600, server_.PortIndex()), 1u);
    for (int i = 0; i < 20; ++i) {
        library_.SetSlaveParameter(7, static_cast<std::uint32_t>(i), 1);
        ASSERT_EQ(library_.GetSlaveParameter(0, 0), 1009u) << "round " << i;
    }
    EXPECT_EQ(library_.GetRemoteError(), 0);
}

TEST_F(PtyLinkTest, StaleBytesOnTheLineAreDrained) {
    ASSERT_EQ(library_.InitRemoteComm(9600, server_.PortIndex()), 1u);
    server_.WithInstrument([](instrument::Firmware&, instrument::SerialFrontEnd& line) {
        line.Faults().InjectStrayBytesNow(7, 0);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(library_.GetSlaveParameter(0, 0), 1009u);
    EXPECT_EQ(library_.GetRemoteError(), 0);
}

TEST_F(PtyLinkTest, SilentInstrumentFailsAfterAboutTenSeconds) {
    ASSERT_EQ(library_.InitRemoteComm(9600, server_.PortIndex()), 1u);
    server_.WithInstrument([](instrument::Firmware&, instrument::SerialFrontEnd& line) {
        line.Faults().dropReplies = 1;
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(library_.GetSlaveParameter(0, 0), 0u);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(library_.GetRemoteError(), 6);
    EXPECT_GE(waited, std::chrono::milliseconds(9900));
    EXPECT_LT(waited, std::chrono::milliseconds(15000));
}

TEST_F(PtyLinkTest, UnloadClosesTheOpenPortAndLogsIt) {
    ASSERT_EQ(library_.InitRemoteComm(9600, server_.PortIndex()), 1u);
    const std::size_t before = scratch_.Log().size();
    library_.Unload();
    const std::string added = scratch_.Log().substr(before);
    EXPECT_TRUE(std::regex_match(added, std::regex("Comm port closed @[^\n]{24}\n\n\n")))
        << ::testing::PrintToString(added);
}

TEST_F(PtyLinkTest, UnloadWithoutAPortLogsNothing) {
    library_.Unload();
    EXPECT_EQ(scratch_.Log(), "");
}

TEST_F(PtyLinkTest, PortHeldByTheLibraryIsNotShared) {
    ASSERT_EQ(library_.InitRemoteComm(9600, server_.PortIndex()), 1u);
    const int fd = open(server_.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (geteuid() != 0) {
        EXPECT_EQ(fd, -1) << "exclusive mode not set";
        EXPECT_EQ(errno, EBUSY);
        return;
    }
    // Root passes the exclusive mode; the lock still holds.
    ASSERT_GE(fd, 0) << std::strerror(errno);
    EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), -1) << "port lock not held";
    EXPECT_EQ(errno, EWOULDBLOCK);
    close(fd);
}

// A terminal nobody reads, opened by the library: sending must give up instead of hanging.
class PtyStall : public ::testing::Test {
  protected:
    void SetUp() override {
        char name[64];
        ASSERT_EQ(openpty(&master_, &slave_, name, nullptr, nullptr), 0);
        unsigned ptyNumber = 0;
        ASSERT_EQ(std::sscanf(name, "/dev/pts/%u", &ptyNumber), 1);
        ASSERT_TRUE(OpenCommPort(9600, 299 + ptyNumber));
    }
    void TearDown() override {
        CloseCommPort();
        close(slave_);
        close(master_);
    }
    ScratchDirectory scratch_;
    int master_ = -1;
    int slave_ = -1;
};

TEST_F(PtyStall, SendGivesUpWhenThePortAcceptsNothingAndTheEngineSeesLinkErrorOne) {
    std::uint8_t packet[249];
    std::memset(packet, 0x41, sizeof packet);
    const auto start = std::chrono::steady_clock::now();
    int sent = 0;
    while (sent < 100000 && SerialSend(packet, sizeof packet)) ++sent;
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_LT(sent, 100000) << "the terminal never filled up";
    EXPECT_LT(waited, std::chrono::seconds(12));
    ClearRemoteError();
    EXPECT_FALSE(Exchange(BlockRequest(0, 0, sizeof packet, packet), 0));
    EXPECT_EQ(GetRemoteError(), 1);
}

struct NamingCase {
    std::uint32_t com;
    const char* path;
    std::string Name() const { return "COM" + std::to_string(com); }
};
class PortNaming : public ::testing::TestWithParam<NamingCase> {};

TEST_P(PortNaming, ComNumberSelectsFamilyAndDevice) {
    char path[64] = "unchanged";
    const bool mapped = platform::LinuxDevicePathForCom(GetParam().com, path, sizeof path);
    EXPECT_EQ(mapped, GetParam().path[0] != '\0');
    EXPECT_STREQ(path, GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(
    Linux, PortNaming,
    ::testing::Values(NamingCase{0, ""}, NamingCase{1, "/dev/ttyS0"}, NamingCase{3, "/dev/ttyS2"},
                      NamingCase{99, "/dev/ttyS98"}, NamingCase{100, "/dev/ttyUSB0"},
                      NamingCase{199, "/dev/ttyUSB99"}, NamingCase{200, "/dev/ttyACM0"},
                      NamingCase{300, "/dev/pts/0"}, NamingCase{4321, "/dev/pts/4021"}),
    test_support::ByCaseName{});

}  // namespace
}  // namespace quillsan::test
