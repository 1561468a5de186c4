#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "platform/ui/VnDialog.h"

class QAction;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QTextEdit;
class TMemTable;

// Desktop notes: the notes users write (table `Poznamky` of the main database, shared by every
// station and firm) and the read-only program notes shipped as files in the data folder, listed on the
// main window in `mtPoznSeznam`. A note is written only through its card, under its record lock.

// Settled notes are listed too while this is on; off at every start.
extern bool ShowDoneNotes;
// The note the list last stood on is LastNoteID of the working state; before the user's setting is
// read it is the first program note.
inline constexpr int kFirstProgramNoteID = -1001;

// The fields of the note list.
void CreateNoteListFields(TMemTable& table);

// A program note file read: its title ("#VAL1"), the firm it is for ("#VAL2", empty for all firms),
// and the lines that remain as its text.
struct TProgramNote {
    QString Title;
    QString Firm;
    QString Text;
};
TProgramNote ReadProgramNote(QStringList lines);

// Rebuilds the note list for the open firm and the user, stands on the note locateID when it is
// listed, and shows its text. -1 when the user may not see notes (the desktop stays empty), else 0.
int LoadDesktopNotes(int locateID);
// The note card for a new note or for the current one of the list. 0 when the card was shown (saved
// or not), -1 when it was refused or could not be opened.
int EditDesktopNote(bool isNew);
// Deletes the current note after the user's confirmation: a program note by deleting its file, a
// note of the database by deleting its row.
void DeleteDesktopNote();
// Lists the notes from the database again, standing on the current one.
void RefreshDesktopNotes();

class TfrmKartaPozn;
// Shows the note card modally; tests put a scripted user in its place.
extern std::function<int(TfrmKartaPozn& card)> ExecNoteCard;

// The note card.
class TfrmKartaPozn : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmKartaPozn(QWidget* parent = nullptr);

    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;
    QLineEdit* edtNazev = nullptr;
    QCheckBox* chckZobrazOst = nullptr;
    QCheckBox* chckViditelna = nullptr;
    QCheckBox* chckVyrizeno = nullptr;
    QTextEdit* reText = nullptr;
    QAction* acTucne = nullptr;
    QAction* acKurziva = nullptr;
    QAction* acPodtrzeni = nullptr;
    QAction* acPismo = nullptr;

    // The title field's text before the user has touched it.
    static constexpr const char* kUntitled = "<bez názvu>";

    // Sets the read-only state: nothing typed can be saved.
    void SetReadOnly(bool readOnly);
    void acPismoExecute();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdateTitleColours();
    void UpdateFontAction();
    bool titleCleared_ = false;
};
