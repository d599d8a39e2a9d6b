// Faults the serial front end injects into its replies: one-shot counters that
// the next replies consume, and a rate-driven random mode for soak tests.
#pragma once

#include <cstddef>
#include <cstdint>

#include "instrument/fault_sequence.h"

namespace instrument {

inline constexpr std::uint8_t kStrayByte = 0xA5;
inline constexpr std::uint64_t kLateReplyMs = 11000;  // past the host's 10 s read budget

// Where a fault plan queues bytes that are due at once.
class StrayByteSink {
  public:
    virtual void QueueStrayBytes(std::size_t count, std::uint64_t nowMs) = 0;

  protected:
    ~StrayByteSink() = default;
};

enum class FaultKind : std::uint8_t {
    kDrop,
    kWrongEcho,
    kMissingTrailingEcho,
    kStrayBytes,
    kLateReply,
    kCount
};

struct FaultCounts {
    std::uint64_t byKind[static_cast<std::size_t>(FaultKind::kCount)] = {};
    std::uint64_t operator[](FaultKind kind) const {
        return byKind[static_cast<std::size_t>(kind)];
    }
};

// What to do to one reply.
struct ReplyFaults {
    bool drop = false;
    bool wrongEcho = false;
    bool omitTrailingEcho = false;
    std::size_t strayBytes = 0;
    std::uint64_t delayMs = 0;
};

class FaultPlan {
  public:
    int cleanRepliesFirst = 0;  // the one-shot faults below start after this many replies
    int dropReplies = 0;
    int wrongEchoReplies = 0;
    int missingTrailingEcho = 0;  // counts only replies that owe a trailing echo
    std::size_t strayBytesBeforeReply = 0;
    std::uint64_t replyDelayMs = 0;
    int delayedReplies = 0;        // -1: every reply
    int randomPercent = 0;         // 0 to 100: share of exchanges that get a random fault
    std::uint64_t planNumber = 1;  // start value of the random sequence

    explicit FaultPlan(StrayByteSink* sink = nullptr) : sink_(sink) {}

    // Clears every counter and the random mode; keeps the sink.
    void Reset();
    void InjectStrayBytesNow(std::size_t count, std::uint64_t nowMs);
    // Consumes the plan for the next reply.
    ReplyFaults NextReply(bool owesTrailingEcho);
    const FaultCounts& counts() const { return counts_; }

  private:
    void ApplyRandom(ReplyFaults& faults, bool owesTrailingEcho);
    void Count(FaultKind kind) { ++counts_.byKind[static_cast<std::size_t>(kind)]; }

    StrayByteSink* sink_;
    FaultCounts counts_;
    FaultSequence random_;
};

}  // namespace instrument
