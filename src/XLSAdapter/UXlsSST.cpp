#include "XLSAdapter/UXlsSST.h"

#include <QDateTime>
#include <QIODevice>
#include <algorithm>

#include "XLSAdapter/XlsMessages.h"

namespace {

constexpr int kMaxRecordPayload = 8222;
constexpr int kSSTCountsSize = 8;

}  // namespace

QString VariantToText(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::QDate:
            return value.toDate().toString(QStringLiteral("d.M.yyyy"));
        case QMetaType::QDateTime: {
            QDateTime dt = value.toDateTime();
            QString text = dt.date().toString(QStringLiteral("d.M.yyyy"));
            if (dt.time() != QTime(0, 0)) text += dt.time().toString(QStringLiteral(" h:mm:ss"));
            return text;
        }
        case QMetaType::Double:
        case QMetaType::Float: {
            // The station's decimal separator, as the system's conversion writes it.
            return QString::number(value.toDouble(), 'g', 15).replace('.', ',');
        }
        case QMetaType::Bool:
            return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        default:
            return value.toString();
    }
}

TSSTRecord::TSSTRecord(quint16 id, QByteArray data) : TBaseRecord(id, std::move(data)) { CheckSize(8); }

void TSST::LoadFromRecord(const TSSTRecord& record) {
    const TBaseRecord* r = &record;
    int pos = kSSTCountsSize;
    quint32 count = record.UniqueCount();
    // Every string takes at least 3 bytes, so a count beyond what the chain can hold is a lie;
    // the reader stops with "Error reading record" when the data runs out in any case.
    for (quint32 i = 0; i < count; ++i) {
        TSSTEntry& entry = pool_.emplace_back(TExcelString(2, r, pos));
        TExcelString& str = entry.Str;
        if (!(str.OptionFlags & TExcelString::fWide)) str.ShortData = KeepChars(str.ShortData);
        entries_.push_back(&entry);
    }
    // Text cells find their entries by their position in the file.
    placed_ = entries_.size();
    indexed_ = false;
}

namespace {

bool InStringOrder(const TSSTEntry* a, const TSSTEntry* b) { return a->Str.Compare(b->Str) < 0; }

// Blocks the loaded texts' characters are kept in; a longer text keeps its own bytes.
constexpr int kCharsBlockSize = 64 * 1024;

}  // namespace

QByteArray TSST::KeepChars(const QByteArray& chars) {
    const int size = int(chars.size());
    if (size == 0 || size > kCharsBlockSize) return chars;
    if (chars_.empty() || charsUsed_ + size > kCharsBlockSize) {
        chars_.push_back(std::make_unique<char[]>(kCharsBlockSize));
        charsUsed_ = 0;
    }
    char* at = chars_.back().get() + charsUsed_;
    std::copy(chars.begin(), chars.end(), at);
    charsUsed_ += size;
    // A view: a string that is changed later copies its bytes first, as any shared array does.
    return QByteArray::fromRawData(at, size);
}

size_t TSST::TTextHash::operator()(const TSSTEntry* e) const {
    const TExcelString& s = e->Str;
    // What the string order compares, and nothing else: texts equal in that order hash alike.
    const size_t chars = (s.OptionFlags & TExcelString::fWide) ? qHash(s.WideData) : qHash(s.ShortData);
    return chars ^ (size_t(s.StrLenLength) << 8 | s.OptionFlags) * 0x9E3779B97F4A7C15ull;
}

void TSST::Sort() {
    std::stable_sort(entries_.begin(), entries_.end(), InStringOrder);
    placed_ = entries_.size();
}

void TSST::PlaceNewEntries() const {
    if (placed_ == entries_.size()) return;
    const auto middle = entries_.begin() + std::ptrdiff_t(placed_);
    std::sort(middle, entries_.end(), InStringOrder);  // new entries are distinct texts
    std::inplace_merge(entries_.begin(), middle, entries_.end(), InStringOrder);
    placed_ = entries_.size();
}

TSSTEntry& TSST::AddEntry(const QString& text) {
    if (!indexed_) RebuildTextIndex();
    TSSTEntry probe(TExcelString(2, text));
    if (auto it = byText_.find(&probe); it != byText_.end()) {
        ++(*it)->Refs;
        return **it;
    }
    TSSTEntry& entry = pool_.emplace_back(std::move(probe));
    entry.Refs = 1;
    byText_.insert(&entry);
    entries_.push_back(&entry);
    return entry;
}

int TSST::AddString(const QString& text) {
    const TSSTEntry& added = AddEntry(text);
    PlaceNewEntries();
    // The first entry of its text in the sorted table, as the text index keeps it.
    auto it =
        std::lower_bound(entries_.begin(), entries_.end(), added,
                         [](const TSSTEntry* e, const TSSTEntry& v) { return e->Str.Compare(v.Str) < 0; });
    // A table loaded and never sorted has no order to search.
    if (it == entries_.end() || *it != &added) it = std::find(entries_.begin(), entries_.end(), &added);
    return int(it - entries_.begin());
}

