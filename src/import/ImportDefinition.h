#pragma once

// The import definition: the key=value text kept in Import.Nastaveni, read into plain values and
// written back. It knows nothing of windows or of the database: the editor fills its controls from
// these values and the runs read them. A text is never rewritten for a kind it does not own (the
// accounting program's kind keeps the lines the user typed).

#include <QString>
#include <QStringList>
#include <array>

// The operation type of a definition (Import.TypOperace). Other stored values are kept as read.
enum class TImportType : int { Items = 0, Addresses = 1, Accounting = 10 };

// The kinds of source, in the order of the editor's choice list; the index is stored nowhere but
// in the choice, the code ("MDB", ...) in the definition text.
enum class TImportSourceKind : int { Access = 0, Excel = 1, DBase = 2, Text = 3 };
inline constexpr int kImportSourceKindCount = 4;

// "MDB", "XLS", "DBF", "CSV".
QString SourceKindCode(TImportSourceKind kind);
// The caption of the editor's choice list ("Soubor Access (*.mdb)", ...).
QString SourceKindCaption(TImportSourceKind kind);
// The kind of a code in any letter case; false for an unknown code.
bool SourceKindOfCode(const QString& code, TImportSourceKind& kind);

// Where a mapped field takes its value from.
enum class TFieldSource : int { Column = 0, Fixed = 1 };

// One mapped field: the check box, the source choice and either the column or the fixed value.
struct TMappedField {
    bool Check = false;
    TFieldSource Source = TFieldSource::Column;
    QString Column;          // the source column, when Source is Column
    QString Fixed;           // a fixed text
    long double Number = 0;  // a fixed number (the numeric item fields)
};

// The item fields, in the order of the definition text and of the editor's rows.
enum TItemField {
    ifPopis,
    ifKatalog,
    ifBarCode,
    ifPLU,
    ifPoznamka,
    ifZkratka,
    ifTextMJ,
    ifSazbaDPH,
    ifObrazek,
    ifNakCena,
    ifHodnota,
    ifProdCena,
    kItemFieldCount
};
// The address fields, likewise.
enum TAddressField {
    afNazev,
    afUlice,
    afPSC,
    afMisto,
    afStat,
    afICO,
    afDIC,
    afZprava,
    afTelefon,
    afFax,
    afEmail,
    afInternet,
    afEAN,
    afPoznamka,
    kAddressFieldCount
};

// The key stem of a field ("Popis", "NazevAdr") and whether its fixed value is a number.
QString ItemFieldStem(int field);
bool ItemFieldNumeric(int field);
QString AddressFieldStem(int field);

struct TImportDefinition {
    // Kept when the text names no known kind, as the editor keeps its last choice.
    TImportSourceKind Source = TImportSourceKind::Access;
    QString FileName;
    QString TableName;
    bool Porovnavat = false;
    QString RefField;  // upper case
    QString RefDBField;
    bool CheckNovaPolozka = false;

    // Items.
    int IDListu = 0;
    int IDSkup = 0;
    bool CheckHledatPouzeV = false;
    int IDListuHledatV = 0;
    bool CheckHledatVeSkup = false;
    int IDSkupHledatV = 0;
    std::array<TMappedField, kItemFieldCount> Items;
    int TypHodnota = 0;       // 0 margin, 1 rabat
    int ProdCenaTypCeny = 0;  // 0 without VAT, 1 with VAT
    bool CheckNastavNaNove = false;
    bool CheckCenSkup = false;
    QString CenSkupina;
    bool CheckIdentif = false;
    QString Identif;
    bool CheckZaokrouhleni = false;
    int ValueZaokrouhleni = 0;
    bool CheckTypCeny = false;
    int ValueTypCeny = 0;
    bool CheckPrepocitat = false;
    int ValuePrepocitat = 0;  // 0 yes, 1 no
    int ValuePrepocPodle = 0;

    // Addresses.
    std::array<TMappedField, kAddressFieldCount> Addresses;
    bool CheckNastavNaNoveAdr = false;
    bool CheckCenHladAdr = false;
    QString CenHladAdr;
};

// Reading single values of a definition text the way every reader of it does: keys in any letter
// case, the first line with the key counts, the value is all after the first "=".
class TDefinitionText {
public:
    explicit TDefinitionText(const QString& text);
    // The value of the key; false when no line carries it.
    bool Find(const QString& key, QString& value) const;
    QString Text(const QString& key) const;
    // "-1"/"0", any number, True/False in any case; false when missing or unreadable.
    bool Flag(const QString& key, bool missing = false) const;
    // A decimal integer; def when missing or unreadable.
    int Integer(const QString& key, int def = 0) const;
    // A number written with either decimal separator; throws EConvertError when unreadable.
    long double Number(const QString& key) const;

private:
    QStringList lines_;
};

// The lines of a definition text, whatever line ends it was stored with.
QStringList DefinitionLines(const QString& text);

// Reads the text of a kind-0 or kind-1 definition; def keeps what the text does not name (its
// source kind included, when the text names none it knows). Throws EConvertError for a fixed
// number that does not read.
void ParseImportDefinition(const QString& text, TImportType type, TImportDefinition& def);
// The text of a kind-0 (63 lines) or kind-1 (52 lines) definition, lines separated by CR LF.
QString WriteImportDefinition(const TImportDefinition& def, TImportType type);

// A number in the form the definition text keeps it: the program's decimal separator, no
// thousands separator.
QString DefinitionNumberText(long double value);
// Reads a number written with "," or "." as its decimal separator (and blanks between thousands);
// false when it is none.
bool ReadDefinitionNumber(const QString& text, long double& value);
