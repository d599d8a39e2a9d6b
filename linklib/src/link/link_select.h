// Link selection: which transport carries each packet, and InitRemoteComm.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillsan {

// The engine's two transport operations; the transport is chosen per packet.
bool SendPacket(const std::uint8_t* bytes, std::size_t length);
bool ReceiveReply(std::uint8_t* destination, std::uint8_t command, std::size_t length);

// Logs the call, then searches USB (baud rate 0) or opens the serial port;
// true when the link is open.
bool InitRemoteCommImpl(std::uint32_t baudRate, std::uint32_t portIndex);

}  // namespace quillsan
