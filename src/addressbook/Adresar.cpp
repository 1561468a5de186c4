#include "addressbook/Adresar.h"

#include <QAction>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "addressbook/AdrKart.h"
#include "core/CardProtocol.h"
#include "core/CommonUtils.h"
#include "core/Locks.h"
#include "core/Login.h"
#include "core/Main.h"
#include "core/PurchasePrices.h"
#include "core/UserSettings.h"
#include "core/Working.h"
#include "exchange/ExpXML.h"
#include "exchange/Tisk.h"
#include "platform/data/DataSetError.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/db/Transaction.h"
#include "platform/ui/Dialogs.h"
#include "widgets/VnDBGrids.h"

namespace {

const char* const kHelpPage = "pgSezAdr.htm";
// The search edit is a little narrower than the column it searches, and its hint stands beside it.
constexpr int kSearchEditInset = 12;
constexpr int kSearchHintGap = 5;
// Marked rows stand out from the rest without hiding which one is selected.
const QColor kMarkedBackground(128, 128, 128);
const QColor kMarkedSelectedBackground(0, 0, 128);

// The fifteen text columns of a firm that the print and the export read, with their labels.
struct TExportField {
    const char* name;
    TFieldType type;
    int size;
    const char* label;
};
const TExportField kExportFields[] = {
    {"Nazev", ftString, 50, "Název firmy"}, {"Ulice", ftString, 30, nullptr},
    {"Misto", ftString, 40, "Místo"},       {"Psc", ftString, 10, "PSČ"},
    {"Stat", ftString, 20, "Stát"},         {"ICO", ftString, 10, "IČO"},
    {"Telefon", ftString, 30, nullptr},     {"Fax", ftString, 30, nullptr},
    {"Email", ftString, 50, "E-mail"},      {"WWW", ftString, 50, nullptr},
    {"Poznamka", ftMemo, 0, "Poznámka"},    {"DIC", ftString, 20, "DIČ"},
    {"EANKod", ftString, 20, "EAN kód"},    {"CenHladina", ftString, 10, "Cenová hladina"},
    {"Zprava", ftString, 255, "Zpráva"},
};

TfrmAdresar* g_addressList = nullptr;

TADOQuery& Addresses() { return frmMain->adqAdresar; }

TAccessLevel AddressLevel() { return CurrentUser.Adresar_AR; }

bool HasRows() { return Addresses().Active() && !Addresses().IsEmpty(); }

int CurrentAddressId() { return HasRows() ? Addresses().FieldByName("ID")->AsInteger() : 0; }

void DeleteAddressRows(int id) {
    // The firm's files in the shared document folder stay: other programs may still use them. Its
    // rows go together: a firm is never left without the contacts it had, nor contacts without it.
    TTransaction transaction(frmMain->ADOConAgenda);
    ExecAgenda("DELETE FROM Adresar WHERE ID = :ID", {{"ID", id}});
    ExecAgenda("DELETE FROM Dokumenty WHERE CisloAdr = :ID", {{"ID", id}});
    ExecAgenda("DELETE FROM Kontakty WHERE CisloAdr = :ID", {{"ID", id}});
    transaction.Commit();
}

}  // namespace

TfrmAdresar* AddressListWindow() {
    if (!g_addressList) CreateAddressListWindow();
    return g_addressList;
}

void CreateAddressListWindow() {
    if (g_addressList) return;
    // A child of the main window, so it goes with it.
    new TfrmAdresar(frmMain);
}

void DestroyAddressListWindow() { delete g_addressList; }

