#include "platform/data/DataSet.h"

#include <algorithm>
#include <numeric>

#include "platform/data/DataSource.h"
#include "platform/data/DataText.h"
#include "platform/data/FilterExpr.h"

namespace {

const QVariant kNull;

}  // namespace

TDataSet::TDataSet() = default;

TDataSet::~TDataSet() {
    // The links hear that their data is gone, so that no control keeps reading it.
    const std::vector<TDataSource*> sources = sources_;
    for (TDataSource* source : sources) source->SetDataSet(nullptr);
}

QStringList TDataSet::SplitFieldNames(const QString& names) {
    QStringList out;
    for (const QString& part : names.split(u';')) {
        const QString name = part.trimmed();
        if (!name.isEmpty()) out << name;
    }
    return out;
}

// --- fields

TField* TDataSet::AddField(const QString& name, TFieldType type, int size, bool required) {
    auto field = std::make_unique<TField>(this, name, type, size);
    field->SetRequired(required);
    TField* raw = field.get();
    fields_.Add(std::move(field));
    ++fieldsVersion_;
    stride_ = fields_.Count();
    // Fields are only added while there are no records (opening, or a table being defined).
    cells_.Reset(stride_);
    InvalidateIdIndex();
    return raw;
}

void TDataSet::SetFields(const std::vector<TFieldDef>& defs) {
    bool same = static_cast<int>(defs.size()) == fields_.Count();
    for (size_t i = 0; same && i < defs.size(); ++i) {
        const TField* f = fields_[static_cast<int>(i)];
        same = f->FieldName() == defs[i].Name && f->DataType() == defs[i].DataType;
    }
    if (same) {
        for (size_t i = 0; i < defs.size(); ++i) fields_[static_cast<int>(i)]->size_ = defs[i].Size;
        return;
    }
    fields_.Clear();
    ++fieldsVersion_;
    stride_ = 0;
    cells_.Reset(0);
    // Fields kept above keep the format a window may have given them; new ones start from the
    // format their definition brings.
    for (const TFieldDef& def : defs)
        AddField(def.Name, def.DataType, def.Size, def.Required)->SetDisplayFormat(def.DisplayFormat);
    DataEvent(deLayoutChange, 0);
}

void TDataSet::ClearFieldsAndRecords() {
    ClearRecords();
    fields_.Clear();
    ++fieldsVersion_;
    stride_ = 0;
    cells_.Reset(0);
    filterExpr_.reset();
}

// --- records

void TDataSet::ClearRecords() {
    cells_.Reset(stride_);
    live_.clear();
    base_.clear();
    view_.clear();
    orderKeys_.clear();
    orderPrefixes_.clear();
    keyArena_.Clear();
    deadHolding_ = 0;
    cur_ = 0;
    InvalidateIdIndex();
}

// A deleted record keeps its values and its place in the natural order until deleted records
// make up half the table; then one pass in storage order frees them all. Freeing each record at
// its deletion would visit the records in the order the user deletes them, scattered over the
// whole table: on a large table every deletion would then wait for memory, where one pass over
// neighbouring records does not.
void TDataSet::SweepDeleted() {
    const uint32_t records = cells_.Count();
    if (deadHolding_ < 64 || deadHolding_ * 2 < records) return;
    for (uint32_t row = 0; row < records; ++row) {
        if (live_[row]) continue;
        for (int i = 0; i < stride_; ++i) Cell(row, i) = QVariant();
        for (size_t k = 0; k < orderKeys_.size(); ++k)
            if (row < orderKeys_[k].size()) SetOrderKey(k, row, QByteArrayView());
    }
    std::vector<uint32_t> natural;
    natural.reserve(base_.size());
    for (const uint32_t row : base_)
        if (live_[row]) natural.push_back(row);
    base_.Assign(std::move(natural));
    deadHolding_ = 0;
}

uint32_t TDataSet::AppendRecordValues() {
    const uint32_t row = cells_.Append();
    live_.push_back(1);
    base_.push_back(row);
    return row;
}

void TDataSet::TakeRecords(TRecordStore&& cells) {
    ClearRecords();
    Q_ASSERT(cells.Stride() == stride_ || cells.Count() == 0);
    cells_ = std::move(cells);
    if (cells_.Stride() != stride_) cells_.Reset(stride_);
    const uint32_t rows = cells_.Count();
    live_.assign(rows, 1);
    std::vector<uint32_t> natural(rows);
    std::iota(natural.begin(), natural.end(), 0u);
    base_.Assign(std::move(natural));
}

