// Block transfers through the transfer buffer, seen on the bytes the virtual
// instrument receives, driven through the exports of the loaded library.
#include <cstring>
#include <regex>

#include "dll_support.h"
#include "instrument/fault_plan.h"
#include "instrument/item_store.h"

namespace quillsan::test {
namespace {

constexpr std::uint32_t kBuffer = instrument::kTransferBufferAddress;

Wire Header(std::uint8_t command, std::uint32_t address, std::size_t length) {
    return {command,
            static_cast<std::uint8_t>(address >> 24),
            static_cast<std::uint8_t>(address >> 16),
            static_cast<std::uint8_t>(address >> 8),
            static_cast<std::uint8_t>(address),
            static_cast<std::uint8_t>(length >> 8),
            static_cast<std::uint8_t>(length)};
}

Wire HeaderOf(const Wire& request) {
    return Wire(request.begin(), request.begin() + 7);
}

class TransferTest : public VirtualDllTest {};

TEST_F(TransferTest, FirstUploadFetchesTheBufferAddressOnceAndKeepsIt) {
    dll_.GetUserHandle("AB");
    dll_.GetUserHandle("CD");
    ASSERT_GE(requests_.size(), 5u);
    EXPECT_EQ(requests_[0], (Wire{0x02, 0x04, 0x00}));
    Wire upload = Header(0, kBuffer, 3);
    upload.insert(upload.end(), {'A', 'B', 0});
    EXPECT_EQ(requests_[1], upload);
    EXPECT_EQ(requests_[2], Wire{56});
    EXPECT_EQ(requests_[3][0], 0) << "the second upload goes straight to the block write";
    EXPECT_EQ(Sent(2).size(), 1u);
}

TEST_F(TransferTest, LongUploadGoesOutIn249ByteChunks) {
    const std::string name(499, 'N');  // 500 bytes with the terminator
    dll_.GetUserHandle(name.c_str());
    const Requests writes = Sent(0);
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(HeaderOf(writes[0]), Header(0, kBuffer, 249));
    EXPECT_EQ(HeaderOf(writes[1]), Header(0, kBuffer + 249, 249));
    EXPECT_EQ(HeaderOf(writes[2]), Header(0, kBuffer + 498, 2));
    EXPECT_EQ(writes[0].size(), 256u);
    EXPECT_EQ(writes[1].size(), 256u);
    EXPECT_EQ(writes[2].back(), 0);
}

TEST_F(TransferTest, LongDownloadComesIn254ByteChunks) {
    firmware().ForceNextAnswer(62, 600);
    std::vector<char> buffer(700, 0x5A);
    EXPECT_EQ(dll_.GetItemName(buffer.data(), 0x7000), 1u);
    const Requests reads = Sent(1);
    ASSERT_EQ(reads.size(), 3u);
    EXPECT_EQ(reads[0], Header(1, kBuffer, 254));
    EXPECT_EQ(reads[1], Header(1, kBuffer + 254, 254));
    EXPECT_EQ(reads[2], Header(1, kBuffer + 508, 92));
    EXPECT_EQ(buffer[600], 0x5A) << "exactly the announced bytes are written";
}

TEST_F(TransferTest, FailedSecondChunkLeavesTheFirstWrittenAndErrorEight) {
    dll_.GetUserHandle("warm up");  // the address fetch is behind us
    requests_.clear();
    line().Faults().cleanRepliesFirst = 1;
    line().Faults().wrongEchoReplies = 1;
    const std::string name = std::string(249, 'A') + std::string(250, 'B');
    EXPECT_EQ(dll_.GetUserHandle(name.c_str()), 0xFFFFu);
    EXPECT_EQ(dll_.GetRemoteError(), 8);
    EXPECT_EQ(Sent(0).size(), 2u) << "the rest of the range is not attempted";
    EXPECT_TRUE(Sent(56).empty());
    const std::uint8_t* memory = firmware().MemoryAt(kBuffer, 249);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(memory), 249), std::string(249, 'A'));
    const std::string stamp = "@[^\\n]{24}\\n\\r\\n\\n";
    const std::regex three("Link error #6 in function 0 " + stamp + "Link error #8 in function 0 " +
                           stamp + "Link error #8 in function 0 " + stamp + "$");
    EXPECT_TRUE(std::regex_search(scratch_.Log(), three)) << scratch_.Log();
}

TEST_F(TransferTest, FailedChunkOfADownloadEndsWithErrorNine) {
    line().Faults().cleanRepliesFirst = 2;  // command 62 and the address fetch
    line().Faults().dropReplies = 1;
    char name[64];
    std::memset(name, 0x5A, sizeof name);
    EXPECT_EQ(dll_.GetItemName(name, 0x7000), 0u);
    EXPECT_EQ(dll_.GetRemoteError(), 9);
    EXPECT_EQ(name[0], 0x5A);
}

TEST_F(TransferTest, PendingErrorBlocksTransfersButRecordCommandsStillRun) {
    line().Faults().wrongEchoReplies = 1;
    dll_.GetInstrumentStatus();
    ASSERT_EQ(dll_.GetRemoteError(), 6);
    requests_.clear();
    char name[64] = {};
    EXPECT_EQ(dll_.GetItemName(name, 0x7000), 0u);
    EXPECT_EQ(Sent(62).size(), 1u);
    EXPECT_TRUE(Sent(1).empty());
    EXPECT_EQ(dll_.GetUserHandle("ADMIN"), 0xFFFFu);
    EXPECT_TRUE(Sent(56).empty());
    EXPECT_TRUE(Sent(0).empty());
    dll_.ClearRemoteError();
    EXPECT_EQ(dll_.GetUserHandle("ADMIN"), 0x1000u);
}

TEST_F(TransferTest, TheLargestRecordFitsAndALargerOneIsRefusedUnread) {
    firmware().ForceNextAnswer(62, 2048);
    std::vector<char> buffer(4096, 0x5A);
    EXPECT_EQ(dll_.GetItemName(buffer.data(), 0x7000), 1u);
    EXPECT_EQ(dll_.GetRemoteError(), 0);
    EXPECT_EQ(buffer[2048], 0x5A);
    requests_.clear();
    firmware().ForceNextAnswer(62, 2049);
    std::fill(buffer.begin(), buffer.end(), 0x5A);
    EXPECT_EQ(dll_.GetItemName(buffer.data(), 0x7000), 0u);
    EXPECT_EQ(dll_.GetRemoteError(), 9);
    EXPECT_TRUE(Sent(1).empty()) << "no byte is downloaded";
    EXPECT_EQ(buffer[0], 0x5A);
}

TEST_F(TransferTest, FolderNameGoesOutAsItsWhole25ByteField) {
    char field[25];
    std::memset(field, 0x77, sizeof field);
    std::memcpy(field, "PCR\0", 4);
    dll_.InsertFolder(field, 1, 2);
    const Requests writes = Sent(0);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(Wire(writes[0].begin() + 7, writes[0].end()), Wire(field, field + 25));
    EXPECT_EQ(Sent(58).back(), (Wire{58, 0, 1, 0, 2}));
}

}  // namespace
}  // namespace quillsan::test
