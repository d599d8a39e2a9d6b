// The hidraw backend without a device: a fake sysfs tree in a temporary
// folder, and SOCK_SEQPACKET socket pairs standing in for hidraw nodes (they
// keep report boundaries as hidraw does).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "case_names.h"
#include "hid_host_hidraw.h"

namespace quillsan::platform {
namespace {

namespace fs = std::filesystem;
using test_support::PrintTo;

class FakeTree : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/hidraw-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        fs::create_directories(root_ / "sys/class/hidraw");
        fs::create_directories(root_ / "dev");
        signal(SIGPIPE, SIG_IGN);
    }
    void TearDown() override { fs::remove_all(root_); }

    static void Write(const fs::path& path, const std::string& text) {
        fs::create_directories(path.parent_path());
        std::ofstream(path) << text;
    }
    // hidrawN under a USB device with the given identity; strings as sysfs keeps them.
    void AddUsbNode(int n, const std::string& hidId, const std::string& bcd,
                    const std::string& product) {
        const fs::path usb = root_ / "sys/devices/usb1" / ("1-" + std::to_string(n));
        const fs::path intf = usb / ("1-" + std::to_string(n) + ":1.0");
        const fs::path hidDev = intf / ("0003:" + hidId + ".000" + std::to_string(n));
        Write(usb / "idVendor", "16d0\n");
        Write(usb / "bcdDevice", bcd + "\n");
        Write(usb / "manufacturer", "Zantorel\n");
        if (!product.empty()) Write(usb / "product", product + "\n");
        Write(intf / "bInterfaceNumber", "00\n");
        Write(intf / "interface", "Report Link\n");
        Write(hidDev / "uevent", "DRIVER=hid-generic\nHID_ID=0003:0000" + hidId.substr(0, 4) +
                                     ":0000" + hidId.substr(5, 4) + "\nHID_NAME=x\n");
        const fs::path entry = root_ / "sys/class/hidraw" / ("hidraw" + std::to_string(n));
        fs::create_directories(entry);
        fs::create_directory_symlink(hidDev, entry / "device");
        Write(root_ / "dev" / ("hidraw" + std::to_string(n)), "");
    }
    HidrawHost Host() const {
        return HidrawHost((root_ / "sys").string(), (root_ / "dev").string());
    }

    fs::path root_;
};

TEST_F(FakeTree, EnumeratesNodesInNumberOrderWithAttributesAndReleaseNumber) {
    AddUsbNode(10, "16D0:0F3A", "0100", "Thermal Cycler");
    AddUsbNode(2, "046D:C31C", "0002", "Keyboard");
    Write(root_ / "sys/class/hidraw/notes", "");
    HidrawHost host = Host();
    ASSERT_TRUE(host.OpenInterfaceSet());
    std::string first, second, none;
    ASSERT_TRUE(host.InterfacePath(0, first));
    ASSERT_TRUE(host.InterfacePath(1, second));
    EXPECT_FALSE(host.InterfacePath(2, none));
    EXPECT_EQ(first, (root_ / "dev/hidraw2").string());
    EXPECT_EQ(second, (root_ / "dev/hidraw10").string());

    HidHandle handle = host.Open(second);
    ASSERT_NE(handle, nullptr);
    HidAttributes attributes;
    ASSERT_TRUE(host.GetAttributes(handle, attributes));
    EXPECT_EQ(attributes.vendorId, 0x16D0);
    EXPECT_EQ(attributes.productId, 0x0F3A);
    EXPECT_EQ(attributes.releaseNumber, 0x0100);
    std::uint32_t count = 0;
    EXPECT_FALSE(host.GetInputBufferCount(handle, count));  // hidraw has no such request
    host.Close(handle);
    host.CloseInterfaceSet();
    EXPECT_FALSE(host.InterfacePath(0, none));
}

