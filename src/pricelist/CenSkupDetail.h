#pragma once

#include <QString>

#include "platform/data/DataSource.h"
#include "platform/data/MemTable.h"
#include "pricelist/PriceListUi.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TCurrencyEdit;
class TVnDBGrid;
struct TLevelValues;

// The card of a price group with its level rules. The rules are edited in the memory table
// mtCenHladAdd and written by difference when the group is saved; a group never holds more than
// three fixed rules, and a rule taken over from its level is saved with the level's current values.

class TfrmCenSkupDetail : public TPriceListDialog {
    Q_OBJECT
public:
    explicit TfrmCenSkupDetail(QWidget* parent = nullptr);
    ~TfrmCenSkupDetail() override;

    QLineEdit* edtZkratka = nullptr;
    QLineEdit* edtPopis = nullptr;
    QGroupBox* gbZakladni = nullptr;
    QComboBox* cmbSDPH = nullptr;
    QComboBox* cmbZaok = nullptr;
    QCheckBox* chckPrepocitat = nullptr;
    QComboBox* cmbTypHodnoty = nullptr;
    TCurrencyEdit* edtMarze = nullptr;
    TCurrencyEdit* edtRabat = nullptr;
    QCheckBox* chckVlastni = nullptr;
    QGroupBox* gbHladiny = nullptr;
    TVnDBGrid* grCenHladAdd = nullptr;
    QPushButton* btnVyjmoutHl = nullptr;
    QPushButton* btnUpravitHl = nullptr;
    QPushButton* btnUpravitPuvodni = nullptr;
    QPushButton* btnPridatHl = nullptr;
    QLabel* lblBezHladin = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;

    TMemTable mtCenHladAdd;
    TDataSource dsCenHladAdd{&mtCenHladAdd};

    void btnOKClick();
    void btnPridatHlClick();
    void btnUpravitHlClick();
    void btnVyjmoutHlClick();
    void btnUpravitPuvodniClick();
    // Shows the rule box only while there are rules, and enables the controls "vlastní" leaves.
    void UpdateControls();

    static constexpr const char* kHelpPage = "pgCenSkup.htm";

private:
    // Copies the current values of the rule's level over the current rule; false (after telling
    // the user) when the level is gone.
    bool CopyLevelIntoRule();
    void WriteRule(const TLevelValues& values);
};

// The card of the current row of the main window's adqCenSkup (add: a new group). 0 once the card
// was closed, saved or not; -1 when refused or when a step failed.
int EditPriceGroup(bool add);

inline constexpr const char* kGroupRabatTooHigh = "Pevný rabat nemůže být vyšší než 100 %.";
