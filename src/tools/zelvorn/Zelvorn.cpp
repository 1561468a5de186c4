// The jobs of the report program. Errors go to the standard error and, for the jobs with windows,
// into a message box: the main program learns nothing but the end of the process.

#include "Zelvorn.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollArea>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <cstdio>

namespace {

constexpr const char* kSystemMarker = "?SYSTEMDATA";
constexpr const char* kReportMarker = "?REPORTDATA";
// Pages on screen: 96 dots per inch at 100 %.
constexpr double kScreenDpi = 96.0;

QString Between(const QString& line, const QString& marker) {
    const QString open = marker + "=";
    const qsizetype start = line.indexOf(open);
    if (start < 0) return {};
    const qsizetype from = start + open.size();
    const qsizetype end = line.indexOf(marker, from);
    return end < 0 ? QString() : line.mid(from, end - from);
}

void Complain(const QString& text, bool windows) {
    std::fprintf(stderr, "zelvorn: %s\n", qPrintable(text));
    if (windows) QMessageBox::critical(nullptr, "Zelvorn", text);
}

}  // namespace

bool ParseCommandLine(const QStringList& arguments, QString& systemData, QString& reportData) {
    const QString line = arguments.join(' ');
    systemData = Between(line, kSystemMarker);
    reportData = Between(line, kReportMarker);
    return !systemData.isEmpty() && !reportData.isEmpty();
}

bool ReadJob(const QString& systemData, TReportJob& job, QString& error) {
    TReportData data;
    if (!data.Load(systemData, error)) return false;
    const TReportTable* info = data.Table("Info");
    if (!info || info->Rows.empty()) {
        error = "The system data file has no Info row";
        return false;
    }
    const auto& row = info->Rows.front();
    job.OperationType = row.value("OperationType").trimmed().toUpper();
    job.ReportFileName = row.value("ReportFileName");
    job.PrinterName = row.value("PrinterName");
    job.PageRangeFrom = row.value("PageRangeFrom", "1").toInt();
    job.PageRangeTo = row.value("PageRangeTo", "9999").toInt();
    job.PageCopies = std::max(1, row.value("PageCopies", "1").toInt());
    job.ExportFileName = row.value("ExportFileName");
    return true;
}

