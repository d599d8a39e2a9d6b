#include "soak_library.h"

#include "controller.h"
#include "quillsan.h"

namespace brevalin::soak {
namespace {

using test::Real;
using test::StandIn;

bool serialLine = false;
constexpr std::uint32_t kSerialBaud = 9600;

bool LinkErrorPending() {
    return Real<decltype(&::GetRemoteError)>(kGetRemoteError)() != 0;
}

// Runs a call and counts it when it leaves a link error that was not there before.
template <typename Call>
auto Counted(std::uint64_t& failures, Call call) {
    const bool before = LinkErrorPending();
    const auto result = call();
    if (!before && LinkErrorPending()) ++failures;
    return result;
}

uint32_t InitRemoteCommShim(uint32_t baudRate, uint32_t portIndex) {
    const auto init = Real<decltype(&::InitRemoteComm)>(kInitRemoteComm);
    if (!serialLine || baudRate != 0) return init(baudRate, portIndex);
    // The search finds no instrument on USB and lets go of a device held
    // from an earlier session, so every packet takes the serial line.
    init(0, 0);
    return init(kSerialBaud, 0);
}

uint32_t GetSlaveParameterShim(uint32_t number, uint32_t second) {
    return Counted(SoakLibrary::Failed().versionReads, [&] {
        return Real<decltype(&::GetSlaveParameter)>(kGetSlaveParameter)(number, second);
    });
}

uint32_t SetSlaveParameterShim(uint32_t number, uint32_t value1, uint32_t value2) {
    return Counted(SoakLibrary::Failed().generations, [&] {
        return Real<decltype(&::SetSlaveParameter)>(kSetSlaveParameter)(number, value1, value2);
    });
}

uint32_t GetItemCountShim(uint32_t collection, uint32_t selector) {
    FailedCalls& failed = SoakLibrary::Failed();
    return Counted(
        (collection & 0xFFFF) == kReportLines ? failed.lineCounts : failed.runCounts,
        [&] { return Real<decltype(&::GetItemCount)>(kGetItemCount)(collection, selector); });
}

uint32_t GetItemNameShim(char* buffer, uint32_t handle) {
    FailedCalls& failed = SoakLibrary::Failed();
    const bool line = (handle & 0xF000) == kLineKind;
    return Counted(line ? failed.lineFetches : failed.nameFetches,
                   [&] { return Real<decltype(&::GetItemName)>(kGetItemName)(buffer, handle); });
}

}  // namespace

SoakLibrary::SoakLibrary()
    : PatchedLibrary(VIRTUAL_FOLDER, {StandIn(kInitRemoteComm, &InitRemoteCommShim),
                                      StandIn(kGetSlaveParameter, &GetSlaveParameterShim),
                                      StandIn(kSetSlaveParameter, &SetSlaveParameterShim),
                                      StandIn(kGetItemCount, &GetItemCountShim),
                                      StandIn(kGetItemName, &GetItemNameShim)}) {}

void SoakLibrary::UseSerialLine(bool serial) {
    serialLine = serial;
}

FailedCalls& SoakLibrary::Failed() {
    static FailedCalls failed;
    return failed;
}

std::uint64_t& SoakLibrary::ReconnectPrompts() {
    static std::uint64_t prompts = 0;
    return prompts;
}

}  // namespace brevalin::soak

extern "C" __attribute__((visibility("default"))) int QuillsanHostPrompt(const char*, const char*) {
    ++brevalin::soak::SoakLibrary::ReconnectPrompts();
    brevalin::soak::LentInstrument().hid().Replug();
    return 1;
}
static_assert(std::is_same_v<decltype(&QuillsanHostPrompt), QuillsanHostPromptFunction>);