const QVariant& TDataSet::FieldValue(int field) const {
    if (state_ == dsInactive || field < 0 || field >= stride_) return kNull;
    if (readRow_ >= 0) return Cell(static_cast<uint32_t>(readRow_), field);
    if (displayPos_ >= 0 && displayPos_ != cur_) {
        if (displayPos_ < RecordCount()) return Cell(view_[static_cast<size_t>(displayPos_)], field);
        return kNull;
    }
    if (state_ == dsEdit || state_ == dsInsert) return editBuf_[static_cast<size_t>(field)];
    if (view_.empty()) return kNull;
    return Cell(CurrentRow(), field);
}

void TDataSet::SetFieldValue(int field, const QVariant& value) {
    if (state_ != dsEdit && state_ != dsInsert)
        throw EDataSetError(QStringLiteral("Datová sada není v režimu úprav ani vkládání."));
    TField* f = fields_[field];
    editBuf_[static_cast<size_t>(field)] = value;
    modified_ = true;
    DataEvent(deFieldChange, reinterpret_cast<intptr_t>(f));
}

void TDataSet::SetDisplayPosition(int position) { displayPos_ = position; }

// --- opening

void TDataSet::CheckActive() const {
    if (state_ == dsInactive)
        throw EDataSetError(QStringLiteral("Operaci nelze provést na zavřené datové sadě."));
}

void TDataSet::SetActive(bool active) {
    if (active == Active()) return;
    if (active) {
        Fire(BeforeOpen, this);
        ClearRecords();
        InternalOpen();
        state_ = dsBrowse;
        AfterInternalOpen();
        modified_ = false;
        order_ = OpenOrder();
        bool filterFailed = false;
        try {
            CheckFilterBinding();
        } catch (const EFilterError&) {
            filtered_ = false;
            filterExpr_.reset();
            filterFailed = true;
        }
        RebuildView();
        SetCursor(0);
        bof_ = true;
        eof_ = view_.empty();
        DataEvent(deUpdateState, 0);
        Fire(AfterOpen, this);
        if (filterFailed) {
            throw EFilterError(
                QStringLiteral("Filtr \"%1\" nelze použít, datová sada zůstala bez filtru.").arg(filter_));
        }
    } else {
        Fire(BeforeClose, this);
        state_ = dsInactive;
        editBuf_.clear();
        modified_ = false;
        InternalClose();
        ClearRecords();
        eof_ = bof_ = true;
        DataEvent(deUpdateState, 0);
        Fire(AfterClose, this);
    }
}

// --- cursor

void TDataSet::SetCursor(int position) {
    cur_ = std::clamp(position, 0, std::max(0, RecordCount() - 1));
    displayPos_ = -1;
}

void TDataSet::FirePositionChange(int oldPos) {
    // A grid scrolls its buffer by the distance the cursor went.
    DataEvent(deDataSetScroll, cur_ - oldPos);
}

void TDataSet::First() {
    CheckActive();
    CheckBrowseMode();
    Fire(BeforeScroll, this);
    const int old = cur_;
    SetCursor(0);
    bof_ = true;
    eof_ = view_.empty();
    FirePositionChange(old);
    Fire(AfterScroll, this);
}

void TDataSet::Last() {
    CheckActive();
    CheckBrowseMode();
    Fire(BeforeScroll, this);
    const int old = cur_;
    SetCursor(RecordCount() - 1);
    eof_ = true;
    bof_ = view_.empty();
    FirePositionChange(old);
    Fire(AfterScroll, this);
}

int TDataSet::MoveBy(int distance) {
    CheckActive();
    CheckBrowseMode();
    Fire(BeforeScroll, this);
    const int old = cur_;
    const int count = RecordCount();
    int moved = 0;
    if (count == 0) {
        eof_ = bof_ = true;
    } else if (distance > 0) {
        const int target = std::min(cur_ + distance, count - 1);
        moved = target - cur_;
        SetCursor(target);
        bof_ = false;
        eof_ = moved < distance;
    } else if (distance < 0) {
        const int target = std::max(cur_ + distance, 0);
        moved = target - cur_;
        SetCursor(target);
        eof_ = false;
        bof_ = moved > distance;
    }
    if (moved != 0) FirePositionChange(old);
    Fire(AfterScroll, this);
    return moved;
}

int TDataSet::RecNo() const {
    if (!Active() || view_.empty()) return 0;
    return cur_ + 1;
}

void TDataSet::SetRecNo(int recNo) {
    CheckActive();
    if (view_.empty()) return;
    MoveBy(std::clamp(recNo, 1, RecordCount()) - 1 - cur_);
}

// --- editing

