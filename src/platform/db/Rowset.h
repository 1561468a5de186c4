#pragma once

#include <QString>
#include <QVariant>
#include <vector>

#include "platform/data/FieldType.h"

// What a connection hands a query when it opens: the columns and every row, read at once
// (the client-side static cursor that queries work on).
//
// Values: NULL is an invalid QVariant; integers qint64; Yes/No bool; Float, Money and Decimal
// double; Date-time double (the OLE date as stored); text QString; binary QByteArray.
struct TRowsetColumn {
    QString Name;
    TFieldType DataType = ftUnknown;
    int Size = 0;  // characters for text columns, 0 otherwise
};

struct TRowset {
    std::vector<TRowsetColumn> Columns;
    std::vector<QVariant> Values;  // row after row, Columns.size() values each

    size_t RowCount() const { return Columns.empty() ? 0 : Values.size() / Columns.size(); }
    const QVariant& Value(size_t row, size_t column) const { return Values[row * Columns.size() + column]; }
};
