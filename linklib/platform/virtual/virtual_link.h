// The instrument the virtual flavour talks to.
#pragma once

#include "instrument/virtual_instrument.h"

namespace quillsan::platform {

// A host program may lend its own virtual instrument, so that it can watch the
// bytes on the wire and inject faults while it drives the library through its
// exports: it exports `extern "C" instrument::VirtualInstrument* QuillsanHostInstrument()`
// from its executable. Otherwise the library's own instrument answers.
instrument::VirtualInstrument& ConnectedInstrument();

}  // namespace quillsan::platform
