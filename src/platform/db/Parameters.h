#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <deque>

#include "platform/data/FieldType.h"

// A named parameter of a statement (":Name" in its text). An invalid Value is NULL.
// DataType, when set, says how the value is handed to the engine (a date given as QDate
// or QDateTime goes in as an OLE date in any case).
class TParameter {
public:
    QString Name;
    QVariant Value;
    TFieldType DataType = ftUnknown;
};

// The parameters of one statement: one per distinct name, names matched without regard to
// letter case, so ":Psc" and ":PSC" in one text are one parameter.
class TParameters {
public:
    // Rebuilds the list from a statement's text; values set before are dropped.
    void ParseSQL(const QString& sql);

    TParameter* FindParam(const QString& name);
    const TParameter* FindParam(const QString& name) const;
    // Throws EDatabaseError when the statement has no such parameter.
    TParameter* ParamByName(const QString& name);
    // The usual call with a literal name, without building a QString per row of a long run.
    TParameter* ParamByName(const char* name);
    TParameter* AddParameter(const QString& name);

    int Count() const { return static_cast<int>(items_.size()); }
    TParameter& operator[](int index) { return items_[static_cast<size_t>(index)]; }
    const TParameter& operator[](int index) const { return items_[static_cast<size_t>(index)]; }
    void Clear() { items_.clear(); }
    // In order; walking them costs less than indexing each in turn.
    auto begin() const { return items_.cbegin(); }
    auto end() const { return items_.cend(); }

private:
    std::deque<TParameter> items_;  // a deque keeps handed-out pointers valid as it grows
    // The names of the text parsed last: a command run row after row with the same text is
    // not parsed again for every row.
    QString parsedSql_;
    QStringList parsedNames_;
};
