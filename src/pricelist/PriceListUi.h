#pragma once

#include <QKeySequence>
#include <QString>
#include <QVariant>
#include <initializer_list>
#include <utility>
#include <vector>

#include "core/Login.h"
#include "platform/ui/VnDialog.h"

class QBoxLayout;
class QPushButton;
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

class QLineEdit;
// Makes the entry take at most maxLength characters and turn what is typed into upper case,
// as the code fields of the cards do.
void MakeCodeEdit(QLineEdit* edit, int maxLength);

// The logged-in user's level in the price list, its sheets, groups, levels and price groups.
inline TAccessLevel CenikLevel() { return CurrentUser.Cenik_AR; }

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
