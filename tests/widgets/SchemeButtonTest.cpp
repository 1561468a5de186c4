#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QEnterEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QTest>
#include <cmath>

#include "common/Artifacts.h"
#include "widgets/SchemeButton.h"

namespace {

TColor PixelAt(const QImage& image, int x, int y) { return FromQColor(image.pixelColor(x, y)); }

QImage Picture(TSchemeButton& button) { return button.grab().toImage(); }

void Enter(TSchemeButton& button) {
    QEnterEvent event(QPointF(10, 10), QPointF(10, 10), QPointF(10, 10));
    QApplication::sendEvent(&button, &event);
}

void Leave(TSchemeButton& button) {
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(&button, &event);
}

// A colour of a gradient row as the face fades into the gradient colour from the top row to the
// bottom one.
TColor GradientRow(TColor face, TColor grad, int row, int rows) {
    TColor result = 0;
    for (int shift : {0, 8, 16}) {
        const int f = (face >> shift) & 0xFF, g = (grad >> shift) & 0xFF;
        const int c = static_cast<int>(std::nearbyint(f + (g - f) * double(row) / (rows - 1)));
        result |= c << shift;
    }
    return result;
}

// The box around the pixels that are nearly black (the caption), inside the button's edges.
QRect DarkBox(const QImage& image) {
    QRect box;
    for (int y = 4; y < image.height() - 4; ++y)
        for (int x = 4; x < image.width() - 4; ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() < 0x50 && c.green() < 0x50 && c.blue() < 0x50) box |= QRect(x, y, 1, 1);
        }
    return box;
}

// The box around the pixels of exactly one colour.
QRect ColorBox(const QImage& image, TColor color) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (PixelAt(image, x, y) == color) box |= QRect(x, y, 1, 1);
    return box;
}

// A glyph in one colour whose top-left pixel is white, the colour left out when drawn transparent.
QImage Glyph(int width, int height, TColor color) {
    QImage glyph(width, height, QImage::Format_RGB32);
    glyph.fill(ToQColor(color));
    glyph.setPixelColor(0, 0, Qt::white);
    return glyph;
}

TEST(SchemeButtonTest, NewButtonHasTheDesertSchemeWithWhiteStateGradients) {
    TSchemeButton button;
    EXPECT_EQ(button.size(), QSize(75, 25));
    EXPECT_EQ(button.ColorScheme(), csNeoDesert);
    EXPECT_TRUE(button.Gradient());
    EXPECT_EQ(button.ColorFace(), 0xC6ECFF);
    EXPECT_EQ(button.ColorGrad(), 0x37BEFF);
    EXPECT_EQ(button.OverColorGrad(), clWhite);
    EXPECT_EQ(button.DownColorGrad(), clWhite);
    EXPECT_EQ(button.DisabledColorGrad(), clWhite);
    EXPECT_EQ(button.ColorFocusRect(), 0x4080FF);
    EXPECT_EQ(button.Spacing(), 4);
    EXPECT_TRUE(button.Ctl3D() && button.HotTrack() && button.TransparentGlyph() && button.TabStop());
    EXPECT_EQ(button.Layout(), blGlyphLeft);
}

