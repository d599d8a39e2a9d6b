// Baud rates without a B-constant go through the termios2 interface, which
// cannot share a translation unit with <termios.h>.
#pragma once

#include <cstdint>

namespace quillsan::platform {

bool SetCustomBaudRate(int fd, std::uint32_t baudRate);

}  // namespace quillsan::platform
