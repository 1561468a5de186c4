// The import of addresses: one pass over the source, each row written as it is read. Rows written
// before a cancel or an error stay: an address import has no second phase that could leave the
// book inconsistent, and the run time in Znacka tells the updated ones.
#include <QCoreApplication>
#include <QHash>

#include "core/Main.h"
#include "core/Upgrade.h"
#include "core/Working.h"
#include "import/ImportRun.h"
#include "platform/data/Field.h"
#include "platform/db/ADOCommand.h"
#include "platform/db/ADOQuery.h"
#include "platform/text/OleDate.h"
#include "platform/ui/Dialogs.h"

namespace {

// The imported fields in the order they are read, with their columns and widths (0: whole text).
struct TAddressColumn {
    int field;
    const char* column;
    int width;
};
constexpr TAddressColumn kColumns[] = {
    {afNazev, "Nazev", 50}, {afUlice, "Ulice", 30},   {afMisto, "Misto", 40},      {afPSC, "Psc", 10},
    {afStat, "Stat", 20},   {afICO, "ICO", 10},       {afTelefon, "Telefon", 30},  {afFax, "Fax", 30},
    {afEmail, "Email", 50}, {afInternet, "WWW", 50},  {afPoznamka, "Poznamka", 0}, {afDIC, "DIC", 20},
    {afEAN, "EANKod", 20},  {afZprava, "Zprava", 255}};
constexpr int kCenHladinaWidth = 10;

const char* const kInsertSql =
    "INSERT INTO Adresar (Nazev, Ulice, Misto, Psc, Stat, ICO, Telefon, Fax, Email, WWW, Poznamka, DIC, "
    "EANKod, "
    "CenHladina, Zprava, RepID) VALUES (:Nazev, :Ulice, :Misto, :Psc, :Stat, :ICO, :Telefon, :Fax, :Email, "
    ":WWW, "
    ":Poznamka, :DIC, :EANKod, :CenHladina, :Zprava, :RepID)";

QString RefColumn(const QString& refField) {
    if (refField == "ICO") return "ICO";
    if (refField == "EANKOD") return "EANKod";
    if (refField == "NAZEV") return "Nazev";
    return QString();
}

}  // namespace

