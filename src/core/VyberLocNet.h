#pragma once

#include <QString>

#include "platform/ui/VnDialog.h"

class QAction;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TDirectoryEdit;

// Asks where the data folder is: on this computer (beside the program) or on a shared folder of
// another one. The caller reads the choice from the controls after OK.
class TfrmVyberLocNet : public TVnDialog {
    Q_OBJECT
public:
    // The local choice is the given folder (LocalDataFolder() at start-up).
    explicit TfrmVyberLocNet(const QString& localFolder, QWidget* parent = nullptr);

    QRadioButton* rbLokalni = nullptr;
    QRadioButton* rbSitove = nullptr;
    QLineEdit* edtLocSlozkaData = nullptr;
    TDirectoryEdit* edtNetSlozkaData = nullptr;
    QAction* acBtnOK = nullptr;
    QAction* acBtnStorno = nullptr;
    QAction* acNapoveda = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;
    QPushButton* btnNapoveda = nullptr;

    void acBtnOKExecute();
    void acNapovedaExecute();

    static constexpr const char* kHelpPage = "pgSitovyProvoz.htm";

protected:
    void showEvent(QShowEvent* event) override;

private:
    void UpdateNetworkEdit();
};
