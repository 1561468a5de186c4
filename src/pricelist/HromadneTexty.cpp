// The bulk text wizard and its run. It writes texts only: prices, Chyba and record locks are left
// alone, and the change stamps are written once before and once after the run, never per row.
#include "pricelist/HromadneTexty.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTextEdit>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>
#include <utility>

#include "core/CardProtocol.h"
#include "core/Informace.h"
#include "core/Locks.h"
#include "core/Login.h"
#include "core/Main.h"
#include "core/Upgrade.h"
#include "core/Working.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/EditorIdentif.h"
#include "pricelist/PriceListUi.h"
#include "pricelist/SklSkupiny.h"
#include "pricelist/Sklady.h"
#include "pricelist/Zasoby.h"
#include "widgets/VnDBGrids.h"

namespace {

const char* const kContinueText = "Pokračovat můžete tlačítkem [Další]";
const char* const kWarningTitle = "Varování:";
const char* const kWarningText =
    "provedené změny budou nevratné! Před spuštěním funkce proto doporučujeme provést zálohu dat (volba "
    "Ostatní / Zálohování >> Vytvoření zálohy).";
const char* const kValuesFrame = "Nastavit na položky";
const char* const kAllItems = "provést změny na všech položkách v ceníku (ve všech listech a skupinách)";
const char* const kFilterFrame = "Filtr";
const char* const kOnlySheet = "pouze list";
const char* const kOnlyGroup = "pouze skupina";
const char* const kBeforeStart = "Operaci dokončíte stisknutím tlačítka [Další]";
const char* const kWorking = "Nastavení údajů na položkách, prosím čekejte...";
const char* const kIdentifierHint = "Úprava identifikátorů";
const char* const kGroupName = "[skupina %1]";
const char* const kItemLinePrefix = "• Položka ";

const char* const kIdentifierActions[] = {"Nastavit jednotně", "Přidat", "Odebrat"};

// The longest texts the item's columns hold.
constexpr int kPopisLength = 50;
constexpr int kKatalogLength = 20;
constexpr int kBarCodeLength = 20;
constexpr int kPluLength = 6;
constexpr int kZkratkaLength = 20;
constexpr int kTextMJLength = 10;

// Every so many rows the window is kept alive, the progress moves and an interruption is honoured:
// often enough to answer the user, rarely enough not to slow the run.
constexpr int kPumpEvery = 5;

TADOQuery& Sheets() { return frmMain->adqSklady; }

QCheckBox* Check(QWidget* parent, const char* name, const char* caption) {
    auto* box = new QCheckBox(QString::fromUtf8(caption), parent);
    box->setObjectName(name);
    return box;
}

QLineEdit* Entry(QWidget* parent, const char* name, int maxLength) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    if (maxLength > 0) edit->setMaxLength(maxLength);
    return edit;
}

QLabel* Text(QWidget* parent, const char* text, bool wrap = true) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setWordWrap(wrap);
    return label;
}

// Writes the run's texts into one item after another; the statement is prepared once.
class TTextWriter {
public:
    TTextWriter(TfrmNastavText& w, TDateTime mark) : w_(w), mark_(mark) {
        action_ = static_cast<TBulkIdentifierAction>(w.cbxAkceIdentif->currentIndex());
        merging_ = w.chckIdentif->isChecked() && action_ != TBulkIdentifierAction::SetAll;
        QString sql = "UPDATE Zasoby SET Znacka = :Znacka";
        TParameters& p = command_.Parameters;
        command_.Connection = &frmMain->ADOConAgenda;
        auto add = [&](QCheckBox* box, const char* column, const QVariant& value) {
            if (!box->isChecked()) return;
            sql += QString(", %1 = :%1").arg(QString::fromLatin1(column));
            values_.emplace_back(QString::fromLatin1(column), value);
        };
        add(w.chckPopisPol, "Popis", w.edtPopisPol->text());
        add(w.chckKatalog, "Katalog", w.edtKatalog->text());
        add(w.chckBarCode, "BarCode", w.edtBarCode->text());
        add(w.chckPLU, "PLU", w.edtPlu->text());
        add(w.chckZkratka, "Zkratka", w.edtZkratka->text());
        add(w.chckTextMJ, "TextMJ", w.edtTextMJ->text());
        // The memo keeps the line ends the program stores everywhere.
        QString note = w.memPoznamka->toPlainText();
        note.replace(QLatin1String("\r\n"), QLatin1String("\n"))
            .replace(QLatin1Char('\n'), QLatin1String("\r\n"));
        add(w.chckPoznamka, "Poznamka", note);
        add(w.chckIdentif, "Identif", w.edtIdentif->text());
        add(w.chckDostupnost, "Dostupnost", w.AvailabilityCode());
        sql += " WHERE ID = :ID";
        command_.SetCommandText(sql);
        for (const auto& [name, value] : values_) p.ParamByName(name)->Value = value;
    }

