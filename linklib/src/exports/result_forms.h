// Argument widths and result forms shared by the exports.
#pragma once

#include <cstdint>

#include "link_error.h"

namespace quillsan {

constexpr std::uint32_t Low8(std::uint32_t v) {
    return v & 0xFFu;
}
constexpr std::uint32_t Low16(std::uint32_t v) {
    return v & 0xFFFFu;
}

// Inserts and name lookups answer this when their upload failed.
inline constexpr std::uint32_t kUploadFailed = 0xFFFF;

// An insert's result word: the instrument's answer, or kUploadFailed when a
// link error stands after the command.
inline std::uint32_t InsertAnswer(std::uint32_t answer) {
    return LinkErrorPending() ? kUploadFailed : Low16(answer);
}

// A store's result: 1 when the instrument's answer is nonzero in its low 16 bits.
inline std::uint32_t StoreAnswer(std::uint32_t answer) {
    return Low16(answer) != 0 ? 1 : 0;
}

}  // namespace quillsan
