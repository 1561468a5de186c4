#pragma once

// Moving the address book and the price list of the open firm to an installation on another
// computer: the export writes a transfer file (a zip archive holding one firm database,
// "sync_data.mdb", made from the empty firm template and filled with the chosen tables); the
// import unpacks such a file, checks it and merges its rows into the open firm. The import never
// leaves the firm half merged: it changes the firm database in one transaction or not at all.

#include <QString>
#include <functional>

#include "platform/db/ADOConnection.h"
#include "platform/ui/VnDialog.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class TSchemeButton;
struct TRowset;

// The one member of a transfer file, and the working file of both sides in `PrivateTempFolder`.
inline constexpr const char* kSyncDataFileName = "sync_data.mdb";

// Failures of a run, left as the error text.
inline constexpr const char* kSyncConnectError =
    "Při pokusu o připojení temp databáze došlo k následující chybě: ";
inline constexpr const char* kSyncCannotReplaceWorkingFile = "Nelze přepsat dočasný soubor ";
inline constexpr const char* kSyncCopyFailed = "Při kopírování souboru %1 do %2 došlo k chybě.";
inline constexpr const char* kSyncExportWriteFailed =
    "Při ukládání záznamu došlo k chybě: metoda \"Execute\" selhala.";
inline constexpr const char* kSyncCancelled = "Operace byla přerušena uživatelem.";
inline constexpr const char* kSyncZipFailed =
    "Při vytváření ZIP souboru %1 došlo k chybě (ErrorCode: %2, Message: %3).";
inline constexpr const char* kSyncUnzipFailed =
    "Při dekomprimaci ZIP souboru %1 došlo k chybě (ErrorCode: %2, Message: %3).";
inline constexpr const char* kSyncNotTransferFile = "Soubor %1 není platný přenosový soubor.";
inline constexpr const char* kSyncWrongVersion =
    "Přenosový soubor byl vytvořen v jiné verzi programu, import nelze provést.";
inline constexpr const char* kSyncNoAddresses =
    "Byl zvolen import adresáře firem, přenosový soubor však tato data neobsahuje.";
inline constexpr const char* kSyncNoPriceList =
    "Byl zvolen import ceníku, přenosový soubor však tato data neobsahuje.";
inline constexpr const char* kSyncWriteFailed =
    "Při ukládání záznamu došlo k chybě: metoda \"Execute\" tabulky %1 selhala.";
inline constexpr const char* kSyncDeleteFailed = "Při mazání záznamu v tabulce %1 došlo k chybě.";
// Added under every failure of the merge: the user must know that nothing of the file went in.
inline constexpr const char* kSyncNothingChanged =
    "Import nebyl proveden, stávající data zůstala beze změny.";

// Texts of the dialog.
inline constexpr const char* kSyncCaption = "Synchronizace dat";
inline constexpr const char* kSyncExportCaption = "Export dat na jiný počítač";
inline constexpr const char* kSyncImportCaption = "Import dat z jiného počítače";
inline constexpr const char* kSyncAdresar = "adresář firem";
inline constexpr const char* kSyncCenik = "ceník";
inline constexpr const char* kSyncFullSync =
    "plná synchronizace (smaže zároveň všechny adresy, které neexistují v přenosovém souboru)";
inline constexpr const char* kSyncFileLabel = "Přenosový soubor:";
inline constexpr const char* kSyncPriceListNoteCaption = "Upozornění:";
inline constexpr const char* kSyncPriceListNote =
    "u ceníku není možné vypnout plnou synchronizaci (vždy se tedy ze současné databáze automaticky smažou "
    "veškerá ceníková data, která se nenacházejí v přenosovém souboru).";
inline constexpr const char* kSyncImportWarning =
    "Varování: import dat nenávratně přepíše adresář nebo ceník daty z přenosového souboru! Pokud si nejste "
    "zcela jisti právě prováděnou činností, proveďte nejprve zálohu dat.";
inline constexpr const char* kSyncNoFileName = "Není zadáno umístění přenosového souboru.";
inline constexpr const char* kSyncOverwrite = "Soubor %1 již existuje, opravdu ho chcete přepsat ?";
inline constexpr const char* kSyncNoFolder = "Složka \"%1\" neexistuje, zadejte platné umístění.";
inline constexpr const char* kSyncNoScope = "Není určen rozsah exportu (adresář nebo ceník).";
inline constexpr const char* kSyncNoImportFile = "Soubor \"%1\" neexistuje, zadejte platné umístění souboru.";
inline constexpr const char* kSyncConfirmImport =
    "Opravdu chcete provést tuto operaci a přepsat stávající data?";
