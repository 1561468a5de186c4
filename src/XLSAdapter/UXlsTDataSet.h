#pragma once

// The platform's datasets seen through the report's dataset interfaces. The wrappers own nothing:
// the datasets belong to the forms that show or print them.

#include <functional>

#include "XLSAdapter/UXlsDB.h"

class TDataSet;
class TField;
class TSheetReport;

namespace XlsMessages {
inline constexpr const char* ErrCantFindDataSet = "Can\u00B4t find the dataset %1";
inline constexpr const char* ErrNilField = "Nil field";
}  // namespace XlsMessages

// How a report counts the records of a plain dataset.
using TXlsRecordCountFunc = std::function<int(TSheetReport* Report, TDataSet* DataSet)>;

class TXlsTDataSet : public IXlsDataSet, public std::enable_shared_from_this<TXlsTDataSet> {
public:
    // A missing dataset fails with "Can't find the dataset" (and no name).
    TXlsTDataSet(TDataSet* DataSet, const QString& Name, TXlsRecordCountFunc RecordCountFunc,
                 TSheetReport* Report);

    IXlsFieldPtr GetField(int Index) override;
    bool GetActive() override;
    void Open() override;
    void Close() override;
    int RecordCount() override;
    void First() override;
    void Next() override;
    void Last() override;
    bool Eof() override;
    QString DataSetName() override { return Name; }
    IXlsFieldPtr FieldByName(const QString& Name) override;
    int FieldCount() override;

    TDataSet* DataSet;
    QString Name;
    TXlsRecordCountFunc RecordCountFunc;
    TSheetReport* Report;
};

class TXlsTField : public IXlsField {
public:
    // A missing field fails with "Nil field".
    TXlsTField(TField* Field, IXlsDataSetPtr DataSet);

    QVariant Value() override;
    IXlsDataSetPtr DataSet() override { return DataSet_; }
    bool IsDateTime() override;
    bool IsMemo() override;
    double AsFloat() override;
    QString DisplayName() override;

    TField* Field;

private:
    IXlsDataSetPtr DataSet_;
};
