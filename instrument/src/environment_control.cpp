#include "instrument/environment_control.h"

#include <charconv>
#include <cstring>
#include <fstream>
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

constexpr std::size_t kMostRuns = 4095;

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// One line of the names file with its escapes undone; false on a bad escape.
bool Unescape(const std::string& line, std::string& name) {
    name.clear();
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '\\') {
            name += line[i];
            continue;
        }
        if (++i == line.size()) return false;
        switch (line[i]) {
            case '\\':
                name += '\\';
                break;
            case 'n':
                name += '\n';
                break;
            case 'r':
                name += '\r';
                break;
            case 't':
                name += '\t';
                break;
            case 'x': {
                const int high = i + 1 < line.size() ? HexDigit(line[i + 1]) : -1;
                const int low = i + 2 < line.size() ? HexDigit(line[i + 2]) : -1;
                if (high < 0 || low < 0) return false;
                name += static_cast<char>(high * 16 + low);
                i += 2;
                break;
            }
            default:
                return false;
        }
    }
    return true;
}

std::optional<std::vector<std::string>> ReadRunNames(EnvironmentLookup lookup,
                                                     std::string& problems) {
    const char* path = lookup("QUILLSAN_VIRTUAL_RUN_NAMES");
    if (path == nullptr) return std::nullopt;
    const std::string ignored =
        std::string("QUILLSAN_VIRTUAL_RUN_NAMES=\"") + path + "\" ignored: ";
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        problems += ignored + "the file cannot be read\n";
        return std::nullopt;
    }
    std::vector<std::string> names;
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();  // written on Windows
        std::string name;
        if (!Unescape(line, name)) {
            problems +=
                ignored + "line " + std::to_string(names.size() + 1) + " has a bad escape\n";
            return std::nullopt;
        }
        if (names.size() == kMostRuns) {
            problems += ignored + "more than 4095 names\n";
            return std::nullopt;
        }
        names.push_back(std::move(name));
    }
    return names;
}

// Runs keep their numbers 0 to n - 1, as the host counts them. More runs than
// the sample holds are copies of the sample's, under names of their own.
void ShapeRuns(ItemStore& store, std::optional<std::uint16_t> count,
               std::optional<std::uint16_t> reportLines,
               const std::optional<std::vector<std::string>>& names) {
    std::vector<std::uint16_t> handles(store.Count(ItemKind::kRun));
    store.Handles(ItemKind::kRun, handles.data(), handles.size());
    std::vector<RunItem> sample;
    sample.reserve(handles.size());
    for (std::uint16_t handle : handles) sample.push_back(*store.Run(handle));
    store.ClearRuns();
    const std::size_t wanted = count.value_or(names ? names->size() : sample.size());
    for (std::size_t n = 0; n < wanted; ++n) {
        RunItem run = sample.empty() ? RunItem{} : sample[n % sample.size()];
        if (n >= sample.size()) run.name = "RUN " + std::to_string(n + 1);
        if (names && n < names->size()) run.name = (*names)[n];
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
    control.faultPlan =
        ReadNumber<std::uint64_t>(lookup, "QUILLSAN_VIRTUAL_FAULT_PLAN", 0, UINT64_MAX, problems);
    control.slowReplyMs =
        ReadNumber<std::uint32_t>(lookup, "QUILLSAN_VIRTUAL_SLOW_REPLY_MS", 0, 10000, problems);
    control.unplugAfter =
        ReadNumber<std::uint32_t>(lookup, "QUILLSAN_VIRTUAL_UNPLUG_AFTER", 1, 1000000, problems);
    control.unplugSearches =
        ReadNumber<std::uint32_t>(lookup, "QUILLSAN_VIRTUAL_UNPLUG_SEARCHES", 0, 1000, problems);
    control.usbRelease =
        ReadNumber<std::uint16_t>(lookup, "QUILLSAN_VIRTUAL_USB_RELEASE", 0, 65535, problems);
    control.runNames = ReadRunNames(lookup, problems);
    return control;
}

void ApplyEnvironmentControl(const EnvironmentControl& control, VirtualInstrument& instrument) {
    ItemStore& store = instrument.firmware().Store();
    if (control.runs || control.reportLines || control.runNames) {
        ShapeRuns(store, control.runs, control.reportLines, control.runNames);
    }
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
    if (control.unplugSearches) {
        instrument.hid().searchesMissingUnplugged = static_cast<int>(*control.unplugSearches);
    }
    if (control.usbRelease) instrument.hid().Instrument().releaseNumber = *control.usbRelease;
    // Nobody is there to plug the device in again, so it comes back on the next search.
    if (control.unplugAfter || control.faultRatePercent.value_or(0) > 0) {
        instrument.hid().replugOnSearch = true;
    }
}

}  // namespace instrument
