#include "widgets/VnDBGrids.h"
#include "widgets/VnScopeGuard.h"

// ---- marked rows -------------------------------------------------------------------------------------

TDataSet* TBookmarkList::DataSet() const { return grid_->DataLink()->DataSet(); }

void TBookmarkList::ListChanged() {
    cacheBookmark_.clear();
    cacheIndex_ = -1;
    cacheFound_ = false;
    // Only the grid's own marks are news to the window; a selected block keeps its rows in a list too.
    if (this == &grid_->MarkedRows()) grid_->BookmarksChanged();
}

void TBookmarkList::ClearMarks() {
    if (marks_.isEmpty()) return;
    marks_.clear();
    ListChanged();
    grid_->SetMarkAnchorSet(false);
    grid_->InvalidateGrid();
}

TBookmark TBookmarkList::MarkAt(int index) const {
    if (index < 0 || index >= marks_.size())
        throw EInvalidGridOperation(QStringLiteral("List index out of bounds (%1)").arg(index));
    return marks_[index];
}

TBookmark TBookmarkList::CurrentRowBookmark() const {
    TDataSet* ds = DataSet();
    if (!linkActive_ || !ds) throw EInvalidGridOperation(kSDataSetClosed);
    return ds->GetBookmark();
}

int TBookmarkList::CompareBookmarks(const TBookmark& a, const TBookmark& b) const {
    if (a == b) return 0;
    TDataSet* ds = DataSet();
    const int order = ds ? ds->CompareBookmarks(a, b) : 0;
    // Two different bookmarks never name one record, even when both are stale.
    if (order != 0) return order;
    return a < b ? -1 : 1;
}

bool TBookmarkList::FindMark(const TBookmark& bookmark, int& index) {
    if (bookmark == cacheBookmark_ && cacheIndex_ >= 0) {
        index = cacheIndex_;
        return cacheFound_;
    }
    index = 0;
    bool found = false;
    for (int i = 0; i < marks_.size(); ++i) {
        if (CompareBookmarks(marks_[i], bookmark) == 0) {
            index = i;
            found = true;
            break;
        }
    }
    cacheBookmark_ = bookmark;
    cacheIndex_ = index;
    cacheFound_ = found;
    return found;
}

bool TBookmarkList::IsCurrentRowMarked() {
    int index;
    return FindMark(CurrentRowBookmark(), index);
}

void TBookmarkList::SetCurrentRowMarked(bool value) {
    const TBookmark current = CurrentRowBookmark();
    int index;
    if (!current.isEmpty() && value != FindMark(current, index)) {
        // Not found answers position 0: a new mark always goes to the front.
        if (value)
            marks_.insert(index, current);
        else
            marks_.removeAt(index);
        ListChanged();
    }
    if (!DataSet()->ControlsDisabled()) InvalidateCurrentRow();
}

void TBookmarkList::InvalidateCurrentRow() {
    const int row = grid_->Row();
    if (row < 0 || row >= grid_->RowCount()) return;
    grid_->InvalidateRegion(QRegion(grid_->CellBoxRect(0, row, grid_->ColCount() - 1, row).ToQRect()));
}

void TBookmarkList::DeleteMarkedRecords() {
    TDataSet* ds = DataSet();
    if (!ds) return;
    ds->DisableControls();
    const TScopeGuard enable([ds] { ds->EnableControls(); });
    for (int i = static_cast<int>(marks_.size()) - 1; i >= 0; --i) {
        ds->GotoBookmark(marks_[i]);
        ds->Delete();
        marks_.removeAt(i);
        ListChanged();
    }
}

bool TBookmarkList::DropVanishedMarks() {
    TDataSet* ds = DataSet();
    if (!ds) return false;
    if (ds->Active()) ds->CheckBrowseMode();
    bool removed = false;
    for (int i = static_cast<int>(marks_.size()) - 1; i >= 0; --i) {
        bool valid = false;
        try {
            valid = ds->Active() && ds->BookmarkValid(marks_[i]);
        } catch (const std::exception&) {
            valid = false;
        }
        if (!valid) {
            marks_.removeAt(i);
            removed = true;
            ListChanged();
        }
    }
    if (removed) grid_->InvalidateGrid();
    return removed;
}

