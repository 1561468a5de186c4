// The import of price-list items. The whole run is one transaction of the firm database: the
// items it writes are marked unfinished (Chyba, Znacka) until their prices are recalculated, and a
// run that does not come to its end -- cancelled, or stopped by an error in either phase -- is
// rolled back, so the price list is exactly as it was before: no item is deleted that only was
// updated, none keeps old values half overwritten, none stays marked unfinished. The transaction
// also makes the run fast: the engine writes the file once, not once per row. Since nobody outside
// the transaction sees a row before the run's end, a new item is priced as it is written instead
// of being written unfinished and again in phase II: the recalculation reads nothing but the values
// the row is written with, so the item ends exactly as phase II would have left it. Phase II
// recalculates the updated items, whose other columns are the stored ones.
#include <QCoreApplication>
#include <QHash>

#include "core/Locks.h"
#include "core/Main.h"
#include "core/Upgrade.h"
#include "core/Working.h"
#include "import/ImportRun.h"
#include "platform/data/Field.h"
#include "platform/db/ADOCommand.h"
#include "platform/db/ADOQuery.h"
#include "platform/text/OleDate.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/KartaZasoby.h"
#include "pricelist/PriceRules.h"

namespace {

// The widths of the text columns of Zasoby, in characters.
constexpr int kPopisWidth = 50;
constexpr int kKatalogWidth = 20;
constexpr int kBarCodeWidth = 20;
constexpr int kTextMJWidth = 10;
constexpr int kObrazekWidth = 30;
constexpr int kPLUWidth = 6;
constexpr int kZkratkaWidth = 20;
constexpr int kCenSkupinaWidth = 10;
constexpr int kIdentifWidth = 255;

// The columns of a new item, in the order of the INSERT. A row's values go to the statements'
// parameters by these positions, so no column is looked up by its name while the rows run.
enum TInsertColumn : int {
    icSklad,
    icSkupina,
    icPopis,
    icKatalog,
    icBarCode,
    icPoznamka,
    icTextMJ,
    icPLU,
    icZkratka,
    icCenSkupina,
    icIdentif,
    icCenHlad1,
    icCenHlad2,
    icCenHlad3,
    icDostupnost,
    icObrazek,
    icNakCena,
    icPrCenaSDPH,
    icPrCenaBDPH,
    icSazbaDPH,
    icZaok,
    icMarze,
    icRabat,
    icTypHodnoty,
    icPrCenaSDPH1,
    icPrCenaBDPH1,
    icSDPH1,
    icPrCenaSDPH2,
    icPrCenaBDPH2,
    icSDPH2,
    icPrCenaSDPH3,
    icPrCenaBDPH3,
    icSDPH3,
    icSDPH,
    icNakladova,
    icPrepocitat,
    icChyba,
    icZnacka,
    icRepID
};
const char* const kInsertColumns[] = {
    "Sklad",       "Skupina", "Popis",       "Katalog",     "BarCode",     "Poznamka", "TextMJ",
    "PLU",         "Zkratka", "CenSkupina",  "Identif",     "CenHlad1",    "CenHlad2", "CenHlad3",
    "Dostupnost",  "Obrazek", "NakCena",     "PrCenaSDPH",  "PrCenaBDPH",  "SazbaDPH", "Zaok",
    "Marze",       "Rabat",   "TypHodnoty",  "PrCenaSDPH1", "PrCenaBDPH1", "SDPH1",    "PrCenaSDPH2",
    "PrCenaBDPH2", "SDPH2",   "PrCenaSDPH3", "PrCenaBDPH3", "SDPH3",       "SDPH",     "Nakladova",
    "Prepocitat",  "Chyba",   "Znacka",      "RepID"};
constexpr int kInsertColumnCount = static_cast<int>(std::size(kInsertColumns));
static_assert(kInsertColumnCount == 39 && icRepID == kInsertColumnCount - 1);

// The text fields with their columns and widths; 0 keeps the whole text.
struct TTextField {
    int field;
    const char* column;
    int width;
    int insert;  // TInsertColumn
};
constexpr TTextField kTextFields[] = {{ifPopis, "Popis", kPopisWidth, icPopis},
                                      {ifKatalog, "Katalog", kKatalogWidth, icKatalog},
                                      {ifBarCode, "BarCode", kBarCodeWidth, icBarCode},
                                      {ifPoznamka, "Poznamka", 0, icPoznamka},
                                      {ifTextMJ, "TextMJ", kTextMJWidth, icTextMJ},
                                      {ifObrazek, "Obrazek", kObrazekWidth, icObrazek},
                                      {ifPLU, "PLU", kPLUWidth, icPLU},
                                      {ifZkratka, "Zkratka", kZkratkaWidth, icZkratka}};

// What a new item holds before the imported fields and settings replace some of it; the sheet,
// the group and the key are the run's and the row's own.
std::vector<QVariant> NewItemDefaults() {
    std::vector<QVariant> values(kInsertColumnCount);
    for (int text : {icPopis, icKatalog, icBarCode, icPoznamka, icTextMJ, icPLU, icZkratka, icCenSkupina,
                     icIdentif, icCenHlad1, icCenHlad2, icCenHlad3, icDostupnost, icObrazek})
        values[text] = QString();
    for (int number : {icNakCena, icPrCenaSDPH, icPrCenaBDPH, icSazbaDPH, icMarze, icRabat, icPrCenaSDPH1,
                       icPrCenaBDPH1, icPrCenaSDPH2, icPrCenaBDPH2, icPrCenaSDPH3, icPrCenaBDPH3})
        values[number] = 0.0;
    for (int integer : {icZaok, icTypHodnoty}) values[integer] = 0;
    for (int flag : {icSDPH1, icSDPH2, icSDPH3, icSDPH, icNakladova, icPrepocitat}) values[flag] = false;
    return values;
}

// The parameter of a column in the row of a batch of new items.
QString InsertParamName(int slot, const QString& column) {
    return QLatin1Char('r') + QString::number(slot) + QLatin1Char('_') + column;
}
QString InsertParamName(int slot, const char* column) {
    return InsertParamName(slot, QString::fromLatin1(column));
}

// The statement that writes the given number of new items at once. A conflict ends the whole
// transaction instead of just the statement: the run is one transaction, and a write that fails
// rolls all of it back anyway. A statement that may end alone and writes several rows makes the
// engine keep a journal of its own, in a temporary file, of every page it changes.
QString InsertSql(int rows) {
    QStringList columns;
    for (const char* c : kInsertColumns) columns << QString::fromLatin1(c);
    QStringList values;
    for (int slot = 0; slot < rows; ++slot) {
        QStringList params;
        for (const QString& c : columns) params << ":" + InsertParamName(slot, c);
        values << "(" + params.join(", ") + ")";
    }
    return "INSERT OR ROLLBACK INTO Zasoby (" + columns.join(", ") + ") VALUES " + values.join(", ");
}

// The column a reference field matches, by its RefField value.
QString RefColumn(const QString& refField) {
    static const std::pair<const char*, const char*> kColumns[] = {{"KATALOG", "Katalog"},
                                                                   {"BARCODE", "BarCode"},
                                                                   {"PLU", "PLU"},
                                                                   {"ZKRATKA", "Zkratka"},
                                                                   {"POPIS", "Popis"}};
    for (const auto& [value, column] : kColumns)
        if (refField == QLatin1String(value)) return QString::fromLatin1(column);
    return QString();
}

// The firm database's transaction for the run: rolled back on every way out that did not commit.
class TRunTransaction {
public:
    explicit TRunTransaction(TADOConnection& connection) : connection_(connection) {
        connection_.BeginTrans();
    }
    ~TRunTransaction() { Rollback(); }
    void Commit() {
        if (connection_.InTransaction()) connection_.CommitTrans();
    }
    void Rollback() {
        if (!connection_.InTransaction()) return;
        try {
            connection_.RollbackTrans();
        } catch (...) {
            // Nothing more can be done from here; the engine itself undoes an unfinished
            // transaction when the connection closes.
        }
    }

private:
    TADOConnection& connection_;
};

// A prepared statement of the run: the text is parsed once, each row only sets its values.
class TRunStatement {
public:
    explicit TRunStatement(const QString& sql) {
        command_.Connection = &frmMain->ADOConAgenda;
        command_.SetCommandText(sql);
    }
    // The parameter of a name, found once per run rather than once per row.
    TParameter* Param(const QString& name) { return command_.Parameters.ParamByName(name); }
    // Null when the statement has no such parameter.
    TParameter* Find(const QString& name) { return command_.Parameters.FindParam(name); }
    int Execute() { return command_.Execute(); }

private:
    TADOCommand command_;
};

class TItemImportRun {
public:
    TItemImportRun(const TImportDefinition& def, IImportProtocol& protocol)
        : def_(def), protocol_(protocol) {}
    int Run();

private:
    void Line(const QString& text, TProtocolKind kind = TProtocolKind::Plain) {
        protocol_.AddProtocolLine(text, kind);
    }
    void Line(const char* text, TProtocolKind kind = TProtocolKind::Plain) {
        Line(QString::fromUtf8(text), kind);
    }
    bool Matching() const { return def_.Porovnavat; }
    bool CreatesNew() const { return !def_.Porovnavat || def_.CheckNovaPolozka; }
    bool SettingsOnUpdate() const { return !def_.CheckNastavNaNove; }
    bool CheckTargets();
    void LoadSearchedItems();
    void WriteHeader(int count);
    QString UpdateSql() const;
    // One source row; false ends the run with the result in result_.
    bool ImportRow(int row);
    void PriceNewItem(int slot);
    // Writes the rows of the batch filled in so far; false ends the run with the result in result_.
    bool WriteNewItems();
    bool PhaseTwo();

