#include "core/StartupScript.h"

#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QRadioButton>
#include <QTimer>
#include <cstdio>
#include <deque>

#include "core/DataFolder.h"
#include "core/Main.h"
#include "core/VyberLocNet.h"
#include "platform/files/PrivateFolder.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/DirectoryEdit.h"

namespace {

// Answers from the script in order; a box the script did not foresee is answered No (or cancelled),
// which ends a start-up rather than letting it wait for a user who is not there.
class TFileScriptedDialogs final : public IDialogService {
public:
    explicit TFileScriptedDialogs(const QStringList& answers) : answers_(answers.begin(), answers.end()) {}

    void Information(const QString& text) override { Take("information", text); }
    void Warning(const QString& text) override { Take("warning", text); }
    void Error(const QString& text) override { Take("error", text); }
    bool Question(const QString& text) override { return Take("question", text) == "yes"; }
    bool InputBox(const QString& caption, const QString& prompt, QString& value) override {
        const QString answer = Take("input", caption + ": " + prompt);
        if (!answer.startsWith("input ")) return false;
        value = answer.mid(6);
        return true;
    }

    QString NextDataFolderAnswer() {
        if (answers_.empty() || !answers_.front().startsWith("datafolder ")) return QString();
        const QString answer = answers_.front().mid(11);
        answers_.pop_front();
        return answer;
    }

private:
    QString Take(const char* kind, const QString& text) {
        QString answer;
        if (!answers_.empty() && !answers_.front().startsWith("datafolder ")) {
            answer = answers_.front();
            answers_.pop_front();
        }
        QString shown = text;
        shown.replace('\r', ' ');
        std::fprintf(stderr, "dialog %s: %s -> %s\n", kind, shown.toUtf8().constData(),
                     answer.isEmpty() ? "(unscripted)" : answer.toUtf8().constData());
        std::fflush(stderr);
        return answer;
    }

    std::deque<QString> answers_;
};

TFileScriptedDialogs* g_service = nullptr;
QStringList g_windowActions;

int AnswerDataFolderWindow(TfrmVyberLocNet& window) {
    const QString answer = g_service->NextDataFolderAnswer();
    std::fprintf(stderr, "window datafolder -> %s\n",
                 answer.isEmpty() ? "(unscripted)" : answer.toUtf8().constData());
    if (answer == "local") {
        window.rbLokalni->setChecked(true);
        return QDialog::Accepted;
    }
    if (answer.startsWith("network ")) {
        window.rbSitove->setChecked(true);
        window.edtNetSlozkaData->setText(answer.mid(8));
        return QDialog::Accepted;
    }
    return QDialog::Rejected;
}

}  // namespace

TStartupScript ParseStartupScript(const QString& text) {
    TStartupScript script;
    for (const QString& raw : text.split('\n')) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith('#')) continue;
        if (line == "close" || line == "status" || line.startsWith("grab "))
            script.WindowActions << line;
        else
            script.Answers << line;
    }
    return script;
}

bool InstallStartupScript() {
    const QString path = qEnvironmentVariable(kDialogScriptVariable);
    if (path.isEmpty()) return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "%s: cannot read %s\n", kDialogScriptVariable, path.toUtf8().constData());
        return false;
    }
    const TStartupScript script = ParseStartupScript(QString::fromUtf8(file.readAll()));
    // Lives as long as the program: message boxes may come until its very end.
    static TFileScriptedDialogs service(script.Answers);
    g_service = &service;
    g_windowActions = script.WindowActions;
    SetDialogService(&service);
    ExecDataFolderDialog = AnswerDataFolderWindow;
    return true;
}

void RunMainWindowScript(TfrmMain& window) {
    if (g_service == nullptr) return;
    QTimer::singleShot(0, &window, [&window] {
        for (const QString& action : g_windowActions) {
            if (action.startsWith("grab ")) {
                const bool saved = window.grab().save(action.mid(5));
                std::fprintf(stderr, "grab %s: %s\n", action.mid(5).toUtf8().constData(),
                             saved ? "saved" : "failed");
            } else if (action == "status") {
                std::fprintf(stderr, "status firm: %s\n", window.lblAgendaName->text().toUtf8().constData());
                std::fprintf(stderr, "status notes: %d\n",
                             window.mtPoznSeznam.Active() ? window.mtPoznSeznam.RecordCount() : 0);
                // Gone once the program has ended, so only the program can tell how it stood.
                std::fprintf(stderr, "status temp: %s %s\n", PrivateTempFolder.toUtf8().constData(),
                             IsOwnPrivateFolder(PrivateTempFolder) ? "private" : "open");
            } else if (action == "close") {
                window.close();
            }
        }
    });
}
