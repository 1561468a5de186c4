// The report program shipped beside the main one.

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "Zelvorn.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("zelvorn");
    // Qt's own dialogs (the file dialog of "Uložit jako PDF") and its file error texts speak Czech
    // like the rest of the program, when the translations are installed.
    QTranslator qtCzech;
    if (qtCzech.load(QLocale(QLocale::Czech), "qtbase", "_",
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtCzech);
    return RunReportProgram(QApplication::arguments().mid(1));
}
