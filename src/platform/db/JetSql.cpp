#include "platform/db/JetSql.h"

#include <QDate>
#include <QHash>
#include <QRegularExpression>
#include <QTime>
#include <map>
#include <vector>

#include "platform/db/DatabaseError.h"
#include "platform/text/OleDate.h"

namespace {

enum class Tok { Space, Word, Number, String, DqString, Bracket, Date, Param, Identity, Punct };

struct Token {
    Tok kind;
    QString text;
};

bool IsWordStart(QChar c) { return c.isLetter() || c == u'_'; }
bool IsWordChar(QChar c) { return c.isLetterOrNumber() || c == u'_'; }

[[noreturn]] void Fail(const QString& message, const QString& sql) { throw EDatabaseError(message, sql); }

// Reads a quoted run that starts at i with the quote character q; a doubled quote stands for one.
// Returns the index just past the closing quote.
qsizetype ScanQuoted(const QString& s, qsizetype i, QChar q, const QString& sql) {
    for (qsizetype j = i + 1; j < s.size(); ++j) {
        if (s[j] == q) {
            if (j + 1 < s.size() && s[j + 1] == q) {
                ++j;
                continue;
            }
            return j + 1;
        }
    }
    Fail(QStringLiteral("Syntax error in string in query expression."), sql);
}

std::vector<Token> Tokenize(const QString& s) {
    std::vector<Token> out;
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n) {
        QChar c = s[i];
        qsizetype j = i + 1;
        Tok kind = Tok::Punct;
        if (c.isSpace()) {
            while (j < n && s[j].isSpace()) ++j;
            kind = Tok::Space;
        } else if (IsWordStart(c)) {
            while (j < n && IsWordChar(s[j])) ++j;
            kind = Tok::Word;
        } else if (c.isDigit() || (c == u'.' && i + 1 < n && s[i + 1].isDigit())) {
            while (j < n && (s[j].isDigit() || s[j] == u'.')) ++j;
            if (j < n && (s[j] == u'e' || s[j] == u'E')) {
                qsizetype k = j + 1;
                if (k < n && (s[k] == u'+' || s[k] == u'-')) ++k;
                if (k < n && s[k].isDigit()) {
                    j = k;
                    while (j < n && s[j].isDigit()) ++j;
                }
            }
            kind = Tok::Number;
        } else if (c == u'\'') {
            j = ScanQuoted(s, i, c, s);
            kind = Tok::String;
        } else if (c == u'"') {
            j = ScanQuoted(s, i, c, s);
            kind = Tok::DqString;
        } else if (c == u'[') {
            j = s.indexOf(u']', i + 1);
            if (j < 0) Fail(QStringLiteral("Invalid bracketing of name."), s);
            ++j;
            kind = Tok::Bracket;
        } else if (c == u'#') {
            j = s.indexOf(u'#', i + 1);
            if (j < 0) Fail(QStringLiteral("Syntax error in date in query expression."), s);
            ++j;
            kind = Tok::Date;
        } else if (c == u':' && j < n && IsWordStart(s[j])) {
            while (j < n && IsWordChar(s[j])) ++j;
            kind = Tok::Param;
        } else if (c == u'@' && j < n && s[j] == u'@') {
            j = i + 2;
            while (j < n && IsWordChar(s[j])) ++j;
            if (s.mid(i + 2, j - i - 2).compare(QStringLiteral("IDENTITY"), Qt::CaseInsensitive) != 0)
                Fail(QStringLiteral("Unknown system variable ") + s.mid(i, j - i), s);
            kind = Tok::Identity;
        } else if ((c == u'-' && j < n && s[j] == u'-') || (c == u'/' && j < n && s[j] == u'*')) {
            // Jet knows no comments, and here they would hide the rest of a statement from the
            // engine: "DELETE FROM T -- WHERE ID = 1" must not empty the table.
            Fail(QStringLiteral("Syntax error: comments ('%1') are not allowed in a query.").arg(s.mid(i, 2)),
                 s);
        } else if (c == u'?' || c == u'$' || c == u'@') {
            // The engine reads these as parameters of its own, which nothing here would bind:
            // they would run as NULL without a word.
            Fail(QStringLiteral("Syntax error: '%1' is not a parameter marker here; parameters are written "
                                "as :Name.")
                     .arg(c),
                 s);
        } else if (j < n) {
            static const QStringList kTwoChar = {"<>", "<=", ">=", "!=", "||"};
            if (kTwoChar.contains(s.mid(i, 2))) j = i + 2;
        }
        out.push_back({kind, s.mid(i, j - i)});
        i = j;
    }
    return out;
}