    // Writes the current row of the query; false when its identifiers could not be merged.
    bool Write(TDataSet& row) {
        TParameters& p = command_.Parameters;
        p.ParamByName("ID")->Value = row.FieldByName("ID")->AsInteger();
        p.ParamByName("Znacka")->Value = mark_;
        bool merged = true;
        if (merging_) {
            const QString own = row.FieldByName("Identif")->AsString();
            QString list;
            MergeIdentifierList(own, w_.edtIdentif->text(), static_cast<int>(action_), list);
            if (list.size() > kIdentifierListMaxLength) {
                // The record cannot hold it: the item keeps its own list, its other texts are written.
                list = own;
                merged = false;
            }
            p.ParamByName("Identif")->Value = list;
        }
        command_.Execute();
        return merged;
    }

private:
    TfrmNastavText& w_;
    TDateTime mark_;
    TBulkIdentifierAction action_;
    bool merging_ = false;
    TADOCommand command_;
    std::vector<std::pair<QString, QVariant>> values_;
};

// The change stamps of the item and group tables, frozen for a run: written once as it starts and
// once as it ends, whichever way it ends, so other stations requery once and never miss the change.
class TFrozenStamps {
public:
    TFrozenStamps() {
        ChangeStampsSuspended = false;
        Stamp();
        ChangeStampsSuspended = true;
    }
    ~TFrozenStamps() {
        ChangeStampsSuspended = false;
        Stamp();
    }
    TFrozenStamps(const TFrozenStamps&) = delete;
    TFrozenStamps& operator=(const TFrozenStamps&) = delete;

private:
    static void Stamp() {
        TableChangeStamp(tsWrite, "ZASOBY");
        TableChangeStamp(tsWrite, "SKUPINY");
    }
};

// Whether another station has the main database open: the run only gets slower then. Our own
// connection is closed for the probe and opened again.
bool OtherStationPresent() {
    TADOConnection& con = frmMain->ADOConGlobal;
    if (!con.Connected()) return false;
    const QString path = con.FileName();
    const QString password = con.Password();
    const bool present = JetLockProbe(con, con.PresenceFileName());
    con.Open(path, password);
    return present;
}

}  // namespace

// ---- the window ------------------------------------------------------------------------------------------

TfrmNastavText::TfrmNastavText(QWidget* parent) : TVnDialog(parent) {
    setObjectName("frmNastavText");
    setWindowTitle(QString::fromUtf8(kBulkTextCaption));
    BuildWindow();
}