TfrmAdresar::TfrmAdresar(QWidget* parent) : TPriceListDialog(parent) {
    g_addressList = this;
    setObjectName("frmAdresar");
    setWindowTitle(QString::fromUtf8(kAddressListCaption));

    grAdresar = MakeListGrid(this, "grAdresar", &dsAdresar, {});
    grAdresar->SetOptions(grAdresar->Options() | dgMarker | dgTitleClicked);
    ApplyGridLayout(TSessionGrid::AddressList, grAdresar, QString());
    SetSessionGrid(TSessionGrid::AddressList, grAdresar);
    SetSessionWindow(TSessionWindow::AddressList, this);

    panHledat = new QWidget(this);
    panHledat->setObjectName("panHledat");
    auto* search = new QHBoxLayout(panHledat);
    search->setContentsMargins(0, 0, 0, 0);
    search->setSpacing(kSearchHintGap);
    edtHledat = new QLineEdit(panHledat);
    edtHledat->setObjectName("edtHledat");
    lblHledat = new QLabel(QString::fromUtf8(kSearchHint), panHledat);
    lblHledat->setObjectName("lblHledat");
    lblHledat->setStyleSheet("color: grey");
    search->addWidget(edtHledat);
    search->addWidget(lblHledat);
    search->addStretch();
    panHledat->hide();
    edtHledat->installEventFilter(this);

    auto* buttons = new QVBoxLayout;
    btnAdrOk = AddButton(this, buttons, "btnAdrOk", QString::fromUtf8("Vložit do nabídky"), QKeySequence(),
                         QString::fromUtf8("Přenést adresu do nabídky (Enter)"));
    btnAdrStorno = AddButton(this, buttons, "btnAdrStorno", QString::fromUtf8("Zavřít"), QKeySequence(),
                             QString::fromUtf8("Zavřít seznam (Esc)"));
    buttons->addSpacing(12);
    btnAdrPridat = AddButton(this, buttons, "btnAdrPridat", QString::fromUtf8("Přidat novou adresu"),
                             QKeySequence("Alt+P"), QString::fromUtf8("Přidat novou adresu (Alt+P)"));
    btnAdrOpravit = AddButton(this, buttons, "btnAdrOpravit", "Opravit", QKeySequence("Alt+O"),
                              QString::fromUtf8("Opravit adresu (Alt+O)"));
    btnAdrKopirovat = AddButton(this, buttons, "btnAdrKopirovat", QString::fromUtf8("Kopírovat"),
                                QKeySequence(), QString::fromUtf8("Kopírovat adresu (Alt+K)"));
    btnAdrVyjmout = AddButton(this, buttons, "btnAdrVyjmout", "Vyjmout", QKeySequence("Alt+V"),
                              QString::fromUtf8("Vyjmout adresu"));
    btnObnovit = AddButton(this, buttons, "btnObnovit", "Obnovit", QKeySequence(Qt::Key_F5),
                           QString::fromUtf8("Refresh seznamu z databáze"));
    buttons->addSpacing(12);
    btnAdrTisk = AddButton(this, buttons, "btnAdrTisk", "Tisk", QKeySequence(),
                           QString::fromUtf8("Tiskové sestavy (Alt+T)"));
    btnOstatni = AddButton(this, buttons, "btnOstatni", QString::fromUtf8("Ostatní"));
    buttons->addStretch();
    btnNapoveda = AddButton(this, buttons, "btnNapoveda", QString::fromUtf8("Nápověda"),
                            QKeySequence(Qt::Key_F1), QString::fromUtf8("Nápověda"));

    pmOstatni = new QMenu(this);
    pmOstatni->setObjectName("pmOstatni");
    ExportdoXML1 = pmOstatni->addAction(QString::fromUtf8("Export do XML"));
    ExportdoXML1->setObjectName("ExportdoXML1");
    miPridatAdresuARES =
        pmOstatni->addAction(QString::fromUtf8("Přidat adresu z internetového registru ARES"));
    miPridatAdresuARES->setObjectName("miPridatAdresuARES");
    acSHNC = AddPurchasePriceAction(this);

    connect(btnAdrOk, &QPushButton::clicked, this, &TfrmAdresar::btnAdrOkClick);
    connect(btnAdrStorno, &QPushButton::clicked, this, &TfrmAdresar::btnAdrStornoClick);
    connect(btnAdrPridat, &QPushButton::clicked, this, [this] { btnAdrPridatClick(); });
    connect(btnAdrOpravit, &QPushButton::clicked, this, &TfrmAdresar::btnAdrOpravitClick);
    connect(btnAdrKopirovat, &QPushButton::clicked, this, &TfrmAdresar::btnAdrKopirovatClick);
    connect(btnAdrVyjmout, &QPushButton::clicked, this, &TfrmAdresar::btnAdrVyjmoutClick);
    connect(btnObnovit, &QPushButton::clicked, this, &TfrmAdresar::btnObnovitClick);
    connect(btnAdrTisk, &QPushButton::clicked, this, &TfrmAdresar::btnAdrTiskClick);
    connect(btnOstatni, &QPushButton::clicked, this,
            [this] { pmOstatni->popup(btnOstatni->mapToGlobal(QPoint(0, btnOstatni->height()))); });
    connect(btnNapoveda, &QPushButton::clicked, this, [] { ShowHelpTopic(kHelpPage); });
    connect(ExportdoXML1, &QAction::triggered, this, &TfrmAdresar::ExportdoXML1Click);
    connect(miPridatAdresuARES, &QAction::triggered, this, &TfrmAdresar::miPridatAdresuARESClick);
    connect(edtHledat, &QLineEdit::textChanged, this, &TfrmAdresar::SearchTextChanged);

    auto chooseOrEdit = [this] {
        if (mode_ == TAddressListMode::Pick)
            btnAdrOkClick();
        else
            btnAdrOpravitClick();
    };
    grAdresar->OnDblClick = [chooseOrEdit](QObject*) { chooseOrEdit(); };
    OnEnterKey(grAdresar, chooseOrEdit);
    grAdresar->OnKeyPress = [this](QObject*, QChar& key) {
        if (key.unicode() <= 31) return;
        OpenSearch(QString(key));
        key = QChar();
    };
    grAdresar->OnTitleClick = [this](TColumn* column) { SortByColumn(column); };
    grAdresar->OnColEnter = [this](QObject*) {
        // The cursor never stands left of the first data column.
        if (grAdresar->CurrentDataColumn() < 0) grAdresar->SetCol(grAdresar->DataToRawColumn(0));
    };
    grAdresar->OnDrawColumnCell = [this](QObject*, QPainter& canvas, const TRect& rect, int dataColumn,
                                         TColumn* column, TGridDrawState state) {
        DrawAddressCell(canvas, rect, dataColumn, column, state);
    };

    auto* left = new QVBoxLayout;
    left->addWidget(panHledat);
    left->addWidget(grAdresar, 1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);
    resize(900, 520);

    TFieldDefs& defs = mtSeznamAdres.FieldDefs();
    for (const TExportField& f : kExportFields) defs.Add(f.name, f.type, f.size);
    defs.Add("ID", ftInteger);
    mtSeznamAdres.CreateTable();
    for (const TExportField& f : kExportFields)
        if (f.label) mtSeznamAdres.FieldByName(f.name)->SetDisplayLabel(QString::fromUtf8(f.label));

    dsAdresar.SetDataSet(&Addresses());
}

