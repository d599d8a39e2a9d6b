// The USB HID transport against the virtual HID device. The virtual clock
// tells how long the library waited; the test executable answers the
// reconnect question through QuillsanHostPrompt.
#include "usb_transport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

#include "case_names.h"
#include "instrument/hid_front_end.h"
#include "link_select.h"
#include "virtual_link_test.h"

namespace {

// How the test answers the reconnect question, and what it was asked.
struct PromptScript {
    bool answer = false;
    std::function<void()> before;  // e.g. plug the device back in
    int asked = 0;
    std::string text;
    std::string caption;
} g_prompt;

}  // namespace

extern "C" __attribute__((visibility("default"))) int QuillsanHostPrompt(const char* text,
                                                                         const char* caption) {
    ++g_prompt.asked;
    g_prompt.text = text;
    g_prompt.caption = caption;
    if (g_prompt.before) g_prompt.before();
    return g_prompt.answer ? 1 : 0;
}

namespace quillsan::test {
namespace {

using instrument::HidInterface;
using test_support::PrintTo;

// fresh_state.cpp has released any held device and reset the instrument.
class UsbTest : public ::testing::Test {
  protected:
    void SetUp() override { g_prompt = {}; }
    static instrument::HidFrontEnd& hid() { return instrument::SharedInstrument().hid(); }
    static HidInterface& device(std::size_t n = 0) { return hid().Instrument(n); }

