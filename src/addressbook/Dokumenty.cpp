#include "addressbook/Dokumenty.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QPainter>
#include <QRegularExpression>

#include "core/CommonUtils.h"
#include "core/DataFolder.h"
#include "core/Main.h"
#include "platform/data/Field.h"
#include "platform/data/MemTable.h"
#include "platform/files/FileUtils.h"
#include "platform/shell/OpenUrl.h"
#include "platform/ui/Dialogs.h"

TDocumentFolderMode DocumentFolderMode = TDocumentFolderMode::Firm;

namespace {

// The shell answers this when no program is associated with the file type.
constexpr int kShellNoAssociation = 31;
// Icons are taken at the large size and shrunk, so every file type gets the same small picture.
constexpr int kLargeIcon = 32;
constexpr int kSmallIcon = 16;
// A stored path is at most this long.
constexpr int kMaxStoredPath = 255;

const char* const kHttp = "http://";

QString RecordId(TDataSet& list) {
    if (!list.Active() || list.IsEmpty()) return {};
    return list.FieldByName("ID")->AsString();
}

}  // namespace

QString GetDocumentFolder(TDocumentFolderMode mode) {
    const QString firmFolder = DataFolder + "Dokumenty/" + CurrentFirm + "/";
    switch (mode) {
        case TDocumentFolderMode::Firm: {
            const QString id = RecordId(frmMain->adqAdresar);
            return id.isEmpty() ? QString() : firmFolder + id + "/";
        }
        case TDocumentFolderMode::Offer: {
            const QString id = RecordId(frmMain->adqNabidky);
            return id.isEmpty() ? QString() : firmFolder + "Nabidky/" + id + "/";
        }
    }
    return {};
}

bool IsSharedFolderPath(const QString& stored) {
    return stored.left(int(qstrlen(kSharedFolderToken))).toUpper() == QLatin1String(kSharedFolderToken);
}

QString ResolveDocumentPath(const QString& stored, TDocumentFolderMode mode) {
    if (!IsSharedFolderPath(stored)) return stored;
    return ResolveDocumentPathIn(stored, GetDocumentFolder(mode));
}

QString ResolveDocumentPathIn(const QString& stored, const QString& folder) {
    if (!IsSharedFolderPath(stored)) return stored;
    return folder + stored.mid(int(qstrlen(kSharedFolderToken)), kMaxStoredPath);
}

void OpenDocumentFile(const QString& path) {
    if (!FileExists(path)) {
        ShowWarning(QString::fromUtf8(kFileMissing).arg(path));
        return;
    }
    // Other failures of the desktop pass silently: the user sees that nothing opened.
    if (ShellOpen(path) == kShellNoAssociation) ShowInformation(QString::fromUtf8(kNoAssociation).arg(path));
}

void OpenWebAddress(const QString& text) {
    // An address that names its scheme ("https://", "HTTP://", "ftp://") is opened as it is: putting
    // "http://" in front of it would break it.
    static const QRegularExpression kScheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    QString address = text;
    if (!kScheme.match(address).hasMatch() && !address.contains(QLatin1String(kHttp), Qt::CaseInsensitive))
        address.prepend(QLatin1String(kHttp));
    OpenUrl(address);
}

void SendMailTo(const QString& address) { OpenUrl("mailto:" + address); }

QImage DrawFileIcon(const QString& path) {
    QImage large(kLargeIcon, kLargeIcon, QImage::Format_ARGB32_Premultiplied);
    large.fill(Qt::transparent);
    if (FileExists(path)) {
        const QIcon icon = QFileIconProvider().icon(QFileInfo(path));
        QPainter painter(&large);
        icon.paint(&painter, QRect(0, 0, kLargeIcon, kLargeIcon));
    }
    QImage small(kSmallIcon, kSmallIcon, QImage::Format_ARGB32_Premultiplied);
    small.fill(Qt::transparent);
    QPainter painter(&small);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(0, 0, kSmallIcon, kSmallIcon), large);
    return small;
}

QByteArray FileIconBytes(const QString& path) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    DrawFileIcon(path).save(&buffer, "PNG");
    return bytes;
}

void PrepareDocumentTable(TMemTable& documents) {
    documents.Close();
    TFieldDefs& defs = documents.FieldDefs();
    defs.Clear();
    defs.Add("Popis", ftString, 50);
    defs.Add("File", ftString, 255);
    defs.Add("Empty", ftString, 1);
    defs.Add("CopyFile", ftBoolean);
    defs.Add("SmallIcon", ftGraphic);
    defs.Add("ID", ftInteger);
    documents.IndexDefs().clear();
    documents.AddIndex("Popis", "Popis");
    documents.AddIndex("ID", "ID");
    documents.CreateTable();
}

namespace {

// Copies one file into the folder; false when the row is to keep its path. Each check is made and
// told on its own, so the user learns every reason at once.
bool CopyOneDocument(const QString& source, const QString& folder, QString& target) {
    target = folder + ExtractFileName(source);
    bool failed = false;
    if (!DirectoryExists(folder) && !ForceDirectories(folder)) {
        ShowError(QString::fromUtf8(kCannotMakeSharedFolder).arg(folder));
        failed = true;
    }
    QCoreApplication::processEvents();
    if (!FileExists(source)) {
        ShowError(QString::fromUtf8(kSourceMissing).arg(source));
        failed = true;
    }
    QCoreApplication::processEvents();
    // The same file under two spellings ("..", a link) is still the same file: deleting the
    // "existing copy" would delete the only one.
    if (SameFileName(source, target)) {
        ShowError(QString::fromUtf8(kSameSourceAndTarget));
        failed = true;
    }
    QCoreApplication::processEvents();
    if (failed) return false;
    if (QFileInfo::exists(target)) {
        if (!AskQuestion(QString::fromUtf8(kOverwriteQuestion).arg(target))) return false;
        QFile::remove(target);
        if (QFileInfo::exists(target)) {
            ShowError(QString::fromUtf8(kCannotOverwrite).arg(target));
            return false;
        }
    }
    if (!CopyFileKeepDate(source, target) || !FileExists(target)) {
        ShowError(QString::fromUtf8(kCopyFailed).arg(source, target));
        return false;
    }
    return true;
}

}  // namespace

void CopyDocumentsToSharedFolder(TMemTable& documents, TDocumentFolderMode mode) {
    const QString folder = GetDocumentFolder(mode);
    for (documents.First(); !documents.Eof(); documents.Next()) {
        if (!documents.FieldByName("CopyFile")->AsBoolean()) continue;
        const QString source = documents.FieldByName("File")->AsString();
        QString target;
        const bool copied = !folder.isEmpty() && CopyOneDocument(source, folder, target);
        documents.Edit();
        if (copied) documents.FieldByName("File")->SetAsString(kSharedFolderToken + ExtractFileName(target));
        documents.FieldByName("CopyFile")->SetAsBoolean(false);
        documents.Post();
        QCoreApplication::processEvents();
    }
}
