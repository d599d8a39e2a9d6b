// A console check of the link: loads QUILLSAN.DLL by path as any caller would,
// opens the serial link and prints the firmware version and a few parameters.
#include <cstdio>
#include <cstdlib>

#include "quillsan.h"
#include "quillsan_loader.h"

namespace {

struct Library {
    void* handle = nullptr;
    template <typename F>
    bool Bind(F*& function, const char* name) {
        function = quillsan::loader::Find<F>(handle, name);
        if (function == nullptr) std::fprintf(stderr, "missing export %s\n", name);
        return function != nullptr;
    }
};

int Usage() {
    std::fprintf(stderr,
                 "usage: quillsan-probe PATH/QUILLSAN.DLL [PORT_INDEX [BAUD]]\n"
                 "  PORT_INDEX 0 is COM1 (default); BAUD defaults to 115200\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 4) return Usage();
    const unsigned long portIndex = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 0;
    const unsigned long baud = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 115200;

    Library library{quillsan::loader::Load(argv[1])};
    if (library.handle == nullptr) {
        std::fprintf(stderr, "cannot load %s: %s\n", argv[1],
                     quillsan::loader::LoadError().c_str());
        return 1;
    }
    decltype(&InitRemoteComm) initRemoteComm;
    decltype(&GetDLLVersion) getDllVersion;
    decltype(&GetPCRVersion) getPcrVersion;
    decltype(&GetSlaveParameter) getSlaveParameter;
    decltype(&GetRemoteError) getRemoteError;
    if (!library.Bind(initRemoteComm, "InitRemoteComm") ||
        !library.Bind(getDllVersion, "GetDLLVersion") ||
        !library.Bind(getPcrVersion, "GetPCRVersion") ||
        !library.Bind(getSlaveParameter, "GetSlaveParameter") ||
        !library.Bind(getRemoteError, "GetRemoteError")) {
        return 1;
    }

    char text[128];
    getDllVersion(text, sizeof text);
    std::printf("library:   %s (%s)\n", text, argv[1]);
    if (initRemoteComm(static_cast<uint32_t>(baud), static_cast<uint32_t>(portIndex)) != 1) {
        std::fprintf(stderr, "cannot open COM%lu at %lu baud (see REMOTERR.LOG)\n", portIndex + 1,
                     baud);
        return 1;
    }
    std::printf("link:      COM%lu at %lu baud\n", portIndex + 1, baud);
    if (getPcrVersion(text, sizeof text) == 0) {
        std::fprintf(stderr, "no answer from the instrument (link error %d)\n", getRemoteError());
        return 1;
    }
    std::printf("firmware:  %s\n", text);
    const uint32_t parameters[] = {0, 4, 22};
    for (uint32_t parameter : parameters) {
        const uint32_t value = getSlaveParameter(parameter, 0);
        std::printf("parameter %2u = %u (0x%08X)%s\n", parameter, value, value,
                    getRemoteError() != 0 ? "  [link error]" : "");
    }
    return getRemoteError() == 0 ? 0 : 1;
}
