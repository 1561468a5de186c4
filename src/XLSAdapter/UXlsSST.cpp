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
        auto entry = std::make_unique<TSSTEntry>(TExcelString(2, r, pos));
        entries_.push_back(std::move(entry));
    }
}

void TSST::Sort() {
    std::stable_sort(entries_.begin(), entries_.end(),
                     [](const auto& a, const auto& b) { return a->Str.Compare(b->Str) < 0; });
}

int TSST::AddString(const QString& text) {
    TExcelString s(2, text);
    auto it = std::lower_bound(entries_.begin(), entries_.end(), s,
                               [](const auto& e, const TExcelString& v) { return e->Str.Compare(v) < 0; });
    if (it != entries_.end() && (*it)->Str.Compare(s) == 0) {
        ++(*it)->Refs;
        return int(it - entries_.begin());
    }
    auto entry = std::make_unique<TSSTEntry>(std::move(s));
    entry->Refs = 1;
    it = entries_.insert(it, std::move(entry));
    return int(it - entries_.begin());
}

void TSST::FixRefs() {
    std::erase_if(entries_, [](const auto& e) { return e->Refs <= 0; });
}

std::vector<int> TSST::CutRecords() const {
    std::vector<int> counts{0};
    qint64 payload = kSSTCountsSize;
    for (const auto& e : entries_) {
        qint64 size = e->Str.TotalSize();
        if (payload + size <= kMaxRecordPayload) {
            payload += size;
            ++counts.back();
            continue;
        }
        if (size > kMaxRecordPayload) XlsError(XlsMessages::ErrStringTooLarge);
        counts.push_back(1);
        payload = size;
    }
    return counts;
}

qint64 TSST::TotalSize() const {
    std::vector<int> counts = CutRecords();
    qint64 total = 4 + kSSTCountsSize;
    size_t i = 0;
    for (size_t r = 0; r < counts.size(); ++r) {
        if (r > 0) total += 4;
        for (int k = 0; k < counts[r]; ++k) total += entries_[i++]->Str.TotalSize();
    }
    int perBucket = std::max(8, Count() / 128 + 1);
    int buckets = Count() == 0 ? 0 : (Count() - 1) / perBucket + 1;
    return total + 4 + 2 + 8 * buckets;
}

void TSST::SaveToStream(QIODevice& stream, qint64 streamOffset) {
    quint32 totalRefs = 0;
    for (int i = 0; i < Count(); ++i) {
        if (entries_[size_t(i)]->Refs < 1) XlsError(XlsMessages::ErrRefsShouldBePositive);
        entries_[size_t(i)]->PosInTable = i;
        totalRefs += quint32(entries_[size_t(i)]->Refs);
    }
    std::vector<int> counts = CutRecords();
    size_t next = 0;
    for (size_t r = 0; r < counts.size(); ++r) {
        qint64 payload = r == 0 ? kSSTCountsSize : 0;
        for (int k = 0; k < counts[r]; ++k) payload += entries_[next + size_t(k)]->Str.TotalSize();
        QByteArray header(r == 0 ? 4 + kSSTCountsSize : 4, '\0');
        SetWord(header, 0, r == 0 ? 0x00FC : 0x003C);
        SetWord(header, 2, quint16(payload));
        if (r == 0) {
            SetLongWord(header, 4, totalRefs);
            SetLongWord(header, 8, quint32(Count()));
        }
        qint64 recordStart = stream.pos();
        WriteBytes(stream, header.constData(), header.size());
        for (int k = 0; k < counts[r]; ++k, ++next) {
            TSSTEntry& e = *entries_[next];
            e.AbsStreamPos = quint32(streamOffset + stream.pos());
            e.RecordStreamPos = quint16(stream.pos() - recordStart);
            e.Str.SaveToStream(stream);
        }
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
    entry_ = &(*sst_)[sst_->AddString(VariantToText(value))];
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