TfrmAdresar::~TfrmAdresar() {
    delete grAdresar;
    if (g_addressList == this) g_addressList = nullptr;
}

void TfrmAdresar::SetMode(TAddressListMode mode) {
    mode_ = mode;
    btnAdrOk->setVisible(mode == TAddressListMode::Pick);
}

void TfrmAdresar::showEvent(QShowEvent* event) {
    TPriceListDialog::showEvent(event);
    UpdateAddressListButtons();
    grAdresar->setFocus();
}

bool TfrmAdresar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edtHledat) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                CloseSearch();
                return true;
            }
        } else if (event->type() == QEvent::FocusOut && panHledat->isVisible()) {
            CloseSearch();
        }
    }
    return TPriceListDialog::eventFilter(watched, event);
}

void TfrmAdresar::Guarded(QPushButton* button, const std::function<void()>& action) {
    if (button->property("Tag").toBool()) return;
    button->setProperty("Tag", true);
    struct TReset {
        QPushButton* b;
        ~TReset() { b->setProperty("Tag", false); }
    } reset{button};
    action();
}

void TfrmAdresar::btnAdrOkClick() {
    if (btnAdrOk->isEnabled()) done(kResultOk);
}

void TfrmAdresar::btnAdrStornoClick() {
    if (btnAdrStorno->isEnabled()) done(kResultCancel);
}

void TfrmAdresar::btnAdrPridatClick(const QStringList& registerIco) {
    Guarded(btnAdrPridat, [&] {
        EditAddress(true, false, false, registerIco.isEmpty() ? QString() : registerIco.first());
        grAdresar->setFocus();
    });
}

void TfrmAdresar::btnAdrOpravitClick() {
    if (!btnAdrOpravit->isEnabled()) return;
    Guarded(btnAdrOpravit, [this] {
        EditAddress(false, false, false, QString());
        grAdresar->setFocus();
    });
}

void TfrmAdresar::btnAdrKopirovatClick() {
    if (!btnAdrKopirovat->isEnabled()) return;
    Guarded(btnAdrKopirovat, [this] {
        EditAddress(false, true, false, QString());
        grAdresar->setFocus();
    });
}

void TfrmAdresar::btnObnovitClick() {
    grAdresar->MarkedRows().ClearMarks();
    // Refreshing is asked for: a row that went meanwhile needs no message.
    if (Addresses().Active()) RequeryAndLocate(Addresses());
    UpdateAddressListButtons();
}

