#pragma once

#include <QString>

// True when both texts are one stored text: a long run hands the same text in row after row (a
// statement, a parameter's name, a column name, a default value), and comparing where it is stored
// spares comparing it character by character. Equal texts stored apart answer false.
inline bool SharesText(const QString& a, const QString& b) {
    return a.constData() == b.constData() && a.size() == b.size();
}
