#include "instrument/virtual_instrument.h"

namespace instrument {

void VirtualInstrument::Reset() {
    firmware_.Reset();
    serial_.Reset();
    hid_.Reset();
}

VirtualInstrument& SharedInstrument() {
    static VirtualInstrument* const instance = new VirtualInstrument();
    return *instance;
}

}  // namespace instrument
