#include "instrument/hid_fault_plan.h"

namespace instrument {

HidExchangeFaults HidFaultPlan::NextExchange(bool featurePath) {
    HidExchangeFaults faults;
    ++counts_.exchanges;
    if (randomPercent <= 0) return faults;
    const std::uint64_t r = random_.Next(planNumber);
    if (static_cast<int>(r % 100) >= randomPercent) return faults;
    auto kind =
        static_cast<HidFaultKind>((r >> 8) % static_cast<std::uint64_t>(HidFaultKind::kCount));
    // Only the feature-report path has feature requests to fail.
    if (kind == HidFaultKind::kFailingFeature && !featurePath) kind = HidFaultKind::kDroppedReply;
    const std::uint64_t detail = r >> 16;
    switch (kind) {
        case HidFaultKind::kStalledWrite:
            faults.stallWrite = true;
            break;
        case HidFaultKind::kDroppedReply:
            faults.dropReply = true;
            break;
        case HidFaultKind::kLateReply:
            if (featurePath) {
                faults.notReadyPolls = kHidLateReadyPolls + detail % 100;
            } else {
                faults.replyDelayMs = kHidLateReplyMs + detail % 2000;
            }
            break;
        case HidFaultKind::kSlowReply:
            if (featurePath) {
                faults.notReadyPolls = 1 + detail % kHidSlowReadyMaxPolls;
            } else {
                faults.replyDelayMs = 1 + detail % kHidSlowReplyMaxMs;
            }
            break;
        case HidFaultKind::kFailingFeature:
            faults.failFeatureRequests = 1 + static_cast<int>(detail % kHidMaxFailingFeatures);
            break;
        default:
            if ((detail & 1) != 0) {
                faults.unplugAfterAnswer = true;
            } else {
                faults.unplugBeforeAnswer = true;
            }
            break;
    }
    ++counts_.byKind[static_cast<std::size_t>(kind)];
    return faults;
}

}  // namespace instrument
