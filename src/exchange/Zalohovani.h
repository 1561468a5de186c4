#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "platform/data/DataSource.h"
#include "platform/data/MemTable.h"
#include "platform/text/OleDate.h"
#include "platform/ui/VnDialog.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class TDirectoryEdit;
class TVnDBGrid;

// Backup of the open firm (and, on request, the installation's common data) into one archive, and
// the restore of such an archive. Both run with every database connection of the station closed and
// with the exclusive-operation lock held, so no station reads or writes a database meanwhile. A
// restore never removes a database before its replacement has been unpacked, checked and copied
// beside it: a restore that fails leaves the installation as it was, and one killed halfway is
// finished by the next start. A backup killed halfway leaves no archive under its name.

// The archive's extension and the product initials its description carries.
inline constexpr const char* kBackupExtension = ".zbf";
inline constexpr const char* kBackupProgram = "VN";
// Archives of one firm and one day are numbered 1 to this.
inline constexpr int kMaxBackupNumber = 999;
// The description member, written first into every archive.
inline constexpr const char* kBackupInfoName = "info.ini";
inline constexpr const char* kBackupInfoSection = "MAIN";

// What the backup takes the day and time of its archive from; tests put a fixed clock in its place.
extern std::function<TDateTime()> BackupClock;

// The backup window (create true) or the restore window (create false), with the station's
// connections closed around it. True when it stopped before showing the window (no right, another
// station running, the lock file); the user has been told why. After a completed restore the
// program ends.
bool ShowBackupDialog(bool create);

// The archive a backup of the firm made on the day gets in the folder (ending in "/"): the first of
// "dd-mm-yyyy_FIRM_n.zbf" (n from 1) that does not exist; when every number is taken, the last one,
// and `allTaken` says so.
QString NextBackupFileName(const QString& folder, const QString& firm, TDateTime day, bool& allTaken);

// The user's own report layouts and templates of the print folder, in archive order: the "*.frx"
// files, then the "*.xls" files, each by name; the shipped ones (names beginning with "_") left out.
QStringList UserLayoutFiles(const QString& printFolder);

// The window of both: one page to create a backup, one to choose an archive to restore.
class TfrmZalohovani : public TVnDialog {
    Q_OBJECT
public:
    enum TPage { tsVytvoreni = 0, tsObnoveni = 1 };

    explicit TfrmZalohovani(TPage page, QWidget* parent = nullptr);
    ~TfrmZalohovani() override;

    TPage Page() const { return page_; }

    QStackedWidget* pgcZalohovani = nullptr;
    QProgressBar* pbZaloha = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnStorno = nullptr;
    QPushButton* btnVyjmout = nullptr;
    QPushButton* btnNapoveda = nullptr;
    // Backup page.
    QLabel* lblAgendaName = nullptr;
    QCheckBox* chckProvestdoStand = nullptr;
    QCheckBox* chckProvestSpolecne = nullptr;
    TDirectoryEdit* edtProvestSlozka = nullptr;
    // Restore page.
    QCheckBox* chckObnovitZeStand = nullptr;
    TDirectoryEdit* edtObnovitSlozka = nullptr;
    TVnDBGrid* grZalSoubory = nullptr;
    TMemTable mtZalSoubory;
    TDataSource dsZalSoubory;

    // Writes the archive into the backup page's folder. False when done (the window may close),
    // true when it must stay open.
    bool CreateBackup();
    // Lists the backup archives of the folder, newest first. 0, or -1 when the folder does not
    // exist or the description could not be unpacked.
    int ListBackups(const QString& folder);
    // Restores the current archive of the list after asking what to restore. False when done (the
    // program then ends), true when the window must stay open.
    bool RestoreBackup();

    void btnOkClick();
    void btnVyjmoutClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildBackupPage(QWidget* page);
    void BuildRestorePage(QWidget* page);
    void UpdateBackupFolder();
    void UpdateRestoreFolder();
    void RefreshList();
    // The zip layer's progress: moves the bar, lets the window breathe and answers whether to go on.
    bool OnZipProgress(int percent);

    TPage page_;
    // Set by every failure the zip layer reports during one run of OK.
    bool success_ = true;
    // While the window itself puts a folder into the restore field, that is not the user's edit.
    bool settingFolder_ = false;
};
