#include "main_window.h"

#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QTextEdit>
#include <QVBoxLayout>

#include "instrument_text.h"

namespace brevalin {
namespace {

// Classic Windows system colours the window was designed with.
const QColor kInactiveCaption(191, 205, 219);
const QColor kScrollBar(200, 200, 200);
const QColor kInactiveBorder(244, 247, 252);
const QColor kButtonFace(240, 240, 240);

QFont PixelFont(const QStringList& families, QFont::StyleHint hint, int pixels) {
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(hint);
    font.setPixelSize(pixels);
    return font;
}

void Fill(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QLabel* CentredLabel(QWidget* parent, const QString& text, QRect where) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(where);
    label->setAlignment(Qt::AlignCenter);
    Fill(label, kScrollBar);
    return label;
}

// The largest size up to `pixels` whose characters, descenders included, fit
// a line of `pixels`: the substitutes for the bitmap font are taller than it.
QFont FittingFont(const QStringList& families, int pixels) {
    QFont font = PixelFont(families, QFont::TypeWriter, pixels);
    for (int size = pixels; size > pixels / 2; --size) {
        font.setPixelSize(size);
        if (QFontMetrics(font).height() <= pixels) break;
    }
    return font;
}

QListWidget* List(QWidget* parent, QRect where, const QFont& font, int itemHeight) {
    auto* list = new QListWidget(parent);
    list->setGeometry(where);
    list->setFont(font);
    list->setStyleSheet(
        QStringLiteral("QListWidget::item { height: %1px; padding: 0px; }").arg(itemHeight));
    // Whole lines, and a scroll bar for those wider than the list.
    list->setTextElideMode(Qt::ElideNone);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    return list;
}

QPushButton* Button(QWidget* parent, const QString& text, QRect where) {
    auto* button = new QPushButton(text, parent);
    button->setGeometry(where);
    return button;
}

void Centre(QWidget* window) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), window->size());
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
}

}  // namespace

// The same glyph as packaging/brevalin.svg: a cycler block with its lid and
// a temperature trace, drawn here so no image plugin is needed.
QIcon ProgramIcon() {
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(40, 60, 90), 2));
    painter.setBrush(QColor(70, 110, 160));
    painter.drawRoundedRect(QRectF(6, 8, 52, 14), 3, 3);
    painter.setBrush(QColor(220, 228, 238));
    painter.drawRoundedRect(QRectF(4, 22, 56, 36), 4, 4);
    painter.setPen(QPen(QColor(200, 50, 40), 3));
    const QPointF trace[] = {{10, 48}, {18, 48}, {22, 30}, {30, 30},
                             {34, 44}, {40, 44}, {44, 36}, {54, 36}};
    painter.drawPolyline(trace, 8);
    return QIcon(pixmap);
}

QFont WindowFont() {
    return PixelFont({"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "DejaVu Sans"},
                     QFont::SansSerif, 11);
}

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About This Program"));
    setFont(WindowFont());
    setFixedSize(283, 153);
    Fill(this, kButtonFace);

    auto* bevel = new QFrame(this);
    bevel->setGeometry(56, 16, 177, 105);
    bevel->setFrameStyle(QFrame::Box | QFrame::Sunken);

    auto* label1 = new QLabel(QStringLiteral("Zantorel Instruments"), this);
    label1->move(96, 40);
    auto* label2 = new QLabel(QStringLiteral("Report upload utility"), this);
    label2->move(96, 64);
    label3_ = new QLabel(QString(), this);
    label3_->move(96, 88);

    auto* ok = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton),
                               QStringLiteral("OK"), this);
    ok->setGeometry(104, 128, 75, 25);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    for (QLabel* label : {label1, label2, label3_}) label->adjustSize();
}

void AboutBox::SetVersionText(const QString& text) {
    label3_->setText(text);
    label3_->adjustSize();
    Centre(this);
}

