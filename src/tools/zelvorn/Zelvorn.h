#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "Layout.h"
#include "ReportData.h"

class QLabel;
class QPlainTextEdit;
class QScrollArea;
class QSpinBox;
class QVBoxLayout;

// The report program: started by the main program with the paths of a system data file (what to
// do) and a report data file (the data), each between its two markers. It does the one job and
// ends its process.

// What the system data file asks for.
struct TReportJob {
    QString OperationType;  // PRINT, PREVIEW, EDIT or PDFEXPORT
    QString ReportFileName;
    QString PrinterName;
    int PageRangeFrom = 1;
    int PageRangeTo = 9999;
    int PageCopies = 1;
    QString ExportFileName;
    // The report's name as the user knows it from the print dialog; empty from an older program.
    QString ReportName;
};

// The two paths of the command line; the arguments may arrive split at blanks inside a path, so
// they are joined again and the markers decide.
bool ParseCommandLine(const QStringList& arguments, QString& systemData, QString& reportData);
// Reads the one row of the system data file's Info table.
bool ReadJob(const QString& systemData, TReportJob& job, QString& error);

// The name a PDF of the report is proposed under: the number of the one document it shows, else
// the report's name, else its layout's; made fit for a file name.
QString PdfFileName(const TReportData& data, const TReportJob& job);
// Where "Uložit jako PDF" starts: the folder last saved to, else the user's documents.
QString PdfStartFolder();
// Remembers the folder a PDF was saved to, for the next preview.
void RememberPdfFolder(const QString& folder);
// The save dialog of "Uložit jako PDF": gets the proposed path, answers the chosen one or empty.
// Tests replace it.
extern std::function<QString(QWidget* parent, const QString& proposed)> PdfSaveDialog;

// The report shown page by page, with printing and PDF export from the window.
class TPreviewWindow : public QMainWindow {
    Q_OBJECT
public:
    TPreviewWindow(const TLayout& layout, const TReportData& data, const TReportJob& job);
    // Lays the report out again and shows it.
    void Refresh();
    int PageCount() const { return static_cast<int>(pages_.size()); }
    QVBoxLayout* PagesLayout() const { return pagesLayout_; }
    // "Uložit jako PDF".
    void ExportPdf();

private:
    void Print();

    TLayout layout_;
    const TReportData& data_;
    TReportJob job_;
    std::vector<TPage> pages_;
    QScrollArea* scroll_ = nullptr;
    QWidget* pagesHost_ = nullptr;
    QVBoxLayout* pagesLayout_ = nullptr;
    QLabel* status_ = nullptr;
};

// The layout's text beside a live preview of its first page; Save writes the text back.
class TEditorWindow : public QMainWindow {
    Q_OBJECT
public:
    TEditorWindow(const QString& layoutPath, const TReportData& data);
    QPlainTextEdit* Editor() const { return editor_; }
    QLabel* Status() const { return status_; }
    QLabel* Preview() const { return preview_; }
    // True when the text was written.
    bool Save();
    void UpdatePreview();

private:
    QString path_;
    const TReportData& data_;
    QPlainTextEdit* editor_ = nullptr;
    QLabel* preview_ = nullptr;
    QLabel* status_ = nullptr;
};

// Prints on the named printer (the default one when empty). False with the reason in error.
bool PrintReport(const TLayout& layout, const std::vector<TPage>& pages, const TReportJob& job,
                 QString& error);

// How the process ends; the main program acts on it.
inline constexpr int kReportExitDone = 0;
// The job was not taken over: its files could not be read or it names no known operation. Nothing
// was shown; the reason is on the standard error.
inline constexpr int kReportExitNotTaken = 1;
// The job failed and the user has been shown why.
inline constexpr int kReportExitFailed = 2;

// The whole run; one of the exit codes above.
int RunReportProgram(const QStringList& arguments);

inline constexpr const char* kUsageText =
    "Použití: zelvorn ?SYSTEMDATA=<soubor>?SYSTEMDATA ?REPORTDATA=<soubor>?REPORTDATA";
inline constexpr const char* kUnknownOperationText = "Neznámá tisková operace \"%1\".";
inline constexpr const char* kNoPrinterText = "V systému není nastavena žádná tiskárna.";
inline constexpr const char* kPrinterMissingText = "Tiskárna \"%1\" není k dispozici.";
inline constexpr const char* kPrintFailedText = "Tisk na tiskárně \"%1\" se nezdařil.";
inline constexpr const char* kCannotSaveText = "Soubor %1 nelze uložit: %2";
