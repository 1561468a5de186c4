#include <QApplication>
#include <QFocusEvent>
#include <QHash>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>
#include <cmath>

#include "widgets/VnGrids.h"

namespace {

// Shown in an empty grouping box; the library keeps its own texts in Russian.
const QString kGroupBoxHint = QStringLiteral("Перетащите сюда заголовок колонки для группировки");

// Draws the indicator images the grids show in their fixed cells and titles, 10 x 11 pixels on a
// key colour that turns transparent.
constexpr TColor kIndicatorKey = 0xFF00FF;

QImage NewIndicator() {
    QImage image(10, 11, QImage::Format_RGB32);
    image.fill(QColor(255, 0, 255));
    return image;
}

QImage MakeIndicator(int index) {
    QImage image = NewIndicator();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor black(Qt::black);
    auto poly = [&](std::initializer_list<QPoint> pts, const QColor& c) {
        p.setPen(c);
        p.setBrush(c);
        p.drawPolygon(std::data(pts), static_cast<int>(pts.size()));
    };
    switch (index) {
        case iiArrow:  // current row: a triangle pointing right
            poly({{3, 1}, {3, 9}, {7, 5}}, black);
            break;
        case iiEdit:  // edited row: a caret
            p.fillRect(3, 1, 4, 1, black);
            p.fillRect(5, 1, 1, 9, black);
            p.fillRect(3, 9, 4, 1, black);
            break;
        case iiInsert:  // inserted row: an asterisk
            p.fillRect(5, 2, 1, 7, black);
            p.fillRect(2, 5, 7, 1, black);
            p.setPen(black);
            p.drawLine(3, 3, 7, 7);
            p.drawLine(3, 7, 7, 3);
            break;
        case iiMultiDot:  // marked row
            p.setPen(black);
            p.setBrush(black);
            p.drawEllipse(3, 4, 3, 3);
            break;
        case iiMultiArrow:  // marked current row
            poly({{1, 1}, {1, 9}, {5, 5}}, black);
            p.fillRect(7, 4, 2, 3, black);
            break;
        case iiCheck:  // marked row in the marker column
            DrawGlyph(p, gkCheck, 1, 2, clBlack, 0);
            break;
        case iiMain:  // indicator menu: three lines
            for (int y : {2, 5, 8}) p.fillRect(1, y, 8, 2, black);
            break;
        case iiIndexAsc:
            DrawGlyph(p, gkTriangleUp, 1, 3, clBlack, 1);
            break;
        case iiIndexDesc:
            DrawGlyph(p, gkTriangleDown, 1, 4, clBlack, 1);
            break;
        case iiIndexNone:
            p.setPen(QColor(128, 128, 128));
            p.setBrush(Qt::NoBrush);
            p.drawRect(2, 3, 5, 5);
            break;
        case iiHeaderCheck:  // marker menu: a check mark in a box
            p.setPen(black);
            p.setBrush(Qt::NoBrush);
            p.drawRect(0, 1, 9, 9);
            DrawGlyph(p, gkCheck, 2, 3, clBlack, 1);
            break;
        default:
            break;
    }
    return image;
}

const char* const kIndicatorNames[] = {"VN_DBGARROW",     "VN_DBEDIT",      "VN_DBINSERT", "VN_DBMULTIDOT",
                                       "VN_DBMULTIARROW", "VN_DBCHECK",     "VN_DBMAIN",   "VN_DBINDEXASC",
                                       "VN_DBINDEXDESC",  "VN_DBINDEXNONE", "VN_HDCHECK"};

int AbsInt(int v) { return v < 0 ? -v : v; }

}  // namespace

const TImageList& GridIndicatorImages() {
    static const TImageList* list = [] {
        auto* images = new TImageList(10, 11);
        for (int i = 0; i < 11; ++i) {
            const QImage image = MakeIndicator(i);
            images->AddMasked(image, kIndicatorKey);
            RegisterBitmapResource(QLatin1String(kIndicatorNames[i]), image);
        }
        return images;
    }();
    return *list;
}

// ---- selected areas ------------------------------------------------------------------------------

void TSelectedItem::Resize(int, int, TGridCoord) {}

TSelectedArea::TSelectedArea(TVnCustomGrid* grid, TItemFactory factory)
    : grid_(grid), factory_(std::move(factory)) {
    if (!factory_)
        factory_ = [](TSelectedArea* area, TGridCoord anchor) {
            return std::make_unique<TSelectedItem>(area, anchor);
        };
}

TSelectedArea::~TSelectedArea() = default;

