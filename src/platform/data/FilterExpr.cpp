#include "platform/data/FilterExpr.h"

#include <QDate>
#include <QRegularExpression>
#include <QSet>
#include <unordered_set>
#include <vector>

#include "platform/data/DataText.h"
#include "platform/text/JetText.h"

namespace {

enum class Tok {
    End,
    Ident,
    String,
    Number,
    Date,
    LParen,
    RParen,
    Op,
    And,
    Or,
    Not,
    Like,
    Is,
    Null,
    True,
    False
};

struct Token {
    Tok kind = Tok::End;
    QString text;
    double number = 0;
    int pos = 0;
};

[[noreturn]] void Fail(const QString& text, int pos, const QString& what) {
    throw EFilterError(
        QStringLiteral("Chybný filtr \"%1\" (pozice %2): %3").arg(text).arg(pos + 1).arg(what));
}

bool IsIdentStart(QChar c) { return c.isLetter() || c == u'_'; }
bool IsIdentPart(QChar c) { return c.isLetterOrNumber() || c == u'_'; }

// Where a date written as d.M.yyyy (one or two ASCII digits, a dot, one or two digits, a dot, one to four
// digits, then neither a digit nor a dot) that starts at `i` ends, or -1. Scanned by hand: a
// pattern match would check the whole filter text at every number, and the item filter's texts
// hold one number per identifier.
int UnquotedDateEnd(const QString& s, int i) {
    const int n = static_cast<int>(s.size());
    auto digits = [&](int from) {
        int j = from;
        while (j < n && s[j] >= u'0' && s[j] <= u'9') ++j;
        return j - from;
    };
    for (int part = 0; part < 2; ++part) {
        const int run = digits(i);
        if (run < 1 || run > 2) return -1;
        i += run;
        if (i >= n || s[i] != u'.') return -1;
        ++i;
    }
    const int run = digits(i);
    if (run < 1 || run > 4) return -1;
    i += run;
    return i < n && s[i] == u'.' ? -1 : i;
}

std::vector<Token> Lex(const QString& s) {
    std::vector<Token> out;
    int i = 0;
    const int n = static_cast<int>(s.size());
    auto prevAllowsSign = [&] {
        return out.empty() || out.back().kind == Tok::Op || out.back().kind == Tok::LParen ||
               out.back().kind == Tok::And || out.back().kind == Tok::Or || out.back().kind == Tok::Not;
    };
    while (i < n) {
        const QChar c = s[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        Token t;
        t.pos = i;
        if (c == u'\'' || c == u'"') {
            // A quote inside is written twice, as every text the windows build is quoted.
            const QChar q = c;
            ++i;
            QString v;
            for (;;) {
                if (i >= n) Fail(s, t.pos, QStringLiteral("neukončený text"));
                if (s[i] == q) {
                    if (i + 1 < n && s[i + 1] == q) {
                        v += q;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                v += s[i++];
            }
            t.kind = Tok::String;
            t.text = v;
        } else if (c == u'#') {
            const int close = static_cast<int>(s.indexOf(u'#', i + 1));
            if (close < 0) Fail(s, t.pos, QStringLiteral("neukončené datum"));
            t.kind = Tok::Date;
            t.text = s.mid(i + 1, close - i - 1).trimmed();
            i = close + 1;
        } else if (c.isDigit() || (c == u'-' && i + 1 < n && s[i + 1].isDigit() && prevAllowsSign())) {
            int j = i + 1;
            while (j < n && s[j].isDigit()) ++j;
            // d.M.yyyy written without quotes is a date; one "." makes a decimal number.
            const int dateEnd = c == u'-' ? -1 : UnquotedDateEnd(s, i);
            if (dateEnd > 0) {
                t.kind = Tok::Date;
                t.text = s.mid(i, dateEnd - i);
                i = dateEnd;
            } else {
                if (j < n && s[j] == u'.' && j + 1 < n && s[j + 1].isDigit()) {
                    ++j;
                    while (j < n && s[j].isDigit()) ++j;
                }
                if (j < n && (s[j] == u'e' || s[j] == u'E')) {
                    int k = j + 1;
                    if (k < n && (s[k] == u'+' || s[k] == u'-')) ++k;
                    if (k < n && s[k].isDigit()) {
                        while (k < n && s[k].isDigit()) ++k;
                        j = k;
                    }
                }
                if (j < n && IsIdentPart(s[j])) Fail(s, t.pos, QStringLiteral("chybné číslo"));
                bool ok = false;
                t.kind = Tok::Number;
                t.text = s.mid(i, j - i);
                t.number = t.text.toDouble(&ok);
                if (!ok) Fail(s, t.pos, QStringLiteral("chybné číslo"));
                i = j;
            }
        } else if (c == u'[') {
            const int close = static_cast<int>(s.indexOf(u']', i + 1));
            if (close < 0) Fail(s, t.pos, QStringLiteral("neukončený název pole"));
            t.kind = Tok::Ident;
            t.text = s.mid(i + 1, close - i - 1);
            i = close + 1;
        } else if (IsIdentStart(c)) {
            int j = i + 1;
            while (j < n && IsIdentPart(s[j])) ++j;
            t.text = s.mid(i, j - i);
            const QString up = t.text.toUpper();
            if (up == u"AND")
                t.kind = Tok::And;
            else if (up == u"OR")
                t.kind = Tok::Or;
            else if (up == u"NOT")
                t.kind = Tok::Not;
            else if (up == u"LIKE")
                t.kind = Tok::Like;
            else if (up == u"IS")
                t.kind = Tok::Is;
            else if (up == u"NULL")
                t.kind = Tok::Null;
            else if (up == u"TRUE")
                t.kind = Tok::True;
            else if (up == u"FALSE")
                t.kind = Tok::False;
            else
                t.kind = Tok::Ident;
            i = j;
        } else if (c == u'(' || c == u')') {
            t.kind = c == u'(' ? Tok::LParen : Tok::RParen;
            ++i;
        } else if (c == u'=' || c == u'<' || c == u'>' || c == u'!') {
            int j = i + 1;
            if (j < n && (s[j] == u'=' || (c == u'<' && s[j] == u'>'))) ++j;
            t.text = s.mid(i, j - i);
            if (t.text == u"!") Fail(s, t.pos, QStringLiteral("neznámý operátor"));
            if (t.text == u"!=") t.text = QStringLiteral("<>");
            if (t.text == u"==") t.text = QStringLiteral("=");
            t.kind = Tok::Op;
            i = j;
        } else {
            Fail(s, t.pos, QStringLiteral("neočekávaný znak '%1'").arg(c));
        }
        out.push_back(t);
    }
    Token end;
    end.pos = n;
    out.push_back(end);
    return out;
}

enum class OpKind { Eq, Ne, Lt, Gt, Le, Ge };

OpKind OpOf(const QString& t) {
    if (t == u"=") return OpKind::Eq;
    if (t == u"<>") return OpKind::Ne;
    if (t == u"<") return OpKind::Lt;
    if (t == u">") return OpKind::Gt;
    if (t == u"<=") return OpKind::Le;
    return OpKind::Ge;
}

bool Holds(OpKind op, int cmp) {
    switch (op) {
        case OpKind::Eq:
            return cmp == 0;
        case OpKind::Ne:
            return cmp != 0;
        case OpKind::Lt:
            return cmp < 0;
        case OpKind::Gt:
            return cmp > 0;
        case OpKind::Le:
            return cmp <= 0;
        case OpKind::Ge:
            return cmp >= 0;
    }
    return false;
}

enum class Kind { Text, Number, Date, Bool, Null };

bool ParseDateText(const QString& text, double& ole) {
    QDate d;
    static const QRegularExpression czech(QStringLiteral("^(\\d{1,2})\\.(\\d{1,2})\\.(\\d{1,4})$"));
    static const QRegularExpression iso(QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})$"));
    static const QRegularExpression us(QStringLiteral("^(\\d{1,2})/(\\d{1,2})/(\\d{4})$"));
    if (auto m = czech.match(text.trimmed()); m.hasMatch())
        d = QDate(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
    else if (auto m2 = iso.match(text.trimmed()); m2.hasMatch())
        d = QDate(m2.captured(1).toInt(), m2.captured(2).toInt(), m2.captured(3).toInt());
    else if (auto m3 = us.match(text.trimmed()); m3.hasMatch())
        d = QDate(m3.captured(3).toInt(), m3.captured(1).toInt(), m3.captured(2).toInt());
    if (!d.isValid()) return false;
    ole = DateTimeToOle(d);
    return true;
}

Kind KindOfField(TFieldType t) {
    switch (t) {
        case ftString:
        case ftMemo:
        case ftWideString:
        case ftGuid:
        case ftBlob:
        case ftGraphic:
            return Kind::Text;
        case ftBoolean:
            return Kind::Bool;
        case ftDate:
        case ftTime:
        case ftDateTime:
            return Kind::Date;
        default:
            return Kind::Number;
    }
}

}  // namespace

struct TFilterExpr::Node {
    enum Type { Or, And, Not, Compare, Like, IsNull, Constant } type;
    // Or and And hold their whole chain side by side, so that a filter of thousands of OR'd
    // conditions (the item filter builds one per code) is a wide node, not a deep one; Not holds
    // its one operand here too.
    std::vector<std::unique_ptr<Node>> items;
    // Operands of Compare / Like / IsNull.
    struct Operand {
        bool isField = false;
        QString name;
        int field = -1;
        Kind kind = Kind::Null;  // of the field or literal
        Token literal;
        QVariant value;  // literal converted for comparison
    } left, right;
    TLikePattern pattern;  // of Like: the right side, read once
    OpKind op = OpKind::Eq;
    bool negate = false;
    bool constant = true;
    // Of Or, made by binding: the "field = value" items looked up in one step per field, so that
    // a record is tested against thousands of identifiers at the cost of one; the other items
    // are evaluated one by one.
    struct EqualitySet {
        int field = -1;
        bool text = false;
        std::unordered_set<double> numbers;
        QSet<QByteArray> keys;  // sort keys: texts equal in the database's comparison share one
    };
    std::vector<EqualitySet> equalities;
    std::vector<const Node*> others;
    bool grouped = false;
};

namespace {

using Node = TFilterExpr::Node;

// Filters that windows build nest a few levels at most; a hundred leaves room for any hand-made
// one and keeps every walk of the tree far inside the stack.
constexpr int kMaxNesting = 100;

class Parser {
public:
    Parser(const QString& text) : text_(text), toks_(Lex(text)) {}

    std::unique_ptr<Node> ParseAll() {
        if (Peek().kind == Tok::End) {
            auto n = std::make_unique<Node>();
            n->type = Node::Constant;
            return n;
        }
        auto n = ParseOr();
        if (Peek().kind != Tok::End) Fail(text_, Peek().pos, QStringLiteral("nečekané pokračování"));
        return n;
    }

private:
    const Token& Peek() const { return toks_[pos_]; }
    Token Take() { return toks_[pos_++]; }

    // One node for a whole chain of OR (or AND): the operands are read in a loop, so a long flat
    // chain costs no stack at all.
    std::unique_ptr<Node> Chain(Node::Type type, Tok joiner, std::unique_ptr<Node> (Parser::*operand)()) {
        auto first = (this->*operand)();
        if (Peek().kind != joiner) return first;
        auto n = std::make_unique<Node>();
        n->type = type;
        n->items.push_back(std::move(first));
        while (Peek().kind == joiner) {
            Take();
            n->items.push_back((this->*operand)());
        }
        return n;
    }
    std::unique_ptr<Node> ParseOr() { return Chain(Node::Or, Tok::Or, &Parser::ParseAnd); }
    std::unique_ptr<Node> ParseAnd() { return Chain(Node::And, Tok::And, &Parser::ParseNot); }
    std::unique_ptr<Node> ParseNot() {
        // A run of NOTs is counted, not nested: two of them cancel out.
        bool negate = false;
        while (Peek().kind == Tok::Not) {
            Take();
            negate = !negate;
        }
        auto operand = ParsePrimary();
        if (!negate) return operand;
        auto n = std::make_unique<Node>();
        n->type = Node::Not;
        n->items.push_back(std::move(operand));
        return n;
    }
    std::unique_ptr<Node> ParsePrimary() {
        if (Peek().kind == Tok::LParen) {
            // Parentheses are the one way to nest, and every level costs stack in reading,
            // binding, evaluating and freeing the tree: deeper than anyone writes by hand is
            // refused rather than risked.
            if (depth_ >= kMaxNesting)
                Fail(text_, Peek().pos,
                     QStringLiteral("příliš mnoho vnořených závorek (nejvýše %1)").arg(kMaxNesting));
            Take();
            ++depth_;
            auto inner = ParseOr();
            --depth_;
            if (Peek().kind != Tok::RParen) Fail(text_, Peek().pos, QStringLiteral("chybí pravá závorka"));
            Take();
            return inner;
        }
        auto n = std::make_unique<Node>();
        n->left = ParseOperand();
        const Token& t = Peek();
        if (t.kind == Tok::Op) {
            n->type = Node::Compare;
            n->op = OpOf(Take().text);
            n->right = ParseOperand();
            const bool leftNull = !n->left.isField && n->left.kind == Kind::Null;
            const bool rightNull = !n->right.isField && n->right.kind == Kind::Null;
            if (leftNull || rightNull) {
                // "= NULL" and "<> NULL" ask whether the other side is empty.
                if (n->op != OpKind::Eq && n->op != OpKind::Ne)
                    Fail(text_, t.pos, QStringLiteral("s NULL lze jen = a <>"));
                n->type = Node::IsNull;
                n->negate = n->op == OpKind::Ne;
                if (leftNull) std::swap(n->left, n->right);
            }
        } else if (t.kind == Tok::Like || (t.kind == Tok::Not && toks_[pos_ + 1].kind == Tok::Like)) {
            if (Take().kind == Tok::Not) {
                Take();
                n->negate = true;
            }
            n->type = Node::Like;
            n->right = ParseOperand();
            if (n->right.isField || n->right.literal.kind != Tok::String)
                Fail(text_, n->right.literal.pos, QStringLiteral("za LIKE musí být text v uvozovkách"));
        } else if (t.kind == Tok::Is) {
            Take();
            n->type = Node::IsNull;
            if (Peek().kind == Tok::Not) {
                Take();
                n->negate = true;
            }
            if (Peek().kind != Tok::Null) Fail(text_, Peek().pos, QStringLiteral("za IS musí být NULL"));
            Take();
        } else {
            Fail(text_, t.pos, QStringLiteral("chybí porovnání"));
        }
        return n;
    }
    Node::Operand ParseOperand() {
        Node::Operand o;
        const Token t = Take();
        o.literal = t;
        switch (t.kind) {
            case Tok::Ident:
                o.isField = true;
                o.name = t.text;
                break;
            case Tok::String:
                o.kind = Kind::Text;
                break;
            case Tok::Number:
                o.kind = Kind::Number;
                break;
            case Tok::Date:
                o.kind = Kind::Date;
                break;
            case Tok::True:
            case Tok::False:
                o.kind = Kind::Bool;
                break;
            case Tok::Null:
                o.kind = Kind::Null;
                break;
            default:
                Fail(text_, t.pos, QStringLiteral("očekáváno pole nebo hodnota"));
        }
        return o;
    }

    QString text_;
    std::vector<Token> toks_;
    size_t pos_ = 0;
    int depth_ = 0;
};

// Converts a literal for comparison with something of the given kind; false when it cannot be.
bool ConvertLiteral(Node::Operand& o, Kind target) {
    const Token& t = o.literal;
    switch (target) {
        case Kind::Text:
            o.value = t.kind == Tok::Number ? t.text : t.text;
            if (t.kind == Tok::True || t.kind == Tok::False) o.value = t.kind == Tok::True ? "True" : "False";
            return true;
        case Kind::Number:
            if (t.kind == Tok::Number) {
                o.value = t.number;
                return true;
            }
            if (t.kind == Tok::True || t.kind == Tok::False) {
                o.value = t.kind == Tok::True ? -1.0 : 0.0;
                return true;
            }
            if (t.kind == Tok::String) {
                bool ok = false;
                const double v = QString(t.text).replace(u',', u'.').trimmed().toDouble(&ok);
                o.value = v;
                return ok;
            }
            if (t.kind == Tok::Date) {
                double ole = 0;
                if (!ParseDateText(t.text, ole)) return false;
                o.value = ole;
                return true;
            }
            return false;
        case Kind::Date:
            if (t.kind == Tok::Number) {
                o.value = t.number;
                return true;
            }
            if (t.kind == Tok::Date || t.kind == Tok::String) {
                double ole = 0;
                if (!ParseDateText(t.text, ole)) return false;
                o.value = ole;
                return true;
            }
            return false;
        case Kind::Bool:
            if (t.kind == Tok::True || t.kind == Tok::False) {
                o.value = t.kind == Tok::True;
                return true;
            }
            if (t.kind == Tok::Number) {
                o.value = t.number != 0;
                return true;
            }
            if (t.kind == Tok::String) {
                const QString v = t.text.trimmed().toUpper();
                if (v == u"TRUE" || v == u"-1" || v == u"1")
                    o.value = true;
                else if (v == u"FALSE" || v == u"0")
                    o.value = false;
                else
                    return false;
                return true;
            }
            return false;
        case Kind::Null:
            return false;
    }
    return false;
}

void BindOperand(Node::Operand& o, const TFields& fields, const QString& where) {
    if (!o.isField) return;
    o.field = fields.IndexOf(o.name);
    if (o.field < 0)
        throw EFilterError(QStringLiteral("Pole '%1' ve filtru \"%2\" neexistuje.").arg(o.name, where));
    o.kind = KindOfField(fields[o.field]->DataType());
}

void GroupEqualities(Node& n);

void BindNode(Node& n, const TFields& fields, const QString& text) {
    for (auto& item : n.items) BindNode(*item, fields, text);
    if (n.type == Node::Or) GroupEqualities(n);
    if (n.type != Node::Compare && n.type != Node::Like && n.type != Node::IsNull) return;
    BindOperand(n.left, fields, text);
    BindOperand(n.right, fields, text);
    if (n.type == Node::Like) {
        n.right.value = n.right.literal.text;
        n.pattern = TLikePattern(n.right.literal.text, U'*', U'?');
        return;
    }
    if (n.type != Node::Compare) return;
    Node::Operand* lit = nullptr;
    Kind target = Kind::Text;
    if (n.left.isField && !n.right.isField) {
        lit = &n.right;
        target = n.left.kind;
    } else if (!n.left.isField && n.right.isField) {
        lit = &n.left;
        target = n.right.kind;
    } else if (!n.left.isField && !n.right.isField) {
        // Two values: numbers compare as numbers, anything else as text.
        target = n.left.kind == Kind::Text || n.right.kind == Kind::Text ? Kind::Text : Kind::Number;
        if (!ConvertLiteral(n.left, target) || !ConvertLiteral(n.right, target))
            throw EFilterError(QStringLiteral("Hodnoty ve filtru \"%1\" nelze porovnat.").arg(text));
        return;
    }
    if (lit && !ConvertLiteral(*lit, target))
        throw EFilterError(QStringLiteral("Hodnotu '%1' ve filtru \"%2\" nelze porovnat s polem.")
                               .arg(lit->literal.text, text));
}

double AsNumber(const QVariant& v) {
    if (v.typeId() == QMetaType::Bool) return v.toBool() ? -1.0 : 0.0;
    return v.toDouble();
}

// An item of an OR that holds exactly when a field equals a bound value, whose field compares as
// text or as a number: its field and value, or false.
bool IsFieldEquality(const Node& n, const Node::Operand*& field, const Node::Operand*& value) {
    if (n.type != Node::Compare || n.op != OpKind::Eq || n.left.isField == n.right.isField) return false;
    field = n.left.isField ? &n.left : &n.right;
    value = n.left.isField ? &n.right : &n.left;
    return field->kind == Kind::Text || field->kind == Kind::Number || field->kind == Kind::Date;
}

void GroupEqualities(Node& n) {
    n.equalities.clear();
    n.others.clear();
    n.grouped = true;
    for (const auto& item : n.items) {
        const Node::Operand* field = nullptr;
        const Node::Operand* value = nullptr;
        if (!IsFieldEquality(*item, field, value)) {
            n.others.push_back(item.get());
            continue;
        }
        auto set = std::find_if(n.equalities.begin(), n.equalities.end(),
                                [&](const Node::EqualitySet& e) { return e.field == field->field; });
        if (set == n.equalities.end()) {
            set = n.equalities.emplace(n.equalities.end());
            set->field = field->field;
            set->text = field->kind == Kind::Text;
        }
        if (set->text)
            set->keys.insert(DataSortKey(value->value.toString()));
        else
            set->numbers.insert(AsNumber(value->value));
    }
}

// A field's value in the comparison's terms. Text fields that are NULL compare as empty text, so
// "Identif = ''" also finds records that never got a value; other NULLs match nothing.
bool OperandValue(const Node::Operand& o, const TFilterExpr::ValueOf& valueOf, QVariant& out) {
    if (!o.isField) {
        out = o.value;
        return true;
    }
    const QVariant& v = valueOf(o.field);
    if (!v.isValid()) {
        if (o.kind != Kind::Text) return false;
        out = QString();
        return true;
    }
    out = v;
    return true;
}

int CompareAs(Kind kind, const QVariant& a, const QVariant& b) {
    switch (kind) {
        case Kind::Text:
            return DataCompareText(a.toString(), b.toString());
        case Kind::Bool:
            return static_cast<int>(a.toBool()) - static_cast<int>(b.toBool());
        default: {
            const double x = AsNumber(a), y = AsNumber(b);
            return x < y ? -1 : (x > y ? 1 : 0);
        }
    }
}

bool Eval(const Node& n, const TFilterExpr::ValueOf& valueOf) {
    switch (n.type) {
        case Node::Constant:
            return n.constant;
        case Node::Or:
            if (!n.grouped) {
                for (const auto& item : n.items)
                    if (Eval(*item, valueOf)) return true;
                return false;
            }
            // Evaluating has no side effects, so the grouped items may go first.
            for (const Node::EqualitySet& set : n.equalities) {
                const QVariant& v = valueOf(set.field);
                if (set.text) {
                    // An empty text field equals '' as in a single comparison.
                    const QByteArrayView key = DataSortKeyView(
                        v.typeId() == QMetaType::QString ? *static_cast<const QString*>(v.constData())
                                                         : v.toString());
                    if (set.keys.contains(QByteArray::fromRawData(key.data(), key.size()))) return true;
                } else if (v.isValid() && set.numbers.count(AsNumber(v))) {
                    return true;
                }
            }
            for (const Node* item : n.others)
                if (Eval(*item, valueOf)) return true;
            return false;
        case Node::And:
            for (const auto& item : n.items)
                if (!Eval(*item, valueOf)) return false;
            return true;
        case Node::Not:
            return !Eval(*n.items.front(), valueOf);
        case Node::IsNull: {
            const bool isNull = n.left.isField ? !valueOf(n.left.field).isValid() : n.left.kind == Kind::Null;
            return isNull != n.negate;
        }
        case Node::Like: {
            QVariant v;
            if (!OperandValue(n.left, valueOf, v)) return false;
            // Text is matched as it stands; only numbers and dates need turning into text first.
            const bool match = v.typeId() == QMetaType::QString
                                   ? n.pattern.Matches(*static_cast<const QString*>(v.constData()))
                                   : n.pattern.Matches(v.toString());
            return match != n.negate;
        }
        case Node::Compare: {
            QVariant a, b;
            if (!OperandValue(n.left, valueOf, a) || !OperandValue(n.right, valueOf, b)) return false;
            Kind kind = n.left.isField ? n.left.kind : (n.right.isField ? n.right.kind : n.left.kind);
            if (!n.left.isField && !n.right.isField)
                kind = n.left.kind == Kind::Text || n.right.kind == Kind::Text ? Kind::Text : Kind::Number;
            if (n.left.isField && n.right.isField && n.left.kind != n.right.kind)
                kind = n.left.kind == Kind::Text || n.right.kind == Kind::Text ? Kind::Text : Kind::Number;
            return Holds(n.op, CompareAs(kind, a, b));
        }
    }
    return false;
}

}  // namespace

TFilterExpr::~TFilterExpr() = default;

std::unique_ptr<TFilterExpr> TFilterExpr::Parse(const QString& text) {
    std::unique_ptr<TFilterExpr> e(new TFilterExpr);
    e->root_ = Parser(text).ParseAll();
    e->text_ = text;
    return e;
}

void TFilterExpr::Bind(const TFields& fields) { BindNode(*root_, fields, text_); }

bool TFilterExpr::Evaluate(const ValueOf& value) const { return Eval(*root_, value); }
