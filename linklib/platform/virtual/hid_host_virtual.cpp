// HidHost of the virtual flavour: the HID interfaces are those of the one
// in-process virtual instrument. Waits move the virtual clock, so a time-out
// costs no real time.
#include <cstdint>

#include "clock.h"
#include "never_destroyed.h"
#include "virtual_clock.h"
#include "virtual_hid_interfaces.h"

namespace quillsan::platform {
namespace {

// One request record: what its last request left to wait for.
struct RequestRecord {
    enum class State { kIdle, kCompleted, kPending } state = State::kIdle;
    std::uint32_t handle = 0;
    std::uint8_t* buffer = nullptr;
    std::size_t size = 0;
};

class VirtualHidHost final : public VirtualHidInterfaces {
  public:
    void CreateRequestRecords() override {
        output_ = {};
        input_ = {};
    }
    void ReleaseRequestRecords() override {
        output_ = {};
        input_ = {};
    }

    HidStatus GetFeature(HidHandle handle, std::uint8_t* report, std::size_t size) override {
        return ToStatus(Device().GetFeature(Id(handle), report, size));
    }

    HidRequest StartOutputReport(HidHandle handle, const std::uint8_t* report,
                                 std::size_t size) override {
        output_ = {};
        const instrument::HidInterface* device = Device().Interface(Id(handle));
        const std::uint64_t blockMs = device != nullptr ? device->stalledWriteCallMs : 0;
        const HidStatus status =
            ToStatus(Device().WriteOutput(Id(handle), report, size, MonotonicMs()));
        if (status == HidStatus::kPending && blockMs > 0) {
            // A synchronous write: the call waits for the transfer, then reports its time-out.
            AdvanceVirtualClock(blockMs);
            return {HidStatus::kFailed, 0};
        }
        if (status == HidStatus::kOk) output_.state = RequestRecord::State::kCompleted;
        if (status == HidStatus::kPending) output_.state = RequestRecord::State::kPending;
        return {status, status == HidStatus::kOk ? size : 0};
    }

    HidStatus AwaitOutputReport(std::uint32_t timeoutMs) override {
        const RequestRecord::State state = output_.state;
        output_ = {};
        if (state == RequestRecord::State::kCompleted) return HidStatus::kOk;
        if (state == RequestRecord::State::kIdle) return HidStatus::kFailed;
        // A stalled write never completes: the wait runs out and cancels it.
        AdvanceVirtualClock(timeoutMs);
        return HidStatus::kPending;
    }

    HidRequest StartInputReport(HidHandle handle, std::uint8_t* report, std::size_t size) override {
        input_ = {};
        const HidStatus status =
            ToStatus(Device().ReadInput(Id(handle), report, size, MonotonicMs()));
        if (status == HidStatus::kOk) input_.state = RequestRecord::State::kCompleted;
        if (status == HidStatus::kPending)
            input_ = {RequestRecord::State::kPending, Id(handle), report, size};
        return {status, status == HidStatus::kOk ? size : 0};
    }

    HidStatus AwaitInputReport(std::uint32_t timeoutMs) override {
        const RequestRecord request = input_;
        input_ = {};
        if (request.state == RequestRecord::State::kCompleted) return HidStatus::kOk;
        if (request.state == RequestRecord::State::kIdle) return HidStatus::kFailed;
        const std::uint64_t now = MonotonicMs();
        const std::uint64_t due = Device().NextInputDue(request.handle);
        if (due > now + timeoutMs) {
            // Given up: the request is forgotten and nothing lands in the buffer later.
            AdvanceVirtualClock(timeoutMs);
            return HidStatus::kPending;
        }
        AdvanceVirtualClock(due > now ? due - now : 0);
        return ToStatus(
            Device().ReadInput(request.handle, request.buffer, request.size, MonotonicMs()));
    }

  private:
    RequestRecord output_;
    RequestRecord input_;
};

}  // namespace

HidHost& SystemHidHost() {
    return NeverDestroyed<VirtualHidHost>();
}

}  // namespace quillsan::platform
