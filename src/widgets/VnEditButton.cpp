#include "widgets/VnEditButton.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QtEndian>
#include <algorithm>
#include <climits>

#include "platform/text/Cp1250.h"

namespace {

constexpr TColor kMagenta = 0xFF00FF;
constexpr TColor kHotTrackDown = 0xB59285;  // RGB (133, 146, 181)
constexpr TColor kDarkFrame = 0x6A0A24;     // RGB (36, 10, 106)
constexpr TColor kDisabledPattern = 0xE6E6E6;

bool IsLight(TColor color) {
    const TColor rgb = ColorToRGB(color);
    return (rgb & 0xFF) >= 144 && ((rgb >> 8) & 0xFF) >= 144 && ((rgb >> 16) & 0xFF) >= 144;
}

bool IsHotTrack(TVnButtonStyle style) {
    return style == TVnButtonStyle::HotTrack || style == TVnButtonStyle::HotTrackFaded;
}

// The colour the control paints its background with, as flat frames blend into it.
TColor ControlColor(const QWidget* control) {
    if (!control) return clWindow;
    return FromQColor(control->palette().color(control->backgroundRole()));
}

// A shared image that text is measured on, so that measuring needs no window.
QImage& MeasureBitmap() {
    static QImage image(1, 1, QImage::Format_RGB32);
    return image;
}

void Put16(QByteArray& out, int offset, int value) {
    qToLittleEndian<int16_t>(static_cast<int16_t>(value), out.data() + offset);
}
void Put32(QByteArray& out, int offset, int32_t value) {
    qToLittleEndian<int32_t>(value, out.data() + offset);
}
int Get16(const QByteArray& in, int offset) { return qFromLittleEndian<int16_t>(in.constData() + offset); }
int32_t Get32(const QByteArray& in, int offset) {
    return qFromLittleEndian<int32_t>(in.constData() + offset);
}

}  // namespace

// ---- one button ------------------------------------------------------------------------------------

TVnEditButton::TVnEditButton(QWidget* control) : control_(control) {
    if (control) font_ = control->font();
    MeasureCaption();
}

TVnEditButton::~TVnEditButton() {
    if (holder_) holder_->ButtonChanged(this, bcDestroying);
}

TRect TVnEditButton::WindowRect() const {
    TRect r = BoundsRect();
    if (!WindowCoordinates() && control_) {
        const QPoint origin = control_->contentsRect().topLeft();
        r = {r.Left + origin.x(), r.Top + origin.y(), r.Right + origin.x(), r.Bottom + origin.y()};
    }
    return r;
}

void TVnEditButton::SetWidth(int value) {
    hiddenWidth_ = value;
    SetBoundsRect(left_, top_, value, height_);
}

void TVnEditButton::SetBoundsRect(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    // The old place has to be repainted too, so it is invalidated before the bounds move.
    if (control_ && !WindowRect().IsEmpty()) control_->update(WindowRect().ToQRect());
    left_ = static_cast<int16_t>(left);
    top_ = static_cast<int16_t>(top);
    width_ = static_cast<int16_t>(width);
    height_ = static_cast<int16_t>(height);
    if (Flag(bfWordWrap)) MeasureCaption();
    Notify(bcBounds);
}

void TVnEditButton::SetCaption(const QString& value) {
    if (value == caption_) return;
    caption_ = value;
    MeasureCaption();
    Changed();
}

void TVnEditButton::SetFont(const QFont& value) {
    font_ = value;
    MeasureCaption();
    Notify(bcFont);
}

void TVnEditButton::SetFontColor(TColor value) {
    if (value == fontColor_) return;
    fontColor_ = value;
    Notify(bcFont);
}

void TVnEditButton::SetGlyph(const QImage& value) {
    glyph_ = value;
    SetFlag(bfOwnsGlyph, !value.isNull());
    Changed();
}

void TVnEditButton::SetImages(const TImageList* value) {
    if (value == images_) return;
    images_ = value;
    MeasureCaption();
    Notify(bcImages);
}

void TVnEditButton::SetImageIndex(int value) {
    if (value == imageIndex_) return;
    imageIndex_ = value;
    Notify(bcImages);
}

QSize TVnEditButton::GlyphSize() const {
    if (UsesImage()) return {images_->Width(), images_->Height()};
    return glyph_.isNull() ? QSize(0, 0) : glyph_.size();
}

void TVnEditButton::SetLayout(TVnButtonLayout value) {
    if (value == layout_) return;
    layout_ = value;
    Changed();
}

void TVnEditButton::SetButtonStyle(TVnButtonStyle value) {
    if (value == style_) return;
    style_ = value;
    if (value == TVnButtonStyle::Combo) SetOption(boRepaintOnFocus, true);
    Changed();
}

void TVnEditButton::SetKind(TVnButtonKind value) {
    if (value == kind_) return;
    kind_ = value;
    if (kind_ == TVnButtonKind::Push) SetFlag(bfLatched, false);
    Changed();
}

void TVnEditButton::SetDisabledStyle(int value) {
    if (value == disabledStyle_) return;
    disabledStyle_ = value;
    if (!Enabled()) Changed();
}

bool TVnEditButton::SetState(TVnButtonState value) {
    TVnButtonState next = value;
    if (OnStateChange) OnStateChange(this, next);
    if (next != value) return false;
    const TVnButtonState old = state_;
    if (next == old) return true;
    state_ = next;
    if (next != TVnButtonState::Down) SetFlag(bfLatched, false);
    // Between normal and hot only styles with a hot look change their face.
    if (old == TVnButtonState::Down || next == TVnButtonState::Down || ShowsHotLook()) Notify(bcState);
    return true;
}

void TVnEditButton::SetColor(TColor value) {
    if (value == color_) return;
    color_ = value;
    Changed();
}

void TVnEditButton::SetHotColor(TColor value) {
    if (value == hotColor_) return;
    hotColor_ = value;
    if (state_ == TVnButtonState::Hot) Changed();
}

void TVnEditButton::SetFlag(int bit, bool on) { BitSet(flags_, bit, on); }

void TVnEditButton::SetOption(int bit, bool on) {
    const uint32_t before = options_;
    BitSet(options_, bit, on);
    if (bit == boMarkupCaption && before != options_) MeasureCaption();
}

void TVnEditButton::SetEnabled(bool value) {
    if (value == Enabled()) return;
    SetFlag(bfEnabled, value);
    Notify(bcEnabled);
}

void TVnEditButton::SetVisible(bool value) {
    if (value == Visible()) return;
    if (!value && control_) control_->update(WindowRect().ToQRect());
    SetFlag(bfVisible, value);
    if (!value) state_ = TVnButtonState::Normal;
    Notify(bcBounds);
}

