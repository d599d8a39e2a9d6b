// The tally of a Windows check program run under wine: one "ok"/"FAIL" line
// per check and "N passed, N failed" at the end, exit status 1 on any failure.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace wincheck {

struct Tally {
    int passed = 0;
    int failed = 0;
};

inline Tally& Counts() {
    static Tally tally;
    return tally;
}

inline void Check(bool ok, const std::string& what) {
    ++(ok ? Counts().passed : Counts().failed);
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
}

inline bool AnyFailed() {
    return Counts().failed != 0;
}

inline int Summary() {
    std::printf("%d passed, %d failed\n", Counts().passed, Counts().failed);
    return AnyFailed() ? 1 : 0;
}

// An export looked up by name with the signature quillsan.h declares; null when absent.
template <typename F>
F* Export(HMODULE library, const char* name) {
    return reinterpret_cast<F*>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

}  // namespace wincheck
