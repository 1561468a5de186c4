// Cost of the data layer over the bare engine, on 100 000 rows of 10 columns:
// - inserting them in one transaction through a command with named parameters, against the same
//   rows through a plain prepared statement: within 1.5 times, which the command can only reach
//   by translating and preparing each SQL text once;
// - opening a query and reading every field of every row, against a bare step loop that builds
//   the same strings: within twice, which needs the rows stored without growing buffers by
//   doubling and the fields read without copies;
// - a filter with LIKE on a text field, against the engine counting the same rows with its own
//   LIKE: within twice, which needs the pattern read once, not once per row.

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "Ratio.h"
#include "platform/data/Field.h"
#include "platform/db/ADOCommand.h"
#include "platform/db/ADOConnection.h"
#include "platform/db/ADOQuery.h"

namespace {

constexpr int kRows = 100000;

const char* const kCreate =
    "CREATE TABLE Zasoby (ID AUTOINCREMENT CONSTRAINT ID PRIMARY KEY, Popis STRING(50), Katalog STRING(20), "
    "Poznamka MEMO, NakCena DECIMAL, PrCenaSDPH MONEY, SDPH BIT, Skupina INTEGER, Marze DOUBLE, Znacka "
    "DATETIME, "
    "RepID GUID)";
const char* const kInsertJet =
    "INSERT INTO Zasoby (Popis, Katalog, Poznamka, NakCena, PrCenaSDPH, SDPH, Skupina, Marze, Znacka, RepID) "
    "VALUES (:Popis, :Katalog, :Poznamka, :NakCena, :PrCenaSDPH, :SDPH, :Skupina, :Marze, :Znacka, :RepID)";
const char* const kInsertRaw =
    "INSERT INTO Zasoby (Popis, Katalog, Poznamka, NakCena, PrCenaSDPH, SDPH, Skupina, Marze, Znacka, RepID) "
    "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)";

struct Row {
    QString popis, katalog, poznamka, repId;
    double nakCena, cena, marze, znacka;
    bool sdph;
    int skupina;
};

const std::vector<Row>& Rows() {
    static const std::vector<Row> rows = [] {
        std::vector<Row> v;
        v.reserve(kRows);
        for (int i = 0; i < kRows; ++i) {
            v.push_back(
                {QStringLiteral("Kabel CYKY 3x%1 mm² – položka č. %2").arg(i % 7 + 1).arg(i),
                 QStringLiteral("KAT-%1").arg(i, 8, 10, QChar(u'0')),
                 QStringLiteral("Poznámka k položce %1\r\ndruhý řádek").arg(i),
                 QStringLiteral("{%1-0000-4000-8000-000000000000}").arg(i, 8, 16, QChar(u'0')).toUpper(),
                 i * 0.37, i * 0.5 + 0.25, 21.0, 45356.0 + i / 1440.0, i % 2 == 0, i % 50});
        }
        return v;
    }();
    return rows;
}

// A database in a temporary folder, removed with the object (the folder outlives the connection).
class Database {
public:
    Database() : path_(dir_.filePath("bench.MDB")) {
        TADOConnection::CreateDatabase(path_);
        con.Open(path_);
        con.Execute(kCreate);
    }
    void Empty() { con.Execute("DELETE FROM Zasoby"); }
    const QString& Path() const { return path_; }

private:
    QTemporaryDir dir_;
    QString path_;

public:
    TADOConnection con;
};

// Every row through one prepared command inside one transaction.
void InsertThroughCommand(TADOConnection& con, const std::vector<Row>& rows) {
    TADOCommand cmd;
    cmd.Connection = &con;
    cmd.SetCommandText(kInsertJet);
    con.BeginTrans();
    for (const Row& r : rows) {
        cmd.Parameters.ParamByName("Popis")->Value = r.popis;
        cmd.Parameters.ParamByName("Katalog")->Value = r.katalog;
        cmd.Parameters.ParamByName("Poznamka")->Value = r.poznamka;
        cmd.Parameters.ParamByName("NakCena")->Value = r.nakCena;
        cmd.Parameters.ParamByName("PrCenaSDPH")->Value = r.cena;
        cmd.Parameters.ParamByName("SDPH")->Value = r.sdph;
        cmd.Parameters.ParamByName("Skupina")->Value = r.skupina;
        cmd.Parameters.ParamByName("Marze")->Value = r.marze;
        cmd.Parameters.ParamByName("Znacka")->Value = r.znacka;
        cmd.Parameters.ParamByName("RepID")->Value = r.repId;
        cmd.Execute();
    }
    con.CommitTrans();
}

void BM_InsertThroughCommand(benchmark::State& state) {
    Database db;
    const auto& rows = Rows();
    for (auto _ : state) {
        state.PauseTiming();
        db.Empty();
        state.ResumeTiming();
        InsertThroughCommand(db.con, rows);
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

void BindText(sqlite3_stmt* stmt, int index, const QString& s) {
    sqlite3_bind_text16(stmt, index, s.utf16(), static_cast<int>(s.size() * 2), SQLITE_TRANSIENT);
}

void BM_InsertRawSqlite(benchmark::State& state) {
    Database db;
    const auto& rows = Rows();
    sqlite3* h = db.con.Handle();
    for (auto _ : state) {
        state.PauseTiming();
        db.Empty();
        state.ResumeTiming();
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(h, kInsertRaw, -1, &stmt, nullptr);
        sqlite3_exec(h, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        for (const Row& r : rows) {
            BindText(stmt, 1, r.popis);
            BindText(stmt, 2, r.katalog);
            BindText(stmt, 3, r.poznamka);
            sqlite3_bind_double(stmt, 4, r.nakCena);
            sqlite3_bind_double(stmt, 5, r.cena);
            sqlite3_bind_int(stmt, 6, r.sdph ? 1 : 0);
            sqlite3_bind_int64(stmt, 7, r.skupina);
            sqlite3_bind_double(stmt, 8, r.marze);
            sqlite3_bind_double(stmt, 9, r.znacka);
            BindText(stmt, 10, r.repId);
            if (sqlite3_step(stmt) != SQLITE_DONE) state.SkipWithError(sqlite3_errmsg(h));
            sqlite3_reset(stmt);
        }
        sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_finalize(stmt);
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

// Reading: a query loads the whole table into memory on Open, and must stay within twice the
// time of a bare step loop that reads every column. Locating by ID and sorting by a Czech text
// then work on the loaded rows.
// Filled once and removed at exit with its folder.
Database& FilledDatabase() {
    static Database db;
    static const bool filled = (InsertThroughCommand(db.con, Rows()), true);
    (void)filled;
    return db;
}

// Open, then every field of every record read as the grids and cards read them.
void BM_OpenQuery(benchmark::State& state) {
    Database& db = FilledDatabase();
    for (auto _ : state) {
        TADOQuery q(&db.con);
        q.SetSQL("SELECT * FROM Zasoby");
        q.Open();
        if (q.RecordCount() != kRows) state.SkipWithError("rows missing");
        const int fields = q.FieldCount();
        for (q.First(); !q.Eof(); q.Next())
            for (int f = 0; f < fields; ++f) benchmark::DoNotOptimize(&q.Fields()[f]->Value());
        state.PauseTiming();
        q.Close();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

// The engine's own loop, building and keeping the same strings the query holds (a query keeps
// its rows, so holding them is part of the work; the values are dropped outside the timing on
// both sides). The list that holds them keeps its memory from run to run, as the query's
// storage does.
void BM_ReadRawSqlite(benchmark::State& state) {
    sqlite3* h = FilledDatabase().con.Handle();
    std::vector<QString> kept;
    kept.reserve(static_cast<size_t>(kRows) * 4);
    for (auto _ : state) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(h, "SELECT * FROM Zasoby", -1, &stmt, nullptr);
        const int columns = sqlite3_column_count(stmt);
        int rows = 0;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            for (int c = 0; c < columns; ++c) {
                switch (sqlite3_column_type(stmt, c)) {
                    case SQLITE_INTEGER:
                        benchmark::DoNotOptimize(sqlite3_column_int64(stmt, c));
                        break;
                    case SQLITE_FLOAT:
                        benchmark::DoNotOptimize(sqlite3_column_double(stmt, c));
                        break;
                    case SQLITE_TEXT: {
                        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
                        kept.push_back(QString::fromUtf8(text, sqlite3_column_bytes(stmt, c)));
                        break;
                    }
                    default:
                        break;
                }
            }
            ++rows;
        }
        sqlite3_finalize(stmt);
        if (rows != kRows) state.SkipWithError("rows missing");
        state.PauseTiming();
        kept.clear();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

// One row in seven has "mm²" in its description, so the filter keeps a seventh of the table.
const char* const kFilter = "Popis LIKE '*3X1 MM*'";
const char* const kRawLike = "SELECT COUNT(*) FROM Zasoby WHERE Popis LIKE '%3X1 MM%'";

void BM_FilterLike(benchmark::State& state) {
    TADOQuery q(&FilledDatabase().con);
    q.SetSQL("SELECT * FROM Zasoby");
    q.Open();
    q.SetFilter(kFilter);
    q.SetFiltered(true);
    int kept = 0;
    for (auto _ : state) {
        q.SetFilter(kFilter);  // read again and applied to every row
        kept = q.RecordCount();
    }
    if (kept != kRows / 7 + 1) state.SkipWithError("the filter kept the wrong rows");
    state.SetItemsProcessed(state.iterations() * kRows);
}

// The engine's built-in LIKE on a bare connection (ours replaces it with the Unicode one).
void BM_RawSqliteLike(benchmark::State& state) {
    sqlite3* h = nullptr;
    sqlite3_open_v2(FilledDatabase().Path().toUtf8().constData(), &h, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(h, kRawLike, -1, &stmt, nullptr);
    int kept = 0;
    for (auto _ : state) {
        sqlite3_reset(stmt);
        if (sqlite3_step(stmt) == SQLITE_ROW) kept = sqlite3_column_int(stmt, 0);
    }
    sqlite3_finalize(stmt);
    sqlite3_close(h);
    if (kept != kRows / 7 + 1) state.SkipWithError("the engine counted the wrong rows");
    state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_LocateById(benchmark::State& state) {
    TADOQuery q(&FilledDatabase().con);
    q.SetSQL("SELECT * FROM Zasoby");
    q.Open();
    qint64 id = 1;
    for (auto _ : state) {
        id = (id * 7919) % kRows + 1;
        if (!q.Locate("ID", id)) state.SkipWithError("not found");
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_SortByCzechText(benchmark::State& state) {
    TADOQuery q(&FilledDatabase().con);
    q.SetSQL("SELECT * FROM Zasoby");
    q.Open();
    for (auto _ : state) {
        q.SetSort("Popis DESC");
        state.PauseTiming();
        q.SetSort("");
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

BENCHMARK(BM_OpenQuery)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ComputeStatistics("min", RatioMinimum)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ReadRawSqlite)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ComputeStatistics("min", RatioMinimum)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_FilterLike)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ComputeStatistics("min", RatioMinimum)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_RawSqliteLike)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ComputeStatistics("min", RatioMinimum)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_LocateById)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SortByCzechText)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK(BM_InsertThroughCommand)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ComputeStatistics("min", RatioMinimum)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_InsertRawSqlite)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ComputeStatistics("min", RatioMinimum)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    Rows();  // built before any timing starts
    return RunWithRatios(argc, argv,
                         {{"insert_command_vs_raw", "BM_InsertThroughCommand", "BM_InsertRawSqlite", 1.5},
                          {"open_read_vs_raw_step", "BM_OpenQuery", "BM_ReadRawSqlite", 2.0},
                          {"filter_like_vs_raw_like", "BM_FilterLike", "BM_RawSqliteLike", 2.0}});
}
