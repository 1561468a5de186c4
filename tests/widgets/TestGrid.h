#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStringList>
#include <QTest>
#include <map>
#include <memory>
#include <vector>

#include "widgets/VnGrids.h"

// A grid the way the data-aware grid builds on the base: raw column 0 is the indicator, data
// columns follow; each data column has a caption, an optional sort mark and a footer panel.
class TestGrid : public TVnCustomGrid {
public:
    explicit TestGrid(int dataColumns = 5, int rows = 12, QWidget* parent = nullptr) : TVnCustomGrid(parent) {
        SetColCount(dataColumns + 1);
        SetRowCount(rows + 1);
        SetFixedCols(1);
        SetFixedRows(1);
        SetDefaultRowHeight(18);
        SetColWidths(0, 12);
        SetOptions(Options() | goColSizing | goColMoving);
        footer = std::make_unique<TVnFooter>(&Footers());
        for (int i = 0; i < dataColumns; ++i) {
            captions << QStringLiteral("Sloupec %1").arg(i + 1);
            auto* panel = footer->Panels().Add();
            panel->SetColumnIndex(i + 1);
        }
    }
    ~TestGrid() override { footer.reset(); }

    TVnFooterTextPanel* Panel(int dataColumn) {
        return static_cast<TVnFooterTextPanel*>(footer->Panels().Items(dataColumn));
    }
    // The panel standing under a raw column, or none.
    TVnFooterTextPanel* PanelUnder(int rawColumn) {
        for (int i = 0; i < footer->Panels().Count(); ++i)
            if (footer->Panels().Items(i)->ColumnIndex() == rawColumn) return Panel(i);
        return nullptr;
    }

    int DataToRawColumn(int dataColumn) const override { return dataColumn + 1; }
    int RawToDataColumn(int rawColumn) const override { return rawColumn - 1; }
    int RawToDataRow(int rawRow) const override { return rawRow - 1; }
    void PopupAnchor(int& left, int& top, int& side, int& width) override { left = top = side = width = 0; }
    int ColumnKind(int rawColumn, int) override { return rawColumn < 0 ? 0 : rawColumn == 0 ? 1 : 4; }
    int RowKind(int rawRow, int) override { return rawRow < 0 ? 0 : rawRow == 0 ? 1 : 3; }
    bool UpdateRowCount() override {
        ++rowCountUpdates;
        return false;
    }
    void InvalidateRegion(const QRegion& region) override {
        invalidated += region;
        TVnCustomGrid::InvalidateRegion(region);
    }

    void PaintTitle(QPainter& canvas, int dataColumn, int, const TRect& rect, bool, bool paint, bool,
                    QSize& size) override {
        const QString caption =
            dataColumn >= 0 && dataColumn < captions.size() ? captions[dataColumn] : QString();
        size = QSize(QFontMetrics(font()).horizontalAdvance(caption) + 4, QFontMetrics(font()).height());
        if (!paint) return;
        canvas.setPen(Qt::black);
        TRect text{rect.Left + 2, rect.Top, rect.Right - 14, rect.Bottom};
        DrawTextRect(canvas, caption, text, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
        const auto mark = sortMarks.find(dataColumn);
        if (mark != sortMarks.end())
            GridIndicatorImages().Draw(canvas, rect.Right - 12, rect.Top + (rect.Height() - 11) / 2,
                                       mark->second);
    }

    void DrawCell(QPainter& canvas, int col, int row, const TRect& rect, TGridDrawState state) override {
        if (row == 0) {
            FillRect(canvas, rect, FixedColor());
            QSize size;
            if (col > 0) PaintTitle(canvas, RawToDataColumn(col), 0, rect, false, true, false, size);
            DrawCellFrame(canvas, rect, FixedFrameStyle(), TCellFrameState::Normal, FixedColor());
            return;
        }
        if (col < FixedCols()) {
            FillRect(canvas, rect, col == 0 ? FixedColor() : 0xE8F0F0);
            if (col == 0) {
                if (row == Row())
                    GridIndicatorImages().Draw(canvas, rect.Right - 11, rect.Top + (rect.Height() - 11) / 2,
                                               iiArrow);
                DrawCellFrame(canvas, rect, FixedFrameStyle(), TCellFrameState::Normal, FixedColor());
                return;
            }
        } else {
            FillRect(canvas, rect, (state & gdSelected) ? clHighlight : Color());
        }
        canvas.setPen(ToQColor((state & gdSelected) ? clHighlightText : clWindowText));
        TRect text = rect.Inflated(-2, 0);
        DrawTextRect(canvas, QStringLiteral("%1/%2").arg(captions.value(col - 1)).arg(row), text,
                     DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    }

    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) override {
        // As the data-aware grid does: with selected areas on, a press on a data cell starts one.
        const TGridCoord cell = MouseCoord(x, y);
        if ((GridFlags() & gfAdvancedSelect) && cell.X >= FixedCols() && cell.Y >= FixedRows()) {
            SelectedArea()->MouseDown(x, y, button, shift, cell);
            return;
        }
        TVnCustomGrid::MouseDown(button, shift, x, y);
    }

    void ColumnMoved(int fromIndex, int toIndex) override {
        captions.move(fromIndex - 1, toIndex - 1);
        TVnCustomGrid::ColumnMoved(fromIndex, toIndex);
    }

    void ColumnMovedForTest(int fromIndex, int toIndex) { ColumnMoved(fromIndex, toIndex); }

    QStringList captions;
    std::map<int, int> sortMarks;
    std::unique_ptr<TVnFooter> footer;
    int rowCountUpdates = 0;
    QRegion invalidated;
};

// A move with the left button held, sent straight to the widget as the window system would.
inline void SendMouse(QWidget* target, QEvent::Type type, QPoint pos, Qt::MouseButton button,
                      Qt::MouseButtons buttons, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QMouseEvent event(type, QPointF(pos), QPointF(target->mapToGlobal(pos)), button, buttons, mods);
    QApplication::sendEvent(target, &event);
}

inline void Press(QWidget* w, QPoint p, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::mousePress(w, Qt::LeftButton, mods, p);
}
inline void Drag(QWidget* w, QPoint p) { SendMouse(w, QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton); }
inline void Release(QWidget* w, QPoint p) { QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, p); }
