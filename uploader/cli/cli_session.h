// brevalin-cli's conversation with the instrument: binding, the link, the run
// list and fetching one report, stepping the report core without a timer.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cli_options.h"
#include "report_core.h"

namespace brevalin::cli {

// Lines fetched of the report's count, for a progress bar.
using ProgressFunction = std::function<void(std::uint16_t fetched, std::uint16_t count)>;

enum class FetchOutcome { kComplete, kLinkLost };

struct FetchLimits {
    // A retrieval that appends no line for this many steps, or this long, has
    // lost its link: the core itself would repeat a failing step for ever.
    int stepsWithoutProgress = 200;
    std::chrono::milliseconds timeWithoutProgress{60000};
};

class CliSession : private ReportHost {
  public:
    // `ownFolder` is where the library was looked for first, as LinkLibrary's.
    CliSession(LinkLibrary& library, std::string ownFolder)
        : library_(library), core_(library, *this), ownFolder_(std::move(ownFolder)) {}

    // Loads QUILLSAN.DLL; on failure `error` holds the binding's message.
    bool Bind(const char* fileName, std::string& error);
    const std::string& libraryVersion() const { return libraryVersion_; }
    // The library file the binding loaded, and its flavour: "virtual" when it
    // was loaded from a folder named so, else "hardware".
    std::string LibraryPath() const;
    std::string Flavour() const;
    // An export beyond the 28 the binding insists on, from the same file; null
    // when the library lacks it.
    void* OptionalExport(const char* name) const;

    // Opens the chosen link and reads the firmware version, a few times over
    // before it gives up.
    bool Connect(const LinkChoice& link);
    std::uint32_t firmwareVersion() const { return firmwareVersion_; }

    // The runs' names, newest first, as brevalin lists them; read again
    // while a link error spoils the list. False when it never arrives whole.
    bool RunNames(std::vector<std::string>& names);

    // Fetches the report of run `runIndex` in one type into `lines` (mapped,
    // without line ends).
    FetchOutcome Fetch(std::uint16_t runIndex, bool validation, std::vector<std::string>& lines);

    void SetProgress(ProgressFunction progress) { progress_ = std::move(progress); }
    void SetLimits(const FetchLimits& limits) { limits_ = limits; }
    LinkLibrary& library() { return library_; }

  private:
    std::uint16_t SelectedRunIndex() const override { return runIndex_; }
    bool ValidationSelected() const override { return validation_; }
    void ClearReport() override { lines_->clear(); }
    void AppendReportLine(const char* line) override { lines_->emplace_back(line); }
    void ShowStatus(const char*) override {}
    void HideStatus() override {}

    LinkLibrary& library_;
    ReportCore core_;
    std::string ownFolder_;
    std::string fileName_;
    std::string libraryVersion_;
    std::uint32_t firmwareVersion_ = 0;
    std::uint16_t runIndex_ = 0;
    bool validation_ = true;
    std::vector<std::string>* lines_ = nullptr;
    ProgressFunction progress_;
    FetchLimits limits_;
};

}  // namespace brevalin::cli
