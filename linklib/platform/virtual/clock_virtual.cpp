#include "clock.h"
#include "virtual_clock.h"

namespace quillsan::platform {
namespace {

std::uint64_t g_virtualNowMs = 0;

}  // namespace

void AdvanceVirtualClock(std::uint64_t milliseconds) {
    g_virtualNowMs += milliseconds;
}

std::uint64_t MonotonicMs() {
    return g_virtualNowMs;
}

void SleepMs(std::uint32_t milliseconds) {
    AdvanceVirtualClock(milliseconds);
}

}  // namespace quillsan::platform
