// Cost of importing 50 000 price-list items from a text file (both phases: every row written as a
// new item marked unfinished, then every item recalculated through the silent item card) against
// the sqlite3 shell's ".import" of the same file into a bare table, the most the engine can do with
// the file. Both are wall-clock times: the shell runs as a process of its own. Without the sqlite3
// shell on the PATH the program says so and measures nothing.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>
#include <map>
#include <memory>

#include "Ratio.h"
#include "core/DataFolder.h"
#include "core/DbTemplates.h"
#include "core/Locks.h"
#include "core/Main.h"
#include "import/ImportRun.h"
#include "platform/db/ADOConnection.h"
#include "platform/ui/Dialogs.h"

namespace {

constexpr int kItems = 50000;
constexpr double kLimit = 5.0;

class TSilentDialogs final : public IDialogService {
public:
    void Information(const QString&) override {}
    void Warning(const QString&) override {}
    void Error(const QString&) override {}
    bool Question(const QString&) override { return false; }
    bool InputBox(const QString&, const QString&, QString&) override { return false; }
};

// Notes when each phase of the last run began and when the run ended, for the printed split.
QElapsedTimer g_clock;
qint64 g_phaseOne = 0, g_phaseTwo = 0, g_end = 0;

class TNoProtocol final : public IImportProtocol {
public:
    void AddProtocolLine(const QString& text, TProtocolKind) override {
        if (text == QString::fromUtf8(kItemRunPhaseOne)) g_phaseOne = g_clock.nsecsElapsed();
        if (text == QString::fromUtf8(kItemRunPhaseTwo)) g_phaseTwo = g_clock.nsecsElapsed();
        if (text.startsWith(QString::fromUtf8(kRunSourceCount))) g_end = g_clock.nsecsElapsed();
    }
    void SetProgressMax(int m) override { max_ = m; }
    void SetProgress(int) override {}
    int ProgressMax() const override { return max_; }

private:
    int max_ = 100;
};

class ImportFirm {
public:
    ImportFirm() {
        folder_ = dir_.path() + "/";
        DataFolder = folder_;
        LockFolder = folder_ + "LOCK/";
        QDir().mkpath(LockFolder);
        CurrentFirm = "FIRMA";
        BuildEmptyFirmTemplate(folder_ + "FIRMA.MDB");
        previous_ = SetDialogService(&dialogs_);
        main_ = std::make_unique<TfrmMain>();
        TADOConnection& con = main_->ADOConAgenda;
        con.Open(folder_ + "FIRMA.MDB");
        con.Execute("INSERT INTO Sklady (Nazev, Poradi) VALUES ('Elektroinstalace', 1)");
        con.Execute("INSERT INTO Skupiny (Sklad, Nazev, Zakladni) VALUES (1, 'Kabely a vodiče', False)");
        con.Execute(
            "INSERT INTO CenSkup (Zkratka, Popis, Vlastni, SDPH, Prepocitat, Marze, Rabat, Zaok, TypHodnoty) "
            "VALUES ('MAT', 'Materiál', 1, 0, 1, 0, 0, 0, 0)");

        QFile csv(CsvPath());
        csv.open(QIODevice::WriteOnly | QIODevice::Truncate);
        QByteArray text = "Kod;Nazev;MJ;Nakup;Cena\n";
        for (int i = 0; i < kItems; ++i)
            text += QStringLiteral("K%1;Kabel CYKY-J 3x%2 – položka č. %1;m;%3;%4\n")
                        .arg(i)
                        .arg(i % 7 + 1)
                        .arg(QString::number(i * 0.5 + 0.25, 'f', 2).replace('.', ','))
                        .arg(QString::number(i * 0.8 + 1.5, 'f', 2).replace('.', ','))
                        .toUtf8();
        csv.write(text);

        def_.Source = TImportSourceKind::Text;
        def_.FileName = CsvPath();
        def_.IDListu = 1;
        def_.IDSkup = 1;
        auto column = [](const char* name) { return TMappedField{true, TFieldSource::Column, name, {}, 0}; };
        def_.Items[ifKatalog] = column("Kod");
        def_.Items[ifPopis] = column("Nazev");
        def_.Items[ifTextMJ] = column("MJ");
        def_.Items[ifNakCena] = column("Nakup");
        def_.Items[ifProdCena] = column("Cena");
        def_.Items[ifSazbaDPH] = {true, TFieldSource::Fixed, {}, {}, 21};
        def_.CheckCenSkup = true;
        def_.CenSkupina = "MAT";
        def_.CheckPrepocitat = true;
    }
    ~ImportFirm() {
        main_->CloseFirmDatasets();
        main_.reset();
        SetDialogService(previous_);
    }
    QString CsvPath() const { return folder_ + "cenik.csv"; }
    QString BareDb() const { return folder_ + "bare.db"; }

