#pragma once

#include <QString>

class QObject;
class TDataSet;
class TSheetReport;

// The window side's door to the template report engine. The engine and the control library each
// have their own colour type, so no window unit includes the engine: it reaches it only here.

// A report engine on a workbook adapter, both owned by owner.
TSheetReport* CreateSheetReport(QObject* owner);
// The object whose named datasets the templates read; null means the report's owner.
void SetSheetReportDataModule(TSheetReport& report, QObject* dataModule);
// Fills the template into a new file. Failures raise the engine's exceptions.
void GenerateSheetReport(TSheetReport& report, const QString& templateFile, const QString& outputFile);
// Names a dataset among the owner's children, as a template names it.
void NameReportDataSet(QObject* owner, const QString& name, TDataSet* dataSet);
