// The instrument this executable lends the virtual QUILLSAN.DLL, and the
// answer to the library's reconnect question: the user plugs the cable back
// in and says Yes.
#pragma once

#include <cstdint>

#include "instrument/virtual_instrument.h"

namespace brevalin::soak {

instrument::VirtualInstrument& LentInstrument();
// Reconnect questions answered so far.
std::uint64_t ReconnectPrompts();

}  // namespace brevalin::soak
