// What the import runs share. A source is read whole before the first row is written, so an error
// of the file itself stops a run before it has changed anything.
#include "import/ImportRun.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "core/Main.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"

namespace {

// Reads the rows with the given IDs: the first is found in "SELECT * FROM <table>".
void FindRows(const QString& table, std::initializer_list<int*> ids, std::initializer_list<QString*> names,
              std::initializer_list<int*> sheets = {}) {
    TADOQuery& q = frmMain->adqAgendaFree1;
    q.Close();
    q.SetSQL("SELECT * FROM " + table);
    q.Open();
    auto name = names.begin();
    auto sheet = sheets.begin();
    for (int* id : ids) {
        if (*id != 0 && q.Locate("ID", *id)) {
            **name = q.FieldByName("Nazev")->AsString();
            if (sheet != sheets.end()) **sheet = q.FieldByName("Sklad")->AsInteger();
        } else {
            *id = 0;
            (*name)->clear();
        }
        ++name;
        if (sheet != sheets.end()) ++sheet;
    }
    q.Close();
}

}  // namespace

void ResolveDefinitionRows(TImportDefinition& def, TDefinitionNames& names) {
    FindRows("Sklady", {&def.IDListu, &def.IDListuHledatV}, {&names.Sheet, &names.FilterSheet});
    int unusedSheet = 0;
    names.GroupSheet = 0;
    FindRows("Skupiny", {&def.IDSkup, &def.IDSkupHledatV}, {&names.Group, &names.FilterGroup},
             {&names.GroupSheet, &unusedSheet});
}

QString RunTableName(const TImportDefinition& def) {
    if (def.Source == TImportSourceKind::DBase || def.Source == TImportSourceKind::Text)
        return QFileInfo(QString(def.FileName).replace('\\', '/')).fileName();
    return def.TableName;
}

QString FieldReadErrorLine(const QString& name) {
    return QString::fromUtf8("!CHYBA při čtení zdroje pro \"") + name + "\": ";
}

bool OpenRunSource(const TImportDefinition& def, IImportProtocol& protocol,
                   std::unique_ptr<TImportRows>& rows) {
    auto line = [&](const QString& text, TProtocolKind kind = TProtocolKind::Plain) {
        protocol.AddProtocolLine(text, kind);
    };
    line(QString::fromUtf8(kRunSourceKind) + SourceKindCaption(def.Source));
    line(QString::fromUtf8(kRunSourceFile) + def.FileName);
    if (!QFileInfo(def.FileName).isFile()) {
        line(QString::fromUtf8(kRunFileMissing), TProtocolKind::Red);
        return false;
    }
    line(QString::fromUtf8(kRunOpening));
    line(QString::fromUtf8(kRunPleaseWait));
    QCoreApplication::processEvents();
    if (OpenImportSource(def.FileName, int(def.Source)) != 0) {
        line(QString::fromUtf8(kRunOpenFailed), TProtocolKind::Red);
        return false;
    }
    const QString table = "[" + RunTableName(def) + "]";
    try {
        rows = ImportConnection().Source().ReadTable(RunTableName(def));
    } catch (const std::exception&) {
        line(QString::fromUtf8(kRunTableFailed) + table, TProtocolKind::Red);
        line(QString::fromUtf8(kRunTableHint), TProtocolKind::Red);
        ImportConnection().Close();
        return false;
    }
    return true;
}

QString MappedText(const TMappedField& field, const TImportRows& rows, int row) {
    if (field.Source == TFieldSource::Fixed) return field.Fixed;
    return rows.Text(row, rows.ColumnIndex(field.Column));
}

double MappedNumber(const TMappedField& field, const TImportRows& rows, int row) {
    if (field.Source == TFieldSource::Fixed) return static_cast<double>(field.Number);
    return rows.Number(row, rows.ColumnIndex(field.Column));
}

void RunStepDone(IImportProtocol& protocol, int position) {
    if (position % kRunEventStep == 0) QCoreApplication::processEvents();
    protocol.SetProgress(position);
}

QString ItemRefCaption(const QString& refField) {
    static const std::pair<const char*, const char*> kCaptions[] = {{"KATALOG", "Katalogu"},
                                                                    {"BARCODE", "Čár. kódu"},
                                                                    {"PLU", "PLU"},
                                                                    {"ZKRATKA", "Zkratky"},
                                                                    {"POPIS", "Popisu pol."}};
    for (const auto& [value, caption] : kCaptions)
        if (refField == QLatin1String(value)) return QString::fromUtf8(caption);
    return QString();
}

QString AddressRefCaption(const QString& refField) {
    static const std::pair<const char*, const char*> kCaptions[] = {
        {"ICO", "IČO"}, {"EANKOD", "EAN kódu"}, {"NAZEV", "Názvu"}};
    for (const auto& [value, caption] : kCaptions)
        if (refField == QLatin1String(value)) return QString::fromUtf8(caption);
    return QString();
}
