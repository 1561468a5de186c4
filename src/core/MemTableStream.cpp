#include "core/MemTableStream.h"

#include <QBuffer>
#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "platform/data/DataSetError.h"
#include "platform/text/Cp1250.h"
#include "platform/text/DateFormat.h"
#include "platform/text/FormatSettings.h"
#include "platform/text/NumberFormat.h"

namespace {

const QChar kQuote = u'"';
const QChar kFieldDelimiter = u',';
const QChar kRecordDelimiter = u',';
const QString kLineEnd = QStringLiteral("\r\n");
const QString kTrueText = QStringLiteral("True");
const QString kFalseText = QStringLiteral("False");

const QString kFileVersionMark = QStringLiteral("@@FILE VERSION@@");
const QString kFileVersion = QStringLiteral("251");
const QString kTableDefStart = QStringLiteral("@@TABLEDEF START@@");
const QString kTableDefEnd = QStringLiteral("@@TABLEDEF END@@");
const QString kIndexDefStart = QStringLiteral("@@INDEXDEF START@@");
const QString kIndexDefEnd = QStringLiteral("@@INDEXDEF END@@");

const char* const kDeltasError = "Saving deltas is supported only in binary format.";
const char* const kUnknownTypeError = "Unknown field type (%1) in CSV file. (%2)";

// Type names by their number in the stored format. Stations read them by name, so the names and
// their spelling are fixed; the numbers only order the table.
const std::array<const char*, 38> kTypeNames = {
    "Unknown",     "String",       "SmallInt",   "Integer",    "Word",     "Boolean",    "Float",
    "Currency",    "BCD",          "Date",       "Time",       "DateTime", "Bytes",      "VarBytes",
    "AutoInc",     "Blob",         "Memo",       "Graphic",    "FmtMemo",  "ParadoxOle", "dBaseOle",
    "TypedBinary", "Cursor",       "FixedChar",  "WideString", "LargeInt", "ADT",        "Array",
    "Reference",   "DataSet",      "HugeBlob",   "HugeClob",   "Variant",  "Interface",  "Dispatch",
    "Guid",        "SQLTimeStamp", "FMTBcdField"};

const std::array<const char*, 5> kKindNames = {"Data", "Calculated", "Lookup", "InternalCalc", "Aggregate"};

QString TypeName(TFieldType type) {
    switch (type) {
        case ftString:
            return kTypeNames[1];
        case ftSmallint:
            return kTypeNames[2];
        case ftInteger:
            return kTypeNames[3];
        case ftWord:
            return kTypeNames[4];
        case ftBoolean:
            return kTypeNames[5];
        case ftFloat:
            return kTypeNames[6];
        case ftCurrency:
            return kTypeNames[7];
        case ftBCD:
            return kTypeNames[8];
        case ftDate:
            return kTypeNames[9];
        case ftTime:
            return kTypeNames[10];
        case ftDateTime:
            return kTypeNames[11];
        case ftAutoInc:
            return kTypeNames[14];
        case ftBlob:
            return kTypeNames[15];
        case ftMemo:
            return kTypeNames[16];
        case ftGraphic:
            return kTypeNames[17];
        case ftWideString:
            return kTypeNames[24];
        case ftLargeint:
            return kTypeNames[25];
        case ftGuid:
            return kTypeNames[35];
        case ftUnknown:
            break;
    }
    return kTypeNames[0];
}

// The field type a stored type name loads as; nothing for a name that cannot be loaded. Our
// tables hold fewer types than the format names: the binary kinds load as Blob, the formatted
// memo as Memo, fixed-width and structured values as String, so a stream from any writer still
// loads with its values intact.
std::optional<TFieldType> LoadableType(const QString& name) {
    struct Entry {
        const char* name;
        TFieldType type;
    };
    static const Entry kLoadable[] = {
        {"String", ftString},    {"SmallInt", ftSmallint}, {"Integer", ftInteger},   {"Word", ftWord},
        {"Boolean", ftBoolean},  {"Float", ftFloat},       {"Currency", ftCurrency}, {"BCD", ftBCD},
        {"Date", ftDate},        {"Time", ftTime},         {"DateTime", ftDateTime}, {"Bytes", ftBlob},
        {"VarBytes", ftBlob},    {"AutoInc", ftAutoInc},   {"Blob", ftBlob},         {"Memo", ftMemo},
        {"Graphic", ftGraphic},  {"FmtMemo", ftMemo},      {"ParadoxOle", ftBlob},   {"dBaseOle", ftBlob},
        {"TypedBinary", ftBlob}, {"FixedChar", ftString},  {"LargeInt", ftLargeint}, {"ADT", ftString},
        {"Array", ftString},
    };
    for (const Entry& e : kLoadable)
        if (name == QLatin1String(e.name)) return e.type;
    return std::nullopt;
}

// WideString is escaped like the other texts: written raw, a line break inside it would split
// its row in two when read back.
bool IsStreamText(TFieldType t) { return t == ftString || t == ftMemo || t == ftWideString; }
bool IsStreamBinary(TFieldType t) { return t == ftBlob || t == ftGraphic; }
bool IsBlobType(TFieldType t) { return t == ftBlob || t == ftMemo || t == ftGraphic; }

// The formats every stream is read with and, unless asked otherwise, written with. Only the long
// time format stays the station's own, as the format has always had it.
TFormatSettings FixedFormats() {
    TFormatSettings fs = FormatSettings;
    fs.DateSeparator = u'/';
    fs.TimeSeparator = u':';
    fs.DecimalSeparator = u'.';
    fs.ThousandSeparator = u',';
    fs.ShortDateFormat = QStringLiteral("dd/mm/yyyy");
    fs.CurrencyString.clear();
    fs.CurrencyFormat = 0;
    fs.NegCurrFormat = 1;
    return fs;
}

QString Quoted(const QString& text) {
    QString out;
    out.reserve(text.size() + 2);
    out += kQuote;
    for (const QChar c : text) {
        out += c;
        if (c == kQuote) out += kQuote;
    }
    out += kQuote;
    return out;
}

// --- writing

bool FieldWritten(const TField& f, TMemTableSaveFlags flags) {
    const TFieldKind kind = f.FieldKind();
    bool written;
    if (IsBlobType(f.DataType()))
        written = (flags & mtfSaveBlobs) && kind != fkInternalCalc && kind != fkAggregate;
    else if (kind == fkData)
        written = flags & mtfSaveData;
    else if (kind == fkCalculated)
        written = flags & mtfSaveCalculated;
    else if (kind == fkLookup)
        written = flags & mtfSaveLookup;
    else
        written = false;
    return written && (f.Visible() || (flags & mtfSaveNonVisible));
}

QString FieldDefinition(const TField& f, TMemTableSaveFlags flags) {
    QString def = f.FieldName() + u'=' + TypeName(f.DataType()) + u',' + QString::number(f.Size()) + u',' +
                  Quoted(f.DisplayLabel()) + u',' + Quoted(f.EditMask()) + u',' +
                  QString::number(f.DisplayWidth());
    if (f.Required()) def += QStringLiteral(",REQ");
    if (f.ReadOnly()) def += QStringLiteral(",RO");
    def += u',';
    def += (flags & mtfSaveFieldKind) ? QString(kKindNames[static_cast<size_t>(f.FieldKind())])
                                      : QString(kKindNames[0]);
    def += u',' + Quoted(f.DefaultExpression());
    return Quoted(def);
}

QString IndexDefinition(const TMemIndexDef& d) {
    QString def = d.Name + u'=' + Quoted(d.Fields) + u',' + Quoted(d.DisplayName);
    if (d.Options & ixDescending) def += QStringLiteral(",DESC");
    if (d.Options & ixCaseInsensitive) def += QStringLiteral(",CASE");
    if (d.Options & ixNonMaintained) def += QStringLiteral(",NONMT");
    if (d.Options & ixUnique) def += QStringLiteral(",UNIQ");
    return Quoted(def);
}

// The column text of one stored value; an empty string for NULL.
QString ValueText(const QVariant& v, TFieldType type, const TFormatSettings& fs) {
    if (!v.isValid()) return QString();
    if (IsStreamText(type)) return Quoted(EscapeStreamText(v.toString()));
    if (IsStreamBinary(type)) return Quoted(EncodeSixBit(v.toByteArray()));
    if (type == ftBoolean) return Quoted(v.toBool() ? kTrueText : kFalseText);
    if (IsIntegerType(type)) return Quoted(QString::number(v.toLongLong()));
    if (IsFloatType(type)) return Quoted(FloatToStr(static_cast<long double>(v.toDouble()), fs));
    if (type == ftDate) return Quoted(DateToStr(v.toDouble(), fs));
    if (type == ftTime) return Quoted(TimeToStr(v.toDouble(), fs));
    if (type == ftDateTime) return Quoted(DateTimeToStr(v.toDouble(), fs));
    return Quoted(v.toString());
}

// Puts back what the writer switched off, also when writing fails half-way.
class TSaveState {
public:
    TSaveState(TMemTable& table, TMemTableSaveFlags flags) : table_(table) {
        table_.DisableControls();
        mark_ = table_.GetBookmark();
        recNo_ = table_.RecNo();
        try {
            if ((flags & mtfSaveFiltered) && table_.Filtered()) {
                table_.SetFiltered(false);
                filterOff_ = true;
            }
            // Our memory tables know no other range than the one of their master link, so
            // mtfSaveIgnoreRange has nothing of its own to switch off.
            if (flags & mtfSaveIgnoreMasterDetail) {
                master_ = table_.MasterSource();
                if (master_) table_.SetMasterSource(nullptr);
            }
        } catch (...) {
            Restore();
            throw;
        }
    }
    ~TSaveState() { Restore(); }
    TSaveState(const TSaveState&) = delete;
    TSaveState& operator=(const TSaveState&) = delete;

private:
    void Restore() noexcept {
        if (done_) return;
        done_ = true;
        try {
            if (master_) table_.SetMasterSource(master_);
            if (filterOff_) table_.SetFiltered(true);
            if (!mark_.isEmpty() && table_.BookmarkValid(mark_))
                table_.GotoBookmark(mark_);
            else if (recNo_ > 0)
                table_.SetRecNo(recNo_);
        } catch (...) {
            // The filter was valid when the write began; nothing here can make it fail now.
        }
        table_.EnableControls();
    }

