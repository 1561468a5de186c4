#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "addressbook/Dokumenty.h"
#include "platform/data/MemTable.h"
#include "platform/text/OleDate.h"

class TDataSet;

// The offer document while it is open in the offer card: its header values, its items in
// `mtTmpPolozky`, its linked documents in `mtTmpDokumenty`, the card's state and the totals; and
// `EditOffer`, which loads an offer into it, lets the card window work on it and writes it back.
// The database sees nothing of an offer before the user confirms the card; this unit never shows
// the card itself, it asks the window that registered in OfferCardHooks().

// `Nabidky.IDStav`; the card's state list holds the names in this order.
enum class TOfferState : int {
    InPreparation = 0,
    Sent = 1,
    Correction = 2,
    Accepted = 3,
    NoResponse = 4,
    Rejected = 5,
    Cancelled = 6,
};
inline constexpr int kOfferStateCount = 7;
// Only a settled offer (accepted and beyond) keeps a date of settlement.
inline bool IsSettledOfferState(int state) { return state >= static_cast<int>(TOfferState::Accepted); }

// The VAT rates and the rounding of totals of the offer open in the card. The card is one for the
// whole run, so they are too: the totals, the item calculators and the VAT dialog read them.
extern double OfferRateBasic;
extern double OfferRateReduced;
extern double OfferRateFurtherReduced;  // 0: the offer has no further reduced rate
extern int OfferRoundTotals;            // 1: the two document totals are rounded to whole units

// Where the value of a customer link means "typed by hand".
inline constexpr int kTypedCustomer = 0;
// `LockID` and the documents' `ID` of a card row not stored yet.
inline constexpr int kNotStored = -1;

inline constexpr const char* kDefaultOfferHeading = "Nabídka";
// The number field of a new offer until the number is drawn at saving.
inline constexpr const char* kAutomaticNumberText = "<automaticky>";

// The header of the offer as the card's controls hold it.
struct TOfferHeader {
    QString Doklad;
    // The number field is disabled and the number is drawn at saving ("<automaticky>").
    bool AutomaticNumber = false;
    // The number-cancel button's tag: 1 when the offer already has a number.
    int NumberCancelTag = 0;
    QString Popis;
    QString ZpPlatby;
    QString Doprava;
    std::optional<TDateTime> DatVystaveni;
    std::optional<TDateTime> DatPlatnosti;
    std::optional<TDateTime> DatVyrizeni;
    int IDStav = 0;
    int AdrCislo = kTypedCustomer;  // the `Tag` of the name field: `Adresar.ID` or 0
    QString AdrNazev, AdrKontakt, AdrUlice, AdrPsc, AdrMisto, AdrICO, AdrDIC;
    QString Nadpis;
    QString TextPred;  // RTF, or plain text as stored by an old version
    QString TextZa;
    QString Poznamka;
    QString TextKomentare;
    bool CenHladAdr = true;  // "z adresy"
    QString Zakazka;
};

// What the totals leave for the card, the save and the history (the card's numeric fields, each
// held at two decimals), and the figures only shown.
struct TOfferTotals {
    double ZakladNulSazba = 0, ZakladSnizSazba = 0, ZakladZaklSazba = 0, ZakladDalsiSnizSazba = 0;
    double ZakladCelkem = 0;
    double DPHNulSazba = 0, DPHSnizSazba = 0, DPHZaklSazba = 0, DPHDalsiSnizSazba = 0;
    double DPHCelkem = 0;
    double SDPHNulSazba = 0, SDPHSnizSazba = 0, SDPHZaklSazba = 0, SDPHDalsiSnizSazba = 0;
    double CelkemSDPH = 0;
    double NCBDPHCelkem = 0;
    double ZiskCelkem = 0;
    double CelkemZaDokladBDPH = 0;
    double CelkemZaDokladSDPH = 0;
    // Before the items' discounts, and the discount (negative for a discount), at four decimals.
    double PredSlevouBDPH = 0, PredSlevouSDPH = 0;
    double VyseSlevyBDPH = 0, VyseSlevySDPH = 0;
    bool HasDiscount = false;
    // An item's rate is none of the offer's: the totals are incomplete and the card refuses to save.
    bool UnknownVatRate = false;
};