void TDataSet::BeginNewRecord(bool append) {
    CheckActive();
    if (readOnly_) throw EDataSetError(QStringLiteral("Datovou sadu nelze měnit."));
    CheckBrowseMode();
    Fire(BeforeInsert, this);
    Fire(BeforeScroll, this);
    const int old = cur_;
    // An appended record stands after the last one; an inserted one before the current one.
    if (append) {
        cur_ = RecordCount();
        bof_ = false;
        eof_ = true;
    }
    editBuf_.assign(static_cast<size_t>(stride_), QVariant());
    state_ = dsInsert;
    modified_ = false;
    InitNewRecord();
    Fire(OnNewRecord, this);
    modified_ = false;
    DataEvent(deUpdateState, 0);
    if (append) FirePositionChange(old);
    DataEvent(deDataSetChange, 0);
    Fire(AfterInsert, this);
    Fire(AfterScroll, this);
}

void TDataSet::Append() { BeginNewRecord(true); }
void TDataSet::Insert() { BeginNewRecord(false); }

void TDataSet::Edit() {
    CheckActive();
    if (state_ == dsEdit || state_ == dsInsert) return;
    if (view_.empty()) {
        Insert();
        return;
    }
    if (readOnly_) throw EDataSetError(QStringLiteral("Datovou sadu nelze měnit."));
    Fire(BeforeEdit, this);
    const uint32_t row = CurrentRow();
    editBuf_.resize(static_cast<size_t>(stride_));
    for (int i = 0; i < stride_; ++i) editBuf_[static_cast<size_t>(i)] = Cell(row, i);
    state_ = dsEdit;
    modified_ = false;
    DataEvent(deUpdateState, 0);
    Fire(AfterEdit, this);
}

void TDataSet::Post() {
    CheckActive();
    if (state_ != dsEdit && state_ != dsInsert) return;
    DataEvent(deUpdateRecord, 0);
    Fire(BeforePost, this);
    for (int i = 0; i < stride_; ++i) {
        if (fields_[i]->Required() && !editBuf_[static_cast<size_t>(i)].isValid())
            throw EDataSetError(QStringLiteral("Pole '%1' musí mít hodnotu.").arg(fields_[i]->FieldName()));
    }
    uint32_t row;
    bool wasInView;
    int anchor = cur_;
    if (state_ == dsInsert) {
        const bool append = cur_ >= RecordCount();
        row = AppendRecordValues();
        // The natural order follows where the record was inserted, so it stays put when the
        // order or the filter changes later.
        if (!append && !view_.empty()) {
            base_.erase(base_.size() - 1);
            const uint32_t before = view_[static_cast<size_t>(cur_)];
            base_.insert(static_cast<size_t>(base_.PositionOf(before)), row);
        }
        wasInView = false;
        anchor = append ? RecordCount() : cur_;
    } else {
        row = CurrentRow();
        wasInView = true;
    }
    const int idField = IdFieldIndex();
    const QVariant oldId = wasInView && idField >= 0 ? Cell(row, idField) : QVariant();
    for (int i = 0; i < stride_; ++i) Cell(row, i) = std::move(editBuf_[static_cast<size_t>(i)]);
    editBuf_.clear();
    UpdateOrderKeys(row);
    state_ = dsBrowse;
    modified_ = false;
    NoteIdChange(row, wasInView, oldId);
    if (wasInView && StaysInPlace(row)) {
        eof_ = bof_ = false;
    } else {
        PlaceInView(row, wasInView, anchor);
    }
    DataEvent(deUpdateState, 0);
    DataEvent(deDataSetChange, 0);
    Fire(AfterPost, this);
}

// Keeps the ID index in step with one posted record instead of rebuilding it, so that a loop
// that edits records and locates them by ID stays linear.
void TDataSet::NoteIdChange(uint32_t row, bool edited, const QVariant& oldId) {
    const int idField = IdFieldIndex();
    if (!idIndexBuilt_ || idField < 0) return;
    const QVariant& newId = Cell(row, idField);
    if (edited && oldId == newId) return;
    if (edited || !idIndexUnique_) {
        InvalidateIdIndex();
        return;
    }
    if (newId.isValid() && !idIndex_.emplace(newId.toLongLong(), row).second) idIndexUnique_ = false;
}

// An edited record that still passes the filter and still sorts between its neighbours keeps
// its place; moving it would cost a pass over the whole list.
bool TDataSet::StaysInPlace(uint32_t row) const {
    if (cur_ >= RecordCount() || CurrentRow() != row || !Accept(row)) return false;
    if (order_.empty()) return true;
    if (cur_ > 0 && CompareRows(view_[static_cast<size_t>(cur_ - 1)], row) > 0) return false;
    if (cur_ + 1 < RecordCount() && CompareRows(row, view_[static_cast<size_t>(cur_ + 1)]) > 0) return false;
    return true;
}