void TSST::RebuildTextIndex() {
    byText_.clear();
    byText_.reserve(entries_.size());
    for (TSSTEntry* e : entries_) byText_.insert(e);
    indexed_ = true;
}

void TSST::FixRefs() {
    PlaceNewEntries();
    const size_t before = entries_.size();
    std::erase_if(entries_, [](const TSSTEntry* e) { return e->Refs <= 0; });
    placed_ = entries_.size();
    // The text index is made again when a text is next added: a table saved and then dropped,
    // as every report's is, never needs it.
    if (entries_.size() != before) {
        byText_.clear();
        indexed_ = false;
    }
}

// Lays the table out into SST and CONTINUE records and hands every piece to `sink`: a string
// goes whole into the current record when it fits, else whole into a new one when it fits an
// empty record; only a string longer than any record holds (or one that would leave the first
// record without a string, which other readers refuse) is split. Its characters are cut at whole
// characters, and each continuation of the characters starts with the option byte its reader
// expects; the header of a string is never cut.
template <typename Sink>
void TSST::Layout(Sink& sink) const {
    PlaceNewEntries();
    qint64 used = kSSTCountsSize;
    int strings = 0;  // strings begun in the current record
    sink.Begin(true);
    for (const auto& e : entries_) {
        const TExcelString& str = e->Str;
        bool wide = str.OptionFlags & TExcelString::fWide;
        int unit = wide ? 2 : 1;
        qint64 header = str.StrLenLength + 1 + ((str.OptionFlags & TExcelString::fRich) ? 2 : 0) +
                        ((str.OptionFlags & TExcelString::fFarEast) ? 4 : 0);
        qint64 size = str.TotalSize();
        if (used + size > kMaxRecordPayload) {
            bool firstRecordEmpty = sink.RecordIndex() == 0 && strings == 0;
            bool split = firstRecordEmpty || size > kMaxRecordPayload;
            bool roomToStart = used + header + (str.StrLen > 0 ? unit : 0) <= kMaxRecordPayload;
            if (!split || !roomToStart) {
                sink.Begin(false);
                used = 0;
                strings = 0;
            }
        }
        sink.StringStart(*e);
        ++strings;
        QByteArray bytes = str.Bytes();
        sink.Write(bytes.constData(), header);
        used += header;
        qint64 pos = header;
        qint64 chars = qint64(str.StrLen) * unit;
        qint64 charsEnd = header + chars;
        while (pos < charsEnd) {
            qint64 room = (kMaxRecordPayload - used) / unit * unit;
            if (room == 0) {
                sink.Begin(false);
                char option = wide ? 1 : 0;
                sink.Write(&option, 1);
                used = 1;
                strings = 1;
                continue;
            }
            qint64 n = std::min(room, charsEnd - pos);
            sink.Write(bytes.constData() + pos, n);
            used += n;
            pos += n;
        }
        while (pos < bytes.size()) {
            qint64 room = kMaxRecordPayload - used;
            if (room == 0) {
                sink.Begin(false);
                used = 0;
                strings = 1;
                continue;
            }
            qint64 n = std::min(room, qint64(bytes.size()) - pos);
            sink.Write(bytes.constData() + pos, n);
            used += n;
            pos += n;
        }
    }
}

namespace {

// Counts what the layout writes.
struct TSizeSink {
    qint64 Total = 0;
    int Records = -1;
    void Begin(bool first) {
        ++Records;
        Total += 4 + (first ? kSSTCountsSize : 0);
    }
    int RecordIndex() const { return Records; }
    void StringStart(TSSTEntry&) {}
    void Write(const char*, qint64 n) { Total += n; }
};

// Collects the records, then writes them with their headers.
struct TWriteSink {
    std::vector<QByteArray> Records;
    std::vector<std::pair<TSSTEntry*, std::pair<int, int>>> Starts;  // entry, record, offset
    void Begin(bool first) {
        Records.emplace_back();
        if (first) Records.back().fill('\0', kSSTCountsSize);
    }
    int RecordIndex() const { return int(Records.size()) - 1; }
    void StringStart(const TSSTEntry& e) {
        Starts.push_back({const_cast<TSSTEntry*>(&e), {RecordIndex(), int(Records.back().size())}});
    }
    void Write(const char* data, qint64 n) { Records.back().append(data, n); }
};

}  // namespace

