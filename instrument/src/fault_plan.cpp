#include "instrument/fault_plan.h"

#include <algorithm>

namespace instrument {

void FaultPlan::Reset() {
    StrayByteSink* sink = sink_;
    *this = FaultPlan(sink);
}

void FaultPlan::InjectStrayBytesNow(std::size_t count, std::uint64_t nowMs) {
    if (sink_ == nullptr || count == 0) return;
    sink_->QueueStrayBytes(count, nowMs);
    Count(FaultKind::kStrayBytes);
}

ReplyFaults FaultPlan::NextReply(bool owesTrailingEcho) {
    ReplyFaults faults;
    if (cleanRepliesFirst > 0) {
        --cleanRepliesFirst;
        return faults;
    }
    if (dropReplies > 0) {
        --dropReplies;
        faults.drop = true;
        Count(FaultKind::kDrop);
        return faults;
    }
    if (wrongEchoReplies > 0) {
        --wrongEchoReplies;
        faults.wrongEcho = true;
        Count(FaultKind::kWrongEcho);
    }
    if (owesTrailingEcho && missingTrailingEcho > 0) {
        --missingTrailingEcho;
        faults.omitTrailingEcho = true;
        Count(FaultKind::kMissingTrailingEcho);
    }
    if (strayBytesBeforeReply > 0) {
        faults.strayBytes = strayBytesBeforeReply;
        strayBytesBeforeReply = 0;
        Count(FaultKind::kStrayBytes);
    }
    if (delayedReplies != 0) {
        if (delayedReplies > 0) --delayedReplies;
        faults.delayMs = replyDelayMs;
        Count(FaultKind::kLateReply);
    }
    if (randomPercent > 0) ApplyRandom(faults, owesTrailingEcho);
    return faults;
}

void FaultPlan::ApplyRandom(ReplyFaults& faults, bool owesTrailingEcho) {
    const std::uint64_t r = random_.Next(planNumber);
    if (static_cast<int>(r % 100) >= randomPercent || faults.drop) return;
    auto kind = static_cast<FaultKind>((r >> 8) % static_cast<std::uint64_t>(FaultKind::kCount));
    if (kind == FaultKind::kMissingTrailingEcho && !owesTrailingEcho) kind = FaultKind::kWrongEcho;
    switch (kind) {
        case FaultKind::kDrop:
            faults.drop = true;
            break;
        case FaultKind::kWrongEcho:
            faults.wrongEcho = true;
            break;
        case FaultKind::kMissingTrailingEcho:
            faults.omitTrailingEcho = true;
            break;
        case FaultKind::kStrayBytes:
            faults.strayBytes += 1 + (r >> 16) % 4;
            break;
        default:
            faults.delayMs = std::max(faults.delayMs, kLateReplyMs);
            break;
    }
    Count(kind);
}

}  // namespace instrument
