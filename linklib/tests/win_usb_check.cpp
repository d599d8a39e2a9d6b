// The Win32 HID search of the hardware QUILLSAN.DLL on a machine without the
// instrument: the HID class is enumerated, nothing matches, the six HidInfo
// buffers stay untouched, the link reports no device, and unloading (which
// releases the completion events) goes through. Prints "N passed, N failed".
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "check_tally.h"
#include "quillsan.h"

using wincheck::Check;
using wincheck::Export;

int main() {
    HMODULE library = LoadLibraryA("QUILLSAN.DLL");
    Check(library != nullptr, "QUILLSAN.DLL loads by name");
    if (library == nullptr) return 1;
    auto* findHid = Export<decltype(FindHID)>(library, "FindHID");
    auto* connected = Export<decltype(bZtUsbConnected)>(library, "bZtUsbConnected");
    auto* initRemoteComm = Export<decltype(InitRemoteComm)>(library, "InitRemoteComm");
    Check(findHid != nullptr && connected != nullptr && initRemoteComm != nullptr,
          "the USB exports resolve");
    if (wincheck::AnyFailed()) return 1;

    char fields[6][64];
    std::memset(fields, 0x5A, sizeof fields);
    HidInfo info{fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]};
    Check(findHid(&info, sizeof fields[0]) == 0, "FindHID finds no instrument");
    bool untouched = true;
    for (const auto& field : fields)
        for (const char byte : field) untouched = untouched && byte == 0x5A;
    Check(untouched, "the HidInfo buffers stay untouched");
    Check((connected() & 0xFF) == 0, "bZtUsbConnected is false");
    Check(initRemoteComm(0, 3) == 0, "InitRemoteComm(0, ...) reports no USB link");
    Check((connected() & 0xFF) == 0, "still no device held");
    Check(FreeLibrary(library) != FALSE, "unloads after the search");
    return wincheck::Summary();
}
