#include "widgets/VnClipPopup.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QScreen>
#include <QTimer>
#include <algorithm>

namespace {

// The library's own texts, kept in Russian as it ships them.
const QString kQueryCaption = QStringLiteral("Текст запроса");
const QString kPropertyCaption = QStringLiteral("Настройки");
const QString kFindCaption = QStringLiteral("Поиск");
const QString kPrintCaption = QStringLiteral("Печать");

constexpr TColor kMenuFace = 0xF7F8F9;       // RGB (249, 248, 247)
constexpr TColor kMenuHot = 0xD2BDB6;        // RGB (182, 189, 210)
constexpr TColor kGutter = 0xD1D8DB;         // RGB (219, 216, 209)
constexpr TColor kSeparatorLine = 0xA6A6A6;  // RGB (166, 166, 166)
constexpr TColor kMenuFrame = 0x6A0A24;      // RGB (36, 10, 106)
constexpr TColor kFlatBorder = 0x666666;     // RGB (102, 102, 102)
constexpr TColor kDisabledHint = 0xD5D5D5;   // RGB (213, 213, 213)
constexpr TColor kDisabledPattern = 0xE6E6E6;
constexpr TColor kMagenta = 0xFF00FF;

bool IsLight(TColor color) {
    const TColor rgb = ColorToRGB(color);
    return (rgb & 0xFF) >= 144 && ((rgb >> 8) & 0xFF) >= 144 && ((rgb >> 16) & 0xFF) >= 144;
}

}  // namespace

// ---- items ------------------------------------------------------------------------------------------

TVnAssistButton::TVnAssistButton(QWidget* control) : TVnEditButton(control) {
    SetHotColor(clHighlight);
    SetButtonStyle(TVnButtonStyle::Flat);
}

void TVnAssistButton::SetAssistKind(int value) {
    if (value == assistKind_) return;
    assistKind_ = value;
    Changed();
}

TVnButtonState TVnAssistButton::PaintState() const {
    if (!Enabled() && !(Holder() && Holder()->GetSetFlag(sfKeyboardMode))) return TVnButtonState::Normal;
    return State();
}

int TVnAssistButton::GlyphColumnRight() const {
    // The glyph column starts where a left glyph stands and is as wide as the widest glyph.
    return 3 + (Holder() ? Holder()->MaxGlyphWidth() : 0);
}

void TVnAssistButton::SetFaceBrush(QPainter& canvas, TVnButtonState) {
    const TVnButtonState state = PaintState();
    if (Enabled()) {
        canvas.setBrush(ToQColor(state == TVnButtonState::Down  ? downColor_
                                 : state == TVnButtonState::Hot ? HotColor()
                                                                : Color()));
        return;
    }
    if (DisabledStyle() == dsGrey && assistKind_ == akFramedButton)
        canvas.setBrush(PatternBrush(kDisabledPattern));
    else if (DisabledStyle() != dsTinted)
        canvas.setBrush(ToQColor(Color()));
}

void TVnAssistButton::SetTextColors(QPainter& canvas, const TRect&, TVnButtonState) {
    const TVnButtonState state = PaintState();
    canvas.setPen(ToQColor(FontColor()));
    if (state == TVnButtonState::Down || state == TVnButtonState::Hot) {
        const TColor face = state == TVnButtonState::Down ? downColor_ : HotColor();
        canvas.setPen(ToQColor(IsLight(face) ? clWindowText : clHighlightText));
    }
}

void TVnAssistButton::PaintFace(QPainter& canvas, const TRect& rect) {
    const int mgw = Holder() ? Holder()->MaxGlyphWidth() : 0;
    if (assistKind_ == akMenuItem && PaintState() == TVnButtonState::Normal && mgw > 0) {
        const int gutterRight = std::min(rect.Left + GlyphColumnRight() + 4, rect.Right);
        FillRect(canvas, {rect.Left, rect.Top, gutterRight, rect.Bottom}, kGutter);
        canvas.fillRect(TRect{gutterRight, rect.Top, rect.Right, rect.Bottom}.ToQRect(), canvas.brush());
    } else {
        canvas.fillRect(rect.ToQRect(), canvas.brush());
    }
    if (IsSeparator()) {
        const int start = rect.Left + (mgw > 0 ? GlyphColumnRight() + 4 + 7 : 3) + CaptionOffset().x();
        FillRect(canvas, {start, rect.Top + 1, rect.Right, rect.Top + 2}, kSeparatorLine);
    }
}

