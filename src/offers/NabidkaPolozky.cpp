// The item operations of the offer card: opening an item by its kind, headings
// and texts, copying, removing, locking, marking, the order of the items and
// the drawing of the item grid. Price items are written only by the item card;
// this file never computes a price.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <vector>

#include "core/UserSettings.h"
#include "offers/NabidkaData.h"
#include "offers/NabidkaKart.h"
#include "offers/NabidkaSoucty.h"
#include "offers/NadpisovaPol.h"
#include "offers/PolozkaNab.h"
#include "platform/data/Field.h"
#include "platform/data/MemTable.h"
#include "platform/ui/Dialogs.h"
#include "widgets/VnDBGrids.h"

namespace {

const char* const kOrderIndex = "Poradi";
const char* const kEmptyLevelText = "<zákl. prodejní>";
constexpr TColor Rgb(int r, int g, int b) { return r | (g << 8) | (b << 16); }

bool IsHeadingOrText(TDataSet& items) {
    return items.FieldByName("Nadpisova")->AsBoolean() || items.FieldByName("Textova")->AsBoolean();
}

// Switches the table's index off for an edit and back on, on every way out.
class TIndexOff {
public:
    explicit TIndexOff(TMemTable& table) : table_(table), index_(table.IndexName()) {
        table_.SetIndexName(QString());
    }
    ~TIndexOff() { table_.SetIndexName(index_); }
    TIndexOff(const TIndexOff&) = delete;
    TIndexOff& operator=(const TIndexOff&) = delete;

private:
    TMemTable& table_;
    QString index_;
};

// The rows of the table in the order its index gives now, as bookmarks: a walk
// that changes the indexed field would otherwise see rows move under it.
std::vector<TBookmark> RowsInOrder(TDataSet& table) {
    std::vector<TBookmark> rows;
    for (table.First(); !table.Eof(); table.Next()) rows.push_back(table.GetBookmark());
    return rows;
}

void SetOrder(TDataSet& table, const TBookmark& row, int order) {
    table.GotoBookmark(row);
    table.Edit();
    table.FieldByName("Poradi")->SetAsInteger(order);
    table.Post();
}

}  // namespace

// ---- opening, adding, copying and removing items
// ---------------------------------------------------------

void TfrmNabidkaKart::btnOpravitPolClick() {
    if (!btnOpravitPol->isEnabled() || Items().IsEmpty()) return;
    TMemTable& items = Items();
    if (IsHeadingOrText(items)) {
        EditHeadingTextItem(false, items.FieldByName("Nadpisova")->AsBoolean(), false);
    } else {
        EditOfferItem(false, items.FieldByName("CisloKarty")->AsInteger() != 0, true, false, 0);
    }
    RecalcOfferTotals();
    grPolozky->setFocus();
}

void TfrmNabidkaKart::btnPridatPolClick() {
    if (!btnPridatPol->isEnabled()) return;
    EditOfferItem(true, false, true, false, 0);
    grPolozky->setFocus();
}

void TfrmNabidkaKart::btnPridatNadpisClick() {
    if (btnPridatNadpis->isEnabled()) EditHeadingTextItem(true, true, false);
}

void TfrmNabidkaKart::btnPridatTextClick() {
    if (btnPridatText->isEnabled()) EditHeadingTextItem(true, false, false);
}

void TfrmNabidkaKart::acbtnKopirovatPolExecute() {
    if (!btnKopirovatPol->isEnabled() || Items().IsEmpty()) return;
    TMemTable& items = Items();
    if (IsHeadingOrText(items)) {
        EditHeadingTextItem(false, items.FieldByName("Nadpisova")->AsBoolean(), true);
    } else {
        EditOfferItem(false, items.FieldByName("CisloKarty")->AsInteger() != 0, true, true, 0);
    }
    grPolozky->setFocus();
}

void TfrmNabidkaKart::btnVyjmoutPolClick() {
    TMemTable& items = Items();
    if (!btnVyjmoutPol->isEnabled() || items.IsEmpty()) return;
    SetModified();
    if (items.FieldByName("Nadpisova")->AsBoolean()) --document_->HeadingItemCount;
    document_->SuppressMarkSums = true;
    items.Delete();
    grPolozky->MarkedRows().DropVanishedMarks();
    document_->SuppressMarkSums = false;
    RecalcOfferTotals();
    UpdateOfferItemButtons();
    UpdateMarkLabel();
    grPolozky->setFocus();
}

