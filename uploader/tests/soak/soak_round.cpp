#include "soak_round.h"

#include <QFile>
#include <QListWidget>
#include <QRadioButton>
#include <vector>

#include "cli_session.h"
#include "controller.h"
#include "expected_report.h"
#include "reconnect_answer.h"
#include "main_window.h"
#include "report_files.h"
#include "soak_library.h"
#include "soak_user.h"
#include "window_wiring.h"

namespace brevalin::soak {
namespace {

constexpr int kRuns = 3;
// Far beyond what any report needs even at a high fault rate: more means a hang.
constexpr int kMaxTicksPerRetrieval = 50000;
constexpr int kMaxConnectTicks = 2000;
// A user clicks Refresh until the run list is right, but not for ever.
constexpr int kMaxRefreshes = 500;
constexpr int kMaxSaveAttempts = 500;
// A nightly job that finds no instrument runs again the next night; the soak
// runs it again at once, but not for ever.
constexpr int kMaxCliStarts = 50;

QString Describe(const QByteArray& line) {
    return QString::fromLatin1(line.left(60).toPercentEncoding(" :.,/()-=%+*#<>[]"));
}

class Round {
  public:
    Round(const RoundSetup& setup, Figures& figures)
        : setup_(setup), figures_(figures), controller_(ControlsOf(window_), library_, user_) {}

    QStringList Run() {
        PrepareInstrument();
        const FailedCalls failedBefore = SoakLibrary::Failed();
        const std::uint64_t promptsBefore = ReconnectPrompts();
        if (Connect()) {
            FinishRetrieval("first report after connecting");
            for (int refreshes = 0; failures_.isEmpty() && !RunListRight(); ++refreshes) {
                if (refreshes == kMaxRefreshes) {
                    Fail(QStringLiteral("run list still wrong after %1 refreshes").arg(refreshes));
                    break;
                }
                ++figures_.refreshes;
                controller_.RefreshBClick();
                FinishRetrieval("report after Refresh");
            }
            for (int row = 0; row < kRuns && failures_.isEmpty(); ++row) {
                for (bool validation : {true, false}) {
                    if (!failures_.isEmpty()) break;
                    FetchAndSave(row, validation);
                }
            }
        }
        if (failures_.isEmpty()) FetchWithCli();
        CollectFigures(failedBefore, promptsBefore);
        return failures_;
    }

  private:
    void Fail(const QString& what) {
        failures_.append(QStringLiteral("%1 %2% plan %3: %4")
                             .arg(LinkName(setup_.link))
                             .arg(setup_.ratePercent)
                             .arg(setup_.planNumber)
                             .arg(what));
    }

    void PrepareInstrument() {
        instrument::VirtualInstrument& lent = LentInstrument();
        lent.Reset();
        instrument::ItemStore& store = lent.firmware().Store();
        store.Clear();
        for (int n = 0; n < kRuns; ++n) {
            instrument::RunItem run;
            run.name = "soak run " + std::to_string(n);
            run.user = "soak";
            run.program = static_cast<std::uint8_t>(n);
            run.outcome = instrument::RunOutcome::kLongHold;
            run.logLines = static_cast<std::uint16_t>(setup_.baseLines * (2 + n) / 2);
            const std::uint16_t handle = store.AddRun(run);
            runs_.push_back(*store.Run(handle));
        }
        serialRequestsBefore_ = lent.serial().RequestCount();  // counted over the process's life
        const bool serial = setup_.link == Link::kSerial;
        SoakLibrary::UseSerialLine(serial);
        if (serial) {
            lent.hid().Unplug();
            instrument::FaultPlan& faults = lent.serial().Faults();
            faults.randomPercent = setup_.ratePercent;
            faults.planNumber = setup_.planNumber;
        } else {
            // Release numbers 0 and 1 answer by feature report, 2 and above by input report.
            lent.hid().Instrument().releaseNumber = setup_.link == Link::kUsbFeature ? 1 : 0x0100;
            lent.hid().randomFaults.randomPercent = setup_.ratePercent;
            lent.hid().randomFaults.planNumber = setup_.planNumber;
        }
    }

    bool Connect() {
        controller_.FormCreate();
        for (int tick = 0; tick < kMaxConnectTicks; ++tick) {
            controller_.Timer1Timer();
            if (controller_.ended()) break;
            if (controller_.connectionState() == kConnected) return true;
        }
        Fail(QStringLiteral("never connected (exit status %1)").arg(user_.exitStatus));
        return false;
    }

