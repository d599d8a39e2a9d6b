// brevalin-cli's conversation with the instrument: binding, the link, the run
// list and fetching one report, stepping the report core without a timer.
// Nobody watches it, so it answers the library's reconnect question itself and
// goes on through faults and unplugs until the reconnect budget is spent.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cli_options.h"
#include "quillsan.h"
#include "report_core.h"

namespace brevalin::cli {

// Lines fetched of the report's count, for a progress bar.
using ProgressFunction = std::function<void(std::uint16_t fetched, std::uint16_t count)>;

enum class FetchOutcome { kComplete, kLinkLost };

struct FetchLimits {
    // Steps, or time, that bring no line before the link is opened again: the
    // core itself would repeat a failing step for ever.
    int stepsWithoutProgress = 200;
    std::chrono::milliseconds timeWithoutProgress{30000};
    // Reads of one run name or count before the link is opened again.
    int readsPerItem = 20;
};

// How long the instrument may stay out of reach before the job gives up, and
// whether it is looked for again at all. The first search after a loss is
// always made; a limit of 0 makes no further ones.
struct ReconnectBudget {
    bool enabled = true;
    std::chrono::milliseconds limit{60000};
};

class CliSession : private ReportHost {
  public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    using Sleep = std::function<void(std::chrono::milliseconds)>;

    // `ownFolder` is where the library was looked for first, as LinkLibrary's.
    CliSession(LinkLibrary& library, std::string ownFolder);

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

    // The runs' names, newest first, as brevalin lists them. Each name is read
    // on its own and read again when the link fails it; false once the
    // reconnect budget is spent.
    bool RunNames(std::vector<std::string>& names);

    // Fetches the report of run `runIndex` in one type into `lines` (mapped,
    // without line ends). A report whose link was lost starts again from its
    // generation once the instrument is back; kLinkLost once the budget is spent.
    FetchOutcome Fetch(std::uint16_t runIndex, bool validation, std::vector<std::string>& lines);

    // The library's reconnect question: Yes while the budget lasts (the
    // library then searches at once), No without reconnecting.
    bool AnswerReconnectQuestion();

    void SetProgress(ProgressFunction progress) { progress_ = std::move(progress); }
    void SetLimits(const FetchLimits& limits) { limits_ = limits; }
    void SetReconnectBudget(const ReconnectBudget& budget) { budget_ = budget; }
    void SetTime(Clock clock, Sleep sleep);
    LinkLibrary& library() { return library_; }
    // Times the instrument was looked for again after it was lost.
    int regains() const { return regains_; }

  private:
    std::uint16_t SelectedRunIndex() const override { return runIndex_; }
    bool ValidationSelected() const override { return validation_; }
    void ClearReport() override { lines_->clear(); }
    void AppendReportLine(const char* line) override { lines_->emplace_back(line); }
    void ShowStatus(const char*) override {}
    void HideStatus() override {}

    bool OpenLink();
    void Progressed();
    bool Stalled(int idleSteps) const;
    bool BudgetSpent() const;
    // Looks for the instrument again, with growing pauses, until it answers or
    // the budget is spent.
    bool Regain();
    // After a failed read of a run list item: whether to read it again.
    bool RetryItem(int& reads);
    bool TakeLoss();
    // The library still holds a USB device after it asked about reconnecting.
    bool DeviceHeld() const;

    LinkLibrary& library_;
    ReportCore core_;
    std::string ownFolder_;
    std::string fileName_;
    std::string libraryVersion_;
    LinkChoice link_;
    std::uint32_t firmwareVersion_ = 0;
    std::uint16_t runIndex_ = 0;
    bool validation_ = true;
    std::vector<std::string>* lines_ = nullptr;
    ProgressFunction progress_;
    FetchLimits limits_;
    ReconnectBudget budget_;
    Clock clock_;
    Sleep sleep_;
    std::chrono::steady_clock::time_point lastProgress_{};
    bool deviceLost_ = false;  // the library asked about reconnecting since the last look
    int regains_ = 0;
    int regainsSinceProgress_ = 0;
    decltype(&::bZtUsbConnected) usbConnected_ = nullptr;
};

}  // namespace brevalin::cli