// Puts a posted record where the order and the filter want it, and the cursor on it; a record
// the filter now hides leaves the cursor on its neighbour.
void TDataSet::PlaceInView(uint32_t row, bool wasInView, int anchor) {
    if (wasInView) {
        const int pos = PositionOfRow(row);
        if (pos >= 0) view_.erase(static_cast<size_t>(pos));
    }
    if (!Accept(row)) {
        SetCursor(std::min(anchor, RecordCount() - 1));
        eof_ = view_.empty();
        bof_ = view_.empty();
        return;
    }
    int pos;
    if (!order_.empty()) {
        // After equal keys, as a stable sort of the natural order would put a new record. The
        // record's own first text key is read once, not at every step of the search: on a large
        // table each step already waits for the other record's key to come from memory.
        TSortKeyPrefix prefix;
        const QByteArray* key = nullptr;
        if (!orderPrefixes_.empty() && row < orderPrefixes_[0].size() && !orderPrefixes_[0][row].Empty()) {
            prefix = orderPrefixes_[0][row];
            key = &orderKeys_[0][row];
        }
        const bool descending = order_[0].Descending;
        pos = static_cast<int>(view_.PartitionPoint([&](uint32_t other) {
            if (key && other < orderPrefixes_[0].size()) {
                const TSortKeyPrefix& theirs = orderPrefixes_[0][other];
                if (!theirs.Empty()) {
                    if (theirs != prefix) return descending ? prefix < theirs : theirs < prefix;
                    const int c = orderKeys_[0][other].compare(*key);
                    if (c != 0) return descending ? c > 0 : c < 0;
                }
            }
            return CompareRows(row, other) >= 0;
        }));
    } else {
        pos = std::clamp(anchor, 0, RecordCount());
    }
    view_.insert(static_cast<size_t>(pos), row);
    SetCursor(pos);
    eof_ = bof_ = false;
}

void TDataSet::Cancel() {
    if (state_ != dsEdit && state_ != dsInsert) return;
    Fire(BeforeCancel, this);
    const bool wasInsert = state_ == dsInsert;
    editBuf_.clear();
    state_ = dsBrowse;
    modified_ = false;
    if (wasInsert) SetCursor(cur_);
    eof_ = view_.empty();
    DataEvent(deUpdateState, 0);
    DataEvent(deDataSetChange, 0);
    Fire(AfterCancel, this);
}

void TDataSet::Delete() {
    CheckActive();
    if (state_ == dsInsert) {
        Cancel();
        return;
    }
    if (view_.empty()) throw EDataSetError(QStringLiteral("Nelze smazat záznam z prázdné datové sady."));
    if (readOnly_) throw EDataSetError(QStringLiteral("Datovou sadu nelze měnit."));
    if (state_ == dsEdit) Cancel();
    Fire(BeforeDelete, this);
    Fire(BeforeScroll, this);
    const uint32_t row = CurrentRow();
    // The ID index forgets just this record, so deleting row after row needs no rebuild.
    const int idField = IdFieldIndex();
    if (idIndexBuilt_ && idField >= 0 && idIndexUnique_ && Cell(row, idField).isValid())
        idIndex_.erase(Cell(row, idField).toLongLong());
    else
        InvalidateIdIndex();
    live_[row] = 0;
    ++deadHolding_;
    SweepDeleted();
    view_.erase(static_cast<size_t>(cur_));
    SetCursor(cur_);
    eof_ = view_.empty();
    bof_ = view_.empty();
    DataEvent(deDataSetChange, 0);
    Fire(AfterDelete, this);
    Fire(AfterScroll, this);
}

void TDataSet::CheckBrowseMode() {
    if (state_ == dsEdit || state_ == dsInsert) {
        DataEvent(deUpdateRecord, 0);
        if (modified_)
            Post();
        else
            Cancel();
    }
}

// --- bookmarks

int TDataSet::IdFieldIndex() const {
    if (idFieldVersion_ != fieldsVersion_) {
        const int i = fields_.IndexOf(QStringLiteral("ID"));
        idField_ = i >= 0 && IsIntegerType(fields_[i]->DataType()) ? i : -1;
        idFieldVersion_ = fieldsVersion_;
    }
    return idField_;
}

