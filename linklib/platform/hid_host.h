// Seam between the USB HID transport and the operating system. The transport
// holds the search, the reply paths, the polls, retries and the reconnect
// check; a backend only enumerates, opens, reads and writes reports.
//
// Output and input reports are requests on one of two request records, started
// and then awaited with a time-out, as overlapped requests with completion
// events are. A request that has not completed when its wait gives up is
// cancelled by the backend: it never completes later into the caller's buffer,
// and the next request on the same record is not confused with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillsan::platform {

// An opened HID interface; null when none. What it points to is the backend's.
using HidHandle = void*;

enum class HidStatus {
    kOk,            // completed
    kPending,       // still in progress (started) or not completed in time (awaited)
    kNotConnected,  // the device has gone away
    kFailed,        // any other failure
};

struct HidAttributes {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t releaseNumber = 0;
};

// What starting a request reported when the start returned.
struct HidRequest {
    HidStatus status = HidStatus::kFailed;
    std::size_t transferred = 0;  // bytes moved by a request that completed at once
};

class HidHost {
  public:
    virtual ~HidHost() = default;

    // The request records and their completion events: created once per load
    // (results not examined), released at unload.
    virtual void CreateRequestRecords() = 0;
    virtual void ReleaseRequestRecords() = 0;

    // Takes a snapshot of the present HID interfaces; false when the set cannot
    // be obtained. The path of member `index` is then given by InterfacePath
    // until it returns false past the last member.
    virtual bool OpenInterfaceSet() = 0;
    virtual bool InterfacePath(std::uint32_t index, std::string& path) = 0;
    virtual void CloseInterfaceSet() = 0;

    // Opens an interface for reading and writing, shared, existing only; null on failure.
    virtual HidHandle Open(const std::string& path) = 0;
    virtual void Close(HidHandle handle) = 0;
    virtual bool GetAttributes(HidHandle handle, HidAttributes& attributes) = 0;
    virtual bool GetInputBufferCount(HidHandle handle, std::uint32_t& count) = 0;
    virtual bool SetInputBufferCount(HidHandle handle, std::uint32_t count) = 0;
    // Device string `index` as UTF-16 code units into at most `bytes` bytes of
    // `text` (not necessarily terminated; the caller zeroes the area first).
    virtual bool GetIndexedString(HidHandle handle, std::uint32_t index, char16_t* text,
                                  std::size_t bytes) = 0;
    virtual bool FlushInputQueue(HidHandle handle) = 0;
    // Reads one feature report; byte 0 holds the report identifier on entry.
    virtual HidStatus GetFeature(HidHandle handle, std::uint8_t* report, std::size_t size) = 0;

    // One output report on the output request record. `report` must stay valid
    // until AwaitOutputReport has returned.
    virtual HidRequest StartOutputReport(HidHandle handle, const std::uint8_t* report,
                                         std::size_t size) = 0;
    // kOk when the started request completed within the wait; kPending when
    // the wait gave up (the request is cancelled); kNotConnected or kFailed
    // when the request failed while waited for. A request whose start failed
    // is not waited for: the call returns that failure at once.
    virtual HidStatus AwaitOutputReport(std::uint32_t timeoutMs) = 0;

    // One input report into `report` on the input request record, byte 0 the
    // report identifier, whatever the platform does with that byte.
    virtual HidRequest StartInputReport(HidHandle handle, std::uint8_t* report,
                                        std::size_t size) = 0;
    virtual HidStatus AwaitInputReport(std::uint32_t timeoutMs) = 0;
};

// The backend of this build flavour (hardware or virtual), chosen at link time.
HidHost& SystemHidHost();

}  // namespace quillsan::platform
