#include "offers/NabidkaData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <memory>
#include <vector>

#include "core/AdoQuery2MemTableBuilder.h"
#include "core/CardProtocol.h"
#include "core/CommonUtils.h"
#include "core/DataFolder.h"
#include "core/HistoryAction.h"
#include "core/Locks.h"
#include "core/Login.h"
#include "core/Main.h"
#include "core/Nastaveni.h"
#include "core/Working.h"
#include "offers/CiselneRady.h"
#include "offers/NabidkaSoucty.h"
#include "platform/data/Field.h"
#include "platform/db/Transaction.h"
#include "platform/text/NumberFormat.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/PriceListUi.h"
#include "widgets/VnScopeGuard.h"

double OfferRateBasic = 0;
double OfferRateReduced = 0;
double OfferRateFurtherReduced = 0;
int OfferRoundTotals = 1;

namespace {

const char* const kDefaultPaymentKinds[] = {"hotově",   "převodem",        "složenkou",
                                            "dobírkou", "platební kartou", "šekem"};
const char* const kDefaultDeliveryKinds[] = {
    "poštou", "vlastní", "odběr u dodavatele", "přepravní službou", "spěšninou", "dodavatelem"};

// The payment and delivery columns hold 20 characters; the combo boxes let the user type more.
constexpr int kKindLength = 20;

const char* const kSaveHeaderFailedText =
    "Při ukládání záznamu do \"Nabidky\" došlo k chybě: metoda \"Execute\" selhala.";
const char* const kSaveItemFailedText =
    "Při ukládání záznamu do \"NabPolozky\" došlo k chybě: metoda \"Execute\" selhala.";
const char* const kSaveDocumentFailedText =
    "Při ukládání záznamu do \"DokumentyNab\" došlo k chybě: metoda \"Execute\" selhala.";

// The header columns in the order the statements name them.
const char* const kHeaderColumns[] = {
    "Doklad",        "Popis",    "ZpPlatby", "Doprava",    "DatVystaveni", "DatVyrizeni",     "DatPlatnosti",
    "AdrCislo",      "AdrNazev", "AdrUlice", "AdrPsc",     "AdrMisto",     "AdrICO",          "AdrDIC",
    "Nadpis",        "TextPred", "TextZa",   "Poznamka",   "AdrKontakt",   "IDStav",          "SazDPHZakl",
    "SazDPHSniz",    "NabZaok",  "Celkem",   "CelkemBDPH", "Zisk",         "CelkemNC",        "CenHladAdr",
    "CenHladina",    "VytvorID", "UpravID",  "Vytvoril",   "Zamek",        "SazDPHDalsiSniz", "Archivovano",
    "TextKomentare", "FlagID",   "Zakazka"};

bool IsCreatorColumn(const QString& column) { return column == "VytvorID" || column == "Vytvoril"; }

QString InsertStatement(const QString& table, const QStringList& columns) {
    QStringList params;
    for (const QString& c : columns) params << ":" + c;
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(table, columns.join(", "), params.join(", "));
}

QString UpdateStatement(const QString& table, const QStringList& columns, int id) {
    QStringList sets;
    for (const QString& c : columns) sets << c + " = :" + c;
    return QStringLiteral("UPDATE %1 SET %2 WHERE ID = %3").arg(table, sets.join(" , ")).arg(id);
}

QVariant DateParam(const std::optional<TDateTime>& date) { return date ? QVariant(*date) : QVariant(); }

std::optional<TDateTime> DateOf(const TField* field) {
    if (field->IsNull()) return std::nullopt;
    return field->AsDateTime();
}

// The item columns written as integers and as yes/no; every other numeric column is a float.
bool IsIntegerItemColumn(const QString& c) {
    return c == "Zaok" || c == "CisloKarty" || c == "CisloSkladu" || c == "CisloSkup" || c == "Poradi";
}
bool IsFlagItemColumn(const QString& c) {
    return c == "SDPH" || c == "Nakladova" || c == "IgnorHr" || c == "Nadpisova" || c == "Textova";
}
bool IsTextItemColumn(const QString& c) {
    return c == "Popis" || c == "Katalog" || c == "BarCode" || c == "Poznamka" || c == "MJ" || c == "PLU" ||
           c == "Zkratka" || c == "CenHladina" || c == "Identif";
}

// Everything EditOffer must undo on its way out, whichever way that is.
class TOfferOpening {
public:
    explicit TOfferOpening(TADOQuery& list) : list_(list) {}
    ~TOfferOpening() { Finish(); }
    // Lets the lock go, hides the working window and gives the list its filter back. Once.
    void Finish() {
        lock_.Release();
        ShowWorking(false);
        if (list_.Active() && wasFiltered_) list_.SetFiltered(true);
        wasFiltered_ = false;
    }
    void SwitchFilterOff() {
        wasFiltered_ = list_.Active() && list_.Filtered();
        if (wasFiltered_) list_.SetFiltered(false);
    }
    TRecordLock& Lock() { return lock_; }

private:
    TADOQuery& list_;
    TRecordLock lock_;
    bool wasFiltered_ = false;
};

void ResetCard(TOfferDocument& doc) {
    doc.Reset();
    OfferRateBasic = VatBasicRate;
    OfferRateReduced = VatReducedRate;
    OfferRateFurtherReduced = VatFurtherReducedRate;
    OfferRoundTotals = RoundOfferTotal;
}

void LoadHeader(TOfferDocument& doc, const TDataSet& row, bool isCopy) {
    TOfferHeader& h = doc.Header;
    auto text = [&](const char* name) { return row.FieldByName(name)->AsString(); };
    OfferRateBasic = row.FieldByName("SazDPHZakl")->AsFloat();
    OfferRateReduced = row.FieldByName("SazDPHSniz")->AsFloat();
    OfferRateFurtherReduced = row.FieldByName("SazDPHDalsiSniz")->AsFloat();
    OfferRoundTotals = row.FieldByName("NabZaok")->AsInteger();
    h.Popis = text("Popis");
    h.Nadpis = text("Nadpis");
    h.ZpPlatby = text("ZpPlatby");
    h.Zakazka = text("Zakazka");
    h.Doprava = text("Doprava");
    if (!isCopy) {
        h.Doklad = text("Doklad");
        h.NumberCancelTag = 1;
        h.DatVystaveni = DateOf(row.FieldByName("DatVystaveni"));
        h.DatVyrizeni = DateOf(row.FieldByName("DatVyrizeni"));
        h.DatPlatnosti = DateOf(row.FieldByName("DatPlatnosti"));
        h.IDStav = row.FieldByName("IDStav")->AsInteger();
        doc.OfferLocked = row.FieldByName("Zamek")->AsBoolean();
        doc.OfferArchived = row.FieldByName("Archivovano")->AsBoolean();
        doc.OfferFlagID = row.FieldByName("FlagID")->AsInteger();
        h.TextKomentare = text("TextKomentare");
    }
    h.AdrCislo = row.FieldByName("AdrCislo")->AsInteger();
    h.AdrNazev = text("AdrNazev");
    h.AdrKontakt = text("AdrKontakt");
    h.AdrUlice = text("AdrUlice");
    h.AdrPsc = text("AdrPsc");
    h.AdrMisto = text("AdrMisto");
    h.AdrICO = text("AdrICO");
    h.AdrDIC = text("AdrDIC");
    h.TextPred = text("TextPred");
    h.TextZa = text("TextZa");
    h.Poznamka = text("Poznamka");
    h.CenHladAdr = row.FieldByName("CenHladAdr")->AsBoolean();
    doc.OfferPriceLevel = text("CenHladina");
}

void LoadCustomerPriceLevel(TOfferDocument& doc) {
    if (doc.Header.AdrCislo == kTypedCustomer) return;
    TADOQuery& q = frmMain->adqAgendaFree1;
    q.Close();
    q.SetSQL("SELECT CenHladina FROM Adresar WHERE ID = :ID");
    q.Parameters().ParamByName("ID")->Value = doc.Header.AdrCislo;
    q.Open();
    // A customer deleted since keeps an empty level.
    if (!q.IsEmpty()) doc.CustomerPriceLevel = q.FieldByName("CenHladina")->AsString();
    q.Close();
}

void LoadItems(TOfferDocument& doc, int offerId, bool isCopy) {
    TADOQuery& q = frmMain->adqAgendaFree1;
    q.Close();
    q.SetSQL(QStringLiteral("SELECT * FROM NabPolozky WHERE CisloNab = %1").arg(offerId));
    q.Open();
    TMemTable& items = doc.mtTmpPolozky;
    for (q.First(); !q.Eof(); q.Next()) {
        items.Append();
        items.FieldByName("LockID")->SetAsInteger(isCopy ? kNotStored : q.FieldByName("ID")->AsInteger());
        for (const QString& column : OfferItemColumns())
            items.FieldByName(column)->SetValue(q.FieldByName(column)->Value());
        items.FieldByName("NakCenaPol")
            ->SetAsFloat(q.FieldByName("NakCena")->AsFloat() * q.FieldByName("PocetMJ")->AsFloat());
        items.Post();
        if (q.FieldByName("Nadpisova")->AsBoolean()) ++doc.HeadingItemCount;
    }
    q.Close();
}

void LoadDocuments(TOfferDocument& doc, int offerId, bool isCopy) {
    TADOQuery& q = frmMain->adqAgendaFree1;
    q.Close();
    q.SetSQL(QStringLiteral("SELECT * FROM DokumentyNab WHERE CisloNab = %1").arg(offerId));
    q.Open();
    TMemTable& docs = doc.mtTmpDokumenty;
    for (q.First(); !q.Eof(); q.Next()) {
        const QString stored = q.FieldByName("Soubor")->AsString();
        const bool shared = stored.left(16).compare(kSharedFolderToken, Qt::CaseInsensitive) == 0;
        docs.Append();
        docs.FieldByName("ID")->SetAsInteger(isCopy ? kNotStored : q.FieldByName("ID")->AsInteger());
        docs.FieldByName("Popis")->SetAsString(q.FieldByName("Popis")->AsString());
        // A copy gets its own folder: the files of the source's folder are copied there on saving.
        docs.FieldByName("File")->SetAsString(isCopy ? OfferDocumentFullPath(stored, offerId) : stored);
        docs.FieldByName("CopyFile")->SetAsBoolean(isCopy && shared);
        docs.FieldByName("SmallIcon")->SetAsVariant(FileIconBytes(OfferDocumentFullPath(stored, offerId)));
        docs.Post();
    }
    q.Close();
}

// A new offer takes the heading, the texts and the validity of the user's default template.
void ApplyDefaultTemplate(TOfferDocument& doc) {
    if (NewOfferTemplate.isEmpty()) return;
    TADOQuery& q = frmMain->adqAgendaFree1;
    q.Close();
    q.SetSQL("SELECT * FROM NabSablony WHERE Zkratka = :Zkratka");
    q.Parameters().ParamByName("Zkratka")->Value = NewOfferTemplate;
    q.Open();
    if (!q.IsEmpty()) {
        doc.Header.Nadpis = q.FieldByName("Nadpis")->AsString();
        doc.Header.TextPred = q.FieldByName("TextPred")->AsString();
        doc.Header.TextZa = q.FieldByName("TextZa")->AsString();
        if (q.FieldByName("AutoPlatnostDo")->AsBoolean())
            doc.Header.DatPlatnosti = Date() + q.FieldByName("AutoPlatnostPocet")->AsInteger();
    }
    q.Close();
}

void SetHeaderParams(TParameters& p, const TOfferDocument& doc, bool isNewOffer) {
    const TOfferHeader& h = doc.Header;
    const TOfferTotals& t = doc.Totals;
    auto set = [&](const char* name, const QVariant& value) { p.ParamByName(name)->Value = value; };
    set("Doklad", h.Doklad);
    set("Popis", h.Popis);
    set("ZpPlatby", h.ZpPlatby.left(kKindLength));
    set("Doprava", h.Doprava.left(kKindLength));
    set("DatVystaveni", DateParam(h.DatVystaveni));
    set("DatVyrizeni", DateParam(h.DatVyrizeni));
    set("DatPlatnosti", DateParam(h.DatPlatnosti));
    set("AdrCislo", h.AdrCislo);
    set("AdrNazev", h.AdrNazev);
    set("AdrUlice", h.AdrUlice);
    set("AdrPsc", h.AdrPsc);
    set("AdrMisto", h.AdrMisto);
    set("AdrICO", h.AdrICO);
    set("AdrDIC", h.AdrDIC);
    set("IDStav", h.IDStav);
    set("Nadpis", h.Nadpis);
    set("TextPred", h.TextPred);
    set("TextZa", h.TextZa);
    set("Poznamka", h.Poznamka);
    set("AdrKontakt", h.AdrKontakt);
    set("SazDPHZakl", OfferRateBasic);
    set("SazDPHSniz", OfferRateReduced);
    set("SazDPHDalsiSniz", OfferRateFurtherReduced);
    set("NabZaok", OfferRoundTotals);
    set("Celkem", t.CelkemZaDokladSDPH);
    set("CelkemBDPH", t.CelkemZaDokladBDPH);
    set("Zisk", t.ZiskCelkem);
    set("CelkemNC", t.NCBDPHCelkem);
    set("CenHladAdr", h.CenHladAdr);
    set("CenHladina", doc.OfferPriceLevel);
    set("UpravID", CurrentUser.UzivID);
    if (isNewOffer) {
        set("VytvorID", CurrentUser.UzivID);
        set("Vytvoril", CurrentUser.Jmeno);
    }
    set("Zamek", doc.OfferLocked);
    set("Archivovano", doc.OfferArchived);
    set("TextKomentare", h.TextKomentare);
    set("FlagID", doc.OfferFlagID);
    set("Zakazka", h.Zakazka);
}

// The stored rows of an offer that no card row claims any more.
std::vector<int> VanishedRows(const QString& table, int offerId, const QSet<int>& kept) {
    TADOQuery& q = frmMain->adqAgendaFree1;
    q.Close();
    q.SetSQL(QStringLiteral("SELECT ID FROM %1 WHERE CisloNab = %2").arg(table).arg(offerId));
    q.Open();
    std::vector<int> ids;
    for (q.First(); !q.Eof(); q.Next()) {
        const int id = q.FieldByName("ID")->AsInteger();
        if (!kept.contains(id)) ids.push_back(id);
    }
    q.Close();
    return ids;
}

// The writes below answer the message of a row that could not be written, or an empty text; the
// caller undoes the whole save then, so nothing of it is left half-written.
QString SaveItems(TOfferDocument& doc, int offerId, bool existing) {
    TMemTable& items = doc.mtTmpPolozky;
    items.CheckBrowseMode();
    const QString oldIndex = items.IndexName();
    items.SetIndexName("LockID");
    TADOCommand& cmd = frmMain->adcAgenda1;
    if (existing) {
        QSet<int> kept;
        for (items.First(); !items.Eof(); items.Next()) kept.insert(items.FieldByName("LockID")->AsInteger());
        for (int id : VanishedRows("NabPolozky", offerId, kept)) {
            cmd.SetCommandText(QStringLiteral("DELETE FROM NabPolozky WHERE ID = %1").arg(id));
            cmd.Execute();
        }
    }
    QStringList insertColumns = OfferItemColumns();
    insertColumns << "CisloNab";
    for (items.First(); !items.Eof(); items.Next()) {
        const int lockId = items.FieldByName("LockID")->AsInteger();
        const bool insert = lockId < 1;
        cmd.SetCommandText(insert ? InsertStatement("NabPolozky", insertColumns)
                                  : UpdateStatement("NabPolozky", OfferItemColumns(), lockId));
        for (const QString& c : OfferItemColumns()) {
            const TField* f = items.FieldByName(c);
            QVariant value;
            if (IsTextItemColumn(c))
                value = f->AsString();
            else if (IsIntegerItemColumn(c))
                value = f->AsInteger();
            else if (IsFlagItemColumn(c))
                value = f->AsBoolean();
            else
                value = f->AsFloat();
            cmd.Parameters.ParamByName(c)->Value = value;
        }
        if (insert) cmd.Parameters.ParamByName("CisloNab")->Value = offerId;
        if (cmd.Execute() == 0) {
            items.SetIndexName(oldIndex);
            return QString::fromUtf8(kSaveItemFailedText);
        }
    }
    items.SetIndexName(oldIndex);
    return QString();
}

// A document to be copied into the offer's folder, with the key of the row that stores its link.
struct TPendingCopy {
    int recNo = 0;  // in the order of the "ID" index, which the rows are written in
    int storedId = 0;
};

// The rows keep the paths the card holds. A document to be copied keeps its source path until the
// copy has been made (CopyPendingDocuments, after the commit): a file copy cannot be undone with the
// rows, and a link to the source is valid whatever happens in between.
QString SaveDocuments(TOfferDocument& doc, int offerId, bool existing, std::vector<TPendingCopy>& copies) {
    TMemTable& docs = doc.mtTmpDokumenty;
    docs.CheckBrowseMode();
    const QString oldIndex = docs.IndexName();
    docs.SetIndexName("ID");
    TADOCommand& cmd = frmMain->adcAgenda1;
    if (existing) {
        QSet<int> kept;
        for (docs.First(); !docs.Eof(); docs.Next()) kept.insert(docs.FieldByName("ID")->AsInteger());
        for (int id : VanishedRows("DokumentyNab", offerId, kept)) {
            cmd.SetCommandText(QStringLiteral("DELETE FROM DokumentyNab WHERE ID = %1").arg(id));
            cmd.Execute();
        }
    }
    for (docs.First(); !docs.Eof(); docs.Next()) {
        const int id = docs.FieldByName("ID")->AsInteger();
        if (id < 1) {
            cmd.SetCommandText(
                "INSERT INTO DokumentyNab (Popis, Soubor, CisloNab) VALUES (:Popis, :Soubor, :CisloNab)");
            cmd.Parameters.ParamByName("CisloNab")->Value = offerId;
        } else {
            cmd.SetCommandText(
                QStringLiteral("UPDATE DokumentyNab SET Popis = :Popis, Soubor = :Soubor WHERE ID = %1")
                    .arg(id));
        }
        cmd.Parameters.ParamByName("Popis")->Value = docs.FieldByName("Popis")->AsString();
        cmd.Parameters.ParamByName("Soubor")->Value = docs.FieldByName("File")->AsString();
        if (cmd.Execute() == 0) {
            docs.SetIndexName(oldIndex);
            return QString::fromUtf8(kSaveDocumentFailedText);
        }
        if (docs.FieldByName("CopyFile")->AsBoolean())
            copies.push_back({docs.RecNo(), id < 1 ? LastInsertedId() : id});
    }
    docs.SetIndexName(oldIndex);
    return QString();
}

// Copies the documents of a stored offer into its folder and points their rows at the copies.
// A copy that fails leaves its row on the source path, as the user is told.
void CopyPendingDocuments(TOfferDocument& doc, int offerId, const std::vector<TPendingCopy>& copies) {
    if (copies.empty()) return;
    TMemTable& docs = doc.mtTmpDokumenty;
    // New rows all carry the key -1, so they are found again by their place, not by a bookmark.
    const QString oldIndex = docs.IndexName();
    docs.SetIndexName("ID");
    TADOCommand& cmd = frmMain->adcAgenda1;
    for (const TPendingCopy& copy : copies) {
        docs.SetRecNo(copy.recNo);
        if (!CopyOfferDocument(docs, offerId)) continue;
        cmd.SetCommandText(
            QStringLiteral("UPDATE DokumentyNab SET Soubor = :Soubor WHERE ID = %1").arg(copy.storedId));
        cmd.Parameters.ParamByName("Soubor")->Value = docs.FieldByName("File")->AsString();
        cmd.Execute();
    }
    docs.SetIndexName(oldIndex);
}

void AddHistory(const TOfferDocument& doc, int offerId, bool isNewOffer) {
    if (HistoryLevel == THistoryLevel::Off) return;
    std::unique_ptr<TMemTable> header, items;
    if (HistoryLevel == THistoryLevel::Detailed) {
        TADOQuery& q = frmMain->adqAgendaFree1;
        TAdoQuery2MemTableBuilder builder;
        q.Close();
        q.SetSQL(QStringLiteral("SELECT * FROM Nabidky WHERE ID = %1").arg(offerId));
        q.Open();
        builder.Build(q, "Nabidky");
        header = builder.TakeTable();
        q.Close();
        q.SetSQL(
            QStringLiteral("SELECT * FROM NabPolozky WHERE CisloNab = %1 ORDER BY Poradi ASC").arg(offerId));
        q.Open();
        builder.Build(q, "NabPolozky");
        items = builder.TakeTable();
        q.Close();
    }
    const QString description =
        QString::fromUtf8(kOfferHistoryText)
            .arg(OfferStateName(static_cast<unsigned>(doc.Header.IDStav)),
                 FormatFloat(",0.00;-,0.00", doc.Totals.CelkemZaDokladSDPH), CurrencySymbol.trimmed());
    THistoryAction history;
    history.Add(isNewOffer ? THistoryActionType::Added : THistoryActionType::Changed,
                THistoryObjectType::Offer, offerId, description, header.get(), items.get());
}

// The writes of one save, in the order the rows depend on each other: the number, the header
// (whose key the child rows carry), the items, the documents, the history entry.
QString WriteOffer(TOfferDocument& doc, TADOQuery& list, int& offerId, bool newOffer,
                   std::vector<TPendingCopy>& copies) {
    TADOCommand& cmd = frmMain->adcAgenda1;
    QStringList columns;
    for (const char* c : kHeaderColumns)
        if (newOffer || !IsCreatorColumn(c)) columns << c;
    cmd.SetCommandText(newOffer ? InsertStatement("Nabidky", columns)
                                : UpdateStatement("Nabidky", columns, offerId));
    // Drawn inside the save's transaction, which holds the database for writing: no other station
    // can take the same number meanwhile. A firm without the series saves the offer unnumbered.
    if (newOffer && doc.Header.AutomaticNumber) {
        QString prefix, text;
        int number = 0;
        NextDocumentNumber(kOfferNumberSeries, prefix, number, text);
        doc.Header.Doklad = text;
    }
    if (doc.Header.Nadpis.isEmpty()) doc.Header.Nadpis = QString::fromUtf8(kDefaultOfferHeading);
    SetHeaderParams(cmd.Parameters, doc, newOffer);
    if (cmd.Execute() == 0) return QString::fromUtf8(kSaveHeaderFailedText);
    if (newOffer) {
        offerId = LastInsertedId();
        if (list.Active()) {
            list.Requery();
            if (!list.Locate("ID", offerId)) return QString::fromUtf8(kNewRecordNotFoundText);
        }
    } else if (list.Active()) {
        RequeryAndLocate(list);
    }
    QString failure = SaveItems(doc, offerId, !newOffer);
    if (failure.isEmpty()) failure = SaveDocuments(doc, offerId, !newOffer, copies);
    if (failure.isEmpty()) AddHistory(doc, offerId, newOffer);
    return failure;
}

// Stores the offer as one unit: the number, the header, the items, the documents and the history
// entry are written together or not at all, so a save cut short anywhere (a row that could not be
// written, an engine error, a killed program) leaves the stored offer as it was. False when nothing
// was stored; the user has been told. The card keeps what the user entered, the automatic number
// included, so that it can be saved again.
bool SaveOffer(TOfferDocument& doc, TADOQuery& list, int& offerId, bool newOffer) {
    const int storedId = offerId;
    const QString shownNumber = doc.Header.Doklad;
    bool stored = false;
    // However the save stopped (a message, an engine error), the card may be saved again from
    // what the user entered, the automatic number included.
    const TScopeGuard keepCard([&] {
        if (stored) return;
        offerId = storedId;
        doc.Header.Doklad = shownNumber;
    });
    std::vector<TPendingCopy> copies;
    QString failure;
    {
        TTransaction transaction(frmMain->ADOConAgenda);
        // The list is requeried inside the unit to stand on the saved offer.
        transaction.AfterRollback = [&list] {
            if (list.Active()) RequeryAndLocate(list);
        };
        failure = WriteOffer(doc, list, offerId, newOffer, copies);
        if (failure.isEmpty()) transaction.Commit();
    }
    if (!failure.isEmpty()) {
        ShowError(failure);
        return false;
    }
    stored = true;
    CopyPendingDocuments(doc, offerId, copies);
    return true;
}

}  // namespace

