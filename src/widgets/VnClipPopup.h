#pragma once

#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

#include "widgets/VnEditButton.h"
#include "widgets/VnPopupWindow.h"

class TVnAssistButton;
class TComboClipPopup;

// A control that opens a clip popup and is told what happens in it.
class IVnPopupHolder {
public:
    virtual ~IVnPopupHolder() = default;
    virtual QObject* GetObject() = 0;
    // An item of the popup was clicked; its record, when it came from one, rides on the item.
    virtual void ItemClicked(TVnAssistButton* item) = 0;
    // The holder's own rectangle that the popup joins, in screen coordinates (empty: none).
    virtual void GetHolderRect(TRect& rect) = 0;
    // Where the popup goes, as a point of the control's client area; side 1 hangs below-left from
    // the holder's bottom edge, 2 is right-aligned; width is the holder's width along the join.
    virtual void GetPopupPosition(int& left, int& top, int& side, int& width) = 0;
    virtual QWidget* GetControl() = 0;
    virtual bool CanClosePopup() = 0;
    virtual int SetPopup(TComboClipPopup* popup) = 0;
    virtual void PopupClosed() = 0;
    virtual void SetDroppedDown(bool value) = 0;
};

// One item that a holder hands to a popup.
struct TVnClipItem {
    QString Name;
    QString Caption;
    int ImageIndex = -1;
    bool Enabled = true;
};

// The list of items a popup offers to the holder that fills it.
class IVnClipItems {
public:
    virtual ~IVnClipItems() = default;
    virtual const TImageList* GetImages() const = 0;
    virtual void AddEmptyItem(const QString& caption) = 0;
    virtual bool AddItemFromRecord(int index, const TVnClipItem& record) = 0;
    virtual void SetImages(const TImageList* images) = 0;
};

enum TVnAssistKind { akFramedButton = 1, akMenuItem = 2 };
enum TVnClipViewStyle { vsList = 0, vsGrid = 1 };
enum TVnClipBorderKind { cbNone = 0, cbFlat = 1, cbRaised = 2 };

// An item of a clip popup: a framed image button in the grid view, a menu line in the list view.
class TVnAssistButton : public TVnEditButton {
public:
    explicit TVnAssistButton(QWidget* control);

    int AssistKind() const { return assistKind_; }
    void SetAssistKind(int value);
    int Row() const { return row_; }
    void SetRow(int value) { row_ = value; }
    int Column() const { return column_; }
    void SetColumn(int value) { column_ = value; }
    TColor DownColor() const { return downColor_; }
    void SetDownColor(TColor value) { downColor_ = value; }
    // The record the item was made from, when a holder filled the popup.
    const std::optional<TVnClipItem>& Record() const { return record_; }
    void SetRecord(const TVnClipItem& record) { record_ = record; }

    bool ClicksOnRelease() const override { return true; }
    void SetFaceBrush(QPainter& canvas, TVnButtonState state) override;
    void SetTextColors(QPainter& canvas, const TRect& rect, TVnButtonState state) override;
    void PaintFace(QPainter& canvas, const TRect& rect) override;
    void PaintFrame(QPainter& canvas, const TRect& rect) override;
    void PaintGlyph(QPainter& canvas, const TRect& rect) override;
    void PaintCaption(QPainter& canvas, const TRect& rect) override;
    void PaintContent(QPainter& canvas, const TRect& rect) override;
    QPoint GlyphOffset() const override { return {}; }

private:
    // The state the item is drawn in: a disabled item looks normal unless the keyboard is in use.
    TVnButtonState PaintState() const;
    int GlyphColumnRight() const;

    int assistKind_ = akFramedButton;
    int row_ = 0, column_ = 0;
    TColor downColor_ = 0xB59285;
    std::optional<TVnClipItem> record_;
    int paintOrigin_ = 0;
};

class TVnClipPopup;

// Parts a clip popup may add to its frame: a caption bar on top that moves it, a grip bar at the
// bottom that sizes it. A set of them is a combination of the bits.
enum class TVnFramePart : unsigned { Caption = 1, SizeGrip = 2 };
using TVnFrameParts = unsigned;
constexpr TVnFrameParts operator|(TVnFramePart a, TVnFramePart b) {
    return static_cast<unsigned>(a) | static_cast<unsigned>(b);
}
inline bool HasPart(TVnFrameParts parts, TVnFramePart part) { return parts & static_cast<unsigned>(part); }

// The heights the frame parts add above and below the client area, 0 for a part not there.
struct TVnFramePartHeights {
    int Top = 0;
    int Bottom = 0;
};

// What lies under a point of a clip popup.
enum class TVnHitPart { None, SizeGrip, Caption, Border, Client, ItemButton, GripBar };

// How a popup's frame draws its parts.
class IVnPopupFrame {
public:
    virtual ~IVnPopupFrame() = default;
    virtual TVnClipPopup* GetPopupObject() = 0;
    virtual void DrawSizeGrip(QPainter& canvas, const TRect& rect) = 0;
    virtual void DrawCaption(QPainter& canvas, const TRect& rect) = 0;
};

// A popup whose items are drawn buttons, with a border of its own.
class TVnClipPopup : public TVnPopupWindow, public IVnPopupFrame {
    Q_OBJECT
public:
    static constexpr int kCaptionHeight = 14;
    static constexpr int kSizeGripHeight = 17;
    // Ctrl and an arrow key move a popup with a caption by this much.
    static constexpr int kKeyMoveStep = 10;

