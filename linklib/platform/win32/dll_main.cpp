// Load does nothing; process detach closes an open port.
#include <windows.h>

#include "serial_transport.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_DETACH) quillsan::CloseCommPort();
    return TRUE;
}
