// REMOTERR.LOG: exact entries, their order, and a directory that refuses them.
#include "diagnostic_log.h"

#include <regex>

#include "instrument/fault_plan.h"
#include "virtual_link_test.h"

namespace quillsan::test {
namespace {

const std::string kStamp =
    "[A-Z][a-z]{2} [A-Z][a-z]{2} [ 1-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-6][0-9] [0-9]{4}\n";

TEST(Timestamp, HasTheCtimeShape) {
    char text[kTimestampSize];
    FormatTimestamp(text);
    EXPECT_TRUE(std::regex_match(std::string(text), std::regex(kStamp))) << text;
    EXPECT_EQ(std::string(text).size(), 25u);
}

TEST(DiagnosticLog, FirstEntryCreatesTheFileAndEachEntryEndsInALineFeed) {
    ScratchDirectory scratch;
    EXPECT_TRUE(LogLine("one\n"));
    EXPECT_TRUE(LogLineF("t%co", 'w'));
    EXPECT_EQ(scratch.Log(), "one\n\ntwo\n");
    EXPECT_FALSE(std::filesystem::exists(scratch.path() / "REMOTERR.log"));
}

TEST(DiagnosticLog, UnwritableDirectoryDropsEntriesAndChangesNothingElse) {
    ScratchDirectory scratch;
    // A removed working directory refuses new files even to root.
    std::filesystem::remove(scratch.path());
    EXPECT_FALSE(LogLine("lost\n"));
    EXPECT_EQ(InitRemoteComm(9600, 0), 1u);
    EXPECT_EQ(GetSlaveParameter(0, 0), 1009u);
    instrument::SharedInstrument().serial().Faults().dropReplies = 1;
    EXPECT_EQ(GetSlaveParameter(0, 0), 0u);
    EXPECT_EQ(GetRemoteError(), kNoValidReply);
    CloseCommPort();  // its entry is dropped too
    EXPECT_FALSE(std::filesystem::exists(scratch.path()));
}

class LinkLogTest : public VirtualLinkTest {};

TEST_F(LinkLogTest, OpeningWritesEveryStepInOrder) {
    const std::string expected =
        "InitRemoteComm called\n\n"
        "OpenCommPort called @" +
        kStamp +
        " \\(1\\.009\\)\n\n"
        "\\\\\\\\\\.\\\\COM1\n"
        "COM1 opened at baudrate 9600\n\n"
        "Comm Handle is [0-9]+\n\n";
    EXPECT_TRUE(std::regex_match(scratch_.Log(), std::regex(expected))) << scratch_.Log();
}

TEST_F(LinkLogTest, ReopeningLogsTheCloseBeforeTheNewOpenAndTheNewPortCarriesCalls) {
    ASSERT_EQ(InitRemoteComm(250000, 2), 1u);
    const std::string tail =
        "InitRemoteComm called\n\n"
        "OpenCommPort called @" +
        kStamp +
        " \\(1\\.009\\)\n\n"
        "Calling CloseCommPort from OpenCommPort\n\n"
        "Comm port closed @" +
        kStamp +
        "\n\n"
        "\\\\\\\\\\.\\\\COM3\n"
        "COM3 opened at baudrate 250000\n\n"
        "Comm Handle is [0-9]+\n\n$";
    EXPECT_TRUE(std::regex_search(scratch_.Log(), std::regex(tail))) << scratch_.Log();
    EXPECT_EQ(GetSlaveParameter(0, 0), 1009u);
}

TEST_F(LinkLogTest, EachLinkErrorLineCarriesCodeCommandAndCarriageReturn) {
    line().Faults().dropReplies = 1;
    GetSlaveParameter(0, 0);
    const std::string noReply = "Link error #6 in function 2 @" + kStamp + "\r\n\n$";
    EXPECT_TRUE(std::regex_search(scratch_.Log(), std::regex(noReply))) << scratch_.Log();
    CloseCommPort();  // a send failure, logged although an error is pending
    ReadTempTab(1);
    const std::string notSent = "Link error #1 in function 84 @" + kStamp + "\r\n\n$";
    EXPECT_TRUE(std::regex_search(scratch_.Log(), std::regex(notSent))) << scratch_.Log();
}

TEST_F(LinkLogTest, EveryInitRemoteCommCallAndEveryFailedOpeningIsLogged) {
    const std::size_t before = scratch_.Log().size();
    InitRemoteComm(0, 7);               // a USB search
    InitRemoteComm(9600, 0xFFFFFFFFu);  // COM0 does not exist
    EXPECT_FALSE(OpenCommPort(0, 1));   // no line runs at 0 baud
    const std::string added = scratch_.Log().substr(before);
    EXPECT_EQ(added.find("InitRemoteComm called\n\n"), 0u);
    EXPECT_NE(added.find("InitRemoteComm called\n\nOpenCommPort called @"), std::string::npos);
    EXPECT_NE(added.find("\n\nOpen comm port failed.\n\n"), std::string::npos);
    EXPECT_TRUE(added.ends_with("COM2\n\nBuildCommDCB error.\n\n")) << added;
}

}  // namespace
}  // namespace quillsan::test