// --- the document

TOfferDocument::TOfferDocument() {
    CreateOfferItemTable(mtTmpPolozky);

    TFieldDefs& d = mtTmpDokumenty.FieldDefs();
    d.Add("Popis", ftString, 50);
    d.Add("File", ftString, 255);
    d.Add("Empty", ftString, 1);
    d.Add("CopyFile", ftBoolean);
    d.Add("SmallIcon", ftGraphic);
    d.Add("ID", ftInteger);
    mtTmpDokumenty.AddIndex("Popis", "Popis");
    mtTmpDokumenty.AddIndex("ID", "ID");
    mtTmpDokumenty.CreateTable();

    TFieldDefs& s = mtNadpisoveSoucty.FieldDefs();
    s.Add("Nadpis", ftString, 50);
    s.Add("NCBDPH", ftFloat);
    s.Add("PCBDPH", ftFloat);
    s.Add("PCSDPH", ftFloat);
    s.Add("Zisk", ftFloat);
    s.Add("PoradiPolozky", ftInteger);
    mtNadpisoveSoucty.CreateTable();
    for (const char* money : {"NCBDPH", "PCBDPH", "PCSDPH", "Zisk"})
        mtNadpisoveSoucty.FieldByName(money)->SetDisplayFormat("# ### ### ##0.00");
}

