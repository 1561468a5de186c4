// Cost of opening the offer list on a firm with 10 000 offers:
// - building the list's query, sorting it by number, finding the remembered offer and painting the
//   shown grid, against a plain "SELECT * FROM Nabidky" through the same data layer: within 1.5 times,
//   which the list can only reach when it reads the rows once and draws only the rows on screen;
// - moving to the last offer and painting, on 10 000 offers against 100: within 1.5 times, which
//   needs the grid to read only the visible rows.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

#include "Ratio.h"
#include "core/DataFolder.h"
#include "core/DbTemplates.h"
#include "core/Main.h"
#include "offers/Nabidky.h"
#include "platform/data/Field.h"
#include "platform/db/ADOConnection.h"
#include "platform/db/ADOQuery.h"
#include "platform/text/OleDate.h"
#include "widgets/VnDBGrids.h"

namespace {

constexpr int kManyOffers = 10000;
constexpr int kFewOffers = 100;

const char* const kFirms[] = {"Stavby Horák s.r.o.",     "Elektro Novák a syn", "Pekárna U Lípy",
                              "Kovovýroba Hrubý s.r.o.", "Truhlářství Dvořák",  "Autoservis Beneš"};

// A firm database with the given number of offers, open on the main window's firm connection.
class OfferFirm {
public:
    explicit OfferFirm(int offers) {
        path_ = dir_.path() + "/BENCH.MDB";
        BuildEmptyFirmTemplate(path_);
        main_ = std::make_unique<TfrmMain>();
        TADOConnection& con = main_->ADOConAgenda;
        con.Open(path_);
        con.BeginTrans();
        TParameters params;
        for (const char* name : {"Doklad", "AdrNazev", "Popis", "IDStav", "DatVystaveni", "DatPlatnosti",
                                 "Celkem", "CelkemBDPH", "Zisk"})
            params.AddParameter(QString::fromLatin1(name));
        for (int i = 0; i < offers; ++i) {
            params.ParamByName("Doklad")->Value = QStringLiteral("NB%1").arg(offers - i, 5, 10, QChar(u'0'));
            params.ParamByName("AdrNazev")->Value = QString::fromUtf8(kFirms[i % std::size(kFirms)]);
            params.ParamByName("Popis")->Value = QStringLiteral("Nabídka materiálu č. %1").arg(i);
            params.ParamByName("IDStav")->Value = i % 7;
            params.ParamByName("DatVystaveni")->Value = DateTimeToOle(QDate(2026, 1, 1).addDays(i % 340));
            params.ParamByName("DatPlatnosti")->Value = DateTimeToOle(QDate(2026, 1, 15).addDays(i % 340));
            params.ParamByName("Celkem")->Value = 1210.0 + i;
            params.ParamByName("CelkemBDPH")->Value = 1000.0 + i;
            params.ParamByName("Zisk")->Value = 150.0 + i % 100;
            con.Execute(
                "INSERT INTO Nabidky (Doklad, AdrNazev, Popis, IDStav, DatVystaveni, DatPlatnosti, Celkem, "
                "CelkemBDPH, Zisk, Archivovano, Zamek, FlagID) VALUES (:Doklad, :AdrNazev, :Popis, :IDStav, "
                ":DatVystaveni, :DatPlatnosti, :Celkem, :CelkemBDPH, :Zisk, False, False, 0)",
                params);
        }
        con.CommitTrans();
        window_ = TfrmNabidky::Instance();
        window_->resize(900, 560);
    }
    ~OfferFirm() {
        main_->CloseFirmDatasets();
        main_->ADOConAgenda.Close();
    }

    TfrmNabidky& Window() { return *window_; }
    TfrmMain& Main() { return *main_; }

private:
    QTemporaryDir dir_;
    QString path_;
    std::unique_ptr<TfrmMain> main_;
    TfrmNabidky* window_ = nullptr;
};

void BM_PlainSelect(benchmark::State& state) {
    OfferFirm firm(kManyOffers);
    TADOQuery& query = firm.Main().adqAgendaFree1;
    query.SetSQL("SELECT * FROM Nabidky");
    for (auto _ : state) {
        query.Close();
        query.Open();
        benchmark::DoNotOptimize(query.RecordCount());
    }
    query.Close();
}

void BM_OpenOfferList(benchmark::State& state) {
    OfferFirm firm(kManyOffers);
    TfrmNabidky& window = firm.Window();
    window.show();
    for (auto _ : state) {
        PrepareOfferList(window, 0, false);
        window.grNabidky->repaint();
        benchmark::DoNotOptimize(window.List().RecordCount());
    }
    window.hide();
}

void ScrollToEnd(benchmark::State& state, int offers) {
    OfferFirm firm(offers);
    TfrmNabidky& window = firm.Window();
    window.show();
    PrepareOfferList(window, 0, false);
    QApplication::processEvents();
    for (auto _ : state) {
        window.List().Last();
        window.grNabidky->repaint();
        window.List().First();
        window.grNabidky->repaint();
    }
    window.hide();
}

void BM_ScrollEndFew(benchmark::State& state) { ScrollToEnd(state, kFewOffers); }
void BM_ScrollEndMany(benchmark::State& state) { ScrollToEnd(state, kManyOffers); }

BENCHMARK(BM_PlainSelect)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_OpenOfferList)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ScrollEndFew)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ScrollEndMany)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return RunWithRatios(
        argc, argv,
        {{"offer list opening, list / plain select", "BM_OpenOfferList", "BM_PlainSelect", 1.5},
         {"offer list scroll to end, 10000 / 100 offers", "BM_ScrollEndMany", "BM_ScrollEndFew", 1.5}});
}
