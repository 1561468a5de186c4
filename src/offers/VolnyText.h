#pragma once

#include <QString>

#include "offers/EditTRtf.h"
#include "offers/StoredRecord.h"
#include "platform/ui/VnDialog.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;

// Free texts: named rich texts (conditions, closing paragraphs, notes) that a firm keeps once in
// `VolnyText` and puts into an offer's texts. They have no right and no record lock: the last save
// wins. One TVolnyText loads, edits, copies or deletes one text; its card is `TfrmVolnyText`.

inline constexpr int kFreeTextNameLength = 50;

inline constexpr const char* kFreeTextNotFound = "Záznam ID %1 nebyl nalezen.";
inline constexpr const char* kFreeTextLoadFailed = "Při načítání záznamu ID %1 došlo k chybě. ";
inline constexpr const char* kFreeTextNoName = "Není vyplněn Název.";
inline constexpr const char* kFreeTextSaveFailed = "Uložení záznamu selhalo.";
inline constexpr const char* kFreeTextDeleteFailed = "Metoda \"Delete\" selhala.";
inline constexpr const char* kFreeTextNoFormatting =
    "        Upozornění: objekt, do kterého po uložení přenesete vytvořený text, nepodporuje formátování.";

class TVolnyText : public TStoredRecord {
public:
    TVolnyText() = default;

    QString Nazev;
    QString MemoText;  // RTF, or plain text
    // The text goes to a field without formatting: the card says so.
    bool PlainTarget = false;

    bool Load(int id) override;
    bool Save();
    // Shows an error box itself when the text cannot be loaded (deleted meanwhile).
    bool Delete(int id);
    bool Add();
    bool Edit(int id);
    bool Copy(int id);
    QString GetPlainText() const;
    // The card for this object; true when it closed with OK (the text was saved).
    bool ShowDialog();
};

// The card "Volný text".
class TfrmVolnyText : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmVolnyText(TVolnyText& text, QWidget* parent = nullptr);

    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;
    QLineEdit* edtNazev = nullptr;
    QTextEdit* reText = nullptr;
    QFrame* panNoRTFInfo = nullptr;
    TRichTextTools tools;

    // "OK": takes the fields into the object and saves it; the card stays open on a failure.
    void btnOKClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    TVolnyText& text_;
};
