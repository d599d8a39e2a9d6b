// The item store through the exports of the loaded library: what each export
// copies into a caller's record, and nothing more.
#include <cstring>

#include "case_names.h"
#include "dll_support.h"
#include "instrument/fault_plan.h"
#include "instrument/item_store.h"

namespace quillsan::test {
namespace {

using test_support::PrintTo;

class ItemStoreTest : public VirtualDllTest {
  protected:
    template <typename Record>
    static Record Filled(std::uint8_t byte) {
        Record record;
        std::memset(&record, byte, sizeof record);
        return record;
    }
    template <typename Record>
    static const std::uint8_t* BytesOf(const Record& record) {
        return reinterpret_cast<const std::uint8_t*>(&record);
    }
};

TEST_F(ItemStoreTest, RunsAreCountedAndNamed) {
    const std::uint32_t runs = dll_.GetItemCount(instrument::kRunCollection, 0);
    EXPECT_EQ(runs, 12u);
    char name[100];
    for (std::uint32_t i = 0; i < runs; ++i) {
        std::memset(name, 0, sizeof name);
        ASSERT_EQ(dll_.GetItemName(name, 0x7000 | i), 1u) << i;
        EXPECT_EQ(std::string(name).rfind("RUN ", 0), 0u) << name;
    }
    EXPECT_EQ(Sent(68).front(), (Wire{68, 0x40, 0x06, 0x00}));
}

#if defined(QUILLSAN_INSTALLED_VIRTUAL_DLL)
// The installed virtual flavour answers from its own instrument, shaped by the
// environment as it loads, and never from one its host program offers.
TEST(InstalledVirtualDll, FollowsItsEnvironmentAndIgnoresALentInstrument) {
    ScratchDirectory scratch;
    LentInstrument().Reset();
    setenv("QUILLSAN_VIRTUAL_RUNS", "3", 1);
    setenv("QUILLSAN_VIRTUAL_REPORT_LINES", "5", 1);
    Dll dll(QUILLSAN_INSTALLED_VIRTUAL_DLL);
    unsetenv("QUILLSAN_VIRTUAL_RUNS");
    unsetenv("QUILLSAN_VIRTUAL_REPORT_LINES");
    ASSERT_NE(dll.handle, nullptr) << loader::LoadError();
    // Its own instrument is never destroyed, so the library stays loaded too
    // rather than leave it unreachable.
    dlopen(QUILLSAN_INSTALLED_VIRTUAL_DLL, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    ASSERT_EQ(dll.InitRemoteComm(0, 0), 1u);  // the USB device: no port is left to close
    EXPECT_EQ(dll.GetItemCount(0x4006, 0), 3u);
    dll.SetSlaveParameter(22, 0x7002, 1);
    EXPECT_EQ(dll.GetItemCount(0x4007, 0), 5u);
    EXPECT_EQ(dll.GetRemoteError(), 0);
    EXPECT_EQ(LentInstrument().firmware().ExecutedCount(), 0u);
}
#endif

TEST_F(ItemStoreTest, EmptyListCostsOneCallAndLeavesTheListAlone) {
    std::uint16_t list[4] = {0xAAAA, 0xAAAA, 0xAAAA, 0xAAAA};
    EXPECT_EQ(dll_.GetItemList(list, instrument::kReportLineCollection, 0), 0u);
    EXPECT_EQ(requests_.size(), 1u);
    EXPECT_EQ(list[0], 0xAAAA);
}

// The user list as the instrument sends it, or spoilt: exactly the handles are
// copied, or none and the mismatch line is logged.
struct ListCase {
    const char* name;
    int cleanReplies;         // before a wrong echo; -1: none
    std::uint32_t announced;  // 0: no forced answer
    std::vector<std::uint16_t> handles;
};

class UserList : public ItemStoreTest, public ::testing::WithParamInterface<ListCase> {};

TEST_P(UserList, CopiesTheHandlesInOrderOrFailsWithTheMismatchLine) {
    const ListCase& c = GetParam();
    if (c.announced != 0) firmware().ForceNextAnswer(66, c.announced);
    if (c.cleanReplies >= 0) {
        line().Faults().cleanRepliesFirst = c.cleanReplies;
        line().Faults().wrongEchoReplies = 1;
    }
    std::vector<std::uint16_t> list(8, 0xAAAA);
    EXPECT_EQ(dll_.GetItemList(list.data(), 0x4001, 0), c.handles.size());
    std::vector<std::uint16_t> expected = c.handles;
    expected.resize(list.size(), 0xAAAA);
    EXPECT_EQ(list, expected);
    const bool logged =
        scratch_.Log().find("Remote DLL error: List length byte count mismatch.\n\n") !=
        std::string::npos;
    EXPECT_EQ(logged, c.handles.empty());
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(ItemStore, UserList, ::testing::Values(
    ListCase{"ThreeUsers", -1, 0, {0x1000, 0x1001, 0x1002}},
    ListCase{"OddTrailingByte", -1, 2 * 3 + 1, {0x1000, 0x1001, 0x1002}},
    ListCase{"Command66Fails", 1, 0, {}},
    ListCase{"TooShort", -1, 4, {}},
    ListCase{"TooLong", -1, 8, {}},
    ListCase{"DownloadFails", 3, 0, {}},
    ListCase{"Oversized", -1, 4000, {}}),
    test_support::ByCaseName{});
// clang-format on

TEST_F(ItemStoreTest, NameGetsExactlyTheAnnouncedBytes) {
    firmware().ForceNextAnswer(62, 5);
    char name[32];
    std::memset(name, 0x5A, sizeof name);
    EXPECT_EQ(dll_.GetItemName(name, 0x1000), 1u);
    EXPECT_EQ(std::string(name, 5), "ADMIN");
    EXPECT_EQ(name[5], 0x5A);
}

TEST_F(ItemStoreTest, UnknownHandleGivesNoName) {
    char name[8] = "keep";
    EXPECT_EQ(dll_.GetItemName(name, 0x7FFF), 0u);
    EXPECT_STREQ(name, "keep");
    EXPECT_EQ(dll_.GetRemoteError(), 0);
}

TEST_F(ItemStoreTest, UserRoundTripCopiesOnlyTheTableBytes) {
    UserRecord user = Filled<UserRecord>(0);
    std::strcpy(user.name, "MARTA NOWAK");
    std::memcpy(user.name + 13, "TAIL-OF-NAME", 12);
    std::strcpy(user.extraText, "Cycler room");
    user.word0 = 0x1234;
    user.word4 = 0xBEEF;
    user.byte0 = 7;
    user.byte3 = 9;
    user.word5 = 0x0102;
    user.byte4 = 0xFE;
    const std::uint32_t handle = dll_.InsertUser(&user, 3);
    ASSERT_NE(handle & 0xFFFF, 0xFFFFu);
    const Requests writes = Sent(0);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].size(), 7u + 56u);
    EXPECT_EQ(Wire(writes[0].begin() + 7, writes[0].begin() + 33), Wire(user.name, user.name + 26));
    EXPECT_EQ(writes[0].back(), 0xFE);

    UserRecord back = Filled<UserRecord>(0xC3);
    ASSERT_EQ(dll_.GetUser(&back, handle) & 0xFFFF, 1u);
    const std::uint8_t* b = BytesOf(back);
    const std::uint8_t* u = BytesOf(user);
    EXPECT_EQ(Wire(b, b + 13), Wire(u, u + 13));
    EXPECT_EQ(Wire(b + 13, b + 26), Wire(13, 0xC3)) << "name bytes 13 to 25 stay as they were";
    EXPECT_EQ(Wire(b + 26, b + 39), Wire(u + 26, u + 39));
    EXPECT_EQ(b[39], 0xC3);
    EXPECT_EQ(Wire(b + 40, b + 57), Wire(u + 40, u + 57));
    EXPECT_EQ(dll_.GetUserHandle("MARTA NOWAK"), handle);
}

TEST_F(ItemStoreTest, FolderAlwaysCopies25Bytes) {
    char folder[32];
    std::memset(folder, 0x5A, sizeof folder);
    EXPECT_EQ(dll_.GetFolder(folder, 0x2000) & 0xFFFF, 1u);
    EXPECT_STREQ(folder, "GENERAL");
    EXPECT_EQ(folder[24], 0);
    EXPECT_EQ(folder[25], 0x5A);
}

TEST_F(ItemStoreTest, FolderInsertLookupDelete) {
    char field[25] = "PLASMID PREPS";
    const std::uint32_t handle = dll_.InsertFolder(field, 0, 0) & 0xFFFF;
    ASSERT_NE(handle, 0xFFFFu);
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(dll_.GetFolderHandle("PLASMID PREPS"), handle);
    EXPECT_EQ(dll_.GetItemCount(instrument::kFolderCollection, 0), 4u);
    EXPECT_NE(dll_.DeleteItem(handle), 0u);
    EXPECT_EQ(dll_.GetFolderHandle("PLASMID PREPS"), 0u);
    EXPECT_EQ(dll_.GetItemCount(instrument::kFolderCollection, 0), 3u);
    EXPECT_EQ(dll_.GetRemoteError(), 0);
}

TEST_F(ItemStoreTest, HeadStatusFillsEveryByteFromTheReply) {
    HeadStatus status = Filled<HeadStatus>(0xC3);
    ASSERT_EQ(dll_.GetHeadStatus(&status, 0) & 0xFFFF, 1u);
    const std::uint8_t* reply = firmware().MemoryAt(instrument::kTransferBufferAddress, 19);
    const std::uint8_t* s = BytesOf(status);
    EXPECT_EQ(status.value0, reply[0]);
    EXPECT_EQ(status.value1, reply[1]);
    EXPECT_EQ(status.value2, reply[18]);
    EXPECT_EQ(Wire(s + 12, s + 26), Wire(reply + 2, reply + 16));
}

TEST_F(ItemStoreTest, HeadStatus2NeverWritesOffset15) {
    HeadStatus2 status = Filled<HeadStatus2>(0xC3);
    ASSERT_EQ(dll_.GetHeadStatus2(&status, 1) & 0xFFFF, 1u);
    const std::uint8_t* reply = firmware().MemoryAt(instrument::kTransferBufferAddress, 24);
    const std::uint8_t* s = BytesOf(status);
    EXPECT_EQ(status.value2, reply[19]);
    EXPECT_EQ(Wire(s + 12, s + 15), Wire(reply + 2, reply + 5));
    EXPECT_EQ(s[15], 0xC3);
    EXPECT_EQ(Wire(s + 16, s + 28), Wire(reply + 5, reply + 17));
    EXPECT_EQ(Wire(s + 28, s + 32), Wire(reply + 20, reply + 24));
}

TEST_F(ItemStoreTest, ShortRecordNeverShowsAnEarlierRecordsBytes) {
    HeadStatus first = Filled<HeadStatus>(0);
    ASSERT_EQ(dll_.GetHeadStatus(&first, 0) & 0xFFFF, 1u);
    firmware().ForceNextAnswer(67, 2);
    HeadStatus second = Filled<HeadStatus>(0xC3);
    ASSERT_EQ(dll_.GetHeadStatus(&second, 0) & 0xFFFF, 1u);
    EXPECT_EQ(second.value2, 0u);
    EXPECT_EQ(second.word4, 0u);
}

TEST_F(ItemStoreTest, InsertFailsWithFFFFWhenTheCommandFails) {
    char field[25] = "X";
    line().Faults().cleanRepliesFirst = 2;  // address fetch and upload
    line().Faults().wrongEchoReplies = 1;
    EXPECT_EQ(dll_.InsertFolder(field, 0, 0), 0xFFFFu);
    EXPECT_EQ(dll_.GetRemoteError(), 6);
}

TEST_F(ItemStoreTest, SerialNumberTextIsBoundedByTheDownload) {
    char text[32];
    EXPECT_EQ(dll_.GetPCRSerNum(text, sizeof text), 13u);
    EXPECT_STREQ(text, instrument::kSerialNumber);
    EXPECT_EQ(dll_.GetPCRSerNum(text, 6), 6u);
    EXPECT_STREQ(text, "ZT-96");
    // A text announced without its terminator ends where the download ends.
    char runName[2049];
    dll_.GetItemName(runName, 0x7000);  // leave a longer text in the staging buffer
    firmware().ForceNextAnswer(91, 5);
    std::memset(text, 0x5A, sizeof text);
    EXPECT_EQ(dll_.GetPCRSerNum(text, sizeof text), 5u);
    EXPECT_EQ(std::string(text, 6), std::string("ZT-96\0", 6));
    EXPECT_EQ(text[31], 0);
}

TEST_F(ItemStoreTest, PcrVersionFollowsTheFirmwareNumber) {
    firmware().ForceNextAnswer(2, 1005);
    char text[64];
    EXPECT_EQ(dll_.GetPCRVersion(text, sizeof text), 22u);
    EXPECT_STREQ(text, "Pelmark Version 1.005");
}

}  // namespace
}  // namespace quillsan::test