void TfrmNastavText::BuildWindow() {
    auto* root = new QVBoxLayout(this);
    pgcMain = new QStackedWidget(this);
    pgcMain->setObjectName("pgcMain");
    root->addWidget(pgcMain, 1);

    // Welcome.
    auto* welcome = new QWidget(pgcMain);
    auto* wl = new QVBoxLayout(welcome);
    wl->addWidget(Text(welcome, kBulkTextWelcome));
    lblTipHrOperace = Text(welcome, kBulkTextTip);
    lblTipHrOperace->setObjectName("lblTipHrOperace");
    wl->addWidget(lblTipHrOperace);
    wl->addWidget(Text(welcome, kContinueText));
    QLabel* warningTitle = Text(welcome, kWarningTitle);
    QFont bold = warningTitle->font();
    bold.setBold(true);
    warningTitle->setFont(bold);
    wl->addWidget(warningTitle);
    wl->addWidget(Text(welcome, kWarningText));
    lblNetUpozorneni = Text(welcome, kBulkTextNetWarning);
    lblNetUpozorneni->setObjectName("lblNetUpozorneni");
    wl->addWidget(lblNetUpozorneni);
    wl->addStretch(1);
    pgcMain->addWidget(welcome);

    // Values.
    auto* values = new QWidget(pgcMain);
    auto* vl = new QVBoxLayout(values);
    auto* frame = new QGroupBox(QString::fromUtf8(kValuesFrame), values);
    auto* grid = new QGridLayout(frame);
    int row = 0;
    auto line = [&](QCheckBox* box, QWidget* control) {
        grid->addWidget(box, row, 0);
        grid->addWidget(control, row, 1);
        ++row;
    };
    chckPopisPol = Check(frame, "chckPopisPol", "Popis");
    edtPopisPol = Entry(frame, "edtPopisPol", kPopisLength);
    line(chckPopisPol, edtPopisPol);
    chckKatalog = Check(frame, "chckKatalog", "Katalog");
    edtKatalog = Entry(frame, "edtKatalog", kKatalogLength);
    line(chckKatalog, edtKatalog);
    chckBarCode = Check(frame, "chckBarCode", "Čárový kód");
    edtBarCode = Entry(frame, "edtBarCode", kBarCodeLength);
    line(chckBarCode, edtBarCode);
    chckPLU = Check(frame, "chckPLU", "PLU");
    edtPlu = Entry(frame, "edtPlu", kPluLength);
    line(chckPLU, edtPlu);
    chckPoznamka = Check(frame, "chckPoznamka", "Poznámku");
    memPoznamka = new QTextEdit(frame);
    memPoznamka->setObjectName("memPoznamka");
    memPoznamka->setAcceptRichText(false);
    memPoznamka->setFixedHeight(60);
    line(chckPoznamka, memPoznamka);
    chckZkratka = Check(frame, "chckZkratka", "Zkratku");
    edtZkratka = Entry(frame, "edtZkratka", kZkratkaLength);
    line(chckZkratka, edtZkratka);
    chckTextMJ = Check(frame, "chckTextMJ", "Měrnou jednotku");
    edtTextMJ = Entry(frame, "edtTextMJ", kTextMJLength);
    line(chckTextMJ, edtTextMJ);
    chckIdentif = Check(frame, "chckIdentif", "Identifikátory");
    auto* identif = new QWidget(frame);
    auto* il = new QHBoxLayout(identif);
    il->setContentsMargins(0, 0, 0, 0);
    QStringList actions;
    for (const char* a : kIdentifierActions) actions << QString::fromUtf8(a);
    cbxAkceIdentif = Choice(identif, "cbxAkceIdentif", actions);
    edtIdentif = Entry(identif, "edtIdentif", 0);
    edtIdentif->setReadOnly(true);
    btnIdentif = new QPushButton("...", identif);
    btnIdentif->setObjectName("btnIdentif");
    btnIdentif->setToolTip(QString::fromUtf8(kIdentifierHint));
    btnIdentif->setAutoDefault(false);
    il->addWidget(cbxAkceIdentif);
    il->addWidget(edtIdentif, 1);
    il->addWidget(btnIdentif);
    line(chckIdentif, identif);
    chckDostupnost = Check(frame, "chckDostupnost", "Dostupnost");
    cbxDostupnost = Choice(frame, "cbxDostupnost", AvailabilityTexts());
    line(chckDostupnost, cbxDostupnost);
    vl->addWidget(frame);
    vl->addStretch(1);
    pgcMain->addWidget(values);
    for (QCheckBox* box : {chckPopisPol, chckKatalog, chckBarCode, chckPLU, chckPoznamka, chckZkratka,
                           chckTextMJ, chckIdentif, chckDostupnost})
        connect(box, &QCheckBox::toggled, this, [this] { UpdateValueRows(); });
    connect(btnIdentif, &QPushButton::clicked, this, [this] { btnIdentifClick(); });

    // Scope.
    auto* scope = new QWidget(pgcMain);
    auto* sl = new QVBoxLayout(scope);
    chckProvestVse = Check(scope, "chckProvestVse", kAllItems);
    sl->addWidget(chckProvestVse);
    auto* filter = new QGroupBox(QString::fromUtf8(kFilterFrame), scope);
    auto* fl = new QGridLayout(filter);
    chckList = Check(filter, "chckList", kOnlySheet);
    edtList = Entry(filter, "edtList", 0);
    edtList->setReadOnly(true);
    btnList = new QPushButton("...", filter);
    btnList->setObjectName("btnList");
    btnList->setAutoDefault(false);
    chckSkupina = Check(filter, "chckSkupina", kOnlyGroup);
    edtSkupina = Entry(filter, "edtSkupina", 0);
    edtSkupina->setReadOnly(true);
    btnSkupina = new QPushButton("...", filter);
    btnSkupina->setObjectName("btnSkupina");
    btnSkupina->setAutoDefault(false);
    fl->addWidget(chckList, 0, 0);
    fl->addWidget(edtList, 0, 1);
    fl->addWidget(btnList, 0, 2);
    fl->addWidget(chckSkupina, 1, 0);
    fl->addWidget(edtSkupina, 1, 1);
    fl->addWidget(btnSkupina, 1, 2);
    sl->addWidget(filter);
    sl->addStretch(1);
    pgcMain->addWidget(scope);
    for (QCheckBox* box : {chckProvestVse, chckList, chckSkupina})
        connect(box, &QCheckBox::toggled, this, [this] { UpdateScopeRows(); });
    connect(btnList, &QPushButton::clicked, this, [this] { btnListClick(); });
    connect(btnSkupina, &QPushButton::clicked, this, [this] { btnSkupinaClick(); });

    // Before start.
    auto* before = new QWidget(pgcMain);
    auto* bl = new QVBoxLayout(before);
    bl->addWidget(Text(before, kBeforeStart));
    bl->addStretch(1);
    pgcMain->addWidget(before);

    // Working.
    auto* working = new QWidget(pgcMain);
    auto* kl = new QVBoxLayout(working);
    kl->addWidget(Text(working, kWorking));
    lblCurrentName = Text(working, "", false);
    lblCurrentName->setObjectName("lblCurrentName");
    kl->addWidget(lblCurrentName);
    pbWorking = new QProgressBar(working);
    pbWorking->setObjectName("pbWorking");
    kl->addWidget(pbWorking);
    kl->addStretch(1);
    pgcMain->addWidget(working);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnPredchozi = AddButton(this, buttons, "btnPredchozi", QString::fromUtf8("< Zpět"));
    btnDalsi = AddButton(this, buttons, "btnDalsi", QString::fromUtf8("Další >"));
    btnZavrit = AddButton(this, buttons, "btnZavrit", QString::fromUtf8("Zavřít"));
    btnPrerusit = AddButton(this, buttons, "btnPrerusit", QString::fromUtf8("Přerušit"));
    root->addLayout(buttons);
    connect(btnPredchozi, &QPushButton::clicked, this, [this] { btnPredchoziClick(); });
    connect(btnDalsi, &QPushButton::clicked, this, [this] { btnDalsiClick(); });
    connect(btnZavrit, &QPushButton::clicked, this, [this] { done(kBulkTextClosed); });
    connect(btnPrerusit, &QPushButton::clicked, this, [this] { btnPrerusitClick(); });
    resize(560, 420);
}

