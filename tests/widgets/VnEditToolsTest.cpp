#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>

#include "common/Artifacts.h"
#include "widgets/VnEditTools.h"

namespace {

TEST(RecordWord, RussianPluralOfRecord) {
    struct Case {
        int n;
        const char* word;
    };
    const Case cases[] = {{0, "записей"}, {1, "запись"},  {2, "записи"},   {5, "записей"},  {11, "записей"},
                          {21, "запись"}, {22, "записи"}, {111, "запись"}, {14, "записей"}, {-3, "запис"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.n);
        EXPECT_EQ(RecordWord(c.n), QString::fromUtf8(c.word));
    }
}

TEST(FitToScreen, KeepsThePopupOnTheDesktop) {
    const TRect desktop{0, 0, 800, 600};
    struct Case {
        int left, top, width, height;
        int result;
        int newLeft, newTop;
    };
    // Offset (3, 5): a moved popup keeps that distance from the edge it was pushed off.
    const Case cases[] = {
        {100, 100, 200, 100, 0, 100, 100},  // fits
        {100, 550, 200, 100, 1, 100, 495},  // passes the bottom
        {700, 100, 200, 100, 2, 597, 100},  // passes the right edge
        {700, 550, 200, 100, 3, 597, 495},  // passes both
        {-20, -10, 200, 100, 0, 0, 0},      // pulled in from the top-left
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.left << "," << c.top);
        TRect r{c.left, c.top, c.left + c.width, c.top + c.height};
        EXPECT_EQ(FitToScreen(r, c.width, c.height, QPoint(3, 5), desktop), c.result);
        EXPECT_EQ(r.Left, c.newLeft);
        EXPECT_EQ(r.Top, c.newTop);
        EXPECT_EQ(r.Width(), c.width);
    }
}

TEST(Blending, ChannelArithmetic) {
    EXPECT_EQ(BlendColors(0xFFFFFF, 0xFFFFFF, 128), 0xFEFEFEu);
    EXPECT_EQ(BlendColors(0x804020, 0x000000, 0),
              (0x80u * 255 / 256) << 16 | (0x40u * 255 / 256) << 8 | (0x20u * 255 / 256));
    EXPECT_EQ(BlendColors(0xFF000000, 0x000000, 0), 0u);  // the high byte is ignored
    EXPECT_EQ(Average8(8, 8, 8, 8, 0, 0, 0, 0), 4u);
    EXPECT_EQ(Average8(0xFF00FF, 0xFF00FF, 0xFF00FF, 0xFF00FF, 0xFF00FF, 0xFF00FF, 0xFF00FF, 0xFF0000),
              0xFF00DFu);
    EXPECT_EQ(SwapRB(0x00112233u), 0x00332211u);
}

TEST(Blending, BitmapKeepsKeyPixels) {
    QImage src(2, 1, QImage::Format_RGB32);
    src.setPixel(0, 0, qRgb(255, 0, 255));  // key, 0xFF00FF as a colour value too
    src.setPixel(1, 0, qRgb(0, 0, 0));
    QImage dest;
    BlendBitmap(src, nullptr, dest, 0, 0xFF00FF, clWhite);  // weight 0: all blend colour
    EXPECT_EQ(dest.pixel(0, 0) & 0xFFFFFF, 0xFF00FFu);
    EXPECT_EQ(dest.pixel(1, 0) & 0xFFFFFF, 0xFEFEFEu);
}

