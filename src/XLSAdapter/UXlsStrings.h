#pragma once

#include <QByteArray>
#include <QString>

#include "XLSAdapter/UXlsBaseRecords.h"

// A BIFF8 unicode string: count, option byte, optional rich-text runs and far-east data, and the
// characters as bytes or as 16-bit units. Runs and far-east data are carried unchanged.
class TExcelString {
public:
    enum : quint8 { fWide = 0x01, fFarEast = 0x04, fRich = 0x08 };

    // Reads the string at `position` of a record chain; record and position end after it.
    TExcelString(int strLenLength, const TBaseRecord*& record, int& position);
    // A plain string from text; 16-bit only when some character needs it.
    TExcelString(int strLenLength, const QString& text);

    int StrLenLength = 2;
    quint16 StrLen = 0;
    quint8 OptionFlags = 0;
    quint16 NumberRichTextFormats = 0;
    quint32 FarEastDataSize = 0;
    QByteArray ShortData;
    QString WideData;
    QByteArray RichTextFormats;
    QByteArray FarEastData;

    // Count width, then options, then characters (8-bit ordinally, 16-bit by length then units);
    // runs and far-east data play no part.
    int Compare(const TExcelString& other) const;
    qint64 TotalSize() const;
    void SaveToStream(QIODevice& stream) const;
    void CopyToBuffer(QByteArray& buffer, int position) const;
    QString Value() const;
    // The whole string as it is stored.
    QByteArray Bytes() const;
};

// The byte size of a string starting at `position` of a payload (the count is read there unless
// one is given). A string running past the payload raises "Error reading record".
int GetStrLen(bool twoByteCount, const QByteArray& data, int position, bool useGivenCount,
              quint16 givenCount);
