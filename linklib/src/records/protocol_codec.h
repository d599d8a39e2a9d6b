// The two protocol encodings on the link, and the records callers hold.
#pragma once

#include <cstddef>
#include <cstdint>

#include "quillsan.h"

namespace quillsan {

inline constexpr std::size_t kMaxSteps = 9;
inline constexpr std::size_t kMaxSegments = 9;

// Encode into `out` (room for the largest encoding, 1279 bytes); the byte count,
// or 0 when the record holds what the encoding cannot carry (counts above 9;
// in the first form also f above 4095 or stepValue above 127).
std::size_t EncodeProtocol(std::uint8_t* out, const ProtocolRecord& record);
std::size_t EncodeProtocol2(std::uint8_t* out, const ProtocolRecord2& record);

// Clear the record and decode from at most `length` bytes. The first form gives
// the bytes consumed, the second 1; both give 0 when the encoding is refused:
// a 25-character name without its zero byte, a count above 9, or an encoding
// that runs past `length`.
std::size_t DecodeProtocol(ProtocolRecord& record, const std::uint8_t* in, std::size_t length);
std::size_t DecodeProtocol2(ProtocolRecord2& record, const std::uint8_t* in, std::size_t length);

}  // namespace quillsan
