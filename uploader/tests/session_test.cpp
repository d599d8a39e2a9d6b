// Connecting, listing runs and fetching reports in timer slices, with the
// instrument's answers shaped and link faults injected.
#include <QtTest>

#include "fixture.h"

namespace brevalin::test {

// The first line out of "Line n of count" order, or "" when the list holds
// exactly the report's numbered lines.
QString FirstWrongLine(const QStringList& lines, int count) {
    for (int n = 0; n < count; ++n) {
        const QString expected =
            QString("Line %1 of %2").arg(n, 5, 10, QChar('0')).arg(count, 5, 10, QChar('0'));
        if (!lines.value(n).startsWith(expected)) return expected + " is " + lines.value(n);
    }
    return lines.size() == count ? QString() : QString("%1 lines").arg(lines.size());
}

class SessionTest : public QObject {
    Q_OBJECT

  private slots:
    void instrument_not_found_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("cancelOperation");  // clicked while searching again
        QTest::addColumn<QList<std::uint32_t>>("searchAnswers");
        QTest::addColumn<int>("deadLinkChecks");
        const QList<std::uint32_t> none{0};
        // clang-format off
        QTest::newRow("Retry searches again") << box::kAnswerRetry << false << none << 0;
        QTest::newRow("Cancel ends the program") << box::kAnswerCancel << false << none << 0;
        QTest::newRow("Cancel Operation ends the program") << box::kAnswerRetry << true << none << 0;
        // Only the result's low 16 bits say whether the search found it.
        QTest::newRow("a search answering 0x10000 found nothing") << box::kAnswerRetry << false << QList<std::uint32_t>{0x10000} << 0;
        QTest::newRow("a found instrument whose version cannot be read") << box::kAnswerRetry << false << QList<std::uint32_t>{} << 1;
        // clang-format on
    }

    void instrument_not_found() {
        QFETCH(int, answer);
        QFETCH(bool, cancelOperation);
        QFETCH(QList<std::uint32_t>, searchAnswers);
        QFETCH(int, deadLinkChecks);
        Session session({{"run 0", 12}});
        Faults().searchAnswers = searchAnswers;
        Faults().deadLinkChecks = deadLinkChecks;
        session.dialogs.answers = {answer};
        session.controller.FormCreate();
        session.controller.Timer1Timer();

        QCOMPARE(session.dialogs.boxes, (Boxes{{"No Zantorel detected", 0x05}}));
        QVERIFY(!session.view.statusShown);
        QCOMPARE(StatusHistory(session.controller),
                 QStringList({"Initializing. Please wait ...",
                              " Checking for Zantorel\r\n connected to COM2"}));
        if (cancelOperation) session.controller.CancelClick();
        if (answer == box::kAnswerCancel || cancelOperation) {
            QCOMPARE(session.dialogs.exitStatus, 1);
            return;
        }
        QCOMPARE(session.dialogs.exitStatus, -1);
        QCOMPARE(session.controller.connectionState(), kSearching);
        QVERIFY(session.view.timerActive);

        // The next tick binds again and finds it.
        session.controller.Timer1Timer();
        QCOMPARE(session.library.binds, 2);
        QCOMPARE(session.controller.connectionState(), kConnected);
        QVERIFY(StatusHistory(session.controller)
                    .contains(" Found Zantorel with program version: 1.009 on USB"));
        QCOMPARE(session.RunNames(), QStringList({"run 0"}));
        QCOMPARE(session.controller.timerMode(), kRetrieving);
        QCOMPARE(QString::fromStdString(session.view.title),
                 QString("Zantorel Report Upload Utility Version 1.000 (using QUILLSAN.DLL)"));
    }

    void runs_listed_newest_first_and_first_fetched() {
        Session session({{"run 0", 0}, {"run 1", 0}, {"run 2", 0}});
        QVERIFY(session.Connect());
        QCOMPARE(session.RunNames(), QStringList({"run 2", "run 1", "run 0"}));
        QCOMPARE(session.view.current, 0);
        QVERIFY(session.TickUntilIdle() > 0);
        const QStringList lines = session.ReportLines();
        QVERIFY(lines.size() > 10);
        QVERIFY(lines[0].contains("VALIDATION REPORT"));
        QVERIFY(lines[2].contains("run 2"));
        // The instrument's degree byte 0x80 reaches the list as 0xB0.
        QVERIFY(lines.join("").contains(QChar(0x00B0)));
        QVERIFY(!lines.join("").contains(QChar(0x0080)));
    }

    void no_runs_shows_the_placeholder() {
        Session session({});
        QVERIFY(session.Connect());
        QCOMPARE(session.RunNames(), QStringList({"------No reports available------"}));
        QCOMPARE(session.controller.timerMode(), kIdleMode);
        session.controller.ListBox1Click();
        QCOMPARE(session.controller.timerMode(), kIdleMode);
    }

