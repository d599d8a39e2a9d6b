// The Win32 HID host's request records, driven over an overlapped named pipe
// (a HID device behaves the same towards them): a wait that gives up leaves
// no request behind to swallow later data or signal the next request, and a
// request that completes at once leaves no stale signal.
#include "hid_request_record.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <string>
#include <thread>

#include "case_names.h"

namespace quillsan::platform {
namespace {

using test_support::PrintTo;
struct ErrorCase {
    DWORD error;
    HidStatus status;
    std::string Name() const { return "error " + std::to_string(error); }
};

class StatusOfErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(StatusOfErrorTest, MapsTheReconnectErrors) {
    EXPECT_EQ(StatusOfError(GetParam().error), GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(Errors, StatusOfErrorTest,
                         ::testing::Values(ErrorCase{ERROR_IO_PENDING, HidStatus::kPending},
                                           ErrorCase{ERROR_DEVICE_NOT_CONNECTED,
                                                     HidStatus::kNotConnected},
                                           ErrorCase{ERROR_ACCESS_DENIED, HidStatus::kFailed},
                                           ErrorCase{ERROR_BROKEN_PIPE, HidStatus::kFailed}),
                         test_support::ByCaseName{});

using Bytes = std::array<std::uint8_t, 8>;

class RequestRecordTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string name = "\\\\.\\pipe\\quillsan-record-" +
                                 std::to_string(GetCurrentProcessId()) + "-" +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name();
        device_ = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                   PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 4096, 4096,
                                   0, nullptr);
        ASSERT_NE(device_, INVALID_HANDLE_VALUE);
        peer_ = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            0, nullptr);
        ASSERT_NE(peer_, INVALID_HANDLE_VALUE);
        record_.CreateCompletionEvent();
    }

    void TearDown() override {
        record_.ReleaseCompletionEvent();
        if (peer_ != INVALID_HANDLE_VALUE) CloseHandle(peer_);
        CloseHandle(device_);
    }

    HidRequest StartRead(Bytes& into) {
        OVERLAPPED* overlapped = record_.Begin(device_);
        return record_.Started(ReadFile(device_, into.data(), into.size(), nullptr, overlapped));
    }

    void PeerWrites(const char* text) {
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(peer_, text, 8, &written, nullptr));
        ASSERT_EQ(written, 8u);
    }

    static std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

    HANDLE device_ = INVALID_HANDLE_VALUE;
    HANDLE peer_ = INVALID_HANDLE_VALUE;
    HidRequestRecord record_;
};

TEST_F(RequestRecordTest, AWaitThatGivesUpLeavesNothingToLandLater) {
    Bytes abandoned{};
    EXPECT_EQ(StartRead(abandoned).status, HidStatus::kPending);
    EXPECT_EQ(record_.Await(20), HidStatus::kPending);

    PeerWrites("ABCDEFGH");
    Sleep(50);
    EXPECT_EQ(abandoned, Bytes{}) << "the cancelled read took the data";

    Bytes next{};
    const HidRequest start = StartRead(next);
    EXPECT_NE(start.status, HidStatus::kFailed);
    EXPECT_EQ(record_.Await(1000), HidStatus::kOk);
    EXPECT_EQ(Text(next), "ABCDEFGH");
}

TEST_F(RequestRecordTest, ARequestCompletedAtOnceLeavesNoSignalForTheNext) {
    PeerWrites("12345678");
    Sleep(20);
    Bytes first{};
    const HidRequest start = StartRead(first);
    ASSERT_NE(start.status, HidStatus::kFailed);
    EXPECT_EQ(record_.Await(1000), HidStatus::kOk);
    EXPECT_EQ(Text(first), "12345678");
    if (start.status == HidStatus::kOk) {
        EXPECT_EQ(start.transferred, 8u);
    }

    Bytes second{};
    EXPECT_EQ(StartRead(second).status, HidStatus::kPending);
    EXPECT_EQ(record_.Await(30), HidStatus::kPending) << "a stale signal ended the wait";
}

TEST_F(RequestRecordTest, ARequestCompletingWithinTheWaitIsCollected) {
    Bytes into{};
    EXPECT_EQ(StartRead(into).status, HidStatus::kPending);
    std::thread writer([this] {
        Sleep(30);
        PeerWrites("late but");
    });
    EXPECT_EQ(record_.Await(5000), HidStatus::kOk);
    writer.join();
    EXPECT_EQ(Text(into), "late but");
}

TEST_F(RequestRecordTest, ForgettingTheDeviceCancelsItsRequest) {
    Bytes abandoned{};
    EXPECT_EQ(StartRead(abandoned).status, HidStatus::kPending);
    record_.Forget(device_);
    PeerWrites("ABCDEFGH");
    Sleep(50);
    EXPECT_EQ(abandoned, Bytes{});
    EXPECT_EQ(record_.Await(10), HidStatus::kFailed) << "nothing is left to wait for";
}

TEST_F(RequestRecordTest, AFailedStartIsReportedAndNotWaitedFor) {
    CloseHandle(peer_);
    peer_ = INVALID_HANDLE_VALUE;
    Bytes into{};
    EXPECT_EQ(StartRead(into).status, HidStatus::kFailed);
    EXPECT_EQ(record_.Await(5000), HidStatus::kFailed);
}

}  // namespace
}  // namespace quillsan::platform
