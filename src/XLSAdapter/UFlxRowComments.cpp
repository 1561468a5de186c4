#include "XLSAdapter/UFlxRowComments.h"

TRowComments::TRowComments() = default;

void TRowComments::Add(int Row, int PictureIndex) {
    int position;
    if (!Find(Row, position)) {
        auto entry = std::make_unique<TCommentRowPos>();
        entry->Row = Row;
        items_.insert(items_.begin() + position, std::move(entry));
    }
    items_[size_t(position)]->Add(PictureIndex);
}

const TCommentRowPos& TRowComments::ForRow(int Row) const {
    int position;
    return Find(Row, position) ? *items_[size_t(position)] : empty_;
}

bool TRowComments::Find(int Row, int& Position) const {
    int low = 0, high = Count() - 1;
    bool found = false;
    while (low <= high) {
        int mid = (low + high) / 2;
        if (items_[size_t(mid)]->Row < Row) {
            low = mid + 1;
        } else {
            high = mid - 1;
            if (items_[size_t(mid)]->Row == Row) {
                found = true;
                low = mid;
            }
        }
    }
    Position = low;
    return found;
}
