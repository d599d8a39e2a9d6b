// A Windows caller of QUILLSAN.DLL: loads it by name, opens COM<n> (a pseudo-
// terminal with the virtual instrument behind it), reads the firmware version,
// lists the runs and fetches one report line. Prints "N passed, N failed".
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "check_tally.h"
#include "quillsan.h"

using wincheck::Check;

template <typename F>
F* Resolve(HMODULE library, const char* name) {
    F* function = wincheck::Export<F>(library, name);
    Check(function != nullptr, std::string("export ") + name);
    return function;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: win_serial_check COM_NUMBER\n");
        return 2;
    }
    const uint32_t comNumber = static_cast<uint32_t>(std::strtoul(argv[1], nullptr, 10));
    HMODULE library = LoadLibraryA("QUILLSAN.DLL");
    Check(library != nullptr, "QUILLSAN.DLL loads by name");
    if (library == nullptr) return 1;

    auto* initRemoteComm = Resolve<decltype(InitRemoteComm)>(library, "InitRemoteComm");
    auto* getPcrVersion = Resolve<decltype(GetPCRVersion)>(library, "GetPCRVersion");
    auto* getSlaveParameter = Resolve<decltype(GetSlaveParameter)>(library, "GetSlaveParameter");
    auto* setSlaveParameter = Resolve<decltype(SetSlaveParameter)>(library, "SetSlaveParameter");
    auto* getItemCount = Resolve<decltype(GetItemCount)>(library, "GetItemCount");
    auto* getItemName = Resolve<decltype(GetItemName)>(library, "GetItemName");
    auto* getRemoteError = Resolve<decltype(GetRemoteError)>(library, "GetRemoteError");
    if (wincheck::AnyFailed()) return 1;

    Check(initRemoteComm(115200, comNumber - 1) == 1, "COM" + std::to_string(comNumber) + " opens");
    char text[2049] = {};
    // Each call runs before its text is shown: argument order is unspecified.
    const bool versionRead = getPcrVersion(text, 64) == 22;
    Check(versionRead && std::strcmp(text, "Pelmark Version 1.009") == 0,
          std::string("firmware version text: ") + text);
    Check(getSlaveParameter(0, 0) == 1009, "firmware version number 1009");
    const uint32_t runs = getItemCount(0x4006, 0) & 0xFFFF;
    Check(runs > 0, "runs listed: " + std::to_string(runs));
    for (uint32_t i = runs; i-- > 0;) {
        std::memset(text, 0, sizeof text);
        const bool named = getItemName(text, 0x7000 | i) == 1;
        Check(named && text[0] != '\0', std::string("run name: ") + text);
    }
    setSlaveParameter(22, 0x7000 | (runs - 1), 1);
    const uint32_t lines = getItemCount(0x4007, 0) & 0xFFFF;
    Check(lines > 0, "report lines: " + std::to_string(lines));
    std::memset(text, 0, sizeof text);
    const bool lineRead = getItemName(text, 0x6000) == 1;
    Check(lineRead && text[0] != '\0', std::string("first line: ") + text);
    Check(getRemoteError() == 0, "no link error");
    FreeLibrary(library);  // closes the port: "Comm port closed" in the log
    return wincheck::Summary();
}
