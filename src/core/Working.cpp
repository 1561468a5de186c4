#include "core/Working.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QVBoxLayout>

#include "platform/db/ADOConnection.h"

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

namespace {

// What the working window showed before a wait took it over.
struct TWaitTakeover {
    int depth = 0;  // a statement run while the window pumps may wait too
    bool wasVisible = false;
    QString text;
    bool interruptible = false;
    bool cancelled = false;
};
TWaitTakeover g_wait;

void BeginWait() {
    TfrmWorking* window = TfrmWorking::Instance();
    g_wait.wasVisible = window->isVisible();
    g_wait.text = window->lblInfo->text();
    g_wait.interruptible = !window->lblPrerusit->isHidden();
    // The user's click during the wait means "stop waiting"; an interrupt he asked of the running
    // operation before stays asked.
    g_wait.cancelled = WorkingCancelled;
    WorkingCancelled = false;
    // While the window pumps messages nothing else may be clicked: the card whose save waits
    // would otherwise take a second OK into a save that is still running.
    window->hide();
    window->setWindowModality(Qt::ApplicationModal);
    ShowWorking(true, QString::fromUtf8(kWaitingForStationText), true);
}

void EndWait() {
    TfrmWorking* window = TfrmWorking::Instance();
    window->hide();
    window->setWindowModality(Qt::NonModal);
    WorkingCancelled = g_wait.cancelled;
    // Given back as it was, without pumping: the statement that waited has not returned yet.
    window->lblInfo->setText(g_wait.text);
    window->lblPrerusit->setVisible(g_wait.interruptible);
    if (g_wait.wasVisible) window->show();
}

bool DatabaseWait(TBusyWait event) {
    switch (event) {
        case TBusyWait::Began:
            if (g_wait.depth++ == 0) BeginWait();
            break;
        case TBusyWait::Waiting:
            break;
        case TBusyWait::Ended:
            if (--g_wait.depth == 0) EndWait();
            return true;
    }
    QCoreApplication::processEvents();
    return !WorkingCancelled;
}

}  // namespace

void InstallDatabaseWait() { TADOConnection::OnBusyWait = DatabaseWait; }

void UninstallDatabaseWait() { TADOConnection::OnBusyWait = nullptr; }
