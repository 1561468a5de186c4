#include "addressbook/AdrKart.h"

#include <QAction>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <initializer_list>
#include <set>

#include "addressbook/AdrKartDoc.h"
#include "addressbook/Adresar.h"
#include "addressbook/AresOvereni.h"
#include "addressbook/Dokumenty.h"
#include "addressbook/Kontakt.h"
#include "core/CardProtocol.h"
#include "core/CommonUtils.h"
#include "core/DataFolder.h"
#include "core/Locks.h"
#include "core/Login.h"
#include "core/Main.h"
#include "core/PurchasePrices.h"
#include "core/Upgrade.h"
#include "core/Working.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/db/Transaction.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/CenHlad.h"
#include "widgets/VnDBGrids.h"
#include "widgets/VnScopeGuard.h"

namespace {

// The document grid: the icon, the description and the link.
constexpr int kDocumentIconWidth = 16;
constexpr int kDocumentDescriptionWidth = 290;
constexpr int kDocumentLinkWidth = 248;

const char* const kHelpPage = "pgNovaAdr.htm";
// The search edits of the contact and document grids are a little narrower than the column.
constexpr int kSearchEditInset = 12;

// A firm's text columns, the card's entry for each, its length, label and place on the card (row,
// and left or right half; a wide entry takes the whole row). WWW is typed as "Internet".
struct TAddressField {
    const char* column;
    QLineEdit* TfrmAdrKart::*edit;
    const char* name;
    int length;
    const char* label;
    int row;
    int half;  // 0 left, 1 right, -1 the whole row
};
const TAddressField kAddressFields[] = {
    {"Nazev", &TfrmAdrKart::edtNazev, "edtNazev", 50, "Název", 0, -1},
    {"Ulice", &TfrmAdrKart::edtUlice, "edtUlice", 30, "Ulice", 1, 0},
    {"Psc", &TfrmAdrKart::edtPsc, "edtPsc", 10, "PSČ", 1, 1},
    {"Misto", &TfrmAdrKart::edtMisto, "edtMisto", 40, "Místo", 2, 0},
    {"Stat", &TfrmAdrKart::edtStat, "edtStat", 20, "Stát", 2, 1},
    {"ICO", &TfrmAdrKart::edtICO, "edtICO", 10, "IČ", 3, 0},
    {"DIC", &TfrmAdrKart::edtDIC, "edtDIC", 20, "DIČ", 3, 1},
    {"Telefon", &TfrmAdrKart::edtTelefon, "edtTelefon", 30, "Telefon", 4, 0},
    {"Fax", &TfrmAdrKart::edtFax, "edtFax", 30, "Fax", 4, 1},
    {"Email", &TfrmAdrKart::edtEmail, "edtEmail", 50, "E-mail", 5, 0},
    {"WWW", &TfrmAdrKart::edtInternet, "edtInternet", 50, "Internet", 5, 1},
    {"EANKod", &TfrmAdrKart::edtEANKod, "edtEANKod", 20, "EAN kód", 6, 0},
    {"CenHladina", &TfrmAdrKart::edtCenHlad, "edtCenHlad", 10, "Hladina", 6, 1},
    {"Zprava", &TfrmAdrKart::edtZprava, "edtZprava", 255, "Zpráva", 7, -1},
};
// Grid columns of one half of the card: label, entry, button.
constexpr int kHalfColumns = 3;
constexpr int kFieldRows = 8;

// The text columns of a contact as the card's memory table and Kontakty share them.
const char* const kContactTextColumns[] = {"TitulPred", "TitulZa", "Prijmeni", "Jmeno", "Ulice",    "PSC",
                                           "Misto",     "Telefon", "Mobil",    "Email", "Poznamka", "Funkce"};

TADOQuery& Addresses() { return frmMain->adqAdresar; }

// The memo keeps CR LF in the database; the edit shows plain line breaks.
QString MemoToEdit(const QString& stored) {
    QString text = stored;
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}
QString MemoToStored(const QString& shown) {
    QString text = shown;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text.replace(QLatin1String("\n"), QLatin1String("\r\n"));
}

void OpenRowsOf(TADOQuery& query, const QString& sql, int id) {
    query.Close();
    query.SetSQL(sql);
    query.Parameters().ParamByName("ID")->Value = id;
    query.Open();
}

void LoadContacts(TfrmAdrKart& card, int firmId, bool copy) {
    TADOQuery& stored = frmMain->adqAgendaFree1;
    OpenRowsOf(stored, "SELECT * FROM Kontakty WHERE CisloAdr = :ID", firmId);
    TMemTable& contacts = card.mtTmpKontakty;
    for (stored.First(); !stored.Eof(); stored.Next()) {
        contacts.Append();
        for (const char* column : kContactTextColumns)
            contacts.FieldByName(column)->SetAsString(stored.FieldByName(column)->AsString());
        contacts.FieldByName("Zobrazit")->SetAsBoolean(stored.FieldByName("Zobrazit")->AsBoolean());
        // A copy's contacts are new persons of the new firm, with identities of their own.
        contacts.FieldByName("LockID")->SetAsInteger(copy ? -1 : stored.FieldByName("ID")->AsInteger());
        contacts.FieldByName("RepID")->SetAsString(copy ? NewGuidString()
                                                        : stored.FieldByName("RepID")->AsString());
        contacts.Post();
    }
    stored.Close();
}

void LoadDocuments(TfrmAdrKart& card, int firmId, bool copy) {
    TADOQuery& stored = frmMain->adqAgendaFree1;
    OpenRowsOf(stored, "SELECT * FROM Dokumenty WHERE CisloAdr = :ID", firmId);
    TMemTable& documents = card.mtTmpDokumenty;
    for (stored.First(); !stored.Eof(); stored.Next()) {
        documents.Append();
        documents.FieldByName("ID")->SetAsInteger(copy ? -1 : stored.FieldByName("ID")->AsInteger());
        documents.FieldByName("Popis")->SetAsString(stored.FieldByName("Popis")->AsString());
        documents.FieldByName("File")->SetAsString(stored.FieldByName("Soubor")->AsString());
        documents.FieldByName("CopyFile")->SetAsBoolean(false);
        documents.Post();
    }
    stored.Close();
}

// The keys that a firm's child table stores now, read before the card's rows are written.
std::vector<int> StoredChildIds(const QString& table, int firmId) {
    TADOQuery& stored = frmMain->adqAgendaFree1;
    OpenRowsOf(stored, QString("SELECT ID FROM %1 WHERE CisloAdr = :ID").arg(table), firmId);
    std::vector<int> ids;
    for (stored.First(); !stored.Eof(); stored.Next()) ids.push_back(stored.FieldByName("ID")->AsInteger());
    stored.Close();
    return ids;
}

// Every key the memory table carries in keyField.
std::set<int> CardKeys(TMemTable& table, const QString& keyField) {
    std::set<int> keys;
    if (table.IsEmpty()) return keys;
    table.DisableControls();
    const TBookmark mark = table.GetBookmark();
    for (table.First(); !table.Eof(); table.Next()) keys.insert(table.FieldByName(keyField)->AsInteger());
    table.GotoBookmark(mark);
    table.EnableControls();
    return keys;
}

void DeleteRemovedChildren(const QString& table, int firmId, const std::set<int>& kept) {
    for (int id : StoredChildIds(table, firmId))
        if (!kept.count(id)) ExecAgenda(QString("DELETE FROM %1 WHERE ID = :ID").arg(table), {{"ID", id}});
}

// A document to be copied into the firm's folder, with the key of the row that stores its link.
struct TPendingCopy {
    int recNo = 0;  // in the order of the "ID" index, which the rows are written in
    int storedId = 0;
};

// The writes of the child tables answer the message of a row that could not be written, or an
// empty text; the caller then undoes the whole save. A document to be copied is stored with its
// source path until the copy has been made after the commit: a link to the source stays valid
// whatever happens in between, and a file copy cannot be undone with the rows.
QString SaveDocuments(TfrmAdrKart& card, int firmId, bool existingFirm, std::vector<TPendingCopy>& copies) {
    TMemTable& documents = card.mtTmpDokumenty;
    documents.SetIndexName("ID");
    if (existingFirm) DeleteRemovedChildren("Dokumenty", firmId, CardKeys(documents, "ID"));
    documents.DisableControls();
    TScopeGuard enable([&] { documents.EnableControls(); });
    for (documents.First(); !documents.Eof(); documents.Next()) {
        const int id = documents.FieldByName("ID")->AsInteger();
        const QString popis = documents.FieldByName("Popis")->AsString();
        const QString soubor = documents.FieldByName("File")->AsString();
        const int rows =
            id < 1
                ? ExecAgenda(
                      "INSERT INTO Dokumenty (Popis, Soubor, CisloAdr) VALUES (:Popis, :Soubor, :CisloAdr)",
                      {{"Popis", popis}, {"Soubor", soubor}, {"CisloAdr", firmId}})
                : ExecAgenda("UPDATE Dokumenty SET Popis = :Popis, Soubor = :Soubor WHERE ID = :ID",
                             {{"Popis", popis}, {"Soubor", soubor}, {"ID", id}});
        if (rows == 0) return QString::fromUtf8(kDocumentSaveFailed);
        if (documents.FieldByName("CopyFile")->AsBoolean())
            copies.push_back({documents.RecNo(), id < 1 ? LastInsertedId() : id});
    }
    return QString();
}

// Copies the flagged documents of a stored firm into its folder (the list stands on the firm) and
// points the rows of those that were copied at the copies.
void CopyPendingDocuments(TfrmAdrKart& card, const std::vector<TPendingCopy>& copies) {
    if (copies.empty()) return;
    TMemTable& documents = card.mtTmpDokumenty;
    documents.SetIndexName("ID");
    CopyDocumentsToSharedFolder(documents, TDocumentFolderMode::Firm);
    // New rows all carry the key -1, so they are found again by their place, not by a bookmark.
    for (const TPendingCopy& copy : copies) {
        documents.SetRecNo(copy.recNo);
        const QString file = documents.FieldByName("File")->AsString();
        if (IsSharedFolderPath(file))
            ExecAgenda("UPDATE Dokumenty SET Soubor = :Soubor WHERE ID = :ID",
                       {{"Soubor", file}, {"ID", copy.storedId}});
    }
}

QString SaveContacts(TfrmAdrKart& card, int firmId, bool existingFirm) {
    TMemTable& contacts = card.mtTmpKontakty;
    contacts.SetIndexName("LockID");
    if (existingFirm) DeleteRemovedChildren("Kontakty", firmId, CardKeys(contacts, "LockID"));
    contacts.DisableControls();
    TScopeGuard enable([&] { contacts.EnableControls(); });
    for (contacts.First(); !contacts.Eof(); contacts.Next()) {
        const int lockId = contacts.FieldByName("LockID")->AsInteger();
        TParamValues params;
        for (const char* column : kContactTextColumns)
            params.emplace_back(column, contacts.FieldByName(column)->AsString());
        params.emplace_back("Zobrazit", contacts.FieldByName("Zobrazit")->AsBoolean());
        params.emplace_back("RepID", contacts.FieldByName("RepID")->AsString());
        int rows = 0;
        if (lockId < 1) {
            params.emplace_back("CisloAdr", firmId);
            rows = ExecAgenda(
                "INSERT INTO Kontakty (TitulPred, TitulZa, Prijmeni, Jmeno, Ulice, PSC, Misto, Telefon, "
                "Mobil, "
                "Email, Poznamka, Funkce, Zobrazit, CisloAdr, RepID) VALUES (:TitulPred, :TitulZa, "
                ":Prijmeni, "
                ":Jmeno, :Ulice, :PSC, :Misto, :Telefon, :Mobil, :Email, :Poznamka, :Funkce, :Zobrazit, "
                ":CisloAdr, :RepID)",
                params);
        } else {
            params.emplace_back("ID", lockId);
            rows = ExecAgenda(
                "UPDATE Kontakty SET TitulPred = :TitulPred, TitulZa = :TitulZa, Prijmeni = :Prijmeni, Jmeno "
                "= "
                ":Jmeno, Ulice = :Ulice, PSC = :PSC, Misto = :Misto, Telefon = :Telefon, Mobil = :Mobil, "
                "Email = "
                ":Email, Poznamka = :Poznamka, Funkce = :Funkce, Zobrazit = :Zobrazit, RepID = :RepID WHERE "
                "ID = "
                ":ID",
                params);
        }
        if (rows == 0) return QString::fromUtf8(kContactSaveFailed);
    }
    return QString();
}

// Writes the firm; its new key for a new firm (0 after an update), -1 when the save failed and
// the user has been told.
int SaveAddress(TfrmAdrKart& card, TCardSession& session, bool creating) {
    TParamValues params;
    for (const TAddressField& f : kAddressFields) params.emplace_back(f.column, (card.*f.edit)->text());
    params.emplace_back("Poznamka", MemoToStored(card.memPoznamka->toPlainText()));
    params.emplace_back("RepID", card.RepID);
    int rows = 0;
    if (creating) {
        rows = ExecAgenda(
            "INSERT INTO Adresar (Nazev, Ulice, Psc, Misto, Stat, ICO, DIC, Telefon, Fax, Email, WWW, "
            "Poznamka, "
            "EANKod, Zprava, CenHladina, RepID) VALUES (:Nazev, :Ulice, :Psc, :Misto, :Stat, :ICO, :DIC, "
            ":Telefon, :Fax, :Email, :WWW, :Poznamka, :EANKod, :Zprava, :CenHladina, :RepID)",
            params);
    } else {
        params.emplace_back("ID", card.AddressID);
        rows = ExecAgenda(
            "UPDATE Adresar SET Nazev = :Nazev, Ulice = :Ulice, Psc = :Psc, Misto = :Misto, Stat = :Stat, "
            "ICO = "
            ":ICO, DIC = :DIC, Telefon = :Telefon, Fax = :Fax, Email = :Email, WWW = :WWW, Poznamka = "
            ":Poznamka, "
            "EANKod = :EANKod, Zprava = :Zprava, CenHladina = :CenHladina, RepID = :RepID WHERE ID = :ID",
            params);
    }
    int newId = creating && rows > 0 ? LastInsertedId() : 0;
    // A firm whose key cannot be read back is not found, and its contacts and documents must not
    // be filed under no firm at all.
    if (creating && rows > 0 && newId == 0) newId = -1;
    TADOQuery& list = Addresses();
    if (!list.Active()) {
        list.SetSQL("SELECT * FROM Adresar");
        list.Open();
    }
    if (!session.AfterSave(list, rows, newId)) return -1;
    return newId;
}

}  // namespace

