// The report-program bridge: what a job hands over (the system data file and the report data file
// of the current report), how the report program is started and waited for, and the print data of
// the reports whose tables this subsystem owns. Data files are written with fresh names for every
// job and live until the dialog closes, so that a program still reading one never finds it gone.

#include "exchange/TiskData.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSpinBox>
#include <QThread>

#include "addressbook/Adresar.h"
#include "core/DataFolder.h"
#include "core/Login.h"
#include "core/Main.h"
#include "core/Nastaveni.h"
#include "core/Upgrade.h"
#include "core/UserSettings.h"
#include "core/Working.h"
#include "exchange/MemTable2DotNet.h"
#include "exchange/Tisk.h"
#include "exchange/TiskExpCeniku.h"
#include "offers/NabidkaTisk.h"
#include "offers/Nabidky.h"
#include "offers/RozpisIdentif.h"
#include "platform/data/Field.h"
#include "platform/files/FileUtils.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/PriceListUi.h"
#include "pricelist/Zasoby.h"
#include "widgets/VnDBGrids.h"

namespace {

struct TFieldSpec {
    const char* Name;
    TFieldType Type;
    int Size;
    const char* Label;
};

template <size_t N>
void MakeTable(TMemTable& table, const TFieldSpec (&fields)[N]) {
    if (table.FieldCount() > 0) return;
    TFieldDefs& defs = table.FieldDefs();
    defs.Clear();
    for (const TFieldSpec& f : fields) defs.Add(f.Name, f.Type, f.Size);
    table.CreateTable();
    for (const TFieldSpec& f : fields)
        if (f.Label) table.FieldByName(f.Name)->SetDisplayLabel(QString::fromUtf8(f.Label));
    table.Close();
}

void Reopen(TMemTable& table) {
    table.Close();
    table.Open();
}

// The offer-list header as the report shows it.
const std::pair<const char*, const char*> kHlavNabLabels[] = {
    {"FaNazev", "Firma - název"},          {"CelkemBDPH", "Suma - celkem bez DPH"},
    {"CelkemSDPH", "Suma - celkem s DPH"}, {"Uzivatel", "Přihlášený uživatel"},
    {"SymbolMeny", "Symbol domácí měny"},
};
const TFieldSpec kPoznTisk[] = {
    {"Nazev", ftString, 50, "Název poznámky"},
    {"Detail", ftMemo, 0, "Text poznámky"},
};

// The print tables whole, with the relations that link them in the report program.
void AddPriceListTables(TMemTable2DotNetBuilder& builder, TfrmTiskExpCeniku& options) {
    struct TRelink {
        TfrmTiskExpCeniku& options;
        ~TRelink() { options.SetTablesLinked(true); }
    } relink{options};
    options.SetTablesLinked(false);
    builder.AddTable("mtTiskHlavicka", options.mtTiskHlavicka);
    builder.AddTable("mtTiskSklady", options.mtTiskSklady);
    if (options.BuiltWithGroups()) {
        builder.AddTable("mtTiskSkupiny", options.mtTiskSkupiny);
        builder.AddTable("mtTiskZasoby", options.mtTiskZasoby);
        builder.AddRelation("Sklady_Skupiny", "mtTiskSklady", "ID", "mtTiskSkupiny", "Sklad");
        builder.AddRelation("Skupiny_Zasoby", "mtTiskSkupiny", "ID", "mtTiskZasoby", "Skupina");
    } else {
        builder.AddTable("mtTiskZasoby", options.mtTiskZasoby);
        builder.AddRelation("Sklady_Zasoby", "mtTiskSklady", "ID", "mtTiskZasoby", "Sklad");
    }
}

}  // namespace

void PrepareNotePrintTable() { MakeTable(frmMain->mtPoznTisk, kPoznTisk); }

// ---- the offer-list report

