// The import sources. Everything a source gives is read into memory at once and the file let go,
// so a source held open elsewhere is never locked by the import and a run never sees it change.
#include "import/ImportSources.h"

#include <iconv.h>
#include <shapefil.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStringDecoder>

#include "XLSAdapter/UExcelAdapter.h"
#include "XLSAdapter/XLSAdapter.h"
#include "import/ImportDefinition.h"
#include "platform/text/Cp1250.h"
#include "platform/text/DateFormat.h"
#include "platform/text/NumberFormat.h"
#include "platform/text/SharedText.h"

namespace {

const char* const kColumnMissing = "Sloupec \"%1\" ve zdrojové tabulce neexistuje.";
const char* const kNotANumber = "Hodnota \"%1\" není platné číslo.";
const char* const kFileUnreadable = "Soubor \"%1\" nelze otevřít pro čtení.";
const char* const kTableMissing = "Tabulka \"%1\" ve zdroji neexistuje.";
const char* const kMdbToolFailed = "Program %1 nedokázal přečíst databázi \"%2\".";
const char* const kMemoFileMissing = "K tabulce \"%1\" chybí soubor poznámek (.dbt nebo .fpt).";
const char* const kMemoDamaged = "Soubor poznámek \"%1\" je poškozený.";

[[noreturn]] void Fail(const char* text, const QString& arg) {
    throw EImportSourceError(QString::fromUtf8(text).arg(arg));
}
[[noreturn]] void Fail(const char* text, const QString& arg1, const QString& arg2) {
    throw EImportSourceError(QString::fromUtf8(text).arg(arg1, arg2));
}

QByteArray ReadWholeFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) Fail(kFileUnreadable, QDir::toNativeSeparators(path));
    return file.readAll();
}

// UTF-8 when the bytes are valid UTF-8, windows-1250 otherwise; a byte-order mark is dropped.
QString DecodeText(const QByteArray& bytes) {
    QByteArray data = bytes;
    if (data.startsWith("\xEF\xBB\xBF")) data.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(data);
    if (!utf8.hasError()) return text;
    return DecodeCp1250(data);
}

// RFC 4180 records: quoted fields may hold the delimiter, doubled quotes and line breaks. The
// fields' characters, quotes resolved, are written one after another into out, whose size is the
// text's, and each record goes to take as the places (start, length) of its fields there; take
// answers false to stop. Fields are never copied one by one: a large file is read with two texts
// and one list of places, whatever its number of fields.
using TFieldPlace = std::pair<uint32_t, uint32_t>;
void SplitRecords(const QString& text, QChar delimiter, QString& out,
                  const std::function<bool(const std::vector<TFieldPlace>&)>& take) {
    out.resize(text.size());
    QChar* const o = out.data();
    const QChar* const t = text.constData();
    qsizetype w = 0, fieldAt = 0;
    std::vector<TFieldPlace> fields;
    bool quoted = false, fieldStarted = false, any = false;
    const qsizetype n = text.size();
    auto copy = [&](qsizetype from, qsizetype count) {
        std::copy(t + from, t + from + count, o + w);
        w += count;
    };
    auto endField = [&] {
        fields.emplace_back(static_cast<uint32_t>(fieldAt), static_cast<uint32_t>(w - fieldAt));
        fieldAt = w;
    };
    auto endRecord = [&] {
        endField();
        const bool more = take(fields);
        fields.clear();
        fieldStarted = false;
        any = false;
        return more;
    };
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = t[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < n && t[i + 1] == '"') {
                    o[w++] = '"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                // The quoted text up to the next quote goes in at once.
                qsizetype j = i + 1;
                while (j < n && t[j] != '"') ++j;
                copy(i, j - i);
                i = j - 1;
            }
            continue;
        }
        if (c == '"' && !fieldStarted) {
            quoted = true;
            fieldStarted = true;
            any = true;
        } else if (c == delimiter) {
            endField();
            fieldStarted = false;
            any = true;
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < n && t[i + 1] == '\n') ++i;
            // A blank line is no record.
            if ((any || w > fieldAt) && !endRecord()) break;
        } else {
            // The plain text up to the next delimiter or line end goes in at once: a quote within
            // a field that has begun is a character like any other.
            qsizetype j = i + 1;
            while (j < n && t[j] != delimiter && t[j] != '\r' && t[j] != '\n') ++j;
            copy(i, j - i);
            i = j - 1;
            fieldStarted = true;
            any = true;
        }
    }
    if (any || w > fieldAt) endRecord();
    out.truncate(w);
}

