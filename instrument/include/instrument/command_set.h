// The commands this firmware understands, told from the instrument's side of
// the link: which fields follow the command byte and how many bytes the answer
// has. The host library keeps its own description; the two are written apart
// on purpose, so that a misreading on either side shows where they meet.
#pragma once

#include <cstddef>
#include <cstdint>

namespace instrument {

inline constexpr std::uint8_t kBlockWriteCommand = 0;  // address, length, data
inline constexpr std::uint8_t kBlockReadCommand = 1;   // address, length
inline constexpr unsigned kCommandNumbers = 103;       // 0 to 102

struct CommandLayout {
    std::uint8_t answerBytes = 0;     // 0, 1, 2 or 4, most significant first
    std::uint8_t fieldBytes[3] = {};  // in arrival order; a 0 ends the list

    constexpr std::size_t FieldCount() const {
        std::size_t n = 0;
        while (n < 3 && fieldBytes[n] != 0) ++n;
        return n;
    }
    // The whole request: command byte and fields.
    constexpr std::size_t RequestBytes() const {
        return 1u + fieldBytes[0] + fieldBytes[1] + fieldBytes[2];
    }
};

// The layout of a command with fields; nullptr for a number outside the set and
// for the two block commands, whose requests carry an address and a length.
const CommandLayout* LayoutOf(std::uint8_t command);

}  // namespace instrument
