#pragma once

#include <QString>
#include <functional>

#include "platform/data/DataSource.h"
#include "platform/ui/VnDialog.h"
#include "widgets/VnEditTools.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTextEdit;
class TColumn;
class TDateEdit;
class TMemTable;
class TOfferDocument;
class TVnDBGrid;

// The offer card "Karta nabídky": the editor of the one offer open in the offer
// document. It is made once for the run and lent to the document through its
// card hook; it fills its controls from the document, lets the user work,
// checks the header on OK and hands the header back. It never writes to the
// database: saving is the document's business.

inline constexpr const char* kOfferCardCaption = "Karta nabídky";
inline constexpr const char* kSaveRefusedSuffix = " Doklad nelze uložit.";
inline constexpr const char* kTypedCustomerQuestion =
    "Zadaná adresa nemá vazbu na adresář firem (doporučení: pokud je to možné, "
    "vybírejte adresu z adresáře). "
    "Opravdu chcete pokračovat ?";
inline constexpr const char* kSettlementDateQuestion =
    "Není vyplněný datum vyřízeni (zamítnutí). Chcete dosadit dnešní datum ?";
inline constexpr const char* kLeaveUnsavedQuestion = "Opustit doklad bez uložení ?";
inline constexpr const char* kReplaceCustomerQuestion =
    "Opravdu chcete zrušit stávající adresu na dokladu a vybrat jinou ?";
inline constexpr const char* kTemplateOverwriteQuestion =
    "Změna šablony způsobí přepsání polí \"Text před položkami\" a \"Text za "
    "položkami\". Pokračovat ?";
inline constexpr const char* kSortHeadingsQuestion =
    "Doklad obsahuje tzv. nadpisové položky, novým setříděním sloupce "
    "pravděpodobně dojde ke ztátě pozic "
    "pořadí těchto položek. Opravdu chcete položky setřídit podle zvoleného "
    "sloupce?";
inline constexpr const char* kHistoryAfterSave = "Historie akcí je k dispozici až po uložení nabídky.";
inline constexpr const char* kCancelAutoNumberQuestion = "Opravdu chcete zrušit automatické číslo dokladu ?";
inline constexpr const char* kOverwriteNumberQuestion = "Opravdu chcete přepsat číslo dokladu ?";
inline constexpr const char* kEmptyItemsInfo =
    "Doklad zatím neobsahuje žádnou položku - klepněte na tlačítko [Přidat "
    "položku], nebo [Přidat položku z "
    "ceníku] na spodní liště.";
inline constexpr const char* kOfferAddLinkCaption = "Přidat odkaz na dokument";
inline constexpr const char* kOfferEditLinkCaption = "Opravit odkaz na dokument";
inline constexpr const char* kConfirmRemoveLink = "Opravdu chcete vyjmout označený odkaz ?";

// The questions and lines of the price-level operations; the parts are joined as listed.
inline constexpr const char* kAddressLevelQuestionHead =
    "Došlo ke změně adresy, mohla se tedy změnit i cenová hladina dokladu - chcete promítnout nastavenou "
    "cenovou hladinu do položek ?\r\r• tato funkce zaktualizuje prodejní cenu na všech ceníkových "
    "položkách podle zadané cenové hladiny (vychází se ze současných cen v ceníku)\r\r";
inline constexpr const char* kLevelQuestionHead =
    "Chcete promítnout změnu cenové hladiny do položek ?\r\r• tato funkce zaktualizuje prodejní cenu na "
    "všech ceníkových položkách podle zadané cenové hladiny (vychází se ze současných cen v ceníku)\r\r";
inline constexpr const char* kLevelLineSet = "• na všechny ceníkové položky bude hromadně dosazena hladina ";
inline constexpr const char* kLevelLineBase =
    "• protože není zadána cenová hladina, bude na všechny ceníkové položky dosazena zákl. prod. cena";
inline constexpr const char* kAllItemsLine =
    "• změna se dotkne VŠECH ceníkových položek (mimo uzamčených), bez ohledu na označení";
