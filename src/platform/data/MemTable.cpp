#include "platform/data/MemTable.h"

#include <algorithm>

#include "platform/data/DataText.h"

class TMemTable::TMasterLink : public TDataLink {
public:
    explicit TMasterLink(TMemTable* owner) : owner_(owner) {}

protected:
    void ActiveChanged() override { owner_->MasterChanged(); }
    void DataSetChanged() override { owner_->MasterChanged(); }
    void DataSetScrolled(int) override { owner_->MasterChanged(); }
    void RecordChanged(TField*) override {}

private:
    TMemTable* owner_;
};

TMemTable::TMemTable() : masterLink_(std::make_unique<TMasterLink>(this)) {}

TMemTable::~TMemTable() { masterLink_->SetDataSource(nullptr); }

void TMemTable::InternalOpen() {
    if (FieldCount() == 0) {
        std::vector<TFieldDef> defs;
        for (int i = 0; i < fieldDefs_.Count(); ++i) defs.push_back(fieldDefs_[i]);
        SetFields(defs);
    }
    detailIndexes_.clear();
    for (const QString& name : SplitFieldNames(detailFields_))
        detailIndexes_.push_back(FieldByName(name)->Index());
    rangeReady_ = masterEmpty_ = false;
    rangeValues_.clear();
}

void TMemTable::AfterInternalOpen() { ComputeRange(); }

void TMemTable::CreateTable() {
    Close();
    std::vector<TFieldDef> defs;
    for (int i = 0; i < fieldDefs_.Count(); ++i) defs.push_back(fieldDefs_[i]);
    ClearFieldsAndRecords();
    SetFields(defs);
    Open();
}

void TMemTable::EmptyTable() {
    if (!Active()) return;
    Cancel();
    ClearRecords();
    RebuildView();
    DataEvent(deDataSetChange, 0);
}

void TMemTable::LoadFromDataSet(TDataSet* source, bool copyStructure) {
    if (copyStructure) {
        Close();
        fieldDefs_.Clear();
        for (int i = 0; i < source->FieldCount(); ++i) {
            const TField* f = source->Fields()[i];
            fieldDefs_.Add(f->FieldName(), f->DataType(), f->Size(), f->Required());
        }
        CreateTable();
        for (int i = 0; i < source->FieldCount(); ++i) {
            const TField* from = source->Fields()[i];
            TField* to = Fields()[i];
            to->SetDisplayLabel(from->DisplayLabel());
            to->SetDisplayWidth(from->DisplayWidth());
            to->SetDisplayFormat(from->DisplayFormat());
            to->SetVisible(from->Visible());
            to->SetAlignment(from->Alignment());
        }
    } else if (!Active()) {
        Open();
    }
    CheckBrowseMode();
    std::vector<int> map;  // this table's field -> source field
    for (int i = 0; i < FieldCount(); ++i) {
        const TField* f = source->FindField(Fields()[i]->FieldName());
        map.push_back(f ? f->Index() : -1);
    }
    if (!source->Active()) return;
    source->DisableControls();
    DisableControls();
    const TBookmark mark = source->GetBookmark();
    const int recNo = source->RecNo();
    try {
        // Straight into storage: posting row by row would re-place every record.
        for (uint32_t srcRow : source->View()) {
            const uint32_t row = AppendRecordValues();
            for (int i = 0; i < FieldCount(); ++i)
                if (map[static_cast<size_t>(i)] >= 0)
                    Cell(row, i) = TField::Normalize(Fields()[i]->DataType(),
                                                     source->RecordValue(srcRow, map[static_cast<size_t>(i)]),
                                                     Fields()[i]->FieldName());
        }
    } catch (...) {
        RebuildView();
        EnableControls();
        source->EnableControls();
        throw;
    }
    RebuildView();
    First();
    if (source->BookmarkValid(mark))
        source->GotoBookmark(mark);
    else if (recNo > 0)
        source->SetRecNo(recNo);
    EnableControls();
    source->EnableControls();
}

// --- indexes