TEST(Effects, PixelRules) {
    struct Case {
        TVnEffect effect;
        QRgb in, out;
    };
    const Case cases[] = {
        {TVnEffect::RedKeep, qRgb(200, 10, 10), qRgb(200, 10, 10)},
        {TVnEffect::RedKeep, qRgb(100, 10, 10), qRgb(120, 120, 120)},
        {TVnEffect::Selected, qRgb(100, 50, 0), qRgb(50, 25, 66)},
        {TVnEffect::Selected, qRgb(100, 50, 255), qRgb(50, 25, 189)},
        {TVnEffect::Selected, qRgb(100, 50, 7), qRgb(50, 25, 7)},
        {TVnEffect::Copy, qRgb(1, 2, 3), qRgb(1, 2, 3)},
        {TVnEffect::Invert, qRgb(1, 2, 3), qRgb(254, 253, 252)},
        // The tone mapping: 16 x the table's entry for the high nibble + a step of the value.
        {TVnEffect::Tone, qRgb(0, 19, 20), qRgb(16 * 7 + 11, 16 * 8 + 11, 16 * 8 + 4)},
        {TVnEffect::Tone, qRgb(64, 100, 255), qRgb(16 * 9 + 5, 16 * 10 + 6, 16 * 15 + 7)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.effect));
        QImage src(2, 1, QImage::Format_RGB32);
        src.setPixel(0, 0, qRgb(9, 9, 9));  // top-left: the transparent colour
        src.setPixel(1, 0, c.in);
        QImage dest;
        ApplyEffect(src, dest, c.effect, 0xFFFFFF);
        EXPECT_EQ(dest.pixel(1, 0), c.out);
    }
}

TEST(Regions, FromBitmapAndEmpty) {
    QImage img(4, 3, QImage::Format_RGB32);
    img.fill(qRgb(255, 255, 255));
    EXPECT_TRUE(IsNoRegion(RegionFromBitmap(img, clWhite)));
    img.setPixel(1, 1, qRgb(0, 0, 0));
    img.setPixel(2, 1, qRgb(0, 0, 0));
    const QRegion region = RegionFromBitmap(img, clWhite);
    EXPECT_EQ(region, QRegion(1, 1, 2, 1));
}

TEST(DragFrame, SecondCallRestores) {
    QImage img(20, 20, QImage::Format_RGB32);
    img.fill(qRgb(10, 20, 30));
    const QImage before = img.copy();
    const TRect r{2, 2, 18, 18};
    {
        QPainter p(&img);
        DrawDragFrame(p, &r, nullptr, 2);
    }
    EXPECT_NE(img, before);
    EXPECT_EQ(img.pixel(10, 10), before.pixel(10, 10));  // inside the band nothing changes
    {
        QPainter p(&img);
        DrawDragFrame(p, &r, nullptr, 2);
    }
    EXPECT_EQ(img, before);
}

// ---- markup text ---------------------------------------------------------------------------------

struct Markup : ::testing::Test {
    QImage image{300, 60, QImage::Format_RGB32};
    QFont font{QStringLiteral("DejaVu Sans"), 8};
    int wg = QFontMetrics(font).height();

    QPoint Measure(const QString& text, unsigned format = 0, const TImageList* images = nullptr) {
        QPainter p(&image);
        p.setFont(font);
        QPoint extent;
        DrawMarkupText(p, text, TRect{10, 0, 0, 0}, false, format, images, extent);
        return extent;
    }
    int Width(const QString& text, bool bold = false) {
        QFont f = font;
        f.setBold(bold);
        return QFontMetrics(f).horizontalAdvance(text) + 1;
    }
    // Draws the text and counts the dark pixels inside a column range.
    int Ink(const QString& text, int fromX, int toX) {
        image.fill(Qt::white);
        QPainter p(&image);
        p.setFont(font);
        p.setPen(Qt::black);
        QPoint extent;
        DrawMarkupText(p, text, TRect{0, 0, 300, 60}, true, DT_NOPREFIX, nullptr, extent);
        p.end();
        int ink = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = fromX; x < toX; ++x) ink += qGray(image.pixel(x, y)) < 128;
        return ink;
    }
};