// The texts of the fields of one record.
QStringList FieldTexts(const QString& out, const std::vector<TFieldPlace>& fields) {
    QStringList texts;
    for (const auto& [at, size] : fields) texts << out.sliced(at, size);
    return texts;
}

}  // namespace

QChar TextDelimiter(const QString& text) {
    QChar best = ';';
    qsizetype most = -1;
    for (QChar d : {QChar(';'), QChar(','), QChar('\t')}) {
        qsizetype count = 0;
        QString out;
        SplitRecords(text, d, out, [&count](const std::vector<TFieldPlace>& header) {
            count = static_cast<qsizetype>(header.size());
            return false;
        });
        if (count > most) {
            most = count;
            best = d;
        }
    }
    return best;
}

namespace {

// Columns without a name get the names the text and spreadsheet drivers give them: F1, F2, ...
QStringList NamedColumns(const QStringList& header) {
    QStringList names;
    for (qsizetype i = 0; i < header.size(); ++i) {
        const QString name = header[i].trimmed();
        names << (name.isEmpty() ? "F" + QString::number(i + 1) : name);
    }
    return names;
}

// --- text files: the connection is the folder, each file in it a table

class TTextSource : public TImportSource {
public:
    explicit TTextSource(const QString& folder) : folder_(folder) {}
    QStringList TableNames() override {
        QStringList names;
        for (const QFileInfo& f : QDir(folder_).entryInfoList({"*.csv", "*.txt"}, QDir::Files))
            names << TextTableName(f.fileName());
        return names;
    }
    QStringList ColumnNames(const QString& table) override { return ReadTable(table)->Columns; }
    std::unique_ptr<TImportRows> ReadTable(const QString& table) override {
        return ReadTextFile(TableFileName(folder_, table, TImportSourceKind::Text));
    }

private:
    QString folder_;
};

// --- dBase tables through shapelib

// The code page of a dBase file: its language byte ("LDID/200"), or the name in the code-page file
// beside it; windows-1250 when it names neither.
QByteArray DbfCodePage(const char* described) {
    const QByteArray text = QByteArray(described ? described : "").trimmed().toUpper();
    if (text.startsWith("LDID/")) {
        switch (text.mid(5).toInt()) {
            case 0x01:
                return "CP437";
            case 0x02:
                return "CP850";
            case 0x03:
            case 0x57:
                return "WINDOWS-1252";
            // The Central European DOS code page under the names the dBase and FoxPro
            // programs of Czech, Hungarian and Polish users gave it.
            case 0x1F:
            case 0x22:
            case 0x23:
            case 0x40:
            case 0x64:
            case 0x87:
                return "CP852";
            case 0x65:
                return "CP866";
            case 0xC8:
                return "WINDOWS-1250";
            case 0xC9:
                return "WINDOWS-1251";
            default:
                return "WINDOWS-1250";
        }
    }
    if (text.isEmpty()) return "WINDOWS-1250";
    bool number = false;
    const int page = text.toInt(&number);
    if (number) return page == 1250 ? "WINDOWS-1250" : "CP" + QByteArray::number(page);
    return text;
}

QString DecodeWith(const QByteArray& codePage, const QByteArray& bytes) {
    if (codePage == "WINDOWS-1250") return DecodeCp1250(bytes);
    iconv_t cd = iconv_open("UTF-8", codePage.constData());
    if (cd == reinterpret_cast<iconv_t>(-1)) return DecodeCp1250(bytes);
    QByteArray in = bytes, out(bytes.size() * 4 + 4, '\0');
    char* inp = in.data();
    char* outp = out.data();
    size_t inLeft = in.size(), outLeft = out.size();
    while (inLeft > 0) {
        if (iconv(cd, &inp, &inLeft, &outp, &outLeft) != static_cast<size_t>(-1)) break;
        // A byte the code page lacks is skipped rather than ending the text.
        ++inp;
        --inLeft;
    }
    iconv_close(cd);
    return QString::fromUtf8(out.constData(), out.size() - static_cast<qsizetype>(outLeft));
}

// The memo file of a dBase table, which holds the text of its memo columns: dBase III and IV keep
// it in "name.dbt", FoxPro in "name.fpt". A memo column of a record holds only the number of the
// memo's first block, as ten digits, or in a Visual FoxPro table as four bytes. Every place and
// length read from the file is checked against its size: the file comes from outside.
class TDbfMemoFile {
public:
    explicit TDbfMemoFile(const QString& tablePath) {
        const QFileInfo table(tablePath);
        const QString base = table.completeBaseName();
        QString dbt, fpt;
        for (const QString& entry : table.dir().entryList(QDir::Files)) {
            if (entry.compare(base + ".dbt", Qt::CaseInsensitive) == 0) dbt = table.dir().filePath(entry);
            if (entry.compare(base + ".fpt", Qt::CaseInsensitive) == 0) fpt = table.dir().filePath(entry);
        }
        // Should both stand beside the table, its version byte says whose it is.
        const bool foxTable = IsFoxProTable(tablePath);
        fox_ = !fpt.isEmpty() && (foxTable || dbt.isEmpty());
        file_.setFileName(fox_ ? fpt : dbt);
        if (file_.fileName().isEmpty()) Fail(kMemoFileMissing, QDir::toNativeSeparators(tablePath));
        if (!file_.open(QIODevice::ReadOnly))
            Fail(kFileUnreadable, QDir::toNativeSeparators(file_.fileName()));
        const QByteArray header = file_.read(kHeaderSize);
        if (header.size() < kHeaderSize) Damaged();
        // FoxPro keeps its numbers big-endian, dBase little-endian; dBase III has no block size
        // and always uses 512 bytes.
        blockSize_ = fox_ ? Big16(header, 6) : Little16(header, 20);
        if (blockSize_ == 0) blockSize_ = kDbaseBlock;
    }

