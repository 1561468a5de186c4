#pragma once

#include <QString>

class QWidget;
class TVnCustomDBGrid;

// What the program remembers for a settings profile: short values and long texts in the open
// firm, window geometry in the main database, and the working state (current records, sort
// fields, grid layouts, remembered positions) read when a firm opens and written when the program
// ends. Values are always bound as parameters: a profile name is typed by an administrator and
// may hold any character. Nothing here shows a message; a failing write raises the database error.

// The two actions of the three stores; compared in upper case, so "load" works as well.
inline constexpr const char* kLoad = "LOAD";
inline constexpr const char* kSave = "SAVE";

// Short values in the firm's `Uzivatelske`. LOAD gives the stored text or an empty one.
void UserSetting(const QString& action, int number, const QString& value, QString& result);
// Long texts in the firm's `UzivMemo`; SAVE takes `value` as the whole text of the stream.
void UserMemoSetting(const QString& action, int number, const QString& value, QString& result);
// Window geometry in the main database's `Uzivatelske`, independent of the firm.
void UserWindowSetting(const QString& action, int number, const QString& value, QString& result);

// The fixed descriptions written with every save (empty for numbers without one).
QString UserSettingDescription(int number);
QString UserMemoSettingDescription(int number);
QString UserWindowSettingDescription(int number);

// The profile every store is keyed by: the logged-in user's, or empty with no users defined.
QString SettingsProfile();

// Boolean conversion of stored values: "-1", "0", "True", "False" (any case) and any number,
// which is true unless it is zero.
bool TryStrToBool(const QString& text, bool& value);
// Booleans are stored as "-1" and "0".
QString BoolToStoredText(bool value);

// Per-user setting numbers the program itself reads and writes.
enum TUserSettingNo : int {
    usOfferPrintAfterNew = 1,
    usOfferTemplate = 2,
    usOfferListLegend = 5,
    usCurrentSheet = 6,
    usPriceListGroupsShown = 7,
    usLastAddress = 8,
    usAddressSort = 9,
    usOfferListLastId = 10,
    usOfferListSort = 11,
    usPriceListGroupSort = 12,
    usPriceListItemSort = 13,
    usPriceListGroupPanelWidth = 14,
    usLastImportDefinition = 15,
    usAskOnLeavingOffer = 21,
    usHidePurchasePrices = 22,
    usBackupUserFolder = 23,
    usBackupToStandardFolder = 24,
    usBackupCommonData = 25,
    usLastDocumentFolder = 28,
    usLastNote = 29,
    usSumMarkedItems = 39,
    usBulkAddMarkedItems = 44,
};

// The working state: process-wide values from the opening of a firm to the end of the program.
// The lists and cards that own them read and update them while they are open.
extern bool OfferListLegendShown;         // 5
extern int CurrentSheetId;                // 6
extern bool PriceListGroupsShown;         // 7: whether the price list shows its group panel
extern int LastAddressID;                 // 8
extern QString AddressListSort;           // 9, upper case
extern int OfferListLastID;               // 10
extern QString OfferListSortField;        // 11, upper case
extern QString PriceListGroupSort;        // 12, upper case
extern QString PriceListItemSort;         // 13, upper case
extern int PriceListGroupPanelWidth;      // 14, the width of `panZasobySkupiny` in pixels
extern int LastImportDefinitionID;        // 15
extern QString BackupUserFolder;          // 23
extern bool BackupToStandardFolder;       // 24
extern bool BackupCommonData;             // 25
extern QString LastDocumentBrowseFolder;  // 28
extern int LastNoteID;                    // 29
extern bool SumMarkedItems;               // 39

// The grids whose column layouts are kept per profile, and the memo number each is kept under.
enum class TSessionGrid : int {
    OfferList = 1,        // grNabidky
    AddressList = 2,      // grAdresar
    OfferItems = 3,       // grPolozky of the offer card
    PriceListGroups = 4,  // grSkupiny
    PriceListItems = 5,   // grZasoby
};
// The windows whose geometry is kept, in the order they are loaded and saved.
enum class TSessionWindow : int { OfferCard = 0, OfferList = 1, AddressList = 2, PriceList = 3 };

// The long-lived windows hand their grid and themselves over when they are created (nullptr
// when they go). Layouts and geometry of what is not handed over stay stored as they are.
void SetSessionGrid(TSessionGrid which, TVnCustomDBGrid* grid);
TVnCustomDBGrid* SessionGrid(TSessionGrid which);
void SetSessionWindow(TSessionWindow which, QWidget* window);
QWidget* SessionWindow(TSessionWindow which);

// The offer card's three picture columns in front of its items.
inline constexpr int kOfferItemsFixedColumns = 3;
// The offer list starts with the flag and the lock column, kept narrow and in front.
inline constexpr int kOfferListFixedColumns = 2;

// Rebuilds the grid's columns: the stored layout (a memory-table stream of `Width` and
// `FieldName` rows) gives order and widths of the built-in columns it names; the rest follow in
// built-in order. Unknown or repeated names are skipped, and an unreadable text leaves the
// built-in layout.
void ApplyGridLayout(TSessionGrid which, TVnCustomDBGrid* grid, const QString& storedLayout);
// The stream of the grid's current column order and widths, as ApplyGridLayout reads it.
QString GridLayoutText(TSessionGrid which, TVnCustomDBGrid* grid);
// Marks the column of the sort field ascending and clears the other marks. Answers the field in
// upper case (the default when empty), or empty when no column of the grid shows it.
QString ApplySortField(TVnCustomDBGrid* grid, const QString& stored, const QString& defaultField);

// Loads the profile's working state from the open firm (a step of opening a firm): every value
// that is missing or does not convert takes its default.
void LoadSessionState();
// Writes the working state into the open firm, at the end of the program. Always 0.
int SaveSessionState();

// The geometry of the four windows: read once after login, written once at the end. Always 0.
int LoadWindowGeometry();
int SaveWindowGeometry();
