#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

// The bytes of the sort keys a dataset keeps for its order, packed one after another in chunks
// that never move. A key handed out is a QByteArray over those bytes (it owns nothing), so a
// table of a hundred thousand records keeps its keys in a few dozen allocations instead of one
// each, and keys made one after another lie side by side. The keys stay valid until Clear.
//
// Replaced keys leave their old bytes behind; Garbage() tells how many, so that the owner can
// move the live keys into a fresh arena once the waste outgrows them.
class TSortKeyArena {
public:
    static constexpr size_t kChunkBytes = 64 * 1024;

    QByteArray Store(QByteArrayView key) {
        const auto n = static_cast<size_t>(key.size());
        if (n > capacity_ - used_) {
            capacity_ = std::max(kChunkBytes, n);
            chunks_.push_back(std::make_unique_for_overwrite<char[]>(capacity_));
            used_ = 0;
        }
        char* at = chunks_.back().get() + used_;
        if (n) std::memcpy(at, key.data(), n);
        used_ += n;
        stored_ += n;
        return QByteArray::fromRawData(at, static_cast<qsizetype>(n));
    }
    // A key handed out earlier is no longer used.
    void Release(const QByteArray& key) { garbage_ += static_cast<size_t>(key.size()); }
    size_t Stored() const { return stored_; }
    size_t Garbage() const { return garbage_; }

    void Clear() {
        chunks_.clear();
        used_ = capacity_ = stored_ = garbage_ = 0;
    }

private:
    std::vector<std::unique_ptr<char[]>> chunks_;
    size_t used_ = 0;
    size_t capacity_ = 0;
    size_t stored_ = 0;
    size_t garbage_ = 0;
};
