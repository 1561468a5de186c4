#include "pricelist/Sklady.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>

#include "core/CardProtocol.h"
#include "core/Main.h"
#include "core/Upgrade.h"
#include "core/Working.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/db/Transaction.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/KartaSkladu.h"
#include "widgets/VnDBGrids.h"

TPriceListWindowLinks PriceListWindowLinks;

namespace {

const char* const kCaption = "Seznam listů";
const char* const kForwardHint = "Posunout list dopredu";
const char* const kBackwardHint = "Posunout list dozadu";
const char* const kBasicGroupName = "# Nezařazeno #";
const char* const kBasicGroupFailed =
    "Při přidávání záznamu do \"Skupiny\" došlo k chybě: metoda \"Execute\" selhala.";
const char* const kConfirmSheetDelete =
    "Varování: mazání CELÉHO LISTU!\r\rVyjmutí listu je nevratná operace, opravdu chcete pokračovat ? Budou "
    "smazány všechny položky a skupiny v listu!";
const char* const kLastSheet = "Záznam nelze smazat: ceník musí obsahovat alespoň jeden list.";
const char* const kDeletingSheet = "Mazání listu\rprosím čekejte...";
const char* const kSheetDeleteStopped =
    "Operaci nebylo možné dokončit: některé položky nebo skupiny v listu jsou právě zamknuté jiným "
    "uživatelem! Upozornění: u některých položek však již došlo k vymazání cenových hladin - dokončete proto "
    "operaci mazání nebo proveďte přepočet cen!";
const char* const kSheetQuery = "SELECT * FROM Sklady ORDER BY Poradi";
// The tabs of the sheets look like buttons of this height.
constexpr int kTabHeight = 28;

TfrmSklady* g_sheetList = nullptr;

TADOQuery& Sheets() { return frmMain->adqSklady; }

void OpenSheetsIfClosed() {
    TADOQuery& sheets = Sheets();
    if (sheets.Active()) return;
    sheets.SetSQL(kSheetQuery);
    sheets.Open();
}

// The record lock of every row of the query over table: true when another station holds one.
bool AnyRecordHeld(TADOQuery& rows, const QString& table) {
    for (rows.First(); !rows.Eof(); rows.Next()) {
        if (TestRecordLock(RecordLockPath(table, rows.FieldByName("ID")->AsInteger()))) return true;
    }
    return false;
}

void OpenRows(TADOQuery& query, const QString& sql, int id) {
    query.Close();
    query.SetSQL(sql);
    query.Parameters().ParamByName("ID")->Value = id;
    query.Open();
}

void AfterSheetChange() {
    RefreshSheetTabs();
    if (frmMain->adqZasoby.Active() && PriceListWindowLinks.LoadSheetContents)
        PriceListWindowLinks.LoadSheetContents();
    UpdateSheetListButtons();
}

}  // namespace

TfrmSklady* ActiveSheetList() { return g_sheetList; }

TfrmSklady::TfrmSklady(int mode, bool manage, QWidget* parent)
    : TPriceListDialog(parent), mode_(mode), manage_(manage) {
    setObjectName("frmSklady");
    setWindowTitle(QString::fromUtf8(kCaption));
    grSklady = MakeListGrid(this, "grSklady", &dsSklady, {{"Nazev", QString::fromUtf8("Název")}});

    auto* buttons = new QVBoxLayout;
    btnOK = AddButton(this, buttons, "btnOK", "OK");
    btnStorno = AddButton(this, buttons, "btnStorno", "Storno");
    buttons->addSpacing(12);
    btnPridat = AddButton(this, buttons, "btnPridat", QString::fromUtf8("Přidat"), QKeySequence("Alt+P"));
    btnOpravit = AddButton(this, buttons, "btnOpravit", "Opravit", QKeySequence("Alt+O"));
    btnVyjmout = AddButton(this, buttons, "btnVyjmout", "Vyjmout");
    btnObnovit = AddButton(this, buttons, "btnObnovit", "Obnovit");
    buttons->addStretch();
    btnOK->setDefault(true);

    auto* order = new QVBoxLayout;
    lblPoradi = new QLabel(QString::fromUtf8("Pořadí"), this);
    lblPoradi->setObjectName("lblPoradi");
    order->addStretch();
    order->addWidget(lblPoradi);
    btnListDopredu = AddButton(this, order, "btnListDopredu", QString::fromUtf8("▲"), QKeySequence(),
                               QString::fromUtf8(kForwardHint));
    btnListDozadu = AddButton(this, order, "btnListDozadu", QString::fromUtf8("▼"), QKeySequence(),
                              QString::fromUtf8(kBackwardHint));
    order->addStretch();

    for (QWidget* w :
         std::initializer_list<QWidget*>{btnObnovit, btnVyjmout, btnListDopredu, btnListDozadu, lblPoradi})
        w->setVisible(manage_);

    connect(btnOK, &QPushButton::clicked, this, [this] { AcceptIfEnabled(btnOK); });
    connect(btnStorno, &QPushButton::clicked, this, &TfrmSklady::reject);
    connect(btnPridat, &QPushButton::clicked, this, &TfrmSklady::btnPridatClick);
    connect(btnOpravit, &QPushButton::clicked, this, &TfrmSklady::btnOpravitClick);
    connect(btnVyjmout, &QPushButton::clicked, this, &TfrmSklady::btnVyjmoutClick);
    connect(btnObnovit, &QPushButton::clicked, this, &TfrmSklady::btnObnovitClick);
    connect(btnListDopredu, &QPushButton::clicked, this, [this] { MoveClick(-1); });
    connect(btnListDozadu, &QPushButton::clicked, this, [this] { MoveClick(+1); });
    grSklady->OnDblClick = [this](QObject*) {
        if (mode_ == kModeManage)
            btnOpravitClick();
        else
            AcceptIfEnabled(btnOK);
    };
    OnEnterKey(grSklady, [this] { AcceptIfEnabled(btnOK); });

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(grSklady, 1);
    layout->addLayout(order);
    layout->addLayout(buttons);
    resize(420, 320);
    dsSklady.SetDataSet(&Sheets());
}