QRegion TSelectedArea::GetRegion() const {
    QRegion region;
    for (const auto& item : items_) region += item->GetRegion();
    return region;
}

void TSelectedArea::BeginUpdate() {
    if (updateCount_++ == 0) beforeUpdate_ = GetRegion();
}

void TSelectedArea::EndUpdate() {
    if (--updateCount_ > 0) return;
    const QRegion changed = GetRegion().xored(beforeUpdate_);
    pendingRegion_ = pendingRegion_ ? pendingRegion_->united(changed) : changed;
    Update();
}

void TSelectedArea::Update() {
    if (updateCount_ > 0 || !pendingRegion_) return;
    if (!pendingRegion_->isEmpty() && grid_) grid_->InvalidateRegion(*pendingRegion_);
    pendingRegion_.reset();
}

TSelectedItem* TSelectedArea::AddItem(TGridCoord cell) {
    BeginUpdate();
    items_.push_back(factory_(this, cell));
    EndUpdate();
    return items_.back().get();
}

void TSelectedArea::Delete(int index) {
    BeginUpdate();
    const QRegion gone = items_.at(index)->GetRegion();
    pendingRegion_ = pendingRegion_ ? pendingRegion_->united(gone) : gone;
    items_.erase(items_.begin() + index);
    EndUpdate();
}

void TSelectedArea::Clear() {
    BeginUpdate();
    while (!items_.empty()) Delete(Count() - 1);
    EndUpdate();
}

void TSelectedArea::Extend(TGridCoord cell) {
    TSelectedItem* item = LastItem();
    if (!item || cell == anchor_) return;
    BeginUpdate();
    item->Resize(cell.X - anchor_.X, cell.Y - anchor_.Y, anchor_);
    EndUpdate();
}

void TSelectedArea::MouseDown(int x, int y, Qt::MouseButton button, Qt::KeyboardModifiers shift,
                              TGridCoord cell) {
    if (button != Qt::LeftButton) {
        if (!GetRegion().contains(QPoint(x, y))) Clear();
        return;
    }
    if (shift & Qt::ControlModifier) {
        anchor_ = cell;
        state_ = TState::Selecting;
        AddItem(anchor_);
        ShowCursor();
    } else if (shift & Qt::ShiftModifier) {
        anchor_ = {grid_->Col(), grid_->Row()};
        if (!items_.empty()) Delete(Count() - 1);
        state_ = TState::Selecting;
        AddItem(anchor_);
        Extend(cell);
        ShowCursor();
    } else {
        Clear();
        state_ = TState::Pending;
        startPoint_ = QPoint(x, y);
        anchor_ = cell;
    }
}

void TSelectedArea::MouseMove(int x, int y, Qt::KeyboardModifiers, TGridCoord cell) {
    if (state_ == TState::Pending) {
        if (AbsInt(x - startPoint_.x()) > kDragThreshold || AbsInt(y - startPoint_.y()) > kDragThreshold) {
            state_ = TState::Selecting;
            AddItem(anchor_);
            Extend(cell);
            ShowCursor();
        }
    } else if (state_ == TState::Selecting) {
        Extend(cell);
    }
}

void TSelectedArea::MouseUp() { state_ = TState::Idle; }

void TSelectedArea::ShowCursor() {
    switch (grid_->HitCode()) {
        case htColumnTitle:
            grid_->viewport()->setCursor(ScreenCursor(crVnSelectColumn));
            break;
        case htIndicator:
            grid_->viewport()->setCursor(ScreenCursor(crVnSelectRow));
            break;
        case htDataCell:
            grid_->viewport()->setCursor(ScreenCursor(crVnSelect));
            break;
        default:
            break;
    }
}

void TDrawingOptions::Changed() {
    if (grid_) grid_->InvalidateGrid();
}

// ---- grouping box --------------------------------------------------------------------------------

void TVnGroupBoxList::SetPressedIndex(int value) {
    if (value == pressedIndex_) return;
    pressedIndex_ = value;
    if (grid_) grid_->GroupBoxChanged();
}

void TVnGroupBoxList::Measure(Entry& entry) {
    QSize size;
    if (grid_) {
        QImage scratch(1, 1, QImage::Format_RGB32);
        QPainter canvas(&scratch);
        canvas.setFont(grid_->font());
        grid_->PaintTitle(canvas, grid_->RawToDataColumn(entry.ColumnIndex), 0, TRect{}, false, false, false,
                          size);
    }
    entry.Width = size.width();
    entry.Height = std::max(size.height(), 1) + 5;
}

void TVnGroupBoxList::Add(int column, bool levelStart) { Insert(Count(), column, levelStart); }

