// Filling a report template with 10 000 records of a 10-column table and saving it. Held to half
// the time python3-xlwt takes to write the same cells into a workbook and save it, measured in the
// same run inside the interpreter (its start-up and imports are not counted); of several runs of
// either the fastest counts. Without python3-xlwt only our own time is printed.

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

#include "XLSAdapter/UExcelRecords.h"
#include "XLSAdapter/USheetReport.h"
#include "XLSAdapter/UXlsFormula.h"
#include "XLSAdapter/WOLE2Stream.h"
#include "XLSAdapter/XLSAdapter.h"
#include "XLSAdapter/XlsBaseTemplateStore.h"
#include "platform/data/MemTable.h"

namespace {

constexpr int kRows = 10000;
constexpr int kColumns = 10;
constexpr int kRuns = 5;

// Writes the rows Value() makes and prints the fastest of the runs, in seconds.
const char* const kXlwtWrite =
    "import sys, time, xlwt\n"
    "rows, columns, runs, out = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]\n"
    "times = []\n"
    "for run in range(runs):\n"
    "    t = time.perf_counter()\n"
    "    wb = xlwt.Workbook()\n"
    "    ws = wb.add_sheet('Data')\n"
    "    for r in range(rows):\n"
    "        row = ws.row(r)\n"
    "        for c in range(columns):\n"
    "            row.write(c, r * 1.25 + c if c % 2 == 0 else 'polozka %d sloupec %d' % (r, c))\n"
    "    wb.save(out)\n"
    "    times.append(time.perf_counter() - t)\n"
    "print(min(times))\n";

QString Python() { return QFile::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3"; }

QByteArray Word(quint16 w) { return QByteArray(1, char(w & 0xFF)) + QByteArray(1, char(w >> 8)); }

std::unique_ptr<TBaseRecord> Record(quint16 id, const QByteArray& payload) {
    QByteArray bytes = Word(id) + Word(quint16(payload.size())) + payload;
    QBuffer in;
    in.setData(bytes);
    in.open(QIODevice::ReadOnly);
    char header[4];
    in.read(header, 4);
    return LoadRecord(in, header);
}

// One row of field cells written by python3-xlwt, then the band name over it added here.
bool MakeTemplate(const QString& path) {
    QString raw = path + ".raw";
    QString script =
        "import sys, xlwt\n"
        "wb = xlwt.Workbook()\n"
        "ws = wb.add_sheet('Data')\n"
        "for c in range(%1): ws.write(0, c, '##mtData##F%d' % c)\n"
        "wb.save(sys.argv[1])\n";
    QProcess make;
    make.start(Python(), {"-c", script.arg(kColumns), raw});
    if (!make.waitForFinished(-1) || make.exitCode() != 0) return false;
    TXlsStorageList storages;
    storages.LoadFromFile(raw);
    TWorkbook wb;
    wb.LoadFromData(storages.FindStream("Workbook"));
    TReferences& refs = wb.Globals.References;
    if (refs.LocalSupBook < 0) refs.AddSupBook(Record(0x01AE, Word(1) + Word(0x0401)));
    QByteArray name = "__mtData__";
    QByteArray area = QByteArray(1, char(0x3B)) + Word(quint16(refs.SetSheet(0))) + Word(0) + Word(0) +
                      Word(0) + Word(kColumns - 1);
    wb.Globals.Names.Add(Record(0x0018, Word(0) + Word(quint16(name.size() << 8)) +
                                            Word(quint16(area.size())) + Word(0) + Word(0) + Word(0) +
                                            Word(0) + QByteArray(1, '\0') + name + area));
    TOle2Storage storage(path, nullptr, TOle2Storage::Create);
    {
        TOle2Stream stream(storage, "Workbook");
        wb.SaveToStream(stream);
    }
    storage.Commit();
    return true;
}

// Numbers in even columns, texts in odd ones, as a price list has.
QVariant Value(int row, int column) {
    if (column % 2 == 0) return row * 1.25 + column;
    return QString("polozka %1 sloupec %2").arg(row).arg(column);
}

class TData : public QObject {
public:
    TMemTable mtData;
    TData() {
        for (int c = 0; c < kColumns; ++c)
            mtData.FieldDefs().Add(QString("F%1").arg(c), c % 2 == 0 ? ftFloat : ftString, 60);
        mtData.CreateTable();
        for (int r = 0; r < kRows; ++r) {
            mtData.Append();
            for (int c = 0; c < kColumns; ++c) mtData.Fields()[c]->SetValue(Value(r, c));
            mtData.Post();
        }
        new TDataSetComponent(this, "mtData", &mtData);
    }
};

double Minimum(const std::vector<double>& times) { return *std::min_element(times.begin(), times.end()); }

}  // namespace

int main() {
    QTemporaryDir dir;
    QString templ = dir.filePath("sablona.xls");
    if (!MakeTemplate(templ)) {
        std::printf("python3-xlwt could not write the template\n");
        return 1;
    }
    TData data;
    TXLSAdapter adapter;
    std::vector<double> ours;
    for (int run = 0; run < kRuns; ++run) {
        TSheetReport report(&data);
        report.Adapter = &adapter;
        report.Template = templ;
        report.FileName = dir.filePath(QString("out%1.xls").arg(run));
        QElapsedTimer t;
        t.start();
        report.GenerateReport();
        ours.push_back(t.nsecsElapsed() / 1e9);
    }
    double ourTime = Minimum(ours);
    std::printf("report fill and save of %d x %d: %.3f s\n", kRows, kColumns, ourTime);

    QProcess xlwt;
    xlwt.start(Python(), {"-c", kXlwtWrite, QString::number(kRows), QString::number(kColumns),
                          QString::number(kRuns), dir.filePath("xlwt.xls")});
    if (!xlwt.waitForFinished(-1) || xlwt.exitCode() != 0) {
        std::printf("python3-xlwt is not installed; no ratio measured\n");
        return 0;
    }
    const double xlwtTime =
        QString::fromUtf8(xlwt.readAllStandardOutput()).trimmed().split('\n').last().toDouble();
    std::printf("python3-xlwt writing the same cells: %.3f s\n", xlwtTime);
    if (xlwtTime > 0) std::printf("xls_report_fill_vs_xlwt: %.2f (limit 0.50)\n", ourTime / xlwtTime);
    return 0;
}
