#pragma once

#include "XLSAdapter/UXlsBaseRecordLists.h"

class TXFRecord : public TBaseRecord {
    XLS_CLONEABLE(TXFRecord)
    TXFRecord(quint16 id, QByteArray data);

    quint16 FontIndex() const { return GetWord(Data, 0); }
    quint16 FormatIndex() const { return GetWord(Data, 2); }
    bool Locked() const { return GetWord(Data, 4) & 0x1; }
    bool Hidden() const { return GetWord(Data, 4) & 0x2; }
    quint16 Parent() const { return GetWord(Data, 4) & 0xFFF0; }
    int HAlignment() const { return quint8(Data[6]) & 0x7; }
    bool WrapText() const { return quint8(Data[6]) & 0x8; }
    int VAlignment() const { return (GetWord(Data, 6) >> 4) & 0x7; }
    int Indent() const { return quint8(Data[8]) & 0xF; }
    bool ShrinkToFit() const { return quint8(Data[8]) & 0x10; }

    int BorderLeft() const { return quint8(Data[10]) & 0xF; }
    int BorderRight() const { return quint8(Data[10]) >> 4; }
    int BorderTop() const { return quint8(Data[11]) & 0xF; }
    int BorderBottom() const { return quint8(Data[11]) >> 4; }
    int BorderDiagonal() const { return (GetLongWord(Data, 14) >> 21) & 0xF; }
    // Border colours count from colour index 7, pattern colours from 8.
    int BorderLeftColor() const { return (GetWord(Data, 12) & 0x7F) - 7; }
    int BorderRightColor() const { return ((GetWord(Data, 12) >> 7) & 0x7F) - 7; }
    int BorderTopColor() const { return (GetWord(Data, 14) & 0x7F) - 7; }
    int BorderBottomColor() const { return ((GetWord(Data, 14) >> 7) & 0x7F) - 7; }
    int BorderDiagonalColor() const { return ((GetLongWord(Data, 14) >> 14) & 0x7F) - 7; }
    // 0 none, 1 down, 2 up, 3 both.
    int DiagonalKind() const { return GetLongWord(Data, 10) >> 30; }
    int FillPattern() const { return GetLongWord(Data, 14) >> 26; }
    int PatternForeColor() const { return (GetWord(Data, 18) & 0x7F) - 8; }
    int PatternBackColor() const { return ((GetWord(Data, 18) >> 7) & 0x7F) - 8; }
};

class TFontRecord : public TBaseRecord {
    XLS_CLONEABLE(TFontRecord)
    TFontRecord(quint16 id, QByteArray data);
    enum TFontStyle { fsBold = 1, fsItalic = 2, fsStrikeOut = 4, fsSuperscript = 8, fsSubscript = 16 };
    enum TUnderline { fuNone, fuSingle, fuDouble, fuSingleAccounting, fuDoubleAccounting };

    quint16 Height() const { return GetWord(Data, 0); }
    int ColorIndex() const { return GetWord(Data, 4) - 8; }
    QString Name() const;
    int Style() const;
    TUnderline Underline() const;
};

class TFormatRecord : public TBaseRecord {
    XLS_CLONEABLE(TFormatRecord)
    TFormatRecord(quint16 id, QByteArray data);
    quint16 FormatIndex() const { return GetWord(Data, 0); }
    QString FormatString() const;
};

XLS_PLAIN_RECORD(TStyleRecord, TBaseRecord)

class TXFRecordList : public TBaseRecordList {
public:
    TXFRecord* XF(int i) const { return static_cast<TXFRecord*>((*this)[i]); }
};

class TFontRecordList : public TBaseRecordList {
public:
    TFontRecord* Font(int i) const { return static_cast<TFontRecord*>((*this)[i]); }
};

// FORMAT records by format index, sorted on the first search.
class TFormatRecordList : public TBaseRecordList {
public:
    TFormatRecord* Format(int i) const { return static_cast<TFormatRecord*>((*this)[i]); }
    bool Find(int formatIndex, int& index);
    // The workbook's own format string for the index, else the built-in one.
    QString FormatString(int formatIndex);

private:
    bool sorted_ = false;
    int sortedCount_ = 0;
};

// The format strings every workbook knows without a FORMAT record; empty for any other index.
QString BuiltInFormat(int formatIndex);