    ScratchDirectory scratch_;
};

TEST_F(UsbTest, InitRemoteCommWithBaudZeroSearchesUsbAndOpensNoPort) {
    EXPECT_EQ(InitRemoteComm(0, 7), 1u);
    EXPECT_TRUE(bZtUsbConnected() & 0xFF);
    EXPECT_NE(GetUsbHandle(), nullptr);
    EXPECT_FALSE(SerialPortReady());
    EXPECT_NE(scratch_.Log().find("InitRemoteComm called\n"), std::string::npos);
}

TEST_F(UsbTest, NoInterfaceClosesTheHeldHandleAndReportsNone) {
    ASSERT_EQ(FindHID(nullptr, 0), 256u);
    const std::size_t held = hid().InstrumentIndex();
    hid().Unplug();
    EXPECT_EQ(FindHID(nullptr, 0), 0u);
    EXPECT_EQ(bZtUsbConnected() & 0xFF, 0);
    EXPECT_EQ(GetUsbHandle(), nullptr);
    EXPECT_EQ(hid().OpenHandles(held), 0u);
    EXPECT_EQ(InitRemoteComm(0, 0), 0u);
}

TEST_F(UsbTest, TheLaterOfTwoMatchingInterfacesIsHeldAndTheOtherClosed) {
    hid().AddInterface(true).releaseNumber = 2;
    ASSERT_EQ(FindHID(nullptr, 0), 256u);
    EXPECT_EQ(hid().OpenHandles(hid().InstrumentIndex(0)), 0u);
    EXPECT_EQ(hid().OpenHandles(hid().InstrumentIndex(1)), 1u);
    EXPECT_EQ(GetSlaveParameter(0, 0), instrument::kFirmwareVersion);
    EXPECT_EQ(device(0).outputReports, 0u);
    EXPECT_EQ(device(1).outputReports, 1u);
}

TEST_F(UsbTest, AnInterfaceThatCannotBeOpenedEndsTheSearchKeepingAnEarlierMatch) {
    hid().AddInterface(false).openable = false;
    hid().AddInterface(true);
    EXPECT_EQ(FindHID(nullptr, 0), 0u);
    EXPECT_TRUE(bZtUsbConnected() & 0xFF);
    EXPECT_EQ(hid().OpenHandles(hid().InstrumentIndex(0)), 1u);
    EXPECT_EQ(hid().OpenHandles(hid().InstrumentIndex(1)), 0u);
}

TEST_F(UsbTest, TheInterfaceSetIsAskedForTwiceAtMost) {
    hid().failEnumerations = 1;
    EXPECT_EQ(FindHID(nullptr, 0), 256u);
    hid().failEnumerations = 2;
    hid().enumerations = 0;
    EXPECT_EQ(FindHID(nullptr, 0), 0u);
    EXPECT_EQ(hid().enumerations, 2u);
    EXPECT_EQ(GetUsbHandle(), nullptr);
}

struct QueueCase {
    std::uint32_t length;
    std::uint32_t smallestAccepted;
    std::uint32_t expected;
    std::string Name() const {
        return "queue " + std::to_string(length) + " smallest " + std::to_string(smallestAccepted);
    }
};

class InputQueue : public UsbTest, public ::testing::WithParamInterface<QueueCase> {};

TEST_P(InputQueue, ShrinksToTheSmallestAcceptedLengthBelowTheCurrentOne) {
    device().inputBuffers = GetParam().length;
    device().smallestAcceptedBuffers = GetParam().smallestAccepted;
    ASSERT_EQ(FindHID(nullptr, 0), 256u);
    EXPECT_EQ(device().inputBuffers, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Lengths, InputQueue,
                         ::testing::Values(QueueCase{32, 2, 2}, QueueCase{32, 1, 1},
                                           QueueCase{1, 1, 1}, QueueCase{5, 5, 5},
                                           QueueCase{5, 40, 5},
                                           QueueCase{0xFFFFFFFF, 1u << 30, 0xFFFFFFFF}),
                         test_support::ByCaseName{});

// Six guarded buffers: anything written past the field length shows.
struct InfoBuffers {
    static constexpr std::size_t kSize = 256;
    char fields[6][kSize];
    HidInfo info{fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]};
    InfoBuffers() { std::memset(fields, '#', sizeof fields); }
    std::string Field(int i) const { return fields[i]; }
    bool UntouchedFrom(int i, std::size_t from) const {
        for (std::size_t k = from; k < kSize; ++k)
            if (fields[i][k] != '#') return false;
        return true;
    }
};

TEST_F(UsbTest, HidInfoIsLeftUntouchedWithLengthZeroOrWithoutADevice) {
    InfoBuffers buffers;
    EXPECT_EQ(FindHID(&buffers.info, 0), 256u);
    for (int i = 0; i < 6; ++i) EXPECT_TRUE(buffers.UntouchedFrom(i, 0));
    hid().Unplug();
    EXPECT_EQ(FindHID(&buffers.info, 200), 0u);
    for (int i = 0; i < 6; ++i) EXPECT_TRUE(buffers.UntouchedFrom(i, 0));
}

TEST_F(UsbTest, HidInfoFieldsCarryTheirLabelsAndNarrowedStrings) {
    device().strings[1] = u"Cycler \u0141ab";         // U+0141 keeps its low byte 0x41
    device().strings[4] = u"Link\u0100 never shown";  // U+0100 has low byte 0: the text ends
    device().hasString[2] = false;
    InfoBuffers buffers;
    ASSERT_EQ(FindHID(&buffers.info, 200), 256u);
    EXPECT_EQ(buffers.Field(0), "Language = <English>");
    EXPECT_EQ(buffers.Field(1), "Maufacturer = Zantorel");
    EXPECT_EQ(buffers.Field(2), "Product = Cycler Aab");
    EXPECT_EQ(buffers.Field(3), "Serial Number = <not found>");
    EXPECT_EQ(buffers.Field(4), "Configuration = \x94T control");
    EXPECT_EQ(buffers.Field(5), "Interface = Link");
    for (int i = 0; i < 6; ++i) EXPECT_TRUE(buffers.UntouchedFrom(i, 200));
}

TEST_F(UsbTest, HidInfoIsCutToTheFieldLengthAndUsesItsLow16Bits) {
    device().strings[0] = std::u16string(300, u'M');
    InfoBuffers buffers;
    ASSERT_EQ(FindHID(&buffers.info, 0x10000 + 12), 256u);
    EXPECT_EQ(buffers.Field(0), "Language = ");
    EXPECT_EQ(buffers.Field(1), "Maufacturer");
    EXPECT_EQ(buffers.Field(3), "Serial Numb");
    for (int i = 0; i < 6; ++i) EXPECT_TRUE(buffers.UntouchedFrom(i, 12));
    ASSERT_EQ(FindHID(&buffers.info, 250), 256u);
    // At most 100 code units of a device string are asked for.
    EXPECT_EQ(buffers.Field(1), "Maufacturer = " + std::string(100, 'M'));
}

TEST_F(UsbTest, APacketFillsTheOutputReportAndAnOversizedOneIsRefused) {
    ASSERT_EQ(FindHID(nullptr, 0), 256u);
    std::uint8_t packet[257];
    for (int i = 0; i < 257; ++i) packet[i] = static_cast<std::uint8_t>(i + 1);
    EXPECT_EQ(SendUSBPacket(packet, 257), 0u);
    EXPECT_EQ(SendUSBPacket(packet, -1), 0u);
    EXPECT_EQ(device().outputReports, 0u);
    EXPECT_EQ(SendUSBPacket(packet, 256), 257u);
    EXPECT_EQ(device().lastOutputReport[0], 0);
    EXPECT_TRUE(std::memcmp(device().lastOutputReport.data() + 1, packet, 256) == 0);
    EXPECT_EQ(SendUSBPacket(packet, 3), 257u);
    EXPECT_EQ(device().lastOutputReport[3], 3);
    EXPECT_EQ(device().lastOutputReport[4], 0);
}

// How long a stuck write spends inside the write call before it fails: 0 for
// an overlapped write; a hidraw write is synchronous and the kernel itself
// waits up to 5 s for the transfer before it fails with ETIMEDOUT.
class StuckWrite : public UsbTest, public ::testing::WithParamInterface<std::uint64_t> {};

TEST_P(StuckWrite, CountsAsNotSentAfterFiveSecondsInAll) {
    ASSERT_EQ(FindHID(nullptr, 0), 256u);
    device().stallWrites = 1;
    device().stalledWriteCallMs = GetParam();
    const std::uint8_t packet[] = {72};
    std::uint32_t result = 1;
    EXPECT_EQ(Elapsed([&] { result = SendUSBPacket(packet, 1); }), 5000u);
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(g_prompt.asked, 0);          // a time-out leaves the device present
    EXPECT_EQ(GetInstrumentStatus(), 0u);  // the engine's view of a failed send
    EXPECT_EQ(device().stallWrites, 0);
}

INSTANTIATE_TEST_SUITE_P(WriteCallMs, StuckWrite, ::testing::Values(0u, 2000u, 5000u));

TEST_F(UsbTest, NothingIsSentOrReceivedWithoutADevice) {
    hid().Interfaces().clear();
    EXPECT_EQ(FindHID(nullptr, 0), 0u);
    const std::uint8_t packet[] = {72};
    std::uint8_t payload[256];
    std::int32_t count = -1;
    EXPECT_EQ(SendUSBPacket(packet, 1), 0u);
    EXPECT_EQ(GetUSBResponsePacket(payload, &count), 3u);
    EXPECT_EQ(count, -1);
}

// End to end over the reply path that each release number selects.
class ReplyPath : public UsbTest, public ::testing::WithParamInterface<std::uint16_t> {};

TEST_P(ReplyPath, AReportLineFetchWorksEndToEnd) {
    device().releaseNumber = GetParam();
    const bool featurePath = GetParam() <= 1;
    ASSERT_EQ(InitRemoteComm(0, 0), 1u);
    EXPECT_EQ(GetSlaveParameter(0, 0), instrument::kFirmwareVersion);
    EXPECT_EQ(RemoteCall(68, instrument::kRunCollection, 0), 12u);
    EXPECT_EQ(GetRemoteError(), 0);
    EXPECT_EQ(device().featureRequests, featurePath ? 2u : 0u);
    // Stale input reports go before every reply: the feature path flushes as it
    // starts polling, the input path before each request goes out.
    EXPECT_EQ(device().flushes, 2u);
}

TEST_P(ReplyPath, TheRawReplyCarriesTheEchoAndResultAndCount256) {
    device().releaseNumber = GetParam();
    ASSERT_EQ(FindHID(nullptr, 0), 256u);
    const std::uint8_t packet[] = {2, 0, 0};
    ASSERT_EQ(SendUSBPacket(packet, 3), 257u);
    std::uint8_t payload[256];
    std::int32_t count = 0;
    ASSERT_EQ(GetUSBResponsePacket(payload, &count), 0u);
    EXPECT_EQ(count, 256);
    const std::uint8_t expected[] = {2, 0, 0, 0x03, 0xF1};  // echo, then 1009 high byte first
    EXPECT_TRUE(std::memcmp(payload, expected, sizeof expected) == 0);
}

INSTANTIATE_TEST_SUITE_P(ReleaseNumbers, ReplyPath, ::testing::Values(0, 1, 2, 0x0100));

// One reply fetched after a one-byte request, per reply path and device fault.
struct WaitCase {
    const char* name;
    std::uint16_t releaseNumber;
    std::uint32_t notReadyPolls;
    bool answers;
    int failFeatureRequests;
    int dropReplies;
    std::uint32_t result;
    std::uint64_t waitedMs;
    std::uint64_t statusReports;
    std::uint64_t featureRequests;
};

class ReplyWait : public UsbTest, public ::testing::WithParamInterface<WaitCase> {};

TEST_P(ReplyWait, EndsWithTheResultAndWaitOfItsPath) {
    const WaitCase& c = GetParam();
    device().releaseNumber = c.releaseNumber;
    device().notReadyPolls = c.notReadyPolls;
    device().failFeatureRequests = c.failFeatureRequests;
    device().dropReplies = c.dropReplies;
    device().answers = c.answers;  // last: device() finds only answering interfaces
    ASSERT_EQ(FindHID(nullptr, 0), 256u);
    const std::uint8_t packet[] = {72};
    ASSERT_EQ(SendUSBPacket(packet, 1), 257u);
    std::uint8_t payload[256];
    std::memset(payload, 0xEE, sizeof payload);
    std::int32_t count = -1;
    std::uint32_t result = 99;
    EXPECT_EQ(Elapsed([&] { result = GetUSBResponsePacket(payload, &count); }), c.waitedMs);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(count, c.result == 0u ? 256 : -1);  // a failure leaves count alone
    EXPECT_EQ(device().statusReports, c.statusReports);
    EXPECT_EQ(device().featureRequests, c.featureRequests);
    EXPECT_EQ(g_prompt.asked, 0);  // the device stayed present
    if (c.dropReplies != 0) {
        EXPECT_EQ(std::count(payload, payload + 256, 0), 256);
    }
}

// 10 ms after each not-ready status report; a ready bit after the 400th poll
// is too late; a poll without any report waits 1 s; failed feature requests
// are repeated at once, 21 requests at most; a missing input report waits 10 s.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Faults, ReplyWait, ::testing::Values(
    //        name                     release notReady answers failFeature drop
    //                                          result waitedMs statusReports featureRequests
    WaitCase{"ready at once",               1, 0,   true,  0,  0, 0, 0,      1,   1},
    WaitCase{"ready at poll 400",           1, 399, true,  0,  0, 0, 3990,   400, 1},
    WaitCase{"ready at poll 401",           1, 400, true,  0,  0, 3, 4000,   401, 0},
    WaitCase{"no status report",            1, 0,   false, 0,  0, 3, 401000, 0,   0},
    WaitCase{"20 failed feature requests",  0, 0,   true,  20, 0, 0, 0,      1,   21},
    WaitCase{"21 failed feature requests",  0, 0,   true,  21, 0, 2, 0,      1,   21},
    WaitCase{"50 failed feature requests",  0, 0,   true,  50, 0, 2, 0,      1,   21},
    WaitCase{"input report never arrives",  2, 0,   true,  0,  1, 0, 10000,  0,   0}));
