#include "virtual_link.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace quillsan::platform {
namespace {

using HostInstrument = instrument::VirtualInstrument* (*)();

HostInstrument FindHostInstrument() {
#if defined(_WIN32)
    return reinterpret_cast<HostInstrument>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA(nullptr), "QuillsanHostInstrument")));
#else
    return reinterpret_cast<HostInstrument>(dlsym(RTLD_DEFAULT, "QuillsanHostInstrument"));
#endif
}

}  // namespace

instrument::VirtualInstrument& ConnectedInstrument() {
    static instrument::VirtualInstrument* const connected = [] {
        const HostInstrument host = FindHostInstrument();
        instrument::VirtualInstrument* lent = host != nullptr ? host() : nullptr;
        return lent != nullptr ? lent : &instrument::SharedInstrument();
    }();
    return *connected;
}

}  // namespace quillsan::platform
