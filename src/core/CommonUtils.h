#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "platform/text/Currency.h"
#include "platform/text/OleDate.h"

// The hint beside the incremental search box of the list windows.
inline constexpr const char* kSearchHint = "vyhledávací políčko zavřete klávesou Tab";

class QAbstractButton;
class QTextEdit;
class TVnCustomDBGrid;

// Small helpers that every part of the program shares.

// The name of an offer state (`Nabidky.IDStav`); empty for a value that is no state.
QString OfferStateName(unsigned int state);

// Money as lists and totals show it: groups of three digits, always two decimals.
QString FormatMoney(Currency value);

// The parts of the text between the occurrences of the delimiter. An empty text gives no part; an
// empty delimiter gives the whole text as the one part. The list belongs to the caller.
std::unique_ptr<QStringList> SplitToStringList(const QString& delimiter, const QString& text);

// The version of the operating system the warning panel of the main window is about. Both outputs
// are 0 unless the version could be read. There is no registry to read it from here, so the answer
// is always "unreadable"; the decision is in ParseWindowsVersion.
bool GetWindowsVersion(int& major, int& minor);
// "6.3" gives 6 and 3 and true; a text without "." or with a part that is no integer gives false
// with both outputs 0.
bool ParseWindowsVersion(const QString& value, int& major, int& minor);

// A Jet date literal of the day ("#2024-3-5#"); the time of day is dropped.
QString JetDateLiteral(TDateTime date);

// The text with its first character upper-cased.
QString CapitalizeFirst(const QString& text);

// Opens a file, a document or a web address with the program the desktop associates with it and
// does not wait. Answers as the shell of the original did: above 32 means success, 31 that no
// program is associated with the file type, 2 that the file does not exist.
int ShellOpen(const QString& path);
// The launcher ShellOpen uses; tests replace it. Gets the path or URL, answers the result code.
extern int (*ShellOpenLauncher)(const QString& target);

// Puts the text into the edit, formatted when it is rich text, else as plain text.
void LoadRichText(const QString& text, QTextEdit* edit);

// The table a comment of the kind is appended to: "Nabidky" for an offer, empty for other kinds.
QString CommentTargetTable(int targetKind);

// Position of the grid's first column that shows the field, named exactly (case matters);
// -1 when no column does.
int GridColumnIndex(TVnCustomDBGrid* grid, const QString& fieldName);

// Opens a page of the help ("pgSitovyProvoz.htm"). Windows call this; the help router installs the
// handler when it is created, and until then a help request does nothing.
void ShowHelpTopic(const QString& page);
void SetHelpTopicHandler(std::function<void(const QString& page)> handler);

// Runs a button's action once at a time: a second click while the first one's action still runs (a
// modal window pumps events) does nothing.
void RunGuarded(QAbstractButton* button, const std::function<void()>& action);
