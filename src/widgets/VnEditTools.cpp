#include "widgets/VnEditTools.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHash>
#include <QPainterPath>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <algorithm>
#include <climits>
#include <optional>

namespace {

// The library's own texts, kept in Russian as it ships them.
const QString kRecordStem = QStringLiteral("запис");
const QString kRecordMany = QStringLiteral("ей");
const QString kRecordOne = QStringLiteral("ь");
const QString kRecordFew = QStringLiteral("и");

// Pixels of a 0x00BBGGRR colour in the order QImage keeps them (0xAARRGGBB).
QRgb ToPixel(TColor color) { return 0xFF000000u | SwapRB(static_cast<uint32_t>(ColorToRGB(color))); }
TColor FromPixel(QRgb pixel) { return static_cast<TColor>(SwapRB(pixel & 0xFFFFFF)); }

QImage As32(const QImage& image) {
    return image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
}

// The tone mapping: the high nibble of a channel through a table, the low one by steps of the value.
// The table holds 9 where a 0 would break the otherwise rising curve (a mid-dark channel turning
// almost black).
int ToneOf(int v) {
    static constexpr int kHigh[16] = {7, 8, 8, 9, 9, 9, 10, 11, 11, 12, 12, 13, 13, 14, 14, 15};
    int low;
    if (v < 20)
        low = 11;
    else if (v < 40)
        low = 4;
    else if (v < 70)
        low = 5;
    else if (v < 90)
        low = 14;
    else if (v < 100)
        low = 13;
    else if (v < 110)
        low = 6;
    else if (v < 130)
        low = 5;
    else if (v < 150)
        low = 13;
    else if (v < 190)
        low = 6;
    else if (v < 210)
        low = 14;
    else
        low = 7;
    return 16 * kHigh[v / 16] + low;
}

int QtFlags(unsigned format) {
    int flags = 0;
    if (format & DT_CENTER)
        flags |= Qt::AlignHCenter;
    else if (format & DT_RIGHT)
        flags |= Qt::AlignRight;
    else
        flags |= Qt::AlignLeft;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER)
            flags |= Qt::AlignVCenter;
        else if (format & DT_BOTTOM)
            flags |= Qt::AlignBottom;
        else
            flags |= Qt::AlignTop;
        flags |= Qt::TextSingleLine;
    } else {
        flags |= Qt::AlignTop;
        if (format & DT_WORDBREAK) flags |= Qt::TextWordWrap;
    }
    if (format & DT_EXPANDTABS) flags |= Qt::TextExpandTabs;
    if (!(format & DT_NOPREFIX)) flags |= Qt::TextShowMnemonic;
    return flags;
}

QHash<QString, QImage>& BitmapResources() {
    static QHash<QString, QImage> resources;
    return resources;
}

}  // namespace

int DrawTextRect(QPainter& canvas, const QString& text, TRect& rect, unsigned format) {
    const QFontMetrics fm(canvas.font());
    const int flags = QtFlags(format);
    if (format & DT_CALCRECT) {
        QRect bound;
        if ((format & DT_WORDBREAK) && !(format & DT_SINGLELINE) && rect.Width() > 0)
            bound = fm.boundingRect(QRect(rect.Left, rect.Top, rect.Width(), INT_MAX / 2), flags, text);
        else
            bound = fm.boundingRect(QRect(rect.Left, rect.Top, INT_MAX / 2, INT_MAX / 2),
                                    flags & ~Qt::TextWordWrap, text);
        // An empty text still measures one line high, as the platform's measuring does.
        const int height = text.isEmpty() ? fm.height() : bound.height();
        rect.Right = rect.Left + (text.isEmpty() ? 0 : bound.width());
        rect.Bottom = rect.Top + height;
        return height;
    }
    QString shown = text;
    if ((format & DT_END_ELLIPSIS) && ((format & DT_SINGLELINE) || !(format & DT_WORDBREAK))) {
        QString plain = text;
        if (!(format & DT_NOPREFIX))
            plain.replace(QLatin1String("&&"), QLatin1String("\x01")).remove('&').replace('\x01', '&');
        if (fm.horizontalAdvance(plain) > rect.Width()) {
            shown = fm.elidedText(plain, Qt::ElideRight, std::max(rect.Width(), 0));
            if (!(format & DT_NOPREFIX)) shown.replace('&', QLatin1String("&&"));
        }
    }
    const QRect r(rect.Left, rect.Top, std::max(rect.Width(), 0), std::max(rect.Height(), 0));
    QRect bound;
    canvas.save();
    if (!(format & DT_NOCLIP)) canvas.setClipRect(r, Qt::IntersectClip);
    canvas.drawText(r, flags, shown, &bound);
    canvas.restore();
    return bound.height();
}

void FillRect(QPainter& canvas, const TRect& rect, TColor color) {
    if (!rect.IsEmpty()) canvas.fillRect(rect.ToQRect(), ToQColor(color));
}

void FrameRect(QPainter& canvas, const TRect& rect, TColor color) {
    if (rect.IsEmpty()) return;
    const QColor c = ToQColor(color);
    canvas.fillRect(QRect(rect.Left, rect.Top, rect.Width(), 1), c);
    canvas.fillRect(QRect(rect.Left, rect.Bottom - 1, rect.Width(), 1), c);
    canvas.fillRect(QRect(rect.Left, rect.Top, 1, rect.Height()), c);
    canvas.fillRect(QRect(rect.Right - 1, rect.Top, 1, rect.Height()), c);
}

