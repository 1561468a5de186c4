#include "platform/db/ADOConnection.h"

#include <sqlite3.h>

#include <QDateTime>
#include <QFileInfo>
#include <QThread>
#include <QUuid>
#include <cstring>
#include <optional>

#include "platform/data/VariantType.h"
#include "platform/db/JetFunctions.h"
#include "platform/db/JetSql.h"
#include "platform/db/Presence.h"
#include "platform/files/FileUtils.h"
#include "platform/text/OleDate.h"
#include "platform/text/SharedText.h"

namespace {

// Prepared statements are kept per SQL text; texts that splice in record numbers make new
// entries all the time, so the cache is simply emptied when it grows past this.
constexpr size_t kCacheLimit = 256;

QString ErrorText(sqlite3* db) { return QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory"); }

TDatabaseFailure FailureOf(int rc) {
    switch (rc & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return TDatabaseFailure::Busy;
        case SQLITE_FULL:
            return TDatabaseFailure::DiskFull;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return TDatabaseFailure::Damaged;
        case SQLITE_IOERR:
        case SQLITE_CANTOPEN:
        case SQLITE_PROTOCOL:
            return TDatabaseFailure::Unreachable;
        case SQLITE_READONLY:
        case SQLITE_PERM:
            return TDatabaseFailure::ReadOnly;
        default:
            return TDatabaseFailure::Other;
    }
}

// The connection's last error as the program sees it.
EDatabaseError EngineError(sqlite3* db, const QString& sql) {
    return EDatabaseError(ErrorText(db), sql, FailureOf(db ? sqlite3_errcode(db) : SQLITE_NOMEM));
}

bool IsBusy(int rc) { return (rc & 0xff) == SQLITE_BUSY; }

// While another connection holds the database for a write, the engine itself pauses and tries
// again for a round of short pauses; a round that ends still locked comes back to the connection,
// which tries again after telling the program, because nothing may use the connection while
// the engine waits inside a statement.
constexpr unsigned long kBusyPauseMs = 20;
constexpr int kBusyPausesPerRound = 10;
// Another station's save holds the database for a moment only; a wait is shown to the user once
// it has gone on for about three seconds, so that an ordinary save never flashes a window.
constexpr int kBusyQuietRounds = 15;

// One statement's wait: tells the program of it once the quiet rounds are over, and that it has
// ended, on every way out.
class TBusyRounds {
public:
    TBusyRounds() = default;
    TBusyRounds(const TBusyRounds&) = delete;
    TBusyRounds& operator=(const TBusyRounds&) = delete;
    ~TBusyRounds() {
        if (told_ && TADOConnection::OnBusyWait) TADOConnection::OnBusyWait(TBusyWait::Ended);
    }
    bool KeepWaiting() {
        if (++rounds_ < kBusyQuietRounds || !TADOConnection::OnBusyWait) return true;
        const TBusyWait event = told_ ? TBusyWait::Waiting : TBusyWait::Began;
        told_ = true;
        return TADOConnection::OnBusyWait(event);
    }

private:
    int rounds_ = 0;
    bool told_ = false;
};

TFieldType FieldTypeOf(const TJetColumnType& t) {
    static const std::pair<const char*, TFieldType> kTypes[] = {
        {"AutoNumber", ftAutoInc}, {"Long Integer", ftInteger}, {"Integer", ftSmallint},
        {"Byte", ftWord},          {"Yes/No", ftBoolean},       {"Memo", ftMemo},
        {"Money", ftCurrency},     {"Decimal", ftFloat},        {"Double", ftFloat},
        {"Single", ftFloat},       {"Date-time", ftDateTime},   {"GUID", ftGuid},
        {"Binary", ftBlob},
    };
    if (t.JetName.startsWith(u"Text(")) return ftString;
    for (const auto& [name, type] : kTypes)
        if (t.JetName == QLatin1String(name)) return type;
    return ftUnknown;
}

// A statement of our own (schema lookup, transactions) that never goes through the cache.
class RawStatement {
public:
    RawStatement(sqlite3* db, const char* sql) : db_(db) {
        if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK)
            throw EngineError(db, QString::fromUtf8(sql));
    }
    ~RawStatement() { sqlite3_finalize(stmt_); }
    RawStatement(const RawStatement&) = delete;
    RawStatement& operator=(const RawStatement&) = delete;

    void BindText(int index, const QString& s) {
        const QByteArray utf8 = s.toUtf8();
        sqlite3_bind_text(stmt_, index, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
    }
    bool Next() {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        throw EngineError(db_, QString::fromUtf8(sqlite3_sql(stmt_)));
    }
    QString Text(int column) const {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column)),
                                 sqlite3_column_bytes(stmt_, column));
    }
    qint64 Int(int column) const { return sqlite3_column_int64(stmt_, column); }

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

