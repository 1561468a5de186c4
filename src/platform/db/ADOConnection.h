#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/data/FieldType.h"
#include "platform/db/DatabaseError.h"
#include "platform/db/Parameters.h"
#include "platform/db/Rowset.h"
#include "platform/files/FileLock.h"

struct sqlite3;
struct sqlite3_stmt;

// A column as schema lookup reports it.
struct TSchemaColumn {
    QString TableName;
    QString ColumnName;
    QString JetType;  // "Text(50)", "Memo", "Money", "Yes/No", "Date-time", "AutoNumber", ...
    TFieldType DataType = ftUnknown;
    int Size = 0;  // characters of a text column
    bool Nullable = true;
};

// What a connection tells the program while one of its statements waits for another
// connection's write: Began once the wait has gone on for a while, Waiting between the tries
// after that, Ended once when it is over.
enum class TBusyWait { Began, Waiting, Ended };

struct TSchemaIndex {
    QString TableName;
    QString IndexName;  // the name given in CREATE INDEX
    bool Unique = false;
    QStringList Columns;
};

// One open database, as the program's data layer sees it: Jet SQL in, rows and row counts
// out. Statements are translated once and kept prepared per text, so a command that runs the
// same SQL with new parameter values costs no more than a raw prepared statement.
//
// Transactions do not nest: BeginTrans inside a transaction is an error. A unit of work that may
// run inside another uses savepoints instead (TTransaction does either, as the connection stands).
class TADOConnection {
public:
    TADOConnection();
    ~TADOConnection();
    TADOConnection(const TADOConnection&) = delete;
    TADOConnection& operator=(const TADOConnection&) = delete;

    // Opens an existing database. The password is kept for whoever asks, but the files carry
    // none. Throws EDatabaseError when the file is missing or not a database.
    void Open(const QString& path, const QString& password = QString());
    void Close();
    bool Connected() const { return db_ != nullptr; }
    const QString& FileName() const { return path_; }
    const QString& Password() const { return password_; }
    // The presence file this connection holds while it is open ("Global.ldb" for "Global.MDB").
    QString PresenceFileName() const;

    // An empty database file, for the tools that build the templates.
    static void CreateDatabase(const QString& path);

    // Runs a statement; rows affected for INSERT, UPDATE and DELETE, 0 for anything else.
    int Execute(const QString& sql, const TParameters& params = TParameters());
    // Runs a query and reads all its rows.
    std::unique_ptr<TRowset> OpenRowset(const QString& sql, const TParameters& params = TParameters());

    void BeginTrans();
    void CommitTrans();
    void RollbackTrans();
    bool InTransaction() const { return inTransaction_; }
    // A savepoint inside the open transaction; its number is passed back to end it. Savepoints
    // end innermost first.
    int BeginSavepoint();
    void ReleaseSavepoint(int savepoint);
    void RollbackToSavepoint(int savepoint);

    // Called after every INSERT, UPDATE or DELETE that succeeded, with the statement as the
    // caller wrote it and the rows it affected (the change stamps hang on it).
    std::function<void(const QString& sql, int rowsAffected)> OnExecuteComplete;
    // The display format the program gives the values of a table's column wherever a query reads
    // it (amounts of money with grouped thousands and two decimals); empty for none.
    std::function<QString(const QString& table, const QString& column)> ColumnDisplayFormat;

    // Schema lookup. Names of tables are compared without regard to letter case.
    QStringList GetTableNames();
    // All columns of one table, or of every table when the name is empty, in table order.
    std::vector<TSchemaColumn> GetColumns(const QString& table = QString());
    std::vector<TSchemaIndex> GetIndexes(const QString& table);

    sqlite3* Handle() const { return db_; }

    // How Open waits between tries while a probing station holds the presence file; tests put
    // a counter here instead of the clock.
    static std::function<void()> PresenceRetryWait;

    // A statement that meets the database held by another connection's write (another station
    // saving or importing) waits for it instead of failing. The first few seconds pass quietly;
    // after that the hook is called between tries (Began, then Waiting), and answering false stops
    // the wait: the statement then fails as Busy. Ended follows once when a wait the hook was told
    // of is over, whichever way. Without a hook a statement waits as long as the write lasts. The
    // hook is called while no statement of the connection runs, so it may pump window messages.
    static std::function<bool(TBusyWait)> OnBusyWait;
    // One short pause between two tries; tests put a counter here instead of the clock.
    static std::function<void()> BusyRetryWait;

private:
    struct Prepared;

    Prepared& Prepare(const QString& sql);
    void Bind(Prepared& p, const TParameters& params, const QString& sql);
    void CheckOpen(const QString& sql) const;
    [[noreturn]] void Fail(const QString& sql) const;
    void ExecRaw(const char* sql);
    int ReadRows(sqlite3_stmt* stmt, const QString& sql, std::unique_ptr<TRowset>& out,
                 std::optional<EDatabaseError>& error);
    static int PauseWhileBusy(void* connection, int count);
    template <class Attempt>
    int WhileBusy(Attempt&& attempt, bool commit = false);
    void ClearCache();
    void EnterPresence(const QString& databasePath);

    sqlite3* db_ = nullptr;
    QString path_;
    QString password_;
    bool inTransaction_ = false;
    int busyPauses_ = 0;  // the engine's pauses in the current try
    int savepoints_ = 0;
    TPresenceFile presence_;
    std::unordered_map<QString, std::unique_ptr<Prepared>> cache_;
    QString lastSql_;  // shares its text with the text last_ was asked for last
    Prepared* last_ = nullptr;
};