QString AddressLockPath(int addressId) { return RecordLockPath("Adresar", addressId); }

// ---- the window ---------------------------------------------------------------------------------

TfrmAdrKart::TfrmAdrKart(QWidget* parent) : TPriceListDialog(parent) {
    setObjectName("frmAdrKart");
    setWindowTitle(QString::fromUtf8(kAddressCardCaption));

    auto* top = new QWidget(this);
    BuildFields(top);

    pgcPrilohy = new QTabWidget(this);
    pgcPrilohy->setObjectName("pgcPrilohy");
    auto* contactsPage = new QWidget(pgcPrilohy);
    contactsPage->setObjectName("tsKontakty");
    BuildContacts(contactsPage);
    pgcPrilohy->addTab(contactsPage, "Kontakty");
    auto* documentsPage = new QWidget(pgcPrilohy);
    documentsPage->setObjectName("tsDokumenty");
    BuildDocuments(documentsPage);
    pgcPrilohy->addTab(documentsPage, "Dokumenty");

    auto* bottom = new QHBoxLayout;
    btnNapoveda =
        AddButton(this, bottom, "btnNapoveda", QString::fromUtf8("Nápověda"), QKeySequence(Qt::Key_F1));
    bottom->addStretch();
    btnOK = AddButton(this, bottom, "btnOK", "OK");
    btnStorno = AddButton(this, bottom, "btnStorno", "Storno");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(top);
    layout->addWidget(pgcPrilohy, 1);
    layout->addLayout(bottom);
    resize(760, 640);

    connect(btnOK, &QPushButton::clicked, this, &TfrmAdrKart::btnOKClick);
    connect(btnStorno, &QPushButton::clicked, this, &TfrmAdrKart::reject);
    connect(btnNapoveda, &QPushButton::clicked, this, [] { ShowHelpTopic(kHelpPage); });
    connect(btnVyberCenHlad, &QPushButton::clicked, this, &TfrmAdrKart::btnVyberCenHladClick);
    connect(btnZrusitCenHlad, &QPushButton::clicked, this, &TfrmAdrKart::btnZrusitCenHladClick);
    InstallAddressCardServices(*this);
    acSHNC = AddPurchasePriceAction(this);

    CreateMemoryTables();
    dsTmpKontakty.SetDataSet(&mtTmpKontakty);
    dsTmpDokumenty.SetDataSet(&mtTmpDokumenty);
}

