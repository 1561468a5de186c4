#pragma once

#include <QAbstractButton>
#include <QImage>
#include <functional>

#include "platform/ui/CustomGrid.h"

enum TColorScheme {
    csNeoDesert,
    csNeoSky,
    csNeoGrass,
    csNeoSilver,
    csNeoRose,
    csNeoSun,
    csDesert,
    csGrass,
    csSky,
    csSun,
    csRose,
    csSilver,
    csCustom
};

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// Indexes of the colour properties: where a state's colours start plus the colour's place among
// them, in the order the colour schemes list them; the focus rectangle's colour comes last.
constexpr int sciFace = 0, sciGrad = 1, sciDark = 2, sciLight = 3, sciBorder = 4, sciText = 5;
constexpr int scsNormal = 0, scsOver = 6, scsDown = 12, scsDisabled = 18, scsFocusRect = 24;
constexpr int kSchemeColorCount = 25;

// A push button that paints itself in the colours of a named scheme (or colours of its own): a face
// with an optional vertical gradient, a border, an optional 3-D edge, an optional glyph beside,
// above or below the caption, and a focus rectangle, each state in its own colours.
class TSchemeButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit TSchemeButton(QWidget* parent = nullptr);

// Each colour property, read and written; writing one makes the scheme csCustom.
#define VN_SCHEME_COLOR(Name, Index)               \
    TColor Name() const { return colors_[Index]; } \
    void Set##Name(TColor color) { SetColor(Index, color); }
    VN_SCHEME_COLOR(ColorFace, scsNormal + sciFace)
    VN_SCHEME_COLOR(ColorGrad, scsNormal + sciGrad)
    VN_SCHEME_COLOR(ColorDark, scsNormal + sciDark)
    VN_SCHEME_COLOR(ColorLight, scsNormal + sciLight)
    VN_SCHEME_COLOR(ColorBorder, scsNormal + sciBorder)
    VN_SCHEME_COLOR(ColorText, scsNormal + sciText)
    VN_SCHEME_COLOR(OverColorFace, scsOver + sciFace)
    VN_SCHEME_COLOR(OverColorGrad, scsOver + sciGrad)
    VN_SCHEME_COLOR(OverColorDark, scsOver + sciDark)
    VN_SCHEME_COLOR(OverColorLight, scsOver + sciLight)
    VN_SCHEME_COLOR(OverColorBorder, scsOver + sciBorder)
    VN_SCHEME_COLOR(OverColorText, scsOver + sciText)
    VN_SCHEME_COLOR(DownColorFace, scsDown + sciFace)
    VN_SCHEME_COLOR(DownColorGrad, scsDown + sciGrad)
    VN_SCHEME_COLOR(DownColorDark, scsDown + sciDark)
    VN_SCHEME_COLOR(DownColorLight, scsDown + sciLight)
    VN_SCHEME_COLOR(DownColorBorder, scsDown + sciBorder)
    VN_SCHEME_COLOR(DownColorText, scsDown + sciText)
    VN_SCHEME_COLOR(DisabledColorFace, scsDisabled + sciFace)
    VN_SCHEME_COLOR(DisabledColorGrad, scsDisabled + sciGrad)
    VN_SCHEME_COLOR(DisabledColorDark, scsDisabled + sciDark)
    VN_SCHEME_COLOR(DisabledColorLight, scsDisabled + sciLight)
    VN_SCHEME_COLOR(DisabledColorBorder, scsDisabled + sciBorder)
    VN_SCHEME_COLOR(DisabledColorText, scsDisabled + sciText)
    VN_SCHEME_COLOR(ColorFocusRect, scsFocusRect)
#undef VN_SCHEME_COLOR

    // By index (scs... + sci..., or scsFocusRect).
    TColor Color(int index) const { return colors_[index]; }
    void SetColor(int index, TColor color);

    TColorScheme ColorScheme() const { return scheme_; }
    // Assigns every colour of the scheme and its gradient; csCustom changes no colour.
    void SetColorScheme(TColorScheme scheme);

    bool Ctl3D() const { return ctl3D_; }
    void SetCtl3D(bool on);
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout layout);
    // Glyphs of the normal and pressed states, of the mouse-over state and of the disabled state.
    const QImage& Glyph() const { return glyph_; }
    void SetGlyph(const QImage& glyph);
    const QImage& GlyphLeave() const { return glyphLeave_; }
    void SetGlyphLeave(const QImage& glyph);
    const QImage& GlyphDisable() const { return glyphDisable_; }
    void SetGlyphDisable(const QImage& glyph);
    int Spacing() const { return spacing_; }
    void SetSpacing(int spacing);
    // The colour of a glyph's top-left pixel is left out where the glyph is drawn.
    bool TransparentGlyph() const { return transparentGlyph_; }
    void SetTransparentGlyph(bool on);
    bool Gradient() const { return gradient_; }
    void SetGradient(bool on);
    bool HotTrack() const { return hotTrack_; }
    void SetHotTrack(bool on);
    // Enter anywhere in the window clicks a default button; Escape clicks a cancel button.
    bool Default() const { return default_; }
    void SetDefault(bool on);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool on);
    // Closes the dialog the button stands on with this result after a click; 0 closes nothing.
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int result) { modalResult_ = result; }
    bool TabStop() const { return focusPolicy() != Qt::NoFocus; }
    void SetTabStop(bool on) { setFocusPolicy(on ? Qt::StrongFocus : Qt::NoFocus); }

    // 0 normal, 1 mouse over, 2 pressed.
    int PaintState() const { return state_; }

    std::function<void()> OnClick;
    // Free for the window's own use (the main window's bar keeps its busy flag here).
    int Tag = 0;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Paint(QPainter& canvas);
    void SetState(int state);
    void DoClick();
    void WatchWindowKeys();

    TColor colors_[kSchemeColorCount] = {};
    TColorScheme scheme_ = csNeoDesert;
    bool ctl3D_ = true;
    TButtonLayout layout_ = blGlyphLeft;
    QImage glyph_, glyphLeave_, glyphDisable_;
    int spacing_ = 4;
    bool transparentGlyph_ = true;
    bool gradient_ = true;
    bool hotTrack_ = true;
    bool default_ = false;
    bool cancel_ = false;
    int modalResult_ = 0;
    int state_ = 0;
    bool mouseHeld_ = false;
};
