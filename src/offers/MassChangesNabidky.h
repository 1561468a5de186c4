#pragma once

#include <QString>
#include <optional>

#include "platform/text/OleDate.h"
#include "platform/ui/VnDialog.h"

class QCheckBox;
class QPushButton;
class TDateEdit;

// Bulk changes of offers; archiving by the date of issue is the one kind there is. Archived offers
// stay in the database and only leave the offer list. The change runs as one statement, limited by
// the user's creator prefilter, and tests no record locks.

class TMassChangesNabidky {
public:
    // kind 0: archiving offers issued before a date (the only kind).
    explicit TMassChangesNabidky(int kind);

    std::optional<TDateTime> ArchiveDate;
    bool OnlySettled = true;
    QString ErrorText;

    // Checks the rights, shows the window and runs the change; true when it was done.
    bool Execute();
    // False after telling the user that he may not change offers.
    bool CheckRights();
    bool Perform();
    bool ArchiveOlderThan();
    // The statement ArchiveOlderThan runs.
    QString ArchiveSql() const;

private:
    int kind_;
};

class TfrmMassChangesNabidky : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmMassChangesNabidky(TMassChangesNabidky& changes, QWidget* parent = nullptr);
    TDateEdit* edtDatum = nullptr;
    QCheckBox* chckPouzeVyrizene = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;
    void btnOKClick();

private:
    TMassChangesNabidky& changes_;
};

inline constexpr const char* kMassArchiveCaption = "Archivace nabídek";
inline constexpr const char* kMassArchiveDateMissing = "Zadejte požadované datum.";
inline constexpr const char* kMassArchiveWorking = "Archivace dokladů\rprosím čekejte...";
inline constexpr const char* kMassArchiveFailed = "Při operaci došlo k chybě:\r\r";