TEST_F(FakeTree, NoHidrawClassIsAnEmptySetAndAMissingHidIdFailsTheAttributes) {
    fs::remove_all(root_ / "sys/class/hidraw");
    HidrawHost host = Host();
    EXPECT_TRUE(host.OpenInterfaceSet());
    std::string path;
    EXPECT_FALSE(host.InterfacePath(0, path));

    AddUsbNode(0, "16D0:0F3A", "0001", "P");
    Write(root_ / "sys/devices/usb1/1-0/1-0:1.0/0003:16D0:0F3A.0000/uevent", "DRIVER=x\n");
    HidHandle handle = host.Open((root_ / "dev/hidraw0").string());
    ASSERT_NE(handle, nullptr);
    HidAttributes attributes;
    EXPECT_FALSE(host.GetAttributes(handle, attributes));
    host.Close(handle);
    EXPECT_EQ(host.Open((root_ / "dev/hidraw7").string()), nullptr);
}

TEST_F(FakeTree, StringsComeFromTheUsbDeviceAsUtf16OrAreNotFound) {
    AddUsbNode(0, "16D0:0F3A", "0002", "\xCE\x94T \xF0\x9F\x98\x80");  // U+0394, U+1F600
    HidrawHost host = Host();
    HidHandle handle = host.Open((root_ / "dev/hidraw0").string());
    ASSERT_NE(handle, nullptr);
    const auto string = [&](std::uint32_t index) -> std::u16string {
        char16_t text[256] = {};
        return host.GetIndexedString(handle, index, text, 200) ? text : u"<not found>";
    };
    EXPECT_EQ(string(1), u"Zantorel");
    EXPECT_EQ(string(2), u"\u0394T \U0001F600");
    EXPECT_EQ(string(5), u"Report Link");
    EXPECT_EQ(string(3), u"<not found>");  // no serial attribute
    EXPECT_EQ(string(6), u"<not found>");
    // Never more than the receive area.
    char16_t text[256];
    std::fill(std::begin(text), std::end(text), u'#');
    ASSERT_TRUE(host.GetIndexedString(handle, 1, text, 6));
    EXPECT_EQ(std::u16string(text, 4), u"Zan#");
    host.Close(handle);
}

// What the kernel returns, and what it means for the instrument: an errno
// from a call, or (error 0) what poll() flagged for a read or a write.
struct ErrnoCase {
    int error;
    HidrawCall call;
    HidStatus status;
    short revents = 0;
    std::string Name() const {
        const std::string call = this->call == HidrawCall::kReadOrPoll ? "read" : "write";
        if (error != 0) return "errno " + std::to_string(error) + " on " + call;
        return "poll " + std::to_string(revents) + " for a " + call;
    }
};

class ErrnoMapping : public ::testing::TestWithParam<ErrnoCase> {};

TEST_P(ErrnoMapping, OnlyDeviceGoneSignalsAreNotConnected) {
    const ErrnoCase& c = GetParam();
    if (c.error != 0) {
        EXPECT_EQ(StatusFromErrno(c.error, c.call), c.status);
    } else {
        const short wanted = c.call == HidrawCall::kReadOrPoll ? POLLIN : POLLOUT;
        EXPECT_EQ(StatusFromPoll(c.revents, wanted), c.status);
    }
}

constexpr auto kRead = HidrawCall::kReadOrPoll;
constexpr auto kWrite = HidrawCall::kWriteOrIoctl;  // write() and HIDIOCGFEATURE

INSTANTIATE_TEST_SUITE_P(
    Errors, ErrnoMapping,
    ::testing::Values(
        // Unplugged: write and ioctl give ENODEV, the USB core ESHUTDOWN, read EIO.
        ErrnoCase{ENODEV, kWrite, HidStatus::kNotConnected},
        ErrnoCase{ENODEV, kRead, HidStatus::kNotConnected},
        ErrnoCase{ESHUTDOWN, kWrite, HidStatus::kNotConnected},
        ErrnoCase{EIO, kRead, HidStatus::kNotConnected},
        // Present but failing: a stalled transfer (EPIPE), the kernel's own 5 s
        // transfer time-out (ETIMEDOUT), a protocol error, EIO from a transfer.
        ErrnoCase{EPIPE, kWrite, HidStatus::kFailed}, ErrnoCase{EPIPE, kRead, HidStatus::kFailed},
        ErrnoCase{ETIMEDOUT, kWrite, HidStatus::kFailed},
        ErrnoCase{EPROTO, kWrite, HidStatus::kFailed}, ErrnoCase{EIO, kWrite, HidStatus::kFailed},
        ErrnoCase{EAGAIN, kRead, HidStatus::kPending},
        ErrnoCase{EACCES, kWrite, HidStatus::kFailed},
        ErrnoCase{EINVAL, kWrite, HidStatus::kFailed},
        // A gone node hangs up; what it queued before it went is still read.
        ErrnoCase{0, kRead, HidStatus::kNotConnected, POLLHUP | POLLERR},
        ErrnoCase{0, kRead, HidStatus::kOk, POLLIN | POLLHUP | POLLERR},
        ErrnoCase{0, kWrite, HidStatus::kNotConnected, POLLOUT | POLLHUP | POLLERR},
        ErrnoCase{0, kRead, HidStatus::kFailed, POLLNVAL}),
    test_support::ByCaseName{});

