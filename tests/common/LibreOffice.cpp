// LibreOffice for the tests: found once, started headless on a private profile per test program.
#include "common/LibreOffice.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

QString Soffice() { return QStandardPaths::findExecutable("soffice"); }

// One profile for the whole test program: the first start makes it, which is what makes the first
// conversion slow; every later start reuses it.
const QTemporaryDir& Profile() {
    static const QTemporaryDir profile;
    return profile;
}

// A conversion that takes longer than this has hung; the test fails instead of waiting forever.
constexpr int kConversionLimitMs = 300000;

}  // namespace

QString LibreOfficeMissing(bool writer) {
    const QString soffice = Soffice();
    if (soffice.isEmpty()) return "LibreOffice (soffice) is not installed";
    // soffice is there with either part; the modules that read the documents lie beside it.
    const QDir program = QFileInfo(QFileInfo(soffice).canonicalFilePath()).dir();
    if (!program.exists("libsclo.so")) return "LibreOffice Calc is not installed";
    if (writer && !program.exists("libswlo.so")) return "LibreOffice Writer is not installed";
    return QString();
}

bool RunningUnderCI() { return qEnvironmentVariable("CI") == "true"; }

bool ConvertWithLibreOffice(const QStringList& files, const QString& filter, const QString& outDir,
                            const QStringList& extraArgs, QString* error) {
    QDir().mkpath(outDir);
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(Soffice(), QStringList{"-env:UserInstallation=file://" + Profile().path(), "--headless",
                                         "--norestore"} +
                                 extraArgs + QStringList{"--convert-to", filter, "--outdir", outDir} + files);
    const bool finished = process.waitForFinished(kConversionLimitMs);
    if (!finished) process.kill();
    const bool ok = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (error) *error = QString::fromUtf8(process.readAll());
    return ok;
}
