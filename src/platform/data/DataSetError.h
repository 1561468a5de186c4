#pragma once

#include <QString>
#include <stdexcept>

// Errors of datasets and memory tables: a wrong state, a missing field, a value that does not
// convert, a bookmark that no longer points at a row. The message is the one the user sees when
// nothing catches it, so it carries the names involved.
class EDataSetError : public std::runtime_error {
public:
    explicit EDataSetError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromStdString(what()); }
};

// A filter text that cannot be read, or that names a field the dataset does not have. Windows
// catch exactly this to tell the user that a filter entry is filled in wrongly.
class EFilterError : public EDataSetError {
public:
    using EDataSetError::EDataSetError;
};
