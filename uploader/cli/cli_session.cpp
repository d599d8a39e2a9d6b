#include "cli_session.h"

#include <algorithm>
#include <cstdlib>
#include <thread>

#include "files.h"
#include "quillsan_loader.h"

namespace brevalin::cli {
namespace {

using std::chrono::milliseconds;

// A search or a version read that meets a link fault is worth repeating; an
// instrument that is not there is not worth more than a few tries.
constexpr int kConnectAttempts = 5;
// The library searches at once after a Yes, and a device that is back by then
// costs nothing; one that is not is given growing pauses between searches.
constexpr milliseconds kFirstPause{100};
constexpr milliseconds kLongestPause{5000};

}  // namespace

CliSession::CliSession(LinkLibrary& library, std::string ownFolder)
    : library_(library),
      core_(library, *this),
      ownFolder_(std::move(ownFolder)),
      clock_([] { return std::chrono::steady_clock::now(); }),
      sleep_([](milliseconds pause) { std::this_thread::sleep_for(pause); }) {}

void CliSession::SetTime(Clock clock, Sleep sleep) {
    clock_ = std::move(clock);
    sleep_ = std::move(sleep);
}

bool CliSession::Bind(const char* fileName, std::string& error) {
    fileName_ = fileName;
    char errorText[kBindErrorSize] = {};
    char versionText[kVersionTextSize] = {};
    const bool bound = library_.Bind(fileName, errorText, versionText);
    versionText[kVersionTextSize - 1] = '\0';
    libraryVersion_ = versionText;
    if (!bound) {
        errorText[kBindErrorSize - 1] = '\0';
        error = errorText;
        return false;
    }
    usbConnected_ =
        reinterpret_cast<decltype(&::bZtUsbConnected)>(OptionalExport("bZtUsbConnected"));
    return true;
}

void* CliSession::OptionalExport(const char* name) const {
    // Loading again only finds the file the binding loaded, in the same order.
    void* library = nullptr;
    if (!ownFolder_.empty())
        library = quillsan::loader::Load((ownFolder_ + "/" + fileName_).c_str());
    if (library == nullptr) library = quillsan::loader::Load(fileName_.c_str());
    return library != nullptr ? quillsan::loader::Find(library, name) : nullptr;
}

std::string CliSession::LibraryPath() const {
    std::string path = quillsan::loader::FileOf(library_.table()[kGetDLLVersion]);
    int failure = 0;
    const std::string whole = files::Resolved(path, failure);
    return whole.empty() ? path : whole;
}

std::string CliSession::Flavour() const {
    const std::string path = LibraryPath();
    const std::size_t slash = path.find_last_of("/\\");
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash);
    const std::size_t name = folder.find_last_of("/\\");
    const std::string last = name == std::string::npos ? folder : folder.substr(name + 1);
    return last.find("virtual") != std::string::npos ? "virtual" : "hardware";
}

bool CliSession::OpenLink() {
    const std::uint32_t baudRate = link_.usb ? 0 : link_.baudRate;
    const std::uint32_t portIndex = link_.usb ? 0 : link_.comNumber - 1;
    return (library_.InitRemoteComm(baudRate, portIndex) & 0xFFFF) != 0 &&
           core_.ReadFirmwareVersion(firmwareVersion_);
}

bool CliSession::Connect(const LinkChoice& link) {
    link_ = link;
    for (int attempt = 0; attempt < kConnectAttempts; ++attempt) {
        if (OpenLink()) return true;
    }
    return false;
}

void CliSession::Progressed() {
    lastProgress_ = clock_();
    regainsSinceProgress_ = 0;
}

bool CliSession::Stalled(int idleSteps) const {
    return idleSteps >= limits_.stepsWithoutProgress ||
           clock_() - lastProgress_ >= limits_.timeWithoutProgress;
}

bool CliSession::BudgetSpent() const {
    return clock_() - lastProgress_ >= budget_.limit;
}

bool CliSession::AnswerReconnectQuestion() {
    deviceLost_ = true;
    return budget_.enabled && !BudgetSpent();
}

bool CliSession::DeviceHeld() const {
    return link_.usb && usbConnected_ != nullptr && usbConnected_() != 0;
}

bool CliSession::TakeLoss() {
    const bool lost = deviceLost_;
    deviceLost_ = false;
    return lost;
}

bool CliSession::Regain() {
    deviceLost_ = false;
    if (!budget_.enabled) return false;
    // A link that keeps failing although the instrument answers is lost too.
    if (regainsSinceProgress_++ > 0 && BudgetSpent()) return false;
    ++regains_;
    milliseconds pause = kFirstPause;
    for (;;) {
        if (OpenLink()) return true;
        deviceLost_ = false;  // the search itself may have met the gone device
        if (BudgetSpent()) return false;
        const auto left =
            std::chrono::duration_cast<milliseconds>(budget_.limit - (clock_() - lastProgress_));
        sleep_(std::clamp(left, milliseconds(1), pause));
        pause = std::min(pause * 2, kLongestPause);
    }
}

bool CliSession::RetryItem(int& reads) {
    const bool lost = TakeLoss();
    if ((lost && (!budget_.enabled || !DeviceHeld())) || ++reads >= limits_.readsPerItem) {
        reads = 0;
        return Regain();
    }
    return true;
}

bool CliSession::RunNames(std::vector<std::string>& names) {
    names.clear();
    Progressed();
    std::uint16_t count = 0;
    for (int reads = 0; !core_.ReadRunCount(count);) {
        if (!RetryItem(reads)) return false;
    }
    for (int index = count - 1; index >= 0; --index) {
        std::string name;
        for (int reads = 0; !core_.ReadRunName(static_cast<std::uint16_t>(index), name);) {
            if (!RetryItem(reads)) return false;
        }
        names.push_back(std::move(name));
        Progressed();
    }
    return true;
}

FetchOutcome CliSession::Fetch(std::uint16_t runIndex, bool validation,
                               std::vector<std::string>& lines) {
    runIndex_ = runIndex;
    validation_ = validation;
    lines.clear();
    lines_ = &lines;
    Progressed();
    TakeLoss();  // a question answered before this report is not about it
    core_.StartRetrieval();
    std::size_t linesBefore = 0;
    int idleSteps = 0;
    while (core_.state() != kIdleReport) {
        core_.RetrievalStep();
        // A device the library found again at once carries on where it was.
        const bool gone = TakeLoss() && (!budget_.enabled || !DeviceHeld());
        if (!gone && lines.size() != linesBefore) {
            linesBefore = lines.size();
            idleSteps = 0;
            Progressed();
            if (progress_) progress_(core_.lineIndex(), core_.lineCount());
            continue;
        }
        if (!gone && !Stalled(++idleSteps)) continue;
        // The instrument stayed away or stopped answering: once it is back, the
        // report is generated again, as it may have been lost with the device.
        if (!Regain()) {
            lines_ = nullptr;
            return FetchOutcome::kLinkLost;
        }
        lines.clear();
        linesBefore = 0;
        idleSteps = 0;
        core_.StartRetrieval();
    }
    lines_ = nullptr;
    return FetchOutcome::kComplete;
}

}  // namespace brevalin::cli
