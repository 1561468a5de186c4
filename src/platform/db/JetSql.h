#pragma once

#include <QString>
#include <QStringList>

// The Jet SQL that the program writes, turned into SQL that SQLite runs with the same meaning
// on our storage (OLE-date numbers, 1/0 yes/no values, the JET text collation).
struct TJetTranslation {
    QString Sql;               // SQLite text; parameters appear as ?1, ?2, ...
    QStringList ParamNames;    // ?n is ParamNames[n - 1]; one entry per name, whatever its case
    bool ChangesData = false;  // INSERT, UPDATE or DELETE: reports rows affected
};

// Throws EDatabaseError (with the statement) for text it cannot translate.
TJetTranslation TranslateJetSql(const QString& jetSql);

// The distinct ":Name" parameters of a statement in order of first appearance; names that
// differ only in letter case are one parameter.
QStringList JetParameterNames(const QString& jetSql);

// How the DDL stores a Jet column type, and how schema lookup reads it back.
struct TJetColumnType {
    QString JetName;  // "Text(50)", "Memo", "Money", "Yes/No", "Date-time", "Long Integer", ...
    int Size = 0;     // characters of a text column
    bool IsText = false;
};
TJetColumnType JetTypeOfDeclared(const QString& declaredType, bool autoIncrement);

// An index lives in one namespace per database in SQLite but per table in Jet, so every
// index name is stored qualified by its table.
QString StoredIndexName(const QString& table, const QString& index);
QString JetIndexName(const QString& storedName);
