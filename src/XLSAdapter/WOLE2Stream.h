#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QString>
#include <memory>
#include <vector>

#include "platform/storage/CompoundFile.h"

class QIODevice;

// One directory entry as the enumeration reports it.
struct TMsOleDirInfo {
    QString Name;
    int DirType = 0;   // 1 storage, 2 stream
    quint32 Size = 0;  // low 32 bits of the byte size
};
using TMsOleDirInfoArray = std::vector<TMsOleDirInfo>;

class TOle2Stream;

// One open compound file, for one load or one save. In read mode the whole file is in memory; in
// create mode the tree is built in memory and written out by Commit.
class TOle2Storage {
public:
    enum TMode : quint8 { Read = 0, Create = 1 };

    // Read mode: the file must be a compound file (else "The file ... is invalid"). Create mode
    // with no target: the file is created at once and must not exist. With a target device the
    // finished file goes there instead of to disk.
    TOle2Storage(const QString& fileName, QIODevice* targetStream, TMode mode);
    // Read mode over bytes already in memory (the name is only used in messages).
    TOle2Storage(const QByteArray& bytes, const QString& name);
    // A storage never committed (a failed save) removes the file it created.
    ~TOle2Storage();
    TOle2Storage(const TOle2Storage&) = delete;
    TOle2Storage& operator=(const TOle2Storage&) = delete;

    TMode Mode() const { return mode_; }
    void OpenSubStorage(const QString& name);
    void CloseSubStorage();
    TMsOleDirInfoArray GetDirectory() const;
    // Create mode: writes the file, or the whole container into the target device.
    void Commit();

private:
    friend class TOle2Stream;
    TMode mode_;
    QString fileName_;
    QIODevice* targetStream_ = nullptr;
    TCompoundEntry root_;
    TCompoundEntry* storage_ = &root_;
    std::vector<TCompoundEntry*> storageStack_;
    // Where the current storage stands, as child indexes from the root. Entries live in vectors
    // that grow as entries are added, so a handle kept across an addition finds its entry again
    // by this path instead of holding its address.
    std::vector<size_t> path_;
    bool createdFile_ = false;
    bool committed_ = false;

    TCompoundEntry* Child(const QString& name, TCompoundEntryType type) const;
    TCompoundEntry* Resolve(const std::vector<size_t>& path);
};

// A stream of the current storage: the stored bytes in read mode, a new stream in create mode
// (its bytes reach the storage when the stream object is closed or destroyed).
class TOle2Stream : public QBuffer {
public:
    TOle2Stream(TOle2Storage& storage, const QString& name);
    ~TOle2Stream() override;
    void close() override;

private:
    TOle2Storage& storage_;
    // Create mode: the path of the new entry, until the stream hands its bytes over.
    std::vector<size_t> targetPath_;
    bool open_ = false;
    QByteArray bytes_;
};