void BuildOfferListPrintData() {
    TOfferPrintTables& data = OfferPrintTables();
    Reopen(data.mtSeznamNab);
    Reopen(data.mtHlavNab);
    for (const auto& [field, label] : kHlavNabLabels)
        data.mtHlavNab.FieldByName(field)->SetDisplayLabel(QString::fromUtf8(label));
    double withVat = 0, withoutVat = 0;
    TADOQuery& list = frmMain->adqNabidky;
    TfrmNabidky* window = TfrmNabidky::Existing();
    TBookmarkList* marks = window ? &window->grNabidky->MarkedRows() : nullptr;
    const bool marked = marks && marks->MarkCount() > 0;
    if (list.Active()) {
        const TBookmark here = list.GetBookmark();
        list.DisableControls();
        TMemTable& rows = data.mtSeznamNab;
        for (list.First(); !list.Eof(); list.Next()) {
            int index = 0;
            if (marked && !marks->FindMark(list.GetBookmark(), index)) continue;
            rows.Append();
            for (const char* name :
                 {"Doklad", "Popis", "ZpPlatby", "Doprava", "DatVyrizeni", "AdrNazev", "AdrUlice", "AdrPsc",
                  "AdrMisto", "AdrICO", "AdrDIC", "Poznamka", "AdrKontakt", "Vytvoril", "Zakazka"})
                if (!list.FieldByName(name)->IsNull())
                    rows.FieldByName(name)->SetValue(list.FieldByName(name)->Value());
            // An offer without a date keeps the field empty rather than the zero date.
            if (!list.FieldByName("DatVystaveni")->IsNull())
                rows.FieldByName("DatVyst")->SetValue(list.FieldByName("DatVystaveni")->Value());
            if (!list.FieldByName("DatPlatnosti")->IsNull())
                rows.FieldByName("DatPlat")->SetValue(list.FieldByName("DatPlatnosti")->Value());
            const double total = list.FieldByName("Celkem")->AsFloat();
            const double net = list.FieldByName("CelkemBDPH")->AsFloat();
            rows.FieldByName("CelkemSDPH")->SetAsFloat(total);
            rows.FieldByName("CelkemBDPH")->SetAsFloat(net);
            rows.FieldByName("Mena")->SetAsString(CurrencySymbol);
            rows.Post();
            withVat += total;
            withoutVat += net;
        }
        if (list.BookmarkValid(here)) list.GotoBookmark(here);
        list.EnableControls();
    }
    TMemTable& head = data.mtHlavNab;
    head.Append();
    head.FieldByName("FaNazev")->SetAsString(FirmName);
    head.FieldByName("CelkemSDPH")->SetAsFloat(withVat);
    head.FieldByName("CelkemBDPH")->SetAsFloat(withoutVat);
    head.FieldByName("Uzivatel")->SetAsString(CurrentUser.Jmeno);
    head.FieldByName("SymbolMeny")->SetAsString(CurrencySymbol);
    head.Post();
}

// ---- the bridge

std::function<TReportProgramEnd(const QString&, const QStringList&)> ReportProgramRunner =
    [](const QString& program, const QStringList& arguments) {
        TReportProgramEnd end;
        QProcess process;
        // Its standard error carries the reason of a job it did not take over; the rest may go to
        // the terminal as before.
        process.setProcessChannelMode(QProcess::ForwardedOutputChannel);
        process.start(program, arguments);
        if (!process.waitForStarted()) return end;
        end.Started = true;
        // The windows stay alive while the report program works: its preview may take long.
        while (!process.waitForFinished(10)) {
            if (process.state() == QProcess::NotRunning) break;
            QApplication::processEvents();
        }
        end.Crashed = process.exitStatus() != QProcess::NormalExit;
        end.ExitCode = process.exitCode();
        end.ErrorText = QString::fromUtf8(process.readAllStandardError()).trimmed();
        return end;
    };

QString ReportProgramPath() { return ProgramFolder + "zelvorn"; }

bool TfrmTisk::SaveReportDataFile(TMemTable2DotNetBuilder& builder, const QString& path) {
    if (builder.SaveToFile(path)) return true;
    ShowError(QString::fromUtf8(kTempWriteFailed).arg(path, builder.ErrorText()));
    return false;
}

void TfrmTisk::FillReportData(TMemTable2DotNetBuilder& builder) {
    const TReportKind kind = CurrentKind();
    switch (module_) {
        case pmOffer: {
            TOfferPrintTables& offer = OfferPrintTables();
            if (kind == TReportKind::Record) {
                BuildOfferPrintData();
                builder.AddTable("mtHlavickaNab", offer.mtHlavickaNab);
                builder.AddTable("mtPolozkyNab", offer.mtPolozkyNab);
                builder.AddTable("mtRozpisIdentif", PrintBreakdownWindow()->mtRozpisIdentif);
                builder.AddTable("mtNadpisoveSoucty", offer.mtNadpisoveSoucty);
            } else {
                BuildOfferListPrintData();
                builder.AddTable("mtHlavNab", offer.mtHlavNab);
                builder.AddTable("mtSeznamNab", offer.mtSeznamNab);
            }
            break;
        }
        case pmPriceListGroups:
        case pmPriceList:
            if (TfrmTiskExpCeniku* options = TfrmTiskExpCeniku::Existing())
                AddPriceListTables(builder, *options);
            break;
        case pmAddresses:
            if (kind == TReportKind::Record) {
                BuildAddressExportTable();
                builder.AddTable("mtSeznamAdres", AddressListWindow()->mtSeznamAdres);
            }
            break;
        case pmNote:
            if (kind == TReportKind::Record) {
                PrepareNotePrintTable();
                TMemTable& note = frmMain->mtPoznTisk;
                Reopen(note);
                TMemTable& notes = frmMain->mtPoznSeznam;
                if (notes.Active() && !notes.IsEmpty()) {
                    note.Append();
                    note.FieldByName("Nazev")->SetAsString(notes.FieldByName("Nazev")->AsString());
                    note.FieldByName("Detail")->SetAsString(notes.FieldByName("Detail")->AsString());
                    note.Post();
                }
                builder.AddTable("mtPoznTisk", note);
            }
            break;
        default:
            break;
    }
}

