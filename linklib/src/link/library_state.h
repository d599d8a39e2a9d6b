// The library's process-wide link state as a whole.
#pragma once

namespace quillsan {

// Puts every piece of link state back as a fresh load finds it: the serial
// port closed, no USB device held, no link error, no transfer buffer address,
// nothing staged. Not exported: a caller gets a fresh state by loading the
// library; programs that link the core directly (its tests) call this so that
// no test depends on what an earlier one left open.
void ResetLibraryState();

}  // namespace quillsan
