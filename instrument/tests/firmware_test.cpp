#include "instrument/firmware.h"

#include <gtest/gtest.h>

#include "case_names.h"
#include "firmware_requests.h"

namespace instrument {
namespace {

using namespace wire_test;
using test_support::PrintTo;

// Commands with arguments are sized in EveryCommandAnswersInItsResultWidth.
TEST(RequestLength, BlockCommandsAndUnknownNumbers) {
    const Bytes write = BlockRequest(0, kRamStart, 249);
    for (std::size_t have = 1; have < 7; ++have)
        EXPECT_EQ(Firmware::RequestLength(write.data(), have), 0u);
    EXPECT_EQ(Firmware::RequestLength(write.data(), 7), 256u);
    EXPECT_EQ(Firmware::RequestLength(BlockRequest(0, kRamStart, 250).data(), 7),
              Firmware::kUnknownRequest);
    EXPECT_EQ(Firmware::RequestLength(BlockRequest(1, kRamStart, 254).data(), 1), 7u);
    for (std::uint8_t unknown : {103, 200, 255}) {
        EXPECT_EQ(Firmware::RequestLength(&unknown, 1), Firmware::kUnknownRequest);
    }
}

// Requests sized as described are accepted. Commands the host issues are
// checked for their meaning in the other tests; the rest answer their number.
TEST(Firmware, EveryCommandAnswersInItsResultWidth) {
    Firmware firmware;
    for (int command = 2; command <= 102; ++command) {
        const auto c = static_cast<std::uint8_t>(command);
        const Reply reply = Send(firmware, Request(c, {1, 1, 1}));
        ASSERT_TRUE(reply.accepted) << "command " << command;
        const int width = witness::ShapeOf(command)->resultBytes;
        EXPECT_EQ(reply.length, static_cast<std::size_t>(width)) << "command " << command;
        if (width == 0 || witness::IssuedByTheLibrary(command)) continue;
        Bytes expected(static_cast<std::size_t>(width), 0x00);
        expected.back() = c;
        EXPECT_EQ(Bytes(reply.bytes, reply.bytes + reply.length), expected)
            << "command " << command;
    }
    EXPECT_FALSE(Send(firmware, {2, 0}).accepted);        // too short
    EXPECT_FALSE(Send(firmware, {2, 0, 0, 0}).accepted);  // too long
    EXPECT_FALSE(Send(firmware, {103}).accepted);
}

struct BlockCase {
    std::uint32_t address;
    std::size_t length;
    bool inside;
    std::string Name() const {
        char text[64];
        std::snprintf(text, sizeof text, "0x%X+%zu %s", address, length,
                      inside ? "inside" : "outside");
        return text;
    }
};

class BlockTransfer : public ::testing::TestWithParam<BlockCase> {};

TEST_P(BlockTransfer, RoundTripsInsideMemoryAndRejectsOutside) {
    const BlockCase c = GetParam();
    Firmware firmware;
    Bytes data(c.length);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7 + 1);
    const Reply written = Send(firmware, BlockRequest(0, c.address, c.length, data));
    EXPECT_EQ(written.accepted, c.inside);
    EXPECT_EQ(written.length, 0u);
    const Reply read = Send(firmware, BlockRequest(1, c.address, c.length));
    EXPECT_EQ(read.accepted, c.inside);
    if (c.inside) {
        EXPECT_EQ(Bytes(read.bytes, read.bytes + read.length), data);
    }
}

INSTANTIATE_TEST_SUITE_P(
    MemoryEdges, BlockTransfer,
    ::testing::Values(BlockCase{kRamStart, 249, true}, BlockCase{kRamEnd - 249, 249, true},
                      BlockCase{kRamEnd - 1, 1, true}, BlockCase{kRamEnd, 0, true},
                      BlockCase{kRamEnd - 248, 249, false}, BlockCase{kRamEnd, 1, false},
                      BlockCase{kRamStart - 1, 2, false}, BlockCase{0, 4, false},
                      BlockCase{0xFFFFFFFF, 2, false}),
    test_support::ByCaseName{});

TEST(Firmware, RejectsOversizedBlockReadsAndMismatchedWrites) {
    Firmware firmware;
    EXPECT_TRUE(Send(firmware, BlockRequest(1, kRamStart, 254)).accepted);
    EXPECT_FALSE(Send(firmware, BlockRequest(1, kRamStart, 255)).accepted);
    EXPECT_FALSE(Send(firmware, BlockRequest(0, kRamStart, 4, {1, 2, 3})).accepted);
}

TEST(Firmware, SlaveParametersReadMostSignificantFirstAndKeepFixedOnes) {
    Firmware firmware;
    const Reply version = Send(firmware, Request(2, {0, 0}));
    EXPECT_EQ(Bytes(version.bytes, version.bytes + 4), (Bytes{0x00, 0x00, 0x03, 0xF1}));
    EXPECT_EQ(Call(firmware, 2, {4, 0}), kTransferBuffer);
    Call(firmware, 3, {5, 0x1234, 0x0001});
    EXPECT_EQ(Call(firmware, 2, {5, 0}), 0x12340001u);
    Call(firmware, 3, {0, 1, 2});
    Call(firmware, 3, {4, 1, 2});
    EXPECT_EQ(firmware.SlaveParameter(0), 1009u);
    EXPECT_EQ(firmware.SlaveParameter(4), kTransferBuffer);
    firmware.Reset();
    EXPECT_EQ(firmware.SlaveParameter(5), kTransferBytes);
}

TEST(Firmware, UploadExtentIsTheHighestEndWrittenIntoTheBufferUntilConsumed) {
    Firmware firmware;
    Send(firmware, BlockRequest(0, kTransferBuffer + 10, 5, Bytes(5, 'x')));
    Send(firmware, BlockRequest(0, kTransferBuffer, 3, Bytes(3, 'y')));
    Send(firmware, BlockRequest(0, kRamStart, 3, Bytes(3, 'z')));  // outside the buffer
    EXPECT_EQ(firmware.UploadExtent(), 15u);
    Call(firmware, 56);
    EXPECT_EQ(firmware.UploadExtent(), 0u);
    Send(firmware, BlockRequest(0, kTransferBuffer + kTransferBytes - 2, 4, Bytes(4, 1)));
    EXPECT_EQ(firmware.UploadExtent(), kTransferBytes);
}

}  // namespace
}  // namespace instrument
