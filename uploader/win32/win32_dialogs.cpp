#include "win32_dialogs.h"

#include <commdlg.h>

#include <cstdlib>
#include <vector>

#include "about_box.h"
#include "wide_text.h"

namespace brevalin {

// The library's own box (no owner window, Yes and No, no icon); brevalin
// shows it itself only so that a No reaches the controller.
int AskReconnect(const char* text, const char* caption) {
    const bool yes = MessageBoxA(nullptr, text, caption, MB_YESNO) == IDYES;
    HostReconnectAnswers().Note(yes);
    return yes ? 1 : 0;
}

void ShowFatalError(const char* text) {
    MessageBoxA(GetActiveWindow(), text, "", MB_OK | MB_ICONERROR);
}

// The flags and answers are the Windows values already.
int Win32Dialogs::Message(const std::string& text, int flags) {
    return MessageBoxA(owner_, text.c_str(), "", static_cast<UINT>(flags));
}

// No filter, no default extension, and no replace question: the program asks
// its own. The wide dialog keeps every character of the name the user typed.
std::string Win32Dialogs::SaveFileName() {
    std::vector<wchar_t> name(32768, L'\0');
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner_;
    dialog.lpstrFile = name.data();
    dialog.nMaxFile = static_cast<DWORD>(name.size());
    dialog.Flags = OFN_NOCHANGEDIR;
    if (!GetSaveFileNameW(&dialog)) return {};
    return Utf8FromWide(name.data());
}

void Win32Dialogs::ShowAbout(const std::string& versionText) {
    ShowAboutBox(owner_, versionText);
}

void Win32Dialogs::Exit(int status) {
    std::exit(status);
}

}  // namespace brevalin
