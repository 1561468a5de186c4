#include "widgets/VnPopupWindow.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>
#include <QScreen>
#include <algorithm>
#include <climits>
#include <cmath>

namespace {

TRect DesktopRect() {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return TRect::FromQRect(screen->virtualGeometry());
    return {0, 0, 1024, 768};
}

TRect PrimaryScreenRect() {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return {0, 0, screen->size().width(), screen->size().height()};
    return {0, 0, 1024, 768};
}

// Whole numbers as the platform rounds them: halves go to the even neighbour.
int RoundEven(double value) { return static_cast<int>(std::nearbyint(value)); }

constexpr Qt::WindowFlags kFloatingFlags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                                           Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint;

}  // namespace

QEvent::Type TVnPopupPlacementEvent::EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

// ---- shadow -----------------------------------------------------------------------------------------

TVnControlShadow::TVnControlShadow(TVnPopupWindow* popup)
    : QWidget(popup, kFloatingFlags | Qt::WindowTransparentForInput), popup_(popup) {
    setObjectName(QStringLiteral("Shadow"));
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void TVnControlShadow::Notify() {
    if (popup_) popup_->ShadowChanged(this);
}

void TVnControlShadow::SetAngle(int value) {
    if (value == angle_) return;
    angle_ = value;
    Notify();
}

void TVnControlShadow::SetDistance(unsigned value) {
    if (value == distance_) return;
    distance_ = value;
    Notify();
}

void TVnControlShadow::SetSize(unsigned value) {
    if (value == size_) return;
    size_ = value;
    Notify();
}

void TVnControlShadow::SetShadowVisible(bool value) {
    if (value == visible_) return;
    visible_ = value;
    Notify();
}

void TVnControlShadow::SetShadowRegion(const QRegion& region) {
    shadowRegion_ = region;
    update();
}

QPoint TVnControlShadow::ShadowOffset() const {
    if (!visible_) return {};
    const double angle = angle_ * M_PI / 180.0;
    return {RoundEven(-std::cos(angle) * distance_), RoundEven(std::sin(angle) * distance_)};
}

void TVnControlShadow::ShowShadow() {
    if (!visible_ || width() <= 0 || height() <= 0) return;
    show();
    // Just below the popup: the popup goes back on top of it.
    if (popup_) popup_->raise();
}

void TVnControlShadow::HideShadow() { hide(); }

QImage TVnControlShadow::RenderShadow() const {
    // The soft shadow is rendered on white and its darkness becomes the alpha of a black window, so
    // that whatever lies under the popup shows through as through the platform's screen copy.
    QImage light(width() + 3, height() + 3, QImage::Format_RGB32);
    light.fill(Qt::white);
    DrawSoftShadow(light, shadowRegion_, clWhite, clBlack, static_cast<int>(size_), blendLevel_, QPoint(1, 1),
                   false);
    QImage out(width(), height(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < out.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(light.constScanLine(y + 1));
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) line[x] = qRgba(0, 0, 0, 255 - qGreen(in[x + 1]));
    }
    return out;
}

bool TVnControlShadow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && popup_ && popup_->OwnerControl()) {
        QWidget* form = popup_->OwnerControl()->window();
        if (form && form->isVisible()) form->activateWindow();
    }
    return QWidget::event(event);
}

void TVnControlShadow::paintEvent(QPaintEvent*) {
    if (width() <= 0 || height() <= 0) return;
    QPainter canvas(this);
    canvas.setCompositionMode(QPainter::CompositionMode_Source);
    canvas.drawImage(0, 0, RenderShadow());
}

// ---- popup ------------------------------------------------------------------------------------------

TVnPopupWindow::TVnPopupWindow(QWidget* owner) : QWidget(owner, kFloatingFlags), owner_(owner) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    shadow_ = new TVnControlShadow(this);
    hide();
}

TVnPopupWindow::~TVnPopupWindow() {
    if (shown_) HidePopup();
    SetParentFormHook(false);
}

void TVnPopupWindow::SetColor(TColor value) {
    color_ = value;
    update();
}

