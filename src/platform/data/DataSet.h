#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <compare>
#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/data/ChunkedArray.h"
#include "platform/data/DataSetError.h"
#include "platform/data/Field.h"
#include "platform/data/RecordStore.h"
#include "platform/data/RowSequence.h"
#include "platform/data/SortKeyArena.h"

class TDataSource;
class TFilterExpr;

enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

enum TLocateOption : unsigned { loCaseInsensitive = 1, loPartialKey = 2 };
using TLocateOptions = unsigned;

// A bookmark names a record, not a position. Datasets with an integer ID field use the ID, so a
// bookmark taken before a requery still finds its record afterwards; others use the record's slot
// in the table. Grids keep marks as these strings; an empty one is no bookmark.
using TBookmark = QString;

enum TDataEvent {
    deFieldChange,
    deRecordChange,
    deDataSetChange,
    deDataSetScroll,
    deLayoutChange,
    deUpdateRecord,
    deUpdateState,
};

// The first fifteen bytes of a sort key, zero-padded, as two numbers that order as the bytes
// do, with a lowest byte of 1 below them: two prefixes order as their keys do or are equal, and
// an all-zero prefix stands for "no key" (a NULL, or a record not keyed), which no key gives.
struct TSortKeyPrefix {
    uint64_t High = 0;
    uint64_t Low = 0;
    bool Empty() const { return Low == 0; }
    friend auto operator<=>(const TSortKeyPrefix&, const TSortKeyPrefix&) = default;
};

// One key of a record order: a field, its direction.
struct TSortKey {
    int Field = -1;
    bool Descending = false;
};

// A table of records in memory with a cursor, the edit states, bookmarks, ordering, filtering and
// locating. Queries and memory tables fill it; windows and grids read it through its fields.
//
// Records live in chunked storage, row after row, so a query's snapshot moves in without copying
// a value. The order the cursor walks is a separate list of record numbers: sorting, filtering
// and master/detail ranges rebuild that list and never touch the values; posting and deleting
// change it in place, at a cost that does not grow with the table.
class TDataSet {
public:
    using TDataSetNotifyEvent = std::function<void(TDataSet*)>;

    TDataSet();
    TDataSet(const TDataSet&) = delete;
    TDataSet& operator=(const TDataSet&) = delete;
    virtual ~TDataSet();

    // --- fields
    const TFields& Fields() const { return fields_; }
    int FieldCount() const { return fields_.Count(); }
    TField* FindField(const QString& name) const { return fields_.FindField(name); }
    TField* FieldByName(const QString& name) const { return fields_.FieldByName(name); }
    // Rises whenever fields are added or the field list is replaced: a control that keeps a
    // field pointer checks it before use, since the old fields are gone by then.
    uint64_t FieldsVersion() const { return fieldsVersion_; }

    // --- opening
    bool Active() const { return state_ != dsInactive; }
    void SetActive(bool active);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    TDataSetState State() const { return state_; }

