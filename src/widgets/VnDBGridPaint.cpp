#include <QPainter>

#include "widgets/VnDBGrids.h"

void TVnCustomDBGrid::DrawCellDefault(QPainter& canvas, const TRect& rect, int /*dataColumn*/,
                                      TColumn* column, TGridDrawState /*state*/) {
    canvas.fillRect(rect.ToQRect(), canvas.brush());
    if (!column) return;
    TRect text = rect.Inflated(-2, 0);
    DrawTextRect(canvas, GetCellText(column), text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

void TVnCustomDBGrid::PaintTitle(QPainter& canvas, int dataColumn, int titleRow, const TRect& rect,
                                 bool pressed, bool paint, bool buffered, QSize& size) {
    TVnCustomGrid::PaintTitle(canvas, dataColumn, titleRow, rect, pressed, paint, buffered, size);
}

bool TVnCustomDBGrid::FlatTitleButtons() { return TVnCustomGrid::FlatTitleButtons(); }

int TVnCustomDBGrid::FixedFrameStyle() { return TVnCustomGrid::FixedFrameStyle(); }

void TVnCustomDBGrid::CreateCellDragImage(int column, int row, std::unique_ptr<TImageList>& images) {
    TVnCustomGrid::CreateCellDragImage(column, row, images);
}

void TVnCustomDBGrid::Paint(QPainter& canvas) { TVnCustomGrid::Paint(canvas); }

void TVnCustomDBGrid::DrawCell(QPainter& canvas, int col, int row, const TRect& rect, TGridDrawState state) {
    TVnCustomGrid::DrawCell(canvas, col, row, rect, state);
}