    TMemTable& table_;
    TBookmark mark_;
    int recNo_ = 0;
    bool filterOff_ = false;
    TDataSource* master_ = nullptr;
    bool done_ = false;
};

QString WriteTable(TMemTable& table, TMemTableSaveFlags flags) {
    const TFormatSettings fs = (flags & mtfSaveInLocalFormat) ? FormatSettings : FixedFormats();
    const int count = table.FieldCount();
    std::vector<bool> written(static_cast<size_t>(count));
    std::vector<int> columns;
    for (int i = 0; i < count; ++i) {
        written[static_cast<size_t>(i)] = FieldWritten(*table.Fields()[i], flags);
        if (written[static_cast<size_t>(i)] || !(flags & mtfSkipRest)) columns.push_back(i);
    }

    QString out;
    if (flags & mtfSaveDef) {
        out += Quoted(kFileVersionMark) + kFieldDelimiter + Quoted(kFileVersion) + kLineEnd;
        out += Quoted(kTableDefStart) + kLineEnd;
        for (int i : columns) out += FieldDefinition(*table.Fields()[i], flags) + kLineEnd;
        if (flags & mtfSaveIndexDef) {
            out += Quoted(kIndexDefStart) + kLineEnd;
            for (const TMemIndexDef& d : table.IndexDefs()) out += IndexDefinition(d) + kLineEnd;
            out += Quoted(kIndexDefEnd) + kLineEnd;
        }
        out += Quoted(kTableDefEnd) + kLineEnd;
    }
    if (!(flags & mtfSaveNoHeader)) {
        // The delimiter follows every column but the table's last field, so a skipped last field
        // leaves an empty title at the end; record lines never reach that column.
        for (int i : columns) {
            out += Quoted(table.Fields()[i]->DisplayLabel());
            if (i != count - 1) out += kFieldDelimiter;
        }
        out += kRecordDelimiter + kLineEnd;
    }
    for (uint32_t row : table.View()) {
        bool first = true;
        for (int i : columns) {
            if (!first) out += kFieldDelimiter;
            first = false;
            if (written[static_cast<size_t>(i)])
                out += ValueText(table.RecordValue(row, i), table.Fields()[i]->DataType(), fs);
        }
        out += kRecordDelimiter + kLineEnd;
    }
    return out;
}

// --- reading

// The tokens of one line. A token is a quoted text or, where a delimiter stands without one,
// a NULL; unquoted characters before either are passed over.
class TTokenReader {
public:
    explicit TTokenReader(const QString& line) : line_(line) {}

