// Starting a program the user named. It is started detached: the user's program may run as long
// as it likes, and the caller goes on at once.

#include "platform/shell/ShellExecute.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {

bool StartDetached(const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
}

}  // namespace

bool (*ProgramLauncher)(const QString& program, const QStringList& arguments) = StartDetached;

bool ShellExecute(const QString& file, const QString& parameters) {
    const QFileInfo info(file);
    // A document named in place of a program opens in its own program, as the desktop would do.
    if (info.isFile() && !info.isExecutable()) {
        const QString opener = QStandardPaths::findExecutable("xdg-open");
        return !opener.isEmpty() && ProgramLauncher(opener, {file});
    }
    // Quoting is the shell's business on other systems; here the path travels as one argument,
    // so blanks in it cannot split it.
    return ProgramLauncher(file, parameters.isEmpty() ? QStringList() : QStringList{parameters});
}
