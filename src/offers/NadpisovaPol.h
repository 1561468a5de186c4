#pragma once

#include <QString>
#include <functional>

#include "platform/ui/VnDialog.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

// The small editor of a heading or a text item of an offer: its text, its note
// and its print order. It edits only its own fields; the offer card writes them
// into the item row.

inline constexpr const char* kHeadingCaption = "Nadpis položek";
inline constexpr const char* kTextItemCaption = "Textová položka";
inline constexpr const char* kHeadingTextCaption = "Nadpis";
inline constexpr const char* kTextItemTextCaption = "Popis položky";
inline constexpr const char* kEmptyTextMessage = "Zadejte text do kolonky \"%1\".";

class TNadpisovaPol {
public:
    QString Text;
    QString Note;
    int Order = 1;
    bool IsHeading = false;

    // Shows the editor modally; true when it closed with OK (the fields then hold
    // its values).
    bool Execute();
    // Tests and scripted runs take the window before it is shown.
    static std::function<int(class TfrmNadpisovaPol&)> ExecHook;
};

class TfrmNadpisovaPol : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmNadpisovaPol(TNadpisovaPol& item, QWidget* parent = nullptr);

    QLabel* lblNadpisCaption = nullptr;
    QLineEdit* edtNadpis = nullptr;
    QPlainTextEdit* memPoznamka = nullptr;
    QSpinBox* edtPoradi = nullptr;
    QPushButton* btnVolneTexty = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;

    void btnOKClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    TNadpisovaPol& item_;
};
