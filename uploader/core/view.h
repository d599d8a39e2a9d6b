// What the controller shows and reads, by role. A window on any toolkit
// implements it; texts are the instrument's bytes, which the view decodes.
#pragma once

namespace brevalin {

class View {
  public:
    virtual ~View() = default;

    // The run list, newest first.
    virtual void ClearRuns() = 0;
    virtual void AddRun(const char* name) = 0;
    virtual int RunCount() const = 0;
    virtual int CurrentRun() const = 0;  // -1 when none is highlighted
    // Moves the highlight; the view reports it like a user's change.
    virtual void SetCurrentRun(int row) = 0;
    virtual void FocusRuns() = 0;

    // The report list.
    virtual void ClearReport() = 0;
    virtual void AddReportLine(const char* line) = 0;

    // The status panel; its text has CR LF line ends.
    virtual void ShowStatus(const char* text) = 0;
    virtual void HideStatus() = 0;

    virtual void SetTypeLabel(const char* text) = 0;
    virtual bool ValidationSelected() const = 0;  // the report type chosen
    virtual void SetTitle(const char* text) = 0;

    // The one timer; its tick calls Controller::Timer1Timer.
    virtual void StartTimer() = 0;
    virtual void StopTimer() = 0;
    virtual void SetTimerInterval(int ms) = 0;
};

// What the user does in the window, as a view reports it. The controller
// handles these; a view's wiring connects its controls to them.
class ViewEvents {
  public:
    virtual ~ViewEvents() = default;
    virtual void Timer1Timer() = 0;
    virtual void RefreshBClick() = 0;
    virtual void RadioGroup1Click() = 0;  // the other report type was chosen
    virtual void SaveBClick() = 0;
    virtual void AboutBClick() = 0;
    virtual void ListBox1Click() = 0;  // a click or double-click on a run
    virtual void CancelClick() = 0;
    // The run list's highlight moved, by mouse, keyboard or SetCurrentRun.
    virtual void RunListCurrentChanged() = 0;
};

}  // namespace brevalin