void TfrmAdresar::btnAdrTiskClick() {
    if (!btnAdrTisk->isEnabled()) return;
    Guarded(btnAdrTisk, [] { ShowPrintDialog(pmAddresses); });
}

void TfrmAdresar::ExportdoXML1Click() { ShowXmlExportDialog(TXmlExportKind::Addresses); }

void TfrmAdresar::miPridatAdresuARESClick() {
    QString ico;
    if (!AskInput(QString::fromUtf8(kRegisterCaption), QString::fromUtf8(kRegisterPrompt), ico)) return;
    if (ico.isEmpty()) return;
    btnAdrPridatClick(QStringList{ico});
}

bool TfrmAdresar::DeleteCurrentAddress(bool single, int& standOnId) {
    const int id = CurrentAddressId();
    if (TestRecordLock(AddressLockPath(id))) {
        ShowWorking(false);
        ShowWarning(QString::fromUtf8(kCannotDeleteInUseText));
        return false;
    }
    if (btnAdrVyjmout->property("Tag").toBool()) return false;
    btnAdrVyjmout->setProperty("Tag", true);
    struct TReset {
        QPushButton* b;
        ~TReset() { b->setProperty("Tag", false); }
    } reset{btnAdrVyjmout};
    if (single) standOnId = GetIDAfterDelete(Addresses(), "ID");
    DeleteAddressRows(id);
    return true;
}

void TfrmAdresar::btnAdrVyjmoutClick() {
    if (!btnAdrVyjmout->isEnabled()) return;
    if (AddressLevel() != TAccessLevel::Full) {
        TUser::ShowNoRightsMessage();
        return;
    }
    TADOQuery& list = Addresses();
    TBookmarkList& marks = grAdresar->MarkedRows();
    const bool marked = marks.MarkCount() > 0;
    if (!AskQuestion(QString::fromUtf8(marked ? kConfirmAddressesDelete : kConfirmAddressDelete))) return;

    // The marks are bookmarks, which for the list stand for the firms' IDs and so survive its
    // requery; they are read before the list changes under them.
    std::vector<TBookmark> rows;
    if (marked) {
        for (int i = 0; i < marks.MarkCount(); ++i) rows.push_back(marks.MarkAt(i));
        ShowWorking(true, QString::fromUtf8(kDeletingAddresses));
    } else {
        marks.ClearMarks();
        if (RequeryAndLocate(list) != 0) {
            ShowWarning(QString::fromUtf8(kRecordVanishedText));
            UpdateAddressListButtons();
            return;
        }
        rows.push_back(list.GetBookmark());
    }

    int standOnId = -1;
    bool finished = true;
    for (const TBookmark& row : rows) {
        // A marked firm that another station deleted meanwhile has nothing left to delete.
        if (!list.BookmarkValid(row)) continue;
        list.GotoBookmark(row);
        if (!DeleteCurrentAddress(!marked, standOnId)) {
            finished = false;
            break;
        }
    }
    if (marked) ShowWorking(false);

    // The list shows what is stored now, also after a run that stopped at a firm in use: the firms
    // deleted before it must not linger, and the marks of the rest stay for another try.
    RequeryAndLocate(list);
    if (!finished) {
        marks.DropVanishedMarks();
    } else if (marked) {
        marks.ClearMarks();
    } else {
        list.Locate("ID", standOnId);
    }
    UpdateAddressListButtons();
    grAdresar->setFocus();
}

void TfrmAdresar::OpenSearch(const QString& typed) {
    if (grAdresar->Columns().Count() > 0)
        edtHledat->setFixedWidth(std::max(0, grAdresar->Columns().ColumnAt(0)->Width() - kSearchEditInset));
    panHledat->show();
    edtHledat->setText(typed);
    edtHledat->setCursorPosition(static_cast<int>(typed.size()));
    edtHledat->setFocus();
}

void TfrmAdresar::CloseSearch() {
    panHledat->hide();
    const QSignalBlocker quiet(edtHledat);
    edtHledat->clear();
    grAdresar->setFocus();
}

void TfrmAdresar::SearchTextChanged(const QString& text) {
    if (!panHledat->isVisible() || !HasRows()) return;
    // The list searches in the field it is sorted by; unsorted, in its first column.
    QString field = Addresses().Sort().section(' ', 0, 0);
    if (field.isEmpty() && grAdresar->Columns().Count() > 0)
        field = grAdresar->Columns().ColumnAt(0)->FieldName();
    if (field.isEmpty() || !Addresses().FindField(field)) return;
    Addresses().Locate(field, text, loCaseInsensitive | loPartialKey);
}

