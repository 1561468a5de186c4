// Loading a layout and laying the data out into pages. The layout is trusted as far as it parses:
// an unknown field prints nothing rather than stopping a print the user is waiting for.

#include "Layout.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>
#include <QXmlStreamReader>
#include <cmath>
#include <functional>

#include "platform/files/FileUtils.h"
#include "platform/ui/RichText.h"

namespace {

constexpr double kDpPerInch = 720.0;
constexpr double kMmPerInch = 25.4;
double Dp(double mm) { return mm * kDpPerInch / kMmPerInch; }

// Page numbers are known only once the whole report is laid out: their fields keep these marks
// until the page is painted.
const QString kPageMark = QStringLiteral("\x01P\x01");
const QString kPagesMark = QStringLiteral("\x01T\x01");

// The zero date of the data files: an empty date.
constexpr const char* kZeroDate = "0001-01-01";

double Number(const QString& text) { return text.trimmed().toDouble(); }

QColor ColorAttr(const QXmlStreamAttributes& a, const char* name) {
    const QString v = a.value(QLatin1String(name)).toString();
    return v.isEmpty() ? QColor() : QColor(v);
}
bool Flag(const QXmlStreamAttributes& a, const char* name) {
    const QString v = a.value(QLatin1String(name)).toString();
    return v == u"1" || v.compare(u"true", Qt::CaseInsensitive) == 0;
}
double Mm(const QXmlStreamAttributes& a, const char* name, double fallback = 0) {
    const QString v = a.value(QLatin1String(name)).toString();
    return v.isEmpty() ? fallback : v.toDouble();
}

bool ReadElement(QXmlStreamReader& xml, TLayoutElement& e) {
    const auto a = xml.attributes();
    const QStringView n = xml.name();
    if (n == u"text")
        e.Type = TLayoutElement::Kind::Text;
    else if (n == u"line")
        e.Type = TLayoutElement::Kind::Line;
    else if (n == u"rect")
        e.Type = TLayoutElement::Kind::Rect;
    else if (n == u"image")
        e.Type = TLayoutElement::Kind::Image;
    else
        return false;
    if (e.Type == TLayoutElement::Kind::Line) {
        const double x1 = Mm(a, "x1"), y1 = Mm(a, "y1");
        e.Box = QRectF(x1, y1, Mm(a, "x2", x1) - x1, Mm(a, "y2", y1) - y1);
    } else {
        e.Box = QRectF(Mm(a, "x"), Mm(a, "y"), Mm(a, "w"), Mm(a, "h"));
    }
    e.If = a.value("if").toString();
    const QString align = a.value("align").toString();
    e.Align = align == u"right" ? Qt::AlignRight : align == u"center" ? Qt::AlignHCenter : Qt::AlignLeft;
    const QString valign = a.value("valign").toString();
    e.Align |= valign == u"bottom" ? Qt::AlignBottom : valign == u"center" ? Qt::AlignVCenter : Qt::AlignTop;
    e.FontSize = Mm(a, "size");
    e.FontFamily = a.value("font").toString();
    e.Bold = Flag(a, "bold");
    e.Italic = Flag(a, "italic");
    e.Stretch = Flag(a, "stretch");
    e.Wrap = Flag(a, "wrap") || e.Stretch;
    if (ColorAttr(a, "color").isValid()) e.Color = ColorAttr(a, "color");
    e.Fill = ColorAttr(a, "fill");
    e.BorderColor = ColorAttr(a, "border");
    e.LineWidth = Mm(a, "width", 0.2);
    e.Field = a.value("field").toString();
    e.Source = a.value("src").toString();
    const QString text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
    e.Text = text.simplified().replace(QLatin1String("\\n"), QLatin1String("\n"));
    return true;
}

bool ReadBand(QXmlStreamReader& xml, TLayoutBand& band, QString& error) {
    const auto a = xml.attributes();
    band.Height = Mm(a, "height");
    band.If = a.value("if").toString();
    band.Stretch = Flag(a, "stretch");
    while (xml.readNextStartElement()) {
        TLayoutElement e;
        if (!ReadElement(xml, e)) {
            error = QString::fromUtf8("Neznámý prvek <%1> v pásu sestavy (řádek %2).")
                        .arg(xml.name())
                        .arg(xml.lineNumber());
            return false;
        }
        band.Elements.push_back(std::move(e));
    }
    return true;
}

bool ReadData(QXmlStreamReader& xml, TLayoutData& data, QString& error) {
    const auto a = xml.attributes();
    data.Table = a.value("table").toString();
    const QString link = a.value("link").toString();
    if (link.contains('=')) {
        data.ChildField = link.section('=', 0, 0).trimmed();
        data.ParentField = link.section('=', 1).trimmed();
    }
    while (xml.readNextStartElement()) {
        const QStringView n = xml.name();
        if (n == u"detaildata") {
            data.Details.push_back({});
            if (!ReadData(xml, data.Details.back(), error)) return false;
            continue;
        }
        std::vector<TLayoutBand>* target = n == u"header"                          ? &data.Header
                                           : n == u"band"                          ? &data.Rows
                                           : n == u"footer" || n == u"groupfooter" ? &data.Footer
                                                                                   : nullptr;
        if (!target) {
            error = QString::fromUtf8("Neznámý prvek <%1> v datové části sestavy (řádek %2).")
                        .arg(n)
                        .arg(xml.lineNumber());
            return false;
        }
        target->push_back({});
        if (!ReadBand(xml, target->back(), error)) return false;
    }
    return true;
}

// --- values

struct TRowRef {
    const TReportTable* Table;
    int Row;
};

class TContext {
public:
    explicit TContext(const TReportData& data) : data_(data) {}
    std::vector<TRowRef> Stack;

