// The fault soak's parts: what a run covers, what it did, and one round.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "instrument/fault_plan.h"
#include "instrument/hid_fault_plan.h"
#include "soak_library.h"

namespace brevalin::soak {

// What one soak run covers: links, fault rates, rounds and the plan number.
// CI runs the defaults; a person runs it longer from the command line or the
// environment (SOAK_ROUNDS, SOAK_RATES, SOAK_PLAN, SOAK_LINKS, SOAK_LINES).
enum class Link { kSerial, kUsbFeature, kUsbInput };

struct Options {
    std::vector<Link> links = {Link::kUsbFeature, Link::kUsbInput, Link::kSerial};
    std::vector<int> ratesPercent = {5, 20};
    int rounds = 8;
    std::uint64_t planNumber = 1;
    int baseLines = 300;  // the shortest report of a round; the others are longer
};

// False with a message in `error` for an unknown option or a bad value.
bool ParseOptions(int argc, char** argv, Options& options, std::string& error);
const char* LinkName(Link link);
extern const char kUsage[];

// What a soak run did, added up over its rounds and printed at the end.
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

// One round: a fresh instrument holding three long runs, faults from the
// first exchange on, and brevalin connecting, listing the runs and fetching
// and saving every run's report in both report types; then the shipped
// brevalin-cli exporting the sample's reports over the same kind of link with
// faults (and on USB an unplug), byte for byte as without.
struct RoundSetup {
    Link link = Link::kUsbInput;
    int ratePercent = 0;
    std::uint64_t planNumber = 1;
    int baseLines = 300;
    QString folder;  // where the saved reports go
};

// Adds what the round did to `figures`; returns what went wrong, empty when nothing did.
QStringList RunRound(const RoundSetup& setup, Figures& figures);

}  // namespace brevalin::soak
