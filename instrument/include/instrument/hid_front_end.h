// The instrument's USB HID side: the interfaces the host enumerates (the
// instrument's own and others with foreign identifiers), output reports run
// on the firmware, and the two reply paths chosen by the release number.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "instrument/firmware.h"
#include "instrument/hid_fault_plan.h"

namespace instrument {

inline constexpr std::size_t kHidOutputReportBytes = 257;
inline constexpr std::size_t kHidInputReportBytes = 259;
inline constexpr std::size_t kHidFeatureReportBytes = 257;
inline constexpr std::size_t kHidPayloadBytes = 256;
inline constexpr std::size_t kHidStringCount = 5;     // string descriptors 1 to 5
inline constexpr std::size_t kHidInputQueueMax = 32;  // reports the device keeps queued
// The instrument's own USB identity, and one that is not the instrument's.
inline constexpr std::uint16_t kInstrumentVendorId = 0x16D0;
inline constexpr std::uint16_t kInstrumentProductId = 0x0F3A;
inline constexpr std::uint16_t kForeignVendorId = 0x1209;
inline constexpr std::uint16_t kForeignProductId = 0x7A11;
inline constexpr std::uint16_t kDefaultReleaseNumber = 0x0100;
inline constexpr std::uint8_t kReadyBit = 0x01;

enum class HidResult { kOk, kNoReport, kNotConnected, kFailed };

struct HidInterface {
    std::uint16_t vendorId = kForeignVendorId;
    std::uint16_t productId = kForeignProductId;
    std::uint16_t releaseNumber = kDefaultReleaseNumber;
    bool answers = false;  // runs output reports on the firmware
    bool openable = true;
    bool plugged = true;
    std::array<std::u16string, kHidStringCount> strings;
    std::array<bool, kHidStringCount> hasString{};
    std::uint32_t inputBuffers = 32;
    std::uint32_t smallestAcceptedBuffers = 2;  // the driver refuses shorter queues

    // Faults.
    std::uint32_t notReadyPolls = 0;      // status reports without the ready bit after each request
    int failFeatureRequests = 0;          // the next N feature requests fail
    int dropReplies = 0;                  // input-report path: the next N replies never arrive
    int stallWrites = 0;                  // the next N output reports never complete
    std::uint64_t replyDelayMs = 0;       // input-report path: replies arrive this late
    int unplugAfterReports = -1;          // unplugs after answering this many more output reports
    bool unplugAtFeatureRequest = false;  // the next feature request finds the device gone
    // A stalled write blocks in the write call this long, then fails (a synchronous write).
    std::uint64_t stalledWriteCallMs = 0;

    // What the host did.
    std::uint64_t outputReports = 0;
    std::uint64_t featureRequests = 0;
    std::uint64_t statusReports = 0;
    std::uint64_t flushes = 0;
    std::array<std::uint8_t, kHidOutputReportBytes> lastOutputReport{};

    // Reply state.
    std::uint64_t generation = 0;  // handles opened before an unplug stay dead
    std::array<std::uint8_t, kHidPayloadBytes> payload{};
    std::uint64_t pollsSinceRequest = 0;
    std::uint64_t readyAfterPolls = 0;  // status reports without the ready bit for this reply
    bool replyReady = false;
    struct Queued {
        std::array<std::uint8_t, kHidInputReportBytes> report;
        std::uint64_t due;
    };
    std::deque<Queued> queue;

    bool FeaturePath() const { return releaseNumber <= 1; }
};

class HidFrontEnd {
  public:
    explicit HidFrontEnd(Firmware& firmware);
    HidFrontEnd(const HidFrontEnd&) = delete;
    HidFrontEnd& operator=(const HidFrontEnd&) = delete;

    // The default set: an interface with foreign identifiers, then the instrument.
    void Reset();
    std::vector<HidInterface>& Interfaces() { return interfaces_; }
    HidInterface& AddInterface(bool instrumentIdentity);
    // The n-th interface with the instrument's identifiers.
    HidInterface& Instrument(std::size_t n = 0);
    std::size_t InstrumentIndex(std::size_t n = 0) const;

    int failEnumerations = 0;  // the next N enumerations fail
    std::uint64_t enumerations = 0;
    HidFaultPlan randomFaults;         // applies to every interface that answers
    bool replugOnSearch = false;       // an unplugged device is back when the host enumerates
    int searchesMissingUnplugged = 0;  // ... only after this many more enumerations

    // Unplug takes every interface that answers off the bus; open handles stay dead.
    void Unplug();
    void Replug();

    // Present interfaces in enumeration order; false when enumeration fails.
    bool Enumerate(std::vector<std::size_t>& present);

    // Handles: 0 is none.
    std::uint32_t Open(std::size_t index);
    void Close(std::uint32_t handle);
    std::size_t OpenHandles(std::size_t index) const;
    // The interface behind a handle, null for an unknown or closed handle.
    HidInterface* Interface(std::uint32_t handle);

    HidResult Attributes(std::uint32_t handle, std::uint16_t& vendorId, std::uint16_t& productId,
                         std::uint16_t& releaseNumber);
    HidResult String(std::uint32_t handle, std::uint32_t index, char16_t* units,
                     std::size_t maxUnits);
    HidResult GetInputBuffers(std::uint32_t handle, std::uint32_t& count);
    HidResult SetInputBuffers(std::uint32_t handle, std::uint32_t count);
    // Discards the input reports that have arrived by nowMs (all when no time
    // is given); a report still on its way arrives after the flush.
    HidResult Flush(std::uint32_t handle, std::uint64_t nowMs = UINT64_MAX);
    // kNoReport: the report is pending and never completes (a stalled write).
    HidResult WriteOutput(std::uint32_t handle, const std::uint8_t* report, std::size_t size,
                          std::uint64_t nowMs);
    // kNoReport: nothing due yet; NextInputDue says when something will be.
    HidResult ReadInput(std::uint32_t handle, std::uint8_t* report, std::size_t size,
                        std::uint64_t nowMs);
    std::uint64_t NextInputDue(std::uint32_t handle);  // UINT64_MAX when nothing will come
    HidResult GetFeature(std::uint32_t handle, std::uint8_t* report, std::size_t size);

  private:
    void ReplugOnSearch();

    int searchesMissed_ = 0;
    struct OpenHandle {
        std::size_t index;
        std::uint64_t generation;
        bool open;
    };
    // The live interface behind a handle, with the status to report when there is none.
    HidInterface* Live(std::uint32_t handle, HidResult& status);
    void Answer(HidInterface& device, const std::uint8_t* request, std::uint64_t nowMs,
                const HidExchangeFaults& faults);

    Firmware& firmware_;
    std::vector<HidInterface> interfaces_;
    std::vector<OpenHandle> handles_;
    Reply reply_;
};

}  // namespace instrument
