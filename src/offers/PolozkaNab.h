#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <vector>

#include "platform/data/MemTable.h"
#include "platform/ui/VnDialog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class TCurrencyEdit;
class TDataSet;

// The offer item card and the price calculators of an item. Every price item of an offer is
// written into the card's item table through EditOfferItem, with the card shown or in batch;
// the calculators hold each value at the precision of the field that shows it, so that a batch
// run gives exactly what the card would.

// The item's rounding choice (`Zaok`): the decimals the calculators round prices to.
int OfferItemDecimals(int zaok);

// The numeric values of the card, each held at its field's decimals.
enum class TItemValue : int {
    NakCena,     // 4
    ProdCena,    // 4
    ProdCenaPo,  // 4
    PocetMJ,     // 4
    Sleva,       // 2
    Marze,       // 2
    Rabat,       // 2
    PCBDPHMJ,    // 4
    PCSDPHMJ,    // 4
    VyseDPHMJ,   // 4
    PCBDPHPOL,   // 2
    PCSDPHPOL,   // 2
    VyseDPHPol,  // 2
    ZiskMJ,      // 2
    ZiskPol,     // 2
    Count
};
int ItemValueDecimals(TItemValue which);

// The calculators of one item. Values go in and come out as the card's fields hold them.
class TOfferItemCalc {
public:
    TOfferItemCalc();

    long double Get(TItemValue which) const { return values_[static_cast<size_t>(which)]; }
    void Set(TItemValue which, long double value);

    int Zaok = 0;          // rounding choice 0..2
    bool WithVat = false;  // price type "s daní"
    // The VAT rate list as texts, and the selected entry (-1 none: the rate reads 0).
    QStringList VatRates;
    int VatIndex = 0;
    long double Rate() const;

    // The price after discount, the unit and line prices, VAT and profit from the sale price.
    void RecalcDiscount();
    // Forward: the sale price from the margin; backward: the margin from the sale price.
    void RecalcMargin(bool forward);
    // Forward: the sale price from the rabat; backward: the rabat from the sale price.
    void RecalcRabat(bool forward);

private:
    int D() const { return OfferItemDecimals(Zaok); }
    long double NetOfSalePrice() const;
    std::array<long double, static_cast<size_t>(TItemValue::Count)> values_{};
};

// The VAT rate list of an item: "0", the offer's rates, the firm's current ones where they differ,
// and, when given, the item's own rate when it is none of the offer's.
QStringList OfferItemVatRates(const double* ownRate);
// The entry whose text is the rate's text; 0 ("0") when none is.
int OfferItemVatRateIndex(const QStringList& rates, double rate);
// The text a rate has in the list.
QString VatRateText(double rate);

// Everything the item card shows besides the numbers: texts, the price-list links, the flags, the
// print order and the price levels of the item.
class TOfferItemEditor {
public:
    TOfferItemEditor();

    TOfferItemCalc Calc;
    QString Popis, Katalog, BarCode, Poznamka, MJ, PLU, Zkratka, Identif, Obrazek;
    int CisloKarty = 0, CisloSkladu = 0, CisloSkup = 0;
    bool Nakladova = false;
    bool IgnorHr = false;
    int Poradi = 1;
    bool FromPriceList = false;
    bool FocusQuantity = false;

    // The levels the item can be priced at; row 1 is the base sale price. The combo lists
    // "<základní prodejní>" and then the codes of rows 2, 3, ...
    TMemTable mtCenHlad;
    QStringList LevelEntries;
    int LevelIndex = 0;
    // The selected level is no longer given by the price list ("[neexistuje]").
    bool LevelMissing = false;

    // Takes the selected level's price, rounding and price type, and recalculates.
    void ApplyPriceLevel();
    // The level code the item is priced at: empty for the base entry.
    QString SelectedLevelCode() const;
};

// The editor the item card and the batch runs work on.
TOfferItemEditor& OfferItemEditor();

// Rebuilds the editor's level table for a price-list row and the code of its price group. 0.
int LoadOfferItemPriceLevels(const TDataSet& item, const QString& priceGroupCode);
// Takes the level chosen in the editor into the values.
void ApplyOfferItemPriceLevel();
// The calculators on the editor's values, for whoever runs them without the card.
void RecalcOfferItemDiscount();
void RecalcOfferItemMargin(bool forward);
void RecalcOfferItemRabat(bool forward);

