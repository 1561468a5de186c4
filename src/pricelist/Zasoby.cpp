// The price-list window and its opening as a browser or an item picker. It never closes with an
// item whose recalculation is unfinished, and never deletes an item another station holds open.
#include "pricelist/Zasoby.h"

#include <QFocusEvent>
#include <QFont>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QTabBar>
#include <QVBoxLayout>
#include <algorithm>
#include <initializer_list>
#include <utility>

#include "core/CardProtocol.h"
#include "core/CommonUtils.h"
#include "core/Locks.h"
#include "core/Login.h"
#include "core/Main.h"
#include "core/PurchasePrices.h"
#include "core/UserSettings.h"
#include "exchange/TiskExpCeniku.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/HromadneTexty.h"
#include "pricelist/KartaSkupiny.h"
#include "pricelist/KartaZasoby.h"
#include "pricelist/Preceneni.h"
#include "pricelist/Presun.h"
#include "pricelist/PriceListUi.h"
#include "pricelist/SklSkupiny.h"
#include "pricelist/Sklady.h"
#include "pricelist/ZasobyFiltr.h"
#include "widgets/VnDBGrids.h"

namespace {

const char* const kLoading = "Načítám seznam Ceníku\rprosím čekejte...";
const char* const kDeletingItems = "Mazání položek\rprosím čekejte...";
const char* const kSheetQuery = "SELECT * FROM Sklady ORDER BY Poradi";
const char* const kNoItemsQuery = "SELECT * FROM Zasoby WHERE ID = -1";
const char* const kFilterCaption = "Filtr";
const char* const kGroupSortDefault = "NAZEV";
const char* const kItemSortDefault = "POPIS";

// The search entry is as wide as the grid's first column, less room for its frame; the hint stands
// just right of it.
constexpr int kSearchWidthInset = 12;
constexpr int kSearchHintGap = 5;

// Row colours: a row whose recalculation is unfinished, and a marked row.
const QColor kErrorText(0xFF, 0x00, 0x00);
const QColor kMarkedBrush(0x80, 0x80, 0x80);

TfrmZasoby* g_window = nullptr;

TADOQuery& Sheets() { return frmMain->adqSklady; }
TADOQuery& Groups() { return frmMain->adqSkupiny; }
TADOQuery& Items() { return frmMain->adqZasoby; }

int CurrentId(TDataSet& query) {
    if (!query.Active() || query.IsEmpty()) return 0;
    return query.FieldByName("ID")->AsInteger();
}

// The first field of a sort text ("Popis", "POPIS ASC"), the key the incremental search matches.
QString SortKeyField(const QString& sort) {
    QString field = sort.section(QLatin1Char(','), 0, 0).section(QLatin1Char(';'), 0, 0).trimmed();
    return field.section(QLatin1Char(' '), 0, 0);
}

void ApplySort(TDataSet& query, TVnDBGrid* grid, const QString& stored, const char* fallback) {
    const QString field = ApplySortField(grid, stored, QString::fromLatin1(fallback));
    query.SetSort(field);
}

// Stores the value under the key in the position table, editing the row of the key or adding one.
void StorePosition(TMemTable& table, const QString& keyField, int key,
                   std::initializer_list<std::pair<const char*, int>> values) {
    if (!table.Active()) return;
    if (table.Locate(keyField, key)) {
        table.Edit();
    } else {
        table.Append();
        table.FieldByName(keyField)->SetAsInteger(key);
    }
    for (const auto& [field, value] : values)
        table.FieldByName(QString::fromLatin1(field))->SetAsInteger(value);
    table.Post();
}

bool FindPosition(TMemTable& table, const QString& keyField, int key) {
    return table.Active() && table.Locate(keyField, key);
}

// A heading label that hands the focus to its grid when clicked.
class THeading : public QLabel {
public:
    THeading(const QString& text, QWidget* parent, std::function<void()> onClick)
        : QLabel(text, parent), onClick_(std::move(onClick)) {
        setAutoFillBackground(true);
        QFont bold = font();
        bold.setBold(true);
        setFont(bold);
        setContentsMargins(4, 2, 4, 2);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        QLabel::mousePressEvent(event);
        if (onClick_) onClick_();
    }

private:
    std::function<void()> onClick_;
};

void SetHeadingColour(QLabel* heading, const QColor& colour) {
    QPalette palette = heading->palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::WindowText, Qt::white);
    heading->setPalette(palette);
}

// The search entry closes on Enter and when it loses the focus.
class TSearchEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;
    std::function<void()> OnLeave;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            if (OnLeave) OnLeave();
            return;
        }
        QLineEdit::keyPressEvent(event);
    }
    void focusOutEvent(QFocusEvent* event) override {
        QLineEdit::focusOutEvent(event);
        if (OnLeave && isVisible()) OnLeave();
    }
};

}  // namespace

// ---- the window ------------------------------------------------------------------------------------------

TfrmZasoby* TfrmZasoby::Instance() {
    // Start-up makes the window; a test or a tool that has none gets one beside the main window.
    if (!g_window) new TfrmZasoby(frmMain);
    return g_window;
}

