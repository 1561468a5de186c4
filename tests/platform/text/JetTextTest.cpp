#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QStringList>
#include <algorithm>
#include <vector>

#include "platform/text/JetText.h"

namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

int KeySign(const QString& a, const QString& b) {
    const QByteArray ka = JetSortKey(a), kb = JetSortKey(b);
    return ka < kb ? -1 : ka == kb ? 0 : 1;
}

}  // namespace

TEST(JetText, CzechOrderCaseAndAccents) {
    struct Case {
        const char* a;
        const char* b;
        int sign;
    };
    const Case kCases[] = {
        {"Čapek", "čapek", 0},
        {"ČAPEK", "čapek", 0},
        {"Ab", "aB", 0},
        {"a", "á", -1},
        {"chata", "hrad", 1},
        {"chata", "ivan", -1},
        {"CHATA", "Chata", 0},
        {"cena", "čas", -1},
        {"čas", "dům", -1},
        {"rak", "řád", -1},
        {"řád", "sak", -1},
        {"sud", "šal", -1},
        {"šal", "tak", -1},
        {"zub", "žal", -1},
        {"ab", "abc", -1},
        {"", "a", -1},
        {"á", "ab", -1},
        {"ab", "áb", -1},
        {"áb", "ac", -1},
        {"e", "é", -1},
        {"é", "ě", -1},
        {"u", "ú", -1},
        {"ú", "ů", -1},
        {"1", "a", -1},
        {"10", "9", -1},
        {"a b", "ab", -1},
        {"Dvořák", "dvorak", 1},
        {"Dvořák", "Dvořáková", -1},
        {"c\u030C", "č", 0},
        {"C\u030Capek", "čapek", 0},
        {"A\u0301", "á", 0},
        {"cz", "č", -1},
        {"hz", "ch", -1},
        {"Ťuk", "tuk", 1},
        {"ťuk", "tul", -1},
        // Symbols before digits before letters, characters beyond Latin after those of their
        // class, and beyond the basic plane after the rest.
        {"~", "\u20AC", -1},
        {"\u20AC", "\U0001F600", -1},
        {"\U0001F600", "0", -1},
        {"9", "\u0663", -1},
        {"\u0663", "a", -1},
        {"ž", "\u03B1", -1},
        {"\u03B1", "\U00010428", -1},
        {"\u03B1", "\u0391", 0},
        {"a~", "a\u20AC", -1},
        {"ž9", "žz", -1},
    };
    for (const Case& c : kCases) {
        const QString a = QString::fromUtf8(c.a), b = QString::fromUtf8(c.b);
        SCOPED_TRACE(QString("%1 / %2").arg(a, b).toStdString());
        EXPECT_EQ(Sign(CompareJetText(a, b)), c.sign);
        EXPECT_EQ(Sign(CompareJetText(b, a)), -c.sign);
        EXPECT_EQ(KeySign(a, b), c.sign);
    }
}

TEST(JetText, SortKeysSortAsTheComparisonDoes) {
    const QStringList words = {"Žofie", "zámek", "Zámek", "šíp", "sever", "Řepa", "rýže", "chléb", "Hora",
                               "ibis",  "čaj",   "Cukr",  "ďas", "dub",   "éra",  "Ema",  "emu",   "ěra",
                               "10",    "2",     " ",     "-",   "Ab",    "áb",   "ab",   "ch",    "CH"};
    for (const QString& a : words)
        for (const QString& b : words) {
            SCOPED_TRACE(QString("%1 / %2").arg(a, b).toStdString());
            ASSERT_EQ(KeySign(a, b), Sign(CompareJetText(a, b)));
        }
    QStringList sorted = words;
    std::sort(sorted.begin(), sorted.end(),
              [](const QString& a, const QString& b) { return JetSortKey(a) < JetSortKey(b); });
    const QStringList letters = {"Cukr", "čaj",  "ďas",   "dub", "Hora",  "chléb", "ibis",
                                 "rýže", "Řepa", "sever", "šíp", "zámek", "Žofie"};
    qsizetype last = -1;
    for (const QString& w : letters) {
        const qsizetype at = sorted.indexOf(w);
        EXPECT_GT(at, last) << w.toStdString();
        last = at;
    }
}

