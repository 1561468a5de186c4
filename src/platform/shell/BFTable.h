#pragma once

// A table of the accounting program's data files, read through that program's own database
// server. The server is a product of its own that does not run on this platform, so the program
// only ever talks to this interface: CreateBFTable answers whether a server can be had at all.
// Nothing here knows what the tables hold or what the program makes of them.

#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

// The answers of the server that callers rely on.
inline constexpr int kBFOk = 0;         // Open, SetIndex: done
inline constexpr int kBFEndPassed = 1;  // Next: the walk has gone past the last record
inline constexpr int kBFFound = 7;      // Find: positioned on the first matching record

class TBFTable {
public:
    virtual ~TBFTable() = default;
    // Opens a data file given by its full path without the extension ".dat"; kBFOk when opened,
    // any other value when not.
    virtual int Open(const QString& fileName) = 0;
    virtual void Close() = 0;
    // Sets the order of the walk and of Find by an index expression ("Sklad+Cislo"); kBFOk when set.
    virtual int SetIndex(const QString& expression) = 0;
    virtual int RecordCount() = 0;
    virtual void First() = 0;
    // kBFEndPassed when the walk has gone past the last record.
    virtual int Next() = 0;
    // Finds by the leading fields of the index: one value, or a QVariantList of two. kBFFound
    // when a record matches; the table then stands on the first one.
    virtual int Find(const QVariant& key) = 0;
    // The current record's field by its name: text, a number or a date number.
    virtual QVariant Value(const QString& field) = 0;
};

// A table object connected to the server (a running one or a new one); null when no server can
// be had on this computer. Tests put a fake server here.
extern std::function<std::unique_ptr<TBFTable>()> CreateBFTable;
