// A filter of many OR'd conditions, as the item filter builds one per identifier: reading it,
// binding it to the table and showing the records it lets through. 100 000 conditions against
// 10 000 may cost at most twelve times the time: each condition has to be read once.

#include <benchmark/benchmark.h>

#include <QString>
#include <QStringList>
#include <memory>

#include "Ratio.h"
#include "platform/data/Field.h"
#include "platform/data/MemTable.h"

namespace {

constexpr int kRows = 1000;

QString OrFilter(int terms) {
    QStringList ors;
    ors.reserve(terms);
    // Numbers and texts both, as the windows write them; only the last one matches anything.
    for (int i = 0; i < terms; ++i)
        ors << (i % 2 ? QStringLiteral("ID = %1").arg(kRows + i) : QStringLiteral("Kod = 'X%1'").arg(i));
    ors << QStringLiteral("ID = 7");
    return ors.join(QStringLiteral(" OR "));
}

std::unique_ptr<TMemTable> Table() {
    auto t = std::make_unique<TMemTable>();
    t->FieldDefs().Add("ID", ftInteger);
    t->FieldDefs().Add("Kod", ftString, 20);
    t->CreateTable();
    for (int i = 1; i <= kRows; ++i) {
        t->Append();
        t->FieldByName("ID")->SetValue(i);
        t->FieldByName("Kod")->SetValue(QStringLiteral("K%1").arg(i));
        t->Post();
    }
    return t;
}

void BM_FilterOrTerms(benchmark::State& state) {
    const QString filter = OrFilter(static_cast<int>(state.range(0)));
    auto t = Table();
    for (auto _ : state) {
        t->SetFiltered(false);
        t->SetFilter(filter);
        t->SetFiltered(true);
        if (t->RecordCount() != 1) state.SkipWithError("wrong records");
    }
}

BENCHMARK(BM_FilterOrTerms)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(5)
    ->ComputeStatistics("min", RatioMinimum)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_FilterOrTerms)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ComputeStatistics("min", RatioMinimum)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    return RunWithRatios(
        argc, argv,
        {{"filter_or_terms_100k_vs_10k", "BM_FilterOrTerms/100000", "BM_FilterOrTerms/10000", 12.0}});
}
