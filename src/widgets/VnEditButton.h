#pragma once

#include <QByteArray>
#include <QCursor>
#include <QFont>
#include <QImage>
#include <QObject>
#include <QPainter>
#include <QPointer>
#include <QRegion>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "widgets/VnEditTools.h"

class TVnEditButton;
class TVnEditButtons;

enum class TVnButtonLayout { GlyphLeft = 0, GlyphRight = 1, GlyphCenter = 2, GlyphTop = 3, GlyphBottom = 4 };

enum class TVnButtonStyle {
    Standard = 0,
    Flat = 1,
    FlatOnWindow = 2,
    Tinted = 3,
    FramedGlyph = 4,
    Combo = 5,
    Plain = 6,
    HotTrack = 7,
    HotTrackFaded = 8,
};

enum class TVnButtonKind { Push = 0, Toggle = 1 };
enum TVnDisabledStyle { dsEmbossed = 0, dsGrey = 1, dsUnchanged = 2, dsTinted = 3 };
enum class TVnButtonState { Normal = 0, Down = 1, Hot = 2 };

// Bits of TVnEditButton::Flags.
enum TVnButtonFlag {
    bfPressed = 0,
    bfLatched,
    bfShowCaption,
    bfEnabled,
    bfLatchOnClick,
    bfInSet,
    bfAlwaysShowFrame,
    bfTrackWhenLatched,
    bfWindowCoordinates,
    bfVisible,
    bfWordWrap,
    bfOwnsGlyph,
};

// Bits of TVnEditButton::Options.
enum TVnButtonOption {
    boMarkupCaption = 0,
    boLightDown,
    boRepaintOnFocus,
    boParentBackground,
    boDownEffect,
    boDarkFrame,
    boDoubleBuffered,
    boTabStop,
    boShadowFrame,
    boNoAutoRepaint,
};

enum TVnAnchorKind {
    akNone = 0,
    akMoveRight = 1,
    akMoveDown = 2,
    akMoveRightDown = 3,
    akStretchHorz = 4,
    akMoveDownStretchHorz = 5,
    akStretchVert = 6,
    akMoveRightStretchVert = 7,
    akStretchBoth = 8,
    akCenterHorz = 9,
    akMoveRightCenterVert = 10,
};

// What a button tells its set it changed.
enum TVnButtonChange { bcGeneral, bcBounds, bcImages, bcEnabled, bcState, bcFont, bcDestroying };

// Bits of the set's flags and options (GetSetFlag answers them by these numbers).
enum TVnButtonsFlag {
    sfWindowCoordinatesForNew = 0,
    sfPaintOnErase,
    sfPaintOnPaint,
    sfKeyboardNavigation,
    sfMousePressed,
    sfUnhooked,
    sfKeyboardMode,
    sfDestroying,
};

// Which buttons PaintButtons paints.
enum TVnPaintWhich { pwAll, pwTransparent, pwOpaque };

// Between a set of drawn buttons and its buttons.
class IVnButtonHolder {
public:
    virtual ~IVnButtonHolder() = default;
    virtual TVnEditButton* AddButton(std::unique_ptr<TVnEditButton> button) = 0;
    virtual void BeginPaintLock() = 0;
    virtual bool IsButtonVisible(const TVnEditButton* button) const = 0;
    virtual void EndPaintLock() = 0;
    virtual TVnEditButton* GetActiveButton() const = 0;
    virtual TVnEditButton* GetButton(int index) const = 0;
    virtual TRect GetButtonsRect() const = 0;
    virtual int Count() const = 0;
    virtual bool GetSetFlag(int flag) const = 0;
    virtual TVnEditButton* GetFocusedButton() const = 0;
    virtual int MaxGlyphWidth() = 0;
    virtual QWidget* GetControl() const = 0;
    virtual QRegion GetHitRegion() const = 0;
    virtual void RepaintAll() = 0;
    virtual void MoveButton(int fromIndex, int toIndex) = 0;
    virtual void ButtonChanged(TVnEditButton* button, int what) = 0;
    virtual void AnchorButtons(int dx, int dy) = 0;
    virtual void SetActiveButton(TVnEditButton* button) = 0;
    virtual void PutButton(int index, std::unique_ptr<TVnEditButton> button) = 0;
    virtual void SetFocusedButton(TVnEditButton* button) = 0;
    virtual bool IsPaintLocked() const = 0;
};

