// Loading large workbooks written at bench time by python3-xlwt: one of plain numbers and strings
// (780 000 numbers, 65 000 strings), one of as many bytes of mixed cells (integers, fractions, booleans,
// dates, formulas with their results, formatted blanks, repeated and unique strings). Our load (compound
// file, records, string table, cell table) is held to 0.2 of the time python3-xlrd takes to open the same
// file, measured in the same run, and to no more than xlrd's peak memory.

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <cstdio>
#include <map>
#include <string>

#include "Ratio.h"
#include "XLSAdapter/UExcelRecords.h"
#include "XLSAdapter/XlsBaseTemplateStore.h"

namespace {

constexpr int kRows = 65000;
constexpr int kNumberColumns = 12;  // 65 000 × 12 = 780 000 numbers
constexpr int kMixedRows = 36000;   // about the same 10 MB as the plain one

const char* const kMakePlain =
    "import sys, xlwt\n"
    "wb = xlwt.Workbook()\n"
    "ws = wb.add_sheet('Data')\n"
    "for r in range(%1):\n"
    "    row = ws.row(r)\n"
    "    row.write(0, 'polozka cislo %d' % r)\n"
    "    for c in range(1, %2 + 1): row.write(c, r * 0.25 + c)\n"
    "    if r % 1000 == 0: ws.flush_row_data()\n"
    "wb.save(sys.argv[1])\n";

const char* const kMakeMixed =
    "import sys, datetime, xlwt\n"
    "wb = xlwt.Workbook()\n"
    "ws = wb.add_sheet('Data')\n"
    "date = xlwt.easyxf(num_format_str='D.M.YYYY')\n"
    "money = xlwt.easyxf('font: bold on', num_format_str='#,##0.00')\n"
    "units = ['ks', 'm', 'kg', 'bal', 'sada']\n"
    "for r in range(%1):\n"
    "    row = ws.row(r)\n"
    "    row.write(0, 'K%06d' % r)\n"
    "    row.write(1, 'Kabel CYKY 3x1,5 polozka %d' % r)\n"
    "    row.write(2, units[r % 5])\n"
    "    row.write(3, r)\n"
    "    row.write(4, r * 1.37 + 0.001, money)\n"
    "    row.write(5, r % 3 == 0)\n"
    "    row.write(6, datetime.date(2024, 1, 1) + datetime.timedelta(days=r % 700), date)\n"
    "    row.write(7, xlwt.Formula('D%d*E%d' % (r + 1, r + 1)))\n"
    "    row.write(8, None, money)\n"
    "    for c in range(9, 9 + %2): row.write(c, (r * 7 + c) % 1000 / 8.0)\n"
    "    if r % 1000 == 0: ws.flush_row_data()\n"
    "wb.save(sys.argv[1])\n";

// Times the open three times and reports the fastest and the memory the open added.
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
    "print(min(times), peak)\n";

QString Python() { return QFile::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3"; }

long MaxRssKiB() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

void LoadOnce(const QString& path) {
    TXlsStorageList storages;
    storages.LoadFromFile(path);
    TWorkbook wb;
    wb.LoadFromData(storages.FindStream("Workbook"));
    benchmark::DoNotOptimize(wb.Sheets.Count());
}

struct TWorkbookFile {
    const char* name;
    const char* script;
    int rows;
    int extraColumns;
    QString path;
    double minimum = 0;  // seconds, fastest of our runs
};

class MinimumReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> Seconds;
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.aggregate_name == "min")
                Seconds[run.run_name.function_name] = run.GetAdjustedRealTime() / 1000.0;
    }
};

// The memory a load adds is measured in a process of its own, so that neither file's figure
// includes what the other one (or the benchmark runs) made the process grow by.
long OwnPeakKiB(const QString& path) {
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {"--peak-of", path});
    if (!child.waitForFinished(-1) || child.exitCode() != 0) return 0;
    return child.readAllStandardOutput().trimmed().toLong();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--peak-of") {
        const long before = MaxRssKiB();
        LoadOnce(QString::fromLocal8Bit(argv[2]));
        std::printf("%ld\n", MaxRssKiB() - before);
        return 0;
    }
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    QTemporaryDir dir;
    TWorkbookFile files[] = {{"plain", kMakePlain, kRows, kNumberColumns, {}},
                             {"mixed", kMakeMixed, kMixedRows, 4, {}}};
    for (TWorkbookFile& f : files) {
        f.path = dir.filePath(QStringLiteral("%1.xls").arg(QLatin1String(f.name)));
        QProcess make;
        make.start(Python(), {"-c", QString::fromLatin1(f.script).arg(f.rows).arg(f.extraColumns), f.path});
        if (!make.waitForFinished(-1) || make.exitCode() != 0) {
            std::printf("python3-xlwt could not write the workbook: %s\n",
                        make.readAllStandardError().constData());
            return 1;
        }
        const QString path = f.path;
        benchmark::RegisterBenchmark((std::string("BM_LoadWorkbook_") + f.name).c_str(),
                                     [path](benchmark::State& state) {
                                         for (auto _ : state) LoadOnce(path);
                                     })
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(5)
            ->ComputeStatistics("min", RatioMinimum)
            ->ReportAggregatesOnly(true);
    }

    MinimumReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    for (const TWorkbookFile& f : files) {
        const double ours = reporter.Seconds[std::string("BM_LoadWorkbook_") + f.name];
        const long ourPeak = OwnPeakKiB(f.path);
        QProcess xlrd;
        xlrd.start(Python(), {"-c", kXlrdLoad, f.path});
        if (!xlrd.waitForFinished(-1) || xlrd.exitCode() != 0) {
            std::printf("python3-xlrd is not installed; no ratio measured (our %s load: %.3f s, %ld KiB)\n",
                        f.name, ours, ourPeak);
            continue;
        }
        // xlrd may print warnings of its own first; the figures are the last line.
        const QStringList out = QString::fromUtf8(xlrd.readAllStandardOutput())
                                    .trimmed()
                                    .split(QLatin1Char('\n'))
                                    .last()
                                    .split(QLatin1Char(' '));
        const double xlrdTime = out.value(0).toDouble();
        const double xlrdPeak = out.value(1).toDouble();
        std::printf("%s, %.1f MB: xlrd %.3f s, %.0f KiB; ours %.3f s, %ld KiB\n", f.name,
                    QFileInfo(f.path).size() / 1e6, xlrdTime, xlrdPeak, ours, ourPeak);
        if (xlrdTime > 0)
            std::printf("xls_load_%s_time_vs_xlrd: %.2f (limit 0.20)\n", f.name, ours / xlrdTime);
        if (xlrdPeak > 0)
            std::printf("xls_load_%s_peak_memory_vs_xlrd: %.2f (limit 1.00)\n", f.name, ourPeak / xlrdPeak);
    }
    return 0;
}
