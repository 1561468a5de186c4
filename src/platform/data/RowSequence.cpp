#include "platform/data/RowSequence.h"

#include <algorithm>
#include <cassert>

void TRowSequence::clear() {
    blocks_.clear();
    freeBlocks_.clear();
    order_.clear();
    rankOf_.clear();
    fenwick_.clear();
    blockOf_.clear();
    size_ = 0;
    cacheRank_ = SIZE_MAX;
}

void TRowSequence::SetBlockOf(uint32_t row, uint32_t block) {
    if (row >= blockOf_.size()) blockOf_.resize(std::max<size_t>(row + 1, blockOf_.size() * 2), kNone);
    blockOf_[row] = block;
}

void TRowSequence::Assign(std::vector<uint32_t>&& rows) {
    clear();
    size_ = rows.size();
    // Half-full blocks leave room for inserts before the first split.
    const size_t per = kMaxBlock / 2;
    uint32_t maxRow = 0;
    for (uint32_t r : rows) maxRow = std::max(maxRow, r);
    if (!rows.empty()) blockOf_.assign(static_cast<size_t>(maxRow) + 1, kNone);
    for (size_t start = 0; start < rows.size(); start += per) {
        const size_t end = std::min(rows.size(), start + per);
        const auto id = static_cast<uint32_t>(blocks_.size());
        blocks_.emplace_back(rows.begin() + static_cast<ptrdiff_t>(start),
                             rows.begin() + static_cast<ptrdiff_t>(end));
        blocks_.back().reserve(kMaxBlock);
        order_.push_back(id);
        for (size_t i = start; i < end; ++i) blockOf_[rows[i]] = id;
    }
    RebuildIndex();
}

void TRowSequence::RebuildIndex() {
    rankOf_.assign(blocks_.size(), kNone);
    for (size_t r = 0; r < order_.size(); ++r) rankOf_[order_[r]] = static_cast<uint32_t>(r);
    // Linear construction of the tree: each node passes its sum on to its parent.
    fenwick_.assign(order_.size() + 1, 0);
    for (size_t r = 0; r < order_.size(); ++r) {
        const size_t i = r + 1;
        fenwick_[i] += static_cast<uint32_t>(blocks_[order_[r]].size());
        const size_t parent = i + (i & (~i + 1));
        if (parent < fenwick_.size()) fenwick_[parent] += fenwick_[i];
    }
    cacheRank_ = SIZE_MAX;
}

void TRowSequence::FenwickAdd(size_t rank, int delta) {
    for (size_t i = rank + 1; i < fenwick_.size(); i += i & (~i + 1))
        fenwick_[i] = static_cast<uint32_t>(static_cast<int64_t>(fenwick_[i]) + delta);
}

size_t TRowSequence::BlocksBefore(size_t rank) const {
    size_t sum = 0;
    for (size_t i = rank; i > 0; i -= i & (~i + 1)) sum += fenwick_[i];
    return sum;
}

void TRowSequence::Locate(size_t position, size_t& rank, size_t& offset) const {
    if (cacheRank_ < order_.size() && position >= cacheStart_ &&
        position < cacheStart_ + blocks_[order_[cacheRank_]].size()) {
        rank = cacheRank_;
        offset = position - cacheStart_;
        return;
    }
    // Descends the tree: the largest prefix of blocks whose records all lie before the position.
    size_t pos = 0;
    size_t remaining = position;
    size_t step = 1;
    while (step * 2 < fenwick_.size()) step *= 2;
    for (; step > 0; step /= 2) {
        if (pos + step < fenwick_.size() && fenwick_[pos + step] <= remaining) {
            pos += step;
            remaining -= fenwick_[pos];
        }
    }
    rank = pos;
    offset = remaining;
    cacheRank_ = rank;
    cacheStart_ = position - remaining;
}

uint32_t TRowSequence::operator[](size_t position) const {
    assert(position < size_);
    size_t rank, offset;
    Locate(position, rank, offset);
    return blocks_[order_[rank]][offset];
}

