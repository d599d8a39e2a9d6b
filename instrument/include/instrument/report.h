// The report the instrument generated last. Lines are produced on demand from
// the run's data so that even a report of thousands of lines costs nothing to
// generate and nothing to keep.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "instrument/item_store.h"

namespace instrument {

inline constexpr std::size_t kMaxReportLine = 99;
inline constexpr std::uint8_t kDegreeByte = 0x80;  // the instrument's degree sign

enum class ReportType : std::uint8_t { kRun = 0, kValidation = 1 };

class Report {
  public:
    // A null run (unknown handle) gives an empty report.
    void Generate(const RunItem* run, ReportType type);
    void Clear() { *this = Report(); }
    std::size_t LineCount() const { return lineCount_; }
    // Writes line n with its terminating zero into out (at least 100 bytes);
    // returns the text length, or -1 when there is no such line.
    int Line(std::size_t n, char* out) const;

  private:
    int HeaderLine(std::size_t n, char* out) const;
    int ProgramLine(std::size_t n, char* out) const;
    int LogLine(std::size_t n, char* out) const;
    int FooterLine(std::size_t n, char* out) const;
    int NumberedLine(std::size_t n, char* out) const;
    std::size_t LogLength() const;

    RunItem run_;
    ReportType type_ = ReportType::kRun;
    std::size_t programLines_ = 0;
    std::size_t logLines_ = 0;
    std::size_t lineCount_ = 0;
};

}  // namespace instrument
