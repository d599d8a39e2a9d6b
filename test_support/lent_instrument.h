// The virtual instrument this program lends to the tests' build of the virtual
// QUILLSAN.DLL, which finds it through QuillsanHostInstrument.
#pragma once

#include "instrument/virtual_instrument.h"

namespace test_support {

instrument::VirtualInstrument& LentInstrument();

}  // namespace test_support
