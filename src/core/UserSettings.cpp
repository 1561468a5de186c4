#include "core/UserSettings.h"

#include <QPointer>
#include <QWidget>
#include <array>

#include "core/Login.h"
#include "core/Main.h"
#include "core/MemTableStream.h"
#include "platform/db/Transaction.h"
#include "platform/text/NumberFormat.h"
#include "widgets/VnDBGrids.h"

bool OfferListLegendShown = true;
int CurrentSheetId = 1;
bool PriceListGroupsShown = false;
int LastAddressID = 1;
QString AddressListSort = "NAZEV";
int OfferListLastID = 1;
QString OfferListSortField = "DOKLAD";
QString PriceListGroupSort = "NAZEV";
QString PriceListItemSort = "POPIS";
int PriceListGroupPanelWidth = 161;
int LastImportDefinitionID = 1;
QString BackupUserFolder;
bool BackupToStandardFolder = true;
bool BackupCommonData = false;
QString LastDocumentBrowseFolder;
int LastNoteID = -1001;
bool SumMarkedItems = false;

namespace {

// ---- descriptions ------------------------------------------------------------------------------------

// Index = setting number. Numbers 1 and 2 were written without a description before they got a
// meaning, and rows of other stations still look that way, so they stay empty; 38 is unused.
const char* const kUserSettingNames[] = {
    "",
    "",
    "",
    "Nabídky - výchozí formulář",
    "Nabídky - index výchozí tiskárny",
    "Nabídky - zobrazení legendy",
    "Ceník - ID aktivního listu",
    "Ceník - zobrazené skupiny",
    "Adresář - ID záznamu",
    "Adresář - SortField",
    "Nabídky - ID záznamu",
    "Nabídky - SortField",
    "Ceník - SortField (skupiny)",
    "Ceník - SortField (položky)",
    "Ceník - šířka panelu skupiny",
    "Import - ID záznamu",
    "Ceník se skup. - výchozí formulář",
    "Ceník - index výchozí tiskárny",
    "Ceník bez skup. - výchozí formulář",
    "Adresář - výchozí formulář",
    "Adresář - index výchozí tiskárny",
    "Uživatelské - dotaz při opuštění",
    "Uživatelské - nezobrazovat NC",
    "Uživatelská složka pro zálohy",
    "Záloha do standardní složky",
    "Záloha společných dat",
    "Poznámky - výchozí formulář",
    "Poznámky - index výchozí tiskárny",
    "Poslední otevřený adresář pro DOC",
    "Poznámky - ID záznamu",
    "Ceník se skup. (Export) - výchozí formulář",
    "Ceník se skup. (Export) - název souboru",
    "Ceník bez skup. (Export) - výchozí formulář",
    "Ceník bez skup. (Export) - název souboru",
    "Export nabídky do XML - název souboru",
    "Export nabídky do XML - název ext. programu",
    "Export nabídky do XML - spustit ext. program",
    "Export nabídky do XML - přidat parametr",
    "",
    "Součet ozn. pol. v rozpisu",
    "Export adresy do XML - název souboru",
    "Export adresy do XML - název ext. programu",
    "Export adresy do XML - spustit ext. program",
    "Export adresy do XML - přidat parametr",
    "Uživatelské - hromadné vložení položek",
    "Import položek - zdroj dat",
    "Import položek - spojovací klíč",
    "Import položek - jméno souboru",
    "Import položek - nadpisy na prvním řádku",
    "Import položek - sloupec spojovací klíč",
    "Import položek - sloupec počet mj",
    "Import položek - defaultní počet mj",
    "Dopočet slevy - typ ceny bez PDH",
    "Synchronizace - export adresáře firem",
    "Synchronizace - exportní soubor",
    "Synchronizace - import adresáře firem",
    "Synchronizace - plná synchr. adresáře firem",
    "Synchronizace - importní soubor",
    "Synchronizace - import ceníku",
    "Synchronizace - export ceníku",
    "Přehl. sest. - typ",
    "Přehl. sest. - datum",
    "Přehl. sest. - datum od",
    "Přehl. sest. - datum do",
    "Přehl. sest. - seskupení adr.",
    "Přehl. sest. - včetně arch.",
};

const char* const kUserMemoSettingNames[] = {
    "",
    "Nabídky - grid",
    "Adresář - grid",
    "Nabídky položky - grid",
    "Ceník skupiny - grid",
    "Ceník - grid",
    "Ceník - ID záznamů listů",
    "Ceník - ID záznamů skupin",
    "Aktuální tiskový filtr ceníku",
};

// The geometry rows: five per window, in the window order of TSessionWindow.
const char* const kWindowNames[] = {"Karta nabídky", "Seznam nabídek", "Seznam adresáře", "Ceník"};
const char* const kGeometryParts[] = {"Left", "Top", "Height", "Width", "Max"};
constexpr int kGeometryRowsPerWindow = 5;
enum TGeometryPart : int { gpLeft = 0, gpTop = 1, gpHeight = 2, gpWidth = 3, gpMax = 4 };

template <size_t N>
QString Describe(const char* const (&names)[N], int number) {
    if (number < 0 || static_cast<size_t>(number) >= N) return {};
    return QString::fromUtf8(names[number]);
}

// ---- the stores ---------------------------------------------------------------------------------------

// Closes the scratch query on every way out, so the next user of it finds it free.
class TCloseOnExit {
public:
    explicit TCloseOnExit(TADOQuery& query) : query_(query) {}
    ~TCloseOnExit() { query_.Close(); }
    TCloseOnExit(const TCloseOnExit&) = delete;
    TCloseOnExit& operator=(const TCloseOnExit&) = delete;

private:
    TADOQuery& query_;
};

// The one protocol of the three stores: the profile's rows are read, then the number's row is
// read from them, or updated, or inserted. Two stations saving the same number at once may both
// insert; a later load takes the first row, so that is harmless.
void ProfileValue(TADOQuery& query, TADOCommand& command, const QString& table, const QString& action,
                  int number, const QString& description, const QString& value, QString& result) {
    const QString verb = action.toUpper();
    const bool load = verb == QLatin1String(kLoad);
    if (!load && verb != QLatin1String(kSave)) return;

    TCloseOnExit closer(query);
    query.Close();
    query.SetSQL("SELECT * FROM " + table + " WHERE Konfigurace=:Konfigurace");
    query.Parameters().ParamByName("Konfigurace")->Value = SettingsProfile();
    query.Open();
    const bool found = query.Locate("IDHodnoty", number);

    if (load) {
        result = found ? query.FieldByName("Hodnota")->AsString() : QString();
        return;
    }
    if (found) {
        command.SetCommandText("UPDATE " + table +
                               " SET IDHodnoty = :IDHodnoty, Popis = :Popis, Hodnota = :Hodnota, "
                               "Konfigurace = :Konfigurace WHERE ID = " +
                               QString::number(query.FieldByName("ID")->AsLargeInt()));
    } else {
        command.SetCommandText("INSERT INTO " + table +
                               " (IDHodnoty, Popis, Hodnota, Konfigurace) VALUES (:IDHodnoty, :Popis, "
                               ":Hodnota, :Konfigurace)");
    }
    command.Parameters.ParamByName("IDHodnoty")->Value = number;
    command.Parameters.ParamByName("Popis")->Value = description;
    command.Parameters.ParamByName("Hodnota")->Value = value;
    command.Parameters.ParamByName("Konfigurace")->Value = SettingsProfile();
    command.Execute();
}

// ---- conversions of loaded values ---------------------------------------------------------------------

QString Loaded(int number) {
    QString text;
    UserSetting(kLoad, number, {}, text);
    return text;
}

QString LoadedMemo(int number) {
    QString text;
    UserMemoSetting(kLoad, number, {}, text);
    return text;
}

int LoadedInt(int number, int defaultValue) {
    int value = 0;
    return TryStrToInt(Loaded(number).trimmed(), value) ? value : defaultValue;
}

bool LoadedBool(int number, bool defaultValue) {
    bool value = false;
    return TryStrToBool(Loaded(number), value) ? value : defaultValue;
}

void Save(int number, const QString& value) {
    QString unused;
    UserSetting(kSave, number, value, unused);
}

void SaveMemo(int number, const QString& value) {
    QString unused;
    UserMemoSetting(kSave, number, value, unused);
}

// ---- registered windows and grids -----------------------------------------------------------------------

std::array<QPointer<TVnCustomDBGrid>, 5>& Grids() {
    static std::array<QPointer<TVnCustomDBGrid>, 5> grids;
    return grids;
}

std::array<QPointer<QWidget>, 4>& Windows() {
    static std::array<QPointer<QWidget>, 4> windows;
    return windows;
}

size_t GridSlot(TSessionGrid which) { return static_cast<size_t>(which) - 1; }

// ---- built-in column layouts ------------------------------------------------------------------------------

constexpr TColor Rgb(int r, int g, int b) { return r | (g << 8) | (b << 16); }
constexpr TColor kNoColour = -1;

struct TBuiltInColumn {
    const char* field;
    const char* title;
    int width;
    bool indexed;
    TColor cellColour = kNoColour;
    // The footer shows the column's sum: right-aligned, in the cell colour when there is one.
    bool footer = false;
};

const TBuiltInColumn kOfferListColumns[] = {
    {"FlagID", "V", 19, false},
    {"Zamek", "Z", 19, false},
    {"Doklad", "Doklad", 77, true},
    {"AdrNazev", "Název firmy", 190, true},
    {"Popis", "Interní popis", 190, false},
    {"DatVystaveni", "Vystaveno", 77, true},
    {"DatPlatnosti", "Platnost do", 77, true},
    {"CelkemBDPH", "Celkem bez DPH", 116, true},
    {"Celkem", "Celkem s DPH", 116, true, Rgb(221, 236, 236)},
    {"Zisk", "Zisk", 116, true, Rgb(208, 238, 209)},
    {"Vytvoril", "Vystavil", 150, false},
    {"Nadpis", "Nadpis dokladu", 150, true},
    {"Zakazka", "Zakázka", 100, true},
};

const TBuiltInColumn kAddressListColumns[] = {
    {"Nazev", "Název", 205, true},      {"Ulice", "Ulice", 170, true},    {"Misto", "Místo", 140, true},
    {"Psc", "PSČ", 70, true},           {"Stat", "Stát", 119, false},     {"ICO", "IČ", 128, true},
    {"Telefon", "Telefon", 114, false}, {"Fax", "Fax", 114, false},       {"Email", "E-mail", 134, true},
    {"WWW", "Internet", 98, false},     {"EANKod", "EAN kód", 114, true},
};

const TBuiltInColumn kOfferItemColumns[] = {
    {"Popis", "Popis", 261, true},
    {"Katalog", "Katalog", 124, true},
    {"PCBDPHMJ", "Za m.j. bez DPH", 112, false},
    {"PCSDPHMJ", "Za m.j. s DPH", 112, false, Rgb(212, 212, 212)},
    {"PocetMJ", "Počet", 80, false},
    {"MJ", "m.j.", 64, false},
    {"PCBDPHPOL", "Celkem bez DPH", 112, false, kNoColour, true},
    {"PCSDPHPOL", "Celkem s DPH", 112, false, Rgb(221, 236, 236), true},
    {"SazbaDPH", "DPH %", 48, false},
    {"Sleva", "Sleva %", 53, false},
    {"Marze", "Marže %", 64, false},
    {"Rabat", "Rabat %", 64, false},
    {"NakCena", "Nák. cena za m.j.", 112, false, Rgb(255, 255, 164)},
    {"NakCenaPol", "Celkem nák. cena", 112, false, Rgb(255, 233, 213), true},
    {"ZiskMJ", "Zisk za m.j.", 90, false},
    {"ZiskPol", "Celkem zisk", 90, false, Rgb(208, 238, 209), true},
    {"CenHladina", "Hladina", 90, false},
    {"Identif", "Identifikátory", 124, false},
    {"Poradi", "# Pořadí", 69, true},
};

const TBuiltInColumn kPriceListGroupColumns[] = {
    {"Nazev", "Název", 120, true},
    {"Kod", "Kód", 64, true},
};

const TBuiltInColumn kPriceListItemColumns[] = {
    {"Popis", "Popis", 301, true},
    {"Katalog", "Katalog", 122, true},
    {"PrCenaBDPH", "Cena bez DPH", 100, true},
    {"PrCenaSDPH", "Cena s DPH", 100, true, Rgb(221, 236, 236)},
    {"Zkratka", "Zkratka", 124, true},
    {"PLU", "PLU", 45, true},
    {"TextMJ", "Měrná jedn.", 75, false},
    {"NakCena", "Nákupní cena", 100, false, Rgb(255, 233, 213)},
    {"SazbaDPH", "% DPH", 45, false},
    {"BarCode", "Čárový kód", 122, true},
    {"Dostupnost", "D", 15, false},
};

struct TBuiltInLayout {
    const TBuiltInColumn* columns;
    size_t count;
};

TBuiltInLayout BuiltInLayout(TSessionGrid which) {
    switch (which) {
        case TSessionGrid::OfferList:
            return {kOfferListColumns, std::size(kOfferListColumns)};
        case TSessionGrid::AddressList:
            return {kAddressListColumns, std::size(kAddressListColumns)};
        case TSessionGrid::OfferItems:
            return {kOfferItemColumns, std::size(kOfferItemColumns)};
        case TSessionGrid::PriceListGroups:
            return {kPriceListGroupColumns, std::size(kPriceListGroupColumns)};
        case TSessionGrid::PriceListItems:
            return {kPriceListItemColumns, std::size(kPriceListItemColumns)};
    }
    return {nullptr, 0};
}

const TBuiltInColumn* FindBuiltIn(TSessionGrid which, const QString& field) {
    const TBuiltInLayout layout = BuiltInLayout(which);
    for (size_t i = 0; i < layout.count; ++i)
        if (field.compare(QLatin1String(layout.columns[i].field), Qt::CaseInsensitive) == 0)
            return &layout.columns[i];
    return nullptr;
}

// The picture columns of the offer card: their pictures are drawn by the card, not from fields.
const char* const kOfferItemsFixedFields[kOfferItemsFixedColumns] = {"Empty1", "Empty2", "Empty3"};
const char* const kOfferItemsFixedTitles[kOfferItemsFixedColumns] = {"C", "N", "I"};
constexpr int kOfferItemsFixedWidth = 16;
constexpr int kOfferListFixedWidth = 19;

// Field sizes of the layout tables: every name and title of the built-in layouts fits.
constexpr int kLayoutFieldNameSize = 20;
constexpr int kLayoutTitleSize = 30;

void PrepareTable(TMemTable& table, std::initializer_list<std::pair<const char*, TFieldType>> fields,
                  int stringSize) {
    if (table.Active() && table.FieldCount() == static_cast<int>(fields.size())) {
        table.EmptyTable();
        return;
    }
    table.Close();
    table.FieldDefs().Clear();
    for (const auto& [name, type] : fields)
        table.FieldDefs().Add(QString::fromLatin1(name), type, type == ftString ? stringSize : 0);
    table.CreateTable();
}

void PrepareGridFields(TMemTable& table) {
    if (table.Active() && table.FieldCount() == 4) {
        table.EmptyTable();
        return;
    }
    table.Close();
    table.FieldDefs().Clear();
    table.FieldDefs().Add("Indexed", ftBoolean);
    table.FieldDefs().Add("Title", ftString, kLayoutTitleSize);
    table.FieldDefs().Add("Width", ftInteger);
    table.FieldDefs().Add("FieldName", ftString, kLayoutFieldNameSize);
    table.CreateTable();
}

void PrepareGridUserFields(TMemTable& table) {
    PrepareTable(table, {{"Width", ftInteger}, {"FieldName", ftString}}, kLayoutFieldNameSize);
}

void PrepareSheetPositions(TMemTable& table) {
    PrepareTable(table, {{"IDSkladu", ftInteger}, {"IDZasoby", ftInteger}, {"IDSkupiny", ftInteger}}, 0);
}

void PrepareGroupPositions(TMemTable& table) {
    PrepareTable(table, {{"IDZasoby", ftInteger}, {"IDSkupiny", ftInteger}}, 0);
}

TColumn* AppendColumn(TSessionGrid which, TVnCustomDBGrid* grid, const QString& field, const QString& title,
                      int width, bool indexed) {
    TColumn* column = grid->Columns().AddColumn();
    column->SetFieldName(field);
    column->Title()->SetCaption(title);
    column->SetWidth(width);
    column->SetIndexed(indexed);
    if (const TBuiltInColumn* builtIn = FindBuiltIn(which, field)) {
        if (builtIn->cellColour != kNoColour) column->SetColor(builtIn->cellColour);
        if (builtIn->footer) {
            TColumnFooterPanel* panel = column->FooterPanel();
            if (builtIn->cellColour != kNoColour) panel->SetColor(builtIn->cellColour);
            panel->SetAlignment(taRightJustify);
            panel->SetVisible(true);
        }
    }
    return column;
}

void AppendOfferItemsFixedColumns(TVnCustomDBGrid* grid) {
    for (int i = 0; i < kOfferItemsFixedColumns; ++i) {
        TColumn* column = grid->Columns().AddColumn();
        column->SetFieldName(QString::fromLatin1(kOfferItemsFixedFields[i]));
        column->Title()->SetCaption(QString::fromLatin1(kOfferItemsFixedTitles[i]));
        column->Title()->SetAlignment(taCenter);
        column->SetWidth(kOfferItemsFixedWidth);
        column->SetIndexed(false);
    }
}

// The flag and lock columns of the offer list go in front whatever the stored layout says: the
// list draws its pictures there and freezes them.
void PinOfferListColumns(TVnCustomDBGrid* grid) {
    for (const char* field : {"Zamek", "FlagID"}) {
        for (int i = 0; i < grid->Columns().Count(); ++i) {
            TColumn* column = grid->Columns().ColumnAt(i);
            if (column->FieldName().compare(QLatin1String(field), Qt::CaseInsensitive) != 0) continue;
            column->SetWidth(kOfferListFixedWidth);
            column->SetResize(false);
            grid->Columns().Move(i, 0);
            break;
        }
    }
}

// The first column the layout stream describes: the offer card's own picture columns are not
// part of the user's layout.
int FirstLayoutColumn(TSessionGrid which, TVnCustomDBGrid* grid) {
    if (which != TSessionGrid::OfferItems) return 0;
    int first = 0;
    while (first < grid->Columns().Count() && first < kOfferItemsFixedColumns &&
           grid->Columns().ColumnAt(first)->FieldName() == QLatin1String(kOfferItemsFixedFields[first]))
        ++first;
    return first;
}

QString SortFieldOf(const QString& stored, const QString& defaultField) {
    const QString field = stored.trimmed().toUpper();
    return field.isEmpty() ? defaultField : field;
}

// A sort field is kept only when a column shows it; without the grid the built-in layout tells,
// since every built-in column is in the grid whatever the stored layout.
QString CheckedSortField(TSessionGrid which, const QString& stored, const QString& defaultField) {
    if (TVnCustomDBGrid* grid = SessionGrid(which)) return ApplySortField(grid, stored, defaultField);
    const QString field = SortFieldOf(stored, defaultField);
    return FindBuiltIn(which, field) ? field : QString();
}

void LoadGridLayout(TSessionGrid which) {
    TVnCustomDBGrid* grid = SessionGrid(which);
    if (!grid) return;
    ApplyGridLayout(which, grid, LoadedMemo(static_cast<int>(which)));
}

void LoadPositions(TMemTable& table, int memoNumber) {
    try {
        LoadTableFromString(table, LoadedMemo(memoNumber));
    } catch (const std::exception&) {
        // Positions are a convenience: an unreadable text starts every sheet and group afresh.
        table.EmptyTable();
    }
}

// ---- window geometry --------------------------------------------------------------------------------------

int GeometryNumber(TSessionWindow window, TGeometryPart part) {
    return static_cast<int>(window) * kGeometryRowsPerWindow + part + 1;
}

QString LoadedGeometry(TSessionWindow window, TGeometryPart part) {
    QString text;
    UserWindowSetting(kLoad, GeometryNumber(window, part), {}, text);
    return text;
}

void SaveGeometry(TSessionWindow window, TGeometryPart part, const QString& value) {
    QString unused;
    UserWindowSetting(kSave, GeometryNumber(window, part), value, unused);
}

}  // namespace

