#pragma once

// The pictures of a sheet found by the row their anchor starts in, so that a report can treat the
// pictures of one template row like its cells. Built once after rows have moved; never updated.

#include <memory>
#include <vector>

// One row and the sheet-wide indexes (0-based) of the pictures anchored in it, in the order added.
class TCommentRowPos {
public:
    int Row = 0;  // 1-based
    int Count() const { return int(items_.size()); }
    int Items(int i) const { return items_[size_t(i)]; }
    void Add(int pictureIndex) { items_.push_back(pictureIndex); }

private:
    std::vector<int> items_;
};

class TRowComments {
public:
    TRowComments();
    int Count() const { return int(items_.size()); }
    const TCommentRowPos& operator[](int i) const { return *items_[size_t(i)]; }

    void Add(int Row, int PictureIndex);
    // The row's entry; a row without pictures gets one shared empty entry.
    const TCommentRowPos& ForRow(int Row) const;
    // Binary search by row; Position is the insertion point when the row is absent.
    bool Find(int Row, int& Position) const;

private:
    std::vector<std::unique_ptr<TCommentRowPos>> items_;
    TCommentRowPos empty_;
};
