#pragma once

// The import of open orders and offers from the accounting program Money into the offers of the
// open firm. The accounting data are read only through that program's database server
// (TBFTable); every document becomes an offer and its top-level items the offer's items. A
// document whose number the firm already has is left alone, so the import can be run again to
// bring in only the new ones. It never changes or deletes an offer that is already there.

#include <QString>
#include <memory>

#include "import/ImportRun.h"
#include "platform/shell/BFTable.h"

// The keys of an accounting definition as the run reads them.
struct TAccountingDefinition {
    QString YearPath;    // holds "ObSezObj.dat" and "ObPolObj.dat"; ends with "/"
    QString AgendaPath;  // holds "SkSezZas.dat"; ends with "/"
    bool ImportPC = true;
    QString DruhDokl = "N";  // upper case
};
TAccountingDefinition ReadAccountingDefinition(const QString& text);

// The server's three tables, connected on first use and kept by the wizard.
struct TAccountingTables {
    std::unique_ptr<TBFTable> bftObSezObj;  // document headers
    std::unique_ptr<TBFTable> bftObPolObj;  // document items
    std::unique_ptr<TBFTable> bftSkSezZas;  // stock cards
};

// One import run; true when it failed. A failure before the first document leaves the offers as
// they were; documents imported before a cancel stay, and a cancel is no failure.
bool ImportAccountingDocuments(const TAccountingDefinition& def, TAccountingTables& tables,
                               IImportProtocol& protocol);

// A plain text as the RTF the offer texts keep: Arial 9, regular, Central European.
QString AccountingTextToRtf(const QString& text);

inline constexpr const char* kMoneyRunStart = "Import dat z Money - Start ";
inline constexpr const char* kMoneyRunDone = "Import dat z Money - Dokončeno ";
inline constexpr const char* kMoneyHeading = "Objednávky/nabídky";
inline constexpr const char* kMoneyCheckingFiles = "• kontrola souborů na disku...";
inline constexpr const char* kMoneyFileMissing = "!CHYBA - soubor ";
inline constexpr const char* kMoneyFileMissingEnd = " neexistuje";
inline constexpr const char* kMoneyFilesOk = "...kontrola OK";
inline constexpr const char* kMoneyOpening = "• otevření databází...";
inline constexpr const char* kMoneyOpenFailed = "!CHYBA - nelze otevřít databázi ";
inline constexpr const char* kMoneyNoServer =
    "  - na tomto počítači není nainstalován databázový server systému Money, přes který program čte jeho "
    "data; bez něj import z Money provést nelze";
inline constexpr const char* kMoneyOpenOk = "...otevření OK";
inline constexpr const char* kMoneySettingIndex = "• nastavení indexu...";
inline constexpr const char* kMoneyIndexFailed = "!CHYBA - nelze nastavit index v ";
inline constexpr const char* kMoneyIndexOk = "...index OK";
inline constexpr const char* kMoneyInternal = "• otevření interních databází...";
inline constexpr const char* kMoneyInternalOk = ".. interní databáze OK";
inline constexpr const char* kMoneyImporting = "• import nových dokladů... prosím čekejte...";
inline constexpr const char* kMoneySetWarning = "• VAROVÁNÍ - importovaný doklad č. ";
inline constexpr const char* kMoneySetWarningEnd =
    " obsahuje položku typu SADA, - záznam bude naimportován s nulovou sazbou DPH. Otevřete naimportovaný "
    "doklad a sazbu DPH doplňte ručně!";
inline constexpr const char* kMoneyImported = "• celkem naimportovaných dokladů: ";
inline constexpr const char* kMoneyOfferHeading = "Nabídka";