// clang-format on

TEST_F(UsbTest, AMissingInputReportIsNoReplyForTheEngineWhateverTheCommand) {
    device().releaseNumber = 2;
    ASSERT_EQ(FindHID(nullptr, 0), 256u);
    device().dropReplies = 1;
    EXPECT_EQ(GetInstrumentStatus(), 0u);
    EXPECT_EQ(GetRemoteError(), 6);
    // A block write's echo is 0 like the empty payload: still no reply.
    device().dropReplies = 1;
    std::uint8_t blockWrite[] = {0, 0x20, 0, 0x80, 0, 0, 1, 0xAB};
    ASSERT_TRUE(SendPacket(blockWrite, sizeof blockWrite));
    EXPECT_FALSE(ReceiveReply(blockWrite, 0, 0));  // the reply would overwrite the request
    // A late report inside the wait is taken.
    device().replyDelayMs = 9000;
    ClearRemoteError();
    EXPECT_EQ(GetSlaveParameter(0, 0), instrument::kFirmwareVersion);
    EXPECT_EQ(GetRemoteError(), 0);
}

// A reply that comes after its exchange gave up waits in the input queue; it
// must not be taken for the reply to a later request.
TEST_F(UsbTest, AReplyThatCameTooLateIsNotTakenForALaterOne) {
    device().releaseNumber = 2;
    ASSERT_EQ(FindHID(nullptr, 0), 256u);
    device().replyDelayMs = instrument::kHidLateReplyMs;
    GetInstrumentStatus();
    EXPECT_EQ(GetRemoteError(), 6);
    device().replyDelayMs = 0;
    ClearRemoteError();
    // The late status reply comes first, so the version request fails while its
    // own reply lands in the queue behind it.
    GetSlaveParameter(0, 0);
    EXPECT_EQ(GetRemoteError(), 6);
    ClearRemoteError();
    // Same command, other parameter: the queued version reply would fit its echo.
    EXPECT_EQ(GetSlaveParameter(4, 0), instrument::kTransferBufferAddress);
    EXPECT_EQ(GetRemoteError(), 0);
}

