#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include "widgets/VnDBGrids.h"

void TVnCustomDBGrid::SetFrozenCols(int value) {
    frozenCols_ = value;
    ApplyFrozenCols();
}

void TVnCustomDBGrid::ApplyFrozenCols() {}

void TVnCustomDBGrid::TitleClick(Qt::KeyboardModifiers shift, int column) {
    TVnCustomGrid::TitleClick(shift, column);
}

void TVnCustomDBGrid::ClipButtonClick(int item) { TVnCustomGrid::ClipButtonClick(item); }

void TVnCustomDBGrid::CloseClipPopup() { TVnCustomGrid::CloseClipPopup(); }

void TVnCustomDBGrid::TitleClipClick(int, int) {}

void TVnCustomDBGrid::KeyPress(QChar&) {}

void TVnCustomDBGrid::NextRow(bool, Qt::KeyboardModifiers) {}

void TVnCustomDBGrid::PriorRow(bool, Qt::KeyboardModifiers) {}

bool TVnCustomDBGrid::SelectCell(int col, int row) { return TVnCustomGrid::SelectCell(col, row); }

void TVnCustomDBGrid::TopLeftChanged() { TVnCustomGrid::TopLeftChanged(); }

void TVnCustomDBGrid::ColWidthsChanged() { TVnCustomGrid::ColWidthsChanged(); }

void TVnCustomDBGrid::RowHeightsChanged() { TVnCustomGrid::RowHeightsChanged(); }

void TVnCustomDBGrid::ColumnMoved(int fromIndex, int toIndex) {
    TVnCustomGrid::ColumnMoved(fromIndex, toIndex);
}

bool TVnCustomDBGrid::BeginColumnDrag(int& origin, int& destination, const QPoint& mousePt) {
    return TVnCustomGrid::BeginColumnDrag(origin, destination, mousePt);
}

void TVnCustomDBGrid::CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos,
                                      int& sizingOfs, const TGridDrawInfo& info) {
    TVnCustomGrid::CalcSizingState(x, y, state, index, sizingPos, sizingOfs, info);
}

void TVnCustomDBGrid::TimedScroll(int dx, int dy) { TVnCustomGrid::TimedScroll(dx, dy); }

void TVnCustomDBGrid::MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
    TVnCustomGrid::MouseDown(button, shift, x, y);
}

void TVnCustomDBGrid::MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int x, int y) {
    TVnCustomGrid::MouseMove(buttons, shift, x, y);
}

void TVnCustomDBGrid::MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
    TVnCustomGrid::MouseUp(button, shift, x, y);
}

void TVnCustomDBGrid::KeyDown(int& key, Qt::KeyboardModifiers shift) { TVnCustomGrid::KeyDown(key, shift); }

void TVnCustomDBGrid::keyPressEvent(QKeyEvent* event) { TVnCustomGrid::keyPressEvent(event); }

void TVnCustomDBGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    TVnCustomGrid::mouseDoubleClickEvent(event);
}

void TVnCustomDBGrid::wheelEvent(QWheelEvent* event) { TVnCustomGrid::wheelEvent(event); }

void TVnCustomDBGrid::focusInEvent(QFocusEvent* event) { TVnCustomGrid::focusInEvent(event); }

void TVnCustomDBGrid::focusOutEvent(QFocusEvent* event) { TVnCustomGrid::focusOutEvent(event); }

void TVnCustomDBGrid::leaveEvent(QEvent* event) { TVnCustomGrid::leaveEvent(event); }

void TVnCustomDBGrid::contextMenuEvent(QContextMenuEvent* event) { TVnCustomGrid::contextMenuEvent(event); }