TfrmAdrKart::~TfrmAdrKart() {
    delete grKontakty;
    delete grDokumenty;
}

void TfrmAdrKart::BuildFields(QWidget* page) {
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(0, 0, 0, 0);
    for (const TAddressField& f : kAddressFields) {
        auto* edit = new QLineEdit(page);
        edit->setObjectName(f.name);
        edit->setMaxLength(f.length);
        this->*f.edit = edit;
        auto* label = new QLabel(QString::fromUtf8(f.label), page);
        label->setBuddy(edit);
        const int first = f.half < 0 ? 0 : f.half * kHalfColumns;
        grid->addWidget(label, f.row, first);
        if (f.half < 0)
            grid->addWidget(edit, f.row, 1, 1, 2 * kHalfColumns - 1);
        else
            grid->addWidget(edit, f.row, first + 1);
    }
    // The price level is a code of the price list: it is chosen, never typed.
    edtCenHlad->setReadOnly(true);
    edtCenHlad->setStyleSheet("background-color: #d4d0c8");

    auto makeSmall = [page](const char* name, const QString& text, const QString& hint) {
        auto* b = new QPushButton(text, page);
        b->setObjectName(name);
        b->setAutoDefault(false);
        b->setToolTip(hint);
        return b;
    };
    btnVyberPsc = makeSmall("btnVyberPsc", "...", QString::fromUtf8("Výběr PSČ a Místa ze seznamu"));
    btnARES = makeSmall("btnARES", "ARES", QString::fromUtf8("Ověření IČ z internetového registru ARES"));
    btnGoEmail = makeSmall("btnGoEmail", "@", QString::fromUtf8("Zaslání e-mailu"));
    btnGoWWW = makeSmall("btnGoWWW", "www", QString::fromUtf8("Navštívení internetové stránky"));
    btnVyberCenHlad = makeSmall("btnVyberCenHlad", "...", QString::fromUtf8("Výběr cenové hladiny"));
    btnZrusitCenHlad = makeSmall("btnZrusitCenHlad", "x", QString::fromUtf8("Zrušení cenové hladiny"));
    // Each button stands right of the entry it works on.
    auto beside = [grid](int row, int half, std::initializer_list<QPushButton*> buttons) {
        auto* box = new QHBoxLayout;
        for (QPushButton* b : buttons) box->addWidget(b);
        grid->addLayout(box, row, half * kHalfColumns + 2);
    };
    beside(1, 1, {btnVyberPsc});
    beside(3, 0, {btnARES});
    beside(5, 0, {btnGoEmail});
    beside(5, 1, {btnGoWWW});
    beside(6, 1, {btnVyberCenHlad, btnZrusitCenHlad});

    memPoznamka = new QPlainTextEdit(page);
    memPoznamka->setObjectName("memPoznamka");
    auto* memoLabel = new QLabel(QString::fromUtf8("Poznámka"), page);
    memoLabel->setBuddy(memPoznamka);
    grid->addWidget(memoLabel, kFieldRows, 0, Qt::AlignTop);
    grid->addWidget(memPoznamka, kFieldRows, 1, 1, 2 * kHalfColumns - 1);
}