TfrmZasoby* TfrmZasoby::Existing() { return g_window; }

TfrmZasoby::TfrmZasoby(QWidget* parent) : TVnDialog(parent) {
    g_window = this;
    setObjectName("frmZasoby");
    setWindowTitle(QString::fromUtf8(kPriceListCaption));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    BuildWindow();
    dsSkupiny.SetDataSet(&Groups());
    dsZasoby.SetDataSet(&Items());
    ApplyGridLayout(TSessionGrid::PriceListGroups, grSkupiny, QString());
    ApplyGridLayout(TSessionGrid::PriceListItems, grZasoby, QString());
    SetSessionGrid(TSessionGrid::PriceListGroups, grSkupiny);
    SetSessionGrid(TSessionGrid::PriceListItems, grZasoby);
    SetSessionWindow(TSessionWindow::PriceList, this);
    activeGrid_ = grZasoby;

    Groups().BeforeScroll = [this](TDataSet*) { GroupsBeforeScroll(); };
    Groups().AfterScroll = [this](TDataSet*) { GroupsAfterScroll(); };

    PriceListWindowLinks.pgcSklady = pgcSklady;
    PriceListWindowLinks.RememberListPosition = [this](int sheetId) { RememberListPosition(sheetId); };
    PriceListWindowLinks.LoadSheetContents = [this] { LoadSheetContents(); };
    PriceListWindowLinks.GroupPanelShown = [this] { return GroupPanelShown(); };
    PriceListWindowLinks.ClearGroupMarks = [this] { grSkupiny->MarkedRows().ClearMarks(); };
    PriceListWindowLinks.ClearItemMarks = [this] { grZasoby->MarkedRows().ClearMarks(); };
    PriceListWindowLinks.FocusGroupGrid = [this] { FocusGrid(grSkupiny); };
    PriceListWindowLinks.UpdatePriceListButtons = [this] { UpdatePriceListButtons(); };
}

TfrmZasoby::~TfrmZasoby() {
    PriceListWindowLinks = TPriceListWindowLinks();
    if (frmMain) {
        Groups().BeforeScroll = nullptr;
        Groups().AfterScroll = nullptr;
    }
    dsSkupiny.SetDataSet(nullptr);
    dsZasoby.SetDataSet(nullptr);
    SetSessionGrid(TSessionGrid::PriceListGroups, nullptr);
    SetSessionGrid(TSessionGrid::PriceListItems, nullptr);
    SetSessionWindow(TSessionWindow::PriceList, nullptr);
    // The grids hold links to the data sources above: they go first.
    delete grSkupiny;
    delete grZasoby;
    if (g_window == this) g_window = nullptr;
}