bool TVnEditButton::PointIn(int x, int y) {
    bool inside = IsVisible() && BoundsRect().Contains(x, y);
    if (OnHitTest) OnHitTest(this, x, y, inside);
    return inside;
}

void TVnEditButton::Repaint() {
    if (!control_) return;
    if (holder_ && (holder_->IsPaintLocked() || !holder_->IsButtonVisible(this))) return;
    control_->update(WindowRect().ToQRect());
}

void TVnEditButton::Notify(int what) {
    if (holder_)
        holder_->ButtonChanged(this, what);
    else
        Repainted();
}

bool TVnEditButton::ShowsHotLook() const {
    return style_ != TVnButtonStyle::Standard && !Flag(bfAlwaysShowFrame) &&
           style_ != TVnButtonStyle::Combo && style_ != TVnButtonStyle::Plain;
}

QBrush TVnEditButton::PatternBrush(TColor color) {
    QImage pattern(2, 2, QImage::Format_RGB32);
    const QRgb a = ToQColor(color).rgb(), b = ToQColor(clBtnFace).rgb();
    pattern.setPixel(0, 0, a);
    pattern.setPixel(1, 1, a);
    pattern.setPixel(1, 0, b);
    pattern.setPixel(0, 1, b);
    return QBrush(pattern);
}

void TVnEditButton::Changed() { Notify(bcGeneral); }

bool TVnEditButton::IsVisible() const { return Visible(); }

void TVnEditButton::ResetPressed() {
    SetFlag(bfPressed, false);
    SetFlag(bfLatched, false);
}

void TVnEditButton::Repainted() {
    if (!Option(boNoAutoRepaint)) Repaint();
}

void TVnEditButton::Click() {
    if (holder_ && holder_->GetActiveButton() != this) holder_->SetActiveButton(this);
    if (OnClick) OnClick(this);
}

QPoint TVnEditButton::GlyphOffset() const {
    if (state_ != TVnButtonState::Down) return {};
    if (style_ == TVnButtonStyle::Tinted || style_ == TVnButtonStyle::Combo ||
        style_ == TVnButtonStyle::Plain || IsHotTrack(style_))
        return {};
    return {1, 1};
}

QPoint TVnEditButton::CaptionOffset() const {
    if (state_ != TVnButtonState::Down) return {};
    if (style_ == TVnButtonStyle::Tinted ||
        (style_ == TVnButtonStyle::FramedGlyph && kind_ == TVnButtonKind::Push) ||
        style_ == TVnButtonStyle::Combo || style_ == TVnButtonStyle::Plain || IsHotTrack(style_))
        return {};
    return {1, 1};
}

void TVnEditButton::MeasureCaption() {
    QPainter canvas(&MeasureBitmap());
    canvas.setFont(font_);
    if (caption_.isEmpty()) {
        captionWidth_ = 0;
        captionHeight_ = 0;
        return;
    }
    const bool wrap = Flag(bfWordWrap);
    int limit = INT_MAX / 4;
    if (wrap) limit = width_ - 6 - (UsesImage() ? images_->Width() : 0);
    if (Option(boMarkupCaption) && !wrap) {
        QPoint extent;
        DrawMarkupText(canvas, caption_, TRect{0, 0, limit, INT_MAX / 4}, false, DT_LEFT, images_, extent);
        captionWidth_ = extent.x();
        captionHeight_ = extent.y();
        return;
    }
    TRect r{0, 0, std::max(limit, 0), 0};
    DrawTextRect(canvas, caption_, r, DT_CALCRECT | (wrap ? DT_WORDBREAK : DT_SINGLELINE));
    captionWidth_ = r.Width();
    captionHeight_ = r.Height();
}

void TVnEditButton::SetHolder(IVnButtonHolder* holder) { holder_ = holder; }

void TVnEditButton::CalcLayout(TRect& glyph, TRect& caption) const {
    const int w = width_, h = height_;
    const QSize gs = GlyphSize();
    const int gw = gs.width(), gh = gs.height();
    const bool hasGlyph = gw > 0 && gh > 0;
    const int cw = HasCaption() ? captionWidth_ : 0, ch = HasCaption() ? captionHeight_ : 0;
    const int a = hasGlyph && HasCaption() ? 3 : 0;
    const int b = a + 6;
    int gx = 3, gy = 3;
    if (hasGlyph) {
        switch (layout_) {
            case TVnButtonLayout::GlyphLeft:
                gx = 3;
                gy = (h - gh) / 2;
                break;
            case TVnButtonLayout::GlyphRight:
                gx = w - gw - 3;
                gy = (h - gh) / 2;
                break;
            case TVnButtonLayout::GlyphTop:
                gx = 3 + (w - 6 - gw) / 2;
                gy = 3 + (h - gh - ch - b) / 2;
                break;
            case TVnButtonLayout::GlyphBottom:
                gx = 3 + (w - 6 - gw) / 2;
                gy = 3 + a + ch + (h - gh - ch - b) / 2;
                break;
            default:
                gx = gw + cw + b < w ? 3 + (w - gw - cw - b) / 2 : 3;
                gy = (h - gh) / 2;
                break;
        }
        glyph = {gx, gy, gx + gw, gy + gh};
    } else {
        glyph = {3, 3, 3, 3};
    }
    TRect band;
    switch (layout_) {
        case TVnButtonLayout::GlyphLeft:
            band = {glyph.Right + a, 0, glyph.Right + a + cw, h};
            break;
        case TVnButtonLayout::GlyphRight:
            band = {std::max(glyph.Right + a, w - cw - 3), 0, w - 3, h};
            break;
        case TVnButtonLayout::GlyphTop:
            band = {3, glyph.Bottom + a, w - 3, h};
            break;
        case TVnButtonLayout::GlyphBottom:
            band = {3, 0, w - 3, glyph.Top - a};
            break;
        default:
            band = {glyph.Right + a, 0, w - 3, h};
            break;
    }
    if (layout_ == TVnButtonLayout::GlyphTop || layout_ == TVnButtonLayout::GlyphBottom) {
        const int left = band.Left + (band.Width() - cw) / 2;
        caption = {left, band.Top, left + cw, band.Bottom};
    } else {
        const int top = band.Top + (band.Height() - ch) / 2;
        caption = {band.Left, top, band.Right, top + ch};
    }
    // Moved by (1, 1) and grown by one pixel on every side.
    caption = {caption.Left, caption.Top, caption.Right + 2, caption.Bottom + 2};
}

