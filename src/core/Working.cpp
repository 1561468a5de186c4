#include "core/Working.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QVBoxLayout>

bool WorkingCancelled = false;

namespace {

const char* const kCaption = "Pracuji...";
const char* const kInterruptText = "<zrušit>";
constexpr int kWidth = 346;
constexpr int kHeight = 74;

TfrmWorking* g_instance = nullptr;

void CentreOnScreen(QWidget* window) {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
    }
}

}  // namespace

TfrmWorking::TfrmWorking(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint) {
    setObjectName("frmWorking");
    setWindowTitle(QString::fromUtf8(kCaption));
    setFixedSize(kWidth, kHeight);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);

    auto* frame = new QFrame(this);
    frame->setObjectName("Shape1");
    frame->setFrameShape(QFrame::Box);
    frame->setGeometry(0, 0, kWidth, kHeight);

    lblInfo = new QLabel(frame);
    lblInfo->setObjectName("lblInfo");
    lblInfo->setTextFormat(Qt::PlainText);
    lblInfo->setAlignment(Qt::AlignCenter);
    lblInfo->setWordWrap(true);
    lblInfo->setFixedWidth(kWidth - 16);
    lblInfo->setFixedHeight(2 * lblInfo->fontMetrics().height() + 4);

    lblPrerusit = new QLabel(QString::fromUtf8(kInterruptText), frame);
    lblPrerusit->setObjectName("lblPrerusit");
    lblPrerusit->setTextFormat(Qt::PlainText);
    lblPrerusit->setCursor(Qt::PointingHandCursor);
    QPalette linkPal = lblPrerusit->palette();
    linkPal.setColor(QPalette::WindowText, Qt::blue);
    lblPrerusit->setPalette(linkPal);
    lblPrerusit->installEventFilter(this);

    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->addWidget(lblInfo, 0, Qt::AlignHCenter);
    layout->addWidget(lblPrerusit, 0, Qt::AlignHCenter);

    if (!g_instance) g_instance = this;
}

TfrmWorking::~TfrmWorking() {
    if (g_instance == this) g_instance = nullptr;
}

TfrmWorking* TfrmWorking::Instance() {
    // An operation may run before start-up has made the window (a tool, a test); it then gets one
    // of its own that lives as long as the program.
    if (!g_instance) new TfrmWorking();
    return g_instance;
}

void TfrmWorking::lblPrerusitClick() { WorkingCancelled = true; }

bool TfrmWorking::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lblPrerusit && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        lblPrerusitClick();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void ShowWorking(bool show, const QString& text, bool interruptible) {
    QCoreApplication::processEvents();
    TfrmWorking* window = TfrmWorking::Instance();
    if (!show) {
        window->hide();
        return;
    }
    window->lblPrerusit->setVisible(interruptible);
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace('\r', '\n');
    window->lblInfo->setText(shown);
    if (!window->isVisible()) {
        CentreOnScreen(window);
        window->show();
    }
    QCoreApplication::processEvents();
}