// ---- public ---------------------------------------------------------------------------------------------

QString UserSettingDescription(int number) { return Describe(kUserSettingNames, number); }
QString UserMemoSettingDescription(int number) { return Describe(kUserMemoSettingNames, number); }

QString UserWindowSettingDescription(int number) {
    if (number < 1 || number > static_cast<int>(std::size(kWindowNames)) * kGeometryRowsPerWindow) return {};
    const int index = number - 1;
    return QString::fromUtf8(kWindowNames[index / kGeometryRowsPerWindow]) + " - " +
           QString::fromLatin1(kGeometryParts[index % kGeometryRowsPerWindow]);
}

QString SettingsProfile() { return CurrentUser.Konfigurace; }

void UserSetting(const QString& action, int number, const QString& value, QString& result) {
    ProfileValue(frmMain->adqAgendaFree1, frmMain->adcAgenda1, "Uzivatelske", action, number,
                 UserSettingDescription(number), value, result);
}

void UserMemoSetting(const QString& action, int number, const QString& value, QString& result) {
    ProfileValue(frmMain->adqAgendaFree1, frmMain->adcAgenda1, "UzivMemo", action, number,
                 UserMemoSettingDescription(number), value, result);
}

void UserWindowSetting(const QString& action, int number, const QString& value, QString& result) {
    ProfileValue(frmMain->adqGlobalFree1, frmMain->adcGlobal1, "Uzivatelske", action, number,
                 UserWindowSettingDescription(number), value, result);
}