bool IsWord(const Token& t, const char* upper) {
    return t.kind == Tok::Word && t.text.compare(QLatin1String(upper), Qt::CaseInsensitive) == 0;
}

// A number with all the digits a double needs, in the form SQL reads.
QString SqlNumber(double v) {
    if (v == static_cast<double>(static_cast<qint64>(v)) && std::abs(v) < 1e15)
        return QString::number(static_cast<qint64>(v));
    return QString::number(v, 'g', 17);
}

// Jet date literals: "#2024-3-5#" (year first) or "#3/5/2024#" (month first, as Jet reads a
// slashed date whatever the station's locale), either with an optional time, or a time alone.
// Dates are stored as OLE days, so the literal becomes that number.
QString DateLiteral(const QString& token, const QString& sql) {
    static const QRegularExpression kRe(
        QStringLiteral("^\\s*(?:(\\d{1,4})([-/])(\\d{1,2})\\2(\\d{1,4}))?\\s*"
                       "(?:(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?\\s*([AaPp][Mm])?)?\\s*$"));
    const QString body = token.mid(1, token.size() - 2);
    const auto m = kRe.match(body);
    if (!m.hasMatch() || body.trimmed().isEmpty())
        Fail(QStringLiteral("Syntax error in date in query expression."), sql);
    QDate date(1899, 12, 30);
    if (m.hasCaptured(1)) {
        int a = m.captured(1).toInt(), b = m.captured(3).toInt(), c = m.captured(4).toInt();
        int y = 0, mo = 0, d = 0;
        if (m.captured(2) == u"-") {
            y = a, mo = b, d = c;
        } else {
            mo = a, d = b, y = c;
            if (m.captured(4).size() <= 2) y += y < 30 ? 2000 : 1900;
        }
        date = QDate(y, mo, d);
    }
    QTime time(0, 0);
    if (m.hasCaptured(5)) {
        int h = m.captured(5).toInt();
        if (m.hasCaptured(8)) {
            if (h < 1 || h > 12) Fail(QStringLiteral("Syntax error in date in query expression."), sql);
            bool pm = m.captured(8).startsWith(u'p', Qt::CaseInsensitive);
            h = h % 12 + (pm ? 12 : 0);
        }
        time = QTime(h, m.captured(6).toInt(), m.hasCaptured(7) ? m.captured(7).toInt() : 0);
    }
    if (!date.isValid() || !time.isValid())
        Fail(QStringLiteral("Syntax error in date in query expression."), sql);
    return SqlNumber(DateTimeToOle(date, time));
}

// Jet functions that the engine lacks, or has with another meaning, run as functions of ours
// registered on every connection under a "jet_" name; the prefix also keeps LEFT and RIGHT
// from being read as join keywords.
const QHash<QString, QString>& JetFunctionNames() {
    static const QHash<QString, QString> kNames = [] {
        QHash<QString, QString> h;
        for (const char* name :
             {"IIF",   "NZ",    "YEAR",  "MONTH", "DAY",   "HOUR",   "MINUTE",    "SECOND", "DATE",
              "NOW",   "TIME",  "UCASE", "LCASE", "LEN",   "LEFT",   "RIGHT",     "MID",    "TRIM",
              "LTRIM", "RTRIM", "VAL",   "CSTR",  "CLNG",  "CINT",   "CDBL",      "CCUR",   "CBOOL",
              "INT",   "FIX",   "ABS",   "SGN",   "INSTR", "ISNULL", "DATESERIAL"})
            h.insert(QString::fromLatin1(name), QStringLiteral("jet_") + QString::fromLatin1(name).toLower());
        return h;
    }();
    return kNames;
}

class Translator {
public:
    explicit Translator(const QString& sql) : sql_(sql), toks_(Tokenize(sql)) {
        // A trailing semicolon ends the statement in Jet; here it would stand before a LIMIT.
        while (!toks_.empty() && (toks_.back().kind == Tok::Space || toks_.back().text == u";"))
            toks_.pop_back();
        for (size_t i = 0; i < toks_.size(); ++i)
            if (toks_[i].kind != Tok::Space) sig_.push_back(i);
    }

