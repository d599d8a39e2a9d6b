// The fault soak: brevalin fetches long reports over the serial line and both
// USB reply paths while the virtual instrument injects random faults, and
// every report must arrive complete, in order and byte-identical.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cinttypes>
#include <cstdio>

#include "soak.h"

using namespace brevalin::soak;

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    Options options;
    std::string error;
    if (!ParseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "brevalin_soak: %s\n%s", error.c_str(), kUsage);
        return 2;
    }
    QApplication application(argc, argv);
    // The library's diagnostic log goes to the working folder: keep it out of the way.
    QTemporaryDir folder;
    if (!folder.isValid() || !QDir::setCurrent(folder.path())) {
        std::fprintf(stderr, "brevalin_soak: no scratch folder\n");
        return 2;
    }

    QElapsedTimer clock;
    clock.start();
    Figures total;
    QStringList failures;
    for (Link link : options.links) {
        for (int rate : options.ratesPercent) {
            Figures figures;
            QElapsedTimer stretch;
            stretch.start();
            for (int round = 0; round < options.rounds; ++round) {
                const RoundSetup setup{link, rate,
                                       options.planNumber + static_cast<std::uint64_t>(round),
                                       options.baseLines, folder.path()};
                failures += RunRound(setup, figures);
            }
            std::printf("%-11s %3d%%: %" PRIu64 " reports, %" PRIu64 " lines, %" PRIu64
                        " exchanges, %" PRIu64 " faults, %.1f s\n",
                        LinkName(link), rate, figures.reports, figures.lines, figures.exchanges,
                        figures.SerialFaultTotal() + figures.HidFaultTotal(),
                        static_cast<double>(stretch.elapsed()) / 1000.0);
            // The input-report path has no feature requests to fail.
            if (rate > 0) {
                Figures shown = figures;
                shown.hidFaults
                    .byKind[static_cast<std::size_t>(instrument::HidFaultKind::kFailingFeature)] +=
                    link == Link::kUsbInput;
                shown.PrintMissingKinds(stdout, link == Link::kSerial);
            }
            std::fflush(stdout);
            total.Add(figures);
        }
    }
    std::printf("\nsoak: %d round(s) per link and rate, plan number %" PRIu64 ", %.1f s\n",
                options.rounds, options.planNumber, static_cast<double>(clock.elapsed()) / 1000.0);
    total.Print(stdout);
    if (failures.isEmpty()) return 0;
    folder.setAutoRemove(false);
    std::printf("\nFAILED (%lld); the library's log is in %s\n",
                static_cast<long long>(failures.size()), qPrintable(folder.path()));
    for (const QString& failure : failures) std::printf("  %s\n", qPrintable(failure));
    return 1;
}