void TVnGroupBoxList::Insert(int index, int column, bool levelStart) {
    Entry entry;
    entry.ColumnIndex = column;
    entry.LevelStart = levelStart;
    Measure(entry);
    index = std::clamp(index, 0, Count());
    entries_.insert(entries_.begin() + index, entry);
    Changed();
}

void TVnGroupBoxList::Delete(int index) {
    if (index < 0 || index >= Count()) return;
    const bool start = entries_[index].LevelStart;
    entries_.erase(entries_.begin() + index);
    // The level goes on with its next entry.
    if (start && index < Count() && !entries_[index].LevelStart) entries_[index].LevelStart = true;
    Changed();
}

void TVnGroupBoxList::DeleteLevel(int index) {
    if (index < 0 || index >= Count()) return;
    int start = index;
    while (start > 0 && !entries_[start].LevelStart) --start;
    int end = start + 1;
    while (end < Count() && !entries_[end].LevelStart) ++end;
    entries_.erase(entries_.begin() + start, entries_.begin() + end);
    Changed();
}

void TVnGroupBoxList::Move(int fromIndex, int toIndex) {
    if (fromIndex < 0 || fromIndex >= Count()) return;
    toIndex = std::clamp(toIndex, 0, Count() - 1);
    if (fromIndex == toIndex) return;
    const Entry entry = entries_[fromIndex];
    entries_.erase(entries_.begin() + fromIndex);
    entries_.insert(entries_.begin() + toIndex, entry);
    Changed();
}

void TVnGroupBoxList::MoveLevel(int fromIndex, int toIndex) {
    if (fromIndex < 0 || fromIndex >= Count() || toIndex < 0 || toIndex >= Count()) return;
    auto levelStart = [this](int i) {
        while (i > 0 && !entries_[i].LevelStart) --i;
        return i;
    };
    const int start = levelStart(fromIndex);
    int end = start + 1;
    while (end < Count() && !entries_[end].LevelStart) ++end;
    std::vector<Entry> level(entries_.begin() + start, entries_.begin() + end);
    int target = levelStart(toIndex);
    if (target == start) return;
    entries_.erase(entries_.begin() + start, entries_.begin() + end);
    if (target > start)
        target = levelStart(std::min(target - static_cast<int>(level.size()), Count() - 1)) + 1;
    target = std::clamp(target, 0, Count());
    entries_.insert(entries_.begin() + target, level.begin(), level.end());
    Changed();
}

int TVnGroupBoxList::IndexOfColumn(int column) const {
    for (int i = 0; i < Count(); ++i)
        if (entries_[i].ColumnIndex == column) return i;
    return -1;
}

void TVnGroupBoxList::Layout() {
    rects_.clear();
    int x = kMargin, y = kMargin;
    int levelHeight = 0;
    for (int i = 0; i < Count(); ++i) {
        Entry& e = entries_[i];
        if (i > 0) {
            const Entry& prev = entries_[i - 1];
            if (e.LevelStart) {
                // The next level starts lower by half of this level, or more when it is the smaller one.
                int nextHeight = e.Height;
                for (int j = i + 1; j < Count() && !entries_[j].LevelStart; ++j)
                    nextHeight = std::max(nextHeight, entries_[j].Height);
                int step = levelHeight / 2;
                if (nextHeight < levelHeight) step += (levelHeight - nextHeight) / 2;
                x = rects_.back().Right + kMargin;
                y += step;
                levelHeight = 0;
            } else {
                x = rects_.back().Right + 2;
                (void)prev;
            }
        }
        levelHeight = std::max(levelHeight, e.Height);
        e.LevelHeight = levelHeight;
        rects_.push_back({x, y, x + e.Width, y + e.Height});
    }
}

TRect TVnGroupBoxList::EntryRect(int index) const {
    if (index < 0 || index >= static_cast<int>(rects_.size())) return {};
    return rects_[index];
}

void TVnGroupBoxList::Changed() {
    if (updateCount_ > 0) return;
    Layout();
    int height;
    if (entries_.empty()) {
        height =
            kMargin + TextHeight(grid_ ? grid_->font() : QApplication::font(), QStringLiteral("Wg")) + 10;
    } else {
        int bottom = 0;
        for (const TRect& r : rects_) bottom = std::max(bottom, r.Bottom);
        height = bottom + 4;
    }
    boxHeight_ = height;
    if (grid_) grid_->GroupBoxChanged();
}

void TVnGroupBoxList::EndUpdate() {
    if (--updateCount_ == 0) Changed();
}

int TVnGroupBoxList::EntryAt(QPoint point) const {
    for (int i = 0; i < static_cast<int>(rects_.size()); ++i)
        if (rects_[i].Contains(point.x(), point.y())) return i;
    return -1;
}

