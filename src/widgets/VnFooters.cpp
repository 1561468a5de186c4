#include <QApplication>
#include <QPainter>
#include <algorithm>

#include "widgets/VnGrids.h"

namespace {

// Text flags of a footer panel: vertically centred single line, cut with an ellipsis.
constexpr unsigned kPanelTextFlags = 0x8034;

}  // namespace

// ---- footer panels ---------------------------------------------------------------------------------

TVnFooterPanel::TVnFooterPanel(TVnFooterPanels* collection) : collection_(collection) {
    if (collection_) collection_->items_.push_back(this);
}

TVnFooterPanel::~TVnFooterPanel() {
    if (!collection_) return;
    auto& items = collection_->items_;
    items.erase(std::remove(items.begin(), items.end(), this), items.end());
    collection_->Update(nullptr);
}

int TVnFooterPanel::Index() const { return collection_ ? collection_->IndexOf(this) : -1; }

TVnFooter* TVnFooterPanel::Footer() const { return collection_ ? collection_->Owner() : nullptr; }

void TVnFooterPanel::Changed(bool allItems) {
    if (collection_) collection_->Update(allItems ? nullptr : this);
}

void TVnFooterPanel::SetColumnIndex(int value) {
    if (value == columnIndex_) return;
    columnIndex_ = value;
    Changed(true);
}

void TVnFooterPanel::SetStyle(TBevelStyle value) {
    if (value == style_) return;
    style_ = value;
    Changed(false);
}

void TVnFooterPanel::SetVisible(bool value) {
    if (value == visible_) return;
    visible_ = value;
    Changed(false);
}

int TVnFooterPanel::CalcHeight() {
    TVnFooter* line = Footer();
    return line ? line->Height() : 0;
}

bool TVnFooterPanel::Paint(QPainter&, TRect, const TGridDrawInfo&) { return false; }

void TVnFooterTextPanel::SetAlignment(TAlignment value) {
    if (value == alignment_) return;
    alignment_ = value;
    Changed(false);
}

void TVnFooterTextPanel::SetAutoSize(bool value) {
    if (value == autoSize_) return;
    autoSize_ = value;
    Changed(false);
}

void TVnFooterTextPanel::SetColor(TColor value) {
    if ((assigned_ & avColor) && color_ == value) return;
    color_ = value;
    assigned_ |= avColor;
    Changed(false);
}

void TVnFooterTextPanel::SetFontColor(TColor value) {
    if (fontColor_ == value) return;
    fontColor_ = value;
    Changed(false);
}

void TVnFooterTextPanel::SetFont(const QFont& value) {
    font_ = value;
    assigned_ |= avFont;
    Changed(false);
}

void TVnFooterTextPanel::SetHeight(int value) {
    if (value == height_) return;
    height_ = value;
    if (!autoSize_) Changed(false);
}

void TVnFooterTextPanel::SetText(const QString& value) {
    if (value == text_) return;
    text_ = value;
    Changed(false);
}

QFont TVnFooterTextPanel::DefaultFont() const {
    TVnFooter* line = Footer();
    return line ? line->OwnerFont() : QApplication::font();
}

TColor TVnFooterTextPanel::DefaultColor() const {
    TVnFooter* line = Footer();
    return line ? line->OwnerColor() : clWindow;
}

void TVnFooterTextPanel::DrawPanelText(QPainter& canvas, TRect& rect, unsigned format) {
    DrawTextRect(canvas, text_, rect, format);
}

int TVnFooterTextPanel::CalcHeight() {
    if (!Visible()) return 0;
    if (!autoSize_) return height_;
    TVnFooter* line = Footer();
    // Measured in the grid's font, not the panel's own, so every line keeps the grid's rhythm.
    QImage scratch(1, 1, QImage::Format_RGB32);
    QPainter canvas(&scratch);
    canvas.setFont(line ? line->OwnerFont() : QApplication::font());
    TRect r;
    DrawPanelText(canvas, r, DT_CALCRECT | DT_EXPANDTABS);
    int h = r.Height() + 4;
    if (Style() == beLowered || Style() == beRaised || Style() == beSingle) h += 2;
    return h;
}

bool TVnFooterTextPanel::Paint(QPainter& canvas, TRect rect, const TGridDrawInfo& info) {
    canvas.setFont(Font());
    const TColor brush = Color();
    // The partly shown column right of the last full one meets the band's edge without a gap.
    if (ColumnIndex() == info.Horz.LastFullVisibleCell + 1) rect.Right += 1;
    switch (Style()) {
        case beLowered:
            DrawEdge(canvas, rect, BDR_SUNKENOUTER, BF_RECT);
            rect = rect.Inflated(-1, -1);
            break;
        case beRaised:
            DrawEdge(canvas, rect, BDR_RAISEDINNER, BF_RECT);
            rect = rect.Inflated(-1, -1);
            break;
        case beSingle:
            FrameRect(canvas, rect, clBtnShadow);
            rect = rect.Inflated(-1, -1);
            break;
        default:
            break;
    }
    FillRect(canvas, rect, brush);
    rect = rect.Inflated(-1, -1);
    const unsigned align = alignment_ == taRightJustify ? DT_RIGHT
                           : alignment_ == taCenter     ? DT_CENTER
                                                        : DT_LEFT;
    canvas.setPen(ToQColor(fontColor_));
    DrawPanelText(canvas, rect, kPanelTextFlags | align);
    return true;
}