void TVnAssistButton::PaintFrame(QPainter& canvas, const TRect& rect) {
    if (assistKind_ == akFramedButton) {
        FrameRect(canvas, rect, clBtnFace);
        FrameRect(canvas, rect.Inflated(-1, -1), clBtnShadow);
        return;
    }
    const TVnButtonState state = PaintState();
    if (!IsSeparator() && (state == TVnButtonState::Hot || state == TVnButtonState::Down))
        FrameRect(canvas, rect, kMenuFrame);
}

void TVnAssistButton::PaintGlyph(QPainter& canvas, const TRect& rect) {
    if (!Enabled() && DisabledStyle() != dsUnchanged) {
        TVnEditButton::PaintGlyph(canvas, rect);
        return;
    }
    const TVnButtonState state = PaintState();
    if (assistKind_ == akMenuItem && (state == TVnButtonState::Normal || state == TVnButtonState::Hot)) {
        const QImage image = GlyphImage();
        if (image.isNull()) return;
        QImage work(rect.Width() + 1, rect.Height(), QImage::Format_RGB32);
        work.fill(ToQColor(kMagenta));
        {
            QPainter p(&work);
            p.drawImage(QRect(0, 0, rect.Width(), rect.Height()), image);
        }
        QImage out = work;
        if (state == TVnButtonState::Hot)
            ApplyEffect(work, out, TVnEffect::Shadow, kMagenta);
        else
            BlendBitmap(work, nullptr, out, 175, kMagenta, kGutter);
        DrawTransparent(canvas, out, rect, false, 0xFFFFFF);
        return;
    }
    TVnEditButton::PaintGlyph(canvas, rect);
}

void TVnAssistButton::PaintCaption(QPainter& canvas, const TRect& rect) {
    if (IsSeparator()) return;  // its line is all it shows
    TRect r = rect;
    const int mgw = Holder() ? Holder()->MaxGlyphWidth() : 0;
    if (assistKind_ == akMenuItem && mgw > 0) {
        int left = rect.Left;
        if (GlyphSize().isEmpty()) {
            // Captions of items without a glyph line up with those that have one.
            const int column = paintOrigin_ + GlyphColumnRight() + 4;
            left = Layout() == TVnButtonLayout::GlyphRight ? std::max(column, rect.Left - 4) : column;
        }
        left += 7;
        r = {left, rect.Top, left + rect.Width(), rect.Bottom};
    }
    TVnEditButton::PaintCaption(canvas, r);
}

void TVnAssistButton::PaintContent(QPainter& canvas, const TRect& rect) {
    // Captions line up on the glyph column, which is measured from the button's own left edge.
    paintOrigin_ = rect.Left;
    TVnEditButton::PaintContent(canvas, rect);
}

// ---- the bordered popup -----------------------------------------------------------------------------

TVnClipPopup::TVnClipPopup(QWidget* owner) : TVnPopupWindow(owner) {
    buttons_ = new TVnEditButtons(this);
    buttons_->SetDefaultColor(clBtnFace);
    buttons_->SetSetFlag(sfKeyboardNavigation, true);
    buttons_->OnChange = [this](TVnEditButtons*) { ButtonsChanged(); };
    buttons_->HookControl();
    // Installed after the buttons' hook, so the frame sees keys before the buttons navigate.
    installEventFilter(this);
    setMouseTracking(true);
    SetHookParentForm(true);
    Shadow().SetBlendLevel(195);
    Shadow().SetDistance(4);
    Shadow().SetShadowVisible(true);
}