void TfrmNastavText::Reset(TBulkTextSelection kind) {
    kind_ = kind;
    running_ = false;
    SetPage(TBulkTextPage::Welcome);
    btnZavrit->show();
    btnDalsi->show();
    btnPredchozi->hide();
    btnPrerusit->hide();
    WorkingCancelled = false;
    lblTipHrOperace->setVisible(kind != TBulkTextSelection::Scope);
    for (QCheckBox* box : {chckPopisPol, chckKatalog, chckBarCode, chckPLU, chckPoznamka, chckZkratka,
                           chckTextMJ, chckIdentif, chckDostupnost})
        box->setChecked(false);
    for (QLineEdit* edit : {edtPopisPol, edtKatalog, edtBarCode, edtPlu, edtZkratka, edtTextMJ, edtIdentif})
        edit->clear();
    memPoznamka->clear();
    cbxAkceIdentif->setCurrentIndex(static_cast<int>(TBulkIdentifierAction::SetAll));
    cbxDostupnost->setCurrentIndex(0);
    chckProvestVse->setChecked(true);
    SetSheet(0, QString());
    pbWorking->setValue(0);
    lblCurrentName->clear();
    UpdateValueRows();
    UpdateScopeRows();
}

TBulkTextPage TfrmNastavText::Page() const { return static_cast<TBulkTextPage>(pgcMain->currentIndex()); }