inline constexpr const char* kAddressLevelQuestionTail = "Chcete tyto změny nyní provést ?";
inline constexpr const char* kContinueQuestion = "Pokračovat ?";
inline constexpr const char* kClearLevelQuestion =
    "Chcete na všechny ceníkové položky dosadit základní prodejní cenu z ceníku ? Změna se dotkne VŠECH "
    "ceníkových položek (mimo uzamčených), bez ohledu na označení.\r\r\rPokračovat ?";
inline constexpr const char* kSetLevelQuestionHead =
    "• tato funkce zaktualizuje prodejní cenu na ceníkových položkách podle zadané cenové hladiny "
    "(vychází se ze současných cen v ceníku)\r\r";
inline constexpr const char* kUpdatePricesQuestionHead =
    "• tato funkce zaktualizuje všechny ceny (vč. nákupní) na ceníkových položkách podle současného "
    "ceníku\r\r• budou zachovány stávající zkratky cenových hladin na jednotlivých položkách a podle nich "
    "dopočítána prodejní cena\r\r";
inline constexpr const char* kMarkLineMarked =
    "• funkce ovlivní pouze označené ceníkové položky v nabídce (aktuální počet označených položek: %1), "
    "mimo uzamčených";
inline constexpr const char* kMarkLineNone =
    "• není označena žádná položka (označení je viditelné na levé straně seznamu), funkce tedy ovlivní "
    "všechny ceníkové položky v nabídce, mimo uzamčených";
inline constexpr const char* kRepriceHeading = "Upozornění - nebylo možné aktualizovat tyto položky:";
inline constexpr const char* kRepriceWorking = "Aktualizace cen, prosím čekejte...\r";
inline constexpr const char* kRepriceGone = ") - položka v ceníku již neexistuje";
inline constexpr const char* kRepriceLevelMissing = " na položce v ceníku neexistuje";
inline constexpr const char* kRepriceLocked = ") - položka je uzamčena";
inline constexpr const char* kRepriceInError = ") - položka má neukončený přepočet cen";
inline constexpr const char* kInvalidVatRate = "Zadaná hodnota neodpovídá platným % DPH sazbám v nabídce.";

