// The views' table of cases against the Win32 window; run under wine on a
// display. Prints one line a case and returns 1 when any differs.
#include <windows.h>

#include <cstdio>
#include <string>

#include "main_window.h"
#include "view_cases.h"
#include "wide_text.h"
#include "window_wiring.h"

namespace brevalin::test {
namespace {

std::string TextOf(HWND control) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    GetWindowTextW(control, text.data(), static_cast<int>(text.size()));
    return Utf8FromWide(text.c_str());
}

std::vector<std::string> Entries(HWND list) {
    std::vector<std::string> out;
    const auto count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int n = 0; n < count; ++n) {
        std::wstring text(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, n, 0)) + 1,
                          L'\0');
        SendMessageW(list, LB_GETTEXT, n, reinterpret_cast<LPARAM>(text.data()));
        out.push_back(Utf8FromWide(text.c_str()));
    }
    return out;
}

int TextWidth(HWND list, const std::wstring& text) {
    HDC dc = GetDC(list);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0)));
    SIZE size = {};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    return size.cx;
}

class Win32Probe : public ViewProbe {
  public:
    explicit Win32Probe(MainWindow& window) : form_(window.hwnd()) {}

    std::vector<std::string> RunsShown() override { return Entries(Item(MainWindow::kListBox1)); }
    std::vector<std::string> ReportShown() override { return Entries(Item(MainWindow::kListBox2)); }
    bool StatusShown() override { return IsWindowVisible(Item(MainWindow::kPanel1)) != FALSE; }
    // What is on the screen: a memo still waiting for its paint shows nothing.
    std::string StatusTextShown() override {
        HWND memo = GetDlgItem(Item(MainWindow::kPanel1), MainWindow::kMemo1);
        if (GetUpdateRect(memo, nullptr, FALSE)) return "";
        std::string text = TextOf(memo);
        for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
        return text;
    }
    std::string TypeLabelShown() override { return TextOf(Item(MainWindow::kLabel2)); }
    std::string TitleShown() override { return TextOf(form_); }
    bool ReportLinesReachable() override {
        HWND list = Item(MainWindow::kListBox2);
        const auto extent = static_cast<int>(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0));
        RECT client;
        GetClientRect(list, &client);
        int widest = 0;
        for (const std::string& line : ReportShown()) {
            widest = std::max(widest, TextWidth(list, FromWindows1252(line.c_str())));
        }
        SCROLLBARINFO bar = {sizeof bar};
        GetScrollBarInfo(list, OBJID_HSCROLL, &bar);
        const bool barShown = (bar.rgstate[0] & STATE_SYSTEM_INVISIBLE) == 0;
        return extent >= widest && (widest <= client.right || barShown);
    }

    void ClickRun(int row) override {
        HWND list = Item(MainWindow::kListBox1);
        RECT entry;
        SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&entry));
        const LPARAM at =
            MAKELPARAM((entry.left + entry.right) / 2, (entry.top + entry.bottom) / 2);
        SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(list, WM_LBUTTONUP, 0, at);
        Pump();
    }
    void PressKeyInRuns(RunKey key) override {
        const WPARAM keys[] = {VK_DOWN, VK_END, VK_HOME};
        Press(Item(MainWindow::kListBox1), keys[static_cast<int>(key)]);
    }
    void ChooseType(bool validationReport) override {
        SendMessageW(Item(validationReport ? MainWindow::kValidationItem : MainWindow::kRunItem),
                     BM_CLICK, 0, 0);
        Pump();
    }
    void PressEnterOn(Button button) override {
        const int ids[] = {MainWindow::kRefreshB, MainWindow::kSaveB, MainWindow::kAboutB,
                           MainWindow::kCancel};
        Press(Item(ids[static_cast<int>(button)]), VK_RETURN);
    }
    void Wait(int ms) override {
        const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(ms);
        for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now),
                                      QS_ALLINPUT);
            Pump();
        }
    }

  private:
    HWND Item(int id) const { return GetDlgItem(form_, id); }

    // The key reaches the control through the dialog manager, as in brevalin.exe.
    void Press(HWND control, WPARAM key) {
        SetFocus(control);
        PostMessageW(control, WM_KEYDOWN, key, 1);
        PostMessageW(control, WM_KEYUP, key, 0xC0000001);
        Pump();
    }
    void Pump() {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) continue;  // a closed case's window
            if (!IsDialogMessageW(form_, &message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
    }

    HWND form_;
};

}  // namespace
}  // namespace brevalin::test

int main() {
    using namespace brevalin::test;
    int failed = 0;
    for (const ViewCase& viewCase : ViewCases()) {
        brevalin::MainWindow window;
        EventLog log;
        brevalin::Wire(window, log);
        window.Show();
        SetForegroundWindow(window.hwnd());
        Win32Probe probe(window);
        probe.Wait(50);
        log.calls.clear();
        const std::string differences = viewCase.run(window, probe, log);
        std::printf("%s %s\n%s", differences.empty() ? "ok  " : "FAIL", viewCase.name,
                    differences.c_str());
        failed += differences.empty() ? 0 : 1;
    }
    return failed == 0 ? 0 : 1;
}
