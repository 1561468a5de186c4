#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>
#include <vector>

#include "ReportData.h"
#include "common/ScriptedDialogs.h"
#include "core/DataFolder.h"
#include "core/ProgramFixture.h"
#include "exchange/PoslatMail.h"
#include "exchange/Tisk.h"

// The source tree, found from this file's own path (the build may hand it in relative to the
// build folder, where the tests run).
inline QString SourceRoot() {
    const QString base = qEnvironmentVariable("VN_BUILD_DIR", QDir::currentPath());
    QDir dir(QFileInfo(QDir(base).absoluteFilePath(QString::fromUtf8(__FILE__))).absolutePath());
    dir.cdUp();  // tests/exchange -> tests
    dir.cdUp();  // tests -> root
    return dir.absolutePath();
}
// The built-in layouts the program ships.
inline QString ShippedLayouts() { return SourceRoot() + "/resources/Res/FRMRES/"; }
// The report program of this build.
inline QString BuiltReportProgram() {
    return qEnvironmentVariable("VN_BUILD_DIR", QDir::currentPath()) + "/bin/zelvorn";
}

// One start of the report program as the fake saw it: the command line and both data files read
// at once (the dialog deletes them when it closes).
struct TCapturedJob {
    QString program;
    QStringList arguments;
    QString systemPath, reportPath;
    TReportData system, report;
    QString Info(const char* field) const { return system.Table("Info")->Rows.front().value(field); }
    const TReportTable* Table(const char* name) const { return report.Table(name); }
};

// Stands in for the report program while it lives: records every job and, when asked to, writes
// the PDF of a PDFEXPORT job, as the real one would. With `startable` false it cannot be started.
class TFakeReportProgram {
public:
    TFakeReportProgram() : saved_(ReportProgramRunner) {
        ReportProgramRunner = [this](const QString& program, const QStringList& arguments) {
            TReportProgramEnd end;
            if (!startable) return end;
            end.Started = true;
            end.ExitCode = exitCode;
            end.ErrorText = errorText;
            TCapturedJob job;
            job.program = program;
            job.arguments = arguments;
            const QString line = arguments.join(' ');
            auto between = [&](const QString& marker) {
                const qsizetype from = line.indexOf(marker + "=") + marker.size() + 1;
                return line.mid(from, line.indexOf(marker, from) - from);
            };
            job.systemPath = between("?SYSTEMDATA");
            job.reportPath = between("?REPORTDATA");
            QString error;
            EXPECT_TRUE(job.system.Load(job.systemPath, error)) << qPrintable(error);
            EXPECT_TRUE(job.report.Load(job.reportPath, error)) << qPrintable(error);
            if (job.Info("OperationType") == "PDFEXPORT" && writePdf) {
                QFile pdf(job.Info("ExportFileName"));
                if (pdf.open(QIODevice::WriteOnly)) pdf.write("%PDF-1.4 fake\n");
            }
            jobs.push_back(std::move(job));
            if (whileRunning) whileRunning();
            return end;
        };
    }
    ~TFakeReportProgram() { ReportProgramRunner = saved_; }
    TFakeReportProgram(const TFakeReportProgram&) = delete;
    TFakeReportProgram& operator=(const TFakeReportProgram&) = delete;

    std::vector<TCapturedJob> jobs;
    bool startable = true;
    bool writePdf = true;
    // How the program ends each job, and what it leaves on its standard error.
    int exitCode = kReportProgramDone;
    QString errorText;
    std::function<void()> whileRunning;

private:
    std::function<TReportProgramEnd(const QString&, const QStringList&)> saved_;
};

// The station's printers for as long as it lives.
class TFakePrinters {
public:
    TFakePrinters(const QStringList& names, const QString& defaultName)
        : savedNames_(SystemPrinterNames), savedDefault_(SystemDefaultPrinterName) {
        SystemPrinterNames = [names] { return names; };
        SystemDefaultPrinterName = [defaultName] { return defaultName; };
    }
    ~TFakePrinters() {
        SystemPrinterNames = savedNames_;
        SystemDefaultPrinterName = savedDefault_;
    }

private:
    std::function<QStringList()> savedNames_;
    std::function<QString()> savedDefault_;
};

// Hands the mail client's message to the test instead of the desktop.
class TFakeMailer {
public:
    TFakeMailer() : saved_(MailSender) {
        MailSender = [this](const TMailMessage& message) {
            messages.push_back(message);
            return result;
        };
    }
    ~TFakeMailer() { MailSender = saved_; }
    std::vector<TMailMessage> messages;
    TMailResult result = TMailResult::Handed;

private:
    std::function<TMailResult(const TMailMessage&)> saved_;
};

// The demonstration firm opened as at a second start, with the shipped layouts and workbook
// templates in its PRINT folder, no printers and a fake report program.
class PrintFixture : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        TScriptedDialogs dialogs;
        StartWithDemo();
        QDir().mkpath(PrintFolder);
        for (const QFileInfo& f : QDir(ShippedLayouts()).entryInfoList({"*.FRX", "*.xls"}, QDir::Files))
            QFile::copy(f.absoluteFilePath(), PrintFolder + f.fileName());
    }

    // The rows of the firm's query, first column, joined by "|".
    QString Column(TADOConnection& connection, const QString& sql) {
        const auto rows = connection.OpenRowset(sql);
        QStringList values;
        for (size_t i = 0; i < rows->RowCount(); ++i) values << rows->Value(i, 0).toString();
        return values.join('|');
    }
    QString Global(const QString& sql) { return Column(main_->ADOConGlobal, sql); }
    QString Firm(const QString& sql) { return Column(main_->ADOConAgenda, sql); }

    TFakePrinters printers_{{}, {}};
};
