#pragma once

#include <QString>
#include <exception>
#include <string>

// An error of the database engine or of the SQL handed to it. The message is the engine's own
// text (what the program shows); the statement is kept beside it so that a report names the
// SQL that failed.
class EDatabaseError : public std::exception {
public:
    EDatabaseError(const QString& message, const QString& statement = QString())
        : message_(message), statement_(statement), what_(message.toStdString()) {}

    const char* what() const noexcept override { return what_.c_str(); }
    const QString& Message() const { return message_; }
    const QString& Statement() const { return statement_; }

private:
    QString message_;
    QString statement_;
    std::string what_;
};
