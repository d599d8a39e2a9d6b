// Thermal programs of the sample content, and their encodings in the two
// protocol forms the host library reads and writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace instrument {

struct ProgramSegment {
    const char* label;      // e.g. "Denature"
    std::uint16_t tenthsC;  // target block temperature in tenths of a degree
    std::uint16_t seconds;  // 0 with hold set: stay until stopped
    bool hold = false;
};

struct ProgramStep {
    const char* label;  // e.g. "Initial denaturation"
    std::uint8_t repeats;
    std::span<const ProgramSegment> segments;
};

struct SampleProgram {
    const char* name;       // at most 25 characters
    const char* shortName;  // used in run names
    std::span<const ProgramStep> steps;
};

std::span<const SampleProgram> SamplePrograms();

// Lid temperature and ramp rate that every sample segment carries.
inline constexpr std::uint16_t kLidTenthsC = 1050;
inline constexpr std::uint8_t kRampTenthsPerSecond = 40;

std::vector<std::uint8_t> EncodeFirstForm(const SampleProgram& program);
std::vector<std::uint8_t> EncodeSecondForm(const SampleProgram& program);

}  // namespace instrument