void DrawEdge(QPainter& canvas, const TRect& rect, unsigned edge, unsigned sides) {
    TRect r = rect;
    // Outer edge first, then the inner one a pixel further in.
    auto draw = [&](TColor topLeft, TColor bottomRight) {
        if (r.IsEmpty()) return;
        const QColor tl = ToQColor(topLeft), br = ToQColor(bottomRight);
        if (sides & BF_LEFT) canvas.fillRect(QRect(r.Left, r.Top, 1, r.Height()), tl);
        if (sides & BF_TOP) canvas.fillRect(QRect(r.Left, r.Top, r.Width(), 1), tl);
        if (sides & BF_RIGHT) canvas.fillRect(QRect(r.Right - 1, r.Top, 1, r.Height()), br);
        if (sides & BF_BOTTOM) canvas.fillRect(QRect(r.Left, r.Bottom - 1, r.Width(), 1), br);
        if (sides & BF_LEFT) ++r.Left;
        if (sides & BF_TOP) ++r.Top;
        if (sides & BF_RIGHT) --r.Right;
        if (sides & BF_BOTTOM) --r.Bottom;
    };
    if (edge & BDR_RAISEDOUTER)
        draw(cl3DLight, cl3DDkShadow);
    else if (edge & BDR_SUNKENOUTER)
        draw(clBtnShadow, clBtnHighlight);
    if (edge & BDR_RAISEDINNER)
        draw(clBtnHighlight, clBtnShadow);
    else if (edge & BDR_SUNKENINNER)
        draw(cl3DDkShadow, cl3DLight);
}

int TImageList::AddMasked(const QImage& image, TColor maskColor) {
    QImage scaled = image.size() == QSize(width_, height_) ? image : image.copy(0, 0, width_, height_);
    images_.push_back(maskColor == clNone ? scaled.convertToFormat(QImage::Format_ARGB32)
                                          : MaskedImage(scaled, maskColor));
    return Count() - 1;
}

void TImageList::Draw(QPainter& canvas, int x, int y, int index) const {
    if (index < 0 || index >= Count()) return;
    canvas.drawImage(x, y, images_[index]);
}

void TImageList::Overlay(int imageIndex, int overlay) {
    if (overlay < 0 || overlay >= kOverlayCount) return;
    overlays_[overlay] = imageIndex;
}

int TImageList::OverlayImage(int overlay) const {
    return overlay >= 0 && overlay < kOverlayCount ? overlays_[overlay] : -1;
}

void TImageList::DrawOverlay(QPainter& canvas, int x, int y, int index, int overlay) const {
    Draw(canvas, x, y, index);
    Draw(canvas, x, y, OverlayImage(overlay));
}

namespace {

// The small images are drawn here, pixel by pixel, on a key colour that no picture uses.
constexpr QRgb kSmallKey = 0xFFFF00FFu;

QImage NewSmallImage() {
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(kSmallKey);
    return image;
}

// A one-pixel outline and a fill, without smoothing, as every image of the library is drawn.
void SmallRect(QPainter& p, const QRect& r, const QColor& fill, const QColor& outline) {
    p.fillRect(r, outline);
    p.fillRect(r.adjusted(1, 1, -1, -1), fill);
}

void SmallPolygon(QPainter& p, std::initializer_list<QPoint> points, const QColor& fill,
                  const QColor& outline) {
    p.setPen(outline);
    p.setBrush(fill);
    p.drawPolygon(std::data(points), static_cast<int>(points.size()));
}

}  // namespace

QImage SmallImageBitmap(int index) {
    QImage image = NewSmallImage();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor black(0, 0, 0), white(255, 255, 255), grey(128, 128, 128), silver(192, 192, 192);
    const QColor red(204, 0, 0), green(0, 144, 0), yellow(255, 214, 0), blue(0, 64, 176), dark(64, 64, 64);
    switch (index) {
        case 0:  // overlay: a link, a white box with an arrow out of it, bottom left
            SmallRect(p, QRect(0, 9, 7, 7), white, black);
            p.fillRect(2, 11, 3, 1, black);
            p.fillRect(4, 11, 1, 3, black);
            p.setPen(black);
            p.drawLine(2, 13, 4, 11);
            break;
        case 1:  // overlay: a red cross, bottom right
            p.setPen(QPen(red, 2));
            p.drawLine(10, 10, 14, 14);
            p.drawLine(10, 14, 14, 10);
            break;
        case 2:  // overlay: a green check mark, bottom right
            p.setPen(QPen(green, 2));
            p.drawLine(9, 12, 11, 14);
            p.drawLine(11, 14, 15, 9);
            break;
        case 3:  // overlay: a padlock, bottom right
            p.setPen(dark);
            p.setBrush(Qt::NoBrush);
            p.drawRect(11, 8, 3, 4);
            SmallRect(p, QRect(9, 11, 7, 5), yellow, dark);
            break;
        case 4:  // a page with a folded corner and lines of text
            SmallPolygon(p, {{3, 1}, {10, 1}, {13, 4}, {13, 14}, {3, 14}}, white, dark);
            p.setPen(dark);
            p.drawLine(10, 1, 10, 4);
            p.drawLine(10, 4, 13, 4);
            for (int y : {6, 8, 10, 12}) p.fillRect(5, y, 6, 1, grey);
            break;
        case 5:  // a folder
            SmallPolygon(p, {{1, 3}, {6, 3}, {7, 5}, {14, 5}, {14, 13}, {1, 13}}, yellow,
                         QColor(160, 120, 0));
            p.fillRect(2, 7, 12, 1, QColor(255, 240, 160));
            break;
        case 6:  // add: a green plus
            p.fillRect(6, 2, 4, 12, green);
            p.fillRect(2, 6, 12, 4, green);
            break;
        case 7:  // remove: a red minus
            p.fillRect(2, 6, 12, 4, red);
            break;
        case 8:  // find: a magnifying glass
            p.setPen(QPen(dark, 2));
            p.setBrush(QColor(200, 228, 255));
            p.drawEllipse(2, 2, 8, 8);
            p.drawLine(10, 10, 14, 14);
            break;
        case 9:  // print: a printer with a sheet
            SmallRect(p, QRect(4, 1, 8, 6), white, dark);
            SmallRect(p, QRect(1, 6, 14, 6), silver, dark);
            p.fillRect(11, 8, 2, 1, green);
            SmallRect(p, QRect(4, 10, 8, 5), white, dark);
            break;
        case 10:  // save: a disk
            SmallRect(p, QRect(1, 1, 14, 14), blue, black);
            p.fillRect(4, 2, 8, 5, white);
            p.fillRect(9, 3, 2, 3, blue);
            p.fillRect(4, 10, 8, 4, silver);
            break;
        case 11:  // warning: a yellow triangle with an exclamation mark
            SmallPolygon(p, {{7, 1}, {8, 1}, {15, 14}, {0, 14}}, yellow, dark);
            p.fillRect(7, 5, 2, 5, black);
            p.fillRect(7, 11, 2, 2, black);
            break;
        case 12:  // information: a blue disc with a white "i"
            p.setPen(blue);
            p.setBrush(blue);
            p.drawEllipse(1, 1, 13, 13);
            p.fillRect(7, 3, 2, 2, white);
            p.fillRect(7, 6, 2, 6, white);
            break;
        default:
            break;
    }
    return image;
}

