#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "platform/data/RowSequence.h"

namespace {

// Checks every way of reading the list against a plain vector holding the same records.
void ExpectSame(const TRowSequence& seq, const std::vector<uint32_t>& model, uint32_t slotCount) {
    ASSERT_EQ(seq.size(), model.size());
    std::vector<uint32_t> walked(seq.begin(), seq.end());
    ASSERT_EQ(walked, model);
    for (size_t i = 0; i < model.size(); i += 1 + model.size() / 97) ASSERT_EQ(seq[i], model[i]) << i;
    std::vector<int> position(slotCount, -1);
    for (size_t i = 0; i < model.size(); ++i) position[model[i]] = static_cast<int>(i);
    for (uint32_t row = 0; row < slotCount; ++row) ASSERT_EQ(seq.PositionOf(row), position[row]) << row;
}

// Inserts and removals at random places, across many block splits and removals, from an empty
// list, a list filled at once and a list emptied again.
TEST(RowSequence, BehavesAsAVectorThroughRandomEdits) {
    QRandomGenerator rng(42);
    constexpr uint32_t kSlots = 6000;
    std::vector<uint32_t> model(2500);
    std::iota(model.begin(), model.end(), 0u);
    std::shuffle(model.begin(), model.end(), std::mt19937(1));
    TRowSequence seq;
    seq.Assign(std::vector<uint32_t>(model));
    std::vector<uint32_t> unused;
    for (uint32_t r = 2500; r < kSlots; ++r) unused.push_back(r);
    ExpectSame(seq, model, kSlots);

    for (int round = 0; round < 3; ++round) {
        // Grow: positions at the front, the back and anywhere.
        for (int i = 0; i < 1500 && !unused.empty(); ++i) {
            const uint32_t row = unused.back();
            unused.pop_back();
            const size_t pos = i % 3 == 0   ? 0
                               : i % 3 == 1 ? model.size()
                                            : rng.bounded(static_cast<quint32>(model.size() + 1));
            model.insert(model.begin() + static_cast<ptrdiff_t>(pos), row);
            seq.insert(pos, row);
        }
        ExpectSame(seq, model, kSlots);
        // Shrink to nothing: from the middle mostly, as a list cleared by the user.
        while (!model.empty()) {
            const size_t pos =
                model.size() / 2 + (rng.bounded(3u) == 0
                                        ? 0
                                        : rng.bounded(static_cast<quint32>(model.size() - model.size() / 2)));
            unused.push_back(model[pos]);
            model.erase(model.begin() + static_cast<ptrdiff_t>(pos));
            seq.erase(pos);
            if (model.size() % 701 == 0) ExpectSame(seq, model, kSlots);
        }
        ExpectSame(seq, model, kSlots);
        EXPECT_TRUE(seq.empty());
        EXPECT_TRUE(seq.begin() == seq.end());
    }
}

// The place an ordered insert goes: after every record that does not sort after it.
TEST(RowSequence, PartitionPointFindsTheBoundaryInEveryBlock) {
    // Records are their own keys here, in ascending order, spread over many blocks.
    std::vector<uint32_t> rows;
    for (uint32_t r = 0; r < 3000; r += 2) rows.push_back(r);
    TRowSequence seq;
    seq.Assign(std::vector<uint32_t>(rows));
    for (uint32_t key : {0u, 1u, 2u, 511u, 512u, 513u, 1999u, 2998u, 2999u, 5000u}) {
        SCOPED_TRACE(key);
        const size_t expected = static_cast<size_t>(
            std::partition_point(rows.begin(), rows.end(), [&](uint32_t r) { return r <= key; }) -
            rows.begin());
        EXPECT_EQ(seq.PartitionPoint([&](uint32_t r) { return r <= key; }), expected);
    }
    TRowSequence empty;
    EXPECT_EQ(empty.PartitionPoint([](uint32_t) { return true; }), 0u);
}

}  // namespace
