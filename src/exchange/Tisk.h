#pragma once

#include <QComboBox>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "platform/data/DataSource.h"
#include "platform/data/MemTable.h"
#include "platform/ui/VnDialog.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSpinBox;
class TMemTable2DotNetBuilder;
class TSchemeButton;
class TSheetReport;
class TVnDBGrid;

// The print dialog: the one window through which every report of the program is printed,
// previewed, edited or exported. It lists the built-in reports of a print module (defined here,
// never stored) and the user's own ones (table `Sestavy` of the main database), and hands a job
// to the report program through two data files. It never prints anything itself.

// The print modules: who opened the dialog, which reports it lists and which data they get.
// Stored as `Sestavy.IDModulu`.
enum TPrintModule : int {
    pmOffer = 1,
    pmPriceListGroups = 2,
    pmPriceList = 3,
    pmAddresses = 4,
    pmNote = 5,
    pmPriceListGroupsExport = 102,
    pmPriceListExport = 103,
};
// Modules above this one export to a workbook instead of printing.
inline constexpr int kLastPrintModule = 100;
inline bool IsExportModule(int module) { return module > kLastPrintModule; }

// `TypSest`: what a report is printed for.
enum class TReportKind : int { Record = 1, List = 2 };

// A built-in report definition. Its layout file is named by `Soubor`, which begins with "_".
struct TBuiltInReport {
    const char* Soubor;
    const char* Nazev;
    const char* Popis;
    TReportKind Kind;
};
// The module's built-in reports in list order.
std::vector<TBuiltInReport> BuiltInReports(int module);

// The per-user setting numbers of a module: its default report, and its default printer index (print
// modules) or its last export file (export modules). 0 for a module without settings.
int DefaultReportSetting(int module);
int SecondSetting(int module);

// The layout file of a report: ".FRX" for print modules, ".xls" for export modules, in PrintFolder.
QString ReportFileExtension(int module);

// The station's printers, sorted by name, and its default printer; tests replace both.
extern std::function<QStringList()> SystemPrinterNames;
extern std::function<QString()> SystemDefaultPrinterName;

// The printer picker: the station's printers in their sorted order, so that a stored index means
// the same printer next time as long as the list has not changed.
class TComboBoxPrinter : public QComboBox {
    Q_OBJECT
public:
    explicit TComboBoxPrinter(QWidget* parent = nullptr);
    // -1, or an index past the end of the list, selects the default printer when there is any; an
    // index below -1 selects nothing.
    void FillPrinters(int index);
    QString SelectedPrinterName() const;
    int SelectedPrinterIndex() const;
    void ReloadPrinters();
    // The list may have changed since it was filled: it is read again, keeping the shown printer.
    void showPopup() override;
};

// How a run of the report program ended.
struct TReportProgramEnd {
    bool Started = false;
    // The program's exit code; a crash counts as a failure of its own.
    int ExitCode = 0;
    bool Crashed = false;
    // What the program wrote on its standard error: the reason of a job it did not take over.
    QString ErrorText;
};
// The report program's exit codes: done; the job not taken over (nothing shown, the reason on the
// standard error); the job failed and the program has told the user itself.
inline constexpr int kReportProgramDone = 0;
inline constexpr int kReportProgramNotTaken = 1;
inline constexpr int kReportProgramFailed = 2;

// Starts the report program with its arguments and waits for it to end, keeping the windows
// alive. Tests replace it.
extern std::function<TReportProgramEnd(const QString& program, const QStringList& arguments)>
    ReportProgramRunner;
// The report program beside ours.
QString ReportProgramPath();

// The file pickers of the dialog (the main window's shared dialogs); answer the chosen path or
// empty. Tests replace them.
extern std::function<QString(const QString& folder, const QString& title, const QString& filter)>
    PrintSaveDialog;
extern std::function<QString(const QString& folder, const QString& title, const QString& filter)>
    PrintOpenDialog;

class TfrmTisk : public TVnDialog {
    Q_OBJECT
public:
    TfrmTisk(int module, QWidget* parent = nullptr);
    ~TfrmTisk() override;

    int Module() const { return module_; }

    // The report list: built-in rows first, then the user's; `ID` is the `Sestavy` row of a user
    // report read at opening (0 for one added in this opening). Its Tag is the change flag.
    TMemTable mtSestava;
    TDataSource dsSestava;
    int mtSestavaTag = 0;