    TJetTranslation Run() {
        TJetTranslation result;
        if (sig_.empty())
            Fail(QStringLiteral("Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', "
                                "or 'UPDATE'."),
                 sql_);
        const Token& first = S(0);
        if (IsWord(first, "CREATE")) {
            if (SigIs(1, "TABLE"))
                result.Sql = CreateTable();
            else if (SigIs(1, "INDEX") || (SigIs(1, "UNIQUE") && SigIs(2, "INDEX")))
                result.Sql = CreateIndex();
            else
                result.Sql = Generic(0, toks_.size());
        } else if (IsWord(first, "ALTER") && SigIs(1, "TABLE") && SigIs(3, "ADD")) {
            result.Sql = AlterAdd();
        } else if (IsWord(first, "DROP") && SigIs(1, "INDEX")) {
            result.Sql = DropIndex();
        } else {
            result.Sql = Generic(0, toks_.size());
            result.ChangesData =
                IsWord(first, "INSERT") || IsWord(first, "UPDATE") || IsWord(first, "DELETE");
        }
        result.ParamNames = params_;
        return result;
    }

    QStringList ParamsOnly() {
        for (const Token& t : toks_)
            if (t.kind == Tok::Param) ParamIndex(t.text.mid(1));
        return params_;
    }

private:
    const QString& sql_;
    std::vector<Token> toks_;
    std::vector<size_t> sig_;  // indexes of the tokens that are not blanks
    QStringList params_;

    const Token& S(size_t k) const { return toks_[sig_[k]]; }
    bool SigIs(size_t k, const char* word) const { return k < sig_.size() && IsWord(S(k), word); }

    int ParamIndex(const QString& name) {
        for (qsizetype i = 0; i < params_.size(); ++i)
            if (params_[i].compare(name, Qt::CaseInsensitive) == 0) return static_cast<int>(i) + 1;
        params_.push_back(name);
        return static_cast<int>(params_.size());
    }

    size_t NextSig(size_t i, size_t end) const {
        for (++i; i < end; ++i)
            if (toks_[i].kind != Tok::Space) return i;
        return end;
    }

    // The statement body: literals, names, functions, parameters, TOP.
    QString Generic(size_t begin, size_t end) {
        QString out;
        std::map<int, QString> limits;  // paren depth → LIMIT owed at the end of that query
        int depth = 0;
        const Token* prev = nullptr;  // previous token that is not a blank
        for (size_t i = begin; i < end; ++i) {
            const Token& t = toks_[i];
            switch (t.kind) {
                case Tok::Space:
                    out += u' ';
                    continue;
                case Tok::DqString: {
                    // Jet reads a double-quoted text as a string; SQLite would read a column name.
                    QString body = t.text.mid(1, t.text.size() - 2)
                                       .replace(QStringLiteral("\"\""), QStringLiteral("\""));
                    out += u'\'' + body.replace(u'\'', QStringLiteral("''")) + u'\'';
                    break;
                }
                case Tok::Date:
                    out += DateLiteral(t.text, sql_);
                    break;
                case Tok::Param:
                    out += u'?' + QString::number(ParamIndex(t.text.mid(1)));
                    break;
                case Tok::Identity:
                    out += QStringLiteral("last_insert_rowid()");
                    break;
                case Tok::Punct:
                    if (t.text == u"&") {
                        out += QStringLiteral("||");
                    } else if (t.text == u"(") {
                        ++depth;
                        out += t.text;
                    } else if (t.text == u")") {
                        if (auto it = limits.find(depth); it != limits.end()) {
                            out += QStringLiteral(" LIMIT ") + it->second;
                            limits.erase(it);
                        }
                        --depth;
                        out += t.text;
                    } else {
                        out += t.text;
                    }
                    break;
                case Tok::Word: {
                    const QString upper = t.text.toUpper();
                    const bool afterDot = prev && prev->text == u".";
                    const size_t next = NextSig(i, end);
                    const bool call = next < end && toks_[next].text == u"(";
                    if (!afterDot && upper == u"TRUE") {
                        out += u'1';
                    } else if (!afterDot && upper == u"FALSE") {
                        out += u'0';
                    } else if (!afterDot && upper == u"MOD") {
                        out += u'%';
                    } else if (upper == u"DISTINCTROW") {
                        out += QStringLiteral("DISTINCT");
                    } else if (upper == u"TOP" && prev &&
                               (IsWord(*prev, "SELECT") || IsWord(*prev, "DISTINCT") ||
                                IsWord(*prev, "DISTINCTROW") || IsWord(*prev, "ALL"))) {
                        if (next >= end || toks_[next].kind != Tok::Number)
                            Fail(QStringLiteral(
                                     "The SELECT statement includes a reserved word or an argument name that "
                                     "is misspelled or missing, or the punctuation is incorrect."),
                                 sql_);
                        const size_t after = NextSig(next, end);
                        if (after < end && IsWord(toks_[after], "PERCENT"))
                            Fail(QStringLiteral("TOP n PERCENT is not supported."), sql_);
                        limits[depth] = toks_[next].text;
                        i = next;  // the count is spent; the blank after it stays
                        prev = &toks_[next];
                        continue;
                    } else if (!afterDot && call && JetFunctionNames().contains(upper)) {
                        out += JetFunctionNames().value(upper);
                    } else {
                        out += t.text;
                    }
                    break;
                }
                default:
                    out += t.text;
            }
            prev = &t;
        }
        if (auto it = limits.find(0); it != limits.end()) out += QStringLiteral(" LIMIT ") + it->second;
        return out;
    }