// The one open offer: header, items, documents, heading subtotals and the card's own fields.
class TOfferDocument {
public:
    TOfferDocument();
    TOfferDocument(const TOfferDocument&) = delete;
    TOfferDocument& operator=(const TOfferDocument&) = delete;

    TOfferHeader Header;
    TMemTable mtTmpPolozky;
    TMemTable mtTmpDokumenty;
    TMemTable mtNadpisoveSoucty;
    TOfferTotals Totals;

    bool ReadOnlyView = false;
    bool OfferLocked = false;
    bool OfferArchived = false;
    int OfferFlagID = 0;
    int EditedOfferID = 0;  // 0 for a new offer or a copy
    QString CustomerPriceLevel;
    QString OfferPriceLevel;
    int HeadingItemCount = 0;
    bool Modified = false;
    // Set while an item is being added, so that the marked sums are not recomputed meanwhile.
    bool SuppressMarkSums = false;
    // Writes the offer when the card's OK has passed its checks and the card has written its
    // controls back; false keeps the card open (the save met a database error it could not wait
    // out, and the user has been told). Set by EditOffer while the card is shown.
    std::function<bool()> Save;

    // The price level the offer's items are priced at: the customer's when "z adresy" is checked,
    // else the one chosen on the offer.
    QString EffectivePriceLevel() const { return Header.CenHladAdr ? CustomerPriceLevel : OfferPriceLevel; }

    // Empties everything as for a new offer (the card's reset; the rates are set by the caller).
    void Reset();
};

// The document of the offer card.
TOfferDocument& OfferCardData();

// The structure of the card's item table: the 35 item columns of `NabPolozky` and the card's own.
void CreateOfferItemTable(TMemTable& table);
// The item columns of `NabPolozky`, in the order they are written.
const QStringList& OfferItemColumns();

// What the offer card window and the offer list lend to `EditOffer`. Unset ones are skipped.
struct TOfferCardHooks {
    // Shows the card modally over the document. The window fills its controls from the document
    // and, on OK (after its own checks), writes them back and saves through the document's Save;
    // it closes when that answers true. True for OK.
    std::function<bool(TOfferDocument&)> ShowCard;
    // The totals were recomputed: the card refreshes its totals, labels and panels.
    std::function<void()> TotalsChanged;
    // The offer list: clears its marked rows, refreshes its buttons.
    std::function<void()> ClearOfferListMarks;
    std::function<void()> UpdateOfferListButtons;
    // Opens the print dialog for the offer just created (the list's current row).
    std::function<void()> PrintNewOffer;
    // Closes the price list when items were picked from it while the card was open.
    std::function<void()> ClosePriceList;
};
TOfferCardHooks& OfferCardHooks();

// The payment and delivery choices: the firm's own lists when it has them, else the built-in ones.
QStringList OfferPaymentKinds();
QStringList OfferDeliveryKinds();

// DataFolder + "Dokumenty/" + CurrentFirm + "/Nabidky/" + id + "/".
QString OfferDocumentFolder(int offerId);

// The full path of a stored document path: the shared-folder token stands for the offer's folder.
QString OfferDocumentFullPath(const QString& stored, int offerId);

// Opens an offer in the card and writes it back on OK: a new offer, the offer list's current offer,
// or a copy of it. True when it stopped or failed before or during the save (the caller only
// refreshes; a save that failed stored nothing), false when the card was shown and closed.
bool EditOffer(bool isNew, bool isCopy);

// Copies one document row's file into the offer's folder. On success the row's `File` becomes the
// token and the file name; on failure the user has been told and the row keeps its source path.
bool CopyOfferDocument(TDataSet& row, int offerId);

// Texts the user sees.
inline constexpr const char* kLoadingOfferText = "Načítám doklad\rprosím čekejte...";
inline constexpr const char* kSavingOfferText =
    "Prosím čekejte... probíhá ukládání nabídky, příp. kopírování dokumentů do sdílené složky (to může "
    "nějaký čas trvat)";
inline constexpr const char* kOfferLockedText = "Doklad je uzamčený, případné změny nebude možné uložit!";
inline constexpr const char* kOfferNumberMissingText = "Musíte vyplnit číslo dokladu.";
inline constexpr const char* kOfferHistoryText = "Stav: %1, Celkem s DPH: %2 %3";