// A socket pair standing in for an opened node: `device` is the instrument's end.
class Reports : public ::testing::Test {
  protected:
    void SetUp() override {
        signal(SIGPIPE, SIG_IGN);
        int fds[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK, 0, fds), 0);
        device_ = fds[1];
        handle_ = host_.Adopt(fds[0], "hidraw0");
    }
    void TearDown() override {
        host_.Close(handle_);
        if (device_ >= 0) close(device_);
    }
    HidrawHost host_{"/nonexistent", "/nonexistent"};
    HidHandle handle_ = nullptr;
    int device_ = -1;
};

TEST_F(Reports, OutputReportsGoOutWithTheIdentifierByteFirst) {
    std::uint8_t report[257] = {};
    report[1] = 0x48;
    report[256] = 0x7E;
    const HidRequest start = host_.StartOutputReport(handle_, report, sizeof report);
    EXPECT_EQ(start.status, HidStatus::kOk);
    EXPECT_EQ(start.transferred, 257u);
    EXPECT_EQ(host_.AwaitOutputReport(5000), HidStatus::kOk);
    std::uint8_t seen[300];
    ASSERT_EQ(read(device_, seen, sizeof seen), 257);
    EXPECT_EQ(seen[0], 0);
    EXPECT_EQ(seen[1], 0x48);
    EXPECT_EQ(seen[256], 0x7E);
}

TEST_F(Reports, InputReportsWithoutIdentifierLandFromByteOne) {
    std::uint8_t sent[258] = {};
    sent[0] = 0x01;  // status: ready
    sent[2] = 0x02;  // payload byte 0: the echo
    sent[257] = 0x99;
    ASSERT_EQ(write(device_, sent, sizeof sent), 258);
    std::uint8_t report[259];
    std::memset(report, 0xEE, sizeof report);
    const HidRequest start = host_.StartInputReport(handle_, report, sizeof report);
    EXPECT_EQ(start.status, HidStatus::kOk);
    EXPECT_EQ(host_.AwaitInputReport(1000), HidStatus::kOk);
    EXPECT_EQ(report[0], 0);
    EXPECT_EQ(report[1], 0x01);
    EXPECT_EQ(report[3], 0x02);
    EXPECT_EQ(report[258], 0x99);

    // A short report leaves no stale bytes behind.
    const std::uint8_t shortReport[] = {0x00, 0x00, 0x05};
    ASSERT_EQ(write(device_, shortReport, sizeof shortReport), 3);
    ASSERT_EQ(host_.StartInputReport(handle_, report, sizeof report).status, HidStatus::kOk);
    EXPECT_EQ(host_.AwaitInputReport(1000), HidStatus::kOk);
    EXPECT_EQ(report[3], 0x05);
    EXPECT_EQ(report[258], 0);
}