TVnClipPopup::~TVnClipPopup() {
    buttons_->OnChange = nullptr;
    buttons_->MarkDestroying();
}

void TVnClipPopup::SetBorderKind(int value) {
    if (value == borderKind_) return;
    borderKind_ = value;
    UpdateFrameParts();
}

void TVnClipPopup::SetFrameParts(TVnFrameParts value) {
    if (value == frameParts_) return;
    frameParts_ = value;
    UpdateFrameParts();
}

TVnFramePartHeights TVnClipPopup::FramePartHeights() const {
    return {HasPart(frameParts_, TVnFramePart::Caption) ? kCaptionHeight : 0,
            HasPart(frameParts_, TVnFramePart::SizeGrip) ? kSizeGripHeight : 0};
}

void TVnClipPopup::UpdateFrameParts() {
    const int b = BorderWidth();
    const TVnFramePartHeights parts = FramePartHeights();
    setContentsMargins(b, b + parts.Top, b, b + parts.Bottom);
    ButtonsChanged();
    update();
}

TRect TVnClipPopup::CaptionRect() const {
    const int b = BorderWidth();
    const int h = FramePartHeights().Top;
    return h > 0 ? TRect{b, b, width() - b, b + h} : TRect{};
}

TRect TVnClipPopup::GripRect() const {
    const int b = BorderWidth();
    const int h = FramePartHeights().Bottom;
    return h > 0 ? TRect{b, height() - b - h, width() - b, height() - b} : TRect{};
}

TRect TVnClipPopup::GripCornerRect() const {
    const TRect grip = GripRect();
    if (grip.IsEmpty()) return {};
    return {std::max(grip.Left, grip.Right - kSizeGripHeight), grip.Top, grip.Right, grip.Bottom};
}

TVnHitPart TVnClipPopup::HitTest(QPoint point) {
    TVnHitPart part = TVnHitPart::None;
    if (rect().contains(point)) part = TVnHitPart::Border;
    // Later answers win: the grip corner lies in the grip bar, the buttons in the client area.
    if (CaptionRect().Contains(point.x(), point.y())) part = TVnHitPart::Caption;
    if (GripRect().Contains(point.x(), point.y())) part = TVnHitPart::GripBar;
    if (GripCornerRect().Contains(point.x(), point.y())) part = TVnHitPart::SizeGrip;
    if (contentsRect().contains(point)) part = TVnHitPart::Client;
    if (buttons_->ButtonAt(point)) part = TVnHitPart::ItemButton;
    hitPart_ = part;
    return part;
}

bool TVnClipPopup::MoveByKey(int dx, int dy) {
    if (!HasPart(frameParts_, TVnFramePart::Caption)) return false;
    TRect r = TRect::FromQRect(geometry());
    r = {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
    // The desktop keeps the whole popup: a step past its edge stops at the edge.
    const QRect desktop = screen() ? screen()->virtualGeometry() : QRect();
    int left = r.Left, top = r.Top;
    if (!desktop.isEmpty()) {
        left = std::clamp(left, desktop.left(), std::max(desktop.left(), desktop.right() + 1 - width()));
        top = std::clamp(top, desktop.top(), std::max(desktop.top(), desktop.bottom() + 1 - height()));
    }
    if (QPoint(left, top) == pos()) return false;
    SetPlacement(ppAbsolute);
    SetBounds(left, top, width(), height());
    return true;
}

void TVnClipPopup::DrawCaption(QPainter& canvas, const TRect& rect) {
    if (rect.IsEmpty()) return;
    FillRect(canvas, rect, clActiveCaption);
    // Two grooves in the middle of the bar say that it can be taken and moved.
    const int mid = (rect.Top + rect.Bottom) / 2;
    const int left = rect.Left + 4, right = rect.Right - 4;
    if (right > left) {
        FillRect(canvas, {left, mid - 2, right, mid - 1}, clBtnHighlight);
        FillRect(canvas, {left, mid + 1, right, mid + 2}, clBtnHighlight);
    }
}

void TVnClipPopup::DrawSizeGrip(QPainter& canvas, const TRect& rect) {
    if (rect.IsEmpty()) return;
    FillRect(canvas, rect, Color());
    FillRect(canvas, {rect.Left, rect.Top, rect.Right, rect.Top + 1}, clBtnShadow);
    // The diagonal grooves of a size grip, in the bottom-right corner.
    canvas.save();
    for (int i = 0; i < 3; ++i) {
        const int d = 4 + 4 * i;
        canvas.setPen(ToQColor(clBtnHighlight));
        canvas.drawLine(rect.Right - d, rect.Bottom - 2, rect.Right - 2, rect.Bottom - d);
        canvas.setPen(ToQColor(clBtnShadow));
        canvas.drawLine(rect.Right - d + 1, rect.Bottom - 2, rect.Right - 2, rect.Bottom - d + 1);
    }
    canvas.restore();
}

void TVnClipPopup::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        switch (HitTest(event->position().toPoint())) {
            case TVnHitPart::Caption:
                TrackPopup(TVnTrackKind::Move, event->globalPosition().toPoint());
                return;
            case TVnHitPart::GripBar:
            case TVnHitPart::SizeGrip:
                TrackPopup(TVnTrackKind::Size, event->globalPosition().toPoint());
                return;
            default:
                break;
        }
    }
    TVnPopupWindow::mousePressEvent(event);
}

