#include "instrument/sample_program.h"

namespace instrument {
namespace {

using Seg = ProgramSegment;

constexpr Seg kHold[] = {{"Hold", 40, 0, true}};
constexpr Seg kFinal72[] = {{"Final extension", 720, 300}};
constexpr Seg kFinal72Long[] = {{"Final extension", 720, 600}};

constexpr Seg kStdInit[] = {{"Denature", 950, 180}};
constexpr Seg kStdCycle[] = {{"Denature", 950, 15}, {"Anneal", 580, 30}, {"Extend", 720, 45}};
constexpr ProgramStep kStandard[] = {{"Initial denaturation", 1, kStdInit},
                                     {"Amplification", 35, kStdCycle},
                                     {"Final extension", 1, kFinal72},
                                     {"Hold", 1, kHold}};

constexpr Seg kSybrInit[] = {{"Hot start", 950, 600}};
constexpr Seg kSybrCycle[] = {{"Denature", 950, 15}, {"Anneal/extend", 600, 60}};
constexpr Seg kSybrMelt[] = {{"Melt start", 650, 5}, {"Melt end", 950, 5}};
constexpr ProgramStep kSybr[] = {{"Enzyme activation", 1, kSybrInit},
                                 {"Amplification", 40, kSybrCycle},
                                 {"Melt curve", 1, kSybrMelt},
                                 {"Hold", 1, kHold}};

constexpr Seg kColonyInit[] = {{"Lysis", 950, 300}};
constexpr Seg kColonyCycle[] = {{"Denature", 940, 30}, {"Anneal", 550, 30}, {"Extend", 720, 60}};
constexpr ProgramStep kColony[] = {{"Initial denaturation", 1, kColonyInit},
                                   {"Amplification", 30, kColonyCycle},
                                   {"Final extension", 1, kFinal72Long},
                                   {"Hold", 1, kHold}};

constexpr Seg kLongInit[] = {{"Denature", 940, 120}};
constexpr Seg kLongCycle[] = {{"Denature", 940, 15}, {"Anneal", 620, 30}, {"Extend", 680, 480}};
constexpr ProgramStep kLongRange[] = {{"Initial denaturation", 1, kLongInit},
                                      {"Amplification", 32, kLongCycle},
                                      {"Final extension", 1, kFinal72Long},
                                      {"Hold", 1, kHold}};

constexpr SampleProgram kPrograms[] = {
    {"STANDARD PCR 35X", "Standard PCR", kStandard},
    {"SYBR QPCR 40X", "SYBR qPCR", kSybr},
    {"COLONY PCR 30X", "Colony PCR", kColony},
    {"LONG RANGE PCR 32X", "Long range PCR", kLongRange},
};

void PutWord(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutName(std::vector<std::uint8_t>& out, const char* name) {
    for (std::size_t i = 0; name[i] != '\0' && i < 25; ++i) {
        out.push_back(static_cast<std::uint8_t>(name[i]));
    }
    out.push_back(0);
}

// Hold segments carry no time ("none") and flag the hold in h.
constexpr std::uint16_t kNoTime = 8191;

}  // namespace

std::span<const SampleProgram> SamplePrograms() {
    return kPrograms;
}

// First form: every sample segment gives its ramp group (c = target, d = lid,
// a = ramp rate, b = 1) and leaves g absent.
std::vector<std::uint8_t> EncodeFirstForm(const SampleProgram& program) {
    std::vector<std::uint8_t> out;
    PutName(out, program.name);
    out.push_back(static_cast<std::uint8_t>(program.steps.size()));
    for (const ProgramStep& step : program.steps) {
        out.push_back(step.repeats & 0x7F);
        out.push_back(static_cast<std::uint8_t>(step.segments.size() & 0x0F));
        for (const ProgramSegment& segment : step.segments) {
            PutWord(out, static_cast<std::uint16_t>(0x4000 | (segment.seconds & 0x0FFF)));
            PutWord(out, segment.tenthsC);
            out.push_back(kRampTenthsPerSecond);
            out.push_back(1);
            const std::uint16_t e = segment.hold ? kNoTime : 0;
            PutWord(out, static_cast<std::uint16_t>(0x8000 | (segment.hold ? 0x4000 : 0) | e));
            PutWord(out, kLidTenthsC);
            out.push_back(kRampTenthsPerSecond);
            out.push_back(1);
            if (segment.hold) out.push_back(1);
        }
    }
    return out;
}

std::vector<std::uint8_t> EncodeSecondForm(const SampleProgram& program) {
    std::vector<std::uint8_t> out;
    PutName(out, program.name);
    out.push_back(static_cast<std::uint8_t>(program.steps.size()));
    for (const ProgramStep& step : program.steps) {
        PutWord(out, step.repeats);
        out.push_back(static_cast<std::uint8_t>(step.segments.size()));
        out.push_back(0);
        for (const ProgramSegment& segment : step.segments) {
            PutWord(out, kRampTenthsPerSecond);
            PutWord(out, 1);
            PutWord(out, segment.tenthsC);
            PutWord(out, kLidTenthsC);
            PutWord(out, segment.hold ? kNoTime : 0);
            PutWord(out, segment.seconds);
            PutWord(out, 0);
            out.push_back(segment.hold ? 1 : 0);
        }
    }
    out.push_back(0);  // tail byte
    return out;
}

}  // namespace instrument
