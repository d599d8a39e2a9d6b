// The commands that move records through the transfer buffer: record commands
// place a record and answer its length; lookups, inserts and stores consume
// what the host uploaded just before.
#include <algorithm>
#include <cstring>
#include <string_view>

#include "instrument/firmware.h"
#include "wire_bytes.h"

namespace instrument {
namespace {

constexpr std::size_t kHeadStatusSize = 19;
constexpr std::size_t kHeadStatus2Size = 24;
constexpr std::size_t kMaxListedItems = kTransferBufferSize / 2;

std::string_view FieldText(const std::uint8_t* bytes, std::size_t size) {
    const char* text = reinterpret_cast<const char*>(bytes);
    const void* end = std::memchr(text, 0, size);
    return {text, end ? static_cast<std::size_t>(static_cast<const char*>(end) - text) : size};
}

// Collections other than the report's lines: 0x4001 users, 0x4002 folders,
// 0x4003 protocols, 0x4006 runs.
ItemKind CollectionKind(std::uint16_t collection) {
    switch (collection) {
        case kUserCollection:
            return ItemKind::kUser;
        case kFolderCollection:
            return ItemKind::kFolder;
        case kProtocolCollection:
            return ItemKind::kProtocol;
        case kRunCollection:
            return ItemKind::kRun;
        default:
            return ItemKind::kNone;
    }
}

}  // namespace

std::uint16_t Firmware::PlaceRecord(const std::uint8_t* bytes, std::size_t length) {
    if (length == 0 || length > kTransferBufferSize) return 0;
    std::memcpy(MemoryAt(kTransferBufferAddress, length), bytes, length);
    uploadExtent_ = 0;
    return static_cast<std::uint16_t>(length);
}

// Names go out with their terminating zero, counted in the length.
std::uint16_t Firmware::PlaceItemName(std::uint16_t handle) {
    if (KindOf(handle) == ItemKind::kReportLine) {
        char line[kMaxReportLine + 1];
        const int length = report_.Line(NumberOf(handle), line);
        if (length < 0) return 0;
        return PlaceRecord(reinterpret_cast<const std::uint8_t*>(line),
                           static_cast<std::size_t>(length) + 1);
    }
    const auto name = store_.Name(handle);
    if (!name || name->size() + 1 > kTransferBufferSize) return 0;
    std::uint8_t* buffer = MemoryAt(kTransferBufferAddress, name->size() + 1);
    std::memcpy(buffer, name->data(), name->size());
    buffer[name->size()] = 0;
    uploadExtent_ = 0;
    return static_cast<std::uint16_t>(name->size() + 1);
}

// The read reply drops the upload's name bytes 13 to 25 and keeps the rest in order.
std::uint16_t Firmware::PlaceUser(std::uint16_t handle) {
    const UserItem* user = store_.User(handle);
    if (user == nullptr) return 0;
    std::uint8_t record[kUserReplySize];
    std::memcpy(record, user->upload.data(), 13);
    std::memcpy(record + 13, user->upload.data() + 26, kUserUploadSize - 26);
    return PlaceRecord(record, sizeof record);
}

std::uint16_t Firmware::PlaceFolder(std::uint16_t handle) {
    const FolderItem* folder = store_.Folder(handle);
    return folder ? PlaceRecord(folder->name.data(), folder->name.size()) : 0;
}

std::uint16_t Firmware::PlaceProtocol(std::uint16_t handle, bool secondForm) {
    const ProtocolItem* protocol = store_.Protocol(handle);
    if (protocol == nullptr) return 0;
    const auto& bytes = secondForm ? protocol->secondForm : protocol->firstForm;
    return PlaceRecord(bytes.data(), bytes.size());
}

std::uint16_t Firmware::PlaceItemList(std::uint16_t collection) {
    std::uint16_t handles[kMaxListedItems];
    std::size_t count = 0;
    if (collection == kReportLineCollection) {
        count = report_.LineCount();
        for (std::size_t i = 0; i < count && i < kMaxListedItems; ++i) {
            handles[i] = MakeHandle(ItemKind::kReportLine, static_cast<std::uint16_t>(i));
        }
    } else {
        count = store_.Handles(CollectionKind(collection), handles, kMaxListedItems);
    }
    // A list that does not fit the transfer buffer is not placed at all.
    if (count == 0 || count > kMaxListedItems) return 0;
    std::uint8_t* buffer = MemoryAt(kTransferBufferAddress, 2 * count);
    for (std::size_t i = 0; i < count; ++i) wire::WriteLittle16(buffer + 2 * i, handles[i]);
    uploadExtent_ = 0;
    return static_cast<std::uint16_t>(2 * count);
}

// Head status: state, head type, flags, then block, lid, heat sink and ambient
// temperatures and the running cycle, little-endian, in tenths of a degree.
std::uint16_t Firmware::PlaceHeadStatus(std::uint8_t selector, bool secondForm) {
    std::uint8_t record[kHeadStatus2Size] = {};
    const std::uint16_t words[] = {250, 1050, 280, 230, 0, 0, 0};
    record[0] = 0;         // idle
    record[1] = selector;  // head asked for
    record[2] = 1;         // 96-well block
    record[3] = 1;         // lid closed
    record[4] = 0;         // no error
    const std::size_t first = secondForm ? 5 : 6;
    const std::size_t wordCount = secondForm ? 6 : 5;
    for (std::size_t i = 0; i < wordCount; ++i)
        wire::WriteLittle16(record + first + 2 * i, words[i]);
    if (secondForm) {
        record[19] = 96;
        wire::WriteLittle16(record + 20, 40);
        wire::WriteLittle16(record + 22, 1009);
        return PlaceRecord(record, kHeadStatus2Size);
    }
    record[18] = 96;
    return PlaceRecord(record, kHeadStatusSize);
}

// Sent with its terminating zero, like item names.
std::uint16_t Firmware::PlaceSerialNumber() {
    return PlaceRecord(reinterpret_cast<const std::uint8_t*>(kSerialNumber), sizeof kSerialNumber);
}

const std::uint8_t* Firmware::TakeUpload(std::size_t& length) {
    length = uploadExtent_;
    uploadExtent_ = 0;
    return MemoryAt(kTransferBufferAddress, length);
}

std::uint16_t Firmware::LookUp(ItemKind kind) {
    std::size_t length = 0;
    const std::uint8_t* upload = TakeUpload(length);
    const auto name = LeadingName(upload, length);
    return name && !name->empty() ? store_.FindByName(kind, *name) : 0;
}

std::uint16_t Firmware::InsertUser(std::uint16_t value) {
    std::size_t length = 0;
    const std::uint8_t* upload = TakeUpload(length);
    if (length < kUserUploadSize) return 0;
    const std::string_view name = FieldText(upload, 26);
    // Names identify users in lookups, so they must be present and unique.
    if (name.empty() || store_.FindByName(ItemKind::kUser, name) != 0) return 0;
    UserItem user;
    std::memcpy(user.upload.data(), upload, kUserUploadSize);
    user.value = value;
    return store_.AddUser(user);
}

std::uint16_t Firmware::InsertFolder(std::uint16_t value1, std::uint16_t value2) {
    std::size_t length = 0;
    const std::uint8_t* upload = TakeUpload(length);
    if (length < kFolderNameSize) return 0;
    const std::string_view name = FieldText(upload, kFolderNameSize);
    if (name.empty() || store_.FindByName(ItemKind::kFolder, name) != 0) return 0;
    FolderItem folder;
    std::memcpy(folder.name.data(), upload, kFolderNameSize);
    folder.value1 = value1;
    folder.value2 = value2;
    return store_.AddFolder(folder);
}

std::uint16_t Firmware::InsertProtocol(std::uint16_t value1, std::uint16_t value2,
                                       bool secondForm) {
    std::size_t length = 0;
    const std::uint8_t* upload = TakeUpload(length);
    const auto name = LeadingName(upload, length);
    if (!name || name->empty() || store_.FindByName(ItemKind::kProtocol, *name) != 0) return 0;
    ProtocolItem protocol;
    (secondForm ? protocol.secondForm : protocol.firstForm).assign(upload, upload + length);
    protocol.value1 = value1;
    protocol.value2 = value2;
    return store_.AddProtocol(std::move(protocol));
}

// Overwriting one form drops the other, which would no longer describe the protocol.
std::uint16_t Firmware::StoreProtocol(std::uint16_t handle, bool secondForm) {
    std::size_t length = 0;
    const std::uint8_t* upload = TakeUpload(length);
    ProtocolItem* protocol = store_.Protocol(handle);
    const auto name = LeadingName(upload, length);
    if (protocol == nullptr || !name || name->empty()) return 0;
    (secondForm ? protocol->secondForm : protocol->firstForm).assign(upload, upload + length);
    (secondForm ? protocol->firstForm : protocol->secondForm).clear();
    return 1;
}

std::uint16_t Firmware::StoreRunProtocol(std::uint8_t /*slot*/, bool secondForm) {
    std::size_t length = 0;
    const std::uint8_t* upload = TakeUpload(length);
    const auto name = LeadingName(upload, length);
    if (!name || name->empty()) return 0;
    runProtocols_[secondForm ? 1 : 0].assign(upload, upload + length);
    return 1;
}

std::uint16_t Firmware::ItemCount(std::uint16_t collection) const {
    if (collection == kReportLineCollection) {
        return static_cast<std::uint16_t>(report_.LineCount());
    }
    return static_cast<std::uint16_t>(store_.Count(CollectionKind(collection)));
}

std::uint16_t Firmware::ItemType(std::uint16_t handle) const {
    if (KindOf(handle) == ItemKind::kReportLine) {
        return NumberOf(handle) < report_.LineCount()
                   ? static_cast<std::uint16_t>(ItemKind::kReportLine)
                   : 0;
    }
    return store_.Exists(handle) ? static_cast<std::uint16_t>(KindOf(handle)) : 0;
}

std::uint16_t Firmware::DeleteItem(std::uint16_t handle) {
    return store_.Delete(handle) ? 1 : 0;
}

}  // namespace instrument