TEST_F(UsbTest, UsbIsChosenPerPacketOverAnOpenSerialPort) {
    ASSERT_EQ(InitRemoteComm(9600, 0), 1u);
    ASSERT_EQ(InitRemoteComm(0, 0), 1u);
    EXPECT_TRUE(SerialPortReady());
    const auto serialBefore = instrument::SharedInstrument().serial().RequestCount();
    EXPECT_EQ(GetSlaveParameter(0, 0), instrument::kFirmwareVersion);
    EXPECT_EQ(instrument::SharedInstrument().serial().RequestCount(), serialBefore);
    EXPECT_EQ(device().outputReports, 1u);
    hid().Interfaces().clear();
    EXPECT_EQ(FindHID(nullptr, 0), 0u);
    EXPECT_EQ(GetSlaveParameter(0, 0), instrument::kFirmwareVersion);  // back on the serial line
    EXPECT_EQ(instrument::SharedInstrument().serial().RequestCount(), serialBefore + 1);
    CloseCommPort();
}

// Reconnect: the request that met the unplug, per reply path and operation.
enum class Stage { kSend, kPoll, kFeature, kInputReport };

struct ReconnectCase {
    Stage stage;
    std::uint32_t noResult;
    std::uint32_t yesResult;
    std::uint64_t yesExecuted;  // requests the instrument carried out
    std::string Name() const {
        static const char* const kNames[] = {"send", "poll", "feature request", "input report"};
        return kNames[static_cast<int>(stage)];
    }
};