    // The value of "Table.Field" or "Field" (innermost table first, then the first row of any
    // table that has it). Found false when no table has such a field.
    QString Value(const QString& name, QString& type, bool& found) const {
        found = false;
        QString table, field = name;
        if (name.contains('.')) {
            table = name.section('.', 0, 0);
            field = name.section('.', 1);
        }
        for (auto it = Stack.rbegin(); it != Stack.rend(); ++it) {
            if (!table.isEmpty() && it->Table->Name.compare(table, Qt::CaseInsensitive) != 0) continue;
            if (it->Table->IndexOf(field) < 0) continue;
            found = true;
            type = it->Table->Types.value(field);
            return it->Row >= 0 && it->Row < static_cast<int>(it->Table->Rows.size())
                       ? it->Table->Rows[static_cast<size_t>(it->Row)].value(field)
                       : QString();
        }
        for (const TReportTable& t : data_.Tables()) {
            if (!table.isEmpty() && t.Name.compare(table, Qt::CaseInsensitive) != 0) continue;
            if (t.IndexOf(field) < 0) continue;
            found = true;
            type = t.Types.value(field);
            return t.Rows.empty() ? QString() : t.Rows.front().value(field);
        }
        return {};
    }

private:
    const TReportData& data_;
};

bool Truthy(const QString& value, const QString& type) {
    const QString v = value.trimmed();
    if (v.isEmpty() || v.startsWith(QLatin1String(kZeroDate))) return false;
    if (type == u"xs:boolean") return v == u"1" || v.compare(u"true", Qt::CaseInsensitive) == 0;
    bool numeric = false;
    const double d = v.toDouble(&numeric);
    if (numeric) return d != 0;
    return v.compare(u"false", Qt::CaseInsensitive) != 0;
}

bool Condition(const QString& expression, const TContext& context) {
    if (expression.trimmed().isEmpty()) return true;
    for (const QString& alternative : expression.split('|')) {
        bool all = true;
        for (QString term : alternative.split('&')) {
            term = term.trimmed();
            const bool negate = term.startsWith('!');
            if (negate) term = term.mid(1).trimmed();
            QString type;
            bool found = false;
            const bool value = Truthy(context.Value(term, type, found), type);
            if (value == negate) {
                all = false;
                break;
            }
        }
        if (all) return true;
    }
    return false;
}

QString DateText(const QString& value) {
    if (value.isEmpty() || value.startsWith(QLatin1String(kZeroDate))) return {};
    const QDate date = QDate::fromString(value.left(10), "yyyy-MM-dd");
    return date.isValid() ? date.toString("d.M.yyyy") : value;
}

QString PlainFromRtf(const QString& value) {
    if (!IsRtfText(value)) return value;
    QTextDocument document;
    if (!RtfToDocument(value, document)) return value;
    return document.toPlainText();
}

QString Formatted(const QString& value, const QString& type, const QString& format) {
    if (format.startsWith('n')) {
        const bool hideZero = format.endsWith('z');
        const int decimals = format.mid(1, 1).toInt();
        const double d = Number(value);
        if (hideZero && d == 0) return {};
        return CzechNumber(d, decimals);
    }
    if (format == u"d") return DateText(value);
    if (format == u"rtf") return PlainFromRtf(value).trimmed();
    if (format == u"u") return value.toUpper();
    if (type == u"xs:dateTime") return DateText(value);
    if (type == u"xs:double" || type == u"xs:decimal") {
        // Shown with the decimals it has, in the Czech form.
        QString t = QString::number(Number(value), 'g', 15);
        return t.replace('.', ',');
    }
    if (type == u"xs:string" && IsRtfText(value)) return PlainFromRtf(value).trimmed();
    return value;
}

// "[Field|format]" and "[Table.Field|format]" become values; [PAGE], [PAGES] and [TODAY] are the
// page number, the page count and today's date. An unknown name stays as written.
QString Expand(const QString& text, const TContext& context) {
    QString out;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype open = text.indexOf('[', i);
        if (open < 0) {
            out += text.mid(i);
            break;
        }
        const qsizetype close = text.indexOf(']', open);
        if (close < 0) {
            out += text.mid(i);
            break;
        }
        out += text.mid(i, open - i);
        const QString inner = text.mid(open + 1, close - open - 1);
        const QString name = inner.section('|', 0, 0).trimmed();
        const QString format = inner.section('|', 1).trimmed();
        if (name == u"PAGE") {
            out += kPageMark;
        } else if (name == u"PAGES") {
            out += kPagesMark;
        } else if (name == u"TODAY") {
            out += QDate::currentDate().toString("d.M.yyyy");
        } else {
            QString type;
            bool found = false;
            const QString value = context.Value(name, type, found);
            out += found ? Formatted(value, type, format) : "[" + inner + "]";
        }
        i = close + 1;
    }
    return out;
}