const TImageList& SmallImages() {
    static const TImageList* list = [] {
        auto* images = new TImageList(16, 16);
        for (int i = 0; i < kSmallImageCount; ++i) {
            const QImage image = SmallImageBitmap(i);
            images->AddMasked(image, FromPixel(image.pixel(0, 0)));
            RegisterBitmapResource(QStringLiteral("VN_SMALL_IMAGE%1").arg(i, 2, 10, QLatin1Char('0')), image);
        }
        for (int i = 0; i < TImageList::kOverlayCount; ++i) images->Overlay(i, i);
        return images;
    }();
    return *list;
}

namespace {

// A cursor drawn as a cross with a small arrow beside it, pointing down, right or nowhere.
QCursor MakeSelectCursor(int id) {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    auto outlined = [&](const QRect& r) {
        p.fillRect(r.adjusted(-1, -1, 1, 1), Qt::white);
        p.fillRect(r, Qt::black);
    };
    outlined(QRect(7, 0, 1, 15));
    outlined(QRect(0, 7, 15, 1));
    if (id == crVnSelectColumn) {
        const QPoint pts[] = {{16, 4}, {24, 4}, {20, 10}};
        p.setPen(Qt::white);
        p.setBrush(Qt::black);
        p.drawPolygon(pts, 3);
    } else if (id == crVnSelectRow) {
        const QPoint pts[] = {{16, 2}, {16, 10}, {22, 6}};
        p.setPen(Qt::white);
        p.setBrush(Qt::black);
        p.drawPolygon(pts, 3);
    }
    p.end();
    return QCursor(QPixmap::fromImage(image), 7, 7);
}

// The link cursor: the arrow with a small chain link beside it, for buttons that act as links.
QCursor MakeLinkCursor() {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QPoint arrow[] = {{0, 0}, {0, 15}, {4, 11}, {7, 17}, {9, 16}, {6, 10}, {11, 10}};
    p.setPen(Qt::white);
    p.setBrush(Qt::black);
    p.drawPolygon(arrow, 7);
    p.setBrush(Qt::NoBrush);
    for (const QRect& r : {QRect(13, 13, 7, 5), QRect(18, 16, 7, 5)}) {
        p.setPen(Qt::white);
        p.drawRect(r.adjusted(-1, -1, 1, 1));
        p.setPen(Qt::black);
        p.drawRect(r);
    }
    p.end();
    return QCursor(QPixmap::fromImage(image), 0, 0);
}

}  // namespace

QCursor ScreenCursor(int id) {
    static QHash<int, QCursor> cursors;
    auto it = cursors.find(id);
    if (it != cursors.end()) return *it;
    switch (id) {
        case crVnSelect:
        case crVnSelectColumn:
        case crVnSelectRow:
            return *cursors.insert(id, MakeSelectCursor(id));
        case crVnLinkSelect:
            return *cursors.insert(id, MakeLinkCursor());
        default:
            return QCursor(Qt::ArrowCursor);
    }
}

bool BitToggle(uint32_t& value, int bit) {
    const bool old = BitTest(value, bit);
    BitSet(value, bit, !old);
    return old;
}

void FillInts(int* buffer, int count, int value) { std::fill(buffer, buffer + std::max(count, 0), value); }

uint32_t SwapRB(uint32_t color) {
    return (color & 0xFF00FF00u) | ((color & 0xFF) << 16) | ((color >> 16) & 0xFF);
}

uint32_t BlendColors(uint32_t a, uint32_t b, int w) {
    uint32_t result = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
        result |= ((((255 - w) * ca + w * cb) / 256) & 0xFF) << shift;
    }
    return result;
}

uint32_t Average8(uint32_t c1, uint32_t c2, uint32_t c3, uint32_t c4, uint32_t c5, uint32_t c6, uint32_t c7,
                  uint32_t c8) {
    uint32_t result = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t sum = ((c1 >> shift) & 0xFF) + ((c2 >> shift) & 0xFF) + ((c3 >> shift) & 0xFF) +
                             ((c4 >> shift) & 0xFF) + ((c5 >> shift) & 0xFF) + ((c6 >> shift) & 0xFF) +
                             ((c7 >> shift) & 0xFF) + ((c8 >> shift) & 0xFF);
        result |= (sum / 8) << shift;
    }
    return result;
}

void BlendBitmap(const QImage& source, const QImage* overlay, QImage& dest, int weight, TColor keyColor,
                 TColor blendColor) {
    const QImage src = As32(source);
    const QImage ovl = overlay ? As32(*overlay) : QImage();
    QSize size = src.size();
    if (overlay) size = size.boundedTo(ovl.size());
    QImage out(size, QImage::Format_RGB32);
    const uint32_t key = ToPixel(keyColor) & 0xFFFFFF;
    const uint32_t blend = ToPixel(blendColor) & 0xFFFFFF;
    for (int y = 0; y < size.height(); ++y) {
        const auto* s = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        const auto* o = overlay ? reinterpret_cast<const QRgb*>(ovl.constScanLine(y)) : nullptr;
        auto* d = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const uint32_t sp = s[x] & 0xFFFFFF;
            uint32_t r;
            if (o) {
                const uint32_t op = o[x] & 0xFFFFFF;
                r = op == key ? sp : BlendColors(op, sp, weight);
            } else {
                r = sp == key ? sp : BlendColors(blend, sp, weight);
            }
            d[x] = 0xFF000000u | r;
        }
    }
    dest = out;
}