// A button drawn on another control's window. Bounds are in the control's client coordinates, or in
// those of its whole widget with bfWindowCoordinates; the client area of a control is its
// contentsRect, so a border set as contents margins plays the part of a non-client frame.
class TVnEditButton {
public:
    // The stored record of one button.
    static constexpr int kRecordSize = 30;

    explicit TVnEditButton(QWidget* control);
    virtual ~TVnEditButton();
    TVnEditButton(const TVnEditButton&) = delete;
    TVnEditButton& operator=(const TVnEditButton&) = delete;

    QString Name() const { return name_; }
    void SetName(const QString& value) { name_ = value; }
    QWidget* Control() const { return control_; }
    IVnButtonHolder* Holder() const { return holder_; }

    int Left() const { return left_; }
    int Top() const { return top_; }
    // An invisible button reports the width it keeps while hidden.
    int Width() const { return Visible() ? width_ : hiddenWidth_; }
    int Height() const { return height_; }
    void SetLeft(int value) { SetBoundsRect(value, top_, width_, height_); }
    void SetTop(int value) { SetBoundsRect(left_, value, width_, height_); }
    void SetWidth(int value);
    void SetHeight(int value) { SetBoundsRect(left_, top_, width_, value); }
    void SetBoundsRect(int left, int top, int width, int height);
    TRect BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }
    // The bounds in the control widget's own coordinates.
    TRect WindowRect() const;

    QString Caption() const { return caption_; }
    void SetCaption(const QString& value);
    bool IsSeparator() const { return caption_ == QLatin1String("-"); }
    int CaptionWidth() const { return captionWidth_; }
    int CaptionHeight() const { return captionHeight_; }
    QString Hint() const { return hint_; }
    void SetHint(const QString& value) { hint_ = value; }

    QFont Font() const { return font_; }
    void SetFont(const QFont& value);
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor value);

    const QImage& Glyph() const { return glyph_; }
    void SetGlyph(const QImage& value);
    const TImageList* Images() const { return images_; }
    void SetImages(const TImageList* value);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int value);
    // Whether the image list stands in for the glyph.
    bool UsesImage() const { return images_ && imageIndex_ >= 0 && glyph_.isNull(); }
    QSize GlyphSize() const;

    TVnButtonLayout Layout() const { return layout_; }
    void SetLayout(TVnButtonLayout value);
    TVnButtonStyle ButtonStyle() const { return style_; }
    void SetButtonStyle(TVnButtonStyle value);
    TVnButtonKind Kind() const { return kind_; }
    void SetKind(TVnButtonKind value);
    int DisabledStyle() const { return disabledStyle_; }
    void SetDisabledStyle(int value);
    TVnButtonState State() const { return state_; }
    // Takes a state as the mouse would, through OnStateChange; answers whether it was taken.
    bool SetState(TVnButtonState value);
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    TColor HotColor() const { return hotColor_; }
    void SetHotColor(TColor value);

    uint32_t Flags() const { return flags_; }
    bool Flag(int bit) const { return BitTest(flags_, bit); }
    void SetFlag(int bit, bool on);
    uint32_t Options() const { return options_; }
    bool Option(int bit) const { return BitTest(options_, bit); }
    void SetOption(int bit, bool on);
    bool Enabled() const { return Flag(bfEnabled); }
    void SetEnabled(bool value);
    bool Visible() const { return Flag(bfVisible); }
    void SetVisible(bool value);
    bool Pressed() const { return Flag(bfPressed); }
    bool Latched() const { return Flag(bfLatched); }
    bool WindowCoordinates() const { return Flag(bfWindowCoordinates); }

    int AnchorKind() const { return anchorKind_; }
    void SetAnchorKind(int value) { anchorKind_ = value; }
    int Index() const { return index_; }
    void SetIndex(int value) { index_ = value; }
    int32_t Data() const { return data_; }
    void SetData(int32_t value) { data_ = value; }

    // Events.
    std::function<void(TVnEditButton*)> OnClick;
    std::function<void(TVnEditButton*, int x, int y, bool& inside)> OnHitTest;
    std::function<void(TVnEditButton*, TVnButtonState& newState)> OnStateChange;
    std::function<void(TVnEditButton*, bool entered)> OnHotChange;

    // Visible and inside the bounds (in the button's own coordinate system).
    bool PointIn(int x, int y);
    void Repaint();

    // Virtual operations.
    virtual void SetTextColors(QPainter& canvas, const TRect& rect, TVnButtonState state);
    virtual void SetFaceBrush(QPainter& canvas, TVnButtonState state);
    virtual void Changed();
    virtual void PaintFace(QPainter& canvas, const TRect& rect);
    virtual void PaintGlyph(QPainter& canvas, const TRect& rect);
    virtual void PaintCaption(QPainter& canvas, const TRect& rect);
    virtual bool IsVisible() const;
    virtual bool ClicksOnRelease() const { return false; }
    virtual void ResetPressed();
    // The cursor the control shows while the pointer is over this (enabled) button; none keeps the
    // control's own. A button that acts as a link answers the library's link cursor.
    virtual std::optional<QCursor> GetCursor() const { return std::nullopt; }
    virtual void Repainted();
    // Paints the button onto a painter of the control widget.
    virtual void PaintTo(QPainter& canvas);
    // Draws the button into rect (its own size, any origin).
    virtual void PaintContent(QPainter& canvas, const TRect& rect);
    virtual void PaintFrame(QPainter& canvas, const TRect& rect);
    // One mouse step at (x, y) in the button's coordinate system; answers whether the state changed.
    virtual bool MouseEvent(int x, int y, bool moving, bool held);
    virtual QPoint GlyphOffset() const;
    virtual QPoint CaptionOffset() const;
    virtual void Click();
    virtual void MeasureCaption();
    virtual void ReadData(const QByteArray& record);
    virtual QByteArray WriteData() const;
    virtual void SetHolder(IVnButtonHolder* holder);

    // The glyph and caption rectangles inside a button of the current size (relative to it).
    void CalcLayout(TRect& glyph, TRect& caption) const;