void TfrmAdrKart::BuildContacts(QWidget* page) {
    grKontakty = MakeListGrid(page, "grKontakty", &dsTmpKontakty,
                              {{"Prijmeni", QString::fromUtf8("Příjmení")},
                               {"Jmeno", QString::fromUtf8("Jméno")},
                               {"Ulice", "Ulice"},
                               {"PSC", QString::fromUtf8("PSČ")},
                               {"Misto", QString::fromUtf8("Místo")},
                               {"Telefon", "Telefon"},
                               {"Mobil", "Mobil"},
                               {"Email", "E-mail"},
                               {"Funkce", "Funkce"}});
    grKontakty->SetOptions(grKontakty->Options() | dgTitleClicked);
    grKontakty->Columns().ColumnAt(0)->SetIndexed(true);
    grKontakty->Columns().ColumnAt(2)->SetWidth(182);

    panHledatKont = new QWidget(page);
    panHledatKont->setObjectName("panHledatKont");
    auto* search = new QHBoxLayout(panHledatKont);
    search->setContentsMargins(0, 0, 0, 0);
    edtHledatKont = new QLineEdit(panHledatKont);
    edtHledatKont->setObjectName("edtHledatKont");
    search->addWidget(edtHledatKont);
    search->addStretch();
    panHledatKont->hide();
    edtHledatKont->installEventFilter(this);

    auto* buttons = new QVBoxLayout;
    btnPridatKont = AddButton(this, buttons, "btnPridatKont", QString::fromUtf8("Přidat kontakt"));
    btnOpravitKont = AddButton(this, buttons, "btnOpravitKont", "Opravit kontakt");
    btnVyjmoutKont = AddButton(this, buttons, "btnVyjmoutKont", "Vyjmout kontakt");
    buttons->addStretch();
    connect(btnPridatKont, &QPushButton::clicked, this, &TfrmAdrKart::btnPridatKontClick);
    connect(btnOpravitKont, &QPushButton::clicked, this, &TfrmAdrKart::btnOpravitKontClick);
    connect(btnVyjmoutKont, &QPushButton::clicked, this, &TfrmAdrKart::btnVyjmoutKontClick);

    grKontakty->OnDblClick = [this](QObject*) { btnOpravitKontClick(); };
    OnEnterKey(grKontakty, [this] { btnOpravitKontClick(); });
    grKontakty->OnKeyPress = [this](QObject*, QChar& key) {
        if (key.unicode() <= 31) return;
        OpenGridSearch(grKontakty, panHledatKont, edtHledatKont, QString(key));
        key = QChar();
    };
    grKontakty->OnTitleClick = [this](TColumn* column) {
        SortMemoryGrid(grKontakty, mtTmpKontakty, column, 0);
    };
    connect(edtHledatKont, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (panHledatKont->isVisible() && !mtTmpKontakty.IndexName().isEmpty())
            mtTmpKontakty.FindNearest({text});
    });

    auto* left = new QVBoxLayout;
    left->addWidget(panHledatKont);
    left->addWidget(grKontakty, 1);
    auto* layout = new QHBoxLayout(page);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);
}