void TVnClipPopup::mouseMoveEvent(QMouseEvent* event) {
    switch (HitTest(event->position().toPoint())) {
        case TVnHitPart::SizeGrip:
            setCursor(Qt::SizeFDiagCursor);
            break;
        case TVnHitPart::Client:
            unsetCursor();
            break;
        default:
            setCursor(Qt::ArrowCursor);
            break;
    }
    TVnPopupWindow::mouseMoveEvent(event);
}

bool TVnClipPopup::eventFilter(QObject* watched, QEvent* event) {
    if (watched == this && event->type() == QEvent::KeyPress) {
        const auto* e = static_cast<QKeyEvent*>(event);
        if (e->modifiers() & Qt::ControlModifier) {
            const int step = kKeyMoveStep;
            switch (e->key()) {
                case Qt::Key_Left:
                    return MoveByKey(-step, 0) || HasPart(frameParts_, TVnFramePart::Caption);
                case Qt::Key_Right:
                    return MoveByKey(step, 0) || HasPart(frameParts_, TVnFramePart::Caption);
                case Qt::Key_Up:
                    return MoveByKey(0, -step) || HasPart(frameParts_, TVnFramePart::Caption);
                case Qt::Key_Down:
                    return MoveByKey(0, step) || HasPart(frameParts_, TVnFramePart::Caption);
                default:
                    break;
            }
        }
    }
    return TVnPopupWindow::eventFilter(watched, event);
}

void TVnClipPopup::SetBorderTone(int value) {
    if (value == borderTone_) return;
    borderTone_ = value;
    update();
}

void TVnClipPopup::PaintFrame(QPainter& canvas) {
    const TRect r{0, 0, width(), height()};
    if (borderKind_ == cbFlat) {
        if (borderTone_ == 2) {
            FrameRect(canvas, r, kFlatBorder);
            const TRect in = r.Inflated(-1, -1);
            FillRect(canvas, {in.Left, in.Top, in.Right, in.Top + 1}, kMenuFace);
            FillRect(canvas, {in.Right - 1, in.Top, in.Right, in.Bottom}, kMenuFace);
            FillRect(canvas, {in.Left, in.Bottom - 1, in.Right, in.Bottom}, kMenuFace);
            FillRect(canvas, {in.Left, in.Top, in.Left + 1, in.Bottom - 1}, kGutter);
        } else {
            FrameRect(canvas, r, clBlack);
        }
    } else if (borderKind_ == cbRaised) {
        if (borderTone_ == 2) {
            FrameRect(canvas, r, clBtnShadow);
            DrawEdge(canvas, r.Inflated(-1, -1), BDR_RAISEDINNER, BF_RECT);
        } else {
            DrawEdge(canvas, r, BDR_RAISEDOUTER | BDR_RAISEDINNER, BF_RECT);
        }
    }
    // The parts are drawn through the frame interface, so a descendant may draw them its own way.
    IVnPopupFrame* frame = this;
    if (HasPart(frameParts_, TVnFramePart::Caption)) frame->DrawCaption(canvas, CaptionRect());
    if (HasPart(frameParts_, TVnFramePart::SizeGrip)) frame->DrawSizeGrip(canvas, GripRect());
}

