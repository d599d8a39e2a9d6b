// The bounded text copy that every text export uses to fill a caller's buffer.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillsan {

// Copies text up to its terminator, zero-fills the rest: exactly size bytes are
// written, the last one always zero. size 0 writes nothing.
inline void BoundedTextCopy(char* buffer, std::uint32_t size, const char* text) {
    bool ended = false;
    for (std::uint32_t i = 0; i < size; ++i) {
        if (!ended && text[i] == '\0') ended = true;
        buffer[i] = ended ? '\0' : text[i];
    }
    if (size > 0) buffer[size - 1] = '\0';
}

// "length, at most size": the result rule of the text exports.
inline std::uint32_t AtMost(std::uint32_t length, std::uint32_t size) {
    return size > length ? length : size;
}

}  // namespace quillsan