void TfrmAdrKart::BuildDocuments(QWidget* page) {
    grDokumenty = MakeListGrid(page, "grDokumenty", &dsTmpDokumenty,
                               {{"Empty", "I"}, {"Popis", "Popis"}, {"File", "Odkaz na soubor"}});
    grDokumenty->SetOptions(grDokumenty->Options() | dgTitleClicked);
    const int kWidths[] = {kDocumentIconWidth, kDocumentDescriptionWidth, kDocumentLinkWidth};
    for (int i = 0; i < 3; ++i) grDokumenty->Columns().ColumnAt(i)->SetWidth(kWidths[i]);
    grDokumenty->Columns().ColumnAt(0)->Title()->SetAlignment(taCenter);
    grDokumenty->Columns().ColumnAt(1)->SetIndexed(true);
    // The icon stays in place while the links scroll.
    grDokumenty->SetFrozenCols(1);

    panHledatDok = new QWidget(page);
    panHledatDok->setObjectName("panHledatDok");
    auto* search = new QHBoxLayout(panHledatDok);
    search->setContentsMargins(0, 0, 0, 0);
    edtHledatDok = new QLineEdit(panHledatDok);
    edtHledatDok->setObjectName("edtHledatDok");
    search->addWidget(edtHledatDok);
    search->addStretch();
    panHledatDok->hide();
    edtHledatDok->installEventFilter(this);

    grDokumenty->OnKeyPress = [this](QObject*, QChar& key) {
        if (key.unicode() <= 31) return;
        OpenGridSearch(grDokumenty, panHledatDok, edtHledatDok, QString(key));
        key = QChar();
    };
    grDokumenty->OnTitleClick = [this](TColumn* column) {
        SortMemoryGrid(grDokumenty, mtTmpDokumenty, column, 1);
    };
    connect(edtHledatDok, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (panHledatDok->isVisible() && !mtTmpDokumenty.IndexName().isEmpty())
            mtTmpDokumenty.FindNearest({text});
    });

    layDokumentyBtn = new QVBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(panHledatDok);
    left->addWidget(grDokumenty, 1);
    auto* layout = new QHBoxLayout(page);
    layout->addLayout(left, 1);
    layout->addLayout(layDokumentyBtn);
}

