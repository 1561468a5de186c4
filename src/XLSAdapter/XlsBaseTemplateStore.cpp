#include "XLSAdapter/XlsBaseTemplateStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "XLSAdapter/WOLE2Stream.h"
#include "XLSAdapter/XlsMessages.h"

TXlsStorage& TXlsStorageList::Add() {
    items_.push_back(std::make_unique<TXlsStorage>());
    return *items_.back();
}

void TXlsStorageList::LoadEntries(TOle2Storage& storage) {
    for (const TMsOleDirInfo& info : storage.GetDirectory()) {
        if (info.DirType == 1) {
            TXlsStorage& item = Add();
            item.Name = info.Name;
            storage.OpenSubStorage(info.Name);
            // Leave the sub-storage also when loading it fails, so the stack stays balanced.
            try {
                item.Children.LoadEntries(storage);
            } catch (...) {
                storage.CloseSubStorage();
                throw;
            }
            storage.CloseSubStorage();
        } else if (info.DirType == 2) {
            TOle2Stream stream(storage, info.Name);
            TXlsStorage& item = Add();
            item.Data = stream.data();
            item.Name = info.Name;
        }
    }
}

void TXlsStorageList::LoadFromFile(const QString& fileName) {
    Clear();
    TOle2Storage storage(fileName, nullptr, TOle2Storage::Read);
    LoadEntries(storage);
}

void TXlsStorageList::LoadFromData(const QByteArray& bytes, const QString& name) {
    Clear();
    TOle2Storage storage(bytes, name);
    LoadEntries(storage);
}

QByteArray& TXlsStorageList::FindStream(const QString& name) const {
    for (const auto& item : items_)
        if (item->Name == name) return item->Data;
    XlsError(XlsMessages::ErrCantOpenStream, name);
}

void TXlsStorage::SaveToStorage(TOle2Storage& storage) const {
    if (!Data.isEmpty()) {
        TOle2Stream stream(storage, Name);
        if (stream.write(Data) != Data.size()) XlsError(XlsMessages::ErrCantWrite);
    } else if (Children.Count() > 0) {
        storage.OpenSubStorage(Name);
        try {
            for (int i = 0; i < Children.Count(); ++i) Children[i].SaveToStorage(storage);
        } catch (...) {
            storage.CloseSubStorage();
            throw;
        }
        storage.CloseSubStorage();
    }
}

QString FindWorkbookOnPath(const QString& name) {
    QString file = name;
    if (QFileInfo(file).suffix().isEmpty() && !file.endsWith('.')) file += QStringLiteral(".xls");
    auto found = [](const QString& path) { return QFileInfo(path).isFile(); };
    if (QFileInfo(file).isAbsolute()) {
        if (found(file)) return QFileInfo(file).absoluteFilePath();
    } else {
        QStringList dirs{QCoreApplication::applicationDirPath(), QDir::currentPath()};
        dirs += QString::fromLocal8Bit(qgetenv("PATH")).split(':', Qt::SkipEmptyParts);
        for (const QString& dir : dirs) {
            QString path = QDir(dir).filePath(file);
            if (found(path)) return QFileInfo(path).absoluteFilePath();
        }
    }
    XlsError(XlsMessages::ErrCantFindFile, name);
}
