#pragma once

#include <QDir>
#include <QFile>
#include <QString>

// Somebody's folder of files, and a link to it planted under a name the program uses in its own
// temporary folder. Whatever the program then empties or replaces there must leave the folder as
// it was.
class TPlantedLink {
public:
    TPlantedLink(const QString& folder, const QString& linkPath) : folder_(folder) {
        QDir().mkpath(folder_ + "/podslozka");
        for (const QString& name : Files()) {
            QFile file(folder_ + "/" + name);
            if (file.open(QIODevice::WriteOnly)) file.write(name.toUtf8());
        }
        QDir().mkpath(QFileInfo(linkPath).path());
        QFile::link(folder_, linkPath);
    }

    // Every file is there with what it held.
    bool Intact() const {
        for (const QString& name : Files()) {
            QFile file(folder_ + "/" + name);
            if (!file.open(QIODevice::ReadOnly) || file.readAll() != name.toUtf8()) return false;
        }
        return true;
    }

private:
    static QStringList Files() { return {"smlouva.odt", "podslozka/faktura.pdf"}; }
    QString folder_;
};