void TMemTable::AddIndex(const QString& name, const QString& fields, TMemIndexOptions options) {
    DeleteIndex(name);
    indexDefs_.push_back(TMemIndexDef{name, fields, name, options});
}

void TMemTable::DeleteIndex(const QString& name) {
    std::erase_if(indexDefs_,
                  [&](const TMemIndexDef& d) { return d.Name.compare(name, Qt::CaseInsensitive) == 0; });
}

void TMemTable::SetIndexName(const QString& name) {
    if (!name.isEmpty() && std::none_of(indexDefs_.begin(), indexDefs_.end(), [&](const TMemIndexDef& d) {
            return d.Name.compare(name, Qt::CaseInsensitive) == 0;
        }))
        throw EDataSetError(QStringLiteral("Index '%1' nebyl nalezen.").arg(name));
    indexName_ = name;
    indexFieldNames_.clear();
    ApplyIndex();
}

void TMemTable::SetIndexFieldNames(const QString& fields) {
    indexFieldNames_ = fields;
    indexName_.clear();
    ApplyIndex();
}

void TMemTable::SetIndexesActive(bool active) {
    indexesActive_ = active;
    ApplyIndex();
}

std::vector<TSortKey> TMemTable::OpenOrder() {
    if (indexName_.isEmpty() && indexFieldNames_.isEmpty()) return TDataSet::OpenOrder();
    return IndexOrder();
}

void TMemTable::ApplyIndex() {
    if (!Active()) return;
    CheckBrowseMode();
    SetOrder(IndexOrder());
}

std::vector<TSortKey> TMemTable::IndexOrder() const {
    std::vector<TSortKey> keys;
    if (indexesActive_) {
        if (!indexName_.isEmpty()) {
            for (const TMemIndexDef& d : indexDefs_) {
                if (d.Name.compare(indexName_, Qt::CaseInsensitive) != 0) continue;
                keys = ParseOrder(d.Fields);
                for (TSortKey& k : keys) k.Descending = (d.Options & ixDescending) != 0;
            }
        } else {
            keys = ParseOrder(indexFieldNames_);
        }
    }
    return keys;
}

QVariantList TMemTable::NormalizeKey(const QVariantList& values) const {
    if (static_cast<size_t>(values.size()) > Order().size())
        throw EDataSetError(QStringLiteral("Klíč má víc hodnot, než má index polí."));
    QVariantList out;
    for (int i = 0; i < values.size(); ++i) {
        const TField* f = Fields()[Order()[static_cast<size_t>(i)].Field];
        out << TField::Normalize(f->DataType(), values[i], f->FieldName());
    }
    return out;
}

int TMemTable::CompareKey(uint32_t row, const QVariantList& values,
                          const std::vector<TSearchKey>& textKeys) const {
    for (int i = 0; i < values.size(); ++i) {
        const TSortKey& key = Order()[static_cast<size_t>(i)];
        int c = 0;
        // The record's key was made with the order, the searched one once per search: most steps
        // of a search are decided by the keys' prefixes without reading the record.
        const auto k = static_cast<size_t>(i);
        if (!CompareOrderTextKey(k, row, textKeys[k].Key, textKeys[k].Prefix, c))
            c = CompareValues(Cell(row, key.Field), values[i], Fields()[key.Field]->DataType());
        if (c != 0) return key.Descending ? -c : c;
    }
    return 0;
}

std::vector<TMemTable::TSearchKey> TMemTable::SearchTextKeys(const QVariantList& key) const {
    std::vector<TSearchKey> textKeys(static_cast<size_t>(key.size()));
    for (int i = 0; i < key.size(); ++i)
        if (Fields()[Order()[static_cast<size_t>(i)].Field]->IsText() && key[i].isValid()) {
            TSearchKey& k = textKeys[static_cast<size_t>(i)];
            k.Key = DataSortKey(key[i].toString());
            k.Prefix = SortKeyPrefix(k.Key);
        }
    return textKeys;
}

// Where the first record not below the key stands in the current order.
size_t TMemTable::SeekKey(const QVariantList& key, const std::vector<TSearchKey>& textKeys) const {
    return ViewPartitionPoint([&](uint32_t row) { return CompareKey(row, key, textKeys) < 0; });
}

