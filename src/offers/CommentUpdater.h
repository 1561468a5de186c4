#pragma once

#include <QString>

#include "platform/text/OleDate.h"
#include "platform/ui/VnDialog.h"

class QPlainTextEdit;
class QPushButton;

// The comment of an offer: read, checked against the offer's lock and the user's rights, stamped
// with date, time and user when the firm asks for it, edited in "Úprava komentáře" and written
// back. It never tests the offer's record lock: a comment is a note beside the offer, and it may be
// added while the offer is open at another station.

class TCommentUpdater {
public:
    // kind 0: an offer (the only kind).
    TCommentUpdater(int kind, int recordId);

    QString Comment;
    bool Locked = false;
    QString ErrorText;

    // Shows the window over the comment; true when it closed with OK.
    bool Execute();
    // Reads the comment and the lock flag; false after telling the user what failed.
    bool Load();
    // Writes the comment; false with ErrorText when the row is gone or the write failed.
    bool Save();
    // False after telling the user why the comment may not be edited.
    bool CheckAllowed();
    // Adds the stamp line of the moment and the logged-in user on a line of its own.
    void AppendStamp(TDateTime now = Now());

private:
    int kind_;
    int recordId_;
};

// "=== date (hh:mm hod) user ===": who wrote the lines under it, and when.
QString CommentStampLine(TDateTime now, const QString& user);

class TfrmCommentUpdater : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmCommentUpdater(QWidget* parent = nullptr);
    QPlainTextEdit* memTextKomentare = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
};

inline constexpr const char* kCommentCaption = "Úprava komentáře";
inline constexpr const char* kCommentLoadFailed = "Při načítání komentáře došlo k chybě:\r\r";
inline constexpr const char* kCommentSaveFailed = "Při ukládání komentáře došlo k chybě:\r\r";
inline constexpr const char* kCommentLocked = "Záznam je uzamčený, úpravu komentáře nelze provést.";
inline constexpr const char* kExecuteFailed = "Metoda \"Execute\" selhala.";
