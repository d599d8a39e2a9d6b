// Load does nothing; unload (dlclose or process exit) closes an open port.
#include "serial_transport.h"

namespace {

__attribute__((destructor)) void OnLibraryUnload() {
    quillsan::CloseCommPort();
}

}  // namespace
