// One soak round: a fresh instrument holding three long runs, faults from the
// first exchange on, and brevalin connecting, listing the runs and fetching
// and saving every run's report in both report types; then the shipped
// brevalin-cli exporting the sample's reports over the same kind of link with
// faults (and on USB an unplug), byte for byte as without.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

#include "soak_figures.h"
#include "soak_options.h"

namespace brevalin::soak {

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
