// What a soak run did, added up over its rounds and printed at the end.
#pragma once

#include <cstdint>
#include <cstdio>

#include "instrument/fault_plan.h"
#include "instrument/hid_fault_plan.h"
#include "soak_library.h"

namespace brevalin::soak {

struct Figures {
    std::uint64_t reports = 0;
    std::uint64_t lines = 0;
    std::uint64_t exchanges = 0;
    instrument::FaultCounts serialFaults;
    instrument::HidFaultCounts hidFaults;
    FailedCalls failed;
    std::uint64_t connectRetries = 0;  // Retry in the not-found box
    std::uint64_t refreshes = 0;       // Refresh clicked because the run list was wrong
    std::uint64_t saves = 0;
    std::uint64_t saveRetries = 0;  // Save clicked again after the line count was unknown
    std::uint64_t reconnects = 0;   // reconnect questions answered Yes

    void Add(const Figures& other);
    std::uint64_t SerialFaultTotal() const;
    std::uint64_t HidFaultTotal() const;
    void Print(std::FILE* out) const;
    // Names the fault kinds of that link that were never injected, for a note.
    void PrintMissingKinds(std::FILE* out, bool serial) const;
};

}  // namespace brevalin::soak
