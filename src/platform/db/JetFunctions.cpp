#include "platform/db/JetFunctions.h"

#include <sqlite3.h>

#include <QDate>
#include <QRegularExpression>
#include <cmath>

#include "platform/text/JetText.h"
#include "platform/text/OleDate.h"

namespace {

QString Text(sqlite3_value* v) {
    const void* p = sqlite3_value_text16(v);
    if (!p) return {};
    return QString(reinterpret_cast<const QChar*>(p), sqlite3_value_bytes16(v) / 2);
}

bool IsNull(sqlite3_value* v) { return sqlite3_value_type(v) == SQLITE_NULL; }

void ResultText(sqlite3_context* ctx, const QString& s) {
    sqlite3_result_text16(ctx, s.utf16(), static_cast<int>(s.size() * 2), SQLITE_TRANSIENT);
}

// A number typed as text reads with either decimal mark, as a Czech station writes ",".
bool ToNumber(sqlite3_value* v, double& out) {
    switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
            out = sqlite3_value_double(v);
            return true;
        case SQLITE_TEXT: {
            bool ok = false;
            out = Text(v).trimmed().replace(u',', u'.').toDouble(&ok);
            return ok;
        }
        default:
            return false;
    }
}

bool Truth(sqlite3_value* v) {
    double d = 0;
    if (ToNumber(v, d)) return d != 0;
    return sqlite3_value_type(v) == SQLITE_TEXT &&
           Text(v).trimmed().compare(u"true", Qt::CaseInsensitive) == 0;
}

void Error(sqlite3_context* ctx, const char* message) { sqlite3_result_error(ctx, message, -1); }

// ---- conditionals

void Iif(sqlite3_context* ctx, int, sqlite3_value** argv) {
    sqlite3_result_value(ctx, Truth(argv[0]) ? argv[1] : argv[2]);
}

void Nz(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (!IsNull(argv[0]))
        sqlite3_result_value(ctx, argv[0]);
    else if (argc > 1)
        sqlite3_result_value(ctx, argv[1]);
    else
        sqlite3_result_text(ctx, "", 0, SQLITE_STATIC);
}

void IsNullFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
    sqlite3_result_int(ctx, IsNull(argv[0]) ? 1 : 0);
}

// ---- dates (stored as OLE days)

template <int (*Part)(double)>
void DatePart(sqlite3_context* ctx, int, sqlite3_value** argv) {
    double d = 0;
    if (IsNull(argv[0])) return sqlite3_result_null(ctx);
    if (!ToNumber(argv[0], d)) return Error(ctx, "Data type mismatch in criteria expression.");
    sqlite3_result_int(ctx, Part(d));
}
int YearOf(double d) { return OleToDate(d).year(); }
int MonthOf(double d) { return OleToDate(d).month(); }
int DayOf(double d) { return OleToDate(d).day(); }
int HourOf(double d) { return OleToTime(d).hour(); }
int MinuteOf(double d) { return OleToTime(d).minute(); }
int SecondOf(double d) { return OleToTime(d).second(); }

void DateFn(sqlite3_context* ctx, int, sqlite3_value**) { sqlite3_result_double(ctx, Date()); }
void NowFn(sqlite3_context* ctx, int, sqlite3_value**) { sqlite3_result_double(ctx, Now()); }
void TimeFn(sqlite3_context* ctx, int, sqlite3_value**) {
    sqlite3_result_double(ctx, DateTimeToOle(QDate(1899, 12, 30), QTime::currentTime()));
}

void DateSerial(sqlite3_context* ctx, int, sqlite3_value** argv) {
    // Jet lets month and day overflow into the next ones (DateSerial(2024, 13, 1) is 1.1.2025).
    const int y = sqlite3_value_int(argv[0]), m = sqlite3_value_int(argv[1]), d = sqlite3_value_int(argv[2]);
    const QDate date = QDate(y, 1, 1).addMonths(m - 1).addDays(d - 1);
    if (!date.isValid()) return Error(ctx, "Invalid procedure call");
    sqlite3_result_double(ctx, DateTimeToOle(date));
}

// ---- text