    explicit TVnClipPopup(QWidget* owner);
    ~TVnClipPopup() override;

    TVnFrameParts FrameParts() const { return frameParts_; }
    void SetFrameParts(TVnFrameParts value);
    TVnFramePartHeights FramePartHeights() const;
    // The part under a point of the popup (its own coordinates); also kept as HitPart.
    TVnHitPart HitTest(QPoint point);
    TVnHitPart HitPart() const { return hitPart_; }
    // The bars of the parts in the popup's coordinates, empty when the part is not there.
    TRect CaptionRect() const;
    TRect GripRect() const;
    // The corner of the grip bar that sizes the popup.
    TRect GripCornerRect() const;
    // Moves a popup with a caption by a step, kept on the desktop; answers whether it moved.
    bool MoveByKey(int dx, int dy);

    // IVnPopupFrame
    TVnClipPopup* GetPopupObject() override { return this; }
    void DrawSizeGrip(QPainter& canvas, const TRect& rect) override;
    void DrawCaption(QPainter& canvas, const TRect& rect) override;

    TVnEditButtons& Buttons() { return *buttons_; }
    int BorderKind() const { return borderKind_; }
    void SetBorderKind(int value);
    int BorderTone() const { return borderTone_; }
    void SetBorderTone(int value);
    // The width the border takes on every side.
    int BorderWidth() const { return borderKind_ == cbNone ? 0 : 2; }

    virtual void ButtonsChanged() {}
    virtual void PaintClientExtras(QPainter& /*canvas*/) {}
    virtual void PaintFrame(QPainter& canvas);
    // Sets the room the border and the frame parts take around the client area.
    virtual void UpdateFrameParts();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TVnEditButtons* buttons_;
    int borderKind_ = cbNone;
    int borderTone_ = 0;
    TVnFrameParts frameParts_ = 0;
    TVnHitPart hitPart_ = TVnHitPart::None;
};

// A clip popup with items laid out as a list or as a grid of image buttons with a status line.
class TCustomClipPopup : public TVnClipPopup {
    Q_OBJECT
public:
    static constexpr int kStatusHeight = 18;

    explicit TCustomClipPopup(QWidget* owner);

    int ViewStyle() const { return viewStyle_; }
    void SetViewStyle(int value);
    int StatusHeight() const { return kStatusHeight; }
    int MaxRow() const { return maxRow_; }
    int MaxColumn() const { return maxColumn_; }
    int UpdateCount() const { return updateCount_; }
    TVnAssistButton* Items(int index) const {
        return static_cast<TVnAssistButton*>(ButtonsOf().Buttons(index));
    }
    int ItemCount() const { return ButtonsOf().Count(); }
    // The hint shown in the status line, empty when none.
    QString StatusText() const { return statusText_; }

    TVnAssistButton* AddItem(const QString& name, const QString& resourceName, int column, int row,
                             const QString& caption);
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    void Clear();

    std::function<void(TCustomClipPopup*, TVnAssistButton*)> OnItemClick;

    virtual void ItemClick(TVnAssistButton* item);
    virtual void ShowItemHint(TVnAssistButton* item, bool leaving);
    // Where the popup meets its holder, in the popup's coordinates; empty for a free popup.
    virtual void GetJoinRect(const TRect& windowRect, TRect& rect);
    virtual void CreateDefaultItems();
    virtual void Relayout();
    void ButtonsChanged() override;
    void PaintClientExtras(QPainter& canvas) override;
    void PaintFrame(QPainter& canvas) override;
    // The status line of the grid view in the popup's coordinates.
    TRect StatusRect() const;
    // The side of a grid-view cell.
    int CellSize() { return Buttons().MaxGlyphWidth() + 6; }

private:
    const TVnEditButtons& ButtonsOf() const { return const_cast<TCustomClipPopup*>(this)->Buttons(); }

    int viewStyle_ = vsGrid;
    int maxRow_ = 0, maxColumn_ = 0;
    int updateCount_ = 0;
    QString statusText_;
    bool statusDisabled_ = false;
};

// A clip popup bound to the control that opened it.
class TComboClipPopup : public TCustomClipPopup, public IVnClipItems {
    Q_OBJECT
public:
    explicit TComboClipPopup(IVnPopupHolder* holder);
    ~TComboClipPopup() override;

    IVnPopupHolder* Holder() const { return holder_; }

    // IVnClipItems
    const TImageList* GetImages() const override {
        return const_cast<TComboClipPopup*>(this)->Buttons().Images();
    }
    void AddEmptyItem(const QString& caption) override;
    bool AddItemFromRecord(int index, const TVnClipItem& record) override;
    void SetImages(const TImageList* images) override { Buttons().SetImages(images); }

    // A key that reached the holder while the popup is open.
    virtual void HolderKeyDown(int key, Qt::KeyboardModifiers shift);
    void ItemClick(TVnAssistButton* item) override;
    QRegion GetPopupRegion() override;
    QPoint GetShadowOffset() override;
    void GetJoinRect(const TRect& windowRect, TRect& rect) override;
    void HidePopup() override;

private:
    // The holder's rectangle and its placement answers, from the holder.
    TRect HolderRect() const;
    IVnPopupHolder* holder_;
};

// The one drop-down combo popup of the program: closes the open one (when its holder lets it) and,
// for a holder, opens a new one filled by that holder. Answers the open popup, or none.
TComboClipPopup* OpenSharedPopup(IVnPopupHolder* holder);
TComboClipPopup* SharedPopup();