    TVnDBGrid* grSestava = nullptr;
    QLabel* dblblPopisSestavy = nullptr;
    QCheckBox* chckUpravitSestavu = nullptr;
    QWidget* panBtnSestava = nullptr;
    QPushButton* btnVytvoritKopii = nullptr;
    QPushButton* btnOpravitSestavu = nullptr;
    QPushButton* btnVyjmoutSestavu = nullptr;
    QPushButton* btnVlastnostiSestavy = nullptr;
    QPushButton* btnPridatSestavu = nullptr;
    QGroupBox* gbxPrinter = nullptr;
    TComboBoxPrinter* ComboBoxPrinter1 = nullptr;
    QPushButton* btnNastTiskarny = nullptr;
    QMenu* pmNastTiskarny = nullptr;
    QAction* miTiskarnaVychozi = nullptr;
    QAction* miSestavaVychozi = nullptr;
    QAction* miGridSestavaVychozi = nullptr;
    QGroupBox* gbxPrintCopies = nullptr;
    QLabel* lblOdStr = nullptr;
    QLabel* lblDoStr = nullptr;
    QLabel* lblPocetKopii = nullptr;
    QSpinBox* edtOdStr = nullptr;
    QSpinBox* edtDoStr = nullptr;
    QSpinBox* edtPocetKopii = nullptr;
    QGroupBox* gbxExtFunc = nullptr;
    QWidget* panPosliEmail = nullptr;
    QLabel* lblPoslatMail = nullptr;
    QWidget* panExport = nullptr;
    QLineEdit* edtExportSoubor = nullptr;
    TSchemeButton* btnProchazet = nullptr;
    QWidget* panButtons = nullptr;
    QPushButton* btnTisk = nullptr;
    QPushButton* btnNahled = nullptr;
    QPushButton* btnExport = nullptr;
    QPushButton* btnStorno = nullptr;
    QAction* acSHNC = nullptr;
    // The workbook export: the template engine on its workbook adapter. Its data module is this
    // dialog, or the price-list options window for the price-list exports.
    TSheetReport* FCReport = nullptr;

    // Fills the list, the printer and the defaults for the opening (steps before the window shows).
    void Prepare(const QString& filter);
    // After the window closed: the print tables, the changed definitions, the chosen defaults.
    void Finish();

    void acbtnTiskExecute();
    void acNahledExecute();
    void btnExportClick();
    void btnProchazetClick();
    void btnOpravitSestavuClick();
    void btnVyjmoutSestavuClick();
    void btnVytvoritKopiiClick();
    void btnVlastnostiSestavyClick();
    void btnPridatSestavuClick();
    void SetDefaultPrinter();
    void SetDefaultReport();
    void UpdateEmailPanel();

    // The current report row.
    QString CurrentSoubor() const;
    bool CurrentOriginal() const;
    TReportKind CurrentKind() const;

    // The report-program bridge. 0 when both data files were written, -1 otherwise (told).
    int PrepareReportData(const QString& operationType, const QString& exportFile);
    // True when the program was started and has done the job; a failure has been told.
    bool RunReportPrinter();
    bool SaveReportDataFile(TMemTable2DotNetBuilder& builder, const QString& path);
    void RegisterTempFile(const QString& path) { tempFiles_ << path; }
    const QStringList& TempFiles() const { return tempFiles_; }
    QString SystemDataFile, ReportDataFile;

    // The properties window for the current row: (false, false) properties, (true, false) copy,
    // (false, true) add from disk. 0 when a row was saved.
    int EditReportProperties(bool copy, bool add);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void done(int result) override;

private:
    void BuildWindow();
    void ApplyMode();
    void SetDialogPanelsEnabled(bool enabled);
    // Print and Preview share every step but the operation.
    void RunJob(const QString& operationType);
    void DeleteTempFiles();
    void WriteDefinitions();
    void FillReportData(TMemTable2DotNetBuilder& builder);

    int module_;
    QString pendingReport_;
    int pendingPrinter_ = -1;
    bool printerChosen_ = false;
    QStringList tempFiles_;
    bool finished_ = false;
    // The user rows as read at opening, by `ID`, to write back only what changed.
    struct TStoredRow {
        int Id;
        QString Nazev, Soubor, Popis;
        int TypSest;
    };
    std::vector<TStoredRow> stored_;
};

