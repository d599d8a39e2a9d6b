// brevalin-cli as a user runs it: the program built beside the virtual
// QUILLSAN.DLL, started as a process, answering on its streams and exit status.
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "cli_commands.h"
#include "fixture.h"
#include "sha256.h"

namespace brevalin::test {
namespace {

struct Outcome {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// "@ENV:NAME=VALUE" arguments shape the virtual instrument instead of reaching the program.
Outcome RunCli(QStringList arguments, const QString& folder, bool outputFull = false) {
    QProcess cli;
    cli.setWorkingDirectory(folder);                   // the library's log goes there
    cli.setStandardInputFile(QProcess::nullDevice());  // nobody to answer
    if (outputFull) cli.setStandardOutputFile("/dev/full");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& setting : arguments.filter(QRegularExpression("^@ENV:"))) {
        environment.insert(setting.section('=', 0, 0).mid(5), setting.section('=', 1));
        arguments.removeOne(setting);
    }
    cli.setProcessEnvironment(environment);
    cli.start(CLI_PATH, arguments);
    Outcome outcome;
    if (!cli.waitForFinished(60000) || cli.exitStatus() != QProcess::NormalExit) return outcome;
    outcome.status = cli.exitCode();
    outcome.out = cli.readAllStandardOutput();
    outcome.err = cli.readAllStandardError();
    return outcome;
}

constexpr char kEarlier[] = "earlier copy\r\n";
using Bytes = QList<QByteArray>;

// A pseudo-terminal's far end, opened and locked as a program using the port would.
struct HeldTerminal {
    HeldTerminal() : master(posix_openpt(O_RDWR | O_NOCTTY)) {
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return;
        path = QString::fromLocal8Bit(ptsname(master));
        held = open(ptsname(master), O_RDWR | O_NOCTTY);
        if (held >= 0) flock(held, LOCK_EX | LOCK_NB);
    }
    ~HeldTerminal() {
        if (held >= 0) close(held);
        if (master >= 0) close(master);
    }
    HeldTerminal(const HeldTerminal&) = delete;
    HeldTerminal& operator=(const HeldTerminal&) = delete;
    int master;
    int held = -1;
    QString path = "no-pseudo-terminal";
};

QByteArray ReadBack(std::FILE* file) {
    std::rewind(file);
    QByteArray bytes;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        bytes.append(buffer, static_cast<qsizetype>(got));
    std::fclose(file);
    return bytes;
}

}  // namespace

class CliTest : public QObject {
    Q_OBJECT

  private slots:
    // @DIR is a scratch folder, @WRONG the libraries that lack exports, @HW the
    // hardware flavour (no instrument on the test machine), @PTY a pseudo-terminal
    // this test holds locked as another program would. `existing` names a
    // file holding an earlier copy before the run; it must survive a failure.
    // "NAME\nTEXT" is a file of that text instead (@DIR replaced), "NAME -> TARGET"
    // a symbolic link.
    void command_line_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("existing");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("out");  // expected within standard output
        QTest::addColumn<QByteArray>("err");  // expected within standard error