TBookmark TDataSet::GetBookmark() const {
    if (!Active() || view_.empty()) return TBookmark();
    // While a grid paints another row, the bookmark is that row's, as its fields are.
    const bool displayed = displayPos_ >= 0 && displayPos_ != cur_ && displayPos_ < RecordCount();
    if (state_ == dsInsert && !displayed) return TBookmark();
    const uint32_t row = displayed ? view_[static_cast<size_t>(displayPos_)] : CurrentRow();
    const int id = IdFieldIndex();
    if (id >= 0 && Cell(row, id).isValid()) return u'#' + QString::number(Cell(row, id).toLongLong());
    return u'@' + QString::number(row);
}

bool TDataSet::LookupId(qint64 id, uint32_t& row) const {
    const int field = IdFieldIndex();
    if (field < 0) return false;
    if (!idIndexBuilt_) {
        idIndex_.clear();
        idIndex_.reserve(base_.size());
        idIndexUnique_ = true;
        for (uint32_t r : base_) {
            if (!live_[r]) continue;
            const QVariant& v = Cell(r, field);
            if (!v.isValid()) continue;
            if (!idIndex_.emplace(v.toLongLong(), r).second) idIndexUnique_ = false;
        }
        idIndexBuilt_ = true;
    }
    auto it = idIndex_.find(id);
    if (it == idIndex_.end()) return false;
    row = it->second;
    return true;
}

bool TDataSet::FindRowOfBookmark(const TBookmark& bookmark, uint32_t& row) const {
    if (bookmark.size() < 2) return false;
    bool ok = false;
    if (bookmark[0] == u'#') {
        const qint64 id = bookmark.mid(1).toLongLong(&ok);
        if (!ok) return false;
        if (!LookupId(id, row)) return false;
        if (idIndexUnique_) return true;
        // Two records share the ID: the first in the current order is the one meant.
        const int field = IdFieldIndex();
        for (const uint32_t r : view_)
            if (Cell(r, field).isValid() && Cell(r, field).toLongLong() == id) {
                row = r;
                return true;
            }
        return true;
    }
    if (bookmark[0] == u'@') {
        const qlonglong r = bookmark.mid(1).toLongLong(&ok);
        if (!ok || r < 0 || r >= static_cast<qlonglong>(live_.size()) || !live_[static_cast<size_t>(r)])
            return false;
        row = static_cast<uint32_t>(r);
        return true;
    }
    return false;
}

int TDataSet::PositionOfRow(uint32_t row) const { return view_.PositionOf(row); }

int TDataSet::BookmarkPosition(const TBookmark& bookmark) const {
    uint32_t row = 0;
    if (!Active() || !FindRowOfBookmark(bookmark, row)) return -1;
    return PositionOfRow(row);
}

bool TDataSet::BookmarkValid(const TBookmark& bookmark) const { return BookmarkPosition(bookmark) >= 0; }

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
    CheckActive();
    CheckBrowseMode();
    const int pos = BookmarkPosition(bookmark);
    if (pos < 0) throw EDataSetError(QStringLiteral("Záznam nebyl nalezen."));
    Fire(BeforeScroll, this);
    const int old = cur_;
    SetCursor(pos);
    eof_ = bof_ = false;
    FirePositionChange(old);
    Fire(AfterScroll, this);
}

int TDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) const {
    const int pa = BookmarkPosition(a), pb = BookmarkPosition(b);
    if (pa < 0 && pb < 0) return 0;
    return pa < pb ? -1 : (pa > pb ? 1 : 0);
}

// --- locate

bool TDataSet::MatchesLocate(uint32_t row, const std::vector<int>& fields, const QVariantList& values,
                             TLocateOptions options) const {
    for (size_t i = 0; i < fields.size(); ++i) {
        const TField* f = fields_[fields[i]];
        const QVariant& have = Cell(row, fields[i]);
        const QVariant& want = values[static_cast<int>(i)];
        if (!want.isValid() || !have.isValid()) {
            if (want.isValid() != have.isValid()) return false;
            continue;
        }
        if (IsTextType(f->DataType())) {
            QString h = have.toString();
            const QString w = want.toString();
            if (options & loPartialKey) h.truncate(w.size());
            if (options & loCaseInsensitive ? DataCompareText(h, w) != 0 : h != w) return false;
        } else if (CompareValues(have, want, f->DataType()) != 0) {
            return false;
        }
    }
    return true;
}