QFont MakeFont(const TLayout& layout, const TLayoutElement& e) {
    QFont font(e.FontFamily.isEmpty() ? layout.FontFamily : e.FontFamily);
    font.setPixelSize(
        std::max(1, static_cast<int>(std::lround((e.FontSize > 0 ? e.FontSize : layout.FontSize) * 10))));
    font.setBold(e.Bold);
    font.setItalic(e.Italic);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

QImage LoadPicture(const TLayout& layout, const TLayoutElement& e, const TContext& context) {
    if (!e.Source.isEmpty()) {
        if (QFileInfo(e.Source).isAbsolute()) return QImage(e.Source);
        // Layouts and their pictures often come from Windows, where "LOGO.PNG" and "logo.png" are
        // one file.
        const QString beside = FindFileCaseInsensitive(layout.Folder, e.Source);
        return QImage(beside.isEmpty() ? layout.Folder + e.Source : beside);
    }
    if (e.Field.isEmpty()) return {};
    QString type;
    bool found = false;
    const QString value = context.Value(e.Field, type, found);
    if (value.isEmpty()) return {};
    if (type == u"xs:base64Binary") return QImage::fromData(QByteArray::fromBase64(value.toLatin1()));
    return QImage(value);
}

class TPager {
public:
    TPager(const TLayout& layout, const TReportData& data) : layout_(layout), data_(data), context_(data) {
        size_ = PageSizeDp(layout);
        double footer = 0;
        for (const TLayoutBand& b : layout.PageFooter) footer += Dp(b.Height);
        bottom_ = size_.height() - Dp(layout.MarginBottom) - footer;
    }

    std::vector<TPage> Run() {
        NewPage();
        for (const TLayoutBand& b : layout_.Title) Emit(b);
        for (const TLayoutData& d : layout_.Data) Walk(d, nullptr, -1);
        for (const TLayoutBand& b : layout_.Summary) Emit(b);
        // Page footers last, at the foot of every page.
        context_.Stack.clear();
        for (TPage& page : pages_) {
            double y = bottom_;
            for (const TLayoutBand& b : layout_.PageFooter) {
                if (!Condition(b.If, context_)) continue;
                Place(page, b, y, Dp(b.Height));
                y += Dp(b.Height);
            }
        }
        return std::move(pages_);
    }

private:
    void NewPage() {
        pages_.emplace_back();
        y_ = Dp(layout_.MarginTop);
        for (const TLayoutBand& b : layout_.PageHeader) {
            if (!Condition(b.If, context_)) continue;
            const double h = Height(b);
            Place(pages_.back(), b, y_, h);
            y_ += h;
        }
        top_ = y_;
    }

    double TextHeight(const TLayoutElement& e, const QString& text) const {
        const QFontMetricsF metrics(MakeFont(layout_, e));
        const QRectF bound = metrics.boundingRect(QRectF(0, 0, Dp(e.Box.width()), 1e7),
                                                  e.Align.toInt() | Qt::TextWordWrap, text);
        return bound.height();
    }

    double Height(const TLayoutBand& band) const {
        double h = Dp(band.Height);
        for (const TLayoutElement& e : band.Elements) {
            if (e.Type != TLayoutElement::Kind::Text || !e.Stretch || !Condition(e.If, context_)) continue;
            const QString text = Expand(e.Text, context_);
            if (text.isEmpty()) continue;
            h = std::max(h, Dp(e.Box.y()) + std::max(Dp(e.Box.height()), TextHeight(e, text)));
        }
        return h;
    }

    void Place(TPage& page, const TLayoutBand& band, double y, double bandHeight) const {
        const double x0 = Dp(layout_.MarginLeft);
        for (const TLayoutElement& e : band.Elements) {
            if (!Condition(e.If, context_)) continue;
            TDrawItem item;
            item.Type = e.Type;
            item.Box = QRectF(x0 + Dp(e.Box.x()), y + Dp(e.Box.y()), Dp(e.Box.width()), Dp(e.Box.height()));
            item.Color = e.Color;
            item.Fill = e.Fill;
            item.BorderColor = e.BorderColor;
            item.LineWidth = Dp(e.LineWidth);
            item.Align = e.Align;
            item.Wrap = e.Wrap;
            switch (e.Type) {
                case TLayoutElement::Kind::Text:
                    item.Text = Expand(e.Text, context_);
                    item.Font = MakeFont(layout_, e);
                    if (e.Stretch)
                        item.Box.setHeight(std::max(item.Box.height(), bandHeight - Dp(e.Box.y())));
                    if (item.Text.isEmpty() && !item.Fill.isValid() && !item.BorderColor.isValid()) continue;
                    break;
                case TLayoutElement::Kind::Image:
                    item.Image = LoadPicture(layout_, e, context_);
                    if (item.Image.isNull()) continue;
                    break;
                default:
                    break;
            }
            page.push_back(std::move(item));
        }
    }

    void Emit(const TLayoutBand& band) {
        if (!Condition(band.If, context_)) return;
        const double h = Height(band);
        if (y_ + h > bottom_ && y_ > top_) NewPage();
        Place(pages_.back(), band, y_, h);
        y_ += h;
    }

    void Walk(const TLayoutData& d, const TReportTable* parent, int parentRow) {
        const TReportTable* table = data_.Table(d.Table);
        if (!table) return;
        QString childField = d.ChildField, parentField = d.ParentField;
        if (parent && childField.isEmpty()) {
            if (const TReportRelation* r = data_.RelationBetween(parent->Name, table->Name)) {
                childField = r->ChildField;
                parentField = r->ParentField;
            }
        }
        std::vector<int> rows;
        const QString key = parent && !parentField.isEmpty() && parentRow >= 0
                                ? parent->Rows[static_cast<size_t>(parentRow)].value(parentField)
                                : QString();
        for (int i = 0; i < static_cast<int>(table->Rows.size()); ++i)
            if (!parent || childField.isEmpty() ||
                table->Rows[static_cast<size_t>(i)].value(childField) == key)
                rows.push_back(i);
        for (const TLayoutBand& b : d.Header) Emit(b);
        for (int row : rows) {
            context_.Stack.push_back({table, row});
            for (const TLayoutBand& b : d.Rows) Emit(b);
            for (const TLayoutData& detail : d.Details) Walk(detail, table, row);
            context_.Stack.pop_back();
        }
        for (const TLayoutBand& b : d.Footer) Emit(b);
    }

    const TLayout& layout_;
    const TReportData& data_;
    TContext context_;
    std::vector<TPage> pages_;
    QSizeF size_;
    double y_ = 0, top_ = 0, bottom_ = 0;
};

}  // namespace

