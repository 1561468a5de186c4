#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <string>

// Text is compared the way the Jet engine compares it on a Czech station: letters without regard
// to case but with regard to accents, in the Czech alphabet order, where "č", "ř", "š" and "ž" are
// letters of their own after "c", "r", "s" and "z", "ch" is one letter after "h", and the other
// accents (á, ď, é, ě, í, ň, ó, ť, ú, ů, ý) only break ties between otherwise equal words.
// Unique indexes, ORDER BY and the sorting of loaded rows all rest on this one order, so a list
// sorted by the database and the same list sorted in memory come out the same.

// Negative, zero or positive as a sorts before, equal to or after b.
int CompareJetText(const QString& a, const QString& b);

// A byte string whose plain byte order (memcmp, shorter prefix first) is CompareJetText's order,
// and which is equal for texts that compare equal: sorting many rows computes each key once.
QByteArray JetSortKey(const QString& text);
// The same key without an allocation: a view of a buffer of the calling thread, valid until its
// next call of this function.
QByteArrayView JetSortKeyView(const QString& text);

// LIKE of the database: "%" matches any run of characters, "_" one character; letters match
// without regard to case but with regard to accents. The whole text must match.
bool JetLike(const QString& text, const QString& pattern);

// The same matching with the wildcards that filter expressions of loaded data sets use:
// "*" for any run of characters and "?" for one.
bool FilterLike(const QString& text, const QString& pattern);

// A pattern of either kind read once, for matching many texts against it: a filter over a whole
// table folds and composes the pattern a single time, and each text only once.
class TLikePattern {
public:
    TLikePattern() = default;
    TLikePattern(const QString& pattern, char32_t many, char32_t one);
    bool Matches(const QString& text) const;

private:
    std::u32string pattern_;
    char32_t many_ = U'*';
    char32_t one_ = U'?';
};
