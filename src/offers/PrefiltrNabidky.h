#pragma once

#include <QString>

#include "platform/ui/VnDialog.h"

class QListWidget;
class QPushButton;
class TADOQuery;

// A user's creator prefilter of the offer list: the numbers of the users whose offers he sees,
// separated by ";" (0 stands for offers made without users). Only the choice is made here; the user
// card stores it and the offer list applies it.

class TPrefiltrNabidky {
public:
    QString List;

    // "SELECT * FROM Login" on the main database's scratch query.
    TADOQuery& LoadUsers();
    bool ContainsUser(int userNumber) const;
    // Shows the choice; true on OK, with List holding the new choice.
    bool Execute();
};

class TfrmPrefiltrNabidky : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmPrefiltrNabidky(TPrefiltrNabidky& prefilter, QWidget* parent = nullptr);
    QListWidget* clbVytvorIDUsers = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;
    void btnOKClick();

private:
    TPrefiltrNabidky& prefilter_;
};

inline constexpr const char* kPrefilterCaption = "Prefiltr";
inline constexpr const char* kNamelessUser = "[uživatel bez jména]";
