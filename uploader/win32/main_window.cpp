#include "main_window.h"

#include <string>

#include "program_icon.h"
#include "wide_text.h"

namespace brevalin {
namespace {

constexpr wchar_t kFormClass[] = L"BrevalinForm1";
constexpr wchar_t kPanelClass[] = L"BrevalinPanel";
constexpr wchar_t kOldProcedure[] = L"BrevalinOldProcedure";
constexpr UINT_PTR kTimerId = 1;
// Sent by the run list when a mouse button is released over an entry.
constexpr UINT kRunClickedMessage = WM_APP + 1;
constexpr int kClientWidth = 841;  // with a caption bar and borders about 849 x 490
constexpr int kClientHeight = 463;
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

HFONT PixelFont(const wchar_t* face, int pixels, BYTE charset, BYTE pitch) {
    return CreateFontW(-pixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, charset,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, pitch, face);
}

HWND Child(HWND parent, const wchar_t* type, const wchar_t* text, DWORD style, RECT where,
           int id = 0, DWORD exStyle = 0) {
    return CreateWindowExW(exStyle, type, text, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style,
                           where.left, where.top, where.right, where.bottom, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
}

// x, y, width, height as the layout gives them.
RECT At(int x, int y, int width, int height) {
    return RECT{x, y, width, height};
}

void SetFont(HWND control, HFONT font) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void Subclass(HWND control, WNDPROC procedure) {
    SetPropW(control, kOldProcedure,
             reinterpret_cast<HANDLE>(
                 SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure))));
}

LRESULT CallOld(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcW(reinterpret_cast<WNDPROC>(GetPropW(control, kOldProcedure)), control,
                           message, wParam, lParam);
}

// Enter presses the focused button, as on the desktop the window comes from;
// the button asks the dialog manager to leave the key to it.
LRESULT CALLBACK ButtonProcedure(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_GETDLGCODE && wParam == VK_RETURN) {
        return CallOld(button, message, wParam, lParam) | DLGC_WANTMESSAGE;
    }
    if (message == WM_KEYDOWN && wParam == VK_RETURN) {
        SendMessageW(button, BM_CLICK, 0, 0);
        return 0;
    }
    return CallOld(button, message, wParam, lParam);
}

// A click on the entry already highlighted is a click too, though the
// selection does not change.
LRESULT CALLBACK RunListProcedure(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CallOld(list, message, wParam, lParam);
    if (message == WM_LBUTTONUP) {
        const LRESULT hit = SendMessageW(list, LB_ITEMFROMPOINT, 0, lParam);
        if (HIWORD(hit) == 0) SendMessageW(GetParent(list), kRunClickedMessage, 0, 0);
    }
    return result;
}

// The message panel: a raised frame whose memo is black on white.
LRESULT CALLBACK PanelProcedure(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(panel, &paint);
            RECT frame;
            GetClientRect(panel, &frame);
            DrawEdge(dc, &frame, EDGE_RAISED, BF_RECT);
            EndPaint(panel, &paint);
            return 0;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
            SetTextColor(reinterpret_cast<HDC>(wParam), RGB(0, 0, 0));
            SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
            return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
        default:
            return DefWindowProcW(panel, message, wParam, lParam);
    }
}

void RegisterClasses(WNDPROC formProcedure) {
    static bool registered = false;
    if (registered) return;
    registered = true;
    WNDCLASSW form = {};
    form.hInstance = GetModuleHandleW(nullptr);
    form.hCursor = LoadCursor(nullptr, IDC_ARROW);
    form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_INACTIVECAPTION + 1);
    form.lpszClassName = kFormClass;
    WNDCLASSW panel = form;
    panel.lpfnWndProc = PanelProcedure;
    panel.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_INACTIVEBORDER + 1);
    panel.lpszClassName = kPanelClass;
    RegisterClassW(&panel);
    form.lpfnWndProc = formProcedure;
    RegisterClassW(&form);
}

}  // namespace

MainWindow::MainWindow() {
    RegisterClasses(&MainWindow::Procedure);
    windowFont_ = PixelFont(L"MS Sans Serif", 11, DEFAULT_CHARSET, DEFAULT_PITCH | FF_SWISS);
    terminalFont_ = PixelFont(L"Terminal", 12, OEM_CHARSET, FIXED_PITCH | FF_MODERN);
    // The lines are Windows-1252 text: the font is chosen for its fixed pitch,
    // not for the OEM code page, which has no degree sign at 0xB0.
    courierFont_ = PixelFont(L"Courier New", 12, DEFAULT_CHARSET, FIXED_PITCH | FF_MODERN);
    memoFont_ = PixelFont(L"MS Sans Serif", 19, DEFAULT_CHARSET, DEFAULT_PITCH | FF_SWISS);

    RECT outer = {0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&outer, kFormStyle, FALSE, 0);
    const int width = outer.right - outer.left, height = outer.bottom - outer.top;
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    hwnd_ = CreateWindowExW(0, kFormClass, L"", kFormStyle,
                            work.left + (work.right - work.left - width) / 2,
                            work.top + (work.bottom - work.top - height) / 2, width, height,
                            nullptr, nullptr, GetModuleHandleW(nullptr), this);
    SetFont(hwnd_, windowFont_);
    icon_ = CreateProgramIcon(GetSystemMetrics(SM_CXICON));
    smallIcon_ = CreateProgramIcon(GetSystemMetrics(SM_CXSMICON));
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
    CreateControls();
}

