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

inline constexpr std::uint32_t kPollLimit = 400;
inline constexpr std::uint32_t kFeatureRetryLimit = 20;
inline constexpr std::uint32_t kWriteWaitMs = 5000;
inline constexpr std::uint32_t kPollWaitMs = 1000;
inline constexpr std::uint32_t kInputReportWaitMs = 10000;
inline constexpr std::uint32_t kPollPauseMs = 10;

// How a reply over USB ended.
enum class UsbReply {
    kArrived,        // the payload holds the reply
    kNoReport,       // the input report did not come within its wait: the payload is all zero
    kInputFailed,    // no device; the status polls were used up; or an input report failed
                     // and the device did not come back
    kFeatureFailed,  // the feature report could not be read in its 21 requests, or the
                     // device went and did not come back
};

inline constexpr const char* kReconnectText = "Device not connected; reconnect?";
inline constexpr const char* kReconnectCaption = "USB ERROR";

// Searches the HID interfaces and holds the instrument's; true when one is held.
// With info, fills its six texts of at most fieldLength bytes each.
bool FindHid(HidInfo* info, std::uint32_t fieldLength);
// One output report with the packet (at most 256 bytes); true when it went out.
bool SendUsbPacket(const std::uint8_t* packet, std::int32_t length);
// The reply to the packet sent, on the path the device's release number
// chooses. The kReplyPayloadBytes of payload are written on kArrived and kNoReport.
UsbReply ReceiveUsbReply(std::uint8_t* payload);
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