void TVnClipPopup::paintEvent(QPaintEvent*) {
    QPainter canvas(this);
    FillRect(canvas, {0, 0, width(), height()}, Color());
    PaintClientExtras(canvas);
    PaintFrame(canvas);
}

// ---- items, views and layout ---------------------------------------------------------------------

TCustomClipPopup::TCustomClipPopup(QWidget* owner) : TVnClipPopup(owner) {
    SetPlacement(ppClientPoint);
    SetColor(clBtnFace);
    SetBorderKind(cbFlat);
    SetBorderTone(2);
}

void TCustomClipPopup::SetViewStyle(int value) {
    if (value == viewStyle_) return;
    viewStyle_ = value;
    Relayout();
}

TVnAssistButton* TCustomClipPopup::AddItem(const QString& name, const QString& resourceName, int column,
                                           int row, const QString& caption) {
    BeginUpdate();
    auto* item = Buttons().AddButton<TVnAssistButton>();
    item->SetName(name);
    item->SetRow(row);
    item->SetColumn(column);
    item->SetImages(Buttons().Images());
    // A missing resource leaves the item without a glyph.
    item->SetGlyph(resourceName.isEmpty() ? QImage() : LoadBitmapResource(resourceName));
    item->SetColor(clWhite);
    item->SetFont(font());
    // Items are what the keyboard moves through in a popup.
    item->SetOption(boTabStop, true);
    if (viewStyle_ == vsList) {
        item->SetCaption(caption);
        item->SetLayout(TVnButtonLayout::GlyphLeft);
        item->SetAssistKind(akMenuItem);
        item->SetHotColor(kMenuHot);
        item->SetColor(kMenuFace);
    } else {
        item->SetHint(caption);
        item->SetLayout(TVnButtonLayout::GlyphCenter);
        item->OnHotChange = [this](TVnEditButton* b, bool entered) {
            ShowItemHint(static_cast<TVnAssistButton*>(b), !entered);
        };
    }
    item->OnClick = [this](TVnEditButton* b) { ItemClick(static_cast<TVnAssistButton*>(b)); };
    maxRow_ = std::max(maxRow_, row);
    maxColumn_ = std::max(maxColumn_, column);
    EndUpdate();
    return item;
}

void TCustomClipPopup::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0) Relayout();
}

void TCustomClipPopup::Clear() {
    BeginUpdate();
    Buttons().Clear();
    maxRow_ = maxColumn_ = 0;
    statusText_.clear();
    EndUpdate();
}

void TCustomClipPopup::ItemClick(TVnAssistButton* item) {
    if (OnItemClick) OnItemClick(this, item);
}

void TCustomClipPopup::ShowItemHint(TVnAssistButton* item, bool leaving) {
    statusText_ = leaving || !item ? QString() : item->Hint();
    statusDisabled_ = item && !item->Enabled();
    if (viewStyle_ == vsGrid) update(StatusRect().ToQRect());
}

void TCustomClipPopup::GetJoinRect(const TRect&, TRect& rect) { rect = {}; }

void TCustomClipPopup::CreateDefaultItems() {
    BeginUpdate();
    Clear();
    SetViewStyle(vsList);
    AddItem(QStringLiteral("#Query"), QStringLiteral("VN_DBQUERY"), 0, 0, kQueryCaption);
    AddItem(QStringLiteral("#Property"), QStringLiteral("VN_DBPROPERTY"), 1, 0, kPropertyCaption);
    AddItem(QStringLiteral("#Find"), QStringLiteral("VN_DBFIND"), 2, 0, kFindCaption);
    AddItem(QStringLiteral("#Print"), QStringLiteral("VN_PRINT"), 3, 0, kPrintCaption);
    EndUpdate();
}

