// Cost of opening the price-list window on a sheet of 50 000 items and going to its last item,
// against a plain query of the same rows read through the data layer to their end: within twice,
// which the window can only reach when it loads the sheet once per opening, sorts it once, and its
// grid reads only the rows on screen.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <memory>

#include "Ratio.h"
#include "core/DataFolder.h"
#include "core/DbTemplates.h"
#include "core/Locks.h"
#include "core/Main.h"
#include "core/UserSettings.h"
#include "platform/data/Field.h"
#include "platform/db/ADOConnection.h"
#include "platform/db/ADOQuery.h"
#include "platform/db/Parameters.h"
#include "pricelist/Zasoby.h"
#include "widgets/VnDBGrids.h"

namespace {

constexpr int kItems = 50000;

// A firm with one sheet of kItems items in its basic group, opened in a main window.
class PriceListFirm {
public:
    PriceListFirm() {
        const QString folder = dir_.path() + "/";
        DataFolder = folder;
        LockFolder = folder + "LOCK/";
        QDir().mkpath(LockFolder);
        CurrentFirm = "FIRMA";
        BuildEmptyFirmTemplate(folder + "FIRMA.MDB");
        main_ = std::make_unique<TfrmMain>();
        TADOConnection& con = main_->ADOConAgenda;
        con.Open(folder + "FIRMA.MDB");
        con.BeginTrans();
        con.Execute("INSERT INTO Sklady (Nazev, Poradi) VALUES ('List', 1)");
        con.Execute("INSERT INTO Skupiny (Sklad, Nazev, Zakladni) VALUES (1, '# Nezařazeno #', True)");
        TParameters params;
        params.AddParameter("Popis");
        params.AddParameter("Katalog");
        params.AddParameter("Cena");
        for (int i = 0; i < kItems; ++i) {
            params.ParamByName("Popis")->Value =
                QStringLiteral("Kabel CYKY 3x%1 – položka č. %2").arg(i % 7 + 1).arg(i);
            params.ParamByName("Katalog")->Value = QStringLiteral("KAT-%1").arg(i, 8, 10, QChar(u'0'));
            params.ParamByName("Cena")->Value = i * 0.5 + 0.25;
            con.Execute(
                "INSERT INTO Zasoby (Sklad, Skupina, Popis, Katalog, PrCenaBDPH, PrCenaSDPH, NakCena, Chyba, "
                "Identif, Dostupnost) VALUES (1, 1, :Popis, :Katalog, :Cena, :Cena, :Cena, False, '', 'S')",
                params);
        }
        con.CommitTrans();
        CurrentSheetId = 1;
        PriceListGroupsShown = false;
        window_ = TfrmZasoby::Instance();
        window_->resize(900, 600);
    }
    ~PriceListFirm() {
        main_->CloseFirmDatasets();
        main_.reset();
    }

    // An opening of the window, shown, standing on the last item.
    void OpenWindow() {
        window_->OpenPriceList(TPriceListMode::Browse);
        window_->show();
        main_->adqZasoby.Last();
        QApplication::processEvents();
        window_->hide();
    }
    // The same rows through a plain query, read to the last one.
    void PlainSelect() {
        TADOQuery& query = main_->adqAgendaFree1;
        query.Close();
        query.SetSQL("SELECT * FROM Zasoby WHERE Sklad=1");
        query.Open();
        query.Last();
        benchmark::DoNotOptimize(query.FieldByName("Popis")->AsString());
        query.Close();
    }

private:
    QTemporaryDir dir_;
    std::unique_ptr<TfrmMain> main_;
    TfrmZasoby* window_ = nullptr;
};

// Made in main, inside the application's lifetime: the window and its grids need one.
std::unique_ptr<PriceListFirm> g_firm;

PriceListFirm& Firm() { return *g_firm; }

void BM_PriceListOpen(benchmark::State& state) {
    for (auto _ : state) Firm().OpenWindow();
}

void BM_PlainSelect(benchmark::State& state) {
    for (auto _ : state) Firm().PlainSelect();
}

BENCHMARK(BM_PlainSelect)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_PriceListOpen)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    g_firm = std::make_unique<PriceListFirm>();
    const int result =
        RunWithRatios(argc, argv, {{"pricelist open / select", "BM_PriceListOpen", "BM_PlainSelect", 2.0}});
    g_firm.reset();
    return result;
}