void TVnPopupWindow::SetPlacement(int value) {
    if (value == placement_) return;
    placement_ = value;
    if (shown_) ShowPopup();
}

int TVnPopupWindow::CalcPlacement(int placement, const TVnOwnerGeometry* owner, const TRect& popupRect,
                                  bool fit, const TRect& desktop, const TRect& primaryScreen,
                                  QPoint& position) {
    const int w = popupRect.Width(), h = popupRect.Height();
    if (!owner) {
        int left = popupRect.Left, top = popupRect.Top;
        if (fit) {
            left = std::max(std::min(left, primaryScreen.Right - w), 0);
            top = std::max(std::min(top, primaryScreen.Bottom - h), 0);
        }
        position = {left, top};
        return -1;
    }
    const QRect& outer = owner->Outer;
    const QRect& client = owner->Client;
    const int outerRight = outer.x() + outer.width(), outerBottom = outer.y() + outer.height();
    QPoint p;
    switch (placement) {
        case ppBelow:
            p = {outer.x(), outerBottom};
            break;
        case ppBelowRight:
            p = {outerRight - w, outerBottom};
            break;
        case ppClientPoint:
            p = client.topLeft() + QPoint(popupRect.Left, popupRect.Top);
            break;
        case ppRight:
            p = {client.x() + client.width(), outer.y()};
            break;
        default:
            position = {popupRect.Left, popupRect.Top};
            return -1;
    }
    if (!fit) {
        position = p;
        return 0;
    }
    // The offsets make the toolkit's fitting put a raised popup on the owner's top edge and a popup
    // pushed from the right beside the owner's left edge where the placement hangs on the owner.
    QPoint offset;
    if (placement == ppBelow || placement == ppBelowRight) offset.setY(desktop.Bottom - outer.y());
    if (placement == ppRight) offset.setX(desktop.Right - outer.x());
    TRect r{p.x(), p.y(), p.x() + w, p.y() + h};
    const int result = ::FitToScreen(r, w, h, offset, desktop);
    position = {r.Left, r.Top};
    return result;
}

TVnOwnerGeometry TVnPopupWindow::OwnerGeometry(const QWidget* owner) {
    TVnOwnerGeometry g;
    g.Outer = QRect(owner->mapToGlobal(QPoint(0, 0)), owner->size());
    QRect client = owner->contentsRect();
    if (const auto* area = qobject_cast<const QAbstractScrollArea*>(owner))
        client = area->viewport()->geometry();
    g.Client = QRect(owner->mapToGlobal(client.topLeft()), client.size());
    return g;
}

int TVnPopupWindow::Place(QPoint& position) const {
    if (!owner_)
        return CalcPlacement(placement_, nullptr, popupRect_, fitToScreen_, DesktopRect(),
                             PrimaryScreenRect(), position);
    const TVnOwnerGeometry g = OwnerGeometry(owner_);
    return CalcPlacement(placement_, &g, popupRect_, fitToScreen_, DesktopRect(), PrimaryScreenRect(),
                         position);
}

QRegion TVnPopupWindow::GetPopupRegion() { return QRegion(rect()); }

bool TVnPopupWindow::ParentFormWndProc(QEvent* event) {
    // The form stays active by itself, since the popup never takes the focus; what is left is a
    // press on the form's title bar, which hides the popup unless the form is minimised.
    if (event->type() == QEvent::NonClientAreaMouseButtonPress) {
        const auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() == Qt::LeftButton && hookedForm_ && !hookedForm_->isMinimized()) HidePopup();
    }
    return false;
}

void TVnPopupWindow::SetParentFormHook(bool on) {
    if (on) {
        if (!hookParentForm_ || hookedForm_ || !owner_) return;
        hookedForm_ = owner_->window();
        if (hookedForm_ == this) {
            hookedForm_ = nullptr;
            return;
        }
        hookedForm_->installEventFilter(this);
    } else if (hookedForm_) {
        hookedForm_->removeEventFilter(this);
        hookedForm_ = nullptr;
    }
}

