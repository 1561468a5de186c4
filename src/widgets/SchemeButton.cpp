#include "widgets/SchemeButton.h"

#include <QDialog>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "widgets/VnEditTools.h"

namespace {

// A value a scheme leaves as it is.
constexpr TColor kKeep = -1;

struct TSchemeValues {
    TColor Colors[kSchemeColorCount];
    bool Gradient;
};

// Per scheme: face, gradient, dark, light, border and text of the normal, mouse-over, pressed and
// disabled states, then the focus rectangle.
const TSchemeValues kSchemes[] = {
    // csNeoDesert
    {{0xC6ECFF, 0x37BEFF, 0x009CE8, 0xB9E7FF, 0x005680, 0x000000,  //
      0xB3E7FF, 0x00A3F0, 0x008ED2, 0x95DAFF, 0x005680, 0x000000,  //
      0x2BBAFF, 0x77D2FF, 0x8AD9FF, 0x0077B7, 0x0070A6, 0x000000,  //
      0xEEEEEE, 0xFFFFFF, 0xD2D2D2, 0xFFFFFF, 0x808080, 0x808080,  //
      0x4080FF},
     true},
    // csNeoSky
    {{0xFFEEDD, 0xFFB66C, 0xFFA851, 0xFFECD9, 0xB35900, 0x000000,  //
      0xFFEBD7, 0xFFA346, 0xFF9E3E, 0xFFE4CA, 0xB35900, 0x000000,  //
      0xFFB366, 0xFFCE9D, 0xFFD3A8, 0xFF9E3E, 0xB35900, 0x000000,  //
      0xEEEEEE, 0xFFFFFF, 0xD2D2D2, 0xFFFFFF, 0x808080, 0x808080,  //
      0xFFA953},
     true},
    // csNeoGrass
    {{0xDDF9E8, 0x5EDF8E, 0x24B95C, 0xCBF5DB, 0x156F37, 0x000000,  //
      0xBFF2D2, 0x3DD877, 0x23B459, 0xB5F0CB, 0x17793D, 0x000000,  //
      0x4EDC83, 0x80E6A6, 0x89E7AC, 0x177D3E, 0x167439, 0x000000,  //
      0xEEEEEE, 0xFFFFFF, 0xD2D2D2, 0xFFFFFF, 0x808080, 0x808080,  //
      0x24B95C},
     true},
    // csNeoSilver
    {{0xF3F3F3, 0xBCBCBC, 0xA7A7A7, 0xF7F7F7, 0x626262, 0x000000,  //
      0xF0F0F0, 0xA6A6A6, 0xA2A2A2, 0xEEEEEE, 0x757575, 0x000000,  //
      0xCACACA, 0xDADADA, 0xE9E9E9, 0x7C7C7C, 0x4E4E4E, 0x000000,  //
      0xEEEEEE, 0xFFFFFF, 0xD2D2D2, 0xFFFFFF, 0x808080, 0x808080,  //
      0xADADAD},
     true},
    // csNeoRose
    {{0xE8E8FF, 0x9595FF, 0x8282FF, 0xDDDDFF, 0x00009D, 0x000000,  //
      0xDFDFFF, 0x7777FF, 0x6A6AFF, 0xD7D7FF, 0x00009D, 0x000000,  //
      0xA6A6FF, 0xB9B9FF, 0xCECEFF, 0x5E5EFF, 0x00009D, 0x000000,  //
      0xEEEEEE, 0xFFFFFF, 0xD2D2D2, 0xFFFFFF, 0x808080, 0x808080,  //
      0x5E5EFF},
     true},
    // csNeoSun
    {{0xF0FFFF, 0x20D8F9, 0x00BBBB, 0xF2FFFF, 0x006464, 0x000000,  //
      0xD5FCFF, 0x05BCDC, 0x00A6A6, 0xCCFFFF, 0x006464, 0x000000,  //
      0x05D1F5, 0x66F0FB, 0x66F3FF, 0x008484, 0x006464, 0x000000,  //
      0xEEEEEE, 0xFFFFFF, 0xD2D2D2, 0xFFFFFF, 0x808080, 0x808080,  //
      0x00BBBB},
     true},
    // csDesert
    {{0x95DDFF, kKeep, 0x009CE8, 0xB9E7FF, 0x005680, 0x000000,  //
      0x6FD0FF, kKeep, 0x008ED2, 0x95DAFF, 0x005680, 0x000000,  //
      0x6FD0FF, kKeep, 0x8AD9FF, 0x0077B7, 0x0070A6, 0x000000,  //
      0xE2E2E2, kKeep, 0xD8D8D8, 0xEAEAEA, 0xC4C4C4, 0x808080,  //
      0x4080FF},
     false},
    // csGrass
    {{0x98EBB7, kKeep, 0x24B95C, 0xCBF5DB, 0x156F37, 0x000000,  //
      0x68E196, kKeep, 0x23B459, 0xB5F0CB, 0x17793D, 0x000000,  //
      0x4EDC83, kKeep, 0x89E7AC, 0x177D3E, 0x167439, 0x000000,  //
      0xE2E2E2, kKeep, 0xD8D8D8, 0xEAEAEA, 0xC4C4C4, 0x808080,  //
      0x00A421},
     false},
    // csSky
    {{0xFFE0C1, kKeep, 0xFFA953, 0xFFECD9, 0xB35900, 0x000000,  //
      0xFFCD9B, kKeep, 0xFFB164, 0xFFE4CA, 0xB35900, 0x000000,  //
      0xFFC082, kKeep, 0xFFD3A8, 0xFF9122, 0xB35900, 0x000000,  //
      0xE2E2E2, kKeep, 0xD8D8D8, 0xEAEAEA, 0xC4C4C4, 0x808080,  //
      0xDC9B14},
     false},
    // csSun
    {{0xA8FFFF, kKeep, 0x00BBBB, 0xF2FFFF, 0x006464, 0x000000,  //
      0x66F3FF, kKeep, 0x00A6A6, 0xCCFFFF, 0x006464, 0x000000,  //
      0x22EEFF, kKeep, 0x66F3FF, 0x008484, 0x006464, 0x000000,  //
      0xE2E2E2, kKeep, 0xD8D8D8, 0xEAEAEA, 0xC4C4C4, 0x808080,  //
      0x008CF4},
     false},
    // csRose
    {{0xC6C6FF, kKeep, 0x8282FF, 0xDDDDFF, 0x00009D, 0x000000,  //
      0xB0B0FF, kKeep, 0x6A6AFF, 0xD7D7FF, 0x00009D, 0x000000,  //
      0x9F9FFF, kKeep, 0x8888FF, 0x5E5EFF, 0x00009D, 0x000000,  //
      0xE2E2E2, kKeep, 0xD8D8D8, 0xEAEAEA, 0xC4C4C4, 0x808080,  //
      0x5E5EFF},
     false},
    // csSilver
    {{0xE0E0E0, kKeep, 0xAEAEAE, 0xF7F7F7, 0x626262, 0x000000,  //
      0xCFCFCF, kKeep, 0x797979, 0xEEEEEE, 0x757575, 0x000000,  //
      0xD3D3D3, kKeep, 0xE9E9E9, 0x7C7C7C, 0x4E4E4E, 0x000000,  //
      0xE2E2E2, kKeep, 0xD8D8D8, 0xEAEAEA, 0xC4C4C4, 0x808080,  //
      0x8A8A8A},
     false},
};
static_assert(std::size(kSchemes) == csCustom);

constexpr QSize kDefaultSize(75, 25);

// The caption as it is seen: "&" marks the accelerator and "&&" stands for "&".
QString VisibleCaption(const QString& caption) {
    QString shown = caption;
    shown.replace(QLatin1String("&&"), QLatin1String("\x01")).remove('&').replace('\x01', '&');
    return shown;
}

// A line through the points, each piece without its end point, as the platform's pen lines are
// drawn. Only horizontal and vertical pieces occur.
void PolyLine(QPainter& canvas, std::initializer_list<QPoint> points, TColor color) {
    const QColor c = ToQColor(color);
    const QPoint* from = nullptr;
    for (const QPoint& to : points) {
        if (from) {
            const int dx = (to.x() > from->x()) - (to.x() < from->x());
            const int dy = (to.y() > from->y()) - (to.y() < from->y());
            for (QPoint p = *from; p != to; p += QPoint(dx, dy)) canvas.fillRect(QRect(p, QSize(1, 1)), c);
        }
        from = &to;
    }
}

// One channel of a row of the gradient, rounded as the platform rounds (half to even).
int GradientChannel(int face, int grad, int row, int rows) {
    if (rows <= 1) return face;
    return static_cast<int>(std::nearbyint(face + (grad - face) * static_cast<double>(row) / (rows - 1)));
}

}  // namespace