TEST_F(Reports, AWaitThatGivesUpLeavesTheBufferAloneAndALaterReportIsTakenNext) {
    std::uint8_t report[259];
    std::memset(report, 0xEE, sizeof report);
    EXPECT_EQ(host_.StartInputReport(handle_, report, sizeof report).status, HidStatus::kPending);
    EXPECT_EQ(host_.AwaitInputReport(30), HidStatus::kPending);
    const std::uint8_t late[258] = {0x01};
    ASSERT_EQ(write(device_, late, sizeof late), 258);
    EXPECT_EQ(report[1], 0xEE);  // the given-up request never completes into it
    std::uint8_t next[259] = {};
    EXPECT_EQ(host_.StartInputReport(handle_, next, sizeof next).status, HidStatus::kOk);
    EXPECT_EQ(host_.AwaitInputReport(1000), HidStatus::kOk);
    EXPECT_EQ(next[1], 0x01);
}

TEST_F(Reports, AReportArrivingDuringTheWaitIsTakenAndFlushDiscardsQueuedOnes) {
    std::uint8_t report[259] = {};
    ASSERT_EQ(host_.StartInputReport(handle_, report, sizeof report).status, HidStatus::kPending);
    const pid_t child = fork();
    if (child == 0) {
        usleep(20000);
        const std::uint8_t ready[258] = {0x01};
        _exit(write(device_, ready, sizeof ready) == 258 ? 0 : 1);
    }
    EXPECT_EQ(host_.AwaitInputReport(5000), HidStatus::kOk);
    EXPECT_EQ(report[1], 0x01);
    int status = 0;
    waitpid(child, &status, 0);

    const std::uint8_t stale[258] = {0x01};
    for (int i = 0; i < 3; ++i) ASSERT_EQ(write(device_, stale, sizeof stale), 258);
    EXPECT_TRUE(host_.FlushInputQueue(handle_));
    EXPECT_EQ(host_.StartInputReport(handle_, report, sizeof report).status, HidStatus::kPending);
    EXPECT_EQ(host_.AwaitInputReport(10), HidStatus::kPending);
}

// hidraw keeps up to 64 reports per open file; a device reporting its status
// every frame fills it, and a poll must see the newest, not one 63 frames old.
TEST_F(Reports, AReadTakesTheNewestOfAFullQueue) {
    for (int frame = 1; frame <= 64; ++frame) {
        std::uint8_t status[258] = {};
        status[0] = frame == 64 ? 0x01 : 0x00;  // only the newest has the ready bit
        status[1] = static_cast<std::uint8_t>(frame);
        ASSERT_EQ(write(device_, status, sizeof status), 258);
    }
    std::uint8_t report[259] = {};
    EXPECT_EQ(host_.StartInputReport(handle_, report, sizeof report).status, HidStatus::kOk);
    EXPECT_EQ(host_.AwaitInputReport(1000), HidStatus::kOk);
    EXPECT_EQ(report[1], 0x01);
    EXPECT_EQ(report[2], 64);
    EXPECT_EQ(host_.StartInputReport(handle_, report, sizeof report).status, HidStatus::kPending);
}

// The socket's closed end stands in for the kernel's two signals: a hang-up
// from poll() (a gone device) and EPIPE from write() (a stalled transfer).
TEST_F(Reports, AHangUpIsNotConnectedButAStalledWriteIsAPlainFailure) {
    std::uint8_t feature[257] = {};
    EXPECT_EQ(host_.GetFeature(handle_, feature, sizeof feature), HidStatus::kFailed);
    std::uint8_t report[259] = {};
    ASSERT_EQ(host_.StartInputReport(handle_, report, sizeof report).status, HidStatus::kPending);
    // The answer sent just before the device went is still the caller's.
    const std::uint8_t last[258] = {0x01, 0x00, 0x02};
    ASSERT_EQ(write(device_, last, sizeof last), 258);
    close(device_);
    device_ = -1;
    EXPECT_EQ(host_.AwaitInputReport(1000), HidStatus::kOk);
    EXPECT_EQ(report[3], 0x02);
    EXPECT_EQ(host_.StartInputReport(handle_, report, sizeof report).status,
              HidStatus::kNotConnected);
    std::uint8_t output[257] = {};
    EXPECT_EQ(host_.StartOutputReport(handle_, output, sizeof output).status, HidStatus::kFailed);
    EXPECT_EQ(host_.GetFeature(nullptr, feature, sizeof feature), HidStatus::kFailed);
}

}  // namespace
}  // namespace quillsan::platform
