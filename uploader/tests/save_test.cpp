// Save to File: what lands in the file, and when the file is left alone.
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "fixture.h"

namespace brevalin::test {
namespace {

constexpr char kEarlier[] = "earlier copy\r\n";
// The validation report of a run of 5 lines as saved (\260 is the degree sign 0xB0).
const QByteArray kFirstTwoLines(
    "Line 00000 of 00005  Block 60.0\260C  VALIDATION\r\n"
    "Line 00001 of 00005  Block 60.1\260C  VALIDATION\r\n");
const QByteArray kFiveLines = kFirstTwoLines +
                              "Line 00002 of 00005  Block 60.2\260C  VALIDATION\r\n"
                              "Line 00003 of 00005  Block 60.3\260C  VALIDATION\r\n"
                              "Line 00004 of 00005  Block 60.4\260C  VALIDATION\r\n";

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

    // What the file holds after Save to File, and the boxes on the way (each
    // box's text within the one shown, with its flags). The
    // library's count decides how many listed lines are written; when it
    // cannot be had, or the user keeps the file, the earlier copy must survive.
    // Setup: "earlier" writes an earlier copy first; "cancelled" cancels a new
    // report before its count came; "unplugged" pulls the cable and the user
    // says No to "reconnect?" while the count is read.
    void what_a_save_leaves_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<bool>("countFails");
        QTest::addColumn<QList<std::uint16_t>>("countAnswers");
        QTest::addColumn<Boxes>("boxes");
        QTest::addColumn<QByteArray>("saved");
        const Boxes exists{{"File exists! Replace it?", 0x21}};
        const Boxes unknown{{"Nothing was saved; the file was not changed.", 0x30}};
        const QList<int> none;
        // clang-format off
        QTest::newRow("OK replaces") << "report.txt" << "earlier" << QList<int>{box::kAnswerOk} << false << QList<std::uint16_t>{} << exists << kFiveLines;
        QTest::newRow("Cancel keeps") << "report.txt" << "earlier" << QList<int>{box::kAnswerCancel} << false << QList<std::uint16_t>{} << exists << QByteArray(kEarlier);
        QTest::newRow("invalid path writes nothing") << "no such folder/report.txt" << "" << none << false << QList<std::uint16_t>{} << Boxes{{"Invalid file path", 0x30}} << QByteArray("<unreadable>");
        QTest::newRow("link error") << "report.txt" << "earlier" << none << true << QList<std::uint16_t>{} << unknown << QByteArray(kEarlier);
        QTest::newRow("count 0 while lines are listed") << "report.txt" << "earlier" << none << false << QList<std::uint16_t>{0} << unknown << QByteArray(kEarlier);
        QTest::newRow("count 0 and only the abort line") << "report.txt" << "earlier,cancelled" << none << false << QList<std::uint16_t>{0} << exists << QByteArray();
        QTest::newRow("count 2 of 5 listed lines") << "report.txt" << "earlier" << none << false << QList<std::uint16_t>{2} << exists << kFirstTwoLines;
        QTest::newRow("a No to reconnect saves the listed lines") << "report.txt" << "unplugged" << none << false << QList<std::uint16_t>{} << Boxes{} << kFiveLines;
        // clang-format on
    }

    void what_a_save_leaves() {
        QFETCH(QString, name);
        QFETCH(QString, setup);
        QFETCH(QList<int>, answers);
        QFETCH(bool, countFails);
        QFETCH(QList<std::uint16_t>, countAnswers);
        QFETCH(Boxes, boxes);
        QFETCH(QByteArray, saved);
        Fetched session(5, name.toUtf8().constData());
        QVERIFY(session.ok);
        if (setup.contains("earlier")) Write(session.dialogs.saveAs, kEarlier);
        if (setup.contains("cancelled")) {
            Faults().failingGenerations = 1;
            session.controller.RadioGroup1Click();
            session.controller.Timer1Timer();
            session.controller.CancelClick();
            QCOMPARE(session.ReportLines(), QStringList({"Report upload aborted"}));
        }
        if (setup.contains("unplugged")) {
            LentInstrument().hid().Unplug();
            Faults().reconnectAnswers = {false};
        }
        session.dialogs.answers = answers;
        Faults().failingCountReads = countFails ? 1 : 0;
        Faults().countAnswers = countAnswers;
        session.controller.SaveBClick();
        QCOMPARE(Faults().reconnectQuestions, setup.contains("unplugged") ? 1 : 0);
        QCOMPARE(session.dialogs.boxes.size(), boxes.size());
        for (qsizetype n = 0; n < boxes.size(); ++n) {
            QVERIFY2(session.dialogs.boxes[n].first.contains(boxes[n].first),
                     qPrintable(session.dialogs.boxes[n].first));
            QCOMPARE(session.dialogs.boxes[n].second, boxes[n].second);
        }
        QCOMPARE(Contents(session.dialogs.saveAs), saved);
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