QString CzechNumber(double value, int decimals) {
    const QString plain = QString::number(std::fabs(value), 'f', decimals);
    QString whole = plain.section('.', 0, 0);
    const QString fraction = plain.section('.', 1);
    for (qsizetype i = whole.size() - 3; i > 0; i -= 3) whole.insert(i, ' ');
    QString text = (value < 0 && plain.toDouble() != 0 ? "-" : "") + whole;
    if (decimals > 0) text += "," + fraction;
    return text;
}

bool TLayout::Load(const QString& path, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QString::fromUtf8("Formulářový soubor %1 nelze přečíst: %2").arg(path, file.errorString());
        return false;
    }
    Folder = QFileInfo(path).absolutePath() + "/";
    return LoadText(file.readAll(), error);
}

bool TLayout::LoadText(const QByteArray& text, QString& error) {
    const QString folder = Folder;
    *this = TLayout();
    Folder = folder;
    QXmlStreamReader xml(text);
    if (!xml.readNextStartElement() || xml.name() != u"report") {
        error =
            xml.hasError() ? xml.errorString() : QString::fromUtf8("Formulářový soubor nemá prvek <report>.");
        return false;
    }
    const auto a = xml.attributes();
    const QString page = a.value("page").toString();
    if (page.compare(u"A5", Qt::CaseInsensitive) == 0) PageSize = QPageSize(QPageSize::A5);
    if (page.compare(u"Letter", Qt::CaseInsensitive) == 0) PageSize = QPageSize(QPageSize::Letter);
    Landscape = a.value("orientation") == u"landscape";
    MarginLeft = Mm(a, "margin-left", MarginLeft);
    MarginTop = Mm(a, "margin-top", MarginTop);
    MarginRight = Mm(a, "margin-right", MarginRight);
    MarginBottom = Mm(a, "margin-bottom", MarginBottom);
    if (!a.value("font").isEmpty()) FontFamily = a.value("font").toString();
    FontSize = Mm(a, "size", FontSize);
    while (xml.readNextStartElement()) {
        const QStringView n = xml.name();
        std::vector<TLayoutBand>* bands = n == u"pageheader"   ? &PageHeader
                                          : n == u"title"      ? &Title
                                          : n == u"summary"    ? &Summary
                                          : n == u"pagefooter" ? &PageFooter
                                                               : nullptr;
        if (bands) {
            bands->push_back({});
            if (!ReadBand(xml, bands->back(), error)) return false;
        } else if (n == u"masterdata") {
            Data.push_back({});
            if (!ReadData(xml, Data.back(), error)) return false;
        } else {
            error =
                QString::fromUtf8("Neznámý prvek <%1> v sestavě (řádek %2).").arg(n).arg(xml.lineNumber());
            return false;
        }
    }
    if (xml.hasError()) {
        error = QString::fromUtf8("Formulářový soubor nelze přečíst: %1 (řádek %2).")
                    .arg(xml.errorString())
                    .arg(xml.lineNumber());
        return false;
    }
    return true;
}

