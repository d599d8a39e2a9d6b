// Report lines fetched through the library's USB transport over a modelled
// full-speed bus (usb_frame_model.h), on both reply paths, against the least
// bus time the exchanges of one line need on that path.
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "clock.h"
#include "instrument/virtual_instrument.h"
#include "quillsan.h"
#include "usb_frame_model.h"
#include "usb_transport.h"

namespace {

constexpr std::uint16_t kLines = 4000;  // line indexes stay inside the handle's index field
// A line is one name-length command and one block read (a line is shorter than
// a read chunk): two exchanges, each an output report and its reply.
constexpr std::uint64_t kExchangesPerLine = 2;
constexpr std::uint64_t kOutputFrames = bench::ReportFrames(quillsan::kOutputReportBytes);
constexpr std::uint64_t kInputFrames = bench::ReportFrames(quillsan::kInputReportBytes);
constexpr std::uint64_t kFeatureFrames = bench::ReportFrames(quillsan::kFeatureReportBytes);
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
bool FetchLines(instrument::VirtualInstrument& device, std::uint64_t& retries) {
    static char line[2048 + 1];
    char expected[instrument::kMaxReportLine + 1];
    const instrument::Report& report = device.firmware().CurrentReport();
    for (std::uint16_t index = 0; index < kLines;) {
        ClearRemoteError();
        std::memset(line, 0, sizeof line);
        GetItemName(line, 0x6000u | index);
        if (GetRemoteError() != 0) {
            if (++retries > kLines) return false;
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

bool Measure(const Path& path) {
    auto& device = instrument::SharedInstrument();
    device.Reset();
    device.hid().Instrument().releaseNumber = path.releaseNumber;
    auto& store = device.firmware().Store();
    store.Clear();
    instrument::RunItem run;
    run.name = "bench";
    run.reportLines = kLines;
    store.AddRun(run);

    char name[2048 + 1] = {};
    ClearRemoteError();
    const bool ready = InitRemoteComm(0, 0) == 1 && GetItemName(name, 0x7000) != 0 &&
                       (SetSlaveParameter(22, 0x7000, 1), GetRemoteError() == 0) &&
                       GetItemCount(0x4007, 0) == kLines;
    if (!ready) {
        std::printf("%s: the report could not be generated (link error %d)\n", path.name,
                    GetRemoteError());
        return false;
    }

    bench::Bus() = {};
    std::uint64_t retries = 0;
    const std::uint64_t start = quillsan::platform::MonotonicMs();
    if (!FetchLines(device, retries)) {
        std::printf("%s: the report's lines did not arrive intact\n", path.name);
        return false;
    }
    const double ms = static_cast<double>(quillsan::platform::MonotonicMs() - start) / kLines;
    const double floorMs =
        static_cast<double>(kExchangesPerLine * (kOutputFrames + path.replyFrames));
    const bench::BusCounts& bus = bench::Bus();
    const auto perLine = [](std::uint64_t reports) {
        return static_cast<double>(reports) / kLines;
    };
    std::printf(
        "%s: %.2f ms per line, %.2fx the modelled floor (%.0f ms: %d exchanges, each a "
        "%d-frame output report and %s; bus per line: %.2f output, %.2f input, %.2f "
        "feature reports; %d lines, %llu retried)\n",
        path.name, ms, ms / floorMs, floorMs, static_cast<int>(kExchangesPerLine),
        static_cast<int>(kOutputFrames), path.replyShape, perLine(bus.outputReports),
        perLine(bus.inputReports), perLine(bus.featureReports), kLines,
        static_cast<unsigned long long>(retries));
    return true;
}

}  // namespace

int main() {
    // REMOTERR.LOG goes to a scratch folder, not the caller's.
    const auto scratch = std::filesystem::temp_directory_path() / "quillsan-usb-bench";
    std::filesystem::create_directories(scratch);
    std::filesystem::current_path(scratch);
    bool ok = true;
    for (const Path& path : kPaths) ok = Measure(path) && ok;
    return ok ? 0 : 1;
}
