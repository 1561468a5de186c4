#pragma once

#include <QEvent>
#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

#include "widgets/VnEditButton.h"
#include "widgets/VnEditTools.h"

class TVnPopupWindow;
class TVnMessageWindow;
class TVnPopupTracker;

// What a move-and-size loop does with the popup's outline.
enum class TVnTrackKind { Move, Size };

enum TVnPopupPlacement { ppAbsolute, ppBelow, ppBelowRight, ppClientPoint, ppRight };

// Sent to the owner control just before a popup shows at a computed place. Nothing has to answer it;
// the popup does not read it back.
class TVnPopupPlacementEvent : public QEvent {
public:
    static QEvent::Type EventType();
    TVnPopupPlacementEvent(TVnPopupWindow* popup, int left, int top)
        : QEvent(EventType()), Popup(popup), Left(left), Top(top) {}
    TVnPopupWindow* Popup;
    int Flag = 1;
    int Left, Top;
};

// Where an owner control stands on the screen: its whole widget and its client area (for a scroll
// area the viewport, else the contents rectangle), both in screen coordinates.
struct TVnOwnerGeometry {
    QRect Outer;
    QRect Client;
};

// The drop shadow of a popup: a translucent tool window of its own that lies under the popup and
// shows only where the popup does not cover it. It never takes the mouse or the focus.
class TVnControlShadow : public QWidget {
    Q_OBJECT
public:
    explicit TVnControlShadow(TVnPopupWindow* popup);

    int Angle() const { return angle_; }
    void SetAngle(int value);
    unsigned Distance() const { return distance_; }
    void SetDistance(unsigned value);
    unsigned Size() const { return size_; }
    void SetSize(unsigned value);
    bool ShadowVisible() const { return visible_; }
    void SetShadowVisible(bool value);
    int BlendLevel() const { return blendLevel_; }
    void SetBlendLevel(int value) { blendLevel_ = value; }
    TVnPopupWindow* Popup() const { return popup_; }
    const QRegion& ShadowRegion() const { return shadowRegion_; }

    void SetShadowRegion(const QRegion& region);
    void ShowShadow();
    void HideShadow();
    // How far the shadow lies from the popup: (0, 0) while the shadow is off.
    QPoint ShadowOffset() const;
    // The shadow's pixels as it paints them: black with the soft shadow's darkness as alpha.
    QImage RenderShadow() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Notify();

    TVnPopupWindow* popup_;
    int angle_ = 135;
    unsigned distance_ = 4;
    unsigned size_ = 5;
    bool visible_ = false;
    int blendLevel_ = 180;
    QRegion shadowRegion_;
};

// A floating window that drops down next to the control that owns it. It is a tool window above the
// others that shows without activation and never takes the focus from the owner's form.
class TVnPopupWindow : public QWidget {
    Q_OBJECT
public:
    explicit TVnPopupWindow(QWidget* owner);
    ~TVnPopupWindow() override;

    QWidget* OwnerControl() const { return owner_; }
    int Placement() const { return placement_; }
    void SetPlacement(int value);
    bool FitToScreen() const { return fitToScreen_; }
    void SetFitToScreen(bool value) { fitToScreen_ = value; }
    TRect PopupRect() const { return popupRect_; }
    int PlacementResult() const { return placementResult_; }
    bool HookParentForm() const { return hookParentForm_; }
    void SetHookParentForm(bool value) { hookParentForm_ = value; }
    bool Shown() const { return shown_; }
    TVnControlShadow& Shadow() { return *shadow_; }
    TColor Color() const { return color_; }
    void SetColor(TColor value);

    // The place of the popup for a placement, before it is shown. Answers the placement result: -1
    // when the place was taken as given, else bit 0 when it was raised above the bottom of the
    // desktop and 2 when it was moved in from the right.
    static int CalcPlacement(int placement, const TVnOwnerGeometry* owner, const TRect& popupRect, bool fit,
                             const TRect& desktop, const TRect& primaryScreen, QPoint& position);
    // The same for this popup and its owner, on this machine's screens.
    int Place(QPoint& position) const;
    static TVnOwnerGeometry OwnerGeometry(const QWidget* owner);

