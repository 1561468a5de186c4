#pragma once

#include <QColor>
#include <QDialog>
#include <QFont>
#include <functional>

class QComboBox;
class QFontDialog;
class QPushButton;
class QTextEdit;
class QWidget;

// The program's one font dialog, shared by every rich text: name, size, style and colour of the
// selected text. Qt's own font dialog knows no colour, and a text coloured in a letter's template
// must keep its colour when its font changes, so the colour list stands beside it. The dialog only
// chooses; what the choice does to a text is ApplyFontDialog's.

struct TFontChoice {
    QFont Font;
    QColor Color;
};

class TfrmFontDialog : public QDialog {
    Q_OBJECT
public:
    explicit TfrmFontDialog(QWidget* parent = nullptr);

    // Puts the choice into the dialog; a colour outside the list is added to it, so it is kept.
    void SetChoice(const TFontChoice& choice);
    TFontChoice Choice() const;

    QFontDialog* fontPicker = nullptr;
    QComboBox* cbxBarva = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;
};

// Shows the dialog preset with the choice; true, with the choice changed, when the user confirmed
// it. Tests put a scripted user in its place.
extern std::function<bool(QWidget* parent, TFontChoice& choice)> ExecuteFontDialog;

// "Písmo" of a rich text: the dialog preset from the selection (or the caret's format), and on OK
// the font and the colour applied to the selection. The text has the focus afterwards either way.
void ApplyFontDialog(QTextEdit* edit, QWidget* parent);

inline constexpr const char* kFontDialogCaption = "Písmo";
inline constexpr const char* kFontColorLabel = "Barva:";
inline constexpr const char* kOwnColorText = "Vlastní";
