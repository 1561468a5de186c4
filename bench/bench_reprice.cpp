// Cost of repricing 50 000 items with a set value (both phases: the value written with the run's mark,
// then every marked item recalculated through the silent item card) against one bulk UPDATE of the
// same rows through the data layer. The recalculation of each item costs more than its share of one
// statement; the figure shows how much, and it stays flat only while the price-group rules are read
// once per run and not once per item (the rule reads of one run are printed too).

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <memory>

#include "Ratio.h"
#include "core/DataFolder.h"
#include "core/DbTemplates.h"
#include "core/Locks.h"
#include "core/Main.h"
#include "platform/db/ADOConnection.h"
#include "platform/db/Parameters.h"
#include "platform/ui/CurrencyEdit.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/Preceneni.h"

namespace {

constexpr int kItems = 50000;

// Nobody answers the run's closing message in a benchmark.
class TSilentDialogs final : public IDialogService {
public:
    void Information(const QString&) override {}
    void Warning(const QString&) override {}
    void Error(const QString&) override {}
    bool Question(const QString&) override { return false; }
    bool InputBox(const QString&, const QString&, QString&) override { return false; }
};

// Counts the statements that read the price-group rules.
int TraceRuleReads(unsigned, void* context, void* statement, void*) {
    const char* sql = sqlite3_sql(static_cast<sqlite3_stmt*>(statement));
    if (sql && std::strstr(sql, "CenSkupPol")) ++*static_cast<int*>(context);
    return 0;
}

// A firm with one sheet of kItems items priced through a price group with two level rules.
class RepriceFirm {
public:
    RepriceFirm() {
        const QString folder = dir_.path() + "/";
        DataFolder = folder;
        LockFolder = folder + "LOCK/";
        QDir().mkpath(LockFolder);
        CurrentFirm = "FIRMA";
        BuildEmptyFirmTemplate(folder + "FIRMA.MDB");
        previous_ = SetDialogService(&dialogs_);
        main_ = std::make_unique<TfrmMain>();
        TADOConnection& con = main_->ADOConAgenda;
        con.Open(folder + "FIRMA.MDB");
        // Filling the firm is no part of the measure: each statement would write the table's
        // change stamp to disk.
        ChangeStampsSuspended = true;
        con.BeginTrans();
        con.Execute("INSERT INTO Sklady (Nazev, Poradi) VALUES ('List', 1)");
        con.Execute("INSERT INTO Skupiny (Sklad, Nazev, Zakladni) VALUES (1, '# Nezařazeno #', True)");
        for (const char* level : {"VIP", "AKCE"})
            con.Execute(
                QString("INSERT INTO CenHlad (Zkratka, Popis, Hodnota, SDPH, Prepocitat, Zaok, TypHodnoty, "
                        "VychCena) VALUES ('%1', 'x', 5, 0, 1, 0, 0, 0)")
                    .arg(level));
        con.Execute(
            "INSERT INTO CenSkup (Zkratka, Popis, Vlastni, SDPH, Prepocitat, Marze, Rabat, Zaok, TypHodnoty) "
            "VALUES ('MAT', 'x', 1, 0, 1, 0, 0, 0, 0)");
        for (const char* level : {"VIP", "AKCE"})
            con.Execute(
                QString("INSERT INTO CenSkupPol (IDCenSkup, Zkratka, Prevzato, Hodnota, SDPH, Prepocitat, "
                        "Zaok, TypHodnoty, VychCena) VALUES (1, '%1', 1, 5, 0, 1, 0, 0, 0)")
                    .arg(level));
        TParameters params;
        params.AddParameter("Popis");
        params.AddParameter("Cena");
        for (int i = 0; i < kItems; ++i) {
            params.ParamByName("Popis")->Value =
                QStringLiteral("Kabel CYKY 3x%1 – položka č. %2").arg(i % 7 + 1).arg(i);
            params.ParamByName("Cena")->Value = i * 0.5 + 0.25;
            con.Execute(
                "INSERT INTO Zasoby (Sklad, Skupina, Popis, NakCena, Marze, Rabat, TypHodnoty, Prepocitat, "
                "SDPH, "
                "SazbaDPH, Zaok, CenSkupina, Chyba) VALUES (1, 1, :Popis, :Cena, 20, 0, 0, 1, 0, 21, 0, "
                "'MAT', False)",
                params);
        }
        con.CommitTrans();
        ChangeStampsSuspended = false;
    }
    ~RepriceFirm() {
        main_->CloseFirmDatasets();
        main_.reset();
        SetDialogService(previous_);
    }

    // The wizard's run over the whole price list, adding 1 to every purchase price.
    int Reprice() {
        TfrmPreceneni wizard;
        wizard.ResetWizard(TRepriceKind::Scope);
        wizard.chckNastavit->setChecked(true);
        wizard.chckNakCena->setChecked(true);
        wizard.cbxAkceNakCena->setCurrentIndex(static_cast<int>(TRepriceAction::Add));
        wizard.curNakCena->SetValue(1);
        int ruleReads = 0;
        sqlite3_trace_v2(main_->ADOConAgenda.Handle(), SQLITE_TRACE_STMT, TraceRuleReads, &ruleReads);
        wizard.RepriceItems();
        sqlite3_trace_v2(main_->ADOConAgenda.Handle(), 0, nullptr, nullptr);
        return ruleReads;
    }
    // The same rows given the same value and flag in one statement.
    void BulkUpdate() {
        main_->ADOConAgenda.Execute("UPDATE Zasoby SET NakCena = NakCena + 1, Chyba = False, Znacka = Now()");
    }

private:
    QTemporaryDir dir_;
    TSilentDialogs dialogs_;
    IDialogService* previous_ = nullptr;
    std::unique_ptr<TfrmMain> main_;
};

std::unique_ptr<RepriceFirm> g_firm;
int g_ruleReads = 0;

void BM_Reprice(benchmark::State& state) {
    for (auto _ : state) g_ruleReads = g_firm->Reprice();
}

void BM_BulkUpdate(benchmark::State& state) {
    for (auto _ : state) g_firm->BulkUpdate();
}

BENCHMARK(BM_BulkUpdate)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_Reprice)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    g_firm = std::make_unique<RepriceFirm>();
    const int result = RunWithRatios(
        argc, argv, {{"reprice 50000 items / bulk update", "BM_Reprice", "BM_BulkUpdate", 20.0}});
    std::printf("price-group rule reads per run: %d\n", g_ruleReads);
    g_firm.reset();
    return result;
}