void ApplyEffect(const QImage& source, QImage& dest, TVnEffect effect, TColor transparentColor) {
    const QImage src = As32(source);
    if (src.isNull()) {
        dest = source;
        return;
    }
    const int w = src.width(), h = src.height();
    const uint32_t transparent =
        transparentColor == 0xFFFFFF ? (src.pixel(0, 0) & 0xFFFFFF) : (ToPixel(transparentColor) & 0xFFFFFF);
    QImage out(src.size(), QImage::Format_RGB32);
    auto px = [&](int x, int y) { return reinterpret_cast<const QRgb*>(src.constScanLine(y))[x]; };
    switch (effect) {
        case TVnEffect::Shadow: {
            out.fill(0xFF000000u | transparent);
            QPainter p(&out);
            QRegion region = RegionFromBitmap(src, FromPixel(transparent));
            region.translate(1, 1);
            for (const QRect& r : region) p.fillRect(r, QColor::fromRgb(ToPixel(0x9D8D88)));
            p.drawImage(-1, -1, MaskedImage(src, FromPixel(transparent)));
            dest = out;
            return;
        }
        case TVnEffect::Tone:
        case TVnEffect::RedKeep:
        case TVnEffect::Selected:
        case TVnEffect::Copy:
        case TVnEffect::Invert:
        case TVnEffect::Hatch:
        case TVnEffect::Smooth:
            break;
        default:
            dest = src;
            return;
    }
    for (int y = 0; y < h; ++y) {
        auto* d = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const QRgb p = px(x, y);
            int r = qRed(p), g = qGreen(p), b = qBlue(p);
            switch (effect) {
                case TVnEffect::RedKeep:
                    if (r <= 174) r = g = b = 120;
                    break;
                case TVnEffect::Selected:
                    r /= 2;
                    g /= 2;
                    if (b == 0)
                        b = 66;
                    else if (b == 255)
                        b = 189;
                    break;
                case TVnEffect::Copy:
                    break;
                case TVnEffect::Invert:
                    r = 255 - r;
                    g = 255 - g;
                    b = 255 - b;
                    break;
                case TVnEffect::Tone:
                    r = ToneOf(r);
                    g = ToneOf(g);
                    b = ToneOf(b);
                    break;
                case TVnEffect::Hatch: {
                    const int tr = qRed(transparent), tg = qGreen(transparent), tb = qBlue(transparent);
                    if (!(b == tb || g == tg || r == tr || (x + y) % 2 == 1)) {
                        r = 8;
                        g = 36;
                        b = 107;
                    }
                    break;
                }
                case TVnEffect::Smooth: {
                    const QRgb up = px(x, std::max(y - 1, 0)), down = px(x, std::min(y + 1, h - 1));
                    const QRgb left = px(std::max(x - 1, 0), y), right = px(std::min(x + 1, w - 1), y);
                    r = (r + qRed(up) + qRed(down) + qRed(left) + qRed(right)) / 5;
                    g = (g + qGreen(up) + qGreen(down) + qGreen(left) + qGreen(right)) / 5;
                    b = (b + qBlue(up) + qBlue(down) + qBlue(left) + qBlue(right)) / 5;
                    break;
                }
                default:
                    break;
            }
            d[x] = qRgb(r, g, b);
        }
    }
    dest = out;
}

QRegion EmptyRegion() { return QRegion(); }

QRegion RegionFromBitmap(const QImage& bitmap, TColor transparentColor) {
    const QImage img = As32(bitmap);
    const uint32_t transparent = ToPixel(transparentColor) & 0xFFFFFF;
    QRegion result;
    std::vector<QRect> batch;
    batch.reserve(2000);
    auto flushBatch = [&] {
        QRegion part;
        part.setRects(batch.data(), static_cast<int>(batch.size()));
        result = result.united(part);
        batch.clear();
    };
    for (int y = 0; y < img.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        int x = 0;
        while (x < img.width()) {
            while (x < img.width() && (line[x] & 0xFFFFFF) == transparent) ++x;
            const int start = x;
            while (x < img.width() && (line[x] & 0xFFFFFF) != transparent) ++x;
            if (x > start) {
                batch.emplace_back(start, y, x - start, 1);
                if (batch.size() == 2000) flushBatch();
            }
        }
    }
    if (!batch.empty()) flushBatch();
    return result;
}

void DrawSoftShadow(QImage& bitmap, const QRegion& region, TColor keyColor, TColor shadowColor, int passes,
                    int weight, QPoint offset, bool excludeRegion) {
    QRegion moved = region.translated(offset);
    QRect box = moved.boundingRect().adjusted(-1, -1, 1, 1);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        box = box.intersected(QRect(QPoint(0, 0), screen->size()));
    box = box.united(QRect(QPoint(0, 0), bitmap.size())).intersected(QRect(QPoint(0, 0), bitmap.size()));
    QImage work(bitmap.size(), QImage::Format_RGB32);
    {
        QPainter p(&work);
        p.drawImage(0, 0, bitmap);
        for (const QRect& r : moved) p.fillRect(r, QColor::fromRgb(ToPixel(shadowColor)));
    }
    const int w = work.width(), h = work.height();
    for (int pass = 0; pass <= passes; ++pass) {
        const QImage prev = work.copy();
        auto at = [&](int x, int y) {
            return reinterpret_cast<const QRgb*>(
                prev.constScanLine(std::clamp(y, 0, h - 1)))[std::clamp(x, 0, w - 1)];
        };
        for (const QRect& r : moved) {
            for (int y = r.top(); y <= r.bottom(); ++y) {
                if (y < 0 || y >= h) continue;
                auto* line = reinterpret_cast<QRgb*>(work.scanLine(y));
                for (int x = std::max(r.left(), 0); x <= std::min(r.right(), w - 1); ++x) {
                    if (excludeRegion && region.contains(QPoint(x, y))) continue;
                    line[x] = 0xFF000000u | Average8(at(x - 1, y - 1), at(x, y - 1), at(x + 1, y - 1),
                                                     at(x - 1, y), at(x + 1, y), at(x - 1, y + 1),
                                                     at(x, y + 1), at(x + 1, y + 1));
                }
            }
        }
    }
    QImage blended;
    BlendBitmap(bitmap, &work, blended, weight, keyColor, shadowColor);
    bitmap = blended.convertToFormat(bitmap.format());
}

