// Load does nothing; process detach closes an open port, then releases the
// USB completion events.
#include <windows.h>

#include "serial_transport.h"
#include "usb_transport.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_DETACH) {
        quillsan::CloseCommPort();
        quillsan::ReleaseUsbCompletionEvents();
    }
    return TRUE;
}