protected:
    // Tells the set (or repaints when stand-alone).
    void Notify(int what);
    // A checkered brush of the colour and button face.
    static QBrush PatternBrush(TColor color);
    // Whether the style shows a hot look, so that a change between normal and hot needs a repaint.
    bool ShowsHotLook() const;
    bool DesignTime() const { return false; }
    // Draws a glyph image through a transparent work bitmap with one of the toolkit's effects.
    void DrawGlyphImage(QPainter& canvas, const TRect& rect, const QImage& image, bool stretch);
    QImage GlyphImage() const;
    bool HasCaption() const { return Flag(bfShowCaption) && !caption_.isEmpty(); }

private:
    QString name_;
    QPointer<QWidget> control_;
    IVnButtonHolder* holder_ = nullptr;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0, hiddenWidth_ = 0;
    QString caption_;
    int captionWidth_ = 0, captionHeight_ = 0;
    QString hint_;
    QFont font_;
    TColor fontColor_ = clBtnText;
    QImage glyph_;
    const TImageList* images_ = nullptr;
    int imageIndex_ = -1;
    TVnButtonLayout layout_ = TVnButtonLayout::GlyphCenter;
    TVnButtonStyle style_ = TVnButtonStyle::Standard;
    TVnButtonKind kind_ = TVnButtonKind::Push;
    int disabledStyle_ = dsGrey;
    TVnButtonState state_ = TVnButtonState::Normal;
    TColor color_ = clBtnFace;
    TColor hotColor_ = 0xD2BDB6;
    uint32_t flags_ = (1u << bfShowCaption) | (1u << bfEnabled) | (1u << bfVisible);
    uint32_t options_ = (1u << boMarkupCaption) | (1u << boDoubleBuffered);
    int anchorKind_ = akNone;
    int index_ = -1;
    int32_t data_ = 0;
};

// The ordered buttons of one control. The set watches the control's events in place of its window
// procedure: it paints the buttons after the control, keeps presses on buttons away from the
// control, drives the buttons' states from the mouse and the keyboard and anchors them on a resize.
class TVnEditButtons : public QObject, public IVnButtonHolder {
    Q_OBJECT
public:
    explicit TVnEditButtons(QWidget* control);
    ~TVnEditButtons() override;

    template <class T = TVnEditButton>
    T* AddButton() {
        return static_cast<T*>(AddButton(std::make_unique<T>(control_)));
    }
    TVnEditButton* AddButton(std::unique_ptr<TVnEditButton> button) override;
    void Clear();
    TVnEditButton* Buttons(int index) const { return GetButton(index); }
    int IndexOf(const TVnEditButton* button) const;

