#pragma once

#include <QCursor>
#include <QFont>
#include <QImage>
#include <QLine>
#include <QPainter>
#include <QRegion>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

#include "platform/ui/CustomGrid.h"

// Text-drawing flags, with the values the layouts and callers of the control library pass around.
enum : unsigned {
    DT_LEFT = 0x0,
    DT_CENTER = 0x1,
    DT_RIGHT = 0x2,
    DT_VCENTER = 0x4,
    DT_BOTTOM = 0x8,
    DT_WORDBREAK = 0x10,
    DT_SINGLELINE = 0x20,
    DT_EXPANDTABS = 0x40,
    DT_NOCLIP = 0x100,
    DT_CALCRECT = 0x400,
    DT_NOPREFIX = 0x800,
    DT_END_ELLIPSIS = 0x8000,
};

// Edge kinds and sides of the 3D edges that cells, footers and buttons are framed with.
enum : unsigned {
    BDR_RAISEDOUTER = 0x1,
    BDR_SUNKENOUTER = 0x2,
    BDR_RAISEDINNER = 0x4,
    BDR_SUNKENINNER = 0x8,
    BF_LEFT = 0x1,
    BF_TOP = 0x2,
    BF_RIGHT = 0x4,
    BF_BOTTOM = 0x8,
    BF_RECT = 0xF,
};

// Draws text as the platform's text drawing does: the flags choose alignment, wrapping, ellipsis and
// the "&" prefix. With DT_CALCRECT nothing is drawn and rect grows or shrinks to the text. Answers
// the height of the text.
int DrawTextRect(QPainter& canvas, const QString& text, TRect& rect, unsigned format);
// One-pixel edges along the chosen sides, as the platform's edge drawing.
void DrawEdge(QPainter& canvas, const TRect& rect, unsigned edge, unsigned sides);
void FillRect(QPainter& canvas, const TRect& rect, TColor color);
void FrameRect(QPainter& canvas, const TRect& rect, TColor color);

// A small list of equally sized images, each drawn with a transparent colour of its own.
class TImageList {
public:
    TImageList(int width = 16, int height = 16) : width_(width), height_(height) {}
    int Width() const { return width_; }
    int Height() const { return height_; }
    int Count() const { return static_cast<int>(images_.size()); }
    // Adds an image whose pixels of maskColor are transparent; clNone keeps every pixel.
    int AddMasked(const QImage& image, TColor maskColor);
    const QImage& Image(int index) const { return images_.at(index); }
    void Draw(QPainter& canvas, int x, int y, int index) const;
    // Makes an image of the list one of the four overlay images, drawn over another on request.
    void Overlay(int imageIndex, int overlay);
    // The image registered as an overlay, -1 when none.
    int OverlayImage(int overlay) const;
    // Draws an image with an overlay image over it; an overlay not registered adds nothing.
    void DrawOverlay(QPainter& canvas, int x, int y, int index, int overlay) const;
    void Clear() {
        images_.clear();
        overlays_ = {-1, -1, -1, -1};
    }
    static constexpr int kOverlayCount = 4;

private:
    int width_, height_;
    std::vector<QImage> images_;
    std::array<int, kOverlayCount> overlays_{-1, -1, -1, -1};
};

// The library's list of small 16 x 16 images ("VN_SMALL_IMAGE00" to "VN_SMALL_IMAGE12", also known
// to the markup by those names); images 0 to 3 are small marks registered as overlays 0 to 3.
const TImageList& SmallImages();
constexpr int kSmallImageCount = 13;
// The pictures of the list, by number, each on its key colour (the top-left pixel).
QImage SmallImageBitmap(int index);

// Screen cursors of the library, by the numbers its controls ask for: the three selection cursors
// of the grids and the link cursor of the edit buttons. An unknown number gives the arrow.
constexpr int crVnSelect = 53249;
constexpr int crVnSelectColumn = 53250;
constexpr int crVnSelectRow = 53251;
constexpr int crVnLinkSelect = 53252;
QCursor ScreenCursor(int id);

// The object a grid's clip items would act on; the grid only carries it.
struct TVnDBObject {
    QString Node;
    QString Code;
    QString Caption;
};

// Numbers and bits.
inline int MinInt(int a, int b) { return a < b ? a : b; }
inline int MaxInt(int a, int b) { return a > b ? a : b; }
inline bool BitTest(uint32_t value, int bit) { return (value >> bit) & 1u; }
inline void BitSet(uint32_t& value, int bit, bool on) {
    value = on ? value | (1u << bit) : value & ~(1u << bit);
}
bool BitToggle(uint32_t& value, int bit);
inline uint32_t BitValue(uint32_t value, int bit, uint32_t v) { return BitTest(value, bit) ? v : 0; }
inline int Choose(int flag, int a, int b) { return flag == 1 ? a : b; }
void FillInts(int* buffer, int count, int value);
uint32_t SwapRB(uint32_t color);

