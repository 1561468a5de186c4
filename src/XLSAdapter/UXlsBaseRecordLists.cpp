#include "XLSAdapter/UXlsBaseRecordLists.h"

void TBaseRecordList::Add(std::unique_ptr<TBaseRecord> record) {
    totalSize_ += SizeOf(record.get());
    items_.push_back(std::move(record));
}

void TBaseRecordList::Insert(int index, std::unique_ptr<TBaseRecord> record) {
    totalSize_ += SizeOf(record.get());
    items_.insert(items_.begin() + index, std::move(record));
}

void TBaseRecordList::Delete(int index) {
    totalSize_ -= SizeOf(items_[size_t(index)].get());
    items_.erase(items_.begin() + index);
}

std::unique_ptr<TBaseRecord> TBaseRecordList::Extract(int index) {
    // The running sum must follow the record out, or every size computed from it (sheet
    // offsets among them) would be wrong afterwards.
    std::unique_ptr<TBaseRecord> record = std::move(items_[size_t(index)]);
    totalSize_ -= SizeOf(record.get());
    items_.erase(items_.begin() + index);
    return record;
}

void TBaseRecordList::SetItem(int index, std::unique_ptr<TBaseRecord> record) {
    totalSize_ -= SizeOf(items_[size_t(index)].get());
    totalSize_ += SizeOf(record.get());
    items_[size_t(index)] = std::move(record);
}

void TBaseRecordList::Clear() {
    items_.clear();
    totalSize_ = 0;
}

void TBaseRecordList::SaveToStream(QIODevice& stream) const {
    for (const auto& r : items_)
        if (r) r->SaveToStream(stream);
}

void TBaseRecordList::CopyFrom(const TBaseRecordList& other) {
    for (const auto& r : other.items_) Add(r ? r->Clone() : nullptr);
}

void TBaseRowColRecordList::ArrangeInsert(int position, int count, const SheetInfo& info) {
    for (int i = 0; i < Count(); ++i)
        if (items_[size_t(i)]) RowCol(i)->ArrangeInsert(position, count, info);
}

void TBaseRowColRecordList::ArrangeCopy(int newRow) {
    for (int i = 0; i < Count(); ++i)
        if (items_[size_t(i)]) RowCol(i)->ArrangeCopy(newRow);
}