void TVnEditButton::SetFaceBrush(QPainter& canvas, TVnButtonState state) {
    const TColor rgb = ColorToRGB(color_);
    if (!Enabled()) {
        if (disabledStyle_ == dsGrey && style_ != TVnButtonStyle::Plain &&
            (state == TVnButtonState::Hot || state == TVnButtonState::Down || Flag(bfAlwaysShowFrame)))
            canvas.setBrush(PatternBrush(kDisabledPattern));
        else
            canvas.setBrush(ToQColor(color_));
        return;
    }
    switch (style_) {
        case TVnButtonStyle::Tinted:
            if ((state == TVnButtonState::Hot || state == TVnButtonState::Down) &&
                (rgb == clWhite || (Option(boLightDown) && (rgb == clSilver || color_ == clBtnFace))))
                canvas.setBrush(PatternBrush(clWhite));
            else
                canvas.setBrush(ToQColor(color_));
            return;
        case TVnButtonStyle::FramedGlyph:
            if (kind_ == TVnButtonKind::Toggle && state == TVnButtonState::Down && color_ == clBtnFace)
                canvas.setBrush(PatternBrush(clWhite));
            else
                canvas.setBrush(ToQColor(color_));
            return;
        case TVnButtonStyle::HotTrack:
        case TVnButtonStyle::HotTrackFaded:
            canvas.setBrush(ToQColor(state == TVnButtonState::Down  ? kHotTrackDown
                                     : state == TVnButtonState::Hot ? hotColor_
                                                                    : color_));
            return;
        default:
            canvas.setBrush(ToQColor(color_));
            return;
    }
}

void TVnEditButton::SetTextColors(QPainter& canvas, const TRect& rect, TVnButtonState state) {
    canvas.setPen(ToQColor(fontColor_));
    if (style_ == TVnButtonStyle::Combo && state == TVnButtonState::Down) {
        const bool active = control_ && control_->hasFocus();
        FillRect(canvas, rect, active ? clHighlight : clBtnFace);
        if (active) canvas.setPen(ToQColor(clHighlightText));
        TRect focus = rect;
        focus.Bottom -= 2;
        if (!focus.IsEmpty()) {
            canvas.save();
            canvas.setPen(QPen(ToQColor(clBlack), 1, Qt::DotLine));
            canvas.setBrush(Qt::NoBrush);
            canvas.drawRect(focus.Left, focus.Top, focus.Width() - 1, focus.Height() - 1);
            canvas.restore();
        }
    } else if (IsHotTrack(style_) && (state == TVnButtonState::Down || state == TVnButtonState::Hot)) {
        const TColor face = state == TVnButtonState::Down ? kHotTrackDown : hotColor_;
        canvas.setPen(ToQColor(IsLight(face) ? clWindowText : clHighlightText));
    }
}

void TVnEditButton::PaintFace(QPainter& canvas, const TRect& rect) {
    if (Option(boParentBackground)) return;  // the control shows through
    canvas.fillRect(rect.ToQRect(), canvas.brush());
}

void TVnEditButton::PaintFrame(QPainter& canvas, const TRect& r) {
    const TVnButtonState state = Enabled() ? state_ : TVnButtonState::Normal;
    const bool always = Flag(bfAlwaysShowFrame);
    const bool grey = ColorToRGB(color_) == clGray;
    const bool silver = ColorToRGB(color_) == clSilver;
    auto raised = [&] { DrawEdge(canvas, r, BDR_RAISEDINNER, BF_RECT); };
    auto sunken = [&] { DrawEdge(canvas, r, BDR_SUNKENOUTER, BF_RECT); };
    switch (style_) {
        case TVnButtonStyle::Standard:
            if (state == TVnButtonState::Down) {
                FrameRect(canvas, r, clBtnShadow);
            } else if (Enabled()) {
                DrawEdge(canvas, r, BDR_RAISEDOUTER, BF_RECT);
                DrawEdge(canvas, r.Inflated(-1, -1), BDR_RAISEDINNER, BF_RECT);
            } else {
                DrawEdge(canvas, r, BDR_RAISEDOUTER, BF_LEFT | BF_TOP);
                DrawEdge(canvas, r, BDR_RAISEDINNER, BF_RIGHT | BF_BOTTOM);
                DrawEdge(canvas, r.Inflated(-1, -1), BDR_RAISEDINNER, BF_LEFT | BF_TOP);
                DrawEdge(canvas, r.Inflated(-1, -1), BDR_SUNKENINNER, BF_RIGHT | BF_BOTTOM);
            }
            return;
        case TVnButtonStyle::Flat:
        case TVnButtonStyle::FlatOnWindow:
            if (state == TVnButtonState::Down)
                sunken();
            else if (state == TVnButtonState::Hot || always)
                raised();
            else if (style_ == TVnButtonStyle::FlatOnWindow)
                FrameRect(canvas, r, ControlColor(control_));
            return;
        case TVnButtonStyle::Tinted:
            if (state == TVnButtonState::Down) {
                DrawEdge(canvas, r, BDR_SUNKENOUTER, BF_RIGHT | BF_BOTTOM);
                DrawEdge(canvas, r, grey ? BDR_SUNKENINNER : BDR_SUNKENOUTER, BF_LEFT | BF_TOP);
            } else if (state == TVnButtonState::Hot || always) {
                DrawEdge(canvas, r, BDR_RAISEDINNER, BF_LEFT | BF_TOP);
                DrawEdge(canvas, r, grey ? BDR_RAISEDOUTER : BDR_RAISEDINNER, BF_RIGHT | BF_BOTTOM);
            }
            return;
        case TVnButtonStyle::FramedGlyph:
            if (state == TVnButtonState::Normal || !(GlyphSize().isEmpty() || kind_ == TVnButtonKind::Toggle))
                return;
            if (silver) {
                state == TVnButtonState::Down ? sunken() : raised();
            } else if (state == TVnButtonState::Down) {
                DrawEdge(canvas, r, BDR_SUNKENINNER, BF_LEFT | BF_TOP);
                DrawEdge(canvas, r, BDR_SUNKENOUTER, BF_RIGHT | BF_BOTTOM);
            } else {
                DrawEdge(canvas, r, BDR_RAISEDINNER, BF_LEFT | BF_TOP);
                DrawEdge(canvas, r, BDR_RAISEDOUTER, BF_RIGHT | BF_BOTTOM);
            }
            return;
        case TVnButtonStyle::HotTrack:
        case TVnButtonStyle::HotTrackFaded:
            if (state != TVnButtonState::Normal) {
                if (Option(boDarkFrame)) FrameRect(canvas, r, kDarkFrame);
            } else if (style_ == TVnButtonStyle::HotTrackFaded && !always && !Option(boDarkFrame)) {
                FrameRect(canvas, r, ControlColor(control_));
            } else if (Option(boShadowFrame)) {
                FrameRect(canvas, r, clBtnShadow);
            }
            return;
        default:  // combo and plain have no frame
            return;
    }
}