void TfrmZasoby::BuildWindow() {
    auto* layout = new QVBoxLayout(this);

    auto* bar = new QHBoxLayout;
    btnPridat = AddButton(this, bar, "btnPridat", QString::fromUtf8("Přidat"), QKeySequence(),
                          QString::fromUtf8("Přidat novou položku (Alt+P)"));
    btnOpravit = AddButton(this, bar, "btnOpravit", "Opravit", QKeySequence("Alt+O"),
                           QString::fromUtf8("Opravit položku/skupinu (Alt+O)"));
    btnKopirovat = AddButton(this, bar, "btnKopirovat", QString::fromUtf8("Kopírovat"), QKeySequence("Alt+K"),
                             QString::fromUtf8("Kopírovat položku/skupinu (Alt+K)"));
    btnVyjmout = AddButton(this, bar, "btnVyjmout", "Vyjmout", QKeySequence(),
                           QString::fromUtf8("Vyjmout položku/skupinu"));
    btnOk = AddButton(this, bar, "btnOk", QString::fromUtf8("Vložit do nabídky"), QKeySequence(),
                      QString::fromUtf8("Přenést položku do nabídky (Enter)"));
    btnStorno = AddButton(this, bar, "btnStorno", QString::fromUtf8("Zavřít"), QKeySequence(),
                          QString::fromUtf8("Zavřít seznam (Esc)"));
    btnObnovit = AddButton(this, bar, "btnObnovit", "Obnovit", QKeySequence(),
                           QString::fromUtf8("Refresh seznamu z databáze"));
    btnHrOperace = AddButton(this, bar, "btnHrOperace", QString::fromUtf8("Ostatní"), QKeySequence(),
                             QString::fromUtf8("Další operace s ceníkem"));
    btnTisk = AddButton(this, bar, "btnTisk", "Tisk", QKeySequence("Alt+T"),
                        QString::fromUtf8("Tiskové sestavy (Alt+T)"));
    btnFiltr = AddButton(this, bar, "btnFiltr", QString::fromUtf8(kFilterCaption), QKeySequence(),
                         QString::fromUtf8("Filtr položek"));
    bar->addStretch();
    btnNapoveda = AddButton(this, bar, "btnNapoveda", QString::fromUtf8("Nápověda"), QKeySequence(Qt::Key_F1),
                            QString::fromUtf8("Nápověda"));
    layout->addLayout(bar);

    PopPridat = new QMenu(this);
    PopPridat->setObjectName("PopPridat");
    auto item = [this](QMenu* menu, QAction*& action, const char* name, const char* caption,
                       void (TfrmZasoby::*handler)()) {
        action = menu->addAction(QString::fromUtf8(caption));
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, handler);
    };
    item(PopPridat, PridatPolozku1, "PridatPolozku1", "Položku", &TfrmZasoby::btnPridatPolozkuClick);
    item(PopPridat, PridatSkupinu1, "PridatSkupinu1", "Skupinu", &TfrmZasoby::btnPridatSkupinuClick);
    item(PopPridat, PridatList1, "PridatList1", "List", &TfrmZasoby::btnPridatListClick);
    // Alt+P adds an item straight away, as the menu entry says.
    auto* addItem = new QShortcut(QKeySequence("Alt+P"), this);
    connect(addItem, &QShortcut::activated, this, &TfrmZasoby::btnPridatPolozkuClick);

    PopHrOperace = new QMenu(this);
    PopHrOperace->setObjectName("PopHrOperace");
    item(PopHrOperace, PresunoutDoSkupiny1, "PresunoutDoSkupiny1", "Přesunout do skupiny...",
         &TfrmZasoby::PresunoutDoSkupinyClick);
    item(PopHrOperace, PresunoutDoListu1, "PresunoutDoListu1", "Přesunout do listu...",
         &TfrmZasoby::PresunoutDoListuClick);
    item(PopHrOperace, Preceneni1, "Preceneni1", "Přecenit nákupní a prodejní ceny",
         &TfrmZasoby::PreceneniClick);
    item(PopHrOperace, HromadneNastaveni1, "HromadneNastaveni1", "Hromadně nastavit údaje na položkách",
         &TfrmZasoby::HromadneNastaveniClick);

    connect(btnPridat, &QPushButton::clicked, this,
            [this] { PopPridat->popup(btnPridat->mapToGlobal(QPoint(0, btnPridat->height()))); });
    connect(btnHrOperace, &QPushButton::clicked, this,
            [this] { PopHrOperace->popup(btnHrOperace->mapToGlobal(QPoint(0, btnHrOperace->height()))); });
    connect(btnOpravit, &QPushButton::clicked, this, &TfrmZasoby::btnOpravitClick);
    connect(btnKopirovat, &QPushButton::clicked, this, &TfrmZasoby::btnKopirovatClick);
    connect(btnVyjmout, &QPushButton::clicked, this, &TfrmZasoby::btnVyjmoutClick);
    connect(btnOk, &QPushButton::clicked, this, &TfrmZasoby::btnOkClick);
    connect(btnStorno, &QPushButton::clicked, this, [this] { done(kPriceListClosed); });
    connect(btnObnovit, &QPushButton::clicked, this, &TfrmZasoby::btnObnovitClick);
    connect(btnTisk, &QPushButton::clicked, this, &TfrmZasoby::btnTiskClick);
    connect(btnFiltr, &QPushButton::clicked, this, &TfrmZasoby::btnFiltrClick);
    connect(btnNapoveda, &QPushButton::clicked, this,
            [] { ShowHelpTopic(QString::fromLatin1(kPriceListHelpPage)); });
    AddPurchasePriceAction(this);

    // Sheets.
    auto* sheets = new QHBoxLayout;
    btnVyberSklad = AddButton(this, sheets, "btnVyberSklad", "Listy", QKeySequence("Alt+L"),
                              QString::fromUtf8("Výběr aktivního listu (Alt+L)"));
    connect(btnVyberSklad, &QPushButton::clicked, this, &TfrmZasoby::btnVyberSkladClick);
    pgcSklady = new QTabBar(this);
    pgcSklady->setObjectName("pgcSklady");
    pgcSklady->setExpanding(false);
    connect(pgcSklady, &QTabBar::currentChanged, this, &TfrmZasoby::TabChanged);
    sheets->addWidget(pgcSklady, 1);
    layout->addLayout(sheets);

    auto* panels = new QHBoxLayout;
    auto makeSearch = [](QWidget* parent, const char* panelName, const char* editName,
                             const char* hintName, QWidget*& panel, QLineEdit*& edit, QLabel*& hint) {
        panel = new QWidget(parent);
        panel->setObjectName(panelName);
        auto* row = new QHBoxLayout(panel);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(kSearchHintGap);
        edit = new TSearchEdit(panel);
        edit->setObjectName(editName);
        hint = new QLabel(QString::fromUtf8(kSearchHint), panel);
        hint->setObjectName(hintName);
        row->addWidget(edit);
        row->addWidget(hint);
        row->addStretch();
        panel->hide();
    };

    // Groups.
    panZasobySkupiny = new QWidget(this);
    panZasobySkupiny->setObjectName("panZasobySkupiny");
    auto* groupColumn = new QVBoxLayout(panZasobySkupiny);
    groupColumn->setContentsMargins(0, 0, 0, 0);
    auto* groupHead = new QHBoxLayout;
    lblSkupinyNadpis = new THeading("Skupiny", panZasobySkupiny, [this] { FocusGrid(grSkupiny); });
    lblSkupinyNadpis->setObjectName("lblSkupinyNadpis");
    groupHead->addWidget(lblSkupinyNadpis, 1);
    btnSkryt = AddButton(panZasobySkupiny, groupHead, "btnSkryt", QString::fromUtf8("Skrýt"), QKeySequence(),
                         QString::fromUtf8("Vypne zobrazení skupin (Alt+S)"));
    groupColumn->addLayout(groupHead);
    makeSearch(panZasobySkupiny, "panSkupinyHledat", "edtSkupinyHledat", "lblSkupinyHledat", panSkupinyHledat,
               edtSkupinyHledat, lblSkupinyHledat);
    groupColumn->addWidget(panSkupinyHledat);
    grSkupiny = new TVnDBGrid(panZasobySkupiny);
    grSkupiny->setObjectName("grSkupiny");
    groupColumn->addWidget(grSkupiny, 1);
    panels->addWidget(panZasobySkupiny);

    // Items.
    auto* itemPanel = new QWidget(this);
    itemPanel->setObjectName("panZasoby");
    auto* itemColumn = new QVBoxLayout(itemPanel);
    itemColumn->setContentsMargins(0, 0, 0, 0);
    auto* itemHead = new QHBoxLayout;
    btnZobrazitSkupiny = AddButton(itemPanel, itemHead, "btnZobrazitSkupiny", "Zobrazit skupiny",
                                   QKeySequence(), QString::fromUtf8("Zapne zobrazení skupin (Alt+S)"));
    lblZasobyNadpis = new THeading(QString::fromUtf8("Položky"), itemPanel, [this] { FocusGrid(grZasoby); });
    lblZasobyNadpis->setObjectName("lblZasobyNadpis");
    itemHead->addWidget(lblZasobyNadpis, 1);
    itemColumn->addLayout(itemHead);
    makeSearch(itemPanel, "panZasobyHledat", "edtZasobyHledat", "lblZasobyHledat", panZasobyHledat,
               edtZasobyHledat, lblZasobyHledat);
    itemColumn->addWidget(panZasobyHledat);
    grZasoby = new TVnDBGrid(itemPanel);
    grZasoby->setObjectName("grZasoby");
    itemColumn->addWidget(grZasoby, 1);
    panels->addWidget(itemPanel, 1);
    layout->addLayout(panels, 1);

    connect(btnSkryt, &QPushButton::clicked, this, &TfrmZasoby::ToggleGroupPanel);
    connect(btnZobrazitSkupiny, &QPushButton::clicked, this, &TfrmZasoby::ToggleGroupPanel);
    auto* toggle = new QShortcut(QKeySequence("Alt+S"), this);
    connect(toggle, &QShortcut::activated, this, &TfrmZasoby::ToggleGroupPanel);

    ConnectGrid(grSkupiny, panSkupinyHledat, edtSkupinyHledat, lblSkupinyHledat);
    ConnectGrid(grZasoby, panZasobyHledat, edtZasobyHledat, lblZasobyHledat);
    grSkupiny->SetDataSource(&dsSkupiny);
    grZasoby->SetDataSource(&dsZasoby);
    grSkupiny->OnDblClick = [this](QObject*) { btnOpravitClick(); };
    grZasoby->OnDblClick = [this](QObject*) {
        if (mode_ == TPriceListMode::Pick)
            btnOkClick();
        else
            btnOpravitClick();
    };
    resize(900, 600);
}