    // The text that a memo column's bytes point to, in the table's code page; no value when they
    // point to none.
    QVariant Text(const QByteArray& field, const QByteArray& codePage) {
        quint32 block = 0;
        if (field.size() == 4) {
            block = Little32(field, 0);
        } else {
            const QByteArray digits = field.trimmed();
            if (digits.isEmpty()) return QVariant();
            bool ok = false;
            block = digits.toUInt(&ok);
            if (!ok) Damaged();
        }
        if (block == 0) return QVariant();
        QByteArray bytes = Memo(qint64(block) * blockSize_);
        while (bytes.endsWith('\0')) bytes.chop(1);
        if (bytes.isEmpty()) return QVariant();
        return DecodeWith(codePage, bytes);
    }

private:
    static constexpr int kHeaderSize = 512;
    static constexpr int kDbaseBlock = 512;
    // The end of a dBase III memo; dBase IV and FoxPro give the length instead.
    static constexpr char kEndOfMemo = '\x1A';

    static bool IsFoxProTable(const QString& path) {
        QFile table(path);
        char version = 0;
        if (!table.open(QIODevice::ReadOnly) || !table.getChar(&version)) return false;
        const auto v = static_cast<unsigned char>(version);
        return v == 0x30 || v == 0x31 || v == 0x32 || v == 0xF5 || v == 0xFB;
    }
    static quint32 Byte(const QByteArray& b, int at) { return static_cast<unsigned char>(b[at]); }
    static quint32 Little16(const QByteArray& b, int at) { return Byte(b, at) | Byte(b, at + 1) << 8; }
    static quint32 Big16(const QByteArray& b, int at) { return Byte(b, at) << 8 | Byte(b, at + 1); }
    static quint32 Little32(const QByteArray& b, int at) {
        return Little16(b, at) | Little16(b, at + 2) << 16;
    }
    static quint32 Big32(const QByteArray& b, int at) { return Big16(b, at) << 16 | Big16(b, at + 2); }

    [[noreturn]] void Damaged() const { Fail(kMemoDamaged, QDir::toNativeSeparators(file_.fileName())); }