class Reconnect : public UsbTest, public ::testing::WithParamInterface<ReconnectCase> {
  protected:
    // Arms the unplug and runs the operation that meets it; returns its result.
    std::uint32_t RunStage() {
        const Stage stage = GetParam().stage;
        device().releaseNumber = stage == Stage::kPoll || stage == Stage::kFeature ? 1 : 2;
        EXPECT_EQ(FindHID(nullptr, 0), 256u);
        held_ = GetUsbHandle();
        const std::uint8_t packet[] = {72};
        if (stage == Stage::kSend) {
            hid().Unplug();
            return SendUSBPacket(packet, 1);
        }
        if (stage == Stage::kFeature)
            device().unplugAtFeatureRequest = true;
        else
            device().unplugAfterReports = 1;
        EXPECT_EQ(SendUSBPacket(packet, 1), 257u);
        std::uint8_t payload[256];
        std::int32_t count = -1;
        const std::uint32_t result = GetUSBResponsePacket(payload, &count);
        count_ = count;
        return result;
    }
    void* held_ = nullptr;
    std::int32_t count_ = -1;
};

TEST_P(Reconnect, NoEndsTheOperationAndKeepsTheHandle) {
    g_prompt.answer = false;
    EXPECT_EQ(RunStage(), GetParam().noResult);
    EXPECT_EQ(g_prompt.asked, 1);
    EXPECT_EQ(g_prompt.text, "Device not connected; reconnect?");
    EXPECT_EQ(g_prompt.caption, "USB ERROR");
    EXPECT_EQ(GetUsbHandle(), held_);
    if (GetParam().stage != Stage::kSend) {
        EXPECT_EQ(count_, -1);
    }
}

