// Loading a large workbook: 780 000 numbers and 65 000 strings written at bench time by
// python3-xlwt. Our load (compound file, records, string table, cell table) is held to 0.3 of
// the time python3-xlrd takes to open the same file, measured in the same run, and to no more
// than xlrd's peak memory.

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <cstdio>
#include <map>
#include <string>

#include "XLSAdapter/UExcelRecords.h"
#include "XLSAdapter/XlsBaseTemplateStore.h"

namespace {

constexpr int kRows = 65000;
constexpr int kNumberColumns = 12;  // 65 000 × 12 = 780 000 numbers

const char* const kMakeWorkbook =
    "import sys, xlwt\n"
    "wb = xlwt.Workbook()\n"
    "ws = wb.add_sheet('Data')\n"
    "for r in range(%1):\n"
    "    row = ws.row(r)\n"
    "    row.write(0, 'polozka cislo %d' % r)\n"
    "    for c in range(1, %2 + 1): row.write(c, r * 0.25 + c)\n"
    "    if r % 1000 == 0: ws.flush_row_data()\n"
    "wb.save(sys.argv[1])\n";

// Times the open three times and reports the median and the memory the open added.
// Peaks are read from VmHWM: the rusage maximum survives exec, so a child started by a large
// process would report its parent's peak.
const char* const kXlrdLoad =
    "import sys, time, gc, xlrd\n"
    "def hwm():\n"
    "    return int([l for l in open('/proc/self/status') if l.startswith('VmHWM')][0].split()[1])\n"
    "before = hwm()\n"
    "times = []\n"
    "for i in range(3):\n"
    "    t = time.perf_counter(); b = xlrd.open_workbook(sys.argv[1]); times.append(time.perf_counter() - "
    "t)\n"
    "    if i == 0: peak = hwm() - before\n"
    "    del b; gc.collect()\n"
    "print(sorted(times)[1], peak)\n";

QString Python() { return QFile::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3"; }

QString g_path;

long MaxRssKiB() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

void LoadOnce() {
    TXlsStorageList storages;
    storages.LoadFromFile(g_path);
    TWorkbook wb;
    wb.LoadFromData(storages.FindStream("Workbook"));
    benchmark::DoNotOptimize(wb.Sheets.Count());
}

void BM_LoadWorkbook(benchmark::State& state) {
    for (auto _ : state) LoadOnce();
}

BENCHMARK(BM_LoadWorkbook)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    double Time = 0;
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.aggregate_name == "median") Time = run.GetAdjustedRealTime() / 1000.0;
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    QTemporaryDir dir;
    g_path = dir.filePath("big.xls");
    QProcess make;
    make.start(Python(), {"-c", QString::fromLatin1(kMakeWorkbook).arg(kRows).arg(kNumberColumns), g_path});
    if (!make.waitForFinished(-1) || make.exitCode() != 0) {
        std::printf("python3-xlwt could not write the workbook: %s\n",
                    make.readAllStandardError().constData());
        return 1;
    }
    // Our peak first, before anything else has grown the process.
    long before = MaxRssKiB();
    LoadOnce();
    long ourPeak = MaxRssKiB() - before;

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    QProcess xlrd;
    xlrd.start(Python(), {"-c", kXlrdLoad, g_path});
    if (!xlrd.waitForFinished(-1) || xlrd.exitCode() != 0) {
        std::printf("python3-xlrd is not installed; no ratio measured (our load: %.3f s, %ld KiB)\n",
                    reporter.Time, ourPeak);
        return 0;
    }
    // xlrd may print warnings of its own first; the figures are the last line.
    QStringList out = QString::fromUtf8(xlrd.readAllStandardOutput())
                          .trimmed()
                          .split(QLatin1Char('\n'))
                          .last()
                          .split(QLatin1Char(' '));
    double xlrdTime = out.value(0).toDouble();
    double xlrdPeak = out.value(1).toDouble();
    std::printf("xlrd: %.3f s, %.0f KiB; ours: %.3f s, %ld KiB\n", xlrdTime, xlrdPeak, reporter.Time,
                ourPeak);
    if (xlrdTime > 0) std::printf("xls load time / xlrd: %.2f (limit 0.30)\n", reporter.Time / xlrdTime);
    if (xlrdPeak > 0) std::printf("xls load peak memory / xlrd: %.2f (limit 1.00)\n", ourPeak / xlrdPeak);
    return 0;
}