void TOfferDocument::Reset() {
    Header = TOfferHeader();
    Header.DatVystaveni = Date();
    Header.Nadpis = QString::fromUtf8(kDefaultOfferHeading);
    Totals = TOfferTotals();
    ReadOnlyView = false;
    OfferLocked = false;
    OfferArchived = false;
    OfferFlagID = 0;
    EditedOfferID = 0;
    CustomerPriceLevel.clear();
    OfferPriceLevel.clear();
    HeadingItemCount = 0;
    Modified = false;
    SuppressMarkSums = false;
    for (TMemTable* table : {&mtTmpPolozky, &mtTmpDokumenty, &mtNadpisoveSoucty}) {
        table->Close();
        table->Open();
    }
}

TOfferDocument& OfferCardData() {
    static TOfferDocument document;
    return document;
}

const QStringList& OfferItemColumns() {
    static const QStringList columns = {
        "Popis",      "Katalog",    "BarCode",    "Poznamka",  "Zaok",      "CisloKarty", "CisloSkladu",
        "CisloSkup",  "ProdCena",   "SDPH",       "SazbaDPH",  "Sleva",     "NakCena",    "PocetMJ",
        "MJ",         "PCSDPHMJ",   "PCBDPHMJ",   "PCSDPHPOL", "PCBDPHPOL", "ZiskMJ",     "ZiskPol",
        "ProdCenaPo", "VyseDPHMJ",  "VyseDPHPol", "Poradi",    "Nakladova", "PLU",        "Zkratka",
        "Marze",      "CenHladina", "Rabat",      "IgnorHr",   "Identif",   "Nadpisova",  "Textova"};
    return columns;
}

