// Load does nothing; unload (dlclose or process exit) closes an open port,
// then releases the USB completion events.
#include "serial_transport.h"
#include "usb_transport.h"

namespace {

__attribute__((destructor)) void OnLibraryUnload() {
    quillsan::CloseCommPort();
    quillsan::ReleaseUsbCompletionEvents();
}

}  // namespace