MainWindow::MainWindow() {
    setFont(WindowFont());
    // The client area: with a caption bar and borders the window is about 849 x 490.
    setFixedSize(841, 463);
    Fill(this, kInactiveCaption);
    setWindowIcon(ProgramIcon());

    const QFont terminal = FittingFont({"Terminal", "DejaVu Sans Mono", "Liberation Mono"}, 12);
    const QFont courier =
        PixelFont({"Courier New", "Liberation Mono", "DejaVu Sans Mono"}, QFont::TypeWriter, 12);

    label1 = CentredLabel(this, QStringLiteral("Click on a Run  to View  Selected Report Type"),
                          QRect(8, 0, 329, 17));
    label2 = CentredLabel(this, QStringLiteral("Validation Report"), QRect(344, 0, 489, 17));
    listBox1 = List(this, QRect(8, 16, 329, 361), terminal, 12);
    listBox2 = List(this, QRect(344, 16, 489, 361), courier, 15);
    listBox2->setFocusPolicy(Qt::StrongFocus);

    refreshB = Button(this, QStringLiteral("Refresh "), QRect(104, 384, 81, 33));
    aboutB = Button(this, QStringLiteral("About"), QRect(264, 384, 73, 33));

    radioGroup1 = new QGroupBox(QStringLiteral("Report Type"), this);
    radioGroup1->setGeometry(408, 376, 121, 49);
    validationItem = new QRadioButton(QStringLiteral("Validation Report"), radioGroup1);
    runItem = new QRadioButton(QStringLiteral("Run Report"), radioGroup1);
    // The caption sits on the frame's top line, as in the layout's own toolkit,
    // which leaves room inside the 49-pixel group for both items.
    radioGroup1->setStyleSheet(QStringLiteral(
        "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
        "QGroupBox::title { subcontrol-origin: margin; left: 7px; padding: 0px 2px; }"));
    auto* items = new QVBoxLayout(radioGroup1);
    items->setContentsMargins(8, 8, 2, 2);
    items->setSpacing(0);
    items->addWidget(validationItem);
    items->addWidget(runItem);
    validationItem->setChecked(true);

    saveB = Button(this, QStringLiteral("Save to File"), QRect(568, 384, 89, 33));
    cancel = Button(this, QStringLiteral("Cancel Operation"), QRect(720, 384, 105, 33));

    // The message panel lies over both lists, so it is created after them.
    panel1 = new QFrame(this);
    panel1->setGeometry(184, 152, 385, 169);
    static_cast<QFrame*>(panel1)->setFrameStyle(QFrame::Panel | QFrame::Raised);
    static_cast<QFrame*>(panel1)->setLineWidth(2);
    Fill(panel1, kInactiveBorder);
    memo1 = new QTextEdit(panel1);
    memo1->setGeometry(16, 16, 353, 137);
    memo1->setReadOnly(true);
    memo1->setFont(
        PixelFont({"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "DejaVu Sans"},
                  QFont::SansSerif, 19));
    memo1->setStyleSheet(QStringLiteral("QTextEdit { color: black; background: white; }"));
    QTextOption centred(Qt::AlignHCenter);
    centred.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    memo1->document()->setDefaultTextOption(centred);
    memo1->setFocusPolicy(Qt::NoFocus);
    panel1->setVisible(false);

    QWidget::setTabOrder(listBox1, refreshB);
    QWidget::setTabOrder(refreshB, listBox2);
    QWidget::setTabOrder(listBox2, validationItem);
    QWidget::setTabOrder(validationItem, saveB);
    QWidget::setTabOrder(saveB, aboutB);
    QWidget::setTabOrder(aboutB, cancel);

    for (QPushButton* button : {refreshB, aboutB, saveB, cancel}) button->installEventFilter(this);

    timer1.setInterval(20);
    Centre(this);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            static_cast<QPushButton*>(watched)->click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

namespace {

void AppendLine(QListWidget* list, const char* text) {
    const QByteArray bytes(text);
    auto* item = new QListWidgetItem(DecodeWindows1252(bytes));
    item->setData(Qt::UserRole, bytes);
    list->addItem(item);
}

}  // namespace

void MainWindow::ClearRuns() {
    listBox1->clear();
}

void MainWindow::AddRun(const char* name) {
    AppendLine(listBox1, name);
}

int MainWindow::RunCount() const {
    return listBox1->count();
}

int MainWindow::CurrentRun() const {
    return listBox1->currentRow();
}

void MainWindow::SetCurrentRun(int row) {
    listBox1->setCurrentRow(row);
}

void MainWindow::FocusRuns() {
    listBox1->setFocus();
}

void MainWindow::ClearReport() {
    listBox2->clear();
}

void MainWindow::AddReportLine(const char* line) {
    AppendLine(listBox2, line);
}

void MainWindow::ShowStatus(const char* text) {
    memo1->clear();
    panel1->setVisible(true);
    QString shown = QString::fromLatin1(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    memo1->setPlainText(shown);
    // A connection step blocks the message loop; the panel alone is painted now
    // so that its text can be read while the library searches.
    panel1->repaint();
}

void MainWindow::HideStatus() {
    panel1->setVisible(false);
}

void MainWindow::SetTypeLabel(const char* text) {
    label2->setText(QString::fromLatin1(text));
}

bool MainWindow::ValidationSelected() const {
    return validationItem->isChecked();
}

void MainWindow::SetTitle(const char* text) {
    setWindowTitle(QString::fromLatin1(text));
}

}  // namespace brevalin
