// Engine cost per remote call over the in-process virtual link, against the
// floor of the virtual instrument answering the same bytes by itself, and the
// heap allocations per call (counted, not assumed). It fails when a call
// allocates or costs more than kRatioLimit times the instrument alone.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench_mode.h"
#include "clock.h"
#include "counting_new.h"
#include "instrument/serial_front_end.h"
#include "instrument/virtual_instrument.h"
#include "quillsan.h"

namespace {

double g_floorNs = 0;
constexpr double kRatioLimit = 4.0;

// The floor: the instrument's own work for one GetSlaveParameter exchange.
void BM_InstrumentAlone(benchmark::State& state) {
    auto& line = instrument::SharedInstrument().serial();
    const std::uint8_t request[] = {0x02, 0x00, 0x00};
    std::uint8_t reply[8];
    std::uint64_t now = 0;
    for (auto _ : state) {
        line.Receive(request, sizeof request, now);
        std::size_t got = line.Transmit(reply, sizeof reply, now);
        benchmark::DoNotOptimize(got);
        now += 10;
    }
}
BENCHMARK(BM_InstrumentAlone);

void BM_RemoteCall(benchmark::State& state) {
    instrument::SharedInstrument().Reset();
    if (InitRemoteComm(115200, 0) != 1) state.SkipWithError("cannot open the virtual link");
    GetSlaveParameter(0, 0);  // warm up
    const std::uint64_t before = test_support::HeapAllocations();
    for (auto _ : state) benchmark::DoNotOptimize(GetSlaveParameter(0, 0));
    const double calls = static_cast<double>(state.iterations());
    state.counters["allocs_per_call"] =
        static_cast<double>(test_support::HeapAllocations() - before) / calls;
    if (GetRemoteError() != 0) state.SkipWithError("link error during the run");
}
BENCHMARK(BM_RemoteCall);

class RatioReporter : public benchmark::ConsoleReporter {
  public:
    explicit RatioReporter(double ratioLimit) : ratioLimit_(ratioLimit) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const double ns = run.GetAdjustedRealTime();
            if (run.benchmark_name() == "BM_InstrumentAlone") g_floorNs = ns;
            if (run.benchmark_name() == "BM_RemoteCall" && g_floorNs > 0) {
                const auto allocs = run.counters.find("allocs_per_call");
                const double perCall = allocs == run.counters.end() ? -1.0 : allocs->second.value;
                const double ratio = ns / g_floorNs;
                measured = true;
                within = perCall == 0.0 && ratio <= ratioLimit_;
                std::printf(
                    "engine: %.0f ns per RemoteCall, %.2fx the instrument-alone floor "
                    "(%.0f ns; limit %.1fx), %.3f heap allocations per call (limit 0)%s\n",
                    ns, ratio, g_floorNs, ratioLimit_, perCall, within ? "" : " OVER THE LIMIT");
            }
        }
    }
    bool measured = false;
    bool within = false;

  private:
    double ratioLimit_;
};

}  // namespace

int main(int argc, char** argv) {
    const bench::Mode mode = bench::TakeMode(argc, argv);
    std::vector<char*> args(argv, argv + argc);
    char brief[] = "--benchmark_min_time=0.05";
    if (mode.isShort) args.push_back(brief);
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    RatioReporter reporter(kRatioLimit * mode.slack);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return reporter.measured && reporter.within ? 0 : 1;
}
