// brevalin against the virtual instrument with its real 20 ms timer: cold start
// to the first report listed (limit 1 s), a 4000-line report against the
// timer's floor (limit 1.1x), and a report over a modelled slow link: its total
// against the link's own floor (limit 1.1x) and the longest the window waits for
// its message loop meanwhile (limit 150 ms). It fails when a figure misses its limit.
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "bench_mode.h"
#include "controller.h"
#include "dialogs.h"
#include "instrument/report.h"
#include "instrument/virtual_instrument.h"
#include "lent_instrument.h"
#include "link_binding.h"
#include "main_window.h"
#include "patched_library.h"
#include "window_wiring.h"

namespace {

// Any box means the run went wrong: it is counted and answered Cancel.
class BenchDialogs : public brevalin::Dialogs {
  public:
    int Message(const std::string& text, int) override {
        std::fprintf(stderr, "box: %s\n", text.c_str());
        ++boxes;
        return brevalin::box::kAnswerCancel;
    }
    std::string SaveFileName() override { return {}; }
    void ShowAbout(const std::string&) override {}
    void Exit(int status) override {
        exitStatus = status;
        QApplication::exit(status);
    }
    int boxes = 0;
    int exitStatus = -1;
};

// A link on which each report line costs what it does over USB full speed on the
// input-report path (two exchanges of 9 frames); other calls stay instant.
constexpr int kSlowLineMs = 18;
bool slowLink = false;

std::chrono::nanoseconds inSlowCalls{0};  // what the sleeps really took

uint32_t SlowGetItemName(char* text, uint32_t handle) {
    if (slowLink) {
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::milliseconds(kSlowLineMs));
        inSlowCalls += std::chrono::steady_clock::now() - start;
    }
    return brevalin::test::Real<uint32_t (*)(char*, uint32_t)>(brevalin::kGetItemName)(text,
                                                                                       handle);
}

