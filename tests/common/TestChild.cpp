#include "common/TestChild.h"

#include <QCoreApplication>
#include <map>
#include <string>

namespace {

// No waiting on the clock: the limits only keep a lost child from hanging the suite.
constexpr int kChildLimitMs = 120000;

std::map<std::string, TTestChildMain>& Children() {
    static std::map<std::string, TTestChildMain> children;
    return children;
}

}  // namespace

TTestChild::TTestChild(const char* name, TTestChildMain main) { Children()[name] = std::move(main); }

int RunTestChild(const QString& name, const QStringList& arguments) {
    const auto it = Children().find(name.toStdString());
    return it == Children().end() ? 2 : it->second(arguments);
}

bool TTestChildProcess::Start(const QString& name, const QStringList& arguments) {
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QCoreApplication::applicationFilePath(), QStringList{"--vn-child", name} + arguments);
    return process_.waitForStarted(kChildLimitMs);
}

QString TTestChildProcess::ReadLine() {
    while (!process_.canReadLine()) {
        if (process_.state() == QProcess::NotRunning) return process_.readLine().trimmed();
        if (!process_.waitForReadyRead(kChildLimitMs) && process_.state() != QProcess::NotRunning)
            return QString();
    }
    return QString::fromUtf8(process_.readLine().trimmed());
}

int TTestChildProcess::Finish() {
    if (!process_.waitForFinished(kChildLimitMs)) {
        Kill();
        return -1;
    }
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
}

void TTestChildProcess::Kill() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.kill();
    process_.waitForFinished(kChildLimitMs);
}