QImage TVnEditButton::GlyphImage() const {
    // Effects work on an opaque image whose transparent part is magenta.
    const QSize size = GlyphSize();
    if (size.isEmpty()) return {};
    QImage work(size, QImage::Format_RGB32);
    work.fill(ToQColor(kMagenta));
    QPainter p(&work);
    if (UsesImage()) {
        images_->Draw(p, 0, 0, imageIndex_);
    } else {
        const QImage& g = glyph_;
        p.drawImage(0, 0, MaskedImage(g, FromQColor(QColor::fromRgb(g.pixel(0, g.height() - 1)))));
    }
    return work;
}

void TVnEditButton::DrawGlyphImage(QPainter& canvas, const TRect& rect, const QImage& image, bool stretch) {
    DrawTransparent(canvas, image, rect, stretch, kMagenta);
}

void TVnEditButton::PaintGlyph(QPainter& canvas, const TRect& rect) {
    const QImage image = GlyphImage();
    if (image.isNull()) {
        if (!rect.IsEmpty()) canvas.fillRect(rect.ToQRect(), canvas.brush());
        return;
    }
    const bool disabledLook = (!Enabled() && disabledStyle_ != dsUnchanged) ||
                              (style_ == TVnButtonStyle::Combo && state_ == TVnButtonState::Down);
    if (disabledLook) {
        switch (disabledStyle_) {
            case dsEmbossed: {
                const QRegion shape = RegionFromBitmap(image, kMagenta);
                for (const QRect& r : shape.translated(rect.Left, rect.Top))
                    canvas.fillRect(r, ToQColor(clBtnShadow));
                break;
            }
            case dsTinted: {
                QImage tinted;
                BlendBitmap(image, nullptr, tinted, 100, color_, color_);
                // The blend leaves the key colour alone; magenta stays the transparent part.
                DrawGlyphImage(canvas, rect, tinted, true);
                break;
            }
            case dsUnchanged:
                break;  // a combo button that is down shows no glyph of this kind
            default: {
                QImage grey;
                ApplyEffect(image, grey, TVnEffect::RedKeep, kMagenta);
                DrawGlyphImage(canvas, rect, grey, true);
                break;
            }
        }
    } else if (IsHotTrack(style_)) {
        QImage work(image.width() + 2, image.height() + 2, QImage::Format_RGB32);
        work.fill(ToQColor(kMagenta));
        {
            QPainter p(&work);
            p.drawImage(1, 1, image);
        }
        QImage out = work;
        if (style_ == TVnButtonStyle::HotTrackFaded && state_ == TVnButtonState::Normal)
            BlendBitmap(work, nullptr, out, 170, kMagenta, color_);
        else if (style_ == TVnButtonStyle::HotTrackFaded && state_ == TVnButtonState::Hot)
            ApplyEffect(work, out, TVnEffect::Shadow, kMagenta);
        else if (style_ == TVnButtonStyle::HotTrack && state_ == TVnButtonState::Down && Option(boDownEffect))
            ApplyEffect(work, out, TVnEffect::Invert, kMagenta);
        DrawTransparent(canvas, out, rect.Inflated(1, 1), false, 0xFFFFFF);
    } else {
        DrawGlyphImage(canvas, rect, image, true);
    }
    if (style_ == TVnButtonStyle::FramedGlyph && kind_ != TVnButtonKind::Toggle) {
        const bool silver = ColorToRGB(color_) == clSilver;
        const TRect frame = rect.Inflated(2, 2);
        if (state_ == TVnButtonState::Down) {
            DrawEdge(canvas, frame, silver ? BDR_SUNKENOUTER : BDR_SUNKENOUTER | BDR_SUNKENINNER, BF_RECT);
        } else if (state_ == TVnButtonState::Hot) {
            DrawEdge(canvas, frame, silver ? BDR_RAISEDINNER : BDR_RAISEDOUTER | BDR_RAISEDINNER, BF_RECT);
        }
    }
    if (style_ == TVnButtonStyle::Combo && Enabled() && state_ == TVnButtonState::Down) {
        QImage hatched;
        ApplyEffect(image, hatched, TVnEffect::Hatch, kMagenta);
        DrawGlyphImage(canvas, rect, hatched, true);
    }
}

void TVnEditButton::PaintCaption(QPainter& canvas, const TRect& rect) {
    if (!HasCaption()) return;
    unsigned format = (Flag(bfWordWrap) ? DT_WORDBREAK : DT_SINGLELINE) | DT_END_ELLIPSIS | DT_NOPREFIX;
    if (layout_ == TVnButtonLayout::GlyphCenter || layout_ == TVnButtonLayout::GlyphTop ||
        layout_ == TVnButtonLayout::GlyphBottom)
        format |= DT_CENTER;
    canvas.setFont(font_);
    SetTextColors(canvas, rect, state_);
    auto draw = [&](const TRect& r) {
        if (Option(boMarkupCaption) && !Flag(bfWordWrap)) {
            QPoint extent;
            DrawMarkupText(canvas, caption_, r, true, format, images_, extent);
        } else {
            TRect t = r;
            DrawTextRect(canvas, caption_, t, format);
        }
    };
    if (!Enabled() && disabledStyle_ != dsUnchanged) {
        if (disabledStyle_ == dsEmbossed) {
            canvas.setPen(ToQColor(clWindow));
            draw({rect.Left + 1, rect.Top + 1, rect.Right + 1, rect.Bottom + 1});
        }
        canvas.setPen(ToQColor(clBtnShadow));
    }
    draw(rect);
}

void TVnEditButton::PaintContent(QPainter& canvas, const TRect& rect) {
    TRect glyph, caption;
    CalcLayout(glyph, caption);
    const QPoint o(rect.Left, rect.Top);
    const QPoint go = GlyphOffset(), co = CaptionOffset();
    glyph = {glyph.Left + o.x() + go.x(), glyph.Top + o.y() + go.y(), glyph.Right + o.x() + go.x(),
             glyph.Bottom + o.y() + go.y()};
    caption = {caption.Left + o.x() + co.x(), caption.Top + o.y() + co.y(),
               std::min(caption.Right + o.x() + co.x(), rect.Right), caption.Bottom + o.y() + co.y()};
    canvas.save();
    SetFaceBrush(canvas, state_);
    PaintFace(canvas, rect);
    PaintFrame(canvas, rect);
    if (!IsSeparator()) PaintGlyph(canvas, glyph);
    if (Flag(bfShowCaption)) PaintCaption(canvas, caption);
    canvas.restore();
}

