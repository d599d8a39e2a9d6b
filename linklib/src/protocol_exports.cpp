// Protocol exports in both encodings: encode into the staging buffer, upload,
// then the command that consumes it; or the record command, download, decode.
#include "engine.h"
#include "memory_transfer.h"
#include "protocol_codec.h"
#include "quillsan.h"
#include "result_forms.h"

using namespace quillsan;

namespace {

enum Command : std::uint8_t {
    kInsertProtocol = 59,
    kStoreProtocol = 60,
    kStoreRunProtocol = 61,
    kGetProtocol = 65,
    kGetProtocol2 = 93,
    kStoreProtocol2 = 94,
    kStoreRunProtocol2 = 95,
    kInsertProtocol2 = 97,
};

// The encoded length on success; 0 when the record is refused or the upload fails.
template <typename Record, std::size_t (*Encode)(std::uint8_t*, const Record&)>
std::uint32_t Upload(const Record* record) {
    const std::size_t length = Encode(StagingBuffer(), *record);
    if (length == 0) return 0;  // refused: nothing goes out
    return UploadToTransferBuffer(static_cast<std::uint32_t>(length), StagingBuffer())
               ? static_cast<std::uint32_t>(length)
               : 0;
}

std::uint32_t UploadProtocol(const ProtocolRecord* record) {
    return Upload<ProtocolRecord, EncodeProtocol>(record);
}

std::uint32_t UploadProtocol2(const ProtocolRecord2* record) {
    return Upload<ProtocolRecord2, EncodeProtocol2>(record);
}

}  // namespace

extern "C" {

uint32_t QUILLSAN_CALL GetProtocol(ProtocolRecord* record, uint32_t handle) {
    const std::uint32_t length = DownloadRecord(kGetProtocol, Low16(handle));
    if (length == 0) return 0;
    return DecodeProtocol(*record, StagingBuffer(), length) != 0 ? 1 : 0;
}

uint32_t QUILLSAN_CALL InsertProtocol(const ProtocolRecord* record, uint32_t value1,
                                      uint32_t value2) {
    if (UploadProtocol(record) == 0) return kUploadFailed;
    return InsertAnswer(RemoteCall(kInsertProtocol, Low16(value1), Low16(value2)));
}

uint32_t QUILLSAN_CALL StoreProtocol(const ProtocolRecord* record, uint32_t value) {
    if (UploadProtocol(record) == 0) return 0;
    return StoreAnswer(RemoteCall(kStoreProtocol, Low16(value)));
}

uint32_t QUILLSAN_CALL StoreRunProtocol(const ProtocolRecord* record, uint32_t value1,
                                        uint32_t value2) {
    if (UploadProtocol(record) == 0) return 0;
    return StoreAnswer(RemoteCall(kStoreRunProtocol, Low8(value1), Low8(value2)));
}

uint32_t QUILLSAN_CALL GetProtocol2(ProtocolRecord2* record, uint32_t handle) {
    const std::uint32_t length = DownloadRecord(kGetProtocol2, Low16(handle));
    if (length == 0) return 0;
    return DecodeProtocol2(*record, StagingBuffer(), length) != 0 ? 1 : 0;
}

uint32_t QUILLSAN_CALL InsertProtocol2(const ProtocolRecord2* record, uint32_t value1,
                                       uint32_t value2) {
    if (UploadProtocol2(record) == 0) return kUploadFailed;
    return InsertAnswer(RemoteCall(kInsertProtocol2, Low16(value1), Low16(value2)));
}

uint32_t QUILLSAN_CALL StoreProtocol2(const ProtocolRecord2* record, uint32_t value) {
    if (UploadProtocol2(record) == 0) return 0;
    return StoreAnswer(RemoteCall(kStoreProtocol2, Low16(value)));
}

uint32_t QUILLSAN_CALL StoreRunProtocol2(const ProtocolRecord2* record, uint32_t value1,
                                         uint32_t value2) {
    if (UploadProtocol2(record) == 0) return 0;
    return StoreAnswer(RemoteCall(kStoreRunProtocol2, Low8(value1), Low8(value2)));
}

}  // extern "C"
