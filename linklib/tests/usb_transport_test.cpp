// The USB HID transport against the virtual HID device. The virtual clock
// tells how long the library waited; the test executable answers the
// reconnect question through QuillsanHostPrompt.
#include "usb_transport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "clock.h"
#include "engine.h"
#include "instrument/hid_front_end.h"
#include "instrument/virtual_instrument.h"
#include "link_select.h"
#include "quillsan.h"
#include "scratch_directory.h"
#include "serial_transport.h"

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

class UsbTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_prompt = {};
        instrument::SharedInstrument().Reset();
        ClearRemoteError();
    }
    void TearDown() override {
        hid().Interfaces().clear();
        FindHID(nullptr, 0);  // leaves no device held for the next test
        ClearRemoteError();
        instrument::SharedInstrument().Reset();
    }
    static instrument::HidFrontEnd& hid() { return instrument::SharedInstrument().hid(); }
    static HidInterface& device(std::size_t n = 0) { return hid().Instrument(n); }
    template <typename F>
    static std::uint64_t Elapsed(F call) {
        const std::uint64_t start = platform::MonotonicMs();
        call();
        return platform::MonotonicMs() - start;
    }
    static std::uint32_t RunCount() {
        return instrument::SharedInstrument().firmware().Store().Count(instrument::ItemKind::kRun);
    }

    ScratchDirectory scratch_;
};

TEST_F(UsbTest, InitRemoteCommWithBaudZeroSearchesUsbAndOpensNoPort) {
    EXPECT_EQ(InitRemoteComm(0, 7), 1u);
    EXPECT_TRUE(bZtUsbConnected() & 0xFF);
    EXPECT_NE(GetUsbHandle(), nullptr);
    EXPECT_FALSE(SerialPortReady());
    std::ifstream log("REMOTERR.LOG");
    std::stringstream text;
    text << log.rdbuf();
    EXPECT_NE(text.str().find("InitRemoteComm called\n"), std::string::npos);
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
};
void PrintTo(const QueueCase& c, std::ostream* os) {
    *os << "queue " << c.length << " smallest " << c.smallestAccepted;
}

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
                                           QueueCase{0xFFFFFFFF, 1u << 30, 0xFFFFFFFF}));

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
    EXPECT_EQ(RemoteCall(68, instrument::kRunCollection, 0), RunCount());
    EXPECT_EQ(RunCount(), 12u);
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

struct PollCase {
    std::uint32_t notReadyPolls;
    std::uint32_t result;
};
void PrintTo(const PollCase& c, std::ostream* os) {
    *os << c.notReadyPolls << " not ready";
}

class PollLimit : public UsbTest, public ::testing::WithParamInterface<PollCase> {};

TEST_P(PollLimit, AReadyBitAfterTheFourHundredthPollIsTooLate) {
    device().releaseNumber = 1;
    device().notReadyPolls = GetParam().notReadyPolls;
    ASSERT_EQ(FindHID(nullptr, 0), 256u);
    const std::uint8_t packet[] = {72};
    ASSERT_EQ(SendUSBPacket(packet, 1), 257u);
    std::uint8_t payload[256] = {};
    std::int32_t count = -1;
    std::uint32_t result = 99;
    const auto waited = Elapsed([&] { result = GetUSBResponsePacket(payload, &count); });
    EXPECT_EQ(result, GetParam().result);
    EXPECT_EQ(device().statusReports, GetParam().notReadyPolls + 1);
    EXPECT_EQ(waited, GetParam().notReadyPolls * 10u);  // 10 ms after each not-ready report
    EXPECT_EQ(device().featureRequests, result == 0u ? 1u : 0u);
    if (result != 0u) {
        EXPECT_EQ(count, -1);
    }
}

INSTANTIATE_TEST_SUITE_P(Polls, PollLimit,
                         ::testing::Values(PollCase{0, 0u}, PollCase{399, 0u}, PollCase{400, 3u}));

TEST_F(UsbTest, AStatusPollThatGetsNoReportWaitsOneSecond) {
    device().releaseNumber = 1;
    device().answers = false;  // no status reports at all
    ASSERT_EQ(FindHID(nullptr, 0), 256u);
    const std::uint8_t packet[] = {72};
    ASSERT_EQ(SendUSBPacket(packet, 1), 257u);
    std::uint8_t payload[256];
    std::int32_t count = -1;
    std::uint32_t result = 99;
    EXPECT_EQ(Elapsed([&] { result = GetUSBResponsePacket(payload, &count); }), 401u * 1000u);
    EXPECT_EQ(result, 3u);
}