TEST(SchemeButtonTest, SchemesAssignTheirColoursAndOneColourMakesTheSchemeCustom) {
    struct Case {
        TColorScheme scheme;
        int index;
        TColor color;
    };
    // A sample of the scheme tables: a colour of every state and the focus colour.
    const Case cases[] = {
        {csNeoSky, scsNormal + sciBorder, 0xB35900},
        {csNeoGrass, scsOver + sciGrad, 0x3DD877},
        {csNeoSilver, scsDown + sciLight, 0x7C7C7C},
        {csNeoRose, scsFocusRect, 0x5E5EFF},
        {csNeoSun, scsDisabled + sciFace, 0xEEEEEE},
        {csDesert, scsNormal + sciFace, 0x95DDFF},
        {csGrass, scsFocusRect, 0x00A421},
        {csSky, scsDown + sciLight, 0xFF9122},
        {csSun, scsOver + sciFace, 0x66F3FF},
        {csRose, scsDown + sciDark, 0x8888FF},
        {csSilver, scsDisabled + sciBorder, 0xC4C4C4},
        {csSilver, scsOver + sciDark, 0x797979},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.scheme << "/" << c.index);
        TSchemeButton button;
        button.SetColorScheme(c.scheme);
        EXPECT_EQ(button.ColorScheme(), c.scheme);
        EXPECT_EQ(button.Color(c.index), c.color);
        EXPECT_EQ(button.Gradient(), c.scheme < csDesert);
    }

    TSchemeButton button;
    button.SetColorScheme(csSky);
    std::vector<TColor> before;
    for (int i = 0; i < kSchemeColorCount; ++i) before.push_back(button.Color(i));
    button.SetColorFace(0x123456);
    EXPECT_EQ(button.ColorScheme(), csCustom);
    before[scsNormal + sciFace] = 0x123456;
    for (int i = 0; i < kSchemeColorCount; ++i) EXPECT_EQ(button.Color(i), before[i]) << i;
    // Choosing the custom scheme changes no colour either.
    button.SetColorScheme(csCustom);
    for (int i = 0; i < kSchemeColorCount; ++i) EXPECT_EQ(button.Color(i), before[i]) << i;

    // The plain schemes leave the gradient colours alone and switch the gradient off.
    button.SetColorScheme(csNeoDesert);
    button.SetColorScheme(csDesert);
    EXPECT_FALSE(button.Gradient());
    EXPECT_EQ(button.ColorGrad(), 0x37BEFF);
    EXPECT_EQ(button.OverColorGrad(), 0x00A3F0);
    EXPECT_EQ(button.DownColorGrad(), 0x77D2FF);
    EXPECT_EQ(button.DisabledColorGrad(), 0xFFFFFF);
}

TEST(SchemeButtonTest, PaintsFaceGradientBorderEdgesAndFocusOfEveryState) {
    QWidget holder;
    auto* layout = new QHBoxLayout(&holder);
    TSchemeButton* buttons[5];
    const char* captions[] = {"Normální", "Nad", "Stisknuté", "Zakázané", "Fokus"};
    for (int i = 0; i < 5; ++i) {
        buttons[i] = new TSchemeButton(&holder);
        buttons[i]->setText(QString::fromUtf8(captions[i]));
        buttons[i]->setFixedSize(75, 25);
        layout->addWidget(buttons[i]);
    }
    holder.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&holder));
    TSchemeButton &normal = *buttons[0], &over = *buttons[1], &down = *buttons[2], &disabled = *buttons[3],
                  &focused = *buttons[4];
    Enter(over);
    EXPECT_EQ(over.PaintState(), 1);
    down.SetTabStop(false);
    QTest::mousePress(&down, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(down.PaintState(), 2);
    disabled.setEnabled(false);
    focused.setFocus();
    holder.activateWindow();
    focused.setFocus();
    ASSERT_TRUE(focused.hasFocus());

    holder.grab().save(ArtifactPath("scheme-buttons.png"));

    struct Case {
        TSchemeButton* button;
        int set;
    };
    const Case cases[] = {{&normal, scsNormal}, {&over, scsOver}, {&down, scsDown}, {&disabled, scsDisabled}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button->text().toStdString());
        const QImage image = Picture(*c.button);
        const TColor face = normal.Color(c.set + sciFace), grad = normal.Color(c.set + sciGrad);
        for (int row : {2, 12, 21})
            EXPECT_EQ(PixelAt(image, 4, row), GradientRow(face, grad, row, 25)) << row;
        const TColor border = normal.Color(c.set + sciBorder), light = normal.Color(c.set + sciLight),
                     dark = normal.Color(c.set + sciDark);
        for (QPoint p :
             {QPoint(0, 0), QPoint(74, 0), QPoint(0, 24), QPoint(74, 24), QPoint(40, 0), QPoint(0, 12)})
            EXPECT_EQ(PixelAt(image, p.x(), p.y()), border) << p.x() << "," << p.y();
        // The light edge runs up the left and along the top; the dark one down the right and back
        // along the bottom, over the light one's last pixel at the top right.
        for (QPoint p : {QPoint(1, 23), QPoint(1, 12), QPoint(1, 1), QPoint(40, 1), QPoint(72, 1)})
            EXPECT_EQ(PixelAt(image, p.x(), p.y()), light) << p.x() << "," << p.y();
        for (QPoint p : {QPoint(73, 1), QPoint(73, 12), QPoint(73, 23), QPoint(40, 23), QPoint(2, 23)})
            EXPECT_EQ(PixelAt(image, p.x(), p.y()), dark) << p.x() << "," << p.y();
        EXPECT_NE(PixelAt(image, 3, 12), normal.ColorFocusRect());
    }
    const QImage image = Picture(focused);
    for (QPoint p : {QPoint(3, 3), QPoint(71, 3), QPoint(3, 21), QPoint(71, 21), QPoint(3, 12)})
        EXPECT_EQ(PixelAt(image, p.x(), p.y()), focused.ColorFocusRect()) << p.x() << "," << p.y();
    EXPECT_NE(PixelAt(image, 72, 12), focused.ColorFocusRect());

    // The mouse leaving and the button being released end the states.
    Leave(over);
    EXPECT_EQ(over.PaintState(), 0);
    QTest::mouseRelease(&down, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(down.PaintState(), 0);
}

