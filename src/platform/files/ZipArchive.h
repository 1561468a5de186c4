#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// Zip archives as the program's backups and transfer files use them: members under bare names,
// deflated at the highest level. Archives come from users, so extraction never writes outside the
// folder it is given: a member whose name is absolute or climbs with ".." is refused, and the whole
// extraction with it, before anything is written.

struct TZipMember {
    QString name;  // name inside the archive
    QString path;  // file on disk
};

// What the library reported when an operation failed; `code` 0 means no failure.
struct TZipError {
    int code = 0;
    QString message;
};

// Called with the total progress in percent; returning false cancels the running operation.
using TZipProgress = std::function<bool(int percent)>;

// Error codes of our own, beside the library's (which are small positive numbers).
inline constexpr int kZipErrorCancelled = 1001;
inline constexpr int kZipErrorUnsafeName = 1002;
inline constexpr int kZipErrorWrite = 1003;

// Writes a new archive holding the members in the given order; an existing file of that name is
// replaced only when the new archive is complete. True on success; `error` says why otherwise.
bool ZipCreate(const QString& archive, const QList<TZipMember>& members, TZipError* error,
               const TZipProgress& progress = {});

// The member names in archive order; empty with `error` set when the archive cannot be read.
QStringList ZipMemberNames(const QString& archive, TZipError* error);

// Extracts the members whose names match one of the wildcard masks ("*.frx", "info.ini"; case
// does not matter, an empty list means every member) into `folder`, overwriting files there. Each
// file appears whole or not at all. Returns the number of files extracted, or -1 with `error` set.
int ZipExtract(const QString& archive, const QString& folder, const QStringList& masks, TZipError* error,
               const TZipProgress& progress = {});

// True when a member of that name may be extracted into a folder: not absolute, no drive letter,
// no ".." step, not empty.
bool ZipMemberNameIsSafe(const QString& name);
