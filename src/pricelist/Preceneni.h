#pragma once

#include <QString>

#include "platform/ui/VnDialog.h"
#include "pricelist/PriceListUi.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class TCurrencyEdit;
class TDataSet;

// The repricing wizard: it sets chosen price values on many items at once and recalculates their
// sale prices. A run with values has two phases: the values are written with the run's mark and
// the error flag, then every marked item is recalculated, which clears the flag. An item left
// flagged by an interrupted run can never be picked into an offer until it is recalculated, so
// nothing here may clear the flag without recalculating the item.

// What the wizard works on: the scope page's choice, or the marks of the price-list window.
enum class TRepriceKind : int { Scope = 0, MarkedGroups = 1, MarkedItems = 2 };

// The actions of the amount rows, by their index in the choice boxes.
enum class TRepriceAction : int { Set = 0, Add = 1, Multiply = 2 };

class TfrmPreceneni : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmPreceneni(QWidget* parent = nullptr);

    enum Page { pgWelcome = 0, pgValues = 1, pgScope = 2, pgBeforeStart = 3, pgWorking = 4 };

    TRepriceKind Kind = TRepriceKind::Scope;

    QStackedWidget* pgcMain = nullptr;
    QLabel* lblTipHrOperace = nullptr;
    QLabel* lblNetUpozorneni = nullptr;
    QCheckBox* chckNastavit = nullptr;

    // Values.
    QCheckBox* chckSazbaDPH = nullptr;
    TCurrencyEdit* curSazbaDPH = nullptr;
    QCheckBox* chckNakCena = nullptr;
    QComboBox* cbxAkceNakCena = nullptr;
    TCurrencyEdit* curNakCena = nullptr;
    QCheckBox* chckMarze = nullptr;
    QComboBox* cbxAkceMarze = nullptr;
    TCurrencyEdit* curMarze = nullptr;
    QCheckBox* chckRabat = nullptr;
    QComboBox* cbxAkceRabat = nullptr;
    TCurrencyEdit* curRabat = nullptr;
    QCheckBox* chckProdCena = nullptr;
    QComboBox* cbxAkceProdCena = nullptr;
    TCurrencyEdit* curProdCena = nullptr;
    QCheckBox* chckCenSkup = nullptr;
    QLineEdit* edtCenSkup = nullptr;
    QPushButton* btnCenSkupVyber = nullptr;
    QPushButton* btnCenSkupZrus = nullptr;
    QCheckBox* chckZaokrouhleni = nullptr;
    QComboBox* cbxZaokrouhleni = nullptr;
    QCheckBox* chckTypCeny = nullptr;
    QComboBox* cbxTypCeny = nullptr;
    QCheckBox* chckPrepocitat = nullptr;
    QComboBox* cbxPrepocitat = nullptr;
    QComboBox* cbxTypHodnoty = nullptr;

    // Scope.
    QCheckBox* chckProvestVse = nullptr;
    QCheckBox* chckList = nullptr;
    QLineEdit* edtList = nullptr;
    QPushButton* btnList = nullptr;
    QCheckBox* chckSkupina = nullptr;
    QLineEdit* edtSkupina = nullptr;
    QPushButton* btnSkupina = nullptr;
    QCheckBox* chckFiltrSazbaDPH = nullptr;
    TCurrencyEdit* curFiltrSazbaDPH = nullptr;
    int ListID = 0;
    int SkupinaID = 0;

    // Working.
    QLabel* lblFaze = nullptr;
    QLabel* lblCurrentName = nullptr;
    QProgressBar* pbWorking = nullptr;

    QPushButton* btnPredchozi = nullptr;
    QPushButton* btnDalsi = nullptr;
    QPushButton* btnZavrit = nullptr;
    QPushButton* btnPrerusit = nullptr;

    // Back to the first page with nothing chosen, for a run of the kind.
    void ResetWizard(TRepriceKind kind);
    void btnDalsiClick();
    void btnPredchoziClick();
    void btnListClick();
    void btnSkupinaClick();
    void btnCenSkupVyberClick();
    void btnCenSkupZrusClick();
    // The enabling of the value rows and the scope filters after any change of their boxes.
    void UpdateControls();

    // The statement that selects the items of the scope page.
    QString ScopeSql() const;
    // The phase-one statement of the ticked value rows.
    QString PhaseOneSql() const;

    // The run over the chosen items: 0 done, -1 when the price groups are inconsistent.
    int RepriceItems();

    void reject() override { done(2); }

private:
    void ShowPage(int page);
    // The values of the ticked rows for one item row, as the phase-one statement binds them.
    void BindRowValues(const TDataSet& row, TParamValues& params) const;
    bool phaseOne_ = false;
};

// Shows the wizard for a kind of selection: 0 when it ran to its end, -1 otherwise.
int ShowRepriceWizard(TRepriceKind kind);

// The value an amount row gives an item's value: the amount itself, the sum, or the product.
// Kept in extended precision: a product such as 100 × 1.1 must store 110.
long double ApplyRepriceAction(TRepriceAction action, long double itemValue, long double amount);

inline constexpr const char* kRepriceCaption = "Hromadné operace - přecenění";
inline constexpr const char* kRepriceScopeMissing =
    "Nastavte správně filtr nebo jej vypněte (zaškrtněte \"Provést změny na všech položkách...\").";
inline constexpr const char* kRepriceSheetMissing = "Vyberte list nebo filtr vypněte.";
inline constexpr const char* kRepriceGroupMissing = "Vyberte skupinu nebo filtr vypněte.";
inline constexpr const char* kRepriceSheetFirst = "Nejprve vyberte list.";
inline constexpr const char* kRepriceCheckingGroups = "Kontrola cenových hladin, prosím čekejte...";
inline constexpr const char* kRepricePhase = "Přepočet cen";
inline constexpr const char* kRepricePhaseOne = "I. fáze: nastavení údajů na položkách";
inline constexpr const char* kRepricePhaseTwo =
    "II. fáze: přepočet cen aktualizovaných položek [počkejte prosím na dokončení...]";
inline constexpr const char* kRepriceConfirmStop =
    "Opravdu chcete přerušit přepočet ? Varování: aktualizované, ale nepřepočtené záznamy nebude možné "
    "použít!";
inline constexpr const char* kRepriceDone = "Přecenění položek bylo dokončeno.";
inline constexpr const char* kRepriceNetWarning =
    "Upozornění: na některé další stanici v síti je nyní spuštěný tento program - to sice přímo "
    "neznemožňuje použití této funkce, celá operace však může být výrazně pomalejší. Pokud je to možné, "
    "ukončete na ostatních stanicích program.";
