#pragma once

#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

#include "platform/data/DataSetError.h"
#include "platform/data/Field.h"

// A dataset filter text, read once and evaluated per record.
//
// The language is the one the windows write: comparisons (= <> != < > <= >=) of a field with a
// value or another field, LIKE with "*" and "?", IS [NOT] NULL and "= NULL" / "<> NULL", AND, OR,
// NOT and parentheses. Values are 'texts' (a doubled quote inside stands for one), numbers with
// "." as the decimal point, dates as the station writes them (1.2.2024, without quotes) or #y-m-d#,
// True and False. Field names may be [bracketed]. Text compares as the database compares it.
class TFilterExpr {
public:
    struct Node;
    ~TFilterExpr();

    // Raises EFilterError with the position of the first thing it cannot read.
    static std::unique_ptr<TFilterExpr> Parse(const QString& text);

    // Resolves field names and converts every value to the type of the field it is compared
    // with; raises EFilterError for an unknown field or a value that cannot be of that type.
    void Bind(const TFields& fields);

    using ValueOf = std::function<const QVariant&(int field)>;
    bool Evaluate(const ValueOf& value) const;

private:
    TFilterExpr() = default;
    std::unique_ptr<Node> root_;
    QString text_;
};