// storage holds the bound UTF-8 text for as long as the engine may read it: until the parameter
// is bound again (the caller keeps it per parameter of the statement), so the engine takes the text
// without copying it.
void BindText(sqlite3_stmt* stmt, int index, const QString& s, QByteArray& storage) {
    // A null QString would bind as NULL; the program means the empty text. Empty texts are most of
    // what a new row binds, and as static UTF-8 they cost the engine no copy and no conversion.
    if (s.isEmpty()) {
        sqlite3_bind_text(stmt, index, "", 0, SQLITE_STATIC);
        return;
    }
    // Converting well-formed text to the database's UTF-8 here is several times cheaper than the
    // engine's own conversion; text with a stray surrogate is left to the engine, which has always
    // stored it its own way.
    if (QStringView(s).isValidUtf16()) {
        storage = s.toUtf8();
        sqlite3_bind_text64(stmt, index, storage.constData(), static_cast<sqlite3_uint64>(storage.size()),
                            SQLITE_STATIC, SQLITE_UTF8);
        return;
    }
    sqlite3_bind_text16(stmt, index, s.utf16(), static_cast<int>(s.size() * 2), SQLITE_TRANSIENT);
}

void BindBlob(sqlite3_stmt* stmt, int index, const QByteArray& b) {
    // A zero-length blob is a value, not NULL.
    if (b.isEmpty())
        sqlite3_bind_zeroblob(stmt, index, 0);
    else
        sqlite3_bind_blob(stmt, index, b.constData(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
}

int BindValue(sqlite3_stmt* stmt, int index, const TParameter& p, QByteArray& storage) {
    const QVariant& v = p.Value;
    const int type = v.typeId();
    // The common cases of a long run first, without conversions.
    if (p.DataType == ftUnknown) {
        switch (type) {
            case QMetaType::QString:
                BindText(stmt, index, *static_cast<const QString*>(v.constData()), storage);
                return SQLITE_OK;
            case QMetaType::Double:
                return sqlite3_bind_double(stmt, index, *static_cast<const double*>(v.constData()));
            case QMetaType::Int:
                return sqlite3_bind_int(stmt, index, *static_cast<const int*>(v.constData()));
            case QMetaType::LongLong:
                return sqlite3_bind_int64(stmt, index, *static_cast<const qlonglong*>(v.constData()));
            case QMetaType::Bool:
                return sqlite3_bind_int(stmt, index, *static_cast<const bool*>(v.constData()) ? 1 : 0);
            default:
                break;
        }
    }
    if (!v.isValid() || v.isNull()) return sqlite3_bind_null(stmt, index);
    // Dates are stored as OLE days, whichever way the caller holds them.
    if (type == QMetaType::QDateTime) return sqlite3_bind_double(stmt, index, QDateTimeToOle(v.toDateTime()));
    if (type == QMetaType::QDate) return sqlite3_bind_double(stmt, index, DateTimeToOle(v.toDate()));
    if (type == QMetaType::QTime)
        return sqlite3_bind_double(stmt, index, DateTimeToOle(QDate(1899, 12, 30), v.toTime()));
    switch (p.DataType) {
        case ftBoolean:
            return sqlite3_bind_int(stmt, index, v.toBool() ? 1 : 0);
        case ftSmallint:
        case ftInteger:
        case ftWord:
        case ftAutoInc:
        case ftLargeint:
            return sqlite3_bind_int64(stmt, index, v.toLongLong());
        case ftFloat:
        case ftCurrency:
        case ftBCD:
        case ftDate:
        case ftTime:
        case ftDateTime:
            return sqlite3_bind_double(stmt, index, v.toDouble());
        case ftString:
        case ftMemo:
        case ftWideString:
        case ftGuid:
            BindText(stmt, index, v.toString(), storage);
            return SQLITE_OK;
        case ftBlob:
        case ftGraphic:
            BindBlob(stmt, index, v.toByteArray());
            return SQLITE_OK;
        default:
            break;
    }
    if (IsIntegerVariant(v)) return sqlite3_bind_int64(stmt, index, v.toLongLong());
    if (IsNumberVariant(v)) return sqlite3_bind_double(stmt, index, v.toDouble());
    switch (type) {
        case QMetaType::Bool:
            return sqlite3_bind_int(stmt, index, v.toBool() ? 1 : 0);
        case QMetaType::QByteArray:
            BindBlob(stmt, index, v.toByteArray());
            return SQLITE_OK;
        case QMetaType::QUuid:
            BindText(stmt, index, v.toUuid().toString(QUuid::WithBraces).toUpper(), storage);
            return SQLITE_OK;
        default:
            BindText(stmt, index, v.toString(), storage);
            return SQLITE_OK;
    }
}

// How a column's values are read into the rowset.
enum class ReadAs { Integer, Boolean, Real, Text, Blob, ByValue };

ReadAs ReadAsOf(TFieldType t) {
    switch (t) {
        case ftSmallint:
        case ftInteger:
        case ftWord:
        case ftAutoInc:
        case ftLargeint:
            return ReadAs::Integer;
        case ftBoolean:
            return ReadAs::Boolean;
        case ftFloat:
        case ftCurrency:
        case ftDateTime:
            return ReadAs::Real;
        case ftString:
        case ftMemo:
        case ftGuid:
            return ReadAs::Text;
        case ftBlob:
            return ReadAs::Blob;
        default:
            return ReadAs::ByValue;
    }
}

QVariant ReadValue(sqlite3_stmt* stmt, int i, ReadAs as) {
    const int stored = sqlite3_column_type(stmt, i);
    if (stored == SQLITE_NULL) return QVariant();
    if (as == ReadAs::ByValue) {
        as = stored == SQLITE_INTEGER ? ReadAs::Integer
             : stored == SQLITE_FLOAT ? ReadAs::Real
             : stored == SQLITE_BLOB  ? ReadAs::Blob
                                      : ReadAs::Text;
    }
    switch (as) {
        case ReadAs::Integer:
            return QVariant(static_cast<qint64>(sqlite3_column_int64(stmt, i)));
        case ReadAs::Boolean:
            return QVariant(sqlite3_column_int64(stmt, i) != 0);
        case ReadAs::Real:
            return QVariant(sqlite3_column_double(stmt, i));
        case ReadAs::Blob: {
            const void* p = sqlite3_column_blob(stmt, i);
            return QVariant(QByteArray(static_cast<const char*>(p), sqlite3_column_bytes(stmt, i)));
        }
        default: {
            const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
            return QVariant(QString::fromUtf8(p, sqlite3_column_bytes(stmt, i)));
        }
    }
}

// A computed column has no declared type: Jet types it by its values, and so do we.
void TypeByValues(TRowset& rs, size_t column) {
    bool text = false, real = false, blob = false;
    qsizetype longest = 0;
    const size_t rows = rs.RowCount();
    for (size_t r = 0; r < rows; ++r) {
        const QVariant& v = rs.Value(r, column);
        switch (v.typeId()) {
            case QMetaType::QString:
                text = true;
                longest = std::max(longest, v.toString().size());
                break;
            case QMetaType::Double:
                real = true;
                break;
            case QMetaType::QByteArray:
                blob = true;
                break;
            default:
                break;
        }
    }
    TRowsetColumn& col = rs.Columns[column];
    TFieldType type = text ? (longest > 255 ? ftMemo : ftString) : blob ? ftBlob : real ? ftFloat : ftInteger;
    col.DataType = type;
    col.Size = type == ftString ? 255 : 0;
    for (size_t r = 0; r < rows; ++r) {
        QVariant& v = rs.Values.At(static_cast<uint32_t>(r), static_cast<int>(column));
        if (!v.isValid()) continue;
        if (type == ftString || type == ftMemo)
            v = v.toString();
        else if (type == ftFloat)
            v = v.toDouble();
    }
}

// What a parameter of a prepared statement was last bound to. The engine keeps a statement's
// bindings from one run to the next, so a long run that sends most columns unchanged row after row
// (the defaults of new items, a run's time stamp) binds only the values that changed. Only the
// plain kinds are remembered, and a number only by its exact bits.
class TBoundValue {
public:
    bool Same(const TParameter& p) const {
        if (type_ == QMetaType::UnknownType || p.DataType != ftUnknown || p.Value.typeId() != type_)
            return false;
        const void* v = p.Value.constData();
        switch (type_) {
            case QMetaType::QString: {
                // A run hands in the very text it bound before (a default, a fixed value) far more
                // often than an equal one.
                const QString& text = *static_cast<const QString*>(v);
                return SharesText(text, text_) || text == text_;
            }
            case QMetaType::Double:
                return std::memcmp(v, &number_, sizeof(double)) == 0;
            case QMetaType::Int:
                return *static_cast<const int*>(v) == integer_;
            case QMetaType::LongLong:
                return *static_cast<const qlonglong*>(v) == integer_;
            case QMetaType::Bool:
                return *static_cast<const bool*>(v) == (integer_ != 0);
            default:
                return false;
        }
    }
    void Remember(const TParameter& p) {
        Forget();
        if (p.DataType != ftUnknown) return;
        const void* v = p.Value.constData();
        switch (p.Value.typeId()) {
            case QMetaType::QString:
                text_ = *static_cast<const QString*>(v);
                break;
            case QMetaType::Double:
                std::memcpy(&number_, v, sizeof(double));
                break;
            case QMetaType::Int:
                integer_ = *static_cast<const int*>(v);
                break;
            case QMetaType::LongLong:
                integer_ = *static_cast<const qlonglong*>(v);
                break;
            case QMetaType::Bool:
                integer_ = *static_cast<const bool*>(v) ? 1 : 0;
                break;
            default:
                return;
        }
        type_ = p.Value.typeId();
    }
    void Forget() {
        type_ = QMetaType::UnknownType;
        text_.clear();
    }
    // The bytes of the text bound last; they stay while the engine holds the binding.
    QByteArray& Storage() { return storage_; }

private:
    int type_ = QMetaType::UnknownType;
    QString text_;
    QByteArray storage_;
    double number_ = 0;
    qint64 integer_ = 0;
};

}  // namespace

struct TADOConnection::Prepared {
    sqlite3_stmt* stmt = nullptr;
    QStringList paramNames;
    bool changesData = false;
    std::vector<TBoundValue> bound;  // one per parameter name
    ~Prepared() { sqlite3_finalize(stmt); }
};

TADOConnection::TADOConnection() = default;

TADOConnection::~TADOConnection() { Close(); }

void TADOConnection::Open(const QString& path, const QString& password) {
    Close();
    if (!QFileInfo(path).isFile())
        throw EDatabaseError(QStringLiteral("Could not find file '%1'.").arg(path));
    sqlite3* db = nullptr;
    // A connection is used by the thread that opened it and by no other, so the engine need not
    // lock it around every call; a bulk run makes millions of them.
    const int rc =
        sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        EDatabaseError error = EngineError(db, QString());
        sqlite3_close(db);
        throw error;
    }
    db_ = db;
    try {
        sqlite3_busy_handler(db_, PauseWhileBusy, this);
        // The data folder may be a network share: no WAL (it needs shared memory), and every
        // commit reaches the disk before the program goes on.
        ExecRaw("PRAGMA journal_mode = DELETE");
        ExecRaw("PRAGMA synchronous = FULL");
        ExecRaw("PRAGMA foreign_keys = OFF");
        // A bulk run (an import, a repricing) changes tens of thousands of rows in one transaction;
        // with the engine's small default cache the changed pages spill to the file before the
        // commit and are written twice. The cache takes memory only as pages are used.
        ExecRaw("PRAGMA cache_size = -65536");
        if (RegisterJetFunctions(db_) != SQLITE_OK) throw EngineError(db_, QString());
    } catch (...) {
        sqlite3_close(db_);
        db_ = nullptr;
        throw;
    }
    try {
        EnterPresence(path);
    } catch (...) {
        Close();
        throw;
    }
    path_ = path;
    password_ = password;
}

