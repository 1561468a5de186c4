#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>
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
};

// The two paths of the command line; the arguments may arrive split at blanks inside a path, so
// they are joined again and the markers decide.
bool ParseCommandLine(const QStringList& arguments, QString& systemData, QString& reportData);
// Reads the one row of the system data file's Info table.
bool ReadJob(const QString& systemData, TReportJob& job, QString& error);

// The report shown page by page, with printing and PDF export from the window.
class TPreviewWindow : public QMainWindow {
    Q_OBJECT
public:
    TPreviewWindow(const TLayout& layout, const TReportData& data, const TReportJob& job);
    // Lays the report out again and shows it.
    void Refresh();
    int PageCount() const { return static_cast<int>(pages_.size()); }
    QVBoxLayout* PagesLayout() const { return pagesLayout_; }

private:
    void Print();
    void ExportPdf();

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

// The whole run: 0 done, 1 the files could not be read, 2 the job failed.
int RunReportProgram(const QStringList& arguments);