TEST_F(Markup, MeasuresTagsAndLines) {
    struct Case {
        const char* text;
        int width;  // widest line, from the rectangle's left
        int height;
    };
    const int a = Width("a"), b = Width("b"), ab = Width("ab");
    const Case cases[] = {
        {"/#", 0, 0},                            // empty lines take no height
        {"a\r\nb", std::max(a, b), 2 * wg},      // CR LF is one break
        {"a\r\rb", std::max(a, b), 2 * wg},      // a CR at the start of a line is skipped
        {"/{/b/}a", Width("/ba"), wg},           // a literal block draws its tag as text
        {"a/ow{10}b", a + 10 + b, wg},           // offset right
        {"ab/oW{5}", ab - 5, wg},                // offset left
        {"a/oh{4}", a, wg + 4},                  // offset down grows the line
        {"/x", Width("/x"), wg},                 // an unknown tag is text
        {"a/", Width("a/"), wg},                 // a slash at the end is text
        {"/c{clRed}a/c{nonsense}b", a + b, wg},  // colours change nothing in size
        {"a/#/#b", std::max(a, b), 2 * wg},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const QPoint e = Measure(QString::fromUtf8(c.text));
        EXPECT_EQ(e, QPoint(10 + c.width, c.height));
    }
    QPoint empty;
    {
        QPainter p(&image);
        DrawMarkupText(p, QString(), TRect{10, 10, 50, 50}, false, 0, nullptr, empty);
    }
    EXPECT_EQ(empty, QPoint(0, 0));
}

TEST_F(Markup, BoldAndSizeChangeTheExtent) {
    const QPoint normal = Measure(QStringLiteral("aaaa"));
    const QPoint bold = Measure(QStringLiteral("/baaaa"));
    EXPECT_EQ(bold.x() - 10, Width("aaaa", true));
    EXPECT_GT(bold.x(), normal.x());
    EXPECT_EQ(Measure(QStringLiteral("/baa/b0aa")).x() - 10, Width("aa", true) + Width("aa"));
    const QPoint bigger = Measure(QStringLiteral("/s{+6}W"));
    EXPECT_GT(bigger.y(), wg);
    EXPECT_EQ(Measure(QStringLiteral("/s{+6}/s{0}W")), Measure(QStringLiteral("W")));
}

TEST_F(Markup, ImageTagsAdvanceByTheImage) {
    TImageList images(16, 20);
    QImage glyph(16, 20, QImage::Format_RGB32);
    glyph.fill(Qt::blue);
    images.AddMasked(glyph, clNone);
    // "/ip" raises the line to the image; "/im" only takes its width; no parameter means italic + letter.
    EXPECT_EQ(Measure(QStringLiteral("/ip{0}"), 0, &images), QPoint(10 + 16, 20));
    EXPECT_EQ(Measure(QStringLiteral("/im{0}a"), 0, &images), QPoint(10 + 16 + Width("a"), wg));
    EXPECT_EQ(Measure(QStringLiteral("/ip{0}a"), 0, &images).y(), 20);
    EXPECT_EQ(Measure(QStringLiteral("/im{7}a"), 0, &images), Measure(QStringLiteral("a")));  // no such image
    QFont italic = font;
    italic.setItalic(true);
    EXPECT_EQ(Measure(QStringLiteral("/im"), 0, &images).x() - 10,
              QFontMetrics(italic).horizontalAdvance("m") + 1);
}

TEST_F(Markup, BoldDrawsMoreInkThanPlain) {
    const int plain = Ink(QStringLiteral("WWWW"), 0, 300);
    const int bold = Ink(QStringLiteral("/bWWWW"), 0, 300);
    EXPECT_GT(plain, 0);
    EXPECT_GT(bold, plain);
    // Only the first letter is bold: the second half draws as plain text does.
    const int w = QFontMetrics(font).horizontalAdvance("WW");
    QFont b = font;
    b.setBold(true);
    const int wb = QFontMetrics(b).horizontalAdvance("WW");
    // (a pixel of difference comes from where the glyph edges fall)
    EXPECT_NEAR(Ink(QStringLiteral("/bWW/b0WW"), wb, wb + w), Ink(QStringLiteral("WWWW"), w, 2 * w), 3);
    // Inside a literal block the tag is text, so its slash is drawn.
    EXPECT_GT(Ink(QStringLiteral("/{/b/}"), 0, 300), 0);
    EXPECT_EQ(Ink(QStringLiteral("/b"), 0, 300), 0);
}

