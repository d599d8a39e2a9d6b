// brevalin-cli fetching the 4000-line report of the virtual instrument's long
// run, timed from starting the process to its exit (library load, USB search,
// run list, generation, every line, output), against brevalin's timer floor:
// 4000 lines at 50 steps a tick and 20 ms a tick take brevalin at least 1.6 s.
// brevalin-cli waits for no timer, so it must be many times faster.
//
// Then export-all of 500 runs (1000 reports) at 5 % random USB faults, against
// the same export without faults: what the faults cost the job, from the
// retried calls to the library's log entry for every failed exchange. The log
// must open and close REMOTERR.LOG for each entry; what that costs on this
// machine is measured on its own (the same number of entries appended the same
// way) and is the floor the faulted export is compared with, besides the
// fault-free one. The plain ratio is printed and held to a looser limit.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "bench_mode.h"

namespace {

constexpr int kLines = 4000;
constexpr double kTimerFloorMs = kLines / 50.0 * 20.0;  // brevalin's ticks, not this program's
constexpr double kLimit = 0.25;                         // at least four times faster
constexpr int kRepeats = 5;
constexpr char kLongRun[] = "9";  // RUN 0010, the instrument's long hold
constexpr int kExportRuns = 500;
constexpr int kExportRepeats = 3;
// Against the fault-free export plus the log's floor: the retries' own cost.
constexpr double kFaultLimit = 1.5;
// Against the fault-free export alone: some 65000 log entries at 5 % faults.
constexpr double kPlainFaultLimit = 2.5;
constexpr char kLinkErrorEntry[] = "Link error #6 in function 1 @Tue Dec  8 23:23:30 2026\n\r\n\n";

// Runs brevalin-cli once; the number of lines it printed, or -1.
int FetchOnce(double& elapsedMs) {
    int out[2];
    if (pipe(out) != 0) return -1;
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        // The library's log goes to the scratch folder the bench runs in.
        execl(CLI_PATH, "brevalin-cli", "--quiet", "fetch", kLongRun, "--type", "run",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    int lines = 0;
    char buffer[65536];
    for (ssize_t got; (got = read(out[0], buffer, sizeof buffer)) != 0;) {
        if (got < 0) break;
        lines += static_cast<int>(std::count(buffer, buffer + got, '\n'));
    }
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    elapsedMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? lines : -1;
}

// One export-all into a fresh folder; the milliseconds it took, or -1.
double ExportOnce(const std::string& folder, int faultPercent) {
    const std::string into = folder + "/reports";
    if (mkdir(into.c_str(), 0777) != 0) return -1;
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        setenv("QUILLSAN_VIRTUAL_RUNS", std::to_string(kExportRuns).c_str(), 1);
        setenv("QUILLSAN_VIRTUAL_FAULT_RATE", std::to_string(faultPercent).c_str(), 1);
        if (std::freopen("/dev/null", "w", stdout) == nullptr) _exit(127);
        execl(CLI_PATH, "brevalin-cli", "--quiet", "export-all", into.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ms : -1;
}

// The files of a finished export, by name and content; the folder is removed
// for the next one.
std::map<std::string, std::string> TakeExport(const std::string& folder) {
    namespace fs = std::filesystem;
    std::map<std::string, std::string> files;
    const fs::path reports = fs::path(folder) / "reports";
    for (const fs::directory_entry& entry : fs::directory_iterator(reports)) {
        if (entry.path().extension() != ".txt") continue;
        std::ifstream file(entry.path(), std::ios::binary);
        files[entry.path().filename().string()] =
            std::string(std::istreambuf_iterator<char>(file), {});
    }
    fs::remove_all(reports);
    return files;
}

using Export = std::map<std::string, std::string>;

// The link error entries an export left in the log, which is then removed.
int TakeLinkErrorEntries(const std::string& folder) {
    const std::string path = folder + "/REMOTERR.LOG";
    std::ifstream log(path, std::ios::binary);
    int entries = 0;
    for (std::string line; std::getline(log, line);) entries += line.rfind("Link error #", 0) == 0;
    std::remove(path.c_str());
    return entries;
}

// The milliseconds `entries` appends take when each opens and closes the file.
double LogFloorMs(const std::string& folder, int entries) {
    const std::string path = folder + "/floor.log";
    const auto start = std::chrono::steady_clock::now();
    for (int n = 0; n < entries; ++n) {
        const int file = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
        if (file < 0 || write(file, kLinkErrorEntry, sizeof kLinkErrorEntry - 1) < 0) return -1;
        close(file);
    }
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::remove(path.c_str());
    return ms;
}

struct ExportTime {
    double ms = -1;
    int logEntries = 0;
};

ExportTime MedianExport(const std::string& folder, int faultPercent, Export& first) {
    std::vector<ExportTime> times;
    TakeLinkErrorEntries(folder);
    for (int n = 0; n < kExportRepeats; ++n) {
        const double ms = ExportOnce(folder, faultPercent);
        const Export files = TakeExport(folder);
        if (ms < 0 || files.size() != 2 * kExportRuns || (!first.empty() && files != first)) {
            return {};
        }
        first = files;
        times.push_back({ms, TakeLinkErrorEntries(folder)});
    }
    std::sort(times.begin(), times.end(),
              [](const ExportTime& a, const ExportTime& b) { return a.ms < b.ms; });
    return times[times.size() / 2];
}

bool BenchExportUnderFaults(const bench::Mode& mode, const std::string& folder) {
    Export files;
    const double clean = MedianExport(folder, 0, files).ms;
    const ExportTime faulted = clean < 0 ? ExportTime{} : MedianExport(folder, 5, files);
    const double logFloor = faulted.ms < 0 ? -1 : LogFloorMs(folder, faulted.logEntries);
    if (clean < 0 || faulted.ms < 0 || logFloor < 0) {
        std::printf("brevalin-cli: export-all failed or its files differed with faults\n");
        return false;
    }
    const double limit = kFaultLimit * mode.slack;
    const double plainLimit = kPlainFaultLimit * mode.slack;
    const double ratio = faulted.ms / (clean + logFloor);
    const double plainRatio = faulted.ms / clean;
    std::printf(
        "brevalin-cli: export-all of %d runs (%d reports) at 5%% USB faults in %.0f ms, "
        "%.2fx the fault-free export and its %d log entries (%.0f ms + %.0f ms; limit %.2fx); "
        "%.2fx the fault-free export alone (limit %.2fx; median of %d, files identical)\n",
        kExportRuns, 2 * kExportRuns, faulted.ms, ratio, faulted.logEntries, clean, logFloor, limit,
        plainRatio, plainLimit, kExportRepeats);
    return ratio <= limit && plainRatio <= plainLimit;
}

}  // namespace

int main(int argc, char** argv) {
    const bench::Mode mode = bench::TakeMode(argc, argv);
    const double limit = kLimit * mode.slack;
    char scratch[] = "/tmp/cli_bench.XXXXXX";
    if (mkdtemp(scratch) == nullptr || chdir(scratch) != 0) {
        std::fprintf(stderr, "cli_bench: no scratch folder\n");
        return 2;
    }
    std::vector<double> times;
    for (int n = 0; n < kRepeats; ++n) {
        double ms = 0;
        const int lines = FetchOnce(ms);
        if (lines != kLines) {
            std::printf("brevalin-cli: fetch printed %d lines, not %d\n", lines, kLines);
            return 1;
        }
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    const double ratio = median / kTimerFloorMs;
    const bool exportWithin = BenchExportUnderFaults(mode, scratch);
    std::printf(
        "brevalin-cli: %d-line report fetched in %.1f ms (process start to exit, median "
        "of %d), %.3fx the timer floor (%.0f ms: brevalin's %d ticks of 20 ms for the "
        "lines alone at 50 a tick; %.1f times faster; limit %.2fx)\n",
        kLines, median, kRepeats, ratio, kTimerFloorMs, kLines / 50, 1 / ratio, limit);
    unlink((std::string(scratch) + "/REMOTERR.LOG").c_str());
    rmdir(scratch);
    return ratio <= limit && exportWithin ? 0 : 1;
}
