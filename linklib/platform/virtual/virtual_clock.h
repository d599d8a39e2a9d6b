// The virtual flavour's time: it advances only when the library waits, so a
// 10-second time-out costs no real time.
#pragma once

#include <cstdint>

namespace quillsan::platform {

void AdvanceVirtualClock(std::uint64_t milliseconds);

}  // namespace quillsan::platform
