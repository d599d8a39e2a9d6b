// The USB side of the link: device search, report layouts, the two reply
// paths and the reconnect prompt, written once against the HidHost seam.
#pragma once

#include <cstddef>
#include <cstdint>

#include "hid_host.h"
#include "quillsan.h"

namespace quillsan {

inline constexpr std::size_t kOutputReportBytes = 257;
inline constexpr std::size_t kInputReportBytes = 259;
inline constexpr std::size_t kFeatureReportBytes = 257;
inline constexpr std::size_t kReplyPayloadBytes = 256;
inline constexpr std::uint32_t kFoundResult = 256;
inline constexpr std::uint32_t kSentResult = 257;

inline constexpr std::uint32_t kPollLimit = 400;
inline constexpr std::uint32_t kFeatureRetryLimit = 20;
inline constexpr std::uint32_t kWriteWaitMs = 5000;
inline constexpr std::uint32_t kPollWaitMs = 1000;
inline constexpr std::uint32_t kInputReportWaitMs = 10000;
inline constexpr std::uint32_t kPollPauseMs = 10;

// GetUSBResponsePacket's codes.
inline constexpr std::uint32_t kReplyOk = 0;
inline constexpr std::uint32_t kFeatureNotObtained = 2;
inline constexpr std::uint32_t kInputNotObtained = 3;

inline constexpr const char* kReconnectText = "Device not connected; reconnect?";
inline constexpr const char* kReconnectCaption = "USB ERROR";

std::uint32_t FindHid(HidInfo* info, std::uint32_t fieldLength);
std::uint32_t SendUsbPacket(const std::uint8_t* packet, std::int32_t length);
std::uint32_t GetUsbResponsePacket(std::uint8_t* payload, std::int32_t* count);
// GetUsbResponsePacket that also tells whether a report really arrived: on the
// input-report path a report that never came still gives 0 and a zero payload.
std::uint32_t ReceiveUsbReply(std::uint8_t* payload, std::int32_t* count, bool& arrived);
// On the input-report path a reply that came after its exchange gave up waits
// in the driver's queue; the engine discards such replies before each request
// goes out, as the serial line drains its input, so that none is taken for
// the reply to a later request.
void DiscardStaleReplies();
bool UsbConnected();
platform::HidHandle UsbHandle();

// Closes the completion events at unload, after the serial port.
void ReleaseUsbCompletionEvents();
// Closes a held device and forgets everything the transport learnt (see ResetLibraryState).
void ResetUsbTransport();

}  // namespace quillsan
