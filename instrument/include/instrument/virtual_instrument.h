// One in-process instrument: firmware model with its serial and HID front ends.
#pragma once

#include "instrument/firmware.h"
#include "instrument/hid_front_end.h"
#include "instrument/serial_front_end.h"

namespace instrument {

class VirtualInstrument {
  public:
    VirtualInstrument() : serial_(firmware_), hid_(firmware_) {}
    Firmware& firmware() { return firmware_; }
    SerialFrontEnd& serial() { return serial_; }
    HidFrontEnd& hid() { return hid_; }
    void Reset();

  private:
    Firmware firmware_;
    SerialFrontEnd serial_;
    HidFrontEnd hid_;
};

// The process's instrument, created on first use and never destroyed, so code
// that runs during static destruction or unload can still reach it.
VirtualInstrument& SharedInstrument();

}  // namespace instrument