bool TMemTable::FindKey(const QVariantList& values) {
    CheckBrowseMode();
    if (Order().empty()) throw EDataSetError(QStringLiteral("Tabulka nemá nastavený index."));
    const QVariantList key = NormalizeKey(values);
    const std::vector<TSearchKey> textKeys = SearchTextKeys(key);
    const size_t pos = SeekKey(key, textKeys);
    if (pos >= View().size()) return false;
    if (CompareKey(View()[pos], key, textKeys) != 0) return false;
    SetRecNo(static_cast<int>(pos) + 1);
    return true;
}

void TMemTable::FindNearest(const QVariantList& values) {
    CheckBrowseMode();
    if (Order().empty()) throw EDataSetError(QStringLiteral("Tabulka nemá nastavený index."));
    if (IsEmpty()) return;
    const QVariantList key = NormalizeKey(values);
    const size_t pos = SeekKey(key, SearchTextKeys(key));
    SetRecNo(pos >= View().size() ? RecordCount() : static_cast<int>(pos) + 1);
}

// --- master/detail

TDataSource* TMemTable::MasterSource() const { return masterLink_->DataSource(); }

void TMemTable::SetMasterSource(TDataSource* source) {
    masterLink_->SetDataSource(source);
    MasterChanged();
}

void TMemTable::SetMasterFields(const QString& fields) {
    masterFields_ = fields;
    MasterChanged();
}

void TMemTable::SetDetailFields(const QString& fields) {
    detailFields_ = fields;
    detailIndexes_.clear();
    if (Active())
        for (const QString& name : SplitFieldNames(detailFields_))
            detailIndexes_.push_back(FieldByName(name)->Index());
    MasterChanged();
}

bool TMemTable::LinkReady() const {
    return masterLink_->Active() && !masterFields_.isEmpty() &&
           SplitFieldNames(masterFields_).size() == SplitFieldNames(detailFields_).size();
}

bool TMemTable::ComputeRange() {
    const bool ready = Active() && LinkReady();
    TDataSet* master = masterLink_->DataSet();
    const bool empty = ready && master->IsEmpty();
    QVariantList values;
    if (ready && !empty) {
        const QStringList names = SplitFieldNames(masterFields_);
        for (size_t i = 0; i < detailIndexes_.size(); ++i) {
            const TField* f = Fields()[detailIndexes_[i]];
            values << TField::Normalize(
                f->DataType(), master->FieldByName(names[static_cast<int>(i)])->Value(), f->FieldName());
        }
    }
    if (ready == rangeReady_ && empty == masterEmpty_ && values == rangeValues_) return false;
    rangeReady_ = ready;
    masterEmpty_ = empty;
    rangeValues_ = values;
    return true;
}

void TMemTable::MasterChanged() {
    if (!Active() || !ComputeRange()) return;
    CheckBrowseMode();
    RebuildView();
    First();
    DataEvent(deDataSetChange, 0);
}

bool TMemTable::RecordInRange(uint32_t row) const {
    if (!rangeReady_) return true;
    if (masterEmpty_) return false;
    for (size_t i = 0; i < detailIndexes_.size(); ++i) {
        const QVariant& want = rangeValues_[static_cast<int>(i)];
        // A master key that is NULL has no details.
        if (!want.isValid()) return false;
        const TField* f = Fields()[detailIndexes_[i]];
        if (CompareValues(Cell(row, detailIndexes_[i]), want, f->DataType()) != 0) return false;
    }
    return true;
}

void TMemTable::InitNewRecord() {
    // A new detail record belongs to the master's current record.
    if (!LinkReady() || masterLink_->DataSet()->IsEmpty()) return;
    TDataSet* master = masterLink_->DataSet();
    const QStringList names = SplitFieldNames(masterFields_);
    for (size_t i = 0; i < detailIndexes_.size() && static_cast<int>(i) < names.size(); ++i)
        Fields()[detailIndexes_[i]]->SetValue(master->FieldByName(names[static_cast<int>(i)])->Value());
}
