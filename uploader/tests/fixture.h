// A brevalin session against the tests' virtual QUILLSAN.DLL and the instrument this
// test executable lends it. Link faults are injected between the program and
// the library: each bind wraps the entries the program calls.
#pragma once

#include <QList>
#include <QSet>
#include <chrono>
#include <cstdint>
#include <vector>

#include "controller.h"
#include "fake_dialogs.h"
#include "fake_view.h"
#include "instrument/item_store.h"
#include "instrument/virtual_instrument.h"
#include "lent_instrument.h"
#include "patched_library.h"

namespace brevalin::test {

using test_support::LentInstrument;

// What the wrapped entries do wrong; counters count down as faults are used.
struct LinkFaults {
    QList<std::uint32_t> searchAnswers;  // what InitRemoteComm(0, 0) answers after its search
    int failingGenerations = 0;          // SetSlaveParameter leaves a link error
    int unsentGenerations = 0;           // SetSlaveParameter's request never goes out
    int failingCountReads = 0;           // GetItemCount(0x4007) leaves a link error
    QSet<int> failingCountCalls;         // GetItemCount(0x4007) calls (counted from 1) that fail
    QList<std::uint16_t> countAnswers;   // what GetItemCount(0x4007) answers instead
    QSet<int> failingNameCalls;          // GetItemName calls (counted from 1) that fail
    int unplugAtNameCall = 0;      // GetItemName call (counted from 1) before which the cable goes
    int deadLinkChecks = 0;        // ClearRemoteError calls that leave link error 6 standing
    int callMs = 0;                // what each call over the link costs on VirtualNow
    QList<bool> reconnectAnswers;  // the user's answers to the reconnect question (then Yes)
    int reconnectQuestions = 0;
    // Every call that reached the library, for the tests to count.
    int nameCalls = 0;
    int countCalls = 0;
    int generations = 0;
};
LinkFaults& Faults();
// The session's clock: it moves only by the cost of calls over the link.
std::chrono::nanoseconds VirtualNow();

// A file's bytes, or "<unreadable>".
QByteArray Contents(const QString& path);

// The virtual library's entries with the faults of Faults() woven into their calls.
std::vector<Patch> FaultPatches();

struct Run {
    const char* name;
    std::uint16_t reportLines;  // 0: the instrument's own report
};

class Session {
  public:
    // A fresh instrument holding `runs` (index 0 first) and no faults.
    explicit Session(const std::vector<Run>& runs);
    // Ticks until the instrument is found and listed; false if it never is.
    bool Connect();
    // Ticks until retrieval ends; returns the ticks it took, or -1.
    int TickUntilIdle(int maxTicks = 1000);
    // The lists' entries, their bytes read as Latin-1.
    QStringList ReportLines() const;
    QStringList RunNames() const;

    FakeView view;
    PatchedLibrary library{VIRTUAL_FOLDER, FaultPatches()};
    FakeDialogs dialogs;
    Controller controller;
};

// The controller's status texts, oldest first.
QStringList StatusHistory(const Controller& controller);

}  // namespace brevalin::test