int TVnGroupBoxList::InsertIndexAt(int x) const {
    int edge = kMargin;
    for (int i = 0; i < Count(); ++i) {
        edge += entries_[i].Width;
        if (edge > x) return i;
        edge += kMargin;
    }
    return Count();
}

TRect TVnGroupBoxList::InsertMarkRect(int index) const {
    if (entries_.empty()) return {kMargin, kMargin, kMargin + 1, kMargin + boxHeight_ - 15};
    return EntryRect(std::min(index, Count() - 1));
}

TRect TVnGroupBoxList::BoxRect() const {
    if (!grid_) return {};
    return {0, -boxHeight_, grid_->viewport()->width(), 0};
}

QPoint TVnGroupBoxList::ClientToBox(QPoint clientPoint) const { return clientPoint + QPoint(0, boxHeight_); }

bool TVnGroupBoxList::PointInBox(QPoint clientPoint) const {
    if (!grid_ || grid_->GroupBoxHeight() <= 0) return false;
    return BoxRect().Contains(clientPoint.x(), clientPoint.y());
}

void TVnGroupBoxList::ColumnMoved(int fromIndex, int toIndex) {
    for (Entry& e : entries_) {
        if (e.ColumnIndex == fromIndex)
            e.ColumnIndex = toIndex;
        else if (fromIndex > toIndex && e.ColumnIndex >= toIndex && e.ColumnIndex <= fromIndex - 1)
            ++e.ColumnIndex;
        else if (fromIndex < toIndex && e.ColumnIndex >= fromIndex + 1 && e.ColumnIndex <= toIndex)
            --e.ColumnIndex;
    }
}

void TVnGroupBoxList::Clear() {
    entries_.clear();
    pressedIndex_ = -1;
    Changed();
}

void TVnGroupBoxList::Paint(QPainter& canvas) {
    if (!grid_) return;
    const QRect box(0, 0, grid_->viewport()->width(), boxHeight_);
    canvas.save();
    QRegion rest(box);
    if (entries_.empty()) {
        canvas.fillRect(box, ToQColor(clBtnShadow));
        canvas.setPen(ToQColor(clWindow));
        canvas.setFont(grid_->font());
        TRect r = TRect::FromQRect(box).Inflated(-kMargin, -kMargin);
        DrawTextRect(canvas, kGroupBoxHint, r, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
        canvas.restore();
        return;
    }
    const QColor dark = QColor(96, 96, 96);
    for (int i = 0; i < Count(); ++i) {
        const TRect r = rects_[i];
        const bool pressed = i == pressedIndex_;
        canvas.fillRect(r.ToQRect(), ToQColor(clBtnFace));
        if (pressed) {
            DrawEdge(canvas, r, BDR_SUNKENINNER, BF_RIGHT | BF_BOTTOM);
            canvas.fillRect(QRect(r.Left, r.Top, r.Width(), 1), dark);
            canvas.fillRect(QRect(r.Left, r.Top, 1, r.Height()), dark);
        } else {
            DrawEdge(canvas, r, BDR_RAISEDINNER, BF_LEFT | BF_TOP);
            canvas.fillRect(QRect(r.Left, r.Bottom - 1, r.Width(), 1), dark);
            canvas.fillRect(QRect(r.Right - 1, r.Top, 1, r.Height()), dark);
        }
        QSize size;
        canvas.save();
        canvas.setClipRect(r.Inflated(-1, -1).ToQRect(), Qt::IntersectClip);
        grid_->PaintTitle(canvas, grid_->RawToDataColumn(entries_[i].ColumnIndex), 0, r.Inflated(-1, -1),
                          pressed, true, false, size);
        canvas.restore();
        rest -= QRegion(r.ToQRect());
        if (i > 0 && entries_[i].LevelStart) {
            // Joined to the level above by a line from under the previous box.
            const TRect prev = rects_[i - 1];
            const int lx = r.Left - 13;
            const int my = r.Top + r.Height() / 2;
            canvas.fillRect(QRect(lx, prev.Bottom, 1, my - prev.Bottom + 1), Qt::black);
            canvas.fillRect(QRect(lx, my, r.Left - lx, 1), Qt::black);
            rest -= QRegion(QRect(lx, prev.Bottom, 1, my - prev.Bottom + 1));
            rest -= QRegion(QRect(lx, my, r.Left - lx, 1));
        }
    }
    for (const QRect& r : rest) canvas.fillRect(r, ToQColor(clBtnShadow));
    canvas.restore();
}
