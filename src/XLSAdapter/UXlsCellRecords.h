#pragma once

#include <algorithm>

#include "XLSAdapter/UXlsBaseRecords.h"

// The RK form of a number, when it has one that gives back exactly the same number.
bool EncodeRK(double value, quint32& rk);
double DecodeRK(quint32 rk);
// The value of a BOOLERR cell: a boolean, or the text of an error code.
QVariant BoolErrValue(quint8 value, bool isError);

class TBlankRecord : public TCellRecord {
    XLS_CLONEABLE(TBlankRecord)
    TBlankRecord(quint16 id, QByteArray data);
    TBlankRecord(quint16 row, quint16 column, quint16 xf);
};

class TNumberRecord : public TCellRecord {
    XLS_CLONEABLE(TNumberRecord)
    TNumberRecord(quint16 id, QByteArray data);
    TNumberRecord(quint16 row, quint16 column, quint16 xf);
    QVariant GetValue() const override;
    void SetValue(const QVariant& value) override;
};

class TRKRecord : public TCellRecord {
    XLS_CLONEABLE(TRKRecord)
    TRKRecord(quint16 id, QByteArray data);
    TRKRecord(quint16 row, quint16 column, quint16 xf);
    QVariant GetValue() const override;
    void SetValue(const QVariant& value) override;
};

class TBoolErrRecord : public TCellRecord {
    XLS_CLONEABLE(TBoolErrRecord)
    TBoolErrRecord(quint16 id, QByteArray data);
    TBoolErrRecord(quint16 row, quint16 column, quint16 xf);
    QVariant GetValue() const override;
    void SetValue(const QVariant& value) override;
};

// MULRK and MULBLANK: several cells of one row, split into single cells when loaded.
class TMultipleValueRecord : public TBaseRecord {
public:
    TMultipleValueRecord(quint16 id, QByteArray data);
    quint16 Row() const { return GetWord(Data, 0); }
    quint16 FirstColumn() const { return GetWord(Data, 2); }
    virtual int CellCount() const = 0;
    virtual quint16 CellXF(int i) const = 0;
};

class TMulRKRecord : public TMultipleValueRecord {
    XLS_CLONEABLE(TMulRKRecord)
    using TMultipleValueRecord::TMultipleValueRecord;
    // Row, first column, 6 bytes a cell, last column: a cell counts when it starts before the
    // last 6 bytes, as it always did.
    int CellCount() const override { return std::max(0, (DataSize() - 5) / 6); }
    quint16 CellXF(int i) const override { return GetWord(Data, 4 + 6 * i); }
    quint32 CellRK(int i) const { return GetLongWord(Data, 6 + 6 * i); }
};

class TMulBlankRecord : public TMultipleValueRecord {
    XLS_CLONEABLE(TMulBlankRecord)
    using TMultipleValueRecord::TMultipleValueRecord;
    int CellCount() const override { return std::max(0, (DataSize() - 5) / 2); }
    quint16 CellXF(int i) const override { return GetWord(Data, 4 + 2 * i); }
};

class TRowRecord : public TBaseRowColRecord {
    XLS_CLONEABLE(TRowRecord)
    TRowRecord(quint16 id, QByteArray data);
    explicit TRowRecord(quint16 row);
    enum : quint16 { roCustomHeight = 0x40, roFormatted = 0x80, roAlwaysSet = 0x100 };

    quint16 MinCol() const { return GetWord(Data, 2); }
    quint16 MaxCol() const { return GetWord(Data, 4); }
    void SetMinCol(quint16 column) { SetWord(Data, 2, column); }
    void SetMaxCol(quint16 column) { SetWord(Data, 4, column); }
    quint16 Height() const { return GetWord(Data, 6); }
    void SetHeight(quint16 height);
    quint16 Options() const { return GetWord(Data, 12); }
    bool IsFormatted() const { return Options() & roFormatted; }
    quint16 XF() const { return IsFormatted() ? GetWord(Data, 14) & 0x0FFF : 0; }
    void SetXF(quint16 xf);
};
