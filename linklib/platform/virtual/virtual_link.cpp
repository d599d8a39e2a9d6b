#include "virtual_link.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "instrument/environment_control.h"

#if defined(QUILLSAN_LENT_INSTRUMENT)
#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif
#endif

namespace quillsan::platform {
namespace {

#if defined(QUILLSAN_LENT_INSTRUMENT)
using HostInstrument = instrument::VirtualInstrument* (*)();

// Only the tests' own build of the library looks for an instrument lent by its host.
instrument::VirtualInstrument* LentInstrument() {
#if defined(_WIN32)
    const auto host = reinterpret_cast<HostInstrument>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA(nullptr), "QuillsanHostInstrument")));
#else
    const auto host =
        reinterpret_cast<HostInstrument>(dlsym(RTLD_DEFAULT, "QuillsanHostInstrument"));
#endif
    return host != nullptr ? host() : nullptr;
}
#endif

const char* Environment(const char* name) {
    return std::getenv(name);
}

instrument::VirtualInstrument& OwnInstrument() {
    instrument::VirtualInstrument& own = instrument::SharedInstrument();
    std::string problems;
    const instrument::EnvironmentControl control =
        instrument::ReadEnvironmentControl(&Environment, problems);
    if (!problems.empty()) std::fprintf(stderr, "QUILLSAN.DLL: %s", problems.c_str());
    instrument::ApplyEnvironmentControl(control, own);
    return own;
}

// Reached once while the library loads, so the environment is read then.
[[maybe_unused]] instrument::VirtualInstrument& g_atLoad = ConnectedInstrument();

}  // namespace

instrument::VirtualInstrument& ConnectedInstrument() {
    static instrument::VirtualInstrument* const connected = [] {
#if defined(QUILLSAN_LENT_INSTRUMENT)
        if (instrument::VirtualInstrument* lent = LentInstrument()) return lent;
#endif
        return &OwnInstrument();
    }();
    return *connected;
}

}  // namespace quillsan::platform
