// Cost of scrolling the data grid by one row: a dataset of 100 000 records must scroll at the same
// cost per step as one of 100, which it can only do when a step moves the rows on screen and paints
// just the rows the move uncovers and the two current rows, never the whole window or the data.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QWidget>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "platform/data/DataSource.h"
#include "platform/data/MemTable.h"
#include "widgets/VnDBGrids.h"

namespace {

// A shown grid over a table of the given number of records, its cursor on the last visible row.
class ScrollFixture {
public:
    explicit ScrollFixture(int records) {
        table_.FieldDefs().Add("ID", ftInteger);
        table_.FieldDefs().Add("Nazev", ftString, 40);
        table_.FieldDefs().Add("Cena", ftFloat);
        table_.CreateTable();
        for (int i = 1; i <= records; ++i) {
            table_.Append();
            table_.FieldByName("ID")->SetAsInteger(i);
            table_.FieldByName("Nazev")->SetAsString(QStringLiteral("Položka %1").arg(i));
            table_.FieldByName("Cena")->SetAsFloat(i * 10.5);
            table_.Post();
        }
        table_.First();
        grid_ = new TVnDBGrid(&window_);
        grid_->setGeometry(0, 0, 500, 300);
        window_.resize(520, 320);
        window_.show();
        grid_->SetDataSource(&source_);
        QApplication::processEvents();
        table_.MoveBy(grid_->DataLink()->BufferCount() - 1);
        QApplication::processEvents();
    }
    ~ScrollFixture() { delete grid_; }

    // One row on, painted at once, as a held arrow key does: down along the bottom row, and at the
    // end of the data back up along the top row.
    void Step() {
        TGridDataLink* link = grid_->DataLink();
        if (direction_ > 0 && table_.RecNo() == table_.RecordCount()) {
            direction_ = -1;
            table_.MoveBy(-link->ActiveRecord());
        } else if (direction_ < 0 && table_.RecNo() == 1) {
            direction_ = 1;
            table_.MoveBy(link->BufferCount() - 1 - link->ActiveRecord());
        }
        table_.MoveBy(direction_);
        QApplication::processEvents();
    }

private:
    QWidget window_;
    TMemTable table_;
    TDataSource source_{&table_};
    TVnDBGrid* grid_ = nullptr;
    int direction_ = 1;
};

void ScrollSteps(benchmark::State& state, int records) {
    ScrollFixture fixture(records);
    for (auto _ : state) fixture.Step();
    state.SetItemsProcessed(state.iterations());
}

void BM_Scroll100(benchmark::State& state) { ScrollSteps(state, 100); }
void BM_Scroll100000(benchmark::State& state) { ScrollSteps(state, 100000); }

// The machine may be busy with other work: medians of several runs compare more fairly.
BENCHMARK(BM_Scroll100)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Scroll100000)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Prints the usual table, then the ratio the grid is held to.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median")
                times_[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto many = times_.find("BM_Scroll100000");
        const auto few = times_.find("BM_Scroll100");
        if (many != times_.end() && few != times_.end() && few->second > 0)
            std::printf("grid scroll step, 100000 / 100 rows: %.2f (limit 1.50)\n",
                        many->second / few->second);
    }

private:
    std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