    void report_fetched_in_slices_data() {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("callMs");
        QTest::addColumn<QList<int>>("listedAfterTick");
        QTest::addColumn<QList<int>>("stepsPerTick");
        QTest::addColumn<QList<int>>("pauseAfterTick");
        // clang-format off
        QTest::newRow("25 lines in one tick") << 25 << 0 << QList<int>{25} << QList<int>{27} << QList<int>{20};
        QTest::newRow("120 lines in three ticks") << 120 << 0 << QList<int>{49, 99, 120} << QList<int>{50, 50, 22} << QList<int>{20, 20, 20};
        QTest::newRow("empty report") << 0 << 0 << QList<int>{0} << QList<int>{2} << QList<int>{20};
        // 100 ms of calls end a tick: generating costs two calls, a line one.
        QTest::newRow("25 lines over a slow link") << 25 << 20 << QList<int>{3, 8, 13, 18, 23, 25} << QList<int>{4, 5, 5, 5, 5, 3} << QList<int>{0, 0, 0, 0, 0, 20};
        QTest::newRow("120 lines over a link of 1 ms a call") << 120 << 1 << QList<int>{49, 99, 120} << QList<int>{50, 50, 22} << QList<int>{20, 20, 20};
        // clang-format on
    }

    void report_fetched_in_slices() {
        QFETCH(int, lines);
        QFETCH(int, callMs);
        QFETCH(QList<int>, listedAfterTick);
        QFETCH(QList<int>, stepsPerTick);
        QFETCH(QList<int>, pauseAfterTick);
        // A run that asks for no numbered lines gets the instrument's own report,
        // so an empty one comes from a run whose report has no lines at all.
        Session session({{"run 0", static_cast<std::uint16_t>(lines == 0 ? 1 : lines)}});
        QVERIFY(session.Connect());
        if (lines == 0) Faults().countAnswers = {0};
        Faults().callMs = callMs;
        for (int tick = 0; tick < listedAfterTick.size(); ++tick) {
            QCOMPARE(session.controller.timerMode(), kRetrieving);
            session.controller.Timer1Timer();
            QCOMPARE(int(session.view.report.size()), listedAfterTick[tick]);
            QCOMPARE(session.controller.stepsInLastTick(), stepsPerTick[tick]);
            QCOMPARE(session.view.timerInterval, pauseAfterTick[tick]);
        }
        QCOMPARE(FirstWrongLine(session.ReportLines(), lines), QString());
        QCOMPARE(session.controller.timerMode(), kIdleMode);
        QCOMPARE(session.controller.reportState(), kIdleReport);
        QVERIFY(!session.view.statusShown);
        QVERIFY(session.view.timerActive);
        const QStringList progress = StatusHistory(session.controller).filter("line ");
        QStringList expected;
        for (int shown = 10; shown < lines; shown += 10) {
            expected.append(QString("Retrieving report:\r\nline %1 of %2").arg(shown).arg(lines));
        }
        QCOMPARE(progress, expected);
    }

    // Link faults around the line count are retried without a message; a count
    // that does not arrive is no empty report, at whichever read it fails.
    void count_faults_are_retried_without_a_message_data() {
        QTest::addColumn<int>("failingGenerations");
        QTest::addColumn<int>("failingCountReads");
        QTest::addColumn<QList<int>>("failingCountCalls");
        QTest::addColumn<int>("zeroCountReads");
        QTest::addColumn<int>("generations");
        QTest::addColumn<int>("deadLinkChecks");  // from the first tick, or from a Refresh
        QTest::addColumn<bool>("refresh");
        // clang-format off
        QTest::newRow("generation error waits for the count") << 1 << 0 << QList<int>{} << 0 << 1 << 0 << false;
        QTest::newRow("count errors keep waiting") << 1 << 3 << QList<int>{} << 0 << 1 << 0 << false;
        QTest::newRow("a zero count generates again") << 1 << 0 << QList<int>{} << 1 << 2 << 0 << false;
        QTest::newRow("failed read right after the generation") << 0 << 0 << QList<int>{1} << 0 << 1 << 0 << false;
        QTest::newRow("failed second read while waiting") << 1 << 0 << QList<int>{2} << 0 << 1 << 0 << false;
        QTest::newRow("both reads failed") << 0 << 0 << QList<int>{1, 3} << 0 << 1 << 0 << false;
        // Nothing is sent over a link that does not check out.
        QTest::newRow("generation waits for the link") << 0 << 0 << QList<int>{} << 0 << 1 << 3 << false;
        QTest::newRow("Refresh checks the link again") << 0 << 0 << QList<int>{} << 0 << 1 << 3 << true;
        // clang-format on
    }