TSchemeButton::TSchemeButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::StrongFocus);
    resize(kDefaultSize);
    SetColorScheme(csNeoDesert);
    colors_[scsOver + sciGrad] = clWhite;
    colors_[scsDown + sciGrad] = clWhite;
    colors_[scsDisabled + sciGrad] = clWhite;
    connect(this, &QAbstractButton::clicked, this, &TSchemeButton::DoClick);
}

void TSchemeButton::SetColor(int index, TColor color) {
    Q_ASSERT(index >= 0 && index < kSchemeColorCount);
    colors_[index] = color;
    scheme_ = csCustom;
    update();
}

void TSchemeButton::SetColorScheme(TColorScheme scheme) {
    if (scheme != csCustom) {
        const TSchemeValues& values = kSchemes[scheme];
        for (int i = 0; i < kSchemeColorCount; ++i)
            if (values.Colors[i] != kKeep) colors_[i] = values.Colors[i];
        gradient_ = values.Gradient;
        update();
    }
    scheme_ = scheme;
}

void TSchemeButton::SetCtl3D(bool on) {
    ctl3D_ = on;
    update();
}

void TSchemeButton::SetLayout(TButtonLayout layout) {
    layout_ = layout;
    update();
}

void TSchemeButton::SetGlyph(const QImage& glyph) {
    glyph_ = glyph;
    updateGeometry();
    update();
}

