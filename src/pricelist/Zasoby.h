#pragma once

#include <QColor>
#include <QString>
#include <functional>
#include <memory>

#include "platform/data/DataSource.h"
#include "platform/ui/VnDialog.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabBar;
class TfrmZasobyFiltr;
class TVnDBGrid;

// The price-list window: sheet tabs, the groups of the current sheet and their items, browsed and
// maintained here, and picked from here into an offer. It works on the main window's adqSklady,
// adqSkupiny and adqZasoby so that the cards and the offer card see the same current rows.
// It never closes on an item that still carries an unfinished recalculation (Chyba).

// The two modes of the window.
enum class TPriceListMode : int { Browse = 0, Pick = 1 };

// The phases of ShowPriceList.
enum class TPriceListPhase : int { OpenShowClose = 0, OpenShow = 1, CloseOnly = 2 };

// The modal results of the window: an item was picked, or the window was closed.
inline constexpr int kPriceListPicked = 1;
inline constexpr int kPriceListClosed = 2;

class TfrmZasoby : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmZasoby(QWidget* parent = nullptr);
    ~TfrmZasoby() override;

    // The window of the run; made on first use when start-up has not made it.
    static TfrmZasoby* Instance();
    // The window when it exists, without making one.
    static TfrmZasoby* Existing();

    TPriceListMode Mode() const { return mode_; }
    void SetMode(TPriceListMode mode);

    TDataSource dsSkupiny;
    TDataSource dsZasoby;

    // Button bar.
    QPushButton* btnPridat = nullptr;
    QPushButton* btnOpravit = nullptr;
    QPushButton* btnKopirovat = nullptr;
    QPushButton* btnVyjmout = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnStorno = nullptr;
    QPushButton* btnObnovit = nullptr;
    QPushButton* btnHrOperace = nullptr;
    QPushButton* btnTisk = nullptr;
    QPushButton* btnFiltr = nullptr;
    QPushButton* btnNapoveda = nullptr;
    QMenu* PopPridat = nullptr;
    QAction* PridatPolozku1 = nullptr;
    QAction* PridatSkupinu1 = nullptr;
    QAction* PridatList1 = nullptr;
    QMenu* PopHrOperace = nullptr;
    QAction* PresunoutDoSkupiny1 = nullptr;
    QAction* PresunoutDoListu1 = nullptr;
    QAction* Preceneni1 = nullptr;
    QAction* HromadneNastaveni1 = nullptr;

    // Sheets.
    QPushButton* btnVyberSklad = nullptr;
    QTabBar* pgcSklady = nullptr;

    // Groups.
    QWidget* panZasobySkupiny = nullptr;
    QLabel* lblSkupinyNadpis = nullptr;
    QPushButton* btnSkryt = nullptr;
    QWidget* panSkupinyHledat = nullptr;
    QLineEdit* edtSkupinyHledat = nullptr;
    QLabel* lblSkupinyHledat = nullptr;
    TVnDBGrid* grSkupiny = nullptr;

    // Items.
    QLabel* lblZasobyNadpis = nullptr;
    QPushButton* btnZobrazitSkupiny = nullptr;
    QWidget* panZasobyHledat = nullptr;
    QLineEdit* edtZasobyHledat = nullptr;
    QLabel* lblZasobyHledat = nullptr;
    TVnDBGrid* grZasoby = nullptr;

    // The filter window of the current opening of the price list; null between openings.
    std::unique_ptr<TfrmZasobyFiltr> frmZasobyFiltr;

    // Everything an opening of the price list does before the window shows: the sheets and their
    // tabs, the stored group panel with the sheet's contents, the tables' stamps and the mode.
    void OpenPriceList(TPriceListMode mode);
    // Loads the groups or items of CurrentSheetId and returns to the remembered positions.
    void LoadSheetContents();
    // Shows or hides the group panel, then reloads the sheet.
    void ShowGroupPanel(bool show);
    bool GroupPanelShown() const;
    // Loads the items of the current group and returns to the item remembered for it.
    void ReloadGroupItems();
    // Stores the current item and group of the sheet.
    void RememberListPosition(int sheetId);
    // Heading colours, button enabling and the filter button's text.
    void UpdatePriceListButtons();
    // 1 groups are marked, 2 items are marked, -1 nothing usable (the user has been told).
    int CheckMarkedSelection(bool withHint);
    // Whether the group grid is the one the buttons act on.
    bool GroupGridActive() const;
    void FocusGrid(TVnDBGrid* grid);

    void btnPridatPolozkuClick();
    void btnPridatSkupinuClick();
    void btnPridatListClick();
    void btnOpravitClick();
    void btnKopirovatClick();
    void btnVyjmoutClick();
    void btnOkClick();
    void btnObnovitClick();
    void btnTiskClick();
    void btnFiltrClick();
    void btnVyberSkladClick();
    void PresunoutDoSkupinyClick();
    void PresunoutDoListuClick();
    void PreceneniClick();
    void HromadneNastaveniClick();
    // Alt+S and the two heading buttons.
    void ToggleGroupPanel();

    void reject() override;

