// Serial framing and time-outs over the in-process virtual line; the virtual
// clock tells how long the library waited without costing real time.
#include "case_names.h"
#include "clock.h"
#include "instrument/fault_plan.h"
#include "instrument/firmware.h"
#include "virtual_link_test.h"

namespace quillsan::test {
namespace {

using test_support::PrintTo;
class SerialTransportTest : public VirtualLinkTest {};

// A faulty reply fails with link error 6, after the wait its fault costs.
struct FaultCase {
    const char* name;
    void (*arm)(instrument::FaultPlan&);
    std::uint64_t leastMs, mostMs;
};

class FaultyReply : public SerialTransportTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(FaultyReply, FailsWithLinkErrorSixInItsTime) {
    GetParam().arm(line().Faults());
    const auto waited = Elapsed([] { SetSlaveParameter(5, 1, 2); });  // owes two echoes
    EXPECT_EQ(GetRemoteError(), 6);
    EXPECT_GE(waited, GetParam().leastMs);
    EXPECT_LE(waited, GetParam().mostMs);
}

// A missing trailing echo or reply waits out the budget of 1000 reads of 10 ms
// (plus the drains); a first byte that is not the echo ends the receive at once.
using instrument::FaultPlan;
// clang-format off
INSTANTIATE_TEST_SUITE_P(SerialTransport, FaultyReply, ::testing::Values(
    FaultCase{"missing trailing echo", [](FaultPlan& f) { f.missingTrailingEcho = 1; }, 9900, 10100},
    FaultCase{"no reply", [](FaultPlan& f) { f.dropReplies = 1; }, 9990, 10100},
    FaultCase{"wrong echo", [](FaultPlan& f) { f.wrongEchoReplies = 1; }, 0, 99},
    FaultCase{"stray bytes first", [](FaultPlan& f) { f.strayBytesBeforeReply = 3; }, 0, 99}),
    test_support::ByCaseName{});
// clang-format on

TEST_F(SerialTransportTest, StaleInputIsDrainedBeforeSending) {
    line().Faults().InjectStrayBytesNow(5, platform::MonotonicMs());
    EXPECT_EQ(GetSlaveParameter(0, 0), instrument::kFirmwareVersion);
    EXPECT_EQ(GetRemoteError(), 0);
}

struct LateCase {
    std::uint32_t delayMs;
    bool arrives;
    std::string Name() const {
        return std::to_string(delayMs) + " ms " + (arrives ? "arrives" : "too late");
    }
};
class LateReply : public SerialTransportTest, public ::testing::WithParamInterface<LateCase> {};

TEST_P(LateReply, IsTakenOnlyWithinTheReadBudget) {
    line().Faults().replyDelayMs = GetParam().delayMs;
    line().Faults().delayedReplies = 1;
    const std::uint32_t version = GetSlaveParameter(0, 0);
    EXPECT_EQ(GetRemoteError() == 0, GetParam().arrives);
    EXPECT_EQ(version, GetParam().arrives ? instrument::kFirmwareVersion : 0u);
}

INSTANTIATE_TEST_SUITE_P(SerialTransport, LateReply,
                         ::testing::Values(LateCase{500, true}, LateCase{9900, true},
                                           LateCase{10500, false}, LateCase{30000, false}),
                         test_support::ByCaseName{});

TEST_F(SerialTransportTest, LateBytesOfAFailedReplyNeverReachTheNextCall) {
    line().Faults().replyDelayMs = 10500;
    line().Faults().delayedReplies = 1;
    GetSlaveParameter(0, 0);
    ASSERT_EQ(GetRemoteError(), kNoValidReply);
    ClearRemoteError();
    platform::SleepMs(1000);  // the late reply is now on the line
    EXPECT_EQ(GetSlaveParameter(4, 0), instrument::kTransferBufferAddress);
    EXPECT_EQ(GetRemoteError(), 0);
}

TEST_F(SerialTransportTest, SendWithoutReadyPortFailsWithoutDraining) {
    CloseCommPort();
    line().Faults().InjectStrayBytesNow(2, platform::MonotonicMs());
    const std::uint8_t request[] = {0x48};
    EXPECT_FALSE(SerialSend(request, sizeof request));
    EXPECT_EQ(line().RequestCount(), 0u);
}

TEST_F(SerialTransportTest, OversizedSendAndReceiveAreRefused) {
    std::uint8_t buffer[300] = {};
    EXPECT_FALSE(SerialSend(buffer, 257));
    EXPECT_FALSE(SerialReceive(buffer, 0x48, 257));
    EXPECT_EQ(line().RequestCount(), 0u);
}

}  // namespace
}  // namespace quillsan::test