int TfrmNabidkaKart::EditHeadingTextItem(bool isNew, bool isHeading, bool isCopy) {
    TMemTable& items = Items();
    document_->SuppressMarkSums = true;
    TNadpisovaPol editor;
    editor.Order = 1;
    if (!isNew || isCopy) {
        editor.Text = items.FieldByName("Popis")->AsString();
        editor.Note = items.FieldByName("Poznamka")->AsString();
        editor.Order = items.FieldByName("Poradi")->AsInteger();
    }
    editor.IsHeading = isHeading;
    const bool append = isNew || isCopy;
    if (append) editor.Order = items.IsEmpty() ? 1 : items.FieldByName("Poradi")->AsInteger() + 1;
    if (editor.Execute()) {
        {
            TIndexOff off(items);
            if (append) {
                // The rows from the new one's place on move down one, so that the new
                // row follows the current one whatever order equal numbers would take.
                for (const TBookmark& row : RowsInOrder(items)) {
                    items.GotoBookmark(row);
                    const int order = items.FieldByName("Poradi")->AsInteger();
                    if (order >= editor.Order) SetOrder(items, row, order + 1);
                }
                items.Append();
                items.FieldByName("LockID")->SetAsInteger(kNotStored);
            } else {
                items.Edit();
            }
            items.FieldByName("Popis")->SetAsString(editor.Text);
            items.FieldByName("Poznamka")->SetAsString(editor.Note);
            items.FieldByName("Nadpisova")->SetAsBoolean(isHeading);
            items.FieldByName("Textova")->SetAsBoolean(!isHeading);
            items.FieldByName("Poradi")->SetAsInteger(editor.Order);
            for (const char* f : {"Katalog", "BarCode", "MJ", "PLU", "Zkratka", "Identif", "CenHladina"})
                items.FieldByName(f)->SetAsString(QString());
            for (const char* f : {"Zaok", "CisloKarty", "CisloSkladu", "CisloSkup"})
                items.FieldByName(f)->SetAsInteger(0);
            for (const char* f : {"Marze", "Rabat", "NakCena", "NakCenaPol", "ProdCena", "SazbaDPH", "Sleva",
                                  "PocetMJ", "PCSDPHMJ", "PCBDPHMJ", "PCSDPHPOL", "PCBDPHPOL", "ZiskMJ",
                                  "ZiskPol", "ProdCenaPo", "VyseDPHMJ", "VyseDPHPol"})
                items.FieldByName(f)->SetAsFloat(0);
            for (const char* f : {"SDPH", "Nakladova", "IgnorHr"}) items.FieldByName(f)->SetAsBoolean(false);
            items.Post();
        }
        UpdateOfferItemButtons();
        RenumberOfferItems();
        if (isNew && isHeading) ++document_->HeadingItemCount;
        if (isCopy && isHeading) ++document_->HeadingItemCount;
        SetModified();
    }
    document_->SuppressMarkSums = false;
    UpdateMarkLabel();
    return 0;
}

bool TfrmNabidkaKart::SetItemsLock(bool lock, bool all) {
    SetModified();
    TMemTable& items = Items();
    if (items.IsEmpty()) return true;
    const TBookmark here = items.GetBookmark();
    items.DisableControls();
    auto setLock = [&] {
        items.Edit();
        items.FieldByName("IgnorHr")->SetAsBoolean(lock);
        items.Post();
    };
    TBookmarkList& marks = grPolozky->MarkedRows();
    if (marks.MarkCount() > 0) {
        for (int i = 0; i < marks.MarkCount(); ++i) {
            items.GotoBookmark(marks.MarkAt(i));
            setLock();
        }
    } else if (all) {
        for (const TBookmark& row : RowsInOrder(items)) {
            items.GotoBookmark(row);
            setLock();
        }
    } else {
        setLock();
    }
    items.GotoBookmark(here);
    items.EnableControls();
    return false;
}

// ---- order
// --------------------------------------------------------------------------------------------

void TfrmNabidkaKart::RenumberOfferItems() {
    TMemTable& items = Items();
    if (items.IsEmpty()) return;
    const TBookmark here = items.GetBookmark();
    items.DisableControls();
    int order = 0;
    for (const TBookmark& row : RowsInOrder(items)) SetOrder(items, row, ++order);
    items.GotoBookmark(here);
    items.EnableControls();
}