bool TryStrToBool(const QString& text, bool& value) {
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
        value = true;
        return true;
    }
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
        value = false;
        return true;
    }
    long double number = 0;
    if (!TryStrToFloat(t, number)) return false;
    value = number != 0;
    return true;
}

QString BoolToStoredText(bool value) { return value ? QStringLiteral("-1") : QStringLiteral("0"); }

void SetSessionGrid(TSessionGrid which, TVnCustomDBGrid* grid) { Grids()[GridSlot(which)] = grid; }
TVnCustomDBGrid* SessionGrid(TSessionGrid which) { return Grids()[GridSlot(which)].data(); }
void SetSessionWindow(TSessionWindow which, QWidget* window) {
    Windows()[static_cast<size_t>(which)] = window;
}
QWidget* SessionWindow(TSessionWindow which) { return Windows()[static_cast<size_t>(which)].data(); }

void ApplyGridLayout(TSessionGrid which, TVnCustomDBGrid* grid, const QString& storedLayout) {
    TMemTable& builtIn = frmMain->mtGridFields;
    TMemTable& stored = frmMain->mtGridUserFields;
    PrepareGridFields(builtIn);
    const TBuiltInLayout layout = BuiltInLayout(which);
    for (size_t i = 0; i < layout.count; ++i) {
        builtIn.Append();
        builtIn.FieldByName("Indexed")->SetAsBoolean(layout.columns[i].indexed);
        builtIn.FieldByName("Title")->SetAsString(QString::fromUtf8(layout.columns[i].title));
        builtIn.FieldByName("Width")->SetAsInteger(layout.columns[i].width);
        builtIn.FieldByName("FieldName")->SetAsString(QString::fromLatin1(layout.columns[i].field));
        builtIn.Post();
    }
    PrepareGridUserFields(stored);
    try {
        LoadTableFromString(stored, storedLayout);
    } catch (const std::exception&) {
        // A layout written by a damaged or foreign station: the built-in one is always usable.
        stored.EmptyTable();
    }

    grid->Columns().BeginUpdate();
    grid->Columns().Clear();
    if (which == TSessionGrid::OfferItems) AppendOfferItemsFixedColumns(grid);
    for (stored.First(); !stored.Eof(); stored.Next()) {
        const QString name = stored.FieldByName("FieldName")->AsString().trimmed();
        // Removing a used row makes a repeated name unknown, so each column appears once.
        if (name.isEmpty() || !builtIn.Locate("FieldName", name, loCaseInsensitive)) continue;
        int width = 0;
        if (!TryStrToInt(stored.FieldByName("Width")->AsString(), width))
            width = builtIn.FieldByName("Width")->AsInteger();
        AppendColumn(which, grid, builtIn.FieldByName("FieldName")->AsString(),
                     builtIn.FieldByName("Title")->AsString(), width,
                     builtIn.FieldByName("Indexed")->AsBoolean());
        builtIn.Delete();
    }
    for (builtIn.First(); !builtIn.Eof(); builtIn.Next())
        AppendColumn(which, grid, builtIn.FieldByName("FieldName")->AsString(),
                     builtIn.FieldByName("Title")->AsString(), builtIn.FieldByName("Width")->AsInteger(),
                     builtIn.FieldByName("Indexed")->AsBoolean());
    if (which == TSessionGrid::OfferList) PinOfferListColumns(grid);
    grid->Columns().EndUpdate();

    if (which == TSessionGrid::OfferList) grid->SetFrozenCols(kOfferListFixedColumns);
    if (which == TSessionGrid::OfferItems) grid->SetFrozenCols(kOfferItemsFixedColumns);
}