void TfrmZasoby::ConnectGrid(TVnDBGrid* grid, QWidget* searchPanel, QLineEdit* searchEdit, QLabel* hint) {
    grid->SetOptions((kDefaultDBGridOptions & ~(dgEditing | dgConfirmDelete)) | dgRowSelect |
                     dgAlwaysShowSelection | dgMultiSelect | dgTitleClicked);
    grid->SetReadOnly(true);
    grid->OnEnter = [this, grid](QObject*) {
        activeGrid_ = grid;
        UpdatePriceListButtons();
    };
    grid->OnKeyPress = [=, this](QObject*, QChar& key) {
        if (key.unicode() <= 31) return;
        OpenSearch(grid, searchPanel, searchEdit, hint, key);
        key = QChar();
    };
    OnEnterKey(grid, [this] {
        if (mode_ == TPriceListMode::Pick)
            btnOkClick();
        else
            btnOpravitClick();
    });
    grid->OnTitleClick = [this, grid](TColumn* column) {
        for (int i = 0; i < grid->Columns().Count(); ++i)
            if (grid->Columns().ColumnAt(i) == column) SortByTitle(grid, i);
    };
    auto* edit = static_cast<TSearchEdit*>(searchEdit);
    edit->OnLeave = [=, this] { CloseSearch(grid, searchPanel, searchEdit); };
    connect(searchEdit, &QLineEdit::textChanged, this, [grid](const QString& text) {
        TDataSet* data = grid->DataSource() ? grid->DataSource()->DataSet() : nullptr;
        if (!data || !data->Active() || text.isEmpty()) return;
        const QString field = SortKeyField(data->Sort());
        if (field.isEmpty()) return;
        data->Locate(field, text, loCaseInsensitive | loPartialKey);
    });
    const bool items = grid == grZasoby;
    grid->OnDrawColumnCell = [grid, items](QObject*, QPainter& canvas, const TRect& rect, int dataColumn,
                                           TColumn* column, TGridDrawState state) {
        TDataSet* data = grid->DataSource()->DataSet();
        TField* chyba = items ? data->FindField("Chyba") : nullptr;
        const bool error = chyba && chyba->AsBoolean();
        const bool marked = grid->MarkedRows().IsCurrentRowMarked();
        if (!error && !marked) return;
        const bool highlighted = (state & gdSelected) && !(state & gdFocused);
        if (error) {
            QFont font = canvas.font();
            font.setStrikeOut(true);
            canvas.setFont(font);
            canvas.setPen(highlighted ? QColor(Qt::white) : kErrorText);
            if (highlighted) canvas.setBrush(kHeadingGroups);
        }
        if (marked) {
            canvas.setPen(Qt::white);
            canvas.setBrush(highlighted ? kHeadingItems : kMarkedBrush);
        }
        grid->DrawCellDefault(canvas, rect, dataColumn, column, state);
    };
}

