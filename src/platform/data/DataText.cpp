#include "platform/data/DataText.h"

int DataCompareText(const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive);
}

QByteArray DataSortKey(const QString& text) { return text.toCaseFolded().toUtf8(); }

bool DataLike(const QString& text, const QString& pattern) {
    // Classic backtracking match over "*" and "?".
    const QString t = text.toCaseFolded();
    const QString p = pattern.toCaseFolded();
    qsizetype ti = 0, pi = 0, star = -1, mark = 0;
    while (ti < t.size()) {
        if (pi < p.size() && (p[pi] == u'?' || p[pi] == t[ti])) {
            ++ti;
            ++pi;
        } else if (pi < p.size() && p[pi] == u'*') {
            star = pi++;
            mark = ti;
        } else if (star >= 0) {
            pi = star + 1;
            ti = ++mark;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == u'*') ++pi;
    return pi == p.size();
}
