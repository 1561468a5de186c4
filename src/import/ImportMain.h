#pragma once

// The import wizard "Import dat": it lists the firm's import definitions, lets the user manage
// them, confirm the source file and start the run, and shows the run's protocol. It is also the
// protocol the runs write into. It never reads a source itself: the runs do.

#include <QString>
#include <functional>

#include "import/ImportMoney.h"
#include "import/ImportRun.h"
#include "platform/data/DataSource.h"
#include "platform/db/ADOQuery.h"
#include "platform/ui/VnDialog.h"

class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QLineEdit;
class QTextEdit;
class TfrmImportNastaveni;
class TVnDBGrid;

class TfrmImportMain : public TVnDialog, public IImportProtocol {
    Q_OBJECT
public:
    explicit TfrmImportMain(QWidget* parent = nullptr);
    ~TfrmImportMain() override;

    enum TPage {
        tsWelcome = 0,
        tsVyberDef = 1,
        tsMoneyBeforeStart = 2,
        tsProtocol = 3,
        tsImportBeforeStart = 4
    };

    QStackedWidget* pgcMain = nullptr;
    QLabel* lblNetUpozorneni = nullptr;
    QLabel* lblNacitani = nullptr;
    QLabel* lblPriprava = nullptr;
    QPushButton* btnPridat = nullptr;
    QMenu* popPridat = nullptr;
    QPushButton* btnOpravit = nullptr;
    QPushButton* btnKopirovat = nullptr;
    QPushButton* btnVyjmout = nullptr;
    TVnDBGrid* grDefImport = nullptr;
    QLabel* lblPopis = nullptr;
    QLabel* lblImportError = nullptr;
    QPushButton* btnUlozitProtokol = nullptr;
    QTextEdit* reProtocol = nullptr;
    QProgressBar* pbImport = nullptr;
    QLineEdit* edtNazevSouboru = nullptr;
    QPushButton* btnNazevSouboru = nullptr;
    QPushButton* btnPrerusit = nullptr;
    QPushButton* btnZpet = nullptr;
    QPushButton* btnDalsi = nullptr;
    QPushButton* btnZavrit = nullptr;

    TADOQuery adqImportDef;
    TDataSource dsImportDef;
    // The definition editor, created with the wizard and living as long as it.
    TfrmImportNastaveni* Editor = nullptr;
    // The accounting program's tables, connected by the first accounting run.
    TAccountingTables MoneyTables;

    // (Re)opens the definition list.
    int LoadDefinitionList();
    void UpdateDefinitionButtons();
    // Runs the loaded definition; true when the run failed.
    bool RunImport();
    // Runs the current accounting definition; 0 when it succeeded (a cancel included), -1 when not.
    int RunAccountingImport();
    void btnDalsiClick();
    void btnZpetClick();
    void btnVyjmoutClick();
    void btnUlozitProtokolClick();
    void ShowPage(TPage page);

    // The protocol's lines as plain text, one per line.
    QStringList ProtocolLines() const;

    void AddProtocolLine(const QString& text, TProtocolKind kind) override;
    void SetProgressMax(int maximum) override;
    void SetProgress(int position) override;
    int ProgressMax() const override;

private:
    void OpenDefinition(bool isNew, int type, bool copy);
    void UpdateDescription();
    QStringList lines_;
};

// Opens the wizard; true when it refused to open.
bool ShowImportWizard();

// The main window's save dialog for the protocol; empty when cancelled. Tests replace it.
extern std::function<QString(QWidget* parent)> ChooseProtocolFile;

inline constexpr const char* kImportCaption = "Import dat";
inline constexpr const char* kImportEmptyList =
    "Seznam je zatím prázdný - tlačítkem \"Přidat\" nejprve nastavte parametry importu.";
inline constexpr const char* kImportNoFile = "Zadejte název zdrojového souboru.";
inline constexpr const char* kImportConfirmDelete = "Opravdu chcete vyjmout označenou definici ?";
inline constexpr const char* kImportRunStart = "Import dat - Start ";
inline constexpr const char* kImportRunDone = "Import dat - Dokončeno ";