    // False at the end of the line.
    bool Next(QString& text, bool& isNull) {
        const qsizetype n = line_.size();
        while (pos_ < n && line_[pos_] != kQuote && line_[pos_] != kFieldDelimiter &&
               line_[pos_] != kRecordDelimiter)
            ++pos_;
        text.clear();
        if (pos_ >= n) return false;
        if (line_[pos_] != kQuote) {
            ++pos_;
            isNull = true;
            return true;
        }
        isNull = false;
        ++pos_;
        while (pos_ < n) {
            if (line_[pos_] == kQuote) {
                if (pos_ + 1 < n && line_[pos_ + 1] == kQuote) {
                    text += kQuote;
                    pos_ += 2;
                    continue;
                }
                // Past the closing quote and the delimiter after it.
                pos_ = std::min(pos_ + 2, n);
                return true;
            }
            text += line_[pos_++];
        }
        return true;
    }

private:
    const QString& line_;
    qsizetype pos_ = 0;
};

// Lines end at CR, LF or NUL; a run of them is one break, so there are no empty lines.
std::vector<QString> SplitLines(const QString& text) {
    std::vector<QString> lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i <= n; ++i) {
        if (i < n && text[i] != u'\r' && text[i] != u'\n' && text[i] != QChar(0)) continue;
        if (i > start) lines.push_back(text.mid(start, i - start));
        start = i + 1;
    }
    return lines;
}

