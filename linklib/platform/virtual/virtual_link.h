// The instrument the virtual flavour talks to.
#pragma once

#include "instrument/virtual_instrument.h"

namespace quillsan::platform {

// The library's own virtual instrument, shaped by the QUILLSAN_VIRTUAL_*
// environment variables when the library loads. The tests' build of the
// library (QUILLSAN_LENT_INSTRUMENT, never installed) talks instead to an
// instrument its host program lends it through
// `extern "C" instrument::VirtualInstrument* QuillsanHostInstrument()`, so that
// tests can watch the bytes on the wire and inject faults.
instrument::VirtualInstrument& ConnectedInstrument();

}  // namespace quillsan::platform