TEST_F(Markup, LineTagDrawsAlongTheLineTop) {
    image.fill(Qt::white);
    QPainter p(&image);
    p.setFont(font);
    QPoint extent;
    DrawMarkupText(p, QStringLiteral("ab/l{clRed}"), TRect{0, 5, 100, 40}, true, 0, nullptr, extent);
    p.end();
    EXPECT_EQ(image.pixel(99, 5), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(1, 5), qRgb(255, 255, 255));  // starts at the current position
    EXPECT_EQ(image.pixel(99, 6), qRgb(255, 255, 255));
}

TEST(CellFrame, StylesDrawTheirEdges) {
    using S = TCellFrameStyle;
    constexpr TCellFrameState normal = TCellFrameState::Normal, pressed = TCellFrameState::Pressed;
    struct Case {
        TCellFrameStyle style;
        TCellFrameState state;
        QPoint probe;
        TColor expected;
    };
    const TRect r{2, 2, 12, 12};
    const Case cases[] = {
        {S::Edge3D, normal, {2, 5}, clBtnHighlight},    {S::Edge3D, normal, {11, 5}, clBtnShadow},
        {S::Edge3D, pressed, {11, 5}, cl3DLight},       {S::ThinEdge, pressed, {2, 5}, clBtnShadow},
        {S::Single, normal, {2, 5}, clBtnFace},         {S::Single, normal, {12, 5}, clSilver},
        {S::InnerEdge, normal, {3, 5}, clBtnHighlight}, {S::InnerEdge, normal, {2, 5}, clWhite},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(c.style) << "/" << static_cast<int>(c.state));
        QImage img(16, 16, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        DrawCellFrame(p, r, c.style, c.state, clBtnFace);
        p.end();
        EXPECT_EQ(img.pixelColor(c.probe), ToQColor(c.expected));
    }
}

