#include "controller.h"

#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QTextEdit>
#include <QTimer>
#include <cstdio>
#include <string>
#include <vector>

#include "instrument_text.h"

namespace brevalin {
namespace {

constexpr char kInstrumentName[] = "Zantorel";
constexpr int kReportedComPort = 2;
constexpr int kRawBytesRole = Qt::UserRole;

// Marks the line Cancel Operation appends, which is not one of the report's.
constexpr int kAbortLineRole = Qt::UserRole + 1;

int AbortLinesIn(const QListWidget* list) {
    int lines = 0;
    for (int n = 0; n < list->count(); ++n) lines += list->item(n)->data(kAbortLineRole).toBool();
    return lines;
}

QByteArray ListEntryBytes(const QListWidgetItem* item) {
    return item->data(kRawBytesRole).toByteArray();
}

void AppendLine(QListWidget* list, const char* text) {
    const QByteArray bytes(text);
    auto* item = new QListWidgetItem(DecodeWindows1252(bytes));
    item->setData(kRawBytesRole, bytes);
    list->addItem(item);
}

}  // namespace

Controller::Controller(const Controls& controls, LinkLibrary& library, Dialogs& dialogs)
    : c_(controls),
      library_(library),
      dialogs_(dialogs),
      core_(library, *this),
      clock_([] { return std::chrono::steady_clock::now().time_since_epoch(); }) {}

void Controller::SelectRun(int row) {
    const bool outer = ownSelection_;
    ownSelection_ = true;
    c_.runList->setCurrentRow(row);
    ownSelection_ = outer;
}

void Controller::RunListCurrentChanged() {
    if (!ownSelection_) ListBox1Click();
}

void Controller::End(int status) {
    ended_ = true;
    dialogs_.Exit(status);
}

void Controller::FormCreate() {
    c_.panel->setVisible(true);
    BuildTitles();
    c_.window->setWindowTitle(QString::fromLatin1(windowTitle_));
    timerMode_ = kConnecting;
    connectionState_ = kSearching;
    c_.timer->setInterval(kTimerIntervalMs);
    c_.timer->start();
}

void Controller::BuildTitles() {
    std::snprintf(versionText_, sizeof versionText_, "Version %d.%.3d", 1, 0);
    char title[sizeof windowTitle_ + 200];
    char work[200];
    std::snprintf(title, sizeof title, "Zantorel Report Upload Utility %s", versionText_);
    std::snprintf(work, sizeof work, " (using %s)", libraryFileName_);
    const std::string whole = std::string(title) + work;
    // Cut to the caption's 99 characters, as the fixed text would be.
    std::snprintf(windowTitle_, sizeof windowTitle_, "%.*s",
                  static_cast<int>(sizeof windowTitle_ - 1), whole.c_str());
}

void Controller::ShowStatus(const char* text) {
    c_.memo->clear();
    c_.panel->setVisible(true);
    QString shown = QString::fromLatin1(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    c_.memo->setPlainText(shown);
    // A connection step blocks the message loop; the panel alone is painted now
    // so that its text can be read while the library searches.
    c_.panel->repaint();
    statusHistory_.append(QString::fromLatin1(text));
}

void Controller::HideStatus() {
    c_.panel->setVisible(false);
}

bool Controller::CheckLink() {
    return core_.CheckLink();
}

bool Controller::ReadFirmwareVersion(std::uint32_t& version) {
    return core_.ReadFirmwareVersion(version);
}

void Controller::Timer1Timer() {
    c_.timer->stop();
    switch (timerMode_) {
        case kConnecting:
            ConnectStep();
            if (ended_) return;
            if (connectionState_ == kConnected) {
                c_.timer->setInterval(kTimerIntervalMs);
                timerMode_ = kIdleMode;
                RefreshBClick();
            }
            break;
        case kRetrieving:
            RunSlice();
            break;
        default:
            break;
    }
    // A slice cut short by time goes on as soon as the window has had its turn.
    c_.timer->setInterval(timerMode_ == kRetrieving && lastTickEndedOnTime_ ? 0 : kTimerIntervalMs);
    c_.timer->start();
}

void Controller::RunSlice() {
    TakeReconnectRefusal();  // a No answered outside this retrieval is not for it
    const std::chrono::nanoseconds start = clock_();
    bool timeUp = false;
    int steps = 0;
    do {
        RetrievalStep();
        ++steps;
        // A No to the library's reconnect question means the user wants out.
        if (TakeReconnectRefusal()) {
            CancelClick();
            break;
        }
        timeUp = clock_() - start >= kSliceTime;
    } while (core_.state() == kReadLines && steps < kStepsPerTick && !timeUp);
    stepsInLastTick_ = steps;
    lastTickEndedOnTime_ =
        timeUp && steps < kStepsPerTick && core_.state() == kReadLines && timerMode_ == kRetrieving;
    if (core_.state() == kIdleReport) timerMode_ = kIdleMode;
}

void Controller::ConnectStep() {
    HideStatus();
    ShowStatus("Initializing. Please wait ...");
    if (!library_.Bind(libraryFileName_, bindErrorText_, libraryVersionText_)) {
        dialogs_.Message(QString::fromLatin1(bindErrorText_), box::kOk);
        End(1);
        return;
    }
    BuildTitles();

    char work[256];
    if (connectionState_ == kSearching) {
        HideStatus();
        std::snprintf(work, sizeof work, " Checking for %s\r\n connected to COM%i", kInstrumentName,
                      kReportedComPort);
        ShowStatus(work);
        std::uint32_t version = 0;
        if ((library_.InitRemoteComm(0, 0) & 0xFFFF) != 0 && ReadFirmwareVersion(version)) {
            HideStatus();
            std::snprintf(work, sizeof work, " Found %s with program version: %u.%.3u on USB",
                          kInstrumentName, version / 1000, version % 1000);
            ShowStatus(work);
            connectionState_ = kFound;
        } else {
            HideStatus();
            std::snprintf(work, sizeof work, "No %s detected", kInstrumentName);
            if (dialogs_.Message(QString::fromLatin1(work), box::kRetryCancel) ==
                box::kAnswerRetry) {
                connectionState_ = kSearching;
                return;
            }
            End(1);
            return;
        }
    }
    if (connectionState_ == kFound) {
        HideStatus();
        connectionState_ = kConnected;
    }
}

int Controller::SelectedType() const {
    return c_.validation->isChecked() ? 0 : 1;
}

std::uint16_t Controller::SelectedRunIndex() const {
    return static_cast<std::uint16_t>(c_.runList->count() - c_.runList->currentRow() - 1);
}

bool Controller::ValidationSelected() const {
    return SelectedType() == 0;
}

void Controller::ClearReport() {
    c_.reportList->clear();
}

void Controller::AppendReportLine(const char* line) {
    AppendLine(c_.reportList, line);
}

bool Controller::ReconnectRefused() {
    return TakeReconnectRefusal();
}

void Controller::RetrievalStep() {
    core_.RetrievalStep();
}

void Controller::RefreshBClick() {
    if (timerMode_ != kIdleMode) return;
    const std::vector<std::string> names = core_.ReadRunNames();
    // After a No to the reconnect question the names listed so far are kept.
    const bool refused = core_.listDeclined();
    const bool outer = ownSelection_;
    ownSelection_ = true;  // filling the list is no click of the user's
    c_.runList->clear();
    for (const std::string& name : names) AppendLine(c_.runList, name.c_str());
    c_.runList->setFocus();
    const bool listed = c_.runList->count() > 0;
    if (listed) c_.runList->setCurrentRow(0);
    ownSelection_ = outer;
    if (listed && !refused) {
        ListBox1Click();
    } else if (!listed) {
        AppendLine(c_.runList, kPlaceholder);
    }
}

void Controller::ListBox1Click() {
    if (c_.runList->count() == 0) return;
    if (c_.runList->currentRow() < 0) SelectRun(0);
    if (c_.runList->item(0)->text() == QLatin1String(kPlaceholder)) return;
    if (timerMode_ != kIdleMode) {
        // The highlight stays on the run whose report the list is receiving.
        if (timerMode_ == kRetrieving) SelectRun(fetchedRow_);
        return;
    }
    fetchedRow_ = c_.runList->currentRow();
    core_.StartRetrieval();
    timerMode_ = kRetrieving;
    c_.timer->setInterval(kTimerIntervalMs);
}

void Controller::RadioGroup1Click() {
    c_.typeLabel->setText(SelectedType() != 0 ? QStringLiteral("Run Report")
                                              : QStringLiteral("Validation Report"));
    ListBox1Click();
}

bool Controller::ReportListHasLines() const {
    return c_.reportList->count() > AbortLinesIn(c_.reportList);
}

void Controller::SaveBClick() {
    if (c_.runList->count() == 0 || c_.runList->item(0)->text() == QLatin1String(kPlaceholder)) {
        return;
    }
    const QString path = dialogs_.SaveFileName();
    if (path.isEmpty()) return;

    TakeReconnectRefusal();
    library_.ClearRemoteError();
    const std::uint16_t libraryCount = library_.GetItemCount(kReportLines, 0);
    // A user who declined to reconnect gets what the report list holds.
    const bool refused = TakeReconnectRefusal();
    const std::uint16_t count =
        refused ? static_cast<std::uint16_t>(c_.reportList->count()) : libraryCount;
    // Emptying the file because the count could not be read would lose the
    // user's earlier copy for nothing.
    if (!refused && (library_.GetRemoteError() != 0 || (count == 0 && ReportListHasLines()))) {
        dialogs_.Message(QStringLiteral("The instrument did not say how many lines the report has."
                                        "\nNothing was saved; the file was not changed."),
                         box::kOk | box::kExclamation);
        return;
    }

    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        if (dialogs_.Message(QStringLiteral("File exists! Replace it?"),
                             box::kOkCancel | box::kQuestion) != box::kAnswerOk) {
            return;
        }
        file.close();
    }
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        dialogs_.Message(QStringLiteral("Invalid file path"), box::kOk | box::kExclamation);
        return;
    }
    for (int i = 0; i < count; ++i) {
        if (i >= c_.reportList->count()) {
            file.close();
            dialogs_.Message(QStringLiteral("The report was incomplete: %1 of its %2 lines were "
                                            "saved.")
                                 .arg(i - AbortLinesIn(c_.reportList))
                                 .arg(count),
                             box::kOk | box::kExclamation);
            return;
        }
        const std::string line =
            SavedReportLine(ListEntryBytes(c_.reportList->item(i)).constData());
        const auto length = static_cast<qint64>(line.size());
        if (file.write(line.data(), length) != length || !file.flush()) {
            file.close();
            dialogs_.Message(QStringLiteral("The report could not be written completely: %1 of "
                                            "its %2 lines were saved.")
                                 .arg(i)
                                 .arg(count),
                             box::kOk | box::kExclamation);
            return;
        }
    }
    file.close();
}

void Controller::AboutBClick() {
    dialogs_.ShowAbout(QString::fromLatin1(versionText_));
}

void Controller::CancelClick() {
    switch (timerMode_) {
        case kConnecting:
            End(1);
            return;
        case kIdleMode:
            return;
        default:
            AppendLine(c_.reportList, core_.state() == kReadLines
                                          ? "Incomplete -- Report upload aborted"
                                          : "Report upload aborted");
            c_.reportList->item(c_.reportList->count() - 1)->setData(kAbortLineRole, true);
            timerMode_ = kIdleMode;
            HideStatus();
            return;
    }
}

}  // namespace brevalin