TEST(SchemeButtonTest, FlatSchemeAndNoEdgePaintPlainFace) {
    TSchemeButton button;
    button.SetColorScheme(csDesert);
    button.SetCtl3D(false);
    const QImage image = Picture(button);
    for (QPoint p : {QPoint(4, 2), QPoint(4, 21), QPoint(1, 12), QPoint(73, 12)})
        EXPECT_EQ(PixelAt(image, p.x(), p.y()), 0x95DDFF) << p.x() << "," << p.y();
    EXPECT_EQ(PixelAt(image, 0, 12), 0x005680);
}

TEST(SchemeButtonTest, PressedCaptionMovesOnePixelRightAndDown) {
    TSchemeButton button;
    button.SetTabStop(false);
    button.setText("Uložit");
    const QRect normal = DarkBox(Picture(button));
    ASSERT_FALSE(normal.isEmpty());
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(10, 10));
    const QRect pressed = DarkBox(Picture(button));
    EXPECT_EQ(pressed, normal.translated(1, 1));
}

TEST(SchemeButtonTest, GlyphStandsBesideAboveOrBelowTheCaption) {
    constexpr int kGlyphW = 15, kGlyphH = 13, kSpacing = 5, kW = 75, kH = 41;
    TSchemeButton probe;
    const QFontMetrics fm(probe.font());
    const int cw = fm.horizontalAdvance("OK"), ch = fm.height();
    const int cx = (kW - cw) / 2, cy = (kH - ch) / 2;
    const int half = kSpacing / 2 + kSpacing % 2;
    struct Case {
        TButtonLayout layout;
        int x, y;
    };
    const Case cases[] = {
        {blGlyphLeft, cx - kGlyphW / 2 - half, (kH - kGlyphH) / 2},
        {blGlyphRight, cx + cw - kGlyphW / 2 + half, (kH - kGlyphH) / 2},
        {blGlyphTop, (kW - kGlyphW) / 2, cy - kGlyphH / 2 - kGlyphH % 2 - half},
        {blGlyphBottom, (kW - kGlyphW) / 2, cy + ch - kGlyphH / 2 + half},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.layout);
        TSchemeButton button;
        button.resize(kW, kH);
        button.setText("OK");
        button.SetSpacing(kSpacing);
        button.SetLayout(c.layout);
        button.SetGlyph(Glyph(kGlyphW, kGlyphH, clRed));
        const QImage image = Picture(button);
        EXPECT_EQ(ColorBox(image, clRed), QRect(c.x, c.y, kGlyphW, kGlyphH));
        // The transparent corner shows the face.
        EXPECT_NE(PixelAt(image, c.x, c.y), clRed);
        // The caption makes room: it no longer overlaps the glyph.
        EXPECT_FALSE(DarkBox(image).intersects(QRect(c.x, c.y, kGlyphW, kGlyphH)));
    }
}