    QByteArray ReadAt(qint64 at, qint64 size) {
        if (at < 0 || size < 0 || at + size > file_.size() || !file_.seek(at)) Damaged();
        QByteArray bytes = file_.read(size);
        if (bytes.size() != size) Damaged();
        return bytes;
    }

    QByteArray Memo(qint64 at) {
        if (fox_) {
            // Its type (text, picture, object), then its length.
            const QByteArray head = ReadAt(at, 8);
            return ReadAt(at + 8, Big32(head, 4));
        }
        if (at + 8 <= file_.size()) {
            const QByteArray head = ReadAt(at, 8);
            // A dBase IV memo: its mark and its length, the 8 bytes of both included.
            if (head.startsWith(QByteArray("\xFF\xFF\x08\x00", 4))) {
                const quint32 length = Little32(head, 4);
                if (length < 8) Damaged();
                return ReadAt(at + 8, length - 8);
            }
        }
        // A dBase III memo runs to its end mark, whole blocks at a time.
        if (at >= file_.size()) Damaged();
        QByteArray bytes;
        for (qint64 next = at; next < file_.size(); next += kDbaseBlock) {
            const QByteArray block = ReadAt(next, std::min<qint64>(kDbaseBlock, file_.size() - next));
            const qsizetype end = block.indexOf(kEndOfMemo);
            if (end >= 0) return bytes + block.left(end);
            bytes += block;
        }
        return bytes;
    }

    QFile file_;
    bool fox_ = false;
    qint64 blockSize_ = kDbaseBlock;
};

class TDbfSource : public TImportSource {
public:
    explicit TDbfSource(const QString& folder) : folder_(folder) {}
    QStringList TableNames() override {
        QStringList names;
        for (const QFileInfo& f : QDir(folder_).entryInfoList({"*.dbf", "*.DBF"}, QDir::Files))
            names << DbfTableName(f.fileName());
        names.removeDuplicates();
        return names;
    }
    QStringList ColumnNames(const QString& table) override { return Read(table, false)->Columns; }
    std::unique_ptr<TImportRows> ReadTable(const QString& table) override { return Read(table, true); }

private:
    std::unique_ptr<TImportRows> Read(const QString& table, bool withRows) {
        const QString path = TableFileName(folder_, table, TImportSourceKind::DBase);
        if (!QFileInfo::exists(path)) Fail(kTableMissing, table);
        DBFHandle dbf = DBFOpen(QFile::encodeName(path).constData(), "rb");
        if (!dbf) Fail(kFileUnreadable, QDir::toNativeSeparators(path));
        struct TCloser {
            DBFHandle h;
            ~TCloser() { DBFClose(h); }
        } closer{dbf};
        const QByteArray codePage = DbfCodePage(DBFGetCodePage(dbf));
        auto rows = std::make_unique<TImportRows>();
        const int fields = DBFGetFieldCount(dbf);
        std::vector<DBFFieldType> types;
        std::vector<bool> memos;
        for (int f = 0; f < fields; ++f) {
            char name[XBASE_FLDNAME_LEN_READ + 1] = {};
            int width = 0, decimals = 0;
            types.push_back(DBFGetFieldInfo(dbf, f, name, &width, &decimals));
            memos.push_back(DBFGetNativeFieldType(dbf, f) == 'M');
            rows->Columns << DecodeWith(codePage, QByteArray(name));
        }
        if (!withRows) return rows;
        std::unique_ptr<TDbfMemoFile> memoFile;
        if (std::find(memos.begin(), memos.end(), true) != memos.end())
            memoFile = std::make_unique<TDbfMemoFile>(path);
        const int count = DBFGetRecordCount(dbf);
        for (int r = 0; r < count; ++r) {
            if (DBFIsRecordDeleted(dbf, r)) continue;
            std::vector<QVariant> values(fields);
            for (int f = 0; f < fields; ++f) {
                if (memos[f]) {
                    // A memo column's bytes are taken from the record as they stand, where the
                    // table's header puts them; a header that puts them past the record is damaged.
                    const int at = dbf->panFieldOffset[f], size = dbf->panFieldSize[f];
                    const char* record = DBFReadTuple(dbf, r);
                    if (!record || at < 0 || size < 0 || at + size > dbf->nRecordLength)
                        Fail(kFileUnreadable, QDir::toNativeSeparators(path));
                    values[f] = memoFile->Text(QByteArray(record + at, size), codePage);
                    continue;
                }
                if (DBFIsAttributeNULL(dbf, r, f)) continue;
                if (types[f] == FTInteger || types[f] == FTDouble)
                    values[f] = DBFReadDoubleAttribute(dbf, r, f);
                else
                    values[f] = DecodeWith(codePage, QByteArray(DBFReadStringAttribute(dbf, r, f))).trimmed();
            }
            rows->AddRow(std::move(values));
        }
        return rows;
    }
    QString folder_;
};

// --- Excel workbooks through the spreadsheet library

// Whether a cell's number format shows a date or a time: one of the letters d, m, y, h and s
// stands outside quoted text, escaped characters and brackets, or the brackets hold elapsed hours,
// minutes or seconds ("[h]:mm").
bool IsDateTimeFormat(const QString& format) {
    static const QRegularExpression elapsed("^\\[(h+|m+|s+)\\]", QRegularExpression::CaseInsensitiveOption);
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i].toLower();
        if (c == '"') {
            i = format.indexOf('"', i + 1);
            if (i < 0) return false;
        } else if (c == '\\' || c == '_' || c == '*') {
            ++i;
        } else if (c == '[') {
            if (elapsed.match(QStringView(format).sliced(i)).hasMatch()) return true;
            i = format.indexOf(']', i);
            if (i < 0) return false;
        } else if (c == 'd' || c == 'm' || c == 'y' || c == 'h' || c == 's') {
            return true;
        }
    }
    return false;
}