    // Virtual operations.
    // The shape of the popup in its own coordinates.
    virtual QRegion GetPopupRegion();
    virtual QPoint GetShadowOffset() { return {}; }
    // Sees every event of the owner's form while the popup is shown; answers true to swallow it.
    virtual bool ParentFormWndProc(QEvent* event);
    virtual void SetPlacementResult(int value) { placementResult_ = value; }
    virtual void SetParentFormHook(bool on);
    virtual void SetPopupBounds(int left, int top, int width, int height);
    virtual void ShowPopup();
    virtual void HidePopup();

    // Sets the size and the requested rectangle at once; a shown popup is placed again.
    void SetBounds(int left, int top, int width, int height);
    void UpdateShadow(bool showAfter);
    // A shadow setting changed.
    void ShadowChanged(TVnControlShadow* shadow);
    // Destroys the popup once the current event is done.
    void Release() { deleteLater(); }

    // The move-and-size loop: the pointer (pressed at globalStart) drags an outline of the popup,
    // moving it or pulling its bottom-right corner, with a small window telling the position or the
    // size; releasing the left button puts the popup there, Escape or another press leaves it.
    void TrackPopup(TVnTrackKind kind, QPoint globalStart);
    // The loop that runs, none when none does.
    TVnPopupTracker* Tracker() const;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<QWidget> owner_;
    QPointer<QWidget> hookedForm_;
    TVnControlShadow* shadow_;
    int placement_ = ppAbsolute;
    bool fitToScreen_ = true;
    TRect popupRect_;
    int placementResult_ = 0;
    bool hookParentForm_ = false;
    bool shown_ = false;
    TColor color_ = clBtnFace;
    QPointer<TVnPopupTracker> tracker_;
};

// The outline a move-and-size loop drags, drawn over the desktop as a band of the drag-frame colour.
class TVnDragFrameWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kBandWidth = 3;
    TVnDragFrameWindow();
    void SetOutline(const QRect& outline);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// One run of the move-and-size loop of a popup. It holds the mouse while it runs and sees every
// event of the program first; it ends by itself and then goes away.
class TVnPopupTracker : public QObject {
    Q_OBJECT
public:
    TVnPopupTracker(TVnPopupWindow* popup, TVnTrackKind kind, QPoint globalStart);
    ~TVnPopupTracker() override;

    TVnTrackKind Kind() const { return kind_; }
    bool Active() const { return active_; }
    // The outline in screen coordinates; a corner pulled past the opposite one turns it inside
    // out, and it is answered with its corners swapped back.
    QRect Outline() const;
    TVnMessageWindow* Message() const { return message_; }
    TVnDragFrameWindow* Frame() const { return frame_; }
    // The text the loop's message window shows for an outline.
    static QString MessageText(TVnTrackKind kind, const QRect& outline);

    void PointerMoved(QPoint global);
    // Puts the popup where the outline is, or leaves it where it was; both end the loop.
    void Apply();
    void Cancel();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void End();
    void ShowOutline();

    QPointer<TVnPopupWindow> popup_;
    TVnTrackKind kind_;
    QPoint start_;
    QRect startRect_;
    // Edges of the outline, right and bottom just outside it.
    int left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;
    bool active_ = true;
    TVnMessageWindow* message_ = nullptr;
    TVnDragFrameWindow* frame_ = nullptr;
};

// Sent to the owner of a message window before it shows; the owner may ask for a delay (milliseconds,
// 0 meaning at once).
class TVnMessageShowEvent : public QEvent {
public:
    static QEvent::Type EventType();
    explicit TVnMessageShowEvent(TVnPopupWindow* window) : QEvent(EventType()), Window(window) {}
    TVnPopupWindow* Window;
    int Delay = 0;
};

// Posted to the owner of a message window when its time to be shown has run out; the owner decides
// whether it goes.
class TVnMessageHideEvent : public QEvent {
public:
    static QEvent::Type EventType();
    explicit TVnMessageHideEvent(TVnPopupWindow* window) : QEvent(EventType()), Window(window) {}
    QPointer<TVnPopupWindow> Window;
};

// The one timer of a message window: the window starts and stops it, and it calls back once its time
// has run out. Tests put a hand-driven one in its place, so that no test waits on the clock.
class IVnWindowTimer {
public:
    virtual ~IVnWindowTimer() = default;
    // Answers false when the timer cannot run.
    virtual bool Start(int milliseconds, std::function<void()> elapsed) = 0;
    virtual void Stop() = 0;
};

