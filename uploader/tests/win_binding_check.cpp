// brevalin's loader on Windows: binds QUILLSAN.DLL from the program's own
// folder with LoadLibraryA and GetProcAddress and drives the virtual
// instrument through the bound table, as brevalin does at start.
// Prints "N passed, N failed".
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "check_tally.h"
#include "link_binding.h"
#include "quillsan_loader.h"

namespace {

using wincheck::Check;

}  // namespace

int main() {
    char errorText[brevalin::kBindErrorSize] = {};
    char versionText[brevalin::kVersionTextSize] = {};

    brevalin::LinkLibrary absent(quillsan::loader::ProgramFolder());
    const bool absentBound = absent.Bind("NOSUCH.DLL", errorText, versionText);
    Check(!absentBound &&
              std::strcmp(errorText, "->Can't find or load DLL 'NOSUCH.DLL'. Aborting") == 0,
          std::string("a missing library is refused: ") + errorText);

    brevalin::LinkLibrary library(quillsan::loader::ProgramFolder());
    const bool bound = library.Bind("QUILLSAN.DLL", errorText, versionText);
    Check(bound, "QUILLSAN.DLL binds all 28 entry points");
    if (!bound) return 1;
    Check(versionText[0] != '\0', std::string("library version: ") + versionText);

    Check(library.InitRemoteComm(0, 0) == 1, "the USB link to the virtual instrument opens");
    Check(library.GetSlaveParameter(0, 0) == 1009, "firmware version number 1009");
    const std::uint16_t runs = library.GetItemCount(0x4006, 0);
    Check(runs > 0, "runs listed: " + std::to_string(runs));
    char name[2049] = {};
    library.GetItemName(name, static_cast<std::uint16_t>(0x7000 | (runs - 1)));
    Check(name[0] != '\0', std::string("first run: ") + name);
    Check(library.GetRemoteError() == 0, "no link error");

    return wincheck::Summary();
}