void TCustomClipPopup::ButtonsChanged() {
    if (updateCount_ == 0 && OwnerControl()) Relayout();
}

void TCustomClipPopup::Relayout() {
    if (updateCount_ > 0) return;
    TVnEditButtons& set = Buttons();
    const int maxGlyph = set.MaxGlyphWidth();
    const int captionHeight = FramePartHeights().Top;
    // The grip bar lies below the items, so that it never covers the last of them.
    const int gripHeight = FramePartHeights().Bottom;
    if (viewStyle_ == vsList) {
        const int b = BorderKind() == cbNone ? 1 : 2;
        const int separatorExtra = BorderKind() == cbRaised ? 0 : 1;
        int w = 0;
        for (int i = 0; i < set.Count(); ++i) {
            const TVnEditButton* item = set.Buttons(i);
            if (!item->IsSeparator()) w = std::max(w, item->CaptionWidth() + 30 + maxGlyph);
        }
        int y = b + captionHeight;
        for (int i = 0; i < set.Count(); ++i) {
            TVnEditButton* item = set.Buttons(i);
            int h = 3;
            if (!item->IsSeparator()) {
                int glyph = item->GlyphSize().height();
                if (glyph == 0 && set.Images()) glyph = set.Images()->Height();
                h = std::max(item->CaptionHeight(), glyph) + 6;
            }
            item->SetBoundsRect(b, y, w + (item->IsSeparator() ? separatorExtra : 0), h);
            y += h;
        }
        SetBounds(PopupRect().Left, PopupRect().Top, b + b + w, y + b + gripHeight);
    } else {
        const int a = maxGlyph + 6;
        for (int i = 0; i < set.Count(); ++i) {
            auto* item = static_cast<TVnAssistButton*>(set.Buttons(i));
            item->SetBoundsRect(3 + a * item->Column(), captionHeight + 3 + a * item->Row(), a, a);
        }
        SetBounds(PopupRect().Left, PopupRect().Top, a * (maxColumn_ + 1) + 6,
                  captionHeight + a * (maxRow_ + 1) + kStatusHeight + 8 + gripHeight);
    }
    update();
}

TRect TCustomClipPopup::StatusRect() const {
    const int b = BorderWidth();
    const int bottom = height() - b - FramePartHeights().Bottom;
    return {b, bottom - kStatusHeight, width() - b, bottom};
}