    // The instrument's runs, newest first, as Refresh lists them.
    bool RunListRight() const {
        if (window_.listBox1->count() != kRuns) return false;
        for (int row = 0; row < kRuns; ++row) {
            const std::string& name = runs_[static_cast<std::size_t>(kRuns - 1 - row)].name;
            if (window_.listBox1->item(row)->text() != QString::fromStdString(name)) return false;
        }
        return true;
    }

    void FetchAndSave(int row, bool validation) {
        window_.listBox1->setCurrentRow(row);
        (validation ? window_.validationItem : window_.runItem)->setChecked(true);
        controller_.RadioGroup1Click();
        if (controller_.timerMode() != kRetrieving) {
            Fail(QStringLiteral("a click on run row %1 started nothing").arg(row));
            return;
        }
        const QList<QByteArray> expected = FinishRetrieval("report of a chosen run");
        if (failures_.isEmpty()) Save(expected);
    }

    // Ticks until the retrieval under way ends and checks the report list.
    QList<QByteArray> FinishRetrieval(const char* what) {
        if (controller_.timerMode() != kRetrieving) return {};
        int tick = 0;
        while (controller_.timerMode() != kIdleMode) {
            if (++tick > kMaxTicksPerRetrieval) {
                Fail(QStringLiteral("%1: retrieval still running after %2 ticks (line %3 of %4)")
                         .arg(what)
                         .arg(kMaxTicksPerRetrieval)
                         .arg(window_.listBox2->count())
                         .arg(controller_.reportLineCount()));
                return {};
            }
            controller_.Timer1Timer();
        }
        return CheckReportList(what);
    }

    QList<QByteArray> CheckReportList(const char* what) {
        const int row = window_.listBox1->currentRow();
        const int runIndex = window_.listBox1->count() - row - 1;
        if (row < 0 || runIndex < 0 || runIndex >= kRuns) {
            Fail(QStringLiteral("%1: no run selected (row %2)").arg(what).arg(row));
            return {};
        }
        QList<QByteArray> got;
        for (int n = 0; n < window_.listBox2->count(); ++n)
            got.append(window_.listBox2->item(n)->data(Qt::UserRole).toByteArray());
        return CompareReport(what, runIndex, window_.validationItem->isChecked(), got);
    }

    // The lines that arrived against the report the instrument holds.
    QList<QByteArray> CompareReport(const char* what, int runIndex, bool validation,
                                    const QList<QByteArray>& got) {
        const auto type =
            validation ? instrument::ReportType::kValidation : instrument::ReportType::kRun;
        const QList<QByteArray> expected =
            ExpectedReport(runs_[static_cast<std::size_t>(runIndex)], type);
        const int common = std::min<int>(got.size(), static_cast<int>(expected.size()));
        for (int n = 0; n < common; ++n) {
            if (got[n] == expected[n]) continue;
            Fail(QStringLiteral("%1, run %2: line %3 is '%4', should be '%5'")
                     .arg(what)
                     .arg(runIndex)
                     .arg(n)
                     .arg(Describe(got[n]), Describe(expected[n])));
            return {};
        }
        if (got.size() != expected.size()) {
            Fail(QStringLiteral("%1, run %2: %3 lines arrived, the report has %4")
                     .arg(what)
                     .arg(runIndex)
                     .arg(got.size())
                     .arg(expected.size()));
            return {};
        }
        ++figures_.reports;
        figures_.lines += static_cast<std::uint64_t>(expected.size());
        return expected;
    }

    void Save(const QList<QByteArray>& expected) {
        user_.savePath = QStringLiteral("%1/report-%2.txt").arg(setup_.folder).arg(++saved_);
        QFile::remove(user_.savePath);
        for (int attempt = 1;; ++attempt) {
            const std::uint64_t unknownBefore = user_.countUnknownBoxes;
            ++figures_.saves;
            controller_.SaveBClick();
            if (user_.countUnknownBoxes == unknownBefore) break;
            ++figures_.saveRetries;
            if (attempt == kMaxSaveAttempts) {
                Fail(QStringLiteral("the line count for Save to File never arrived"));
                return;
            }
        }
        QFile file(user_.savePath);
        if (!file.open(QIODevice::ReadOnly)) {
            Fail(QStringLiteral("Save to File wrote no file"));
            return;
        }
        if (file.readAll() != ExpectedFile(expected))
            Fail(QStringLiteral("the saved file differs from the report"));
        file.remove();
    }

