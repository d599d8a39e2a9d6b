// The exports that open the link, report and clear its error, and reach the
// USB transport directly, with the result codes callers know.
#include "link_error.h"
#include "link_select.h"
#include "quillsan.h"
#include "usb_transport.h"

using namespace quillsan;

namespace {

constexpr std::uint32_t kFoundResult = 256;
constexpr std::uint32_t kSentResult = 257;
// GetUSBResponsePacket: a reply (or a zero payload when the input report did
// not come), the feature report not obtained, the input report not obtained.
constexpr std::uint32_t kReplyOk = 0;
constexpr std::uint32_t kFeatureNotObtained = 2;
constexpr std::uint32_t kInputNotObtained = 3;

}  // namespace

extern "C" {

uint32_t QUILLSAN_CALL InitRemoteComm(uint32_t baudRate, uint32_t portIndex) {
    return InitRemoteCommImpl(baudRate, portIndex) ? 1 : 0;
}

int32_t QUILLSAN_CALL GetRemoteError(void) {
    return CurrentLinkError();
}

uint32_t QUILLSAN_CALL ClearRemoteError(void) {
    ClearLinkError();
    return 0;
}

uint32_t QUILLSAN_CALL FindHID(HidInfo* info, uint32_t fieldLength) {
    return FindHid(info, fieldLength) ? kFoundResult : 0;
}

uint32_t QUILLSAN_CALL SendUSBPacket(const uint8_t* packet, int32_t length) {
    return SendUsbPacket(packet, length) ? kSentResult : 0;
}

uint32_t QUILLSAN_CALL GetUSBResponsePacket(uint8_t* payload256, int32_t* count) {
    if (count == nullptr) return kInputNotObtained;
    const UsbReply reply = ReceiveUsbReply(payload256);
    if (reply == UsbReply::kFeatureFailed) return kFeatureNotObtained;
    if (reply == UsbReply::kInputFailed) return kInputNotObtained;
    *count = static_cast<int32_t>(kReplyPayloadBytes);
    return kReplyOk;
}

uint8_t QUILLSAN_CALL bZtUsbConnected(void) {
    return UsbConnected() ? 1 : 0;
}

void* QUILLSAN_CALL GetUsbHandle(void) {
    return UsbHandle();
}

}  // extern "C"
