// The exports of the instrument's item store: counts, lists, names, users,
// folders, head status.
// Records move as bytes between the staging buffer and the caller's record at
// the offsets of the record tables; nothing else of a caller's record is touched.
#include <cstring>

#include "diagnostic_log.h"
#include "engine.h"
#include "memory_transfer.h"
#include "quillsan.h"
#include "result_forms.h"

using namespace quillsan;

namespace {

enum Command : std::uint8_t {
    kFolderByName = 54,
    kProtocolByName = 55,
    kUserByName = 56,
    kInsertUser = 57,
    kInsertFolder = 58,
    kItemName = 62,
    kUser = 63,
    kFolder = 64,
    kItemList = 66,
    kHeadStatus = 67,
    kItemCount = 68,
    kItemType = 69,
    kDeleteItem = 70,
    kHeadStatus2 = 96,
};

std::uint8_t* Bytes(void* record) {
    return static_cast<std::uint8_t*>(record);
}
const std::uint8_t* Bytes(const void* record) {
    return static_cast<const std::uint8_t*>(record);
}

// A reply byte widened to a little-endian 32-bit field.
void PutByteAsValue(std::uint8_t* field, std::uint8_t byte) {
    const std::uint8_t value[4] = {byte, 0, 0, 0};
    std::memcpy(field, value, sizeof value);
}

// Copies `count` reply bytes starting at `from` to record offset `to`.
struct Span {
    std::size_t from, to, count;
};
template <std::size_t N>
void CopySpans(std::uint8_t* record, const std::uint8_t* reply, const Span (&spans)[N]) {
    for (const Span& span : spans) std::memcpy(record + span.to, reply + span.from, span.count);
}

std::uint32_t LookUpByName(const char* name, std::uint8_t command) {
    if (!UploadString(name)) return kUploadFailed;
    return RemoteCall(command);
}

}  // namespace

extern "C" {

uint32_t QUILLSAN_CALL GetItemCount(uint32_t collection, uint32_t selector) {
    return RemoteCall(kItemCount, Low16(collection), Low8(selector));
}

uint32_t QUILLSAN_CALL GetItemList(uint16_t* list, uint32_t collection, uint32_t selector) {
    const std::uint32_t count = Low16(GetItemCount(collection, selector));
    if (count == 0) return 0;
    const std::uint32_t length = DownloadRecord(kItemList, Low16(collection), Low8(selector));
    if (Low16(length / 2) != count) {
        LogLine("Remote DLL error: List length byte count mismatch.\n");
        return 0;
    }
    // count equals the handles the downloaded bytes hold, so the copy stays inside them.
    std::memcpy(list, StagingBuffer(), count * sizeof(std::uint16_t));
    return count;
}

uint32_t QUILLSAN_CALL GetItemName(char* buffer, uint32_t handle) {
    const std::uint32_t length = DownloadRecord(kItemName, Low16(handle));
    if (length == 0) return 0;
    std::memcpy(buffer, StagingBuffer(), length);
    return 1;
}

uint32_t QUILLSAN_CALL GetItemType(uint32_t handle) {
    return RemoteCall(kItemType, Low16(handle));
}

uint32_t QUILLSAN_CALL DeleteItem(uint32_t handle) {
    return RemoteCall(kDeleteItem, Low16(handle));
}

uint32_t QUILLSAN_CALL GetUserHandle(const char* name) {
    return LookUpByName(name, kUserByName);
}

uint32_t QUILLSAN_CALL GetFolderHandle(const char* name) {
    return LookUpByName(name, kFolderByName);
}

uint32_t QUILLSAN_CALL GetProtocolHandle(const char* name) {
    return LookUpByName(name, kProtocolByName);
}

uint32_t QUILLSAN_CALL GetUser(UserRecord* user, uint32_t handle) {
    if (DownloadRecord(kUser, Low16(handle)) == 0) return 0;
    // The read reply carries 13 name bytes; offsets 13 to 25 and 39 stay as they were.
    static constexpr Span kSpans[] = {{0, 0, 13}, {13, 26, 13}, {26, 40, 17}};
    CopySpans(Bytes(user), StagingBuffer(), kSpans);
    return 1;
}

uint32_t QUILLSAN_CALL InsertUser(const UserRecord* user, uint32_t value) {
    struct Field {
        std::size_t offset, width;
    };
    static constexpr Field kUploadOrder[] = {{0, 26}, {26, 13}, {40, 2}, {42, 2}, {44, 2},
                                             {46, 2}, {48, 2},  {50, 1}, {51, 1}, {52, 1},
                                             {53, 1}, {54, 2},  {56, 1}};
    ResetStaging();
    for (const Field& field : kUploadOrder) AppendStaging(field.width, Bytes(user) + field.offset);
    if (!UploadStaging()) return kUploadFailed;
    return InsertAnswer(RemoteCall(kInsertUser, Low16(value)));
}

uint32_t QUILLSAN_CALL GetFolder(char* name25, uint32_t handle) {
    if (DownloadRecord(kFolder, Low16(handle)) == 0) return 0;
    std::memcpy(name25, StagingBuffer(), kFolderNameBytes);
    return 1;
}

uint32_t QUILLSAN_CALL InsertFolder(const char* name25, uint32_t value1, uint32_t value2) {
    if (!UploadFolderName(name25)) return kUploadFailed;
    return InsertAnswer(RemoteCall(kInsertFolder, Low16(value1), Low16(value2)));
}

uint32_t QUILLSAN_CALL GetHeadStatus(HeadStatus* status, uint32_t selector) {
    if (DownloadRecord(kHeadStatus, Low8(selector)) == 0) return 0;
    const std::uint8_t* reply = StagingBuffer();
    std::uint8_t* record = Bytes(status);
    PutByteAsValue(record + 0, reply[0]);
    PutByteAsValue(record + 4, reply[1]);
    PutByteAsValue(record + 8, reply[18]);
    static constexpr Span kSpans[] = {{2, 12, 4}, {6, 16, 10}};
    CopySpans(record, reply, kSpans);
    return 1;
}

uint32_t QUILLSAN_CALL GetHeadStatus2(HeadStatus2* status, uint32_t selector) {
    if (DownloadRecord(kHeadStatus2, Low8(selector)) == 0) return 0;
    const std::uint8_t* reply = StagingBuffer();
    std::uint8_t* record = Bytes(status);
    PutByteAsValue(record + 0, reply[0]);
    PutByteAsValue(record + 4, reply[1]);
    PutByteAsValue(record + 8, reply[19]);
    // Offset 15 has no reply byte and stays as it was.
    static constexpr Span kSpans[] = {{2, 12, 3}, {5, 16, 12}, {20, 28, 4}};
    CopySpans(record, reply, kSpans);
    return 1;
}

}  // extern "C"
