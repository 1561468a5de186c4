#include "pricelist/KartaZasobyObrazek.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/Nastaveni.h"
#include "platform/files/FileUtils.h"
#include "platform/ui/Dialogs.h"

QString PictureStoreFolder() {
    QString folder = PictureFolder.isEmpty() ? DefaultPictureFolder() : PictureFolder;
    if (!folder.endsWith('/')) folder += '/';
    return folder;
}

QString CutPictureName(const QString& fileName) {
    if (fileName.size() <= kPictureNameMaxLength) return fileName;
    const int dot = fileName.lastIndexOf('.');
    const QString extension = dot >= 0 ? fileName.mid(dot) : QString();
    return fileName.left(kPictureNameMaxLength - extension.size()) + extension;
}

QString StorePicture(const QString& sourcePath, const QString& folder) {
    QDir().mkpath(folder);
    if (!QFileInfo(folder).isDir()) {
        ShowError(QString::fromUtf8(kPictureFolderFailed) + folder);
        return QString();
    }

    const QString chosen = QFileInfo(sourcePath).fileName();
    const QString name = CutPictureName(chosen);
    if (name != chosen) ShowWarning(QString::fromUtf8(kPictureNameCut).arg(kPictureNameMaxLength).arg(name));

    const QString target = folder + name;
    // The file already in the store under its own name is kept as it is: copying a file over
    // itself would empty it. Names differing only in letter case are different files here.
    const bool same = QFileInfo::exists(target) &&
                      QFileInfo(sourcePath).canonicalFilePath() == QFileInfo(target).canonicalFilePath();
    if (!same) {
        if (QFileInfo::exists(target) && !AskQuestion(QString::fromUtf8(kPictureOverwrite).arg(name)))
            return QString();
        // The copy is written beside the stored picture and takes its place only when it is whole:
        // other items and the price-list print show the stored one, so a failed copy must leave it.
        if (!CopyFileKeepDate(sourcePath, target)) {
            ShowError(QString::fromUtf8(kPictureCopyFailed).arg(sourcePath, target));
            return QString();
        }
    }
    return name;
}
