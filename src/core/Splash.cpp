#include "core/Splash.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

TfrmSplash* frmSplash = nullptr;

namespace {

const char* const kPleaseWaitText = "Prosím čekejte...";
const char* const kPasswordCaptionText = "Zadejte heslo";
const char* const kOkText = "OK";
const char* const kCancelText = "Zpět";
const char* const kPictureTitle = "Varnobis";
const char* const kPictureSubtitle = "cenové nabídky";
// Bullets hide the typed password from a look over the shoulder.
const QChar kPasswordChar(0x2022);
constexpr int kTimerInterval = 1000;
constexpr int kShapeWidth = 64;
constexpr int kShapeHeight = 22;

QLabel* WhiteLabel(const QString& text, QWidget* parent, bool bold) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(pal);
    if (bold) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    return label;
}

}  // namespace

TSplashShape::TSplashShape(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::PointingHandCursor);
    setFixedSize(kShapeWidth, kShapeHeight);
}

void TSplashShape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(Qt::white);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TSplashShape::mouseReleaseEvent(QMouseEvent* event) {
    QWidget::mouseReleaseEvent(event);
    if (rect().contains(event->position().toPoint())) emit released();
}

TfrmSplash::TfrmSplash(QWidget* parent) : TVnDialog(parent) {
    setObjectName("frmSplash");
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setFixedSize(kSplashWidth, kSplashHeight);
    setWindowTitle(QString::fromUtf8(kPictureTitle));

    lblProgramVer = WhiteLabel(QString(), this, false);
    lblProgramVer->setObjectName("lblProgramVer");
    lblPleaseWait = WhiteLabel(QString::fromUtf8(kPleaseWaitText), this, false);
    lblPleaseWait->setObjectName("lblPleaseWait");
    lblPasswordCaption = WhiteLabel(QString::fromUtf8(kPasswordCaptionText), this, false);
    lblPasswordCaption->setObjectName("lblPasswordCaption");

    edtPassword = new QLineEdit(this);
    edtPassword->setObjectName("edtPassword");
    edtPassword->setFrame(false);
    edtPassword->setEchoMode(QLineEdit::Password);
    edtPassword->setStyleSheet(
        QStringLiteral("lineedit-password-character: %1;").arg(kPasswordChar.unicode()));
    edtPassword->setFixedWidth(150);
    edtPassword->installEventFilter(this);

    shOK = new TSplashShape(this);
    shOK->setObjectName("shOK");
    lblOK = WhiteLabel(QString::fromUtf8(kOkText), shOK, true);
    lblOK->setObjectName("lblOK");
    shCancel = new TSplashShape(this);
    shCancel->setObjectName("shCancel");
    lblCancel = WhiteLabel(QString::fromUtf8(kCancelText), shCancel, true);
    lblCancel->setObjectName("lblCancel");
    for (QLabel* label : {lblOK, lblCancel}) {
        label->setAlignment(Qt::AlignCenter);
        label->setGeometry(1, 1, kShapeWidth - 2, kShapeHeight - 2);
        label->setCursor(Qt::PointingHandCursor);
        label->installEventFilter(this);
    }
    connect(shOK, &TSplashShape::released, this, &QDialog::accept);
    connect(shCancel, &TSplashShape::released, this, &QDialog::reject);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(kTimerInterval);
    connect(Timer1, &QTimer::timeout, this, &TfrmSplash::Timer1Timer);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(shOK);
    buttons->addSpacing(8);
    buttons->addWidget(shCancel);
    buttons->addStretch();

    auto* password = new QHBoxLayout;
    password->addStretch();
    password->addWidget(lblPasswordCaption);
    password->addWidget(edtPassword);
    password->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 8, 10, 14);
    layout->addWidget(lblProgramVer, 0, Qt::AlignLeft | Qt::AlignTop);
    layout->addStretch(1);
    layout->addWidget(lblPleaseWait, 0, Qt::AlignHCenter);
    layout->addLayout(password);
    layout->addLayout(buttons);

    ApplyMode();
    if (!frmSplash) frmSplash = this;
}

TfrmSplash::~TfrmSplash() {
    if (frmSplash == this) frmSplash = nullptr;
}

void TfrmSplash::ApplyMode() {
    lblPleaseWait->setVisible(!PasswordMode);
    for (QWidget* w : std::initializer_list<QWidget*>{lblPasswordCaption, edtPassword, shOK, shCancel})
        w->setVisible(PasswordMode);
    Timer1->stop();
    if (PasswordMode) Timer1->start();
}

void TfrmSplash::showEvent(QShowEvent* event) {
    ApplyMode();
    TVnDialog::showEvent(event);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    if (PasswordMode) edtPassword->setFocus();
}

void TfrmSplash::hideEvent(QHideEvent* event) {
    // A tick after the prompt has closed would show the window again over the program.
    Timer1->stop();
    TVnDialog::hideEvent(event);
}

void TfrmSplash::paintEvent(QPaintEvent*) {
    // The picture of the window: the program's name over a dark band.
    QPainter painter(this);
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0, QColor(0x1F, 0x3A, 0x68));
    gradient.setColorAt(1, QColor(0x0B, 0x16, 0x2E));
    painter.fillRect(rect(), gradient);
    QFont title = font();
    title.setPointSize(26);
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 30, width(), 50), Qt::AlignHCenter | Qt::AlignVCenter,
                     QString::fromUtf8(kPictureTitle));
    QFont subtitle = font();
    subtitle.setItalic(true);
    painter.setFont(subtitle);
    painter.setPen(QColor(0xC8, 0xD6, 0xEE));
    painter.drawText(QRect(0, 80, width(), 22), Qt::AlignHCenter | Qt::AlignVCenter,
                     QString::fromUtf8(kPictureSubtitle));
}

void TfrmSplash::Timer1Timer() {
    Timer1->stop();
    // The flags go to the platform window directly: changing them on the widget would hide it
    // and end the prompt. Position and size stay, and the window is not activated, so the
    // user's focus in another program stays where it is.
    QCoreApplication::processEvents();
    QWindow* window = windowHandle();
    if (!window) return;
    window->setFlags(window->flags() | Qt::WindowStaysOnTopHint);
    window->raise();
    QCoreApplication::processEvents();
    window->setFlags(window->flags() & ~Qt::WindowStaysOnTopHint);
    window->raise();
    QCoreApplication::processEvents();
}

bool TfrmSplash::HandleKey(QKeyEvent* event) {
    Timer1->stop();
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            accept();
            return true;
        case Qt::Key_Escape:
            reject();
            return true;
        default:
            return false;
    }
}

void TfrmSplash::keyPressEvent(QKeyEvent* event) {
    if (HandleKey(event)) {
        event->accept();
        return;
    }
    TVnDialog::keyPressEvent(event);
}

bool TfrmSplash::eventFilter(QObject* watched, QEvent* event) {
    // The window sees every key before the password field does.
    if (watched == edtPassword && event->type() == QEvent::KeyPress)
        return HandleKey(static_cast<QKeyEvent*>(event));
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        auto* label = qobject_cast<QLabel*>(watched);
        if (label && label->rect().contains(mouse->position().toPoint())) {
            if (label == lblOK) accept();
            if (label == lblCancel) reject();
            return true;
        }
    }
    return TVnDialog::eventFilter(watched, event);
}