namespace {

// A probe holds the file for a moment only; fifty short waits outlast any probe.
constexpr int kPresenceTries = 50;
constexpr unsigned long kPresenceWaitMs = 20;

}  // namespace

std::function<void()> TADOConnection::PresenceRetryWait = [] { QThread::msleep(kPresenceWaitMs); };
std::function<void()> TADOConnection::BusyRetryWait = [] { QThread::msleep(kBusyPauseMs); };
std::function<bool(TBusyWait)> TADOConnection::OnBusyWait;

int TADOConnection::PauseWhileBusy(void* connection, int) {
    auto* self = static_cast<TADOConnection*>(connection);
    if (self->busyPauses_ >= kBusyPausesPerRound) return 0;
    ++self->busyPauses_;
    BusyRetryWait();
    return 1;
}

template <class Attempt>
int TADOConnection::WhileBusy(Attempt&& attempt, bool commit) {
    busyPauses_ = 0;
    int rc = attempt();
    if (!IsBusy(rc)) return rc;
    TBusyRounds rounds;
    // A statement refused inside a transaction cannot simply run again (the transaction has to
    // be rolled back first), except its commit; outside one, a refused statement changed nothing.
    while (IsBusy(rc) && (commit || sqlite3_get_autocommit(db_))) {
        // The engine gives up without pausing where waiting could deadlock two connections; the
        // pause keeps the rounds from spinning then.
        if (busyPauses_ == 0) BusyRetryWait();
        if (!rounds.KeepWaiting()) break;
        busyPauses_ = 0;
        rc = attempt();
    }
    return rc;
}

