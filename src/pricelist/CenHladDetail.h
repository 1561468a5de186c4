#pragma once

#include <QString>

#include "pricelist/PriceListUi.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TCurrencyEdit;
class TDataSet;

// The card of a price level, and the same card as the editor of one level rule of a price group.
// A level's percentage must leave a price: a discount of more than the whole price or a rabat of
// the whole price or more is refused.

// The values a level and a level rule share, as the card shows them.
struct TLevelValues {
    double Hodnota = 0;
    int TypHodnoty = 0;  // 0 "sleva", 1 "marže", 2 "rabat"
    int VychCena = 0;    // 0 "zákl. prodejní", 1 "nákupní"
    bool SDPH = false;   // "s daní"
    int Zaok = 0;
    bool Prepocitat = true;  // false: a fixed level

    bool operator==(const TLevelValues&) const = default;
    // Read from, or written to, the fields of the same names of a row.
    static TLevelValues Of(const TDataSet& row);
};

// Why a value cannot price anything; empty when it can. A fixed level has no value to check.
QString LevelValueFault(const TLevelValues& values);

class TfrmCenHladDetail : public TPriceListDialog {
    Q_OBJECT
public:
    // ruleMode: the card edits a group's rule; code and name are the level's and cannot change,
    // and "převzít" shows.
    explicit TfrmCenHladDetail(bool ruleMode, QWidget* parent = nullptr);

    QLineEdit* edtZkratka = nullptr;
    QLineEdit* edtPopis = nullptr;
    QLabel* lblHodnota = nullptr;
    TCurrencyEdit* edtHodnota = nullptr;
    QLabel* lblTypHodnoty = nullptr;
    QComboBox* cmbTypHodnoty = nullptr;
    QLabel* lblVychCena = nullptr;
    QComboBox* cmbVychCena = nullptr;
    QComboBox* cmbSDPH = nullptr;
    QComboBox* cmbZaok = nullptr;
    QCheckBox* chckFixni = nullptr;
    QCheckBox* chckPrevzit = nullptr;
    QLabel* lblHint = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;

    TLevelValues Values() const;
    void SetValues(const TLevelValues& values);
    void btnOKClick();
    // Shows and enables the controls that the two boxes leave in use.
    void UpdateControls();

    static constexpr const char* kHelpPage = "pgCenSkup.htm";

private:
    bool ruleMode_;
};

// The card of the current row of the main window's adqCenHlad (add: a new level). 1 after a saved
// OK, 2 after Storno, -1 when refused or when a step failed.
int EditPriceLevel(bool add);

inline constexpr const char* kSlevaTooHigh = "Sleva nemůže být vyšší než 100 %.";
inline constexpr const char* kRabatTooHigh = "Rabat nemůže být vyšší než 100 %.";
inline constexpr const char* kTooManyFixedLevels = "Skupina může obsahovat maximálně 3 fixní hladiny.";