    static QString Unbracket(const QString& name) {
        return name.startsWith(u'[') ? name.mid(1, name.size() - 2) : name;
    }

    // Splits the significant tokens in [from, to) at top-level commas.
    std::vector<std::pair<size_t, size_t>> SplitItems(size_t from, size_t to) const {
        std::vector<std::pair<size_t, size_t>> items;
        int depth = 0;
        size_t start = from;
        for (size_t k = from; k < to; ++k) {
            const QString& x = S(k).text;
            if (x == QStringLiteral("(")) ++depth;
            if (x == u")") --depth;
            if (x == u"," && depth == 0) {
                items.emplace_back(start, k);
                start = k + 1;
            }
        }
        items.emplace_back(start, to);
        return items;
    }

    // Index (in sig_) of the ")" that closes the "(" at sig index open.
    size_t Closing(size_t open) const {
        int depth = 0;
        for (size_t k = open; k < sig_.size(); ++k) {
            if (S(k).text == QStringLiteral("(")) ++depth;
            if (S(k).text == u")" && --depth == 0) return k;
        }
        Fail(QStringLiteral("Syntax error in CREATE TABLE statement."), sql_);
    }

    // Text of the significant tokens [from, to), translated as statement text.
    QString SigRange(size_t from, size_t to) {
        if (from >= to) return {};
        return Generic(sig_[from], sig_[to - 1] + 1);
    }

