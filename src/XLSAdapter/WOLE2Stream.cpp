#include "XLSAdapter/WOLE2Stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>

#include "XLSAdapter/XlsMessages.h"

TOle2Storage::TOle2Storage(const QString& fileName, QIODevice* targetStream, TMode mode)
    : mode_(targetStream ? Create : mode), fileName_(fileName), targetStream_(targetStream) {
    root_.Type = TCompoundEntryType::Root;
    if (mode_ == Create) {
        if (targetStream_) return;
        int fd =
            ::open(QFile::encodeName(fileName).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0)
            throw EOleError(QStringLiteral("Cannot create \"%1\": %2").arg(fileName, qt_error_string(errno)));
        ::close(fd);
        createdFile_ = true;
        return;
    }
    if (!StgIsStorageFile(fileName)) XlsError(XlsMessages::ErrInvalidFile, fileName);
    // A damaged container is an invalid workbook to the caller, not a platform failure.
    try {
        root_ = ReadCompoundFileFromPath(fileName);
    } catch (const EOleError&) {
        XlsError(XlsMessages::ErrInvalidFile, fileName);
    }
}

TOle2Storage::TOle2Storage(const QByteArray& bytes, const QString& name) : mode_(Read), fileName_(name) {
    if (!StgIsStorageData(bytes)) XlsError(XlsMessages::ErrInvalidFile, name);
    try {
        root_ = ReadCompoundFile(bytes);
    } catch (const EOleError&) {
        XlsError(XlsMessages::ErrInvalidFile, name);
    }
}

TOle2Storage::~TOle2Storage() {
    if (createdFile_ && !committed_) QFile::remove(fileName_);
}

TCompoundEntry* TOle2Storage::Child(const QString& name, TCompoundEntryType type) const {
    for (auto& c : storage_->Children)
        if (c.Type == type && CompareEntryNames(c.Name, name) == 0) return &c;
    return nullptr;
}

void TOle2Storage::OpenSubStorage(const QString& name) {
    TCompoundEntry* sub = Child(name, TCompoundEntryType::Storage);
    if (mode_ == Create) {
        if (sub || Child(name, TCompoundEntryType::Stream))
            throw EOleError(QStringLiteral("The entry \"%1\" already exists").arg(name));
        TCompoundEntry e;
        e.Name = name;
        e.Type = TCompoundEntryType::Storage;
        storage_->Children.push_back(std::move(e));
        sub = &storage_->Children.back();
    } else if (!sub) {
        throw EOleError(QStringLiteral("The storage \"%1\" does not exist").arg(name));
    }
    path_.push_back(size_t(sub - storage_->Children.data()));
    storageStack_.push_back(storage_);
    storage_ = sub;
}

TCompoundEntry* TOle2Storage::Resolve(const std::vector<size_t>& path) {
    TCompoundEntry* e = &root_;
    for (size_t i : path) e = &e->Children[i];
    return e;
}

void TOle2Storage::CloseSubStorage() {
    if (storageStack_.empty()) return;
    storage_ = storageStack_.back();
    storageStack_.pop_back();
    path_.pop_back();
}

TMsOleDirInfoArray TOle2Storage::GetDirectory() const {
    TMsOleDirInfoArray result;
    for (const auto& c : storage_->Children)
        result.push_back({c.Name, c.Type == TCompoundEntryType::Storage ? 1 : 2, quint32(c.Data.size())});
    return result;
}

void TOle2Storage::Commit() {
    if (mode_ != Create || committed_) return;
    if (targetStream_) {
        QByteArray bytes = WriteCompoundFile(root_);
        if (targetStream_->write(bytes) != bytes.size()) XlsError(XlsMessages::ErrCantWrite);
    } else {
        QByteArray bytes = WriteCompoundFile(root_);
        QFile f(fileName_);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size() ||
            !f.flush())
            throw EOleError(QStringLiteral("Cannot write \"%1\": %2").arg(fileName_, f.errorString()));
    }
    committed_ = true;
}

TOle2Stream::TOle2Stream(TOle2Storage& storage, const QString& name) : storage_(storage) {
    if (storage.mode_ == TOle2Storage::Create) {
        if (storage.Child(name, TCompoundEntryType::Stream) ||
            storage.Child(name, TCompoundEntryType::Storage))
            throw EOleError(QStringLiteral("The entry \"%1\" already exists").arg(name));
        TCompoundEntry e;
        e.Name = name;
        e.Type = TCompoundEntryType::Stream;
        storage.storage_->Children.push_back(std::move(e));
        targetPath_ = storage.path_;
        targetPath_.push_back(storage.storage_->Children.size() - 1);
        open_ = true;
        setBuffer(&bytes_);
        open(QIODevice::ReadWrite);
    } else {
        TCompoundEntry* e = storage.Child(name, TCompoundEntryType::Stream);
        if (!e) throw EOleError(QStringLiteral("The stream \"%1\" does not exist").arg(name));
        bytes_ = e->Data;
        setBuffer(&bytes_);
        open(QIODevice::ReadOnly);
    }
}

TOle2Stream::~TOle2Stream() { TOle2Stream::close(); }

void TOle2Stream::close() {
    if (open_) {
        storage_.Resolve(targetPath_)->Data = bytes_;
        open_ = false;
    }
    QBuffer::close();
}
