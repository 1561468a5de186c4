#pragma once

// The import definition editor "Nastavení importu" and the definition card that shows it. The
// window holds a definition as its controls show it; the definition text is read into it and
// written from it (ImportDefinition), and the wizard's runs read the definition it holds. It
// never writes the database itself: the card does, after the window's check on OK.

#include <QString>
#include <array>
#include <functional>

#include "import/ImportDefinition.h"
#include "platform/ui/VnDialog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QWidget;
class TCurrencyEdit;
class TADOQuery;

// One mapping row: the check box, the source choice and the column choice or fixed value.
struct TMappingRow {
    QCheckBox* chck = nullptr;
    QComboBox* cbxZdroj = nullptr;
    QComboBox* cbxColumn = nullptr;
    QLineEdit* edt = nullptr;      // a text field
    TCurrencyEdit* cur = nullptr;  // a number field
};

class TfrmImportNastaveni : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmImportNastaveni(QWidget* parent = nullptr);

    enum TPage { pgItems = 0, pgRaw = 1, pgAddresses = 2 };

    QLineEdit* edtNazev = nullptr;
    QPushButton* btnPoznamka = nullptr;
    QLabel* lblTypOperace = nullptr;
    QComboBox* cbxTypSouboru = nullptr;
    QLineEdit* edtNazevSouboru = nullptr;
    QPushButton* btnNazevSouboru = nullptr;
    QLabel* lblNazevTabulky = nullptr;
    QLineEdit* edtNazevTabulky = nullptr;
    QPushButton* btnNazevTabulky = nullptr;
    QLineEdit* edtRefPolProgram = nullptr;
    QLineEdit* edtRefPolDB = nullptr;
    QString memPopis;
    QStackedWidget* pgcMain = nullptr;
    QPlainTextEdit* memNastaveni = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnStorno = nullptr;
    QPushButton* btnNapoveda = nullptr;

    // Items.
    std::array<TMappingRow, kItemFieldCount> ItemRows;
    QComboBox* cbxTypHodnoty = nullptr;
    QComboBox* cbxProdCenaTypCeny = nullptr;
    QRadioButton* rbPorovnavat = nullptr;
    QRadioButton* rbNeporovnavat = nullptr;
    QComboBox* cbxRefPolCenik = nullptr;
    QLabel* lblRefPolCenik = nullptr;
    QCheckBox* chckFiltr = nullptr;
    QLabel* lblFiltrVypnuty = nullptr;
    QCheckBox* chckHledatVListu = nullptr;
    QLineEdit* edtHledatList = nullptr;
    QPushButton* btnHledatList = nullptr;
    QCheckBox* chckHledatVeSkup = nullptr;
    QLineEdit* edtHledatSkup = nullptr;
    QPushButton* btnHledatSkup = nullptr;
    QCheckBox* chckNovaPolozka = nullptr;
    QLabel* lblZarazeni = nullptr;
    QLineEdit* edtList = nullptr;
    QPushButton* btnList = nullptr;
    QLineEdit* edtSkup = nullptr;
    QPushButton* btnSkup = nullptr;
    QCheckBox* chckNastavNaNove = nullptr;
    QCheckBox* chckCenSkup = nullptr;
    QLineEdit* edtCenSkup = nullptr;
    QPushButton* btnCenSkup = nullptr;
    QPushButton* btnCenSkupX = nullptr;
    QCheckBox* chckIdentif = nullptr;
    QLineEdit* edtIdentif = nullptr;
    QPushButton* btnIdentif = nullptr;
    QCheckBox* chckZaokrouhleni = nullptr;
    QComboBox* cbxZaokrouhleni = nullptr;
    QCheckBox* chckTypCeny = nullptr;
    QComboBox* cbxTypCeny = nullptr;
    QCheckBox* chckPrepocitat = nullptr;
    QComboBox* cbxPrepocitat = nullptr;
    QComboBox* cbxPrepocPodle = nullptr;

    // Addresses.
    std::array<TMappingRow, kAddressFieldCount> AddressRows;
    QRadioButton* rbPorovnavatAdr = nullptr;
    QRadioButton* rbNeporovnavatAdr = nullptr;
    QComboBox* cbxRefPolAdr = nullptr;
    QLabel* lblRefPolAdr = nullptr;
    QCheckBox* chckNovaAdresa = nullptr;
    QCheckBox* chckCenHladAdr = nullptr;
    QLineEdit* edtCenHladAdr = nullptr;
    QPushButton* btnCenHladAdr = nullptr;
    QPushButton* btnCenHladAdrX = nullptr;
    QCheckBox* chckNastavNaNoveAdr = nullptr;

    // The IDs the read-only fields hold (0: none chosen).
    int IDListu = 0, IDSkup = 0, IDListuHledatV = 0, IDSkupHledatV = 0, IDCenSkup = 0, IDCenHlad = 0;
    // The operation type the window works for.
    int TypOperace = 0;
    // Set by the card when the definition may only be viewed.
    bool DefinitionReadOnly = false;

    // Fills the window from the raw text memNastaveni; with openSource also connects the source
    // and lists its columns. Throws EConvertError for a fixed number that does not read.
    void LoadImportDefinition(int type, bool openSource);
    // Replaces the raw text by the text written from the controls (kinds 0 and 1 only).
    void SaveImportDefinition(int type);
    // The definition as the controls show it.
    TImportDefinition Definition() const;
    // Shows the definition in the controls (the sheet and group names looked up in the price list).
    void SetDefinition(const TImportDefinition& def, int type);

    // Prepares the window for a card of the type: page, label, empty mapping, defaults.
    void PrepareForType(int type);
    void ClearItemMapping(bool full);
    void ClearAddressMapping(bool full);
    void ResetItemDefaults();
    void ResetAddressDefaults();
    void UpdateSourceControls();
    void UpdateItemControls();
    void UpdateAddressControls();

    // The check on OK; closes the window when it passes.
    void btnOkClick();
    void btnNazevSouboruClick();
    void btnNazevTabulkyClick();
    void btnPoznamkaClick();
    // A path typed into the file field (rather than chosen with "...") is taken as a chosen one
    // once the user leaves the field; a file that does not exist is reported.
    void edtNazevSouboruExit();
    // Storno, Esc and the window's close button: a definition that was changed since the window
    // was shown is left only after the user confirms it.
    void reject() override;
    TImportSourceKind SourceKind() const;
    // Reads the connected source's columns into the page's lists; 0 or -1 (the user has been told).
    int ReadSourceStructure(int target);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* BuildItemPage();
    QWidget* BuildAddressPage();
    TMappingRow MakeRow(QWidget* page, const QString& stem, bool numeric, int maxLength);
    void PickSheet(QLineEdit* edit, int& id, QLineEdit* groupEdit, int& groupId);
    void PickGroup(int sheetId, QLineEdit* edit, int& id, const char* sheetFirst);
    void ReadColumnsAgain();
    // Opens the file as the source of the chosen kind and reads its columns (after a table
    // choice for the kinds that have tables), as choosing it with "..." does.
    void UseSourceFile(const QString& name);
    // The definition as it would be saved (name, note and text), to tell whether it changed.
    QString SavedForm() const;

    // The definition as the window showed it, and the file whose columns the lists hold.
    QString shownForm_;
    QString columnsFile_;
};

// The file dialog of a source kind (title, filter, default extension); empty when cancelled.
// Tests replace it.
extern std::function<QString(QWidget* parent, const QString& title, const QString& filter)> ChooseImportFile;

// The definition card: a new definition of the type, the wizard's current row, or a copy of it.
// 0 when the card ran to its end (saved or cancelled), -1 when refused or stopped on an error.
class TfrmImportMain;
int EditImportDefinition(TfrmImportMain& wizard, bool isNew, int type, bool copy);

// The question before a changed definition is left without saving.
inline constexpr const char* kLeaveDefinitionQuestion = "Opustit definici importu bez uložení ?";
// The warning for a typed source file that does not exist.
inline constexpr const char* kSourceFileMissing = "Zdrojový soubor \"%1\" neexistuje.";

// The source kind's open-dialog filter.
QString SourceKindFilter(TImportSourceKind kind);
