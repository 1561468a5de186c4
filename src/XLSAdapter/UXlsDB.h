#pragma once

// What the report engine needs of a record source, and nothing more, so that any source can fill
// a template. Both interfaces are shared: a field keeps its dataset alive.

#include <QString>
#include <QVariant>
#include <memory>

class IXlsField;

class IXlsDataSet {
public:
    virtual ~IXlsDataSet() = default;
    // The field at a 0-based position of the field list.
    virtual std::shared_ptr<IXlsField> GetField(int Index) = 0;
    virtual bool GetActive() = 0;
    virtual void Open() = 0;
    virtual void Close() = 0;
    virtual int RecordCount() = 0;
    virtual void First() = 0;
    virtual void Next() = 0;
    virtual void Last() = 0;
    // Past the last record.
    virtual bool Eof() = 0;
    virtual QString DataSetName() = 0;
    virtual std::shared_ptr<IXlsField> FieldByName(const QString& Name) = 0;
    virtual int FieldCount() = 0;
};

class IXlsField {
public:
    virtual ~IXlsField() = default;
    // The current record's value; a null field gives an invalid variant.
    virtual QVariant Value() = 0;
    virtual std::shared_ptr<IXlsDataSet> DataSet() = 0;
    // A date, a time or both.
    virtual bool IsDateTime() = 0;
    virtual bool IsMemo() = 0;
    // A date-time as days since 30 December 1899, the time as the fraction.
    virtual double AsFloat() = 0;
    // The display label, or the name when there is none.
    virtual QString DisplayName() = 0;
};

using IXlsDataSetPtr = std::shared_ptr<IXlsDataSet>;
using IXlsFieldPtr = std::shared_ptr<IXlsField>;
