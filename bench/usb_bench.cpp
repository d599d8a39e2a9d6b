// Report lines fetched through the library's USB transport over a modelled
// full-speed bus (usb_frame_model.h), on both reply paths. What it counts is
// the library's own doing: exchanges and bus frames per report line, against
// the least that the report sizes force (two exchanges a line; frames as the
// reports' bytes fill 64-byte packets). Time on the model's clock would only
// repeat the model, so none is reported. A regression check: it fails when a
// line costs more exchanges or frames than that minimum.
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "bench_mode.h"
#include "instrument/virtual_instrument.h"
#include "quillsan.h"
#include "usb_frame_model.h"

namespace {

// A line is one name-length command and one block read (a line is shorter than
// a read chunk): two exchanges, each an output report and its reply.
constexpr std::uint64_t kExchangesPerLine = 2;
// Report sizes as the host hands them over, the unused identifier byte included.
constexpr std::uint64_t kOutputFrames = bench::ReportFrames(257);
constexpr std::uint64_t kInputFrames = bench::ReportFrames(259);
constexpr std::uint64_t kFeatureFrames = bench::ReportFrames(257);
static_assert(kOutputFrames == 4 && kInputFrames == 5 && kFeatureFrames == 4,
              "the printed shapes below name these frame counts");

struct Path {
    const char* name;
    std::uint16_t releaseNumber;
    // The reply: one input report, or at least one status poll and the feature report.
    std::uint64_t replyFrames;
    const char* replyShape;
};

constexpr Path kPaths[] = {
    {"usb input report path", 2, kInputFrames, "a 5-frame input report"},
    {"usb feature report path", 1, kInputFrames + kFeatureFrames,
     "a 5-frame status poll and a 4-frame feature report"},
};

// Fetches the report's lines as brevalin does, a failed line again after
// ClearRemoteError; false when the report cannot be fetched or a line is wrong.
bool FetchLines(instrument::VirtualInstrument& device, std::uint16_t lines,
                std::uint64_t& retries) {
    static char line[2048 + 1];
    char expected[instrument::kMaxReportLine + 1];
    const instrument::Report& report = device.firmware().CurrentReport();
    for (std::uint16_t index = 0; index < lines;) {
        ClearRemoteError();
        std::memset(line, 0, sizeof line);
        GetItemName(line, 0x6000u | index);
        if (GetRemoteError() != 0) {
            if (++retries > lines) return false;
            continue;
        }
        if (report.Line(index, expected) < 0 || std::strcmp(line, expected) != 0) {
            std::printf("line %u differs: \"%s\"\n", index, line);
            return false;
        }
        ++index;
    }
    return true;
}

bool Measure(const Path& path, std::uint16_t lines) {
    auto& device = instrument::SharedInstrument();
    device.Reset();
    device.hid().Instrument().releaseNumber = path.releaseNumber;
    auto& store = device.firmware().Store();
    store.Clear();
    instrument::RunItem run;
    run.name = "bench";
    run.reportLines = lines;
    store.AddRun(run);

    char name[2048 + 1] = {};
    ClearRemoteError();
    const bool ready = InitRemoteComm(0, 0) == 1 && GetItemName(name, 0x7000) != 0 &&
                       (SetSlaveParameter(22, 0x7000, 1), GetRemoteError() == 0) &&
                       GetItemCount(0x4007, 0) == lines;
    if (!ready) {
        std::printf("%s: the report could not be generated (link error %d)\n", path.name,
                    GetRemoteError());
        return false;
    }

    bench::Bus() = {};
    std::uint64_t retries = 0;
    if (!FetchLines(device, lines, retries)) {
        std::printf("%s: the report's lines did not arrive intact\n", path.name);
        return false;
    }
    const bench::BusCounts& bus = bench::Bus();
    const double exchanges = static_cast<double>(bus.outputReports) / lines;
    const double frames = static_cast<double>(bus.busMs / bench::kFrameMs) / lines;
    const double minimumFrames =
        static_cast<double>(kExchangesPerLine * (kOutputFrames + path.replyFrames));
    const double ratio = frames / minimumFrames;
    // Counts do not vary from run to run, so even the short run allows nothing over the minimum.
    const bool within = exchanges <= kExchangesPerLine && ratio <= 1.0 && retries == 0;
    std::printf(
        "%s: %.2f exchanges and %.2f bus frames per line, %.2fx the minimum the report sizes "
        "force (%d exchanges of a %d-frame output report and %s: %.0f frames; "
        "limit 1.00x; %d lines, %llu retried)%s\n",
        path.name, exchanges, frames, ratio, static_cast<int>(kExchangesPerLine),
        static_cast<int>(kOutputFrames), path.replyShape, minimumFrames, static_cast<int>(lines),
        static_cast<unsigned long long>(retries), within ? "" : " OVER THE LIMIT");
    return within;
}

}  // namespace

int main(int argc, char** argv) {
    const bench::Mode mode = bench::TakeMode(argc, argv);
    // Line indexes stay inside the handle's 12-bit index field.
    const std::uint16_t lines = mode.isShort ? 400 : 4000;
    // REMOTERR.LOG goes to a scratch folder, not the caller's.
    const auto scratch = std::filesystem::temp_directory_path() / "quillsan-usb-bench";
    std::filesystem::create_directories(scratch);
    std::filesystem::current_path(scratch);
    bool ok = true;
    for (const Path& path : kPaths) ok = Measure(path, lines) && ok;
    return ok ? 0 : 1;
}
