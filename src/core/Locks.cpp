#include "core/Locks.h"

#include <QFile>
#include <QSaveFile>
#include <QtEndian>
#include <bit>
#include <cstring>

#include "core/DataFolder.h"
#include "platform/db/ADOConnection.h"
#include "platform/files/FileUtils.h"
#include "platform/ui/Dialogs.h"

bool ChangeStampsSuspended = false;
std::array<TDateTime, kStampedTableCount> LastSeenStamp = {0, 0, 0};

namespace {

const char* const kCannotCreateLock = "Nelze vytvořit pomocný soubor ";

const char* const kStampedTables[kStampedTableCount] = {"ADRESAR", "ZASOBY", "SKUPINY"};
const char* const kStampPrefixes[kStampedTableCount] = {"01", "02", "03"};
constexpr qint64 kStampSize = 8;

bool WriteStampFile(const QString& path, TDateTime stamp) {
    // Written aside and renamed into place, so a station reading at that moment sees the old stamp
    // or the new one, never half of it.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    char bytes[kStampSize];
    qToLittleEndian(std::bit_cast<quint64>(stamp), bytes);
    if (file.write(bytes, kStampSize) != kStampSize) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool ReadStampFile(const QString& path, TDateTime& stamp) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() != kStampSize) return false;
    char bytes[kStampSize];
    if (file.read(bytes, kStampSize) != kStampSize) return false;
    stamp = std::bit_cast<double>(qFromLittleEndian<quint64>(bytes));
    return true;
}

QString StampPath(int index) {
    return LockFolder + QString::fromLatin1(kStampPrefixes[index]) + CurrentFirm + ".tsf";
}

bool IsBlank(QChar c) { return c.isSpace(); }

}  // namespace

QString RecordLockPath(const QString& table, int id) {
    return LockFolder + "~" + CurrentFirm + "~" + table + "~" + QString::number(id) + ".lck";
}

QString GlobalRecordLockPath(const QString& table, int id) {
    return LockFolder + "~Global~" + table + "~" + QString::number(id) + ".lck";
}

bool TestRecordLock(const QString& path) {
    if (!FileExists(path)) return false;
    TFileLock probe;
    // A holder keeps the file locked; a file we can lock ourselves is stale. It is deleted while
    // we hold it, so nobody can take it in between, and only after the lock has proved to be on
    // the file at the path: deleting a file that a new holder just made would free its record.
    if (!probe.Open(path, true, false)) return FileExists(path);
    const bool removed = probe.RemoveAndRelease();
    return !removed && FileExists(path);
}

bool CreateRecordLock(const QString& path) {
    // Made and checked under its own lock, so a stale file is reused and a held one refused.
    TFileLock lock;
    if (lock.Open(path, true, true)) return true;
    ShowError(QString::fromUtf8(kCannotCreateLock) + path);
    return false;
}

TRecordLock::TResult TRecordLock::Take(const QString& path) {
    Release();
    // One step: whoever takes the lock on the file at the path holds the record. A stale file
    // left by a station that ended is simply taken over; a station that is testing or releasing
    // it at the same moment costs a round inside Open, never a second holder.
    if (lock_.Open(path, true, true)) {
        path_ = path;
        return Taken;
    }
    if (lock_.Failure() == TFileLock::TFailure::InUse) return InUse;
    ShowError(QString::fromUtf8(kCannotCreateLock) + path);
    return Failed;
}

void TRecordLock::Release() {
    if (!lock_.IsHeld()) return;
    lock_.RemoveAndRelease();
    path_.clear();
}

int ChangeStampIndex(const QString& table) {
    for (int i = 0; i < kStampedTableCount; ++i)
        if (table.compare(QLatin1String(kStampedTables[i]), Qt::CaseInsensitive) == 0) return i;
    return -1;
}

QString ChangeStampPath(const QString& table) {
    const int index = ChangeStampIndex(table);
    return index < 0 ? QString() : StampPath(index);
}

TDateTime TableChangeStamp(TStampOp op, const QString& tableName) {
    switch (op) {
        case tsWrite: {
            const int index = ChangeStampIndex(tableName);
            if (ChangeStampsSuspended || index < 0) return 0;
            const TDateTime now = Now();
            if (WriteStampFile(StampPath(index), now)) LastSeenStamp[static_cast<size_t>(index)] = now;
            return 0;
        }
        case tsRead: {
            const int index = ChangeStampIndex(tableName);
            const TDateTime now = Now();
            if (index < 0) return now;
            const QString path = StampPath(index);
            if (!FileExists(path)) {
                WriteStampFile(path, now);
                return now;
            }
            TDateTime stamp = 0;
            return ReadStampFile(path, stamp) ? stamp : now;
        }
        case tsDelete:
            for (int i = 0; i < kStampedTableCount; ++i) QFile::remove(StampPath(i));
            return 0;
    }
    return 0;
}

bool ChangeStampDiffers(const QString& tableName) {
    const int index = ChangeStampIndex(tableName);
    if (index < 0) return true;
    const TDateTime stamp = TableChangeStamp(tsRead, tableName);
    TDateTime& seen = LastSeenStamp[static_cast<size_t>(index)];
    // Compared bit for bit: any other value means someone wrote the file since we last looked,
    // even when their clock is behind ours.
    if (std::memcmp(&stamp, &seen, sizeof stamp) == 0) return false;
    seen = stamp;
    return true;
}

QString ChangedTableOfStatement(const QString& sql) {
    static const struct { const char* verb; } kVerbs[] = {{"INSERT INTO"}, {"UPDATE"}, {"DELETE FROM"}};
    constexpr qsizetype kSearchLimit = 255;

    qsizetype start = 0;
    while (start < sql.size() && IsBlank(sql[start])) ++start;
    for (const auto& v : kVerbs) {
        const QLatin1String verb(v.verb);
        if (sql.mid(start, verb.size()).compare(verb, Qt::CaseInsensitive) != 0) continue;
        qsizetype pos = start + verb.size();
        if (pos >= sql.size() || !IsBlank(sql[pos])) return {};
        while (pos < sql.size() && IsBlank(sql[pos])) ++pos;
        const qsizetype nameStart = pos;
        const qsizetype limit = std::min(sql.size(), nameStart + kSearchLimit);
        while (pos < limit && !IsBlank(sql[pos]) && sql[pos] != '(') ++pos;
        // A name running past the search window is no name we know.
        if (pos == limit && limit < sql.size()) return {};
        QString name = sql.mid(nameStart, pos - nameStart);
        if (name.startsWith('[') && name.endsWith(']')) name = name.mid(1, name.size() - 2);
        return name;
    }
    return {};
}

void StampChangedTable(const QString& sql) {
    // A suspended stamp is written by no statement; bulk runs need not even find the table.
    if (ChangeStampsSuspended) return;
    const QString table = ChangedTableOfStatement(sql);
    if (!table.isEmpty()) TableChangeStamp(tsWrite, table);
}

void HookChangeStamps(TADOConnection& firmConnection) {
    firmConnection.OnExecuteComplete = [](const QString& sql, int) { StampChangedTable(sql); };
}
