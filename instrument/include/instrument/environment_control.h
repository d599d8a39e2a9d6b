// How people shape the virtual instrument of the virtual QUILLSAN.DLL: a few
// environment variables, read once when the library loads.
//
//   QUILLSAN_VIRTUAL_RUNS            stored runs, 0 to 4095 (the sample has 12)
//   QUILLSAN_VIRTUAL_REPORT_LINES    numbered lines in every report, 1 to 4096
//   QUILLSAN_VIRTUAL_FAULT_RATE      percent of exchanges that go wrong at random, 0 to 100
//   QUILLSAN_VIRTUAL_FAULT_PLAN      start of the random fault sequence, to repeat a run
//   QUILLSAN_VIRTUAL_SLOW_REPLY_MS   real milliseconds every answer takes, 0 to 10000
//   QUILLSAN_VIRTUAL_UNPLUG_AFTER    the USB device leaves the bus after this many exchanges
//   QUILLSAN_VIRTUAL_UNPLUG_SEARCHES searches that still miss a device that left, 0 to 1000
//   QUILLSAN_VIRTUAL_USB_RELEASE     the USB device's release number, 0 to 65535 (0 and 1
//                                    reply by feature report, 2 and up by input report)
//   QUILLSAN_VIRTUAL_RUN_NAMES       a file naming the runs, one a line, run 0 first;
//                                    \\, \n, \r, \t and \xHH stand for those bytes
//
// A device that left the bus (after UNPLUG_AFTER, or by a random fault) is
// back when the host next searches for it, or UNPLUG_SEARCHES searches later.
// The named runs are as many as the file has lines, unless RUNS says otherwise.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "instrument/virtual_instrument.h"

namespace instrument {

struct EnvironmentControl {
    std::optional<std::uint16_t> runs;
    std::optional<std::uint16_t> reportLines;
    std::optional<int> faultRatePercent;
    std::optional<std::uint64_t> faultPlan;
    std::optional<std::uint32_t> slowReplyMs;
    std::optional<std::uint32_t> unplugAfter;
    std::optional<std::uint32_t> unplugSearches;
    std::optional<std::uint16_t> usbRelease;
    std::optional<std::vector<std::string>> runNames;
};

// Returns the value of an environment variable, or null when it is not set.
using EnvironmentLookup = const char* (*)(const char* name);

// A value that is not a whole number in its range is left out and named in
// `problems`, one line each.
EnvironmentControl ReadEnvironmentControl(EnvironmentLookup lookup, std::string& problems);

// Shapes a fresh instrument; settings left out keep the instrument as it is.
void ApplyEnvironmentControl(const EnvironmentControl& control, VirtualInstrument& instrument);

}  // namespace instrument
