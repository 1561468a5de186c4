// The report-program bridge: what a job hands over (the system data file and the report data file
// of the current report), how the report program is started and waited for, and the print data of
// the reports whose tables this subsystem owns. Data files are written with fresh names for every
// job and live until the dialog closes, so that a program still reading one never finds it gone.

#include "exchange/TiskData.h"

#include <QApplication>
#include <QBuffer>
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
const TFieldSpec kTiskHlavicka[] = {
    {"Nadpis1", ftString, 30, "Nadpis sl. 1"},   {"Nadpis2", ftString, 30, "Nadpis sl. 2"},
    {"Nadpis3", ftString, 30, "Nadpis sl. 3"},   {"Nadpis4", ftString, 30, "Nadpis sl. 4"},
    {"Nadpis5", ftString, 30, "Nadpis sl. 5"},   {"Nadpis6", ftString, 30, "Nadpis sl. 6"},
    {"DodNazev", ftString, 50, "Firma - název"}, {"DodUlice", ftString, 30, "Firma - ulice"},
    {"DodPSC", ftString, 10, "Firma - PSČ"},     {"DodMisto", ftString, 40, "Firma - místo"},
    {"DodICO", ftString, 10, "Firma - IČO"},     {"DodDIC", ftString, 20, "Firma - DIČ"},
    {"DodTel", ftString, 30, "Firma - telefon"}, {"DodFax", ftString, 30, "Firma - fax"},
    {"DodMobil", ftString, 30, "Firma - mobil"}, {"DodEmail", ftString, 50, "Firma - e-mail"},
    {"DodWWW", ftString, 50, "Firma - www"},     {"DodStat", ftString, 20, "Firma - stát"},
    {"Logo", ftGraphic, 0, "Firma - logo"},      {"NadpisCen", ftString, 255, "Nadpis ceníku"},
};
const TFieldSpec kTiskSklady[] = {{"ID", ftInteger, 0, "ID listu"}, {"Nazev", ftString, 30, "Název listu"}};
const TFieldSpec kTiskSkupiny[] = {{"Sklad", ftInteger, 0, "ID listu"},
                                   {"Nazev", ftString, 50, "Název skupiny"},
                                   {"Kod", ftString, 10, "Kód skupiny"},
                                   {"ID", ftInteger, 0, nullptr}};
const TFieldSpec kTiskZasoby[] = {
    {"Sklad", ftInteger, 0, "ID listu"},
    {"Skupina", ftInteger, 0, "ID skupiny"},
    {"Popis", ftString, 50, "Popis položky"},
    {"ID", ftInteger, 0, nullptr},
    {"Katalog", ftString, 20, nullptr},
    {"BarCode", ftString, 20, "Čárový kód"},
    {"Poznamka", ftMemo, 0, "Poznámka"},
    {"NakCena", ftFloat, 0, "Nák. cena bez DPH"},
    {"PrCenaSDPH", ftFloat, 0, "Zákl. prod. s DPH"},
    {"PrCenaBDPH", ftFloat, 0, "Zákl. prod. bez DPH"},
    {"SazbaDPH", ftFloat, 0, "Sazba DPH"},
    {"TextMJ", ftString, 10, "Měrná jednotka"},
    {"PLU", ftString, 6, nullptr},
    {"Zkratka", ftString, 20, nullptr},
    {"Cena1", ftFloat, 0, "Cena 1"},
    {"Cena2", ftFloat, 0, "Cena 2"},
    {"Cena3", ftFloat, 0, "Cena 3"},
    {"Cena4", ftFloat, 0, "Cena 4"},
    {"Cena5", ftFloat, 0, "Cena 5"},
    {"Cena6", ftFloat, 0, "Cena 6"},
    {"Obrazek", ftString, 255, nullptr},
};

QByteArray LogoBytes() {
    if (!FirmLogoData.isEmpty()) return FirmLogoData;
    if (!frmMain || frmMain->imgLogo.isNull()) return {};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    frmMain->imgLogo.save(&buffer, "PNG");
    return bytes;
}

void CopyText(TMemTable& target, const char* field, TDataSet& source, const char* column) {
    target.FieldByName(field)->SetAsString(source.FieldByName(column)->AsString());
}

}  // namespace

