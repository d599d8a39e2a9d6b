// The widget-free heart of report upload: the link check, the run list and the
// step-by-step retrieval of one report. brevalin steps it from its window
// timer, brevalin-cli as fast as the link answers; both see the same library
// calls in the same order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link_binding.h"

namespace brevalin {

enum ReportState : std::uint8_t { kIdleReport = 0, kGenerate = 1, kAwaitLines = 2, kReadLines = 3 };

inline constexpr std::uint16_t kRunCollection = 0x4006;
inline constexpr std::uint16_t kReportLines = 0x4007;
inline constexpr std::uint16_t kRunKind = 0x7000;
inline constexpr std::uint16_t kLineKind = 0x6000;
inline constexpr std::uint8_t kReportParameter = 22;
inline constexpr std::size_t kLineSize = 100;  // lines and names are cut to 99 characters
// The longest record the library accepts, and its terminator.
inline constexpr std::size_t kNameBufferSize = 2048 + 1;

// What the retrieval reads at the moment it generates, and where its lines and
// status texts go.
class ReportHost {
  public:
    virtual ~ReportHost() = default;
    virtual std::uint16_t SelectedRunIndex() const = 0;
    virtual bool ValidationSelected() const = 0;
    virtual void ClearReport() = 0;
    virtual void AppendReportLine(const char* line) = 0;  // already mapped
    virtual void ShowStatus(const char* text) = 0;
    virtual void HideStatus() = 0;
    // Whether the user has answered No to the library's reconnect question
    // since the last look; a program without its own prompt never has.
    virtual bool ReconnectRefused() { return false; }
};

class ReportCore {
  public:
    ReportCore(LinkLibrary& library, ReportHost& host) : library_(library), host_(host) {}

    bool CheckLink();
    bool ReadFirmwareVersion(std::uint32_t& version);

    // The runs' names, newest first (entry p is run count − 1 − p). Names
    // are listed even when their fetch fails; `clean`, when given, says
    // whether the whole list arrived without a link error. A No to the
    // reconnect question ends the list with the names read so far.
    std::vector<std::string> ReadRunNames(bool* clean = nullptr);
    // The last run list was cut short by a No to the reconnect question.
    bool listDeclined() const { return listDeclined_; }
    // One read of the number of runs, or of one run's name; false when the
    // link failed it, so that the caller can read that item again.
    bool ReadRunCount(std::uint16_t& count);
    bool ReadRunName(std::uint16_t index, std::string& name);

    void StartRetrieval() { state_ = kGenerate; }
    // One step of the retrieval; kIdleReport once the report is complete.
    void RetrievalStep();

    ReportState state() const { return state_; }
    std::uint16_t lineCount() const { return lineCount_; }
    std::uint16_t lineIndex() const { return lineIndex_; }

  private:
    void Generate();
    void AwaitLines();
    void ReadLine();

    LinkLibrary& library_;
    ReportHost& host_;
    ReportState state_ = kIdleReport;
    std::uint16_t lineCount_ = 0;
    std::uint16_t lineIndex_ = 0;
    bool listDeclined_ = false;
};

}  // namespace brevalin
