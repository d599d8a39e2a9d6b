#include "soak_round.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QMap>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>
#include <vector>

#include "controller.h"
#include "expected_report.h"
#include "main_window.h"
#include "reconnect_answer.h"
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
// An export of the sample's 24 reports takes well under a second; a minute means a hang.
constexpr int kCliWaitMs = 60000;

QString Describe(const QByteArray& line) {
    return QString::fromLatin1(line.left(60).toPercentEncoding(" :.,/()-=%+*#<>[]"));
}

class Round {
  public:
    Round(const RoundSetup& setup, Figures& figures)
        : setup_(setup), figures_(figures), controller_(window_, library_, user_) {}

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
        if (failures_.isEmpty()) ExportWithCli();
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

    // The shipped brevalin-cli beside the installed virtual flavour, answering
    // the reconnect question itself: export-all on the faulted link, and on
    // USB once more with the device pulled mid-export and away for two
    // searches; each in one invocation, every file as a fault-free export's.
    void ExportWithCli() {
        const QString link = setup_.link == Link::kSerial ? QStringLiteral("COM3") : "usb";
        const QString release = setup_.link == Link::kUsbFeature ? "1" : "256";
        const QStringList faults = {
            QStringLiteral("QUILLSAN_VIRTUAL_FAULT_RATE=%1").arg(setup_.ratePercent),
            QStringLiteral("QUILLSAN_VIRTUAL_FAULT_PLAN=%1").arg(setup_.planNumber)};
        CompareExport("brevalin-cli export-all", link, release, faults);
        if (setup_.link == Link::kSerial || !failures_.isEmpty()) return;
        CompareExport(
            "brevalin-cli export-all through an unplug", link, release,
            {QStringLiteral("QUILLSAN_VIRTUAL_UNPLUG_AFTER=%1").arg(150 + setup_.planNumber),
             "QUILLSAN_VIRTUAL_UNPLUG_SEARCHES=2"});
    }

    void CompareExport(const char* what, const QString& link, const QString& release,
                       const QStringList& environment) {
        const ExportedFiles expected = CliExport(link, release, {});
        const ExportedFiles got = CliExport(link, release, environment);
        if (expected.files.size() != 24) {
            Fail(QStringLiteral("%1: the fault-free export wrote %2 files: %3")
                     .arg(what)
                     .arg(expected.files.size())
                     .arg(expected.problem));
        } else if (got.files != expected.files) {
            Fail(QStringLiteral("%1: %2 of %3 files as without faults; %4")
                     .arg(what)
                     .arg(Matching(got, expected))
                     .arg(expected.files.size())
                     .arg(got.problem));
        } else {
            figures_.reports += static_cast<std::uint64_t>(got.files.size());
        }
    }

    struct ExportedFiles {
        QMap<QString, QByteArray> files;  // the reports by file name
        QString problem;                  // the program's status and last error line
    };

    static int Matching(const ExportedFiles& got, const ExportedFiles& expected) {
        int same = 0;
        for (auto file = expected.files.begin(); file != expected.files.end(); ++file)
            same += got.files.value(file.key()) == file.value();
        return same;
    }

    ExportedFiles CliExport(const QString& link, const QString& release,
                            const QStringList& environment) {
        QTemporaryDir into;
        QDir(into.path()).mkdir("reports");
        QProcess cli;
        QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
        variables.insert("QUILLSAN_VIRTUAL_USB_RELEASE", release);
        for (const QString& setting : environment)
            variables.insert(setting.section('=', 0, 0), setting.section('=', 1));
        cli.setProcessEnvironment(variables);
        cli.setWorkingDirectory(into.path());              // the library's log goes there
        cli.setStandardInputFile(QProcess::nullDevice());  // nobody to answer
        cli.start(CLI_PATH, {"--quiet", "--link", link, "export-all", into.filePath("reports")});
        ExportedFiles exported;
        if (!cli.waitForFinished(kCliWaitMs)) {
            cli.kill();
            cli.waitForFinished();
            exported.problem = QStringLiteral("still running after %1 s").arg(kCliWaitMs / 1000);
            return exported;
        }
        const QList<QByteArray> errors = cli.readAllStandardError().trimmed().split('\n');
        exported.problem = QStringLiteral("exit status %1: %2")
                               .arg(cli.exitCode())
                               .arg(QString::fromLocal8Bit(errors.last()));
        QDir reports(into.filePath("reports"));
        for (const QString& name : reports.entryList({"*.txt"}, QDir::Files)) {
            QFile file(reports.filePath(name));
            if (file.open(QIODevice::ReadOnly)) exported.files.insert(name, file.readAll());
        }
        return exported;
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
