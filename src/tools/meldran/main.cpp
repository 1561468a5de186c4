// "Správa databází": checks and compacts the databases of the program's data folder. Started from the
// firm list without arguments it finds the data folder through the program ini file beside it and shows
// its report in a window; "meldran --batch <folder>" reports to the standard output instead and answers
// 0 when every database is sound, 1 otherwise.

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

int ShowReport(const QString& text) {
    QDialog window;
    window.setWindowTitle(QString::fromUtf8(kCaption));
    window.resize(620, 360);
    auto* report = new QPlainTextEdit(text, &window);
    report->setReadOnly(true);
    auto* close = new QPushButton(QString::fromUtf8("Zavřít"), &window);
    QObject::connect(close, &QPushButton::clicked, &window, &QDialog::accept);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(report);
    layout->addWidget(close, 0, Qt::AlignRight);
    window.exec();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setApplicationName("Varnobis");
    QStringList args = QCoreApplication::arguments().mid(1);
    const bool batch = args.removeAll("--batch") > 0;
    const QString folder = args.isEmpty() ? DataFolderFromIni() : NormalizeFolderPath(args.first());

    QStringList lines;
    bool allSound = true;
    if (folder.isEmpty() || !DirectoryExists(folder)) {
        lines << QString::fromUtf8(kNoDataFolder);
        allSound = false;
    } else {
        lines << QString::fromUtf8("Datová složka: ") + folder;
        for (const TDatabaseReport& report : MaintainDataFolder(folder, true)) {
            lines << ReportText(report);
            allSound = allSound && report.State == TDatabaseState::Sound;
        }
    }
    const QString text = lines.join('\n');
    if (batch) {
        std::fprintf(stdout, "%s\n", text.toUtf8().constData());
        return allSound ? 0 : 1;
    }
    ShowReport(text);
    return allSound ? 0 : 1;
}
