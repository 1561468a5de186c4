#include "widgets/VnDBGridClip.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "widgets/VnScopeGuard.h"

namespace {

constexpr TColor kFlatBorderFrame = 0x666666;
constexpr TColor kPressedButtonFace = 0xB59285;
// How far the blend moves an open menu's button image towards the cell colour.
constexpr int kOpenButtonBlend = 170;
// Width of a column title's menu button; one pixel less in the flat frame style.
constexpr int kTitleButtonWidth = 8;

const QString kSelectAllName = QStringLiteral("#SelectAll");
const QString kDeselectAllName = QStringLiteral("#DeselectAll");
const QString kSepLineName = QStringLiteral("#SepLine");
const QString kInfoName = QStringLiteral("#BookmarsInfo");

// Marker menu command values (the items' columns).
constexpr int kCmdSelectAll = 0;
constexpr int kCmdDeselectAll = 1;

// The marker menu's glyphs are part of the library: drawn once, the first time a menu is built.
QImage MakeGlyph(const std::function<void(QPainter&)>& draw) {
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(ToQColor(clFuchsia));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    draw(p);
    return image;
}

void RegisterMenuGlyphs() {
    static bool done = false;
    if (done) return;
    done = true;
    const QColor box(255, 255, 255), frame(96, 96, 96), check(0, 100, 0);
    auto checkBox = [&](QPainter& p, bool checked) {
        p.fillRect(3, 3, 10, 10, box);
        p.setPen(frame);
        p.drawRect(2, 2, 11, 11);
        if (checked) {
            p.setPen(QPen(check, 2));
            p.drawPolyline(QPolygon({QPoint(5, 8), QPoint(7, 10), QPoint(11, 5)}));
        }
    };
    if (LoadBitmapResource(QStringLiteral("VN_PM_SELALL")).isNull())
        RegisterBitmapResource(QStringLiteral("VN_PM_SELALL"),
                               MakeGlyph([&](QPainter& p) { checkBox(p, true); }));
    if (LoadBitmapResource(QStringLiteral("VN_PM_DESALL")).isNull())
        RegisterBitmapResource(QStringLiteral("VN_PM_DESALL"),
                               MakeGlyph([&](QPainter& p) { checkBox(p, false); }));
}

}  // namespace

const QString TDBClipPopup::kSelectAllCaption = QStringLiteral("Выделить все");
const QString TDBClipPopup::kDeselectAllCaption = QStringLiteral("Снять все отметки");

QString BookmarksInfoText(int marks, int records) {
    return QStringLiteral("%1/%2 %3 ").arg(marks).arg(records).arg(RecordWord(records));
}

// ---- the menu ---------------------------------------------------------------------------------------

TDBClipPopup::TDBClipPopup(TVnCustomDBGrid* grid) : TComboClipPopup(grid), grid_(grid) {
    setObjectName(QStringLiteral("ClipPopup"));
    // Presses on a column's menu button are the grid's to take before its title reacts to them.
    grid->viewport()->installEventFilter(this);
}

TDBClipPopup::~TDBClipPopup() { SetWatching(false); }

TVnAssistButton* TDBClipPopup::InfoItem() const {
    for (int i = 0; i < ItemCount(); ++i)
        if (Items(i)->Name() == kInfoName) return Items(i);
    return nullptr;
}

void TDBClipPopup::CreateDefaultItems() {
    RegisterMenuGlyphs();
    BeginUpdate();
    Clear();
    SetViewStyle(vsList);
    switch (kind_) {
        case TVnCustomDBGrid::kClipIndicator:
            TCustomClipPopup::CreateDefaultItems();
            break;
        case TVnCustomDBGrid::kClipMarker: {
            AddItem(kSelectAllName, QStringLiteral("VN_PM_SELALL"), kCmdSelectAll, 0, kSelectAllCaption);
            AddItem(kDeselectAllName, QStringLiteral("VN_PM_DESALL"), kCmdDeselectAll, 0,
                    kDeselectAllCaption);
            AddItem(kSepLineName, QString(), -1, 0, QStringLiteral("-"));
            TDataLink* link = grid_->DataLink();
            const int records = link->Active() && link->DataSet() ? link->DataSet()->RecordCount() : 0;
            TVnAssistButton* info = AddItem(kInfoName, QString(), 1, 0,
                                            BookmarksInfoText(grid_->MarkedRows().MarkCount(), records));
            info->SetLayout(TVnButtonLayout::GlyphRight);
            info->SetEnabled(false);
            info->SetImages(nullptr);
            break;
        }
        default:
            // A column menu gets its items from the window's handler.
            break;
    }
    EndUpdate();
}