QString GridLayoutText(TSessionGrid which, TVnCustomDBGrid* grid) {
    TMemTable& stored = frmMain->mtGridUserFields;
    PrepareGridUserFields(stored);
    for (int i = FirstLayoutColumn(which, grid); i < grid->Columns().Count(); ++i) {
        const TColumn* column = grid->Columns().ColumnAt(i);
        stored.Append();
        stored.FieldByName("Width")->SetAsInteger(column->Width());
        stored.FieldByName("FieldName")->SetAsString(column->FieldName());
        stored.Post();
    }
    return SaveTableToString(stored, mtfSaveData);
}

QString ApplySortField(TVnCustomDBGrid* grid, const QString& stored, const QString& defaultField) {
    const QString field = SortFieldOf(stored, defaultField);
    bool found = false;
    for (int i = 0; i < grid->Columns().Count(); ++i) {
        TColumn* column = grid->Columns().ColumnAt(i);
        const bool match = column->FieldName().toUpper() == field;
        column->SetIndexStyle(match ? idxAscending : idxNone);
        found = found || match;
    }
    return found ? field : QString();
}

void LoadSessionState() {
    CurrentSheetId = LoadedInt(usCurrentSheet, 1);
    PriceListGroupsShown = LoadedBool(usPriceListGroupsShown, false);
    PriceListGroupPanelWidth = LoadedInt(usPriceListGroupPanelWidth, 161);

    LoadGridLayout(TSessionGrid::AddressList);
    LastAddressID = LoadedInt(usLastAddress, 1);
    AddressListSort = CheckedSortField(TSessionGrid::AddressList, Loaded(usAddressSort), "NAZEV");

    LoadGridLayout(TSessionGrid::OfferList);
    OfferListLastID = LoadedInt(usOfferListLastId, 1);
    OfferListSortField = CheckedSortField(TSessionGrid::OfferList, Loaded(usOfferListSort), "DOKLAD");

    LoadGridLayout(TSessionGrid::OfferItems);

    LoadGridLayout(TSessionGrid::PriceListGroups);
    PriceListGroupSort =
        CheckedSortField(TSessionGrid::PriceListGroups, Loaded(usPriceListGroupSort), "NAZEV");
    LoadGridLayout(TSessionGrid::PriceListItems);
    PriceListItemSort = CheckedSortField(TSessionGrid::PriceListItems, Loaded(usPriceListItemSort), "POPIS");

    PrepareSheetPositions(frmMain->mtSkladPos);
    LoadPositions(frmMain->mtSkladPos, 6);
    PrepareGroupPositions(frmMain->mtSkupinaPos);
    LoadPositions(frmMain->mtSkupinaPos, 7);

    LastImportDefinitionID = LoadedInt(usLastImportDefinition, 1);
    OfferListLegendShown = LoadedBool(usOfferListLegend, true);
    SumMarkedItems = LoadedBool(usSumMarkedItems, false);
    BackupUserFolder = Loaded(usBackupUserFolder);
    BackupToStandardFolder = LoadedBool(usBackupToStandardFolder, true);
    BackupCommonData = LoadedBool(usBackupCommonData, false);
    LastDocumentBrowseFolder = Loaded(usLastDocumentFolder);
    LastNoteID = LoadedInt(usLastNote, -1001);
}

