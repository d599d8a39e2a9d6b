// The HID device's random fault mode: repeatable from its plan number, at the
// rate asked for, with faults that fit the reply path, and what they do to
// the device's replies.
#include "instrument/hid_fault_plan.h"

#include <gtest/gtest.h>

#include <iterator>
#include <numeric>
#include <tuple>
#include <vector>

#include "firmware_requests.h"
#include "instrument/hid_front_end.h"

namespace instrument {
namespace {

using namespace wire_test;

// Every field of one exchange's faults, comparable as a whole.
auto Fields(const HidExchangeFaults& f) {
    return std::make_tuple(f.stallWrite, f.unplugBeforeAnswer, f.unplugAfterAnswer, f.dropReply,
                           f.replyDelayMs, f.notReadyPolls, f.failFeatureRequests);
}

auto Draw(std::uint64_t planNumber, int percent, bool featurePath, int n) {
    HidFaultPlan plan;
    plan.planNumber = planNumber;
    plan.randomPercent = percent;
    std::vector<decltype(Fields({}))> drawn;
    for (int i = 0; i < n; ++i) drawn.push_back(Fields(plan.NextExchange(featurePath)));
    return drawn;
}

std::uint64_t Faulted(const HidFaultCounts& counts) {
    return std::accumulate(std::begin(counts.byKind), std::end(counts.byKind), 0ull);
}

TEST(HidFaultPlan, TheSamePlanNumberGivesTheSameFaults) {
    for (bool featurePath : {true, false}) {
        EXPECT_EQ(Draw(7, 30, featurePath, 500), Draw(7, 30, featurePath, 500));
        EXPECT_FALSE(Draw(7, 30, featurePath, 500) == Draw(8, 30, featurePath, 500));
    }
}

TEST(HidFaultPlan, FaultsComeAtTheRateAskedFor) {
    const struct {
        int percent;
        std::uint64_t least, most;
    } cases[] = {{0, 0, 0}, {5, 400, 600}, {20, 1800, 2200}, {100, 10000, 10000}};
    for (const auto& c : cases) {
        HidFaultPlan plan;
        plan.randomPercent = c.percent;
        for (int i = 0; i < 10000; ++i) plan.NextExchange(i % 2 == 0);
        EXPECT_EQ(plan.counts().exchanges, 10000u);
        EXPECT_GE(Faulted(plan.counts()), c.least) << c.percent;
        EXPECT_LE(Faulted(plan.counts()), c.most) << c.percent;
    }
}

TEST(HidFaultPlan, EachFaultFitsTheReplyPath) {
    for (bool featurePath : {true, false}) {
        HidFaultPlan plan;
        plan.randomPercent = 100;
        for (int i = 0; i < 3000; ++i) {
            const HidExchangeFaults f = plan.NextExchange(featurePath);
            const int effects = f.stallWrite + f.unplugBeforeAnswer + f.unplugAfterAnswer +
                                f.dropReply + (f.replyDelayMs != 0) + (f.notReadyPolls != 0) +
                                (f.failFeatureRequests != 0);
            EXPECT_EQ(effects, 1);
            if (featurePath) {
                EXPECT_EQ(f.replyDelayMs, 0u);
            } else {
                EXPECT_EQ(f.notReadyPolls, 0u);
                EXPECT_EQ(f.failFeatureRequests, 0);
            }
            EXPECT_LE(f.failFeatureRequests, kHidMaxFailingFeatures);
        }
        const HidFaultCounts& counts = plan.counts();
        for (std::size_t k = 0; k < static_cast<std::size_t>(HidFaultKind::kCount); ++k) {
            const bool possible =
                featurePath || k != static_cast<std::size_t>(HidFaultKind::kFailingFeature);
            EXPECT_EQ(counts.byKind[k] > 0, possible) << featurePath << " kind " << k;
        }
    }
}

class HidDevice : public ::testing::Test {
  protected:
    HidDevice() {
        device().releaseNumber = 2;
        handle = hid.Open(hid.InstrumentIndex());
    }
    HidInterface& device() { return hid.Instrument(); }
    HidResult Write(const Bytes& request, std::uint64_t now) {
        std::uint8_t report[257] = {};
        std::copy(request.begin(), request.end(), report + 1);
        return hid.WriteOutput(handle, report, sizeof report, now);
    }
    // The echo of the next input report due by `now`, or -1.
    int ReadEcho(std::uint64_t now) {
        std::uint8_t report[259] = {};
        if (hid.ReadInput(handle, report, sizeof report, now) != HidResult::kOk) return -1;
        return report[3];
    }

    Firmware firmware;
    HidFrontEnd hid{firmware};
    std::uint32_t handle = 0;
};

TEST_F(HidDevice, AFlushDiscardsOnlyReportsThatHaveArrived) {
    device().replyDelayMs = 11000;
    ASSERT_EQ(Write(Request(72), 100), HidResult::kOk);
    device().replyDelayMs = 0;
    ASSERT_EQ(Write(Request(2, {0, 0}), 200), HidResult::kOk);
    EXPECT_EQ(hid.Flush(handle, 300), HidResult::kOk);
    // The late reply was still on its way and keeps its place ahead of the next.
    EXPECT_EQ(ReadEcho(100 + 11000), 72);
    EXPECT_EQ(ReadEcho(100 + 11000), 2);
    ASSERT_EQ(Write(Request(72), 20000), HidResult::kOk);
    EXPECT_EQ(hid.Flush(handle), HidResult::kOk);
    EXPECT_EQ(ReadEcho(30000), -1);
}

TEST_F(HidDevice, RandomFaultsReachTheReplies) {
    hid.randomFaults.randomPercent = 100;
    std::uint64_t now = 1000;
    int answered = 0, unplugs = 0;
    for (int i = 0; i < 200; ++i, now += 20000) {
        const HidResult written = Write(Request(72), now);
        if (written == HidResult::kNotConnected || !device().plugged) {
            ++unplugs;
            hid.Replug();
            handle = hid.Open(hid.InstrumentIndex());
            continue;
        }
        if (written != HidResult::kOk) continue;
        if (ReadEcho(now + 10000) == 72) ++answered;
        hid.Flush(handle);
    }
    const HidFaultCounts& counts = hid.randomFaults.counts();
    EXPECT_EQ(counts.exchanges, 200u);
    EXPECT_EQ(unplugs, static_cast<int>(counts[HidFaultKind::kUnplug]));
    // Within the wait: only the slow replies, never a dropped or late one.
    EXPECT_EQ(answered, static_cast<int>(counts[HidFaultKind::kSlowReply]));
}

}  // namespace
}  // namespace instrument
