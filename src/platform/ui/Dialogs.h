#pragma once

#include <QString>

// Every message box, question and input box of the program goes through the one dialog service,
// so that the captions and button texts are the same everywhere and tests can replace the boxes
// with a script.

enum class TDialogKind { Information, Warning, Error, Question, Input };

class IDialogService {
public:
    virtual ~IDialogService() = default;

    virtual void Information(const QString& text) = 0;
    virtual void Warning(const QString& text) = 0;
    virtual void Error(const QString& text) = 0;
    // Yes/No; true on Yes. Closing the box any other way counts as No.
    virtual bool Question(const QString& text) = 0;
    // An input box preset with value; true on OK, and value then holds what the user typed.
    virtual bool InputBox(const QString& caption, const QString& prompt, QString& value) = 0;
};

// The service the program uses now.
IDialogService& DialogService();
// Puts another service in place and returns the one it replaced; nullptr brings back the real one.
// The caller keeps ownership and must put the previous one back before the service dies.
IDialogService* SetDialogService(IDialogService* service);
// The service that shows real boxes, whatever is installed.
IDialogService& RealDialogService();

// What the program calls.
void ShowInformation(const QString& text);
void ShowWarning(const QString& text);
void ShowError(const QString& text);
bool AskQuestion(const QString& text);
bool AskInput(const QString& caption, const QString& prompt, QString& value);

// The caption of a box of the kind ("Informace", "Varování", "Chyba", "Dotaz"; empty for input
// boxes, whose caller names them).
QString DialogCaption(TDialogKind kind);

// Message texts mark a line break with a carriage return (memo text with CR LF); a box shows each
// as one line break, so two in a row leave an empty line between paragraphs.
QString MessageDisplayText(const QString& text);

// Button texts of the boxes.
inline constexpr const char* kButtonOk = "OK";
inline constexpr const char* kButtonYes = "Ano";
inline constexpr const char* kButtonNo = "Ne";
inline constexpr const char* kButtonCancel = "Storno";