class TExcelSource : public TImportSource {
public:
    explicit TExcelSource(const QString& path) {
        adapter_ = std::make_unique<TXLSAdapter>();
        book_ = adapter_->CreateWorkbook();
        book_->Connect();
        book_->OpenFile(path);
    }
    ~TExcelSource() override {
        try {
            book_->CloseFile();
            book_->Disconnect();
        } catch (...) {
        }
    }
    QStringList TableNames() override {
        QStringList names;
        for (int s = 1; s <= book_->SheetCount(); ++s) {
            book_->SetActiveSheet(s);
            names << book_->GetActiveSheetName() + "$";
        }
        return names;
    }
    QStringList ColumnNames(const QString& table) override { return Read(table, false)->Columns; }
    std::unique_ptr<TImportRows> ReadTable(const QString& table) override { return Read(table, true); }

private:
    // Sheets are named as the workbook names them with "$" after the name; the name may also
    // stand in single quotes, as when it holds blanks.
    int SheetOf(const QString& table) {
        QString name = table;
        if (name.size() >= 2 && name.startsWith('\'') && name.endsWith('\''))
            name = name.mid(1, name.size() - 2);
        if (name.endsWith('$')) name.chop(1);
        for (int s = 1; s <= book_->SheetCount(); ++s) {
            book_->SetActiveSheet(s);
            if (book_->GetActiveSheetName().compare(name, Qt::CaseInsensitive) == 0) return s;
        }
        Fail(kTableMissing, table);
    }
    static QVariant CellValue(const QVariant& v) {
        if (!v.isValid() || v.isNull()) return QVariant();
        switch (v.typeId()) {
            case QMetaType::Double:
            case QMetaType::Int:
            case QMetaType::LongLong:
                return v.toDouble();
            case QMetaType::Bool:
                return v.toBool() ? QString("True") : QString("False");
            default: {
                // Mixed columns are read as text, as the workbook stores them.
                const QString text = v.toString();
                return text.isEmpty() ? QVariant() : QVariant(text);
            }
        }
    }
    // A workbook keeps a date as the number of days since 30.12.1899 and only its format makes
    // it a date; read as that number it would be imported as "45657". It is read as the program's
    // date (and time) text instead, as the spreadsheet program shows it.
    QVariant DataValue(int row, int col) {
        const TXlsCellValue cell = book_->GetCellValueX(row, col);
        const QVariant value = CellValue(cell.Value);
        if (value.typeId() != QMetaType::Double || cell.XF < 0) return value;
        QString format;
        try {
            format = book_->GetFormat(cell.XF).NumberFormat;
        } catch (const std::exception&) {
            // A cell whose format the workbook lacks is read as its number.
            return value;
        }
        if (!IsDateTimeFormat(format)) return value;
        const TDateTime when = value.toDouble();
        return when >= 0 && when < 1 ? TimeToStr(when) : DateTimeToStr(when);
    }
    std::unique_ptr<TImportRows> Read(const QString& table, bool withRows) {
        book_->SetActiveSheet(SheetOf(table));
        auto rows = std::make_unique<TImportRows>();
        const int lastRow = book_->GetMaxRow();
        const int lastCol = book_->GetMaxCol();
        QStringList header;
        for (int c = 1; c <= lastCol; ++c) {
            const QVariant v = CellValue(book_->GetCellValue(1, c));
            header << (v.typeId() == QMetaType::Double ? FloatToStr(v.toDouble()) : v.toString());
        }
        rows->Columns = NamedColumns(header);
        if (!withRows) return rows;
        for (int r = 2; r <= lastRow; ++r) {
            std::vector<QVariant> values(lastCol);
            bool any = false;
            for (int c = 1; c <= lastCol; ++c) {
                values[c - 1] = DataValue(r, c);
                any = any || values[c - 1].isValid();
            }
            // Rows the sheet only formats, without a value, are no data.
            if (any) rows->AddRow(std::move(values));
        }
        return rows;
    }
    std::unique_ptr<TXLSAdapter> adapter_;
    std::unique_ptr<TExcelFile> book_;
};