    void count_faults_are_retried_without_a_message() {
        QFETCH(int, failingGenerations);
        QFETCH(int, failingCountReads);
        QFETCH(QList<int>, failingCountCalls);
        QFETCH(int, zeroCountReads);
        QFETCH(int, generations);
        QFETCH(int, deadLinkChecks);
        QFETCH(bool, refresh);
        Session session({{"run 0", 30}});
        QVERIFY(session.Connect());
        LinkFaults& faults = Faults();
        if (refresh) QVERIFY(session.TickUntilIdle() > 0);
        const int before = faults.generations;
        faults.failingGenerations = failingGenerations;
        faults.failingCountReads = failingCountReads;
        for (int call : failingCountCalls) faults.failingCountCalls.insert(call);
        faults.countAnswers = QList<std::uint16_t>(zeroCountReads, 0);
        faults.deadLinkChecks = deadLinkChecks;
        if (refresh) session.controller.RefreshBClick();

        session.controller.Timer1Timer();
        if (failingGenerations > 0) {
            QCOMPARE(session.controller.reportState(), kAwaitLines);
            QVERIFY(session.view.report.empty());
        }
        QCOMPARE(faults.generations - before, deadLinkChecks > 0 && !refresh ? 0 : 1);
        QVERIFY(session.TickUntilIdle() > 0);
        QCOMPARE(faults.generations - before, generations);
        QCOMPARE(int(session.view.report.size()), 30);
        QCOMPARE(session.RunNames(), QStringList({"run 0"}));
        QCOMPARE(StatusHistory(session.controller).contains("Reestablishing instrument link"),
                 refresh);
        QVERIFY(session.dialogs.boxes.isEmpty());
    }

    // The instrument never saw the request, so it still holds the previous
    // report; its line count must not pass for the new one's.
    void a_generation_that_never_went_out_is_sent_again() {
        Session session({{"run 0", 0}});
        QVERIFY(session.Connect());
        QVERIFY(session.TickUntilIdle() > 0);
        QVERIFY(session.ReportLines().value(0).contains("VALIDATION REPORT"));
        Faults().unsentGenerations = 1;
        const int before = Faults().generations;
        session.view.ChooseType(false);
        QVERIFY(session.TickUntilIdle() > 0);
        QCOMPARE(Faults().generations - before, 2);
        const QStringList lines = session.ReportLines();
        QVERIFY(lines.value(0).contains("RUN REPORT"));
        QVERIFY(!lines.join("").contains("VALIDATION"));
    }

    void failed_lines_are_fetched_again() {
        Session session({{"run 0", 30}});
        QVERIFY(session.Connect());
        LinkFaults& faults = Faults();
        const int before = faults.nameCalls;
        faults.failingNameCalls = {before + 1, before + 5, before + 6, before + 30};
        QVERIFY(session.TickUntilIdle() > 0);
        QCOMPARE(FirstWrongLine(session.ReportLines(), 30), QString());
        QCOMPARE(faults.nameCalls - before, 34);
        QVERIFY(session.dialogs.boxes.isEmpty());
    }

    void cancel_operation_appends_an_abort_line_data() {
        QTest::addColumn<int>("state");  // the retrieval's state when the user cancels
        QTest::addColumn<QString>("abortLine");
        QTest::addColumn<int>("linesBefore");
        // clang-format off
        QTest::newRow("while reading lines") << int(kReadLines) << "Incomplete -- Report upload aborted" << 49;
        QTest::newRow("while waiting for the count") << int(kAwaitLines) << "Report upload aborted" << 0;
        QTest::newRow("while generating") << int(kGenerate) << "Report upload aborted" << 0;
        // clang-format on
    }

    void cancel_operation_appends_an_abort_line() {
        QFETCH(int, state);
        QFETCH(QString, abortLine);
        QFETCH(int, linesBefore);
        Session session({{"run 0", 120}});
        QVERIFY(session.Connect());
        Faults().failingGenerations = state == kAwaitLines ? 1 : 0;
        Faults().unsentGenerations = state == kGenerate ? 1 : 0;
        session.controller.Timer1Timer();
        QVERIFY(session.view.statusShown);
        QCOMPARE(int(session.controller.reportState()), state);
        session.controller.CancelClick();

        QStringList lines = session.ReportLines();
        QCOMPARE(lines.size(), linesBefore + 1);
        QCOMPARE(lines.last(), abortLine);
        QCOMPARE(session.controller.timerMode(), kIdleMode);
        QCOMPARE(int(session.controller.reportState()), state);
        QVERIFY(!session.view.statusShown);
        QCOMPARE(session.dialogs.exitStatus, -1);
    }