bool TDataSet::Locate(const QString& fieldNames, const QVariant& values, TLocateOptions options) {
    CheckActive();
    CheckBrowseMode();
    const QStringList names = SplitFieldNames(fieldNames);
    std::vector<int> fields;
    for (const QString& name : names) fields.push_back(FieldByName(name)->Index());
    if (fields.empty()) return false;
    QVariantList wanted;
    if (fields.size() == 1 && values.typeId() != QMetaType::QVariantList)
        wanted << values;
    else
        wanted = values.toList();
    if (wanted.size() != static_cast<int>(fields.size()))
        throw EDataSetError(QStringLiteral("Počet hodnot neodpovídá počtu polí '%1'.").arg(fieldNames));
    for (size_t i = 0; i < fields.size(); ++i) {
        const TField* f = fields_[fields[i]];
        if (!(IsTextType(f->DataType()) && (options & loPartialKey)))
            wanted[static_cast<int>(i)] =
                TField::Normalize(f->DataType(), wanted[static_cast<int>(i)], f->FieldName());
        else
            wanted[static_cast<int>(i)] = wanted[static_cast<int>(i)].toString();
    }

    int found = -1;
    // Lists relocate by ID after every requery and card; the ID index makes that a lookup.
    if (fields.size() == 1 && fields[0] == IdFieldIndex() && wanted[0].isValid()) {
        uint32_t row = 0;
        if (LookupId(wanted[0].toLongLong(), row)) {
            if (idIndexUnique_) {
                found = PositionOfRow(row);
            } else {
                int i = 0;
                for (const uint32_t r : view_) {
                    if (MatchesLocate(r, fields, wanted, options)) {
                        found = i;
                        break;
                    }
                    ++i;
                }
            }
        }
    } else {
        int i = 0;
        for (const uint32_t r : view_) {
            if (MatchesLocate(r, fields, wanted, options)) {
                found = i;
                break;
            }
            ++i;
        }
    }
    if (found < 0) return false;
    Fire(BeforeScroll, this);
    const int old = cur_;
    SetCursor(found);
    eof_ = bof_ = false;
    FirePositionChange(old);
    Fire(AfterScroll, this);
    return true;
}

// --- ordering

std::vector<TSortKey> TDataSet::ParseOrder(const QString& text) const {
    std::vector<TSortKey> keys;
    QString spec = text;
    spec.replace(u',', u';');
    for (const QString& part : SplitFieldNames(spec)) {
        QStringList words = part.split(u' ', Qt::SkipEmptyParts);
        TSortKey key;
        if (words.size() > 1) {
            const QString dir = words.last().toUpper();
            if (dir == u"DESC" || dir == u"ASC") {
                key.Descending = dir == u"DESC";
                words.removeLast();
            }
        }
        const QString name = words.join(u' ').remove(u'[').remove(u']');
        key.Field = fields_.IndexOf(name);
        if (key.Field < 0) throw EDataSetError(QStringLiteral("Pole '%1' nebylo nalezeno.").arg(name));
        keys.push_back(key);
    }
    return keys;
}

std::vector<TSortKey> TDataSet::OpenOrder() {
    try {
        return ParseOrder(sort_);
    } catch (const EDataSetError&) {
        // A reopened query whose columns changed drops an order it can no longer follow.
        sort_.clear();
        return {};
    }
}

void TDataSet::SetSort(const QString& sort) {
    std::vector<TSortKey> keys;
    if (Active()) {
        CheckBrowseMode();
        keys = ParseOrder(sort);
    }
    sort_ = sort;
    if (Active()) SetOrder(std::move(keys));
}

void TDataSet::SetOrder(std::vector<TSortKey> keys) {
    order_ = std::move(keys);
    if (!Active()) return;
    RebuildView();
    DataEvent(deDataSetChange, 0);
}