void TCustomClipPopup::PaintClientExtras(QPainter& canvas) {
    if (viewStyle_ != vsGrid || statusText_.isEmpty()) return;
    TRect r = StatusRect().Inflated(-2, -1);
    canvas.setFont(font());
    canvas.setPen(ToQColor(statusDisabled_ ? kDisabledHint : clWindowText));
    DrawTextRect(canvas, statusText_, r,
                 DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
}

void TCustomClipPopup::PaintFrame(QPainter& canvas) {
    TRect join;
    GetJoinRect({0, 0, width(), height()}, join);
    canvas.save();
    if (!join.IsEmpty()) {
        FrameRect(canvas, join, kGutter);
        canvas.setClipRegion(QRegion(rect()).subtracted(QRegion(join.ToQRect())));
    }
    TVnClipPopup::PaintFrame(canvas);
    canvas.restore();
    if (viewStyle_ == vsGrid) DrawEdge(canvas, StatusRect(), BDR_SUNKENOUTER, BF_RECT);
}

// ---- the popup of a holder --------------------------------------------------------------------------

TComboClipPopup::TComboClipPopup(IVnPopupHolder* holder)
    : TCustomClipPopup(holder ? holder->GetControl() : nullptr), holder_(holder) {}

namespace {
void ForgetShared(TComboClipPopup* popup);
}

TComboClipPopup::~TComboClipPopup() { ForgetShared(this); }

void TComboClipPopup::AddEmptyItem(const QString& caption) {
    TVnAssistButton* item = AddItem(QStringLiteral("#Empty"), QString(), 0, 0, caption);
    item->SetEnabled(false);
}

bool TComboClipPopup::AddItemFromRecord(int index, const TVnClipItem& record) {
    TVnAssistButton* item = AddItem(record.Name, QString(), index, 0, record.Caption);
    item->SetImages(Buttons().Images());
    item->SetImageIndex(record.ImageIndex);
    item->SetEnabled(record.Enabled);
    item->SetRecord(record);
    ButtonsChanged();
    return true;
}

void TComboClipPopup::HolderKeyDown(int key, Qt::KeyboardModifiers shift) {
    if (key == Qt::Key_Escape) {
        if (SharedPopup() == this)
            OpenSharedPopup(nullptr);
        else
            HidePopup();
        return;
    }
    QKeyEvent press(QEvent::KeyPress, key, shift);
    QCoreApplication::sendEvent(this, &press);
}

void TComboClipPopup::ItemClick(TVnAssistButton* item) {
    TCustomClipPopup::ItemClick(item);
    if (holder_) holder_->ItemClicked(item);
    // The popup is closed once the click has run its course, never from inside it.
    QTimer::singleShot(0, qApp, [] {
        if (SharedPopup()) OpenSharedPopup(nullptr);
    });
}

TRect TComboClipPopup::HolderRect() const {
    TRect r;
    if (holder_) holder_->GetHolderRect(r);
    return r;
}

QRegion TComboClipPopup::GetPopupRegion() {
    const TRect holder = HolderRect();
    if (!holder_ || holder.IsEmpty()) return TCustomClipPopup::GetPopupRegion();
    int left = 0, top = 0, side = 0, w = 0;
    holder_->GetPopupPosition(left, top, side, w);
    QRect body = rect();
    if (side == 1) body.translate(0, holder.Height());
    return QRegion(body).united(QRegion(0, 0, holder.Width(), holder.Height()));
}

QPoint TComboClipPopup::GetShadowOffset() {
    const TRect holder = HolderRect();
    if (!holder_ || holder.IsEmpty()) return {};
    int left = 0, top = 0, side = 0, w = 0;
    holder_->GetPopupPosition(left, top, side, w);
    if (side == 1) return {0, -holder.Height()};
    if (side == 2) return {-holder.Width(), -holder.Height()};
    return {};
}

void TComboClipPopup::GetJoinRect(const TRect& windowRect, TRect& rect) {
    rect = {};
    if (!holder_) return;
    int left = 0, top = 0, side = 0, w = 0;
    holder_->GetPopupPosition(left, top, side, w);
    if (side == 1)
        rect = {windowRect.Left + 1, windowRect.Top, windowRect.Left + 1 + std::max(w - 2, 0),
                windowRect.Top + 1};
    else if (side == 2)
        rect = {windowRect.Right - w, windowRect.Top, windowRect.Right - 1, windowRect.Top + 1};
    else
        rect = windowRect;
}

void TComboClipPopup::HidePopup() {
    TCustomClipPopup::HidePopup();
    if (holder_ && holder_->GetControl()) holder_->GetControl()->repaint();
}

// ---- the shared drop-down popup ---------------------------------------------------------------------

namespace {

// Watches every event of the application while the shared popup is open and closes it on a press
// outside it and its holder, on the holder losing the focus, on Alt keys and when the program is
// deactivated; other keys go to the popup.
class TSharedPopupHook : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

QPointer<TComboClipPopup>& SharedSlot() {
    static QPointer<TComboClipPopup> slot;
    return slot;
}

TSharedPopupHook*& HookSlot() {
    static TSharedPopupHook* hook = nullptr;
    return hook;
}

void RemoveHook() {
    if (TSharedPopupHook*& hook = HookSlot()) {
        qApp->removeEventFilter(hook);
        delete hook;
        hook = nullptr;
    }
}

void InstallHook() {
    if (HookSlot()) return;
    HookSlot() = new TSharedPopupHook;
    qApp->installEventFilter(HookSlot());
}

// A shared popup destroyed with its holder's control leaves the slot and takes the watch with it; the
// holder is going too, so it is told nothing.
void ForgetShared(TComboClipPopup* popup) {
    if (SharedSlot().data() != popup) return;
    SharedSlot() = nullptr;
    RemoveHook();
}

bool InsideShared(const QPoint& global) {
    TComboClipPopup* popup = SharedSlot();
    if (!popup) return false;
    if (popup->isVisible() && popup->geometry().contains(global)) return true;
    TRect holder;
    if (popup->Holder()) popup->Holder()->GetHolderRect(holder);
    return holder.Contains(global.x(), global.y());
}

bool TSharedPopupHook::eventFilter(QObject* watched, QEvent* event) {
    TComboClipPopup* popup = SharedSlot();
    if (!popup) {
        // The popup went with its control; the hook has nothing left to watch.
        QTimer::singleShot(0, qApp, [] {
            if (!SharedSlot()) RemoveHook();
        });
        return false;
    }
    QWidget* control = popup->Holder() ? popup->Holder()->GetControl() : nullptr;
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonDblClick: {
            const auto* e = static_cast<QMouseEvent*>(event);
            if (e->button() == Qt::LeftButton && watched->isWidgetType() &&
                !InsideShared(e->globalPosition().toPoint()))
                OpenSharedPopup(nullptr);
            return false;
        }
        case QEvent::FocusOut: {
            // A window system that activates the popup itself takes the focus only on its way back
            // to the form; that is no loss of the focus.
            QWidget* active = QApplication::activeWindow();
            const bool toPopup = active && (active == popup || active->parentWidget() == popup);
            if (watched == control && !toPopup) OpenSharedPopup(nullptr);
            return false;
        }
        case QEvent::Close:
            if (control && watched == control->window()) OpenSharedPopup(nullptr);
            return false;
        case QEvent::ApplicationDeactivate:
            OpenSharedPopup(nullptr);
            return false;
        case QEvent::KeyPress: {
            if (watched == popup) return false;  // already on its way to the popup's buttons
            const auto* e = static_cast<QKeyEvent*>(event);
            if (e->modifiers() & Qt::AltModifier) {
                OpenSharedPopup(nullptr);
                return false;
            }
            if (!watched->isWidgetType()) return false;
            popup->HolderKeyDown(e->key(), e->modifiers());
            return true;
        }
        case QEvent::ShortcutOverride:
            return false;
        default:
            return false;
    }
}

}  // namespace

TComboClipPopup* SharedPopup() { return SharedSlot(); }

TComboClipPopup* OpenSharedPopup(IVnPopupHolder* holder) {
    QPointer<TComboClipPopup>& slot = SharedSlot();
    if (slot) {
        IVnPopupHolder* old = slot->Holder();
        // A holder that keeps its popup open keeps the hook with it; nothing new opens meanwhile.
        if (old && !old->CanClosePopup()) return nullptr;
        RemoveHook();
        TComboClipPopup* closing = slot;
        slot = nullptr;
        closing->HidePopup();
        if (old) {
            old->SetDroppedDown(false);
            old->PopupClosed();
        }
        closing->deleteLater();
    } else {
        RemoveHook();
    }
    if (!holder) return nullptr;
    auto* popup = new TComboClipPopup(holder);
    popup->BeginUpdate();
    popup->SetViewStyle(vsList);
    holder->SetPopup(popup);
    int left = 0, top = 0, side = 0, width = 0;
    holder->GetPopupPosition(left, top, side, width);
    popup->SetPopupBounds(left, top, popup->width(), popup->height());
    popup->EndUpdate();
    slot = popup;
    popup->ShowPopup();
    holder->SetDroppedDown(true);
    InstallHook();
    return popup;
}
