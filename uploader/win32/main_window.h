// Form1 as a Win32 window: its controls laid out in client pixels as on a
// 96 dpi screen, shown to the controller by role. The handlers are the
// controller's; window_wiring connects them.
#pragma once

#include <windows.h>

#include <functional>

#include "view.h"

namespace brevalin {

class MainWindow : public View {
  public:
    // What the user does, as the window reports it.
    struct Events {
        std::function<void()> timer, refresh, save, about, cancel;
        std::function<void()> runClicked;         // a click or double-click on a run
        std::function<void()> runCurrentChanged;  // the highlight moved, by mouse or keyboard
        std::function<void()> typeChosen;         // the other report type was chosen
    };

    // Control ids (GetDlgItem), clear of IDOK and IDCANCEL, which the dialog
    // manager sends for Enter and Escape. The memo is the panel's child.
    enum ControlId : int {
        kListBox1 = 100,
        kListBox2,
        kRefreshB,
        kAboutB,
        kSaveB,
        kCancel,
        kValidationItem,
        kRunItem,
        kMemo1,
        kPanel1,
        kLabel2,
    };

    MainWindow();
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND hwnd() const { return hwnd_; }
    Events& events() { return events_; }
    void Show();

    void ClearRuns() override;
    void AddRun(const char* name) override;
    int RunCount() const override;
    int CurrentRun() const override;
    void SetCurrentRun(int row) override;
    void FocusRuns() override;
    void ClearReport() override;
    void AddReportLine(const char* line) override;
    void ShowStatus(const char* text) override;
    void HideStatus() override;
    void SetTypeLabel(const char* text) override;
    bool ValidationSelected() const override;
    void SetTitle(const char* text) override;
    void StartTimer() override;
    void StopTimer() override;
    void SetTimerInterval(int ms) override;

  private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    void OnCommand(int id, int code);
    HBRUSH ColourStatic(HWND control, HDC dc);
    void AddLine(HWND list, int& widest, const char* text);

    HWND hwnd_ = nullptr;
    Events events_;
    HFONT windowFont_ = nullptr, terminalFont_ = nullptr, courierFont_ = nullptr,
          memoFont_ = nullptr;
    HWND label1_ = nullptr, label2_ = nullptr, listBox1_ = nullptr, listBox2_ = nullptr;
    HWND panel1_ = nullptr, memo1_ = nullptr;
    HWND refreshB_ = nullptr, aboutB_ = nullptr, saveB_ = nullptr, cancel_ = nullptr;
    HWND radioGroup1_ = nullptr, validationItem_ = nullptr, runItem_ = nullptr;
    HICON icon_ = nullptr, smallIcon_ = nullptr;
    int widestRun_ = 0, widestLine_ = 0;  // for the lists' horizontal scroll bars
    bool validationChosen_ = true;        // the choice last reported
    int timerInterval_ = 20;
    bool timerRunning_ = false;
};

}  // namespace brevalin
