#include <chrono>
#include <ctime>
#include <map>
#include <set>

#include "cli_commands.h"
#include "export_folder.h"
#include "file_names.h"
#include "files.h"
#include "instrument_chars.h"
#include "manifest.h"
#include "report_files.h"
#include "sha256.h"
#include "text_output.h"

namespace brevalin::cli {
namespace {

// An interrupted export loses at most this much of the manifest; the files it
// wrote meanwhile are recognised next time by their contents.
constexpr std::chrono::seconds kManifestInterval{1};

enum class Outcome { kWritten, kSkipped, kFailed };

std::string UtcText(std::time_t when) {
    const std::tm parts = files::UtcParts(when);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

// The SHA-256 of a file's bytes; empty when it cannot be read.
std::string FileSha256(const std::string& path) {
    std::string bytes;
    return ReadFileBytes(path, bytes, 0) ? Sha256Hex(bytes) : std::string();
}

class ExportJob {
  public:
    ExportJob(CliSession& session, const Options& options, const Streams& streams)
        : session_(session), options_(options), streams_(streams), folder_(options.output) {}

    int Run();

  private:
    void ExportOne(std::size_t run, bool validation);
    bool StoredByPlace(std::size_t run, bool validation, std::size_t& record) const;
    bool StoredByContents(std::size_t run, bool validation, const std::string& sha256,
                          std::size_t lines, std::size_t& record);
    std::string FreeName(std::size_t run, bool validation) const;
    bool Store(std::size_t run, bool validation, const std::vector<std::string>& lines,
               std::size_t& record);
    void Claim(std::size_t record, std::size_t run);
    void Note(Outcome outcome, std::size_t run, bool validation, const ManifestRecord* record,
              bool fetched, const std::string& file, const std::string& reason);
    void PublishInterruptReport();
    void SaveManifestNow();
    int Finish();

    std::string Path(const std::string& file) const { return folder_ + "/" + file; }
    bool Claimed(std::size_t record) const { return claimed_.count(record) != 0; }

    CliSession& session_;
    const Options& options_;
    const Streams& streams_;
    std::string folder_;
    Manifest manifest_;
    std::vector<std::string> runs_;  // oldest first
    std::vector<NamePlan> plans_;
    bool listingKept_ = false;  // the manifest's runs still lead the list, in place
    std::map<std::string, int> namesakes_;
    std::set<std::size_t> claimed_;
    std::set<std::string> taken_;  // folded names in the folder or the manifest
    std::string serialNumber_;
    std::string firmwareVersion_;
    int written_ = 0, skipped_ = 0, failed_ = 0;
    bool linkLost_ = false;
    bool manifestFailed_ = false;
    std::string stopReason_;  // set when the folder takes no more files
    std::string jsonBody_;
    std::string interruptTail_;
    std::chrono::steady_clock::time_point lastSave_{};
};

int ExportJob::Run() {
    std::string error;
    bool busy = false;
    FolderLock lock;
    if (!MakeFolder(folder_, error) || !lock.Take(folder_, error, busy)) {
        ErrorLine(streams_.err, error);
        return kExitFile;
    }
    RemoveStaleTemporaries(folder_);
    if (!ProveWritable(folder_, error)) {
        ErrorLine(streams_.err, error);
        return kExitFile;
    }
    std::vector<std::string> newestFirst;
    if (!session_.RunNames(newestFirst)) return LinkLost(streams_);
    runs_.assign(newestFirst.rbegin(), newestFirst.rend());
    plans_ = PlanNames(runs_);
    manifest_ = LoadManifest(folder_);
    // A single listed run may have been dropped for a new one of that name.
    listingKept_ = manifest_.listing.size() >= 2 && manifest_.listing.size() <= runs_.size() &&
                   std::equal(manifest_.listing.begin(), manifest_.listing.end(), runs_.begin());
    for (const std::string& name : runs_) ++namesakes_[name];
    taken_ = FoldedEntries(folder_);
    for (const ManifestRecord& record : manifest_.records) taken_.insert(Folded(record.file));
    serialNumber_ = SerialNumber(session_);
    firmwareVersion_ = VersionText(session_.firmwareVersion());
    jsonBody_ = "{\"folder\": " + Json(folder_) + ", \"files\": [";
    PublishInterruptReport();

    // Oldest first: those are the ones the instrument drops next.
    for (std::size_t run = 0; run < runs_.size(); ++run) {
        for (const bool validation : {true, false}) {
            if (validation ? options_.types.validation : options_.types.run)
                ExportOne(run, validation);
        }
    }
    return Finish();
}

void ExportJob::ExportOne(std::size_t run, bool validation) {
    const std::string preferred =
        FileNameFor(Candidate(plans_[run], plans_[run].ordinal), validation);
    if (!stopReason_.empty()) {
        Note(Outcome::kFailed, run, validation, nullptr, false, preferred, stopReason_);
        return;
    }
    std::size_t own = 0;
    const bool placed = StoredByPlace(run, validation, own);
    if (placed && !options_.force && manifest_.records[own].lines > 0 &&
        FileSha256(Path(manifest_.records[own].file)) == manifest_.records[own].sha256) {
        Claim(own, run);
        Note(Outcome::kSkipped, run, validation, &manifest_.records[own], false, "", "");
        return;
    }
    if (placed) Claim(own, run);  // its place is kept even when this fetch fails
    const std::string target = placed ? manifest_.records[own].file : preferred;
    if (linkLost_) {
        Note(Outcome::kFailed, run, validation, nullptr, false, target, "the link was lost");
        return;
    }
    std::vector<std::string> lines;
    if (session_.Fetch(static_cast<std::uint16_t>(run), validation, lines) !=
        FetchOutcome::kComplete) {
        ErrorLine(streams_.err, Path(target) + ": the link was lost");
        linkLost_ = true;
        Note(Outcome::kFailed, run, validation, nullptr, true, target, "the link was lost");
        return;
    }
    const std::string sha256 = Sha256Hex(ReportBytes(lines));
    std::size_t record = own;
    const bool stored = placed ? manifest_.records[own].sha256 == sha256 &&
                                     FileSha256(Path(manifest_.records[own].file)) == sha256
                               : StoredByContents(run, validation, sha256, lines.size(), record);
    if (stored && !options_.force) {
        Claim(record, run);
        Note(Outcome::kSkipped, run, validation, &manifest_.records[record], true, "", "");
        return;
    }
    if (!stored && !placed) record = manifest_.records.size();  // a new file
    // Held from the write to the count, so that the summary a signal prints
    // never leaves out a file already renamed into the folder.
    SignalsHeld held;
    if (Store(run, validation, lines, record)) {
        Note(Outcome::kWritten, run, validation, &manifest_.records[record], true, "", "");
    }
}

// The run's record when the run list has only grown since the manifest was
// written and no other run has its name, so that its place alone says which
// run it is; runs of one name may have moved up and are compared instead.
bool ExportJob::StoredByPlace(std::size_t run, bool validation, std::size_t& record) const {
    if (!listingKept_ || run >= manifest_.listing.size() || namesakes_.at(runs_[run]) != 1)
        return false;
    for (std::size_t r = 0; r < manifest_.records.size(); ++r) {
        const ManifestRecord& candidate = manifest_.records[r];
        if (candidate.index == static_cast<long>(run) && candidate.validation == validation &&
            candidate.runName == runs_[run] && !Claimed(r)) {
            record = r;
            return true;
        }
    }
    return false;
}

// Among the names of the run's family, a file that already holds this very
// report: recorded for a run of this name, or there before any manifest.
bool ExportJob::StoredByContents(std::size_t run, bool validation, const std::string& sha256,
                                 std::size_t lines, std::size_t& record) {
    for (int n = 1;; ++n) {
        const std::string file = FileNameFor(Candidate(plans_[run], n), validation);
        std::size_t owner = manifest_.records.size();
        for (std::size_t r = 0; r < manifest_.records.size(); ++r) {
            if (manifest_.records[r].file == file) owner = r;
        }
        files::Info status;
        int failure = 0;
        const bool exists = files::Inspect(Path(file), false, status, failure);
        if (owner == manifest_.records.size()) {
            if (!exists) return false;  // the end of the family
            if (status.kind == files::Kind::kFile && FileSha256(Path(file)) == sha256) {
                ManifestRecord adopted;
                adopted.file = file;
                adopted.runName = runs_[run];
                adopted.validation = validation;
                adopted.lines = lines;
                adopted.sha256 = sha256;
                adopted.serialNumber = serialNumber_;
                adopted.firmwareVersion = firmwareVersion_;
                adopted.writtenAt = UtcText(status.modified);
                manifest_.records.push_back(adopted);
                record = manifest_.records.size() - 1;
                return true;
            }
            continue;
        }
        const ManifestRecord& candidate = manifest_.records[owner];
        if (!Claimed(owner) && candidate.runName == runs_[run] &&
            candidate.validation == validation && candidate.sha256 == sha256 && exists &&
            FileSha256(Path(file)) == sha256) {
            record = owner;
            return true;
        }
    }
}

// The run's own name in its family, or the next one no file and no record holds.
std::string ExportJob::FreeName(std::size_t run, bool validation) const {
    for (int n = plans_[run].ordinal;; ++n) {
        std::string file = FileNameFor(Candidate(plans_[run], n), validation);
        if (taken_.count(Folded(file)) == 0) return file;
    }
}

bool ExportJob::Store(std::size_t run, bool validation, const std::vector<std::string>& lines,
                      std::size_t& record) {
    const bool fresh = record == manifest_.records.size();
    const std::string file = fresh ? FreeName(run, validation) : manifest_.records[record].file;
    const std::string bytes = ReportBytes(lines);
    std::string error;
    int failure = 0;
    if (!WriteFileWhole(Path(file), bytes, true, error, failure)) {
        ErrorLine(streams_.err, error);
        if (FolderWideError(failure)) stopReason_ = error;
        Note(Outcome::kFailed, run, validation, nullptr, true, file, error);
        return false;
    }
    if (fresh) manifest_.records.emplace_back();
    ManifestRecord& stored = manifest_.records[record];
    stored.file = file;
    stored.runName = runs_[run];
    stored.validation = validation;
    stored.lines = lines.size();
    stored.sha256 = Sha256Hex(bytes);
    stored.serialNumber = serialNumber_;
    stored.firmwareVersion = firmwareVersion_;
    stored.writtenAt = UtcText(std::time(nullptr));
    taken_.insert(Folded(file));
    Claim(record, run);
    if (std::chrono::steady_clock::now() - lastSave_ >= kManifestInterval) SaveManifestNow();
    return true;
}

void ExportJob::Claim(std::size_t record, std::size_t run) {
    claimed_.insert(record);
    manifest_.records[record].index = static_cast<long>(run);
}

void ExportJob::Note(Outcome outcome, std::size_t run, bool validation,
                     const ManifestRecord* record, bool fetched, const std::string& file,
                     const std::string& reason) {
    const char* status = outcome == Outcome::kWritten   ? "written"
                         : outcome == Outcome::kSkipped ? "skipped"
                                                        : "failed";
    (outcome == Outcome::kWritten ? written_ : outcome == Outcome::kSkipped ? skipped_ : failed_)++;
    std::string entry = std::string(written_ + skipped_ + failed_ > 1 ? ", " : "") +
                        "{\"status\": \"" + status +
                        "\", \"fetched\": " + (fetched ? "true" : "false") +
                        ", \"file\": " + Json(record ? record->file : file) +
                        ", \"run\": " + Json(Windows1252ToUtf8(runs_[run])) +
                        ", \"index\": " + std::to_string(run) +
                        ", \"type\": " + (validation ? "\"validation\"" : "\"run\"");
    if (record != nullptr) {
        entry += ", \"lines\": " + std::to_string(record->lines) +
                 ", \"empty\": " + (record->lines == 0 ? "true" : "false") +
                 ", \"sha256\": " + Json(record->sha256) +
                 ", \"serialNumber\": " + Json(Windows1252ToUtf8(record->serialNumber)) +
                 ", \"firmwareVersion\": " + Json(record->firmwareVersion) +
                 ", \"writtenAt\": " + Json(record->writtenAt);
    } else {
        entry += ", \"reason\": " + Json(reason);
    }
    SignalsHeld held;
    jsonBody_ += entry + "}";
    PublishInterruptReport();
}

void ExportJob::PublishInterruptReport() {
    const std::string counts = std::to_string(written_) + " written, " + std::to_string(skipped_) +
                               " skipped, " + std::to_string(failed_) + " failed";
    SignalsHeld held;
    if (options_.json) {
        interruptTail_ = "], \"written\": " + std::to_string(written_) +
                         ", \"skipped\": " + std::to_string(skipped_) +
                         ", \"failed\": " + std::to_string(failed_) + ", \"interrupted\": true}\n";
        SetInterruptReport(&jsonBody_, &interruptTail_);
    } else {
        interruptTail_ = counts + "\n";
        SetInterruptReport(nullptr, &interruptTail_);
    }
}

// The listing and every record as this export leaves them; files of runs the
// instrument no longer lists keep their records, so their names stay taken.
void ExportJob::SaveManifestNow() {
    Manifest saved;
    saved.listing = runs_;
    for (std::size_t r = 0; r < manifest_.records.size(); ++r) {
        ManifestRecord record = manifest_.records[r];
        files::Info status;
        int failure = 0;
        if (!Claimed(r)) {
            if (!files::Inspect(Path(record.file), false, status, failure))
                continue;  // removed by hand
            record.index = -1;
        }
        saved.records.push_back(record);
    }
    std::string error;
    int failure = 0;
    if (!SaveManifest(folder_, saved, error, failure)) {
        ErrorLine(streams_.err, error);
        manifestFailed_ = true;
    }
    lastSave_ = std::chrono::steady_clock::now();
}

int ExportJob::Finish() {
    SaveManifestNow();
    {
        SignalsHeld held;
        SetInterruptReport(nullptr, nullptr);
    }
    if (options_.json) {
        std::fprintf(streams_.out, "%s], \"written\": %d, \"skipped\": %d, \"failed\": %d}\n",
                     jsonBody_.c_str(), written_, skipped_, failed_);
    } else {
        std::fprintf(streams_.out, "%d written, %d skipped, %d failed\n", written_, skipped_,
                     failed_);
    }
    const int outputStatus = FinishOutput(streams_);
    if (linkLost_) return LinkLost(streams_);
    if (outputStatus != kExitOk) return outputStatus;
    return failed_ != 0 || manifestFailed_ ? kExitFile : kExitOk;
}

}  // namespace

int ExportAll(CliSession& session, const Options& options, const Streams& streams) {
    ExportJob job(session, options, streams);
    return job.Run();
}

}  // namespace brevalin::cli
