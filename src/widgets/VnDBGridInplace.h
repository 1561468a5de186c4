#pragma once

#include <QEvent>
#include <QListWidget>
#include <QPointer>
#include <QVariant>
#include <array>
#include <functional>
#include <memory>

#include "platform/data/DataSource.h"
#include "platform/ui/CustomGrid.h"

class TVnCustomDBGrid;

// How the in-place editor offers help with a value: nothing, a button that runs the column's action,
// a drop-down list of fixed texts, or a drop-down list of records of a lookup dataset.
enum TEditStyle { esSimple = 0, esEllipsis = 1, esPickList = 2, esDataList = 3 };

// Top-level lists that float above the form under the editor: never activated, never focused, so
// the editor keeps the keyboard and hands them the keys it does not want.
class TPopupListbox : public QListWidget {
    Q_OBJECT
public:
    static constexpr int kMaxSearchText = 32;
    static constexpr qint64 kSearchTimeout = 2000;

    explicit TPopupListbox(QWidget* owner);

    // The height of one item: 11 pixels at least, more when the font needs it.
    int ItemHeight() const;
    void SetItems(const QStringList& items);
    QString SearchText() const { return searchText_; }
    qint64 SearchTickCount() const { return searchTickCount_; }
    // The clock the search measures its pauses with; tests replace it.
    std::function<qint64()> TickCount;

    // The mouse was let go over the list: inside its client area or not.
    std::function<void(bool inside)> OnListMouseUp;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString searchText_;
    qint64 searchTickCount_ = 0;
};

// The list of records of a lookup dataset: it shows ListField of every record and answers the
// KeyField of the one chosen.
class TPopupDataList : public QListWidget {
    Q_OBJECT
public:
    explicit TPopupDataList(QWidget* owner);

    TDataSource* ListSource() const { return listSource_; }
    // Reads the records of the source's dataset; none detaches the list.
    void SetListSource(TDataSource* source);
    QString KeyField() const { return keyField_; }
    void SetKeyField(const QString& value) { keyField_ = value; }
    QString ListField() const { return listField_; }
    void SetListField(const QString& value) { listField_ = value; }
    int RowCount() const { return rowCount_; }
    void SetRowCount(int value) { rowCount_ = value; }
    // The key of the chosen record; an invalid value when none is chosen.
    QVariant KeyValue() const;
    void SetKeyValue(const QVariant& value);
    int RowHeight() const;

    std::function<void(bool inside)> OnListMouseUp;

protected:
    bool event(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Fill();

    TDataSource* listSource_ = nullptr;
    QString keyField_, listField_;
    int rowCount_ = 7;
};

// The data-aware grid's editor: the grid's edit field with a button at its right edge that drops
// down a pick list or a lookup list, or runs the column's edit-button action.
class TDBGridInplaceEdit : public TInplaceEdit {
    Q_OBJECT
public:
    explicit TDBGridInplaceEdit(TVnCustomDBGrid* grid);
    ~TDBGridInplaceEdit() override;

    TVnCustomDBGrid* Grid() const { return grid_; }
    TEditStyle EditStyle() const { return editStyle_; }
    void SetEditStyle(TEditStyle value);
    int ButtonWidth() const { return buttonWidth_; }
    TPopupListbox* PickList() const { return pickList_; }
    TPopupDataList* DataList() const { return dataList_; }
    QListWidget* ActiveList() const { return activeList_; }
    TDataSource* LookupSource() const { return lookupSource_.get(); }
    bool ListVisible() const { return listVisible_; }
    bool Tracking() const { return tracking_; }
    bool ButtonPressed() const { return pressed_; }

    // Takes the style, read-only state and font of the current column, then the cell's text.
    void UpdateContents() override;
    void ApplyColumnSettings() { UpdateContents(); }
    void OpenList();
    void CloseList(bool accept);

    // The button's area in the editor's coordinates; empty for the simple style.
    QRect ButtonRect() const;
    // The three dots of the ellipsis button in a button rectangle.
    static std::array<QRect, 3> EllipsisDots(const QRect& button, bool pressed);

protected:
    void BoundsChanged() override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;

private:
    void StopTracking();
    void TrackButton(const QPoint& pos);
    void ListMouseUp(bool inside);
    bool OverList(const QPointF& globalPos) const;
    void SendMouseToList(QEvent::Type type, QMouseEvent* event);
    void PaintButton(QPainter& painter);

    TVnCustomDBGrid* grid_;
    TEditStyle editStyle_ = esSimple;
    int buttonWidth_;
    QPointer<TPopupListbox> pickList_;
    QPointer<TPopupDataList> dataList_;
    QListWidget* activeList_ = nullptr;
    std::unique_ptr<TDataSource> lookupSource_;
    bool listVisible_ = false;
    bool tracking_ = false;
    bool pressed_ = false;
    // A press was passed on to the list while tracking: the rest of the drag belongs to it.
    bool listTakesMouse_ = false;
    bool shrinking_ = false;
};