// Sorting by keys must give the order of the comparison; how fast it is, bench_text measures.
TEST(JetText, HundredThousandRowsSortByKeyInTheComparisonsOrder) {
    QRandomGenerator rng(7);
    const QString alphabet =
        QString::fromUtf8("aábcčdďeéěfghchiíjklmnňoópqrřsštťuúůvwxyýzžAÁČŘŠŽ 0123456789-");
    std::vector<QString> rows(100000);
    for (QString& r : rows) {
        const int len = 5 + rng.bounded(25);
        for (int i = 0; i < len; ++i) r += alphabet[rng.bounded(static_cast<int>(alphabet.size()))];
    }
    std::vector<std::pair<QByteArray, int>> keyed;
    keyed.reserve(rows.size());
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) keyed.emplace_back(JetSortKey(rows[i]), i);
    std::sort(keyed.begin(), keyed.end());
    for (size_t i = 1; i < keyed.size(); i += 997)
        ASSERT_LE(CompareJetText(rows[keyed[i - 1].second], rows[keyed[i].second]), 0);
}

TEST(JetText, LikeWithBothWildcardSets) {
    struct Case {
        const char* text;
        const char* pattern;
        bool like;    // with "%" and "_"
        bool filter;  // the same pattern read with "*" and "?"
    };
    const Case kCases[] = {
        {"Čapek", "čap%", true, false},
        {"Čapek", "čap*", false, true},
        {"abc", "a_c", true, false},
        {"abc", "a?c", false, true},
        {"abc", "a_", false, false},
        {"ábc", "a%", false, false},
        {"ÁBC", "á%", true, false},
        {"", "%", true, false},
        {"", "*", false, true},
        {"", "", true, true},
        {"x", "", false, false},
        {"100%", "100%", true, true},
        {"a%b", "a%b", true, true},
        {"Praha 4", "*4", false, true},
        {"Praha 4", "%a%a%", true, false},
        {"mississippi", "%iss%ppi", true, false},
        {"mississippi", "*iss*ppi", false, true},
        {"abc", "ab", false, false},
        {"\U0001F600x", "_x", true, false},
    };
    for (const Case& c : kCases) {
        const QString text = QString::fromUtf8(c.text), pattern = QString::fromUtf8(c.pattern);
        SCOPED_TRACE(QString("%1 / %2").arg(text, pattern).toStdString());
        EXPECT_EQ(JetLike(text, pattern), c.like);
        EXPECT_EQ(FilterLike(text, pattern), c.filter);
    }
}

// Patterns that make a backtracking matcher explode still answer right (bench_text times them).
TEST(JetText, LikeAnswersPathologicalPatterns) {
    const QString text(20000, 'a');
    EXPECT_FALSE(JetLike(text, "%a%a%a%a%a%b"));
    EXPECT_TRUE(JetLike(text + "b", "%a%a%a%a%a%b"));
    EXPECT_TRUE(FilterLike(text + QString::fromUtf8("Ř"), "*a*A*a*?*ř"));
}

// A pattern read once serves many texts: plain ASCII texts take a short way to their folded form,
// every other text the full one, and both must agree with how the pattern was folded.
TEST(JetText, PreparedPatternMatchesPlainAndAccentedTexts) {
    struct Case {
        const char* pattern;
        const char* text;
        bool match;
    };
    const Case kCases[] = {
        {"*abc*", "xxABCxx", true},
        {"*ABC*", "xxabcxx", true},
        {"*abc*", "xxab cxx", false},
        {"kabel*", "KABEL CYKY", true},
        {"*žluť*", "Malý ŽLUŤÁK", true},
        {"*ŽLUŤ*", "žluťoučký", true},
        {"*zlut*", "ŽLUŤÁK", false},
        {"*žluť*", "zlutak", false},
        {"\u00e9", "e\u0301", true},  // composed and decomposed é are one letter
        {"e\u0301", "\u00e9", true},
        {"e\u0301", "e", false},
        {"?", "Ř", true},
        {"??", "Ř", false},
        {"", "", true},
        {"*", "", true},
        {"a?c", "ABC", true},
        {"*3x1 mm² – pol*", "Kabel CYKY 3X1 MM² – POLOŽKA č. 7", true},
        {"*ΣΟΦΊΑ*", "σοφία", true},
        {"*e\u0301*", "Kabel é – ž", true},  // one decomposed letter sends the text the long way
        {"*é*", "Kabel e\u0301 – ž", true},
    };
    for (const Case& c : kCases) {
        const QString pattern = QString::fromUtf8(c.pattern), text = QString::fromUtf8(c.text);
        SCOPED_TRACE((pattern + " / " + text).toStdString());
        const TLikePattern prepared(pattern, U'*', U'?');
        EXPECT_EQ(prepared.Matches(text), c.match);
        EXPECT_EQ(prepared.Matches(text), c.match) << "a second text against the same pattern";
    }
}