inline constexpr const char* kSyncExporting = "Probíhá export dat, prosím čekejte...";
inline constexpr const char* kSyncImporting = "Probíhá import dat, prosím čekejte...";
inline constexpr const char* kSyncCancelFlag = "[přerušit]";
inline constexpr const char* kSyncExportDone = "Vytvoření přenosového souboru proběhlo úspěšně.";
inline constexpr const char* kSyncImportDone = "Import dat z přenosového souboru proběhl úspěšně.";
// One transfer, export or import, for the length of one menu command.
class TSynchronization {
public:
    explicit TSynchronization(bool import);
    ~TSynchronization();
    TSynchronization(const TSynchronization&) = delete;
    TSynchronization& operator=(const TSynchronization&) = delete;

    // Checks the user's right, shows the dialog and answers true when it closed with OK.
    bool Execute();

    // Both answer true on success; on failure ErrorText holds the message. The progress bar may be
    // null. A database error of the export is raised as it is; the import turns one into its
    // error text, after it has put the firm database back as it was.
    bool ExportToFile(const QString& fileName, QProgressBar* progress);
    bool ImportFromFile(const QString& fileName, QProgressBar* progress);

    bool IsImport() const { return import_; }
    // The working file of this station.
    static QString WorkingFileName();

    QString ExportFileName;
    QString ImportFileName;
    QString ErrorText;
    bool ExportAdresar = true;
    bool ExportCenik = true;
    bool ImportAdresar = true;
    bool ImportCenik = true;
    bool ImportFullSyncAdresar = false;

    // The open firm's database; the main window's firm connection unless a test hands in another.
    TADOConnection* Firm = nullptr;

private:
    bool PrepareWorkingFile();
    bool ConnectWorkingFile();
    bool CopyTable(const QString& table);
    bool CheckImportFile();
    bool MergeAddresses();
    bool MergeContacts(const TRowset& fileAddresses, size_t row, qint64 localAddress);
    bool MergeTable(const QString& table, const QString& key);
    bool RebuildLevelRules();
    bool Fail(const QString& text);
    void SetProgressMax(int maximum);
    void StepProgress(int position);

    bool import_;
    TADOConnection adoConnection_;  // the working file
    QProgressBar* progress_ = nullptr;
};

// "Synchronizace dat": the options of an export or an import, and the page shown while it runs.
class TfrmSynchronization : public TVnDialog {
    Q_OBJECT
public:
    TfrmSynchronization(TSynchronization& owner, QWidget* parent = nullptr);

    enum TPage { tsExport = 0, tsImport = 1, tsWorking = 2 };

    QLabel* lblInfoCaption = nullptr;
    QStackedWidget* pgcMain = nullptr;
    QLineEdit* edtExportFileName = nullptr;
    TSchemeButton* btnExportFileNameSelect = nullptr;
    QCheckBox* chckUseExportAdresar = nullptr;
    QCheckBox* chckUseExportCenik = nullptr;
    QLineEdit* edtImportFileName = nullptr;
    TSchemeButton* btnImportFileNameSelect = nullptr;
    QCheckBox* chckUseImportAdresar = nullptr;
    QCheckBox* chckUseImportFullSyncAdresar = nullptr;
    QCheckBox* chckUseImportCenik = nullptr;
    QLabel* lblWorkingText = nullptr;
    QLabel* lblCancelFlag = nullptr;
    QProgressBar* pbWorkingProgress = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    void btnOKClick();
    // While a run goes on the window stays open.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool CheckExportOptions();
    bool CheckImportOptions();
    void Run();
    QWidget* BuildExportPage();
    QWidget* BuildImportPage();
    QWidget* BuildWorkingPage();
    TSynchronization& owner_;
    bool shown_ = false;
};

// The file dialogs of "...": the export's save dialog and the import's open dialog; empty when
// cancelled. Tests replace them.
extern std::function<QString(QWidget* parent, const QString& current)> ChooseTransferExportFile;
extern std::function<QString(QWidget* parent, const QString& current)> ChooseTransferImportFile;

// The handlers of "Exportovat na jiný počítač" and "Importovat z jiného počítače".
void PrenoNaJinyPCExportClick();
void PrenoNaJinyPCImportClick();
