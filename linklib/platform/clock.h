// Time seam: the hardware flavour uses the monotonic clock, the virtual flavour
// a virtual clock so that waits and time-outs cost no real time.
#pragma once

#include <cstdint>

namespace quillsan::platform {

std::uint64_t MonotonicMs();
void SleepMs(std::uint32_t milliseconds);

}  // namespace quillsan::platform
