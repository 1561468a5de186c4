// Feeds arbitrary text to the Jet SQL translator, and what it makes to the engine's parser on a
// database with the Jet functions and collation: the translator must refuse what it cannot read
// with EDatabaseError, and what it hands on must never be more than the one statement it read.
#include "platform/db/JetSql.h"

#include <sqlite3.h>

#include <QString>
#include <cstdint>

#include "platform/db/DatabaseError.h"
#include "platform/db/JetFunctions.h"

namespace {

sqlite3* Database() {
    static sqlite3* db = [] {
        sqlite3* h = nullptr;
        sqlite3_open(":memory:", &h);
        RegisterJetFunctions(h);
        const TJetTranslation t = TranslateJetSql(
            "CREATE TABLE Adresar (ID AUTOINCREMENT CONSTRAINT ID PRIMARY KEY, Nazev TEXT(50), Castka MONEY, "
            "Znacka DATETIME, Aktivni BIT, Poznamka MEMO)");
        sqlite3_exec(h, t.Sql.toUtf8().constData(), nullptr, nullptr, nullptr);
        return h;
    }();
    return db;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString jet = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    TJetTranslation t;
    try {
        t = TranslateJetSql(jet);
        JetParameterNames(jet);
    } catch (const EDatabaseError&) {
        return 0;
    }
    // Prepared, never run: the text may ask for anything, and preparing is where the parser works.
    sqlite3_stmt* stmt = nullptr;
    const QByteArray sql = t.Sql.toUtf8();
    sqlite3_prepare_v2(Database(), sql.constData(), static_cast<int>(sql.size()), &stmt, nullptr);
    sqlite3_finalize(stmt);
    return 0;
}
