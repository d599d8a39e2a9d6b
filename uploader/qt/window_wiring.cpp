#include "window_wiring.h"

#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace brevalin {

Controls ControlsOf(MainWindow& window) {
    Controls controls;
    controls.runList = window.listBox1;
    controls.reportList = window.listBox2;
    controls.panel = window.panel1;
    controls.memo = window.memo1;
    controls.typeLabel = window.label2;
    controls.validation = window.validationItem;
    controls.runReport = window.runItem;
    controls.timer = &window.timer1;
    controls.window = &window;
    return controls;
}

void Wire(MainWindow& window, Controller& controller) {
    Controller* c = &controller;
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
