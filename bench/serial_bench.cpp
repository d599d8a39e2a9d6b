// One remote call over a real pseudo-terminal with the termios backend. Each
// exchange starts with the drain's 10 ms wait, which the serial algorithm
// prescribes; what the code controls is the time beyond that wait, printed in
// microseconds. A pty moves bytes without pacing them at the baud rate, so the
// bytes' time on a real line is printed beside it, not counted in it.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "bench_mode.h"
#include "instrument/pty_server.h"
#include "quillsan.h"

namespace {

constexpr std::uint32_t kBaud = 115200;
constexpr double kDrainWaitMs = 10.0;
constexpr double kLimitUs = 3000.0;  // per exchange beyond the drain's wait
// GetSlaveParameter: 3 request bytes; echo and 4 result bytes back. 10 bits a byte.
constexpr double kLineBytesMs = (3 + 5) * 10.0 * 1000.0 / kBaud;

void BM_SerialExchange(benchmark::State& state) {
    instrument::PtyServer server;
    if (!server.Start() || InitRemoteComm(kBaud, server.PortIndex()) != 1) {
        state.SkipWithError("cannot reach the virtual instrument over a pseudo-terminal");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(GetSlaveParameter(0, 0));
    if (GetRemoteError() != 0) state.SkipWithError("link error during the run");
}

class OverheadReporter : public benchmark::ConsoleReporter {
  public:
    explicit OverheadReporter(double limitUs) : limitUs_(limitUs) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const double ms = run.GetAdjustedRealTime();
            const double overheadUs = (ms - kDrainWaitMs) * 1000.0;
            const bool inLimit = overheadUs <= limitUs_;
            within = within && inLimit;
            measured = true;
            std::printf(
                "serial: %.0f us per exchange beyond the drain's %.0f ms wait (%.2f ms per "
                "exchange at %u baud over a pty; limit %.0f us; a real line adds %.2f ms of "
                "bytes)%s\n",
                overheadUs, kDrainWaitMs, ms, kBaud, limitUs_, kLineBytesMs,
                inLimit ? "" : " OVER THE LIMIT");
        }
    }
    bool measured = false;
    bool within = true;

  private:
    double limitUs_;
};

}  // namespace

int main(int argc, char** argv) {
    const bench::Mode mode = bench::TakeMode(argc, argv);
    // REMOTERR.LOG goes to a scratch folder, not the caller's.
    const auto scratch = std::filesystem::temp_directory_path() / "quillsan-serial-bench";
    std::filesystem::create_directories(scratch);
    std::filesystem::current_path(scratch);
    benchmark::Initialize(&argc, argv);
    benchmark::RegisterBenchmark("BM_SerialExchange", BM_SerialExchange)
        ->Iterations(mode.isShort ? 50 : 200)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    OverheadReporter reporter(kLimitUs * mode.slack);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return reporter.measured && reporter.within ? 0 : 1;
}