    // One column definition: name, Jet type with its size, then constraints.
    QString ColumnDef(size_t from, size_t to) {
        if (to - from < 2) Fail(QStringLiteral("Syntax error in field definition."), sql_);
        const QString name = S(from).text;
        const QString type = S(from + 1).text.toUpper();
        size_t k = from + 2;
        QStringList args;
        if (k < to && S(k).text == u"(") {
            for (++k; k < to && S(k).text != QStringLiteral(")"); ++k)
                if (S(k).text != u",") args << S(k).text;
            if (k >= to) Fail(QStringLiteral("Syntax error in field definition."), sql_);
            ++k;
        }
        QString declared;
        bool text = false, autoNumber = false;
        auto sized = [&](const char* base, int fallback) {
            return QString::fromLatin1(base) + u'(' + (args.isEmpty() ? QString::number(fallback) : args[0]) +
                   u')';
        };
        static const QStringList kText = {"TEXT",     "STRING", "VARCHAR",      "CHAR",   "CHARACTER",
                                          "NVARCHAR", "NCHAR",  "ALPHANUMERIC", "VARYING"};
        // The declared type starts with the Jet type, which schema lookup reads back. Money,
        // decimals and dates add "REAL" for floating-point affinity: without it a whole amount
        // or a midnight date would be stored, and computed with, as an integer.
        if (type == u"AUTOINCREMENT" || type == u"COUNTER" || type == u"IDENTITY") {
            declared = QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
            autoNumber = true;
        } else if (kText.contains(type)) {
            // Lengths are not enforced; a Text without one holds what Jet's default would.
            declared = sized("TEXT", 255);
            text = true;
        } else if (type == u"MEMO" || type == u"LONGTEXT" || type == u"LONGCHAR" || type == u"NOTE" ||
                   type == u"NTEXT") {
            declared = QStringLiteral("LONGTEXT");
            text = true;
        } else if (type == u"BIT" || type == u"YESNO" || type == u"LOGICAL" || type == u"LOGICAL1" ||
                   type == u"BOOLEAN") {
            declared = QStringLiteral("BIT");
        } else if (type == u"MONEY" || type == u"CURRENCY") {
            declared = QStringLiteral("MONEY REAL");
        } else if (type == u"DATETIME" || type == u"DATE" || type == u"TIME" || type == u"TIMESTAMP") {
            declared = QStringLiteral("DATETIME REAL");
        } else if (type == u"GUID" || type == u"UNIQUEIDENTIFIER") {
            declared = QStringLiteral("GUID");
        } else if (type == u"LONG" || type == u"INTEGER" || type == u"INT" || type == u"INTEGER4") {
            declared = QStringLiteral("INTEGER");
        } else if (type == u"SMALLINT" || type == u"SHORT" || type == u"INTEGER2") {
            declared = QStringLiteral("SMALLINT");
        } else if (type == u"BYTE" || type == u"TINYINT" || type == u"INTEGER1") {
            declared = QStringLiteral("BYTE");
        } else if (type == u"DOUBLE" || type == u"FLOAT" || type == u"FLOAT8" || type == u"NUMBER" ||
                   type == u"IEEEDOUBLE") {
            declared = QStringLiteral("DOUBLE");
        } else if (type == u"REAL" || type == u"SINGLE" || type == u"FLOAT4" || type == u"IEEESINGLE") {
            declared = QStringLiteral("REAL");
        } else if (type == u"DECIMAL" || type == u"NUMERIC" || type == u"DEC") {
            declared = QStringLiteral("DECIMAL REAL");
        } else if (type == u"BINARY" || type == u"VARBINARY" || type == u"LONGBINARY" ||
                   type == u"OLEOBJECT" || type == u"GENERAL" || type == u"IMAGE") {
            declared = QStringLiteral("LONGBINARY");
        } else {
            Fail(QStringLiteral("Syntax error in field definition."), sql_);
        }
        // Constraints: WITH COMPRESSION means nothing here; an AutoNumber already is the key.
        QString rest;
        size_t runStart = k;
        auto flush = [&](size_t upTo) {
            const QString part = SigRange(runStart, upTo);
            if (!part.isEmpty()) rest += u' ' + part;
        };
        while (k < to) {
            if (IsWord(S(k), "WITH") && k + 1 < to &&
                (IsWord(S(k + 1), "COMPRESSION") || IsWord(S(k + 1), "COMP"))) {
                flush(k);
                k += 2;
                runStart = k;
            } else if (autoNumber && IsWord(S(k), "CONSTRAINT") && k + 3 < to &&
                       IsWord(S(k + 2), "PRIMARY") && IsWord(S(k + 3), "KEY")) {
                flush(k);
                k += 4;
                runStart = k;
            } else if (autoNumber && IsWord(S(k), "PRIMARY") && k + 1 < to && IsWord(S(k + 1), "KEY")) {
                flush(k);
                k += 2;
                runStart = k;
            } else {
                ++k;
            }
        }
        flush(to);
        return name + u' ' + declared + (text ? QStringLiteral(" COLLATE JET") : QString()) + rest;
    }

    QString CreateTable() {
        // CREATE TABLE name ( items ) ...
        if (sig_.size() < 4 || S(3).text != u"(")
            Fail(QStringLiteral("Syntax error in CREATE TABLE statement."), sql_);
        const size_t close = Closing(3);
        QStringList items;
        for (auto [from, to] : SplitItems(4, close)) {
            if (from >= to) Fail(QStringLiteral("Syntax error in CREATE TABLE statement."), sql_);
            const Token& head = S(from);
            const bool tableConstraint = IsWord(head, "CONSTRAINT") || IsWord(head, "PRIMARY") ||
                                         IsWord(head, "UNIQUE") || IsWord(head, "FOREIGN");
            items << (tableConstraint ? SigRange(from, to) : ColumnDef(from, to));
        }
        return QStringLiteral("CREATE TABLE ") + S(2).text + QStringLiteral(" (") +
               items.join(QStringLiteral(", ")) + u')' +
               (close + 1 < sig_.size() ? u' ' + SigRange(close + 1, sig_.size()) : QString());
    }

    QString AlterAdd() {
        // ALTER TABLE t ADD [COLUMN] definition
        size_t from = 4;
        if (SigIs(from, "COLUMN"))
            ++from;
        else if (SigIs(from, "CONSTRAINT") || SigIs(from, "PRIMARY") || SigIs(from, "UNIQUE") ||
                 SigIs(from, "FOREIGN"))
            Fail(QStringLiteral("Adding a constraint to an existing table is not supported."), sql_);
        return QStringLiteral("ALTER TABLE ") + S(2).text + QStringLiteral(" ADD COLUMN ") +
               ColumnDef(from, sig_.size());
    }