void TfrmAdrKart::CreateMemoryTables() {
    TFieldDefs& contacts = mtTmpKontakty.FieldDefs();
    contacts.Add("LockID", ftInteger);
    contacts.Add("TitulPred", ftString, 15);
    contacts.Add("TitulZa", ftString, 20);
    contacts.Add("Prijmeni", ftString, 30);
    contacts.Add("Jmeno", ftString, 20);
    contacts.Add("Ulice", ftString, 30);
    contacts.Add("PSC", ftString, 10);
    contacts.Add("Misto", ftString, 40);
    contacts.Add("Telefon", ftString, 30);
    contacts.Add("Mobil", ftString, 30);
    contacts.Add("Email", ftString, 50);
    contacts.Add("Poznamka", ftMemo);
    contacts.Add("Funkce", ftString, 35);
    contacts.Add("Zobrazit", ftBoolean);
    contacts.Add("RepID", ftString, 255);
    mtTmpKontakty.AddIndex("LockID", "LockID");
    mtTmpKontakty.AddIndex("Prijmeni", "Prijmeni");
    mtTmpKontakty.CreateTable();

    TFieldDefs& documents = mtTmpDokumenty.FieldDefs();
    documents.Add("Popis", ftString, 50);
    documents.Add("File", ftString, 255);
    documents.Add("Empty", ftString, 1);
    documents.Add("CopyFile", ftBoolean);
    documents.Add("SmallIcon", ftGraphic);
    documents.Add("ID", ftInteger);
    mtTmpDokumenty.AddIndex("Popis", "Popis");
    mtTmpDokumenty.AddIndex("ID", "ID");
    mtTmpDokumenty.CreateTable();
}

void TfrmAdrKart::ClearCard() {
    for (const TAddressField& f : kAddressFields) (this->*f.edit)->clear();
    memPoznamka->clear();
    RepID = NewGuidString();
    mtTmpKontakty.Close();
    mtTmpKontakty.Open();
    mtTmpDokumenty.Close();
    mtTmpDokumenty.Open();
    pgcPrilohy->setCurrentIndex(0);
}