void TSchemeButton::SetGlyphLeave(const QImage& glyph) {
    glyphLeave_ = glyph;
    update();
}

void TSchemeButton::SetGlyphDisable(const QImage& glyph) {
    glyphDisable_ = glyph;
    update();
}

void TSchemeButton::SetSpacing(int spacing) {
    spacing_ = spacing;
    update();
}

void TSchemeButton::SetTransparentGlyph(bool on) {
    transparentGlyph_ = on;
    update();
}

void TSchemeButton::SetGradient(bool on) {
    gradient_ = on;
    update();
}

void TSchemeButton::SetHotTrack(bool on) {
    hotTrack_ = on;
    update();
}

void TSchemeButton::SetDefault(bool on) {
    default_ = on;
    WatchWindowKeys();
    update();
}

void TSchemeButton::SetCancel(bool on) {
    cancel_ = on;
    WatchWindowKeys();
    update();
}

QSize TSchemeButton::sizeHint() const {
    const QFontMetrics fm(font());
    int width = fm.horizontalAdvance(VisibleCaption(text())) + 16;
    int height = fm.height() + 8;
    if (!glyph_.isNull()) {
        const bool beside = layout_ == blGlyphLeft || layout_ == blGlyphRight;
        if (beside) {
            width += glyph_.width() + spacing_;
            height = std::max(height, glyph_.height() + 8);
        } else {
            height += glyph_.height() + spacing_;
        }
    }
    return {std::max(width, kDefaultSize.width()), std::max(height, kDefaultSize.height())};
}

void TSchemeButton::paintEvent(QPaintEvent*) {
    // Painted whole off screen and copied at once, so that a repaint never flickers.
    QImage image(size(), QImage::Format_RGB32);
    {
        QPainter canvas(&image);
        Paint(canvas);
    }
    QPainter(this).drawImage(0, 0, image);
}

