// brevalin-cli as a user runs it: the program built beside the virtual
// QUILLSAN.DLL, started as a process, answering on its streams and exit status.
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include "cli_commands.h"
#include "fixture.h"

namespace brevalin::test {
namespace {

struct Outcome {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

Outcome RunCli(const QStringList& arguments, const QString& folder) {
    QProcess cli;
    cli.setWorkingDirectory(folder);  // the library's log goes there
    cli.start(CLI_PATH, arguments);
    Outcome outcome;
    if (!cli.waitForFinished(60000) || cli.exitStatus() != QProcess::NormalExit) return outcome;
    outcome.status = cli.exitCode();
    outcome.out = cli.readAllStandardOutput();
    outcome.err = cli.readAllStandardError();
    return outcome;
}

constexpr char kEarlier[] = "earlier copy\r\n";

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
    // hardware flavour (no instrument on the test machine). `existing` names a
    // file holding an earlier copy before the run; it must survive a failure.
    // "NAME\nTEXT" is a file of that text instead (@DIR replaced), "NAME -> TARGET"
    // a symbolic link.
    void command_line_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("existing");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("out");  // expected within standard output
        QTest::addColumn<QByteArray>("err");  // expected within standard error

        QTest::newRow("help") << QStringList{"--help"} << "" << 0 << QByteArray("6  a file could not be written") << QByteArray();
        QTest::newRow("no command") << QStringList{} << "" << 2 << QByteArray() << QByteArray("brevalin-cli: no command given");
        QTest::newRow("unknown command") << QStringList{"upload"} << "" << 2 << QByteArray() << QByteArray("unknown command 'upload'");
        QTest::newRow("COM0") << QStringList{"--link", "COM0", "info"} << "" << 2 << QByteArray() << QByteArray("unknown link 'COM0'");
        QTest::newRow("both for fetch") << QStringList{"fetch", "--type", "both"} << "" << 2 << QByteArray() << QByteArray("unknown report type 'both'");
        QTest::newRow("json for fetch") << QStringList{"fetch", "--json"} << "" << 2 << QByteArray() << QByteArray("--json is for info and list");
        QTest::newRow("export-all without folder") << QStringList{"export-all"} << "" << 2 << QByteArray() << QByteArray("export-all takes one folder");
        QTest::newRow("library absent") << QStringList{"--library", "@DIR/QUILLSAN.DLL", "info"} << "" << 1 << QByteArray() << QByteArray("brevalin-cli: Can't find or load DLL '");
        QTest::newRow("library lacks an export") << QStringList{"--library", "@WRONG/no_count/QUILLSAN.DLL", "list"} << "" << 1 << QByteArray() << QByteArray("brevalin-cli: Can't find:'GetItemCount()' in '");
        QTest::newRow("no instrument") << QStringList{"--library", "@HW/QUILLSAN.DLL", "info"} << "" << 3 << QByteArray() << QByteArray("brevalin-cli: No Zantorel detected on USB\n");
        QTest::newRow("info") << QStringList{"info"} << "" << 0 << QByteArray("firmware version: 1.009\nserial number: ZT-96-004217\nlibrary version: QUILLSAN.DLL Version 1.009\nhid language: ") << QByteArray();
        QTest::newRow("info over a serial port") << QStringList{"--link", "com4:19200", "info"} << "" << 0 << QByteArray("link: COM4:19200\nfirmware version: 1.009\n") << QByteArray();
        QTest::newRow("info as JSON") << QStringList{"info", "--json"} << "" << 0 << QByteArray("{\"link\": \"usb\", \"firmwareVersion\": \"1.009\", \"serialNumber\": \"ZT-96-004217\"") << QByteArray();
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
        QTest::newRow("folder missing") << QStringList{"fetch", "-o", "@DIR/none/r.txt"} << "" << 6 << QByteArray() << QByteArray("none/r.txt: No such file or directory");
        QTest::newRow("export into nothing") << QStringList{"export-all", "@DIR/none"} << "" << 6 << QByteArray() << QByteArray("none: not a folder\n");
        QTest::newRow("export skips what is there") << QStringList{"export-all", "@DIR"} << "RUN 0005  2026-10-16 15_02  Long range PCR.run.txt" << 0 << QByteArray("23 written, 1 skipped, 0 failed\n") << QByteArray();
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
        QTest::newRow("settings file missing") << QStringList{"--config", "@DIR/none.conf", "info"} << "" << 2 << QByteArray() << QByteArray("none.conf: No such file or directory");
    }

