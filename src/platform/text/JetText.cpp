#include "platform/text/JetText.h"

#include <QList>
#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A primary weight takes three bytes: the class of the character in the top three bits and its
// place within the class below. Every class is at least 1, so the first byte of a weight is never
// zero and the zero byte that ends the primary level sorts a shorter word before a longer one.
enum WeightClass : uint32_t { kSymbol = 1, kDigit = 2, kCzechLetter = 3, kOtherLetter = 4 };

constexpr uint32_t Weight(WeightClass cls, uint32_t value) {
    return (static_cast<uint32_t>(cls) << 21) | value;
}

constexpr char32_t kCaron = 0x030C;

// Places in the Czech alphabet. Letters with a caron that are letters of their own get a place
// after their base letter; "ch" gets one after "h".
uint32_t CzechPlace(char32_t letter) { return (static_cast<uint32_t>(letter - U'a') + 1) * 2; }
constexpr uint32_t kAfter = 1;

bool IsMark(char32_t cp) {
    if (cp < 0x300) return false;
    if (cp < 0x370) return true;
    switch (QChar::category(cp)) {
        case QChar::Mark_NonSpacing:
        case QChar::Mark_SpacingCombining:
        case QChar::Mark_Enclosing:
            return true;
        default:
            return false;
    }
}

void AppendDecomposed(char32_t cp, std::u32string& out) {
    if (QChar::decompositionTag(cp) == QChar::Canonical) {
        const QString parts = QChar::decomposition(cp);
        for (char32_t part : parts.toUcs4()) AppendDecomposed(part, out);
        return;
    }
    out.push_back(QChar::toCaseFolded(cp));
}

// Czech text lives almost entirely below U+0250, so the decomposed and folded forms of that range
// are worked out once; everything above is decomposed as it comes.
constexpr char32_t kTableEnd = 0x250;

struct FoldedChar {
    char32_t cp[4] = {};
    uint8_t n = 0;
};

const std::array<FoldedChar, kTableEnd>& FoldTable() {
    static const std::array<FoldedChar, kTableEnd> table = [] {
        std::array<FoldedChar, kTableEnd> t;
        std::u32string parts;
        for (char32_t cp = 0; cp < kTableEnd; ++cp) {
            parts.clear();
            AppendDecomposed(cp, parts);
            Q_ASSERT(parts.size() <= 4);
            for (char32_t part : parts) t[cp].cp[t[cp].n++] = part;
        }
        return t;
    }();
    return table;
}

void FoldInto(QStringView text, std::u32string& out) {
    out.clear();
    const auto& table = FoldTable();
    const qsizetype n = text.size();
    const QChar* data = text.data();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t cp = data[i].unicode();
        if (cp < 0x80) {
            out.push_back(cp >= U'A' && cp <= U'Z' ? cp + 32 : cp);
            continue;
        }
        if (QChar::isHighSurrogate(cp) && i + 1 < n && data[i + 1].isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(data[i].unicode(), data[i + 1].unicode());
            ++i;
        }
        if (cp < kTableEnd)
            out.append(table[cp].cp, table[cp].n);
        else
            AppendDecomposed(cp, out);
    }
}

uint32_t PrimaryOf(char32_t cp) {
    if (cp >= U'a' && cp <= U'z') return Weight(kCzechLetter, CzechPlace(cp));
    if (cp >= U'0' && cp <= U'9') return Weight(kDigit, cp);
    if (QChar::isDigit(cp)) return Weight(kDigit, cp);
    if (QChar::isLetter(cp)) return Weight(kOtherLetter, cp);
    return Weight(kSymbol, cp);
}

char* PutWeight(char* out, uint32_t w) {
    out[0] = static_cast<char>((w >> 16) & 0xFF);
    out[1] = static_cast<char>((w >> 8) & 0xFF);
    out[2] = static_cast<char>(w & 0xFF);
    return out + 3;
}

// Primary weights are written in a code of their own, so that the common letters take one byte:
// a key is then about as long as its word, and the first bytes that searches compare before
// anything else hold the first letters rather than a class byte per letter. The first byte of a
// weight fixes its length and orders as the weights do (classes in their order, and within a
// class the short forms before the long ones), so comparing keys byte by byte still compares
// the words letter by letter. No first byte is zero: the level byte stays below every letter.
//
//   0x01-0x80  symbol below U+0080, one byte       0x91-0xC4  Czech letter, one byte
//   0x81/0x82  other symbol, 2 or 3 more bytes       0xC5/0xC6  other letter, 2 or 3 more bytes
//   0x83-0x8C  digit 0-9, one byte
//   0x8D/0x8E  other digit, 2 or 3 more bytes
constexpr uint8_t kSymbolShort = 0x01;
constexpr uint8_t kSymbolLong = 0x81;
constexpr uint8_t kDigitShort = 0x83;
constexpr uint8_t kDigitLong = 0x8D;
constexpr uint8_t kCzechShort = 0x8F;
constexpr uint8_t kOtherLetterLong = 0xC5;

