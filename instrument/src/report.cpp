#include "instrument/report.h"

#include <cstdarg>
#include <cstdio>

#include "instrument/firmware.h"
#include "instrument/sample_program.h"

namespace instrument {
namespace {

constexpr std::size_t kHeaderLines = 7;
constexpr std::size_t kFooterLines = 3;
constexpr int kDeviationTenths = 14;

struct TempText {
    char text[16];
};

TempText Temp(int tenths) {
    TempText out{};
    const int whole = tenths / 10;
    const int fraction = (tenths < 0 ? -tenths : tenths) % 10;
    std::snprintf(out.text, sizeof out.text, "%d.%d%cC", whole, fraction,
                  static_cast<char>(kDegreeByte));
    return out;
}

int Print(char* out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(out, kMaxReportLine + 1, format, args);
    va_end(args);
    if (length < 0) {
        out[0] = '\0';
        return 0;
    }
    return length > static_cast<int>(kMaxReportLine) ? static_cast<int>(kMaxReportLine) : length;
}

// Appends to a line of `length` characters without passing the line limit.
int Append(char* out, int length, const char* format, ...) {
    const std::size_t room = kMaxReportLine + 1 - static_cast<std::size_t>(length);
    if (room <= 1) return length;
    va_list args;
    va_start(args, format);
    const int added = std::vsnprintf(out + length, room, format, args);
    va_end(args);
    if (added < 0) return length;
    const int total = length + added;
    return total > static_cast<int>(kMaxReportLine) ? static_cast<int>(kMaxReportLine) : total;
}

// Sensor readings wander by up to 0.3 degrees, the same way on every request.
int Noise(std::size_t line, std::size_t column) {
    std::uint32_t h = static_cast<std::uint32_t>(line * 2654435761u) ^
                      static_cast<std::uint32_t>((column + 1) * 40503u);
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return static_cast<int>(h % 7) - 3;
}

const SampleProgram& ProgramOf(const RunItem& run) {
    const auto programs = SamplePrograms();
    return programs[run.program < programs.size() ? run.program : 0];
}

// The cycling step: the one repeated most often.
const ProgramStep& CyclingStep(const SampleProgram& program) {
    const ProgramStep* best = &program.steps[0];
    for (const ProgramStep& step : program.steps) {
        if (step.repeats > best->repeats) best = &step;
    }
    return *best;
}

std::size_t SegmentCount(const SampleProgram& program) {
    std::size_t count = 0;
    for (const ProgramStep& step : program.steps) count += step.segments.size();
    return count;
}

// Finds segment `n` counted over all steps; false when past the end.
bool NthSegment(const SampleProgram& program, std::size_t n, std::size_t& stepIndex,
                std::size_t& segmentIndex) {
    for (stepIndex = 0; stepIndex < program.steps.size(); ++stepIndex) {
        const std::size_t count = program.steps[stepIndex].segments.size();
        if (n < count) {
            segmentIndex = n;
            return true;
        }
        n -= count;
    }
    return false;
}

}  // namespace

void Report::Generate(const RunItem* run, ReportType type) {
    Clear();
    if (run == nullptr || run->outcome == RunOutcome::kAborted) return;
    run_ = *run;
    type_ = type;
    if (run_.reportLines != 0) {
        lineCount_ = run_.reportLines;
        return;
    }
    programLines_ = 1 + SegmentCount(ProgramOf(run_));
    const std::size_t fixed = kHeaderLines + programLines_ + kFooterLines;
    logLines_ = LogLength();
    if (run_.outcome == RunOutcome::kLongHold) {
        logLines_ = run_.logLines > fixed + 1 ? run_.logLines - fixed : 1;
    }
    lineCount_ = fixed + logLines_;
}

std::size_t Report::LogLength() const {
    const SampleProgram& program = ProgramOf(run_);
    if (type_ == ReportType::kValidation) return 1 + SegmentCount(program);
    return 1 + CyclingStep(program).repeats;
}

int Report::Line(std::size_t n, char* out) const {
    if (n >= lineCount_) return -1;
    if (run_.reportLines != 0) return NumberedLine(n, out);
    if (n < kHeaderLines) return HeaderLine(n, out);
    n -= kHeaderLines;
    if (n < programLines_) return ProgramLine(n, out);
    n -= programLines_;
    if (n < logLines_) return LogLine(n, out);
    return FooterLine(n - logLines_, out);
}

int Report::HeaderLine(std::size_t n, char* out) const {
    const SampleProgram& program = ProgramOf(run_);
    switch (n) {
        case 0:
            return Print(out, "ZANTOREL THERMAL CYCLER            %s",
                         type_ == ReportType::kValidation ? "VALIDATION REPORT" : "RUN REPORT");
        case 1:
            return Print(out, "Instrument  %s    Firmware %u.%03u", kSerialNumber,
                         kFirmwareVersion / 1000, kFirmwareVersion % 1000);
        case 2:
            return Print(out, "Run         %s", run_.name.c_str());
        case 3:
            return Print(out, "User        %s", run_.user.c_str());
        case 4:
            return Print(out, "Protocol    %s", program.name);
        case 5:
            return Print(out, "Lid         %s    Ramp %d.%d%cC/s", Temp(kLidTenthsC).text,
                         kRampTenthsPerSecond / 10, kRampTenthsPerSecond % 10,
                         static_cast<char>(kDegreeByte));
        default:
            return Print(out, "------------------------------------------------------------");
    }
}

int Report::ProgramLine(std::size_t n, char* out) const {
    if (n == 0) return Print(out, "PROGRAM");
    const SampleProgram& program = ProgramOf(run_);
    std::size_t step = 0;
    std::size_t segment = 0;
    if (!NthSegment(program, n - 1, step, segment)) return Print(out, "");
    const ProgramStep& s = program.steps[step];
    const ProgramSegment& g = s.segments[segment];
    if (g.hold) {
        return Print(out, "  Step %zu.%zu  %-20s x%-3u %-16s %9s  hold", step + 1, segment + 1,
                     s.label, s.repeats, g.label, Temp(g.tenthsC).text);
    }
    return Print(out, "  Step %zu.%zu  %-20s x%-3u %-16s %9s  %2u:%02u", step + 1, segment + 1,
                 s.label, s.repeats, g.label, Temp(g.tenthsC).text, g.seconds / 60, g.seconds % 60);
}

int Report::LogLine(std::size_t n, char* out) const {
    const SampleProgram& program = ProgramOf(run_);
    if (run_.outcome == RunOutcome::kLongHold) {
        if (n == 0) return Print(out, "HOLD STABILITY LOG (sample every 10 s)");
        const std::size_t seconds = n * 10;
        return Print(out, "%02zu:%02zu:%02zu  Block %s  Sample %s  Lid %s", seconds / 3600,
                     seconds / 60 % 60, seconds % 60, Temp(40 + Noise(n, 0) / 2).text,
                     Temp(40 + Noise(n, 1)).text, Temp(kLidTenthsC + Noise(n, 2)).text);
    }
    const bool deviation = run_.outcome == RunOutcome::kDeviation;
    if (type_ == ReportType::kValidation) {
        if (n == 0) return Print(out, "TEMPERATURE VERIFICATION (limit +/-0.5%cC)", kDegreeByte);
        std::size_t step = 0;
        std::size_t segment = 0;
        if (!NthSegment(program, n - 1, step, segment)) return Print(out, "");
        const ProgramSegment& g = program.steps[step].segments[segment];
        const bool off = deviation && &program.steps[step] == &CyclingStep(program) && segment == 1;
        const int measured = g.tenthsC + (off ? kDeviationTenths : Noise(n, 0) / 2);
        return Print(out, "  Step %zu.%zu  Target %9s  Measured %9s  Uniformity +/-0.%d%cC  %s",
                     step + 1, segment + 1, Temp(g.tenthsC).text, Temp(measured).text,
                     2 + (Noise(n, 1) + 3) / 3, kDegreeByte, off ? "DEVIATION" : "OK");
    }
    const ProgramStep& cycling = CyclingStep(program);
    if (n == 0) return Print(out, "CYCLE LOG (%u cycles)", cycling.repeats);
    int length = Print(out, "Cycle %02zu/%02u", n, cycling.repeats);
    const bool off = deviation && n == cycling.repeats / 2u;
    for (std::size_t k = 0; k < cycling.segments.size() && k < 3; ++k) {
        const int measured =
            cycling.segments[k].tenthsC + (off && k == 1 ? kDeviationTenths : Noise(n, k) / 2);
        length = Append(out, length, "  %.8s %s", cycling.segments[k].label, Temp(measured).text);
    }
    return Append(out, length, "  %s", off ? "DEVIATION" : "OK");
}

int Report::FooterLine(std::size_t n, char* out) const {
    if (n == 0) return Print(out, "------------------------------------------------------------");
    if (n == 2) return Print(out, "END OF REPORT");
    if (run_.outcome != RunOutcome::kDeviation) return Print(out, "RESULT: PASSED");
    if (type_ == ReportType::kValidation) {
        return Print(out, "RESULT: 1 DEVIATION - anneal temperature outside limit");
    }
    return Print(out, "RESULT: 1 DEVIATION - see cycle %02u",
                 CyclingStep(ProgramOf(run_)).repeats / 2u);
}

// Carries its own index and a degree sign, so a lost, repeated or unmapped line shows.
int Report::NumberedLine(std::size_t n, char* out) const {
    return Print(out, "Line %05zu of %05zu  Block %s  %s", n, lineCount_,
                 Temp(600 + static_cast<int>(n % 40)).text,
                 type_ == ReportType::kValidation ? "VALIDATION" : "RUN");
}

}  // namespace instrument