bool TVnPopupWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == hookedForm_ && watched != this) {
        // Whatever the popup does with the form's event must not break the form's own handling.
        try {
            return ParentFormWndProc(event);
        } catch (...) {
            return false;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool TVnPopupWindow::event(QEvent* event) {
    // A window system that activates every window it shows is overruled: the activation goes back
    // to the owner's form, which keeps its focused control.
    if (event->type() == QEvent::WindowActivate && owner_) {
        QWidget* form = owner_->window();
        if (form && form != this && form->isVisible()) form->activateWindow();
    }
    return QWidget::event(event);
}

void TVnPopupWindow::mousePressEvent(QMouseEvent* event) {
    raise();
    QWidget::mousePressEvent(event);
}

void TVnPopupWindow::paintEvent(QPaintEvent*) {}

void TVnPopupWindow::SetPopupBounds(int left, int top, int width, int height) {
    popupRect_ = {left, top, left + width, top + height};
    if (shown_)
        ShowPopup();
    else
        setGeometry(left, top, width, height);
}

void TVnPopupWindow::SetBounds(int left, int top, int width, int height) {
    if (shown_) shadow_->HideShadow();
    popupRect_ = {left, top, left + width, top + height};
    if (shown_) {
        // The requested place may be a point of the owner; the window goes where the placement says.
        QPoint p;
        const int result = Place(p);
        setGeometry(p.x(), p.y(), width, height);
        if (result != -1) SetPlacementResult(result);
    } else {
        setGeometry(left, top, width, height);
    }
    UpdateShadow(shown_);
}

void TVnPopupWindow::UpdateShadow(bool showAfter) {
    if (popupRect_.Width() <= 0 || popupRect_.Height() <= 0) return;
    if (!shown_ && !showAfter) return;
    QPoint p;
    const int result = Place(p);
    if (result != -1) placementResult_ = result;
    const QRegion region = GetPopupRegion();
    const QRect box = region.boundingRect();
    const QPoint extra = GetShadowOffset();
    const QPoint offset = shadow_->ShadowOffset();
    shadow_->setGeometry(QRect(p + extra + offset, box.size()));
    shadow_->SetShadowRegion(region);
    shadow_->setMask(region.subtracted(region.translated(-offset)));
    if (showAfter) shadow_->ShowShadow();
}

void TVnPopupWindow::ShadowChanged(TVnControlShadow* shadow) {
    if (shadow != shadow_ || !shown_) return;
    if (shadow_->ShadowVisible())
        UpdateShadow(true);
    else
        shadow_->HideShadow();
}

void TVnPopupWindow::ShowPopup() {
    if (!shown_) {
        if (shadow_->ShadowVisible()) UpdateShadow(false);
        SetParentFormHook(true);
    }
    QPoint p;
    const int result = Place(p);
    if (owner_) {
        TVnPopupPlacementEvent notice(this, p.x(), p.y());
        QCoreApplication::sendEvent(owner_, &notice);
    }
    const QSize size(popupRect_.Width() > 0 ? popupRect_.Width() : width(),
                     popupRect_.Height() > 0 ? popupRect_.Height() : height());
    setGeometry(QRect(p, size));
    const QRegion region = GetPopupRegion();
    if (region == QRegion(rect()))
        clearMask();
    else
        setMask(region);
    show();
    raise();
    if (result != -1) SetPlacementResult(result);
    shown_ = true;
    if (shadow_->ShadowVisible()) UpdateShadow(true);
}

void TVnPopupWindow::HidePopup() {
    SetParentFormHook(false);
    shadow_->HideShadow();
    hide();
    shown_ = false;
}

// ---- move-and-size loop ------------------------------------------------------------------------------

void TVnPopupWindow::TrackPopup(TVnTrackKind kind, QPoint globalStart) {
    if (tracker_) tracker_->Cancel();
    tracker_ = new TVnPopupTracker(this, kind, globalStart);
}

TVnPopupTracker* TVnPopupWindow::Tracker() const { return tracker_; }

TVnDragFrameWindow::TVnDragFrameWindow()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setObjectName(QStringLiteral("VnDragFrame"));
}

void TVnDragFrameWindow::SetOutline(const QRect& outline) {
    setGeometry(outline.normalized());
    update();
}

void TVnDragFrameWindow::paintEvent(QPaintEvent*) {
    QPainter canvas(this);
    // The band the drag frame inverts; a window of its own cannot invert what lies under it, so it is
    // drawn in the colour the inversion uses.
    const QColor band = ToQColor(0x999999);
    const QRect r = rect();
    const int w = std::min({kBandWidth, r.width(), r.height()});
    canvas.fillRect(QRect(r.left(), r.top(), r.width(), w), band);
    canvas.fillRect(QRect(r.left(), r.bottom() - w + 1, r.width(), w), band);
    canvas.fillRect(QRect(r.left(), r.top(), w, r.height()), band);
    canvas.fillRect(QRect(r.right() - w + 1, r.top(), w, r.height()), band);
}

TVnPopupTracker::TVnPopupTracker(TVnPopupWindow* popup, TVnTrackKind kind, QPoint globalStart)
    : QObject(popup), popup_(popup), kind_(kind), start_(globalStart) {
    startRect_ = popup->geometry();
    left_ = startRect_.left();
    top_ = startRect_.top();
    right_ = left_ + startRect_.width();
    bottom_ = top_ + startRect_.height();
    frame_ = new TVnDragFrameWindow;
    // The loop's own message window: it stays as long as the loop and never hides by itself.
    message_ = new TVnMessageWindow(nullptr);
    message_->setObjectName(QStringLiteral("VnTrackMessage"));
    message_->SetAutoHide(false);
    message_->SetFitToScreen(false);
    ShowOutline();
    qApp->installEventFilter(this);
    popup->grabMouse();
}

TVnPopupTracker::~TVnPopupTracker() {
    if (active_) End();
}

QRect TVnPopupTracker::Outline() const {
    return QRect(std::min(left_, right_), std::min(top_, bottom_), std::abs(right_ - left_),
                 std::abs(bottom_ - top_));
}

QString TVnPopupTracker::MessageText(TVnTrackKind kind, const QRect& outline) {
    const QRect r = outline.normalized();
    return kind == TVnTrackKind::Size ? QString::asprintf("%d x %d", r.width(), r.height())
                                      : QString::asprintf("%d, %d", r.left(), r.top());
}

void TVnPopupTracker::ShowOutline() {
    const QRect r = Outline();
    frame_->SetOutline(r);
    frame_->show();
    message_->SetText(MessageText(kind_, r));
    message_->SetPopupBounds(r.left() + 4, r.top() + 4, message_->width(), message_->height());
    message_->Relayout();
    if (!message_->Shown()) message_->ShowPopup();
}

void TVnPopupTracker::PointerMoved(QPoint global) {
    if (!active_) return;
    const QPoint d = global - start_;
    const int right = startRect_.left() + startRect_.width(), bottom = startRect_.top() + startRect_.height();
    if (kind_ == TVnTrackKind::Move) {
        left_ = startRect_.left() + d.x();
        top_ = startRect_.top() + d.y();
    }
    // Moving carries the far edges along; sizing moves only them, also past the near ones.
    right_ = right + d.x();
    bottom_ = bottom + d.y();
    ShowOutline();
}

void TVnPopupTracker::Apply() {
    if (!active_) return;
    const QRect target = Outline();
    End();
    if (!popup_) return;
    popup_->SetPlacement(ppAbsolute);
    popup_->SetBounds(target.left(), target.top(), target.width(), target.height());
}

void TVnPopupTracker::Cancel() {
    if (active_) End();
}

void TVnPopupTracker::End() {
    active_ = false;
    qApp->removeEventFilter(this);
    if (popup_ && QWidget::mouseGrabber() == popup_) popup_->releaseMouse();
    // The outline and the message go in every case, whatever ended the loop.
    delete frame_;
    frame_ = nullptr;
    delete message_;
    message_ = nullptr;
    deleteLater();
}

bool TVnPopupTracker::eventFilter(QObject* watched, QEvent* event) {
    if (!active_) return false;
    switch (event->type()) {
        case QEvent::MouseMove:
            PointerMoved(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            // A left press or a double click gives up; the other buttons are not heard.
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) Cancel();
            return true;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) Apply();
            return true;
        case QEvent::KeyPress:
        case QEvent::ShortcutOverride:
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) Cancel();
            return true;
        case QEvent::KeyRelease:
            return true;
        case QEvent::UngrabMouse:
            // Another window took the mouse: the loop cannot go on.
            if (watched == popup_) Cancel();
            return false;
        default:
            return false;
    }
}