qint64 TSST::TotalSize() const {
    TSizeSink sizes;
    Layout(sizes);
    int perBucket = std::max(8, Count() / 128 + 1);
    int buckets = Count() == 0 ? 0 : (Count() - 1) / perBucket + 1;
    return sizes.Total + 4 + 2 + 8 * buckets;
}

void TSST::SaveToStream(QIODevice& stream, qint64 streamOffset) {
    PlaceNewEntries();
    quint32 totalRefs = 0;
    for (int i = 0; i < Count(); ++i) {
        if (entries_[size_t(i)]->Refs < 1) XlsError(XlsMessages::ErrRefsShouldBePositive);
        entries_[size_t(i)]->PosInTable = i;
        totalRefs += quint32(entries_[size_t(i)]->Refs);
    }
    TWriteSink out;
    Layout(out);
    SetLongWord(out.Records[0], 0, totalRefs);
    SetLongWord(out.Records[0], 4, quint32(Count()));
    std::vector<qint64> recordStart(out.Records.size());
    for (size_t r = 0; r < out.Records.size(); ++r) {
        recordStart[r] = stream.pos();
        QByteArray header(4, '\0');
        SetWord(header, 0, r == 0 ? 0x00FC : 0x003C);
        SetWord(header, 2, quint16(out.Records[r].size()));
        WriteBytes(stream, header.constData(), 4);
        WriteBytes(stream, out.Records[r].constData(), out.Records[r].size());
    }
    for (auto& [entry, where] : out.Starts) {
        entry->AbsStreamPos = quint32(streamOffset + recordStart[size_t(where.first)] + 4 + where.second);
        entry->RecordStreamPos = quint16(4 + where.second);
    }
    // EXTSST lets a reader jump into the table: every bucket's first string and where it lies.
    int perBucket = std::max(8, Count() / 128 + 1);
    int buckets = Count() == 0 ? 0 : (Count() - 1) / perBucket + 1;
    QByteArray ext(4 + 2 + 8 * buckets, '\0');
    SetWord(ext, 0, 0x00FF);
    SetWord(ext, 2, quint16(2 + 8 * buckets));
    SetWord(ext, 4, quint16(perBucket));
    for (int b = 0; b < buckets; ++b) {
        const TSSTEntry& e = *entries_[size_t(b * perBucket)];
        SetLongWord(ext, 6 + 8 * b, e.AbsStreamPos);
        SetWord(ext, 10 + 8 * b, e.RecordStreamPos);
    }
    WriteBytes(stream, ext.constData(), ext.size());
}

TLabelSSTRecord::TLabelSSTRecord(quint16 id, QByteArray data) : TCellRecord(id, std::move(data)) {
    CheckSize(10);
}

TLabelSSTRecord::TLabelSSTRecord(quint16 row, TSST* sst, quint16 xf, quint16 column)
    : TCellRecord(0x00FD, QByteArray(10, '\0')), sst_(sst) {
    SetRow(row);
    SetColumn(column);
    SetXF(xf);
}

TLabelSSTRecord::TLabelSSTRecord(quint16 row, TSST* sst, quint16 xf, quint16 column, TSSTEntry* entry)
    : TLabelSSTRecord(row, sst, xf, column) {
    entry_ = entry;
}

TLabelSSTRecord::~TLabelSSTRecord() {
    if (entry_) --entry_->Refs;
}

void TLabelSSTRecord::AttachToSST(TSST* sst) {
    quint32 index = GetLongWord(Data, 6);
    if (index >= quint32(sst->Count())) XlsError(XlsMessages::ErrExcelInvalid);
    if (entry_) --entry_->Refs;
    sst_ = sst;
    entry_ = &(*sst)[int(index)];
    ++entry_->Refs;
}

QVariant TLabelSSTRecord::GetValue() const { return entry_ ? QVariant(entry_->Str.Value()) : QVariant(); }

void TLabelSSTRecord::SetValue(const QVariant& value) {
    Q_ASSERT(sst_);
    TSSTEntry* old = entry_;
    entry_ = &sst_->AddEntry(VariantToText(value));
    if (old) --old->Refs;
}

std::unique_ptr<TBaseRecord> TLabelSSTRecord::Clone() const {
    auto copy = std::make_unique<TLabelSSTRecord>(Id, Data);
    copy->sst_ = sst_;
    copy->entry_ = entry_;
    if (entry_) ++entry_->Refs;
    CloneChainInto(*copy);
    return copy;
}

void TLabelSSTRecord::SaveToStream(QIODevice& stream) const {
    QByteArray bytes(4, '\0');
    SetWord(bytes, 0, Id);
    SetWord(bytes, 2, DataSize());
    bytes.append(Data);
    if (entry_) SetLongWord(bytes, 4 + 6, quint32(entry_->PosInTable));
    WriteBytes(stream, bytes.constData(), bytes.size());
    if (Continue) Continue->SaveToStream(stream);
}