int TDataSet::CompareValues(const QVariant& a, const QVariant& b, TFieldType type) const {
    if (!a.isValid() || !b.isValid()) return static_cast<int>(a.isValid()) - static_cast<int>(b.isValid());
    if (IsTextType(type)) return DataCompareText(a.toString(), b.toString());
    if (IsIntegerType(type)) {
        const qint64 x = a.toLongLong(), y = b.toLongLong();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (type == ftBoolean) return static_cast<int>(a.toBool()) - static_cast<int>(b.toBool());
    if (type == ftBlob || type == ftGraphic) {
        const QByteArray x = a.toByteArray(), y = b.toByteArray();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    const double x = a.toDouble(), y = b.toDouble();
    return x < y ? -1 : (x > y ? 1 : 0);
}

// One key of the current order. Two records with prepared text keys are compared without
// reading their values: the prefixes lie side by side and decide most comparisons, so a search
// through a large table touches one small array instead of each record's storage.
int TDataSet::CompareOrderKey(size_t k, uint32_t a, uint32_t b) const {
    if (k < orderPrefixes_.size() && a < orderPrefixes_[k].size() && b < orderPrefixes_[k].size()) {
        const TSortKeyPrefix& pa = orderPrefixes_[k][a];
        const TSortKeyPrefix& pb = orderPrefixes_[k][b];
        if (!pa.Empty() && !pb.Empty()) {
            if (pa != pb) return pa < pb ? -1 : 1;
            const int c = orderKeys_[k][a].compare(orderKeys_[k][b]);
            return c < 0 ? -1 : (c > 0 ? 1 : 0);
        }
    }
    const TSortKey& key = order_[k];
    return CompareValues(Cell(a, key.Field), Cell(b, key.Field), fields_[key.Field]->DataType());
}

int TDataSet::CompareRows(uint32_t a, uint32_t b) const {
    for (size_t k = 0; k < order_.size(); ++k) {
        const int c = CompareOrderKey(k, a, b);
        if (c != 0) return order_[k].Descending ? -c : c;
    }
    return 0;
}

const QByteArray* TDataSet::OrderTextKey(size_t orderKey, uint32_t row) const {
    if (orderKey >= orderKeys_.size() || row >= orderKeys_[orderKey].size()) return nullptr;
    return &orderKeys_[orderKey][row];
}

TSortKeyPrefix TDataSet::SortKeyPrefix(QByteArrayView key) {
    TSortKeyPrefix prefix;
    if (key.isEmpty()) return prefix;
    const qsizetype n = std::min<qsizetype>(key.size(), 15);
    for (qsizetype i = 0; i < std::min<qsizetype>(n, 8); ++i)
        prefix.High |= static_cast<uint64_t>(static_cast<uchar>(key[i])) << (56 - 8 * i);
    prefix.Low = 1;
    for (qsizetype i = 8; i < n; ++i)
        prefix.Low |= static_cast<uint64_t>(static_cast<uchar>(key[i])) << (56 - 8 * (i - 8));
    return prefix;
}

bool TDataSet::CompareOrderTextKey(size_t orderKey, uint32_t row, const QByteArray& key,
                                   const TSortKeyPrefix& prefix, int& result) const {
    if (orderKey >= orderPrefixes_.size() || row >= orderPrefixes_[orderKey].size() || prefix.Empty())
        return false;
    const TSortKeyPrefix& ownPrefix = orderPrefixes_[orderKey][row];
    if (ownPrefix.Empty()) return false;
    if (ownPrefix != prefix) {
        result = ownPrefix < prefix ? -1 : 1;
        return true;
    }
    const int c = orderKeys_[orderKey][row].compare(key);
    result = c < 0 ? -1 : (c > 0 ? 1 : 0);
    return true;
}

// Text keys are turned into sort keys once per record, so ordering compares bytes, not texts.
void TDataSet::BuildOrderKeys(const std::vector<uint32_t>& rows) {
    orderKeys_.clear();
    orderPrefixes_.clear();
    orderKeys_.resize(order_.size());
    orderPrefixes_.resize(order_.size());
    for (size_t k = 0; k < order_.size(); ++k) {
        if (!IsTextType(fields_[order_[k].Field]->DataType())) continue;
        orderKeys_[k].GrowTo(live_.size());
        orderPrefixes_[k].GrowTo(live_.size());
        for (uint32_t row : rows) {
            const QVariant& v = Cell(row, order_[k].Field);
            if (v.isValid()) SetOrderKey(k, row, DataSortKeyView(v.toString()));
        }
    }
}

// Stores a record's key (an empty view: none) and its prefix; the bytes of the key it replaces
// count as waste until the keys are compacted.
void TDataSet::SetOrderKey(size_t k, uint32_t row, QByteArrayView key) {
    QByteArray& slot = orderKeys_[k][row];
    if (!slot.isEmpty()) keyArena_.Release(slot);
    slot = key.isEmpty() ? QByteArray() : keyArena_.Store(key);
    orderPrefixes_[k][row] = SortKeyPrefix(slot);
}

// Moves the keys still in use into a fresh arena, once replaced keys take more room than they do.
void TDataSet::CompactOrderKeys() {
    TSortKeyArena fresh;
    for (TChunkedArray<QByteArray>& keys : orderKeys_)
        for (size_t row = 0; row < keys.size(); ++row)
            if (!keys[row].isEmpty()) keys[row] = fresh.Store(keys[row]);
    keyArena_ = std::move(fresh);
}

// A posted record brings its keys up to date, so that it can be placed by them.
void TDataSet::UpdateOrderKeys(uint32_t row) {
    for (size_t k = 0; k < orderKeys_.size(); ++k) {
        TChunkedArray<QByteArray>& keys = orderKeys_[k];
        if (keys.empty() && !IsTextType(fields_[order_[k].Field]->DataType())) continue;
        keys.GrowTo(live_.size());
        orderPrefixes_[k].GrowTo(live_.size());
        const QVariant& v = Cell(row, order_[k].Field);
        SetOrderKey(k, row, v.isValid() ? DataSortKeyView(v.toString()) : QByteArrayView());
    }
    if (keyArena_.Garbage() > (1u << 20) && keyArena_.Garbage() * 2 > keyArena_.Stored()) CompactOrderKeys();
}

// --- filtering

void TDataSet::CheckFilterBinding() {
    if (!filtered_ || filter_.trimmed().isEmpty()) {
        filterExpr_.reset();
        return;
    }
    auto expr = TFilterExpr::Parse(filter_);
    expr->Bind(fields_);
    filterExpr_ = std::move(expr);
}

void TDataSet::SetFilter(const QString& filter) {
    auto expr = TFilterExpr::Parse(filter);
    if (filtered_ && Active()) {
        expr->Bind(fields_);
        CheckBrowseMode();
    }
    filter_ = filter;
    if (filtered_ && Active()) {
        filterExpr_ = filter.trimmed().isEmpty() ? nullptr : std::move(expr);
        RebuildView();
        DataEvent(deDataSetChange, 0);
    }
}

void TDataSet::SetFiltered(bool filtered) {
    if (filtered == filtered_) return;
    if (Active()) CheckBrowseMode();
    filtered_ = filtered;
    if (!Active()) return;
    try {
        CheckFilterBinding();
    } catch (...) {
        filtered_ = false;
        filterExpr_.reset();
        throw;
    }
    RebuildView();
    DataEvent(deDataSetChange, 0);
}

bool TDataSet::Accept(uint32_t row) const {
    if (!RecordInRange(row)) return false;
    if (!filtered_) return true;
    if (filterExpr_ &&
        !filterExpr_->Evaluate([this, row](int field) -> const QVariant& { return Cell(row, field); }))
        return false;
    if (OnFilterRecord) {
        auto* self = const_cast<TDataSet*>(this);
        const int32_t saved = readRow_;
        self->readRow_ = static_cast<int32_t>(row);
        bool accept = true;
        try {
            OnFilterRecord(self, accept);
        } catch (...) {
            self->readRow_ = saved;
            throw;
        }
        self->readRow_ = saved;
        return accept;
    }
    return true;
}

void TDataSet::RebuildView() {
    const bool hadCurrent = !view_.empty() && cur_ < RecordCount();
    const uint32_t keep = hadCurrent ? CurrentRow() : 0;
    const int keepPos = cur_;
    std::vector<uint32_t> next;
    next.reserve(base_.size());
    for (const uint32_t row : base_)
        if (live_[row] && Accept(row)) next.push_back(row);
    orderKeys_.clear();
    orderPrefixes_.clear();
    keyArena_.Clear();
    if (!order_.empty()) {
        BuildOrderKeys(next);
        std::stable_sort(next.begin(), next.end(), [&](uint32_t a, uint32_t b) {
            for (size_t k = 0; k < order_.size(); ++k) {
                const int c = CompareOrderKey(k, a, b);
                if (c != 0) return order_[k].Descending ? c > 0 : c < 0;
            }
            return false;
        });
    }
    view_.Assign(std::move(next));
    int pos = hadCurrent ? PositionOfRow(keep) : -1;
    if (pos < 0) pos = std::min(keepPos, RecordCount() - 1);
    SetCursor(pos);
    eof_ = view_.empty();
    bof_ = view_.empty();
}

void TDataSet::ReorderAfterReload() {
    order_ = OpenOrder();
    try {
        CheckFilterBinding();
    } catch (const EFilterError&) {
        filtered_ = false;
        filterExpr_.reset();
        RebuildView();
        DataEvent(deDataSetChange, 0);
        throw;
    }
    RebuildView();
    SetCursor(0);
    bof_ = true;
    eof_ = view_.empty();
    DataEvent(deDataSetChange, 0);
}

// --- controls

void TDataSet::DisableControls() {
    if (disableCount_++ == 0) pendingChange_ = false;
}

void TDataSet::EnableControls() {
    if (disableCount_ == 0) return;
    if (--disableCount_ == 0 && pendingChange_) {
        pendingChange_ = false;
        DataEvent(deDataSetChange, 0);
    }
}

void TDataSet::DataEvent(TDataEvent event, intptr_t info) {
    if (disableCount_ > 0) {
        // Layout and state changes still matter to a grid that is not painting; everything
        // else folds into the one change notice EnableControls sends.
        if (event != deLayoutChange && event != deUpdateState) {
            pendingChange_ = true;
            return;
        }
    }
    const std::vector<TDataSource*> sources = sources_;
    for (TDataSource* source : sources) source->DataEvent(event, info);
}