int ImportAddresses(const TImportDefinition& def, IImportProtocol& protocol) {
    auto line = [&](const QString& text, TProtocolKind kind = TProtocolKind::Plain) {
        protocol.AddProtocolLine(text, kind);
    };
    auto u = [](const char* text) { return QString::fromUtf8(text); };
    const TDateTime runTime = Now();
    protocol.SetProgress(0);
    line(u(kAddressRunHeading), TProtocolKind::Bold);
    std::unique_ptr<TImportRows> rows;
    if (!OpenRunSource(def, protocol, rows)) return -1;
    TfrmMain& main = *frmMain;
    struct TCloseAtEnd {
        ~TCloseAtEnd() {
            frmMain->adqAgendaFree2.Close();
            ImportConnection().Close();
        }
    } closeAtEnd;

    // The address book searched, first address of a value first.
    QHash<QString, int> searched;
    if (def.Porovnavat) {
        TADOQuery& q = main.adqAgendaFree2;
        q.Close();
        q.SetSQL("SELECT * FROM Adresar");
        q.Open();
        const QString column = RefColumn(def.RefField);
        if (!column.isEmpty()) {
            TField* ref = q.FieldByName(column);
            TField* id = q.FieldByName("ID");
            for (q.First(); !q.Eof(); q.Next()) {
                const QString key = ref->AsString().toCaseFolded();
                if (!searched.contains(key)) searched.insert(key, id->AsInteger());
            }
        }
        q.Close();
    }
    line(QString(), TProtocolKind::RemoveLast);

    const int count = rows->RecordCount();
    int added = 0, updated = 0;
    bool cancelled = false;
    if (count == 0) {
        line(u(kRunEmptySource));
    } else {
        protocol.SetProgressMax(count);
        if (def.Porovnavat)
            line(u(kRunStartMatching) + AddressRefCaption(def.RefField) + u(kRunStartMatchingSource) +
                 def.RefDBField + "]");
        else
            line(u(kRunStartAllNew));
        line(u(kRunMayTakeLong));

        const bool levelOnUpdate = def.CheckCenHladAdr && !def.CheckNastavNaNoveAdr;
        QString updateSql = "UPDATE Adresar SET Znacka = :Znacka";
        for (const TAddressColumn& c : kColumns)
            if (def.Addresses[c.field].Check) updateSql += QString(", %1 = :%1").arg(QLatin1String(c.column));
        if (levelOnUpdate) updateSql += ", CenHladina = :CenHladina";
        updateSql += " WHERE ID = :IDZaznamu";
        TADOCommand insert, update;
        insert.Connection = update.Connection = &main.ADOConAgenda;
        insert.SetCommandText(QString::fromLatin1(kInsertSql));
        update.SetCommandText(updateSql);

        for (int row = 0; row < count; ++row) {
            int match = 0;
            if (def.Porovnavat) {
                QString value;
                try {
                    value = rows->Text(row, rows->ColumnIndex(def.RefDBField));
                } catch (const std::exception& e) {
                    line(u(kRunReadError) + QString::fromUtf8(e.what()), TProtocolKind::Red);
                    return -1;
                }
                if (value.isEmpty())
                    line(u(kRunEmptyRefWarning) + QString::number(row + 1) + u(kRunEmptyRefWarningEnd) +
                         def.RefDBField + ")");
                else
                    match = searched.value(value.toCaseFolded(), 0);
            }
            const bool isNew = match == 0;
            if (isNew && def.Porovnavat && !def.CheckNovaPolozka) {
                // skipped: counted in the source rows only
            } else {
                TADOCommand& command = isNew ? insert : update;
                if (isNew) {
                    for (const TAddressColumn& c : kColumns)
                        command.Parameters.ParamByName(c.column)->Value = QString();
                    command.Parameters.ParamByName("CenHladina")->Value = QString();
                    command.Parameters.ParamByName("RepID")->Value = NewGuidString();
                } else {
                    command.Parameters.ParamByName("Znacka")->Value = runTime;
                    command.Parameters.ParamByName("IDZaznamu")->Value = match;
                }
                for (const TAddressColumn& c : kColumns) {
                    const TMappedField& m = def.Addresses[c.field];
                    if (!m.Check) continue;
                    QString text;
                    try {
                        text = MappedText(m, *rows, row);
                    } catch (const std::exception& e) {
                        line(FieldReadErrorLine(QString::fromLatin1(c.column)) + QString::fromUtf8(e.what()),
                             TProtocolKind::Red);
                        return -1;
                    }
                    command.Parameters.ParamByName(c.column)->Value = c.width > 0 ? text.left(c.width) : text;
                }
                if (def.CheckCenHladAdr && (isNew || levelOnUpdate))
                    command.Parameters.ParamByName("CenHladina")->Value =
                        def.CenHladAdr.left(kCenHladinaWidth);
                int affected = 0;
                try {
                    affected = command.Execute();
                } catch (const std::exception& e) {
                    line(u(kRunSaveError) + QString::fromUtf8(e.what()), TProtocolKind::Red);
                    return -1;
                }
                if (affected == 0) {
                    ShowError(u(kAddressRunExecuteFailed));
                    return -1;
                }
                ++(isNew ? added : updated);
            }
            RunStepDone(protocol, row + 1);
            if (WorkingCancelled) {
                if (AskQuestion(u(kRunConfirmStop))) {
                    cancelled = true;
                    break;
                }
                WorkingCancelled = false;
            }
        }
    }
    if (!cancelled) {
        line(u(kRunSourceCount) + QString::number(count));
        line(u(kAddressRunBook));
        line(u(kRunAdded) + QString::number(added));
        line(u(kRunUpdated) + QString::number(updated));
        line(u(kRunWritten) + QString::number(added + updated));
    }
    protocol.SetProgress(protocol.ProgressMax());
    protocol.SetProgress(0);
    if (cancelled) line(u(kRunCancelled), TProtocolKind::Bold);
    return 0;
}