void TADOConnection::EnterPresence(const QString& databasePath) {
    const QString file = PresenceFileOf(databasePath);
    // A station probing for others holds the file exclusively for a moment and deletes it;
    // a connection that meets that moment waits it out and comes back to a fresh file.
    for (int attempt = 0; attempt < kPresenceTries; ++attempt) {
        if (presence_.Open(file)) return;
        // Waiting helps only against a holder: a folder where the file cannot even be made
        // stays so, and saying "in use" would send the user looking for another station.
        if (presence_.Failure() == TFileLock::TFailure::CannotOpen)
            throw EDatabaseError(
                QStringLiteral("The folder '%1' cannot be written; the file '%2' cannot be created.")
                    .arg(QFileInfo(file).absolutePath(), file));
        if (attempt + 1 < kPresenceTries) PresenceRetryWait();
    }
    throw EDatabaseError(QStringLiteral("Could not use '%1'; file already in use.").arg(file));
}

QString TADOConnection::PresenceFileName() const {
    return path_.isEmpty() ? QString() : PresenceFileOf(path_);
}

void TADOConnection::Close() {
    if (!db_) return;
    ClearCache();
    // An open transaction is rolled back by the engine as the connection closes.
    sqlite3_close_v2(db_);
    db_ = nullptr;
    inTransaction_ = false;
    savepoints_ = 0;
    presence_.Close();
}