void TVnEditButton::PaintTo(QPainter& canvas) {
    if (!IsVisible() || !control_ || width_ < 0 || height_ < 0) return;
    const TRect r = WindowRect();
    if (r.IsEmpty()) return;
    canvas.save();
    if (holder_) {
        const QRegion hit = holder_->GetHitRegion();
        if (!hit.isEmpty()) canvas.setClipRegion(hit, Qt::IntersectClip);
    }
    if (Option(boDoubleBuffered)) {
        QImage buffer(r.Width(), r.Height(), QImage::Format_ARGB32_Premultiplied);
        buffer.fill(Qt::transparent);
        {
            QPainter p(&buffer);
            p.setFont(font_);
            PaintContent(p, TRect{0, 0, r.Width(), r.Height()});
        }
        canvas.drawImage(r.Left, r.Top, buffer);
    } else {
        canvas.setFont(font_);
        PaintContent(canvas, r);
    }
    canvas.restore();
}

bool TVnEditButton::MouseEvent(int x, int y, bool moving, bool held) {
    const TVnButtonState old = state_;
    const bool wasPressed = Pressed();
    const bool release = !moving && !held;
    const bool on = PointIn(x, y);
    TVnButtonState next = old;
    bool click = false;
    bool latchFlip = false;
    if (IsSeparator() || !IsVisible()) {
        next = TVnButtonState::Normal;
    } else if (!Enabled()) {
        next = on ? TVnButtonState::Hot : TVnButtonState::Normal;
    } else if (kind_ == TVnButtonKind::Push) {
        if (!on)
            next = TVnButtonState::Normal;
        else if (moving)
            next = held && wasPressed ? TVnButtonState::Down : TVnButtonState::Hot;
        else if (held) {
            next = TVnButtonState::Down;
            SetFlag(bfPressed, true);
        } else {
            next = TVnButtonState::Hot;
            click = true;  // decided below, once the state is known
        }
        if (moving && on && !(held && wasPressed)) SetFlag(bfPressed, false);
    } else if (Flag(bfLatchOnClick)) {
        if (on && !moving && held) {
            next = TVnButtonState::Down;
            SetFlag(bfPressed, true);
        } else if (on && release && (wasPressed || ClicksOnRelease())) {
            latchFlip = true;
            SetFlag(bfLatched, !Latched());
            next = Latched() ? TVnButtonState::Down : TVnButtonState::Hot;
        } else if (on) {
            if ((held && wasPressed) || Latched())
                next = TVnButtonState::Down;
            else
                next = held ? TVnButtonState::Normal : TVnButtonState::Hot;
        } else if (Latched()) {
            next = TVnButtonState::Down;
        } else if (wasPressed) {
            next = moving ? TVnButtonState::Hot : TVnButtonState::Normal;
        } else {
            next = TVnButtonState::Normal;
        }
    } else {
        if (!on) {
            if (old != TVnButtonState::Down) next = TVnButtonState::Normal;
        } else if (!held) {
            if (old != TVnButtonState::Down) next = TVnButtonState::Hot;
        } else if (!moving) {
            next = old == TVnButtonState::Normal ? TVnButtonState::Down
                   : old == TVnButtonState::Down ? TVnButtonState::Hot
                                                 : TVnButtonState::Down;
            click = true;
        }
    }
    if (release) SetFlag(bfPressed, false);

    TVnButtonState taken = next;
    if (OnStateChange) OnStateChange(this, taken);
    const bool refused = taken != next;
    if (latchFlip && refused) SetFlag(bfLatched, !Latched());
    if (taken != TVnButtonState::Down && !(latchFlip && refused)) SetFlag(bfLatched, false);
    state_ = taken;
    const bool changed = taken != old;
    if (changed && (old == TVnButtonState::Down || taken == TVnButtonState::Down || ShowsHotLook()))
        Notify(bcState);

    if (kind_ == TVnButtonKind::Push && click) {
        click = changed && (wasPressed ? old == TVnButtonState::Down : ClicksOnRelease());
    } else if (latchFlip) {
        click = !refused;
    } else if (click) {
        click = !refused;  // a toggle without latching clicks whenever its new state was taken
    }
    if (click && Enabled()) Click();
    return changed;
}

namespace {

// The fields of the stored record of a button.
enum class TRecordField {
    Layout,
    Data,
    ButtonStyle,
    Kind,
    Top,
    Left,
    Height,
    Width,
    ImageIndex,
    Enabled,
    InSet,
    AnchorKind,
    DisabledStyle,
    WindowCoordinates,
    TrackWhenLatched
};

// Where each field stands in the record and how many bytes it takes (little-endian, signed), in
// the order reading applies them. Reading and writing both go by this one table, so the two
// directions cannot disagree on a place.
struct TRecordSlot {
    TRecordField Field;
    int Offset;
    int Size;
};
constexpr TRecordSlot kRecordSlots[] = {
    {TRecordField::Data, 2, 4},
    {TRecordField::ImageIndex, 18, 4},
    {TRecordField::Enabled, 22, 1},
    {TRecordField::Top, 10, 2},
    {TRecordField::Left, 12, 2},
    {TRecordField::Width, 16, 2},
    {TRecordField::Height, 14, 2},
    {TRecordField::Layout, 0, 2},
    {TRecordField::ButtonStyle, 6, 2},
    {TRecordField::Kind, 8, 2},
    {TRecordField::InSet, 23, 1},
    {TRecordField::AnchorKind, 24, 2},
    {TRecordField::DisabledStyle, 26, 2},
    {TRecordField::WindowCoordinates, 28, 1},
    {TRecordField::TrackWhenLatched, 29, 1},
};

int32_t GetSlot(const QByteArray& record, const TRecordSlot& slot) {
    switch (slot.Size) {
        case 1:
            return static_cast<uint8_t>(record[slot.Offset]);
        case 2:
            return Get16(record, slot.Offset);
        default:
            return Get32(record, slot.Offset);
    }
}

void PutSlot(QByteArray& record, const TRecordSlot& slot, int32_t value) {
    switch (slot.Size) {
        case 1:
            record[slot.Offset] = static_cast<char>(value);
            break;
        case 2:
            Put16(record, slot.Offset, value);
            break;
        default:
            Put32(record, slot.Offset, value);
            break;
    }
}

}  // namespace

