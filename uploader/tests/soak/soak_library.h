// The virtual QUILLSAN.DLL as brevalin binds it, with two changes for the
// soak: the link brevalin opens can be the serial line, and every library
// call that ends with a link error is counted by kind.
#pragma once

#include <cstdint>

#include "patched_library.h"

namespace brevalin::soak {

// Calls that left a link error; brevalin (or its user) repeats each of them.
struct FailedCalls {
    std::uint64_t lineFetches = 0;  // GetItemName on a report line
    std::uint64_t nameFetches = 0;  // GetItemName on a run (Refresh)
    std::uint64_t generations = 0;  // SetSlaveParameter 22
    std::uint64_t lineCounts = 0;   // GetItemCount 0x4007
    std::uint64_t runCounts = 0;    // GetItemCount 0x4006
    std::uint64_t versionReads = 0;

    // Adds the other's counts, or with `subtract` takes them away.
    void Add(const FailedCalls& other, bool subtract = false) {
        for (std::uint64_t FailedCalls::*count :
             {&FailedCalls::lineFetches, &FailedCalls::nameFetches, &FailedCalls::generations,
              &FailedCalls::lineCounts, &FailedCalls::runCounts, &FailedCalls::versionReads})
            this->*count += subtract ? 0 - other.*count : other.*count;
    }
};

class SoakLibrary : public test::PatchedLibrary {
  public:
    SoakLibrary();

    // Serial: InitRemoteComm(0, 0) gives up any USB device and opens COM1.
    static void UseSerialLine(bool serial);
    static FailedCalls& Failed();
};

}  // namespace brevalin::soak