void TfrmNabidkaKart::MoveOfferItem(int delta) {
    SetModified();
    TMemTable& items = Items();
    if (items.IsEmpty()) return;
    const int target = items.RecNo() + delta;
    if (target < 1 || target > items.RecordCount()) return;
    const TBookmark a = items.GetBookmark();
    items.SetRecNo(target);
    const TBookmark b = items.GetBookmark();
    RenumberOfferItems();
    items.GotoBookmark(a);
    const int p = items.FieldByName("Poradi")->AsInteger();
    items.GotoBookmark(b);
    const int q = items.FieldByName("Poradi")->AsInteger();
    items.DisableControls();
    SetOrder(items, b, p);
    SetOrder(items, a, q);
    items.EnableControls();
    ApplySortField(grPolozky, "Poradi", "PORADI");
    items.SetIndexName(kOrderIndex);
    items.Locate("Poradi", q);
    RecalcOfferTotals();
}

void TfrmNabidkaKart::SortItemsByColumn(TColumn* column) {
    if (column == nullptr || !column->Indexed()) return;
    if (document_->HeadingItemCount > 0 && !AskQuestion(QString::fromUtf8(kSortHeadingsQuestion))) return;
    TMemTable& items = Items();
    const TBookmark here = items.IsEmpty() ? TBookmark() : items.GetBookmark();
    items.SetIndexName(column->FieldName());
    if (!here.isEmpty()) items.GotoBookmark(here);
    grPolozky->SetCol(grPolozky->DataToRawColumn(kOfferItemsFixedColumns + 2));
    MoveOfferItem(0);
}

// ---- search
// -------------------------------------------------------------------------------------------

void TfrmNabidkaKart::OpenItemFind(QChar typed) {
    TColumn* focused = grPolozky->SelectedColumn();
    lblPolozkyFindCaption->setText(focused ? focused->Title()->Caption() : QString());
    panPolozkyFind->show();
    edtPolozkyFind->setText(QString(typed));
    edtPolozkyFind->setFocus();
    edtPolozkyFind->setCursorPosition(edtPolozkyFind->text().size());
}

void TfrmNabidkaKart::CloseItemFind() {
    panPolozkyFind->hide();
    edtPolozkyFind->clear();
    grPolozky->setFocus();
}

// ---- buttons, marks, price level
// -------------------------------------------------------------------------

void TfrmNabidkaKart::UpdateOfferItemButtons() {
    const bool rows = document_ != nullptr && !Items().IsEmpty();
    for (QPushButton* b : {btnVyjmoutPol, btnOpravitPol, btnPolNahoru, btnPolDolu, btnKopirovatPol})
        b->setEnabled(rows);
    panPolozkyEmptyInfoCaption->setVisible(!rows);
}

void TfrmNabidkaKart::UpdateMarkLabel() {
    if (document_ == nullptr) return;
    const int marked = grPolozky->MarkedRows().MarkCount();
    lblOznaceni->setVisible(marked > 0);
    if (marked > 0)
        lblOznaceni->setText(QString(" Označeno %1 z %2 ").arg(marked).arg(Items().RecordCount()));
    // An operation that changes rows one by one asks for the sums once, when it is done.
    if (!document_->SuppressMarkSums) UpdateMarkedItemSums();
}

void TfrmNabidkaKart::UpdateMarkedItemSums() {
    if (document_ == nullptr) return;
    const bool wasSuppressed = document_->SuppressMarkSums;
    document_->SuppressMarkSums = true;
    const bool summing = chckSouctovat->isChecked();
    if (summing) {
        TBookmarkList& marks = grPolozky->MarkedRows();
        std::vector<TBookmark> marked;
        for (int i = 0; i < marks.MarkCount(); ++i) marked.push_back(marks.MarkAt(i));
        const TMarkedItemSums sums = SumMarkedOfferItems(Items(), marked);
        const std::pair<const char*, double> kSums[] = {{"NAKCENAPOL", sums.NakCenaPol},
                                                        {"PCBDPHPOL", sums.PCBDPHPOL},
                                                        {"PCSDPHPOL", sums.PCSDPHPOL},
                                                        {"ZISKPOL", sums.ZiskPol}};
        for (int i = 0; i < grPolozky->Columns().Count(); ++i) {
            TColumn* column = grPolozky->Columns().ColumnAt(i);
            const QString field = column->FieldName().toUpper();
            for (const auto& [name, value] : kSums) {
                if (field != QLatin1String(name)) continue;
                TColumnFooterPanel* footer = column->FooterPanel();
                footer->SetAlignment(taRightJustify);
                footer->SetVisible(true);
                footer->SetText(MarkedSumFooterText(value));
            }
        }
    }
    grPolozky->Footer().SetVisible(summing);
    grPolozky->viewport()->update();
    document_->SuppressMarkSums = wasSuppressed;
}