void CreateOfferItemTable(TMemTable& table) {
    TFieldDefs& d = table.FieldDefs();
    d.Clear();
    const struct {
        const char* name;
        int size;
    } kTexts[] = {{"Popis", 50},   {"Katalog", 20}, {"BarCode", 20},    {"PLU", 6},
                  {"Zkratka", 20}, {"MJ", 10},      {"CenHladina", 10}, {"Identif", 255}};
    for (const QString& c : OfferItemColumns()) {
        if (c == "Poznamka") {
            d.Add(c, ftMemo);
        } else if (IsTextItemColumn(c)) {
            int size = 0;
            for (const auto& t : kTexts)
                if (c == t.name) size = t.size;
            d.Add(c, ftString, size);
        } else if (IsIntegerItemColumn(c)) {
            d.Add(c, ftInteger);
        } else if (IsFlagItemColumn(c)) {
            d.Add(c, ftBoolean);
        } else {
            d.Add(c, ftFloat);
        }
    }
    d.Add("LockID", ftInteger);
    d.Add("NakCenaPol", ftFloat);
    d.Add("Empty1", ftString, 1);
    d.Add("Empty2", ftString, 1);
    for (const char* index : {"Popis", "Poradi", "LockID", "Katalog"}) table.AddIndex(index, index);
    table.CreateTable();
    for (int i = 0; i < table.FieldCount(); ++i) {
        TField* f = table.Fields()[i];
        if (f->DataType() == ftFloat)
            f->SetDisplayFormat(f->FieldName() == "PocetMJ" ? "# ### ### ##0.0000" : "# ### ### ##0.00");
    }
}

