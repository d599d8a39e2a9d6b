// The remote call engine over the in-process virtual link: bytes on the wire,
// reply decoding and the sticky link error.
#include "case_names.h"
#include "command_shapes.h"
#include "command_table.h"
#include "instrument/fault_plan.h"
#include "instrument/firmware.h"
#include "virtual_link_test.h"

namespace quillsan::test {
namespace {

using test_support::PrintTo;

class EngineTest : public VirtualLinkTest {};

struct WireCase {
    const char* name;
    std::uint32_t command, a1, a2, a3;
    Wire request;
};

class RequestBytes : public EngineTest, public ::testing::WithParamInterface<WireCase> {};

TEST_P(RequestBytes, GoOutMostSignificantFirstAndCutToTheirSlots) {
    const WireCase& c = GetParam();
    RemoteCall(c.command, c.a1, c.a2, c.a3);
    EXPECT_EQ(GetRemoteError(), 0);
    EXPECT_EQ(LastRequest(), c.request);
}

INSTANTIATE_TEST_SUITE_P(
    Engine, RequestBytes,
    ::testing::Values(
        WireCase{"NoArguments", 72, 0, 0, 0, {0x48}},
        WireCase{"SetSlaveParameter", 3, 5, 0x1234, 0x0001, {0x03, 0x05, 0x12, 0x34, 0x00, 0x01}},
        WireCase{"GetSlaveParameter", 2, 4, 0, 0, {0x02, 0x04, 0x00}},
        WireCase{"ItemCount", 68, 0x7000, 0, 0, {0x44, 0x70, 0x00, 0x00}},
        WireCase{"WideValueInByteSlot", 2, 0x1234, 0xFF01, 0, {0x02, 0x34, 0x01}},
        WireCase{"UnusedArgumentsIgnored", 31, 7, 0xAAAA, 0xBBBB, {0x1F, 0x07}},
        WireCase{"ThreeArgumentsMixed", 71, 0x101, 0x202, 0x30303, {0x47, 0x01, 0x02, 0x03, 0x03}}),
    test_support::ByCaseName{});

// Every descriptor of the library's table, against the widths written out in
// the test's own copy of the command list.
TEST(CommandTable, EveryEntryHasTheDescribedWidths) {
    int entries = 0;
    for (const witness::CommandShape& shape : witness::CommandShapes()) {
        for (int command : shape.commands) {
            ++entries;
            const CommandDescriptor& d = kCommandTable[command];
            EXPECT_EQ(d.resultWidth, shape.resultBytes) << "command " << command;
            for (int i = 0; i < 3; ++i) {
                EXPECT_EQ(d.argumentWidth[i], shape.argumentBytes[i])
                    << "command " << command << " argument " << i + 1;
            }
            EXPECT_EQ(d.reserved, 0) << "command " << command;
        }
    }
    EXPECT_EQ(entries, 103);
}

// Over the wire: each request has the described bytes, and each command the
// instrument gives no meaning answers its own command number.
TEST_F(EngineTest, EveryCommandGoesOutAsDescribedAndIsAnswered) {
    for (std::uint32_t command = 2; command <= 102; ++command) {
        const std::uint32_t result = RemoteCall(command, 0x0102, 0x0304, 0x0506);
        ASSERT_EQ(GetRemoteError(), 0) << "command " << command;
        EXPECT_EQ(LastRequest(),
                  witness::RequestBytes(static_cast<int>(command), {0x0102, 0x0304, 0x0506}))
            << "command " << command;
        const int c = static_cast<int>(command);
        if (witness::ShapeOf(c)->resultBytes > 0 && !witness::IssuedByTheLibrary(c)) {
            EXPECT_EQ(result, command);
        }
    }
}

TEST_F(EngineTest, ShortResultsAreZeroExtendedWhateverTheArgumentWas) {
    // All-ones arguments and answers: no argument bit and no sign survives.
    instrument::SharedInstrument().firmware().ForceNextAnswer(27, 0xFFFFFFFFu);
    EXPECT_EQ(RemoteCall(27, 0xFFFFFFFFu), 0xFFu);  // 1-byte result
    instrument::SharedInstrument().firmware().ForceNextAnswer(31, 0xFFFFFFFFu);
    EXPECT_EQ(RemoteCall(31, 0xFFFFFFFFu), 0xFFFFu);  // 2-byte result
    EXPECT_EQ(GetRemoteError(), 0);
}

TEST_F(EngineTest, WrongEchoFailsWithSixEvenWithACompleteReply) {
    line().Faults().wrongEchoReplies = 1;
    EXPECT_EQ(GetSlaveParameter(0, 0), 0u);
    EXPECT_EQ(GetRemoteError(), kNoValidReply);
    EXPECT_EQ(line().NextOutputDue(), UINT64_MAX) << "the rest of the reply is not drained";
}

TEST_F(EngineTest, ErrorIsStickyUntilClearedAndALaterFailureReplacesIt) {
    line().Faults().dropReplies = 1;
    GetInstrumentStatus();
    ASSERT_EQ(GetRemoteError(), 6);
    EXPECT_EQ(GetSlaveParameter(0, 0), 1009u);  // calls still run
    EXPECT_EQ(GetRemoteError(), 6);
    CloseCommPort();  // nothing can go out now
    GetInstrumentStatus();
    EXPECT_EQ(GetRemoteError(), 1);
    EXPECT_EQ(ClearRemoteError(), 0u);
    EXPECT_EQ(GetRemoteError(), 0);
}

TEST_F(EngineTest, RequestOver256BytesIsNeverSent) {
    const std::uint64_t before = line().RequestCount();
    const std::vector<std::uint8_t> data(kPacketBufferBytes, 0xAB);
    for (std::uint32_t length : {250u, 512u}) {  // 257 bytes; more than the packet buffer holds
        ClearRemoteError();
        EXPECT_FALSE(Exchange(BlockRequest(0, 0x20008000, length, data.data()), 0)) << length;
        EXPECT_EQ(GetRemoteError(), kSendFailed);
    }
    EXPECT_EQ(line().RequestCount(), before);
}

TEST_F(EngineTest, UnknownCommandNumberIsRefusedWithoutSending) {
    const std::uint64_t before = line().RequestCount();
    for (std::uint32_t command : {103u, 255u, 0x10000u}) {
        ClearRemoteError();
        EXPECT_EQ(RemoteCall(command), 0u);
        EXPECT_EQ(GetRemoteError(), kSendFailed);
    }
    EXPECT_EQ(line().RequestCount(), before);
}

class BlockRead : public EngineTest, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(BlockRead, ReturnsTheBytesBetweenItsEchoes) {
    const std::size_t n = GetParam();
    std::uint8_t* memory =
        instrument::SharedInstrument().firmware().MemoryAt(instrument::kTransferBufferAddress, n);
    ASSERT_NE(memory, nullptr);
    for (std::size_t i = 0; i < n; ++i) memory[i] = static_cast<std::uint8_t>(0x80 + i * 7);
    std::vector<std::uint8_t> out(n + 1, 0xEE);
    ASSERT_TRUE(ExchangeInto(BlockRequest(1, 0x20008000, n), out.data(), n));
    EXPECT_EQ(Wire(out.begin(), out.begin() + static_cast<long>(n)), Wire(memory, memory + n));
    EXPECT_EQ(out[n], 0xEE);
    const Wire header = {0x01, 0x20, 0x00, 0x80, 0x00, 0x00, static_cast<std::uint8_t>(n)};
    EXPECT_EQ(LastRequest(), header);
}

INSTANTIATE_TEST_SUITE_P(Engine, BlockRead, ::testing::Values(1, 4, 254));

TEST_F(EngineTest, ClearedLinkCarriesTheNextCall) {
    // A failed call after a successful one must not disturb the next success.
    line().Faults().dropReplies = 1;
    EXPECT_EQ(ReadADTab(3), 0u);
    ClearRemoteError();
    EXPECT_EQ(ReadADTab(3), ReadADTabLong(3));
    EXPECT_EQ(GetRemoteError(), 0);
}

}  // namespace
}  // namespace quillsan::test
