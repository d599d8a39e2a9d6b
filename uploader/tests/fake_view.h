// A view without a toolkit for the controller's tests: it keeps what the
// controller shows, byte for byte, and reports the user's actions to the
// controller as a window's wiring does. What the windows themselves show is
// the views' own table (view_cases).
#pragma once

#include <string>
#include <vector>

#include "view.h"

namespace brevalin::test {

class FakeView : public View {
  public:
    void ClearRuns() override {
        runs.clear();
        current = -1;
    }
    void AddRun(const char* name) override { runs.emplace_back(name); }
    int RunCount() const override { return static_cast<int>(runs.size()); }
    int CurrentRun() const override { return current; }
    // A window reports a moved highlight like a user's change.
    void SetCurrentRun(int row) override {
        if (row == current) return;
        current = row;
        if (handlers != nullptr) handlers->RunListCurrentChanged();
    }
    void FocusRuns() override {}
    void ClearReport() override { report.clear(); }
    void AddReportLine(const char* line) override { report.emplace_back(line); }
    void ShowStatus(const char* text) override {
        status = text;
        statusShown = true;
    }
    void HideStatus() override { statusShown = false; }
    void SetTypeLabel(const char* text) override { typeLabel = text; }
    bool ValidationSelected() const override { return validation; }
    void SetTitle(const char* text) override { title = text; }
    void StartTimer() override { timerActive = true; }
    void StopTimer() override { timerActive = false; }
    void SetTimerInterval(int ms) override { timerInterval = ms; }

    // The user: a click on a run, a key that moves the highlight, a report type.
    void ClickRun(int row) {
        SetCurrentRun(row);
        handlers->ListBox1Click();
    }
    void ChooseType(bool validationReport) {
        if (validation == validationReport) return;
        validation = validationReport;
        handlers->RadioGroup1Click();
    }

    ViewEvents* handlers = nullptr;
    std::vector<std::string> runs;    // newest first
    std::vector<std::string> report;  // the instrument's bytes
    int current = -1;
    std::string status;  // CR LF line ends, as the controller gives it
    bool statusShown = false;
    std::string typeLabel;
    bool validation = true;
    std::string title;
    bool timerActive = false;
    int timerInterval = 20;
};

}  // namespace brevalin::test
