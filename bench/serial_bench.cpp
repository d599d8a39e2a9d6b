// One remote call over a real pseudo-terminal with the termios backend, against
// the floor the serial algorithm itself sets: the 10 ms wait of the drain before
// each request. A pty moves bytes without pacing them at the baud rate, so the
// bytes' time on a real line is printed beside the floor, not counted in it.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "instrument/pty_server.h"
#include "quillsan.h"

namespace {

constexpr std::uint32_t kBaud = 115200;
constexpr double kFloorMs = 10.0;
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
    state.counters["floor_ms"] = kFloorMs;
}
BENCHMARK(BM_SerialExchange)->Iterations(200)->UseRealTime()->Unit(benchmark::kMillisecond);

class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const double ms = run.GetAdjustedRealTime();
            std::printf(
                "serial: %.2f ms per exchange at %u baud over a pty, %.3fx the floor "
                "(%.2f ms: the drain's wait; a real line adds %.2f ms of bytes)\n",
                ms, kBaud, ms / kFloorMs, kFloorMs, kLineBytesMs);
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    // REMOTERR.LOG goes to a scratch folder, not the caller's.
    const auto scratch = std::filesystem::temp_directory_path() / "quillsan-serial-bench";
    std::filesystem::create_directories(scratch);
    std::filesystem::current_path(scratch);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
