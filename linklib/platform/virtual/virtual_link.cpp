#include "virtual_link.h"

#include <dlfcn.h>

namespace quillsan::platform {

instrument::VirtualInstrument& ConnectedInstrument() {
    using HostInstrument = instrument::VirtualInstrument* (*)();
    static instrument::VirtualInstrument* const connected = [] {
        auto host = reinterpret_cast<HostInstrument>(dlsym(RTLD_DEFAULT, "QuillsanHostInstrument"));
        instrument::VirtualInstrument* lent = host != nullptr ? host() : nullptr;
        return lent != nullptr ? lent : &instrument::SharedInstrument();
    }();
    return *connected;
}

}  // namespace quillsan::platform
