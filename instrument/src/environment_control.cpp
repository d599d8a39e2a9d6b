#include "instrument/environment_control.h"

#include <charconv>
#include <cstring>
#include <vector>

#include "instrument/item_store.h"

namespace instrument {
namespace {

// The value of one variable when it is set and a whole number from min to max.
template <typename Number>
std::optional<Number> ReadNumber(EnvironmentLookup lookup, const char* name, std::uint64_t min,
                                 std::uint64_t max, std::string& problems) {
    const char* text = lookup(name);
    if (text == nullptr) return std::nullopt;
    const char* end = text + std::strlen(text);
    std::uint64_t value = 0;
    const auto [stop, error] = std::from_chars(text, end, value);
    if (error != std::errc() || stop != end || stop == text || value < min || value > max) {
        problems += std::string(name) + "=\"" + text + "\" ignored: expected a whole number from " +
                    std::to_string(min) + " to " + std::to_string(max) + "\n";
        return std::nullopt;
    }
    return static_cast<Number>(value);
}

// Runs keep their numbers 0 to n - 1, as the host counts them. More runs than
// the sample holds are copies of the sample's, under names of their own.
void ShapeRuns(ItemStore& store, std::optional<std::uint16_t> count,
               std::optional<std::uint16_t> reportLines) {
    std::vector<std::uint16_t> handles(store.Count(ItemKind::kRun));
    store.Handles(ItemKind::kRun, handles.data(), handles.size());
    std::vector<RunItem> sample;
    for (std::uint16_t handle : handles) sample.push_back(*store.Run(handle));
    store.ClearRuns();
    const std::size_t wanted = count.value_or(sample.size());
    for (std::size_t n = 0; n < wanted; ++n) {
        RunItem run = sample.empty() ? RunItem{} : sample[n % sample.size()];
        if (n >= sample.size()) run.name = "RUN " + std::to_string(n + 1);
        if (reportLines) run.reportLines = *reportLines;
        store.AddRun(run);
    }
}

}  // namespace

EnvironmentControl ReadEnvironmentControl(EnvironmentLookup lookup, std::string& problems) {
    EnvironmentControl control;
    control.runs = ReadNumber<std::uint16_t>(lookup, "QUILLSAN_VIRTUAL_RUNS", 0, 4095, problems);
    control.reportLines =
        ReadNumber<std::uint16_t>(lookup, "QUILLSAN_VIRTUAL_REPORT_LINES", 1, 4096, problems);
    control.faultRatePercent =
        ReadNumber<int>(lookup, "QUILLSAN_VIRTUAL_FAULT_RATE", 0, 100, problems);
    control.faultPlan = ReadNumber<std::uint64_t>(lookup, "QUILLSAN_VIRTUAL_FAULT_PLAN", 0,
                                                  UINT64_MAX, problems);
    control.slowReplyMs =
        ReadNumber<std::uint32_t>(lookup, "QUILLSAN_VIRTUAL_SLOW_REPLY_MS", 0, 10000, problems);
    control.unplugAfter =
        ReadNumber<std::uint32_t>(lookup, "QUILLSAN_VIRTUAL_UNPLUG_AFTER", 1, 1000000, problems);
    return control;
}

void ApplyEnvironmentControl(const EnvironmentControl& control, VirtualInstrument& instrument) {
    ItemStore& store = instrument.firmware().Store();
    if (control.runs || control.reportLines) ShapeRuns(store, control.runs, control.reportLines);
    if (control.faultRatePercent) {
        instrument.serial().Faults().randomPercent = *control.faultRatePercent;
        instrument.hid().randomFaults.randomPercent = *control.faultRatePercent;
    }
    if (control.faultPlan) {
        instrument.serial().Faults().planNumber = *control.faultPlan;
        instrument.hid().randomFaults.planNumber = *control.faultPlan;
    }
    if (control.slowReplyMs) instrument.firmware().answerDelayMs = *control.slowReplyMs;
    if (control.unplugAfter) {
        instrument.hid().Instrument().unplugAfterReports = static_cast<int>(*control.unplugAfter);
    }
    // Nobody is there to plug the device in again, so it comes back on the next search.
    if (control.unplugAfter || control.faultRatePercent.value_or(0) > 0) {
        instrument.hid().replugOnSearch = true;
    }
}

}  // namespace instrument