// --- Access databases through the mdbtools programs

class TAccessSource : public TImportSource {
public:
    explicit TAccessSource(const QString& path) : path_(path) {
        // Listing the tables proves the file is a database the tools can read.
        TableNames();
    }
    QStringList TableNames() override {
        QByteArray out;
        if (!MdbToolRunner("mdb-tables", {"-1", path_}, out)) Fail(kMdbToolFailed, "mdb-tables", path_);
        QStringList names;
        for (const QString& line : QString::fromUtf8(out).split('\n')) {
            const QString name = line.trimmed();
            if (!name.isEmpty()) names << name;
        }
        return names;
    }
    QStringList ColumnNames(const QString& table) override { return Export(table, true)->Columns; }
    std::unique_ptr<TImportRows> ReadTable(const QString& table) override { return Export(table, false); }

private:
    // mdb-export writes a header line and one CSV record per row; text-like values stand in
    // quotes, numbers without them, and an empty unquoted value is no value.
    std::unique_ptr<TImportRows> Export(const QString& table, bool headerOnly) {
        if (!TableNames().contains(table, Qt::CaseInsensitive)) Fail(kTableMissing, table);
        QByteArray out;
        if (!MdbToolRunner("mdb-export", {"-D", "%d.%m.%Y", "-T", "%d.%m.%Y %H:%M:%S", path_, table}, out))
            Fail(kMdbToolFailed, "mdb-export", path_);
        return ParseExport(QString::fromUtf8(out), headerOnly);
    }
    static std::unique_ptr<TImportRows> ParseExport(const QString& text, bool headerOnly) {
        auto rows = std::make_unique<TImportRows>();
        const qsizetype n = text.size();
        qsizetype i = 0;
        std::vector<QVariant> record;
        QString field;
        bool quoted = false, wasQuoted = false;
        bool header = true;
        QStringList headerNames;
        auto endField = [&] {
            if (header) {
                headerNames << field;
            } else if (wasQuoted) {
                record.push_back(field);
            } else if (field.isEmpty()) {
                record.push_back(QVariant());
            } else {
                bool ok = false;
                const double d = field.toDouble(&ok);
                record.push_back(ok ? QVariant(d) : QVariant(field));
            }
            field.clear();
            wasQuoted = false;
        };
        auto endRecord = [&] {
            endField();
            if (header) {
                rows->Columns = NamedColumns(headerNames);
                header = false;
            } else {
                rows->AddRow(std::move(record));
                record = {};
            }
        };
        bool any = false;
        for (; i < n; ++i) {
            const QChar c = text[i];
            if (quoted) {
                if (c == '"' && i + 1 < n && text[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else if (c == '"') {
                    quoted = false;
                } else {
                    field += c;
                }
                continue;
            }
            if (c == '"') {
                quoted = wasQuoted = any = true;
            } else if (c == ',') {
                endField();
                any = true;
            } else if (c == '\n' || c == '\r') {
                if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
                if (any || !field.isEmpty()) endRecord();
                any = false;
                if (headerOnly && !header) return rows;
            } else {
                field += c;
                any = true;
            }
        }
        if (any || !field.isEmpty()) endRecord();
        return rows;
    }
    QString path_;
};

}  // namespace

// --- rows

int TImportRows::ColumnIndex(const QString& name) const {
    for (const TFoundColumn& f : found_)
        if (SharesText(f.name, name) && f.index < Columns.size() && SharesText(f.column, Columns[f.index]))
            return f.index;
    for (qsizetype i = 0; i < Columns.size(); ++i) {
        if (Columns[i].compare(name, Qt::CaseInsensitive) != 0) continue;
        if (found_.size() < 32) found_.push_back({name, Columns[i], static_cast<int>(i)});
        return static_cast<int>(i);
    }
    Fail(kColumnMissing, name);
}

void TImportRows::AddRow(std::vector<QVariant> values) {
    values.resize(static_cast<size_t>(Columns.size()));
    values_.insert(values_.end(), std::make_move_iterator(values.begin()),
                   std::make_move_iterator(values.end()));
    ++count_;
}

void TImportRows::SetTextFields(QString text, std::vector<std::pair<uint32_t, uint32_t>> fields) {
    text_ = std::move(text);
    textFields_ = std::move(fields);
    values_.clear();
    count_ =
        Columns.isEmpty() ? 0 : static_cast<int>(textFields_.size() / static_cast<size_t>(Columns.size()));
}

QString TImportRows::Text(int row, int column) const {
    // A copy of its own: the text may outlive the table.
    if (!textFields_.empty()) return TextField(row, column).toString();
    const QVariant& v = values_[At(row, column)];
    if (!v.isValid()) return QString();
    if (v.typeId() == QMetaType::Double) return FloatToStr(v.toDouble());
    return v.toString();
}

double TImportRows::Number(int row, int column) const {
    QString text;
    if (!textFields_.empty()) {
        // Read in place; the text goes no further than this function.
        const QStringView field = TextField(row, column);
        text = QString::fromRawData(field.data(), field.size());
    } else {
        const QVariant& v = values_[At(row, column)];
        if (!v.isValid()) return 0;
        if (v.typeId() == QMetaType::Double) return v.toDouble();
        text = v.toString();
    }
    text = text.trimmed();
    if (text.isEmpty()) return 0;
    long double value = 0;
    if (!ReadDefinitionNumber(text, value)) Fail(kNotANumber, text);
    return static_cast<double>(value);
}

// --- mdbtools

bool RunMdbTool(const QString& program, const QStringList& args, QByteArray& out) {
    QProcess process;
    process.start(program, args, QIODevice::ReadOnly);
    if (!process.waitForStarted(10000)) return false;
    process.closeWriteChannel();
    // Reading as it comes keeps a large table from filling the pipe and stalling the program.
    while (process.state() != QProcess::NotRunning) {
        process.waitForReadyRead(1000);
        out += process.readAllStandardOutput();
    }
    out += process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

TMdbToolRunner MdbToolRunner = RunMdbTool;

// --- the connection

void TImportConnection::Open(const QString& fileName, int kind) {
    Close();
    if (kind < 0 || kind >= kImportSourceKindCount) Fail(kFileUnreadable, fileName);
    const QFileInfo info(fileName);
    switch (TImportSourceKind(kind)) {
        case TImportSourceKind::Access:
            if (!info.isFile()) Fail(kFileUnreadable, fileName);
            source_ = std::make_unique<TAccessSource>(info.absoluteFilePath());
            break;
        case TImportSourceKind::Excel:
            if (!info.isFile()) Fail(kFileUnreadable, fileName);
            try {
                source_ = std::make_unique<TExcelSource>(info.absoluteFilePath());
            } catch (const std::exception& e) {
                throw EImportSourceError(QString::fromUtf8(e.what()));
            }
            break;
        case TImportSourceKind::DBase:
            if (!info.absoluteDir().exists()) Fail(kFileUnreadable, fileName);
            source_ = std::make_unique<TDbfSource>(info.absolutePath());
            break;
        case TImportSourceKind::Text:
            if (!info.absoluteDir().exists()) Fail(kFileUnreadable, fileName);
            source_ = std::make_unique<TTextSource>(info.absolutePath());
            break;
    }
    kind_ = TImportSourceKind(kind);
    fileName_ = fileName;
}

void TImportConnection::Close() {
    source_.reset();
    fileName_.clear();
}

TImportConnection& ImportConnection() {
    static TImportConnection connection;
    return connection;
}

int OpenImportSource(const QString& fileName, int kind) {
    try {
        ImportConnection().Open(fileName, kind);
        return 0;
    } catch (const std::exception&) {
        ImportConnection().Close();
        return -1;
    }
}

QString DbfTableName(const QString& fileName) {
    const QString name = QFileInfo(QString(fileName).replace('\\', '/')).fileName();
    const qsizetype dot = name.lastIndexOf('.');
    return dot < 0 ? name : name.left(dot);
}

QString TextTableName(const QString& fileName) {
    return QFileInfo(QString(fileName).replace('\\', '/')).fileName().replace('.', '#');
}

QString TableFileName(const QString& folder, const QString& table, TImportSourceKind kind) {
    QString name = table;
    if (name.startsWith('[') && name.endsWith(']')) name = name.mid(1, name.size() - 2);
    name.replace('#', '.');
    if (kind == TImportSourceKind::DBase && !name.contains('.')) name += ".dbf";
    // File names on this system are case-sensitive; the table names of the drivers are not.
    const QDir dir(folder);
    for (const QString& entry : dir.entryList(QDir::Files))
        if (entry.compare(name, Qt::CaseInsensitive) == 0) return dir.filePath(entry);
    return dir.filePath(name);
}

QStringList SplitTextHeader(const QString& line) {
    // The separator is the run's own choice, so the editor offers the columns the run will find.
    const QChar separator = TextDelimiter(line);
    QStringList names;
    QString rest = line;
    while (true) {
        const qsizetype sep = rest.indexOf(separator);
        QString name = sep < 0 ? rest : rest.left(sep);
        // Emptiness is judged before the quotes go: a lone quote mark still names a column,
        // an empty one, while nothing between two separators ends the list.
        if (name.isEmpty()) break;
        if (name.startsWith('"') && name.endsWith('"'))
            name = name.size() >= 2 ? name.mid(1, name.size() - 2) : QString();
        names << name;
        if (sep < 0) break;
        rest = rest.mid(sep + 1);
    }
    return names;
}

QString ReadTextFirstLine(const QString& path) {
    const QString text = DecodeText(ReadWholeFile(path));
    const qsizetype end = text.indexOf(QRegularExpression("[\r\n]"));
    return end < 0 ? text : text.left(end);
}

std::unique_ptr<TImportRows> ReadTextFile(const QString& path) {
    const QString text = DecodeText(ReadWholeFile(path));
    const QChar delimiter = TextDelimiter(text);
    auto rows = std::make_unique<TImportRows>();
    QString out;
    std::vector<TFieldPlace> places;
    bool header = true;
    size_t width = 0;
    SplitRecords(text, delimiter, out, [&](const std::vector<TFieldPlace>& fields) {
        if (header) {
            rows->Columns = NamedColumns(FieldTexts(out, fields));
            width = static_cast<size_t>(rows->Columns.size());
            header = false;
            return true;
        }
        // A short record's missing fields are empty, a long record's extra ones dropped.
        for (size_t c = 0; c < width; ++c)
            places.push_back(c < fields.size() ? fields[c] : TFieldPlace{0, 0});
        return true;
    });
    rows->SetTextFields(std::move(out), std::move(places));
    return rows;
}