class TfrmNabidkaKart : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmNabidkaKart(QWidget* parent = nullptr);
    ~TfrmNabidkaKart() override;

    // The one card of the run: made at start-up, or on first use where start-up
    // did not run.
    static TfrmNabidkaKart* Instance();
    static TfrmNabidkaKart* Existing();

    // Fills the card from the document, shows it and, on OK, hands the header
    // back. True for OK.
    bool ShowOffer(TOfferDocument& document);
    TOfferDocument& Document() const { return *document_; }
    TMemTable& Items() const;
    TMemTable& Documents() const;

    // --- button bar
    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;
    QPushButton* btnVyberSablony = nullptr;
    QPushButton* btnKalkulacka = nullptr;
    QPushButton* btnRozpisIdentif = nullptr;
    QPushButton* btnNapoveda = nullptr;
    QPushButton* btnDPH = nullptr;
    QPushButton* btnHistorie = nullptr;
    QLabel* panNeexistujiciSazbaDPHNaPolozkach = nullptr;

    // --- header pages
    QTabWidget* pgcHeader = nullptr;
    QFrame* shStav = nullptr;
    QLineEdit* edtCisloDokl = nullptr;
    QPushButton* btnZrusCislo = nullptr;
    QLineEdit* edtPopisDokl = nullptr;
    QComboBox* cbxZpusobPlatby = nullptr;
    QComboBox* cbxDoprava = nullptr;
    QLineEdit* edtZakazka = nullptr;
    QPushButton* btnVyberZakazky = nullptr;
    QPushButton* btnZrusZakazku = nullptr;
    QPushButton* btnDetailZakazky = nullptr;
    QComboBox* cbxStav = nullptr;
    QLineEdit* edtNadpis = nullptr;
    TDateEdit* edtDatVystaveni = nullptr;
    TDateEdit* edtDatPlatnost = nullptr;
    TDateEdit* edtDatVyrizeni = nullptr;
    QLineEdit* edtAdrNazev = nullptr;
    QLineEdit* edtAdrUlice = nullptr;
    QLineEdit* edtAdrPsc = nullptr;
    QLineEdit* edtAdrMisto = nullptr;
    QLineEdit* edtAdrKontakt = nullptr;
    QLineEdit* edtAdrICO = nullptr;
    QLineEdit* edtAdrDIC = nullptr;
    QPushButton* btnVyberAdresu = nullptr;
    QPushButton* btnDetailAdresy = nullptr;
    QTextEdit* reTextPred = nullptr;
    QTextEdit* reTextZa = nullptr;
    QAction* acPismoPred = nullptr;
    QAction* acPismoZa = nullptr;
    QPlainTextEdit* memPoznamka = nullptr;
    QPlainTextEdit* memTextKomentare = nullptr;

    // --- documents page
    TDataSource dsTmpDokumenty;
    TVnDBGrid* grDokumenty = nullptr;
    QPushButton* btnOtevritDoc = nullptr;
    QPushButton* btnPridatDoc = nullptr;
    QPushButton* btnOpravitDoc = nullptr;
    QPushButton* btnSmazatDoc = nullptr;
    QFrame* panDokumentyFind = nullptr;
    QLineEdit* edtDokumentyFind = nullptr;

    // --- price bar
    QPushButton* btnSleva = nullptr;
    QPushButton* btnMarze = nullptr;
    QPushButton* btnRabat = nullptr;
    QPushButton* btnHromadneOperace = nullptr;
    QMenu* pmAktualizace = nullptr;
    QLineEdit* edtCenHlad = nullptr;
    QCheckBox* chckCHzadresy = nullptr;
    QPushButton* btnVyberCenHlad = nullptr;
    QPushButton* btnZrusCenHlad = nullptr;

    // --- items
    TDataSource dsTmpPolozky;
    QLabel* panPolozkyEmptyInfoCaption = nullptr;
    TVnDBGrid* grPolozky = nullptr;
    QMenu* pmGrPolozky = nullptr;
    TDataSource dsNadpisoveSoucty;
    QWidget* panNadpisoveSoucty = nullptr;
    TVnDBGrid* grNadpisoveSoucty = nullptr;
    QFrame* panPolozkyFind = nullptr;
    QLabel* lblPolozkyFindCaption = nullptr;
    QLineEdit* edtPolozkyFind = nullptr;
    QLabel* lblPolozkyFindHint = nullptr;
    QLabel* lblZakladCelkem = nullptr;
    QLabel* lblNCBDPHCelkem = nullptr;
    QLabel* lblZiskCelkem = nullptr;
    QLabel* lblCelkemZaDokladSDPH = nullptr;
    QLabel* lblPredSlevouBDPH = nullptr;
    QLabel* lblPredSlevouSDPH = nullptr;
    QLabel* lblVyseSlevyBDPH = nullptr;
    QLabel* lblVyseSlevySDPH = nullptr;
    QFrame* panCelkemSlevy = nullptr;
    // The profit's value, caption, filler and currency, drawn in the profit's colour.
    std::vector<QLabel*> profitLabels;
    std::vector<QLabel*> currencyLabels;

    // --- item bar
    QPushButton* btnVyjmoutPol = nullptr;
    QPushButton* btnOpravitPol = nullptr;
    QPushButton* btnPridatPol = nullptr;
    QPushButton* btnPridatSklPol = nullptr;
    QPushButton* btnPridatNadpis = nullptr;
    QPushButton* btnPridatText = nullptr;
    QPushButton* btnKopirovatPol = nullptr;
    QPushButton* btnPolNahoru = nullptr;
    QPushButton* btnPolDolu = nullptr;
    QLabel* lblOznaceni = nullptr;
    QCheckBox* chckSouctovat = nullptr;

    // The card's own state beside its controls.
    int CustomerLink() const;
    void SetCustomerLink(int id);
    bool TemplateAsked() const { return templateAsked_; }

    // --- the header (card window)
    void SetAddressFieldsState(bool editable);
    void ClearCustomerAddress();
    void PickCustomer();
    void UpdateOfferItemButtons();
    void UpdateOfferDocButtons();
    void ShowOfferState();
    void RenumberOfferItems();
    void MoveOfferItem(int delta);
    void SortItemsByColumn(TColumn* column);
    void OpenItemFind(QChar typed);
    void CloseItemFind();
    void btnOKClick();
    void btnZrusCisloClick();
    void btnHistorieClick();
    // The totals as the document last computed them.
    void ShowTotals();

    // --- item operations
    void btnOpravitPolClick();
    void btnPridatPolClick();
    void btnPridatNadpisClick();
    void btnPridatTextClick();
    void acbtnKopirovatPolExecute();
    void btnVyjmoutPolClick();
    // True means stop (the table was empty).
    bool SetItemsLock(bool lock, bool all);
    int EditHeadingTextItem(bool isNew, bool isHeading, bool isCopy);
    void ShowOfferPriceLevel();
    void UpdateMarkLabel();
    // The footer sums of the marked items, shown while "součet ozn." is checked.
    void UpdateMarkedItemSums();
    void MarkAllItems(bool mark);
    void JumpToHeading();

    // --- the price list and price levels
    void btnPridatSklPolClick();
    void btnVyberCenHladClick();
    void btnZrusCenHladClick();
    void chckCHzadresyClick();
    void acNastavitHladinuClick();
    void acAktualizovatCenyClick();
    void acZmenitDPHClick();
    // Reprices the price-list items from the current price list. Always 0.
    int UpdateItemPricesFromPriceList(bool keepItemLevels, bool ignoreMarks);
    void ShowCustomerDetail();
    // The bulk margin, rabat and discount of the price bar (kind 1 discount, 2 margin, 3 rabat).
    void BulkPriceClick(int kind);
    void DopocitatSlevuClick();
    // Adds the price-list items named by the keys of a workbook, a dBase table or the clipboard.
    void PridatPolozkyZeSouboruClick();

    // --- documents
    void EditOfferDocument(bool isNew);
    void btnOtevritDocClick();
    void btnSmazatDocClick();
    void SortDocumentsByColumn(TColumn* column);
    void OpenDocumentFind(QChar typed);
    void CloseDocumentFind();

    // Seams for the windows of other parts of the program (the link card, the shell): tests and
    // later units put the real ones in.
    // Shows the link card over description, link and copy flag; true for OK.
    struct TLinkCardData {
        QString Caption;
        QString Description;
        QString Link;
        bool CopyFile = false;
        bool CopyVisible = false;
        bool BrowseEnabled = true;
        bool BrowseAtOnce = false;
        QString SharedFolder;  // shown when not empty
        // The offer's folder: a link with the token is checked there.
        QString DocumentFolder;
    };
    static std::function<bool(TLinkCardData&)> LinkCardHandler;
    // Opens a document with its program; the default reports a missing file or a
    // missing program.
    static std::function<void(const QString& path)> OpenDocumentHandler;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildWindow();
    QWidget* BuildHeaderPage();
    QWidget* BuildRichPage(QTextEdit*& edit, QAction*& font, const char* editName, const char* fontName);
    QWidget* BuildNotePage();
    QWidget* BuildDocumentsPage();
    QWidget* BuildPriceBar();
    QWidget* BuildItems();
    QWidget* BuildItemBar();
    void BuildItemGrid(QWidget* parent);
    void FillFromDocument();
    void WriteToDocument();
    void ConnectModified();
    void ApplyTemplateIfAny();
    void DrawItemCell(QPainter& canvas, const TRect& rect, int dataColumn, TColumn* column,
                      TGridDrawState state);
    void DrawDocumentCell(QPainter& canvas, const TRect& rect, int dataColumn, TColumn* column,
                          TGridDrawState state);
    void SetModified();
    bool AskToLeave();
    QString ResolveLink(const QString& link) const;
    QString LevelLine() const;
    QString MarkLine() const;
    // Takes the oldest usable mark of the price list as its current row; false when none is left.
    bool TakeOldestPriceListMark();
    // Enters the price list again for the next pick; false ends the adding.
    bool EnterPriceListAgain();

    TOfferDocument* document_ = nullptr;
    TImageList ilItems;
    bool templateAsked_ = false;
    bool filling_ = false;
    bool closingWithOk_ = false;
};

// The shared link card over the values of one document link; true for OK.
bool ShowOfferLinkCard(TfrmNabidkaKart::TLinkCardData& data);
// Opens the file with its program, or tells why it cannot.
void OpenOfferDocument(const QString& path);

// The price-list picture, the cost picture and the lock picture of the item
// grid's first columns.
inline constexpr int kItemPriceListPicture = 0;
inline constexpr int kItemCostPicture = 1;
inline constexpr int kItemLockPicture = 2;