void TfrmAdresar::SortByColumn(TColumn* column) {
    if (!column || !column->Indexed() || !HasRows()) return;
    TADOQuery& list = Addresses();
    const int id = CurrentAddressId();
    column->SetIndex(0);
    list.SetSort(column->FieldName());
    for (int i = 0; i < grAdresar->Columns().Count(); ++i) {
        TColumn* c = grAdresar->Columns().ColumnAt(i);
        c->SetIndexStyle(c == column ? idxAscending : idxNone);
    }
    list.Locate("ID", id);
    if (grAdresar->Columns().Count() > 1) grAdresar->SetCol(grAdresar->DataToRawColumn(1));
}

void TfrmAdresar::DrawAddressCell(QPainter& canvas, const TRect& rect, int dataColumn, TColumn* column,
                                  uint32_t state) {
    if (grAdresar->MarkedRows().IsCurrentRowMarked()) {
        canvas.setBrush((state & gdSelected) ? kMarkedSelectedBackground : kMarkedBackground);
        canvas.setPen(Qt::white);
    }
    grAdresar->DrawCellDefault(canvas, rect, dataColumn, column, state);
}

void UpdateAddressListButtons() {
    TfrmAdresar* list = g_addressList;
    if (!list) return;
    const bool rows = HasRows();
    for (QPushButton* b : {list->btnAdrOk, list->btnAdrOpravit, list->btnAdrVyjmout, list->btnAdrKopirovat,
                           list->btnAdrTisk, list->btnOstatni})
        b->setEnabled(rows);
}

int BuildAddressExportTable() {
    TfrmAdresar* window = AddressListWindow();
    TMemTable& table = window->mtSeznamAdres;
    table.Close();
    table.Open();
    if (!HasRows()) return 0;
    TBookmarkList& marks = window->grAdresar->MarkedRows();
    const bool marked = marks.MarkCount() > 0;
    TADOQuery& list = Addresses();
    list.DisableControls();
    const TBookmark current = list.GetBookmark();
    for (list.First(); !list.Eof(); list.Next()) {
        int index = 0;
        if (marked && !marks.FindMark(list.GetBookmark(), index)) continue;
        table.Append();
        for (const TExportField& f : kExportFields)
            table.FieldByName(f.name)->SetAsString(list.FieldByName(f.name)->AsString());
        table.FieldByName("ID")->SetAsInteger(list.FieldByName("ID")->AsInteger());
        table.Post();
    }
    list.GotoBookmark(current);
    list.EnableControls();
    return 0;
}

int ShowAddressList(TAddressListMode mode, bool closeAfter, int addressId) {
    if (AddressLevel() == TAccessLevel::NoAccess) {
        TUser::ShowNoRightsMessage();
        return kAddressListRefused;
    }
    TfrmAdresar* window = AddressListWindow();
    TADOQuery& list = Addresses();
    ShowWorking(true, QString::fromUtf8(kAddressLoading));
    list.Close();
    if (addressId != 0) {
        list.SetSQL("SELECT * FROM Adresar WHERE ID = :ID");
        list.Parameters().ParamByName("ID")->Value = addressId;
    } else {
        list.SetSQL("SELECT * FROM Adresar");
    }
    list.Open();
    LastSeenStamp[ChangeStampIndex("Adresar")] = TableChangeStamp(tsRead, "Adresar");

    if (addressId == 0) {
        try {
            list.SetSort(AddressListSort);
        } catch (const EDataSetError&) {
            // A sort field the table no longer has leaves the list in stored order.
            AddressListSort.clear();
        }
        if (!list.Locate("ID", LastAddressID)) list.First();
        window->SetMode(mode);
        window->grAdresar->MarkedRows().ClearMarks();
        ApplySortField(window->grAdresar, AddressListSort, QString());
    }
    ShowWorking(false);

    int result = kAddressListRefused;
    if (addressId != 0) {
        if (!list.IsEmpty())
            result = EditAddress(false, false, true, QString());
        else
            ShowWarning(QString::fromUtf8(kAddressGone));
    } else {
        result = window->exec();
        if (!list.IsEmpty()) LastAddressID = CurrentAddressId();
        AddressListSort = list.Sort().section(' ', 0, 0).toUpper();
    }
    if (closeAfter) list.Close();
    return result;
}
