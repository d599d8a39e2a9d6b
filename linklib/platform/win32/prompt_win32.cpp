// The reconnect question on Windows: the host program's prompt function when
// it exports one (as brevalin and the tests do), else a modal message box
// without owner window.
#include <windows.h>

#include "prompt.h"
#include "quillsan.h"

namespace quillsan::platform {

bool AskYesNo(const char* text, const char* caption) {
    const auto host = reinterpret_cast<QuillsanHostPromptFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA(nullptr), QUILLSAN_HOST_PROMPT_NAME)));
    if (host != nullptr) return host(text, caption) != 0;
    return MessageBoxA(nullptr, text, caption, MB_YESNO) == IDYES;
}

}  // namespace quillsan::platform