struct FeatureCase {
    int failures;
    std::uint32_t result;
    std::uint64_t requests;
};
void PrintTo(const FeatureCase& c, std::ostream* os) {
    *os << c.failures << " failures";
}

class FeatureRetries : public UsbTest, public ::testing::WithParamInterface<FeatureCase> {};

TEST_P(FeatureRetries, AFailedFeatureRequestIsRepeatedTwentyTimesAtMost) {
    device().releaseNumber = 0;
    device().failFeatureRequests = GetParam().failures;
    ASSERT_EQ(FindHID(nullptr, 0), 256u);
    const std::uint8_t packet[] = {72};
    ASSERT_EQ(SendUSBPacket(packet, 1), 257u);
    std::uint8_t payload[256];
    std::int32_t count = -1;
    std::uint32_t result = 99;
    const auto waited = Elapsed([&] { result = GetUSBResponsePacket(payload, &count); });
    EXPECT_EQ(result, GetParam().result);
    EXPECT_EQ(device().featureRequests, GetParam().requests);
    EXPECT_EQ(waited, 0u);  // repeated at once
    EXPECT_EQ(g_prompt.asked, 0);
}

INSTANTIATE_TEST_SUITE_P(Failures, FeatureRetries,
                         ::testing::Values(FeatureCase{20, 0u, 21}, FeatureCase{21, 2u, 21},
                                           FeatureCase{50, 2u, 21}));

TEST_F(UsbTest, AnInputReportThatNeverArrivesGivesZeroPayloadAfterTenSeconds) {
    device().releaseNumber = 2;
    device().dropReplies = 1;
    ASSERT_EQ(FindHID(nullptr, 0), 256u);
    const std::uint8_t packet[] = {72};
    ASSERT_EQ(SendUSBPacket(packet, 1), 257u);
    std::uint8_t payload[256];
    std::memset(payload, 0xEE, sizeof payload);
    std::int32_t count = 0;
    std::uint32_t result = 99;
    EXPECT_EQ(Elapsed([&] { result = GetUSBResponsePacket(payload, &count); }), 10000u);
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(count, 256);
    EXPECT_EQ(std::count(payload, payload + 256, 0), 256);
}

TEST_F(UsbTest, AMissingInputReportIsNoReplyForTheEngineWhateverTheCommand) {
    device().releaseNumber = 2;
    ASSERT_EQ(FindHID(nullptr, 0), 256u);
    device().dropReplies = 1;
    EXPECT_EQ(GetInstrumentStatus(), 0u);
    EXPECT_EQ(GetRemoteError(), 6);
    // A block write's echo is 0 like the empty payload: still no reply.
    device().dropReplies = 1;
    const std::uint8_t blockWrite[] = {0, 0x20, 0, 0x80, 0, 0, 1, 0xAB};
    ASSERT_TRUE(SendPacket(blockWrite, sizeof blockWrite));
    EXPECT_FALSE(ReceiveReply(Link().packet, 0, 0));
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
};
void PrintTo(const ReconnectCase& c, std::ostream* os) {
    static const char* const kNames[] = {"send", "poll", "feature request", "input report"};
    *os << kNames[static_cast<int>(c.stage)];
}

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
    const std::uint32_t result = RunStage();
    EXPECT_EQ(g_prompt.asked, 1);
    const auto executed = instrument::SharedInstrument().firmware().ExecutedCount();
    switch (GetParam().stage) {
        case Stage::kSend:
            EXPECT_EQ(result, 0u);  // counts as not sent, and was not written again
            EXPECT_EQ(executed, executedBefore);
            break;
        case Stage::kPoll:
            EXPECT_EQ(result, 3u);  // the new device has no reply: polls run out
            EXPECT_EQ(executed, executedBefore + 1);
            break;
        case Stage::kFeature:
            EXPECT_EQ(result, 0u);  // the retry asks the new device
            EXPECT_EQ(executed, executedBefore + 1);
            break;
        case Stage::kInputReport:
            EXPECT_EQ(result, 0u);  // an empty payload, as for a report that never came
            EXPECT_EQ(executed, executedBefore + 1);
            break;
    }
    EXPECT_NE(GetUsbHandle(), nullptr);
    // Later requests go to the device found again.
    ClearRemoteError();
    EXPECT_EQ(GetSlaveParameter(0, 0), instrument::kFirmwareVersion);
    EXPECT_EQ(GetRemoteError(), 0);
}

INSTANTIATE_TEST_SUITE_P(Stages, Reconnect,
                         ::testing::Values(ReconnectCase{Stage::kSend, 0},
                                           ReconnectCase{Stage::kPoll, 3u},
                                           ReconnectCase{Stage::kFeature, 2u},
                                           ReconnectCase{Stage::kInputReport, 3u}));

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
