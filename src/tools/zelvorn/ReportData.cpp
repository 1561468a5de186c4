// Reading the data-set document. The schema comes first and names every table and field, so the
// rows are matched to tables by element name; a row element of a table the schema does not name
// is taken as a table of plain text fields rather than refused.

#include "ReportData.h"

#include <QFile>
#include <QXmlStreamReader>

namespace {

struct TUnique {
    QString Name, Table, Field;
};

// ".//mtTiskSklady" names the table mtTiskSklady.
QString XPathTable(const QString& xpath) {
    QString t = xpath;
    while (t.startsWith('.') || t.startsWith('/')) t.remove(0, 1);
    return t;
}

}  // namespace

bool TReportData::Load(const QString& path, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QString::fromUtf8("Datový soubor %1 nelze přečíst: %2").arg(path, file.errorString());
        return false;
    }
    return LoadText(file.readAll(), error);
}

const TReportTable* TReportData::Table(const QString& name) const {
    for (const TReportTable& t : tables_)
        if (t.Name.compare(name, Qt::CaseInsensitive) == 0) return &t;
    return nullptr;
}

const TReportRelation* TReportData::RelationBetween(const QString& parent, const QString& child) const {
    for (const TReportRelation& r : relations_)
        if (r.ParentTable.compare(parent, Qt::CaseInsensitive) == 0 &&
            r.ChildTable.compare(child, Qt::CaseInsensitive) == 0)
            return &r;
    return nullptr;
}

bool TReportData::LoadText(const QByteArray& text, QString& error) {
    name_.clear();
    tables_.clear();
    relations_.clear();
    QXmlStreamReader xml(text);
    std::vector<TUnique> uniques;
    struct TKeyRef {
        QString Name, Refer, Table, Field;
    };
    std::vector<TKeyRef> keyrefs;

    if (!xml.readNextStartElement()) {
        error = QString::fromUtf8("Datový soubor je prázdný.");
        return false;
    }
    name_ = xml.name().toString();
    while (xml.readNextStartElement()) {
        if (xml.name() == u"schema") {
            // Depth-first through the schema: table elements hold a sequence of field elements.
            TReportTable* current = nullptr;
            int depth = 0;
            int tableDepth = -1;
            TUnique* unique = nullptr;
            TKeyRef* keyref = nullptr;
            while (!xml.atEnd()) {
                xml.readNext();
                if (xml.isStartElement()) {
                    ++depth;
                    const auto attrs = xml.attributes();
                    const QStringView n = xml.name();
                    if (n == u"element") {
                        const bool isDataSet =
                            attrs.value("msdata:IsDataSet") == u"true" ||
                            attrs.hasAttribute("urn:schemas-microsoft-com:xml-msdata", "IsDataSet");
                        if (isDataSet) continue;
                        if (attrs.hasAttribute("type") && current) {
                            const QString field = attrs.value("name").toString();
                            current->Fields << field;
                            current->Types.insert(field, attrs.value("type").toString());
                            QString caption = attrs.value("msdata:Caption").toString();
                            if (caption.isEmpty())
                                caption =
                                    attrs.value("urn:schemas-microsoft-com:xml-msdata", "Caption").toString();
                            current->Captions.insert(field, caption.isEmpty() ? field : caption);
                        } else if (!attrs.hasAttribute("type")) {
                            tables_.push_back({});
                            current = &tables_.back();
                            current->Name = attrs.value("name").toString();
                            tableDepth = depth;
                        }
                    } else if (n == u"unique") {
                        uniques.push_back({attrs.value("name").toString(), {}, {}});
                        unique = &uniques.back();
                    } else if (n == u"keyref") {
                        keyrefs.push_back(
                            {attrs.value("name").toString(), attrs.value("refer").toString(), {}, {}});
                        keyref = &keyrefs.back();
                    } else if (n == u"selector") {
                        const QString table = XPathTable(attrs.value("xpath").toString());
                        if (keyref)
                            keyref->Table = table;
                        else if (unique)
                            unique->Table = table;
                    } else if (n == u"field") {
                        const QString field = attrs.value("xpath").toString();
                        if (keyref)
                            keyref->Field = field;
                        else if (unique)
                            unique->Field = field;
                    }
                } else if (xml.isEndElement()) {
                    if (xml.name() == u"schema") break;
                    if (xml.name() == u"unique") unique = nullptr;
                    if (xml.name() == u"keyref") keyref = nullptr;
                    if (depth == tableDepth && xml.name() == u"element") {
                        current = nullptr;
                        tableDepth = -1;
                    }
                    --depth;
                }
            }
            continue;
        }
        // A row: one element per field value.
        const QString tableName = xml.name().toString();
        TReportTable* table = nullptr;
        for (TReportTable& t : tables_)
            if (t.Name == tableName) table = &t;
        if (!table) {
            tables_.push_back({});
            table = &tables_.back();
            table->Name = tableName;
        }
        QHash<QString, QString> row;
        while (xml.readNextStartElement()) {
            const QString field = xml.name().toString();
            if (!table->Fields.contains(field)) {
                table->Fields << field;
                table->Types.insert(field, "xs:string");
                table->Captions.insert(field, field);
            }
            row.insert(field, xml.readElementText());
        }
        table->Rows.push_back(std::move(row));
    }
    if (xml.hasError()) {
        error = QString::fromUtf8("Datový soubor nelze přečíst: %1 (řádek %2).")
                    .arg(xml.errorString())
                    .arg(xml.lineNumber());
        return false;
    }
    for (const TKeyRef& k : keyrefs) {
        for (const TUnique& u : uniques) {
            if (u.Name != k.Refer) continue;
            relations_.push_back({k.Name, u.Table, u.Field, k.Table, k.Field});
        }
    }
    return true;
}
