#include "window_wiring.h"

#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace brevalin {

void Wire(MainWindow& window, ViewEvents& handlers) {
    ViewEvents* c = &handlers;
    QObject::connect(&window.timer1, &QTimer::timeout, [c] { c->Timer1Timer(); });
    QObject::connect(window.refreshB, &QPushButton::clicked, [c] { c->RefreshBClick(); });
    QObject::connect(window.saveB, &QPushButton::clicked, [c] { c->SaveBClick(); });
    QObject::connect(window.aboutB, &QPushButton::clicked, [c] { c->AboutBClick(); });
    QObject::connect(window.cancel, &QPushButton::clicked, [c] { c->CancelClick(); });
    QObject::connect(window.listBox1, &QListWidget::itemClicked, [c] { c->ListBox1Click(); });
    QObject::connect(window.listBox1, &QListWidget::itemDoubleClicked, [c] { c->ListBox1Click(); });
    // Arrow, Home, End and page keys choose a run just as a click does.
    QObject::connect(window.listBox1, &QListWidget::currentRowChanged,
                     [c] { c->RunListCurrentChanged(); });
    // Only a choice the user makes counts, not the one that is switched off.
    for (QRadioButton* item : {window.validationItem, window.runItem}) {
        QObject::connect(item, &QRadioButton::toggled, [c](bool checked) {
            if (checked) c->RadioGroup1Click();
        });
    }
}

}  // namespace brevalin