QImage MaskedImage(const QImage& image, TColor transparentColor) {
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    const uint32_t key = ToPixel(transparentColor) & 0xFFFFFF;
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((line[x] & 0xFFFFFF) == key) line[x] = 0;
    }
    return out;
}

void DrawBitmap(QPainter& canvas, const QImage& bitmap, const TRect& rect, bool stretch, bool transparent) {
    // A transparent bitmap drops the colour of its bottom-left pixel, as the platform's bitmaps do.
    const QImage img = transparent && !bitmap.isNull()
                           ? MaskedImage(bitmap, FromPixel(bitmap.pixel(0, bitmap.height() - 1)))
                           : bitmap;
    if (stretch)
        canvas.drawImage(rect.ToQRect(), img);
    else
        canvas.drawImage(rect.Left, rect.Top, img);
}

void DrawTransparent(QPainter& canvas, const QImage& bitmap, const TRect& rect, bool stretch,
                     TColor transparentColor) {
    if (bitmap.isNull()) return;
    const TColor key =
        transparentColor == 0xFFFFFF ? FromPixel(bitmap.pixel(0, bitmap.height() - 1)) : transparentColor;
    const QImage img = MaskedImage(bitmap, key);
    if (stretch)
        canvas.drawImage(rect.ToQRect(), img);
    else
        canvas.drawImage(rect.Left, rect.Top, img);
}

void DrawGlyph(QPainter& canvas, int kind, int x, int y, TColor color, int size) {
    const int c = size == 1 ? 2 : size == 2 ? 4 : 3;
    std::vector<QPoint> pts;
    switch (kind) {
        case gkCheck:
            if (size == 0)
                pts = {{x, y + 2}, {x + 2, y + 4}, {x + 6, y}, {x + 6, y + 2}, {x + 2, y + 6}, {x, y + 4}};
            else if (size == 1)
                pts = {{x, y + 1}, {x + 2, y + 3}, {x + 5, y}, {x + 5, y + 2}, {x + 2, y + 5}, {x, y + 3}};
            break;
        case gkTriangleUp:
            pts = {{x, y + c}, {x + 2 * c, y + c}, {x + c, y}};
            break;
        case gkTriangleDown:
            pts = {{x, y}, {x + c, y + c}, {x + 2 * c, y}};
            break;
        case gkTriangleLeft:
            pts = {{x, y + c}, {x + c, y + 2 * c}, {x + c, y}};
            break;
        case gkTriangleRight:
            pts = {{x, y}, {x, y + 2 * c}, {x + c, y + c}};
            break;
        case gkArrowDown:
            pts = {{x, y + 4},     {x + 3, y + 4}, {x + 3, y},    {x + 5, y},
                   {x + 5, y + 4}, {x + 8, y + 4}, {x + 4, y + 8}};
            break;
        case gkArrowUp:
            pts = {{x, y + 4},     {x + 3, y + 4}, {x + 3, y + 8}, {x + 5, y + 8},
                   {x + 5, y + 4}, {x + 8, y + 4}, {x + 4, y}};
            break;
        case gkArrowLeft:
            pts = {{x, y + 4},     {x + 4, y + 8}, {x + 4, y + 5}, {x + 8, y + 5},
                   {x + 8, y + 3}, {x + 4, y + 3}, {x + 4, y}};
            break;
        case gkArrowRight:
            pts = {{x, y + 3},     {x, y + 5}, {x + 4, y + 5}, {x + 4, y + 8},
                   {x + 8, y + 4}, {x + 4, y}, {x + 4, y + 3}};
            break;
        case gkPlus:
            pts = {{x, y + 2},     {x + 2, y + 2}, {x + 2, y + 4}, {x + 2, y + 2},
                   {x + 4, y + 2}, {x + 2, y + 2}, {x + 2, y},     {x + 2, y + 2}};
            break;
        case gkMinus:
            pts = {{x, y + 2}, {x + 4, y + 2}};
            break;
        default:
            return;
    }
    if (pts.empty() || (kind >= gkArrowDown && size >= 3)) return;
    canvas.save();
    canvas.setRenderHint(QPainter::Antialiasing, false);
    canvas.setPen(QPen(ToQColor(color), 1));
    canvas.setBrush(ToQColor(color));
    canvas.drawPolygon(pts.data(), static_cast<int>(pts.size()));
    canvas.restore();
}

