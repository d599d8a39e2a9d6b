#include "usb_transport.h"

#include <algorithm>
#include <cstring>

#include "clock.h"
#include "prompt.h"
#include "usb_identity.h"

namespace quillsan {
namespace {

using platform::HidHandle;
using platform::HidRequest;
using platform::HidStatus;

// The two request records and their completion events live in the backend;
// the flag says whether this load has created them.
struct UsbCompletionEvents {
    std::uint32_t created = 0;
};

struct UsbState {
    HidHandle device = nullptr;
    std::uint16_t releaseNumber = 0;
    UsbCompletionEvents events;
};

UsbState g_usb;

platform::HidHost& Host() {
    return platform::SystemHidHost();
}

// A driver queue cannot be longer than this; a larger answer is not worth
// billions of attempts.
constexpr std::uint32_t kMaxQueueTries = 1024;
constexpr std::size_t kStringReceiveBytes = 200;
constexpr std::size_t kStringUnits = kStringReceiveBytes / sizeof(char16_t);

void EnsureCompletionEvents() {
    if (g_usb.events.created != 0) return;
    Host().CreateRequestRecords();
    g_usb.events.created = 1;
}

bool Failed(HidStatus status) {
    return status == HidStatus::kNotConnected || status == HidStatus::kFailed;
}

// A request whose start failed has nothing to signal: its wait runs out the
// whole time-out, as the platform's wait on the completion event does.
HidStatus AwaitOutput(const HidRequest& start, std::uint32_t timeoutMs) {
    if (Failed(start.status)) {
        platform::SleepMs(timeoutMs);
        return HidStatus::kPending;
    }
    return Host().AwaitOutputReport(timeoutMs);
}

HidStatus AwaitInput(const HidRequest& start, std::uint32_t timeoutMs) {
    if (Failed(start.status)) {
        platform::SleepMs(timeoutMs);
        return HidStatus::kPending;
    }
    return Host().AwaitInputReport(timeoutMs);
}

// The failure the request reported, at its start or while it was waited for;
// kOk when it reported none (completed, or still pending when the wait gave up).
HidStatus RequestFailure(const HidRequest& start, HidStatus waited) {
    if (Failed(start.status)) return start.status;
    if (Failed(waited)) return waited;
    return HidStatus::kOk;
}

// After a failed request: only a device that has gone away brings up the
// question; Yes searches again at once. True means carry on.
bool ReconnectCheck(HidStatus failure) {
    if (failure != HidStatus::kNotConnected) return true;
    if (!platform::AskYesNo(kReconnectText, kReconnectCaption)) return false;
    return FindHid(nullptr, 0);
}

void ShrinkInputQueue(HidHandle device) {
    std::uint32_t length = 0;
    if (!Host().GetInputBufferCount(device, length) || length <= 1) return;
    const std::uint32_t last = std::min(length, kMaxQueueTries);
    for (std::uint32_t tried = 1; tried < last; ++tried)
        if (Host().SetInputBufferCount(device, tried)) return;
}

// Keeps the low byte of each code unit; a unit whose low byte is 0 ends the text.
void Narrow(const char16_t* units, char* text) {
    std::size_t i = 0;
    for (; i < kStringUnits; ++i) {
        const char low = static_cast<char>(units[i] & 0xFF);
        if (low == 0) break;
        text[i] = low;
    }
    text[i] = '\0';
}

void FillField(char* buffer, std::size_t size, const char* label, std::uint32_t stringIndex) {
    if (buffer == nullptr || size == 0) return;
    std::strncpy(buffer, label, size);
    buffer[size - 1] = '\0';
    char narrowed[kStringUnits + 1] = {};
    const char* tail = "<English>";
    if (stringIndex != 0) {
        char16_t units[256] = {};  // 512 bytes, of which the device may fill 200
        if (Host().GetIndexedString(g_usb.device, stringIndex, units, kStringReceiveBytes)) {
            Narrow(units, narrowed);
            tail = narrowed;
        } else {
            tail = "<not found>";
        }
    }
    const std::size_t used = std::strlen(buffer);
    const std::size_t room = size - 1 - used;
    const std::size_t take = std::min(std::strlen(tail), room);
    std::memcpy(buffer + used, tail, take);
    buffer[used + take] = '\0';
}

void FillInfo(const HidInfo& info, std::size_t size) {
    FillField(info.language, size, "Language = ", 0);
    FillField(info.manufacturer, size, "Maufacturer = ", 1);
    FillField(info.product, size, "Product = ", 2);
    FillField(info.serialNumber, size, "Serial Number = ", 3);
    FillField(info.configuration, size, "Configuration = ", 4);
    FillField(info.interfaceName, size, "Interface = ", 5);
}

UsbReply FeatureReportPath(std::uint8_t* payload) {
    Host().FlushInputQueue(g_usb.device);
    std::uint8_t input[kInputReportBytes] = {};
    bool ready = false;
    for (std::uint32_t polls = 1;; ++polls) {
        // Each poll uses the device as it then stands: a reconnect carries on with the new one.
        const HidRequest start = Host().StartInputReport(g_usb.device, input, sizeof input);
        const HidStatus waited = AwaitInput(start, kPollWaitMs);
        if (waited == HidStatus::kOk) {
            if ((input[1] & 0x01) != 0) {
                ready = true;
            } else {
                platform::SleepMs(kPollPauseMs);
            }
        } else {
            const HidStatus failure = RequestFailure(start, waited);
            if (failure != HidStatus::kOk && !ReconnectCheck(failure)) {
                return UsbReply::kInputFailed;
            }
        }
        if (polls > kPollLimit) return UsbReply::kInputFailed;
        if (ready) break;
    }

    std::uint8_t feature[kFeatureReportBytes] = {};
    HidStatus status = Host().GetFeature(g_usb.device, feature, sizeof feature);
    for (std::uint32_t retries = 1; status != HidStatus::kOk; ++retries) {
        if (!ReconnectCheck(status)) return UsbReply::kFeatureFailed;
        if (retries > kFeatureRetryLimit) return UsbReply::kFeatureFailed;
        std::memset(feature, 0, sizeof feature);
        status = Host().GetFeature(g_usb.device, feature, sizeof feature);
    }
    std::memcpy(payload, feature + 1, kReplyPayloadBytes);
    return UsbReply::kArrived;
}

UsbReply InputReportPath(std::uint8_t* payload) {
    std::uint8_t input[kInputReportBytes] = {};
    const HidRequest start = Host().StartInputReport(g_usb.device, input, sizeof input);
    const HidStatus waited = AwaitInput(start, kInputReportWaitMs);
    const bool arrived = waited == HidStatus::kOk;
    if (!arrived) {
        const HidStatus failure = RequestFailure(start, waited);
        if (failure != HidStatus::kOk && !ReconnectCheck(failure)) return UsbReply::kInputFailed;
    }
    // A report that did not arrive leaves the payload all zero.
    std::memcpy(payload, input + 3, kReplyPayloadBytes);
    return arrived ? UsbReply::kArrived : UsbReply::kNoReport;
}

}  // namespace

bool FindHid(HidInfo* info, std::uint32_t fieldLength) {
    EnsureCompletionEvents();
    platform::HidHost& host = Host();
    if (g_usb.device != nullptr) {
        host.Close(g_usb.device);
        g_usb.device = nullptr;
    }
    if (!host.OpenInterfaceSet() && !host.OpenInterfaceSet()) return false;

    bool openFailed = false;
    std::string path;
    for (std::uint32_t index = 0; host.InterfacePath(index, path); ++index) {
        const HidHandle opened = host.Open(path);
        if (opened == nullptr) {
            // The search ends here; a device matched earlier stays held.
            openFailed = true;
            break;
        }
        platform::HidAttributes attributes;
        if (!host.GetAttributes(opened, attributes) || attributes.vendorId != kInstrumentVendorId ||
            attributes.productId != kInstrumentProductId) {
            host.Close(opened);
            continue;
        }
        // The last matching interface in enumeration order is the one held.
        if (g_usb.device != nullptr) host.Close(g_usb.device);
        g_usb.device = opened;
        g_usb.releaseNumber = attributes.releaseNumber;
        ShrinkInputQueue(opened);
    }
    host.CloseInterfaceSet();
    if (openFailed || g_usb.device == nullptr) return false;
    if (info != nullptr) FillInfo(*info, fieldLength & 0xFFFF);
    return true;
}

bool SendUsbPacket(const std::uint8_t* packet, std::int32_t length) {
    if (length < 0 || length > static_cast<std::int32_t>(kOutputReportBytes - 1)) return false;
    if (packet == nullptr && length > 0) return false;
    if (g_usb.device == nullptr) return false;
    std::uint8_t report[kOutputReportBytes] = {};
    if (length > 0) std::memcpy(report + 1, packet, static_cast<std::size_t>(length));

    // Where a write is synchronous the call itself may wait for the transfer
    // (hidraw waits up to 5 s): that time counts against the write's wait.
    const std::uint64_t started = platform::MonotonicMs();
    const HidRequest start = Host().StartOutputReport(g_usb.device, report, sizeof report);
    const std::uint64_t spent = platform::MonotonicMs() - started;
    const auto left = static_cast<std::uint32_t>(spent < kWriteWaitMs ? kWriteWaitMs - spent : 0);
    const HidStatus waited = AwaitOutput(start, left);
    // A reconnect does not repeat the write: this packet counts as not sent.
    const HidStatus failure = RequestFailure(start, waited);
    if (failure != HidStatus::kOk && !ReconnectCheck(failure)) return false;
    if (waited == HidStatus::kOk) return true;
    return start.status == HidStatus::kOk && start.transferred == kOutputReportBytes;
}

UsbReply ReceiveUsbReply(std::uint8_t* payload) {
    if (payload == nullptr || g_usb.device == nullptr) return UsbReply::kInputFailed;
    return g_usb.releaseNumber <= 1 ? FeatureReportPath(payload) : InputReportPath(payload);
}

void DiscardStaleReplies() {
    // The feature-report path discards its status reports when it starts polling.
    if (g_usb.device == nullptr || g_usb.releaseNumber <= 1) return;
    Host().FlushInputQueue(g_usb.device);
}

bool UsbConnected() {
    return g_usb.device != nullptr;
}

platform::HidHandle UsbHandle() {
    return g_usb.device;
}

void ReleaseUsbCompletionEvents() {
    if (g_usb.events.created == 0) return;
    Host().ReleaseRequestRecords();
    g_usb.events.created = 0;
}

void ResetUsbTransport() {
    if (g_usb.device != nullptr) Host().Close(g_usb.device);
    ReleaseUsbCompletionEvents();
    g_usb = UsbState{};
}

}  // namespace quillsan
