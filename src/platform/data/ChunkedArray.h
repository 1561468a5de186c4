#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/data/RecordStore.h"

// A value per record kept beside the records (sort keys and their prefixes), in chunks of the
// record storage's size taken from the same kept memory: growing record by record allocates one
// chunk at a time, never copies what it holds, and a table built again reuses the pages the
// last one gave back.
template <typename T>
class TChunkedArray {
public:
    static constexpr uint32_t kShift = TRecordStore::kChunkShift;
    static constexpr uint32_t kChunk = TRecordStore::kChunkRecords;

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    void clear() {
        chunks_.clear();
        size_ = 0;
    }
    // Makes the array at least n long; new values are T().
    void GrowTo(size_t n) {
        while (chunks_.size() * kChunk < n) {
            auto* chunk = static_cast<T*>(RecordChunks::Take(kChunk * sizeof(T)));
            std::uninitialized_value_construct_n(chunk, kChunk);
            chunks_.emplace_back(chunk);
        }
        if (n > size_) size_ = n;
    }
    T& operator[](size_t i) {
        assert(i < size_);
        return chunks_[i >> kShift][i & (kChunk - 1)];
    }
    const T& operator[](size_t i) const {
        assert(i < size_);
        return chunks_[i >> kShift][i & (kChunk - 1)];
    }

private:
    struct TRelease {
        void operator()(T* chunk) const {
            std::destroy_n(chunk, kChunk);
            RecordChunks::Give(chunk, kChunk * sizeof(T));
        }
    };
    std::vector<std::unique_ptr<T[], TRelease>> chunks_;
    size_t size_ = 0;
};