    QString CreateIndex() {
        // CREATE [UNIQUE] INDEX name ON table (columns) [WITH PRIMARY | DISALLOW NULL | IGNORE NULL]
        const bool unique = SigIs(1, "UNIQUE");
        const size_t nameAt = unique ? 3 : 2;
        if (!SigIs(nameAt + 1, "ON") || nameAt + 3 >= sig_.size() ||
            S(nameAt + 3).text != QStringLiteral("("))
            Fail(QStringLiteral("Syntax error in CREATE INDEX statement."), sql_);
        const QString table = S(nameAt + 2).text;
        const size_t close = Closing(nameAt + 3);
        return QStringLiteral("CREATE ") + (unique ? QStringLiteral("UNIQUE ") : QString()) +
               QStringLiteral("INDEX [") + StoredIndexName(Unbracket(table), Unbracket(S(nameAt).text)) +
               QStringLiteral("] ON ") + table + QStringLiteral(" (") + SigRange(nameAt + 4, close) + u')';
    }

    QString DropIndex() {
        // DROP INDEX name ON table
        if (sig_.size() != 5 || !SigIs(3, "ON"))
            Fail(QStringLiteral("Syntax error in DROP INDEX statement."), sql_);
        return QStringLiteral("DROP INDEX [") + StoredIndexName(Unbracket(S(4).text), Unbracket(S(2).text)) +
               u']';
    }
};

}  // namespace

TJetTranslation TranslateJetSql(const QString& jetSql) { return Translator(jetSql).Run(); }

QStringList JetParameterNames(const QString& jetSql) { return Translator(jetSql).ParamsOnly(); }

QString StoredIndexName(const QString& table, const QString& index) { return table + u'.' + index; }

QString JetIndexName(const QString& storedName) {
    const qsizetype dot = storedName.indexOf(u'.');
    return dot < 0 ? storedName : storedName.mid(dot + 1);
}

TJetColumnType JetTypeOfDeclared(const QString& declaredType, bool autoIncrement) {
    TJetColumnType t;
    if (autoIncrement) {
        t.JetName = QStringLiteral("AutoNumber");
        return t;
    }
    const QString upper = declaredType.trimmed().toUpper();
    const qsizetype paren = upper.indexOf(u'(');
    const QString base =
        (paren < 0 ? upper : upper.left(paren)).section(u' ', 0, 0, QString::SectionSkipEmpty);
    const int size = paren < 0 ? 0 : upper.mid(paren + 1).section(u')', 0, 0).section(u',', 0, 0).toInt();
    if (base == u"TEXT") {
        t.Size = size > 0 ? size : 255;
        t.JetName = QStringLiteral("Text(") + QString::number(t.Size) + u')';
        t.IsText = true;
    } else if (base == u"LONGTEXT") {
        t.JetName = QStringLiteral("Memo");
        t.IsText = true;
    } else if (base == u"BIT") {
        t.JetName = QStringLiteral("Yes/No");
    } else if (base == u"MONEY") {
        t.JetName = QStringLiteral("Money");
    } else if (base == u"DATETIME") {
        t.JetName = QStringLiteral("Date-time");
    } else if (base == u"GUID") {
        t.JetName = QStringLiteral("GUID");
        t.Size = 38;
    } else if (base == u"INTEGER") {
        t.JetName = QStringLiteral("Long Integer");
    } else if (base == u"SMALLINT") {
        t.JetName = QStringLiteral("Integer");
    } else if (base == u"BYTE") {
        t.JetName = QStringLiteral("Byte");
    } else if (base == u"DOUBLE") {
        t.JetName = QStringLiteral("Double");
    } else if (base == u"REAL") {
        t.JetName = QStringLiteral("Single");
    } else if (base == u"DECIMAL") {
        t.JetName = QStringLiteral("Decimal");
    } else if (base == u"LONGBINARY") {
        t.JetName = QStringLiteral("Binary");
    } else if (upper.contains(u"INT")) {
        // A table made outside our DDL: read it by the engine's own affinity rules.
        t.JetName = QStringLiteral("Long Integer");
    } else if (upper.contains(u"CHAR") || upper.contains(u"CLOB") || upper.contains(u"TEXT")) {
        t.JetName = QStringLiteral("Memo");
        t.IsText = true;
    } else if (upper.isEmpty() || upper.contains(u"BLOB")) {
        t.JetName = QStringLiteral("Binary");
    } else {
        t.JetName = QStringLiteral("Double");
    }
    return t;
}