    // --- cursor
    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    // Moves up to distance records and answers how far it really went (negative backwards).
    // Running into an end stops there and raises Eof or Bof.
    int MoveBy(int distance);
    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }
    // 1-based position of the current record; 0 for an empty or closed dataset.
    int RecNo() const;
    void SetRecNo(int recNo);
    int RecordCount() const { return static_cast<int>(view_.size()); }
    bool IsEmpty() const { return view_.empty(); }

    // --- editing
    void Append();
    void Insert();
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    // Leaves edit or insert state: posts a modified record, cancels an untouched one.
    void CheckBrowseMode();
    bool Modified() const { return modified_; }
    bool CanModify() const { return !readOnly_; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }

    // --- bookmarks
    TBookmark GetBookmark() const;
    void GotoBookmark(const TBookmark& bookmark);
    bool BookmarkValid(const TBookmark& bookmark) const;
    // Order of two bookmarks in the current record order: -1, 0, 1. An empty or stale bookmark
    // comes before every valid one.
    int CompareBookmarks(const TBookmark& a, const TBookmark& b) const;
    void FreeBookmark(TBookmark&) const {}

    // --- searching
    // fields: names separated by ";"; values: one value, or a QVariantList with one per field.
    // Texts match exactly unless loCaseInsensitive (then as the database compares them:
    // case-insensitive, accent-sensitive) and loPartialKey lets a text value be a prefix.
    bool Locate(const QString& fields, const QVariant& values, TLocateOptions options = 0);

    // --- ordering and filtering
    // "Field", "A;B", "A ASC, B DESC": texts in Czech order (case-insensitive), NULLs first.
    const QString& Sort() const { return sort_; }
    void SetSort(const QString& sort);
    const QString& Filter() const { return filter_; }
    // The text is read at once: a text that cannot be read raises EFilterError and leaves the
    // previous filter in place.
    void SetFilter(const QString& filter);
    bool Filtered() const { return filtered_; }
    // Switching on binds the filter to the fields; an unknown field raises EFilterError and
    // leaves filtering off.
    void SetFiltered(bool filtered);
    std::function<void(TDataSet*, bool& accept)> OnFilterRecord;

    // --- controls
    // Nested: the controls hear nothing until the outermost EnableControls, which then tells
    // them once that the data changed (if anything happened meanwhile).
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return disableCount_ > 0; }
    // Tells every control to re-read the data (after a change made behind the cursor's back).
    void Resync() { DataEvent(deDataSetChange, 0); }

    // --- events
    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeScroll, AfterScroll;
    TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete, OnNewRecord;

    // --- for fields, data links and the data layer
    const QVariant& FieldValue(int field) const;
    void SetFieldValue(int field, const QVariant& value);
    // The record (view position) fields read while a grid paints another row; -1 for the cursor.
    void SetDisplayPosition(int position);
    int DisplayPosition() const { return displayPos_; }
    // Which position in the current order holds a bookmark's record; -1 when none.
    int BookmarkPosition(const TBookmark& bookmark) const;
    // The records in cursor order and their stored values, for copying between datasets.
    const TRowSequence& View() const { return view_; }
    const QVariant& RecordValue(uint32_t row, int field) const { return Cell(row, field); }

protected:
    // Subclasses build fields and records here; Open has already cleared the old records.
    virtual void InternalOpen() = 0;
    virtual void InternalClose() {}
    // Master/detail ranges and the like: records outside are hidden like filtered ones.
    virtual bool RecordInRange(uint32_t) const { return true; }
    // Called before a new record gets its OnNewRecord: a detail table fills its link fields here.
    virtual void InitNewRecord() {}
    // After InternalOpen, once the fields exist and before the first view is built.
    virtual void AfterInternalOpen() {}
    // The order a freshly opened dataset shows.
    virtual std::vector<TSortKey> OpenOrder();

    // Replaces the fields; the old fields are destroyed unless the new ones match them by name
    // and type, in which case they are kept with their display settings.
    void SetFields(const std::vector<TFieldDef>& defs);
    TField* AddField(const QString& name, TFieldType type, int size, bool required = false);
    void ClearFieldsAndRecords();

    // Record storage.
    void ClearRecords();
    uint32_t AppendRecordValues();  // a record of NULLs, last in the natural order
    void TakeRecords(TRecordStore&& cells);
    QVariant& Cell(uint32_t row, int field) { return cells_.At(row, field); }
    const QVariant& Cell(uint32_t row, int field) const { return cells_.At(row, field); }
    uint32_t CurrentRow() const { return view_[static_cast<size_t>(cur_)]; }
    // The first position in the current order whose record does not satisfy `before` (the view
    // must be ordered so that all records satisfying it come first).
    size_t ViewPartitionPoint(const std::function<bool(uint32_t row)>& before) const {
        return view_.PartitionPoint(before);
    }
    // The sort key of a text field of the current order for a record, made when the order was
    // built or the record posted; null for other fields.
    const QByteArray* OrderTextKey(size_t orderKey, uint32_t row) const;
    static TSortKeyPrefix SortKeyPrefix(QByteArrayView key);
    // Compares a record's prepared key of a text field of the current order with a key made
    // for a search (and its prefix): -1, 0, 1; false when either key is missing.
    bool CompareOrderTextKey(size_t orderKey, uint32_t row, const QByteArray& key,
                             const TSortKeyPrefix& prefix, int& result) const;

    // The ordering subclasses install (memory-table indexes); empty for the natural order.
    void SetOrder(std::vector<TSortKey> keys);
    const std::vector<TSortKey>& Order() const { return order_; }
    std::vector<TSortKey> ParseOrder(const QString& text) const;
    // Field lists ("Nazev;ICO") as index, lookup and master/detail links name them.
    static QStringList SplitFieldNames(const QString& names);
    // Rebuilds the visible list and keeps the cursor on its record where that is still visible.
    void RebuildView();
    // After the records (and perhaps the fields) were replaced while open: binds the order and
    // the filter to the fields again and shows the new records from the first one.
    void ReorderAfterReload();
    int CompareRows(uint32_t a, uint32_t b) const;
    int CompareOrderKey(size_t k, uint32_t a, uint32_t b) const;
    int CompareValues(const QVariant& a, const QVariant& b, TFieldType type) const;

    void DataEvent(TDataEvent event, intptr_t info);
    void FirePositionChange(int oldPos);
    void SetCursor(int position);
    static void Fire(const TDataSetNotifyEvent& event, TDataSet* self) {
        if (event) event(self);
    }

