#pragma once

// What the item and address import runs share: the protocol they write, the source table they
// read and the values of a source row as a definition maps them. The runs themselves are
// ImportPriceListItems and ImportAddresses.

#include <QString>
#include <memory>

#include "import/ImportDefinition.h"
#include "import/ImportSources.h"

// The kinds of a protocol line.
enum class TProtocolKind : int { RemoveLast = -1, Plain = 0, Bold = 1, Green = 2, Red = 3 };

// Where a run writes: the protocol and the progress bar of the wizard (or of a test).
class IImportProtocol {
public:
    virtual ~IImportProtocol() = default;
    virtual void AddProtocolLine(const QString& text, TProtocolKind kind) = 0;
    virtual void SetProgressMax(int maximum) = 0;
    virtual void SetProgress(int position) = 0;
    virtual int ProgressMax() const = 0;
};

// The names of the sheets and groups a definition refers to, as found in the price list. A
// definition's ID that names no row is set to 0: the runs take it as no sheet or no group.
struct TDefinitionNames {
    QString Sheet, Group, FilterSheet, FilterGroup;
    int GroupSheet = 0;  // the sheet the group for new items belongs to
};
void ResolveDefinitionRows(TImportDefinition& def, TDefinitionNames& names);

// The table a run reads: for dBase and text sources the source file's own name, for Access and
// Excel the definition's table.
QString RunTableName(const TImportDefinition& def);

// The stops every run shares before it reads the first row: the source file, the connection and
// the table. False means the run has written its red lines and ends with a failure.
bool OpenRunSource(const TImportDefinition& def, IImportProtocol& protocol,
                   std::unique_ptr<TImportRows>& rows);

// The value of a mapped field in one source row: the fixed value or the named column's. Throws
// EImportSourceError (a column the table lacks, a text that is no number).
QString MappedText(const TMappedField& field, const TImportRows& rows, int row);
double MappedNumber(const TMappedField& field, const TImportRows& rows, int row);

// Window messages are let through every this many rows: often enough for "Přerušit" and the
// protocol to answer at once, rarely enough not to cost more than the rows themselves.
inline constexpr int kRunEventStep = 32;
// After a row: the messages (every kRunEventStep rows) and the progress.
void RunStepDone(IImportProtocol& protocol, int position);

// The lines of a run that every kind shares.
inline constexpr const char* kRunSourceKind = "• zdroj dat: ";
inline constexpr const char* kRunSourceFile = "• zdrojový soubor: ";
inline constexpr const char* kRunFileMissing = "!CHYBA - zdrojový soubor neexistuje";
inline constexpr const char* kRunOpening = "• otevření databáze...";
inline constexpr const char* kRunPleaseWait = "• [prosím čekejte]";
inline constexpr const char* kRunOpenFailed = "!CHYBA - nepodařilo se otevřít databázi";
inline constexpr const char* kRunTableFailed = "!CHYBA - nepodařilo se otevřít zdrojovou tabulku ";
inline constexpr const char* kRunTableHint =
    "- zkontrolujte, zda nemáte soubor otevřený v nějaké jiné aplikaci (např. MS Excel, apod.)";
inline constexpr const char* kRunEmptySource = "• zdrojová databáze je prázdná";
inline constexpr const char* kRunStartMatching = "• zahájen import dat - hledat podle (ref. pol.): ";
inline constexpr const char* kRunStartMatchingSource = ", ref. pol. zdroj. databáze: [";
inline constexpr const char* kRunStartAllNew = "• zahájen import dat - přidat vše jako nové";
inline constexpr const char* kRunMayTakeLong = "• operace může trvat delší dobu, prosím čekejte...";
inline constexpr const char* kRunReadError = "!CHYBA při čtení zdroje: ";
inline constexpr const char* kRunEmptyRefWarning = "• varování: zdroj. řádek č. ";
inline constexpr const char* kRunEmptyRefWarningEnd = " - prázdná referenční položka (";
inline constexpr const char* kRunSaveError = "!CHYBA při ukládání do databáze: ";
inline constexpr const char* kRunSourceCount = "• počet záznamů ve zdrojové databázi: ";
inline constexpr const char* kRunAdded = "  + přidáno nových záznamů: ";
inline constexpr const char* kRunUpdated = "  + zaktualizováno záznamů: ";
inline constexpr const char* kRunWritten = "  = počet naimportovaných záznamů celkem: ";
inline constexpr const char* kRunCancelled = "Operace přerušena uživatelem!";
inline constexpr const char* kRunConfirmStop = "Opravdu chcete přerušit import ?";

