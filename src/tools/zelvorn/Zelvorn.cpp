// The jobs of the report program. A job that fails tells the user in a box of its own, titled as the
// main program's boxes are, and ends with a code that says so; only files the program cannot take
// over at all end quietly, with the reason on the standard error for the main program to show.

#include "Zelvorn.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QSaveFile>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <cstdio>

#include "platform/ui/Dialogs.h"

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

// The reason goes to the standard error in every case: the main program reads it from there.
void Note(const QString& text) { std::fprintf(stderr, "%s\n", text.toUtf8().constData()); }

// The report program's own settings beside the main program's: only where PDFs were last saved.
constexpr const char* kSettingsOwner = "varnobis";
constexpr const char* kSettingsName = "zelvorn";
constexpr const char* kPdfFolderKey = "Nahled/SlozkaPdf";

// A window as large as asked, but never larger than the screen it opens on leaves room for.
void FitOnScreen(QWidget& window, QSize wanted) {
    if (const QScreen* screen = window.screen()) {
        const QSize room = screen->availableGeometry().size() * 9 / 10;
        wanted = wanted.boundedTo(room);
    }
    window.resize(wanted);
}

// A failed job is said aloud: the user is waiting for paper, a preview or a PDF.
int Fail(const QString& text) {
    Note(text);
    ShowError(text);
    return kReportExitFailed;
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
        error = QString::fromUtf8("Systémový datový soubor nemá řádek tabulky Info.");
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
    job.ReportName = row.value("ReportName").trimmed();
    return true;
}

bool PrintReport(const TLayout& layout, const std::vector<TPage>& pages, const TReportJob& job,
                 QString& error) {
    const QString name = job.PrinterName.isEmpty() ? QPrinterInfo::defaultPrinterName() : job.PrinterName;
    if (name.isEmpty()) {
        error = QString::fromUtf8(kNoPrinterText);
        return false;
    }
    if (QPrinterInfo::printerInfo(name).isNull()) {
        error = QString::fromUtf8(kPrinterMissingText).arg(name);
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
        error = QString::fromUtf8(kPrintFailedText).arg(name);
        return false;
    }
    return true;
}

// --- preview

TPreviewWindow::TPreviewWindow(const TLayout& layout, const TReportData& data, const TReportJob& job)
    : layout_(layout), data_(data), job_(job) {
    setObjectName("frmNahled");
    // The user knows the report by the name the print dialog lists, not by its layout file.
    const QString title =
        job.ReportName.isEmpty() ? QFileInfo(job.ReportFileName).completeBaseName() : job.ReportName;
    setWindowTitle(QString::fromUtf8("Náhled - %1").arg(title));
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
    Refresh();
    FitOnScreen(*this, {900, 1000});
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
    if (!PrintReport(layout_, pages_, job_, error)) ShowError(error);
}

void TPreviewWindow::ExportPdf() {
    const QString path = PdfSaveDialog(this, PdfStartFolder() + PdfFileName(data_, job_));
    if (path.isEmpty()) return;
    QString error;
    if (!WritePdf(layout_, pages_, path, error)) {
        ShowError(error);
        return;
    }
    RememberPdfFolder(QFileInfo(path).absolutePath());
}

std::function<QString(QWidget*, const QString&)> PdfSaveDialog = [](QWidget* parent,
                                                                    const QString& proposed) {
    return QFileDialog::getSaveFileName(parent, QString::fromUtf8("Uložit jako PDF"), proposed,
                                        QString::fromUtf8("Soubory PDF (*.pdf)"));
};

QString PdfFileName(const TReportData& data, const TReportJob& job) {
    QString name;
    // The offer's header table holds its one row with the offer's number.
    for (const TReportTable& table : data.Tables())
        if (table.Rows.size() == 1 && table.IndexOf("Doklad") >= 0) {
            name = table.Rows.front().value("Doklad").trimmed();
            if (!name.isEmpty()) break;
        }
    if (name.isEmpty()) name = job.ReportName;
    if (name.isEmpty()) name = QFileInfo(job.ReportFileName).completeBaseName();
    // A number such as "NAB/2024/7" must not become folders.
    static const QRegularExpression kNotInNames(QStringLiteral("[/\\\\:*?\"<>|]"));
    name.replace(kNotInNames, QStringLiteral("_"));
    return name + ".pdf";
}

QString PdfStartFolder() {
    const QSettings settings(QSettings::IniFormat, QSettings::UserScope, kSettingsOwner, kSettingsName);
    QString folder = settings.value(kPdfFolderKey).toString();
    // A folder since removed, or a desktop without a documents folder, leaves the home folder.
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = QDir::homePath();
    return folder.endsWith('/') ? folder : folder + '/';
}

void RememberPdfFolder(const QString& folder) {
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, kSettingsOwner, kSettingsName);
    settings.setValue(kPdfFolderKey, folder);
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
    FitOnScreen(*this, {1300, 900});
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
    ShowError(QString::fromUtf8(kCannotSaveText).arg(path_, file.errorString()));
    return false;
}

int RunReportProgram(const QStringList& arguments) {
    QString systemPath, reportPath, error;
    if (!ParseCommandLine(arguments, systemPath, reportPath)) {
        Note(QString::fromUtf8(kUsageText));
        return kReportExitNotTaken;
    }
    TReportJob job;
    TReportData data;
    if (!ReadJob(systemPath, job, error) || !data.Load(reportPath, error)) {
        Note(error);
        return kReportExitNotTaken;
    }
    if (job.OperationType == u"EDIT") {
        TEditorWindow editor(job.ReportFileName, data);
        editor.show();
        return QApplication::exec() == 0 ? kReportExitDone : kReportExitFailed;
    }
    const bool known =
        job.OperationType == u"PREVIEW" || job.OperationType == u"PDFEXPORT" || job.OperationType == u"PRINT";
    if (!known) {
        Note(QString::fromUtf8(kUnknownOperationText).arg(job.OperationType));
        return kReportExitNotTaken;
    }
    TLayout layout;
    if (!layout.Load(job.ReportFileName, error)) return Fail(error);
    if (job.OperationType == u"PREVIEW") {
        TPreviewWindow preview(layout, data, job);
        preview.show();
        return QApplication::exec() == 0 ? kReportExitDone : kReportExitFailed;
    }
    const std::vector<TPage> pages = BuildPages(layout, data);
    if (job.OperationType == u"PDFEXPORT") {
        if (!WritePdf(layout, pages, job.ExportFileName, error)) return Fail(error);
        return kReportExitDone;
    }
    if (!PrintReport(layout, pages, job, error)) return Fail(error);
    return kReportExitDone;
}
