/* The reconnect question for Python programs on Linux.
 *
 * QUILLSAN.DLL asks its only question ("Device not connected; reconnect?")
 * through a function named QuillsanHostPrompt that it looks up with
 * dlsym(RTLD_DEFAULT). A Python interpreter exports no such function, so the
 * quillsan package loads this object with RTLD_GLOBAL and hands it, through
 * QuillsanPromptSetAnswer, the function that asks in Python. Until it does,
 * the answer is No. */
#include <stddef.h>

#define QUILLSAN_PROMPT_EXPORT __attribute__((visibility("default")))

typedef int (*QuillsanPromptAnswer)(const char* text, const char* caption);

static QuillsanPromptAnswer answer = NULL;

QUILLSAN_PROMPT_EXPORT void QuillsanPromptSetAnswer(QuillsanPromptAnswer function) {
    answer = function;
}

/* The library's prompt function (quillsan.h, QuillsanHostPromptFunction):
 * nonzero for Yes. */
QUILLSAN_PROMPT_EXPORT int QuillsanHostPrompt(const char* text, const char* caption) {
    const QuillsanPromptAnswer ask = answer;
    return ask != NULL && ask(text, caption) != 0;
}