// ---- message window ---------------------------------------------------------------------------------

QEvent::Type TVnMessageShowEvent::EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

QEvent::Type TVnMessageHideEvent::EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

namespace {

// The message window's timer on the program's event loop.
class TEventLoopTimer : public IVnWindowTimer {
public:
    TEventLoopTimer() {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (elapsed_) elapsed_();
        });
    }
    bool Start(int milliseconds, std::function<void()> elapsed) override {
        elapsed_ = std::move(elapsed);
        timer_.start(std::max(milliseconds, 0));
        return timer_.isActive();
    }
    void Stop() override { timer_.stop(); }

private:
    QTimer timer_;
    std::function<void()> elapsed_;
};

}  // namespace

TVnMessageWindow::TVnMessageWindow(QWidget* owner) : TVnPopupWindow(owner) {
    SetHookParentForm(true);
    buttons_ = new TVnEditButtons(this);
    buttons_->SetDefaultColor(clBtnFace);
    buttons_->SetSetFlag(sfKeyboardNavigation, true);
    buttons_->SetSetFlag(sfPaintOnErase, false);
    buttons_->HookControl();
    buttons_->OnChange = [this](TVnEditButtons*) {
        setAttribute(Qt::WA_TransparentForMouseEvents, buttons_->Count() == 0);
    };
    setAttribute(Qt::WA_TransparentForMouseEvents, true);
    timer_ = std::make_unique<TEventLoopTimer>();
    SetColor(kBackground);
}