int SaveSessionState() {
    // The note list is the one value kept by a window of the core itself: its current row is the
    // note to come back to.
    TMemTable& notes = frmMain->mtPoznSeznam;
    if (notes.Active() && !notes.IsEmpty() && notes.FindField("ID"))
        LastNoteID = notes.FieldByName("ID")->AsInteger();

    // The working state is stored as one unit (and with one wait for the disk, not one per value):
    // a program ended halfway through keeps the whole state of its last run.
    TTransaction transaction(frmMain->ADOConAgenda);
    Save(usOfferListLegend, BoolToStoredText(OfferListLegendShown));
    Save(usCurrentSheet, QString::number(CurrentSheetId));
    Save(usPriceListGroupsShown, BoolToStoredText(PriceListGroupsShown));
    Save(usLastAddress, QString::number(LastAddressID));
    Save(usAddressSort, AddressListSort);
    Save(usOfferListLastId, QString::number(OfferListLastID));
    Save(usOfferListSort, OfferListSortField);
    Save(usPriceListGroupSort, PriceListGroupSort);
    Save(usPriceListItemSort, PriceListItemSort);
    Save(usPriceListGroupPanelWidth, QString::number(PriceListGroupPanelWidth));
    Save(usLastImportDefinition, QString::number(LastImportDefinitionID));
    Save(usBackupUserFolder, BackupUserFolder);
    Save(usBackupToStandardFolder, BoolToStoredText(BackupToStandardFolder));
    Save(usBackupCommonData, BoolToStoredText(BackupCommonData));
    Save(usLastDocumentFolder, LastDocumentBrowseFolder);
    Save(usLastNote, QString::number(LastNoteID));
    Save(usSumMarkedItems, BoolToStoredText(SumMarkedItems));

    for (TSessionGrid which : {TSessionGrid::OfferList, TSessionGrid::AddressList, TSessionGrid::OfferItems,
                               TSessionGrid::PriceListGroups, TSessionGrid::PriceListItems}) {
        // A grid whose window was never made this run keeps the layout stored last time.
        TVnCustomDBGrid* grid = SessionGrid(which);
        if (grid) SaveMemo(static_cast<int>(which), GridLayoutText(which, grid));
    }
    if (frmMain->mtSkladPos.Active()) SaveMemo(6, SaveTableToString(frmMain->mtSkladPos, mtfSaveData));
    if (frmMain->mtSkupinaPos.Active()) SaveMemo(7, SaveTableToString(frmMain->mtSkupinaPos, mtfSaveData));
    transaction.Commit();
    return 0;
}