QSizeF PageSizeDp(const TLayout& layout) {
    QSizeF mm = layout.PageSize.size(QPageSize::Millimeter);
    if (layout.Landscape) mm.transpose();
    return {Dp(mm.width()), Dp(mm.height())};
}

std::vector<TPage> BuildPages(const TLayout& layout, const TReportData& data) {
    return TPager(layout, data).Run();
}

void PaintPage(QPainter& painter, const TPage& page, int pageNumber, int pageCount) {
    for (const TDrawItem& item : page) {
        switch (item.Type) {
            case TLayoutElement::Kind::Line:
                painter.setPen(QPen(item.Color, item.LineWidth));
                painter.drawLine(item.Box.topLeft(), item.Box.bottomRight());
                break;
            case TLayoutElement::Kind::Rect:
                if (item.Fill.isValid()) painter.fillRect(item.Box, item.Fill);
                painter.setPen(item.BorderColor.isValid() ? QPen(item.BorderColor, item.LineWidth)
                                                          : QPen(Qt::NoPen));
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(item.Box);
                break;
            case TLayoutElement::Kind::Image: {
                const QSizeF fitted = QSizeF(item.Image.size()).scaled(item.Box.size(), Qt::KeepAspectRatio);
                painter.drawImage(QRectF(item.Box.topLeft(), fitted), item.Image);
                break;
            }
            case TLayoutElement::Kind::Text: {
                if (item.Fill.isValid()) painter.fillRect(item.Box, item.Fill);
                if (item.BorderColor.isValid()) {
                    painter.setPen(QPen(item.BorderColor, item.LineWidth));
                    painter.setBrush(Qt::NoBrush);
                    painter.drawRect(item.Box);
                }
                QString text = item.Text;
                text.replace(kPageMark, QString::number(pageNumber));
                text.replace(kPagesMark, QString::number(pageCount));
                painter.setFont(item.Font);
                painter.setPen(item.Color);
                const int flags = item.Align.toInt() | (item.Wrap ? Qt::TextWordWrap : 0);
                painter.drawText(item.Box, flags, text);
                break;
            }
        }
    }
}