TVnMessageWindow::~TVnMessageWindow() {
    StopTimer();
    buttons_->OnChange = nullptr;
    buttons_->MarkDestroying();
}

void TVnMessageWindow::SetText(const QString& value) {
    if (value == text_) return;
    text_ = value;
    if (autoSize_) Relayout();
    update();
}

void TVnMessageWindow::SetKind(int value) {
    kind_ = value;
    if (kind_ == mkInvalidValue) icon_ = LoadBitmapResource(QStringLiteral("VN_MV_INVALIDVALUE"));
    if (kind_ == mkPlain) icon_ = QImage();
    if (autoSize_) Relayout();
}

void TVnMessageWindow::SetIcon(const QImage& value) {
    icon_ = value;
    if (autoSize_) Relayout();
}

void TVnMessageWindow::SetShape(int value) {
    shape_ = value;
    if (autoSize_) Relayout();
    ApplyRegion();
}

int TVnMessageWindow::BodyTop() const {
    if (shape_ != msBalloon) return 0;
    const int r = PlacementResult();
    return r == 0 || r == 2 || r == 4 ? tailHeight_ : 0;
}

int TVnMessageWindow::BodyBottom() const {
    if (shape_ != msBalloon) return height();
    const int r = PlacementResult();
    return r == 1 || r == 3 ? height() - tailHeight_ : height();
}

TRect TVnMessageWindow::TextRect() const {
    const int inset = shape_ == msRectangle ? 1 : cornerRadius_ - 3;
    const int iconPart = icon_.isNull() ? 0 : icon_.width() + kIconSpacing;
    int bottom = BodyBottom() - inset - margins_.bottom();
    if (buttons_->Count() > 0) bottom = BodyTop() + inset + margins_.top() + textSize_.height();
    return {inset + margins_.left() + iconPart, BodyTop() + inset + margins_.top(),
            width() - inset - margins_.right(), bottom};
}