TPriceListPrintData& PriceListPrintData() {
    static TPriceListPrintData data;
    MakeTable(data.mtTiskHlavicka, kTiskHlavicka);
    MakeTable(data.mtTiskSklady, kTiskSklady);
    MakeTable(data.mtTiskSkupiny, kTiskSkupiny);
    MakeTable(data.mtTiskZasoby, kTiskZasoby);
    return data;
}

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

// ---- the price list

void BuildStandardPriceListData(bool groups) {
    TPriceListPrintData& data = PriceListPrintData();
    for (TMemTable* t : {&data.mtTiskHlavicka, &data.mtTiskSklady, &data.mtTiskSkupiny, &data.mtTiskZasoby}) {
        t->SetMasterSource(nullptr);
        t->SetIndexName({});
        Reopen(*t);
    }
    TMemTable& head = data.mtTiskHlavicka;
    head.Append();
    const std::pair<const char*, QString> firm[] = {
        {"DodNazev", FirmName},  {"DodUlice", FirmStreet}, {"DodPSC", FirmPostalCode},
        {"DodMisto", FirmTown},  {"DodICO", FirmICO},      {"DodDIC", FirmDIC},
        {"DodTel", FirmPhone},   {"DodFax", FirmFax},      {"DodMobil", FirmMobile},
        {"DodEmail", FirmEmail}, {"DodWWW", FirmWeb},      {"DodStat", FirmCountry}};
    for (const auto& [field, value] : firm) head.FieldByName(field)->SetAsString(value);
    const QByteArray logo = LogoBytes();
    if (!logo.isEmpty()) head.FieldByName("Logo")->SetValue(logo);
    head.FieldByName("NadpisCen")->SetAsString(QString::fromUtf8("Ceník"));
    head.Post();

    const int sheet = CurrentSheetId;
    TADOQuery& q = frmMain->adqAgendaFree1;
    q.Close();
    q.SetSQL("SELECT * FROM Sklady WHERE ID = :ID ORDER BY Poradi");
    q.Parameters().ParamByName("ID")->Value = sheet;
    q.Open();
    if (!q.IsEmpty()) {
        data.mtTiskSklady.Append();
        data.mtTiskSklady.FieldByName("ID")->SetAsInteger(sheet);
        CopyText(data.mtTiskSklady, "Nazev", q, "Nazev");
        data.mtTiskSklady.Post();
    }
    q.Close();
    const QString itemSort =
        frmMain->adqZasoby.Sort().isEmpty() ? QString("Popis") : frmMain->adqZasoby.Sort();
    auto addItems = [&](const QString& where, int groupId) {
        q.Close();
        q.SetSQL("SELECT * FROM Zasoby WHERE " + where);
        q.Parameters().ParamByName("Key")->Value = groupId >= 0 ? groupId : sheet;
        q.Open();
        // The price list's item filter limits the print as it limits the list.
        if (frmMain->adqZasoby.Filtered()) {
            q.SetFilter(frmMain->adqZasoby.Filter());
            q.SetFiltered(true);
        }
        q.SetSort(itemSort);
        for (q.First(); !q.Eof(); q.Next()) {
            if (q.FieldByName("Nakladova")->AsBoolean()) continue;
            TMemTable& items = data.mtTiskZasoby;
            items.Append();
            items.FieldByName("ID")->SetAsInteger(q.FieldByName("ID")->AsInteger());
            items.FieldByName("Sklad")->SetAsInteger(q.FieldByName("Sklad")->AsInteger());
            items.FieldByName("Skupina")->SetAsInteger(q.FieldByName("Skupina")->AsInteger());
            for (const char* f : {"Popis", "Katalog", "BarCode", "Poznamka", "TextMJ", "PLU", "Zkratka"})
                CopyText(items, f, q, f);
            for (const char* f : {"PrCenaSDPH", "PrCenaBDPH", "SazbaDPH"})
                items.FieldByName(f)->SetAsFloat(q.FieldByName(f)->AsFloat());
            items.FieldByName("NakCena")->SetAsFloat(
                CurrentUser.NakupniCeny_AR ? q.FieldByName("NakCena")->AsFloat() : 0.0);
            for (int k = 1; k <= 6; ++k) items.FieldByName(QString("Cena%1").arg(k))->SetAsFloat(0);
            const QString picture = q.FieldByName("Obrazek")->AsString();
            if (!picture.isEmpty()) items.FieldByName("Obrazek")->SetAsString(PictureFolder + picture);
            items.Post();
        }
        q.Close();
        q.SetFiltered(false);
        q.SetFilter({});
    };
    if (groups) {
        const QString groupSort =
            frmMain->adqSkupiny.Sort().isEmpty() ? QString("Nazev") : frmMain->adqSkupiny.Sort();
        q.SetSQL("SELECT * FROM Skupiny WHERE Sklad = :ID");
        q.Parameters().ParamByName("ID")->Value = sheet;
        q.Open();
        q.SetSort(groupSort);
        for (q.First(); !q.Eof(); q.Next()) {
            data.mtTiskSkupiny.Append();
            data.mtTiskSkupiny.FieldByName("ID")->SetAsInteger(q.FieldByName("ID")->AsInteger());
            data.mtTiskSkupiny.FieldByName("Sklad")->SetAsInteger(sheet);
            CopyText(data.mtTiskSkupiny, "Nazev", q, "Nazev");
            CopyText(data.mtTiskSkupiny, "Kod", q, "Kod");
            data.mtTiskSkupiny.Post();
        }
        q.Close();
        TMemTable& g = data.mtTiskSkupiny;
        for (g.First(); !g.Eof(); g.Next()) addItems("Skupina = :Key", g.FieldByName("ID")->AsInteger());
    } else {
        addItems("Sklad = :Key", -1);
    }
}

