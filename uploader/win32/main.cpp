// brevalin for Windows: copies reports out of a Zantorel thermal cycler.
#include <windows.h>

#include <string>
#include <type_traits>

#include "controller.h"
#include "link_binding.h"
#include "main_window.h"
#include "quillsan.h"
#include "win32_dialogs.h"
#include "window_wiring.h"

// The library asks its reconnect question through this function when the
// program exports it, so that a No reaches the controller.
extern "C" __declspec(dllexport) int QuillsanHostPrompt(const char* text, const char* caption) {
    return brevalin::AskReconnect(text, caption);
}
static_assert(std::is_same_v<decltype(&QuillsanHostPrompt), QuillsanHostPromptFunction>);

namespace {

// The folder of brevalin.exe, from which QUILLSAN.DLL is loaded first.
std::string OwnFolder() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length < MAX_PATH ? length : 0);
    const std::size_t slash = folder.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : folder.substr(0, slash);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    brevalin::MainWindow form1;
    brevalin::LinkLibrary library(OwnFolder());
    brevalin::Win32Dialogs dialogs(form1.hwnd());
    brevalin::Controller controller(form1, library, dialogs);
    brevalin::Wire(form1, controller);
    controller.FormCreate();
    form1.Show();

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        // Tab, the arrow keys in the report type group, and Enter on a button.
        if (!IsDialogMessageW(form1.hwnd(), &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return 0;
}
