#include "core/AdoQuery2MemTableBuilder.h"

bool TAdoQuery2MemTableBuilder::Build(TDataSet& query, const QString& tableName) {
    query_ = &query;
    tableName_ = tableName;
    table_ = std::make_unique<TMemTable>();
    const int count = query.FieldCount();
    for (int i = 0; i < count; ++i) {
        const TField* field = query.Fields()[i];
        // The stream that keeps the snapshot knows one text type; the query's wide texts are it.
        const TFieldType type = field->DataType() == ftWideString ? ftString : field->DataType();
        table_->FieldDefs().Add(field->FieldName(), type, field->Size(), false);
    }
    table_->CreateTable();
    if (query.IsEmpty()) return true;
    for (query.First(); !query.Eof(); query.Next()) {
        table_->Append();
        for (int i = 0; i < count; ++i) {
            const TField* source = query.Fields()[i];
            // Values go over as they are stored, NULLs staying NULL.
            table_->FieldByName(source->FieldName())->SetAsVariant(source->AsVariant());
        }
        table_->Post();
    }
    return true;
}
