#include "cli_session.h"

#include <cstdlib>

#include "quillsan_loader.h"

namespace brevalin::cli {
namespace {

// A search or a version read that meets a link fault is worth repeating; an
// instrument that is not there is not worth more than a few tries.
constexpr int kConnectAttempts = 5;
// A run list is short; a link that spoils this many in a row is lost.
constexpr int kRunListAttempts = 20;

}  // namespace

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
    }
    return bound;
}

void* CliSession::OptionalExport(const char* name) const {
    // Loading again only finds the file the binding loaded, in the same order.
    void* library = nullptr;
    if (!ownFolder_.empty()) library = quillsan::loader::Load((ownFolder_ + "/" + fileName_).c_str());
    if (library == nullptr) library = quillsan::loader::Load(fileName_.c_str());
    return library != nullptr ? quillsan::loader::Find(library, name) : nullptr;
}

std::string CliSession::LibraryPath() const {
    const std::string path = quillsan::loader::FileOf(library_.table()[kGetDLLVersion]);
    char* resolved = realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return path;
    std::string whole(resolved);
    std::free(resolved);
    return whole;
}

std::string CliSession::Flavour() const {
    const std::string path = LibraryPath();
    const std::size_t slash = path.find_last_of("/\\");
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash);
    const std::size_t name = folder.find_last_of("/\\");
    const std::string last = name == std::string::npos ? folder : folder.substr(name + 1);
    return last.find("virtual") != std::string::npos ? "virtual" : "hardware";
}

bool CliSession::RunNames(std::vector<std::string>& names) {
    for (int attempt = 0; attempt < kRunListAttempts; ++attempt) {
        bool clean = false;
        names = core_.ReadRunNames(&clean);
        if (clean) return true;
    }
    return false;
}

bool CliSession::Connect(const LinkChoice& link) {
    const std::uint32_t baudRate = link.usb ? 0 : link.baudRate;
    const std::uint32_t portIndex = link.usb ? 0 : link.comNumber - 1;
    for (int attempt = 0; attempt < kConnectAttempts; ++attempt) {
        if ((library_.InitRemoteComm(baudRate, portIndex) & 0xFFFF) != 0 &&
            core_.ReadFirmwareVersion(firmwareVersion_)) {
            return true;
        }
    }
    return false;
}

FetchOutcome CliSession::Fetch(std::uint16_t runIndex, bool validation,
                               std::vector<std::string>& lines) {
    runIndex_ = runIndex;
    validation_ = validation;
    lines.clear();
    lines_ = &lines;
    core_.StartRetrieval();
    std::size_t linesBefore = 0;
    int idleSteps = 0;
    auto lastProgress = std::chrono::steady_clock::now();
    while (core_.state() != kIdleReport) {
        core_.RetrievalStep();
        if (lines.size() != linesBefore) {
            linesBefore = lines.size();
            idleSteps = 0;
            lastProgress = std::chrono::steady_clock::now();
            if (progress_) progress_(core_.lineIndex(), core_.lineCount());
            continue;
        }
        if (++idleSteps >= limits_.stepsWithoutProgress ||
            std::chrono::steady_clock::now() - lastProgress > limits_.timeWithoutProgress) {
            lines_ = nullptr;
            return FetchOutcome::kLinkLost;
        }
    }
    lines_ = nullptr;
    return FetchOutcome::kComplete;
}

}  // namespace brevalin::cli