void TVnMessageWindow::Relayout() {
    if (!autoSize_) return;
    QImage scratch(1, 1, QImage::Format_RGB32);
    QPainter canvas(&scratch);
    canvas.setFont(font());
    QPoint extent;
    DrawMarkupText(canvas, text_, TRect{0, 0, INT_MAX / 4, INT_MAX / 4}, false, DT_LEFT, nullptr, extent);
    textSize_ = QSize(extent.x(), extent.y());
    const int iconPart = icon_.isNull() ? 0 : icon_.width() + kIconSpacing;
    const TRect row = buttons_->ButtonsRect();
    const int rowHeight = buttons_->Count() > 0 ? row.Height() + 5 : 0;
    int contentWidth = std::max(iconPart + textSize_.width(), row.Width());
    if (maxWidth_ > 0 && maxWidth_ < contentWidth) {
        const int excess = contentWidth - maxWidth_;
        for (int i = 0; i < buttons_->Count(); ++i) {
            TVnEditButton* b = buttons_->Buttons(i);
            b->SetLeft(b->Left() - excess);
        }
        DrawMarkupText(canvas, text_, TRect{0, 0, maxWidth_ - iconPart, 500}, false, DT_LEFT | DT_WORDBREAK,
                       nullptr, extent);
        textSize_ = QSize(std::min(extent.x(), maxWidth_ - iconPart), std::min(extent.y(), 500));
        contentWidth = maxWidth_;
    }
    const int contentHeight = std::max(textSize_.height(), icon_.isNull() ? 0 : icon_.height()) + rowHeight;
    int w = contentWidth + margins_.left() + margins_.right();
    int h = contentHeight + margins_.top() + margins_.bottom();
    if (shape_ == msRectangle) {
        w += 2;
        h += 2;
    } else {
        w += (cornerRadius_ - 3) * 2;
        h += (cornerRadius_ - 3) * 2;
        if (shape_ == msBalloon) h += tailHeight_;
    }
    // The buttons' row goes under the text.
    const int inset = shape_ == msRectangle ? 1 : cornerRadius_ - 3;
    const int rowTop = BodyTop() + inset + margins_.top() + std::max(textSize_.height(), icon_.height()) + 5;
    for (int i = 0; i < buttons_->Count(); ++i) {
        TVnEditButton* b = buttons_->Buttons(i);
        b->SetTop(rowTop + b->Top() - row.Top);
    }
    SetBounds(PopupRect().Left, PopupRect().Top, w, h);
    ApplyRegion();
}

QRegion TVnMessageWindow::GetPopupRegion() {
    const int w = width();
    if (shape_ == msRectangle) return QRegion(rect());
    QPainterPath path;
    path.addRoundedRect(QRectF(0, BodyTop(), w, BodyBottom() - BodyTop()), cornerRadius_, cornerRadius_);
    if (shape_ == msBalloon && BodyTop() > 0) {
        const int r = PlacementResult();
        const int t = tailHeight_;
        int x = 8;  // the tail's foot starts here and its tip stands over it
        if (r == 2) x = w - 8 - t;
        if (r == 4) x = (w - t) / 2;
        QPolygonF tail;
        tail << QPointF(x, t + 1) << QPointF(x + t, t + 1) << QPointF(r == 2 ? x + t : x, 0);
        path.addPolygon(tail);
        path = path.simplified();
    }
    return QRegion(path.toFillPolygon().toPolygon());
}

void TVnMessageWindow::ApplyRegion() {
    const QRegion region = GetPopupRegion();
    if (region == QRegion(rect()))
        clearMask();
    else
        setMask(region);
}

void TVnMessageWindow::resizeEvent(QResizeEvent* event) {
    TVnPopupWindow::resizeEvent(event);
    ApplyRegion();
}

