// The program's logic: connection steps, report retrieval and the commands,
// acting on a view of the window. The timer only calls Timer1Timer, so tests
// drive every step directly.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dialogs.h"
#include "link_binding.h"
#include "report_core.h"
#include "save_report.h"
#include "view.h"

namespace brevalin {

enum ConnectionState : std::uint8_t { kSearching = 0, kConnected = 1, kFound = 4 };
enum TimerMode : std::uint8_t { kIdleMode = 0, kConnecting = 1, kRetrieving = 2 };

inline constexpr int kTimerIntervalMs = 20;
inline constexpr int kStepsPerTick = 50;
// A slice also ends once its library calls have taken this long, so a slow link
// still lets the window repaint and take clicks several times a second.
inline constexpr std::chrono::milliseconds kSliceTime{100};

inline constexpr char kPlaceholder[] = "------No reports available------";

class Controller : public ViewEvents, private ReportHost {
  public:
    // Time as the tick measures it; a steady clock unless a test sets another.
    using Clock = std::function<std::chrono::nanoseconds()>;

    Controller(View& view, LinkLibrary& library, Dialogs& dialogs,
               ReconnectAnswers& answers = HostReconnectAnswers());
    void SetClock(Clock clock) { clock_ = std::move(clock); }

    // Handlers, named after the window's events.
    void FormCreate();
    void Timer1Timer() override;
    void RefreshBClick() override;
    void RadioGroup1Click() override;
    void SaveBClick() override;
    void AboutBClick() override;
    void ListBox1Click() override;
    void CancelClick() override;
    // By keyboard or mouse a moved highlight is a click.
    void RunListCurrentChanged() override;

    void ConnectStep();
    void RetrievalStep();
    bool CheckLink();
    bool ReadFirmwareVersion(std::uint32_t& version);
    void BuildTitles();
    void ShowStatus(const char* text) override;
    void HideStatus() override;

    ConnectionState connectionState() const { return connectionState_; }
    TimerMode timerMode() const { return timerMode_; }
    ReportState reportState() const { return core_.state(); }
    std::uint16_t reportLineCount() const { return core_.lineCount(); }
    const char* windowTitle() const { return windowTitle_; }
    const char* versionText() const { return versionText_; }
    const char* libraryVersionText() const { return libraryVersionText_; }
    int stepsInLastTick() const { return stepsInLastTick_; }
    // Every status text shown, oldest first, for a person or a test to follow.
    const std::vector<std::string>& statusHistory() const { return statusHistory_; }
    bool ended() const { return ended_; }

  private:
    void End(int status);
    int SelectedType() const;
    // What the report core reads and fills.
    std::uint16_t SelectedRunIndex() const override;
    bool ValidationSelected() const override;
    void ClearReport() override;
    void AppendReportLine(const char* line) override;
    bool ReconnectRefused() override;
    bool TakeRefusal();
    void AddRun(const char* name);
    void AddReportLine(const char* line);
    void RunSlice();
    // Moves the run list's highlight without it counting as the user's click.
    void SelectRun(int row);

    View& view_;
    LinkLibrary& library_;
    Dialogs& dialogs_;
    ReconnectAnswers& answers_;
    ReportCore core_;
    ReportList report_;  // what the report list holds, byte for byte
    // The run list's first entry: its placeholder says it holds no run.
    std::string firstRun_;

    ConnectionState connectionState_ = kSearching;
    TimerMode timerMode_ = kIdleMode;

    char libraryFileName_[kFileNameSize] = "QUILLSAN.DLL";
    char bindErrorText_[kBindErrorSize] = {};
    char libraryVersionText_[kVersionTextSize] = {};
    char versionText_[100] = {};
    char windowTitle_[100] = {};

    Clock clock_;
    int fetchedRow_ = 0;  // the run list entry whose report is being fetched
    bool ownSelection_ = false;
    int stepsInLastTick_ = 0;
    bool lastTickEndedOnTime_ = false;  // stopped on kSliceTime, not on its step count
    std::vector<std::string> statusHistory_;
    bool ended_ = false;
};

}  // namespace brevalin