MainWindow::~MainWindow() {
    if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
    for (HFONT font : {windowFont_, terminalFont_, courierFont_, memoFont_}) DeleteObject(font);
    DestroyIcon(icon_);
    DestroyIcon(smallIcon_);
}

// Created in tab order; the panel, hidden at first, lies over both lists.
void MainWindow::CreateControls() {
    constexpr DWORD list = WS_BORDER | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | WS_GROUP |
                           LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
    constexpr DWORD button = BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP;
    listBox1_ = Child(hwnd_, L"LISTBOX", L"", list, At(8, 16, 329, 361), kListBox1);
    panel1_ = CreateWindowExW(0, kPanelClass, L"", WS_CHILD | WS_CLIPSIBLINGS, 184, 152, 385, 169,
                              hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPanel1)),
                              GetModuleHandleW(nullptr), nullptr);
    memo1_ = Child(panel1_, L"EDIT", L"", ES_MULTILINE | ES_CENTER | ES_READONLY,
                   At(16, 16, 353, 137), kMemo1);
    refreshB_ = Child(hwnd_, L"BUTTON", L"Refresh ", button, At(104, 384, 81, 33), kRefreshB);
    listBox2_ = Child(hwnd_, L"LISTBOX", L"", list, At(344, 16, 489, 361), kListBox2);
    validationItem_ =
        Child(hwnd_, L"BUTTON", L"Validation Report", BS_AUTORADIOBUTTON | WS_TABSTOP | WS_GROUP,
              At(416, 391, 108, 16), kValidationItem);
    runItem_ =
        Child(hwnd_, L"BUTTON", L"Run Report", BS_AUTORADIOBUTTON, At(416, 407, 108, 16), kRunItem);
    saveB_ = Child(hwnd_, L"BUTTON", L"Save to File", button, At(568, 384, 89, 33), kSaveB);
    aboutB_ = Child(hwnd_, L"BUTTON", L"About", button, At(264, 384, 73, 33), kAboutB);
    cancel_ = Child(hwnd_, L"BUTTON", L"Cancel Operation", button, At(720, 384, 105, 33), kCancel);
    radioGroup1_ =
        Child(hwnd_, L"BUTTON", L"Report Type", BS_GROUPBOX | WS_GROUP, At(408, 376, 121, 49));
    label1_ = Child(hwnd_, L"STATIC", L"Click on a Run  to View  Selected Report Type",
                    SS_CENTER | SS_NOPREFIX, At(8, 0, 329, 17));
    label2_ = Child(hwnd_, L"STATIC", L"Validation Report", SS_CENTER | SS_NOPREFIX,
                    At(344, 0, 489, 17), kLabel2);
    SetWindowPos(panel1_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    for (HWND control : {label1_, label2_, refreshB_, aboutB_, saveB_, cancel_, radioGroup1_,
                         validationItem_, runItem_}) {
        SetFont(control, windowFont_);
    }
    SetFont(listBox1_, terminalFont_);
    SetFont(listBox2_, courierFont_);
    SetFont(memo1_, memoFont_);
    SendMessageW(listBox1_, LB_SETITEMHEIGHT, 0, 12);
    SendMessageW(listBox2_, LB_SETITEMHEIGHT, 0, 15);
    SendMessageW(validationItem_, BM_SETCHECK, BST_CHECKED, 0);
    for (HWND control : {refreshB_, aboutB_, saveB_, cancel_}) Subclass(control, ButtonProcedure);
    Subclass(listBox1_, RunListProcedure);
}

void MainWindow::Show() {
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
}

LRESULT CALLBACK MainWindow::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* created = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* self = static_cast<MainWindow*>(created->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* window = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (window == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
    return window->Handle(message, wParam, lParam);
}

LRESULT MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            if (wParam == kTimerId && events_.timer) events_.timer();
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case kRunClickedMessage:
            if (events_.runClicked) events_.runClicked();
            return 0;
        case WM_CTLCOLORSTATIC:
            return reinterpret_cast<LRESULT>(
                ColourStatic(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam)));
        case WM_DESTROY:
            KillTimer(hwnd_, kTimerId);
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

