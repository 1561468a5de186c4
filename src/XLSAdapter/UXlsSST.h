#pragma once

#include <deque>
#include <memory>
#include <unordered_set>
#include <utility>
#include <vector>

#include "XLSAdapter/UXlsBaseRecords.h"
#include "XLSAdapter/UXlsStrings.h"

class TSSTRecord : public TBaseRecord {
    XLS_CLONEABLE(TSSTRecord)
    TSSTRecord(quint16 id, QByteArray data);
    quint32 UniqueCount() const { return GetLongWord(Data, 4); }
};

struct TSSTEntry {
    explicit TSSTEntry(TExcelString str) : Str(std::move(str)) {}
    TExcelString Str;
    int Refs = 0;
    quint32 AbsStreamPos = 0;
    quint16 RecordStreamPos = 0;
    int PosInTable = 0;
};

// The shared string table: one entry per distinct text, counted by the text cells that use it.
// Entries are found through a hash of their text, so adding a text costs the same however large
// the table is; a new entry waits at the end and takes its sorted place the next time the table
// is read by index or written (a report adds tens of thousands of texts one cell at a time).
class TSST {
public:
    int Count() const { return int(entries_.size()); }
    TSSTEntry& operator[](int i) const {
        PlaceNewEntries();
        return *entries_[size_t(i)];
    }

    void LoadFromRecord(const TSSTRecord& record);
    void Sort();
    // The index of the entry for `text`, which gains one reference (made when missing).
    int AddString(const QString& text);
    // The same, giving the entry itself: no index has to be computed, so the table stays unsorted
    // until it is next read by index or written.
    TSSTEntry& AddEntry(const QString& text);
    // Drops entries no cell refers to any more.
    void FixRefs();
    // SST with its CONTINUE records, then a new EXTSST. `streamOffset` is where the stream's
    // position 0 lies in the workbook stream (for the offsets EXTSST records).
    void SaveToStream(QIODevice& stream, qint64 streamOffset = 0);
    qint64 TotalSize() const;

private:
    struct TTextHash {
        size_t operator()(const TSSTEntry* e) const;
    };
    struct TSameText {
        bool operator()(const TSSTEntry* a, const TSSTEntry* b) const { return a->Str.Compare(b->Str) == 0; }
    };
    // The entries themselves, which never move (text cells point at them). One block holds many:
    // a table of tens of thousands of texts is not tens of thousands of allocations. An entry no
    // cell refers to any more leaves the table but keeps its place here until the table goes.
    std::deque<TSSTEntry> pool_;
    // The 8-bit characters of the loaded texts, which their strings view instead of owning.
    std::vector<std::unique_ptr<char[]>> chars_;
    int charsUsed_ = 0;
    // Entries before `placed_` stand where they belong (in file order while a workbook loads, in
    // string order once sorted); the rest were added since, in the order they came.
    mutable std::vector<TSSTEntry*> entries_;
    mutable size_t placed_ = 0;
    // The first entry of each text, in table order: equal texts in a loaded table keep their
    // first entry as the one new cells share, as a binary search over the sorted table finds.
    // Built when a text is first added: a workbook that is only read never needs it.
    std::unordered_set<TSSTEntry*, TTextHash, TSameText> byText_;
    bool indexed_ = false;

    void PlaceNewEntries() const;
    void RebuildTextIndex();
    QByteArray KeepChars(const QByteArray& chars);
    template <typename Sink>
    void Layout(Sink& sink) const;
};

// A text cell pointing at its SST entry, whose index it writes at save time.
class TLabelSSTRecord : public TCellRecord {
public:
    TLabelSSTRecord(quint16 id, QByteArray data);
    TLabelSSTRecord(quint16 row, TSST* sst, quint16 xf, quint16 column);
    // A text cell of `entry`, taking over one reference the caller holds.
    TLabelSSTRecord(quint16 row, TSST* sst, quint16 xf, quint16 column, TSSTEntry* entry);
    ~TLabelSSTRecord() override;

    // Links a loaded cell to its entry; an index beyond the table means the file is invalid.
    void AttachToSST(TSST* sst);
    TSSTEntry* SSTEntry() const { return entry_; }
    // Hands the cell's reference to its entry over to the caller; the cell is left without one.
    TSSTEntry* ReleaseEntry() { return std::exchange(entry_, nullptr); }

    QVariant GetValue() const override;
    void SetValue(const QVariant& value) override;
    std::unique_ptr<TBaseRecord> Clone() const override;
    void SaveToStream(QIODevice& stream) const override;

private:
    TSST* sst_ = nullptr;
    TSSTEntry* entry_ = nullptr;
};

// The text a value turns into when it is stored as a string.
QString VariantToText(const QVariant& value);