char* PutLong(char* out, uint8_t lead, uint32_t value) {
    if (value < 0x10000) {
        out[0] = static_cast<char>(lead);
        out[1] = static_cast<char>(value >> 8);
        out[2] = static_cast<char>(value & 0xFF);
        return out + 3;
    }
    out[0] = static_cast<char>(lead + 1);
    out[1] = static_cast<char>(value >> 16);
    out[2] = static_cast<char>((value >> 8) & 0xFF);
    out[3] = static_cast<char>(value & 0xFF);
    return out + 4;
}

char* PutPrimary(char* out, uint32_t w) {
    const uint32_t value = w & ((1u << 21) - 1);
    switch (w >> 21) {
        case kSymbol:
            if (value < 0x80) {
                *out = static_cast<char>(kSymbolShort + value);
                return out + 1;
            }
            return PutLong(out, kSymbolLong, value);
        case kDigit:
            if (value >= U'0' && value <= U'9') {
                *out = static_cast<char>(kDigitShort + (value - U'0'));
                return out + 1;
            }
            return PutLong(out, kDigitLong, value);
        case kCzechLetter:
            *out = static_cast<char>(kCzechShort + value);
            return out + 1;
        default:
            return PutLong(out, kOtherLetterLong, value);
    }
}
static_assert(kCzechShort + 26 * 2 + 1 < kOtherLetterLong, "the last Czech letter stays below other letters");

// The longest key `folded` can give: up to four bytes per letter, the level byte, and per letter
// its accents (three bytes each) and their closing byte.
size_t MaxKeySize(const std::u32string& folded) { return folded.size() * 7 + 1; }

// Builds the key in two levels: the primary weights of all letters, a zero byte, then for every
// letter its accents (three bytes each, never starting with zero) closed by a zero byte. Words that
// carry no accent at all leave the second level out: their key is then a prefix of the key of any
// accented word with the same letters, which still sorts them first, as the full key would.
// Writes into `out`, which holds at least MaxKeySize bytes, and answers the key's length.
size_t BuildKey(const std::u32string& folded, char* out) {
    char* p = out;
    const size_t n = folded.size();
    const char32_t* f = folded.data();
    bool anyMark = false;
    for (size_t i = 0; i < n; ++i) {
        const char32_t cp = f[i];
        if (IsMark(cp) && p != out) {
            anyMark = true;
            continue;
        }
        const char32_t next = i + 1 < n ? f[i + 1] : 0;
        uint32_t w;
        if ((cp == U'c' || cp == U'r' || cp == U's' || cp == U'z') && next == kCaron) {
            w = Weight(kCzechLetter, CzechPlace(cp) + kAfter);
            ++i;
        } else if (cp == U'c' && next == U'h') {
            w = Weight(kCzechLetter, CzechPlace(U'h') + kAfter);
            ++i;
        } else {
            w = PrimaryOf(cp);
        }
        p = PutPrimary(p, w);
    }
    *p++ = '\0';
    if (!anyMark) return static_cast<size_t>(p - out);
    // Second pass over the same letters, now writing only their accents.
    bool first = true;
    for (size_t i = 0; i < n; ++i) {
        const char32_t cp = f[i];
        if (IsMark(cp) && !first) {
            p = PutWeight(p, 0x010000 + cp);
            continue;
        }
        if (!first) *p++ = '\0';
        first = false;
        const char32_t next = i + 1 < n ? f[i + 1] : 0;
        if (((cp == U'c' || cp == U'r' || cp == U's' || cp == U'z') && next == kCaron) ||
            (cp == U'c' && next == U'h'))
            ++i;
    }
    *p++ = '\0';
    return static_cast<size_t>(p - out);
}