    void command_line() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, existing);
        QFETCH(int, status);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        QTemporaryDir folder;
        for (QString& argument : arguments) {
            argument.replace("@DIR", folder.path())
                .replace("@WRONG", WRONG_ROOT)
                .replace("@HW", HARDWARE_FOLDER);
        }
        QString earlier;
        const qsizetype newline = existing.indexOf('\n');
        if (existing.contains(" -> ")) {
            const QStringList link = existing.split(" -> ");
            QVERIFY(QFile::link(link[1], folder.filePath(link[0])));
        } else if (!existing.isEmpty()) {
            QFile file(folder.filePath(existing.left(newline)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            if (newline < 0) earlier = file.fileName();
            file.write(newline < 0
                           ? QByteArray(kEarlier)
                           : existing.mid(newline + 1).replace("@DIR", folder.path()).toUtf8());
        }

        const Outcome outcome = RunCli(arguments, folder.path());
        QCOMPARE(outcome.status, status);
        QVERIFY2(outcome.out.contains(out), outcome.out.left(400).constData());
        QVERIFY2(outcome.err.contains(err), outcome.err.constData());
        QVERIFY(!outcome.out.contains('\r'));
        if (status != 0) {
            QCOMPARE(outcome.err.count('\n'), 1);  // one clear line
            if (!earlier.isEmpty()) QCOMPARE(Contents(earlier), QByteArray(kEarlier));
        }
        // Nothing half-written is left beside the reports.
        const QStringList hidden =
            QDir(folder.path()).entryList(QDir::Hidden | QDir::Files | QDir::NoDotAndDotDot);
        QVERIFY2(hidden.filter(QRegularExpression("^\\.")).isEmpty(), qPrintable(hidden.join(',')));
    }

    // export-all in this process, on runs and faults the test shapes.
    void export_all_on_shaped_runs_data() {
        QTest::addColumn<QList<QByteArray>>("runNames");  // index 0 first, 3 lines each
        QTest::addColumn<bool>("linkDies");               // every line fetch fails
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("summary");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("names made safe, twins numbered")
            << QList<QByteArray>{"../up", "a:b", "a_b", "", "C\\D\x80 *?"} << false << 0
            << QByteArray("5 written, 0 skipped, 0 failed\n")
            << QStringList{"C_D_ __.validation.txt", "_up.validation.txt", "a_b #1.validation.txt",
                           "a_b #2.validation.txt", "run.validation.txt"};
        QTest::newRow("link lost") << QList<QByteArray>{"one", "two"} << true << 4
                                   << QByteArray("0 written, 0 skipped, 2 failed\n")
                                   << QStringList{};
    }

    void export_all_on_shaped_runs() {
        QFETCH(QList<QByteArray>, runNames);
        QFETCH(bool, linkDies);
        QFETCH(int, status);
        QFETCH(QByteArray, summary);
        QFETCH(QStringList, files);
        std::vector<Run> runs;
        for (const QByteArray& name : runNames) runs.push_back({name.constData(), 3});
        Session session(runs);
        QTemporaryDir folder;
        cli::CliSession cli(session.library, std::string());
        std::string error;
        QVERIFY(cli.Bind("QUILLSAN.DLL", error));
        QVERIFY(cli.Connect(cli::LinkChoice{}));
        if (linkDies) {
            cli.SetReconnectBudget({true, std::chrono::milliseconds(0)});  // lost at the first stall
            for (int call = runNames.size() + 1; call < 5000; ++call)
                Faults().failingNameCalls.insert(call);
        }
        cli::Options options;
        options.output = folder.path().toStdString();
        const cli::Streams streams{std::tmpfile(), std::tmpfile()};
        QCOMPARE(cli::ExportAll(cli, options, streams), status);
        QCOMPARE(ReadBack(streams.out), summary);
        const QByteArray err = ReadBack(streams.err);
        if (linkDies) QVERIFY2(err.endsWith("lost and not regained\n"), err.constData());
        QStringList written = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
        written.sort();  // byte order, as the expected names are written
        QCOMPARE(written, files);
    }

    // Every run in both types, as brevalin's Save to File writes it.
    void export_all_matches_save_to_file() {
        QTemporaryDir exported;
        const Outcome outcome = RunCli({"export-all", exported.path(), "--type", "both"},
                                       exported.path());
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
                session.window.listBox1->setCurrentRow(row);
                (validation ? session.window.validationItem : session.window.runItem)
                    ->setChecked(true);
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