void TfrmNastavText::SetPage(TBulkTextPage page) {
    pgcMain->setCurrentIndex(static_cast<int>(page));
    btnPredchozi->setVisible(page != TBulkTextPage::Welcome && page != TBulkTextPage::Working);
}

void TfrmNastavText::SetSheet(int id, const QString& name) {
    sheetId_ = id;
    edtList->setText(name);
    // A group belongs to one sheet: another sheet forgets it.
    SetGroup(0, QString());
}

void TfrmNastavText::SetGroup(int id, const QString& name) {
    groupId_ = id;
    edtSkupina->setText(name);
}

void TfrmNastavText::UpdateValueRows() {
    const std::pair<QCheckBox*, QWidget*> rows[] = {
        {chckPopisPol, edtPopisPol}, {chckKatalog, edtKatalog},       {chckBarCode, edtBarCode},
        {chckPLU, edtPlu},           {chckPoznamka, memPoznamka},     {chckZkratka, edtZkratka},
        {chckTextMJ, edtTextMJ},     {chckIdentif, cbxAkceIdentif},   {chckIdentif, edtIdentif},
        {chckIdentif, btnIdentif},   {chckDostupnost, cbxDostupnost},
    };
    for (const auto& [box, control] : rows) control->setEnabled(box->isChecked());
}

void TfrmNastavText::UpdateScopeRows() {
    const bool all = chckProvestVse->isChecked();
    if (all) {
        const QSignalBlocker quietList(chckList);
        const QSignalBlocker quietGroup(chckSkupina);
        chckList->setChecked(false);
        chckSkupina->setChecked(false);
    }
    chckList->setEnabled(!all);
    chckSkupina->setEnabled(!all);
    btnList->setEnabled(chckList->isChecked());
    btnSkupina->setEnabled(chckSkupina->isChecked());
}

QString TfrmNastavText::AvailabilityCode() const { return ::AvailabilityCode(cbxDostupnost->currentIndex()); }

void TfrmNastavText::btnDalsiClick() {
    const bool fromScope = kind_ == TBulkTextSelection::Scope;
    switch (Page()) {
        case TBulkTextPage::Welcome:
            SetPage(TBulkTextPage::Values);
            break;
        case TBulkTextPage::Values: {
            const auto action = static_cast<TBulkIdentifierAction>(cbxAkceIdentif->currentIndex());
            if (chckIdentif->isChecked() && action != TBulkIdentifierAction::SetAll &&
                edtIdentif->text().isEmpty()) {
                ShowWarning(QString::fromUtf8(kBulkTextIdentifierNeeded));
                return;
            }
            SetPage(fromScope ? TBulkTextPage::Scope : TBulkTextPage::BeforeStart);
            break;
        }
        case TBulkTextPage::Scope:
            if (!chckProvestVse->isChecked() && !chckList->isChecked()) {
                ShowInformation(QString::fromUtf8(kBulkTextScopeWrong));
                return;
            }
            if (chckList->isChecked() && sheetId_ == 0) {
                ShowInformation(QString::fromUtf8(kBulkTextNoSheet));
                return;
            }
            if (chckSkupina->isChecked() && groupId_ == 0) {
                ShowInformation(QString::fromUtf8(kBulkTextNoGroup));
                return;
            }
            SetPage(TBulkTextPage::BeforeStart);
            break;
        case TBulkTextPage::BeforeStart:
            btnZavrit->hide();
            btnDalsi->hide();
            btnPrerusit->show();
            SetPage(TBulkTextPage::Working);
            running_ = true;
            {
                struct TDone {
                    bool& flag;
                    ~TDone() { flag = false; }
                } done{running_};
                SetItemTexts();
            }
            done(kBulkTextRan);
            break;
        case TBulkTextPage::Working:
            break;
    }
}