// Per character of the basic plane: what it folds to when a text made only of such characters
// is composed already, 0 when it may change in composing (accents and Hangul letters that join
// the character before them, characters that compose into another one) or folds to more than
// one character. Worked out once.
const std::vector<char16_t>& SimpleFoldTable() {
    static const std::vector<char16_t> table = [] {
        std::vector<char16_t> t(0x10000, 0);
        for (char32_t c = 0; c < 0x10000; ++c) {
            if (QChar::isSurrogate(c)) continue;
            const QString alone(QChar(static_cast<char16_t>(c)));
            if (alone.normalized(QString::NormalizationForm_C) != alone) continue;
            const QChar::Category cat = QChar::category(c);
            if (cat == QChar::Mark_NonSpacing || cat == QChar::Mark_SpacingCombining ||
                cat == QChar::Mark_Enclosing)
                continue;
            if ((c >= 0x1100 && c < 0x1200) || (c >= 0x3130 && c < 0x3190) || (c >= 0xAC00 && c < 0xD7B0))
                continue;
            const QString folded = alone.toCaseFolded();
            if (folded.size() != 1 || folded[0].isSurrogate() || folded[0].unicode() == 0) continue;
            t[c] = folded[0].unicode();
        }
        return t;
    }();
    return table;
}

// Folds case and composes accents so that one letter is one code point whatever form it came in.
// Most texts hold nothing that composes (plain Czech text is typed precomposed): those fold one
// character at a time through the table, without the full Unicode passes and their copies.
void LikeFormInto(const QString& text, std::u32string& out) {
    out.clear();
    const QChar* data = text.constData();
    const qsizetype n = text.size();
    const std::vector<char16_t>& table = SimpleFoldTable();
    qsizetype i = 0;
    for (; i < n; ++i) {
        const char16_t c = data[i].unicode();
        if (c < 0x80) {
            out.push_back(c >= u'A' && c <= u'Z' ? c + 32 : c);
            continue;
        }
        const char16_t f = table[c];
        if (f == 0) break;
        out.push_back(f);
    }
    if (i == n) return;
    const QList<uint> ucs4 = text.normalized(QString::NormalizationForm_C).toCaseFolded().toUcs4();
    out.assign(ucs4.begin(), ucs4.end());
}

// Iterative wildcard matching: on a mismatch after a "many" wildcard, the wildcard takes one more
// character and matching resumes. Linear memory and no recursion whatever the pattern.
bool WildMatch(const std::u32string& t, const std::u32string& p, char32_t many, char32_t one) {
    size_t ti = 0, pi = 0;
    size_t starP = std::u32string::npos, starT = 0;
    while (ti < t.size()) {
        if (pi < p.size() && (p[pi] == one || p[pi] == t[ti])) {
            ++ti;
            ++pi;
        } else if (pi < p.size() && p[pi] == many) {
            starP = pi++;
            starT = ti;
        } else if (starP != std::u32string::npos) {
            pi = starP + 1;
            ti = ++starT;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == many) ++pi;
    return pi == p.size();
}

}  // namespace

int CompareJetText(const QString& a, const QString& b) {
    thread_local std::u32string foldedA, foldedB;
    thread_local std::vector<char> keyA, keyB;
    FoldInto(a, foldedA);
    FoldInto(b, foldedB);
    if (keyA.size() < MaxKeySize(foldedA)) keyA.resize(MaxKeySize(foldedA));
    if (keyB.size() < MaxKeySize(foldedB)) keyB.resize(MaxKeySize(foldedB));
    const size_t lenA = BuildKey(foldedA, keyA.data());
    const size_t lenB = BuildKey(foldedB, keyB.data());
    const int c = std::memcmp(keyA.data(), keyB.data(), std::min(lenA, lenB));
    if (c != 0) return c < 0 ? -1 : 1;
    return lenA < lenB ? -1 : lenA > lenB ? 1 : 0;
}

QByteArrayView JetSortKeyView(const QString& text) {
    thread_local std::u32string folded;
    thread_local std::vector<char> key;
    FoldInto(text, folded);
    if (key.size() < MaxKeySize(folded)) key.resize(MaxKeySize(folded));
    return QByteArrayView(key.data(), static_cast<qsizetype>(BuildKey(folded, key.data())));
}

QByteArray JetSortKey(const QString& text) { return JetSortKeyView(text).toByteArray(); }

bool JetLike(const QString& text, const QString& pattern) {
    return TLikePattern(pattern, U'%', U'_').Matches(text);
}

bool FilterLike(const QString& text, const QString& pattern) {
    return TLikePattern(pattern, U'*', U'?').Matches(text);
}

TLikePattern::TLikePattern(const QString& pattern, char32_t many, char32_t one) : many_(many), one_(one) {
    LikeFormInto(pattern, pattern_);
}

bool TLikePattern::Matches(const QString& text) const {
    thread_local std::u32string folded;
    LikeFormInto(text, folded);
    return WildMatch(folded, pattern_, many_, one_);
}