void MainWindow::OnCommand(int id, int code) {
    const auto fire = [](const std::function<void()>& event) {
        if (event) event();
    };
    switch (id) {
        case kRefreshB:
            if (code == BN_CLICKED) fire(events_.refresh);
            break;
        case kSaveB:
            if (code == BN_CLICKED) fire(events_.save);
            break;
        case kAboutB:
            if (code == BN_CLICKED) fire(events_.about);
            break;
        case kCancel:
            if (code == BN_CLICKED) fire(events_.cancel);
            break;
        case kListBox1:
            if (code == LBN_SELCHANGE) fire(events_.runCurrentChanged);
            if (code == LBN_DBLCLK) fire(events_.runClicked);
            break;
        case kValidationItem:
        case kRunItem:
            // Only a change of choice counts, not a click on the item already chosen.
            if (code == BN_CLICKED && ValidationSelected() != validationChosen_) {
                validationChosen_ = ValidationSelected();
                fire(events_.typeChosen);
            }
            break;
        default:
            break;
    }
}

// The labels on the scroll-bar colour; the report type group on the window's.
HBRUSH MainWindow::ColourStatic(HWND control, HDC dc) {
    const int colour =
        control == label1_ || control == label2_ ? COLOR_SCROLLBAR : COLOR_INACTIVECAPTION;
    SetBkColor(dc, GetSysColor(colour));
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    return GetSysColorBrush(colour);
}

// Appends one entry and widens the list's scroll range to whole lines.
void MainWindow::AddLine(HWND list, int& widest, const char* text) {
    const std::wstring wide = FromWindows1252(text);
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    HDC dc = GetDC(list);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0)));
    SIZE size = {};
    GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    if (size.cx + 4 > widest) {
        widest = size.cx + 4;
        SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest), 0);
    }
}

void MainWindow::ClearRuns() {
    SendMessageW(listBox1_, LB_RESETCONTENT, 0, 0);
    widestRun_ = 0;
    SendMessageW(listBox1_, LB_SETHORIZONTALEXTENT, 0, 0);
}

void MainWindow::AddRun(const char* name) {
    AddLine(listBox1_, widestRun_, name);
}

int MainWindow::RunCount() const {
    return static_cast<int>(SendMessageW(listBox1_, LB_GETCOUNT, 0, 0));
}

int MainWindow::CurrentRun() const {
    const LRESULT row = SendMessageW(listBox1_, LB_GETCURSEL, 0, 0);
    return row == LB_ERR ? -1 : static_cast<int>(row);
}

// The list box does not notify a selection it is told to make; the window
// does, like a user's, and the controller tells its own moves from those.
void MainWindow::SetCurrentRun(int row) {
    const int before = CurrentRun();
    SendMessageW(listBox1_, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
    if (CurrentRun() != before && events_.runCurrentChanged) events_.runCurrentChanged();
}

void MainWindow::FocusRuns() {
    SetFocus(listBox1_);
}

void MainWindow::ClearReport() {
    SendMessageW(listBox2_, LB_RESETCONTENT, 0, 0);
    widestLine_ = 0;
    SendMessageW(listBox2_, LB_SETHORIZONTALEXTENT, 0, 0);
}

void MainWindow::AddReportLine(const char* line) {
    AddLine(listBox2_, widestLine_, line);
}

void MainWindow::ShowStatus(const char* text) {
    SetWindowTextW(memo1_, L"");
    ShowWindow(panel1_, SW_SHOW);
    SetWindowTextW(memo1_, FromLatin1(text).c_str());
    // A connection step blocks the message loop; the panel alone is painted now
    // so that its text can be read while the library searches.
    RedrawWindow(panel1_, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void MainWindow::HideStatus() {
    ShowWindow(panel1_, SW_HIDE);
}

void MainWindow::SetTypeLabel(const char* text) {
    SetWindowTextW(label2_, FromLatin1(text).c_str());
}

bool MainWindow::ValidationSelected() const {
    return SendMessageW(validationItem_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void MainWindow::SetTitle(const char* text) {
    SetWindowTextW(hwnd_, FromLatin1(text).c_str());
}

void MainWindow::StartTimer() {
    SetTimer(hwnd_, kTimerId, static_cast<UINT>(timerInterval_), nullptr);
    timerRunning_ = true;
}

void MainWindow::StopTimer() {
    KillTimer(hwnd_, kTimerId);
    timerRunning_ = false;
}

void MainWindow::SetTimerInterval(int ms) {
    timerInterval_ = ms;
    if (timerRunning_) StartTimer();
}

}  // namespace brevalin
