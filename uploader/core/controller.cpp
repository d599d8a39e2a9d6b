#include "controller.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace brevalin {
namespace {

constexpr char kInstrumentName[] = "Zantorel";
constexpr int kReportedComPort = 2;
}  // namespace

Controller::Controller(View& view, LinkLibrary& library, Dialogs& dialogs,
                       ReconnectAnswers& answers)
    : view_(view),
      library_(library),
      dialogs_(dialogs),
      answers_(answers),
      core_(library, *this),
      clock_([] { return std::chrono::steady_clock::now().time_since_epoch(); }) {}

void Controller::SelectRun(int row) {
    const bool outer = ownSelection_;
    ownSelection_ = true;
    view_.SetCurrentRun(row);
    ownSelection_ = outer;
}

void Controller::RunListCurrentChanged() {
    if (!ownSelection_) ListBox1Click();
}

void Controller::End(int status) {
    ended_ = true;
    dialogs_.Exit(status);
}

void Controller::FormCreate() {
    view_.ShowStatus("");
    BuildTitles();
    view_.SetTitle(windowTitle_);
    timerMode_ = kConnecting;
    connectionState_ = kSearching;
    view_.SetTimerInterval(kTimerIntervalMs);
    view_.StartTimer();
}

void Controller::BuildTitles() {
    std::snprintf(versionText_, sizeof versionText_, "Version %d.%.3d", 1, 0);
    char title[sizeof windowTitle_ + 200];
    char work[200];
    std::snprintf(title, sizeof title, "Zantorel Report Upload Utility %s", versionText_);
    std::snprintf(work, sizeof work, " (using %s)", libraryFileName_);
    const std::string whole = std::string(title) + work;
    // Cut to the caption's 99 characters, as the fixed text would be.
    std::snprintf(windowTitle_, sizeof windowTitle_, "%.*s",
                  static_cast<int>(sizeof windowTitle_ - 1), whole.c_str());
}

void Controller::ShowStatus(const char* text) {
    view_.ShowStatus(text);
    statusHistory_.emplace_back(text);
}

void Controller::HideStatus() {
    view_.HideStatus();
}

bool Controller::CheckLink() {
    return core_.CheckLink();
}

bool Controller::ReadFirmwareVersion(std::uint32_t& version) {
    return core_.ReadFirmwareVersion(version);
}

void Controller::Timer1Timer() {
    view_.StopTimer();
    switch (timerMode_) {
        case kConnecting:
            ConnectStep();
            if (ended_) return;
            if (connectionState_ == kConnected) {
                view_.SetTimerInterval(kTimerIntervalMs);
                timerMode_ = kIdleMode;
                RefreshBClick();
            }
            break;
        case kRetrieving:
            RunSlice();
            break;
        default:
            break;
    }
    // A slice cut short by time goes on as soon as the window has had its turn.
    view_.SetTimerInterval(timerMode_ == kRetrieving && lastTickEndedOnTime_ ? 0
                                                                             : kTimerIntervalMs);
    view_.StartTimer();
}

void Controller::RunSlice() {
    answers_.Clear();  // a No answered outside this retrieval is not for it
    const std::chrono::nanoseconds start = clock_();
    bool timeUp = false;
    int steps = 0;
    do {
        RetrievalStep();
        ++steps;
        // A No to the library's reconnect question means the user wants out.
        if (TakeRefusal()) {
            CancelClick();
            break;
        }
        timeUp = clock_() - start >= kSliceTime;
    } while (core_.state() == kReadLines && steps < kStepsPerTick && !timeUp);
    stepsInLastTick_ = steps;
    lastTickEndedOnTime_ =
        timeUp && steps < kStepsPerTick && core_.state() == kReadLines && timerMode_ == kRetrieving;
    if (core_.state() == kIdleReport) timerMode_ = kIdleMode;
}

