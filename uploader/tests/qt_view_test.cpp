// The views' table of cases against the Qt window, offscreen.
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextEdit>
#include <QtTest>

#include "main_window.h"
#include "view_cases.h"
#include "window_wiring.h"

namespace brevalin::test {
namespace {

std::vector<std::string> Texts(const QListWidget* list) {
    std::vector<std::string> out;
    for (int n = 0; n < list->count(); ++n) out.push_back(list->item(n)->text().toStdString());
    return out;
}

// Reads the status panel as it was last painted, so a text that only a later
// turn of the message loop would paint does not count as shown.
class QtProbe : public QObject, public ViewProbe {
  public:
    explicit QtProbe(MainWindow& window) : window_(window) {
        window.memo1->viewport()->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted_ = window_.memo1->toPlainText();
        return false;
    }

    std::vector<std::string> RunsShown() override { return Texts(window_.listBox1); }
    std::vector<std::string> ReportShown() override { return Texts(window_.listBox2); }
    bool StatusShown() override { return window_.panel1->isVisible(); }
    std::string StatusTextShown() override { return painted_.toStdString(); }
    std::string TypeLabelShown() override { return window_.label2->text().toStdString(); }
    std::string TitleShown() override { return window_.windowTitle().toStdString(); }
    bool ReportLinesReachable() override {
        QListWidget* report = window_.listBox2;
        QApplication::processEvents();  // lays the list out
        bool whole = report->horizontalScrollBar()->isVisible();
        for (int n = 0; n < report->count(); ++n) {
            whole = whole && report->visualItemRect(report->item(n)).width() >=
                                 report->fontMetrics().horizontalAdvance(report->item(n)->text());
        }
        return whole;
    }

    void ClickRun(int row) override {
        QListWidget* runs = window_.listBox1;
        QTest::mouseClick(runs->viewport(), Qt::LeftButton, {},
                          runs->visualItemRect(runs->item(row)).center());
    }
    void PressKeyInRuns(RunKey key) override {
        const Qt::Key keys[] = {Qt::Key_Down, Qt::Key_End, Qt::Key_Home};
        QTest::keyClick(window_.listBox1, keys[static_cast<int>(key)]);
    }
    void ChooseType(bool validationReport) override {
        QRadioButton* item = validationReport ? window_.validationItem : window_.runItem;
        QTest::mouseClick(item, Qt::LeftButton, {}, QPoint(6, item->height() / 2));
    }
    void PressEnterOn(Button button) override {
        QPushButton* buttons[] = {window_.refreshB, window_.saveB, window_.aboutB, window_.cancel};
        QTest::keyClick(buttons[static_cast<int>(button)], Qt::Key_Return);
    }
    void Wait(int ms) override { QTest::qWait(ms); }

  private:
    MainWindow& window_;
    QString painted_;
};

}  // namespace

class QtViewTest : public QObject {
    Q_OBJECT

  private slots:
    void view_case_data() {
        QTest::addColumn<int>("index");
        for (std::size_t n = 0; n < ViewCases().size(); ++n)
            QTest::newRow(ViewCases()[n].name) << static_cast<int>(n);
    }

    void view_case() {
        QFETCH(int, index);
        MainWindow window;
        EventLog log;
        Wire(window, log);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QtProbe probe(window);
        const std::string differences = ViewCases()[index].run(window, probe, log);
        QVERIFY2(differences.empty(), differences.c_str());
    }
};

}  // namespace brevalin::test

QTEST_MAIN(brevalin::test::QtViewTest)
#include "qt_view_test.moc"
