// Command arguments, results, block addresses and lengths travel most
// significant byte first; record data inside the transfer buffer low byte first.
#pragma once

#include <cstddef>
#include <cstdint>

namespace instrument::wire {

inline std::uint32_t ReadBigEndian(const std::uint8_t* bytes, std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i) value = (value << 8) | bytes[i];
    return value;
}

inline void WriteBigEndian(std::uint8_t* out, std::uint32_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) {
        out[i] = static_cast<std::uint8_t>(value >> (8 * (width - 1 - i)));
    }
}

inline void WriteLittle16(std::uint8_t* out, std::uint16_t value) {
    out[0] = static_cast<std::uint8_t>(value & 0xFF);
    out[1] = static_cast<std::uint8_t>(value >> 8);
}

}  // namespace instrument::wire
