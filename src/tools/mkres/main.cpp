// Writes the database templates into the folder named on the command line.

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

#include "core/DbTemplates.h"
#include "platform/db/DatabaseError.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: mkres <folder>\n");
        return 2;
    }
    const QString folder = QDir(args[1]).absolutePath() + "/";
    try {
        BuildEmptyFirmTemplate(folder + kEmptyFirmTemplate);
        BuildMainTemplate(folder + kMainTemplate);
        BuildDemoFirmTemplate(folder + kDemoFirmTemplate);
    } catch (const EDatabaseError& e) {
        std::fprintf(stderr, "mkres: %s\n%s\n", e.what(), e.Statement().toUtf8().constData());
        return 1;
    }
    return 0;
}