void TVnEditButton::ReadData(const QByteArray& record) {
    QByteArray r = record.left(kRecordSize);
    r.resize(kRecordSize, '\0');
    for (const TRecordSlot& slot : kRecordSlots) {
        const int32_t v = GetSlot(r, slot);
        switch (slot.Field) {
            case TRecordField::Layout:
                layout_ = static_cast<TVnButtonLayout>(v);
                break;
            case TRecordField::Data:
                data_ = v;
                break;
            // The styles past plain are not kept in the record; they come back flat.
            case TRecordField::ButtonStyle:
                style_ = v > static_cast<int>(TVnButtonStyle::Plain) || v < 0
                             ? TVnButtonStyle::Flat
                             : static_cast<TVnButtonStyle>(v);
                break;
            case TRecordField::Kind:
                kind_ = static_cast<TVnButtonKind>(v);
                break;
            case TRecordField::Top:
                top_ = v;
                break;
            case TRecordField::Left:
                left_ = v;
                break;
            case TRecordField::Height:
                height_ = v;
                break;
            case TRecordField::Width:
                width_ = hiddenWidth_ = v;
                break;
            case TRecordField::ImageIndex:
                imageIndex_ = v;
                break;
            case TRecordField::Enabled:
                SetFlag(bfEnabled, v != 0);
                break;
            case TRecordField::InSet:
                SetFlag(bfInSet, v != 0);
                break;
            case TRecordField::AnchorKind:
                anchorKind_ = v;
                break;
            case TRecordField::DisabledStyle:
                disabledStyle_ = v;
                break;
            case TRecordField::WindowCoordinates:
                SetFlag(bfWindowCoordinates, v != 0);
                break;
            case TRecordField::TrackWhenLatched:
                SetFlag(bfTrackWhenLatched, v != 0);
                break;
        }
    }
}

QByteArray TVnEditButton::WriteData() const {
    QByteArray r(kRecordSize, '\0');
    for (const TRecordSlot& slot : kRecordSlots) {
        int32_t v = 0;
        switch (slot.Field) {
            case TRecordField::Layout:
                v = static_cast<int32_t>(layout_);
                break;
            case TRecordField::Data:
                v = data_;
                break;
            case TRecordField::ButtonStyle:
                v = static_cast<int32_t>(style_);
                break;
            case TRecordField::Kind:
                v = static_cast<int32_t>(kind_);
                break;
            case TRecordField::Top:
                v = top_;
                break;
            case TRecordField::Left:
                v = left_;
                break;
            case TRecordField::Height:
                v = height_;
                break;
            case TRecordField::Width:
                v = width_;
                break;
            case TRecordField::ImageIndex:
                v = imageIndex_;
                break;
            case TRecordField::Enabled:
                v = Enabled() ? 1 : 0;
                break;
            case TRecordField::InSet:
                v = Flag(bfInSet) ? 1 : 0;
                break;
            case TRecordField::AnchorKind:
                v = anchorKind_;
                break;
            case TRecordField::DisabledStyle:
                v = disabledStyle_;
                break;
            case TRecordField::WindowCoordinates:
                v = WindowCoordinates() ? 1 : 0;
                break;
            case TRecordField::TrackWhenLatched:
                v = Flag(bfTrackWhenLatched) ? 1 : 0;
                break;
        }
        PutSlot(r, slot, v);
    }
    return r;
}

// ---- the set --------------------------------------------------------------------------------------

TVnEditButtons::TVnEditButtons(QWidget* control) : QObject(control), control_(control) {}

TVnEditButtons::~TVnEditButtons() {
    MarkDestroying();
    UnhookControl();
    active_ = focused_ = nullptr;
    buttons_.clear();
}

void TVnEditButtons::HookControl() {
    if (!control_ || !GetSetFlag(sfUnhooked)) return;
    control_->installEventFilter(this);
    control_->setMouseTracking(true);
    SetSetFlag(sfUnhooked, false);
}

void TVnEditButtons::UnhookControl() {
    if (control_ && !GetSetFlag(sfUnhooked)) control_->removeEventFilter(this);
    SetSetFlag(sfUnhooked, true);
}

TVnEditButton* TVnEditButtons::AddButton(std::unique_ptr<TVnEditButton> button) {
    TVnEditButton* b = button.get();
    buttons_.push_back(std::move(button));
    b->SetHolder(this);
    b->SetName(QStringLiteral("%1%2").arg(QStringLiteral("Button")).arg(Count() - 1));
    b->SetFlag(bfInSet, true);
    b->SetAnchorKind(defaultAnchor_);
    b->SetFlag(bfWindowCoordinates, GetSetFlag(sfWindowCoordinatesForNew));
    b->SetImages(images_);
    b->SetIndex(Count() - 1);
    b->SetColor(defaultColor_);
    Changed();
    return b;
}

void TVnEditButtons::Clear() {
    active_ = focused_ = nullptr;
    std::vector<std::unique_ptr<TVnEditButton>> old;
    old.swap(buttons_);
    for (auto& b : old) b->SetHolder(nullptr);
    old.clear();
    if (control_) control_->update();
    Changed();
}

int TVnEditButtons::IndexOf(const TVnEditButton* button) const {
    for (int i = 0; i < Count(); ++i)
        if (buttons_[i].get() == button) return i;
    return -1;
}

void TVnEditButtons::Renumber() {
    for (int i = 0; i < Count(); ++i) buttons_[i]->SetIndex(i);
}

void TVnEditButtons::MoveButton(int fromIndex, int toIndex) {
    if (fromIndex == toIndex || fromIndex < 0 || fromIndex >= Count() || toIndex < 0 || toIndex >= Count())
        return;
    auto moved = std::move(buttons_[fromIndex]);
    buttons_.erase(buttons_.begin() + fromIndex);
    buttons_.insert(buttons_.begin() + toIndex, std::move(moved));
    Renumber();
    Changed();
}

void TVnEditButtons::PutButton(int index, std::unique_ptr<TVnEditButton> button) {
    if (index < 0 || index >= Count() || !button) return;
    TVnEditButton* old = buttons_[index].get();
    if (active_ == old) active_ = nullptr;
    if (focused_ == old) focused_ = nullptr;
    old->SetHolder(nullptr);
    buttons_[index] = std::move(button);
    buttons_[index]->SetHolder(this);
    buttons_[index]->SetIndex(index);
    Changed();
}

QPoint TVnEditButtons::ClientOrigin() const {
    return control_ ? control_->contentsRect().topLeft() : QPoint();
}

TVnEditButton* TVnEditButtons::ButtonAt(QPoint windowPoint) const {
    const QPoint origin = ClientOrigin();
    for (const auto& b : buttons_) {
        const QPoint p = b->WindowCoordinates() ? windowPoint : windowPoint - origin;
        if (b->PointIn(p.x(), p.y())) return b.get();
    }
    return nullptr;
}

TRect TVnEditButtons::GetButtonsRect() const {
    QRect all;
    for (const auto& b : buttons_)
        if (b->IsVisible()) all = all.united(b->WindowRect().ToQRect());
    return TRect::FromQRect(all);
}

