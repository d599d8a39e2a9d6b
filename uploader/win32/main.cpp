// brevalin for Windows: copies reports out of a Zantorel thermal cycler.
#include <windows.h>

#include <string>
#include <type_traits>

#include "controller.h"
#include "link_binding.h"
#include "main_window.h"
#include "quillsan.h"
#include "quillsan_loader.h"
#include "win32_dialogs.h"
#include "window_wiring.h"

// The library asks its reconnect question through this function when the
// program exports it, so that a No reaches the controller.
extern "C" __declspec(dllexport) int QuillsanHostPrompt(const char* text, const char* caption) {
    return brevalin::AskReconnect(text, caption);
}
static_assert(std::is_same_v<decltype(&QuillsanHostPrompt), QuillsanHostPromptFunction>);

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    brevalin::MainWindow form1;
    // QUILLSAN.DLL is loaded from brevalin.exe's own folder first.
    brevalin::LinkLibrary library(quillsan::loader::ProgramFolder());
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
