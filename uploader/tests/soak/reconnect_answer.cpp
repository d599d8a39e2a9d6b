#include "reconnect_answer.h"

#include "quillsan.h"

namespace brevalin::soak {
namespace {
std::uint64_t prompts = 0;
}  // namespace

std::uint64_t ReconnectPrompts() {
    return prompts;
}

}  // namespace brevalin::soak

extern "C" __attribute__((visibility("default"))) int QuillsanHostPrompt(const char*, const char*) {
    ++brevalin::soak::prompts;
    brevalin::soak::LentInstrument().hid().Replug();
    return 1;
}
static_assert(std::is_same_v<decltype(&QuillsanHostPrompt), QuillsanHostPromptFunction>);