void TfrmZasoby::OpenSearch(TVnDBGrid* grid, QWidget* panel, QLineEdit* edit, QLabel* hint, QChar first) {
    const int firstWidth = grid->Columns().Count() > 0 ? grid->Columns().ColumnAt(0)->Width() : 100;
    edit->setFixedWidth(std::max(firstWidth - kSearchWidthInset, 20));
    hint->show();
    panel->show();
    edit->setText(QString(first));
    edit->setCursorPosition(edit->text().size());
    edit->setFocus();
}

void TfrmZasoby::CloseSearch(TVnDBGrid* grid, QWidget* panel, QLineEdit* edit) {
    if (panel->isHidden()) return;
    panel->hide();
    {
        const QSignalBlocker quiet(edit);
        edit->clear();
    }
    FocusGrid(grid);
}

void TfrmZasoby::SortByTitle(TVnDBGrid* grid, int dataColumn) {
    TColumn* column = grid->Columns().ColumnAt(dataColumn);
    if (!column || !column->Indexed()) return;
    TDataSet* data = grid->DataSource()->DataSet();
    if (!data || !data->Active()) return;
    const bool groups = grid == grSkupiny;
    if (groups) ++groupScrollSuppressed_;
    const TBookmark kept = data->GetBookmark();
    const QString field = column->FieldName();
    grid->Columns().Move(dataColumn, 0);
    ApplySortField(grid, field, field);
    data->SetSort(field);
    // The items of the next group or sheet keep the order the user chose, not the one stored.
    (groups ? PriceListGroupSort : PriceListItemSort) = field.toUpper();
    if (!kept.isEmpty() && data->BookmarkValid(kept)) data->GotoBookmark(kept);
    if (groups) --groupScrollSuppressed_;
    grid->SetCol(grid->DataToRawColumn(0));
}

void TfrmZasoby::SetMode(TPriceListMode mode) {
    mode_ = mode;
    btnOk->setVisible(mode == TPriceListMode::Pick);
}

bool TfrmZasoby::GroupPanelShown() const { return !panZasobySkupiny->isHidden(); }

bool TfrmZasoby::GroupGridActive() const { return activeGrid_ == grSkupiny && GroupPanelShown(); }

void TfrmZasoby::FocusGrid(TVnDBGrid* grid) {
    activeGrid_ = grid;
    grid->setFocus();
    UpdatePriceListButtons();
}

void TfrmZasoby::Guarded(QPushButton* button, const std::function<void()>& action) {
    RunGuarded(button, action);
}

// ---- loading ------------------------------------------------------------------------------------------

void TfrmZasoby::GroupsBeforeScroll() {
    if (groupScrollSuppressed_ > 0 || !GroupPanelShown() || !Items().Active()) return;
    RememberListPosition(CurrentSheetId);
}

void TfrmZasoby::GroupsAfterScroll() {
    // Between openings the item query is closed, and moving the groups must not open it again.
    if (groupScrollSuppressed_ > 0 || !GroupPanelShown() || !Items().Active()) return;
    ReloadGroupItems();
}