        // clang-format off
        const QByteArray cliFolder = QFileInfo(CLI_PATH).canonicalPath().toUtf8();
        QTest::newRow("help") << QStringList{"--help"} << "" << 0 << QByteArray("6  a file could not be written") << QByteArray();
        QTest::newRow("no command") << QStringList{} << "" << 2 << QByteArray() << QByteArray("brevalin-cli: no command given");
        QTest::newRow("unknown command") << QStringList{"upload"} << "" << 2 << QByteArray() << QByteArray("unknown command 'upload'");
        QTest::newRow("COM0") << QStringList{"--link", "COM0", "info"} << "" << 2 << QByteArray() << QByteArray("unknown link 'COM0'");
        QTest::newRow("both for fetch") << QStringList{"fetch", "--type", "both"} << "" << 2 << QByteArray() << QByteArray("unknown report type 'both'");
        QTest::newRow("json for fetch") << QStringList{"fetch", "--json"} << "" << 2 << QByteArray() << QByteArray("--json is for info, list and export-all");
        QTest::newRow("export-all without folder") << QStringList{"export-all"} << "" << 2 << QByteArray() << QByteArray("export-all takes one folder");
        QTest::newRow("library absent") << QStringList{"--library", "@DIR/QUILLSAN.DLL", "info"} << "" << 1 << QByteArray() << QByteArray("brevalin-cli: Can't find or load DLL '");
        QTest::newRow("library lacks an export") << QStringList{"--library", "@WRONG/no_count/QUILLSAN.DLL", "list"} << "" << 1 << QByteArray() << QByteArray("brevalin-cli: Can't find:'GetItemCount()' in '");
        QTest::newRow("no instrument") << QStringList{"--library", "@HW/QUILLSAN.DLL", "info"} << "" << 3 << QByteArray() << QByteArray("brevalin-cli: No Zantorel detected on USB\n");
        QTest::newRow("serial port missing") << QStringList{"--library", "@HW/QUILLSAN.DLL", "--link", "COM250", "info"} << "" << 3 << QByteArray() << QByteArray("brevalin-cli: COM250: /dev/ttyACM50: No such file or directory\n");
        QTest::newRow("serial port held by another program") << QStringList{"--library", "@HW/QUILLSAN.DLL", "--link", "@PTY", "info"} << "" << 3 << QByteArray() << QByteArray(": in use by another program\n");
        QTest::newRow("info") << QStringList{"info"} << "" << 0 << "firmware version: 1.009\nserial number: ZT-96-004217\nlibrary version: QUILLSAN.DLL Version 1.009\nlibrary file: " + cliFolder + "/QUILLSAN.DLL\nlibrary flavour: virtual\nhid language: <English>\n" << QByteArray();
        QTest::newRow("info without the library's labels") << QStringList{"info"} << "" << 0 << QByteArray("hid serialNumber: ZT-96-004217\n") << QByteArray();
        QTest::newRow("info over a serial port") << QStringList{"--link", "com4:19200", "info"} << "" << 0 << QByteArray("link: COM4:19200\nfirmware version: 1.009\n") << QByteArray();
        QTest::newRow("info as JSON") << QStringList{"info", "--json"} << "" << 0 << QByteArray("{\"link\": \"usb\", \"firmwareVersion\": \"1.009\", \"serialNumber\": \"ZT-96-004217\"") << QByteArray();
        QTest::newRow("info as JSON, values without labels") << QStringList{"info", "--json"} << "" << 0 << "\"libraryVersion\": \"1.009\", \"libraryFile\": \"" + cliFolder + "/QUILLSAN.DLL\", " + QByteArray("\"libraryFlavour\": \"virtual\", \"hid\": {\"language\": \"<English>\", \"manufacturer\": \"Zantorel\", \"product\": \"Thermal Cycler TC-96\", \"serialNumber\": \"ZT-96-004217\"") << QByteArray();
        QTest::newRow("list, newest first") << QStringList{"list"} << "" << 0 << QByteArray("   11  RUN 0012  2026-11-30 14:05  SYBR qPCR\n   10  RUN 0011  ") << QByteArray();
        QTest::newRow("list as JSON") << QStringList{"list", "--json"} << "" << 0 << QByteArray("{\"runs\": [{\"index\": 11, \"name\": \"RUN 0012  2026-11-30 14:05  SYBR qPCR\"}, {\"index\": 10, ") << QByteArray();
        QTest::newRow("fetch the newest to stdout") << QStringList{"fetch", "--type", "run"} << "" << 0 << QByteArray("Run         RUN 0012  2026-11-30 14:05  SYBR qPCR\n") << QByteArray();
        QTest::newRow("fetch by name, degree in UTF-8") << QStringList{"fetch", "RUN 0001  2026-09-14 09:12  Standard PCR"} << "" << 0 << QByteArray("VALIDATION REPORT\nInstrument  ZT-96-004217    Firmware 1.009\nRun         RUN 0001  2026-09-14 09:12  Standard PCR\nUser        LAB TECH\nProtocol    STANDARD PCR 35X\nLid         105.0\xC2\xB0" "C") << QByteArray();
        QTest::newRow("fetch by the name's leading words") << QStringList{"fetch", "RUN 0001"} << "" << 0 << QByteArray("Run         RUN 0001  2026-09-14 09:12  Standard PCR\n") << QByteArray();
        QTest::newRow("leading words of several runs") << QStringList{"fetch", "RUN"} << "" << 5 << QByteArray() << QByteArray("no run 'RUN'");
        QTest::newRow("index past the last run") << QStringList{"fetch", "12"} << "" << 5 << QByteArray() << QByteArray("brevalin-cli: no run '12'");
        QTest::newRow("unknown name") << QStringList{"fetch", "RUN 0099"} << "" << 5 << QByteArray() << QByteArray("no run 'RUN 0099'");
        QTest::newRow("existing file kept") << QStringList{"fetch", "3", "-o", "@DIR/r.txt"} << "r.txt" << 6 << QByteArray() << QByteArray("r.txt: exists (--force replaces it)\n");
        QTest::newRow("existing file forced") << QStringList{"fetch", "3", "-o", "@DIR/r.txt", "--force"} << "r.txt" << 0 << QByteArray() << QByteArray();
        QTest::newRow("folder missing") << QStringList{"fetch", "-o", "@DIR/none/r.txt"} << "" << 6 << QByteArray() << QByteArray("none/r.txt: No such file or directory\n");
        QTest::newRow("standard output full") << QStringList{"@FULL", "list"} << "" << 6 << QByteArray() << QByteArray("brevalin-cli: standard output: No space left on device\n");
        QTest::newRow("fetch -o - is standard output") << QStringList{"fetch", "3", "-o", "-"} << "" << 0 << QByteArray("VALIDATION REPORT\n") << QByteArray();
        QTest::newRow("fetch -o a pipe writes into it") << QStringList{"fetch", "3", "-o", "/proc/self/fd/1", "--force"} << "" << 0 << QByteArray("VALIDATION REPORT\r\n") << QByteArray();
        QTest::newRow("fetch -o a link replaces its target") << QStringList{"fetch", "3", "-o", "@DIR/link.txt", "--force"} << "link.txt->r.txt" << 0 << QByteArray() << QByteArray();
        QTest::newRow("export into a missing folder") << QStringList{"export-all", "@DIR/none/deeper"} << "" << 0 << QByteArray("24 written, 0 skipped, 0 failed\n") << QByteArray();
        QTest::newRow("export into a file") << QStringList{"export-all", "@DIR/r.txt"} << "r.txt" << 6 << QByteArray() << QByteArray("r.txt: not a folder\n");
        QTest::newRow("export keeps a file it did not write") << QStringList{"export-all", "@DIR"} << "RUN 0005  2026-10-16 15_02  Long range PCR.run.txt" << 0 << QByteArray("24 written, 0 skipped, 0 failed\n") << QByteArray();
        QTest::newRow("version") << QStringList{"--version"} << "" << 0 << QByteArray("/virtual/QUILLSAN.DLL\nlibrary version: QUILLSAN.DLL Version 1.009\nlibrary flavour: virtual\n") << QByteArray();
        QTest::newRow("version without an instrument") << QStringList{"--library", "@HW/QUILLSAN.DLL", "--version"} << "" << 0 << QByteArray("/hardware/QUILLSAN.DLL\nlibrary version: QUILLSAN.DLL Version 1.009\nlibrary flavour: hardware\n") << QByteArray();
        QTest::newRow("version, library absent") << QStringList{"--library", "@DIR/QUILLSAN.DLL", "--version"} << "" << 1 << QByteArray("brevalin-cli 1.9\n") << QByteArray("brevalin-cli: Can't find or load DLL '");
        QTest::newRow("help fetch") << QStringList{"help", "fetch"} << "" << 0 << QByteArray("Usage: brevalin-cli [OPTIONS] fetch [RUN]\n") << QByteArray();
        QTest::newRow("fetch --help") << QStringList{"fetch", "--help"} << "" << 0 << QByteArray("Usage: brevalin-cli [OPTIONS] fetch [RUN]\n") << QByteArray();
        QTest::newRow("help on an unknown command") << QStringList{"help", "upload"} << "" << 2 << QByteArray() << QByteArray("unknown command 'upload' (info, list, fetch, export-all or help)");
        QTest::newRow("unknown option") << QStringList{"info", "--frob"} << "" << 2 << QByteArray() << QByteArray("unknown option '--frob' (--library, --link, --type, -o/--output, --force,");
        QTest::newRow("a flag given a value") << QStringList{"info", "--json=yes"} << "" << 2 << QByteArray() << QByteArray("--json takes no value");
        QTest::newRow("-- ends the options") << QStringList{"fetch", "--", "-3"} << "" << 5 << QByteArray() << QByteArray("no run '-3'");
        QTest::newRow("empty run") << QStringList{"fetch", ""} << "" << 2 << QByteArray() << QByteArray("fetch: an empty RUN names no run");
        QTest::newRow("--link=COM301") << QStringList{"--link=COM301", "info"} << "" << 0 << QByteArray("link: COM301:9600\n") << QByteArray();
        QTest::newRow("highest port index") << QStringList{"--link", "COM4294967295", "info"} << "" << 0 << QByteArray("link: COM4294967295:9600\n") << QByteArray();
        QTest::newRow("past a 32-bit port index") << QStringList{"--link", "COM4294967296", "info"} << "" << 2 << QByteArray() << QByteArray("unknown link 'COM4294967296' (usb, COM1 to COM4294967295,");
        QTest::newRow("USB serial device") << QStringList{"--link", "/dev/ttyUSB0:115200", "info"} << "" << 0 << QByteArray("link: COM100:115200\n") << QByteArray();
        QTest::newRow("device through a link") << QStringList{"--link", "@DIR/serial/ttyACM2", "info"} << "serial -> /dev" << 0 << QByteArray("link: COM202:9600\n") << QByteArray();
        QTest::newRow("device no COM port opens") << QStringList{"--link", "/dev/null", "info"} << "" << 2 << QByteArray() << QByteArray("'/dev/null' is no serial port the library opens");
        QTest::newRow("-oFILE") << QStringList{"fetch", "3", "-o@DIR/r.txt"} << "r.txt" << 6 << QByteArray() << QByteArray("r.txt: exists (--force replaces it)\n");
        QTest::newRow("--type=bogus") << QStringList{"export-all", "@DIR", "--type=bogus"} << "" << 2 << QByteArray() << QByteArray("unknown report type 'bogus' (validation, run or both)");
        QTest::newRow("no waiting, no reconnecting") << QStringList{"--reconnect-timeout", "0", "--no-reconnect", "info"} << "" << 0 << QByteArray("firmware version: 1.009\n") << QByteArray();
        QTest::newRow("reconnect timeout not a number") << QStringList{"--reconnect-timeout=-1", "info"} << "" << 2 << QByteArray() << QByteArray("reconnect timeout '-1' is not a whole number of seconds from 0 to 86400");
        QTest::newRow("settings file") << QStringList{"--config", "@DIR/export.conf", "info"} << "export.conf\n# nightly\n\n  link = COM7:19200\r\nreconnect = no\n" << 0 << QByteArray("link: COM7:19200\n") << QByteArray();
        QTest::newRow("options override settings") << QStringList{"--config", "@DIR/export.conf", "--link", "com4", "info"} << "export.conf\nlink = COM7:19200\n" << 0 << QByteArray("link: COM4:9600\n") << QByteArray();
        QTest::newRow("settings' folder and type") << QStringList{"--config", "@DIR/export.conf", "export-all"} << "export.conf\nfolder = @DIR\ntype = run\n" << 0 << QByteArray("12 written, 0 skipped, 0 failed\n") << QByteArray();
        QTest::newRow("settings: unknown key") << QStringList{"--config", "@DIR/export.conf", "info"} << "export.conf\nlink = COM7\ncolour = blue\n" << 2 << QByteArray() << QByteArray("export.conf:2: unknown key 'colour' (library, link, folder, type, reconnect-timeout, reconnect)");
        QTest::newRow("settings: bad value") << QStringList{"--config", "@DIR/export.conf", "info"} << "export.conf\n\nreconnect = maybe\n" << 2 << QByteArray() << QByteArray("export.conf:2: reconnect 'maybe' is neither yes nor no");
        QTest::newRow("USB faults at 20%") << QStringList{"@ENV:QUILLSAN_VIRTUAL_FAULT_RATE=20", "export-all", "@DIR"} << "" << 0 << QByteArray("24 written, 0 skipped, 0 failed\n") << QByteArray();
        QTest::newRow("serial faults at 20%") << QStringList{"@ENV:QUILLSAN_VIRTUAL_FAULT_RATE=20", "--link", "COM3", "export-all", "@DIR"} << "" << 0 << QByteArray("24 written, 0 skipped, 0 failed\n") << QByteArray();
        QTest::newRow("an unplug, away for three searches") << QStringList{"@ENV:QUILLSAN_VIRTUAL_UNPLUG_AFTER=120", "@ENV:QUILLSAN_VIRTUAL_UNPLUG_SEARCHES=3", "export-all", "@DIR"} << "" << 0 << QByteArray("24 written, 0 skipped, 0 failed\n") << QByteArray();
        QTest::newRow("an unplug without reconnecting") << QStringList{"@ENV:QUILLSAN_VIRTUAL_UNPLUG_AFTER=120", "--no-reconnect", "export-all", "@DIR"} << "" << 4 << QByteArray("1 written, 0 skipped, 23 failed\n") << QByteArray("lost and not regained\n");
        QTest::newRow("an unplug outlasting the budget") << QStringList{"@ENV:QUILLSAN_VIRTUAL_UNPLUG_AFTER=120", "@ENV:QUILLSAN_VIRTUAL_UNPLUG_SEARCHES=3", "--reconnect-timeout", "0", "export-all", "@DIR"} << "" << 4 << QByteArray("1 written, 0 skipped, 23 failed\n") << QByteArray("lost and not regained\n");
        QTest::newRow("settings file missing") << QStringList{"--config", "@DIR/none.conf", "info"} << "" << 2 << QByteArray() << QByteArray("none.conf: No such file or directory");
        // clang-format on
    }

