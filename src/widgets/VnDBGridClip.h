#pragma once

#include <memory>

#include "widgets/VnDBGrids.h"

// The menu that drops down from a title button of the data-aware grid: the indicator's, the marker's
// or a column's. One per grid; its items are built anew for the title that opens it.
class TDBClipPopup : public TComboClipPopup {
    Q_OBJECT
public:
    // The library's own texts, kept in Russian as it ships them.
    static const QString kSelectAllCaption;
    static const QString kDeselectAllCaption;

    explicit TDBClipPopup(TVnCustomDBGrid* grid);
    ~TDBClipPopup() override;

    TVnCustomDBGrid* Grid() const { return grid_; }
    // Which title opened the menu (TVnCustomDBGrid::kClip...), kClipNone while closed.
    int Kind() const { return kind_; }
    void SetKind(int value) { kind_ = value; }
    // The raw column of the title that opened a column menu; -1 for the indicator and marker menus.
    int Column() const { return column_; }
    void SetColumn(int value) { column_ = value; }
    // The disabled line that counts the marks, while the marker menu has one.
    TVnAssistButton* InfoItem() const;

    // Builds the items of the menu's kind in place of the popup's default list.
    void CreateDefaultItems() override;
    void ItemClick(TVnAssistButton* item) override;
    void ShowPopup() override;
    void HidePopup() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetWatching(bool on);

    TVnCustomDBGrid* grid_;
    int kind_ = TVnCustomDBGrid::kClipNone;
    int column_ = -1;
    bool watching_ = false;
};

// The information line of the marker menu: marks, records and the word for "record" that fits the
// number of records.
QString BookmarksInfoText(int marks, int records);

// A block of cells of the data-aware grid whose rows are records, kept by their bookmarks so that the
// block stays on its records while the grid scrolls.
class TDBSelectedItem : public TSelectedItem {
public:
    // Kinds of blocks: whole columns, whole rows, or both.
    static constexpr int kColumns = 0, kRows = 1, kBlock = 2;

    // The item starts as the cell, on the dataset's current record.
    TDBSelectedItem(TSelectedArea* area, TGridCoord cell);
    ~TDBSelectedItem() override;

    TBookmarkList& Rows() const { return *rows_; }
    int FirstColumn() const { return firstColumn_; }
    int ColumnCount() const { return columnCount_; }
    int Kind() const { return kind_; }
    void SetKind(int value) { kind_ = value; }

    QRegion GetRegion() const override;
    void Resize(int columnDelta, int rowDelta, TGridCoord anchor) override;
    bool Contains(int dataColumn, int dataRow) const;

private:
    TVnCustomDBGrid* Grid() const;
    // Whether the record shown on a data row is in Rows.
    bool RowInItem(int dataRow) const;

    std::unique_ptr<TBookmarkList> rows_;
    TBookmark anchorRecord_;
    int firstColumn_ = 0;
    int columnCount_ = 1;
    int kind_ = kBlock;
};

// The selected blocks of a data-aware grid.
class TDBSelectedArea : public TSelectedArea {
public:
    explicit TDBSelectedArea(TVnCustomDBGrid* grid);
    bool CellInArea(int dataColumn, int dataRow) const;
};
