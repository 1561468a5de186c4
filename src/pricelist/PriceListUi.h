#pragma once

#include <QKeySequence>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

#include "core/Login.h"
#include "platform/ui/VnDialog.h"

class QBoxLayout;
class QComboBox;
class QLineEdit;
class QPushButton;
class TADOQuery;
class TCardSession;
class TDataSource;
class TVnDBGrid;

// What the lists and cards of the price list share: their modal results, the look of their
// buttons and read-only grids, and the statements they run on the open firm.
// Nothing here knows a particular table.

// The modal results the price-list windows give their callers.
inline constexpr int kResultOk = 1;
inline constexpr int kResultCancel = 2;

// A list or card of the price list. Esc and the window's close button count as "Storno", so the
// caller always gets one of the two results above.
class TPriceListDialog : public TVnDialog {
    Q_OBJECT
public:
    explicit TPriceListDialog(QWidget* parent = nullptr);
    void reject() override { done(kResultCancel); }
    // Closes with OK, unless the button is disabled (a read-only card).
    void AcceptIfEnabled(QPushButton* okButton);
};

// A push button named as its component, appended to the layout. The key (when given) presses
// it from anywhere in the window, but only while it is visible and enabled, as a click would.
QPushButton* AddButton(QWidget* window, QBoxLayout* layout, const char* name, const QString& text,
                       const QKeySequence& key = QKeySequence(), const QString& hint = QString());

// A read-only list grid over the source: whole rows selected, one column per (field, title).
TVnDBGrid* MakeListGrid(QWidget* parent, const char* name, TDataSource* source,
                        const std::vector<std::pair<QString, QString>>& columns);

// Runs a statement on the open firm through the main window's command; answers the rows it
// affected. Values are always bound as parameters: codes may hold quotes.
using TParamValues = std::vector<std::pair<QString, QVariant>>;
int ExecAgenda(const QString& sql, const TParamValues& params = {});
// The key of the row the firm connection inserted last.
int LastInsertedId();

// Makes the entry take at most maxLength characters and turn what is typed into upper case,
// as the code fields of the cards do.
void MakeCodeEdit(QLineEdit* edit, int maxLength);

// A drop-down list named as its component; the index of a text is the value stored for it.
QComboBox* Choice(QWidget* parent, const char* name, const QStringList& texts);

// Runs the action when Enter or Return is pressed in the grid, and keeps the key from the grid.
void OnEnterKey(TVnDBGrid* grid, std::function<void()> action);

// The code typed into a card, trimmed back into its entry. Empty means stop: the card is read-only
// (OK disabled), or the code is missing and the user has been told.
QString CheckedCode(QPushButton* okButton, QLineEdit* codeEdit);

// The logged-in user's level in the price list, its sheets, groups, levels and price groups.
inline TAccessLevel CenikLevel() { return CurrentUser.Cenik_AR; }

// Before a card of a code list opens: the user's right for adding or editing, the list opened with
// sql when closed, and its current row found again. False means stop: the user has been told.
bool PrepareCodeCard(TADOQuery& list, const QString& sql, TAccessLevel level, bool add);

// Takes the lock of the record a card edits, or tells a user who may only read; either way a card
// that cannot be saved gets its OK disabled. False means stop: the lock could not be taken.
bool LockCardRecord(TCardSession& card, TAccessLevel level, const QString& table, int id,
                    QPushButton* okButton);

// Whether a row of the list other than the one keyed id already has the code, compared exactly as
// typed. The list stays on its current row.
bool CodeTaken(TADOQuery& list, int id, const QString& code);

// The working window for as long as the object lives, hidden again on every way out.
class TWorkingShown {
public:
    explicit TWorkingShown(const QString& text);
    ~TWorkingShown() { Hide(); }
    TWorkingShown(const TWorkingShown&) = delete;
    TWorkingShown& operator=(const TWorkingShown&) = delete;
    void Hide();

private:
    bool shown_ = true;
};

// An item's availability as its choice lists offer it ("<neuvedeno>" first) and the codes stored
// for the choices; the item card, the bulk texts and the filter show the same list.
QStringList AvailabilityTexts();
// The stored code of a list position ("" for "<neuvedeno>" and for a position out of range).
QString AvailabilityCode(int position);
// The list position of a stored code, case-insensitive; 0 for an empty or unknown code.
int AvailabilityPosition(const QString& code);
