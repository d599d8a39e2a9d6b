#include "link_select.h"

#include "diagnostic_log.h"
#include "engine.h"
#include "serial_transport.h"

namespace quillsan {

// Only the serial line carries packets until a USB device can be held.
bool SendPacket(const std::uint8_t* bytes, std::size_t length) {
    if (length > kMaxRequestBytes) return false;
    return SerialSend(bytes, length);
}

bool ReceiveReply(std::uint8_t* destination, std::uint8_t command, std::size_t length) {
    return SerialReceive(destination, command, length);
}

std::uint32_t InitRemoteCommImpl(std::uint32_t baudRate, std::uint32_t portIndex) {
    WriteLogEntry("InitRemoteComm called\n", kLogName);
    if (baudRate == 0) return 0;  // the USB search needs the USB transport
    return OpenCommPort(baudRate, portIndex) ? 1 : 0;
}

}  // namespace quillsan
