// The answer to the library's reconnect question: the user plugs the cable
// back into the lent instrument and says Yes.
#pragma once

#include <cstdint>

#include "lent_instrument.h"

namespace brevalin::soak {

using test_support::LentInstrument;
// Reconnect questions answered so far.
std::uint64_t ReconnectPrompts();

}  // namespace brevalin::soak