void TADOConnection::CreateDatabase(const QString& path) {
    if (QFileInfo::exists(path))
        throw EDatabaseError(QStringLiteral("Database '%1' already exists.").arg(path));
    sqlite3* db = nullptr;
    int rc =
        sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc == SQLITE_OK) {
        // Writes the header, so the file is a database from now on and not an empty file.
        rc = sqlite3_exec(db, "PRAGMA journal_mode = DELETE; CREATE TABLE t(x); DROP TABLE t;", nullptr,
                          nullptr, nullptr);
    }
    const QString message = rc == SQLITE_OK ? QString() : ErrorText(db);
    sqlite3_close(db);
    if (rc != SQLITE_OK) throw EDatabaseError(message);
}

void TADOConnection::CheckOpen(const QString& sql) const {
    if (!db_)
        throw EDatabaseError(QStringLiteral("Operation is not allowed when the object is closed."), sql);
}

void TADOConnection::Fail(const QString& sql) const { throw EngineError(db_, sql); }

void TADOConnection::ExecRaw(const char* sql) {
    char* error = nullptr;
    const int rc = WhileBusy(
        [&] {
            sqlite3_free(error);
            error = nullptr;
            return sqlite3_exec(db_, sql, nullptr, nullptr, &error);
        },
        std::strcmp(sql, "COMMIT") == 0);
    if (rc != SQLITE_OK) {
        const QString message = QString::fromUtf8(error ? error : sqlite3_errmsg(db_));
        sqlite3_free(error);
        throw EDatabaseError(message, QString::fromUtf8(sql), FailureOf(rc));
    }
}

