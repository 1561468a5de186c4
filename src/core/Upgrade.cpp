#include "core/Upgrade.h"

#include "core/DataFolder.h"
#include "core/DbSchema.h"
#include "core/Working.h"
#include "platform/db/ADOConnection.h"
#include "platform/db/Presence.h"
#include "platform/files/FileUtils.h"
#include "platform/text/Guid.h"
#include "platform/ui/Dialogs.h"

QString MainDbPassword;
QString FirmDbPassword;

namespace {

// The passwords as the program carries them: every byte complemented, so they are not readable
// in the executable as they stand.
const unsigned char kStoredMainPassword[] = {0xA9, 0x91, 0xDC, 0xB8, 0x93, 0x90,
                                             0x9D, 0xCD, 0xCF, 0xCD, 0xC9, 0x00};
const unsigned char kStoredFirmPassword[] = {0xA9, 0x91, 0xDC, 0xB9, 0x96, 0x8D,
                                             0x92, 0xCD, 0xCF, 0xCD, 0xC9, 0x00};

const char* const kNeedsExclusiveAccess =
    "Program nyní potřebuje upravit strukturu databáze na novější verzi, na některé stanici v síti je však "
    "program stále spuštěný. Ukončete na všech stanicích tento program a zkuste to znovu.";
const char* const kConverting = "Probíhá převod databáze\rprosím čekejte...";
const char* const kNewerMain =
    "Hlavní databáze je novější verze než spouštěný program (IDMAINDB %1, IDPRG %2). ";
const char* const kNewerFirm =
    "Databáze firmy [%1] je novější verze než spouštěný program (IDDB %2, IDPRG %3). ";
const char* const kNewerTail =
    "Nyní používáte verzi %1 - proveďte update programu (nejnovější verzi si můžete stáhnout na %2)\r\r"
    "Pokud používáte program v síti, na všech stanicích musí být stejná verze programu.";

QString NewerTail() {
    return QString::fromUtf8(kNewerTail).arg(QLatin1String(ProgramVersion), QLatin1String(kDownloadAddress));
}

struct TDatabaseKind {
    int ExpectedVersion;
    const std::vector<TUpgradeStep>& Steps;
    const std::vector<TTableDef>& Tables;
    std::function<QString(int verId)> NewerMessage;
};

// "SELECT * FROM Verze": the version of the first row; a table without a row counts as the
// oldest structure.
int ReadVersion(TADOConnection& connection) {
    const std::unique_ptr<TRowset> rows = connection.OpenRowset("SELECT * FROM Verze");
    for (size_t c = 0; c < rows->Columns.size(); ++c)
        if (rows->Columns[c].Name.compare("VerID", Qt::CaseInsensitive) == 0 && rows->RowCount() > 0)
            return rows->Value(0, c).toInt();
    return 0;
}

bool HasColumn(const std::vector<TSchemaColumn>& schema, const QString& table, const QString& column) {
    for (const TSchemaColumn& c : schema)
        if (c.TableName.compare(table, Qt::CaseInsensitive) == 0 &&
            c.ColumnName.compare(column, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool HasTable(const std::vector<TSchemaColumn>& schema, const QString& table) {
    for (const TSchemaColumn& c : schema)
        if (c.TableName.compare(table, Qt::CaseInsensitive) == 0) return true;
    return false;
}

void RunStep(TADOConnection& connection, const TDatabaseKind& kind, const TUpgradeStep& step,
             const std::vector<TSchemaColumn>& schema) {
    const QString table = QLatin1String(step.TableName);
    switch (step.StepKind) {
        case TUpgradeStep::Column: {
            const QString column = QLatin1String(step.ColumnName);
            if (HasColumn(schema, table, column)) return;
            connection.Execute(QString("ALTER TABLE %1 ADD COLUMN %2 %3").arg(table, column, step.JetType));
            if (step.ZeroLengthCode != 0) SetAllowZeroLength(step.ZeroLengthCode);
            TParameters params;
            params.AddParameter(column)->Value = step.Value;
            connection.Execute(QString("UPDATE %1 SET %2 = :%2").arg(table, column), params);
            return;
        }
        case TUpgradeStep::RepID: {
            const QString column = QLatin1String(step.ColumnName);
            if (HasColumn(schema, table, column)) return;
            connection.Execute(QString("ALTER TABLE %1 ADD COLUMN %2 GUID").arg(table, column));
            connection.Execute(QString("CREATE UNIQUE INDEX %2 ON %1 (%2)").arg(table, column));
            FillRepIDs(connection, table, column);
            return;
        }
        case TUpgradeStep::Table: {
            if (HasTable(schema, table)) return;
            const TTableDef* def = FindTableDef(kind.Tables, table);
            Q_ASSERT(def);
            const QStringList statements = CreateTableStatements(*def);
            connection.Execute(statements.first());
            if (step.ZeroLengthCode != 0) SetAllowZeroLength(step.ZeroLengthCode);
            for (qsizetype i = 1; i < statements.size(); ++i) connection.Execute(statements[i]);
            return;
        }
    }
}

void RunStepList(TADOConnection& connection, const TDatabaseKind& kind) {
    const std::vector<TSchemaColumn> schema = connection.GetColumns();
    for (const TUpgradeStep& step : kind.Steps) RunStep(connection, kind, step, schema);
    TParameters params;
    params.AddParameter("VerID")->Value = kind.ExpectedVersion;
    if (connection.Execute("UPDATE Verze SET VerID = :VerID", params) == 0)
        connection.Execute("INSERT INTO Verze (VerID) VALUES (:VerID)", params);
}

bool UpgradeDatabase(TADOConnection& connection, const TDatabaseKind& kind) {
    const int verId = ReadVersion(connection);
    if (verId > kind.ExpectedVersion) {
        ShowWarning(kind.NewerMessage(verId));
        return true;
    }
    if (verId == kind.ExpectedVersion) return false;

    const QString path = connection.FileName();
    const QString password = connection.Password();
    if (JetLockProbe(connection, connection.PresenceFileName())) {
        ShowWarning(QString::fromUtf8(kNeedsExclusiveAccess));
        return true;
    }
    connection.Open(path, password);
    ShowWorking(true, QString::fromUtf8(kConverting), false);
    // The steps skip what exists, so a list cut short halfway would leave its added columns
    // without their values for good; one transaction keeps the database at its old version instead.
    try {
        connection.BeginTrans();
        RunStepList(connection, kind);
        connection.CommitTrans();
    } catch (...) {
        if (connection.InTransaction()) connection.RollbackTrans();
        ShowWorking(false);
        throw;
    }
    ShowWorking(false);
    return false;
}

}  // namespace

QString UnscrambleStoredString(const QByteArray& stored) {
    QByteArray plain;
    for (const char byte : stored) {
        if (byte == 0) break;
        plain.append(static_cast<char>(~static_cast<unsigned char>(byte)));
    }
    return QString::fromLatin1(plain);
}

void BuildDatabasePasswords() {
    MainDbPassword = UnscrambleStoredString(reinterpret_cast<const char*>(kStoredMainPassword));
    FirmDbPassword = UnscrambleStoredString(reinterpret_cast<const char*>(kStoredFirmPassword));
}

QString NewGuidString() { return NewGuidText(); }

int SetAllowZeroLength(int) { return 0; }

bool JetLockProbe(TADOConnection& connection, const QString& lockFile) {
    connection.Close();
    return ProbePresence(lockFile);
}

void FillRepIDs(TADOConnection& connection, const QString& table, const QString& column) {
    const std::unique_ptr<TRowset> rows = connection.OpenRowset("SELECT ID FROM " + table);
    const QString update = QString("UPDATE %1 SET %2 = :%2 WHERE ID = ").arg(table, column);
    for (size_t r = 0; r < rows->RowCount(); ++r) {
        TParameters params;
        params.AddParameter(column)->Value = NewGuidString();
        connection.Execute(update + QString::number(rows->Value(r, 0).toLongLong()), params);
    }
}

QString NewerMainDatabaseMessage(int verId) {
    return QString::fromUtf8(kNewerMain).arg(verId).arg(ExpectedMainDbVersion) + NewerTail();
}

QString NewerFirmDatabaseMessage(const QString& firm, int verId) {
    return QString::fromUtf8(kNewerFirm).arg(firm).arg(verId).arg(ExpectedFirmDbVersion) + NewerTail();
}

bool UpgradeMainDatabase(TADOConnection& connection) {
    return UpgradeDatabase(connection, {ExpectedMainDbVersion, MainDbUpgradeSteps(), MainDbTables(),
                                        [](int verId) { return NewerMainDatabaseMessage(verId); }});
}

bool UpgradeFirmDatabase(TADOConnection& connection) {
    return UpgradeDatabase(connection,
                           {ExpectedFirmDbVersion, FirmDbUpgradeSteps(), FirmDbTables(),
                            [](int verId) { return NewerFirmDatabaseMessage(CurrentFirm, verId); }});
}
