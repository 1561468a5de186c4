#pragma once

#include <QString>
#include <QVariant>
#include <vector>

#include "platform/data/FieldType.h"
#include "platform/data/RecordStore.h"

// What a connection hands a query when it opens: the columns and every row, read at once
// (the client-side static cursor that queries work on).
//
// Values: NULL is an invalid QVariant; integers qint64; Yes/No bool; Float, Money and Decimal
// double; Date-time double (the OLE date as stored); text QString; binary QByteArray.
struct TRowsetColumn {
    QString Name;
    TFieldType DataType = ftUnknown;
    int Size = 0;           // characters for text columns, 0 otherwise
    QString DisplayFormat;  // what the program shows the column's values with, empty for the plain text
};

struct TRowset {
    std::vector<TRowsetColumn> Columns;
    TRecordStore Values;  // Columns.size() values a row

    size_t RowCount() const { return Values.Count(); }
    const QVariant& Value(size_t row, size_t column) const {
        return Values.At(static_cast<uint32_t>(row), static_cast<int>(column));
    }
};