void TADOConnection::ClearCache() {
    last_ = nullptr;
    lastSql_.clear();
    cache_.clear();
}

TADOConnection::Prepared& TADOConnection::Prepare(const QString& sql) {
    // A command run over and over hands in the very text it handed in before.
    if (last_ && SharesText(sql, lastSql_)) return *last_;
    if (auto it = cache_.find(sql); it != cache_.end()) {
        // The caller's own text, not the key: a command that came after another with the same
        // text (a second run of the same import) hands in its own.
        lastSql_ = sql;
        last_ = it->second.get();
        return *last_;
    }
    TJetTranslation t = TranslateJetSql(sql);
    auto p = std::make_unique<Prepared>();
    const void* tail = nullptr;
    const int rc = WhileBusy([&] {
        sqlite3_finalize(p->stmt);
        p->stmt = nullptr;
        return sqlite3_prepare16_v3(db_, t.Sql.utf16(), static_cast<int>(t.Sql.size() * 2),
                                    SQLITE_PREPARE_PERSISTENT, &p->stmt, &tail);
    });
    if (rc != SQLITE_OK) Fail(sql);
    if (!p->stmt) throw EDatabaseError(QStringLiteral("Invalid SQL statement."), sql);
    // One statement per call: whatever follows it would otherwise be dropped without a word.
    const auto* rest = static_cast<const QChar*>(tail);
    const auto* end = reinterpret_cast<const QChar*>(t.Sql.utf16()) + t.Sql.size();
    for (; rest < end; ++rest)
        if (!rest->isSpace() && *rest != u';')
            throw EDatabaseError(QStringLiteral("Characters found after end of SQL statement."), sql);
    p->paramNames = t.ParamNames;
    p->bound.resize(static_cast<size_t>(t.ParamNames.size()));
    p->changesData = t.ChangesData;
    if (cache_.size() >= kCacheLimit) ClearCache();
    const auto it = cache_.emplace(sql, std::move(p)).first;
    lastSql_ = it->first;
    last_ = it->second.get();
    return *last_;
}

void TADOConnection::Bind(Prepared& p, const TParameters& params, const QString& sql) {
    // Parameters parsed from the same text stand in the same order: the statement's names and the
    // parameters are walked side by side.
    auto own = params.begin();
    const auto ownEnd = params.end();
    QString* const names = p.paramNames.data();
    for (qsizetype i = 0; i < p.paramNames.size(); ++i) {
        QString& name = names[i];
        const TParameter* prm = nullptr;
        if (own != ownEnd) {
            const TParameter& candidate = *own++;
            // Once matched, the statement's name shares the parameter's text, and a run that binds
            // row after row compares two pointers instead of two names.
            if (SharesText(candidate.Name, name)) {
                prm = &candidate;
            } else if (candidate.Name == name) {
                prm = &candidate;
                name = candidate.Name;
            }
        }
        if (!prm) prm = params.FindParam(name);
        if (!prm)
            throw EDatabaseError(QStringLiteral("No value given for one or more required parameters (%1).")
                                     .arg(p.paramNames[i]),
                                 sql);
        TBoundValue& bound = p.bound[static_cast<size_t>(i)];
        if (bound.Same(*prm)) continue;
        bound.Forget();
        if (BindValue(p.stmt, static_cast<int>(i) + 1, *prm, bound.Storage()) != SQLITE_OK) Fail(sql);
        bound.Remember(*prm);
    }
}

int TADOConnection::Execute(const QString& sql, const TParameters& params) {
    CheckOpen(sql);
    // Each try prepares and binds anew: while the connection waits between tries, the program may
    // have run other statements on it, this very text among them.
    int rows = 0;
    bool changesData = false;
    std::optional<EDatabaseError> error;
    const int rc = WhileBusy([&] {
        Prepared& p = Prepare(sql);
        Bind(p, params, sql);
        int step;
        while ((step = sqlite3_step(p.stmt)) == SQLITE_ROW) {
        }
        if (step == SQLITE_DONE) {
            changesData = p.changesData;
            rows = changesData ? sqlite3_changes(db_) : 0;
        } else {
            error = EngineError(db_, sql);
        }
        sqlite3_reset(p.stmt);
        return step;
    });
    if (rc != SQLITE_DONE) throw *error;
    if (changesData && OnExecuteComplete) OnExecuteComplete(sql, rows);
    return rows;
}

