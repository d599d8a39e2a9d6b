// The two windows, laid out in pixels as on a 96 dpi screen.
#pragma once

#include <QDialog>
#include <QTimer>
#include <QWidget>

#include "view.h"

class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTextEdit;
class QGroupBox;

namespace brevalin {

class AboutBox : public QDialog {
  public:
    explicit AboutBox(QWidget* parent = nullptr);
    void SetVersionText(const QString& text);

    QLabel* label3() const { return label3_; }

  private:
    QLabel* label3_;
};

// Form1: its controls, shown to the controller by role; the handlers are the
// controller's. Each list entry keeps the instrument's bytes in Qt::UserRole.
class MainWindow : public QWidget, public View {
  public:
    MainWindow();

    void ClearRuns() override;
    void AddRun(const char* name) override;
    int RunCount() const override;
    int CurrentRun() const override;
    void SetCurrentRun(int row) override;
    void FocusRuns() override;
    void ClearReport() override;
    void AddReportLine(const char* line) override;
    void ShowStatus(const char* text) override;
    void HideStatus() override;
    void SetTypeLabel(const char* text) override;
    bool ValidationSelected() const override;
    void SetTitle(const char* text) override;
    void StartTimer() override { timer1.start(); }
    void StopTimer() override { timer1.stop(); }
    void SetTimerInterval(int ms) override { timer1.setInterval(ms); }

    QLabel* label1;
    QLabel* label2;
    QListWidget* listBox1;
    QListWidget* listBox2;
    QWidget* panel1;
    QTextEdit* memo1;
    QPushButton* refreshB;
    QPushButton* aboutB;
    QGroupBox* radioGroup1;
    QRadioButton* validationItem;
    QRadioButton* runItem;
    QPushButton* saveB;
    QPushButton* cancel;
    QTimer timer1;

  protected:
    // Enter presses the focused button, as on the desktop the window comes from.
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Fonts close to the Windows ones the layout was drawn with.
QFont WindowFont();
QIcon ProgramIcon();

}  // namespace brevalin
