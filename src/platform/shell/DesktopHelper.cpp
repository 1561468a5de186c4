#include "platform/shell/DesktopHelper.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>

namespace {

// Most desktops pass the thing on and the helper ends within a fraction of a second.
constexpr int kHandOverMs = 2000;

// The helpers' own exit codes.
constexpr int kXdgFileNotFound = 2;
constexpr int kXdgNoMethod = 3;

}  // namespace

TDesktopHandOver HandToDesktop(const QString& helper, const QStringList& arguments) {
    const QString program = QStandardPaths::findExecutable(helper);
    if (program.isEmpty()) return TDesktopHandOver::NoHelper;
    auto* process = new QProcess(QCoreApplication::instance());
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start(program, arguments);
    if (!process->waitForStarted()) {
        delete process;
        return TDesktopHandOver::NoHelper;
    }
    if (!process->waitForFinished(kHandOverMs)) {
        QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
        return TDesktopHandOver::Taken;
    }
    const bool normal = process->exitStatus() == QProcess::NormalExit;
    const int code = process->exitCode();
    delete process;
    if (!normal) return TDesktopHandOver::Failed;
    switch (code) {
        case 0:
            return TDesktopHandOver::Taken;
        case kXdgFileNotFound:
            return TDesktopHandOver::FileNotFound;
        case kXdgNoMethod:
            return TDesktopHandOver::NoProgram;
        default:
            return TDesktopHandOver::Failed;
    }
}