    // brevalin-cli on the same faulted link: every run in both types, fetched
    // and written as export-all does.
    void FetchWithCli() {
        SoakLibrary library;
        cli::CliSession session(library, std::string());
        std::string error;
        if (!session.Bind("QUILLSAN.DLL", error)) {
            Fail(QStringLiteral("brevalin-cli could not bind: %1").arg(error.c_str()));
            return;
        }
        std::vector<std::string> names;
        bool started = false;
        for (int start = 0; start < kMaxCliStarts && !started; ++start) {
            started = session.Connect(cli::LinkChoice{}) && session.RunNames(names);
        }
        if (!started) {
            Fail(QStringLiteral("brevalin-cli never connected and listed the runs"));
            return;
        }
        for (int row = 0; row < kRuns; ++row) {
            const int runIndex = kRuns - 1 - row;
            if (row >= static_cast<int>(names.size()) ||
                names[static_cast<std::size_t>(row)] != runs_[static_cast<std::size_t>(runIndex)].name) {
                Fail(QStringLiteral("brevalin-cli's run list is wrong at row %1").arg(row));
                return;
            }
            for (const bool validation : {true, false}) {
                std::vector<std::string> lines;
                if (session.Fetch(static_cast<std::uint16_t>(runIndex), validation, lines) !=
                    cli::FetchOutcome::kComplete) {
                    Fail(QStringLiteral("brevalin-cli lost the link on run %1").arg(runIndex));
                    return;
                }
                QList<QByteArray> got;
                for (const std::string& line : lines) got.append(QByteArray::fromStdString(line));
                const QList<QByteArray> expected =
                    CompareReport("brevalin-cli fetch", runIndex, validation, got);
                if (!failures_.isEmpty()) return;
                const QString path = QStringLiteral("%1/cli-%2.txt").arg(setup_.folder).arg(++saved_);
                QFile file(path);
                if (!cli::WriteReportFile(path.toStdString(), lines, false, error) ||
                    !file.open(QIODevice::ReadOnly) || file.readAll() != ExpectedFile(expected)) {
                    Fail(QStringLiteral("brevalin-cli's file differs from the report"));
                }
                file.remove();
            }
        }
    }

    void CollectFigures(const FailedCalls& before, std::uint64_t promptsBefore) {
        instrument::VirtualInstrument& lent = LentInstrument();
        if (setup_.link == Link::kSerial) {
            figures_.exchanges += lent.serial().RequestCount() - serialRequestsBefore_;
            for (std::size_t k = 0; k < std::size(figures_.serialFaults.byKind); ++k)
                figures_.serialFaults.byKind[k] += lent.serial().Faults().counts().byKind[k];
        } else {
            const instrument::HidFaultCounts& counts = lent.hid().randomFaults.counts();
            figures_.exchanges += counts.exchanges;
            figures_.hidFaults.exchanges += counts.exchanges;
            for (std::size_t k = 0; k < std::size(figures_.hidFaults.byKind); ++k)
                figures_.hidFaults.byKind[k] += counts.byKind[k];
        }
        figures_.failed.Add(SoakLibrary::Failed());
        figures_.failed.Add(before, true);
        figures_.connectRetries += user_.connectRetries;
        figures_.reconnects += ReconnectPrompts() - promptsBefore;
        if (setup_.link == Link::kSerial && ReconnectPrompts() != promptsBefore)
            Fail(QStringLiteral("the USB reconnect question came up on the serial line"));
        for (const QString& text : user_.unexpected) Fail("unexpected message box: " + text);
    }

    const RoundSetup& setup_;
    Figures& figures_;
    MainWindow window_;
    SoakLibrary library_;
    SoakUser user_;
    Controller controller_;
    std::vector<instrument::RunItem> runs_;
    QStringList failures_;
    int saved_ = 0;
    std::uint64_t serialRequestsBefore_ = 0;
};

}  // namespace

QStringList RunRound(const RoundSetup& setup, Figures& figures) {
    Round round(setup, figures);
    return round.Run();
}

}  // namespace brevalin::soak