TfrmSklady::~TfrmSklady() {
    delete grSklady;
    if (g_sheetList == this) g_sheetList = nullptr;
}

void TfrmSklady::showEvent(QShowEvent* event) {
    TPriceListDialog::showEvent(event);
    g_sheetList = this;
    if (CenikLevel() == TAccessLevel::ReadOnly) {
        for (QWidget* w : std::initializer_list<QWidget*>{btnListDopredu, btnListDozadu, lblPoradi})
            w->hide();
    }
    UpdateSheetListButtons();
    grSklady->setFocus();
    // The sheet asked for is added before the user sees the list.
    if (mode_ == kModePickAdd) QTimer::singleShot(0, this, [this] { btnPridatClick(); });
}

void TfrmSklady::btnPridatClick() {
    if (btnPridat->isEnabled() && btnPridat->isVisible()) EditSheet(true);
}

void TfrmSklady::btnOpravitClick() {
    if (btnOpravit->isEnabled() && btnOpravit->isVisible()) EditSheet(false);
}

void TfrmSklady::btnObnovitClick() {
    if (RequeryAndLocate(Sheets()) != 0) ShowWarning(QString::fromUtf8(kRecordVanishedText));
    AfterSheetChange();
}

void TfrmSklady::MoveClick(int step) {
    if (RequeryAndLocate(Sheets()) != 0) {
        ShowWarning(QString::fromUtf8(kRecordVanishedText));
        return;
    }
    MoveSheet(step);
    RefreshSheetTabs();
}

void TfrmSklady::btnVyjmoutClick() {
    if (!btnVyjmout->isEnabled() || !btnVyjmout->isVisible()) return;
    if (CenikLevel() != TAccessLevel::Full) {
        TUser::ShowNoRightsMessage();
        return;
    }
    if (!AskQuestion(QString::fromUtf8(kConfirmSheetDelete))) return;
    TADOQuery& sheets = Sheets();
    if (RequeryAndLocate(sheets) != 0) {
        ShowWarning(QString::fromUtf8(kRecordVanishedText));
        return;
    }
    if (sheets.RecordCount() == 1) {
        ShowWarning(QString::fromUtf8(kLastSheet));
        return;
    }
    const int id = sheets.FieldByName("ID")->AsInteger();
    const int standOn = GetIDAfterDelete(sheets, "ID");
    if (DeleteSheet(id) == 0) {
        RequeryAndLocate(sheets);
        sheets.Locate("ID", standOn);
    }
    AfterSheetChange();
}

void UpdateSheetListButtons() {
    TfrmSklady* list = g_sheetList;
    if (!list) return;
    const bool rows = Sheets().Active() && !Sheets().IsEmpty();
    for (QPushButton* b :
         {list->btnOpravit, list->btnVyjmout, list->btnOK, list->btnListDopredu, list->btnListDozadu})
        b->setEnabled(rows);
}

int ShowSheetList(int mode, bool manage) {
    if (CenikLevel() >= TAccessLevel::NoAccess) {
        TUser::ShowNoRightsMessage();
        return -1;
    }
    OpenSheetsIfClosed();
    TADOQuery& sheets = Sheets();
    const int shownSheet = CurrentSheetId;
    int result = 0;
    {
        TfrmSklady window(mode, manage, ApplicationMainWindow());
        sheets.Locate("ID", CurrentSheetId);
        result = window.exec();
    }
    if (result == kResultOk && manage && !sheets.IsEmpty()) {
        if (PriceListWindowLinks.RememberListPosition) PriceListWindowLinks.RememberListPosition(shownSheet);
        CurrentSheetId = sheets.FieldByName("ID")->AsInteger();
        BuildSheetTabs();
        SelectSheetTab();
        if (PriceListWindowLinks.LoadSheetContents) PriceListWindowLinks.LoadSheetContents();
    }
    return result;
}

