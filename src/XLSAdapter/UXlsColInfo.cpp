#include "XLSAdapter/UXlsColInfo.h"

#include <QIODevice>
#include <algorithm>

namespace {
constexpr int kMaxColumn = 255;
}

TColInfoRecord::TColInfoRecord(quint16 id, QByteArray data) : TBaseRecord(id, std::move(data)) {
    CheckSize(10);
}

void TColInfoList::Sort() {
    if (sorted_) return;
    std::stable_sort(items_.begin(), items_.end(),
                     [](const auto& a, const auto& b) { return a->Column < b->Column; });
    sorted_ = true;
}

bool TColInfoList::Find(int column, int& index) {
    Sort();
    auto it = std::lower_bound(items_.begin(), items_.end(), column,
                               [](const auto& e, int c) { return e->Column < c; });
    index = int(it - items_.begin());
    return it != items_.end() && (*it)->Column == column;
}

void TColInfoList::Insert(int index, const TColInfo& info) {
    items_.insert(items_.begin() + index, std::make_unique<TColInfo>(info));
}

void TColInfoList::AddRecord(std::unique_ptr<TColInfoRecord> record) {
    const QByteArray& d = record->Data;
    // A sheet has 256 columns; a range reaching beyond them (or overlapping an earlier one) must
    // not multiply entries, so every column keeps one entry, the last one given.
    int first = GetWord(d, 0), last = std::min<int>(GetWord(d, 2), kMaxColumn);
    for (int c = first; c <= last; ++c) {
        TColInfo info{quint16(c), GetWord(d, 4), GetWord(d, 6), GetWord(d, 8)};
        int index;
        if (Find(c, index))
            *items_[size_t(index)] = info;
        else
            Insert(index, info);
    }
}

void TColInfoList::CopyFrom(const TColInfoList& other) {
    for (const auto& e : other.items_) items_.push_back(std::make_unique<TColInfo>(*e));
    sorted_ = false;
}

std::vector<std::pair<int, int>> TColInfoList::Runs() {
    Sort();
    std::vector<std::pair<int, int>> runs;
    for (int i = 0; i < Count(); ++i) {
        if (!runs.empty()) {
            const TColInfo& prev = *items_[size_t(i - 1)];
            const TColInfo& cur = *items_[size_t(i)];
            if (cur.Column == prev.Column + 1 && cur.Width == prev.Width && cur.XF == prev.XF &&
                cur.Options == prev.Options) {
                runs.back().second = i;
                continue;
            }
        }
        runs.push_back({i, i});
    }
    return runs;
}

void TColInfoList::SaveToStream(QIODevice& stream) {
    for (auto [first, last] : Runs()) {
        const TColInfo& a = *items_[size_t(first)];
        QByteArray r(16, '\0');
        SetWord(r, 0, 0x007D);
        SetWord(r, 2, 12);
        SetWord(r, 4, a.Column);
        SetWord(r, 6, items_[size_t(last)]->Column);
        SetWord(r, 8, a.Width);
        SetWord(r, 10, a.XF);
        SetWord(r, 12, a.Options);
        WriteBytes(stream, r.constData(), r.size());
    }
}

qint64 TColInfoList::TotalSize() { return 16 * qint64(Runs().size()); }
