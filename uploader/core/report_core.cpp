#include "report_core.h"

#include <cstdio>
#include <cstring>

#include "instrument_chars.h"

namespace brevalin {
namespace {

// Refresh repeats the link check without delay; a library whose error never
// clears must not freeze the program, so the repetitions are bounded.
constexpr int kLinkCheckAttempts = 1000;
constexpr std::uint16_t kRequestNotSent = 1;  // the library's link error for a failed send

// Text from the library, cut to what the program's 100-byte texts hold.
void FetchName(LinkLibrary& library, char (&line)[kLineSize], std::uint16_t handle) {
    static char buffer[kNameBufferSize];
    std::memset(buffer, 0, sizeof buffer);
    library.GetItemName(buffer, handle);
    buffer[kNameBufferSize - 1] = '\0';
    std::snprintf(line, sizeof line, "%.99s", buffer);
}

}  // namespace

bool ReportCore::CheckLink() {
    library_.ClearRemoteError();
    return library_.GetRemoteError() == 0;
}

bool ReportCore::ReadFirmwareVersion(std::uint32_t& version) {
    library_.ClearRemoteError();
    version = library_.GetSlaveParameter(0, 0);
    return library_.GetRemoteError() == 0;
}

std::vector<std::string> ReportCore::ReadRunNames(bool* clean) {
    if (!CheckLink()) {
        host_.ShowStatus("Reestablishing instrument link");
        for (int attempt = 1; attempt < kLinkCheckAttempts && !CheckLink(); ++attempt) {
        }
    }
    host_.ReconnectRefused();  // a No during the link check is not about the list
    const std::uint16_t runs = library_.GetItemCount(kRunCollection, 0);
    std::vector<std::string> names;
    listDeclined_ = host_.ReconnectRefused();
    for (int index = runs - 1; index >= 0 && !listDeclined_; --index) {
        char name[kLineSize];
        FetchName(library_, name, static_cast<std::uint16_t>(index | kRunKind));
        listDeclined_ = host_.ReconnectRefused();
        if (!listDeclined_) names.emplace_back(name);
    }
    // The link error stays set until cleared, so one look covers every call.
    if (clean != nullptr) *clean = library_.GetRemoteError() == 0;
    return names;
}

bool ReportCore::ReadRunCount(std::uint16_t& count) {
    library_.ClearRemoteError();
    count = library_.GetItemCount(kRunCollection, 0);
    return library_.GetRemoteError() == 0;
}

bool ReportCore::ReadRunName(std::uint16_t index, std::string& name) {
    library_.ClearRemoteError();
    char text[kLineSize];
    FetchName(library_, text, static_cast<std::uint16_t>(index | kRunKind));
    name = text;
    return library_.GetRemoteError() == 0;
}

void ReportCore::RetrievalStep() {
    switch (state_) {
        case kGenerate:
            Generate();
            return;
        case kAwaitLines:
            AwaitLines();
            return;
        case kReadLines:
            ReadLine();
            return;
        default:
            state_ = kIdleReport;
            return;
    }
}

void ReportCore::Generate() {
    if (!CheckLink()) return;
    const std::uint16_t runIndex = host_.SelectedRunIndex();
    host_.ClearReport();
    library_.ClearRemoteError();
    host_.ShowStatus("Generating report");
    library_.SetSlaveParameter(kReportParameter, static_cast<std::uint16_t>(runIndex | kRunKind),
                               host_.ValidationSelected() ? 1 : 0);
    if (const std::uint16_t error = library_.GetRemoteError(); error != 0) {
        // A request that never went out generated nothing, and the count
        // would be the previous report's: generate again instead.
        state_ = error == kRequestNotSent ? kGenerate : kAwaitLines;
        return;
    }
    lineCount_ = library_.GetItemCount(kReportLines, 0);
    // A count that did not arrive is no empty report: wait for it.
    if (library_.GetRemoteError() != 0) {
        state_ = kAwaitLines;
        return;
    }
    lineIndex_ = 0;
    state_ = kReadLines;
    host_.ShowStatus("Retrieving report");
}

void ReportCore::AwaitLines() {
    library_.ClearRemoteError();
    lineCount_ = library_.GetItemCount(kReportLines, 0);
    if (library_.GetRemoteError() != 0) return;
    lineIndex_ = 0;
    if (lineCount_ == 0) {
        state_ = kGenerate;
        return;
    }
    lineCount_ = library_.GetItemCount(kReportLines, 0);
    if (library_.GetRemoteError() != 0) return;
    state_ = kReadLines;
    host_.ShowStatus("Retrieving report");
}

void ReportCore::ReadLine() {
    if (lineIndex_ >= lineCount_) {
        state_ = kIdleReport;
        host_.HideStatus();
        return;
    }
    char line[kLineSize];
    if (lineIndex_ != 0 && lineIndex_ % 10 == 0) {
        std::snprintf(line, sizeof line, "Retrieving report:\r\nline %d of %d", lineIndex_,
                      lineCount_);
        host_.ShowStatus(line);
    }
    FetchName(library_, line, static_cast<std::uint16_t>(lineIndex_ | kLineKind));
    if (library_.GetRemoteError() != 0) {
        library_.ClearRemoteError();
        return;
    }
    MapInstrumentChars(line, kLineSize);
    host_.AppendReportLine(line);
    ++lineIndex_;
}

}  // namespace brevalin
