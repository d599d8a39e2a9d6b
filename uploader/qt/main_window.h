// The two windows, laid out in pixels as on a 96 dpi screen.
#pragma once

#include <QDialog>
#include <QTimer>
#include <QWidget>

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

// Form1: its controls only; the handlers are the controller's.
class MainWindow : public QWidget {
  public:
    MainWindow();

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
