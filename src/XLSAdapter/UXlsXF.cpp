#include "XLSAdapter/UXlsXF.h"

#include <algorithm>

#include "XLSAdapter/UXlsStrings.h"

TXFRecord::TXFRecord(quint16 id, QByteArray data) : TBaseRecord(id, std::move(data)) { CheckSize(20); }

TFontRecord::TFontRecord(quint16 id, QByteArray data) : TBaseRecord(id, std::move(data)) { CheckSize(14); }

QString TFontRecord::Name() const {
    const TBaseRecord* r = this;
    int pos = 14;
    return TExcelString(1, r, pos).Value();
}

int TFontRecord::Style() const {
    int style = 0;
    if (GetWord(Data, 6) == 700) style |= fsBold;
    if (GetWord(Data, 2) & 0x2) style |= fsItalic;
    if (GetWord(Data, 2) & 0x8) style |= fsStrikeOut;
    if (GetWord(Data, 8) == 1) style |= fsSuperscript;
    if (GetWord(Data, 8) == 2) style |= fsSubscript;
    return style;
}

TFontRecord::TUnderline TFontRecord::Underline() const {
    switch (quint8(Data[10])) {
        case 0x01:
            return fuSingle;
        case 0x02:
            return fuDouble;
        case 0x21:
            return fuSingleAccounting;
        case 0x22:
            return fuDoubleAccounting;
        default:
            return fuNone;
    }
}

TFormatRecord::TFormatRecord(quint16 id, QByteArray data) : TBaseRecord(id, std::move(data)) { CheckSize(2); }

QString TFormatRecord::FormatString() const {
    const TBaseRecord* r = this;
    int pos = 2;
    return TExcelString(2, r, pos).Value();
}

bool TFormatRecordList::Find(int formatIndex, int& index) {
    if (!sorted_ || sortedCount_ != Count()) {
        std::stable_sort(items_.begin(), items_.end(), [](const auto& a, const auto& b) {
            return static_cast<TFormatRecord*>(a.get())->FormatIndex() <
                   static_cast<TFormatRecord*>(b.get())->FormatIndex();
        });
        sorted_ = true;
        sortedCount_ = Count();
    }
    auto it = std::lower_bound(items_.begin(), items_.end(), formatIndex, [](const auto& r, int i) {
        return static_cast<TFormatRecord*>(r.get())->FormatIndex() < i;
    });
    index = int(it - items_.begin());
    return it != items_.end() && static_cast<TFormatRecord*>(it->get())->FormatIndex() == formatIndex;
}

QString TFormatRecordList::FormatString(int formatIndex) {
    int index;
    if (Find(formatIndex, index)) return Format(index)->FormatString();
    return BuiltInFormat(formatIndex);
}

QString BuiltInFormat(int formatIndex) {
    static const struct {
        int Index;
        const char* Format;
    } kFormats[] = {
        {1, "0"},
        {2, "0.00"},
        {3, "#,##0"},
        {4, "#,##0.00"},
        {9, "0%"},
        {10, "0.00%"},
        {11, "0.00E+00"},
        {12, "?/?"},
        {13,
         "# ?"
         "?/?"
         "?"},
        {14, "DD.MM.YY"},
        {15, "DD. MMM YY"},
        {16, "DD. MMM"},
        {17, "MMM YY"},
        {18, "h:mm AM/PM"},
        {19, "h:mm:ss AM/PM"},
        {20, "hh:mm"},
        {21, "hh:mm:ss"},
        {22, "DD.MM.YYYY hh:mm"},
        {37, "\"#,##0 _$;-#,##0 _$\""},
        {38, "\"#,##0 _$;[Red]-#,##0 _$\""},
        {39, "\"#,##0.00 _$;-#,##0.00 _$\""},
        {40, "\"#,##0.00 _$;[Red]-#,##0.00 _$\""},
        {45, "\"mm:ss\""},
        {46, "[h]:mm:ss"},
        {47, "mm:ss,0"},
        {48, "\"##0.0E+0\""},
        {49, "@"},
    };
    for (const auto& f : kFormats)
        if (f.Index == formatIndex) return QString::fromLatin1(f.Format);
    return {};
}