void TfrmAdrKart::showEvent(QShowEvent* event) {
    TPriceListDialog::showEvent(event);
    edtNazev->setFocus();
}

bool TfrmAdrKart::eventFilter(QObject* watched, QEvent* event) {
    struct TSearch {
        QLineEdit* edit;
        QWidget* panel;
        TVnDBGrid* grid;
    };
    for (const TSearch& s : {TSearch{edtHledatKont, panHledatKont, grKontakty},
                             TSearch{edtHledatDok, panHledatDok, grDokumenty}}) {
        if (watched != s.edit) continue;
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                CloseGridSearch(s.grid, s.panel, s.edit);
                return true;
            }
        } else if (event->type() == QEvent::FocusOut && s.panel->isVisible()) {
            CloseGridSearch(s.grid, s.panel, s.edit);
        }
    }
    return TPriceListDialog::eventFilter(watched, event);
}

void TfrmAdrKart::keyPressEvent(QKeyEvent* event) {
    // Enter confirms the card from any field; the note takes it as a line break itself.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        btnOKClick();
        return;
    }
    TPriceListDialog::keyPressEvent(event);
}

void TfrmAdrKart::OpenGridSearch(TVnDBGrid* grid, QWidget* panel, QLineEdit* edit, const QString& typed) {
    if (grid->Columns().Count() > 1)
        edit->setFixedWidth(std::max(0, grid->Columns().ColumnAt(1)->Width() - kSearchEditInset));
    panel->show();
    edit->setText(typed);
    edit->setCursorPosition(static_cast<int>(typed.size()));
    edit->setFocus();
}

void TfrmAdrKart::CloseGridSearch(TVnDBGrid* grid, QWidget* panel, QLineEdit* edit) {
    panel->hide();
    const QSignalBlocker quiet(edit);
    edit->clear();
    grid->setFocus();
}

void TfrmAdrKart::SortMemoryGrid(TVnDBGrid* grid, TMemTable& table, TColumn* column, int firstDataColumn) {
    if (!column || !column->Indexed()) return;
    const TBookmark current = table.IsEmpty() ? TBookmark() : table.GetBookmark();
    table.SetIndexName(column->FieldName());
    column->SetIndex(firstDataColumn);
    for (int i = 0; i < grid->Columns().Count(); ++i) {
        TColumn* c = grid->Columns().ColumnAt(i);
        c->SetIndexStyle(c == column ? idxAscending : idxNone);
    }
    if (!current.isEmpty()) table.GotoBookmark(current);
}

void TfrmAdrKart::btnOKClick() {
    if (!btnOK->isEnabled() || ReadOnly) return;
    if (edtNazev->text().isEmpty()) {
        ShowInformation(QString::fromUtf8(kAddressNameMissing));
        edtNazev->setFocus();
        return;
    }
    if (!RunCardSave(this, OnSave)) return;
    done(kResultOk);
}

void TfrmAdrKart::btnVyberCenHladClick() {
    if (ShowPriceLevelList(1, QString(), false, false) == kResultOk && !frmMain->adqCenHlad.IsEmpty())
        edtCenHlad->setText(frmMain->adqCenHlad.FieldByName("Zkratka")->AsString());
    frmMain->adqCenHlad.Close();
}

void TfrmAdrKart::btnZrusitCenHladClick() { edtCenHlad->clear(); }

void TfrmAdrKart::btnPridatKontClick() {
    if (btnPridatKont->isEnabled()) EditContact(*this, true);
    grKontakty->setFocus();
}

void TfrmAdrKart::btnOpravitKontClick() {
    if (btnOpravitKont->isEnabled()) EditContact(*this, false);
    grKontakty->setFocus();
}

void TfrmAdrKart::btnVyjmoutKontClick() {
    if (btnVyjmoutKont->isEnabled() && AskQuestion(QString::fromUtf8(kConfirmContactRemove))) {
        mtTmpKontakty.Delete();
        UpdateContactButtons();
    }
    grKontakty->setFocus();
}

void TfrmAdrKart::UpdateContactButtons() {
    const bool rows = mtTmpKontakty.Active() && !mtTmpKontakty.IsEmpty();
    btnOpravitKont->setEnabled(rows);
    btnVyjmoutKont->setEnabled(rows);
    btnPridatKont->setEnabled(true);
}

// ---- opening and saving -------------------------------------------------------------------------------

