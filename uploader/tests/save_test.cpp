// Save to File: what lands in the file, and when the file is left alone.
#include <QFile>
#include <QListWidget>
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

    void save_before_the_first_connection_does_nothing() {
        Session session({{"run 0", 5}});
        session.controller.FormCreate();
        session.dialogs.saveAs = "/tmp/never-written.txt";
        session.controller.SaveBClick();
        QCOMPARE(session.dialogs.saveDialogs, 0);
        QVERIFY(session.dialogs.boxes.isEmpty());
    }

    // The count decides how many lines are written; when it cannot be had the
    // earlier file must survive.
    void unreadable_count_leaves_the_file_data() {
        QTest::addColumn<bool>("linkError");
        QTest::newRow("link error") << true;
        QTest::newRow("count 0 while lines are listed") << false;
    }

    void unreadable_count_leaves_the_file() {
        QFETCH(bool, linkError);
        Fetched session(5);
        QVERIFY(session.ok);
        Write(session.dialogs.saveAs, "earlier copy\r\n");
        (linkError ? Faults().failingCountReads : Faults().zeroCountReads) = 1;
        session.controller.SaveBClick();
        QCOMPARE(session.dialogs.boxes.size(), 1);
        QVERIFY(session.dialogs.boxes[0].first.contains("file was not changed"));
        QCOMPARE(Contents(session.dialogs.saveAs), QByteArray("earlier copy\r\n"));
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