template <QString (*Op)(const QString&)>
void TextOp(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (IsNull(argv[0])) return sqlite3_result_null(ctx);
    ResultText(ctx, Op(Text(argv[0])));
}
QString Upper(const QString& s) { return s.toUpper(); }
QString Lower(const QString& s) { return s.toLower(); }
// Jet trims blanks only, not tabs or line breaks.
QString TrimBoth(const QString& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b] == u' ') ++b;
    while (e > b && s[e - 1] == u' ') --e;
    return s.mid(b, e - b);
}
QString TrimLeft(const QString& s) {
    qsizetype b = 0;
    while (b < s.size() && s[b] == u' ') ++b;
    return s.mid(b);
}
QString TrimRight(const QString& s) {
    qsizetype e = s.size();
    while (e > 0 && s[e - 1] == u' ') --e;
    return s.left(e);
}

void Len(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (IsNull(argv[0])) return sqlite3_result_null(ctx);
    sqlite3_result_int64(ctx, Text(argv[0]).size());
}

void Left(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (IsNull(argv[0])) return sqlite3_result_null(ctx);
    const qint64 n = sqlite3_value_int64(argv[1]);
    if (n < 0) return Error(ctx, "Invalid procedure call");
    ResultText(ctx, Text(argv[0]).left(n));
}

void Right(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (IsNull(argv[0])) return sqlite3_result_null(ctx);
    const qint64 n = sqlite3_value_int64(argv[1]);
    if (n < 0) return Error(ctx, "Invalid procedure call");
    ResultText(ctx, Text(argv[0]).right(n));
}

void Mid(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (IsNull(argv[0])) return sqlite3_result_null(ctx);
    const qint64 start = sqlite3_value_int64(argv[1]);
    const qint64 len = argc > 2 ? sqlite3_value_int64(argv[2]) : -1;
    if (start < 1 || (argc > 2 && len < 0)) return Error(ctx, "Invalid procedure call");
    ResultText(ctx, Text(argv[0]).mid(start - 1, len));
}

void InStr(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    const int base = argc == 3 ? 1 : 0;
    if (IsNull(argv[base]) || IsNull(argv[base + 1])) return sqlite3_result_null(ctx);
    const qint64 start = argc == 3 ? sqlite3_value_int64(argv[0]) : 1;
    if (start < 1) return Error(ctx, "Invalid procedure call");
    const QString hay = Text(argv[base]), needle = Text(argv[base + 1]);
    sqlite3_result_int64(ctx, hay.indexOf(needle, start - 1, Qt::CaseInsensitive) + 1);
}

// ---- numbers

// Val reads the number at the start of a text, skipping blanks anywhere in it; "." is the
// decimal mark whatever the locale, and a text without a number is 0.
void Val(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (IsNull(argv[0])) return sqlite3_result_null(ctx);
    static const QRegularExpression kNumber(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eEdD][+-]?\\d+)?"));
    QString s = Text(argv[0]);
    s.remove(u' ').remove(u'\t').remove(u'\n').remove(u'\r');
    const auto m = kNumber.match(s);
    sqlite3_result_double(
        ctx, m.hasMatch() ? m.captured(0).replace(u'd', u'e').replace(u'D', u'e').toDouble() : 0.0);
}

// Conversions run with the station's Czech settings, as Jet's do: "," is the decimal mark.
void CStr(sqlite3_context* ctx, int, sqlite3_value** argv) {
    switch (sqlite3_value_type(argv[0])) {
        case SQLITE_NULL:
            return Error(ctx, "Invalid use of Null");
        case SQLITE_INTEGER:
            return ResultText(ctx, QString::number(sqlite3_value_int64(argv[0])));
        case SQLITE_FLOAT:
            return ResultText(ctx,
                              QString::number(sqlite3_value_double(argv[0]), 'g', 15).replace(u'.', u','));
        default:
            return ResultText(ctx, Text(argv[0]));
    }
}

void CDbl(sqlite3_context* ctx, int, sqlite3_value** argv) {
    double d = 0;
    if (IsNull(argv[0])) return Error(ctx, "Invalid use of Null");
    if (!ToNumber(argv[0], d)) return Error(ctx, "Type mismatch");
    sqlite3_result_double(ctx, d);
}

// CLng and CInt round half to even, as Jet's conversions do.
void CLng(sqlite3_context* ctx, int, sqlite3_value** argv) {
    double d = 0;
    if (IsNull(argv[0])) return Error(ctx, "Invalid use of Null");
    if (!ToNumber(argv[0], d)) return Error(ctx, "Type mismatch");
    const double r = std::nearbyint(d);
    if (!(std::fabs(r) < 9.2e18)) return Error(ctx, "Overflow");
    sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(r));
}

void CBool(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (IsNull(argv[0])) return Error(ctx, "Invalid use of Null");
    sqlite3_result_int(ctx, Truth(argv[0]) ? 1 : 0);
}