int TfrmTisk::PrepareReportData(const QString& operationType, const QString& exportFile) {
    if (mtSestava.IsEmpty()) return -1;
    const QString name = CurrentSoubor() + ".FRX";
    QString layout = FindFileCaseInsensitive(PrintFolder, name);
    if (layout.isEmpty()) {
        layout = PrintFolder + name;
        ShowWarning(QString::fromUtf8(kLayoutNotFound).arg(layout) +
                    (CurrentOriginal() ? QString::fromUtf8(kReinstall) : QString()));
        return -1;
    }
    TWorkingShown working(QString::fromUtf8(kPreparingReport));
    QDir().mkpath(PrivateTempFolder);
    SystemDataFile = PrivateTempFolder + NewGuidString();
    ReportDataFile = PrivateTempFolder + NewGuidString();
    RegisterTempFile(SystemDataFile);
    RegisterTempFile(ReportDataFile);

    TMemTable info;
    TFieldDefs& defs = info.FieldDefs();
    defs.Add("OperationType", ftString, 255);
    defs.Add("ReportFileName", ftString, 255);
    defs.Add("PrinterName", ftString, 255);
    defs.Add("PageRangeFrom", ftInteger);
    defs.Add("PageRangeTo", ftInteger);
    defs.Add("PageCopies", ftInteger);
    defs.Add("ExportFileName", ftString, 255);
    // The report program names its preview by the report as the list here shows it.
    defs.Add("ReportName", ftString, 50);
    info.CreateTable();
    info.Append();
    info.FieldByName("OperationType")->SetAsString(operationType);
    info.FieldByName("ReportFileName")->SetAsString(layout);
    info.FieldByName("PrinterName")->SetAsString(ComboBoxPrinter1->SelectedPrinterName());
    info.FieldByName("PageRangeFrom")->SetAsInteger(edtOdStr->value());
    info.FieldByName("PageRangeTo")->SetAsInteger(edtDoStr->value());
    info.FieldByName("PageCopies")->SetAsInteger(edtPocetKopii->value());
    info.FieldByName("ExportFileName")->SetAsString(operationType == "PDFEXPORT" ? exportFile : QString());
    info.FieldByName("ReportName")->SetAsString(mtSestava.FieldByName("Nazev")->AsString());
    info.Post();
    TMemTable2DotNetBuilder system("SystemDataset");
    system.AddTable("Info", info);
    if (!SaveReportDataFile(system, SystemDataFile)) return -1;

    TMemTable2DotNetBuilder report("ReportDataset");
    FillReportData(report);
    return SaveReportDataFile(report, ReportDataFile) ? 0 : -1;
}

bool TfrmTisk::RunReportPrinter() {
    SetDialogPanelsEnabled(false);
    const QString program = ReportProgramPath();
    // Each path travels between its two markers, so blanks in it need no quoting.
    const QStringList arguments = {"?SYSTEMDATA=" + SystemDataFile + "?SYSTEMDATA",
                                   "?REPORTDATA=" + ReportDataFile + "?REPORTDATA"};
    const TReportProgramEnd end = ReportProgramRunner(program, arguments);
    SetDialogPanelsEnabled(true);
    if (!end.Started) {
        ShowError(QString::fromUtf8(kProgramStartFailed).arg(program));
        return false;
    }
    if (!end.Crashed && end.ExitCode == kReportProgramDone) return true;
    // A job that failed is no print: nobody is asked to mark the offer as sent, and no e-mail goes
    // out without its PDF. The program has said why itself, unless it could not take the job over.
    if (end.Crashed || end.ExitCode != kReportProgramFailed) {
        QString text = QString::fromUtf8(kProgramEndedWithError).arg(program);
        if (!end.ErrorText.isEmpty()) text += "\r" + end.ErrorText;
        ShowError(text);
    }
    return false;
}

void TfrmTisk::Finish() {
    if (finished_) return;
    finished_ = true;
    switch (module_) {
        case pmOffer: {
            TOfferPrintTables& offer = OfferPrintTables();
            for (TMemTable* t :
                 {&offer.mtHlavickaNab, &offer.mtPolozkyNab, &offer.mtSeznamNab, &offer.mtHlavNab})
                t->Close();
            break;
        }
        case pmAddresses:
            AddressListWindow()->mtSeznamAdres.Close();
            break;
        case pmNote:
            frmMain->mtPoznTisk.Close();
            break;
        default:
            break;
    }
    if (mtSestavaTag == 1) WriteDefinitions();
    QString ignored;
    if (!pendingReport_.isEmpty() && DefaultReportSetting(module_))
        UserSetting(kSave, DefaultReportSetting(module_), pendingReport_, ignored);
    if (IsExportModule(module_))
        UserSetting(kSave, SecondSetting(module_), edtExportSoubor->text(), ignored);
    else if (printerChosen_ && SecondSetting(module_))
        UserSetting(kSave, SecondSetting(module_), QString::number(pendingPrinter_), ignored);
    DeleteTempFiles();
}
