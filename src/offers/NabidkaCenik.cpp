// The offer card's work with the price list: adding picked items, the offer's price level, the
// repricing of items from the current price list, the VAT rate of items and the bulk price buttons.
// Prices are computed only by the item card's calculators (EditOfferItem); this file decides which
// items go there and with what.

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>
#include <memory>
#include <vector>

#include "core/Informace.h"
#include "core/Login.h"
#include "core/Main.h"
#include "core/Nastaveni.h"
#include "core/UserSettings.h"
#include "core/Working.h"
#include "offers/ItemsImportFileParser.h"
#include "offers/NabidkaData.h"
#include "offers/NabidkaKart.h"
#include "offers/NabidkaSoucty.h"
#include "offers/PolozkaNab.h"
#include "offers/ReCalcDiscount.h"
#include "offers/SlevaKarta.h"
#include "platform/data/Field.h"
#include "platform/data/MemTable.h"
#include "platform/db/ADOQuery.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/CenHlad.h"
#include "pricelist/PriceListUi.h"
#include "pricelist/Zasoby.h"
#include "widgets/VnDBGrids.h"

namespace {

QString Quoted(const QString& text) { return "\"" + text + "\""; }

// The line of one item the repricing could not change.
QString ItemLine(TDataSet& items, const QString& tail) {
    return QString::fromUtf8("• ") + items.FieldByName("Popis")->AsString() + " (ID " +
           QString::number(items.FieldByName("CisloKarty")->AsInteger()) + tail;
}

// The list of what an operation could not do, in the shared information window; a run without the
// window made at start-up still shows it.
void ShowInformationLines(const QStringList& lines) {
    std::unique_ptr<TfrmInformace> own;
    TfrmInformace* info = TfrmInformace::Instance();
    if (!info) {
        own = std::make_unique<TfrmInformace>();
        info = own.get();
    }
    info->Clear();
    for (const QString& line : lines) info->AddLine(line);
    info->ShowModal();
}

// VAT rates are held at two decimals wherever they are typed.
bool SameRate(long double a, double b) { return std::fabs(static_cast<double>(a) - b) < 0.00005; }

}  // namespace

// ---- adding from the price list
// -----------------------------------------------------------------------

bool TfrmNabidkaKart::TakeOldestPriceListMark() {
    TfrmZasoby* list = TfrmZasoby::Existing();
    if (list == nullptr) return false;
    TBookmarkList& marks = list->grZasoby->MarkedRows();
    TADOQuery& items = frmMain->adqZasoby;
    while (marks.MarkCount() > 0) {
        const TBookmark oldest = marks.MarkAt(marks.MarkCount() - 1);
        if (!items.BookmarkValid(oldest)) {
            marks.DropVanishedMarks();
            continue;
        }
        items.GotoBookmark(oldest);
        if (!items.FieldByName("Chyba")->AsBoolean()) return true;
        // The picker never hands over an item with an unfinished recalculation.
        ShowWarning(QString::fromUtf8(kItemInError));
        marks.SetCurrentRowMarked(false);
    }
    return false;
}

bool TfrmNabidkaKart::EnterPriceListAgain() {
    TfrmZasoby* list = TfrmZasoby::Existing();
    if (list == nullptr) return false;
    list->SetMode(TPriceListMode::Pick);
    if (list->grZasoby->MarkedRows().MarkCount() > 0) return TakeOldestPriceListMark();
    return list->exec() == kPriceListPicked;
}

void TfrmNabidkaKart::btnPridatSklPolClick() {
    if (!btnPridatSklPol->isEnabled()) return;
    bool picked = false;
    if (!frmMain->adqZasoby.Active())
        picked = ShowPriceList(TPriceListMode::Pick, false, TPriceListPhase::OpenShow) == kPriceListPicked;
    else
        picked = EnterPriceListAgain();
    TfrmZasoby* list = TfrmZasoby::Existing();
    if (!picked || list == nullptr) {
        grPolozky->setFocus();
        return;
    }
    TBookmarkList& marks = list->grZasoby->MarkedRows();
    bool fromMarks = false;
    for (;;) {
        const bool showCard = !(BulkAddMarkedItems && marks.MarkCount() > 0);
        EditOfferItem(true, true, showCard, false, 0);
        marks.SetCurrentRowMarked(false);
        if (marks.MarkCount() > 0) {
            if (!TakeOldestPriceListMark()) break;
            fromMarks = true;
            continue;
        }
        if (fromMarks || !EnterPriceListAgain()) break;
    }
    UpdateOfferItemButtons();
    UpdateMarkLabel();
    grPolozky->setFocus();
}