    const TImportDefinition& def_;
    IImportProtocol& protocol_;
    TDefinitionNames names_;
    TImportDefinition resolved_;
    std::unique_ptr<TImportRows> rows_;
    TDateTime runTime_ = 0;
    int result_ = 0;
    int added_ = 0, updated_ = 0;
    // The searched items: the reference value (case folded) of each, first item first.
    QHash<QString, int> searched_;
    std::vector<std::pair<int, double>> searchedItems_;  // ID and VAT rate
    // New items are written kBatchRows at a time, by one statement with a set of parameters per
    // row: a statement's own work (opening the table, the counter of its keys, ending) then comes
    // once per batch instead of once per row, where it was a third of the engine's work. Larger
    // batches spare little more and cost more to prepare.
    static constexpr int kBatchRows = 8;
    std::unique_ptr<TRunStatement> insert_, insertOne_, update_;
    int pending_ = 0;  // rows of the batch filled in and not yet written
    // The statements' parameters by column of kInsertColumns (null where the UPDATE has none); the
    // INSERT's of each row of the batch one after another.
    std::vector<TParameter*> insertParams_, insertOneParams_, updateParams_;
    TParameter* updateId_ = nullptr;
    // The INSERT's parameters of the columns the recalculation saves, in its order, per row of the
    // batch.
    std::vector<TParameter*> savedParams_;
    std::unique_ptr<TItemRecalcRun> recalc_;
    // What every new item starts from.
    const std::vector<QVariant> newItem_ = NewItemDefaults();
};

bool TItemImportRun::CheckTargets() {
    resolved_ = def_;
    ResolveDefinitionRows(resolved_, names_);
    if (CreatesNew() && (resolved_.IDListu == 0 || resolved_.IDSkup == 0)) {
        Line(kItemRunNoTarget, TProtocolKind::Red);
        return false;
    }
    if (def_.CheckHledatPouzeV) {
        if (resolved_.IDListuHledatV == 0) {
            Line(kItemRunNoFilterSheet, TProtocolKind::Red);
            return false;
        }
        if (def_.CheckHledatVeSkup && resolved_.IDSkupHledatV == 0) {
            Line(kItemRunNoFilterGroup, TProtocolKind::Red);
            return false;
        }
    }
    return true;
}

void TItemImportRun::LoadSearchedItems() {
    TADOQuery& q = frmMain->adqAgendaFree2;
    q.Close();
    QString sql = "SELECT * FROM Zasoby";
    if (def_.CheckHledatPouzeV) {
        if (def_.CheckHledatVeSkup)
            sql += " WHERE (Sklad = " + QString::number(resolved_.IDListuHledatV) +
                   ") AND (Skupina = " + QString::number(resolved_.IDSkupHledatV) + ")";
        else
            sql += " WHERE Sklad = " + QString::number(resolved_.IDListuHledatV);
    }
    q.SetSQL(sql);
    q.Open();
    const QString column = RefColumn(def_.RefField);
    TField* ref = column.isEmpty() ? nullptr : q.FieldByName(column);
    TField* id = q.FieldByName("ID");
    TField* rate = q.FieldByName("SazbaDPH");
    searchedItems_.reserve(q.RecordCount());
    for (q.First(); !q.Eof(); q.Next()) {
        if (!ref) break;
        // Jet compares text without regard to letter case; the first item of a code wins.
        const QString key = ref->AsString().toCaseFolded();
        if (!searched_.contains(key)) searched_.insert(key, static_cast<int>(searchedItems_.size()));
        searchedItems_.push_back({id->AsInteger(), rate->AsFloat()});
    }
    q.Close();
}

void TItemImportRun::WriteHeader(int count) {
    protocol_.SetProgressMax(count);
    if (Matching()) {
        Line(QString::fromUtf8(kRunStartMatching) + ItemRefCaption(def_.RefField) +
             QString::fromUtf8(kRunStartMatchingSource) + def_.RefDBField + "]");
        if (def_.CheckHledatPouzeV) {
            Line(QString::fromUtf8(kItemRunFilterSheet) + "\"" + names_.FilterSheet + "\"");
            if (def_.CheckHledatVeSkup)
                Line(QString::fromUtf8(kItemRunFilterGroup) + "\"" + names_.FilterGroup + "\"");
        } else {
            Line(kItemRunFilterOff);
        }
    } else {
        Line(kRunStartAllNew);
    }
    Line(kRunMayTakeLong);
    Line(kItemRunPhaseOne);
}

// The UPDATE of a matched item, with a clause for every imported field and applied setting. Its
// TypHodnoty follows the automatic recalculation's basis when that is set, else the kind of the
// imported value: the value imported as a margin (or rabat) is then what the price follows.
QString TItemImportRun::UpdateSql() const {
    QString sql = "UPDATE Zasoby SET Chyba = :Chyba, Znacka = :Znacka";
    for (const TTextField& t : kTextFields) {
        if (t.field == ifTextMJ && def_.Items[ifSazbaDPH].Check) sql += ", SazbaDPH = :SazbaDPH";
        if (def_.Items[t.field].Check) sql += QString(", %1 = :%1").arg(QLatin1String(t.column));
    }
    if (def_.Items[ifNakCena].Check) sql += ", NakCena = :NakCena";
    const bool prepocitat = def_.CheckPrepocitat && SettingsOnUpdate();
    if (def_.Items[ifHodnota].Check)
        sql += def_.TypHodnota == 1 ? ", Rabat = :Rabat, TypHodnoty = :TypHodnoty"
                                    : ", Marze = :Marze, TypHodnoty = :TypHodnoty";
    if (def_.Items[ifProdCena].Check) sql += ", PrCenaBDPH = :PrCenaBDPH, PrCenaSDPH = :PrCenaSDPH";
    if (SettingsOnUpdate()) {
        if (def_.CheckCenSkup) sql += ", CenSkupina = :CenSkupina";
        if (def_.CheckIdentif) sql += ", Identif = :Identif";
        if (def_.CheckZaokrouhleni) sql += ", Zaok = :Zaok";
        if (def_.CheckTypCeny) sql += ", SDPH = :SDPH";
        if (def_.CheckPrepocitat) sql += ", Prepocitat = :Prepocitat";
    }
    if (prepocitat && !def_.Items[ifHodnota].Check) sql += ", TypHodnoty = :TypHodnoty";
    return sql + " WHERE ID = :IDZaznamu";
}

bool TItemImportRun::ImportRow(int row) {
    const TImportRows& rows = *rows_;
    int match = -1;
    if (Matching()) {
        QString value;
        try {
            value = rows.Text(row, rows.ColumnIndex(def_.RefDBField));
        } catch (const std::exception& e) {
            Line(QString::fromUtf8(kRunReadError) + QString::fromUtf8(e.what()), TProtocolKind::Red);
            result_ = -1;
            return false;
        }
        if (value.isEmpty()) {
            Line(QString::fromUtf8(kRunEmptyRefWarning) + QString::number(row + 1) +
                 QString::fromUtf8(kRunEmptyRefWarningEnd) + def_.RefDBField + ")");
        } else {
            auto found = searched_.constFind(value.toCaseFolded());
            if (found != searched_.constEnd()) match = *found;
        }
        if (match < 0 && !def_.CheckNovaPolozka) return true;
    }
    const bool isNew = match < 0;

    // The row's values go straight into the parameters of its statement: for a new item every
    // column, starting from the defaults, for an update only the columns of its clauses.
    TParameter* const* params =
        isNew ? insertParams_.data() + pending_ * kInsertColumnCount : updateParams_.data();
    auto put = [&](int column, const QVariant& value) {
        Q_ASSERT(params[column]);
        params[column]->Value = value;
    };
    if (isNew) {
        for (int i = 0; i < kInsertColumnCount; ++i) params[i]->Value = newItem_[static_cast<size_t>(i)];
        // New items go into the sheet that holds the chosen group, whatever sheet the definition
        // names beside it: an item whose sheet and group disagree would be lost to the list.
        put(icSklad, names_.GroupSheet != 0 ? names_.GroupSheet : resolved_.IDListu);
        put(icSkupina, resolved_.IDSkup);
        put(icRepID, NewGuidString());
    }
    double vatRate = isNew ? 0.0 : searchedItems_[match].second;

    int field = -1;
    try {
        for (field = 0; field < kItemFieldCount; ++field) {
            const TMappedField& m = def_.Items[field];
            if (!m.Check) continue;
            switch (field) {
                case ifSazbaDPH:
                    vatRate = MappedNumber(m, rows, row);
                    put(icSazbaDPH, vatRate);
                    break;
                case ifNakCena:
                    put(icNakCena, MappedNumber(m, rows, row));
                    break;
                case ifHodnota:
                    put(def_.TypHodnota == 1 ? icRabat : icMarze, MappedNumber(m, rows, row));
                    break;
                case ifProdCena: {
                    const long double price = MappedNumber(m, rows, row);
                    const bool withVat = def_.ProdCenaTypCeny == 1;
                    const long double other =
                        CalcVat(withVat, withVat ? VatKindNet : VatKindGross, price, vatRate);
                    put(icPrCenaSDPH, static_cast<double>(withVat ? price : other));
                    put(icPrCenaBDPH, static_cast<double>(withVat ? other : price));
                    break;
                }
                default:
                    for (const TTextField& t : kTextFields) {
                        if (t.field != field) continue;
                        const QString text = MappedText(m, rows, row);
                        put(t.insert, t.width > 0 ? text.left(t.width) : text);
                    }
            }
        }
    } catch (const std::exception& e) {
        QString name = ItemFieldStem(field);
        if (field == ifHodnota) name = "Marze\" nebo \"Rabat";
        Line(FieldReadErrorLine(name) + QString::fromUtf8(e.what()), TProtocolKind::Red);
        result_ = -1;
        return false;
    }

    const bool prepocitat = def_.CheckPrepocitat && (isNew || SettingsOnUpdate());
    if (isNew || SettingsOnUpdate()) {
        if (def_.CheckCenSkup) put(icCenSkupina, def_.CenSkupina.left(kCenSkupinaWidth));
        if (def_.CheckIdentif) put(icIdentif, def_.Identif.left(kIdentifWidth));
        if (def_.CheckZaokrouhleni) put(icZaok, def_.ValueZaokrouhleni);
        if (def_.CheckTypCeny) put(icSDPH, def_.ValueTypCeny == 1);
        if (def_.CheckPrepocitat) put(icPrepocitat, def_.ValuePrepocitat != 1);
    }
    if (prepocitat)
        put(icTypHodnoty, def_.ValuePrepocPodle);
    else if (!isNew && def_.Items[ifHodnota].Check)
        put(icTypHodnoty, def_.TypHodnota);
    put(icChyba, true);
    put(icZnacka, runTime_);
    if (isNew) {
        PriceNewItem(pending_);
        ++added_;
        return ++pending_ < kBatchRows || WriteNewItems();
    }

    int affected = 0;
    try {
        updateId_->Value = searchedItems_[match].first;
        affected = update_->Execute();
    } catch (const std::exception& e) {
        Line(QString::fromUtf8(kRunSaveError) + QString::fromUtf8(e.what()), TProtocolKind::Red);
        result_ = -1;
        return false;
    }
    if (affected == 0) {
        ShowError(QString::fromUtf8(kItemRunExecuteFailed));
        result_ = -1;
        return false;
    }
    ++updated_;
    return true;
}

bool TItemImportRun::WriteNewItems() {
    const int rows = pending_;
    pending_ = 0;
    if (rows == 0) return true;
    int affected = 0;
    try {
        if (rows == kBatchRows) {
            affected = insert_->Execute();
        } else {
            // The last batch of a run is shorter: its rows are written one by one.
            for (int slot = 0; slot < rows; ++slot) {
                for (int c = 0; c < kInsertColumnCount; ++c)
                    insertOneParams_[static_cast<size_t>(c)]->Value =
                        insertParams_[static_cast<size_t>(slot * kInsertColumnCount + c)]->Value;
                affected += insertOne_->Execute();
            }
        }
    } catch (const std::exception& e) {
        Line(QString::fromUtf8(kRunSaveError) + QString::fromUtf8(e.what()), TProtocolKind::Red);
        result_ = -1;
        return false;
    }
    if (affected != rows) {
        ShowError(QString::fromUtf8(kItemRunExecuteFailed));
        result_ = -1;
        return false;
    }
    return true;
}

// Recalculates the new item whose values stand in the INSERT's parameters, reading them as phase
// II would read the written row, and leaves the prices and the cleared mark in the parameters.
void TItemImportRun::PriceNewItem(int slot) {
    TParameter* const* p = insertParams_.data() + slot * kInsertColumnCount;
    auto number = [p](int column) { return p[column]->Value.toDouble(); };
    TItemPriceRow item;
    item.Chyba = p[icChyba]->Value.toBool();
    item.Zaok = p[icZaok]->Value.toInt();
    item.Prepocitat = p[icPrepocitat]->Value.toBool();
    item.SazbaDPH = number(icSazbaDPH);
    item.SDPH = p[icSDPH]->Value.toBool();
    item.NakCena = number(icNakCena);
    item.Marze = number(icMarze);
    item.Rabat = number(icRabat);
    item.TypHodnoty = p[icTypHodnoty]->Value.toInt();
    item.PrCenaSDPH = number(icPrCenaSDPH);
    item.PrCenaBDPH = number(icPrCenaBDPH);
    item.CenSkupina = p[icCenSkupina]->Value.toString();
    const int slotTexts[] = {icCenHlad1, icCenHlad2, icCenHlad3};
    const int slotGross[] = {icPrCenaSDPH1, icPrCenaSDPH2, icPrCenaSDPH3};
    const int slotNet[] = {icPrCenaBDPH1, icPrCenaBDPH2, icPrCenaBDPH3};
    for (int i = 0; i < 3; ++i) {
        item.CenHlad[i] = p[slotTexts[i]]->Value.toString();
        item.PrCenaSDPHSlot[i] = number(slotGross[i]);
        item.PrCenaBDPHSlot[i] = number(slotNet[i]);
    }
    recalc_->Calculate(item, savedParams_.data() + slot * TItemRecalcRun::SavedColumns().size());
}

// Recalculates the run's items. False when the run is not to be kept: cancelled, or an item failed.
bool TItemImportRun::PhaseTwo() {
    Line(kItemRunPhaseTwo);
    // Only updated items are left marked: new ones were priced as they were written.
    if (updated_ == 0) {
        protocol_.SetProgressMax(0);
        return true;
    }
    TADOQuery& q = frmMain->adqAgendaFree2;
    q.Close();
    // Each row is recalculated as the silent item card recalculates it, by one run that reads the
    // groups and their rules once; the query reads only the columns the recalculation needs.
    q.SetSQL("SELECT " + TItemRecalcRun::Columns() +
             " FROM Zasoby WHERE Chyba = True AND Znacka = :CasZnacka");
    q.Parameters().ParamByName("CasZnacka")->Value = runTime_;
    q.Open();
    protocol_.SetProgressMax(q.RecordCount());
    int counter = 1;
    bool keep = true;
    TItemRecalcRun& recalc = *recalc_;
    const TItemPriceRowReader row(q);
    TField* id = q.FieldByName("ID");
    for (q.First(); !q.Eof(); q.Next()) {
        if (recalc.Recalculate(id->AsInteger(), row.Read()) != 0) {
            result_ = -2;
            keep = false;
            break;
        }
        RunStepDone(protocol_, ++counter);
        if (WorkingCancelled) {
            if (AskQuestion(QString::fromUtf8(kItemRunConfirmStopPhaseTwo))) {
                keep = false;
                break;
            }
            WorkingCancelled = false;
        }
    }
    q.Close();
    return keep;
}

int TItemImportRun::Run() {
    runTime_ = Now();
    protocol_.SetProgress(0);
    Line(kItemRunHeading, TProtocolKind::Bold);
    if (!CheckTargets()) return -1;
    if (!OpenRunSource(def_, protocol_, rows_)) return -1;

    TfrmMain& main = *frmMain;
    QString unused;
    GetPriceGroupAbbrev(0, false, unused);
    LoadPriceGroupRules(0);
    struct TCloseAtEnd {
        ~TCloseAtEnd() {
            frmMain->adqAgendaFree2.Close();
            frmMain->adqCenSkup.Close();
            ImportConnection().Close();
        }
    } closeAtEnd;

    if (Matching()) LoadSearchedItems();
    Line(QString(), TProtocolKind::RemoveLast);

    TRunTransaction transaction(main.ADOConAgenda);
    bool cancelled = false;
    const int count = rows_->RecordCount();
    if (count == 0) {
        Line(kRunEmptySource);
    } else {
        WriteHeader(count);
        insert_ = std::make_unique<TRunStatement>(InsertSql(kBatchRows));
        insertOne_ = std::make_unique<TRunStatement>(InsertSql(1));
        for (const char* c : kInsertColumns)
            insertOneParams_.push_back(insertOne_->Param(InsertParamName(0, c)));
        for (int slot = 0; slot < kBatchRows; ++slot) {
            for (const char* c : kInsertColumns)
                insertParams_.push_back(insert_->Param(InsertParamName(slot, c)));
            for (const QString& c : TItemRecalcRun::SavedColumns())
                savedParams_.push_back(insert_->Param(InsertParamName(slot, c)));
        }
        recalc_ = std::make_unique<TItemRecalcRun>();
        if (Matching()) {
            update_ = std::make_unique<TRunStatement>(UpdateSql());
            for (const char* c : kInsertColumns)
                updateParams_.push_back(update_->Find(QString::fromLatin1(c)));
            updateId_ = update_->Param("IDZaznamu");
        }
        auto failed = [&] {
            transaction.Rollback();
            Line(kItemRunRestored);
            return result_;
        };
        for (int row = 0; row < count; ++row) {
            if (!ImportRow(row)) return failed();
            RunStepDone(protocol_, row + 1);
            if (WorkingCancelled) {
                if (AskQuestion(QString::fromUtf8(kItemRunConfirmStop))) {
                    cancelled = true;
                    break;
                }
                WorkingCancelled = false;
            }
        }
        // What is left of the last batch of new items.
        if (!cancelled && !WriteNewItems()) return failed();
        if (cancelled) {
            Line(kItemRunRollback);
            WorkingCancelled = false;
            transaction.Rollback();
            Line(kItemRunRestored);
        } else if (!PhaseTwo()) {
            transaction.Rollback();
            Line(kItemRunRestored);
            cancelled = result_ == 0;
        }
    }
    if (cancelled) WorkingCancelled = true;
    if (!cancelled && result_ == 0) {
        transaction.Commit();
        Line(QString::fromUtf8(kRunSourceCount) + QString::number(count));
        Line(kItemRunPriceList);
        Line(QString::fromUtf8(kRunAdded) + QString::number(added_));
        Line(QString::fromUtf8(kRunUpdated) + QString::number(updated_));
        Line(QString::fromUtf8(kRunWritten) + QString::number(added_ + updated_));
    }
    protocol_.SetProgress(protocol_.ProgressMax());
    protocol_.SetProgress(0);
    if (cancelled) Line(kRunCancelled, TProtocolKind::Bold);
    return result_;
}

}  // namespace

int ImportPriceListItems(const TImportDefinition& def, IImportProtocol& protocol) {
    return TItemImportRun(def, protocol).Run();
}