// Creates, edits or copies a price item of the offer card's item table; with showCard the card
// is shown, otherwise the batch recalculation of batchKind runs (2 from the margin, 3 from the
// rabat, anything else keeps the sale price). Always 0.
int EditOfferItem(bool isNew, bool fromPriceList, bool showCard, bool isCopy, int batchKind);

// What the offer card lends the item card. Unset ones are skipped.
struct TOfferItemHooks {
    std::function<void()> UpdateOfferItemButtons;
    std::function<void()> RenumberOfferItems;
};
TOfferItemHooks& OfferItemHooks();

inline constexpr const char* kBaseLevelText = "<základní prodejní>";
inline constexpr const char* kItemCaption = "Položka nabídky";
inline constexpr const char* kFromPriceListCaption = " z ceníku";
inline constexpr const char* kEmptyItemDescriptionText = "Musíte vyplnit popis položky.";
inline constexpr const char* kLoadingPriceListItemText = "Načítám ceníkovou položku\rprosím čekejte...";
inline constexpr const char* kPictureMissingText = "Soubor s obrázkem nebyl na disku nalezen!";

// The offer item card "Položka nabídky". Made once, reused for every item; it shows the editor's
// values and writes what the user changes back into them.
class TfrmPolozkaNab : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmPolozkaNab(QWidget* parent = nullptr);

    QLineEdit* edtPopis = nullptr;
    QLineEdit* edtKatalog = nullptr;
    QLineEdit* edtBarCode = nullptr;
    QPlainTextEdit* memPoznamka = nullptr;
    QLineEdit* edtPLU = nullptr;
    QLineEdit* edtZkratka = nullptr;
    QLineEdit* edtTextMj = nullptr;
    QLineEdit* edtIdentif = nullptr;
    QPushButton* btnIdentif = nullptr;
    QSpinBox* edtPoradi = nullptr;
    QCheckBox* chckNakladPol = nullptr;
    QCheckBox* chckIgnorovatHr = nullptr;
    QLineEdit* edtObrazek = nullptr;
    QComboBox* cbxZaokrouhleni = nullptr;
    QComboBox* cbxTypCeny = nullptr;
    QComboBox* cbxSazbaDPH = nullptr;
    QComboBox* cbxCenHlad = nullptr;
    QLabel* lblCHNeexistuje = nullptr;
    QLabel* lblRedLabel = nullptr;
    QLabel* lblSleva = nullptr;
    TCurrencyEdit* curNakCena = nullptr;
    TCurrencyEdit* curProdCena = nullptr;
    TCurrencyEdit* curProdCenaPoSleve = nullptr;
    TCurrencyEdit* curPocetMj = nullptr;
    TCurrencyEdit* curSleva = nullptr;
    TCurrencyEdit* curMarze = nullptr;
    TCurrencyEdit* curRabat = nullptr;
    TCurrencyEdit* curPCBDPHMJ = nullptr;
    TCurrencyEdit* curPCSDPHMJ = nullptr;
    TCurrencyEdit* curVyseDPHMj = nullptr;
    TCurrencyEdit* curPCBDPHPOL = nullptr;
    TCurrencyEdit* curPCSDPHPOL = nullptr;
    TCurrencyEdit* curVyseDPHPol = nullptr;
    TCurrencyEdit* curZiskZaMj = nullptr;
    TCurrencyEdit* curZiskZaPol = nullptr;
    QLabel* lblSouhrnBDPHMJ = nullptr;
    QLabel* lblSouhrnSDPHMJ = nullptr;
    QLabel* lblSouhrnBDPHPOL = nullptr;
    QLabel* lblSouhrnSDPHPOL = nullptr;
    QStackedWidget* pgcStranky = nullptr;
    QLabel* imgObrazek = nullptr;
    QLabel* lblObrazekInfo = nullptr;
    QPushButton* btnObrazek = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;
    QPushButton* btnKalkulacka = nullptr;
    QPushButton* btnUpravaNC = nullptr;
    QPushButton* btnUpravaPC = nullptr;

    // Shows the editor in the controls.
    void FromEditor();
    // Takes the controls into the editor.
    void ToEditor();
    // The values of the calculators into their fields, and the summary and colours.
    void ShowValues();
    // OK: refuses an empty description.
    void btnOKClick();
    // The picture page and back.
    void TogglePicture();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildWindow();
    void ValueTyped(TItemValue which);
    void ChoiceChanged();
    void ApplyCostLook();
    void AdjustPrice(TItemValue which, const QString& label);
    bool filling_ = false;
    std::vector<QLabel*> currencyLabels_;
};

// The one item card of the run.
TfrmPolozkaNab* OfferItemCard();
