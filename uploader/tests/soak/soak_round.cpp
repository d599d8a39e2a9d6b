#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QMap>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>
#include <vector>

#include "controller.h"
#include "dialogs.h"
#include "instrument/report.h"
#include "main_window.h"
#include "soak.h"
#include "soak_library.h"
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

// The report as a fault-free link delivers it, computed from the instrument's
// own model: each line's bytes with the instrument's degree byte 0x80 shown
// as 0xB0, the degree sign of the lab's code page.
QList<QByteArray> ExpectedReport(const instrument::RunItem& run, instrument::ReportType type) {
    instrument::Report report;
    report.Generate(&run, type);
    QList<QByteArray> lines;
    char text[instrument::kMaxReportLine + 1];
    for (std::size_t n = 0; n < report.LineCount(); ++n) {
        const int length = report.Line(n, text);
        QByteArray line(text, length < 0 ? 0 : length);
        line.replace(static_cast<char>(instrument::kDegreeByte), static_cast<char>(0xB0));
        lines.append(line);
    }
    return lines;
}

// The person at the keyboard, as the soak models them: Retry when the
// instrument is not found, Save again when the line count could not be read,
// Replace when asked. Any other box is unexpected and fails the soak.
class SoakUser : public Dialogs {
  public:
    int Message(const std::string& bytes, int flags) override {
        const QString text = QString::fromLatin1(bytes.c_str());
        if (flags == box::kRetryCancel && text.startsWith("No Zantorel detected"))
            return ++connectRetries > kMaxConnectRetries ? box::kAnswerCancel : box::kAnswerRetry;
        if (text.contains("did not say how many lines"))
            ++countUnknownBoxes;
        else if (flags != (box::kOkCancel | box::kQuestion) || !text.startsWith("File exists"))
            unexpected.append(text);
        return box::kAnswerOk;
    }
    std::string SaveFileName() override { return savePath.toStdString(); }
    void ShowAbout(const std::string&) override {}
    void Exit(int status) override { exitStatus = status; }

    QString savePath;
    int exitStatus = -1;
    std::uint64_t connectRetries = 0;
    std::uint64_t countUnknownBoxes = 0;  // Save to File could not read the line count
    QStringList unexpected;

    // A user gives up on an instrument that is never found.
    static constexpr std::uint64_t kMaxConnectRetries = 1000;
};

class Round {
  public:
    Round(const RoundSetup& setup, Figures& figures)
        : setup_(setup), figures_(figures), controller_(window_, library_, user_) {}

    QStringList Run() {
        PrepareInstrument();
        SoakLibrary::Failed() = {};
        SoakLibrary::ReconnectPrompts() = 0;
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
        CollectFigures();
        return failures_;
    }

  private:
    void Fail(const QString& what) {
        failures_.append(QString::asprintf(
            "%s %d%% plan %llu: %s", LinkName(setup_.link), setup_.ratePercent,
            static_cast<unsigned long long>(setup_.planNumber), qPrintable(what)));
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
                Fail(QString::asprintf("%s: retrieval still running after %d ticks (line %d of %d)",
                                       what, kMaxTicksPerRetrieval, window_.listBox2->count(),
                                       int(controller_.reportLineCount())));
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
        // The lines that arrived against the report the instrument holds.
        const auto type = window_.validationItem->isChecked() ? instrument::ReportType::kValidation
                                                              : instrument::ReportType::kRun;
        const QList<QByteArray> expected =
            ExpectedReport(runs_[static_cast<std::size_t>(runIndex)], type);
        const int common = std::min<int>(got.size(), static_cast<int>(expected.size()));
        for (int n = 0; n < common; ++n) {
            if (got[n] == expected[n]) continue;
            Fail(QString::asprintf("%s, run %d: line %d is '%s', should be '%s'", what, runIndex, n,
                                   qPrintable(Describe(got[n])),
                                   qPrintable(Describe(expected[n]))));
            return {};
        }
        if (got.size() != expected.size()) {
            Fail(QString::asprintf("%s, run %d: %d lines arrived, the report has %d", what,
                                   runIndex, int(got.size()), int(expected.size())));
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
        // Every line ended by a carriage return and a line feed.
        QByteArray expectedFile;
        for (const QByteArray& line : expected) expectedFile += line + "\r\n";
        if (file.readAll() != expectedFile)
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
            Fail(QString::asprintf("%s: the fault-free export wrote %d files: %s", what,
                                   int(expected.files.size()), qPrintable(expected.problem)));
        } else if (got.files != expected.files) {
            Fail(QString::asprintf("%s: %d of %d files as without faults; %s", what,
                                   Matching(got, expected), int(expected.files.size()),
                                   qPrintable(got.problem)));
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

    void CollectFigures() {
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
        figures_.connectRetries += user_.connectRetries;
        figures_.reconnects += SoakLibrary::ReconnectPrompts();
        if (setup_.link == Link::kSerial && SoakLibrary::ReconnectPrompts() != 0)
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
