#include "platform/shell/HtmlHelp.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

bool NoWinHelp(const QString&, unsigned, const QVariant&) { return false; }

}  // namespace

std::unique_ptr<IHtmlHelp> (*LoadHtmlHelpLibrary)() = LoadHelpViewerEngine;
bool (*WinHelpEngine)(const QString& file, unsigned command, const QVariant& data) = NoWinHelp;

THelpEvent& ApplicationOnHelp() {
    static THelpEvent handler;
    return handler;
}

QString& ApplicationHelpFile() {
    static QString file;
    return file;
}

bool ApplicationHelpCommand(unsigned command, const QVariant& data) {
    bool callHelp = true;
    bool result = false;
    if (ApplicationOnHelp()) result = ApplicationOnHelp()(command, data, callHelp);
    if (callHelp) result = WinHelpEngine(ApplicationHelpFile(), command, data);
    return result;
}

void SplitHelpTarget(const QString& target, QString& helpFolder, QString& page) {
    const qsizetype mark = target.indexOf(QLatin1String("::/"));
    const QString file = mark < 0 ? target : target.left(mark);
    page = mark < 0 ? QString() : target.mid(mark + 3);
    QString folder = QFileInfo(QDir::fromNativeSeparators(file)).path();
    // A help file named without a folder is the one in the program folder, not in whatever folder
    // the program was started from.
    if (QDir::isRelativePath(folder)) folder = QDir(QCoreApplication::applicationDirPath()).filePath(folder);
    helpFolder = QDir::cleanPath(folder + QLatin1String("/help"));
}
