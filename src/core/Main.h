#pragma once

#include <QImage>
#include <QMainWindow>
#include <functional>
#include <memory>

#include "platform/data/DataSource.h"
#include "platform/data/MemTable.h"
#include "platform/db/ADOCommand.h"
#include "platform/db/ADOConnection.h"
#include "platform/db/ADOQuery.h"
#include "widgets/VnEditTools.h"

class QAction;
class QCloseEvent;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QTextEdit;
class THelpRouter;
class TSchemeButton;
class TColumn;
class TVnDBGrid;

// The application title, also the main window's caption.
inline constexpr const char* kApplicationTitle = "Varnobis";
// The application's help file, in the program folder.
inline constexpr const char* kApplicationHelpFile = "Varnobis.chm";

// Shown by every button and menu item of the main window whose window is not part of the program yet.

// The main window: the program's button bar and desktop notes, and the holder of the data layer
// that every subsystem works on. There is one per program run; `frmMain` reaches it.
class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Every help request of the program goes through it.
    THelpRouter* HelpRouter1 = nullptr;

    // Connections: the main database, the open firm, and an import source or transfer database.
    TADOConnection ADOConGlobal;
    TADOConnection ADOConAgenda;
    TADOConnection ADOConImport;

    // List queries of the firm, shared by the lists and their cards.
    TADOQuery adqAdresar{&ADOConAgenda};
    TADOQuery adqNabidky{&ADOConAgenda};
    TADOQuery adqSklady{&ADOConAgenda};
    TADOQuery adqSkupiny{&ADOConAgenda};
    TADOQuery adqZasoby{&ADOConAgenda};
    TADOQuery adqCenSkup{&ADOConAgenda};
    TADOQuery adqCenHlad{&ADOConAgenda};
    TADOQuery adqNabSablony{&ADOConAgenda};

    // Scratch queries and commands: whoever uses one opens it, and closes it before returning.
    TADOQuery adqGlobalFree1{&ADOConGlobal};
    TADOQuery adqGlobalFree2{&ADOConGlobal};
    TADOQuery adqAgendaFree1{&ADOConAgenda};
    TADOQuery adqAgendaFree2{&ADOConAgenda};
    TADOCommand adcGlobal1;
    TADOCommand adcAgenda1;
    TADOCommand adcAgenda2;

    // Shared memory tables.
    TMemTable mtGridFields;
    TMemTable mtGridUserFields;
    TMemTable mtSkladPos;
    TMemTable mtSkupinaPos;
    TMemTable mtCenSkup;
    TMemTable mtCenSkupPol;
    TMemTable mtPoznSeznam;
    TMemTable mtPoznTisk;

    // The firm's logo, for the print data; empty when the firm has none.
    QImage imgLogo;
    TDataSource dsPoznSeznam;

    // --- the window

    // Button bar. The busy flag of "Nabídky", "Adresář", "Ceník" and "Konec" is their Tag: 1 while
    // their action runs, so a second click meanwhile does nothing.
    QWidget* panMainBtn = nullptr;
    TSchemeButton* btnNabidky = nullptr;
    TSchemeButton* btnAdresar = nullptr;
    TSchemeButton* btnCenik = nullptr;
    TSchemeButton* btnOstatni = nullptr;
    TSchemeButton* btnNapoveda = nullptr;
    TSchemeButton* btnKonec = nullptr;
    QFrame* panUpgradeNeedWarning = nullptr;
    QLabel* lblUpgradeNeedWarning = nullptr;

    // The "Ostatní" menu.
    QMenu* PopMainBtn = nullptr;
    QAction* Nastaveniprogramu1 = nullptr;
    QAction* Seznamuzivatelu1 = nullptr;
    QAction* Importdat1 = nullptr;
    QAction* Exportovatnajinypocitac1 = nullptr;
    QAction* Importovatzjinehopocitace1 = nullptr;
    QAction* Seznamcenovychskupin1 = nullptr;
    QAction* Seznamcenovychhladin1 = nullptr;
    QAction* Preceneni1 = nullptr;
    QAction* Hromadnenastaveni1 = nullptr;
    QAction* Vytvorenizalohy1 = nullptr;
    QAction* Obnovenidatzezalohy1 = nullptr;
    QAction* Oaplikaci1 = nullptr;
    QAction* Seznamfirem1 = nullptr;
    QAction* acNapoveda = nullptr;
    QAction* acSHNC = nullptr;

    // Status panel.
    QWidget* panStatus = nullptr;
    QLabel* lblAgendaName = nullptr;
    QLabel* lblUserName = nullptr;
    QLabel* lblProgramVer = nullptr;

    // Desktop notes.
    TVnDBGrid* grPoznSeznam = nullptr;
    QTextEdit* rePoznPlocha = nullptr;
    QPushButton* btnPridatPozn = nullptr;
    QPushButton* btnOpravitPozn = nullptr;
    QPushButton* btnVyjmoutPozn = nullptr;
    QPushButton* btnRefreshPozn = nullptr;
    QPushButton* btnTiskPozn = nullptr;
    QPushButton* btnFiltrPozn = nullptr;

    void btnNabidkyClick();
    void btnAdresarClick();
    void btnCenikClick();
    void btnOstatniClick();
    void btnKonecClick();
    void btnFiltrPoznClick();
    void ShowAbout();
    void ShowFirmListFromMenu();

    // The note buttons follow the list: editing, deleting and printing need a note.
    void UpdateNoteButtons();
    // The current note's text on the desktop; empty when there is none.
    void UpdateNoteText();
    // Closes every dataset of the open firm before its connection goes.
    void CloseFirmDatasets();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildWindow();
    void BuildMenu();
    void BuildNotes();
    // Runs a bar button's action unless it is running already.
    void Guarded(TSchemeButton* button, const std::function<void()>& action);
    void DrawNoteCell(QPainter& canvas, const TRect& rect, int dataColumn, TColumn* column,
                      TGridDrawState state);
    TImageList ilMain;
};

// The one main window of the run; null before it is created and after it is destroyed.
extern TfrmMain* frmMain;
