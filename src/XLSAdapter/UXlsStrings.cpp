#include "XLSAdapter/UXlsStrings.h"

#include <QIODevice>

#include "XLSAdapter/XlsMessages.h"

namespace {

// Reads the characters, which may go on in the next CONTINUE records. A continuation after the
// first character starts with an option byte of its own: the rest may be 16-bit although the
// start was 8-bit (the whole string then becomes 16-bit) or the other way round.
QString ReadStr(const TBaseRecord*& record, int& position, quint8& options, int count) {
    QString text;
    text.reserve(std::min(count, 65535));
    bool segmentWide = options & TExcelString::fWide;
    while (text.size() < count) {
        if (position > record->DataSize()) XlsError(XlsMessages::ErrReadingRecord);
        if (position == record->DataSize()) {
            const TBaseRecord* next = record->Continue.get();
            if (!next) XlsError(XlsMessages::ErrReadingRecord);
            if (text.isEmpty()) {
                position = 0;
            } else {
                if (next->DataSize() < 1) XlsError(XlsMessages::ErrReadingRecord);
                segmentWide = quint8(next->Data[0]) & TExcelString::fWide;
                if (segmentWide) options |= TExcelString::fWide;
                position = 1;
            }
            record = next;
            continue;
        }
        int unit = segmentWide ? 2 : 1;
        int n = std::min(count - int(text.size()), (record->DataSize() - position) / unit);
        // Half of a 16-bit character at the end of a record is not a string.
        if (n == 0) XlsError(XlsMessages::ErrReadingRecord);
        const char* p = record->Data.constData() + position;
        for (int i = 0; i < n; ++i)
            text.append(segmentWide ? QChar(quint16(quint8(p[2 * i]) | (quint8(p[2 * i + 1]) << 8)))
                                    : QChar(quint8(p[i])));
        position += n * unit;
    }
    return text;
}

}  // namespace

TExcelString::TExcelString(int strLenLength, const TBaseRecord*& record, int& position)
    : StrLenLength(strLenLength) {
    QByteArray buf;
    ReadMem(record, position, strLenLength, &buf);
    StrLen = strLenLength == 1 ? quint8(buf[0]) : GetWord(buf, 0);
    buf.clear();
    ReadMem(record, position, 1, &buf);
    OptionFlags = quint8(buf[0]);
    if (OptionFlags & fRich) {
        buf.clear();
        ReadMem(record, position, 2, &buf);
        NumberRichTextFormats = GetWord(buf, 0);
    }
    if (OptionFlags & fFarEast) {
        buf.clear();
        ReadMem(record, position, 4, &buf);
        FarEastDataSize = GetLongWord(buf, 0);
    }
    QString text = ReadStr(record, position, OptionFlags, StrLen);
    if (OptionFlags & fWide)
        WideData = text;
    else
        ShortData = WideToAnsi(text);
    if (OptionFlags & fRich) ReadMem(record, position, 4 * NumberRichTextFormats, &RichTextFormats);
    // The size comes from the file; ReadMem only grows the buffer by what the records hold.
    if (OptionFlags & fFarEast) {
        if (FarEastDataSize > 0x7FFFFFF0u) XlsError(XlsMessages::ErrReadingRecord);
        ReadMem(record, position, int(FarEastDataSize), &FarEastData);
    }
}

TExcelString::TExcelString(int strLenLength, const QString& text) : StrLenLength(strLenLength) {
    if ((strLenLength == 1 && text.size() > 255) || text.size() > 0xFFFF)
        XlsError(XlsMessages::ErrInvalidStringRecord);
    StrLen = quint16(text.size());
    if (IsWide(text)) {
        OptionFlags = fWide;
        WideData = text;
    } else {
        ShortData = WideToAnsi(text);
    }
}

int TExcelString::Compare(const TExcelString& other) const {
    if (StrLenLength != other.StrLenLength) return StrLenLength < other.StrLenLength ? -1 : 1;
    if (OptionFlags != other.OptionFlags) return OptionFlags < other.OptionFlags ? -1 : 1;
    if (OptionFlags & fWide) {
        if (WideData.size() != other.WideData.size()) return WideData.size() < other.WideData.size() ? -1 : 1;
        for (int i = 0; i < WideData.size(); ++i)
            if (WideData[i] != other.WideData[i]) return WideData[i] < other.WideData[i] ? -1 : 1;
        return 0;
    }
    int c = ShortData.compare(other.ShortData);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

qint64 TExcelString::TotalSize() const {
    qint64 size = StrLenLength + 1 + qint64(StrLen) * ((OptionFlags & fWide) ? 2 : 1);
    if (OptionFlags & fRich) size += 2 + 4 * qint64(NumberRichTextFormats);
    if (OptionFlags & fFarEast) size += 4 + qint64(FarEastDataSize);
    return size;
}

QByteArray TExcelString::Bytes() const {
    if (StrLenLength != 1 && StrLenLength != 2) XlsError(XlsMessages::ErrStrLenLength);
    QByteArray out(StrLenLength + 1, '\0');
    if (StrLenLength == 1)
        out[0] = char(StrLen);
    else
        SetWord(out, 0, StrLen);
    out[StrLenLength] = char(OptionFlags);
    if (OptionFlags & fRich) {
        out.append(2, '\0');
        SetWord(out, out.size() - 2, NumberRichTextFormats);
    }
    if (OptionFlags & fFarEast) {
        out.append(4, '\0');
        SetLongWord(out, out.size() - 4, FarEastDataSize);
    }
    if (OptionFlags & fWide) {
        for (QChar c : WideData) {
            out.append(char(c.unicode() & 0xFF));
            out.append(char(c.unicode() >> 8));
        }
    } else {
        out.append(ShortData);
    }
    if (OptionFlags & fRich) out.append(RichTextFormats);
    if (OptionFlags & fFarEast) out.append(FarEastData);
    return out;
}

void TExcelString::SaveToStream(QIODevice& stream) const {
    QByteArray bytes = Bytes();
    WriteBytes(stream, bytes.constData(), bytes.size());
}

void TExcelString::CopyToBuffer(QByteArray& buffer, int position) const {
    QByteArray bytes = Bytes();
    Q_ASSERT(position + bytes.size() <= buffer.size());
    std::copy(bytes.begin(), bytes.end(), buffer.begin() + position);
}

QString TExcelString::Value() const { return (OptionFlags & fWide) ? WideData : AnsiToWide(ShortData); }

int GetStrLen(bool twoByteCount, const QByteArray& data, int position, bool useGivenCount,
              quint16 givenCount) {
    auto need = [&](qint64 end) {
        if (position < 0 || end > data.size()) XlsError(XlsMessages::ErrReadingRecord);
    };
    qint64 p = position;
    quint16 count = givenCount;
    if (!useGivenCount) {
        need(p + (twoByteCount ? 2 : 1));
        count = twoByteCount ? GetWord(data, int(p)) : quint8(data[int(p)]);
        p += twoByteCount ? 2 : 1;
    }
    need(p + 1);
    quint8 options = quint8(data[int(p)]);
    p += 1;
    qint64 tail = 0;
    if (options & TExcelString::fRich) {
        need(p + 2);
        tail += 4 * qint64(GetWord(data, int(p)));
        p += 2;
    }
    if (options & TExcelString::fFarEast) {
        need(p + 4);
        tail += GetLongWord(data, int(p));
        p += 4;
    }
    p += qint64(count) * ((options & TExcelString::fWide) ? 2 : 1) + tail;
    need(p);
    return int(p - position);
}