TEST(Glyphs, TrianglesFillTheirPoints) {
    QImage img(12, 12, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    DrawGlyph(p, gkTriangleDown, 1, 1, clBlack, 1);  // (1,1) (3,3) (5,1)
    DrawGlyph(p, gkArrowUp, 0, 0, clBlack, 3);       // too big: nothing
    p.end();
    EXPECT_EQ(img.pixel(3, 1), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(3, 3), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(3, 5), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(8, 8), qRgb(255, 255, 255));
}

TEST(LineBatch, XorDrawTwiceErases) {
    QImage img(10, 10, QImage::Format_RGB32);
    img.fill(qRgb(100, 100, 100));
    const QImage before = img.copy();
    TLineBatch batch;
    LineBatchInit(batch, 2, clWhite);
    LineBatchAdd(batch, 1, 1, 8, 1);
    LineBatchAdd(batch, 1, 5, 1, 8);
    QPainter p(&img);
    LineBatchDraw(p, batch, QPainter::RasterOp_SourceXorDestination);
    p.end();
    EXPECT_NE(img.pixel(4, 1), before.pixel(4, 1));
    EXPECT_NE(img.pixel(1, 6), before.pixel(1, 6));
    QPainter q(&img);
    LineBatchDraw(q, batch, QPainter::RasterOp_SourceXorDestination);
    q.end();
    EXPECT_EQ(img, before);
    LineBatchFree(batch);
    EXPECT_TRUE(batch.Lines.empty());
}

// The small image list: thirteen 16 x 16 pictures on a key colour, the first four being marks that
// other images take as overlays. A picture of all of them goes to the artifacts.
TEST(SmallImages, GlyphsOverlaysAndNames) {
    const TImageList& images = SmallImages();
    ASSERT_EQ(images.Count(), kSmallImageCount);
    EXPECT_EQ(images.Width(), 16);
    EXPECT_EQ(images.Height(), 16);
    for (int i = 0; i < TImageList::kOverlayCount; ++i) EXPECT_EQ(images.OverlayImage(i), i) << i;
    EXPECT_EQ(images.OverlayImage(4), -1);

    // Each picture on the sheet: in a row, 20 pixels apart, over a grey that shows the transparency.
    QImage sheet(20 * kSmallImageCount + 4 + 24, 24, QImage::Format_RGB32);
    const QColor back(200, 200, 200);
    sheet.fill(back);
    {
        QPainter p(&sheet);
        for (int i = 0; i < kSmallImageCount; ++i) images.Draw(p, 2 + 20 * i, 4, i);
        // A folder with the link mark over it.
        images.DrawOverlay(p, 2 + 20 * kSmallImageCount, 4, 5, 0);
    }
    ASSERT_TRUE(sheet.save(ArtifactPath(QStringLiteral("small-images.png"))));
    auto at = [&](int image, int x, int y) { return sheet.pixelColor(2 + 20 * image + x, 4 + y); };
    struct Case {
        const char* what;
        int image, x, y;
        QColor color;
    };
    const Case cases[] = {
        {"the key colour is transparent", 4, 0, 0, back},
        {"a mark leaves the rest of its square clear", 0, 12, 2, back},
        {"the link mark is a white box", 0, 1, 10, QColor(255, 255, 255)},
        {"the cross is red", 1, 12, 12, QColor(204, 0, 0)},
        {"the check is green", 2, 10, 13, QColor(0, 144, 0)},
        {"the page is white inside", 4, 5, 3, QColor(255, 255, 255)},
        {"the folder is yellow", 5, 4, 10, QColor(255, 214, 0)},
        {"the plus is green in the middle", 6, 7, 7, QColor(0, 144, 0)},
        {"the plus leaves its corners clear", 6, 2, 2, back},
        {"the minus is red", 7, 7, 7, QColor(204, 0, 0)},
        {"the warning sign has a black mark", 11, 7, 6, QColor(0, 0, 0)},
        {"the warning sign is yellow beside it", 11, 5, 11, QColor(255, 214, 0)},
        {"the information disc is blue", 12, 4, 7, QColor(0, 64, 176)},
        {"with a white letter", 12, 7, 8, QColor(255, 255, 255)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(at(c.image, c.x, c.y), c.color);
    }
    // The overlay draws its mark over the folder and leaves the folder elsewhere.
    EXPECT_EQ(at(kSmallImageCount, 1, 10), QColor(255, 255, 255));
    EXPECT_EQ(at(kSmallImageCount, 12, 10), QColor(255, 214, 0));

    // The markup knows them by name, and draws an overlay by its number from a list that has one.
    EXPECT_FALSE(LoadBitmapResource(QStringLiteral("VN_SMALL_IMAGE00")).isNull());
    EXPECT_FALSE(LoadBitmapResource(QStringLiteral("VN_SMALL_IMAGE12")).isNull());
    EXPECT_TRUE(LoadBitmapResource(QStringLiteral("VN_SMALL_IMAGE13")).isNull());
    QImage drawn(40, 20, QImage::Format_RGB32);
    drawn.fill(Qt::white);
    {
        QPainter p(&drawn);
        p.setBrush(Qt::white);
        QPoint extent;
        DrawMarkupText(p, QStringLiteral("/im{6,1}"), TRect{0, 0, 40, 20}, true, 0, &images, extent);
    }
    EXPECT_EQ(drawn.pixelColor(7, 7), QColor(0, 144, 0));    // the plus
    EXPECT_EQ(drawn.pixelColor(12, 12), QColor(204, 0, 0));  // the cross over it
}

TEST(ScreenCursors, LibraryCursorsHavePictures) {
    for (int id : {crVnSelect, crVnSelectColumn, crVnSelectRow, crVnLinkSelect})
        EXPECT_FALSE(ScreenCursor(id).pixmap().isNull()) << id;
    EXPECT_EQ(ScreenCursor(1).shape(), Qt::ArrowCursor);
    // Each number has a picture of its own.
    EXPECT_NE(ScreenCursor(crVnLinkSelect).pixmap().toImage(), ScreenCursor(crVnSelect).pixmap().toImage());
}

}  // namespace