    void ClearItems() { main_->ADOConAgenda.Execute("DELETE FROM Zasoby"); }
    int Import() {
        ChangeStampsSuspended = true;
        g_clock.start();
        TNoProtocol protocol;
        const int result = ImportPriceListItems(def_, protocol);
        ChangeStampsSuspended = false;
        return result;
    }

private:
    QTemporaryDir dir_;
    QString folder_;
    TSilentDialogs dialogs_;
    IDialogService* previous_ = nullptr;
    std::unique_ptr<TfrmMain> main_;
    TImportDefinition def_;
};

std::unique_ptr<ImportFirm> g_firm;
QString g_sqlite3;

void BM_ImportItems(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        g_firm->ClearItems();
        state.ResumeTiming();
        if (g_firm->Import() != 0) state.SkipWithError("the import failed");
    }
}

void BM_SqliteImport(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(g_firm->BareDb());
        state.ResumeTiming();
        QProcess shell;
        shell.start(g_sqlite3, {g_firm->BareDb(), "-cmd", ".mode csv", "-cmd", ".separator ;", "-cmd",
                                "CREATE TABLE t (Kod TEXT, Nazev TEXT, MJ TEXT, Nakup TEXT, Cena TEXT)",
                                ".import --skip 1 '" + g_firm->CsvPath() + "' t"});
        if (!shell.waitForFinished(600000) || shell.exitCode() != 0) state.SkipWithError("sqlite3 failed");
    }
}

// Each side's fastest of five runs: on a virtual machine the same run of either varies by a third
// from one repetition to the next (the shell's start, page faults, the neighbours' load), and the
// fastest is the figure least disturbed by it, as in the other benchmarks.
void FastestOfFive(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)
        ->Iterations(1)
        ->Repetitions(5)
        ->ComputeStatistics("min", RatioMinimum)
        ->UseRealTime();
}
BENCHMARK(BM_SqliteImport)->Apply(FastestOfFive);
BENCHMARK(BM_ImportItems)->Apply(FastestOfFive);

// The shell is another process, so the ratio compares wall-clock times, not processor time.
class TWallRatioReporter : public benchmark::ConsoleReporter {
public:
    TWallRatioReporter() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "min")
                times_[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto m = times_.find("BM_ImportItems");
        const auto b = times_.find("BM_SqliteImport");
        if (m != times_.end() && b != times_.end() && b->second > 0)
            std::printf("import 50000 items / sqlite3 .import: %.2f (limit %.2f)\n", m->second / b->second,
                        kLimit);
        std::fflush(stdout);
    }

private:
    std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    g_sqlite3 = QStandardPaths::findExecutable("sqlite3");
    if (g_sqlite3.isEmpty()) {
        std::printf("bench_import: the sqlite3 shell is not installed; nothing measured\n");
        return 0;
    }
    g_firm = std::make_unique<ImportFirm>();
    benchmark::Initialize(&argc, argv);
    TWallRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::printf("last run: reading %.0f ms, phase I %.0f ms, phase II %.0f ms\n", g_phaseOne / 1e6,
                (g_phaseTwo - g_phaseOne) / 1e6, (g_end - g_phaseTwo) / 1e6);
    g_firm.reset();
    return 0;
}