// ---- the offer's price level
// --------------------------------------------------------------------------

QString TfrmNabidkaKart::LevelLine() const {
    const QString level = edtCenHlad->text();
    if (level.isEmpty()) return QString::fromUtf8(kLevelLineBase);
    return QString::fromUtf8(kLevelLineSet) + Quoted(level);
}

QString TfrmNabidkaKart::MarkLine() const {
    const int marked = grPolozky->MarkedRows().MarkCount();
    if (marked > 0) return QString::fromUtf8(kMarkLineMarked).arg(marked);
    return QString::fromUtf8(kMarkLineNone);
}

namespace {
QString LevelQuestion(const QString& levelLine) {
    return QString::fromUtf8(kLevelQuestionHead) + levelLine + "\r\r" + QString::fromUtf8(kAllItemsLine) +
           "\r\r\r" + QString::fromUtf8(kContinueQuestion);
}
}  // namespace

void TfrmNabidkaKart::btnVyberCenHladClick() {
    TADOQuery& levels = frmMain->adqCenHlad;
    const bool chosen =
        ShowPriceLevelList(1, QString(), false, false) == kResultOk && levels.Active() && !levels.IsEmpty();
    if (chosen) {
        document_->OfferPriceLevel = levels.FieldByName("Zkratka")->AsString();
        edtCenHlad->setText(document_->OfferPriceLevel);
    }
    levels.Close();
    if (chosen && AskQuestion(LevelQuestion(LevelLine()))) UpdateItemPricesFromPriceList(false, true);
}

void TfrmNabidkaKart::btnZrusCenHladClick() {
    document_->OfferPriceLevel.clear();
    edtCenHlad->clear();
    if (AskQuestion(QString::fromUtf8(kClearLevelQuestion))) UpdateItemPricesFromPriceList(false, true);
}

void TfrmNabidkaKart::chckCHzadresyClick() {
    SetModified();
    // New items from the price list take the level that applies now, before the card is confirmed.
    document_->Header.CenHladAdr = chckCHzadresy->isChecked();
    const QString before = edtCenHlad->text();
    ShowOfferPriceLevel();
    if (edtCenHlad->text() != before && AskQuestion(LevelQuestion(LevelLine())))
        UpdateItemPricesFromPriceList(false, true);
}

void TfrmNabidkaKart::acNastavitHladinuClick() {
    const QString question = QString::fromUtf8(kSetLevelQuestionHead) + LevelLine() + "\r\r" + MarkLine() +
                             "\r\r\r" + QString::fromUtf8(kContinueQuestion);
    if (AskQuestion(question)) UpdateItemPricesFromPriceList(false, false);
}

void TfrmNabidkaKart::acAktualizovatCenyClick() {
    const QString question = QString::fromUtf8(kUpdatePricesQuestionHead) + MarkLine() + "\r\r\r" +
                             QString::fromUtf8(kContinueQuestion);
    if (AskQuestion(question)) UpdateItemPricesFromPriceList(true, false);
}

// ---- repricing from the price list
// --------------------------------------------------------------------

