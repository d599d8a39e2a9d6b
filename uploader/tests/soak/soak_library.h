// The virtual QUILLSAN.DLL as brevalin binds it, with two changes for the
// soak: the link brevalin opens can be the serial line, and every library
// call that ends with a link error is counted by kind. Its reconnect question
// is answered as a user would: the cable goes back into the lent instrument
// and the answer is Yes.
#pragma once

#include <cstdint>

#include "lent_instrument.h"
#include "patched_library.h"

namespace brevalin::soak {

using test_support::LentInstrument;

// Calls that left a link error; brevalin (or its user) repeats each of them.
struct FailedCalls {
    std::uint64_t lineFetches = 0;  // GetItemName on a report line
    std::uint64_t nameFetches = 0;  // GetItemName on a run (Refresh)
    std::uint64_t generations = 0;  // SetSlaveParameter 22
    std::uint64_t lineCounts = 0;   // GetItemCount 0x4007
    std::uint64_t runCounts = 0;    // GetItemCount 0x4006
    std::uint64_t versionReads = 0;

    void Add(const FailedCalls& other) {
        for (std::uint64_t FailedCalls::*count :
             {&FailedCalls::lineFetches, &FailedCalls::nameFetches, &FailedCalls::generations,
              &FailedCalls::lineCounts, &FailedCalls::runCounts, &FailedCalls::versionReads})
            this->*count += other.*count;
    }
};

class SoakLibrary : public test::PatchedLibrary {
  public:
    SoakLibrary();

    // Serial: InitRemoteComm(0, 0) gives up any USB device and opens COM1.
    static void UseSerialLine(bool serial);
    static FailedCalls& Failed();
    // Reconnect questions answered since the count was last set to 0.
    static std::uint64_t& ReconnectPrompts();
};

}  // namespace brevalin::soak
