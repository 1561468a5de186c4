#pragma once

#include <QString>
#include <QVariant>
#include <vector>

// The structures of the main database and of a firm database, written once here and used both
// by the template builder and by the in-place upgrades, so a new database and an upgraded one
// can never differ.

struct TColumnDef {
    const char* Name;
    const char* JetType;  // as CREATE TABLE and ALTER TABLE write it
};

struct TIndexDef {
    const char* Name;
    const char* Columns;  // comma-separated
    bool Unique;
};

struct TTableDef {
    const char* Name;
    std::vector<TColumnDef> Columns;
    std::vector<TIndexDef> Indexes;
};

// One step of an upgrade. Steps whose column or table already exists do nothing, so the whole
// list can be run against any older structure.
struct TUpgradeStep {
    enum Kind { Column, RepID, Table };
    Kind StepKind;
    const char* TableName;
    const char* ColumnName;  // Column and RepID steps
    const char* JetType;     // Column steps
    int ZeroLengthCode;      // 0 when the step has none
    QVariant Value;          // Column steps: what every existing row gets
};

inline constexpr int ExpectedMainDbVersion = 6;
inline constexpr int ExpectedFirmDbVersion = 11;

const std::vector<TTableDef>& MainDbTables();
const std::vector<TTableDef>& FirmDbTables();
const std::vector<TUpgradeStep>& MainDbUpgradeSteps();
const std::vector<TUpgradeStep>& FirmDbUpgradeSteps();

// The table a Table step creates, from the list it belongs to.
const TTableDef* FindTableDef(const std::vector<TTableDef>& tables, const QString& name);

// The display format of a firm table's column: the amounts of money of the price list, the offers
// and their items show grouped thousands and two decimals in every list; empty for other columns.
QString FirmColumnDisplayFormat(const QString& table, const QString& column);

// "CREATE TABLE ..." followed by its "CREATE [UNIQUE] INDEX ..." statements, in Jet SQL.
QStringList CreateTableStatements(const TTableDef& table);