TOfferCardHooks& OfferCardHooks() {
    static TOfferCardHooks hooks;
    return hooks;
}

QStringList OfferPaymentKinds() {
    if (!OwnPaymentKinds.isEmpty()) return *SplitToStringList(";", OwnPaymentKinds);
    QStringList kinds;
    for (const char* k : kDefaultPaymentKinds) kinds << QString::fromUtf8(k);
    return kinds;
}

QStringList OfferDeliveryKinds() {
    if (!OwnDeliveryKinds.isEmpty()) return *SplitToStringList(";", OwnDeliveryKinds);
    QStringList kinds;
    for (const char* k : kDefaultDeliveryKinds) kinds << QString::fromUtf8(k);
    return kinds;
}

QString OfferDocumentFolder(int offerId) {
    return DataFolder + "Dokumenty/" + CurrentFirm + "/Nabidky/" + QString::number(offerId) + "/";
}

QString OfferDocumentFullPath(const QString& stored, int offerId) {
    if (stored.left(16).compare(kSharedFolderToken, Qt::CaseInsensitive) != 0) return stored;
    return OfferDocumentFolder(offerId) + stored.mid(16);
}

bool CopyOfferDocument(TDataSet& row, int offerId) {
    const QString source = row.FieldByName("File")->AsString();
    const QString folder = OfferDocumentFolder(offerId);
    const QString target = folder + QFileInfo(source).fileName();
    bool ok = true;
    if (!QDir(folder).exists()) QDir().mkpath(folder);
    if (!QDir(folder).exists()) {
        ShowError("Nelze vytvořit sdílený adresář " + folder + " pro zkopírování dokumentu.");
        ok = false;
    }
    if (!QFileInfo::exists(source)) {
        ShowError(
            "Odkaz na dokument " + source +
            " již není platný (soubor fyzicky neexistuje) - nelze ho proto zkopírovat do sdílené složky.");
        ok = false;
    }
    // The same file under two spellings of its path must not be copied onto itself either.
    const QString canonicalSource = QFileInfo(source).canonicalFilePath();
    const bool same =
        source.toUpper() == target.toUpper() ||
        (!canonicalSource.isEmpty() && canonicalSource == QFileInfo(target).canonicalFilePath());
    if (same) {
        ShowError(QString::fromUtf8(
            "Zdrojový odkaz dokumentu je stejný jako cílový - nelze kopírovat soubor sám na sebe."));
        ok = false;
    }
    if (ok && QFileInfo::exists(target)) {
        if (!AskQuestion("Soubor " + target + " již existuje, opravdu ho chcete přepsat ?")) {
            ok = false;
        } else {
            QFile::remove(target);
            if (QFileInfo::exists(target)) {
                ShowError("Nelze přepsat soubor (dokument) " + target + ".");
                ok = false;
            }
        }
    }
    if (ok && (!QFile::copy(source, target) || !QFileInfo::exists(target))) {
        ShowError("Při kopírování souboru " + source + " na " + target + " došlo k chybě.");
        ok = false;
    }
    row.Edit();
    row.FieldByName("CopyFile")->SetAsBoolean(false);
    if (ok)
        row.FieldByName("File")->SetAsString(QString::fromUtf8(kSharedFolderToken) +
                                             QFileInfo(target).fileName());
    row.Post();
    return ok;
}