void TfrmZasoby::LoadSheetContents() {
    TADOQuery& groups = Groups();
    TADOQuery& items = Items();
    TMemTable& sheetPos = frmMain->mtSkladPos;
    if (GroupPanelShown()) {
        ++groupScrollSuppressed_;
        groups.Close();
        groups.SetSQL("SELECT * FROM Skupiny WHERE Sklad=" + QString::number(CurrentSheetId));
        // The order is set before the rows come, so they are sorted once.
        ApplySort(groups, grSkupiny, PriceListGroupSort, kGroupSortDefault);
        groups.Open();
        int group = -1;
        int item = -1;
        if (FindPosition(sheetPos, "IDSkladu", CurrentSheetId)) {
            group = sheetPos.FieldByName("IDSkupiny")->AsInteger();
            item = sheetPos.FieldByName("IDZasoby")->AsInteger();
            if (FindPosition(frmMain->mtSkupinaPos, "IDSkupiny", group))
                item = frmMain->mtSkupinaPos.FieldByName("IDZasoby")->AsInteger();
        }
        if (item != -1) groups.Locate("ID", group);
        --groupScrollSuppressed_;
        ReloadGroupItems();
    } else {
        groups.Close();
        loadedGroupId_ = -1;
        items.Close();
        items.SetSQL("SELECT * FROM Zasoby WHERE Sklad=" + QString::number(CurrentSheetId));
        ApplySort(items, grZasoby, PriceListItemSort, kItemSortDefault);
        items.Open();
        if (FindPosition(sheetPos, "IDSkladu", CurrentSheetId))
            items.Locate("ID", sheetPos.FieldByName("IDZasoby")->AsInteger());
    }
    grZasoby->MarkedRows().ClearMarks();
    UpdatePriceListButtons();
}

void TfrmZasoby::ReloadGroupItems() {
    TADOQuery& items = Items();
    grZasoby->MarkedRows().ClearMarks();
    const int group = Groups().Active() && !Groups().IsEmpty() ? CurrentId(Groups()) : -1;
    items.Close();
    items.SetSQL("SELECT * FROM Zasoby WHERE Skupina = " + QString::number(group));
    ApplySort(items, grZasoby, PriceListItemSort, kItemSortDefault);
    items.Open();
    loadedGroupId_ = group;
    UpdatePriceListButtons();
    if (FindPosition(frmMain->mtSkupinaPos, "IDSkupiny", group))
        items.Locate("ID", frmMain->mtSkupinaPos.FieldByName("IDZasoby")->AsInteger());
}

void TfrmZasoby::RememberListPosition(int sheetId) {
    TADOQuery& items = Items();
    if (!items.Active()) return;
    const int item = CurrentId(items);
    // The group is the one whose items are loaded: while a requery of the groups moves their
    // cursor, the current group need not be that one yet.
    int group = 0;
    if (GroupPanelShown() && Groups().Active())
        group = loadedGroupId_;
    else if (!items.IsEmpty())
        group = items.FieldByName("Skupina")->AsInteger();
    StorePosition(frmMain->mtSkladPos, "IDSkladu", sheetId, {{"IDZasoby", item}, {"IDSkupiny", group}});
    StorePosition(frmMain->mtSkupinaPos, "IDSkupiny", group, {{"IDZasoby", item}});
}

void TfrmZasoby::ShowGroupPanel(bool show) {
    panZasobySkupiny->setVisible(show);
    btnSkryt->setVisible(show);
    btnZobrazitSkupiny->setVisible(!show);
    PriceListGroupsShown = show;
    if (!show) FocusGrid(grZasoby);
    LoadSheetContents();
}

void TfrmZasoby::ToggleGroupPanel() {
    RememberListPosition(CurrentSheetId);
    ShowGroupPanel(!GroupPanelShown());
}

void TfrmZasoby::TabChanged(int index) {
    if (index < 0) return;
    RememberListPosition(CurrentSheetId);
    CurrentSheetId = pgcSklady->tabData(index).toInt();
    SelectSheetTab();
    LoadSheetContents();
}

void TfrmZasoby::UpdatePriceListButtons() {
    SetHeadingColour(lblSkupinyNadpis, kHeadingPlain);
    SetHeadingColour(lblZasobyNadpis, kHeadingPlain);
    bool e = false;
    if (GroupGridActive()) {
        SetHeadingColour(lblSkupinyNadpis, kHeadingGroups);
        btnOk->setEnabled(false);
        e = Groups().Active() && !Groups().IsEmpty();
    } else {
        SetHeadingColour(lblZasobyNadpis, kHeadingItems);
        e = Items().Active() && !Items().IsEmpty();
        btnOk->setEnabled(e);
    }
    for (QPushButton* b : {btnOpravit, btnKopirovat, btnVyjmout, btnTisk}) b->setEnabled(e);
    PresunoutDoSkupiny1->setEnabled(e);
    const bool filtered = Items().Filtered();
    btnFiltr->setText(QString::fromUtf8(kFilterCaption) + (filtered ? " !" : ""));
    QFont font = btnFiltr->font();
    font.setBold(filtered);
    btnFiltr->setFont(font);
}

