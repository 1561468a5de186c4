#pragma once

#include <memory>
#include <vector>

#include "XLSAdapter/UXlsBaseRecords.h"

class TColInfoRecord : public TBaseRecord {
    XLS_CLONEABLE(TColInfoRecord)
    TColInfoRecord(quint16 id, QByteArray data);
};

struct TColInfo {
    quint16 Column = 0;
    quint16 Width = 0;  // 1/256 of a character
    quint16 XF = 0;
    quint16 Options = 0;
};

// One entry per column with a format, sorted by column on the first search.
class TColInfoList {
public:
    int Count() const { return int(items_.size()); }
    TColInfo& operator[](int i) const { return *items_[size_t(i)]; }

    // One entry for every column of the record's range; the record itself is freed.
    void AddRecord(std::unique_ptr<TColInfoRecord> record);
    bool Find(int column, int& index);
    void Insert(int index, const TColInfo& info);
    void CopyFrom(const TColInfoList& other);
    void Clear() { items_.clear(); }
    // Adjacent columns with equal width, XF and options become one COLINFO.
    void SaveToStream(QIODevice& stream);
    qint64 TotalSize();

private:
    std::vector<std::unique_ptr<TColInfo>> items_;
    bool sorted_ = false;
    void Sort();
    // First and last index of every run written as one record.
    std::vector<std::pair<int, int>> Runs();
};