TEST(SchemeButtonTest, EachStateDrawsItsOwnGlyph) {
    TSchemeButton button;
    button.setText("OK");
    button.SetGlyph(Glyph(16, 16, clRed));
    button.SetGlyphLeave(Glyph(16, 16, clLime));
    EXPECT_FALSE(ColorBox(Picture(button), clRed).isEmpty());
    Enter(button);
    EXPECT_TRUE(ColorBox(Picture(button), clRed).isEmpty());
    EXPECT_FALSE(ColorBox(Picture(button), clLime).isEmpty());
    Leave(button);

    // Disabled without a glyph of its own, the button shows none.
    button.setEnabled(false);
    QImage image = Picture(button);
    EXPECT_TRUE(ColorBox(image, clRed).isEmpty());
    EXPECT_TRUE(ColorBox(image, clLime).isEmpty());
    button.SetGlyphDisable(Glyph(16, 16, clBlue));
    EXPECT_EQ(ColorBox(Picture(button), clBlue).size(), QSize(16, 16));

    // Drawn opaque, the glyph keeps its corner.
    button.setEnabled(true);
    button.SetTransparentGlyph(false);
    const QImage opaque = Picture(button);
    const QRect red = ColorBox(opaque, clRed);
    EXPECT_EQ(red.size(), QSize(16, 16));
    EXPECT_EQ(PixelAt(opaque, red.left(), red.top()), clWhite);
}

TEST(SchemeButtonTest, MouseSpaceAndEnterClick) {
    TSchemeButton button;
    int clicks = 0;
    button.OnClick = [&] { ++clicks; };
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(button.PaintState(), 0);

    QTest::keyPress(&button, Qt::Key_Space);
    EXPECT_EQ(button.PaintState(), 2);
    EXPECT_EQ(clicks, 1);
    QTest::keyRelease(&button, Qt::Key_Space);
    EXPECT_EQ(button.PaintState(), 0);
    EXPECT_EQ(clicks, 2);
    QTest::keyClick(&button, Qt::Key_Return);
    EXPECT_EQ(clicks, 3);

    // Released away from the button, the press is no click.
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(200, 10));
    EXPECT_EQ(clicks, 3);
    EXPECT_EQ(button.PaintState(), 0);

    button.setEnabled(false);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(clicks, 3);
}

TEST(SchemeButtonTest, ModalResultClosesTheDialogAfterTheClick) {
    QDialog dialog;
    auto* button = new TSchemeButton(&dialog);
    button->SetModalResult(2);
    bool openDuringClick = false;
    button->OnClick = [&] { openDuringClick = dialog.isVisible(); };
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(openDuringClick);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 2);
}

TEST(SchemeButtonTest, DefaultTakesEnterAndCancelTakesEscapeFromTheWindow) {
    QDialog dialog;
    auto* layout = new QHBoxLayout(&dialog);
    auto* edit = new QLineEdit(&dialog);
    auto* ok = new TSchemeButton(&dialog);
    auto* cancel = new TSchemeButton(&dialog);
    layout->addWidget(edit);
    layout->addWidget(ok);
    layout->addWidget(cancel);
    int okClicks = 0, cancelClicks = 0;
    ok->OnClick = [&] { ++okClicks; };
    cancel->OnClick = [&] { ++cancelClicks; };
    ok->SetDefault(true);
    cancel->SetCancel(true);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    edit->setFocus();

    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(okClicks, 1);
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(cancelClicks, 1);
    EXPECT_TRUE(dialog.isVisible());
    // Other keys and Enter with a shift key are the window's.
    QTest::keyClick(edit, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClick(edit, Qt::Key_A);
    EXPECT_EQ(okClicks, 1);
    // A disabled button takes nothing.
    ok->setEnabled(false);
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(okClicks, 1);
}

}  // namespace
