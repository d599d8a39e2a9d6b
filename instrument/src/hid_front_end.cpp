#include "instrument/hid_front_end.h"

#include <algorithm>
#include <cstring>

#include "instrument/serial_front_end.h"

namespace instrument {

HidFrontEnd::HidFrontEnd(Firmware& firmware) : firmware_(firmware) {
    Reset();
}

void HidFrontEnd::Reset() {
    interfaces_.clear();
    handles_.clear();
    failEnumerations = 0;
    enumerations = 0;
    replugOnSearch = false;
    searchesMissingUnplugged = 0;
    searchesMissed_ = 0;
    randomFaults.Reset();
    AddInterface(false);
    AddInterface(true);
}

HidInterface& HidFrontEnd::AddInterface(bool instrumentIdentity) {
    HidInterface& added = interfaces_.emplace_back();
    if (!instrumentIdentity) return added;
    added.vendorId = kInstrumentVendorId;
    added.productId = kInstrumentProductId;
    added.answers = true;
    // The configuration text carries a character above U+00FF (U+0394).
    const std::u16string strings[kHidStringCount] = {
        u"Zantorel", u"Thermal Cycler TC-96", u"ZT-96-004217", u"\u0394T control", u"Report Link"};
    for (std::size_t i = 0; i < kHidStringCount; ++i) {
        added.strings[i] = strings[i];
        added.hasString[i] = true;
    }
    return added;
}

std::size_t HidFrontEnd::InstrumentIndex(std::size_t n) const {
    for (std::size_t i = 0; i < interfaces_.size(); ++i) {
        if (!interfaces_[i].answers) continue;
        if (n == 0) return i;
        --n;
    }
    return interfaces_.size();
}

HidInterface& HidFrontEnd::Instrument(std::size_t n) {
    const std::size_t index = InstrumentIndex(n);
    if (index == interfaces_.size()) return AddInterface(true);
    return interfaces_[index];
}

void HidFrontEnd::Unplug() {
    for (HidInterface& device : interfaces_) {
        if (!device.answers) continue;
        device.plugged = false;
        ++device.generation;
        device.queue.clear();
        device.replyReady = false;
    }
}

void HidFrontEnd::Replug() {
    for (HidInterface& device : interfaces_)
        if (device.answers) device.plugged = true;
}

void HidFrontEnd::ReplugOnSearch() {
    bool away = false;
    for (const HidInterface& device : interfaces_)
        away = away || (device.answers && !device.plugged);
    if (away && searchesMissed_ < searchesMissingUnplugged) {
        ++searchesMissed_;
        return;
    }
    searchesMissed_ = 0;
    Replug();
}

bool HidFrontEnd::Enumerate(std::vector<std::size_t>& present) {
    ++enumerations;
    present.clear();
    if (failEnumerations > 0) {
        --failEnumerations;
        return false;
    }
    if (replugOnSearch) ReplugOnSearch();
    for (std::size_t i = 0; i < interfaces_.size(); ++i)
        if (interfaces_[i].plugged) present.push_back(i);
    return true;
}

std::uint32_t HidFrontEnd::Open(std::size_t index) {
    if (index >= interfaces_.size()) return 0;
    const HidInterface& device = interfaces_[index];
    if (!device.plugged || !device.openable) return 0;
    const OpenHandle opened{index, device.generation, true};
    for (std::size_t slot = 0; slot < handles_.size(); ++slot) {
        if (handles_[slot].open) continue;
        handles_[slot] = opened;
        return static_cast<std::uint32_t>(slot + 1);
    }
    handles_.push_back(opened);
    return static_cast<std::uint32_t>(handles_.size());
}

void HidFrontEnd::Close(std::uint32_t handle) {
    if (handle == 0 || handle > handles_.size()) return;
    handles_[handle - 1].open = false;
}

std::size_t HidFrontEnd::OpenHandles(std::size_t index) const {
    return static_cast<std::size_t>(std::count_if(
        handles_.begin(), handles_.end(), [&](auto& h) { return h.open && h.index == index; }));
}

HidInterface* HidFrontEnd::Interface(std::uint32_t handle) {
    if (handle == 0 || handle > handles_.size() || !handles_[handle - 1].open) return nullptr;
    return &interfaces_[handles_[handle - 1].index];
}

HidInterface* HidFrontEnd::Live(std::uint32_t handle, HidResult& status) {
    HidInterface* device = Interface(handle);
    if (device == nullptr) {
        status = HidResult::kFailed;
        return nullptr;
    }
    if (!device->plugged || device->generation != handles_[handle - 1].generation) {
        status = HidResult::kNotConnected;
        return nullptr;
    }
    status = HidResult::kOk;
    return device;
}

HidResult HidFrontEnd::Attributes(std::uint32_t handle, std::uint16_t& vendorId,
                                  std::uint16_t& productId, std::uint16_t& releaseNumber) {
    HidResult status;
    const HidInterface* device = Live(handle, status);
    if (device == nullptr) return status;
    vendorId = device->vendorId;
    productId = device->productId;
    releaseNumber = device->releaseNumber;
    return HidResult::kOk;
}

HidResult HidFrontEnd::String(std::uint32_t handle, std::uint32_t index, char16_t* units,
                              std::size_t maxUnits) {
    HidResult status;
    const HidInterface* device = Live(handle, status);
    if (device == nullptr) return status;
    if (index < 1 || index > kHidStringCount || !device->hasString[index - 1])
        return HidResult::kFailed;
    const std::u16string& text = device->strings[index - 1];
    // Like the platform: as much as fits, terminated only when there is room.
    const std::size_t take = std::min(text.size(), maxUnits);
    std::copy_n(text.begin(), take, units);
    if (take < maxUnits) units[take] = u'\0';
    return HidResult::kOk;
}

HidResult HidFrontEnd::GetInputBuffers(std::uint32_t handle, std::uint32_t& count) {
    HidResult status;
    const HidInterface* device = Live(handle, status);
    if (device == nullptr) return status;
    count = device->inputBuffers;
    return HidResult::kOk;
}

HidResult HidFrontEnd::SetInputBuffers(std::uint32_t handle, std::uint32_t count) {
    HidResult status;
    HidInterface* device = Live(handle, status);
    if (device == nullptr) return status;
    if (count < device->smallestAcceptedBuffers) return HidResult::kFailed;
    device->inputBuffers = count;
    return HidResult::kOk;
}

HidResult HidFrontEnd::Flush(std::uint32_t handle, std::uint64_t nowMs) {
    HidResult status;
    HidInterface* device = Live(handle, status);
    if (device == nullptr) return status;
    ++device->flushes;
    // Reports come in order: one still on its way holds back those behind it.
    while (!device->queue.empty() && device->queue.front().due <= nowMs) device->queue.pop_front();
    return HidResult::kOk;
}

HidResult HidFrontEnd::WriteOutput(std::uint32_t handle, const std::uint8_t* report,
                                   std::size_t size, std::uint64_t nowMs) {
    HidResult status;
    HidInterface* device = Live(handle, status);
    if (device == nullptr) return status;
    if (size != kHidOutputReportBytes || report[0] != 0) return HidResult::kFailed;
    const HidExchangeFaults faults =
        device->answers ? randomFaults.NextExchange(device->FeaturePath()) : HidExchangeFaults{};
    if (faults.unplugBeforeAnswer) {
        Unplug();
        return HidResult::kNotConnected;
    }
    if (device->stallWrites > 0 || faults.stallWrite) {
        if (!faults.stallWrite) --device->stallWrites;
        return HidResult::kNoReport;
    }
    ++device->outputReports;
    std::memcpy(device->lastOutputReport.data(), report, kHidOutputReportBytes);
    if (!device->answers) return HidResult::kOk;
    Answer(*device, report + 1, nowMs, faults);
    if (device->unplugAfterReports > 0 && --device->unplugAfterReports == 0) Unplug();
    if (faults.unplugAfterAnswer) Unplug();
    return HidResult::kOk;
}

void HidFrontEnd::Answer(HidInterface& device, const std::uint8_t* request, std::uint64_t nowMs,
                         const HidExchangeFaults& faults) {
    // The report carries no length: the request's own shape tells where it ends.
    const std::size_t length = Firmware::RequestLength(request, kMaxRequestLength);
    device.payload.fill(0);
    if (length == 0 || length == Firmware::kUnknownRequest) {
        device.payload[0] = kRejectByte;
    } else {
        firmware_.Execute(request, length, reply_);
        device.payload[0] = reply_.accepted ? request[0] : kRejectByte;
        if (reply_.accepted) {
            const std::size_t take = std::min(reply_.length, kHidPayloadBytes - 1);
            std::memcpy(device.payload.data() + 1, reply_.bytes, take);
        }
    }
    device.pollsSinceRequest = 0;
    device.readyAfterPolls = device.notReadyPolls + faults.notReadyPolls;
    device.replyReady = !(device.FeaturePath() && faults.dropReply);
    device.failFeatureRequests += faults.failFeatureRequests;
    if (device.FeaturePath()) return;
    if (faults.dropReply) return;
    if (device.dropReplies > 0) {
        --device.dropReplies;
        return;
    }
    HidInterface::Queued queued{};
    queued.report[1] = kReadyBit;
    std::memcpy(queued.report.data() + 3, device.payload.data(), kHidPayloadBytes);
    queued.due = nowMs + device.replyDelayMs + faults.replyDelayMs;
    if (device.queue.size() == kHidInputQueueMax) device.queue.pop_front();
    device.queue.push_back(queued);
}

HidResult HidFrontEnd::ReadInput(std::uint32_t handle, std::uint8_t* report, std::size_t size,
                                 std::uint64_t nowMs) {
    HidResult status;
    HidInterface* device = Live(handle, status);
    if (device == nullptr) return status;
    if (size < kHidInputReportBytes) return HidResult::kFailed;
    if (device->answers && device->FeaturePath()) {
        // The device reports its status continuously; the ready bit tells a reply waits.
        ++device->statusReports;
        std::memset(report, 0, kHidInputReportBytes);
        const bool ready =
            device->replyReady && device->pollsSinceRequest >= device->readyAfterPolls;
        ++device->pollsSinceRequest;
        report[1] = ready ? kReadyBit : 0;
        return HidResult::kOk;
    }
    if (device->queue.empty() || device->queue.front().due > nowMs) return HidResult::kNoReport;
    std::memcpy(report, device->queue.front().report.data(), kHidInputReportBytes);
    device->queue.pop_front();
    return HidResult::kOk;
}

std::uint64_t HidFrontEnd::NextInputDue(std::uint32_t handle) {
    HidResult status;
    HidInterface* device = Live(handle, status);
    if (device == nullptr || device->queue.empty()) return UINT64_MAX;
    return device->queue.front().due;
}

HidResult HidFrontEnd::GetFeature(std::uint32_t handle, std::uint8_t* report, std::size_t size) {
    if (HidInterface* device = Interface(handle);
        device != nullptr && device->unplugAtFeatureRequest) {
        device->unplugAtFeatureRequest = false;
        Unplug();
    }
    HidResult status;
    HidInterface* device = Live(handle, status);
    if (device == nullptr) return status;
    ++device->featureRequests;
    if (size < kHidFeatureReportBytes) return HidResult::kFailed;
    if (device->failFeatureRequests > 0) {
        --device->failFeatureRequests;
        return HidResult::kFailed;
    }
    report[0] = 0;
    std::memcpy(report + 1, device->payload.data(), kHidPayloadBytes);
    device->replyReady = false;
    return HidResult::kOk;
}

}  // namespace instrument