bool PaintPages(QPaintDevice& device, const std::vector<TPage>& pages, int from, int to,
                const std::function<bool()>& newPage) {
    QPainter painter;
    if (!painter.begin(&device)) return false;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(device.logicalDpiX() / kDpPerInch, device.logicalDpiY() / kDpPerInch);
    const int count = static_cast<int>(pages.size());
    from = std::max(from, 1);
    to = std::min(to, count);
    for (int i = from; i <= to; ++i) {
        if (i > from && !newPage()) break;
        PaintPage(painter, pages[static_cast<size_t>(i - 1)], i, count);
    }
    return painter.end();
}

bool WritePdf(const TLayout& layout, const std::vector<TPage>& pages, const QString& path, QString& error) {
    QPdfWriter writer(path);
    writer.setPageSize(layout.PageSize);
    writer.setPageOrientation(layout.Landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(static_cast<int>(kDpPerInch));
    writer.setCreator("zelvorn");
    if (!PaintPages(writer, pages, 1, static_cast<int>(pages.size()), [&] { return writer.newPage(); }) ||
        !QFileInfo::exists(path)) {
        error = QString::fromUtf8("Soubor %1 nelze zapsat.").arg(path);
        return false;
    }
    return true;
}

QImage PageImage(const TLayout& layout, const TPage& page, int pageNumber, int pageCount, double dpi) {
    const QSizeF size = PageSizeDp(layout) * (dpi / kDpPerInch);
    QImage image(size.toSize(), QImage::Format_RGB32);
    image.fill(Qt::white);
    const int dotsPerMeter = static_cast<int>(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(dpi / kDpPerInch, dpi / kDpPerInch);
    PaintPage(painter, page, pageNumber, pageCount);
    return image;
}
