#include <windows.h>

#include "clock.h"

namespace quillsan::platform {

std::uint64_t MonotonicMs() {
    return GetTickCount64();
}

void SleepMs(std::uint32_t milliseconds) {
    Sleep(milliseconds);
}

}  // namespace quillsan::platform
