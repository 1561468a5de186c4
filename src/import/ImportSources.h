#pragma once

// The import sources: Access databases (read through the mdbtools programs), Excel 97-2003
// workbooks (our spreadsheet library), dBase tables and text files. Each lists its tables and
// columns and gives a table's rows as values in memory. A source is only ever read: nothing here
// writes to the file or leaves it held.

#include <QString>
#include <QStringList>
#include <QVariant>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

#include "import/ImportDefinition.h"

// An error of reading a source: a file that cannot be read, a table or column it lacks, a value
// that is not what the run asks for.
class EImportSourceError : public std::runtime_error {
public:
    explicit EImportSourceError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromStdString(what()); }
};

// The rows of one source table. A value is a QString (text), a double (number) or invalid (empty).
class TImportRows {
public:
    QStringList Columns;

    int RecordCount() const { return count_; }
    // Adds a row of values, one for each of the Columns; missing ones are empty.
    void AddRow(std::vector<QVariant> values);
    // Makes the table's values the fields of a text file: its text with quotes resolved, and where
    // each field stands in it, Columns.size() to a row. A text file is read whole into memory, so
    // its fields are kept as places in one text rather than as a text each.
    void SetTextFields(QString text, std::vector<std::pair<uint32_t, uint32_t>> fields);
    // The column's index, found without regard to letter case; throws when the table lacks it.
    int ColumnIndex(const QString& name) const;
    // The value as text: numbers in the program's number format, empty for no value.
    QString Text(int row, int column) const;
    // The value as a number: empty is 0, text must read as a number with either decimal separator.
    double Number(int row, int column) const;

private:
    // Where the value at row and column stands in values_ or textFields_.
    size_t At(int row, int column) const {
        return static_cast<size_t>(row) * static_cast<size_t>(Columns.size()) + static_cast<size_t>(column);
    }
    // The text of the field at row and column when the table holds a text file's fields.
    QStringView TextField(int row, int column) const {
        const auto& [at, size] = textFields_[At(row, column)];
        return QStringView(text_).sliced(at, size);
    }

    int count_ = 0;
    // The values row after row, Columns.size() to a row.
    std::vector<QVariant> values_;
    // Or a text file's fields (see SetTextFields).
    QString text_;
    std::vector<std::pair<uint32_t, uint32_t>> textFields_;
    // The names looked up so far with what they found: a run asks for the same few columns, by the
    // same name texts, on every row. An entry holds while both texts are the ones it remembers.
    struct TFoundColumn {
        QString name, column;
        int index;
    };
    mutable std::vector<TFoundColumn> found_;
};

// A source that the import connection holds open.
class TImportSource {
public:
    virtual ~TImportSource() = default;
    // Its tables (for a workbook its sheets, each named "Name$"), system tables left out.
    virtual QStringList TableNames() = 0;
    // The column names of a table, in order.
    virtual QStringList ColumnNames(const QString& table) = 0;
    // All rows of a table.
    virtual std::unique_ptr<TImportRows> ReadTable(const QString& table) = 0;
};

// Runs one of the mdbtools programs: the program name, its arguments; answers false when it could
// not be run or failed, with its standard output in out. Tests replace it with recorded output.
using TMdbToolRunner = std::function<bool(const QString& program, const QStringList& args, QByteArray& out)>;
extern TMdbToolRunner MdbToolRunner;
bool RunMdbTool(const QString& program, const QStringList& args, QByteArray& out);

// The import connection: at most one source open at a time, as the data layer's import connection.
class TImportConnection {
public:
    // Closes the previous source and opens this one; throws EImportSourceError on failure.
    void Open(const QString& fileName, int kind);
    void Close();
    bool Connected() const { return source_ != nullptr; }
    TImportSourceKind Kind() const { return kind_; }
    const QString& FileName() const { return fileName_; }
    TImportSource& Source() { return *source_; }

private:
    std::unique_ptr<TImportSource> source_;
    TImportSourceKind kind_ = TImportSourceKind::Access;
    QString fileName_;
};

// The program's one import connection.
TImportConnection& ImportConnection();

// Opens the import connection on the file as a source of the kind (an index of the editor's
// choice list). 0 when connected, -1 when it could not be opened; the error is not shown.
int OpenImportSource(const QString& fileName, int kind);

// The table names of dBase and text sources, derived from the file name: "CENIK.DBF" gives
// "CENIK", "cenik.2024.csv" gives "cenik#2024#csv".
QString DbfTableName(const QString& fileName);
QString TextTableName(const QString& fileName);
// The file that a table name of a folder source stands for (the reverse of the names above).
QString TableFileName(const QString& folder, const QString& table, TImportSourceKind kind);

// The separator of a text source: the one of ";", "," and tab that splits its header line into the
// most fields (";" when they tie). The definition editor and the run both take it from here.
QChar TextDelimiter(const QString& text);

// The header of a text source split as the definition editor lists its columns: at its separator,
// a name in double quotes loses them, and an empty name ends the list.
QStringList SplitTextHeader(const QString& line);

// Reading a text file: the delimiter as TextDelimiter chooses it; UTF-8 when valid, else
// windows-1250; quotes as in RFC 4180.
std::unique_ptr<TImportRows> ReadTextFile(const QString& path);
// The first line of a text file, decoded as above.
QString ReadTextFirstLine(const QString& path);
