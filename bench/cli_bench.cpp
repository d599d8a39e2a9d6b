// brevalin-cli fetching the 4000-line report of the virtual instrument's long
// run, timed from starting the process to its exit (library load, USB search,
// run list, generation, every line, output), against brevalin's timer floor:
// 4000 lines at 50 steps a tick and 20 ms a tick take brevalin at least 1.6 s.
// brevalin-cli waits for no timer, so it must be many times faster.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_mode.h"

namespace {

constexpr int kLines = 4000;
constexpr double kTimerFloorMs = kLines / 50.0 * 20.0;  // brevalin's ticks, not this program's
constexpr double kLimit = 0.25;  // at least four times faster
constexpr int kRepeats = 5;
constexpr char kLongRun[] = "9";  // RUN 0010, the instrument's long hold

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
    elapsedMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? lines : -1;
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
    std::printf("brevalin-cli: %d-line report fetched in %.1f ms (process start to exit, median "
                "of %d), %.3fx the timer floor (%.0f ms: brevalin's %d ticks of 20 ms for the "
                "lines alone at 50 a tick; %.1f times faster; limit %.2fx)\n",
                kLines, median, kRepeats, ratio, kTimerFloorMs, kLines / 50, 1 / ratio, limit);
    unlink((std::string(scratch) + "/REMOTERR.LOG").c_str());
    rmdir(scratch);
    return ratio <= limit ? 0 : 1;
}