void TfrmNabidkaKart::MarkAllItems(bool mark) {
    TBookmarkList& marks = grPolozky->MarkedRows();
    if (mark)
        marks.MarkAllRows();
    else
        marks.ClearMarks();
    grPolozky->viewport()->update();
    UpdateMarkLabel();
}

void TfrmNabidkaKart::ShowOfferPriceLevel() {
    if (document_ == nullptr) return;
    const bool fromAddress = chckCHzadresy->isChecked();
    const bool wasFilling = filling_;
    filling_ = true;
    edtCenHlad->setText(fromAddress ? document_->CustomerPriceLevel : document_->OfferPriceLevel);
    filling_ = wasFilling;
    btnVyberCenHlad->setVisible(!fromAddress);
    btnZrusCenHlad->setVisible(!fromAddress);
    const bool order = !edtZakazka->text().isEmpty();
    btnDetailZakazky->setVisible(order);
    btnZrusZakazku->setVisible(order);
}

void TfrmNabidkaKart::JumpToHeading() {
    TMemTable& subtotals = document_->mtNadpisoveSoucty;
    if (!subtotals.Active() || subtotals.IsEmpty()) return;
    Items().Locate("Poradi", subtotals.FieldByName("PoradiPolozky")->AsInteger());
}

// ---- drawing
// ------------------------------------------------------------------------------------------

void TfrmNabidkaKart::DrawItemCell(QPainter& canvas, const TRect& rect, int dataColumn, TColumn* column,
                                   TGridDrawState state) {
    TMemTable& items = Items();
    const bool cost = items.FieldByName("Nakladova")->AsBoolean();
    const bool heading = items.FieldByName("Nadpisova")->AsBoolean();
    const bool text = items.FieldByName("Textova")->AsBoolean();
    const bool highlighted = (state & gdSelected) && !(state & gdFocused);
    QFont font = grPolozky->font();
    font.setBold(heading);
    QColor pen = canvas.pen().color();
    QColor brush = canvas.brush().color();
    if (cost) {
        pen = Qt::red;
        if (highlighted) {
            pen = Qt::white;
            brush = ToQColor(Rgb(128, 0, 0));
        }
    }
    if (grPolozky->MarkedRows().IsCurrentRowMarked()) {
        pen = Qt::white;
        brush = highlighted ? ToQColor(Rgb(0, 0, 128)) : ToQColor(Rgb(128, 128, 128));
    }
    canvas.setFont(font);
    canvas.setPen(pen);
    canvas.setBrush(brush);
    canvas.fillRect(rect.ToQRect(), brush);
    const QString field = column->FieldName();
    if (dataColumn < kOfferItemsFixedColumns) {
        if (dataColumn == 0 && items.FieldByName("CisloKarty")->AsInteger() != 0)
            ilItems.Draw(canvas, rect.Left, rect.Top, kItemPriceListPicture);
        if (dataColumn == 1 && cost) ilItems.Draw(canvas, rect.Left, rect.Top, kItemCostPicture);
        if (dataColumn == 2 && items.FieldByName("IgnorHr")->AsBoolean())
            ilItems.Draw(canvas, rect.Left, rect.Top, kItemLockPicture);
        return;
    }
    if (heading || text) {
        // Headings and texts carry only their text and their place.
        if (field.compare("Popis", Qt::CaseInsensitive) != 0 &&
            field.compare("Poradi", Qt::CaseInsensitive) != 0)
            return;
    } else if (field.compare("CenHladina", Qt::CaseInsensitive) == 0 &&
               items.FieldByName("CenHladina")->AsString().isEmpty()) {
        canvas.drawText(rect.Left + 2, rect.Top + 2 + canvas.fontMetrics().ascent(),
                        QString::fromUtf8(kEmptyLevelText));
        return;
    }
    grPolozky->DrawCellDefault(canvas, rect, dataColumn, column, state);
}
