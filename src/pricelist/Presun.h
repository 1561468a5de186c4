#pragma once

#include <QString>

#include "platform/ui/VnDialog.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QWidget;
class TfrmZasoby;

// The dialog that moves the items or groups marked in the price-list window to another group or
// sheet. A move keeps every item on the sheet of its group, and never moves a sheet's basic group.
// It takes no record locks: a row open at another station is moved all the same, and the change
// stamps tell that station to requery.

// What is moved where.
enum class TMoveMode : int {
    ItemsToGroup = 0,   // marked items to a group of the current sheet
    GroupsToSheet = 1,  // marked groups, with their items, to another sheet
    ItemsToSheet = 2,   // marked items to a group of another sheet
};

// The modal results: the move ran (also when interrupted), or "Storno".
inline constexpr int kMoveRan = 1;
inline constexpr int kMoveCancelled = 2;

class TfrmPresunZkopiruj : public TVnDialog {
    Q_OBJECT
public:
    TfrmPresunZkopiruj(TMoveMode mode, int sheetId, QWidget* parent = nullptr);

    TMoveMode Mode() const { return mode_; }

    QLabel* lblInfo = nullptr;
    QWidget* panList = nullptr;
    QLineEdit* edtList = nullptr;
    QPushButton* btnVyberListu = nullptr;
    QWidget* panSkupina = nullptr;
    QLineEdit* edtSkupina = nullptr;
    QPushButton* btnVyberSkupiny = nullptr;
    QProgressBar* pbWorking = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;
    QPushButton* btnPrerusit = nullptr;

    // The chosen sheet and group; 0 while none is.
    int SheetId() const { return sheetId_; }
    int GroupId() const { return groupId_; }
    void SetSheet(int id, const QString& name);
    void SetGroup(int id, const QString& name);

    void btnVyberListuClick();
    void btnVyberSkupinyClick();
    void btnOKClick();

    void reject() override;

private:
    void MoveItems();
    void MoveGroups();

    TMoveMode mode_;
    int sheetId_ = 0;
    int groupId_ = 0;
    bool running_ = false;
};

// The dialog for the mode; sheetId is the current sheet, the target of mode ItemsToGroup.
// Its modal result.
int ShowMoveDialog(TMoveMode mode, int sheetId);

// The price-list window's two move entries: rights, what is marked, the dialog, and after a move
// the marks cleared and the lists requeried.
void MoveToGroupFromPriceList(TfrmZasoby& window);
void MoveToSheetFromPriceList(TfrmZasoby& window);

inline constexpr const char* kMoveCaption = "Hromadné operace";
inline constexpr const char* kMoveItemsToGroupHint =
    "Tato volba přesune označené položky do zvolené skupiny. Vyberte skupinu, do které chcete položky "
    "přesunout.";
inline constexpr const char* kMoveGroupsToSheetHint =
    "Tato volba přesune označené skupiny do zvoleného listu. Vyberte list, do kterého chcete skupiny "
    "přesunout.";
inline constexpr const char* kMoveItemsToSheetHint =
    "Tato volba přesune označené položky do zvoleného listu. Vyberte list (a skupinu), do kterého chcete "
    "položky přesunout.";
inline constexpr const char* kMoveSheetMissing = "Musíte vybrat list.";
inline constexpr const char* kMoveGroupMissing = "Musíte vybrat skupinu.";
inline constexpr const char* kMoveSheetFirst = "Nejprve vyberte list.";
inline constexpr const char* kMoveBasicGroupKept =
    "Upozornění: skupinu # Nezařazeno # nelze mazat/přesouvat.";
