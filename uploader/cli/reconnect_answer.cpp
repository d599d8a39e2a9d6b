// brevalin-cli answers the library's reconnect question itself: nobody is
// there to answer it at night, and a question on a terminal would hold the
// job. The library finds this function in the program by its name.
#include "reconnect_answer.h"

#include <type_traits>

#include "quillsan.h"

namespace brevalin::cli {

static CliSession* answering = nullptr;

void AnswerReconnectQuestionsWith(CliSession* session) {
    answering = session;
}

}  // namespace brevalin::cli

#if defined(_WIN32)
#define BREVALIN_HOST_EXPORT extern "C" __declspec(dllexport)
#else
#define BREVALIN_HOST_EXPORT extern "C" __attribute__((visibility("default")))
#endif

BREVALIN_HOST_EXPORT int QuillsanHostPrompt(const char*, const char*) {
    using brevalin::cli::answering;
    return answering != nullptr && answering->AnswerReconnectQuestion() ? 1 : 0;
}
static_assert(std::is_same_v<decltype(&QuillsanHostPrompt), QuillsanHostPromptFunction>);