// Runs the event loop until retrieval is over (or the program ended).
void RunUntilIdle(brevalin::Controller& controller, int reportLines) {
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (controller.ended() ||
            (controller.connectionState() == brevalin::kConnected &&
             controller.timerMode() == brevalin::kIdleMode && reportLines >= 0)) {
            QApplication::exit(0);
        }
    });
    watch.start();
    QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
    const bench::Mode mode = bench::TakeMode(argc, argv);
    QApplication application(argc, argv);
    // Line handles carry a 12-bit index: the longest report brevalin can fetch
    // line by line has 4096 lines.
    const int kLines = mode.isShort ? 400 : 4000;
    const double coldLimitMs = 1000.0 * mode.slack;
    const double ratioLimit = 1.1 * mode.slack;
    test_support::LentInstrument().Reset();
    auto& store = test_support::LentInstrument().firmware().Store();
    store.Clear();
    instrument::RunItem small;
    small.name = "first";
    small.reportLines = 60;
    instrument::RunItem large;
    large.name = "large";
    large.reportLines = kLines;
    store.AddRun(large);  // index 0: listed last
    store.AddRun(small);  // index 1: listed first and fetched at start

    brevalin::MainWindow window;
    brevalin::test::PatchedLibrary library(
        VIRTUAL_FOLDER, {brevalin::test::StandIn(brevalin::kGetItemName, &SlowGetItemName)});
    BenchDialogs dialogs;
    brevalin::Controller controller(window, library, dialogs);
    brevalin::Wire(window, controller);

    QElapsedTimer clock;
    clock.start();
    controller.FormCreate();
    RunUntilIdle(controller, 0);
    const double coldMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    if (controller.ended() || window.listBox2->count() != 60) {
        std::printf("cold start: the first report was not listed (%d lines, %d boxes)\n",
                    window.listBox2->count(), dialogs.boxes);
        return 1;
    }
    std::printf("cold start to first report listed: %.1f ms (limit %.0f ms)\n", coldMs,
                coldLimitMs);

    window.listBox1->setCurrentRow(1);
    clock.restart();
    controller.ListBox1Click();
    RunUntilIdle(controller, kLines);
    const double fetchMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    // The generation step, one step per line and the final step, at most
    // kStepsPerTick to a tick; the first tick comes one interval after the click
    // and each later one an interval after the previous tick has ended.
    const int kSteps = 1 + kLines + 1;
    constexpr int kStepsPerTick = 50;
    constexpr int kTickMs = 20;
    const int kTicks = (kSteps + kStepsPerTick - 1) / kStepsPerTick;
    const double floorMs = static_cast<double>(kTicks) * kTickMs;
    if (window.listBox2->count() != kLines) {
        std::printf("%d-line report: %d lines listed\n", kLines, window.listBox2->count());
        return 1;
    }
    for (int i = 0; i < kLines; ++i) {
        char expected[instrument::kMaxReportLine + 1] = {};
        test_support::LentInstrument().firmware().CurrentReport().Line(static_cast<std::size_t>(i),
                                                                       expected);
        for (char& c : expected)
            if (static_cast<unsigned char>(c) == instrument::kDegreeByte) c = '\xB0';
        if (window.listBox2->item(i)->text() != QString::fromLatin1(expected)) {
            std::printf("%d-line report: line %d differs\n", kLines, i);
            return 1;
        }
    }
    const double ratio = fetchMs / floorMs;
    const bool within = coldMs <= coldLimitMs && ratio <= ratioLimit;
    std::printf(
        "brevalin: %d-line report retrieved in %.1f ms, %.3fx the timer floor (%.0f ms: "
        "%d ticks of %d ms at %d steps a tick; limit %.1fx)%s\n",
        kLines, fetchMs, ratio, floorMs, kTicks, kTickMs, kStepsPerTick, ratioLimit,
        within ? "" : " OVER THE LIMIT");

    // The same program over the slow link: a timer of 0 ms fires on every pass of
    // the message loop, so the longest gap between its firings is the longest the
    // window went without repainting or taking a click.
    const int kSlowLines = mode.isShort ? 60 : 300;
    store.Clear();
    instrument::RunItem slow;
    slow.name = "slow";
    slow.reportLines = kSlowLines;
    store.AddRun(slow);
    controller.RefreshBClick();  // lists the one run and starts its retrieval
    slowLink = true;
    QElapsedTimer sinceLastPass;
    double longestGapMs = 0;
    QTimer pulse;
    pulse.setInterval(0);
    QObject::connect(&pulse, &QTimer::timeout, [&] {
        longestGapMs =
            std::max(longestGapMs, static_cast<double>(sinceLastPass.nsecsElapsed()) / 1e6);
        sinceLastPass.restart();
    });
    clock.restart();
    sinceLastPass.start();
    pulse.start();
    RunUntilIdle(controller, kSlowLines);
    const double slowMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    pulse.stop();
    slowLink = false;
    if (window.listBox2->count() != kSlowLines) {
        std::printf("slow link: %d of %d lines listed\n", window.listBox2->count(), kSlowLines);
        return 1;
    }
    const double kSlowFloorMs = static_cast<double>(kSlowLines) * kSlowLineMs;
    const double slowRatio = slowMs / kSlowFloorMs;
    const double gapLimitMs = 150.0 * mode.slack;
    const bool slowWithin = slowRatio <= ratioLimit && longestGapMs <= gapLimitMs;
    std::printf(
        "brevalin over a slow link: %d-line report retrieved in %.1f ms, %.3fx the link's floor "
        "(%.0f ms: %d lines of %d ms; limit %.1fx; the calls really took %.1f ms); longest time "
        "between two passes of the message loop %.1f ms (limit %.0f ms)%s\n",
        kSlowLines, slowMs, slowRatio, kSlowFloorMs, kSlowLines, kSlowLineMs, ratioLimit,
        static_cast<double>(inSlowCalls.count()) / 1e6, longestGapMs, gapLimitMs,
        slowWithin ? "" : " OVER THE LIMIT");
    return within && slowWithin ? 0 : 1;
}
