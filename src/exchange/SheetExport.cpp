#include "exchange/SheetExport.h"

#include "XLSAdapter/USheetReport.h"
#include "XLSAdapter/XLSAdapter.h"

TSheetReport* CreateSheetReport(QObject* owner) {
    auto* adapter = new TXLSAdapter(owner);
    adapter->setObjectName("XLSAdapter1");
    auto* report = new TSheetReport(owner);
    report->setObjectName("FCReport");
    report->Adapter = adapter;
    return report;
}

void SetSheetReportDataModule(TSheetReport& report, QObject* dataModule) { report.SetDataModule(dataModule); }

void GenerateSheetReport(TSheetReport& report, const QString& templateFile, const QString& outputFile) {
    report.Template = templateFile;
    report.FileName = outputFile;
    report.GenerateReport();
}

void NameReportDataSet(QObject* owner, const QString& name, TDataSet* dataSet) {
    new TDataSetComponent(owner, name, dataSet);
}
