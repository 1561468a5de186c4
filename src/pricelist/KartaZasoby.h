#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "platform/data/DataSource.h"
#include "pricelist/KartaZasobyCena.h"
#include "pricelist/PriceListUi.h"

class TParameter;

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QStackedWidget;
class TCurrencyEdit;
class TDataSet;
class TVnDBGrid;

// The card of one price-list item: its texts, its price model (TItemPriceCalc) with the levels of
// its price group, its picture and the profit calculator. Made once and reused; every opening
// starts from a fresh card. The same steps run without the card as the silent recalculation of
// bulk runs, which must give exactly the numbers the card shows.

// The modes of EditPriceListItem, told by its flags.
enum class TItemCardMode { New, Edit, Copy, Silent };

class TfrmKartaZasoby : public TPriceListDialog {
    Q_OBJECT
public:
    explicit TfrmKartaZasoby(QWidget* parent = nullptr);
    ~TfrmKartaZasoby() override;

    // The card of the run, made on first use.
    static TfrmKartaZasoby* Instance();

    TItemPriceCalc Calc;
    TDataSource dsSezCenHlad{&Calc.mtSezCenHlad};

    // --- texts
    QLineEdit* edtPopis = nullptr;
    QLineEdit* edtKatalog = nullptr;
    QLineEdit* edtBarCode = nullptr;
    QLineEdit* edtPLU = nullptr;
    QLineEdit* edtZkratka = nullptr;
    QLineEdit* edtTextMJ = nullptr;
    QPlainTextEdit* memPoznamka = nullptr;
    QLineEdit* edtIdentif = nullptr;
    QPushButton* btnIdentif = nullptr;
    QComboBox* cbxDostupnost = nullptr;

    // --- the price page
    QStackedWidget* pcKarta = nullptr;
    QWidget* tsCena = nullptr;
    QWidget* tsObrazek = nullptr;
    QLabel* lblNakCena = nullptr;
    TCurrencyEdit* curNakCena = nullptr;
    QLabel* lblNakCenaMena = nullptr;
    QComboBox* cbxTypCeny = nullptr;
    TCurrencyEdit* curProdCena = nullptr;
    QLabel* lblProdCenaMena = nullptr;
    QComboBox* cbxTypCenyDruha = nullptr;
    TCurrencyEdit* curPrCenaDruha = nullptr;
    QLabel* lblPrCenaDruhaMena = nullptr;
    QComboBox* cbxSazbaDPH = nullptr;
    QComboBox* cbxZaokrouhleni = nullptr;
    QCheckBox* chckPrepocitatCenu = nullptr;
    QComboBox* cbxTypHodnoty = nullptr;
    QLabel* lblPevnaMarze = nullptr;
    TCurrencyEdit* curMarze = nullptr;
    QLabel* lblPevnaMarzeProc = nullptr;
    QLabel* lblSkutMarze = nullptr;
    TCurrencyEdit* curMarzeSkut = nullptr;
    QLabel* lblSkutMarzeProc = nullptr;
    QLabel* lblPevnyRabat = nullptr;
    TCurrencyEdit* curRabat = nullptr;
    QLabel* lblPevnyRabatProc = nullptr;
    QLabel* lblSkutRabat = nullptr;
    TCurrencyEdit* curRabatSkut = nullptr;
    QLabel* lblSkutRabatProc = nullptr;
    QLineEdit* edtCenSkup = nullptr;
    QPushButton* btnCenSkupVyber = nullptr;
    QPushButton* btnCenSkupZrus = nullptr;
    QPushButton* btnPrepocitat = nullptr;
    QGroupBox* panHladiny = nullptr;
    TVnDBGrid* grSezCenHlad = nullptr;
    QLabel* lblBezHladin = nullptr;

    // --- the profit calculator
    QWidget* panZisk = nullptr;
    TCurrencyEdit* curZiskPocetMj = nullptr;
    TCurrencyEdit* curZiskProdCena = nullptr;
    QLabel* lblZiskProdCenaMena = nullptr;
    QLabel* lblZiskResp = nullptr;
    TCurrencyEdit* curZiskHladina = nullptr;
    QLabel* lblZiskHladinaMena = nullptr;
    QLabel* lblZiskHladina = nullptr;

    // --- the picture page
    QLineEdit* edtObrazek = nullptr;
    QPushButton* btnObrazekVyber = nullptr;
    QPushButton* btnObrazekZobraz = nullptr;
    QPushButton* btnObrazekZrus = nullptr;
    QScrollArea* sbObrazek = nullptr;
    QLabel* imgObrazek = nullptr;
    QLabel* lblObrazekChybi = nullptr;
    QLabel* lblUloziste = nullptr;

    QPushButton* btnObrazek = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnZavrit = nullptr;

