// The instrument's USB identity, as the device search compares it. The udev
// rule in packaging/ names the same pair.
#pragma once

#include <cstdint>

namespace quillsan {

inline constexpr std::uint16_t kInstrumentVendorId = 0x16D0;
inline constexpr std::uint16_t kInstrumentProductId = 0x0F3A;

}  // namespace quillsan
