#pragma once

#include <QPushButton>

#include "platform/data/DataSource.h"
#include "platform/ui/VnDialog.h"

class TVnDBGrid;

// The list of the program's users, through which an administrator adds, edits and removes them.
// It works on the main database's scratch query adqGlobalFree1, which it opens for its showing
// and closes afterwards.

// What the list answers when it closes.
enum TUserListResult { ulrOk = 1, ulrClosed = 2 };

class TfrmUzivatele : public TVnDialog {
    Q_OBJECT
public:
    // Mode 0 manages the users (no OK button); mode 1 picks one.
    explicit TfrmUzivatele(int mode, QWidget* parent = nullptr);
    ~TfrmUzivatele() override;

    int Tag() const { return tag_; }

    TVnDBGrid* grUzivatele = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnOpravit = nullptr;
    QPushButton* btnVyjmout = nullptr;
    QPushButton* btnPridat = nullptr;
    QPushButton* btnZavrit = nullptr;

    // Buttons that need a row are enabled only while the list has one.
    void UpdateButtons();
    void btnOpravitClick();
    void btnPridatClick();
    void btnVyjmoutClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    int tag_;
    TDataSource dsGlobalFree1_;
};

// Opens the user list; the main window's "Seznam uživatelů" uses mode 0. The list's answer
// (TUserListResult), or -1 for a user without the administrator's right.
int ShowUserList(int mode);

inline constexpr const char* kDeleteLoggedInUserText = "Aktuálně přihlášeného uživatele nelze mazat.";
inline constexpr const char* kDeleteUserQuestion = "Opravdu chcete vyjmout označeného uživatele ?";