void TfrmNastavText::btnPredchoziClick() {
    switch (Page()) {
        case TBulkTextPage::Values:
            SetPage(TBulkTextPage::Welcome);
            break;
        case TBulkTextPage::Scope:
            SetPage(TBulkTextPage::Values);
            break;
        case TBulkTextPage::BeforeStart:
            SetPage(kind_ == TBulkTextSelection::Scope ? TBulkTextPage::Scope : TBulkTextPage::Values);
            break;
        default:
            break;
    }
}

void TfrmNastavText::btnPrerusitClick() { WorkingCancelled = true; }

void TfrmNastavText::reject() {
    // The run cannot be walked away from; it is interrupted between rows instead.
    if (running_) {
        WorkingCancelled = true;
        return;
    }
    done(kBulkTextClosed);
}

void TfrmNastavText::btnListClick() {
    TADOQuery& sheets = Sheets();
    const bool wasOpen = sheets.Active();
    if (ShowSheetList(TfrmSklady::kModePick, false) == kResultOk && sheets.Active() && !sheets.IsEmpty())
        SetSheet(sheets.FieldByName("ID")->AsInteger(), sheets.FieldByName("Nazev")->AsString());
    // The price-list window may be working on the same query; only a query opened here is closed.
    if (!wasOpen) sheets.Close();
}

void TfrmNastavText::btnSkupinaClick() {
    if (sheetId_ == 0) {
        ShowInformation(QString::fromUtf8(kBulkTextSheetFirst));
        return;
    }
    TADOQuery& groups = frmMain->adqAgendaFree1;
    if (ShowGroupPicker(sheetId_) == kResultOk && groups.Active() && !groups.IsEmpty())
        SetGroup(groups.FieldByName("ID")->AsInteger(), groups.FieldByName("Nazev")->AsString());
    groups.Close();
}

void TfrmNastavText::btnIdentifClick() {
    QString edited;
    if (EditIdentifierList(edtIdentif->text(), edited, true) == kResultOk) edtIdentif->setText(edited);
}

// ---- the run ------------------------------------------------------------------------------------------

