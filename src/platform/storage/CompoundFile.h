#pragma once

#include <QByteArray>
#include <QString>
#include <stdexcept>
#include <vector>

// OLE2 compound files ("structured storage"): a small file system of named storages and streams
// inside one file. The whole tree is read into memory at once and written out at once, which is
// all a workbook needs: it is always copied entry by entry from a template into a new file.

// A failing structured-storage operation; the text says what went wrong and where.
class EOleError : public std::runtime_error {
public:
    explicit EOleError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

enum class TCompoundEntryType : quint8 { Storage = 1, Stream = 2, Root = 5 };

struct TCompoundEntry {
    QString Name;  // as stored, UTF-16; at most 31 units
    TCompoundEntryType Type = TCompoundEntryType::Stream;
    QByteArray Data;                       // streams only
    std::vector<TCompoundEntry> Children;  // storages (and the root) only, in enumeration order
};

// True when the bytes start like a compound file (the 8-byte signature and a header in full).
bool StgIsStorageData(const QByteArray& bytes);
bool StgIsStorageFile(const QString& fileName);

// Reads the whole tree. Children come in the order the directory's tree keeps them (shorter names
// first, then by upper-cased name), which is the order the system's own enumeration gives; copies
// of a template therefore keep its order. Malformed or hostile input raises EOleError.
TCompoundEntry ReadCompoundFile(const QByteArray& bytes);
TCompoundEntry ReadCompoundFileFromPath(const QString& fileName);

// Writes a tree rooted at `root` (its own name is written as "Root Entry") in the 512-byte sector
// version of the format; streams under 4096 bytes go to the mini stream.
QByteArray WriteCompoundFile(const TCompoundEntry& root);

// Writes a new file; an existing file of that name is never replaced (EOleError instead).
void CreateCompoundFile(const QString& fileName, const TCompoundEntry& root);

// The directory's name order: by length, then unit by unit upper-cased.
int CompareEntryNames(const QString& a, const QString& b);
