// "Správa databází": checks and compacts the databases of the program's data folder. Started from the
// firm list without arguments it finds the data folder through the program ini file beside it, and
// checks when the user asks in its window; "meldran --batch <folder>" reports to the standard output instead
// and answers 0 when every database is sound, 1 otherwise.

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdio>

#include "core/DataFolder.h"
#include "meldran/Meldran.h"
#include "platform/files/FileUtils.h"
#include "platform/files/IniFile.h"

namespace {

const char* const kCaption = "Správa databází";
const char* const kNoDataFolder = "Datová složka programu není určena; spusťte nejprve program Varnobis.";

QString DataFolderFromIni() {
    ProgramFolder = IncludeTrailingPathDelimiter(QCoreApplication::applicationDirPath());
    const TIniFile ini(ProgramIniPath());
    return NormalizeFolderPath(ini.ReadString("PATH", "DataPath", QString()));
}

// The report of one run over the folder, and whether every database came out sound.
QString RunOver(const QString& folder, bool& allSound) {
    QStringList lines;
    allSound = true;
    if (folder.isEmpty() || !DirectoryExists(folder)) {
        allSound = false;
        return QString::fromUtf8(kNoDataFolder);
    }
    lines << QString::fromUtf8("Datová složka: ") + folder;
    for (const TDatabaseReport& report : MaintainDataFolder(folder, true)) {
        lines << ReportText(report);
        allSound = allSound && report.State == TDatabaseState::Sound;
    }
    return lines.join('\n');
}

// Started from the program, the tool waits for the user: the program that started it is still
// closing its databases at that moment, and every other station has to end first too.
int ShowWindow(const QString& folder) {
    QDialog window;
    window.setWindowTitle(QString::fromUtf8(kCaption));
    window.resize(620, 360);
    auto* info =
        new QLabel(QString::fromUtf8("Ukončete program Varnobis na všech stanicích v síti a poté spusťte "
                                     "kontrolu databází ve složce ") +
                       folder,
                   &window);
    info->setWordWrap(true);
    auto* report = new QPlainTextEdit(&window);
    report->setReadOnly(true);
    auto* run = new QPushButton(QString::fromUtf8("Zkontrolovat a zhutnit databáze"), &window);
    auto* close = new QPushButton(QString::fromUtf8("Zavřít"), &window);
    bool allSound = true;
    QObject::connect(run, &QPushButton::clicked, &window,
                     [&] { report->setPlainText(RunOver(folder, allSound)); });
    QObject::connect(close, &QPushButton::clicked, &window, &QDialog::accept);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(info);
    layout->addWidget(report);
    layout->addWidget(run, 0, Qt::AlignLeft);
    layout->addWidget(close, 0, Qt::AlignRight);
    window.exec();
    return allSound ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setApplicationName("Varnobis");
    QStringList args = QCoreApplication::arguments().mid(1);
    const bool batch = args.removeAll("--batch") > 0;
    const QString folder = args.isEmpty() ? DataFolderFromIni() : NormalizeFolderPath(args.first());

    if (!batch) return ShowWindow(folder);
    bool allSound = true;
    const QString text = RunOver(folder, allSound);
    std::fprintf(stdout, "%s\n", text.toUtf8().constData());
    return allSound ? 0 : 1;
}