TVnFooterPanels::~TVnFooterPanels() {
    // Items still here belong to the collection.
    while (!items_.empty()) {
        TVnFooterPanel* item = items_.back();
        items_.pop_back();
        item->collection_ = nullptr;
        delete item;
    }
}

int TVnFooterPanels::IndexOf(const TVnFooterPanel* panel) const {
    const auto it = std::find(items_.begin(), items_.end(), panel);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TVnFooterPanels::EndUpdate() {
    if (--updateCount_ == 0) Update(nullptr);
}

void TVnFooterPanels::Update(TVnFooterPanel* item) {
    if (updateCount_ > 0 || !owner_) return;
    if (owner_->AutoSize() || !item) {
        owner_->Changed();
    } else if (TVnFooters* footers = owner_->Footers()) {
        footers->PaintPanel(owner_, IndexOf(item));
    }
}

// ---- footer lines ----------------------------------------------------------------------------------

TVnFooter::TVnFooter(TVnFooters* footers) { SetFooters(footers); }

TVnFooter::~TVnFooter() { SetFooters(nullptr); }

void TVnFooter::SetFooters(TVnFooters* value) {
    if (value == footers_) return;
    if (footers_) footers_->Detach(this);
    footers_ = value;
    if (footers_) {
        UpdateAutoHeight();
        footers_->Attach(this);
    }
}

void TVnFooter::SetAutoSize(bool value) {
    if (value == autoSize_) return;
    autoSize_ = value;
    Changed();
}

void TVnFooter::SetHeight(int value) {
    if (value == height_) return;
    height_ = value;
    Changed();
}

void TVnFooter::SetStyle(TBevelStyle value) {
    if (value == style_) return;
    style_ = value;
    Changed();
}

void TVnFooter::SetVisible(bool value) {
    if (value == visible_) return;
    visible_ = value;
    Changed();
}

void TVnFooter::UpdateAutoHeight() {
    if (!autoSize_) return;
    int h = 0;
    for (int i = 0; i < panels_.Count(); ++i) {
        TVnFooterPanel* panel = panels_.Items(i);
        if (panel->Visible()) h = std::max(h, panel->CalcHeight());
    }
    height_ = h;
}

void TVnFooter::Changed() {
    if (!footers_ || footers_->UpdateCount() > 0) return;
    UpdateAutoHeight();
    footers_->Changed();
}

void TVnFooter::MovePanel(int fromIndex, int toIndex) {
    for (int i = 0; i < panels_.Count(); ++i) {
        TVnFooterPanel* panel = panels_.Items(i);
        const int ci = panel->GetColumnIndex();
        if (ci == fromIndex)
            panel->SetColumnIndex(toIndex);
        else if (fromIndex > toIndex && ci >= toIndex && ci <= fromIndex - 1)
            panel->SetColumnIndex(ci + 1);
        else if (fromIndex < toIndex && ci >= fromIndex + 1 && ci <= toIndex)
            panel->SetColumnIndex(ci - 1);
    }
}

TVnCustomGrid* TVnFooter::OwnerGrid() const { return footers_ ? footers_->Grid() : nullptr; }

TColor TVnFooter::OwnerColor() const {
    TVnCustomGrid* grid = OwnerGrid();
    return grid ? grid->FixedColor() : clWindow;
}

QFont TVnFooter::OwnerFont() const {
    TVnCustomGrid* grid = OwnerGrid();
    return grid ? grid->font() : QApplication::font();
}

TRect TVnFooter::PanelRect(const TVnFooterPanel* panel, const TRect& lineRect, bool single) {
    TVnCustomGrid* grid = OwnerGrid();
    const int ci = panel->GetColumnIndex();
    if (!grid || ci < 0 || ci >= grid->ColCount()) return {};
    const TRect box = grid->BoxRect(ci, 0, ci, 0);
    if (box.Width() <= 0) return {};
    TRect r{box.Left, lineRect.Top, box.Right, lineRect.Bottom};
    if (single) {
        // A single panel repainted on its own must not spill over the fixed columns.
        r.Left = std::max(r.Left, grid->CalcDrawInfo().Horz.FixedBoundary);
    } else {
        r.Top += 1;
        r.Bottom -= 1;
    }
    return r;
}

void TVnFooter::PaintPanels(QPainter& canvas, const TGridDrawInfo& info, int panelIndex,
                            const TRect& lineRect, QRegion* painted) {
    canvas.save();
    canvas.setFont(OwnerFont());
    canvas.setBrush(ToQColor(clBtnFace));
    if (panelIndex < 0) {
        for (int i = 0; i < panels_.Count(); ++i) {
            TVnFooterPanel* panel = panels_.Items(i);
            if (!panel->Visible() || panel->GetColumnIndex() == -1) continue;
            const TRect r = PanelRect(panel, lineRect, false);
            if (r.IsEmpty()) continue;
            canvas.save();
            const bool done = panel->Paint(canvas, r, info);
            canvas.restore();
            if (done && painted) *painted += QRegion(r.ToQRect());
        }
    } else if (panelIndex < panels_.Count()) {
        TVnFooterPanel* panel = panels_.Items(panelIndex);
        const TRect r = PanelRect(panel, lineRect, true);
        if (!r.IsEmpty()) {
            canvas.save();
            const bool done = panel->Visible() && panel->Paint(canvas, r, info);
            canvas.restore();
            if (!done) FillRect(canvas, r, clBtnFace);
            if (painted) *painted += QRegion(r.ToQRect());
        }
    }
    canvas.restore();
}

// ---- the band ------------------------------------------------------------------------------------

TVnFooters::~TVnFooters() {
    for (TVnFooter* line : lines_) line->footers_ = nullptr;
}

void TVnFooters::Attach(TVnFooter* line) {
    lines_.push_back(line);
    if (updateCount_ == 0) Changed();
}

void TVnFooters::Detach(TVnFooter* line) {
    lines_.erase(std::remove(lines_.begin(), lines_.end(), line), lines_.end());
    if (updateCount_ == 0) Changed();
}

void TVnFooters::EndUpdate() {
    if (--updateCount_ == 0) Changed();
}

void TVnFooters::Changed() {
    if (!grid_ || grid_->Destroying()) return;
    int sum = 0;
    for (TVnFooter* line : lines_)
        if (line->Visible()) sum += line->Height();
    totalHeight_ = sum > 0 ? sum + kMarginTop + kMarginBottom : 0;
    grid_->FootersChanged();
}

TRect TVnFooters::FooterRect() const {
    TRect r = TRect::FromQRect(grid_->viewport()->rect());
    r.Top = r.Bottom - totalHeight_;
    return r;
}

void TVnFooters::PaintFrame(QPainter& canvas, TRect& inner, TRect& band) {
    TRect r = FooterRect();
    DrawEdge(canvas, r, BDR_SUNKENOUTER, BF_TOP);
    r.Top += 1;
    DrawEdge(canvas, r, BDR_SUNKENINNER, BF_RIGHT | BF_BOTTOM);
    DrawEdge(canvas, r, BDR_RAISEDINNER, BF_LEFT | BF_TOP);
    inner = r.Inflated(-1, -1);
    band = FooterRect();
    band.Left += kMarginLeft;
    band.Top += kMarginTop;
    band.Right -= kMarginRight;
}

void TVnFooters::Paint(QPainter& canvas) {
    if (FooterRect().IsEmpty()) return;
    canvas.save();
    TRect inner, band;
    PaintFrame(canvas, inner, band);
    const TGridDrawInfo info = grid_->CalcDrawInfo();
    QRegion painted;
    int top = band.Top;
    for (TVnFooter* line : lines_) {
        if (!line->Visible()) continue;
        const TRect lineRect{band.Left, top, band.Right, top + line->Height()};
        line->PaintPanels(canvas, info, -1, lineRect, &painted);
        top += line->Height();
    }
    // Only the gaps between the panels are filled.
    const QRegion gaps = QRegion(inner.ToQRect()).subtracted(painted);
    for (const QRect& r : gaps) canvas.fillRect(r, ToQColor(clBtnFace));
    canvas.restore();
}

void TVnFooters::PaintPanel(TVnFooter* line, int panelIndex) {
    // Widgets paint only inside their paint cycle, so the panel's own rectangle is repainted at once.
    if (FooterRect().IsEmpty() || panelIndex < 0) return;
    TRect band = FooterRect();
    band.Left += kMarginLeft;
    band.Top += kMarginTop;
    band.Right -= kMarginRight;
    int top = band.Top;
    for (TVnFooter* l : lines_) {
        if (l == line) break;
        if (l->Visible()) top += l->Height();
    }
    const TRect lineRect{band.Left, top, band.Right, top + line->Height()};
    const TRect r = line->PanelRect(line->Panels().Items(panelIndex), lineRect, true);
    if (!r.IsEmpty()) grid_->InvalidateRegion(QRegion(r.ToQRect()));
}

void TVnFooters::MovePanel(int fromIndex, int toIndex) {
    BeginUpdate();
    for (TVnFooter* line : lines_) line->MovePanel(fromIndex, toIndex);
    EndUpdate();
}
