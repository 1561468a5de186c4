// The data-set document of the report program: a schema the program types the data by, then the
// rows. Values are written in one fixed form whatever the station's settings ("." decimal point,
// ISO dates), since the report program parses them and not a person.

#include "exchange/MemTable2DotNet.h"

#include <QFile>
#include <QSaveFile>
#include <stdexcept>

#include "platform/data/Field.h"
#include "platform/data/MemTable.h"
#include "platform/text/OleDate.h"

namespace {

struct TFieldCopy {
    QString Name;
    QString Caption;
    TFieldType Type;
};

QString SchemaType(TFieldType type) {
    switch (type) {
        case ftString:
        case ftMemo:
        case ftWideString:
        case ftGuid:
            return "xs:string";
        case ftSmallint:
            return "xs:short";
        case ftInteger:
        case ftAutoInc:
        case ftLargeint:
            return "xs:int";
        case ftWord:
            return "xs:unsignedShort";
        case ftBoolean:
            return "xs:boolean";
        case ftFloat:
            return "xs:double";
        case ftCurrency:
        case ftBCD:
            return "xs:decimal";
        case ftDate:
        case ftTime:
        case ftDateTime:
            return "xs:dateTime";
        case ftGraphic:
            return "xs:base64Binary";
        default:
            // No table of the program has other types; their values are written empty.
            return "xs:string";
    }
}

constexpr const char* kZeroDateTime = "0001-01-01T00:00:00";

QString NumberText(double value) { return QString::number(value, 'g', 15); }

QString DateText(TFieldType type, const QVariant& value) {
    const double ole = value.isValid() ? value.toDouble() : 0.0;
    if (type == ftTime) return "0001-01-01T" + OleToTime(ole).toString("HH:mm:ss");
    if (ole == 0.0) return kZeroDateTime;
    const QString date = OleToDate(ole).toString("yyyy-MM-dd");
    if (type == ftDate) return date;
    return date + "T" + OleToTime(ole).toString("HH:mm:ss");
}

// Memo texts keep their lines; a line break of any form leaves as CR LF.
QString MemoText(const QString& text) {
    QString t = text;
    t.replace("\r\n", "\n");
    t.replace('\n', "\r\n");
    return t;
}

// The value text of a row's field; a picture answers whether it has any bytes at all.
QString ValueText(TFieldType type, const QVariant& value, bool& present) {
    present = true;
    if (IsDateType(type)) return DateText(type, value);
    switch (type) {
        case ftString:
        case ftWideString:
        case ftGuid:
            return XmlEscape(value.toString());
        case ftMemo:
            return XmlEscape(MemoText(value.toString()));
        case ftSmallint:
        case ftInteger:
        case ftWord:
        case ftAutoInc:
            return QString::number(value.isValid() ? value.toLongLong() : 0);
        case ftLargeint:
            return QString::number(static_cast<qint32>(value.isValid() ? value.toLongLong() : 0));
        case ftBoolean:
            return value.isValid() && value.toBool() ? "1" : "0";
        case ftFloat:
        case ftCurrency:
        case ftBCD:
            return NumberText(value.isValid() ? value.toDouble() : 0.0);
        case ftGraphic: {
            const QByteArray bytes = value.toByteArray();
            present = !bytes.isEmpty();
            return Base64Text(bytes);
        }
        default:
            return QString();
    }
}

}  // namespace

struct TMemTable2DotNetBuilder::TCopy {
    QString Name;
    std::vector<TFieldCopy> Fields;
    std::vector<std::vector<QVariant>> Rows;
};

QString XmlEscape(const QString& text) {
    QString t = text;
    t.replace('&', "&amp;");
    t.replace('<', "&lt;");
    t.replace('>', "&gt;");
    t.replace('"', "&quot;");
    t.replace('\'', "&apos;");
    t.replace(QChar(0), ' ');
    return t;
}

QString Base64Text(const QByteArray& bytes) { return QString::fromLatin1(bytes.toBase64()); }

TMemTable2DotNetBuilder::TMemTable2DotNetBuilder(const QString& dataSetName) : dataSetName_(dataSetName) {}

TMemTable2DotNetBuilder::~TMemTable2DotNetBuilder() = default;