    void HookControl();
    void UnhookControl();
    // The button under a point of the control widget, or none.
    TVnEditButton* ButtonAt(QPoint windowPoint) const;
    TRect ButtonsRect() const { return GetButtonsRect(); }
    void UpdateHotState();
    // Selects the next selectable button after index (forward) or before it; -1 starts at the ends.
    void SelectButton(int index, bool forward);
    void FocusButton(int index, bool forward);
    void SetImages(const TImageList* value);
    const TImageList* Images() const { return images_; }
    TColor DefaultColor() const { return defaultColor_; }
    void SetDefaultColor(TColor value);
    int DefaultAnchor() const { return defaultAnchor_; }
    void SetDefaultAnchor(int value) { defaultAnchor_ = value; }
    TVnEditButton* ActiveButton() const { return active_; }
    TVnEditButton* FocusedButton() const { return focused_; }
    void SetSetFlag(int flag, bool on) { BitSet(setFlags_, flag, on); }
    // Where client coordinates start inside the control widget.
    QPoint ClientOrigin() const;

    // Mouse step at a point of the control widget; answers whether some state changed under it.
    virtual bool MouseEvent(int x, int y, bool moving, bool held);
    // Handles a key of the control; answers whether it was taken.
    virtual bool KeyDown(int key, Qt::KeyboardModifiers shift);
    virtual QByteArray WriteData() const;
    virtual void ReadData(const QByteArray& data);
    virtual bool HasTransparentButtons() const;
    virtual void PaintButtons(QPainter& canvas, int which);
    void MarkDestroying() { BitSet(setFlags_, sfDestroying, true); }
    virtual void Changed();

    // IVnButtonHolder
    void BeginPaintLock() override { ++paintLock_; }
    bool IsButtonVisible(const TVnEditButton* button) const override;
    void EndPaintLock() override;
    TVnEditButton* GetActiveButton() const override { return active_; }
    TVnEditButton* GetButton(int index) const override { return buttons_.at(index).get(); }
    TRect GetButtonsRect() const override;
    int Count() const override { return static_cast<int>(buttons_.size()); }
    bool GetSetFlag(int flag) const override { return BitTest(setFlags_, flag); }
    TVnEditButton* GetFocusedButton() const override { return focused_; }
    int MaxGlyphWidth() override;
    QWidget* GetControl() const override { return control_; }
    QRegion GetHitRegion() const override;
    void RepaintAll() override;
    void MoveButton(int fromIndex, int toIndex) override;
    void ButtonChanged(TVnEditButton* button, int what) override;
    void AnchorButtons(int dx, int dy) override;
    void SetActiveButton(TVnEditButton* button) override { active_ = button; }
    void PutButton(int index, std::unique_ptr<TVnEditButton> button) override;
    void SetFocusedButton(TVnEditButton* button) override { focused_ = button; }
    bool IsPaintLocked() const override { return paintLock_ > 0; }

    std::function<void(TVnEditButtons*)> OnChange;
    // The region of the control in which buttons can be hit (none: everywhere).
    std::function<void(TVnEditButtons*, QRegion&)> OnGetRegion;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Renumber();
    bool Selectable(const TVnEditButton* button) const;
    // Gives the control the cursor of the button under the point, or its own back.
    void UpdateCursor(QPoint windowPoint);

    QPointer<QWidget> control_;
    std::vector<std::unique_ptr<TVnEditButton>> buttons_;
    TVnEditButton* active_ = nullptr;
    TVnEditButton* focused_ = nullptr;
    int defaultAnchor_ = akNone;
    TColor defaultColor_ = 0;
    const TImageList* images_ = nullptr;
    int maxGlyphWidth_ = 0;
    int paintLock_ = 0;
    uint32_t setFlags_ = (1u << sfWindowCoordinatesForNew) | (1u << sfPaintOnErase) | (1u << sfPaintOnPaint) |
                         (1u << sfUnhooked);
    bool inPaint_ = false;
    // The control's own cursor while a button's cursor stands in for it.
    bool cursorOverridden_ = false;
    bool controlHadCursor_ = false;
    QCursor controlCursor_;
};