void TBookmarkList::LoadMarks(const QStringList& list) {
    marks_ = list;
    ListChanged();
    grid_->InvalidateGrid();
}

void TBookmarkList::SaveMarks(QStringList& list) const {
    list.clear();
    list = marks_;
}

void TBookmarkList::MarkAllRows() {
    TDataSet* ds = DataSet();
    if (!ds || !linkActive_) return;
    grid_->SavePosition(false);
    ds->DisableControls();
    const TScopeGuard finish([this, ds] {
        grid_->RestorePosition();
        ds->EnableControls();
    });
    QStringList all;
    for (ds->First(); !ds->Eof(); ds->Next()) all << ds->GetBookmark();
    LoadMarks(all);
}

void TBookmarkList::SetLinkActive(bool value) {
    ClearMarks();
    linkActive_ = value;
}

// ---- saved position ------------------------------------------------------------------------------------

namespace {

// Whether a grid's dataset can take part in saving a position: open, with bookmarks (all of ours).
TDataSet* PositionDataSet(TVnCustomDBGrid* grid) {
    TDataSet* ds = grid->DataSource() ? grid->DataLink()->DataSet() : nullptr;
    return ds && ds->Active() ? ds : nullptr;
}

}  // namespace

void TVnCustomDBGrid::SavePosition(bool skipMarked) {
    TDataSet* ds = PositionDataSet(this);
    if (!ds) return;
    savedPrior_ = {};
    savedNext_ = {};
    // Both remembered records are put back on the line the current record has now.
    const int row = Row();
    const int active = std::max(0, row - titleOffset_);
    ds->DisableControls();
    const TScopeGuard enable([ds] { ds->EnableControls(); });
    ds->Prior();
    if (skipMarked)
        while (!ds->Bof() && markedRows_->IsCurrentRowMarked()) ds->Prior();
    if (!ds->Bof()) {
        savedPrior_ = {row, ds->GetBookmark(), active};
        ds->Next();
    }
    if (skipMarked) {
        bool firstStep = true;
        while (!ds->Eof() &&
               ((firstStep && markedRows_->MarkCount() == 0) || markedRows_->IsCurrentRowMarked())) {
            ds->Next();
            firstStep = false;
        }
    }
    if (!ds->Eof() && !ds->IsEmpty()) savedNext_ = {row, ds->GetBookmark(), active};
}

bool TVnCustomDBGrid::BookmarkUsable(const TBookmark& bookmark) const {
    TDataSet* ds = dataLink_->DataSet();
    if (!ds || bookmark.isEmpty() || ds->IsEmpty()) return false;
    try {
        return ds->BookmarkValid(bookmark);
    } catch (const std::exception&) {
        return false;
    }
}

void TVnCustomDBGrid::RestoreSaved(const TGridSavedPosition& saved) {
    TDataSet* ds = dataLink_->DataSet();
    ds->CheckBrowseMode();
    ds->GotoBookmark(saved.Bookmark);
    // The record goes back on its old screen line, as far as the records around it allow.
    const int line = std::max(0, saved.Row - titleOffset_);
    dataLink_->PlaceActiveRecord(line);
    rowsLink_->PlaceActiveRecord(line);
}

void TVnCustomDBGrid::RestorePosition() {
    TDataSet* ds = PositionDataSet(this);
    if (!ds) return;
    ds->DisableControls();
    const TScopeGuard enable([ds] { ds->EnableControls(); });
    if (BookmarkUsable(savedNext_.Bookmark))
        RestoreSaved(savedNext_);
    else if (savedPrior_.Bookmark.isEmpty())
        ds->First();
    else if (BookmarkUsable(savedPrior_.Bookmark))
        RestoreSaved(savedPrior_);
    else
        ds->First();
}