void TMemTable2DotNetBuilder::AddTable(const QString& tableName, TMemTable& table) {
    if (static_cast<int>(tables_.size()) >= kMaxTables)
        throw std::length_error("TMemTable2DotNetBuilder: too many tables");
    auto copy = std::make_unique<TCopy>();
    copy->Name = tableName;
    for (int i = 0; i < table.FieldCount(); ++i) {
        const TField* f = table.Fields()[i];
        copy->Fields.push_back({f->FieldName(), f->DisplayLabel(), f->DataType()});
    }
    if (table.Active()) {
        const TBookmark here = table.GetBookmark();
        table.DisableControls();
        for (table.First(); !table.Eof(); table.Next()) {
            std::vector<QVariant> row;
            for (int i = 0; i < table.FieldCount(); ++i) row.push_back(table.Fields()[i]->Value());
            copy->Rows.push_back(std::move(row));
        }
        if (table.BookmarkValid(here)) table.GotoBookmark(here);
        table.EnableControls();
    }
    tables_.push_back(std::move(copy));
}

void TMemTable2DotNetBuilder::AddRelation(const QString& relationName, const QString& parentTable,
                                          const QString& parentField, const QString& childTable,
                                          const QString& childField) {
    QString refer;
    for (const TConstraint& c : constraints_)
        if (c.TableName == parentTable && c.FieldName == parentField) refer = c.Name;
    if (refer.isEmpty()) {
        refer = "C" + QString::number(constraints_.size());
        constraints_.push_back({refer, parentTable, parentField});
    }
    relations_.push_back({relationName, refer, childTable, childField});
}

QString TMemTable2DotNetBuilder::DocumentText() const {
    const QString n = XmlEscape(dataSetName_);
    QStringList lines;
    lines << R"(<?xml version="1.0" standalone="yes"?>)";
    lines << "<" + n + ">";
    lines << QString(R"(<xs:schema id="%1" xmlns="" xmlns:xs="http://www.w3.org/2001/XMLSchema" )"
                     R"(xmlns:msdata="urn:schemas-microsoft-com:xml-msdata">)")
                 .arg(n);
    lines
        << QString(R"(<xs:element name="%1" msdata:IsDataSet="true" msdata:UseCurrentLocale="true">)").arg(n);
    lines << "<xs:complexType>"
          << R"(<xs:choice minOccurs="0" maxOccurs="unbounded">)";
    for (const auto& t : tables_) {
        lines << QString(R"(<xs:element name="%1">)").arg(XmlEscape(t->Name)) << "<xs:complexType>"
              << "<xs:sequence>";
        for (const TFieldCopy& f : t->Fields)
            lines << QString(R"(<xs:element name="%1" msdata:Caption="%2" type="%3" minOccurs="0" />)")
                         .arg(XmlEscape(f.Name), XmlEscape(f.Caption), SchemaType(f.Type));
        lines << "</xs:sequence>"
              << "</xs:complexType>"
              << "</xs:element>";
    }
    lines << "</xs:choice>"
          << "</xs:complexType>";
    for (const TConstraint& c : constraints_)
        lines << QString(R"(<xs:unique name="%1">)").arg(XmlEscape(c.Name))
              << QString(R"(<xs:selector xpath=".//%1" />)").arg(XmlEscape(c.TableName))
              << QString(R"(<xs:field xpath="%1" />)").arg(XmlEscape(c.FieldName)) << "</xs:unique>";
    for (const TRelation& r : relations_)
        lines << QString(R"(<xs:keyref name="%1" refer="%2">)").arg(XmlEscape(r.Name), XmlEscape(r.ReferName))
              << QString(R"(<xs:selector xpath=".//%1" />)").arg(XmlEscape(r.TableName))
              << QString(R"(<xs:field xpath="%1" />)").arg(XmlEscape(r.FieldName)) << "</xs:keyref>";
    lines << "</xs:element>"
          << "</xs:schema>";
    for (const auto& t : tables_) {
        const QString table = XmlEscape(t->Name);
        for (const auto& row : t->Rows) {
            lines << "<" + table + ">";
            for (size_t i = 0; i < t->Fields.size(); ++i) {
                bool present = true;
                const QString value = ValueText(t->Fields[i].Type, row[i], present);
                if (!present) continue;
                const QString name = XmlEscape(t->Fields[i].Name);
                lines << "<" + name + ">" + value + "</" + name + ">";
            }
            lines << "</" + table + ">";
        }
    }
    lines << "</" + dataSetName_ + ">";
    return lines.join("\r\n") + "\r\n";
}

bool TMemTable2DotNetBuilder::SaveToFile(const QString& path) {
    errorText_.clear();
    QSaveFile file(path);
    // Written in place: the report program may hold an earlier file of the same name open, and a
    // rename over it would fail where overwriting does not.
    file.setDirectWriteFallback(true);
    const QByteArray bytes = DocumentText().toUtf8();
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit()) return true;
    errorText_ = QString::fromUtf8("Při ukládání souboru %1 došlo k chybě. %2").arg(path, file.errorString());
    return false;
}
