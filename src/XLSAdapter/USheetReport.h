#pragma once

// The report engine with its data found by name: datasets and values are the components and
// published properties of a data module (by default the report's owner), so a form that prints
// names its tables and properties and the template refers to them.

#include <QPointer>

#include "XLSAdapter/UCustomSheetReport.h"

class TDataSet;

namespace XlsMessages {
inline constexpr const char* ErrNotXlsDataSet = "Component \"%1\" does not supports interface IXlsDataSet";
}

// A platform dataset named among a form's components, so that a report can find it by name.
class TDataSetComponent : public QObject {
    Q_OBJECT
public:
    TDataSetComponent(QObject* Owner, const QString& Name, TDataSet* DataSet)
        : QObject(Owner), DataSet(DataSet) {
        setObjectName(Name);
    }
    TDataSet* DataSet;
};

enum class TCalcRecordCount { cr_None, cr_Count, cr_SlowCount };

using TRecordCountEvent = std::function<void(QObject* Sender, TDataSet* DataSet, int& RecordCount)>;

class TSheetReport : public TCustomSheetReport {
    Q_OBJECT
public:
    explicit TSheetReport(QObject* Owner = nullptr);

    QObject* DataModule() const;
    // None (or the module going away) means the owner again.
    void SetDataModule(QObject* Value) { dataModule_ = Value; }
    QObject* PagesDataSet() const { return pagesDataSet_; }
    // Accepts a dataset component or a component that is a report dataset itself.
    void SetPagesDataSet(QObject* Value);

    TCalcRecordCount CalcRecordCount = TCalcRecordCount::cr_Count;
    TRecordCountEvent OnRecordCount;

    // The record count of a plain dataset, left on its first record.
    int RecordCount(TDataSet* DataSet);

    // Fills the template into a stream instead of FileName.
    void GenerateReportToStream(QIODevice& Out) { Run(&Out); }

protected:
    IXlsDataSetPtr GetDataSet(const QString& Name) override;
    QMetaProperty GetPropInfo(const QString& Name) override;
    QVariant GetPropValue(const QMetaProperty& PropInfo) override;
    IXlsDataSetPtr GetPagesDataSet() override;
    QObject* GetDataModule() override { return DataModule(); }

private:
    QPointer<QObject> dataModule_;
    QPointer<QObject> pagesDataSet_;
    IXlsDataSetPtr Wrap(QObject* component);
};