bool TVnEditButtons::IsButtonVisible(const TVnEditButton* button) const {
    return button && button->IsVisible() && control_ && control_->isVisible();
}

void TVnEditButtons::EndPaintLock() {
    if (paintLock_ > 0 && --paintLock_ == 0 && GetSetFlag(sfPaintOnErase)) RepaintAll();
}

int TVnEditButtons::MaxGlyphWidth() {
    maxGlyphWidth_ = 0;
    for (const auto& b : buttons_)
        if (!b->IsSeparator()) maxGlyphWidth_ = std::max(maxGlyphWidth_, b->GlyphSize().width());
    return maxGlyphWidth_;
}

QRegion TVnEditButtons::GetHitRegion() const {
    QRegion region;
    if (OnGetRegion) OnGetRegion(const_cast<TVnEditButtons*>(this), region);
    return region;
}

void TVnEditButtons::RepaintAll() {
    if (!control_ || IsPaintLocked()) return;
    const TRect r = GetButtonsRect();
    if (!r.IsEmpty()) control_->update(r.ToQRect());
}

void TVnEditButtons::ButtonChanged(TVnEditButton* button, int what) {
    if (what == bcDestroying) {
        if (focused_ == button) focused_ = nullptr;
        if (active_ == button) active_ = nullptr;
        return;
    }
    if (!IsPaintLocked()) button->Repainted();
    if (what == bcGeneral || what == bcImages || what == bcFont) Changed();
}

void TVnEditButtons::Changed() {
    if (!GetSetFlag(sfDestroying) && OnChange) OnChange(this);
}

void TVnEditButtons::AnchorButtons(int dx, int dy) {
    BeginPaintLock();
    for (const auto& b : buttons_) {
        int l = b->Left(), t = b->Top(), w = b->Width(), h = b->Height();
        switch (b->AnchorKind()) {
            case akMoveRight:
                l += dx;
                break;
            case akMoveDown:
                t += dy;
                break;
            case akMoveRightDown:
                l += dx;
                t += dy;
                break;
            case akStretchHorz:
                w += dx;
                break;
            case akMoveDownStretchHorz:
                t += dy;
                w += dx;
                break;
            case akStretchVert:
                h += dy;
                break;
            case akMoveRightStretchVert:
                l += dx;
                h += dy;
                break;
            case akStretchBoth:
                w += dx;
                h += dy;
                break;
            case akCenterHorz:
                l += dx / 2;
                break;
            case akMoveRightCenterVert:
                l += dx;
                t += dy / 2;
                break;
            default:
                continue;
        }
        b->SetBoundsRect(l, t, w, h);
    }
    paintLock_--;
    if (GetSetFlag(sfPaintOnErase) && control_) control_->update();
}

bool TVnEditButtons::HasTransparentButtons() const {
    return std::any_of(buttons_.begin(), buttons_.end(),
                       [](const auto& b) { return b->Option(boParentBackground); });
}

void TVnEditButtons::PaintButtons(QPainter& canvas, int which) {
    if (IsPaintLocked()) return;
    for (const auto& b : buttons_) {
        const bool transparent = b->Option(boParentBackground);
        if ((which == pwTransparent && !transparent) || (which == pwOpaque && transparent)) continue;
        b->PaintTo(canvas);
    }
}

void TVnEditButtons::SetImages(const TImageList* value) {
    images_ = value;
    for (const auto& b : buttons_) b->SetImages(value);
}

void TVnEditButtons::SetDefaultColor(TColor value) {
    if (value == defaultColor_) return;
    for (const auto& b : buttons_)
        if (b->Color() == defaultColor_) b->SetColor(value);
    defaultColor_ = value;
}

void TVnEditButtons::UpdateHotState() {
    const QPoint cursor = control_ ? control_->mapFromGlobal(QCursor::pos()) : QPoint(-1, -1);
    const QPoint origin = ClientOrigin();
    for (const auto& b : buttons_) {
        b->SetFlag(bfPressed, false);
        if (b->Latched() && !b->Flag(bfTrackWhenLatched)) continue;
        const QPoint p = b->WindowCoordinates() ? cursor : cursor - origin;
        b->SetState(b->PointIn(p.x(), p.y()) ? TVnButtonState::Hot : TVnButtonState::Normal);
    }
    active_ = nullptr;
}

bool TVnEditButtons::Selectable(const TVnEditButton* b) const {
    return b->IsVisible() && !b->IsSeparator() && b->Option(boTabStop);
}

void TVnEditButtons::SelectButton(int index, bool forward) {
    const int n = Count();
    if (n == 0) return;
    int i = index;
    for (int step = 0; step < n; ++step) {
        i = forward ? (i + 1) % n : (i <= 0 ? n - 1 : i - 1);
        if (i < 0) i = 0;
        TVnEditButton* b = buttons_[i].get();
        if (!Selectable(b)) continue;
        if (active_ && active_ != b) active_->SetState(TVnButtonState::Normal);
        active_ = b;
        b->SetState(TVnButtonState::Hot);
        return;
    }
}

void TVnEditButtons::FocusButton(int index, bool forward) {
    SelectButton(index, forward);
    focused_ = active_;
}

bool TVnEditButtons::MouseEvent(int x, int y, bool moving, bool held) {
    if (buttons_.empty()) return false;
    const bool anyPressed =
        std::any_of(buttons_.begin(), buttons_.end(), [](const auto& b) { return b->Pressed(); });
    const QPoint origin = ClientOrigin();
    TVnEditButton* under = nullptr;
    bool changed = false;
    // A click may clear or rebuild the set, so the buttons taking part are listed first.
    std::vector<TVnEditButton*> part;
    for (const auto& b : buttons_)
        if (!anyPressed || b->Pressed()) part.push_back(b.get());
    for (TVnEditButton* b : part) {
        if (IndexOf(b) < 0) continue;  // gone through an earlier button's click
        const QPoint p = b->WindowCoordinates() ? QPoint(x, y) : QPoint(x, y) - origin;
        if (b->MouseEvent(p.x(), p.y(), moving, held)) changed = true;
        if (IndexOf(b) >= 0 && b->PointIn(p.x(), p.y())) under = b;
    }
    if (!moving && held && under) focused_ = under;
    TVnEditButton* old = IndexOf(active_) >= 0 ? active_ : nullptr;
    if (under != old) {
        active_ = under;
        if (under && under->OnHotChange) under->OnHotChange(under, true);
        if (!under && old && old->OnHotChange) old->OnHotChange(old, false);
    }
    return changed && under;
}