int TfrmNabidkaKart::UpdateItemPricesFromPriceList(bool keepItemLevels, bool ignoreMarks) {
    TMemTable& items = Items();
    if (items.IsEmpty()) return 0;
    TBookmarkList& marks = grPolozky->MarkedRows();
    QStringList savedMarks;
    if (ignoreMarks) {
        marks.SaveMarks(savedMarks);
        marks.ClearMarks();
    }
    std::vector<TBookmark> taken;
    for (int i = 0; i < marks.MarkCount(); ++i) taken.push_back(marks.MarkAt(i));
    const bool useMarks = !taken.empty();

    QStringList lines{QString::fromUtf8(kRepriceHeading), QString()};
    const int headingLines = lines.size();
    const TBookmark here = items.GetBookmark();
    std::vector<TBookmark> rows;
    for (items.First(); !items.Eof(); items.Next()) rows.push_back(items.GetBookmark());
    items.DisableControls();
    document_->SuppressMarkSums = true;
    const QString offerLevel = edtCenHlad->text();
    TADOQuery& q = frmMain->adqAgendaFree2;
    for (const TBookmark& row : rows) {
        items.GotoBookmark(row);
        ShowWorking(true, QString::fromUtf8(kRepriceWorking) + items.FieldByName("Popis")->AsString());
        if (useMarks && std::find(taken.begin(), taken.end(), row) == taken.end()) continue;
        const int card = items.FieldByName("CisloKarty")->AsInteger();
        if (card <= 0 || items.FieldByName("Nadpisova")->AsBoolean() ||
            items.FieldByName("Textova")->AsBoolean())
            continue;
        if (items.FieldByName("IgnorHr")->AsBoolean()) {
            lines << ItemLine(items, QString::fromUtf8(kRepriceLocked));
            continue;
        }
        const QString level = keepItemLevels ? items.FieldByName("CenHladina")->AsString() : offerLevel;
        q.Close();
        q.SetSQL("SELECT * FROM Zasoby WHERE ID = :ID");
        q.Parameters().ParamByName("ID")->Value = card;
        q.Open();
        if (q.IsEmpty()) {
            lines << ItemLine(items, QString::fromUtf8(kRepriceGone));
            continue;
        }
        // A row whose recalculation did not finish holds prices that do not belong together;
        // the picker refuses it, and so does the repricing.
        if (q.FieldByName("Chyba")->AsBoolean()) {
            lines << ItemLine(items, QString::fromUtf8(kRepriceInError));
            continue;
        }
        LoadOfferItemPriceLevels(q, q.FieldByName("CenSkupina")->AsString());
        TMemTable& levels = OfferItemEditor().mtCenHlad;
        // The walk stops on the level found: stepping on and back would leave the last level of a
        // group on the one before it, since a step past the last row does not move.
        bool found = false;
        for (levels.First(); !levels.Eof(); levels.Next()) {
            found = levels.FieldByName("Zkratka")->AsString().compare(level, Qt::CaseInsensitive) == 0;
            if (found) break;
        }
        if (!found) {
            lines << ItemLine(items,
                              ") - hladina " + Quoted(level) + QString::fromUtf8(kRepriceLevelMissing));
            continue;
        }
        const bool withVat = levels.FieldByName("SDPH")->AsBoolean();
        items.Edit();
        items.FieldByName("SazbaDPH")->SetAsFloat(q.FieldByName("SazbaDPH")->AsFloat());
        if (keepItemLevels) items.FieldByName("NakCena")->SetAsFloat(q.FieldByName("NakCena")->AsFloat());
        items.FieldByName("ProdCena")
            ->SetAsFloat(levels.FieldByName(withVat ? "CenaSDPH" : "CenaBDPH")->AsFloat());
        items.FieldByName("SDPH")->SetAsBoolean(withVat);
        items.FieldByName("CenHladina")->SetAsString(level);
        items.Post();
        q.Close();
        EditOfferItem(false, true, false, false, 0);
    }
    q.Close();
    items.GotoBookmark(here);
    items.EnableControls();
    if (ignoreMarks) marks.LoadMarks(savedMarks);
    document_->SuppressMarkSums = false;
    document_->Modified = true;
    RecalcOfferTotals();
    ShowWorking(false);
    UpdateMarkLabel();
    if (lines.size() > headingLines) {
        ShowInformationLines(lines);
    }
    return 0;
}

// ---- VAT rate and bulk prices
// -------------------------------------------------------------------------

void TfrmNabidkaKart::acZmenitDPHClick() {
    for (;;) {
        long double value = 0;
        if (ShowBulkPriceDialog(static_cast<int>(TBulkKind::VatRate), value) == -1) return;
        const bool valid = value == 0 || SameRate(value, OfferRateReduced) ||
                           SameRate(value, OfferRateBasic) || SameRate(value, OfferRateFurtherReduced);
        if (!valid) {
            ShowWarning(QString::fromUtf8(kInvalidVatRate));
            continue;
        }
        ApplyBulkPriceChange(static_cast<int>(TBulkMode::Set), static_cast<int>(TBulkKind::VatRate), value);
        SetModified();
        UpdateMarkLabel();
        return;
    }
}

void TfrmNabidkaKart::BulkPriceClick(int kind) {
    long double value = 0;
    const int mode = ShowBulkPriceDialog(kind, value);
    if (mode != -1) ApplyBulkPriceChange(mode, kind, value);
    UpdateMarkLabel();
    grPolozky->setFocus();
}

