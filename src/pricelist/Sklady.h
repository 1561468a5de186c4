#pragma once

#include <QString>
#include <functional>

#include "core/UserSettings.h"
#include "platform/data/DataSource.h"
#include "pricelist/PriceListUi.h"

class QLabel;
class QPushButton;
class QTabBar;
class TADOQuery;
class TVnDBGrid;

// The tree of the price list: sheets (table Sklady), their groups (Skupiny) and items (Zasoby).
// Every sheet has exactly one basic group, and the price list never loses its last sheet.
// Deletes cascade down the tree only while no other station holds a record of it. The active
// sheet is CurrentSheetId, kept with the user's working state.

// What the sheet and group functions need of the price-list window; it fills these in when it is
// made and clears them when it goes. Unset, they do nothing (a group outside the group picker can
// then not be edited: there is no group panel).
struct TPriceListWindowLinks {
    QTabBar* pgcSklady = nullptr;
    std::function<void(int sheetId)> RememberListPosition;
    std::function<void()> LoadSheetContents;
    std::function<bool()> GroupPanelShown;
    std::function<void()> ClearGroupMarks;
    std::function<void()> ClearItemMarks;
    std::function<void()> FocusGroupGrid;
    std::function<void()> UpdatePriceListButtons;
};
extern TPriceListWindowLinks PriceListWindowLinks;

// The sheet list.
class TfrmSklady : public TPriceListDialog {
    Q_OBJECT
public:
    static constexpr int kModeManage = 0;
    static constexpr int kModePick = 1;
    static constexpr int kModePickAdd = 2;

    TfrmSklady(int mode, bool manage, QWidget* parent = nullptr);
    ~TfrmSklady() override;

    int Mode() const { return mode_; }

    TDataSource dsSklady;
    TVnDBGrid* grSklady = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnPridat = nullptr;
    QPushButton* btnOpravit = nullptr;
    QPushButton* btnVyjmout = nullptr;
    QPushButton* btnObnovit = nullptr;
    QPushButton* btnStorno = nullptr;
    QPushButton* btnListDopredu = nullptr;
    QPushButton* btnListDozadu = nullptr;
    QLabel* lblPoradi = nullptr;

    void btnPridatClick();
    void btnOpravitClick();
    void btnVyjmoutClick();
    void btnObnovitClick();
    void MoveClick(int step);

protected:
    void showEvent(QShowEvent* event) override;

private:
    int mode_;
    bool manage_;
};

// The sheet list over the main window's adqSklady. Modal result; -1 without the right. With manage
// an OK switches the price-list window to the chosen sheet.
int ShowSheetList(int mode, bool manage);
// The sheet card for a new sheet or the current row of adqSklady.
void EditSheet(bool add);
// Swaps the current sheet with its neighbour (-1 towards the front, +1 towards the back).
void MoveSheet(int step);
// Writes Poradi 1..n in the list's order.
void RenumberSheets();
void RefreshSheetTabs();
void UpdateSheetListButtons();
// Deletes the sheet with its groups and items: 0 deleted, -1 the sheet is in use, -2 stopped part way.
int DeleteSheet(int sheetId);

// Rebuilds the tabs of the price-list window, one per sheet in order.
void BuildSheetTabs();
// Activates the tab of CurrentSheetId (the last tab when the sheet is gone): 0, or -1 without tabs.
int SelectSheetTab();

// The basic group of a new sheet: 0, or -1 when it could not be written (the user has been told).
int CreateBasicGroup(int sheetId);
// The ID of the sheet's basic group, 0 when it has none.
int GetBasicGroupId(int sheetId);

// The open sheet list, or none.
TfrmSklady* ActiveSheetList();
