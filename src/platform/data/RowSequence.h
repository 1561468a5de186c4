#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// An ordered list of record numbers, each at most once: the order a cursor walks, or the
// natural order of a table. Besides walking it, a dataset inserts and removes records in the
// middle (an indexed post, a delete), asks at which position a record stands (bookmarks) and
// which record stands at a position (the cursor), all on lists of hundreds of thousands.
//
// The list is cut into blocks of a few hundred numbers. A tree of block sizes finds the block of
// a position in a handful of steps; every record knows its block. Inserting or removing moves
// numbers within one block only, and a full block splits in two, so no operation costs more
// than a block's length plus a logarithm - where one flat array would move half the list on
// every change and turn deleting a table row by row into a quadratic job.
class TRowSequence {
public:
    TRowSequence() = default;

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    void clear();

    // Replaces the whole list (records must be distinct).
    void Assign(std::vector<uint32_t>&& rows);

    uint32_t operator[](size_t position) const;
    void insert(size_t position, uint32_t row);
    void push_back(uint32_t row) { insert(size_, row); }
    void erase(size_t position);
    // Position of the record, or -1 when it is not in the list.
    int PositionOf(uint32_t row) const;
    bool Contains(uint32_t row) const { return row < blockOf_.size() && blockOf_[row] != kNone; }

    // The first position whose record does not satisfy `before`, for a list ordered so that
    // every record satisfying it comes first (as std::partition_point).
    size_t PartitionPoint(const std::function<bool(uint32_t row)>& before) const;

    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = uint32_t;
        using difference_type = std::ptrdiff_t;
        using pointer = const uint32_t*;
        using reference = uint32_t;

        const_iterator(const TRowSequence* seq, size_t rank, size_t offset)
            : seq_(seq), rank_(rank), offset_(offset) {}
        uint32_t operator*() const { return seq_->blocks_[seq_->order_[rank_]][offset_]; }
        const_iterator& operator++() {
            if (++offset_ == seq_->blocks_[seq_->order_[rank_]].size()) {
                ++rank_;
                offset_ = 0;
            }
            return *this;
        }
        bool operator==(const const_iterator& o) const { return rank_ == o.rank_ && offset_ == o.offset_; }
        bool operator!=(const const_iterator& o) const { return !(*this == o); }

    private:
        const TRowSequence* seq_;
        size_t rank_;
        size_t offset_;
    };
    const_iterator begin() const { return const_iterator(this, 0, 0); }
    const_iterator end() const { return const_iterator(this, order_.size(), 0); }

private:
    static constexpr uint32_t kNone = UINT32_MAX;
    // A block splits when it reaches this length; lookups scan at most one block.
    static constexpr size_t kMaxBlock = 512;

    // Which block (rank in order_) and where in it a position lies.
    void Locate(size_t position, size_t& rank, size_t& offset) const;
    size_t BlocksBefore(size_t rank) const;  // records in the blocks before this rank
    void FenwickAdd(size_t rank, int delta);
    void RebuildIndex();  // ranks and the tree of sizes, after blocks came or went
    void SetBlockOf(uint32_t row, uint32_t block);
    void SplitBlock(size_t rank);
    void RemoveBlock(size_t rank);

    std::vector<std::vector<uint32_t>> blocks_;  // by block id; ids of removed blocks are reused
    std::vector<uint32_t> freeBlocks_;
    std::vector<uint32_t> order_;    // block ids in list order; no block in it is empty
    std::vector<uint32_t> rankOf_;   // block id -> its rank in order_
    std::vector<uint32_t> fenwick_;  // sizes of the blocks by rank, as a binary indexed tree
    std::vector<uint32_t> blockOf_;  // record -> block id, kNone when not in the list
    size_t size_ = 0;
    // The block of the last position looked up: walking the list by position stays O(1).
    mutable size_t cacheRank_ = SIZE_MAX;
    mutable size_t cacheStart_ = 0;
};