int TfrmZasoby::CheckMarkedSelection(bool withHint) {
    const int groups = GroupPanelShown() ? grSkupiny->MarkedRows().MarkCount() : 0;
    const int items = grZasoby->MarkedRows().MarkCount();
    if (groups == 0 && items == 0) {
        QString text = QString::fromUtf8(kNothingMarked);
        if (withHint) text += "\r\r" + QString::fromUtf8(kNothingMarkedHint);
        ShowInformation(text);
        return -1;
    }
    if (groups > 0 && items > 0) {
        ShowInformation(QString::fromUtf8(kBothMarked));
        return -1;
    }
    return groups > 0 ? 1 : 2;
}

// ---- the buttons ---------------------------------------------------------------------------------------

void TfrmZasoby::EditItem(bool add, bool copy) {
    EditPriceListItem(add, false, Items(), copy);
    UpdatePriceListButtons();
}

void TfrmZasoby::btnPridatPolozkuClick() { EditItem(true, false); }

void TfrmZasoby::btnPridatSkupinuClick() {
    EditGroup(true, false, false, CurrentSheetId, Groups());
    UpdatePriceListButtons();
}

void TfrmZasoby::btnPridatListClick() {
    ShowSheetList(TfrmSklady::kModePickAdd, true);
    UpdatePriceListButtons();
}

void TfrmZasoby::btnVyberSkladClick() {
    ShowSheetList(TfrmSklady::kModePick, true);
    UpdatePriceListButtons();
}

void TfrmZasoby::btnOpravitClick() {
    if (!btnOpravit->isEnabled()) return;
    Guarded(btnOpravit, [this] {
        if (GroupGridActive())
            EditGroup(false, false, false, CurrentSheetId, Groups());
        else
            EditItem(false, false);
    });
}

void TfrmZasoby::btnKopirovatClick() {
    if (!btnKopirovat->isEnabled()) return;
    Guarded(btnKopirovat, [this] {
        if (GroupGridActive())
            EditGroup(false, true, false, CurrentSheetId, Groups());
        else
            EditItem(false, true);
    });
}

void TfrmZasoby::btnVyjmoutClick() {
    if (!btnVyjmout->isEnabled()) return;
    Guarded(btnVyjmout, [this] {
        if (GroupGridActive()) {
            if (CenikLevel() != TAccessLevel::Full) {
                TUser::ShowNoRightsMessage();
                return;
            }
            DeleteGroup();
            FocusGrid(grSkupiny);
            return;
        }
        DeleteItems();
    });
}

void TfrmZasoby::DeleteItems() {
    if (CenikLevel() != TAccessLevel::Full) {
        TUser::ShowNoRightsMessage();
        return;
    }
    TADOQuery& items = Items();
    TBookmarkList& marks = grZasoby->MarkedRows();
    const bool many = marks.MarkCount() > 0;
    if (!AskQuestion(QString::fromUtf8(many ? kConfirmItemsDelete : kConfirmItemDelete))) return;
    if (!many) {
        if (RequeryAndLocate(items) != 0) {
            ShowWarning(QString::fromUtf8(kRecordVanishedText));
            UpdatePriceListButtons();
            return;
        }
        const int id = CurrentId(items);
        if (TestRecordLock(RecordLockPath("Zasoby", id))) {
            ShowWarning(QString::fromUtf8(kCannotDeleteInUseText));
            return;
        }
        const int standOn = GetIDAfterDelete(items, "ID");
        ExecAgenda("DELETE FROM Zasoby WHERE ID = :ID", {{"ID", id}});
        RequeryAndLocate(items);
        items.Locate("ID", standOn);
    } else {
        TWorkingShown working(QString::fromUtf8(kDeletingItems));
        const int count = marks.MarkCount();
        bool held = false;
        for (int i = 0; i < count && !held; ++i) {
            const TBookmark mark = marks.MarkAt(i);
            if (!items.BookmarkValid(mark)) continue;
            items.GotoBookmark(mark);
            const int id = CurrentId(items);
            held = TestRecordLock(RecordLockPath("Zasoby", id));
            if (!held) ExecAgenda("DELETE FROM Zasoby WHERE ID = :ID", {{"ID", id}});
        }
        working.Hide();
        if (held) ShowWarning(QString::fromUtf8(kCannotDeleteInUseText));
        // Also after a held lock stopped the run: the items deleted before it are gone, and the
        // list must not go on showing them.
        RequeryAndLocate(items);
        marks.ClearMarks();
    }
    UpdatePriceListButtons();
    FocusGrid(grZasoby);
}

void TfrmZasoby::btnOkClick() {
    if (!btnOk->isEnabled() || btnOk->isHidden()) return;
    TADOQuery& items = Items();
    if (!items.Active() || items.IsEmpty()) return;
    TBookmarkList& marks = grZasoby->MarkedRows();
    if (marks.MarkCount() > 0) {
        const TBookmark last = marks.MarkAt(marks.MarkCount() - 1);
        if (items.BookmarkValid(last)) items.GotoBookmark(last);
    }
    if (items.FieldByName("Chyba")->AsBoolean()) {
        ShowWarning(QString::fromUtf8(kItemInError));
        return;
    }
    done(kPriceListPicked);
}

