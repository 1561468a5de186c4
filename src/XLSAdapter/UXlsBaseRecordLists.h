#pragma once

#include <memory>
#include <vector>

#include "XLSAdapter/UXlsBaseRecords.h"

// An owning list of records that keeps the byte size of what it would write as a running sum.
// Slots may be empty (the ROW list has one for every row without a ROW record).
class TBaseRecordList {
public:
    virtual ~TBaseRecordList() = default;
    int Count() const { return int(items_.size()); }
    TBaseRecord* operator[](int i) const { return items_[size_t(i)].get(); }
    qint64 TotalSize() const { return totalSize_; }

    void Add(std::unique_ptr<TBaseRecord> record);
    void Insert(int index, std::unique_ptr<TBaseRecord> record);
    // Frees the record at `index` and removes its slot.
    void Delete(int index);
    // Takes a record out without freeing it; its size leaves the sum with it.
    std::unique_ptr<TBaseRecord> Extract(int index);
    // Puts a record into an existing slot, freeing what was there.
    void SetItem(int index, std::unique_ptr<TBaseRecord> record);
    void Clear();
    // A caller that changed a record's length in place corrects the sum.
    void AdjustTotalSize(qint64 delta) { totalSize_ += delta; }

    void SaveToStream(QIODevice& stream) const;
    void CopyFrom(const TBaseRecordList& other);

protected:
    std::vector<std::unique_ptr<TBaseRecord>> items_;
    qint64 totalSize_ = 0;
    static qint64 SizeOf(const TBaseRecord* r) { return r ? r->TotalSize() : 0; }
};

class TBaseRowColRecordList : public TBaseRecordList {
public:
    TBaseRowColRecord* RowCol(int i) const {
        return static_cast<TBaseRowColRecord*>(items_[size_t(i)].get());
    }
    void ArrangeInsert(int position, int count, const SheetInfo& info);
    void ArrangeCopy(int newRow);
};