// Pixels: three channels in the low bytes, the high byte ignored and 0 in results.
uint32_t BlendColors(uint32_t a, uint32_t b, int w);
uint32_t Average8(uint32_t c1, uint32_t c2, uint32_t c3, uint32_t c4, uint32_t c5, uint32_t c6, uint32_t c7,
                  uint32_t c8);
// Blends Overlay over Source into Dest (see the library's rules for KeyColor and BlendColor).
void BlendBitmap(const QImage& source, const QImage* overlay, QImage& dest, int weight, TColor keyColor,
                 TColor blendColor);
// Image effects, by the numbers the markup and the buttons know them by.
enum class TVnEffect {
    RedKeep = 0,   // red-enough pixels stay, the rest turns grey
    Selected = 1,  // the look of a selected image
    Copy = 2,
    Invert = 3,
    Tone = 4,    // a tone mapping of every channel
    Hatch = 5,   // every other pixel in the hatch colour
    Smooth = 6,  // each channel averaged with its four neighbours
    Shadow = 7,  // the image over its own shadow, one pixel down and right
};
// transparentColor 0xFFFFFF means the colour of the source's top-left pixel.
void ApplyEffect(const QImage& source, QImage& dest, TVnEffect effect, TColor transparentColor);

QRegion EmptyRegion();
// The pixels whose colour differs from transparentColor (0x00BBGGRR); empty when there are none.
QRegion RegionFromBitmap(const QImage& bitmap, TColor transparentColor);
inline bool IsNoRegion(const QRegion& region) { return region.isEmpty(); }
void DrawSoftShadow(QImage& bitmap, const QRegion& region, TColor keyColor, TColor shadowColor, int passes,
                    int weight, QPoint offset, bool excludeRegion);

void DrawBitmap(QPainter& canvas, const QImage& bitmap, const TRect& rect, bool stretch, bool transparent);
// transparentColor 0xFFFFFF means the bitmap's bottom-left pixel.
void DrawTransparent(QPainter& canvas, const QImage& bitmap, const TRect& rect, bool stretch,
                     TColor transparentColor);
// An image with every pixel of the given colour made transparent.
QImage MaskedImage(const QImage& image, TColor transparentColor);

enum TVnGlyph {
    gkCheck = 0,
    gkTriangleUp,
    gkTriangleDown,
    gkTriangleLeft,
    gkTriangleRight,
    gkArrowDown,
    gkArrowUp,
    gkArrowLeft,
    gkArrowRight,
    gkPlus,
    gkMinus
};
void DrawGlyph(QPainter& canvas, int kind, int x, int y, TColor color, int size);
// How fixed cells are framed: a raised (pressed: sunken) 3D edge, a thin edge, a single frame in the
// fixed colour with a silver line along the bottom and right, or a thin edge inside the cell.
enum class TCellFrameStyle { Edge3D = 0, ThinEdge = 1, Single = 2, InnerEdge = 3 };
enum class TCellFrameState { Normal = 0, Pressed = 1 };
void DrawCellFrame(QPainter& canvas, const TRect& rect, TCellFrameStyle style, TCellFrameState state,
                   TColor color);
// Inverts the band inside each given rectangle (or the exclusive-or of both); a second equal call
// restores what was there.
void DrawDragFrame(QPainter& canvas, const TRect* rect1, const TRect* rect2, int width);

struct TLineBatch {
    std::vector<QLine> Lines;
    TColor Color = clBlack;
};
void LineBatchInit(TLineBatch& batch, int count, TColor color);
void LineBatchAdd(TLineBatch& batch, int x1, int y1, int x2, int y2);
void LineBatchDraw(QPainter& canvas, const TLineBatch& batch, QPainter::CompositionMode rasterOp);
void LineBatchFree(TLineBatch& batch);

// Moves rect's top-left so that a width x height window stays on the desktop; answers 1 when it was
// raised from the bottom, plus 2 when it was moved in from the right.
int FitToScreen(TRect& rect, int width, int height, QPoint offset, const TRect& desktop);
int FitToScreen(TRect& rect, int width, int height, QPoint offset);

int TextHeight(const QFont& font, const QString& text, QPainter* canvas = nullptr);
void ProcessPaintMessages();
QString RecordWord(int n);

// Named bitmaps that the markup's image tags can ask for by name.
void RegisterBitmapResource(const QString& name, const QImage& image);
QImage LoadBitmapResource(const QString& name);

// Draws or measures text with the library's markup ("/b", "/i{...}", "/#", ...). extent gets
// (rect.Left + widest line, total height); an empty text gives (0, 0).
void DrawMarkupText(QPainter& canvas, const QString& text, const TRect& rect, bool draw, unsigned format,
                    const TImageList* images, QPoint& extent);
