#pragma once

#include <QString>

#include "platform/ui/VnDialog.h"

class QAction;
class QBoxLayout;
class QPushButton;
class QTextEdit;
class QWidget;

// The small rich-text editor "Editor" through which the template card edits its two texts, and the
// formatting tool bar that it shares with the free-text card. The editor only edits: what it
// returns is kept or dropped by its caller.

// The formatting actions over a rich text: "Tučné" (Ctrl+B), "Kurzíva" (Ctrl+I), "Podtržení"
// (Ctrl+U) and "Písmo" (the font dialog, preset from the selection and applied to it).
struct TRichTextTools {
    QAction* acTucne = nullptr;
    QAction* acKurziva = nullptr;
    QAction* acPodtrzeni = nullptr;
    QAction* acPismo = nullptr;
};
TRichTextTools AddRichTextTools(QWidget* window, QBoxLayout* layout, QTextEdit* edit);

class TfrmEditTRtf : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmEditTRtf(QWidget* parent = nullptr);

    QPushButton* btnOK = nullptr;
    QPushButton* btnStorno = nullptr;
    QTextEdit* reText = nullptr;
    TRichTextTools tools;
};

// Runs the editor over an RTF text (or plain text, as old records keep it). True when the user
// confirmed it: text then holds what the editor saved as RTF. On Storno the text is left alone.
bool EditRichText(QString& text);
