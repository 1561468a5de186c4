#pragma once

#include <QImage>
#include <QMainWindow>
#include <memory>

#include "platform/data/MemTable.h"
#include "platform/db/ADOCommand.h"
#include "platform/db/ADOConnection.h"
#include "platform/db/ADOQuery.h"

class THelpRouter;

// The application title, also the main window's caption.
inline constexpr const char* kApplicationTitle = "Varnobis";
// The application's help file, in the program folder.
inline constexpr const char* kApplicationHelpFile = "Varnobis.chm";

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
};

// The one main window of the run; null before it is created and after it is destroyed.
extern TfrmMain* frmMain;
