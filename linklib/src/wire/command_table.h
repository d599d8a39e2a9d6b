// The instrument's command set as data: result width and argument widths of
// every command number, as the library builds requests and reads replies.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillsan {

struct CommandDescriptor {
    std::uint8_t resultWidth;       // 0, 1, 2 or 4 reply bytes
    std::uint8_t argumentWidth[3];  // 0 (absent), 1 or 2 bytes each
    std::uint8_t reserved;          // always 0
};
static_assert(sizeof(CommandDescriptor) == 5);

inline constexpr int kCommandCount = 103;
inline constexpr std::uint8_t kBlockWriteCommand = 0;
inline constexpr std::uint8_t kBlockReadCommand = 1;

extern const CommandDescriptor kCommandTable[kCommandCount];

constexpr bool IsKnownCommand(std::uint32_t command) {
    return command < kCommandCount;
}

// Number of arguments, counted from the back: the last non-zero width wins.
int ArgumentCount(const CommandDescriptor& descriptor);

// Bytes of a request after the command byte (sum of the argument widths).
std::size_t ArgumentBytes(const CommandDescriptor& descriptor);

}  // namespace quillsan
