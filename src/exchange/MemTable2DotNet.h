#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class TMemTable;

// Writes memory tables, with their parent-child relations, as one XML data-set document with an
// inline schema: the form in which the report program receives every report's data. The element
// names are the tables' and fields' names, which the report layouts address, so they are written
// exactly as given. It shows nothing: a failed save answers false with the reason in ErrorText.
class TMemTable2DotNetBuilder {
public:
    explicit TMemTable2DotNetBuilder(const QString& dataSetName);
    ~TMemTable2DotNetBuilder();
    TMemTable2DotNetBuilder(const TMemTable2DotNetBuilder&) = delete;
    TMemTable2DotNetBuilder& operator=(const TMemTable2DotNetBuilder&) = delete;

    // A memory table has no component name of its own here, so the caller gives it. The builder
    // keeps a copy of the fields and rows as they are now; later changes do not reach the document.
    void AddTable(const QString& tableName, TMemTable& table);
    // Refers to the unique constraint on (parent table, parent field), made when missing.
    void AddRelation(const QString& relationName, const QString& parentTable, const QString& parentField,
                     const QString& childTable, const QString& childField);

    // The whole document, lines joined with CR LF (the last one too).
    QString DocumentText() const;
    bool SaveToFile(const QString& path);
    const QString& ErrorText() const { return errorText_; }

    // The callers add at most four tables; the document format allows no more than this.
    static constexpr int kMaxTables = 255;

private:
    struct TCopy;
    struct TConstraint {
        QString Name, TableName, FieldName;
    };
    struct TRelation {
        QString Name, ReferName, TableName, FieldName;
    };

    QString dataSetName_;
    QString errorText_;
    std::vector<std::unique_ptr<TCopy>> tables_;
    std::vector<TConstraint> constraints_;
    std::vector<TRelation> relations_;
};

// "&" first, then "<", ">", the double quote and the apostrophe; NUL becomes a blank.
QString XmlEscape(const QString& text);
// RFC 4648 with "=" padding and no line breaks.
QString Base64Text(const QByteArray& bytes);
