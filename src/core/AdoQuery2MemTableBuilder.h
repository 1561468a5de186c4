#pragma once

#include <QString>
#include <memory>

#include "platform/data/MemTable.h"

// Copies an open query, its structure and every row, into a memory table that outlives the
// query: the snapshots the action history keeps of a saved record. It never moves the data
// anywhere but into the new table.
class TAdoQuery2MemTableBuilder {
public:
    TAdoQuery2MemTableBuilder() = default;

    // Builds a new table named tableName from the open query. True when done; errors of the
    // data layer propagate as exceptions. A table from an earlier Build not taken is dropped.
    bool Build(TDataSet& query, const QString& tableName);

    // The built table; the caller owns it from here on.
    std::unique_ptr<TMemTable> TakeTable() { return std::move(table_); }
    const QString& TableName() const { return tableName_; }

private:
    std::unique_ptr<TMemTable> table_;
    TDataSet* query_ = nullptr;
    QString tableName_;
};
