#include "XLSAdapter/USheetReport.h"

#include <QMetaObject>

#include "XLSAdapter/UXlsTDataSet.h"
#include "XLSAdapter/XlsMessages.h"
#include "platform/data/DataSet.h"

TSheetReport::TSheetReport(QObject* Owner) : TCustomSheetReport(Owner) {}

QObject* TSheetReport::DataModule() const { return dataModule_ ? dataModule_.data() : parent(); }

void TSheetReport::SetPagesDataSet(QObject* Value) {
    if (Value && !qobject_cast<TDataSetComponent*>(Value) && !dynamic_cast<IXlsDataSet*>(Value))
        XlsError(XlsMessages::ErrNotXlsDataSet, Value->objectName());
    pagesDataSet_ = Value;
}

IXlsDataSetPtr TSheetReport::Wrap(QObject* component) {
    if (auto* link = qobject_cast<TDataSetComponent*>(component)) {
        if (!link->DataSet) return nullptr;
        return std::make_shared<TXlsTDataSet>(
            link->DataSet, link->objectName(),
            [](TSheetReport* report, TDataSet* ds) { return report->RecordCount(ds); }, this);
    }
    // A component that is a report dataset itself lives as long as its owner; the pointer
    // handed out shares nothing, it only refers to it.
    if (auto* ds = dynamic_cast<IXlsDataSet*>(component)) return IXlsDataSetPtr(IXlsDataSetPtr(), ds);
    return nullptr;
}

IXlsDataSetPtr TSheetReport::GetDataSet(const QString& Name) {
    QObject* module = DataModule();
    if (!module || Name.isEmpty()) return nullptr;
    // Component names are matched without regard to case, as the form designer keeps them unique.
    for (QObject* child : module->children())
        if (child->objectName().compare(Name, Qt::CaseInsensitive) == 0) return Wrap(child);
    return nullptr;
}

QMetaProperty TSheetReport::GetPropInfo(const QString& Name) {
    QObject* module = DataModule();
    if (!module) return {};
    const QMetaObject* meta = module->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        QMetaProperty p = meta->property(i);
        if (QString::fromLatin1(p.name()).compare(Name, Qt::CaseInsensitive) == 0) return p;
    }
    return {};
}

QVariant TSheetReport::GetPropValue(const QMetaProperty& PropInfo) {
    QObject* module = DataModule();
    if (!module || !PropInfo.isReadable()) throw std::runtime_error("property not readable");
    return PropInfo.read(module);
}

IXlsDataSetPtr TSheetReport::GetPagesDataSet() { return pagesDataSet_ ? Wrap(pagesDataSet_) : nullptr; }

int TSheetReport::RecordCount(TDataSet* DataSet) {
    if (!DataSet) return 1;
    DataSet->First();
    if (OnRecordCount) {
        int count = 0;
        OnRecordCount(this, DataSet, count);
        return count;
    }
    switch (CalcRecordCount) {
        case TCalcRecordCount::cr_None:
            return DataSet->RecordCount();
        case TCalcRecordCount::cr_Count:
            DataSet->Last();
            DataSet->First();
            return DataSet->RecordCount();
        case TCalcRecordCount::cr_SlowCount: {
            int count = 0;
            for (; !DataSet->Eof(); DataSet->Next()) ++count;
            DataSet->First();
            return count;
        }
    }
    return DataSet->RecordCount();
}