int TRowSequence::PositionOf(uint32_t row) const {
    if (!Contains(row)) return -1;
    const uint32_t id = blockOf_[row];
    const std::vector<uint32_t>& block = blocks_[id];
    const auto it = std::find(block.begin(), block.end(), row);
    return static_cast<int>(BlocksBefore(rankOf_[id]) + static_cast<size_t>(it - block.begin()));
}

void TRowSequence::insert(size_t position, uint32_t row) {
    assert(position <= size_ && !Contains(row));
    if (order_.empty()) {
        const uint32_t id = freeBlocks_.empty() ? static_cast<uint32_t>(blocks_.size()) : freeBlocks_.back();
        if (freeBlocks_.empty())
            blocks_.emplace_back();
        else
            freeBlocks_.pop_back();
        blocks_[id].reserve(kMaxBlock);
        order_.push_back(id);
        RebuildIndex();
    }
    size_t rank, offset;
    if (position == size_) {
        // At the end: after the last record of the last block.
        rank = order_.size() - 1;
        offset = blocks_[order_[rank]].size();
    } else {
        Locate(position, rank, offset);
    }
    const uint32_t id = order_[rank];
    std::vector<uint32_t>& block = blocks_[id];
    block.insert(block.begin() + static_cast<ptrdiff_t>(offset), row);
    SetBlockOf(row, id);
    ++size_;
    FenwickAdd(rank, 1);
    cacheRank_ = SIZE_MAX;
    if (block.size() >= kMaxBlock) SplitBlock(rank);
}

void TRowSequence::SplitBlock(size_t rank) {
    const uint32_t id = order_[rank];
    uint32_t newId;
    if (!freeBlocks_.empty()) {
        newId = freeBlocks_.back();
        freeBlocks_.pop_back();
    } else {
        newId = static_cast<uint32_t>(blocks_.size());
        blocks_.emplace_back();
    }
    std::vector<uint32_t>& from = blocks_[id];
    std::vector<uint32_t>& to = blocks_[newId];
    const size_t half = from.size() / 2;
    to.assign(from.begin() + static_cast<ptrdiff_t>(half), from.end());
    to.reserve(kMaxBlock);
    from.resize(half);
    for (uint32_t r : to) blockOf_[r] = newId;
    order_.insert(order_.begin() + static_cast<ptrdiff_t>(rank) + 1, newId);
    RebuildIndex();
}

void TRowSequence::RemoveBlock(size_t rank) {
    const uint32_t id = order_[rank];
    blocks_[id].clear();
    freeBlocks_.push_back(id);
    order_.erase(order_.begin() + static_cast<ptrdiff_t>(rank));
    RebuildIndex();
}

void TRowSequence::erase(size_t position) {
    assert(position < size_);
    size_t rank, offset;
    Locate(position, rank, offset);
    const uint32_t id = order_[rank];
    std::vector<uint32_t>& block = blocks_[id];
    blockOf_[block[offset]] = kNone;
    block.erase(block.begin() + static_cast<ptrdiff_t>(offset));
    --size_;
    FenwickAdd(rank, -1);
    cacheRank_ = SIZE_MAX;
    if (block.empty()) RemoveBlock(rank);
}

size_t TRowSequence::PartitionPoint(const std::function<bool(uint32_t row)>& before) const {
    // First the block: the last one whose first record still satisfies the predicate holds the
    // boundary (or the boundary is its end). Then a binary search inside that block.
    size_t lo = 0, hi = order_.size();
    while (lo < hi) {
        const size_t mid = lo + (hi - lo) / 2;
        if (before(blocks_[order_[mid]].front()))
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo == 0) return 0;
    const size_t rank = lo - 1;
    const std::vector<uint32_t>& block = blocks_[order_[rank]];
    const auto it = std::partition_point(block.begin() + 1, block.end(), before);
    return BlocksBefore(rank) + static_cast<size_t>(it - block.begin());
}
