#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

// The data the report program is given: a data-set document as the main program writes it (an
// inline schema naming the tables, their fields and types, then the rows). Values stay the text
// the document holds; the layout decides how to show them.
struct TReportTable {
    QString Name;
    QStringList Fields;
    QHash<QString, QString> Types;     // field -> schema type ("xs:string", "xs:double"...)
    QHash<QString, QString> Captions;  // field -> caption
    std::vector<QHash<QString, QString>> Rows;
    int IndexOf(const QString& field) const { return static_cast<int>(Fields.indexOf(field)); }
};

// A parent-child link the document declares: child rows whose ChildField equals the parent's
// ParentField belong to that parent row.
struct TReportRelation {
    QString Name;
    QString ParentTable, ParentField;
    QString ChildTable, ChildField;
};

class TReportData {
public:
    // False with the reason in error when the file cannot be read or is not a data-set document.
    bool Load(const QString& path, QString& error);
    bool LoadText(const QByteArray& text, QString& error);

    const QString& DataSetName() const { return name_; }
    const std::vector<TReportTable>& Tables() const { return tables_; }
    const TReportTable* Table(const QString& name) const;
    const std::vector<TReportRelation>& Relations() const { return relations_; }
    // The relation between the two tables, or null.
    const TReportRelation* RelationBetween(const QString& parent, const QString& child) const;

private:
    QString name_;
    std::vector<TReportTable> tables_;
    std::vector<TReportRelation> relations_;
};