bool PrintReport(const TLayout& layout, const std::vector<TPage>& pages, const TReportJob& job,
                 QString& error) {
    const QString name = job.PrinterName.isEmpty() ? QPrinterInfo::defaultPrinterName() : job.PrinterName;
    if (name.isEmpty() || QPrinterInfo::printerInfo(name).isNull()) {
        error = QString("The printer \"%1\" is not available").arg(job.PrinterName);
        return false;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(name);
    printer.setPageSize(layout.PageSize);
    printer.setPageOrientation(layout.Landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setFullPage(true);
    printer.setCopyCount(job.PageCopies);
    printer.setDocName(QFileInfo(job.ReportFileName).completeBaseName());
    if (!PaintPages(printer, pages, job.PageRangeFrom, job.PageRangeTo, [&] { return printer.newPage(); })) {
        error = QString("Printing on \"%1\" failed").arg(name);
        return false;
    }
    return true;
}

// --- preview

TPreviewWindow::TPreviewWindow(const TLayout& layout, const TReportData& data, const TReportJob& job)
    : layout_(layout), data_(data), job_(job) {
    setObjectName("frmNahled");
    setWindowTitle(QString::fromUtf8("Náhled - %1").arg(QFileInfo(job.ReportFileName).completeBaseName()));
    auto* bar = addToolBar("Náhled");
    bar->setObjectName("tbNahled");
    bar->setMovable(false);
    QAction* print = bar->addAction(QString::fromUtf8("Tisk"));
    print->setObjectName("acTisk");
    QAction* pdf = bar->addAction(QString::fromUtf8("Uložit jako PDF"));
    pdf->setObjectName("acPdf");
    QAction* close = bar->addAction(QString::fromUtf8("Zavřít"));
    close->setObjectName("acZavrit");
    close->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(print, &QAction::triggered, this, &TPreviewWindow::Print);
    connect(pdf, &QAction::triggered, this, &TPreviewWindow::ExportPdf);
    connect(close, &QAction::triggered, this, &QWidget::close);
    status_ = new QLabel(this);
    bar->addSeparator();
    bar->addWidget(status_);
    scroll_ = new QScrollArea(this);
    scroll_->setObjectName("scrNahled");
    scroll_->setBackgroundRole(QPalette::Dark);
    scroll_->setWidgetResizable(true);
    pagesHost_ = new QWidget;
    pagesLayout_ = new QVBoxLayout(pagesHost_);
    pagesLayout_->setAlignment(Qt::AlignHCenter);
    scroll_->setWidget(pagesHost_);
    setCentralWidget(scroll_);
    resize(900, 1000);
    Refresh();
}

void TPreviewWindow::Refresh() {
    pages_ = BuildPages(layout_, data_);
    while (QLayoutItem* item = pagesLayout_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const int count = PageCount();
    for (int i = 0; i < count; ++i) {
        auto* label = new QLabel(pagesHost_);
        label->setObjectName(QString("page%1").arg(i + 1));
        label->setPixmap(
            QPixmap::fromImage(PageImage(layout_, pages_[static_cast<size_t>(i)], i + 1, count, kScreenDpi)));
        label->setFrameShape(QFrame::Box);
        pagesLayout_->addWidget(label);
    }
    status_->setText(QString::fromUtf8("Stran: %1").arg(count));
}

void TPreviewWindow::Print() {
    QString error;
    if (!PrintReport(layout_, pages_, job_, error)) Complain(error, true);
}

void TPreviewWindow::ExportPdf() {
    const QString path =
        QFileDialog::getSaveFileName(this, QString::fromUtf8("Uložit jako PDF"), QString(), "PDF (*.pdf)");
    if (path.isEmpty()) return;
    QString error;
    if (!WritePdf(layout_, pages_, path, error)) Complain(error, true);
}

// --- editor

TEditorWindow::TEditorWindow(const QString& layoutPath, const TReportData& data)
    : path_(layoutPath), data_(data) {
    setObjectName("frmEditor");
    setWindowTitle(QString::fromUtf8("Editor sestavy - %1").arg(QFileInfo(layoutPath).fileName()));
    auto* bar = addToolBar("Editor");
    bar->setMovable(false);
    QAction* save = bar->addAction(QString::fromUtf8("Uložit"));
    save->setObjectName("acUlozit");
    save->setShortcut(QKeySequence::Save);
    QAction* close = bar->addAction(QString::fromUtf8("Zavřít"));
    close->setObjectName("acZavrit");
    connect(save, &QAction::triggered, this, [this] { Save(); });
    connect(close, &QAction::triggered, this, &QWidget::close);
    auto* split = new QSplitter(this);
    editor_ = new QPlainTextEdit(split);
    editor_->setObjectName("edtLayout");
    editor_->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont mono("DejaVu Sans Mono");
    mono.setStyleHint(QFont::Monospace);
    editor_->setFont(mono);
    auto* previewScroll = new QScrollArea(split);
    preview_ = new QLabel;
    preview_->setObjectName("imgNahled");
    previewScroll->setWidget(preview_);
    previewScroll->setWidgetResizable(true);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);
    setCentralWidget(split);
    status_ = new QLabel(this);
    status_->setObjectName("lblStav");
    statusBar()->addWidget(status_, 1);
    QFile file(layoutPath);
    if (file.open(QIODevice::ReadOnly)) editor_->setPlainText(QString::fromUtf8(file.readAll()));
    // The preview follows the typing, but not every key stroke.
    auto* timer = new QTimer(this);
    timer->setSingleShot(true);
    timer->setInterval(400);
    connect(timer, &QTimer::timeout, this, &TEditorWindow::UpdatePreview);
    connect(editor_, &QPlainTextEdit::textChanged, timer, qOverload<>(&QTimer::start));
    resize(1300, 900);
    UpdatePreview();
}

void TEditorWindow::UpdatePreview() {
    TLayout layout;
    layout.Folder = QFileInfo(path_).absolutePath() + "/";
    QString error;
    if (!layout.LoadText(editor_->toPlainText().toUtf8(), error)) {
        status_->setText(error);
        return;
    }
    const std::vector<TPage> pages = BuildPages(layout, data_);
    const int count = static_cast<int>(pages.size());
    preview_->setPixmap(QPixmap::fromImage(PageImage(layout, pages.front(), 1, count, kScreenDpi)));
    status_->setText(QString::fromUtf8("Stran: %1").arg(count));
}

bool TEditorWindow::Save() {
    QSaveFile file(path_);
    const QByteArray text = editor_->toPlainText().toUtf8();
    if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit()) {
        status_->setText(QString::fromUtf8("Uloženo: %1").arg(path_));
        return true;
    }
    Complain(QString("Cannot write %1: %2").arg(path_, file.errorString()), true);
    return false;
}

int RunReportProgram(const QStringList& arguments) {
    QString systemPath, reportPath, error;
    if (!ParseCommandLine(arguments, systemPath, reportPath)) {
        Complain("usage: zelvorn ?SYSTEMDATA=<file>?SYSTEMDATA ?REPORTDATA=<file>?REPORTDATA", false);
        return 1;
    }
    TReportJob job;
    TReportData data;
    if (!ReadJob(systemPath, job, error) || !data.Load(reportPath, error)) {
        Complain(error, false);
        return 1;
    }
    const bool windows = job.OperationType == u"PREVIEW" || job.OperationType == u"EDIT";
    if (job.OperationType == u"EDIT") {
        TEditorWindow editor(job.ReportFileName, data);
        editor.show();
        return QApplication::exec() == 0 ? 0 : 2;
    }
    TLayout layout;
    if (!layout.Load(job.ReportFileName, error)) {
        Complain(error, windows);
        return 2;
    }
    if (job.OperationType == u"PREVIEW") {
        TPreviewWindow preview(layout, data, job);
        preview.show();
        return QApplication::exec() == 0 ? 0 : 2;
    }
    const std::vector<TPage> pages = BuildPages(layout, data);
    if (job.OperationType == u"PDFEXPORT") {
        if (!WritePdf(layout, pages, job.ExportFileName, error)) {
            Complain(error, false);
            return 2;
        }
        return 0;
    }
    if (job.OperationType == u"PRINT") {
        if (!PrintReport(layout, pages, job, error)) {
            // The user is waiting for paper: a print that did not happen is said aloud.
            Complain(error, true);
            return 2;
        }
        return 0;
    }
    Complain(QString("Unknown operation %1").arg(job.OperationType), false);
    return 2;
}
