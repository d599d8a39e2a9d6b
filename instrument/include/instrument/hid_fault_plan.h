// Random faults of the HID device for soak tests, in the spirit of the serial
// line's FaultPlan: one draw per output report decides what goes wrong in that
// exchange, at a chosen rate and from a chosen plan number.
#pragma once

#include <cstddef>
#include <cstdint>

#include "instrument/fault_sequence.h"

namespace instrument {

// Past the host's waits: 10 s for an input report, 400 status polls.
inline constexpr std::uint64_t kHidLateReplyMs = 11000;
inline constexpr std::uint64_t kHidLateReadyPolls = 450;
// Slow but within them.
inline constexpr std::uint64_t kHidSlowReplyMaxMs = 9000;
inline constexpr std::uint64_t kHidSlowReadyMaxPolls = 300;
// Failing feature requests in a row: up to a few more than the host repeats.
inline constexpr int kHidMaxFailingFeatures = 24;

enum class HidFaultKind : std::uint8_t {
    kStalledWrite,    // the output report never completes
    kDroppedReply,    // the reply never comes
    kLateReply,       // the reply comes after the host has stopped waiting
    kSlowReply,       // not-ready polls, or an input report late within the wait
    kFailingFeature,  // feature requests fail (feature-report path)
    kUnplug,          // the device goes off the bus before or after answering
    kCount
};

struct HidFaultCounts {
    std::uint64_t exchanges = 0;  // output reports the plan was consulted for
    std::uint64_t byKind[static_cast<std::size_t>(HidFaultKind::kCount)] = {};
    std::uint64_t operator[](HidFaultKind kind) const {
        return byKind[static_cast<std::size_t>(kind)];
    }
};

// What to do to one exchange.
struct HidExchangeFaults {
    bool stallWrite = false;
    bool unplugBeforeAnswer = false;
    bool unplugAfterAnswer = false;
    bool dropReply = false;
    std::uint64_t replyDelayMs = 0;   // input-report path
    std::uint64_t notReadyPolls = 0;  // feature-report path
    int failFeatureRequests = 0;
};

class HidFaultPlan {
  public:
    int randomPercent = 0;         // 0 to 100: share of exchanges that get a fault
    std::uint64_t planNumber = 1;  // start value of the random sequence

    void Reset() { *this = HidFaultPlan(); }
    // Consumes the plan for the next exchange on a device with that reply path.
    HidExchangeFaults NextExchange(bool featurePath);
    const HidFaultCounts& counts() const { return counts_; }

  private:
    FaultSequence random_;
    HidFaultCounts counts_;
};

}  // namespace instrument
