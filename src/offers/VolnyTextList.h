#pragma once

#include <QString>
#include <memory>

#include "offers/RecordListDialog.h"

class QLabel;
class QPlainTextEdit;
class QTextEdit;
class TVolnyText;
class TADOQuery;

// The list "Volné texty": the picker through which a text field takes a stored free text, and the
// place where free texts are added, changed, copied and deleted.

inline constexpr const char* kFreeTextListHelp =
    "Databáze volných textů uchovává často se opakující texty, které jsou použitelné v různých modulech "
    "programu. Vyberte volný text a klepněte na [OK] - text se přenese do vybraného textového políčka. "
    "Chcete-li do databáze přidat zcela nový text, klepněte na [Přidat nový volný text].\t";

class TVolnyTextList {
public:
    TVolnyTextList();
    ~TVolnyTextList();
    TVolnyTextList(const TVolnyTextList&) = delete;
    TVolnyTextList& operator=(const TVolnyTextList&) = delete;

    // Handed to every text the list creates: the chosen text goes to a field without formatting.
    bool PlainTarget = false;
    // Before showing: the row to stand on (0 for none); after OK: the chosen text.
    int SelectedID = 0;

    TADOQuery& Query() { return *query_; }
    // True when the user chose a text with OK.
    bool ShowDialog();

private:
    std::unique_ptr<TADOQuery> query_;
};

class TfrmVolnyTextList : public TRecordListDialog {
    Q_OBJECT
public:
    explicit TfrmVolnyTextList(TVolnyTextList& list, QWidget* parent = nullptr);

    QLabel* lblNapoveda = nullptr;

protected:
    int AddRecord() override;
    int CopyRecord(int id) override;
    bool EditRecord(int id) override;
    bool DeleteRecord(int id) override;
    void KeepChoice() override;

private:
    TVolnyTextList& list_;
};

// The list as a picker: true when the user chose a text and it could be loaded into chosen (a
// text deleted meanwhile is reported with an error box).
bool PickFreeText(bool plainTarget, TVolnyText& chosen);
// "Vybrat text z databáze" (append false) and "Připojit text z databáze na konec" (append true) of
// a rich text and of a plain note: true when a text was put in.
bool PutFreeText(QTextEdit* edit, bool append);
bool PutFreeText(QPlainTextEdit* edit, bool append);
