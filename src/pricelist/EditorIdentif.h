#pragma once

#include <QString>
#include <QStringList>

#include "platform/data/DataSource.h"
#include "platform/data/MemTable.h"
#include "pricelist/PriceListUi.h"

class QLabel;
class QPushButton;
class TVnDBGrid;

// Identifier lists: the text form in which an item or an offer item carries its identifier codes
// ("_A_BC_D_"), the editor of one list, and the merge used when texts are set in bulk.
// A list that is too long to store is never handed back.

// The longest list text a record can store, separators included.
inline constexpr int kIdentifierListMaxLength = 255;
// The longest code; longer ones are cut when they are parsed.
inline constexpr int kIdentifierCodeMaxLength = 10;

// The codes of a list text, in order, as the parse finds them (see EditIdentifierList).
QStringList ParseIdentifierList(const QString& list);
// The list text of the codes; no codes give the empty text.
QString BuildIdentifierList(const QStringList& codes);

// The editor of one list, made once and kept for the whole run; its table mtIdentif also receives
// every parse, so callers read the parsed codes from it.
class TfrmEditorIdentif : public TPriceListDialog {
    Q_OBJECT
public:
    explicit TfrmEditorIdentif(QWidget* parent = nullptr);
    ~TfrmEditorIdentif() override;

    // The window of the run, made on first use when start-up has not made it.
    static TfrmEditorIdentif* Instance();

    TMemTable mtIdentif;
    TDataSource dsIdentif{&mtIdentif};
    TVnDBGrid* grIdentif = nullptr;
    QLabel* lblNapoveda = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;
    QPushButton* btnPridat = nullptr;
    QPushButton* btnVyjmout = nullptr;

    void btnPridatClick();
    void btnVyjmoutClick();
    void UpdateButtons();

    // Replaces the table's rows by the codes.
    void Fill(const QStringList& codes);
    // The codes of the table's rows, in order.
    QStringList Codes();

protected:
    void showEvent(QShowEvent* event) override;
};

// Parses the list into the editor's mtIdentif. Not interactive: -1, with newList empty. Interactive:
// the editor's modal result; after OK newList is the edited list, after Storno it is empty and the
// caller keeps its own list.
int EditIdentifierList(const QString& list, QString& newList, bool interactive);

enum class TIdentifierMergeMode { Add = 1, Remove = 2 };
// Adds the codes of changes to the list, or removes them from it; the result is upper-cased.
// 0 when merged; -1 when changes is empty or the mode is neither, with result the upper-cased list.
// The length of the result is the caller's to check.
int MergeIdentifierList(const QString& list, const QString& changes, int mode, QString& result);