    void command_line() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, existing);
        QFETCH(int, status);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        QTemporaryDir folder;
        const HeldTerminal held;
        for (QString& argument : arguments) {
            argument.replace("@PTY", held.path)
                .replace("@DIR", folder.path())
                .replace("@WRONG", WRONG_ROOT)
                .replace("@HW", HARDWARE_FOLDER);
        }
        // "NAME -> TARGET": a symbolic link; "NAME\nTEXT": a file holding TEXT;
        // "[LINK->]NAME": NAME holds an earlier copy (LINK a symbolic link to it).
        QString earlier, link;
        const qsizetype newline = existing.indexOf('\n');
        if (existing.contains(" -> ")) {
            const QStringList parts = existing.split(" -> ");
            QVERIFY(QFile::link(parts[1], folder.filePath(parts[0])));
        } else if (newline >= 0) {
            QFile file(folder.filePath(existing.left(newline)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(existing.mid(newline + 1).replace("@DIR", folder.path()).toUtf8());
        } else if (!existing.isEmpty()) {
            if (existing.contains("->")) link = existing.section("->", 0, 0);
            earlier = folder.filePath(existing.section("->", -1));
            QFile file(earlier);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(kEarlier);
            if (!link.isEmpty()) QVERIFY(QFile::link(earlier, folder.filePath(link)));
        }
        const bool full = arguments.removeAll("@FULL") > 0;

        const Outcome outcome = RunCli(arguments, folder.path(), full);
        QCOMPARE(outcome.status, status);
        QVERIFY2(outcome.out.contains(out), outcome.out.left(400).constData());
        QVERIFY2(outcome.err.contains(err), outcome.err.constData());
        if (!arguments.contains("-o")) QVERIFY(!outcome.out.contains('\r'));
        // One clear line; a lost link also names the report it was fetching.
        if (status != 0) QCOMPARE(outcome.err.count('\n'), status == 4 ? 2 : 1);
        if (!earlier.isEmpty() && !arguments.contains("--force"))
            QCOMPARE(Contents(earlier), QByteArray(kEarlier));
        if (!link.isEmpty()) {
            QVERIFY(QFileInfo(folder.filePath(link)).isSymLink());
            QVERIFY(Contents(earlier).startsWith("ZANTOREL THERMAL CYCLER"));
        }
        QVERIFY(!QFile::exists(folder.filePath("-")));
        // Nothing half-written is left beside the reports.
        const QStringList hidden =
            QDir(folder.path()).entryList(QDir::Hidden | QDir::Files | QDir::NoDotAndDotDot);
        QVERIFY2(hidden.filter(QRegularExpression("^\\.(?!brevalin-lock$|brevalin-manifest$)"))
                     .isEmpty(),
                 qPrintable(hidden.join(',')));
    }

    // export-all in this process, both types, on runs the test shapes: run i
    // of the first night has i + 2 numbered lines, so no two reports agree.
    // Before each later night the oldest `dropped` runs go and `added` come.
    void export_all_on_shaped_runs_data() {
        QTest::addColumn<QList<QByteArray>>("runNames");  // index 0 (oldest) first
        QTest::addColumn<int>("dropped");
        QTest::addColumn<QList<QByteArray>>("added");
        // lock, stale, foreign, forget, aborted, json, linkDies
        QTest::addColumn<QString>("setup");
        QTest::addColumn<int>("status");                   // of the last night
        QTest::addColumn<QList<QByteArray>>("summaries");  // one a night, within its output
        QTest::addColumn<QStringList>("files");  // after the last night, besides the two of ours
        // clang-format off
        const Bytes none;
        QTest::newRow("names made safe, twins numbered") << Bytes{"../up", "a:b", "a_b", "", "C\\D\x80 *?", "run"} << 0 << none << "" << 0 << Bytes{"12 written, 0 skipped, 0 failed\n"} << QStringList{"C_D_ __.run.txt", "C_D_ __.validation.txt", "_up.run.txt", "_up.validation.txt", "a_b.run.txt", "a_b.validation.txt", "a_b~2.run.txt", "a_b~2.validation.txt", "run.run.txt", "run.validation.txt", "unnamed~1.run.txt", "unnamed~1.validation.txt"};
        QTest::newRow("twins beside names that look numbered") << Bytes{"X", "X", "X #1", "X #0"} << 0 << none << "" << 0 << Bytes{"8 written, 0 skipped, 0 failed\n"} << QStringList{"X #0.run.txt", "X #0.validation.txt", "X #1.run.txt", "X #1.validation.txt", "X.run.txt", "X.validation.txt", "X~2.run.txt", "X~2.validation.txt"};
        QTest::newRow("letter case and Windows device names") << Bytes{"abc", "ABC", "CON", "nul.txt", "Com1", "lpt", ""} << 0 << none << "" << 0 << Bytes{"14 written, 0 skipped, 0 failed\n"} << QStringList{"ABC~2.run.txt", "ABC~2.validation.txt", "CON~1.run.txt", "CON~1.validation.txt", "Com1~1.run.txt", "Com1~1.validation.txt", "abc.run.txt", "abc.validation.txt", "lpt.run.txt", "lpt.validation.txt", "nul.txt~1.run.txt", "nul.txt~1.validation.txt", "unnamed~1.run.txt", "unnamed~1.validation.txt"};
        QTest::newRow("a second night skips") << Bytes{"a", "b"} << 0 << none << "" << 0 << Bytes{"4 written, 0 skipped, 0 failed\n", "0 written, 4 skipped, 0 failed\n"} << QStringList{"a.run.txt", "a.validation.txt", "b.run.txt", "b.validation.txt"};
        QTest::newRow("oldest dropped, a new run takes its name") << Bytes{"X", "Y"} << 1 << Bytes{"X"} << "" << 0 << Bytes{"4 written, 0 skipped, 0 failed\n", "2 written, 2 skipped, 0 failed\n", "0 written, 4 skipped, 0 failed\n"} << QStringList{"X.run.txt", "X.validation.txt", "X~2.run.txt", "X~2.validation.txt", "Y.run.txt", "Y.validation.txt"};
        QTest::newRow("twins move up when the oldest goes") << Bytes{"X", "X", "X"} << 1 << Bytes{"X"} << "" << 0 << Bytes{"6 written, 0 skipped, 0 failed\n", "2 written, 4 skipped, 0 failed\n", "0 written, 6 skipped, 0 failed\n"} << QStringList{"X.run.txt", "X.validation.txt", "X~2.run.txt", "X~2.validation.txt", "X~3.run.txt", "X~3.validation.txt", "X~4.run.txt", "X~4.validation.txt"};
        QTest::newRow("files there before the manifest are recognised") << Bytes{"a", "a"} << 0 << none << "forget" << 0 << Bytes{"4 written, 0 skipped, 0 failed\n", "0 written, 4 skipped, 0 failed\n"} << QStringList{"a.run.txt", "a.validation.txt", "a~2.run.txt", "a~2.validation.txt"};
        QTest::newRow("a file it did not write is kept") << Bytes{"a"} << 0 << none << "foreign" << 0 << Bytes{"2 written, 0 skipped, 0 failed\n"} << QStringList{"a.run.txt", "a.validation.txt", "a~2.validation.txt"};
        QTest::newRow("an empty report is fetched again") << Bytes{"E", "F"} << 0 << none << "aborted,json" << 0 << Bytes{"\"written\": 4, \"skipped\": 0, \"failed\": 0}\n", "{\"status\": \"skipped\", \"fetched\": true, \"file\": \"E.validation.txt\", \"run\": \"E\", \"index\": 0, \"type\": \"validation\", \"lines\": 0, \"empty\": true, \"sha256\": \"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855\", \"serialNumber\": \"ZT-96-004217\", \"firmwareVersion\": \"1.009\", \"writtenAt\": \"20"} << QStringList{"E.run.txt", "E.validation.txt", "F.run.txt", "F.validation.txt"};
        QTest::newRow("JSON records without labels") << Bytes{"one"} << 0 << none << "json" << 0 << Bytes{"{\"status\": \"written\", \"fetched\": true, \"file\": \"one.validation.txt\", \"run\": \"one\", \"index\": 0, \"type\": \"validation\", \"lines\": 2, \"empty\": false, \"sha256\": \""} << QStringList{"one.run.txt", "one.validation.txt"};
        QTest::newRow("another export holds the folder") << Bytes{"a"} << 0 << none << "lock" << 6 << Bytes{""} << QStringList{};
        QTest::newRow("temporary files of a killed export removed") << Bytes{"a"} << 0 << none << "stale" << 0 << Bytes{"2 written, 0 skipped, 0 failed\n"} << QStringList{"a.run.txt", "a.validation.txt"};
        QTest::newRow("link lost") << Bytes{"one", "two"} << 0 << none << "linkDies" << 4 << Bytes{"0 written, 0 skipped, 4 failed\n"} << QStringList{};
        // clang-format on
    }

    void export_all_on_shaped_runs() {
        QFETCH(QList<QByteArray>, runNames);
        QFETCH(int, dropped);
        QFETCH(QList<QByteArray>, added);
        QFETCH(QString, setup);
        QFETCH(int, status);
        QFETCH(QList<QByteArray>, summaries);
        QFETCH(QStringList, files);
        Session session({});
        instrument::ItemStore& store = LentInstrument().firmware().Store();
        // The instrument numbers its runs from 0 with no gaps: a night's runs
        // are stored anew, each keeping its own report.
        QList<instrument::RunItem> items;
        int made = 0;
        const auto addRun = [&](const QByteArray& name) {
            instrument::RunItem item;
            item.name = name.toStdString();
            item.user = "tester";
            item.reportLines = static_cast<std::uint16_t>(2 + made++);
            if (setup.contains("aborted") && made == 1)
                item.outcome = instrument::RunOutcome::kAborted;
            items.append(item);
            store.AddRun(item);
        };
        for (const QByteArray& name : runNames) addRun(name);
        QTemporaryDir folder;
        QFile lockFile(folder.filePath(".brevalin-lock"));
        if (setup == "lock") {  // as another export holds it
            QVERIFY(lockFile.open(QIODevice::ReadWrite));
            QCOMPARE(flock(lockFile.handle(), LOCK_EX | LOCK_NB), 0);
        }
        if (setup == "stale")
            QVERIFY(QFile(folder.filePath(".brevalin-partial.Ab12Cd")).open(QIODevice::WriteOnly));
        if (setup == "foreign") {
            QFile foreign(folder.filePath("a.validation.txt"));
            QVERIFY(foreign.open(QIODevice::WriteOnly));
            foreign.write(kEarlier);
        }
        cli::CliSession cli(session.library, std::string());
        std::string error;
        QVERIFY(cli.Bind("QUILLSAN.DLL", error));
        QVERIFY(cli.Connect(cli::LinkChoice{}));
        if (setup == "linkDies") {
            cli.SetReconnectBudget(
                {true, std::chrono::milliseconds(0)});  // lost at the first stall
            for (int call = runNames.size() + 1; call < 5000; ++call)
                Faults().failingNameCalls.insert(call);
        }
        cli::Options options;
        options.output = folder.path().toStdString();
        options.types = {true, true};
        options.json = setup.contains("json");
        for (int night = 0; night < summaries.size(); ++night) {
            if (night > 0) {
                if (night == 1) {
                    items.erase(items.begin(), items.begin() + dropped);
                    store.ClearRuns();
                    for (const instrument::RunItem& item : items) store.AddRun(item);
                    for (const QByteArray& name : added) addRun(name);
                }
                if (setup == "forget")
                    QVERIFY(QFile::remove(folder.filePath(".brevalin-manifest")));
            }
            const cli::Streams streams{std::tmpfile(), std::tmpfile()};
            const int got = cli::ExportAll(cli, options, streams);
            const QByteArray out = ReadBack(streams.out);
            const QByteArray err = ReadBack(streams.err);
            QVERIFY2(out.contains(summaries[night]), (out + err).constData());
            if (night + 1 == summaries.size()) {
                QCOMPARE(got, status);
                if (setup == "linkDies")
                    QVERIFY2(err.endsWith("lost and not regained\n"), err.constData());
                if (setup == "lock")
                    QCOMPARE(err, QByteArray("brevalin-cli: " + folder.path().toUtf8() +
                                             ": another export is writing into this folder\n"));
            }
        }
        QStringList written = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
        written.removeOne(".brevalin-lock");
        written.removeOne(".brevalin-manifest");
        written.sort();  // byte order, as the expected names are written
        QCOMPARE(written, files);
        if (setup == "foreign")
            QCOMPARE(Contents(folder.filePath("a.validation.txt")), QByteArray(kEarlier));
    }

    // A name can neither start a line of its own nor move the cursor.
    void list_escapes_instrument_names() {
        Session session({{"two\nlines", 2}, {"\x1b[2Jclear\x81", 2}});
        cli::CliSession cli(session.library, std::string());
        std::string error;
        QVERIFY(cli.Bind("QUILLSAN.DLL", error));
        QVERIFY(cli.Connect(cli::LinkChoice{}));
        const cli::Streams streams{std::tmpfile(), std::tmpfile()};
        QCOMPARE(cli::List(cli, cli::Options{}, streams), 0);
        QCOMPARE(ReadBack(streams.out),
                 QByteArray("    1  \\x1B[2Jclear\\x81\n    0  two\\x0Alines\n"));
        QCOMPARE(ReadBack(streams.err), QByteArray());
    }

    // The manifest's hash against the standard test vectors; the empty
    // message's is in the JSON record of "an empty report is fetched again".
    void sha256_data() {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QByteArray>("digest");
        // clang-format off
        QTest::newRow("abc") << QByteArray("abc") << QByteArray("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
        QTest::newRow("two blocks") << QByteArray("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq") << QByteArray("248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
        QTest::newRow("a million a") << QByteArray(1000000, 'a') << QByteArray("cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
        // clang-format on
    }

    void sha256() {
        QFETCH(QByteArray, message);
        QFETCH(QByteArray, digest);
        QCOMPARE(QByteArray::fromStdString(cli::Sha256Hex(message.toStdString())), digest);
    }

    // A slow export stopped by a signal still prints its summary, leaves no
    // temporary file and exits with 128 plus the signal's number.
    void interrupted_export_prints_summary_data() {
        QTest::addColumn<int>("signal");  // each row named as the program names its signal
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGHUP") << SIGHUP;
    }

    void interrupted_export_prints_summary() {
        QFETCH(int, signal);
        QTemporaryDir folder;
        QProcess cli;
        cli.setWorkingDirectory(folder.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QUILLSAN_VIRTUAL_SLOW_REPLY_MS", "5");
        cli.setProcessEnvironment(environment);
        cli.start(CLI_PATH, {"export-all", folder.path() + "/out"});
        QTRY_VERIFY_WITH_TIMEOUT(QDir(folder.path() + "/out").entryList({"*.txt"}).size() >= 1,
                                 20000);
        ::kill(static_cast<pid_t>(cli.processId()), signal);
        QVERIFY(cli.waitForFinished(10000));
        QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
        QCOMPARE(cli.exitCode(), 128 + signal);
        const QByteArray out = cli.readAllStandardOutput();
        QVERIFY2(QRegularExpression("^[1-9][0-9]* written, 0 skipped, 0 failed\n$")
                     .match(QString(out))
                     .hasMatch(),
                 out.constData());
        const QByteArray name = QTest::currentDataTag();
        QVERIFY(cli.readAllStandardError().endsWith("interrupted by " + name + "\n"));
        QVERIFY(QDir(folder.path() + "/out")
                    .entryList({".brevalin-partial.*"}, QDir::Hidden | QDir::Files)
                    .isEmpty());
    }

    // Every run in both types, as brevalin's Save to File writes it.
    void export_all_matches_save_to_file() {
        QTemporaryDir exported;
        const Outcome outcome =
            RunCli({"export-all", exported.path(), "--type", "both"}, exported.path());
        QCOMPARE(outcome.status, 0);
        QCOMPARE(outcome.out, QByteArray("24 written, 0 skipped, 0 failed\n"));

        QTemporaryDir saved;
        Session session({});
        LentInstrument().Reset();  // the runs it comes with, as the other process sees them
        QVERIFY(session.Connect());
        QVERIFY(session.TickUntilIdle() > 0);
        QCOMPARE(session.RunNames().size(), 12);
        int compared = 0, withLines = 0, withDegrees = 0;
        for (int row = 0; row < 12; ++row) {
            for (const bool validation : {true, false}) {
                // Set quietly, then one regeneration for the pair.
                session.view.current = row;
                session.view.validation = validation;
                session.controller.RadioGroup1Click();
                QVERIFY(session.TickUntilIdle(2000) > 0);
                session.dialogs.saveAs = saved.filePath(QString("%1-%2").arg(row).arg(validation));
                session.controller.SaveBClick();
                QVERIFY(session.dialogs.boxes.isEmpty());

                const QString name = session.RunNames()[row].replace(':', '_') +
                                     (validation ? ".validation.txt" : ".run.txt");
                const QByteArray bytes = Contents(exported.filePath(name));
                QVERIFY2(bytes == Contents(session.dialogs.saveAs), qPrintable(name));
                QVERIFY(!bytes.contains('\x80') && !bytes.contains("\r\r"));
                ++compared;
                withLines += bytes.endsWith("\r\n");
                withDegrees += bytes.contains('\xB0');
            }
        }
        QCOMPARE(compared, 24);
        QCOMPARE(withLines, 22);  // the aborted run (RUN 0006) has empty reports
        QVERIFY(withDegrees > 20);
    }
};

int RunCliTests(int argc, char** argv) {
    CliTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace brevalin::test

#include "cli_test.moc"