std::unique_ptr<TRowset> TADOConnection::OpenRowset(const QString& sql, const TParameters& params) {
    CheckOpen(sql);
    std::unique_ptr<TRowset> rs;
    std::optional<EDatabaseError> error;
    const int rc = WhileBusy([&] {
        Prepared& p = Prepare(sql);
        Bind(p, params, sql);
        return ReadRows(p.stmt, sql, rs, error);
    });
    if (rc != SQLITE_DONE) throw *error;
    return rs;
}

int TADOConnection::ReadRows(sqlite3_stmt* stmt, const QString& sql, std::unique_ptr<TRowset>& out,
                             std::optional<EDatabaseError>& error) {
    auto rs = std::make_unique<TRowset>();
    const int columns = sqlite3_column_count(stmt);
    std::vector<ReadAs> readAs;
    for (int i = 0; i < columns; ++i) {
        TRowsetColumn col;
        col.Name = QString::fromUtf8(sqlite3_column_name(stmt, i));
        const char* declared = sqlite3_column_decltype(stmt, i);
        if (declared) {
            int autoInc = 0;
            const char* table = sqlite3_column_table_name(stmt, i);
            const char* origin = sqlite3_column_origin_name(stmt, i);
            if (table && origin)
                sqlite3_table_column_metadata(db_, sqlite3_column_database_name(stmt, i), table, origin,
                                              nullptr, nullptr, nullptr, nullptr, &autoInc);
            const TJetColumnType t = JetTypeOfDeclared(QString::fromUtf8(declared), autoInc != 0);
            col.DataType = FieldTypeOf(t);
            col.Size = t.Size;
            if (table && origin && ColumnDisplayFormat)
                col.DisplayFormat = ColumnDisplayFormat(QString::fromUtf8(table), QString::fromUtf8(origin));
        }
        readAs.push_back(declared ? ReadAsOf(col.DataType) : ReadAs::ByValue);
        rs->Columns.push_back(col);
    }
    rs->Values.Reset(columns);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        const uint32_t row = rs->Values.Append();
        for (int i = 0; i < columns; ++i)
            rs->Values.At(row, i) = ReadValue(stmt, i, readAs[static_cast<size_t>(i)]);
    }
    if (rc != SQLITE_DONE) {
        error = EngineError(db_, sql);
        sqlite3_reset(stmt);
        return rc;
    }
    sqlite3_reset(stmt);
    for (int i = 0; i < columns; ++i)
        if (readAs[static_cast<size_t>(i)] == ReadAs::ByValue) TypeByValues(*rs, static_cast<size_t>(i));
    out = std::move(rs);
    return rc;
}

void TADOConnection::BeginTrans() {
    CheckOpen(QStringLiteral("BEGIN"));
    if (inTransaction_) throw EDatabaseError(QStringLiteral("Transactions do not nest."));
    // Takes the write lock at once: two stations that both start reading and then want to
    // write would otherwise have to fail one of them instead of waiting.
    ExecRaw("BEGIN IMMEDIATE");
    inTransaction_ = true;
}

void TADOConnection::CommitTrans() {
    CheckOpen(QStringLiteral("COMMIT"));
    if (!inTransaction_) throw EDatabaseError(QStringLiteral("No transaction is active."));
    ExecRaw("COMMIT");  // a commit refused as busy leaves the transaction open, to retry or roll back
    inTransaction_ = false;
    savepoints_ = 0;
}

void TADOConnection::RollbackTrans() {
    CheckOpen(QStringLiteral("ROLLBACK"));
    if (!inTransaction_) throw EDatabaseError(QStringLiteral("No transaction is active."));
    // Some errors end the transaction inside the engine already; nothing is left to undo then.
    // A rollback the engine refuses leaves the transaction open, and the flag says so, so that
    // the caller may try again instead of writing on into changes it believes undone.
    if (!sqlite3_get_autocommit(db_)) ExecRaw("ROLLBACK");
    inTransaction_ = false;
    savepoints_ = 0;
}

