#pragma once

#include <QString>
#include <QStringList>

#include "pricelist/PriceListUi.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

// The item filter of the price-list window: the criteria a user ticks, the filter text built from
// them, and its application to the item query. A text the data layer refuses leaves the items
// unfiltered; nothing of the filter is ever stored.

// The ticked criteria and their values, as the filter window holds them.
struct TItemFilterCriteria {
    bool byName = false;
    QString name;
    bool namePart = false;
    bool byCatalogue = false;
    QString catalogue;
    bool cataloguePart = false;
    bool byPriceGroup = false;
    QString priceGroup;  // the price group's code
    bool byAvailability = false;
    int availability = 0;  // position in the availability list
    bool byIdentifiers = false;
    QString identifiers;  // an identifier list text
};

// The text in single quotes, every quote inside doubled.
QString QuotedFilterText(const QString& text);
// The filter text of the criteria; empty when none is ticked. Identifier branches repeat the other
// conditions, so that the text never holds an OR group inside an AND.
QString BuildItemFilter(const TItemFilterCriteria& criteria);

class TfrmZasobyFiltr : public TPriceListDialog {
    Q_OBJECT
public:
    explicit TfrmZasobyFiltr(QWidget* parent = nullptr);

    QCheckBox* chckPopisPol = nullptr;
    QLineEdit* edtPopisPol = nullptr;
    QCheckBox* chckPopisPolCast = nullptr;
    QCheckBox* chckKatalog = nullptr;
    QLineEdit* edtKatalog = nullptr;
    QCheckBox* chckKatalogCast = nullptr;
    QCheckBox* chckCenSkup = nullptr;
    QLineEdit* edtCenSkup = nullptr;
    QPushButton* btnCenSkup = nullptr;
    QPushButton* btnCenSkupZrusit = nullptr;
    QCheckBox* chckDostupnost = nullptr;
    QComboBox* cbxDostupnost = nullptr;
    QCheckBox* chckIdentif = nullptr;
    QLineEdit* edtIdentif = nullptr;
    QPushButton* btnIdentif = nullptr;
    QCheckBox* chckFiltrAktivni = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;

    // The ID of the chosen price group; 0 when none is chosen.
    int PriceGroupId() const { return priceGroupId_; }

    TItemFilterCriteria Criteria() const;
    // Enables the entries that their check boxes leave in use.
    void UpdateControls();
    void btnOKClick();
    void btnCenSkupClick();
    void btnCenSkupZrusitClick();
    void btnIdentifClick();

    // Shows the window and applies what it holds to the main window's item query: 0 when a filter
    // was applied, -1 when the filter was switched off or the window was cancelled.
    int ApplyItemFilter();

protected:
    void showEvent(QShowEvent* event) override;

private:
    int priceGroupId_ = 0;
};

inline constexpr const char* kEmptyPartText =
    "Pokud je zaškrtnutá volba \"jen část\", filtrovací řetězec nesmí být prázdný.";
inline constexpr const char* kFilterRejected =
    "Některá položka filtru je vyplněná chybně, nelze aplikovat filtr.";
