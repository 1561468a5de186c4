#pragma once

#include <QString>
#include <exception>
#include <string>

// What kind of failure an engine error was, as far as a caller may act on it differently: a
// database held by another connection's write, a full disk, a damaged file, a file that cannot be
// read or written (a share gone away), a file or folder the program may not write. Anything else
// (a statement the engine refuses, a check of the data) is Other.
enum class TDatabaseFailure { Other, Busy, DiskFull, Damaged, Unreachable, ReadOnly };

// An error of the database engine or of the SQL handed to it. The message is the engine's own
// text (what the program shows); the statement is kept beside it so that a report names the
// SQL that failed.
class EDatabaseError : public std::exception {
public:
    EDatabaseError(const QString& message, const QString& statement = QString(),
                   TDatabaseFailure failure = TDatabaseFailure::Other)
        : message_(message), statement_(statement), failure_(failure), what_(message.toStdString()) {}

    const char* what() const noexcept override { return what_.c_str(); }
    const QString& Message() const { return message_; }
    const QString& Statement() const { return statement_; }
    TDatabaseFailure Failure() const { return failure_; }

private:
    QString message_;
    QString statement_;
    TDatabaseFailure failure_;
    std::string what_;
};
