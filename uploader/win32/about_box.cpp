#include "about_box.h"

#include "wide_text.h"

namespace brevalin {
namespace {

constexpr int kClientWidth = 283;
constexpr int kClientHeight = 153;
constexpr DWORD kStyle = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;

struct AboutState {
    std::wstring versionText;
    HFONT font = nullptr;
};

// A label as wide and high as its text.
void AutoSizeLabel(HWND dialog, HFONT font, const std::wstring& text, int x, int y) {
    HDC dc = GetDC(dialog);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size = {};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(dialog, dc);
    HWND label = CreateWindowExW(0, L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_NOPREFIX, x,
                                 y, size.cx, metrics.tmHeight, dialog, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void Layout(HWND dialog, const AboutState& state) {
    SetWindowTextW(dialog, L"About This Program");
    RECT outer = {0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&outer, kStyle, FALSE, WS_EX_DLGMODALFRAME);
    const int width = outer.right - outer.left, height = outer.bottom - outer.top;
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(dialog, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);

    CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_ETCHEDFRAME, 56, 16, 177, 105,
                    dialog, nullptr, GetModuleHandleW(nullptr), nullptr);
    AutoSizeLabel(dialog, state.font, L"Zantorel Instruments", 96, 40);
    AutoSizeLabel(dialog, state.font, L"Report upload utility", 96, 64);
    AutoSizeLabel(dialog, state.font, state.versionText, 96, 88);
    HWND ok = CreateWindowExW(0, L"BUTTON", L"OK",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 104, 128, 75,
                              25, dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK)),
                              GetModuleHandleW(nullptr), nullptr);
    SendMessageW(ok, WM_SETFONT, reinterpret_cast<WPARAM>(state.font), FALSE);
    SetFocus(ok);
}

INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            Layout(dialog, *reinterpret_cast<AboutState*>(lParam));
            return FALSE;  // the focus is set
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSTATIC:
            SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(dialog, IDOK);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

void ShowAboutBox(HWND owner, const std::string& versionText) {
    AboutState state;
    state.versionText = FromLatin1(versionText.c_str());
    state.font = CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_SWISS, L"MS Sans Serif");
    // An empty template: the controls are placed in pixels, not dialog units.
    struct alignas(DWORD) {
        DLGTEMPLATE header;
        WORD menu, windowClass, title;
    } empty = {};
    empty.header.style = kStyle;
    empty.header.dwExtendedStyle = WS_EX_DLGMODALFRAME;
    DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &empty.header, owner, Procedure,
                            reinterpret_cast<LPARAM>(&state));
    DeleteObject(state.font);
}

}  // namespace brevalin
