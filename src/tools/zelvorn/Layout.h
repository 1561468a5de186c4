#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPageSize>
#include <QRectF>
#include <QString>
#include <functional>
#include <vector>

#include "ReportData.h"

class QPaintDevice;
class QPainter;

// A report layout: bands of text fields, lines, boxes and pictures, laid out page by page over
// the report data. The file format is described in README.md beside this file. Geometry in the
// file is in millimetres; inside, everything is in decipoints (1/720 inch), where a font of
// pixel size 10×points measures the same on every device, so a layout breaks into the same pages
// on screen, in a PDF and on paper.

struct TLayoutElement {
    enum class Kind { Text, Line, Rect, Image };
    Kind Type = Kind::Text;
    QRectF Box;  // mm, relative to the band
    QString Text;
    QString If;
    Qt::Alignment Align = Qt::AlignLeft;
    double FontSize = 0;  // points; 0 = the report's
    QString FontFamily;
    bool Bold = false, Italic = false, Wrap = false, Stretch = false;
    QColor Color = Qt::black;
    QColor Fill;             // invalid = none
    QColor BorderColor;      // invalid = none
    double LineWidth = 0.2;  // mm
    QString Field;           // pictures: a picture field or a field holding a picture's path
    QString Source;          // pictures: a file beside the layout
};

struct TLayoutBand {
    double Height = 0;  // mm
    QString If;
    bool Stretch = false;
    std::vector<TLayoutElement> Elements;
};

// A table walked row by row; its details are walked once per row, limited to that row's children.
struct TLayoutData {
    QString Table;
    QString ChildField, ParentField;  // "Skupina=ID"; empty = from the document's relations
    std::vector<TLayoutBand> Header, Rows, Footer;
    std::vector<TLayoutData> Details;
};

struct TLayout {
    QPageSize PageSize = QPageSize(QPageSize::A4);
    bool Landscape = false;
    double MarginLeft = 15, MarginTop = 12, MarginRight = 15, MarginBottom = 12;  // mm
    QString FontFamily = "DejaVu Sans";
    double FontSize = 9;
    std::vector<TLayoutBand> PageHeader, Title, Summary, PageFooter;
    std::vector<TLayoutData> Data;
    QString Folder;  // of the layout file, for pictures named by file

    bool Load(const QString& path, QString& error);
    bool LoadText(const QByteArray& text, QString& error);
};

// One thing drawn on a page, in decipoints from the page's top left corner.
struct TDrawItem {
    TLayoutElement::Kind Type;
    QRectF Box;
    QString Text;
    QFont Font;
    Qt::Alignment Align;
    bool Wrap = false;
    QColor Color, Fill, BorderColor;
    double LineWidth = 0;
    QImage Image;
};
using TPage = std::vector<TDrawItem>;

// Lays the data out into pages.
std::vector<TPage> BuildPages(const TLayout& layout, const TReportData& data);
// The page size in decipoints.
QSizeF PageSizeDp(const TLayout& layout);
// Draws a page; the painter's unit must be the decipoint.
void PaintPage(QPainter& painter, const TPage& page, int pageNumber, int pageCount);
// Writes the pages as a PDF. False with the reason in error.
bool WritePdf(const TLayout& layout, const std::vector<TPage>& pages, const QString& path, QString& error);
// Paints the pages from..to (1-based, clamped) onto a device that has pages (a printer, a PDF);
// false when the device cannot be painted on.
bool PaintPages(QPaintDevice& device, const std::vector<TPage>& pages, int from, int to,
                const std::function<bool()>& newPage);
// A picture of one page at the resolution, white behind.
QImage PageImage(const TLayout& layout, const TPage& page, int pageNumber, int pageCount, double dpi);

// The Czech text of a number with the decimals: "1 234,50".
QString CzechNumber(double value, int decimals);
