// How a COM number reaches a Linux serial device. No configuration file: the
// number itself says which device family and which device.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillsan::platform {

// COM1..COM99     -> /dev/ttyS0..ttyS98   (on-board and PCI UARTs; COM1 is ttyS0)
// COM100..COM199  -> /dev/ttyUSB0..99     (USB serial adapters)
// COM200..COM299  -> /dev/ttyACM0..99     (USB CDC-ACM devices)
// COM300 and up   -> /dev/pts/0, 1, ...   (pseudo-terminals, e.g. the virtual instrument)
// Returns false for COM0.
bool LinuxDevicePathForCom(std::uint32_t comNumber, char* path, std::size_t size);

}  // namespace quillsan::platform
