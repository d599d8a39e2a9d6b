// Protocol exports in both encodings: encode into the staging buffer, upload,
// then the command that consumes it; or the record command, download, decode.
#include "engine.h"
#include "link_error.h"
#include "memory_transfer.h"
#include "protocol_codec.h"
#include "quillsan.h"
#include "result_forms.h"

using namespace quillsan;

namespace {

// The two encodings differ only in their codec and their command numbers.
template <typename Record>
struct Form;

template <>
struct Form<ProtocolRecord> {
    static constexpr auto Encode = EncodeProtocol;
    static constexpr auto Decode = DecodeProtocol;
    static constexpr std::uint8_t kGet = 65;
    static constexpr std::uint8_t kInsert = 59;
    static constexpr std::uint8_t kStore = 60;
    static constexpr std::uint8_t kStoreRun = 61;
};

template <>
struct Form<ProtocolRecord2> {
    static constexpr auto Encode = EncodeProtocol2;
    static constexpr auto Decode = DecodeProtocol2;
    static constexpr std::uint8_t kGet = 93;
    static constexpr std::uint8_t kInsert = 97;
    static constexpr std::uint8_t kStore = 94;
    static constexpr std::uint8_t kStoreRun = 95;
};

// False when the record is refused or the upload fails.
template <typename Record>
bool Upload(const Record* record) {
    const std::size_t length = Form<Record>::Encode(StagingBuffer(), *record);
    if (length == 0) {
        // Refused: nothing goes out, and the caller must not take 0 or 0xFFFF
        // for the instrument's answer.
        SetLinkError(kSendFailed);
        return false;
    }
    return UploadToTransferBuffer(static_cast<std::uint32_t>(length), StagingBuffer());
}

template <typename Record>
std::uint32_t Get(Record* record, std::uint32_t handle) {
    const std::uint32_t length = DownloadRecord(Form<Record>::kGet, Low16(handle));
    if (length == 0) return 0;
    return Form<Record>::Decode(*record, StagingBuffer(), length) != 0 ? 1 : 0;
}

template <typename Record>
std::uint32_t Insert(const Record* record, std::uint32_t value1, std::uint32_t value2) {
    if (!Upload(record)) return kUploadFailed;
    return InsertAnswer(RemoteCall(Form<Record>::kInsert, Low16(value1), Low16(value2)));
}

template <typename Record>
std::uint32_t Store(const Record* record, std::uint32_t value) {
    if (!Upload(record)) return 0;
    return StoreAnswer(RemoteCall(Form<Record>::kStore, Low16(value)));
}

template <typename Record>
std::uint32_t StoreRun(const Record* record, std::uint32_t value1, std::uint32_t value2) {
    if (!Upload(record)) return 0;
    return StoreAnswer(RemoteCall(Form<Record>::kStoreRun, Low8(value1), Low8(value2)));
}

}  // namespace

extern "C" {

uint32_t QUILLSAN_CALL GetProtocol(ProtocolRecord* record, uint32_t handle) {
    return Get(record, handle);
}

uint32_t QUILLSAN_CALL InsertProtocol(const ProtocolRecord* record, uint32_t value1,
                                      uint32_t value2) {
    return Insert(record, value1, value2);
}

uint32_t QUILLSAN_CALL StoreProtocol(const ProtocolRecord* record, uint32_t value) {
    return Store(record, value);
}

uint32_t QUILLSAN_CALL StoreRunProtocol(const ProtocolRecord* record, uint32_t value1,
                                        uint32_t value2) {
    return StoreRun(record, value1, value2);
}

uint32_t QUILLSAN_CALL GetProtocol2(ProtocolRecord2* record, uint32_t handle) {
    return Get(record, handle);
}

uint32_t QUILLSAN_CALL InsertProtocol2(const ProtocolRecord2* record, uint32_t value1,
                                       uint32_t value2) {
    return Insert(record, value1, value2);
}

uint32_t QUILLSAN_CALL StoreProtocol2(const ProtocolRecord2* record, uint32_t value) {
    return Store(record, value);
}

uint32_t QUILLSAN_CALL StoreRunProtocol2(const ProtocolRecord2* record, uint32_t value1,
                                         uint32_t value2) {
    return StoreRun(record, value1, value2);
}

}  // extern "C"
