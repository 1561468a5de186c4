#include "platform/ui/Dialogs.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QWidget* ActiveWindow() { return QApplication::activeWindow(); }

// Texts come from data too (file names, firm names, exception texts); a "<" in them must be shown,
// not taken for markup, so every label shows plain text.
void ShowMessageBox(TDialogKind kind, const QString& text) {
    QMessageBox box(ActiveWindow());
    box.setWindowTitle(DialogCaption(kind));
    box.setTextFormat(Qt::PlainText);
    box.setText(MessageDisplayText(text));
    switch (kind) {
        case TDialogKind::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case TDialogKind::Error:
            box.setIcon(QMessageBox::Critical);
            break;
        default:
            box.setIcon(QMessageBox::Information);
            break;
    }
    QPushButton* ok = box.addButton(QString::fromUtf8(kButtonOk), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
}

class TRealDialogService final : public IDialogService {
public:
    void Information(const QString& text) override { ShowMessageBox(TDialogKind::Information, text); }
    void Warning(const QString& text) override { ShowMessageBox(TDialogKind::Warning, text); }
    void Error(const QString& text) override { ShowMessageBox(TDialogKind::Error, text); }

    bool Question(const QString& text) override {
        QMessageBox box(ActiveWindow());
        box.setWindowTitle(DialogCaption(TDialogKind::Question));
        box.setTextFormat(Qt::PlainText);
        box.setText(MessageDisplayText(text));
        box.setIcon(QMessageBox::Question);
        QPushButton* yes = box.addButton(QString::fromUtf8(kButtonYes), QMessageBox::YesRole);
        QPushButton* no = box.addButton(QString::fromUtf8(kButtonNo), QMessageBox::NoRole);
        box.setDefaultButton(yes);
        // Esc and the close button answer No: only an explicit Yes may start what is asked about.
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes;
    }

    bool InputBox(const QString& caption, const QString& prompt, QString& value) override {
        QDialog dialog(ActiveWindow());
        dialog.setWindowTitle(caption);
        auto* layout = new QVBoxLayout(&dialog);
        auto* label = new QLabel(MessageDisplayText(prompt), &dialog);
        label->setObjectName("lblPrompt");
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        layout->addWidget(label);
        auto* edit = new QLineEdit(value, &dialog);
        edit->setObjectName("edtValue");
        edit->setMinimumWidth(300);
        layout->addWidget(edit);
        auto* buttons = new QDialogButtonBox(&dialog);
        QPushButton* ok = buttons->addButton(QString::fromUtf8(kButtonOk), QDialogButtonBox::AcceptRole);
        buttons->addButton(QString::fromUtf8(kButtonCancel), QDialogButtonBox::RejectRole);
        ok->setDefault(true);
        layout->addWidget(buttons);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        edit->setFocus();
        if (dialog.exec() != QDialog::Accepted) return false;
        value = edit->text();
        return true;
    }
};

IDialogService* installedService = nullptr;

}  // namespace

IDialogService& RealDialogService() {
    static TRealDialogService service;
    return service;
}

IDialogService& DialogService() { return installedService ? *installedService : RealDialogService(); }

IDialogService* SetDialogService(IDialogService* service) {
    IDialogService* previous = installedService;
    installedService = service;
    return previous;
}

void ShowInformation(const QString& text) { DialogService().Information(text); }
void ShowWarning(const QString& text) { DialogService().Warning(text); }
void ShowError(const QString& text) { DialogService().Error(text); }
bool AskQuestion(const QString& text) { return DialogService().Question(text); }
bool AskInput(const QString& caption, const QString& prompt, QString& value) {
    return DialogService().InputBox(caption, prompt, value);
}

QString DialogCaption(TDialogKind kind) {
    switch (kind) {
        case TDialogKind::Information:
            return QString::fromUtf8("Informace");
        case TDialogKind::Warning:
            return QString::fromUtf8("Varování");
        case TDialogKind::Error:
            return QString::fromUtf8("Chyba");
        case TDialogKind::Question:
            return QString::fromUtf8("Dotaz");
        case TDialogKind::Input:
            break;
    }
    return {};
}

QString MessageDisplayText(const QString& text) {
    QString result = text;
    // CR LF first, so a memo line end is one break and not two.
    result.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}