// A definition line without the quoting the writer put around the whole of it.
QString Unquoted(const QString& line) {
    QString s = line;
    if (s.startsWith(kQuote)) s.remove(0, 1);
    if (s.endsWith(kQuote)) s.chop(1);
    s.replace(QStringLiteral("\"\""), QStringLiteral("\""));
    return s;
}

struct TDefItem {
    QString text;
    bool quoted = false;
};

// A comma-separated list whose items may stand in double quotes with their quotes doubled.
std::vector<TDefItem> SplitDefItems(const QString& s) {
    std::vector<TDefItem> items;
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (true) {
        TDefItem item;
        if (i < n && s[i] == u'"') {
            item.quoted = true;
            ++i;
            while (i < n) {
                if (s[i] == u'"') {
                    if (i + 1 < n && s[i + 1] == u'"') {
                        item.text += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item.text += s[i++];
            }
            while (i < n && s[i] != u',') ++i;
        } else {
            const qsizetype end = s.indexOf(u',', i);
            const qsizetype stop = end < 0 ? n : end;
            item.text = s.mid(i, stop - i);
            i = stop;
        }
        items.push_back(item);
        if (i >= n) break;
        ++i;  // the comma
    }
    return items;
}

struct TParsedField {
    QString name;
    TFieldType type = ftUnknown;
    int size = 0;
    bool required = false;
    bool readOnly = false;
    bool visible = true;
    TFieldKind kind = fkData;
    QString displayLabel;
    QString editMask;
    std::optional<int> displayWidth;
    QString defaultExpression;
};

int DefInteger(const std::vector<TDefItem>& items, size_t index) {
    if (index >= items.size() || items[index].text.trimmed().isEmpty()) return 0;
    return StrToInt(items[index].text);
}

TParsedField ParseFieldDefinition(const QString& def) {
    TParsedField f;
    const qsizetype eq = def.indexOf(u'=');
    f.name = eq < 0 ? def : def.left(eq);
    const std::vector<TDefItem> items = SplitDefItems(eq < 0 ? QString() : def.mid(eq + 1));
    const QString typeName = items.empty() ? QString() : items[0].text;
    const std::optional<TFieldType> type = LoadableType(typeName);
    if (!type) throw EDataSetError(QString::fromLatin1(kUnknownTypeError).arg(typeName, def));
    f.type = *type;
    f.size = DefInteger(items, 1);
    if (items.size() > 2) f.displayLabel = items[2].text;
    if (items.size() > 3) f.editMask = items[3].text;
    if (items.size() > 4 && !items[4].text.trimmed().isEmpty()) f.displayWidth = StrToInt(items[4].text);
    // Markers are items of their own after the width; a title or default expression that merely
    // contains such letters stands in quotes and marks nothing.
    int rest = 0;
    for (size_t i = 5; i < items.size(); ++i) {
        const TDefItem& item = items[i];
        if (!item.quoted && item.text == u"REQ")
            f.required = true;
        else if (!item.quoted && item.text == u"RO")
            f.readOnly = true;
        else if (!item.quoted && item.text == u"INV")
            f.visible = false;
        else if (rest++ == 0) {
            for (size_t k = 0; k < kKindNames.size(); ++k)
                if (item.text == QLatin1String(kKindNames[k])) f.kind = static_cast<TFieldKind>(k);
        } else if (rest == 2) {
            f.defaultExpression = item.text;
        }
    }
    return f;
}

TMemIndexDef ParseIndexDefinition(const QString& def) {
    TMemIndexDef d;
    const qsizetype eq = def.indexOf(u'=');
    d.Name = eq < 0 ? def : def.left(eq);
    const std::vector<TDefItem> items = SplitDefItems(eq < 0 ? QString() : def.mid(eq + 1));
    if (!items.empty()) d.Fields = items[0].text;
    if (items.size() > 1) d.DisplayName = items[1].text;
    for (size_t i = 2; i < items.size(); ++i) {
        if (items[i].quoted) continue;
        if (items[i].text == u"DESC") d.Options |= ixDescending;
        if (items[i].text == u"CASE") d.Options |= ixCaseInsensitive;
        if (items[i].text == u"NONMT") d.Options |= ixNonMaintained;
        if (items[i].text == u"UNIQ") d.Options |= ixUnique;
    }
    return d;
}

// Replaces the table's fields by the parsed ones; the table is left open.
void BuildFields(TMemTable& table, const std::vector<TParsedField>& defs) {
    table.Close();
    table.FieldDefs().Clear();
    for (const TParsedField& d : defs) table.FieldDefs().Add(d.name, d.type, d.size, d.required);
    table.CreateTable();
    for (size_t i = 0; i < defs.size(); ++i) {
        const TParsedField& d = defs[i];
        TField* f = table.Fields()[static_cast<int>(i)];
        f->SetFieldKind(d.kind);
        f->SetDisplayLabel(d.displayLabel);
        f->SetEditMask(d.editMask);
        f->SetReadOnly(d.readOnly);
        if (d.displayWidth) f->SetDisplayWidth(*d.displayWidth);
        f->SetDefaultExpression(d.defaultExpression);
        f->SetVisible(d.visible);
    }
}

// Titles match with the letters a to z compared without regard to case and every other
// character, accented letters included, exactly.
bool SameTitle(const QString& a, const QString& b) {
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a[i].unicode(), y = b[i].unicode();
        if (x >= u'A' && x <= u'Z') x += u'a' - u'A';
        if (y >= u'A' && y <= u'Z') y += u'a' - u'A';
        if (x != y) return false;
    }
    return true;
}

std::vector<int> ColumnMap(const TMemTable& table, const QString& header) {
    std::vector<int> map;
    TTokenReader reader(header);
    QString token;
    bool isNull = false;
    while (reader.Next(token, isNull)) {
        const int position = static_cast<int>(map.size());
        int field = -1;
        if (isNull) {
            field = position < table.FieldCount() ? position : -1;
        } else {
            for (int i = 0; i < table.FieldCount() && field < 0; ++i)
                if (SameTitle(table.Fields()[i]->DisplayLabel(), token)) field = i;
        }
        map.push_back(field);
    }
    return map;
}

QVariant TokenValue(const QString& token, TFieldType type, const TFormatSettings& fs) {
    if (IsStreamText(type)) return UnescapeStreamText(token);
    if (IsStreamBinary(type)) return DecodeSixBit(token);
    if (type == ftBoolean) return token == kTrueText;
    if (IsIntegerType(type)) return StrToInt64(token);
    if (IsFloatType(type)) return static_cast<double>(StrToFloat(token, fs));
    if (type == ftDate) return StrToDate(token, fs);
    if (type == ftTime || type == ftDateTime) return StrToDateTime(token, fs);
    return token;
}

void ReadRow(TMemTable& table, const QString& line, const std::vector<int>& map, const TFormatSettings& fs) {
    table.Append();
    try {
        TTokenReader reader(line);
        QString token;
        bool isNull = false;
        for (size_t column = 0; column < map.size() && reader.Next(token, isNull); ++column) {
            if (map[column] < 0) continue;
            TField* f = table.Fields()[map[column]];
            if (isNull)
                f->Clear();
            else
                f->SetValue(TokenValue(token, f->DataType(), fs));
        }
        table.Post();
    } catch (...) {
        table.Cancel();
        throw;
    }
}

void ReadTable(TMemTable& table, const std::vector<QString>& lines) {
    const TFormatSettings fs = FixedFormats();
    bool definitionMode = false;
    bool indexMode = false;
    std::vector<TParsedField> defs;
    std::optional<std::vector<int>> columns;
    try {
        for (const QString& line : lines) {
            if (columns) {
                if (!table.Active()) table.Open();
                ReadRow(table, line, *columns, fs);
                continue;
            }
            TTokenReader reader(line);
            QString first;
            bool isNull = false;
            reader.Next(first, isNull);
            if (!isNull && first == kFileVersionMark) {
                // The version is read past; every version so far shares this layout.
            } else if (!isNull && first == kTableDefStart) {
                table.Close();
                defs.clear();
                BuildFields(table, defs);
                table.Close();
                definitionMode = true;
                indexMode = false;
            } else if (!isNull && first == kIndexDefStart) {
                table.IndexDefs().clear();
                indexMode = true;
            } else if (!isNull && first == kIndexDefEnd) {
                indexMode = false;
            } else if (!isNull && first == kTableDefEnd) {
                BuildFields(table, defs);
                definitionMode = indexMode = false;
            } else if (!definitionMode) {
                columns = ColumnMap(table, line);
            } else if (indexMode) {
                table.IndexDefs().push_back(ParseIndexDefinition(Unquoted(line)));
            } else {
                defs.push_back(ParseFieldDefinition(Unquoted(line)));
            }
        }
    } catch (...) {
        if (definitionMode) {
            BuildFields(table, defs);
            table.Close();
        }
        throw;
    }
    // A stream cut off inside its definition section leaves the fields it defined on a closed
    // table, as a definition section without its end always has.
    if (definitionMode) {
        BuildFields(table, defs);
        table.Close();
    }
}

}  // namespace