namespace {

QByteArray SavepointName(int savepoint) { return "vn_unit_" + QByteArray::number(savepoint); }

}  // namespace

int TADOConnection::BeginSavepoint() {
    CheckOpen(QStringLiteral("SAVEPOINT"));
    if (!inTransaction_) throw EDatabaseError(QStringLiteral("No transaction is active."));
    const int savepoint = savepoints_ + 1;
    ExecRaw(("SAVEPOINT " + SavepointName(savepoint)).constData());
    savepoints_ = savepoint;
    return savepoint;
}

void TADOConnection::ReleaseSavepoint(int savepoint) {
    CheckOpen(QStringLiteral("RELEASE"));
    if (savepoint != savepoints_) throw EDatabaseError(QStringLiteral("Savepoints end innermost first."));
    ExecRaw(("RELEASE " + SavepointName(savepoint)).constData());
    savepoints_ = savepoint - 1;
}

void TADOConnection::RollbackToSavepoint(int savepoint) {
    CheckOpen(QStringLiteral("ROLLBACK TO"));
    if (savepoint != savepoints_) throw EDatabaseError(QStringLiteral("Savepoints end innermost first."));
    savepoints_ = savepoint - 1;
    // An error that made the engine end the whole transaction took the savepoint with it; the
    // outer unit learns it when it commits.
    if (sqlite3_get_autocommit(db_)) return;
    const QByteArray name = SavepointName(savepoint);
    ExecRaw(("ROLLBACK TO " + name).constData());
    ExecRaw(("RELEASE " + name).constData());
}

QStringList TADOConnection::GetTableNames() {
    CheckOpen(QString());
    QStringList names;
    RawStatement st(
        db_,
        "SELECT name FROM sqlite_schema WHERE type = 'table' AND name NOT GLOB 'sqlite_*' ORDER BY rowid");
    while (st.Next()) names << st.Text(0);
    return names;
}

std::vector<TSchemaColumn> TADOConnection::GetColumns(const QString& table) {
    std::vector<TSchemaColumn> out;
    for (const QString& name : GetTableNames()) {
        if (!table.isEmpty() && name.compare(table, Qt::CaseInsensitive) != 0) continue;
        RawStatement st(db_, "SELECT name, type, \"notnull\", pk FROM pragma_table_info(?1) ORDER BY cid");
        st.BindText(1, name);
        while (st.Next()) {
            TSchemaColumn c;
            c.TableName = name;
            c.ColumnName = st.Text(0);
            int autoInc = 0;
            sqlite3_table_column_metadata(db_, "main", name.toUtf8().constData(),
                                          c.ColumnName.toUtf8().constData(), nullptr, nullptr, nullptr,
                                          nullptr, &autoInc);
            const TJetColumnType t = JetTypeOfDeclared(st.Text(1), autoInc != 0);
            c.JetType = t.JetName;
            c.DataType = FieldTypeOf(t);
            c.Size = t.Size;
            c.Nullable = st.Int(2) == 0 && st.Int(3) == 0;
            out.push_back(c);
        }
    }
    return out;
}

std::vector<TSchemaIndex> TADOConnection::GetIndexes(const QString& table) {
    std::vector<TSchemaIndex> out;
    for (const QString& name : GetTableNames()) {
        if (name.compare(table, Qt::CaseInsensitive) != 0) continue;
        RawStatement list(
            db_, "SELECT name, \"unique\" FROM pragma_index_list(?1) WHERE origin <> 'pk' ORDER BY seq");
        list.BindText(1, name);
        while (list.Next()) {
            TSchemaIndex ix;
            ix.TableName = name;
            const QString stored = list.Text(0);
            ix.IndexName = JetIndexName(stored);
            ix.Unique = list.Int(1) != 0;
            RawStatement info(db_, "SELECT name FROM pragma_index_info(?1) ORDER BY seqno");
            info.BindText(1, stored);
            while (info.Next()) ix.Columns << info.Text(0);
            out.push_back(ix);
        }
    }
    std::reverse(out.begin(), out.end());  // pragma_index_list lists the newest first
    return out;
}