private:
    friend class TDataSource;
    friend class TField;

    bool Accept(uint32_t row) const;
    void CheckActive() const;
    void CheckFilterBinding();
    void BeginNewRecord(bool append);
    int PositionOfRow(uint32_t row) const;
    bool FindRowOfBookmark(const TBookmark& bookmark, uint32_t& row) const;
    int IdFieldIndex() const;
    void InvalidateIdIndex() { idIndexBuilt_ = false; }
    bool LookupId(qint64 id, uint32_t& row) const;
    void PlaceInView(uint32_t row, bool wasInView, int anchor);
    void BuildOrderKeys(const std::vector<uint32_t>& rows);
    void UpdateOrderKeys(uint32_t row);
    void SetOrderKey(size_t k, uint32_t row, QByteArrayView key);
    void CompactOrderKeys();
    bool StaysInPlace(uint32_t row) const;
    void NoteIdChange(uint32_t row, bool edited, const QVariant& oldId);
    void SweepDeleted();
    bool MatchesLocate(uint32_t row, const std::vector<int>& fields, const QVariantList& values,
                       TLocateOptions options) const;

    TFields fields_;
    uint64_t fieldsVersion_ = 1;
    int stride_ = 0;
    TRecordStore cells_;
    std::vector<uint8_t> live_;  // per record slot: 0 once deleted
    uint32_t deadHolding_ = 0;   // deleted records whose values are not freed yet
    TRowSequence base_;          // records in natural order; deleted ones until the next sweep
    TRowSequence view_;          // records the cursor walks, in order
    // Per key of the current order that is a text field: every record's sort key, so that
    // ordering, indexed posts and key searches compare bytes instead of folding texts each time.
    std::vector<TChunkedArray<QByteArray>> orderKeys_;
    // Beside each key its first bytes, side by side in one array: most comparisons are decided
    // there, without following a pointer per record into memory spread over the whole table.
    std::vector<TChunkedArray<TSortKeyPrefix>> orderPrefixes_;
    TSortKeyArena keyArena_;  // the bytes of orderKeys_

    TDataSetState state_ = dsInactive;
    int cur_ = 0;
    bool eof_ = true;
    bool bof_ = true;
    int displayPos_ = -1;
    int32_t readRow_ = -1;  // record fields read while the filter event looks at it

    std::vector<QVariant> editBuf_;
    bool modified_ = false;
    bool readOnly_ = false;

    QString sort_;
    std::vector<TSortKey> order_;
    QString filter_;
    bool filtered_ = false;
    std::unique_ptr<TFilterExpr> filterExpr_;

    int disableCount_ = 0;
    bool pendingChange_ = false;
    std::vector<TDataSource*> sources_;

    // IdFieldIndex of the fields of this version: every post asks for it.
    mutable uint64_t idFieldVersion_ = 0;
    mutable int idField_ = -1;
    mutable std::unordered_map<qint64, uint32_t> idIndex_;
    mutable bool idIndexBuilt_ = false;
    mutable bool idIndexUnique_ = true;
};