// --- opening and saving

bool EditOffer(bool isNew, bool isCopy) {
    TOfferDocument& doc = OfferCardData();
    TOfferCardHooks& hooks = OfferCardHooks();
    TADOQuery& list = frmMain->adqNabidky;
    const bool newOffer = isNew || isCopy;

    bool readOnly = false;
    if (newOffer ? CurrentUser.Nabidky_AR >= TAccessLevel::ReadOnly
                 : CurrentUser.Nabidky_AR == TAccessLevel::NoAccess) {
        TUser::ShowNoRightsMessage();
        return true;
    }
    if (!newOffer && CurrentUser.Nabidky_AR == TAccessLevel::ReadOnly) {
        readOnly = true;
        TUser::ShowReadOnlyMessage();
    }
    if (hooks.ClearOfferListMarks) hooks.ClearOfferListMarks();

    TOfferOpening opening(list);
    int offerId = 0;
    if (!isNew) {
        ShowWorking(true, QString::fromUtf8(kLoadingOfferText));
        if (!list.Active() || RequeryAndLocate(list) != 0) {
            ShowWarning(QString::fromUtf8(kRecordVanishedText));
            if (hooks.UpdateOfferListButtons) hooks.UpdateOfferListButtons();
            return true;
        }
        offerId = list.FieldByName("ID")->AsInteger();
    }
    int returnId = isNew ? 0 : offerId;
    if (!list.Active() || list.IsEmpty()) returnId = -1;
    opening.SwitchFilterOff();
    if (list.Active()) list.Locate("ID", returnId);
    DocumentContext = TDocumentFolderMode::Offer;

    ResetCard(doc);
    doc.ReadOnlyView = readOnly;

    const QString lockPath = isNew || isCopy ? QString() : RecordLockPath("Nabidky", offerId);
    bool lockInUse = false;
    if (!isNew) {
        if (!isCopy && TestRecordLock(lockPath)) {
            ShowInformation(QString::fromUtf8(kRecordInUseText));
            doc.ReadOnlyView = true;
            lockInUse = true;
        }
        LoadHeader(doc, list, isCopy);
        LoadCustomerPriceLevel(doc);
        LoadItems(doc, offerId, isCopy);
        LoadDocuments(doc, offerId, isCopy);
    } else {
        ApplyDefaultTemplate(doc);
    }
    if (newOffer) {
        doc.Header.IDStav = static_cast<int>(TOfferState::InPreparation);
        doc.Header.AutomaticNumber = true;
        doc.Header.Doklad = QString::fromUtf8(kAutomaticNumberText);
    }
    doc.mtTmpPolozky.SetIndexName("Poradi");
    doc.mtTmpDokumenty.SetIndexName("Popis");
    doc.mtTmpPolozky.First();
    doc.mtTmpDokumenty.First();
    RecalcOfferTotals();

    if (!newOffer && !lockInUse) {
        switch (opening.Lock().Take(lockPath)) {
            case TRecordLock::Taken:
                break;
            case TRecordLock::InUse:
                // Another station took it between the test and now.
                ShowInformation(QString::fromUtf8(kRecordInUseText));
                doc.ReadOnlyView = true;
                break;
            case TRecordLock::Failed:
                return true;
        }
    }
    ShowWorking(false);

    if (isCopy && (OfferRateBasic != VatBasicRate || OfferRateReduced != VatReducedRate ||
                   OfferRateFurtherReduced != VatFurtherReducedRate))
        ChangeOfferVatRates();
    if (doc.OfferLocked && !doc.ReadOnlyView) {
        ShowInformation(QString::fromUtf8(kOfferLockedText));
        doc.ReadOnlyView = true;
    }
    doc.EditedOfferID = newOffer ? 0 : offerId;

    // The offer is written from the card's OK: a save that meets a database error it cannot wait
    // out keeps the card open with what the user typed. A save that stopped on its own checks has
    // told the user and closes the card (the failure exit).
    bool failedExit = false;
    const auto save = [&] {
        ShowWorking(true, QString::fromUtf8(kSavingOfferText));
        if (!SaveOffer(doc, list, offerId, newOffer)) failedExit = true;
    };
    if (!doc.ReadOnlyView) doc.Save = [&] { return SaveKeepingCardOpen(save); };
    const bool confirmed = hooks.ShowCard && hooks.ShowCard(doc) && !doc.ReadOnlyView;
    doc.Save = nullptr;
    if (failedExit) return true;

    opening.Finish();
    if (confirmed) {
        returnId = list.Active() && !list.IsEmpty() ? list.FieldByName("ID")->AsInteger() : offerId;
        if (newOffer && OfferPrintAfterNew && hooks.PrintNewOffer) hooks.PrintNewOffer();
    }
    if (list.Active()) list.Locate("ID", returnId);
    if (hooks.UpdateOfferListButtons) hooks.UpdateOfferListButtons();
    if (frmMain->adqZasoby.Active() && hooks.ClosePriceList) hooks.ClosePriceList();
    return false;
}
