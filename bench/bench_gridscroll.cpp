// Cost of scrolling the data grid by one row: a dataset of 100 000 records must scroll at the same
// cost per step as one of 100, which it can only do when a step moves the rows on screen and paints
// just the rows the move uncovers and the two current rows, never the whole window or the data.
// And a page down or up, painted, over 100 000 records: held to the time Qt's own table view takes
// for the same key over a plain model of the same rows.

#include <benchmark/benchmark.h>

#include <QAbstractTableModel>
#include <QApplication>
#include <QKeyEvent>
#include <QTableView>
#include <QWidget>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Ratio.h"
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
    TMemTable& Table() { return table_; }
    TVnDBGrid* Grid() { return grid_; }

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

constexpr int kPageRecords = 100000;

// One page key, handled and painted; at either end of the data the direction turns.
void PressPage(QWidget* target, bool down) {
    QKeyEvent press(QEvent::KeyPress, down ? Qt::Key_PageDown : Qt::Key_PageUp, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QApplication::processEvents();
}

void BM_GridPage(benchmark::State& state) {
    ScrollFixture fixture(kPageRecords);
    TMemTable& table = fixture.Table();
    bool down = true;
    for (auto _ : state) {
        if (down && table.RecNo() == table.RecordCount()) down = false;
        if (!down && table.RecNo() == 1) down = true;
        const int before = table.RecNo();
        PressPage(fixture.Grid(), down);
        if (table.RecNo() == before) state.SkipWithError("the grid did not page");
    }
}

// The same rows as the grid's table, as the plainest model shows them.
class TRowsModel : public QAbstractTableModel {
public:
    explicit TRowsModel(int rows) {
        for (int i = 1; i <= rows; ++i) rows_.push_back({i, QStringLiteral("Položka %1").arg(i), i * 10.5});
    }
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(rows_.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 3; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole) return {};
        const TRow& r = rows_[size_t(index.row())];
        switch (index.column()) {
            case 0:
                return r.id;
            case 1:
                return r.name;
            default:
                return r.price;
        }
    }

private:
    struct TRow {
        int id;
        QString name;
        double price;
    };
    std::vector<TRow> rows_;
};

void BM_TableViewPage(benchmark::State& state) {
    QWidget window;
    TRowsModel model(kPageRecords);
    auto* view = new QTableView(&window);
    view->setModel(&model);
    view->setGeometry(0, 0, 500, 300);
    window.resize(520, 320);
    window.show();
    view->setCurrentIndex(model.index(0, 0));
    view->setFocus();
    QApplication::processEvents();
    bool down = true;
    for (auto _ : state) {
        const int row = view->currentIndex().row();
        if (down && row == kPageRecords - 1) down = false;
        if (!down && row == 0) down = true;
        PressPage(view, down);
        if (view->currentIndex().row() == row) state.SkipWithError("the view did not page");
    }
}

// The machine may be busy with other work: medians of several runs compare more fairly.
BENCHMARK(BM_Scroll100)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Scroll100000)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
// Of the page runs the fastest counts: the least disturbed by other work.
BENCHMARK(BM_GridPage)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ComputeStatistics("min", RatioMinimum)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_TableViewPage)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ComputeStatistics("min", RatioMinimum)
    ->ReportAggregatesOnly(true);

// Prints the usual table, then the ratio the grid is held to.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.aggregate_name == "min")
                minimum_[run.run_name.function_name] = run.GetAdjustedCPUTime();
            else if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median")
                times_[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto many = times_.find("BM_Scroll100000");
        const auto few = times_.find("BM_Scroll100");
        if (many != times_.end() && few != times_.end() && few->second > 0)
            std::printf("grid scroll step, 100000 / 100 rows: %.2f (limit 1.50)\n",
                        many->second / few->second);
        const auto grid = minimum_.find("BM_GridPage");
        const auto view = minimum_.find("BM_TableViewPage");
        if (grid != minimum_.end() && view != minimum_.end() && view->second > 0)
            std::printf("grid_page_vs_qtableview: %.2f (limit 1.00)\n", grid->second / view->second);
    }

private:
    std::map<std::string, double> times_;
    std::map<std::string, double> minimum_;  // processor time of the fastest run
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
