#include "library_state.h"

#include "link_error.h"
#include "memory_transfer.h"
#include "serial_transport.h"
#include "usb_transport.h"

namespace quillsan {

void ResetLibraryState() {
    CloseCommPort();
    ResetUsbTransport();
    ResetMemoryTransfer();
    ResetLinkError();
}

}  // namespace quillsan
