#pragma once

#include <QString>
#include <array>
#include <vector>

#include "platform/data/DataSource.h"
#include "platform/data/MemTable.h"
#include "platform/ui/VnDialog.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class TSchemeButton;

// The options of a price-list print or export: which sheets, groups and items go into it, the
// dealer price columns and the title. The window builds the print tables from them and hands them
// to the print dialog (and through it to the report program or the workbook export). It never
// changes the price list: every query it runs only reads.

// Which sheets are printed; the stored value of a preset.
enum class TSheetChoice : int { Current = 1, All = 2, Selected = 3 };
// Which groups of a printed sheet are printed; the stored value of a preset.
enum class TGroupChoice : int { All = 1, Selected = 2 };

inline constexpr int kDealerColumns = 6;
// The captions a dealer column's price shows besides a level's code.
inline constexpr const char* kPriceNone = "< neurčeno >";
inline constexpr const char* kPriceBase = "zákl. prodejní";

struct TDealerColumn {
    QString Price = QString::fromUtf8(kPriceNone);  // kPriceNone, kPriceBase or a level's code
    bool WithVat = false;
    QString Heading;
};

// Everything a preset holds. Checked sheets and groups are their IDs in list order.
struct TPriceListPrintOptions {
    TSheetChoice Sheets = TSheetChoice::Current;
    std::vector<int> CheckedSheets;
    TGroupChoice Groups = TGroupChoice::All;
    std::vector<int> CheckedGroups;
    bool Dealer = false;
    bool BaseFallback = false;
    bool CustomTitle = false;
    QString TitleText;
    std::array<TDealerColumn, kDealerColumns> Columns;
    bool HideSheetName = false;
};

// The key=value text of a preset, lines ended by CR LF, keys in their fixed order.
QString PriceListPresetText(const TPriceListPrintOptions& options);
// Reads a preset text: every key on its own, a missing or unreadable value giving its standard.
TPriceListPrintOptions ReadPriceListPreset(const QString& text);

// The price of one dealer column for an item: 0 for no price, the base price of the column's VAT
// kind, or the level's price through the item's price group (from the loaded price groups and
// rules). item is a row of Zasoby.
double DealerColumnPrice(const TDealerColumn& column, bool baseFallback, const TDataSet& item);

// The print tables and their sources, master and detail once built.
class TfrmTiskExpCeniku : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmTiskExpCeniku(QWidget* parent = nullptr);
    ~TfrmTiskExpCeniku() override;

    // The window of the opening in progress, null when none is open.
    static TfrmTiskExpCeniku* Existing();

    TMemTable mtFiltrSkladu, mtFiltrSkupin;
    TMemTable mtTiskHlavicka, mtTiskSklady, mtTiskSkupiny, mtTiskZasoby;
    TDataSource dsTiskHlavicka, dsTiskSklady, dsTiskSkupiny, dsTiskZasoby;

    QRadioButton* rbTiskCeniku = nullptr;
    QRadioButton* rbExportCeniku = nullptr;
    QRadioButton* rbVsechnyListy = nullptr;
    QRadioButton* rbAktualniList = nullptr;
    QRadioButton* rbVybraneListy = nullptr;
    QListWidget* chckLBVyberListu = nullptr;
    QCheckBox* chckNetisknoutNazev = nullptr;
    QGroupBox* gbxFiltrSkupin = nullptr;
    QRadioButton* rbVsechnySkup = nullptr;
    QRadioButton* rbVybraneSkup = nullptr;
    QListWidget* chckLBVyberSkupin = nullptr;
    QLabel* lblVypnuteSkup = nullptr;
    QLabel* lblFiltrPol = nullptr;
    QGroupBox* gbxDealersky = nullptr;
    QCheckBox* chckDealersky = nullptr;
    std::array<QLabel*, kDealerColumns> lblSloupec{};
    std::array<QLabel*, kDealerColumns> lblCena{};
    std::array<QPushButton*, kDealerColumns> btnVyberCeny{};
    std::array<QComboBox*, kDealerColumns> cbxTypCeny{};
    std::array<QLabel*, kDealerColumns> lblNadpis{};
    std::array<QLineEdit*, kDealerColumns> edtNadpis{};
    QCheckBox* chckTisknoutZPC = nullptr;
    QCheckBox* chckVlastniNadpis = nullptr;
    QLineEdit* edtVlastniNadpis = nullptr;
    QLabel* lblNazevNastaveni = nullptr;
    QPushButton* btnNacistNastaveni = nullptr;
    QPushButton* btnUlozitNastaveni = nullptr;
    QMenu* pmUlozitNastaveni = nullptr;
    QAction* miUlozitSoucasny = nullptr;
    QAction* miUlozitNovy = nullptr;
    QPushButton* btnStandard = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnStorno = nullptr;
    QAction* acSHNC = nullptr;

    // `Filtry.ID` of the loaded named set, 0 for none (the label's tag).
    int PresetId() const { return presetId_; }

    // Opening steps 2 to 5: the filter lists, the item-filter state, the group box, the last set.
    void Prepare();
    void ResetToStandard();
    void UpdateControlState();

    // The options as the controls show them, and the controls set to options.
    TPriceListPrintOptions Options() const;
    void SetOptions(const TPriceListPrintOptions& options);

    // -1 saves the last-used set, 0 a new named set (named by the label), other ids that row. 0.
    int SavePriceListFilter(int id);
    // -1 loads the last-used set, other ids the named set of `Filtry`.
    void LoadPriceListFilter(int id);

    // Steps of the building that leave the print dialog out: -1 when the user interrupted it
    // (the tables are closed then), 0 with the tables filled and linked.
    int FillPriceListData();
    // Fills the print tables and opens the print dialog on them. 0, or -1 when interrupted.
    int BuildPriceListData();

    // Whether the print tables were built with groups; their master links follow it.
    bool BuiltWithGroups() const { return builtWithGroups_; }
    // Lifts the master links while a reader walks whole tables (the report data file), and puts
    // them back.
    void SetTablesLinked(bool linked);

    void btnOkClick();
    void btnStandardClick();
    void btnVyberCenyClick(int column);
    void btnNacistNastaveniClick();
    void UlozitSoucasnyClick();
    void UlozitNovyClick();

private:
    void BuildWindow();
    void FillFilterTables();
    void CopyChecksToTables();
    void RefillCheckLists();
    void CloseTables();
    void LinkTables(bool groups);
    bool GroupsOn() const;

    int presetId_ = 0;
    bool builtWithGroups_ = false;
};

// The price list's print button: the options window, modal.
void ShowPriceListPrintDialog();

// Texts shared with tests.
inline constexpr const char* kTiskExpCaption = "Tisk - export ceníku";
inline constexpr const char* kLastUsedPreset = "<naposledy použité>";
inline constexpr const char* kSelectSheet = "Vyberte alespoň jeden list nebo filtr vypněte.";
inline constexpr const char* kSelectGroup = "Vyberte alespoň jednu skupinu nebo filtr vypněte.";
inline constexpr const char* kAskStandard = "Aktivovat standardní nastavení ?";
inline constexpr const char* kItemFilterOn = "zapnutý";
inline constexpr const char* kItemFilterOff = "vypnutý";