void EditSheet(bool add) {
    const TAccessLevel level = CenikLevel();
    if (level >= (add ? TAccessLevel::ReadOnly : TAccessLevel::NoAccess)) {
        TUser::ShowNoRightsMessage();
        return;
    }
    TADOQuery& sheets = Sheets();
    OpenSheetsIfClosed();
    if (RequeryAndLocate(sheets) != 0 && !add) {
        ShowWarning(QString::fromUtf8(kRecordVanishedText));
        UpdateSheetListButtons();
        return;
    }

    TCardSession card;
    struct Done {
        ~Done() { UpdateSheetListButtons(); }
    } done;
    TfrmKartaSkladu window(ApplicationMainWindow());
    QString repId = NewGuidString();
    const int id = add ? 0 : sheets.FieldByName("ID")->AsInteger();
    if (!add) {
        if (!LockCardRecord(card, level, "Sklady", id, window.btnOK)) return;
        window.edtNazev->setText(sheets.FieldByName("Nazev")->AsString());
        repId = sheets.FieldByName("RepID")->AsString();
    }
    if (window.exec() != kResultOk) return;

    // A new sheet is stored with its basic group or not at all: items need a group to stand in.
    TTransaction transaction(frmMain->ADOConAgenda);
    transaction.AfterRollback = [&sheets] {
        if (sheets.Active()) RequeryAndLocate(sheets);
    };
    int rows = 0;
    if (add) {
        sheets.Last();
        const int poradi = sheets.IsEmpty() ? 1 : sheets.FieldByName("Poradi")->AsInteger() + 1;
        rows = ExecAgenda("INSERT INTO Sklady (Nazev, Poradi, RepID) VALUES (:Nazev, :Poradi, :RepID)",
                          {{"Nazev", window.edtNazev->text()}, {"Poradi", poradi}, {"RepID", repId}});
    } else {
        rows = ExecAgenda("UPDATE Sklady SET Nazev = :Nazev, RepID = :RepID WHERE ID = :ID",
                          {{"Nazev", window.edtNazev->text()}, {"RepID", repId}, {"ID", id}});
    }
    const int newId = add && rows > 0 ? LastInsertedId() : 0;
    if (!card.AfterSave(sheets, rows, newId)) return;
    if (add) CreateBasicGroup(newId);
    transaction.Commit();
    RefreshSheetTabs();
}

void RenumberSheets() {
    TADOQuery& sheets = Sheets();
    sheets.DisableControls();
    int poradi = 0;
    std::vector<int> ids;
    for (sheets.First(); !sheets.Eof(); sheets.Next()) ids.push_back(sheets.FieldByName("ID")->AsInteger());
    // Cut short, a renumbering would leave two sheets on one place.
    TTransaction transaction(frmMain->ADOConAgenda);
    for (int id : ids)
        ExecAgenda("UPDATE Sklady SET Poradi = :Poradi WHERE ID = :ID", {{"Poradi", ++poradi}, {"ID", id}});
    transaction.Commit();
    sheets.EnableControls();
    RequeryAndLocate(sheets);
}

void MoveSheet(int step) {
    TADOQuery& sheets = Sheets();
    if (!sheets.Active() || sheets.IsEmpty()) return;
    const int target = sheets.RecNo() + step;
    if (target < 1 || target > sheets.RecordCount()) return;

    const int currentId = sheets.FieldByName("ID")->AsInteger();
    sheets.DisableControls();
    sheets.SetRecNo(target);
    const int targetId = sheets.FieldByName("ID")->AsInteger();
    sheets.Locate("ID", currentId);
    sheets.EnableControls();
    // Orders written by hand or by older versions may have gaps or repeats; a swap is only a move
    // once the order runs 1..n. The move is one step: renumbered and swapped, or as it was.
    TTransaction transaction(frmMain->ADOConAgenda);
    RenumberSheets();

    sheets.Locate("ID", currentId);
    const int p = sheets.FieldByName("Poradi")->AsInteger();
    sheets.Locate("ID", targetId);
    const int q = sheets.FieldByName("Poradi")->AsInteger();
    ExecAgenda("UPDATE Sklady SET Poradi = :Poradi WHERE ID = :ID", {{"Poradi", p}, {"ID", targetId}});
    ExecAgenda("UPDATE Sklady SET Poradi = :Poradi WHERE ID = :ID", {{"Poradi", q}, {"ID", currentId}});
    transaction.Commit();
    sheets.Close();
    sheets.Open();
    sheets.Locate("Poradi", q);
}