void TDBClipPopup::ItemClick(TVnAssistButton* item) {
    TCustomClipPopup::ItemClick(item);
    // The grid is told of the item itself, not only of its command value.
    grid_->ClipItemClick(item);
}

void TDBClipPopup::ShowPopup() {
    TComboClipPopup::ShowPopup();
    SetWatching(true);
}

void TDBClipPopup::HidePopup() {
    SetWatching(false);
    if (kind_ == TVnCustomDBGrid::kClipNone) {
        if (Shown()) TComboClipPopup::HidePopup();
        return;
    }
    grid_->SetPressedTitle(-1);
    if (kind_ == TVnCustomDBGrid::kClipColumn) grid_->pressedTitleOpen_ = false;
    grid_->SetClipPopupOpen(false);
    TComboClipPopup::HidePopup();
    kind_ = TVnCustomDBGrid::kClipNone;
}

void TDBClipPopup::SetWatching(bool on) {
    if (on == watching_) return;
    watching_ = on;
    if (on)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

bool TDBClipPopup::eventFilter(QObject* watched, QEvent* event) {
    if (grid_->Destroying()) return TComboClipPopup::eventFilter(watched, event);
    const QEvent::Type type = event->type();
    const bool press = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
    if (watched == grid_->viewport() && type == QEvent::MouseButtonPress) {
        const auto* e = static_cast<QMouseEvent*>(event);
        const QPoint p = e->position().toPoint();
        if (e->button() == Qt::LeftButton && grid_->ColumnButtonPress(p.x(), p.y())) return true;
    }
    if (watching_ && watched == grid_ && type == QEvent::FocusOut) {
        // A window system that activates every window it shows takes the focus away only on its way
        // back to the grid's form; the menu itself never keeps it.
        QWidget* active = QApplication::activeWindow();
        if (active && (active == this || active->parentWidget() == this)) return true;
    }
    if (watching_ && watched->isWidgetType()) {
        if (press || type == QEvent::NonClientAreaMouseButtonPress) {
            // Any press but one on the menu or on a title's menu button closes the menu; the buttons
            // toggle their menus themselves.
            const QPoint global = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
            const bool onMenu = isVisible() && geometry().contains(global);
            const QPoint local = grid_->viewport()->mapFromGlobal(global);
            const bool onButton =
                grid_->viewport()->rect().contains(local) && grid_->IsTitleMenuButtonAt(local.x(), local.y());
            if (!onMenu && !onButton) grid_->CloseClipPopup();
        } else if (type == QEvent::ShortcutOverride && (watched == grid_ || watched == grid_->viewport())) {
            // No shortcut of the window takes a key away from the open menu.
            event->accept();
            return true;
        } else if (type == QEvent::KeyPress && (watched == grid_ || watched == grid_->viewport())) {
            // While the menu is open the grid's keys are the menu's: Esc closes it, the others move
            // through its items.
            const auto* e = static_cast<QKeyEvent*>(event);
            HolderKeyDown(e->key(), e->modifiers());
            return true;
        }
    }
    return TComboClipPopup::eventFilter(watched, event);
}

// ---- the grid's side of the menus ----------------------------------------------------------------

void TVnCustomDBGrid::TClipPopupDeleter::operator()(TDBClipPopup* popup) const { delete popup; }

void TVnCustomDBGrid::InitClipMenus() {
    InitSelectedArea();
    clipPopup_.reset(new TDBClipPopup(this));
}

TRect TVnCustomDBGrid::ClipTitleCell(int kind, int rawColumn) {
    if (kind == kClipIndicator) return CellRect(0, 0);
    if (kind == kClipMarker) return CellRect((Options() & dgIndicator) ? 1 : 0, 0);
    return CellRect(rawColumn, 0);
}

bool TVnCustomDBGrid::TitleButtonRect(const TRect& cell, TRect& button) {
    const int width =
        FixedFrameStyle() == TCellFrameStyle::Single ? kTitleButtonWidth - 1 : kTitleButtonWidth;
    if (cell.Width() <= width) {
        button = {};
        return false;
    }
    button = {cell.Right - width, cell.Top, cell.Right, cell.Bottom};
    return true;
}

bool TVnCustomDBGrid::IsTitleMenuButtonAt(int x, int y) {
    if (!HasData()) return false;
    const TGridCoord cell = MouseCoord(x, y);
    if (cell.X < 0 || RowKind(cell.Y) != rkTitle) return false;
    const int kind = ColumnKind(cell.X);
    if (kind == ckIndicator) return OptionsEx() & dgeIndicatorMenu;
    if (kind == ckMarker) return OptionsEx() & dgeMarkerMenu;
    if (kind != ckData) return false;
    const int dataColumn = RawToDataColumn(cell.X);
    if (dataColumn < 0 || dataColumn >= Columns().Count() ||
        !(Columns().ColumnAt(dataColumn)->Options() & gcPopupMenu))
        return false;
    TRect button;
    return TitleButtonRect(CellRect(cell.X, cell.Y), button) && button.Contains(x, y);
}

bool TVnCustomDBGrid::ColumnButtonPress(int x, int y) {
    if (!(Options() & dgTitleClicked) || !DataLink()->Active() || !HasData()) return false;
    const TGridCoord cell = MouseCoord(x, y);
    if (cell.X < 0 || RowKind(cell.Y) != rkTitle || ColumnKind(cell.X) != ckData) return false;
    if (!IsTitleMenuButtonAt(x, y)) return false;
    TGridState sizing = TGridState::gsNormal;
    int index = -1, pos = 0, ofs = 0;
    CalcSizingState(x, y, sizing, index, pos, ofs, CalcDrawInfo());
    if (sizing != TGridState::gsNormal) return false;
    if (!AcquireFocus()) return true;
    if (clipPopup_ && clipPopup_->Kind() == kClipColumn && clipPopup_->Column() == cell.X) {
        // The button of the open menu closes it.
        CloseClipPopup();
        pressedTitleOpen_ = false;
        return true;
    }
    SetPressedTitle(cell.X);
    pressedTitleOpen_ = true;
    TitleClipClick(kClipColumn, cell.X);
    return true;
}

void TVnCustomDBGrid::TitleClipClick(int kind, int rawColumn) {
    const int openKind = clipPopup_ && clipPopupOpen_ ? clipPopup_->Kind() : kClipNone;
    const int openColumn = clipPopup_ ? clipPopup_->Column() : -1;
    CloseClipPopup();
    // A second press on the same button only closes its menu. Column menus are told apart by their
    // column too: the button of another column opens that column's menu.
    if (openKind == kind && (kind != kClipColumn || openColumn == rawColumn)) return;
    ShowClipPopup(kind, rawColumn, clipPopup_.get());
}

void TVnCustomDBGrid::ShowClipPopup(int kind, int rawColumn, TDBClipPopup* menu) {
    if (!menu) return;
    const TRect cell = ClipTitleCell(kind, rawColumn);
    const bool flat = GridDrawing().ClipStyle() == csFlatBorder;
    const QPoint offset = flat ? QPoint(1, 1) : QPoint(0, 1);
    menu->SetBorderKind(flat ? cbFlat : cbRaised);
    menu->Shadow().SetShadowVisible(flat);
    menu->TComboClipPopup::HidePopup();
    menu->SetKind(kind);
    menu->SetColumn(kind == kClipColumn ? rawColumn : -1);
    menu->CreateDefaultItems();

    bool show = true;
    const int top = cell.Bottom - offset.y();
    if (kind == kClipColumn) {
        // The handler fills the menu first; its width is known only then.
        if (OnClipClick) OnClipClick(menu, cell.Right - menu->width(), top, show);
        menu->SetPopupBounds(cell.Right - menu->width(), top, menu->width(), menu->height());
    } else {
        menu->SetPopupBounds(cell.Left - offset.x(), top, menu->width(), menu->height());
        if (OnClipClick) OnClipClick(menu, menu->PopupRect().Left, menu->PopupRect().Top, show);
    }
    if (!show) {
        menu->HidePopup();
        return;
    }
    SetClipPopupOpen(true);
    if (menu->ItemCount() == 0) {
        menu->HidePopup();
        return;
    }
    menu->ShowPopup();
    if (kind == kClipColumn)
        SetPressedTitle(rawColumn);
    else
        pressedTitleOpen_ = false;
}

void TVnCustomDBGrid::SetClipPopupOpen(bool value) {
    if (value == clipPopupOpen_) return;
    clipPopupOpen_ = value;
    if (!clipPopup_) return;
    const int kind = clipPopup_->Kind();
    TRect cell = ClipTitleCell(kind, clipPopup_->Column());
    if (kind != kClipColumn && GridDrawing().ClipStyle() == csFlatBorder) cell = cell.Inflated(1, 1);
    if (!cell.IsEmpty()) viewport()->repaint(cell.ToQRect());
}

void TVnCustomDBGrid::CloseClipPopup() {
    TVnCustomGrid::CloseClipPopup();
    if (clipPopup_) clipPopup_->HidePopup();
}

void TVnCustomDBGrid::ClipButtonClick(int item) { RunClipCommand(nullptr, item); }

void TVnCustomDBGrid::ClipItemClick(TVnAssistButton* item) {
    RunClipCommand(item, item ? item->Column() : -1);
}

void TVnCustomDBGrid::RunClipCommand(TVnAssistButton* item, int value) {
    const int kind = clipPopup_ ? clipPopup_->Kind() : kClipNone;
    CloseClipPopup();
    if (OnClipButtonClick) OnClipButtonClick(item);
    if (kind != kClipMarker) return;
    if (value == kCmdSelectAll) {
        viewport()->repaint();
        MarkedRows().MarkAllRows();
    } else if (value == kCmdDeselectAll) {
        viewport()->repaint();
        MarkedRows().ClearMarks();
    }
}

void TVnCustomDBGrid::PopupAnchor(int& left, int& top, int& side, int& width) {
    const int kind = clipPopup_ ? clipPopup_->Kind() : kClipNone;
    TRect r;
    if (kind == kClipColumn) {
        TitleButtonRect(ClipTitleCell(kind, clipPopup_->Column()), r);
        side = 2;
    } else {
        r = ClipTitleCell(kind == kClipNone ? kClipMarker : kind, -1);
        side = 1;
    }
    r.Left -= 1;
    left = r.Left;
    top = r.Bottom;
    width = r.Right - r.Left - 1;
}

// ---- painting the title buttons --------------------------------------------------------------------

void TVnCustomDBGrid::PaintTitleMenuButtons(QPainter& canvas, int col, const TRect& cellRect) {
    const int kind = ColumnKind(col);
    if (kind == ckIndicator || kind == ckMarker) {
        const int menuKind = kind == ckIndicator ? kClipIndicator : kClipMarker;
        const bool enabled = OptionsEx() & (kind == ckIndicator ? dgeIndicatorMenu : dgeMarkerMenu);
        // A closed menu's button is the cell's own image, painted with the cell.
        if (enabled && clipPopupOpen_ && clipPopup_ && clipPopup_->Kind() == menuKind)
            PaintLeadingTitleButton(canvas, menuKind, cellRect);
        return;
    }
    if (kind != ckData) return;
    const int dataColumn = RawToDataColumn(col);
    if (dataColumn < 0 || dataColumn >= Columns().Count()) return;
    TColumn* column = Columns().ColumnAt(dataColumn);
    if (!(column->Options() & gcPopupMenu) || !column->Showing()) return;
    TRect button;
    if (!TitleButtonRect(cellRect, button)) return;
    canvas.save();
    canvas.setClipRect(cellRect.Inflated(1, 1).ToQRect(), Qt::IntersectClip);
    const bool open = clipPopupOpen_ && clipPopup_ && clipPopup_->Kind() == kClipColumn;
    PaintColumnTitleButton(canvas, button, column, PressedTitle() == col && open);
    canvas.restore();
}

void TVnCustomDBGrid::PaintLeadingTitleButton(QPainter& canvas, int kind, const TRect& cellRect) {
    const TImageList& images = GridIndicatorImages();
    const int image = kind == kClipIndicator ? iiMain : iiHeaderCheck;
    const int lift = kind == kClipMarker ? 1 : 0;
    const bool bothLines = (Options() & dgColLines) && (Options() & dgRowLines);
    const TRect rect = bothLines ? cellRect.Inflated(-1, -1) : cellRect;
    const int inset = bothLines ? 1 : 2;
    const int x = (rect.Left + rect.Right - images.Width() - inset) / 2 + 1;
    const int y = (rect.Top + rect.Bottom - images.Height()) / 2 - lift;
    const TCellFrameStyle style = FixedFrameStyle();
    canvas.save();
    if (GridDrawing().ClipStyle() == csSingleBorder) {
        FillRect(canvas, rect, FixedColor());
        // The image fades towards the cell colour while its menu is open.
        QImage work(images.Width() + 2, images.Height() + 2, QImage::Format_RGB32);
        work.fill(ToQColor(FixedColor()));
        {
            QPainter p(&work);
            images.Draw(p, 1, 1, image);
        }
        QImage faded;
        BlendBitmap(work, nullptr, faded, kOpenButtonBlend, FixedColor(), FixedColor());
        canvas.drawImage(QPoint(x, y), faded, QRect(1, 1, images.Width(), images.Height()));
        if (style == TCellFrameStyle::Single) {
            if (Options() & dgRowLines)
                FrameRect(canvas, (Options() & dgColLines) ? rect.Inflated(1, 1) : rect, FixedColor());
        } else {
            DrawCellFrame(canvas, rect.Inflated(1, 1), style, TCellFrameState::Pressed, FixedColor());
        }
    } else {
        // The cell joins the menu below it: no bottom line, a dark frame around the rest.
        TRect outer = cellRect;
        canvas.setClipRect(QRect(outer.Left - 1, outer.Top - 1, outer.Width() + 2, outer.Height() + 1),
                           Qt::IntersectClip);
        FillRect(canvas, outer, FixedColor());
        FrameRect(canvas, outer, FixedColor());
        const int rightIn = (Options() & dgRowLines) ? 1 : 2;
        FrameRect(canvas, {outer.Left - 1, outer.Top - 1, outer.Right + 1 - rightIn, outer.Bottom + 1},
                  kFlatBorderFrame);
        images.Draw(canvas, x, y, image);
    }
    canvas.restore();
}

void TVnCustomDBGrid::PaintColumnTitleButton(QPainter& canvas, const TRect& buttonRect, TColumn* column,
                                             bool pressed) {
    const TCellFrameStyle style = FixedFrameStyle();
    const bool flat = GridDrawing().ClipStyle() == csFlatBorder;
    TRect r = buttonRect;
    if (!flat || !pressed) {
        TRect frame = r;
        --frame.Left;
        if (style == TCellFrameStyle::Single) --frame.Top;
        DrawCellFrame(canvas, frame, style, pressed ? TCellFrameState::Pressed : TCellFrameState::Normal,
                      FixedColor());
        r = {frame.Left + 1, frame.Top + 1, frame.Right - 1, frame.Bottom - 1};
        if (style == TCellFrameStyle::InnerEdge) r = r.Inflated(-1, -1);
    } else {
        const int rightIn = (Options() & dgRowLines) ? 1 : 2;
        FrameRect(canvas, {r.Left - 1, r.Top - 1, r.Right + 1 - rightIn, r.Bottom + 1}, kFlatBorderFrame);
    }
    TColor face = column->Title()->Color();
    TColor glyph = clBlack;
    int gx = r.Left + 1, gy = r.Top + 3;
    if (pressed && style == TCellFrameStyle::Single) {
        face = kPressedButtonFace;
        glyph = clWhite;
        --r.Left;
    } else if (pressed) {
        ++gy;
    }
    if (flat && pressed) {
        r = r.Inflated(-1, -1);
        gx += (Options() & dgColLines) ? 3 : 2;
        if (!(Options() & dgRowLines)) ++gy;
    }
    if (style == TCellFrameStyle::Single) ++gx;
    FillRect(canvas, r, face);
    DrawGlyph(canvas, gkTriangleDown, gx, gy, glyph, 1);
}

// ---- selected areas over records -----------------------------------------------------------------

std::unique_ptr<TSelectedArea> TVnCustomDBGrid::CreateSelectedArea() {
    return std::make_unique<TDBSelectedArea>(this);
}

TDBSelectedArea::TDBSelectedArea(TVnCustomDBGrid* grid)
    : TSelectedArea(grid, [](TSelectedArea* area, TGridCoord cell) {
          return std::make_unique<TDBSelectedItem>(area, cell);
      }) {}

bool TDBSelectedArea::CellInArea(int dataColumn, int dataRow) const {
    for (int i = 0; i < Count(); ++i)
        if (static_cast<const TDBSelectedItem*>(Items(i))->Contains(dataColumn, dataRow)) return true;
    return false;
}

TDBSelectedItem::TDBSelectedItem(TSelectedArea* area, TGridCoord cell) : TSelectedItem(area, cell) {
    TVnCustomDBGrid* grid = Grid();
    rows_ = std::make_unique<TBookmarkList>(grid);
    rows_->SetLinkActive(true);
    firstColumn_ = std::max(0, grid->RawToDataColumn(cell.X));
    if (grid->DataLink()->Active()) {
        anchorRecord_ = rows_->CurrentRowBookmark();
        rows_->SetCurrentRowMarked(true);
    }
}

TDBSelectedItem::~TDBSelectedItem() = default;

TVnCustomDBGrid* TDBSelectedItem::Grid() const { return static_cast<TVnCustomDBGrid*>(Area()->Grid()); }

bool TDBSelectedItem::RowInItem(int dataRow) const {
    TGridDataLink* link = Grid()->DataLink();
    if (dataRow < 0 || dataRow >= link->RecordCount()) return false;
    const int saved = link->ActiveRecord();
    link->SetActiveRecord(dataRow);
    const TScopeGuard restore([link, saved] { link->SetActiveRecord(saved); });
    return rows_->IsCurrentRowMarked();
}

bool TDBSelectedItem::Contains(int dataColumn, int dataRow) const {
    if (!Grid()->DataLink()->Active()) return false;
    const bool inColumns = dataColumn >= firstColumn_ && dataColumn < firstColumn_ + columnCount_;
    if (kind_ == kColumns) return inColumns;
    if (kind_ == kRows) return RowInItem(dataRow);
    return inColumns && RowInItem(dataRow);
}

QRegion TDBSelectedItem::GetRegion() const {
    TVnCustomDBGrid* grid = Grid();
    TGridDataLink* link = grid->DataLink();
    if (!link->Active() || columnCount_ <= 0) return {};
    // The first run of visible rows whose records are in the item.
    int first = -1, last = -1;
    const int rows = std::min(link->RecordCount(), grid->VisibleRowCount() + 1);
    for (int row = 0; row < rows; ++row) {
        if (RowInItem(row)) {
            if (first < 0) first = row;
            last = row;
        } else if (first >= 0) {
            break;
        }
    }
    rows_->ListChanged();
    if (first < 0) return {};
    const int lastColumn = std::min(firstColumn_ + columnCount_, grid->Columns().Count()) - 1;
    if (lastColumn < firstColumn_) return {};
    const TRect r = grid->CellBoxRect(grid->DataToRawColumn(firstColumn_), first + grid->TitleOffset(),
                                      grid->DataToRawColumn(lastColumn), last + grid->TitleOffset());
    return r.IsEmpty() ? QRegion() : QRegion(r.ToQRect());
}

void TDBSelectedItem::Resize(int columnDelta, int rowDelta, TGridCoord anchor) {
    TVnCustomDBGrid* grid = Grid();
    TGridDataLink* link = grid->DataLink();
    if (!link->Active()) return;
    const bool suspended = Area()->UpdateCount() > 0;
    const QRegion before = suspended ? QRegion() : GetRegion();

    // The deltas run from the anchor cell: the item becomes the block between it and the cell reached.
    const int columns = grid->Columns().Count();
    const int anchorColumn = std::clamp(grid->RawToDataColumn(anchor.X), 0, std::max(columns - 1, 0));
    const int reached = std::clamp(anchorColumn + columnDelta, 0, std::max(columns - 1, 0));
    firstColumn_ = std::min(anchorColumn, reached);
    columnCount_ = std::abs(reached - anchorColumn) + 1;

    const int count = link->RecordCount();
    if (count > 0) {
        const int saved = link->ActiveRecord();
        const TScopeGuard restore([link, saved] { link->SetActiveRecord(saved); });
        // The anchor's record, wherever the rows have scrolled it.
        int anchorRow = std::clamp(anchor.Y - grid->TitleOffset(), 0, count - 1);
        for (int row = 0; row < count && !anchorRecord_.isEmpty(); ++row) {
            link->SetActiveRecord(row);
            if (rows_->CurrentRowBookmark() == anchorRecord_) {
                anchorRow = row;
                break;
            }
        }
        const int target = std::clamp(anchor.Y + rowDelta - grid->TitleOffset(), 0, count - 1);
        const int low = std::min(anchorRow, target), high = std::max(anchorRow, target);
        for (int row = 0; row < count; ++row) {
            link->SetActiveRecord(row);
            const bool wanted = row >= low && row <= high;
            if (rows_->IsCurrentRowMarked() != wanted) rows_->SetCurrentRowMarked(wanted);
        }
    }
    if (!suspended) grid->InvalidateRegion(GetRegion().xored(before));
}
