// The instrument's USB identity. The device search, the virtual instrument and
// the udev rule in packaging/ all use this one pair.
#pragma once

#include <cstdint>

namespace quillsan {

inline constexpr std::uint16_t kInstrumentVendorId = 0x16D0;
inline constexpr std::uint16_t kInstrumentProductId = 0x0F3A;

}  // namespace quillsan
