#pragma once

#include "platform/ui/VnDialog.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTextEdit;
class TRxSpinEdit;

// The card "Detail šablony" of one offer template: its code, name, document heading, the two rich
// texts (edited through the rich-text editor, kept here in hidden fields) and the automatic
// validity. The card only holds the values; the template list writes them.

inline constexpr int kTemplateCodeLength = 10;
inline constexpr int kTemplateNameLength = 50;
inline constexpr const char* kTemplateCodeMissing = "Musíte zadat zkratku.";

class TfrmSablonyDetail : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmSablonyDetail(QWidget* parent = nullptr);

    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;
    QLineEdit* edtZkratka = nullptr;
    QLineEdit* edtNazev = nullptr;
    QLineEdit* edtNadpis = nullptr;
    QPushButton* btnTextPred = nullptr;
    QPushButton* btnTextZa = nullptr;
    QTextEdit* reTextPred = nullptr;
    QTextEdit* reTextZa = nullptr;
    QCheckBox* chckAutoPlatnostDo = nullptr;
    TRxSpinEdit* edtAutoPlatnostPocet = nullptr;

    // Empties every field, as for a new template.
    void Clear();
    // "OK": the code trimmed; a missing code is refused and the card stays open.
    void btnOKClick();
    // The two text buttons: the text through the rich-text editor, kept only when confirmed.
    static void EditText(QTextEdit* field);

protected:
    void showEvent(QShowEvent* event) override;
};