    // A click while busy starts nothing and leaves the highlight on the run
    // being fetched; a regeneration uses the report type chosen meanwhile.
    void busy_clicks_keep_the_fetched_run() {
        Session session({{"run 0", 0}, {"run 1", 0}, {"run 2", 0}});
        QVERIFY(session.Connect());
        Faults().failingGenerations = 1;
        Faults().countAnswers = {0};
        session.controller.Timer1Timer();  // run 2, link error
        session.view.ChooseType(false);    // busy: caption only
        QCOMPARE(QString::fromStdString(session.view.typeLabel), QString("Run Report"));
        session.view.ClickRun(2);  // busy: nothing starts
        QCOMPARE(session.view.current, 0);
        QVERIFY(session.TickUntilIdle() > 0);
        const QStringList lines = session.ReportLines();
        QVERIFY(lines[0].contains("RUN REPORT"));
        QVERIFY(lines[2].contains("run 2"));
    }

    // A key that moves the run list's highlight chooses that run as a click
    // does; while its report is fetched, keys and clicks leave the highlight on it.
    void choosing_a_run_by_key_or_mouse_data() {
        QTest::addColumn<bool>("click");  // else a key moved the highlight
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("run");
        QTest::newRow("key to the second") << false << 1 << "run 1";
        QTest::newRow("key to the last") << false << 2 << "run 0";
        QTest::newRow("mouse") << true << 1 << "run 1";
    }

    void choosing_a_run_by_key_or_mouse() {
        QFETCH(bool, click);
        QFETCH(int, row);
        QFETCH(QString, run);
        Session session({{"run 0", 0}, {"run 1", 0}, {"run 2", 0}});
        QVERIFY(session.Connect());
        QVERIFY(session.TickUntilIdle() > 0);
        click ? session.view.ClickRun(row) : session.view.SetCurrentRun(row);
        QCOMPARE(session.view.current, row);
        QCOMPARE(session.controller.timerMode(), kRetrieving);

        session.view.SetCurrentRun(0);
        session.view.ClickRun(row == 2 ? 1 : 2);
        QCOMPARE(session.view.current, row);
        QVERIFY(session.TickUntilIdle() > 0);
        QVERIFY2(session.ReportLines().value(2).contains(run),
                 qPrintable(session.ReportLines().value(2)));
    }

    // The user says No to "reconnect?": the command that met the pulled cable
    // ends at once instead of asking again.
    void a_no_to_reconnect_ends_the_command_data() {
        QTest::addColumn<bool>("refresh");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("lastLine");
        QTest::addColumn<int>("reportLines");
        QTest::addColumn<int>("runsListed");
        // clang-format off
        QTest::newRow("No while fetching") << false << false << "Incomplete -- Report upload aborted" << 50 << 2;
        QTest::newRow("Yes while fetching") << false << true << "Line 00119 of 00120" << 120 << 2;
        QTest::newRow("No during Refresh") << true << false << "Line 00119 of 00120" << 120 << 1;
        // clang-format on
    }

    void a_no_to_reconnect_ends_the_command() {
        QFETCH(bool, refresh);
        QFETCH(bool, yes);
        QFETCH(QString, lastLine);
        QFETCH(int, reportLines);
        QFETCH(int, runsListed);
        Session session({{"run 0", 120}, {"run 1", 120}});
        QVERIFY(session.Connect());
        if (refresh)
            QVERIFY(session.TickUntilIdle() > 0);
        else
            session.controller.Timer1Timer();
        // The cable goes before the next line, or before the second run's name.
        Faults().unplugAtNameCall = Faults().nameCalls + (refresh ? 2 : 1);
        Faults().reconnectAnswers = {yes};
        if (refresh)
            session.controller.RefreshBClick();
        else
            session.TickUntilIdle(20);

        QCOMPARE(Faults().reconnectQuestions, 1);
        QCOMPARE(session.controller.timerMode(), kIdleMode);
        QVERIFY(!session.view.statusShown);
        QVERIFY2(session.ReportLines().last().startsWith(lastLine),
                 qPrintable(session.ReportLines().last()));
        QCOMPARE(session.ReportLines().size(), reportLines);
        QCOMPARE(session.RunNames().size(), runsListed);
    }

    void long_names_are_cut_to_99_characters() {
        const std::string longName(300, 'N');
        Session session({{"short", 3}});
        QVERIFY(session.Connect());
        instrument::RunItem run;
        run.name = longName;
        LentInstrument().firmware().Store().AddRun(run);
        session.TickUntilIdle();
        session.controller.RefreshBClick();
        QCOMPARE(session.RunNames().value(0), QString(99, 'N'));
    }
};

int RunSessionTests(int argc, char** argv) {
    SessionTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace brevalin::test

#include "session_test.moc"