int LoadWindowGeometry() {
    for (int w = 0; w < static_cast<int>(Windows().size()); ++w) {
        const auto which = static_cast<TSessionWindow>(w);
        QWidget* window = SessionWindow(which);
        if (!window) continue;
        QRect bounds = window->geometry();
        int value = 0;
        if (TryStrToInt(LoadedGeometry(which, gpLeft).trimmed(), value)) bounds.moveLeft(value);
        if (TryStrToInt(LoadedGeometry(which, gpTop).trimmed(), value)) bounds.moveTop(value);
        if (TryStrToInt(LoadedGeometry(which, gpHeight).trimmed(), value)) bounds.setHeight(value);
        if (TryStrToInt(LoadedGeometry(which, gpWidth).trimmed(), value)) bounds.setWidth(value);
        window->setGeometry(bounds);
        // Maximised first, so that a window nobody has sized yet opens filling the screen.
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
        bool maximised = true;
        if (TryStrToBool(LoadedGeometry(which, gpMax), maximised) && !maximised)
            window->setWindowState(window->windowState() & ~Qt::WindowMaximized);
    }
    return 0;
}

int SaveWindowGeometry() {
    TTransaction transaction(frmMain->ADOConGlobal);
    for (int w = 0; w < static_cast<int>(Windows().size()); ++w) {
        const auto which = static_cast<TSessionWindow>(w);
        QWidget* window = SessionWindow(which);
        if (!window) continue;
        const bool maximised = window->windowState() & Qt::WindowMaximized;
        // A maximised window keeps the size it returns to, not the size of the screen.
        const QRect bounds =
            maximised && window->normalGeometry().isValid() ? window->normalGeometry() : window->geometry();
        SaveGeometry(which, gpLeft, QString::number(bounds.left()));
        SaveGeometry(which, gpTop, QString::number(bounds.top()));
        SaveGeometry(which, gpHeight, QString::number(bounds.height()));
        SaveGeometry(which, gpWidth, QString::number(bounds.width()));
        SaveGeometry(which, gpMax, BoolToStoredText(maximised));
    }
    transaction.Commit();
    return 0;
}