// What the message window's timer does when it fires.
enum class TVnTimerMode { None, Show, Hide };

enum TVnMessageKind { mkPlain, mkInvalidValue, mkCustomIcon };
enum TVnMessageShape { msRectangle, msRoundRect, msBalloon };

// A small pale-yellow window with a markup text, an optional icon and optional buttons.
class TVnMessageWindow : public TVnPopupWindow {
    Q_OBJECT
public:
    static constexpr TColor kBackground = 0xEFFFFF;  // RGB (255, 255, 239)
    static constexpr int kIconSpacing = 6;

    explicit TVnMessageWindow(QWidget* owner);
    ~TVnMessageWindow() override;

    TVnEditButtons& Buttons() { return *buttons_; }
    QString Text() const { return text_; }
    void SetText(const QString& value);
    int Kind() const { return kind_; }
    void SetKind(int value);
    const QImage& Icon() const { return icon_; }
    void SetIcon(const QImage& value);
    int Shape() const { return shape_; }
    void SetShape(int value);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value) { autoSize_ = value; }
    int CornerRadius() const { return cornerRadius_; }
    int TailHeight() const { return tailHeight_; }
    QMargins Margins() const { return margins_; }
    void SetMargins(const QMargins& value) { margins_ = value; }
    int MaxWidth() const { return maxWidth_; }
    void SetMaxWidth(int value) { maxWidth_ = value; }
    bool CenterText() const { return centerText_; }
    void SetCenterText(bool value) { centerText_ = value; }
    // Whether a delayed showing is pending.
    bool ShowPending() const { return timerId_ != 0 && hideMode_ == TVnTimerMode::Show; }
    bool AutoHide() const { return autoHide_; }
    void SetAutoHide(bool value) { autoHide_ = value; }
    int HideDelay() const { return hideDelay_; }
    void SetHideDelay(int value) { hideDelay_ = value; }
    // What the running timer will do; None while no timer runs.
    TVnTimerMode HideMode() const { return timerId_ != 0 ? hideMode_ : TVnTimerMode::None; }
    // The timer's identifier while it runs, 0 otherwise.
    int TimerId() const { return timerId_; }
    static constexpr int kTimerId = 1;
    // Puts another timer in place of the one on the event loop.
    void SetTimer(std::unique_ptr<IVnWindowTimer> timer);

    // Runs the timer for a mode, after stopping a running one. A window with buttons waits for them:
    // it never hides by itself.
    void StartTimer(int milliseconds, TVnTimerMode mode);
    // Stops the timer; with a mode, while the timer runs, does at once what the timer would have.
    void StopTimer(TVnTimerMode mode = TVnTimerMode::None);

    // May draw the text itself; answers true when it did.
    std::function<bool(TVnMessageWindow*, QPainter&, const TRect&)> OnDrawText;

    void Relayout();
    QRegion GetPopupRegion() override;
    void ShowPopup() override;
    void HidePopup() override;
    // The whole look, as it is painted onto the window.
    QImage Render();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowNow();
    void ApplyRegion();
    // The text's rectangle in the window.
    TRect TextRect() const;
    unsigned TextFormat() const { return DT_WORDBREAK | DT_END_ELLIPSIS; }
    // Where the round shapes start from the top: below the tail of a balloon that has one.
    int BodyTop() const;
    int BodyBottom() const;

    TVnEditButtons* buttons_;
    QString text_;
    int kind_ = mkPlain;
    QImage icon_;
    int shape_ = msRectangle;
    bool autoSize_ = true;
    int cornerRadius_ = 11;
    int tailHeight_ = 11;
    QMargins margins_{4, 2, 2, 2};
    int maxWidth_ = 0;
    bool centerText_ = false;
    QSize textSize_;
    bool autoHide_ = false;
    int hideDelay_ = 2000;
    TVnTimerMode hideMode_ = TVnTimerMode::None;
    int timerId_ = 0;
    std::unique_ptr<IVnWindowTimer> timer_;

    void TimerElapsed();
    void RunTimerMode(TVnTimerMode mode);
};
