#pragma once

#include "platform/ui/VnDialog.h"

class QCheckBox;
class QLabel;
class QPushButton;

// The choice of what to restore from a backup archive. It only asks: the restore itself is the
// backup window's, and nothing is touched before this window has been confirmed.
class TfrmZalObnov : public TVnDialog {
    Q_OBJECT
public:
    // The open firm's name, the name of the firm in the archive, and which parts the archive holds
    // besides the firm database.
    TfrmZalObnov(const QString& activeFirm, const QString& backupFirm, bool hasGlobal, bool hasLayouts,
                 QWidget* parent = nullptr);

    QLabel* lblAktivniFirma = nullptr;
    QLabel* lblFirmaZeZalohy = nullptr;
    QCheckBox* chckObnovitAgendu = nullptr;
    QCheckBox* chckObnovitGlobal = nullptr;
    QCheckBox* chckObnovitFRM = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnStorno = nullptr;
    QPushButton* btnNapoveda = nullptr;

    // Refuses an empty choice, asks once more, and closes with OK on Yes.
    void btnOkClick();
};
