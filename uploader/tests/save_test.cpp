// Save to File: what lands in the file, and when the file is left alone.
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "fixture.h"

namespace brevalin::test {
namespace {

void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A session that fetched the report of `lines` lines; its save dialog answers
// `name` inside a fresh folder.
struct Fetched : Session {
    explicit Fetched(std::uint16_t lines, const char* name = "report.txt")
        : Session({{"run 0", lines}}) {
        dialogs.saveAs = folder.filePath(name);
        ok = Connect() && TickUntilIdle() > 0;
    }
    QTemporaryDir folder;
    bool ok = false;
};

}  // namespace

class SaveTest : public QObject {
    Q_OBJECT

  private slots:
    void complete_report_saved_with_crlf_and_degree_signs() {
        Fetched session(57);
        QVERIFY(session.ok);
        session.controller.SaveBClick();

        const QByteArray saved = Contents(session.dialogs.saveAs);
        QVERIFY(session.dialogs.boxes.isEmpty());
        QList<QByteArray> lines = saved.split('\n');
        QCOMPARE(lines.takeLast(), QByteArray());  // nothing after the last line end
        QCOMPARE(lines.size(), 57);
        for (int n = 0; n < 57; ++n) {
            QVERIFY(lines[n].endsWith('\r'));
            QVERIFY(!lines[n].chopped(1).contains('\r'));
            QVERIFY(lines[n].startsWith(QString("Line %1").arg(n, 5, 10, QChar('0')).toLatin1()));
        }
        QVERIFY(saved.contains('\xB0'));
        QVERIFY(!saved.contains('\x80'));
    }

    void existing_file_asks_first_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("OK replaces") << box::kAnswerOk << true;
        QTest::newRow("Cancel keeps") << box::kAnswerCancel << false;
    }

    void existing_file_asks_first() {
        QFETCH(int, answer);
        QFETCH(bool, replaced);
        Fetched session(5);
        QVERIFY(session.ok);
        Write(session.dialogs.saveAs, "earlier copy\r\n");
        session.dialogs.answers = {answer};
        session.controller.SaveBClick();

        QCOMPARE(session.dialogs.boxes, (Boxes{{"File exists! Replace it?", 0x21}}));
        const QByteArray saved = Contents(session.dialogs.saveAs);
        QCOMPARE(saved == "earlier copy\r\n", !replaced);
        if (replaced) QCOMPARE(saved.count("\r\n"), 5);
    }

    void invalid_path_writes_nothing() {
        Fetched session(5, "no such folder/report.txt");
        QVERIFY(session.ok);
        session.controller.SaveBClick();
        QCOMPARE(session.dialogs.boxes, (Boxes{{"Invalid file path", 0x30}}));
        QVERIFY(!QFile::exists(session.dialogs.saveAs));
    }

    void no_runs_listed_saves_nothing_data() {
        QTest::addColumn<bool>("connected");
        QTest::newRow("before the first connection") << false;
        QTest::newRow("while the placeholder is listed") << true;
    }

    void no_runs_listed_saves_nothing() {
        QFETCH(bool, connected);
        Session session({});
        if (connected) {
            QVERIFY(session.Connect());
        } else {
            session.controller.FormCreate();
        }
        session.dialogs.saveAs = "/tmp/never-written.txt";
        session.controller.SaveBClick();
        QCOMPARE(session.dialogs.saveDialogs, 0);
        QVERIFY(session.dialogs.boxes.isEmpty());
    }

    // The library's count decides how many listed lines are written; when it
    // cannot be had the earlier file must survive.
    void the_count_decides_what_is_saved_data() {
        QTest::addColumn<bool>("linkError");
        QTest::addColumn<QList<std::uint16_t>>("countAnswers");
        QTest::addColumn<bool>("cancelled");  // a new report cancelled before its count came
        QTest::addColumn<QByteArray>("saved");
        const QByteArray kept("earlier copy\r\n");
        QTest::newRow("link error") << true << QList<std::uint16_t>{} << false << kept;
        QTest::newRow("count 0 while lines are listed")
            << false << QList<std::uint16_t>{0} << false << kept;
        QTest::newRow("count 0 and only the abort line")
            << false << QList<std::uint16_t>{0} << true << QByteArray();
        QTest::newRow("count 2 of 5 listed lines") << false << QList<std::uint16_t>{2} << false
                                                   << QByteArray(
                                                          "Line 00000 of 00005  Block 60.0\xB0"
                                                          "C  VALIDATION\r\n"
                                                          "Line 00001 of 00005  Block 60.1\xB0"
                                                          "C  VALIDATION\r\n");
    }

    void the_count_decides_what_is_saved() {
        QFETCH(bool, linkError);
        QFETCH(QList<std::uint16_t>, countAnswers);
        QFETCH(bool, cancelled);
        QFETCH(QByteArray, saved);
        Fetched session(5);
        QVERIFY(session.ok);
        Write(session.dialogs.saveAs, "earlier copy\r\n");
        if (cancelled) {
            Faults().failingGenerations = 1;
            session.controller.RadioGroup1Click();
            session.controller.Timer1Timer();
            session.controller.CancelClick();
            QCOMPARE(session.ReportLines(), QStringList({"Report upload aborted"}));
        }
        Faults().failingCountReads = linkError ? 1 : 0;
        Faults().countAnswers = countAnswers;
        session.controller.SaveBClick();
        const bool kept = saved == "earlier copy\r\n";
        QCOMPARE(session.dialogs.boxes.size(), 1);
        QCOMPARE(session.dialogs.boxes[0].first.contains("file was not changed"), kept);
        QCOMPARE(Contents(session.dialogs.saveAs), saved);
    }

    // No to "reconnect?" while the count is read: the listed report is saved.
    void a_no_to_reconnect_saves_the_listed_lines() {
        Fetched session(5);
        QVERIFY(session.ok);
        LentInstrument().hid().Unplug();
        Faults().reconnectAnswers = {false};
        session.controller.SaveBClick();
        QCOMPARE(Faults().reconnectQuestions, 1);
        QVERIFY(session.dialogs.boxes.isEmpty());
        const QByteArray saved = Contents(session.dialogs.saveAs);
        QCOMPARE(saved.count("\r\n"), 5);
        QVERIFY(saved.startsWith("Line 00000 of 00005"));
    }

    void save_of_a_cancelled_report_says_it_is_incomplete() {
        QTemporaryDir folder;
        Session session({{"run 0", 120}});
        QVERIFY(session.Connect());
        session.controller.Timer1Timer();
        session.controller.CancelClick();
        session.dialogs.saveAs = folder.filePath("report.txt");
        session.controller.SaveBClick();

        QCOMPARE(session.dialogs.boxes.size(), 1);
        QCOMPARE(session.dialogs.boxes[0].first,
                 QString("The report was incomplete: 49 of its 120 lines were saved."));
        const QList<QByteArray> lines = Contents(session.dialogs.saveAs).split('\n');
        QCOMPARE(lines.size(), 51);  // 49 lines, the abort line, what follows the last line end
        QCOMPARE(lines[49], QByteArray("Incomplete -- Report upload aborted\r"));
    }
};

int RunSaveTests(int argc, char** argv) {
    SaveTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace brevalin::test

#include "save_test.moc"
