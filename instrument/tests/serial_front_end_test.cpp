#include "instrument/serial_front_end.h"

#include <gtest/gtest.h>

#include "firmware_requests.h"

namespace instrument {
namespace {

using namespace wire_test;

class SerialLine : public ::testing::Test {
  protected:
    Bytes Exchange(const Bytes& request, std::uint64_t now = 100) {
        serial.Receive(request.data(), request.size(), now);
        return Drain(now);
    }
    Bytes Drain(std::uint64_t now) {
        Bytes out(8192);
        out.resize(serial.Transmit(out.data(), out.size(), now));
        return out;
    }

    Firmware firmware;
    SerialFrontEnd serial{firmware};
};

TEST_F(SerialLine, FramesRepliesWithTrailingEchoWhereOwed) {
    const struct {
        const char* what;
        Bytes request, reply;
    } cases[] = {
        {"width 4", {0x02, 0x00, 0x00}, {0x02, 0x00, 0x00, 0x03, 0xF1}},
        {"width 0", {0x03, 0x05, 0x12, 0x34, 0x00, 0x01}, {0x03, 0x03}},
        {"width 2", Request(68, {0x4006, 0}), {0x44, 0x00, 0x0C}},
        {"no arguments", {0x48}, {0x48, 0x00, 0x00}},
        {"block write", BlockRequest(0, kRamStart, 2, {0xAA, 0xBB}), {0x00, 0x00}},
        {"block read", BlockRequest(1, kRamStart, 2), {0x01, 0xAA, 0xBB, 0x01}},
        {"empty block read", BlockRequest(1, kRamStart, 0), {0x01, 0x01}},
        {"unknown command", {0x70, 0x02, 0x00, 0x00}, {0xFF}},
        {"range outside memory", BlockRequest(1, kRamStart - 2, 4), {0xFF}},
        {"resynchronised", {0x02, 0x00, 0x00}, {0x02, 0x00, 0x00, 0x03, 0xF1}},
    };
    for (const auto& c : cases) EXPECT_EQ(Exchange(c.request), c.reply) << c.what;
    EXPECT_EQ(serial.RequestCount(), 9u);
    EXPECT_EQ(Bytes(serial.LastRequest().begin(), serial.LastRequest().end()),
              (Bytes{0x02, 0x00, 0x00}));
}

TEST_F(SerialLine, AssemblesRequestsFromSingleBytesAndDropsStalePartials) {
    for (std::uint8_t byte : BlockRequest(1, kRamStart, 254)) serial.Receive(&byte, 1, 5);
    EXPECT_EQ(Drain(5).size(), 256u);
    const std::uint8_t partial[] = {0x02, 0x00};
    serial.Receive(partial, 2, 10);
    EXPECT_EQ(Exchange({0x02, 0x00, 0x00}, 10 + 1000 + 1), (Bytes{0x02, 0x00, 0x00, 0x03, 0xF1}));
}

TEST_F(SerialLine, OneShotFaultsAffectOnlyTheRepliesTheyCount) {
    FaultPlan& faults = serial.Faults();
    const Bytes version = {0x02, 0x00, 0x00};
    const Bytes setParameter = {0x03, 0x05, 0x00, 0x00, 0x00, 0x00};

    faults.dropReplies = 1;
    EXPECT_TRUE(Exchange(version).empty());
    EXPECT_EQ(Exchange(version).size(), 5u);

    faults.wrongEchoReplies = 1;
    EXPECT_EQ(Exchange(version)[0], 0x82);

    faults.missingTrailingEcho = 1;
    EXPECT_EQ(Exchange(version).size(), 5u) << "width 4 owes no trailing echo";
    EXPECT_EQ(Exchange(setParameter), (Bytes{0x03}));
    EXPECT_EQ(Exchange(setParameter), (Bytes{0x03, 0x03}));

    faults.strayBytesBeforeReply = 2;
    EXPECT_EQ(Exchange(setParameter), (Bytes{0xA5, 0xA5, 0x03, 0x03}));

    faults.replyDelayMs = 50;
    faults.delayedReplies = 1;
    EXPECT_TRUE(Exchange(setParameter, 1000).empty());
    EXPECT_EQ(serial.NextOutputDue(), 1050u);
    EXPECT_EQ(Drain(1050), (Bytes{0x03, 0x03}));
    EXPECT_EQ(serial.NextOutputDue(), UINT64_MAX);

    faults.InjectStrayBytesNow(3, 2000);
    EXPECT_EQ(Drain(2000), (Bytes{0xA5, 0xA5, 0xA5}));

    const FaultCounts& counts = faults.counts();
    for (FaultKind kind : {FaultKind::kDrop, FaultKind::kWrongEcho, FaultKind::kMissingTrailingEcho,
                           FaultKind::kLateReply}) {
        EXPECT_EQ(counts[kind], 1u);
    }
    EXPECT_EQ(counts[FaultKind::kStrayBytes], 2u);
}

TEST_F(SerialLine, RandomFaultsFollowTheRateAndRepeatForAPlanNumber) {
    auto faultsFor = [&](std::uint64_t plan) {
        serial.Reset();
        serial.Faults().randomPercent = 20;
        serial.Faults().planNumber = plan;
        Bytes all;
        for (int i = 0; i < 1000; ++i) {
            const Bytes reply = Exchange({0x03, 0x05, 0x00, 0x00, 0x00, 0x00}, 100 + 20000 * i);
            all.insert(all.end(), reply.begin(), reply.end());
        }
        std::uint64_t total = 0;
        for (std::uint64_t n : serial.Faults().counts().byKind) total += n;
        EXPECT_GT(total, 120u);
        EXPECT_LT(total, 280u);
        return all;
    };
    EXPECT_EQ(faultsFor(7), faultsFor(7));
    EXPECT_NE(faultsFor(7), faultsFor(8));
}

TEST_F(SerialLine, ResetDropsQueuedOutputAndFaults) {
    serial.Faults().dropReplies = 5;
    serial.Faults().InjectStrayBytesNow(4, 0);
    serial.Reset();
    EXPECT_EQ(serial.NextOutputDue(), UINT64_MAX);
    EXPECT_EQ(Exchange({0x02, 0x00, 0x00}).size(), 5u);
}

}  // namespace
}  // namespace instrument