void TfrmNabidkaKart::DopocitatSlevuClick() {
    TMemTable& items = Items();
    if (items.IsEmpty()) {
        ShowInformation(QString::fromUtf8(kDiscountNoItems));
        return;
    }
    QString stored;
    UserSetting(kLoad, kDiscountWithoutVatSetting, QString(), stored);
    bool withoutVat = true;
    if (!TryStrToBool(stored, withoutVat)) withoutVat = true;
    TReCalcDiscount request;
    request.WithoutVat = withoutVat;
    request.Total =
        Currency::FromDouble(withoutVat ? document_->Totals.ZakladCelkem : document_->Totals.CelkemSDPH);
    if (!request.Execute()) return;
    withoutVat = request.WithoutVat;
    UserSetting(kSave, kDiscountWithoutVatSetting, BoolToStoredText(withoutVat), stored);

    ApplyBulkPriceChange(static_cast<int>(TBulkMode::Zero), static_cast<int>(TBulkKind::Discount), 0);
    std::vector<TBookmark> marks;
    TBookmarkList& list = grPolozky->MarkedRows();
    for (int i = 0; i < list.MarkCount(); ++i) marks.push_back(list.MarkAt(i));
    const char* column = withoutVat ? "PCBDPHPOL" : "PCSDPHPOL";
    Currency fixed;
    Currency variable;
    const TBookmark here = items.GetBookmark();
    items.DisableControls();
    for (items.First(); !items.Eof(); items.Next()) {
        const Currency line = Currency::FromDouble(items.FieldByName(column)->AsFloat());
        const bool unmarked =
            !marks.empty() && std::find(marks.begin(), marks.end(), items.GetBookmark()) == marks.end();
        if (items.FieldByName("IgnorHr")->AsBoolean() || unmarked)
            fixed += line;
        else
            variable += line;
    }
    items.GotoBookmark(here);
    items.EnableControls();
    if (variable == Currency()) {
        ShowWarning(QString::fromUtf8(kDiscountNothingToDiscount));
        return;
    }
    const Currency rest = request.Total - fixed;
    if (rest <= Currency()) {
        ShowWarning(QString::fromUtf8(kDiscountBelowFixed));
        return;
    }
    ApplyBulkPriceChange(static_cast<int>(TBulkMode::Set), static_cast<int>(TBulkKind::Discount),
                         UniformDiscount(rest, variable));
    SetModified();
    grPolozky->setFocus();
}

// ---- items by keys from a file
// -------------------------------------------------------------------------

void TfrmNabidkaKart::PridatPolozkyZeSouboruClick() {
    if (CurrentUser.Cenik_AR >= TAccessLevel::NoAccess) {
        TUser::ShowNoRightsMessage();
        return;
    }
    TItemsImportFileParser parser;
    parser.LoadSettings();
    if (!parser.Execute()) return;
    parser.SaveSettings();
    // The lookups take the price list's item query over; an opening of the price list ends first.
    TADOQuery& zasoby = frmMain->adqZasoby;
    if (zasoby.Active()) ShowPriceList(TPriceListMode::Pick, true, TPriceListPhase::CloseOnly);
    QStringList lines{QString::fromUtf8(kImportHeading)};
    const int headingLines = lines.size();
    TMemTable& pairs = parser.Pairs;
    TMemTable& items = Items();
    int n = 0;
    for (pairs.First(); !pairs.Eof(); pairs.Next()) {
        ++n;
        const QString key = pairs.FieldByName("KeyValue")->AsString();
        const double quantity = pairs.FieldByName("PocetMJValue")->AsFloat();
        bool skip = false;
        if (key.trimmed().isEmpty()) {
            lines << QString::fromUtf8(kImportEmptyKey).arg(n);
            skip = true;
        }
        if (quantity <= 0) {
            lines << QString::fromUtf8(kImportBadCount).arg(n);
            skip = true;
        }
        if (skip) continue;
        zasoby.Close();
        // The key is bound, never spliced: a key may hold quotes.
        zasoby.SetSQL(QString("SELECT * FROM Zasoby WHERE %1 = :Klic").arg(parser.KeyFieldName()));
        zasoby.Parameters().ParamByName("Klic")->Value = key;
        zasoby.Open();
        if (zasoby.IsEmpty()) {
            lines << QString::fromUtf8(kImportNotFound).arg(n).arg(key);
            continue;
        }
        if (zasoby.RecordCount() > 1) {
            lines << QString::fromUtf8(kImportAmbiguous).arg(n).arg(key);
            continue;
        }
        // The picker refuses an item whose recalculation did not finish, and so does the key list.
        if (zasoby.FieldByName("Chyba")->AsBoolean()) {
            lines << QString::fromUtf8(kImportInError).arg(n).arg(key);
            continue;
        }
        EditOfferItem(true, true, false, false, 0);
        items.Edit();
        items.FieldByName("PocetMJ")->SetAsFloat(quantity);
        items.Post();
        EditOfferItem(false, false, false, false, 0);
    }
    zasoby.Close();
    UpdateOfferItemButtons();
    UpdateMarkLabel();
    if (lines.size() > headingLines) {
        ShowInformationLines(lines);
    }
    grPolozky->setFocus();
}
