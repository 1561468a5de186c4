#pragma once

#include <QString>

#include "platform/ui/VnDialog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QTextEdit;

// The wizard that writes chosen texts (name, codes, unit, note, availability, identifiers) into
// many price-list items at once. It never touches a price, so it leaves Chyba alone and needs no
// recalculation; every written row gets the run's time in Znacka. An identifier list that would
// grow past what a record stores is never written: that item keeps its own list.

// Which items a run works on.
enum class TBulkTextSelection : int {
    Scope = 0,         // chosen on the scope page: everything, one sheet or one group
    MarkedGroups = 1,  // the items of the groups marked in the price-list window
    MarkedItems = 2,   // the items marked in the price-list window
};

// What "Identifikátory" does with the entry's list.
enum class TBulkIdentifierAction : int { SetAll = 0, Add = 1, Remove = 2 };

// The wizard's pages.
enum class TBulkTextPage : int { Welcome = 0, Values = 1, Scope = 2, BeforeStart = 3, Working = 4 };

// The modal results of the wizard: ran to its end, or closed.
inline constexpr int kBulkTextRan = 1;
inline constexpr int kBulkTextClosed = 2;

class TfrmNastavText : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmNastavText(QWidget* parent = nullptr);

    // Back to the state a new run starts from, for the selection kind.
    void Reset(TBulkTextSelection kind);
    TBulkTextSelection Kind() const { return kind_; }
    TBulkTextPage Page() const;

    QStackedWidget* pgcMain = nullptr;
    QLabel* lblTipHrOperace = nullptr;
    QLabel* lblNetUpozorneni = nullptr;

    QCheckBox* chckPopisPol = nullptr;
    QLineEdit* edtPopisPol = nullptr;
    QCheckBox* chckKatalog = nullptr;
    QLineEdit* edtKatalog = nullptr;
    QCheckBox* chckBarCode = nullptr;
    QLineEdit* edtBarCode = nullptr;
    QCheckBox* chckPLU = nullptr;
    QLineEdit* edtPlu = nullptr;
    QCheckBox* chckPoznamka = nullptr;
    QTextEdit* memPoznamka = nullptr;
    QCheckBox* chckZkratka = nullptr;
    QLineEdit* edtZkratka = nullptr;
    QCheckBox* chckTextMJ = nullptr;
    QLineEdit* edtTextMJ = nullptr;
    QCheckBox* chckIdentif = nullptr;
    QComboBox* cbxAkceIdentif = nullptr;
    QLineEdit* edtIdentif = nullptr;
    QPushButton* btnIdentif = nullptr;
    QCheckBox* chckDostupnost = nullptr;
    QComboBox* cbxDostupnost = nullptr;

    QCheckBox* chckProvestVse = nullptr;
    QCheckBox* chckList = nullptr;
    QLineEdit* edtList = nullptr;
    QPushButton* btnList = nullptr;
    QCheckBox* chckSkupina = nullptr;
    QLineEdit* edtSkupina = nullptr;
    QPushButton* btnSkupina = nullptr;

    QLabel* lblCurrentName = nullptr;
    QProgressBar* pbWorking = nullptr;

    QPushButton* btnPredchozi = nullptr;
    QPushButton* btnDalsi = nullptr;
    QPushButton* btnZavrit = nullptr;
    QPushButton* btnPrerusit = nullptr;

    // The sheet and group chosen on the scope page; 0 while none is.
    int SheetId() const { return sheetId_; }
    int GroupId() const { return groupId_; }
    void SetSheet(int id, const QString& name);
    void SetGroup(int id, const QString& name);

    void btnDalsiClick();
    void btnPredchoziClick();
    void btnPrerusitClick();
    void btnListClick();
    void btnSkupinaClick();
    void btnIdentifClick();

    // The run over the chosen items with the values of the ticked rows.
    void SetItemTexts();

    void reject() override;

    // The availability code of the chosen entry ("" for "<neuvedeno>").
    QString AvailabilityCode() const;

private:
    void BuildWindow();
    void SetPage(TBulkTextPage page);
    void UpdateValueRows();
    void UpdateScopeRows();

    TBulkTextSelection kind_ = TBulkTextSelection::Scope;
    int sheetId_ = 0;
    int groupId_ = 0;
    bool running_ = false;
};

class TfrmZasoby;
// The price-list window's entry: the wizard over its marked items or groups; after a run the marks
// are cleared and both lists requeried, standing on the group and item they stood on.
void BulkSetFromPriceList(TfrmZasoby& window);

// Rights, the network warning, a fresh wizard shown modally: 0 when it ran to its end, -1 otherwise.
int ShowBulkSetWizard(TBulkTextSelection kind);

inline constexpr const char* kBulkTextCaption = "Hromadné operace - nastavení textových údajů";
inline constexpr const char* kBulkTextWelcome =
    "Vítá Vás průvodce hromadným nastavením údajů na položkách v ceníku. Funkce hromadně nastaví vybrané "
    "textové údaje na položkách v ceníku. Pokud chcete nastavit cenové údaje (změna ceny, marže, atd.), "
    "použijte funkci \"Přecenění nákupních a prodejních cen\".";
inline constexpr const char* kBulkTextTip =
    "Tip: pokud chcete operaci provést v celém listu (nebo celé skupině), je vhodnější tuto funkci spustit z "
    "hlavní plochy volbou Ostatní / Operace s ceníkem >> přecenění nákupních a prodejních cen.";
inline constexpr const char* kBulkTextNetWarning =
    "Upozornění: na některé další stanici v síti je nyní spuštěný tento program - to sice přímo neznemožňuje "
    "použití této funkce, celá operace však může být výrazně pomalejší. Pokud je to možné, ukončete na "
    "ostatních stanicích program.";
inline constexpr const char* kBulkTextIdentifierNeeded =
    "Vyberte alespoň jeden identifikátor, který chcete přidat/odebrat nebo tuto funkci vypněte. Chcete-li "
    "odebrat všechny identifikátory na položce, zvolte \"Nastavit jednotně\" a políčko Identifikátory "
    "ponechte prázdné.";
inline constexpr const char* kBulkTextScopeWrong =
    "Nastavte správně filtr nebo jej vypněte (zaškrtněte \"Provést změny na všech položkách...\").";
inline constexpr const char* kBulkTextNoSheet = "Vyberte list nebo filtr vypněte.";
inline constexpr const char* kBulkTextNoGroup = "Vyberte skupinu nebo filtr vypněte.";
inline constexpr const char* kBulkTextSheetFirst = "Nejprve vyberte list.";
inline constexpr const char* kBulkTextErrorsHeading = "Při hromadné operaci došlo k těmto chybám:";
inline constexpr const char* kBulkTextIdentifiersTooLong =
    ": nelze přidat nové Identifikátory, řetězec může mít max. 255 znaků";
inline constexpr const char* kBulkTextDone = "Nastavení údajů na položkách bylo dokončeno.";