TEST_P(Reconnect, YesSearchesAgainWithoutRepeatingTheRequest) {
    g_prompt.answer = true;
    g_prompt.before = [] { hid().Replug(); };
    const auto executedBefore = instrument::SharedInstrument().firmware().ExecutedCount();
    EXPECT_EQ(RunStage(), GetParam().yesResult);
    EXPECT_EQ(g_prompt.asked, 1);
    EXPECT_EQ(instrument::SharedInstrument().firmware().ExecutedCount(),
              executedBefore + GetParam().yesExecuted);
    EXPECT_NE(GetUsbHandle(), nullptr);
    // Later requests go to the device found again.
    ClearRemoteError();
    EXPECT_EQ(GetSlaveParameter(0, 0), instrument::kFirmwareVersion);
    EXPECT_EQ(GetRemoteError(), 0);
}

INSTANTIATE_TEST_SUITE_P(Stages, Reconnect,
                         // Yes: a send counts as not sent and is not written again; a
                         // poll runs out on the new device, which has no reply; the
                         // feature retry asks the new device; an input report that
                         // never came is an empty payload.
                         ::testing::Values(ReconnectCase{Stage::kSend, 0, 0, 0},
                                           ReconnectCase{Stage::kPoll, 3u, 3u, 1},
                                           ReconnectCase{Stage::kFeature, 2u, 0, 1},
                                           ReconnectCase{Stage::kInputReport, 3u, 0, 1}),
                         test_support::ByCaseName{});

TEST_F(UsbTest, YesWithTheDeviceStillGoneStops) {
    g_prompt.answer = true;
    ASSERT_EQ(FindHID(nullptr, 0), 256u);
    hid().Unplug();
    EXPECT_EQ(GetInstrumentStatus(), 0u);
    EXPECT_EQ(GetRemoteError(), 1);
    EXPECT_EQ(g_prompt.asked, 1);
    EXPECT_EQ(bZtUsbConnected() & 0xFF, 0);
}

}  // namespace
}  // namespace quillsan::test