QImage TVnMessageWindow::Render() {
    QImage image(size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter canvas(&image);
    const QRegion region = GetPopupRegion();
    canvas.setClipRegion(region);
    FillRect(canvas, {0, 0, width(), height()}, Color());
    const TRect r{0, 0, width(), height()};
    if (shape_ == msRectangle) {
        DrawEdge(canvas, r, BDR_SUNKENOUTER, BF_LEFT | BF_TOP);
        DrawEdge(canvas, r, BDR_RAISEDOUTER, BF_RIGHT | BF_BOTTOM);
    } else {
        // The outline: every pixel of the shape that has a neighbour outside it.
        const QRegion inner = region.intersected(region.translated(1, 0))
                                  .intersected(region.translated(-1, 0))
                                  .intersected(region.translated(0, 1))
                                  .intersected(region.translated(0, -1));
        for (const QRect& part : region.subtracted(inner)) canvas.fillRect(part, ToQColor(clBtnShadow));
    }
    const int inset = shape_ == msRectangle ? 1 : cornerRadius_ - 3;
    if (!icon_.isNull())
        DrawTransparent(canvas, icon_, {inset + margins_.left(), BodyTop() + inset + margins_.top(), 0, 0},
                        false, 0xFFFFFF);
    TRect text = TextRect();
    canvas.setFont(font());
    canvas.setPen(ToQColor(clInfoText));
    if (!OnDrawText || !OnDrawText(this, canvas, text)) {
        if (centerText_) {
            QPoint extent;
            DrawMarkupText(canvas, text_, text, false, TextFormat(), nullptr, extent);
            const int spare = text.Height() - extent.y();
            if (spare > 0) text.Top += spare / 2;
        }
        QPoint extent;
        DrawMarkupText(canvas, text_, text, true, TextFormat(), nullptr, extent);
    }
    return image;
}

void TVnMessageWindow::paintEvent(QPaintEvent*) {
    QPainter canvas(this);
    canvas.drawImage(0, 0, Render());
}

bool TVnMessageWindow::event(QEvent* event) {
    if (event->type() == QEvent::Leave) buttons_->UpdateHotState();
    return TVnPopupWindow::event(event);
}

void TVnMessageWindow::ShowPopup() {
    int delay = 0;
    if (OwnerControl()) {
        TVnMessageShowEvent request(this);
        QCoreApplication::sendEvent(OwnerControl(), &request);
        delay = request.Delay;
    }
    if (delay > 0)
        StartTimer(delay, TVnTimerMode::Show);
    else
        ShowNow();
}

void TVnMessageWindow::ShowNow() {
    TVnPopupWindow::ShowPopup();
    ApplyRegion();
    if (autoHide_) StartTimer(hideDelay_, TVnTimerMode::Hide);
}

void TVnMessageWindow::HidePopup() {
    StopTimer();
    TVnPopupWindow::HidePopup();
}

void TVnMessageWindow::SetTimer(std::unique_ptr<IVnWindowTimer> timer) {
    StopTimer();
    if (timer) timer_ = std::move(timer);
}

void TVnMessageWindow::StartTimer(int milliseconds, TVnTimerMode mode) {
    StopTimer();
    // A window with buttons waits for its buttons: it must not vanish under a user about to press
    // one. Its delayed showing still comes, or it would never be seen at all.
    if (mode == TVnTimerMode::None || (mode == TVnTimerMode::Hide && buttons_->Count() > 0)) return;
    hideMode_ = mode;
    timerId_ = kTimerId;
    if (!timer_->Start(milliseconds, [this] { TimerElapsed(); })) {
        // Without a timer the window does at once what it would have done later.
        timerId_ = 0;
        RunTimerMode(mode);
    }
}

void TVnMessageWindow::StopTimer(TVnTimerMode mode) {
    const bool running = timerId_ != 0;
    if (running) timer_->Stop();
    timerId_ = 0;
    if (running && mode != TVnTimerMode::None) RunTimerMode(mode);
}

void TVnMessageWindow::TimerElapsed() {
    if (timerId_ == 0) return;
    StopTimer(hideMode_);
}

void TVnMessageWindow::RunTimerMode(TVnTimerMode mode) {
    switch (mode) {
        case TVnTimerMode::Show:
            ShowNow();
            break;
        case TVnTimerMode::Hide:
            // An owner decides itself when its message goes; a free window goes by itself.
            if (OwnerControl())
                QCoreApplication::postEvent(OwnerControl(), new TVnMessageHideEvent(this));
            else
                HidePopup();
            break;
        case TVnTimerMode::None:
            break;
    }
}
