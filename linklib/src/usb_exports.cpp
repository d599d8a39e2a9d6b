// The five USB exports; InitRemoteComm lives with the other exports.
#include "quillsan.h"
#include "usb_transport.h"

extern "C" {

uint32_t QUILLSAN_CALL FindHID(HidInfo* info, uint32_t fieldLength) {
    return quillsan::FindHid(info, fieldLength);
}

uint32_t QUILLSAN_CALL SendUSBPacket(const uint8_t* packet, int32_t length) {
    return quillsan::SendUsbPacket(packet, length);
}

uint32_t QUILLSAN_CALL GetUSBResponsePacket(uint8_t* payload256, int32_t* count) {
    return quillsan::GetUsbResponsePacket(payload256, count);
}

uint8_t QUILLSAN_CALL bZtUsbConnected(void) {
    return quillsan::UsbConnected() ? 1 : 0;
}

void* QUILLSAN_CALL GetUsbHandle(void) {
    return quillsan::UsbHandle();
}

}  // extern "C"