// The read-error line of a field: `!CHYBA při čtení zdroje pro "<name>": `.
QString FieldReadErrorLine(const QString& name);

// Items.
inline constexpr const char* kItemRunHeading = "Import ceníku";
inline constexpr const char* kItemRunNoTarget =
    "!CHYBA - list nebo skupina pro zařazení nových položek již neexistuje - opravte definici importu";
inline constexpr const char* kItemRunNoFilterSheet =
    "!CHYBA - list, ve kterém má program hledat referenční položku (filtr) již neexistuje - opravte definici "
    "importu";
inline constexpr const char* kItemRunNoFilterGroup =
    "!CHYBA - skupina, ve které má program hledat referenční položku (filtr) již neexistuje - opravte "
    "definici importu";
inline constexpr const char* kItemRunFilterSheet = "• filtr: zapnutý, hledat ref. pol. - pouze v listu ";
inline constexpr const char* kItemRunFilterGroup =
    "                                               - pouze ve skupině ";
inline constexpr const char* kItemRunFilterOff = "  - filtr: vypnutý (hledat ref. pol. ve všech listech)";
inline constexpr const char* kItemRunPhaseOne = "• I. fáze - import dat ze zdrojového souboru";
inline constexpr const char* kItemRunPhaseTwo =
    "• II. fáze - přepočet cen importovaných záznamů... [počkejte prosím na dokončení]";
// A run that does not come to its end is undone whole: new items are removed and updated ones get
// their old values back, whichever phase it stopped in. The questions and the protocol say so.
inline constexpr const char* kItemRunConfirmStop =
    "Opravdu chcete přerušit import ? Varování: dosud naimportované záznamy budou odstraněny z ceníku a "
    "aktualizované záznamy vráceny do stavu před importem!";
inline constexpr const char* kItemRunConfirmStopPhaseTwo =
    "Opravdu chcete přerušit přepočet ? Varování: import bude zrušen - naimportované záznamy budou "
    "odstraněny z ceníku a aktualizované záznamy vráceny do stavu před importem!";
inline constexpr const char* kItemRunRollback =
    "• stisknuto \"Přerušit\" - probíhá oprava integrity (odstranění nových a obnovení aktualizovaných "
    "záznamů)...";
inline constexpr const char* kItemRunRestored = "• ceník byl vrácen do stavu před importem";
inline constexpr const char* kItemRunPriceList = "• ceník:";
inline constexpr const char* kItemRunExecuteFailed =
    "Při ukládání záznamu do \"Zasoby\" došlo k chybě: metoda \"Execute\" selhala.";

// Addresses.
inline constexpr const char* kAddressRunHeading = "Import adresáře";
inline constexpr const char* kAddressRunBook = "• adresář:";
inline constexpr const char* kAddressRunExecuteFailed =
    "Při ukládání záznamu do \"Adresar\" došlo k chybě: metoda \"Execute\" selhala.";

// The captions of the reference fields, by their RefField values.
QString ItemRefCaption(const QString& refField);
QString AddressRefCaption(const QString& refField);

// One import of price-list items by the definition: 0 when it came to its end (also after a
// cancel, which leaves WorkingCancelled set), -1 when it stopped on an error, -2 when a
// recalculation failed. A run that does not come to its end leaves the price list as it found it.
int ImportPriceListItems(const TImportDefinition& def, IImportProtocol& protocol);
// One import of addresses: 0 when it came to its end (also after a cancel), -1 on an error.
int ImportAddresses(const TImportDefinition& def, IImportProtocol& protocol);
