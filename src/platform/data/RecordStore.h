#pragma once

#include <QVariant>
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <memory>
#include <vector>

// Memory for chunks of record storage. A table that is closed or requeried gives its chunks
// back here and the next table to grow takes them again, so that reopening a list reuses memory
// the process already has instead of asking the system for fresh pages (every first touch of
// which costs a fault) and returning them a moment later. At most kKeptBytes are kept per thread;
// beyond that chunks are freed.
namespace RecordChunks {
constexpr size_t kKeptBytes = size_t{64} << 20;
void* Take(size_t bytes);
void Give(void* memory, size_t bytes);
}  // namespace RecordChunks

// The values of a table's records, row after row, kept in chunks of a fixed number of records.
// A table that grows record by record allocates one chunk at a time and never moves what it
// holds: a hundred thousand rows cost a few dozen allocations, not a chain of doublings that
// copies everything and touches fresh pages each time. Records are addressed by number.
class TRecordStore {
public:
    // 2 048 records a chunk: a few hundred kilobytes for a table of ten columns, small enough
    // for a table of three rows not to notice, large enough that the chunk list stays short.
    static constexpr uint32_t kChunkShift = 11;
    static constexpr uint32_t kChunkRecords = 1u << kChunkShift;

    explicit TRecordStore(int stride = 0) : stride_(stride) {}

    // Empties the store and sets the number of values per record. The first chunk stays for the
    // next records when the stride does: a small table emptied and filled again for every item
    // of a long run would otherwise build and free a whole chunk of values each time.
    void Reset(int stride) {
        if (stride == stride_ && !chunks_.empty()) {
            QVariant* first = chunks_.front().get();
            const size_t used = static_cast<size_t>(std::min(count_, kChunkRecords)) * stride_;
            for (size_t i = 0; i < used; ++i) first[i].clear();
            chunks_.resize(1);
        } else {
            chunks_.clear();
        }
        count_ = 0;
        stride_ = stride;
    }
    void Clear() { Reset(stride_); }

    int Stride() const { return stride_; }
    uint32_t Count() const { return count_; }
    bool Empty() const { return count_ == 0; }

    // A new record of NULLs at the end; its number.
    uint32_t Append() {
        if ((count_ & (kChunkRecords - 1)) == 0 && (count_ >> kChunkShift) == chunks_.size()) {
            const size_t values = static_cast<size_t>(kChunkRecords) * stride_;
            auto* chunk = static_cast<QVariant*>(RecordChunks::Take(values * sizeof(QVariant)));
            std::uninitialized_value_construct_n(chunk, values);
            chunks_.emplace_back(chunk, TChunkRelease{values});
        }
        return count_++;
    }

    QVariant& At(uint32_t record, int field) {
        return chunks_[record >> kChunkShift]
                      [(record & (kChunkRecords - 1)) * static_cast<size_t>(stride_) + field];
    }
    const QVariant& At(uint32_t record, int field) const {
        return chunks_[record >> kChunkShift]
                      [(record & (kChunkRecords - 1)) * static_cast<size_t>(stride_) + field];
    }

    // Every value, record after record (for copying a whole snapshot).
    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = QVariant;
        using difference_type = std::ptrdiff_t;
        using pointer = const QVariant*;
        using reference = const QVariant&;

        const_iterator(const TRecordStore* store, size_t index) : store_(store), index_(index) {}
        reference operator*() const {
            const size_t perChunk = static_cast<size_t>(kChunkRecords) * store_->stride_;
            return store_->chunks_[index_ / perChunk][index_ % perChunk];
        }
        const_iterator& operator++() {
            ++index_;
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator old = *this;
            ++index_;
            return old;
        }
        bool operator==(const const_iterator& other) const { return index_ == other.index_; }
        bool operator!=(const const_iterator& other) const { return index_ != other.index_; }

    private:
        const TRecordStore* store_;
        size_t index_;
    };
    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, static_cast<size_t>(count_) * stride_); }

private:
    struct TChunkRelease {
        size_t values;
        void operator()(QVariant* chunk) const {
            std::destroy_n(chunk, values);
            RecordChunks::Give(chunk, values * sizeof(QVariant));
        }
    };
    std::vector<std::unique_ptr<QVariant[], TChunkRelease>> chunks_;
    uint32_t count_ = 0;
    int stride_ = 0;
};
