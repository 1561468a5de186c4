#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "platform/data/MemTable.h"
#include "platform/text/Currency.h"
#include "platform/ui/VnDialog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TSheetImport;
class TXLSAdapter;

// Item keys with quantities read from a workbook, a dBase table or the clipboard, for adding the
// price-list items they name to the offer. The reader only reads; the lookup in the price list and
// the adding are the offer card's, and the key is always bound as a parameter there.

enum class TKeySource : int { Workbook = 0, DBase = 1, Clipboard = 2 };

// True when the text converts to an integer.
bool IsIntegerText(const QString& text);
// True when the text converts to a currency amount by the station's number format.
bool IsCurrencyText(const QString& text);
// The pieces of text cut at each separator, empty pieces kept; an empty text gives no piece.
void SplitBySeparator(QStringList& list, const QString& text, const QString& separator);

class TItemsImportFileParser {
public:
    TItemsImportFileParser();
    ~TItemsImportFileParser();

    TKeySource SourceKind = TKeySource::Workbook;
    QString FileName;
    bool FirstRowIsHeader = true;
    int KeyKind = 0;  // 0 Katalog, 1 BarCode, 2 PLU, 3 Zkratka, 4 Popis
    QString KeyColumn;
    QString QuantityColumn;
    TMemTable Pairs;
    QStringList Lines;
    bool UseDefaultQuantity = true;
    Currency DefaultQuantity = Currency::FromRaw(Currency::kScale);

    // The clipboard's text; tests put their own in.
    static std::function<QString()> ClipboardText;

    // Shows the dialog; true when it closed with OK after the pairs were read.
    bool Execute();
    // Reads the source into Pairs; false after telling the user what failed.
    bool Load();
    QString KeyFieldName() const;
    // The choices from and into the per-user settings.
    void LoadSettings();
    void SaveSettings() const;

private:
    bool ReadWorkbook();
    bool ReadDBase();
    bool ReadClipboard();
    void AppendPair(const QString& key, Currency quantity);
    std::unique_ptr<TXLSAdapter> adapter_;
    std::unique_ptr<TSheetImport> workbook_;
};

class TfrmItemsImportFileParser : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmItemsImportFileParser(TItemsImportFileParser& parser, QWidget* parent = nullptr);

    QComboBox* cbxZdroj = nullptr;
    QLabel* lblSoubor = nullptr;
    QLineEdit* edtSoubor = nullptr;
    QPushButton* btnSoubor = nullptr;
    QCheckBox* chckNadpisy = nullptr;
    QComboBox* cbxKlic = nullptr;
    QLabel* lblKlicSloupec = nullptr;
    QComboBox* cbxKlicSloupec = nullptr;
    QLabel* lblPocetSloupec = nullptr;
    QComboBox* cbxPocetSloupec = nullptr;
    QCheckBox* chckVychoziPocet = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;

    void btnOKClick();
    void UpdateSourceControls();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FillColumnLists();
    TItemsImportFileParser& parser_;
};

inline constexpr const char* kKeyListImportCaption = "Hromadné přidání položek z ceníku";
inline constexpr const char* kImportFileMissing = "Zadejte název zdrojového souboru.";
inline constexpr const char* kImportFileNotFound = "Zdrojový soubor \"%1\" nebyl nalezen.";
inline constexpr const char* kImportColumnsMissing = "Určete všechna přiřazení sloupců ve zdroji dat.";
inline constexpr const char* kImportColumnNotNumber = "Sloupec ve zdroji dat musí být číslo.";
inline constexpr const char* kImportColumnNotPositive =
    "Sloupec ve zdroji dat musí být číslo větší než nula.";
inline constexpr const char* kImportCannotOpen =
    "Nastala chyba při načítání souboru \"%1\". Zkontrolujte prosím, zda není používán jiným programem "
    "(např. "
    "zda není otevřen v MS Excel, apod.).";
inline constexpr const char* kImportNoData = "Zdrojový soubor neobsahuje požadovaná data.";
inline constexpr const char* kImportClipboardNoData = "Schránka neobsahuje požadovaná data.";
inline constexpr const char* kImportBadQuantity =
    "Chyba ve zdrojovém souboru na řádku %1: hodnotu \"%2\" nelze konvertovat na počet mj.";
inline constexpr const char* kImportClipboardBadQuantity =
    "Chyba ve zdroji na řádku %1: hodnotu \"%2\" nelze konvertovat na počet mj.";
inline constexpr const char* kImportFieldMissing = "Sloupec \"%1\" nebyl ve zdrojovém souboru nalezen.";
inline constexpr const char* kImportHeading = "Upozornění - nebylo možné přidat tyto položky:";
inline constexpr const char* kImportEmptyKey = "• záznam č. %1 - spojovací klíč je prázdný";
inline constexpr const char* kImportBadCount = "• záznam č. %1 - počet m.j. je nulový nebo záporný";
inline constexpr const char* kImportNotFound =
    "• záznam č. %1 - podle spojovacího klíče \"%2\" nebyla nalezena žádná položka v ceníku";
inline constexpr const char* kImportAmbiguous =
    "• záznam č. %1 - podle spojovacího klíče \"%2\" bylo v ceníku nalezeno více položek";
inline constexpr const char* kImportInError =
    "• záznam č. %1 - položka ceníku podle spojovacího klíče \"%2\" má neukončený přepočet cen";