    // The file the user picks as the item's picture; empty when cancelled. Replaceable for tests.
    std::function<QString(QWidget* parent)> ChoosePictureFile;

    // The card's own key of the row (a new GUID at every opening, the row's when it is edited).
    QString RepID;
    // Writes the card's item when OK passes the card's checks; false keeps the card open (the
    // save met a database error and the user has been told). Set by whoever opened the card.
    std::function<bool()> OnSave;
    bool ReadOnly() const { return readOnly_; }

    // --- what the card does
    // A fresh card: every control empty or at its first choice, the price page shown.
    void ResetCard();
    // The VAT choices of the firm; a stored rate that is none of them is added. False when the
    // rate had to be added (it is no rate of the firm's any more).
    bool SelectVatRate(long double rate);
    void SelectDefaultVatRate();
    void RecalcItemPrices(int kind);
    void RecalcItemPriceLevels();
    void LoadItemPriceGroup(int groupId);
    void UpdateItemProfit();
    // The controls show the price model; except is the number field the user is typing into.
    void ShowPrices(QWidget* except = nullptr);
    void SetReadOnly(bool readOnly);
    // The stored availability code of the current choice, and the choice of a code.
    QString Dostupnost() const;
    void SetDostupnost(const QString& code);

    void btnOKClick();
    void btnCenSkupVyberClick();
    void btnCenSkupZrusClick();
    void btnPrepocitatClick();
    void btnIdentifClick();
    void btnObrazekClick();
    void grSezCenHladDblClick();

    // The picture page.
    void ShowPicture();
    void btnObrazekVyberClick();
    void btnObrazekZobrazClick();
    void btnObrazekZrusClick();
    void lblUlozisteClick();

    // Reads the number fields and choices into the price model.
    void TakeFieldValues();

    static constexpr const char* kHelpPage = "pgNovaCenKarta.htm";

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The user changed a value of the purchase-price rule, or of the sale price, in source.
    void PriceRuleEdited(QWidget* source);
    void SalePriceEdited(QWidget* source);
    void UpdateLevelPanel();
    bool readOnly_ = false;
};

// Opens the card for a new item (add), the current item of items (neither), a copy of it (copy),
// or recomputes and saves the current item without showing anything (silent). 0 when the card ran
// to its end, saved or not; -1 when it was refused or a step failed.
int EditPriceListItem(bool add, bool silent, TDataSet& items, bool copy);

// The silent recalculation of the items of one run (an import, a repricing): what
// EditPriceListItem's silent mode does to each item, without the per-item cost around it. A price
// group and its level rules are looked up once per run, the level rows live in a plain list, and
// every item is saved by the same prepared UPDATE. The groups and rules must not change while a
// run lasts; they are read as the silent card finds them (the price-group query and the level rules
// of all groups, loaded when closed).
class TItemRecalcRun {
public:
    TItemRecalcRun();
    ~TItemRecalcRun();
    TItemRecalcRun(const TItemRecalcRun&) = delete;
    TItemRecalcRun& operator=(const TItemRecalcRun&) = delete;

    // Starts a new run: the groups and rules are looked up again, the items saved on the firm that
    // is open now.
    void Restart();
    // Recalculates the item keyed id from its stored price columns and saves its prices. 0, or -1
    // when the row could not be saved (the user has been told).
    int Recalculate(int id, const TItemPriceRow& item);
    // Recalculates the item as Recalculate does and leaves, instead of saving them, the values it
    // would save in targets: one parameter for each column of SavedColumns, in that order. For a
    // row about to be written that would otherwise be written twice.
    void Calculate(const TItemPriceRow& item, TParameter* const* targets);
    // The columns Recalculate saves.
    static const std::vector<QString>& SavedColumns();
    // The columns a query must select for ReadItemPriceRow, the key first: "ID, Chyba, ...".
    static QString Columns();

private:
    struct TState;
    std::unique_ptr<TState> d_;
};

// The texts of the choices of the VAT rate: "0", the basic and the reduced rate, and the further
// reduced rate when the firm has one.
QStringList VatRateChoices();
// The text a rate takes in the choice box.
QString VatRateText(long double rate);

inline constexpr const char* kItemDescriptionMissing = "Musíte vyplnit popis položky.";
inline constexpr const char* kItemVatRateChanged =
    "Upozornění: sazba DPH na kartě neodpovídá aktuálně nastavené sazbě v programu!";
inline constexpr const char* kItemSaveFailed =
    "Při ukládání záznamu do \"Zasoby\" došlo k chybě: metoda \"Execute\" selhala.";
inline constexpr const char* kItemNewNotFound = "Chyba: nelze nalézt nově vložený záznam v \"Zasoby\"!";