// Opens the print dialog of the module on the current row of its list; filter is an optional
// filter over the report list ("TypSest=1"). Always 0.
int ShowPrintDialog(int module, const QString& filter = QString());
// The folder of an export file: it must be named, and a missing one is created on request, one level
// only. False when the export must stop (the user has been told why).
bool EnsureExportFolder(const QString& path);

// Texts of the dialog that other windows and tests share.
inline constexpr const char* kPrintDialogCaption = "Tisk";
inline constexpr const char* kPreparingPrint = "Příprava tiskového procesu...\n[čekejte prosím]";
inline constexpr const char* kBuiltInNotEditable =
    "Tato sestava je součástí programu a nelze ji editovat přímo - můžete však vytvořit kopii sestavy "
    "(tlačítkem \"Vytvořit kopii tiskové sestavy\") a tu potom libovolně upravovat.";
inline constexpr const char* kPreviewOnlyWhenPrinting =
    "Náhled je k dispozici pouze při tisku, nikoliv při exportu.";
inline constexpr const char* kBuiltInNotDeletable = "Tato sestava je součástí programu a nelze ji smazat.";
inline constexpr const char* kConfirmReportDelete = "Opravdu chcete vyjmout tiskovou sestavu ?";
inline constexpr const char* kEditCopiedReport =
    "Chcete zkopírovanou sestavu upravit pomocí editoru formulářů ?";
inline constexpr const char* kPrinterMadeDefault =
    "Tiskárna %1 byla nastavena jako výchozí pro tuto tiskovou funkci.";
inline constexpr const char* kReportMadeDefault = "Sestava \"%1\" byla nastavena jako výchozí.";
inline constexpr const char* kNoXlsAssociation =
    "Se soubory XLS není asociován žádný program - pravděpodobně nemáte nainstalovaný MS Excel.";
inline constexpr const char* kLayoutNotFound = "Formulářový soubor %1 nebyl nalezen !";
inline constexpr const char* kReinstall = "\r\rProveďte reinstalaci programu.";
inline constexpr const char* kPreparingReport = "Probíhá příprava tiskové sestavy\rprosím čekejte...";
inline constexpr const char* kProgramStartFailed = "Při spouštění souboru %1 došlo k chybě.";
inline constexpr const char* kProgramEndedWithError = "Program %1 skončil s chybou.";
inline constexpr const char* kExportFileMissing = "Musíte zadat název exportního souboru.";
inline constexpr const char* kExportFolderMissing =
    "Musíte zadat název složky, do které se má soubor exportovat (pro výběr použijte tlačítko \"tři "
    "tečky\").";
inline constexpr const char* kExportFolderCreate = "Složka pro export \"%1\" neexistuje. Chcete ji vytvořit?";
inline constexpr const char* kExportFolderFailed = "Chyba : nelze vytvořit adresář %1";
inline constexpr const char* kExportTemplateMissing = "Převodní šablona - soubor \"%1\" neexistuje.";
inline constexpr const char* kExportOverwrite = "Soubor \"%1\" již existuje, chcete ho přepsat ?";
inline constexpr const char* kExportInUse =
    "Chyba: nelze přepsat výstupní soubor \"%1\". Zkontrolujte, zda není používán jiným programem (např. "
    "zda není otevřen v MS Excel, apod.).";
inline constexpr const char* kExportRunning = "Probíhá export sestavy\rprosím čekejte...";
inline constexpr const char* kExportFailed = "Při exportu sestavy došlo k následující chybě: \"%1\".";
inline constexpr const char* kExportNoAssociation =
    "Se souborem \"%1\" není asociován žádný program - pravděpodobně nemáte nainstalovaný MS Excel, resp. "
    "program, který dokáže *.XLS soubory zobrazit (prohlížeč MS Excel, 602Tab, apod.).";
inline constexpr const char* kExportNeedViewer =
    "Chcete-li si výsledný soubor prohlédnout, musíte mít takový program nainstalovaný.";
inline constexpr const char* kTempWriteFailed = "Při exportu do dočasného souboru %1 došlo k chybě. %2";