void Controller::ConnectStep() {
    HideStatus();
    ShowStatus("Initializing. Please wait ...");
    if (!library_.Bind(libraryFileName_, bindErrorText_, libraryVersionText_)) {
        dialogs_.Message(bindErrorText_, box::kOk);
        End(1);
        return;
    }
    BuildTitles();

    char work[256];
    if (connectionState_ == kSearching) {
        HideStatus();
        std::snprintf(work, sizeof work, " Checking for %s\r\n connected to COM%i", kInstrumentName,
                      kReportedComPort);
        ShowStatus(work);
        std::uint32_t version = 0;
        if ((library_.InitRemoteComm(0, 0) & 0xFFFF) != 0 && ReadFirmwareVersion(version)) {
            HideStatus();
            std::snprintf(work, sizeof work, " Found %s with program version: %u.%.3u on USB",
                          kInstrumentName, version / 1000, version % 1000);
            ShowStatus(work);
            connectionState_ = kFound;
        } else {
            HideStatus();
            std::snprintf(work, sizeof work, "No %s detected", kInstrumentName);
            if (dialogs_.Message(work, box::kRetryCancel) == box::kAnswerRetry) {
                connectionState_ = kSearching;
                return;
            }
            End(1);
            return;
        }
    }
    if (connectionState_ == kFound) {
        HideStatus();
        connectionState_ = kConnected;
    }
}

int Controller::SelectedType() const {
    return view_.ValidationSelected() ? 0 : 1;
}

std::uint16_t Controller::SelectedRunIndex() const {
    return static_cast<std::uint16_t>(view_.RunCount() - view_.CurrentRun() - 1);
}

bool Controller::ValidationSelected() const {
    return SelectedType() == 0;
}

void Controller::ClearReport() {
    report_ = ReportList();
    view_.ClearReport();
}

void Controller::AppendReportLine(const char* line) {
    AddReportLine(line);
}

void Controller::AddReportLine(const char* line) {
    report_.lines.emplace_back(line);
    view_.AddReportLine(line);
}

void Controller::AddRun(const char* name) {
    if (view_.RunCount() == 0) firstRun_ = name;
    view_.AddRun(name);
}

bool Controller::ReconnectRefused() {
    return TakeRefusal();
}

bool Controller::TakeRefusal() {
    const bool refused = answers_.refused();
    answers_.Clear();
    return refused;
}

void Controller::RetrievalStep() {
    core_.RetrievalStep();
}

void Controller::RefreshBClick() {
    if (timerMode_ != kIdleMode) return;
    const std::vector<std::string> names = core_.ReadRunNames();
    // After a No to the reconnect question the names listed so far are kept.
    const bool refused = core_.listDeclined();
    const bool outer = ownSelection_;
    ownSelection_ = true;  // filling the list is no click of the user's
    view_.ClearRuns();
    firstRun_.clear();
    for (const std::string& name : names) AddRun(name.c_str());
    view_.FocusRuns();
    const bool listed = view_.RunCount() > 0;
    if (listed) view_.SetCurrentRun(0);
    ownSelection_ = outer;
    if (listed && !refused) {
        ListBox1Click();
    } else if (!listed) {
        AddRun(kPlaceholder);
    }
}

void Controller::ListBox1Click() {
    if (view_.RunCount() == 0) return;
    if (view_.CurrentRun() < 0) SelectRun(0);
    if (firstRun_ == kPlaceholder) return;
    if (timerMode_ != kIdleMode) {
        // The highlight stays on the run whose report the list is receiving.
        if (timerMode_ == kRetrieving) SelectRun(fetchedRow_);
        return;
    }
    fetchedRow_ = view_.CurrentRun();
    core_.StartRetrieval();
    timerMode_ = kRetrieving;
    view_.SetTimerInterval(kTimerIntervalMs);
}

void Controller::RadioGroup1Click() {
    view_.SetTypeLabel(SelectedType() != 0 ? "Run Report" : "Validation Report");
    ListBox1Click();
}

void Controller::SaveBClick() {
    if (view_.RunCount() == 0 || firstRun_ == kPlaceholder) return;
    SaveReport(report_, library_, dialogs_, answers_);
}

void Controller::AboutBClick() {
    dialogs_.ShowAbout(versionText_);
}

void Controller::CancelClick() {
    switch (timerMode_) {
        case kConnecting:
            End(1);
            return;
        case kIdleMode:
            return;
        default:
            AddReportLine(core_.state() == kReadLines ? "Incomplete -- Report upload aborted"
                                                      : "Report upload aborted");
            ++report_.abortLines;
            timerMode_ = kIdleMode;
            HideStatus();
            return;
    }
}

ReconnectAnswers& HostReconnectAnswers() {
    static ReconnectAnswers answers;
    return answers;
}

}  // namespace brevalin