void TfrmNastavText::SetItemTexts() {
    WorkingCancelled = false;
    std::optional<TFrozenStamps> frozen;
    frozen.emplace();
    pbWorking->setValue(0);
    lblCurrentName->clear();
    bool errors = false;
    // The window is made at start-up; a run without one (a tool, a test) still lists its problems.
    std::unique_ptr<TfrmInformace> own;
    TfrmInformace* info = TfrmInformace::Instance();
    if (!info) {
        own = std::make_unique<TfrmInformace>();
        info = own.get();
    }
    info->Clear();
    info->AddLine(QString::fromUtf8(kBulkTextErrorsHeading));

    TTextWriter writer(*this, Now());
    int counter = 0;
    bool stop = false;
    auto each = [&](TDataSet& row) {
        if (!writer.Write(row)) {
            errors = true;
            info->AddLine(QString::fromUtf8(kItemLinePrefix) + "\"" + row.FieldByName("Popis")->AsString() +
                          "\"" + QString::fromUtf8(kBulkTextIdentifiersTooLong));
        }
        ++counter;
        if (counter % kPumpEvery == 0) {
            QApplication::processEvents();
            pbWorking->setValue(counter);
            stop = WorkingCancelled;
        }
    };

    TfrmZasoby* list = TfrmZasoby::Existing();
    TADOQuery& items = frmMain->adqZasoby;
    if (kind_ == TBulkTextSelection::MarkedItems && list) {
        TBookmarkList& marks = list->grZasoby->MarkedRows();
        pbWorking->setMaximum(std::max(marks.MarkCount(), 1));
        for (int i = 0; i < marks.MarkCount() && !stop; ++i) {
            const TBookmark mark = marks.MarkAt(i);
            // A mark whose row is gone from the list has nothing left to write to.
            if (!items.BookmarkValid(mark)) continue;
            items.GotoBookmark(mark);
            each(items);
        }
    } else if (kind_ == TBulkTextSelection::MarkedGroups && list) {
        TADOQuery& groups = frmMain->adqSkupiny;
        TBookmarkList& marks = list->grSkupiny->MarkedRows();
        for (int i = 0; i < marks.MarkCount() && !stop; ++i) {
            const TBookmark mark = marks.MarkAt(i);
            if (!groups.BookmarkValid(mark)) continue;
            // Moving the groups loads the group's items, as far as the item filter lets them through.
            groups.GotoBookmark(mark);
            lblCurrentName->setText(
                QString::fromUtf8(kGroupName).arg(groups.FieldByName("Nazev")->AsString()));
            pbWorking->setMaximum(std::max(items.RecordCount(), 1));
            for (items.First(); !items.Eof() && !stop; items.Next()) each(items);
        }
    } else if (kind_ == TBulkTextSelection::Scope) {
        QString sql = "SELECT * FROM Zasoby";
        if (chckSkupina->isChecked())
            sql += " WHERE Skupina = " + QString::number(groupId_);
        else if (!chckProvestVse->isChecked())
            sql += " WHERE Sklad = " + QString::number(sheetId_);
        TADOQuery& rows = frmMain->adqAgendaFree1;
        rows.Close();
        rows.SetSQL(sql);
        rows.Open();
        struct TClose {
            TADOQuery& q;
            ~TClose() { q.Close(); }
        } close{rows};
        pbWorking->setMaximum(std::max(rows.RecordCount(), 1));
        for (rows.First(); !rows.Eof() && !stop; rows.Next()) each(rows);
    }

    pbWorking->setValue(pbWorking->maximum());
    frozen.reset();
    if (errors) info->ShowModal();
    if (!stop) ShowInformation(QString::fromUtf8(kBulkTextDone));
}

int ShowBulkSetWizard(TBulkTextSelection kind) {
    if (CenikLevel() >= TAccessLevel::ReadOnly || !CurrentUser.HromadneNastaveni_AR) {
        TUser::ShowNoRightsMessage();
        return -1;
    }
    TfrmNastavText wizard(ApplicationMainWindow());
    wizard.lblNetUpozorneni->setVisible(OtherStationPresent());
    wizard.Reset(kind);
    const int result = wizard.exec();
    ChangeStampsSuspended = false;
    return result == kBulkTextRan ? 0 : -1;
}

void BulkSetFromPriceList(TfrmZasoby& window) {
    const int kind = window.CheckMarkedSelection(true);
    if (kind < 0) return;
    TADOQuery& groups = frmMain->adqSkupiny;
    TADOQuery& items = frmMain->adqZasoby;
    const int item = items.Active() && !items.IsEmpty() ? items.FieldByName("ID")->AsInteger() : 0;
    const int group = groups.Active() && !groups.IsEmpty() ? groups.FieldByName("ID")->AsInteger() : 0;
    const auto selection = kind == 1 ? TBulkTextSelection::MarkedGroups : TBulkTextSelection::MarkedItems;
    if (ShowBulkSetWizard(selection) != 0) return;
    window.grSkupiny->MarkedRows().ClearMarks();
    window.grZasoby->MarkedRows().ClearMarks();
    if (groups.Active()) {
        // Standing on the noted group again loads its items; the item query is then requeried below.
        RequeryAndLocate(groups);
        groups.Locate("ID", group);
    }
    if (items.Active()) {
        RequeryAndLocate(items);
        items.Locate("ID", item);
    }
    window.UpdatePriceListButtons();
}
