// HidHost for the USB benchmark: the virtual instrument's HID interfaces behind
// the modelled full-speed bus of usb_frame_model.h. It takes the place of the
// virtual backend's host, so the library's own USB transport runs unchanged.
#include <cstdint>

#include "clock.h"
#include "never_destroyed.h"
#include "usb_frame_model.h"
#include "virtual_clock.h"
#include "virtual_hid_interfaces.h"

namespace bench {

BusCounts& Bus() {
    static BusCounts counts;
    return counts;
}

}  // namespace bench

namespace quillsan::platform {
namespace {

// Moves the bus for `frames` and counts the time.
void Transfer(std::uint64_t frames) {
    AdvanceVirtualClock(frames);
    bench::Bus().busMs += frames;
}

// A started request: it moves only while it is waited for.
struct Started {
    bool pending = false;
    std::uint32_t handle = 0;
    std::uint8_t* buffer = nullptr;
    const std::uint8_t* report = nullptr;
    std::size_t size = 0;
};

class FrameHidHost final : public VirtualHidInterfaces {
  public:
    void CreateRequestRecords() override { output_ = input_ = {}; }
    void ReleaseRequestRecords() override { output_ = input_ = {}; }

    HidStatus GetFeature(HidHandle handle, std::uint8_t* report, std::size_t size) override {
        Transfer(bench::ReportFrames(size));
        ++bench::Bus().featureReports;
        return ToStatus(Device().GetFeature(Id(handle), report, size));
    }

    HidRequest StartOutputReport(HidHandle handle, const std::uint8_t* report,
                                 std::size_t size) override {
        output_ = {true, Id(handle), nullptr, report, size};
        return {HidStatus::kPending, 0};
    }

    HidStatus AwaitOutputReport(std::uint32_t timeoutMs) override {
        const Started request = output_;
        output_ = {};
        if (!request.pending) return HidStatus::kFailed;
        const std::uint64_t frames = bench::ReportFrames(request.size);
        if (frames > timeoutMs) return GiveUp(timeoutMs);
        Transfer(frames);
        const HidStatus status = ToStatus(
            Device().WriteOutput(request.handle, request.report, request.size, MonotonicMs()));
        if (status == HidStatus::kPending) return GiveUp(timeoutMs - frames);  // a stalled write
        if (status == HidStatus::kOk) ++bench::Bus().outputReports;
        return status;
    }

    HidRequest StartInputReport(HidHandle handle, std::uint8_t* report, std::size_t size) override {
        input_ = {true, Id(handle), report, nullptr, size};
        return {HidStatus::kPending, 0};
    }

    HidStatus AwaitInputReport(std::uint32_t timeoutMs) override {
        const Started request = input_;
        input_ = {};
        if (!request.pending) return HidStatus::kFailed;
        const std::uint64_t frames = bench::ReportFrames(request.size);
        const std::uint64_t now = MonotonicMs();
        // The report starts to move once the device has one to send.
        std::uint64_t from = now;
        const std::uint64_t due = Device().NextInputDue(request.handle);
        if (due != UINT64_MAX && due > now) from = due;
        if (from - now + frames > timeoutMs) return GiveUp(timeoutMs);
        AdvanceVirtualClock(from - now);
        const HidStatus status = ToStatus(
            Device().ReadInput(request.handle, request.buffer, request.size, MonotonicMs()));
        if (status == HidStatus::kPending) return GiveUp(timeoutMs - (from - now));
        if (status == HidStatus::kOk) {
            Transfer(frames);
            ++bench::Bus().inputReports;
        }
        return status;
    }

  private:
    // The wait runs out; the request is cancelled and never lands later.
    static HidStatus GiveUp(std::uint64_t remainingMs) {
        AdvanceVirtualClock(remainingMs);
        return HidStatus::kPending;
    }

    Started output_;
    Started input_;
};

}  // namespace

HidHost& SystemHidHost() {
    return NeverDestroyed<FrameHidHost>();
}

}  // namespace quillsan::platform