QString EscapeStreamText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
            case 0:
                out += QStringLiteral("%0");
                break;
            case u'\n':
                out += QStringLiteral("%n");
                break;
            case u'\r':
                out += QStringLiteral("%c");
                break;
            case u'%':
                out += QStringLiteral("%%");
                break;
            default:
                out += c;
        }
    }
    return out;
}

QString UnescapeStreamText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'%' && i + 1 < text.size()) {
            const char16_t next = text[i + 1].unicode();
            const char16_t plain = next == u'%'   ? u'%'
                                   : next == u'0' ? u'\0'
                                   : next == u'c' ? u'\r'
                                   : next == u'n' ? u'\n'
                                                  : 0xFFFF;
            if (plain != 0xFFFF) {
                out += QChar(plain);
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

QString EncodeSixBit(const QByteArray& bytes) {
    QString out;
    out.reserve((4 * bytes.size() + 2) / 3);
    unsigned bits = 0;
    int count = 0;
    for (const char byte : bytes) {
        bits |= static_cast<unsigned>(static_cast<unsigned char>(byte)) << count;
        count += 8;
        while (count >= 6) {
            out += QChar(static_cast<char16_t>(32 + (bits & 63u)));
            bits >>= 6;
            count -= 6;
        }
    }
    if (count > 0) out += QChar(static_cast<char16_t>(32 + (bits & 63u)));
    return out;
}

QByteArray DecodeSixBit(const QString& text) {
    QByteArray out;
    out.reserve(3 * text.size() / 4);
    unsigned bits = 0;
    int count = 0;
    for (const QChar c : text) {
        // Characters outside the 64 the writer uses still give six bits, so a damaged value
        // decodes to the length its text promises instead of failing the whole load.
        bits |= ((static_cast<unsigned>(c.unicode()) - 32u) & 63u) << count;
        count += 6;
        if (count >= 8) {
            out += static_cast<char>(bits & 0xFFu);
            bits >>= 8;
            count -= 8;
        }
    }
    return out;
}

void SaveTableToStream(TMemTable& table, QIODevice& stream, TMemTableSaveFlags flags) {
    if (flags & mtfSaveDeltas) throw EDataSetError(QString::fromLatin1(kDeltasError));
    if (!table.Active()) throw EDataSetError(QStringLiteral("Operaci nelze provést na zavřené datové sadě."));
    table.CheckBrowseMode();
    QString text;
    {
        TSaveState state(table, flags);
        text = WriteTable(table, flags);
    }
    if (flags & mtfSaveAppend) stream.seek(stream.size());
    const QByteArray bytes = EncodeCp1250(text);
    if (stream.write(bytes) != bytes.size())
        throw EDataSetError(QStringLiteral("Tabulku nelze zapsat: %1").arg(stream.errorString()));
}

void LoadTableFromStream(TMemTable& table, QIODevice& stream) {
    const QByteArray bytes = stream.readAll();
    const std::vector<QString> lines = SplitLines(DecodeCp1250(bytes));
    if (lines.empty()) return;
    table.DisableControls();
    try {
        ReadTable(table, lines);
    } catch (...) {
        table.EnableControls();
        throw;
    }
    table.EnableControls();
    if (table.Active()) table.Resync();
}

QString SaveTableToString(TMemTable& table, TMemTableSaveFlags flags) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    SaveTableToStream(table, buffer, flags);
    return DecodeCp1250(buffer.data());
}

void LoadTableFromString(TMemTable& table, const QString& text) {
    QByteArray bytes = EncodeCp1250(text);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    LoadTableFromStream(table, buffer);
}
