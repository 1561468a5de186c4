#include "XLSAdapter/UXlsTDataSet.h"

#include "XLSAdapter/XlsMessages.h"
#include "platform/data/DataSet.h"

TXlsTDataSet::TXlsTDataSet(TDataSet* DataSet, const QString& Name, TXlsRecordCountFunc RecordCountFunc,
                           TSheetReport* Report)
    : DataSet(DataSet), Name(Name), RecordCountFunc(std::move(RecordCountFunc)), Report(Report) {
    if (!DataSet) XlsError(XlsMessages::ErrCantFindDataSet, QString());
}

IXlsFieldPtr TXlsTDataSet::GetField(int Index) {
    return std::make_shared<TXlsTField>(DataSet->Fields()[Index], shared_from_this());
}

IXlsFieldPtr TXlsTDataSet::FieldByName(const QString& Name) {
    return std::make_shared<TXlsTField>(DataSet->FieldByName(Name), shared_from_this());
}

bool TXlsTDataSet::GetActive() { return DataSet->Active(); }
void TXlsTDataSet::Open() { DataSet->Open(); }
void TXlsTDataSet::Close() { DataSet->Close(); }
void TXlsTDataSet::First() { DataSet->First(); }
void TXlsTDataSet::Next() { DataSet->Next(); }
void TXlsTDataSet::Last() { DataSet->Last(); }
bool TXlsTDataSet::Eof() { return DataSet->Eof(); }
int TXlsTDataSet::FieldCount() { return DataSet->FieldCount(); }

int TXlsTDataSet::RecordCount() {
    return RecordCountFunc ? RecordCountFunc(Report, DataSet) : DataSet->RecordCount();
}

TXlsTField::TXlsTField(TField* Field, IXlsDataSetPtr DataSet) : Field(Field), DataSet_(std::move(DataSet)) {
    if (!Field) XlsError(XlsMessages::ErrNilField);
}

QVariant TXlsTField::Value() { return Field->Value(); }
bool TXlsTField::IsDateTime() { return IsDateType(Field->DataType()); }
bool TXlsTField::IsMemo() { return Field->DataType() == ftMemo; }
double TXlsTField::AsFloat() { return Field->AsFloat(); }
QString TXlsTField::DisplayName() { return Field->DisplayLabel(); }