void DrawCellFrame(QPainter& canvas, const TRect& rect, TCellFrameStyle style, TCellFrameState state,
                   TColor color) {
    const bool pressed = state == TCellFrameState::Pressed;
    switch (style) {
        case TCellFrameStyle::Edge3D:
            if (!pressed) {
                DrawEdge(canvas, rect, BDR_RAISEDINNER, BF_RECT);
            } else {
                DrawEdge(canvas, rect, BDR_SUNKENINNER, BF_BOTTOM | BF_RIGHT);
                DrawEdge(canvas, rect, BDR_SUNKENOUTER, BF_TOP | BF_LEFT);
            }
            break;
        case TCellFrameStyle::ThinEdge:
            DrawEdge(canvas, rect, pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
            break;
        case TCellFrameStyle::Single: {
            FrameRect(canvas, rect, color);
            const QColor line = ToQColor(ColorToRGB(color) == clSilver ? clGray : clSilver);
            canvas.save();
            canvas.setRenderHint(QPainter::Antialiasing, false);
            canvas.setPen(QPen(line, 1));
            // The line runs outside the frame's right and bottom edge, where the next cell's line would be.
            const QPoint pts[] = {{rect.Left, rect.Bottom},
                                  {rect.Right, rect.Bottom},
                                  {rect.Right, rect.Top - 1},
                                  {rect.Left, rect.Top - 1}};
            canvas.drawPolyline(pts, 4);
            canvas.restore();
            break;
        }
        case TCellFrameStyle::InnerEdge:
            DrawCellFrame(canvas, rect.Inflated(-1, -1), TCellFrameStyle::ThinEdge, state, color);
            break;
    }
}

void DrawDragFrame(QPainter& canvas, const TRect* rect1, const TRect* rect2, int width) {
    auto band = [width](const TRect* r) {
        if (!r) return QRegion();
        return QRegion(r->ToQRect()).subtracted(QRegion(r->Inflated(-width, -width).ToQRect()));
    };
    QRegion region = rect1 && rect2 ? band(rect1).xored(band(rect2)) : band(rect1 ? rect1 : rect2);
    canvas.save();
    canvas.setClipRegion(region, Qt::IntersectClip);
    canvas.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    canvas.fillRect(region.boundingRect(), QColor(0x99, 0x99, 0x99));
    canvas.restore();
}

void LineBatchInit(TLineBatch& batch, int count, TColor color) {
    batch.Lines.clear();
    batch.Lines.reserve(std::max(count, 0));
    batch.Color = color;
}

void LineBatchAdd(TLineBatch& batch, int x1, int y1, int x2, int y2) {
    batch.Lines.emplace_back(x1, y1, x2, y2);
}

void LineBatchDraw(QPainter& canvas, const TLineBatch& batch, QPainter::CompositionMode rasterOp) {
    if (batch.Lines.empty()) return;
    canvas.save();
    canvas.setRenderHint(QPainter::Antialiasing, false);
    canvas.setCompositionMode(rasterOp);
    canvas.setPen(QPen(ToQColor(batch.Color), 1, Qt::SolidLine, Qt::FlatCap));
    canvas.drawLines(batch.Lines.data(), static_cast<int>(batch.Lines.size()));
    canvas.restore();
}

void LineBatchFree(TLineBatch& batch) {
    batch.Lines.clear();
    batch.Lines.shrink_to_fit();
}

int FitToScreen(TRect& rect, int width, int height, QPoint offset, const TRect& desktop) {
    int result = 0;
    const int l = rect.Left, t = rect.Top;
    int top = std::max(t, desktop.Top);
    if (top + height > desktop.Bottom) {
        top = desktop.Bottom - height - offset.y();
        result = 1;
    }
    int left = std::max(l, desktop.Left);
    if (left + width > desktop.Right) {
        left = desktop.Right - width - offset.x();
        result += 2;
    }
    rect.Right += left - rect.Left;
    rect.Bottom += top - rect.Top;
    rect.Left = left;
    rect.Top = top;
    return result;
}

int FitToScreen(TRect& rect, int width, int height, QPoint offset) {
    TRect desktop{0, 0, 1024, 768};
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        desktop = TRect::FromQRect(screen->virtualGeometry());
    return FitToScreen(rect, width, height, offset, desktop);
}

int TextHeight(const QFont& font, const QString& text, QPainter* canvas) {
    const QFontMetrics fm(canvas ? canvas->font() : font);
    if (text.isEmpty() || !text.contains('\n')) return fm.height();
    return fm.boundingRect(QRect(0, 0, INT_MAX / 2, INT_MAX / 2), 0, text).height();
}

void ProcessPaintMessages() {
    QThread::msleep(20);
    // Only the pending repaints are delivered; input waits for the real message loop.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateLater);
}

QString RecordWord(int n) {
    const int rest = n % 10;  // keeps the sign of n, so a negative count ends in the bare stem
    if (rest == 0) return kRecordStem + kRecordMany;
    if (rest >= 1 && rest <= 4) {
        if (n > 10 && n < 20) return kRecordStem + kRecordMany;
        return kRecordStem + (rest == 1 ? kRecordOne : kRecordFew);
    }
    if (rest >= 5 && rest <= 9) return kRecordStem + kRecordMany;
    return kRecordStem;
}

void RegisterBitmapResource(const QString& name, const QImage& image) {
    BitmapResources().insert(name.toUpper(), image);
}

QImage LoadBitmapResource(const QString& name) { return BitmapResources().value(name.toUpper()); }

namespace {

// One run of the markup renderer: the current position, the line being built and the totals.
class MarkupRun {
public:
    MarkupRun(QPainter& canvas, const QString& text, const TRect& rect, bool draw, unsigned format,
              const TImageList* images)
        : canvas_(canvas),
          text_(text),
          rect_(rect),
          draw_(draw),
          format_(format),
          images_(images),
          startFont_(canvas.font()),
          font_(startFont_),
          x_(rect.Left) {}

    QPoint Run();

private:
    int LineTop() const { return rect_.Top + total_; }
    int Right() const { return draw_ ? rect_.Right : INT_MAX / 4; }
    void AddChar(QChar ch);
    void Flush();
    void EndLine();
    void SetFont() { canvas_.setFont(font_); }
    bool ParseTag(int& i);
    // Reads the parameters after a tag letter; answers false when no "{" or "," follows.
    bool ParseParams(int& p, QString& first, QString& second);
    void SetSize(const QString& param);
    void Offset(QChar kind, const QString& param);
    void Image(QChar kind, const QString& param, const QString& second);
    void DrawPrepared(const QImage& image);

    QPainter& canvas_;
    const QString& text_;
    const TRect rect_;
    const bool draw_;
    const unsigned format_;
    const TImageList* images_;
    const QFont startFont_;
    QFont font_;
    QString pending_;
    int x_;
    int yOffset_ = 0;
    int lineHeight_ = 0;
    int lineWidth_ = 0;
    int total_ = 0;
    int widest_ = 0;
    bool lineHasChar_ = false;
    bool heightFromImage_ = false;
};

void MarkupRun::AddChar(QChar ch) {
    if (!lineHasChar_) {
        if (!heightFromImage_) lineHeight_ += QFontMetrics(font_).height();
        lineHasChar_ = true;
    }
    pending_ += ch;
}

void MarkupRun::Flush() {
    if (pending_.isEmpty()) return;
    int width = 0;
    if (!draw_) {
        if (format_ & DT_WORDBREAK) {
            TRect m{x_, LineTop() + yOffset_, rect_.Right > x_ ? rect_.Right : INT_MAX / 4, INT_MAX / 4};
            DrawTextRect(canvas_, pending_, m, format_ | DT_CALCRECT);
            width = m.Width();
            lineHeight_ = m.Height();
        } else {
            width = QFontMetrics(font_).horizontalAdvance(pending_) + 1;
        }
    } else {
        if (x_ >= rect_.Right) {
            // Text past the right edge is dropped without moving on, so nothing wraps back in.
            pending_.clear();
            return;
        }
        TRect r{x_, LineTop() + yOffset_, rect_.Right, rect_.Bottom};
        TRect m = r;
        DrawTextRect(canvas_, pending_, m, format_ | DT_CALCRECT);
        DrawTextRect(canvas_, pending_, r, format_);
        width = m.Width();
    }
    x_ += width;
    lineWidth_ += width;
    pending_.clear();
}

void MarkupRun::EndLine() {
    Flush();
    total_ += lineHeight_;
    widest_ = std::max(widest_, lineWidth_);
    x_ = rect_.Left;
    yOffset_ = 0;
    lineHeight_ = lineWidth_ = 0;
    lineHasChar_ = heightFromImage_ = false;
}

bool MarkupRun::ParseParams(int& p, QString& first, QString& second) {
    const int n = static_cast<int>(text_.size());
    first.clear();
    second.clear();
    if (p >= n || (text_[p] != '{' && text_[p] != ',')) return false;
    auto one = [&](QString& value) {
        ++p;  // the mark
        while (p < n && (text_[p] == ' ' || text_[p] == ',' || text_[p] == '}')) ++p;
        const int start = p;
        while (p < n && text_[p] != ',' && text_[p] != '}') ++p;
        // The parameter buffer holds 999 characters; the rest of a longer one is dropped.
        value = text_.mid(start, std::min(p - start, 999));
    };
    one(first);
    if (p < n && text_[p] == ',') {
        one(second);
        if (p < n && (text_[p] == ',' || text_[p] == '}')) ++p;
    } else if (p < n) {
        ++p;  // the closing brace
    }
    return true;
}

void MarkupRun::SetSize(const QString& param) {
    const QString v = param.trimmed();
    bool ok = false;
    const bool points = startFont_.pointSize() > 0;
    const int current = points ? font_.pointSize() : font_.pixelSize();
    int size = current;
    if (v.startsWith('+') || v.startsWith('-')) {
        const int delta = v.toInt(&ok);
        if (ok) size = current + delta;
    } else if (v == QLatin1String("0")) {
        size = points ? startFont_.pointSize() : startFont_.pixelSize();
        ok = true;
    } else {
        size = v.toInt(&ok);
    }
    if (!ok || size <= 0) return;
    if (points)
        font_.setPointSize(size);
    else
        font_.setPixelSize(size);
    SetFont();
}

void MarkupRun::Offset(QChar kind, const QString& param) {
    bool ok = false;
    int amount = param.trimmed().toInt(&ok);
    if (!ok) {
        const QFontMetrics fm(font_);
        amount = (kind == 'w' || kind == 'W') ? fm.horizontalAdvance(param) + 1 : fm.height();
    }
    switch (kind.unicode()) {
        case 'w':
            x_ += amount;
            lineWidth_ += amount;
            break;
        case 'W':
            x_ -= amount;
            lineWidth_ -= amount;
            break;
        case 'h':
            yOffset_ += amount;
            lineHeight_ += amount;
            break;
        case 'H':
            yOffset_ -= amount;
            lineHeight_ -= amount;
            break;
        default:
            break;
    }
}

void MarkupRun::DrawPrepared(const QImage& image) {
    // Prepared on the brush colour, so that colour is what turns transparent.
    const TColor back =
        FromQColor(canvas_.brush().style() == Qt::NoBrush ? QColor(Qt::white) : canvas_.brush().color());
    QImage work(image.size(), QImage::Format_RGB32);
    work.fill(QColor::fromRgb(ToPixel(back)));
    {
        QPainter p(&work);
        p.drawImage(0, 0, image);
    }
    canvas_.drawImage(x_, LineTop() + yOffset_, MaskedImage(work, back));
}

void MarkupRun::Image(QChar kind, const QString& param, const QString& second) {
    const bool fromList = images_ && !param.isEmpty() && param[0].isDigit();
    QImage image;
    int width = 0, height = 0;
    if (fromList) {
        const int index = param.toInt();
        if (index < 0 || index >= images_->Count()) return;
        image = images_->Image(index);
        width = images_->Width();
        height = images_->Height();
    } else {
        const QImage named = LoadBitmapResource(param.trimmed());
        // A bitmap that cannot be had is left out, as if the tag were not there.
        if (named.isNull()) return;
        image = MaskedImage(named, FromPixel(named.pixel(0, 0)));
        width = image.width();
        height = image.height();
    }
    if (kind == 'p' && height > lineHeight_) {
        lineHeight_ = height;
        heightFromImage_ = true;
    }
    if (draw_ && x_ < rect_.Right) {
        std::optional<TVnEffect> effect;
        switch (kind.unicode()) {
            case 's':
                effect = TVnEffect::Selected;
                break;
            case 'n':
                effect = TVnEffect::Invert;
                break;
            case 'h':
                effect = TVnEffect::Hatch;
                break;
            case 'x':
                effect = TVnEffect::Shadow;
                break;
            default:
                break;
        }
        if (kind == 'd') {
            bool ok = false;
            int weight = second.trimmed().toInt(&ok);
            if (!ok) weight = 125;
            QImage opaque(image.size(), QImage::Format_RGB32);
            opaque.fill(image.pixel(0, 0) | 0xFF000000u);
            {
                QPainter p(&opaque);
                p.drawImage(0, 0, image);
            }
            const TColor corner = FromPixel(opaque.pixel(0, 0));
            QImage blended;
            BlendBitmap(opaque, nullptr, blended, weight, corner, corner);
            DrawPrepared(MaskedImage(blended, corner));
        } else if (effect) {
            const TColor back = FromQColor(canvas_.brush().color());
            QImage work(image.size(), QImage::Format_RGB32);
            work.fill(QColor::fromRgb(ToPixel(back)));
            {
                QPainter p(&work);
                p.drawImage(0, 0, image);
            }
            QImage out;
            ApplyEffect(work, out, *effect, back);
            DrawPrepared(MaskedImage(out, back));
        } else if (fromList) {
            canvas_.fillRect(QRect(x_, LineTop(), width, std::max(rect_.Bottom - LineTop(), 0)),
                             canvas_.brush());
            canvas_.drawImage(x_, LineTop(), image);
            bool ok = false;
            const int overlay = second.trimmed().toInt(&ok);
            if (ok) images_->Draw(canvas_, x_, LineTop(), images_->OverlayImage(overlay));
        } else {
            DrawPrepared(image);
        }
    }
    x_ += width;
    lineWidth_ += width;
}

bool MarkupRun::ParseTag(int& i) {
    const int n = static_cast<int>(text_.size());
    if (i + 1 >= n) return false;
    const QChar tag = text_[i + 1];
    const QChar next = i + 2 < n ? text_[i + 2] : QChar();
    int p = i + 2;
    QString first, second;
    switch (tag.unicode()) {
        case '#':
            EndLine();
            break;
        case 'b':
        case 'u':
        case 'i':
        case 's': {
            if (tag == 'i' && QStringLiteral("mpsnhxd").contains(next) && !next.isNull()) {
                Flush();
                p = i + 3;
                if (!ParseParams(p, first, second)) {
                    // An image tag with nothing to show turns italic on and shows its letter.
                    font_.setItalic(true);
                    SetFont();
                    AddChar(next);
                    break;
                }
                Image(next, first, second);
                break;
            }
            if (tag == 's' && (next == '{' || next == ',')) {
                Flush();
                ParseParams(p, first, second);
                SetSize(first);
                break;
            }
            Flush();
            const bool on = next != '0';
            if (!on) ++p;
            if (tag == 'b') font_.setBold(on);
            if (tag == 'u') font_.setUnderline(on);
            if (tag == 'i') font_.setItalic(on);
            if (tag == 's') font_.setStrikeOut(on);
            SetFont();
            break;
        }
        case 'c': {
            Flush();
            ParseParams(p, first, second);
            TColor color;
            if (IdentToColor(first, color)) canvas_.setPen(ToQColor(color));
            break;
        }
        case 'f':
            Flush();
            if (next == '0') {
                ++p;
                font_.setFamily(startFont_.family());
            } else {
                ParseParams(p, first, second);
                font_.setFamily(first);
            }
            SetFont();
            break;
        case 'l': {
            Flush();
            ParseParams(p, first, second);
            TColor color;
            if (draw_ && IdentToColor(first, color) && x_ < rect_.Right)
                canvas_.fillRect(QRect(x_, LineTop(), rect_.Right - x_, 1), ToQColor(color));
            break;
        }
        case 'o':
            if (next != 'w' && next != 'W' && next != 'h' && next != 'H') return false;
            Flush();
            p = i + 3;
            ParseParams(p, first, second);
            Offset(next, first);
            break;
        default:
            return false;
    }
    i = p;
    return true;
}

QPoint MarkupRun::Run() {
    canvas_.save();
    canvas_.setBackgroundMode(Qt::TransparentMode);
    const int n = static_cast<int>(text_.size());
    bool literal = false;
    int i = 0;
    while (i < n) {
        const QChar ch = text_[i];
        if (ch == '/' && i + 1 < n && text_[i + 1] == '}') {
            literal = false;
            i += 2;
            continue;
        }
        if (ch == '/' && !literal && i + 1 < n && text_[i + 1] == '{') {
            literal = true;
            i += 2;
            continue;
        }
        if (ch == '\n') {
            EndLine();
            ++i;
            continue;
        }
        if (ch == '\r') {
            if (lineHasChar_) EndLine();
            ++i;
            continue;
        }
        if (ch == '/' && !literal && ParseTag(i)) continue;
        if (ch == '/' && !literal && i + 1 < n) {
            // Not a tag: the slash and the character after it are text.
            AddChar(ch);
            AddChar(text_[i + 1]);
            i += 2;
            continue;
        }
        AddChar(ch);
        ++i;
    }
    Flush();
    total_ += lineHeight_;
    widest_ = std::max(widest_, lineWidth_);
    canvas_.restore();
    return QPoint(rect_.Left + widest_, total_);
}

}  // namespace

void DrawMarkupText(QPainter& canvas, const QString& text, const TRect& rect, bool draw, unsigned format,
                    const TImageList* images, QPoint& extent) {
    if (text.isEmpty()) {
        extent = QPoint(0, 0);
        return;
    }
    MarkupRun run(canvas, text, rect, draw, format, images);
    extent = run.Run();
}
