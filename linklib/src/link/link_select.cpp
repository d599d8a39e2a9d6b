#include "link_select.h"

#include "diagnostic_log.h"
#include "request.h"
#include "serial_transport.h"
#include "usb_transport.h"

namespace quillsan {

// Chosen again for every packet: a held USB device takes precedence over an open port.
bool SendPacket(const std::uint8_t* bytes, std::size_t length) {
    if (length > kMaxRequestBytes) return false;
    if (UsbConnected()) {
        DiscardStaleReplies();
        return SendUsbPacket(bytes, static_cast<std::int32_t>(length));
    }
    return SerialSend(bytes, length);
}

bool ReceiveReply(std::uint8_t* destination, std::uint8_t command, std::size_t length) {
    if (!UsbConnected()) return SerialReceive(destination, command, length);
    // The payload holds the echo and at most 255 reply bytes.
    if (length >= kReplyPayloadBytes) return false;
    std::uint8_t payload[kReplyPayloadBytes];
    // A report that never came is no reply, even for a command whose echo is 0.
    if (ReceiveUsbReply(payload) != UsbReply::kArrived || payload[0] != command) return false;
    for (std::size_t i = 0; i < length; ++i) destination[i] = payload[1 + i];
    return true;
}

bool InitRemoteCommImpl(std::uint32_t baudRate, std::uint32_t portIndex) {
    LogLine("InitRemoteComm called\n");
    if (baudRate == 0) return FindHid(nullptr, 0);
    return OpenCommPort(baudRate, portIndex);
}

}  // namespace quillsan