void TfrmZasoby::btnObnovitClick() {
    if (GroupPanelShown()) {
        grSkupiny->MarkedRows().ClearMarks();
        RequeryAndLocate(Groups());
    }
    grZasoby->MarkedRows().ClearMarks();
    RequeryAndLocate(Items());
    UpdatePriceListButtons();
}

void TfrmZasoby::btnTiskClick() {
    if (!btnTisk->isEnabled()) return;
    Guarded(btnTisk, [] { ShowPriceListPrintDialog(); });
}

void TfrmZasoby::btnFiltrClick() {
    if (frmZasobyFiltr) frmZasobyFiltr->ApplyItemFilter();
    UpdatePriceListButtons();
}

void TfrmZasoby::PresunoutDoSkupinyClick() { MoveToGroupFromPriceList(*this); }

void TfrmZasoby::PresunoutDoListuClick() { MoveToSheetFromPriceList(*this); }

void TfrmZasoby::PreceneniClick() {
    const int kind = CheckMarkedSelection(true);
    if (kind <= 0) return;
    const int itemId = Items().Active() && !Items().IsEmpty() ? CurrentId(Items()) : 0;
    const bool groupsOpen = Groups().Active();
    const int groupId = groupsOpen && !Groups().IsEmpty() ? CurrentId(Groups()) : 0;
    if (ShowRepriceWizard(kind == 1 ? TRepriceKind::MarkedGroups : TRepriceKind::MarkedItems) != 0) return;
    grSkupiny->MarkedRows().ClearMarks();
    grZasoby->MarkedRows().ClearMarks();
    if (groupsOpen) {
        RequeryAndLocate(Groups());
        Groups().Locate("ID", groupId);
    }
    RequeryAndLocate(Items());
    Items().Locate("ID", itemId);
    UpdatePriceListButtons();
}

void TfrmZasoby::HromadneNastaveniClick() { BulkSetFromPriceList(*this); }

void TfrmZasoby::reject() { done(kPriceListClosed); }

void TfrmZasoby::showEvent(QShowEvent* event) {
    TVnDialog::showEvent(event);
    UpdatePriceListButtons();
}

void TfrmZasoby::hideEvent(QHideEvent* event) {
    PriceListGroupsShown = GroupPanelShown();
    CloseSearch(grSkupiny, panSkupinyHledat, edtSkupinyHledat);
    CloseSearch(grZasoby, panZasobyHledat, edtZasobyHledat);
    TVnDialog::hideEvent(event);
}

// ---- opening and closing ----------------------------------------------------------------------------------

void TfrmZasoby::OpenPriceList(TPriceListMode mode) {
    TWorkingShown working(QString::fromUtf8(kLoading));
    frmZasobyFiltr = std::make_unique<TfrmZasobyFiltr>(this);
    TADOQuery& sheets = Sheets();
    sheets.Close();
    sheets.SetSQL(kSheetQuery);
    sheets.Open();
    // Every opening starts unfiltered, whatever filter the last one ended with.
    Items().SetFiltered(false);
    Items().SetFilter(QString());
    BuildSheetTabs();
    SelectSheetTab();
    Items().Close();
    Items().SetSQL(kNoItemsQuery);
    Items().Open();
    // The width remembered for the user, as the firm's profile gave it when the firm opened.
    panZasobySkupiny->setFixedWidth(std::max(0, PriceListGroupPanelWidth));
    ShowGroupPanel(PriceListGroupsShown);
    LastSeenStamp[ChangeStampIndex("ZASOBY")] = TableChangeStamp(tsRead, "ZASOBY");
    LastSeenStamp[ChangeStampIndex("SKUPINY")] = TableChangeStamp(tsRead, "SKUPINY");
    SetMode(mode);
    grZasoby->MarkedRows().ClearMarks();
    FocusGrid(grZasoby);
}

namespace {

void CloseOpening(TfrmZasoby* window, bool closeQueries) {
    window->RememberListPosition(CurrentSheetId);
    if (!Groups().Sort().isEmpty()) PriceListGroupSort = SortKeyField(Groups().Sort()).toUpper();
    PriceListItemSort = SortKeyField(Items().Sort()).toUpper();
    if (closeQueries) {
        Sheets().Close();
        Groups().Close();
        Items().Close();
    }
    window->frmZasobyFiltr.reset();
}

}  // namespace

int ShowPriceList(TPriceListMode mode, bool closeQueries, TPriceListPhase phase) {
    if (phase == TPriceListPhase::CloseOnly) {
        if (TfrmZasoby* window = TfrmZasoby::Existing()) CloseOpening(window, closeQueries);
        return -1;
    }
    if (CenikLevel() >= TAccessLevel::NoAccess) {
        TUser::ShowNoRightsMessage();
        return -1;
    }
    TfrmZasoby* window = TfrmZasoby::Instance();
    window->OpenPriceList(mode);
    const int result = window->exec();
    if (phase == TPriceListPhase::OpenShow) return result;
    CloseOpening(window, closeQueries);
    return result;
}
