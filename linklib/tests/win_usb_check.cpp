// The Win32 HID search of the hardware QUILLSAN.DLL on a machine without the
// instrument: the HID class is enumerated, nothing matches, the six HidInfo
// buffers stay untouched, the link reports no device, and unloading (which
// releases the completion events) goes through. Prints "N passed, N failed".
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "quillsan.h"

namespace {

int g_passed = 0;
int g_failed = 0;

void Check(bool ok, const std::string& what) {
    (ok ? g_passed : g_failed)++;
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
}

template <typename F>
F* Resolve(HMODULE library, const char* name) {
    return reinterpret_cast<F*>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

}  // namespace

int main() {
    HMODULE library = LoadLibraryA("QUILLSAN.DLL");
    Check(library != nullptr, "QUILLSAN.DLL loads by name");
    if (library == nullptr) return 1;
    auto* findHid = Resolve<decltype(FindHID)>(library, "FindHID");
    auto* connected = Resolve<decltype(bZtUsbConnected)>(library, "bZtUsbConnected");
    auto* initRemoteComm = Resolve<decltype(InitRemoteComm)>(library, "InitRemoteComm");
    Check(findHid != nullptr && connected != nullptr && initRemoteComm != nullptr,
          "the USB exports resolve");
    if (g_failed != 0) return 1;

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
    std::printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