void RefreshSheetTabs() {
    TADOQuery& sheets = Sheets();
    if (!sheets.Active()) return;
    const int id = sheets.IsEmpty() ? 0 : sheets.FieldByName("ID")->AsInteger();
    sheets.DisableControls();
    BuildSheetTabs();
    SelectSheetTab();
    sheets.Locate("ID", id);
    sheets.EnableControls();
}

void BuildSheetTabs() {
    QTabBar* tabs = PriceListWindowLinks.pgcSklady;
    if (!tabs) return;
    TADOQuery& sheets = Sheets();
    OpenSheetsIfClosed();
    const QSignalBlocker quiet(tabs);
    while (tabs->count() > 0) tabs->removeTab(tabs->count() - 1);
    tabs->setStyleSheet(QString("QTabBar::tab { height: %1px; }").arg(kTabHeight));
    for (sheets.First(); !sheets.Eof(); sheets.Next()) {
        const int index = tabs->addTab(sheets.FieldByName("Nazev")->AsString());
        tabs->setTabData(index, sheets.FieldByName("ID")->AsInteger());
    }
}

int SelectSheetTab() {
    QTabBar* tabs = PriceListWindowLinks.pgcSklady;
    if (!tabs || tabs->count() == 0) return -1;
    int index = tabs->count() - 1;
    for (int i = 0; i < tabs->count(); ++i) {
        if (tabs->tabData(i).toInt() == CurrentSheetId) {
            index = i;
            break;
        }
    }
    CurrentSheetId = tabs->tabData(index).toInt();
    const QSignalBlocker quiet(tabs);
    tabs->setCurrentIndex(index);
    const QColor plain = tabs->palette().color(QPalette::WindowText);
    for (int i = 0; i < tabs->count(); ++i)
        tabs->setTabTextColor(i, i == index ? QColor(Qt::darkBlue) : plain);
    return 0;
}

int DeleteSheet(int sheetId) {
    if (TestRecordLock(RecordLockPath("Sklady", sheetId))) {
        ShowWarning(QString::fromUtf8(kCannotDeleteInUseText));
        return -1;
    }
    bool stopped = false;
    {
        TADOQuery& items = frmMain->adqAgendaFree1;
        TADOQuery& groups = frmMain->adqAgendaFree2;
        ShowWorking(true, QString::fromUtf8(kDeletingSheet));
        const auto done = qScopeGuard([&] {
            ShowWorking(false);
            items.Close();
            groups.Close();
        });
        // Every lock is looked at before anything goes: a record open at another station stops
        // the delete whole, never halfway with groups left whose items are gone.
        OpenRows(items, "SELECT * FROM Zasoby WHERE Sklad = :ID", sheetId);
        OpenRows(groups, "SELECT * FROM Skupiny WHERE Sklad = :ID", sheetId);
        stopped = AnyRecordHeld(items, "Zasoby") || AnyRecordHeld(groups, "Skupiny");
        if (!stopped) {
            // The three deletes are one change: a failure in any of them leaves the whole sheet.
            TTransaction transaction(frmMain->ADOConAgenda);
            if (!items.IsEmpty()) ExecAgenda("DELETE FROM Zasoby WHERE Sklad = :ID", {{"ID", sheetId}});
            ExecAgenda("DELETE FROM Skupiny WHERE Sklad = :ID", {{"ID", sheetId}});
            ExecAgenda("DELETE FROM Sklady WHERE ID = :ID", {{"ID", sheetId}});
            transaction.Commit();
        }
    }
    if (!stopped) return 0;
    ShowWarning(QString::fromUtf8(kSheetDeleteStopped));
    return -2;
}

int CreateBasicGroup(int sheetId) {
    const int rows = ExecAgenda(
        "INSERT INTO Skupiny (Sklad, Nazev, Zakladni, RepID) VALUES (:Sklad, :Nazev, :Zakladni, :RepID)",
        {{"Sklad", sheetId},
         {"Nazev", QString::fromUtf8(kBasicGroupName)},
         {"Zakladni", true},
         {"RepID", NewGuidString()}});
    if (rows > 0) return 0;
    ShowError(QString::fromUtf8(kBasicGroupFailed));
    return -1;
}

int GetBasicGroupId(int sheetId) {
    TADOQuery& query = frmMain->adqAgendaFree1;
    OpenRows(query, "SELECT * FROM Skupiny WHERE (Sklad = :ID) AND (Zakladni = True)", sheetId);
    const int id = query.IsEmpty() ? 0 : query.FieldByName("ID")->AsInteger();
    query.Close();
    return id;
}