int EditAddress(bool isNew, bool copy, bool readOnly, const QString& ico) {
    const TAccessLevel level = CurrentUser.Adresar_AR;
    const bool creating = isNew || copy;
    if (creating ? level >= TAccessLevel::ReadOnly : level == TAccessLevel::NoAccess) {
        TUser::ShowNoRightsMessage();
        return -1;
    }
    if (TfrmAdresar* list = AddressListWindow()) list->grAdresar->MarkedRows().ClearMarks();

    // Every way out hides the working window and brings the list's buttons up to date; the
    // session lets the record lock go.
    struct TClosingDown {
        ~TClosingDown() {
            ShowWorking(false);
            UpdateAddressListButtons();
        }
    } closingDown;
    TCardSession session;
    TADOQuery& list = Addresses();
    if (!isNew) {
        ShowWorking(true, QString::fromUtf8(kAddressCardLoading));
        if (!session.Begin(true, &list, "Adresar", false)) return -1;
        if (list.IsEmpty()) return -1;
    }

    TfrmAdrKart card(ApplicationMainWindow());
    card.ReadOnly = readOnly;
    if (!isNew && !copy && !readOnly && level == TAccessLevel::ReadOnly) {
        card.ReadOnly = true;
        TUser::ShowReadOnlyMessage();
    }
    card.AddressID = isNew ? 0 : list.FieldByName("ID")->AsInteger();
    card.ClearCard();
    // The IČ asked for stands on the card even when the register knows nothing more of it.
    if (!ico.isEmpty())
        FillCardFromRegister(
            {card.edtNazev, card.edtUlice, card.edtPsc, card.edtMisto, card.edtICO, card.edtDIC}, ico);
    card.btnOK->setVisible(!card.ReadOnly);
    card.btnOK->setEnabled(!card.ReadOnly);
    if (card.ReadOnly) card.setWindowTitle(card.windowTitle() + QString::fromUtf8(kViewingSuffix));

    if (!isNew) {
        // Viewing holds the lock too: a firm shown on one station is not deleted on another.
        if (!copy) {
            if (!session.Lock(AddressLockPath(card.AddressID))) return -1;
            if (session.ReadOnly()) {
                card.InUse = true;
                card.btnOK->setEnabled(false);
            }
        }
        for (const TAddressField& f : kAddressFields)
            (card.*f.edit)->setText(list.FieldByName(f.column)->AsString());
        card.memPoznamka->setPlainText(MemoToEdit(list.FieldByName("Poznamka")->AsString()));
        // An edited firm keeps its identity as stored, an empty one included; a copy is a new firm.
        if (!copy) card.RepID = list.FieldByName("RepID")->AsString();
        LoadContacts(card, card.AddressID, copy);
        LoadDocuments(card, card.AddressID, copy);
    }
    if (copy) card.AddressID = 0;

    PrepareCardDocuments(card, copy);
    card.UpdateContactButtons();
    card.mtTmpKontakty.SetIndexName("Prijmeni");
    card.grKontakty->Columns().ColumnAt(0)->SetIndexStyle(idxAscending);
    card.mtTmpDokumenty.SetIndexName("Popis");
    card.mtTmpKontakty.First();
    card.mtTmpDokumenty.First();
    ShowWorking(false);

    // The firm is written from the card's OK: a database error the save cannot wait out keeps the
    // card open with what the user typed. The firm, its documents and its contacts are stored as
    // one unit: a save cut short anywhere (a row that could not be written, an engine error, a
    // killed program) leaves the firm as it was.
    int result = 0;
    card.OnSave = [&] {
        return SaveKeepingCardOpen([&] {
            ShowWorking(true, QString::fromUtf8(kAddressSaving));
            std::vector<TPendingCopy> copies;
            QString failure;
            {
                TTransaction transaction(frmMain->ADOConAgenda);
                // The list is requeried inside the unit to stand on the saved firm.
                transaction.AfterRollback = [&list] {
                    if (list.Active()) RequeryAndLocate(list);
                };
                const int newId = SaveAddress(card, session, creating);
                if (newId < 0) {
                    result = -1;
                    return;
                }
                const int firmId = creating ? newId : card.AddressID;
                failure = SaveDocuments(card, firmId, !creating, copies);
                if (failure.isEmpty()) failure = SaveContacts(card, firmId, !creating);
                if (failure.isEmpty()) transaction.Commit();
            }
            if (!failure.isEmpty()) {
                ShowWorking(false);
                ShowError(failure);
                result = -1;
                return;
            }
            // The list stands on the saved firm, so its folder is the one the copies go to.
            CopyPendingDocuments(card, copies);
        });
    };
    if (card.exec() != kResultOk || card.ReadOnly || card.InUse) return 0;
    return result;
}
