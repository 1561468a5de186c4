#include "core/Informace.h"

#include <QAction>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

#include "core/PurchasePrices.h"

namespace {

const char* const kCaption = "Informace";
const char* const kButtonText = "OK";
const char* const kCloseActionText = "Zavřít";
constexpr int kWidth = 536;
constexpr int kHeight = 270;

TfrmInformace* g_instance = nullptr;

}  // namespace

TfrmInformace::TfrmInformace(QWidget* parent) : TVnDialog(parent) {
    setObjectName("frmInformace");
    setWindowTitle(QString::fromUtf8(kCaption));
    resize(kWidth, kHeight);

    acbtnStorno = new QAction(QString::fromUtf8(kCloseActionText), this);
    acbtnStorno->setObjectName("acbtnStorno");
    acbtnStorno->setShortcuts(
        {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    // The memo holds the focus most of the time; the keys must close the window from there too.
    acbtnStorno->setShortcutContext(Qt::WindowShortcut);
    addAction(acbtnStorno);
    connect(acbtnStorno, &QAction::triggered, this, &QDialog::reject);
    AddPurchasePriceAction(this);

    auto* pnlTop = new QWidget(this);
    pnlTop->setObjectName("pnlTop");
    auto* topLayout = new QHBoxLayout(pnlTop);
    topLayout->setContentsMargins(4, 4, 4, 4);
    btnOK = new QPushButton(QString::fromUtf8(kButtonText), pnlTop);
    btnOK->setObjectName("btnOK");
    btnOK->setAutoDefault(false);
    connect(btnOK, &QPushButton::clicked, acbtnStorno, &QAction::trigger);
    topLayout->addWidget(btnOK);
    topLayout->addStretch();

    reInformace = new QTextEdit(this);
    reInformace->setObjectName("reInformace");
    reInformace->setReadOnly(true);
    reInformace->setAcceptRichText(false);
    reInformace->setFrameShape(QFrame::NoFrame);
    reInformace->setLineWrapMode(QTextEdit::WidgetWidth);
    QPalette palette = reInformace->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    reInformace->setPalette(palette);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(pnlTop);
    layout->addWidget(reInformace, 1);

    if (!g_instance) g_instance = this;
}

TfrmInformace::~TfrmInformace() {
    if (g_instance == this) g_instance = nullptr;
}

TfrmInformace* TfrmInformace::Instance() { return g_instance; }

void TfrmInformace::Clear() {
    reInformace->clear();
    hasLines_ = false;
}

void TfrmInformace::AddLine(const QString& line) {
    QTextCursor cursor(reInformace->document());
    cursor.movePosition(QTextCursor::End);
    // An empty document already has its first line; a list may start with an empty line.
    if (hasLines_) cursor.insertBlock();
    cursor.insertText(line);
    hasLines_ = true;
}

QStringList TfrmInformace::Lines() const {
    QStringList lines;
    if (!hasLines_) return lines;
    for (QTextBlock block = reInformace->document()->begin(); block.isValid(); block = block.next())
        lines << block.text();
    return lines;
}

int TfrmInformace::ShowModal() { return exec(); }

void TfrmInformace::showEvent(QShowEvent* event) {
    TVnDialog::showEvent(event);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    reInformace->moveCursor(QTextCursor::Start);
    reInformace->verticalScrollBar()->setValue(0);
    reInformace->horizontalScrollBar()->setValue(0);
    reInformace->setFocus();
}

void TfrmInformace::keyPressEvent(QKeyEvent* event) {
    // The dialog's own Esc and Enter handling would close the window without the action; route
    // them through it so the window closes one way only.
    switch (event->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            acbtnStorno->trigger();
            event->accept();
            return;
        default:
            TVnDialog::keyPressEvent(event);
    }
}
