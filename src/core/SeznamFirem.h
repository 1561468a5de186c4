#pragma once

#include <QString>
#include <functional>

#include "core/Login.h"
#include "platform/data/DataSource.h"
#include "platform/data/MemTable.h"
#include "platform/ui/VnDialog.h"

class QAction;
class QLineEdit;
class QPushButton;
class TVnDBGrid;

// The firms of the data folder (one database file each), the window that lists them, and the opening
// of a firm on the main window's firm connection. Firm files are found whatever the case of their
// names; a firm is never deleted while another station has it open.

// Modal results of the firm list.
inline constexpr int kFirmListOk = 1;
inline constexpr int kFirmListCancel = 2;

// The firm list. With pickOnly it only answers the chosen firm's name (without ".MDB") in fileName;
// otherwise OK opens the chosen firm. Answers the modal result, -1 without the right to the list.
int ShowFirmList(bool pickOnly, QString& fileName);

// Opens the firm named by CurrentFirm on the firm connection, upgrades it, gives it its first sheet
// when it has none, and loads the user's working state and the firm settings. 0 when the firm is
// open, -1 when it cannot be (the user has been told).
int OpenFirmDatabase();

// The first free "Firma<n>.MDB" of the data folder (n from 1), whatever the case of the names there;
// empty when every number up to the limit is taken.
QString NextNewFirmFile();
inline constexpr int kMaxNewFirmNumber = 10000;

// The phrase that must be typed to delete a firm.
inline constexpr const char* kDeleteFirmPhrase = "CHCI NENÁVRATNĚ SMAZAT FIRMU";

// Starts the database tool beside the program; false when it is not there. Tests replace it.
extern std::function<bool(const QString& program)> StartDatabaseTool;
// Shows the firm list modally; tests replace it to act in the window.
class TfrmSeznamFirem;
extern std::function<int(TfrmSeznamFirem& window)> ExecFirmListDialog;

class TfrmSeznamFirem : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmSeznamFirem(bool pickOnly, QWidget* parent = nullptr);
    ~TfrmSeznamFirem() override;

    TMemTable mtSeznamFirem;
    TDataSource dsSeznamFirem;
    TVnDBGrid* grSeznamFirem = nullptr;
    QLineEdit* edtSlozkaData = nullptr;
    QPushButton* btnVyberDatSlozky = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnStorno = nullptr;
    QPushButton* btnPridat = nullptr;
    QPushButton* btnVyjmout = nullptr;
    QPushButton* btnPridatDemo = nullptr;
    QPushButton* btnOpravitDB = nullptr;

    // Lists the firm databases of the data folder by their names, standing on the open firm.
    void FillList();

    void btnOkClick();
    void btnPridatClick();
    void btnVyjmoutClick();
    void btnPridatDemoClick();
    void btnOpravitDBClick();
    void btnVyberDatSlozkyClick();

    bool PickOnly() const { return pickOnly_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    // A button refused for the user's level tells so and answers false.
    bool Allowed(TAccessLevel highestLevel);
    void UpdateButtons();
    bool pickOnly_;
};