template <double (*Op)(double)>
void NumberOp(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const int type = sqlite3_value_type(argv[0]);
    if (type == SQLITE_NULL) return sqlite3_result_null(ctx);
    double d = 0;
    if (!ToNumber(argv[0], d)) return Error(ctx, "Type mismatch");
    const double r = Op(d);
    if (type == SQLITE_INTEGER && std::fabs(r) < 9.2e18)
        sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(r));
    else
        sqlite3_result_double(ctx, r);
}
double Floor(double d) { return std::floor(d); }
double Trunc(double d) { return std::trunc(d); }
double Abs(double d) { return std::fabs(d); }
double Sign(double d) { return d > 0 ? 1.0 : d < 0 ? -1.0 : 0.0; }

// ---- comparison

void Like(sqlite3_context* ctx, int, sqlite3_value** argv) {
    // like(pattern, text) stands for "text LIKE pattern".
    if (IsNull(argv[0]) || IsNull(argv[1])) return sqlite3_result_null(ctx);
    sqlite3_result_int(ctx, JetLike(Text(argv[1]), Text(argv[0])) ? 1 : 0);
}

int Collate(void*, int lengthA, const void* a, int lengthB, const void* b) {
    // Called with native UTF-16; the texts are only viewed, never copied.
    const QString sa = QString::fromRawData(static_cast<const QChar*>(a), lengthA / 2);
    const QString sb = QString::fromRawData(static_cast<const QChar*>(b), lengthB / 2);
    return CompareJetText(sa, sb);
}

struct Function {
    const char* name;
    int args;
    void (*fn)(sqlite3_context*, int, sqlite3_value**);
    bool deterministic;
};

const Function kFunctions[] = {
    {"jet_iif", 3, Iif, true},
    {"jet_nz", 1, Nz, true},
    {"jet_nz", 2, Nz, true},
    {"jet_isnull", 1, IsNullFn, true},
    {"jet_year", 1, DatePart<YearOf>, true},
    {"jet_month", 1, DatePart<MonthOf>, true},
    {"jet_day", 1, DatePart<DayOf>, true},
    {"jet_hour", 1, DatePart<HourOf>, true},
    {"jet_minute", 1, DatePart<MinuteOf>, true},
    {"jet_second", 1, DatePart<SecondOf>, true},
    {"jet_date", 0, DateFn, false},
    {"jet_now", 0, NowFn, false},
    {"jet_time", 0, TimeFn, false},
    {"jet_dateserial", 3, DateSerial, true},
    {"jet_ucase", 1, TextOp<Upper>, true},
    {"jet_lcase", 1, TextOp<Lower>, true},
    {"jet_trim", 1, TextOp<TrimBoth>, true},
    {"jet_ltrim", 1, TextOp<TrimLeft>, true},
    {"jet_rtrim", 1, TextOp<TrimRight>, true},
    {"jet_len", 1, Len, true},
    {"jet_left", 2, Left, true},
    {"jet_right", 2, Right, true},
    {"jet_mid", 2, Mid, true},
    {"jet_mid", 3, Mid, true},
    {"jet_instr", 2, InStr, true},
    {"jet_instr", 3, InStr, true},
    {"jet_val", 1, Val, true},
    {"jet_cstr", 1, CStr, true},
    {"jet_clng", 1, CLng, true},
    {"jet_cint", 1, CLng, true},
    {"jet_cdbl", 1, CDbl, true},
    {"jet_ccur", 1, CDbl, true},
    {"jet_cbool", 1, CBool, true},
    {"jet_int", 1, NumberOp<Floor>, true},
    {"jet_fix", 1, NumberOp<Trunc>, true},
    {"jet_abs", 1, NumberOp<Abs>, true},
    {"jet_sgn", 1, NumberOp<Sign>, true},
    // The engine's own LIKE folds only ASCII letters; Czech text needs the Jet rules.
    {"like", 2, Like, true},
};

}  // namespace

int RegisterJetFunctions(sqlite3* db) {
    for (const Function& f : kFunctions) {
        const int flags = SQLITE_UTF16 | (f.deterministic ? SQLITE_DETERMINISTIC : 0);
        if (int rc = sqlite3_create_function_v2(db, f.name, f.args, flags, nullptr, f.fn, nullptr, nullptr,
                                                nullptr);
            rc != SQLITE_OK)
            return rc;
    }
    return sqlite3_create_collation_v2(db, "JET", SQLITE_UTF16, nullptr, Collate, nullptr);
}