protected:
    void hideEvent(QHideEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildWindow();
    void ConnectGrid(TVnDBGrid* grid, QWidget* searchPanel, QLineEdit* searchEdit, QLabel* hint);
    void OpenSearch(TVnDBGrid* grid, QWidget* panel, QLineEdit* edit, QLabel* hint, QChar first);
    void CloseSearch(TVnDBGrid* grid, QWidget* panel, QLineEdit* edit);
    void SortByTitle(TVnDBGrid* grid, int dataColumn);
    void DeleteItems();
    void TabChanged(int index);
    void EditItem(bool add, bool copy);
    // Runs an action unless the same button's action runs already.
    void Guarded(QPushButton* button, const std::function<void()>& action);
    void GroupsBeforeScroll();
    void GroupsAfterScroll();

    TPriceListMode mode_ = TPriceListMode::Browse;
    TVnDBGrid* activeGrid_ = nullptr;
    // While set, moving in the group query neither remembers positions nor reloads items.
    int groupScrollSuppressed_ = 0;
    // The group whose items the item query holds; -1 when it holds a whole sheet or nothing.
    int loadedGroupId_ = -1;
};

// Opens and shows the price list (phase 0: and closes it afterwards; phase 1: leaves it open for
// further picks), or closes an opening (phase 2). The window's modal result (1 picked, 2 closed);
// -1 without the right and in phase 2. Without closeQueries the queries stay open on the picked row.
int ShowPriceList(TPriceListMode mode, bool closeQueries, TPriceListPhase phase);

inline constexpr const char* kPriceListCaption = "Ceník";
inline constexpr const char* kItemInError =
    "Položku nelze použít - opravte položku otevřením a přeuložením nebo proveďte přepočet cen.";
inline constexpr const char* kConfirmItemDelete = "Opravdu chcete vyjmout položku?";
inline constexpr const char* kConfirmItemsDelete =
    "Varování: chystáte se smazat několik záznamů najednou!\r\rVyjmutí položky je nevratná operace - opravdu "
    "chcete pokračovat a nenávratně smazat označené položky?";
inline constexpr const char* kNothingMarked =
    "Musíte nejprve označit položky nebo skupiny, se kterými chcete pracovat.";
inline constexpr const char* kNothingMarkedHint =
    "Pokud se jedná o hromadnou změnu údajů nebo o hromadné přecenění, spusťte požadovanou funkci z hlavní "
    "plochy (menu Ostatní >> Operace s ceníkem).";
inline constexpr const char* kBothMarked =
    "Jsou označené položky i skupiny - musíte označit jen položky nebo jen skupiny.";
inline constexpr const char* kNotForGroups = "Tuto operaci nelze provádět se skupinou.";
inline constexpr const char* kSearchHint = "vyhledávací políčko zavřete klávesou Tab";
inline constexpr const char* kPriceListHelpPage = "pgSezCen.htm";

// The heading colours: both grey, the heading of the grid the buttons act on maroon (groups) or
// navy (items).
inline const QColor kHeadingPlain{0x80, 0x80, 0x80};
inline const QColor kHeadingGroups{0x80, 0x00, 0x00};
inline const QColor kHeadingItems{0x00, 0x00, 0x80};
