#include "XLSAdapter/UXlsCellRecords.h"

#include <QIODevice>
#include <bit>
#include <cmath>

#include "XLSAdapter/XlsMessages.h"
#include "platform/data/VariantType.h"

namespace {

QByteArray CellData(int size, quint16 row, quint16 column, quint16 xf) {
    QByteArray data(size, '\0');
    SetWord(data, 0, row);
    SetWord(data, 2, column);
    SetWord(data, 4, xf);
    return data;
}

struct TErrorCode {
    quint8 Code;
    const char* Text;
};
const TErrorCode kErrorCodes[] = {{0x00, "#NULL!"}, {0x07, "#DIV/0!"}, {0x0F, "#VALUE!"}, {0x17, "#REF!"},
                                  {0x1D, "#NAME?"}, {0x24, "#NUM!"},   {0x2A, "#N/A"}};

}  // namespace

double DecodeRK(quint32 rk) {
    double value;
    if (rk & 0x2) {
        value = double(qint32(rk) >> 2);
    } else {
        value = std::bit_cast<double>(quint64(rk & 0xFFFFFFFCu) << 32);
    }
    return (rk & 0x1) ? value / 100 : value;
}

bool EncodeRK(double value, quint32& rk) {
    for (quint32 flag : {0u, 1u}) {
        double v = flag ? value * 100 : value;
        quint64 bits = std::bit_cast<quint64>(v);
        quint32 candidate;
        if ((bits & 0xFFFFFFFFu) == 0 && ((bits >> 32) & 0x3) == 0) {
            candidate = quint32(bits >> 32) | flag;
        } else if (std::floor(v) == v && v >= -536870912.0 && v <= 536870911.0) {
            candidate = (quint32(qint32(v)) << 2) | 0x2 | flag;
        } else {
            continue;
        }
        // Multiplying by 100 may round; only a form that reads back as the very same number may
        // stand for it, or the saved cell would hold a slightly different value.
        if (std::bit_cast<quint64>(DecodeRK(candidate)) == std::bit_cast<quint64>(value)) {
            rk = candidate;
            return true;
        }
    }
    return false;
}

TBlankRecord::TBlankRecord(quint16 id, QByteArray data) : TCellRecord(id, std::move(data)) {}

TBlankRecord::TBlankRecord(quint16 row, quint16 column, quint16 xf)
    : TCellRecord(0x0201, CellData(6, row, column, xf)) {}

TNumberRecord::TNumberRecord(quint16 id, QByteArray data) : TCellRecord(id, std::move(data)) {
    CheckSize(14);
}

TNumberRecord::TNumberRecord(quint16 row, quint16 column, quint16 xf)
    : TCellRecord(0x0203, CellData(14, row, column, xf)) {}

QVariant TNumberRecord::GetValue() const {
    quint64 bits = quint64(GetLongWord(Data, 6)) | (quint64(GetLongWord(Data, 10)) << 32);
    return std::bit_cast<double>(bits);
}

void TNumberRecord::SetValue(const QVariant& value) {
    quint64 bits = std::bit_cast<quint64>(value.toDouble());
    SetLongWord(Data, 6, quint32(bits));
    SetLongWord(Data, 10, quint32(bits >> 32));
}

TRKRecord::TRKRecord(quint16 id, QByteArray data) : TCellRecord(id, std::move(data)) { CheckSize(10); }

TRKRecord::TRKRecord(quint16 row, quint16 column, quint16 xf)
    : TCellRecord(0x027E, CellData(10, row, column, xf)) {}

QVariant TRKRecord::GetValue() const { return DecodeRK(GetLongWord(Data, 6)); }

void TRKRecord::SetValue(const QVariant& value) {
    quint32 rk;
    bool ok = IsNumberVariant(value);
    if (!ok) value.toDouble(&ok);
    if (!ok || !EncodeRK(value.toDouble(), rk)) XlsError(XlsMessages::ErrInvalidCellValue, value.toString());
    SetLongWord(Data, 6, rk);
}

TBoolErrRecord::TBoolErrRecord(quint16 id, QByteArray data) : TCellRecord(id, std::move(data)) {
    CheckSize(8);
}

TBoolErrRecord::TBoolErrRecord(quint16 row, quint16 column, quint16 xf)
    : TCellRecord(0x0205, CellData(8, row, column, xf)) {}

QVariant BoolErrValue(quint8 value, bool isError) {
    if (!isError) return value != 0;
    for (const auto& e : kErrorCodes)
        if (e.Code == value) return QString::fromLatin1(e.Text);
    return QString::fromLatin1(kErrorCodes[0].Text);
}

QVariant TBoolErrRecord::GetValue() const { return BoolErrValue(quint8(Data[6]), Data[7] != 0); }

void TBoolErrRecord::SetValue(const QVariant& value) {
    if (value.typeId() == QMetaType::Bool) {
        Data[6] = value.toBool() ? 1 : 0;
        Data[7] = 0;
        return;
    }
    if (value.typeId() == QMetaType::QString) {
        for (const auto& e : kErrorCodes) {
            if (value.toString() == QLatin1String(e.Text)) {
                Data[6] = char(e.Code);
                Data[7] = 1;
                return;
            }
        }
        XlsError(XlsMessages::ErrInvalidErrorCode, value.toString());
    }
    XlsError(XlsMessages::ErrInvalidCellValue, value.toString());
}

TMultipleValueRecord::TMultipleValueRecord(quint16 id, QByteArray data) : TBaseRecord(id, std::move(data)) {
    CheckSize(4);
}

TRowRecord::TRowRecord(quint16 id, QByteArray data) : TBaseRowColRecord(id, std::move(data)) {
    CheckSize(16);
    // The reserved word is cleared; a payload borrowed from the loaded stream is copied only
    // when it holds something to clear (seldom), not once for every row of a large sheet.
    if (GetWord(Data, 8) != 0) SetWord(Data, 8, 0);
}

TRowRecord::TRowRecord(quint16 row) : TBaseRowColRecord(0x0208, QByteArray(16, '\0')) {
    SetRow(row);
    SetWord(Data, 6, 255);
}

void TRowRecord::SetHeight(quint16 height) {
    SetWord(Data, 6, height);
    SetWord(Data, 12, Options() | roCustomHeight);
}

void TRowRecord::SetXF(quint16 xf) {
    SetWord(Data, 12, Options() | roFormatted | roAlwaysSet);
    SetWord(Data, 14, xf);
}
