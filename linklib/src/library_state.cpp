#include "library_state.h"

#include "engine.h"
#include "memory_transfer.h"
#include "serial_transport.h"
#include "usb_transport.h"

namespace quillsan {

void ResetLibraryState() {
    CloseCommPort();
    ResetUsbTransport();
    ResetMemoryTransfer();
    Link() = LinkState{};
}

}  // namespace quillsan
