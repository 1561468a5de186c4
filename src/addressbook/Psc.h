#pragma once

#include <QString>

#include "platform/data/DataSource.h"
#include "pricelist/PriceListUi.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;
class TColumn;
class TVnDBGrid;

// The postal codes of the installation (table `Mista` of the main database): the list that picks
// a code for a card or lets the user keep the table, and the small look-up of a town by its code.
// No user right guards them: every firm and every user shares the table.

// The list over the main window's adqGlobalFree1. Its mode (the tag) is 1 while it picks, 0 while
// it browses.
class TfrmPsc : public TPriceListDialog {
    Q_OBJECT
public:
    static constexpr int kModeBrowse = 0;
    static constexpr int kModePick = 1;

    explicit TfrmPsc(QWidget* parent = nullptr);
    ~TfrmPsc() override;

    int Tag = 0;
    TDataSource dsGlobalFree1;
    TVnDBGrid* grPsc = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;
    QPushButton* btnPridat = nullptr;
    QPushButton* btnOpravit = nullptr;
    QPushButton* btnVyjmout = nullptr;
    QPushButton* btnObnovit = nullptr;
    QWidget* panHledat = nullptr;
    QLineEdit* edtHledat = nullptr;
    QLabel* lblHledat = nullptr;

    // OK, Opravit and Vyjmout only while the list has rows.
    void UpdatePostalCodeButtons();
    void btnVyjmoutClick();
    void btnObnovitClick();
    // Marks the column of the sort field (upper case) as sorted; false when no column shows it.
    bool MarkSortColumn(const QString& sortField);
    // A click on a column title: the column goes first and the list is sorted by it.
    void SortByColumn(TColumn* column);
    // The search panel with its first character; each change stands on the first row whose sort
    // field begins with the text.
    void OpenSearch(const QString& text);
    void CloseSearch();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PickOrEdit();
    void Edit(bool add);
    QString SearchField() const;
};

// Shows the list; mode 1 picks (the chosen row stays the current row of adqGlobalFree1, left open
// unless closeAfter). Answers the modal result: 1 OK, 2 closed. It opens at the first code that
// begins with postalCode (a card's field, blanks aside), else on the row it was left on.
int ShowPostalCodeList(int mode, bool closeAfter, const QString& postalCode = QString());

// The town of the first row with the code (blanks removed); empty for an empty or unknown code.
QString LookupTownByPostalCode(const QString& postalCode);

// The text without any space character.
QString RemoveBlanks(const QString& text);

// The "..." button of a card: the picker puts the chosen code and town into the two fields.
void PickPostalCode(QLineEdit* postalCode, QLineEdit* town);
// Leaving a card's postal-code field: an empty town is filled from the code.
void FillTownFromPostalCode(QLineEdit* postalCode, QLineEdit* town);

inline constexpr const char* kPostalCodeListLoading = "Načítám seznam PSČ\rprosím čekejte...";
inline constexpr const char* kPostalCodeSearchHint = "vyhledávací políčko zavřete klávesou Tab";