void PrintPriceList() {
    TfrmZasoby* priceList = TfrmZasoby::Existing();
    const bool groups = priceList && priceList->GroupPanelShown();
    {
        TWorkingShown working(QString::fromUtf8("Příprava tisku/exportu...\rprosím čekejte..."));
        BuildStandardPriceListData(groups);
    }
    ShowPrintDialog(groups ? pmPriceListGroups : pmPriceList);
    TPriceListPrintData& data = PriceListPrintData();
    for (TMemTable* t : {&data.mtTiskHlavicka, &data.mtTiskSklady, &data.mtTiskSkupiny, &data.mtTiskZasoby})
        t->Close();
}

// ---- the bridge

std::function<bool(const QString&, const QStringList&)> ReportProgramRunner =
    [](const QString& program, const QStringList& arguments) {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(program, arguments);
        if (!process.waitForStarted()) return false;
        // The windows stay alive while the report program works: its preview may take long.
        while (!process.waitForFinished(10)) {
            if (process.state() == QProcess::NotRunning) break;
            QApplication::processEvents();
        }
        return true;
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
        case pmPriceListGroups: {
            TPriceListPrintData& d = PriceListPrintData();
            builder.AddTable("mtTiskHlavicka", d.mtTiskHlavicka);
            builder.AddTable("mtTiskSklady", d.mtTiskSklady);
            builder.AddTable("mtTiskSkupiny", d.mtTiskSkupiny);
            builder.AddTable("mtTiskZasoby", d.mtTiskZasoby);
            builder.AddRelation("Sklady_Skupiny", "mtTiskSklady", "ID", "mtTiskSkupiny", "Sklad");
            builder.AddRelation("Skupiny_Zasoby", "mtTiskSkupiny", "ID", "mtTiskZasoby", "Skupina");
            break;
        }
        case pmPriceList: {
            TPriceListPrintData& d = PriceListPrintData();
            builder.AddTable("mtTiskHlavicka", d.mtTiskHlavicka);
            builder.AddTable("mtTiskSklady", d.mtTiskSklady);
            builder.AddTable("mtTiskZasoby", d.mtTiskZasoby);
            builder.AddRelation("Sklady_Zasoby", "mtTiskSklady", "ID", "mtTiskZasoby", "Sklad");
            break;
        }
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
    info.CreateTable();
    info.Append();
    info.FieldByName("OperationType")->SetAsString(operationType);
    info.FieldByName("ReportFileName")->SetAsString(layout);
    info.FieldByName("PrinterName")->SetAsString(ComboBoxPrinter1->SelectedPrinterName());
    info.FieldByName("PageRangeFrom")->SetAsInteger(edtOdStr->value());
    info.FieldByName("PageRangeTo")->SetAsInteger(edtDoStr->value());
    info.FieldByName("PageCopies")->SetAsInteger(edtPocetKopii->value());
    info.FieldByName("ExportFileName")->SetAsString(operationType == "PDFEXPORT" ? exportFile : QString());
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
    const bool ran = ReportProgramRunner(program, arguments);
    SetDialogPanelsEnabled(true);
    if (!ran) ShowError(QString::fromUtf8(kProgramStartFailed).arg(program));
    return ran;
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