bool TVnEditButtons::KeyDown(int key, Qt::KeyboardModifiers shift) {
    if (!GetSetFlag(sfKeyboardNavigation) || buttons_.empty()) return false;
    SetSetFlag(sfKeyboardMode, true);
    const int current = IndexOf(active_);
    switch (key) {
        case Qt::Key_Tab:
            SelectButton(current, !(shift & Qt::ShiftModifier));
            return true;
        case Qt::Key_Backtab:
        case Qt::Key_PageUp:
        case Qt::Key_Up:
            SelectButton(current, false);
            return true;
        case Qt::Key_PageDown:
        case Qt::Key_Down:
            SelectButton(current, true);
            return true;
        case Qt::Key_Home:
            SelectButton(-1, true);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (active_ && active_->Enabled()) active_->Click();
            return true;
        default:
            return false;
    }
}

QByteArray TVnEditButtons::WriteData() const {
    QByteArray out(4, '\0');
    qToLittleEndian<int32_t>(Count(), out.data());
    for (const auto& b : buttons_) {
        const QByteArray caption = EncodeCp1250(b->Caption());
        const QByteArray hint = EncodeCp1250(b->Hint());
        QByteArray head(8, '\0');
        qToLittleEndian<int32_t>(TVnEditButton::kRecordSize, head.data());
        const uint32_t lengths = static_cast<uint32_t>(caption.size() + 1) |
                                 (hint.isEmpty() ? 0u : static_cast<uint32_t>(hint.size() + 1) << 16);
        qToLittleEndian<uint32_t>(lengths, head.data() + 4);
        out += head;
        out += b->WriteData();
        out += caption;
        out += '\0';
        if (!hint.isEmpty()) {
            out += hint;
            out += '\0';
        }
    }
    return out;
}

void TVnEditButtons::ReadData(const QByteArray& data) {
    Clear();
    if (data.size() < 4) return;
    const int32_t count = qFromLittleEndian<int32_t>(data.constData());
    qsizetype pos = 4;
    // A damaged stream ends the list where it breaks off instead of reading beyond its end.
    for (int32_t i = 0; i < count && pos + 8 <= data.size(); ++i) {
        const int32_t size = qFromLittleEndian<int32_t>(data.constData() + pos);
        const uint32_t lengths = qFromLittleEndian<uint32_t>(data.constData() + pos + 4);
        pos += 8;
        const int captionLength = static_cast<int>(lengths & 0xFFFF),
                  hintLength = static_cast<int>(lengths >> 16);
        if (size < 0 || pos + size + captionLength + hintLength > data.size()) break;
        TVnEditButton* b = AddButton();
        b->ReadData(data.mid(pos, std::min<int32_t>(size, TVnEditButton::kRecordSize)));
        pos += size;
        if (captionLength > 0) b->SetCaption(DecodeCp1250(data.mid(pos, captionLength - 1)));
        pos += captionLength;
        if (hintLength > 0) b->SetHint(DecodeCp1250(data.mid(pos, hintLength - 1)));
        pos += hintLength;
    }
}

bool TVnEditButtons::eventFilter(QObject* watched, QEvent* event) {
    if (watched != control_) return false;
    if (GetSetFlag(sfDestroying) || GetSetFlag(sfUnhooked)) return false;
    switch (event->type()) {
        case QEvent::Paint: {
            if (!GetSetFlag(sfPaintOnPaint) || inPaint_ || buttons_.empty()) return false;
            // The control paints first; the buttons go on top within the same paint.
            inPaint_ = true;
            static_cast<QObject*>(control_.data())->event(event);
            {
                QPainter canvas(control_);
                PaintButtons(canvas, pwAll);
            }
            inPaint_ = false;
            return true;
        }
        case QEvent::FocusIn:
        case QEvent::FocusOut:
            for (const auto& b : buttons_)
                if (b->Option(boRepaintOnFocus)) b->Repaint();
            return false;
        case QEvent::Resize: {
            const auto* e = static_cast<QResizeEvent*>(event);
            if (e->oldSize().isValid()) {
                const QSize d = e->size() - e->oldSize();
                if (!d.isNull()) AnchorButtons(d.width(), d.height());
            }
            return false;
        }
        case QEvent::Show:
            RepaintAll();
            return false;
        case QEvent::MouseMove: {
            const auto* e = static_cast<QMouseEvent*>(event);
            if (GetSetFlag(sfKeyboardMode)) {
                SetSetFlag(sfKeyboardMode, false);
                if (active_) active_->Repaint();
            }
            MouseEvent(e->position().toPoint().x(), e->position().toPoint().y(), true,
                       e->buttons() & Qt::LeftButton);
            UpdateCursor(e->position().toPoint());
            return false;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            const auto* e = static_cast<QMouseEvent*>(event);
            if (e->button() != Qt::LeftButton) return false;
            const QPoint p = e->position().toPoint();
            const bool over = ButtonAt(p) != nullptr;
            if (over) SetSetFlag(sfMousePressed, true);
            MouseEvent(p.x(), p.y(), false, true);
            return over;
        }
        case QEvent::MouseButtonRelease: {
            const auto* e = static_cast<QMouseEvent*>(event);
            if (e->button() != Qt::LeftButton) return false;
            SetSetFlag(sfMousePressed, false);
            const QPoint p = e->position().toPoint();
            const bool over = ButtonAt(p) != nullptr;
            MouseEvent(p.x(), p.y(), false, false);
            return over;
        }
        case QEvent::Leave:
            // Windows tells nothing when the pointer leaves, but here hot buttons have to cool down.
            if (!GetSetFlag(sfMousePressed)) MouseEvent(INT_MIN / 2, INT_MIN / 2, true, false);
            UpdateCursor(QPoint(INT_MIN / 2, INT_MIN / 2));
            return false;
        case QEvent::KeyPress: {
            const auto* e = static_cast<QKeyEvent*>(event);
            return KeyDown(e->key(), e->modifiers());
        }
        default:
            return false;
    }
}

void TVnEditButtons::UpdateCursor(QPoint windowPoint) {
    if (!control_) return;
    TVnEditButton* button = ButtonAt(windowPoint);
    const std::optional<QCursor> wanted =
        button && button->Enabled() ? button->GetCursor() : std::optional<QCursor>();
    if (wanted) {
        if (!cursorOverridden_) {
            controlHadCursor_ = control_->testAttribute(Qt::WA_SetCursor);
            controlCursor_ = control_->cursor();
            cursorOverridden_ = true;
        }
        control_->setCursor(*wanted);
    } else if (cursorOverridden_) {
        cursorOverridden_ = false;
        if (controlHadCursor_)
            control_->setCursor(controlCursor_);
        else
            control_->unsetCursor();
    }
}