void TSchemeButton::Paint(QPainter& canvas) {
    const int w = width(), h = height();
    int set = scsNormal;
    const QImage* glyph = &glyph_;
    if (!isEnabled()) {
        set = scsDisabled;
        glyph = &glyphDisable_;
    } else if (state_ == 1) {
        set = scsOver;
        glyph = &glyphLeave_;
    } else if (state_ == 2) {
        set = scsDown;
    }
    const TColor* c = colors_ + set;

    FillRect(canvas, {0, 0, w, h}, c[sciFace]);
    if (gradient_) {
        const QColor face = ToQColor(c[sciFace]), grad = ToQColor(c[sciGrad]);
        for (int y = 0; y < h; ++y) {
            const QColor row(GradientChannel(face.red(), grad.red(), y, h),
                             GradientChannel(face.green(), grad.green(), y, h),
                             GradientChannel(face.blue(), grad.blue(), y, h));
            canvas.fillRect(QRect(0, y, w, 1), row);
        }
    }

    canvas.setFont(font());
    canvas.setPen(ToQColor(c[sciText]));
    const QFontMetrics fm(font());
    const QString caption = text();
    const int cw = caption.isEmpty() ? 0 : fm.horizontalAdvance(VisibleCaption(caption));
    const int ch = fm.height();
    int x = (w - cw) / 2;
    int y = (h - ch) / 2;

    if (!glyph_.isNull()) {
        const int gw = glyph->width(), gh = glyph->height();
        const int s = caption.isEmpty() ? 0 : spacing_;
        int gx = 0, gy = 0;
        switch (layout_) {
            case blGlyphLeft:
                gx = x - gw / 2 - (s / 2 + s % 2);
                gy = (h - gh) / 2;
                x += gw / 2 + s / 2;
                break;
            case blGlyphRight:
                gx = x + cw - gw / 2 + (s / 2 + s % 2);
                gy = (h - gh) / 2;
                x -= gw / 2 + s / 2;
                break;
            case blGlyphTop:
                gx = (w - gw) / 2;
                gy = y - gh / 2 - gh % 2 - (s / 2 + s % 2);
                y += gh / 2 + s / 2;
                break;
            case blGlyphBottom:
                gx = (w - gw) / 2;
                gy = y + ch - gh / 2 + (s / 2 + s % 2);
                y -= gh / 2 + s / 2;
                break;
        }
        if (!glyph->isNull()) {
            if (transparentGlyph_)
                canvas.drawImage(gx, gy, MaskedImage(*glyph, FromQColor(glyph->pixelColor(0, 0))));
            else
                canvas.drawImage(gx, gy, *glyph);
        }
    }

    if (state_ == 2) {
        ++x;
        ++y;
    }
    if (!caption.isEmpty()) {
        TRect rect{x, y, x + cw, y + ch};
        DrawTextRect(canvas, caption, rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP);
    }

    FrameRect(canvas, {0, 0, w, h}, c[sciBorder]);
    if (ctl3D_) {
        PolyLine(canvas, {QPoint(1, h - 2), QPoint(1, 1), QPoint(w - 1, 1)}, c[sciLight]);
        PolyLine(canvas, {QPoint(w - 2, 1), QPoint(w - 2, h - 2), QPoint(1, h - 2)}, c[sciDark]);
    }
    if (hasFocus()) FrameRect(canvas, {3, 3, w - 3, h - 3}, colors_[scsFocusRect]);
}

void TSchemeButton::SetState(int state) {
    state_ = state;
    update();
}

void TSchemeButton::DoClick() {
    SetState(0);
    if (OnClick) OnClick();
    // The dialog closes once the click has been handled, as a modal result set on a form does.
    if (modalResult_ != 0)
        if (auto* dialog = qobject_cast<QDialog*>(window())) dialog->done(modalResult_);
}

void TSchemeButton::enterEvent(QEnterEvent* event) {
    if (hotTrack_) SetState(mouseHeld_ ? 2 : 1);
    QAbstractButton::enterEvent(event);
}

void TSchemeButton::leaveEvent(QEvent* event) {
    SetState(0);
    QAbstractButton::leaveEvent(event);
}

void TSchemeButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        mouseHeld_ = true;
        SetState(2);
        if (TabStop()) setFocus(Qt::MouseFocusReason);
    }
    QAbstractButton::mousePressEvent(event);
}

void TSchemeButton::mouseReleaseEvent(QMouseEvent* event) {
    mouseHeld_ = false;
    // A release over the button is a click, and a clicked button shows its normal face again;
    // one released elsewhere has nothing left to show.
    SetState(0);
    QAbstractButton::mouseReleaseEvent(event);
}

void TSchemeButton::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        SetState(2);
        event->accept();
    } else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        click();
        event->accept();
    } else {
        QWidget::keyPressEvent(event);
    }
}

void TSchemeButton::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        SetState(0);
        click();
        event->accept();
    } else {
        QWidget::keyReleaseEvent(event);
    }
}

void TSchemeButton::focusInEvent(QFocusEvent* event) {
    update();
    QAbstractButton::focusInEvent(event);
}

void TSchemeButton::focusOutEvent(QFocusEvent* event) {
    SetState(0);
    QAbstractButton::focusOutEvent(event);
}

void TSchemeButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange) {
        if (!isEnabled()) {
            // A disabled button can be neither held nor pressed any longer.
            mouseHeld_ = false;
            state_ = 0;
        }
        update();
    }
    QAbstractButton::changeEvent(event);
}

void TSchemeButton::showEvent(QShowEvent* event) {
    WatchWindowKeys();
    QAbstractButton::showEvent(event);
}

void TSchemeButton::WatchWindowKeys() {
    // Enter and Escape that no control of the window took reach the window itself; a default or
    // cancel button listens there.
    if ((default_ || cancel_) && window() != this) window()->installEventFilter(this);
}

bool TSchemeButton::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window() && event->type() == QEvent::KeyPress && isVisible() && isEnabled()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers shifts = key->modifiers() & ~Qt::KeypadModifier;
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (shifts == Qt::NoModifier && ((enter && default_) || (key->key() == Qt::Key_Escape && cancel_))) {
            click();
            return true;
        }
    }
    return QAbstractButton::eventFilter(watched, event);
}
