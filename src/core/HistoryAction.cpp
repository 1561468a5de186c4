#include "core/HistoryAction.h"

#include <QAction>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include "core/CommonUtils.h"
#include "core/Login.h"
#include "core/Main.h"
#include "core/MemTableStream.h"
#include "core/Nastaveni.h"
#include "core/PurchasePrices.h"
#include "platform/ui/Dialogs.h"
#include "widgets/VnDBGrids.h"

std::function<TDateTime()> HistoryClock = [] { return Now(); };

namespace {

const char* const kCaption = "Historie akcí";
const char* const kCloseText = "Zavřít";
const char* const kHelpText =
    "Pomocí historie akcí (seznam se plní automaticky po každém uložení dokladu) můžete dohledat prováděné "
    "změny s konkrétní nabídkou. Úroveň logování je možné nastavit v globálním nastavení programu.";
const char* const kNoPreviewText = "Náhled není k dispozici.";
const char* const kPreviewCaption = "Náhled na nabídku %1 k %2 hod.";
const char* const kActionTexts[] = {"Přidání", "Změna"};

const char* const kInsertSql =
    "INSERT INTO Akce (ObjectType, ObjectID, ActionType, UserID, UserName, ActionDate, Description, "
    "ActionData1, ActionData2) VALUES (:ObjectType, :ObjectID, :ActionType, :UserID, :UserName, :ActionDate, "
    ":Description, :ActionData1, :ActionData2)";
const char* const kListSql =
    "SELECT ID, ActionType, UserName, ActionDate, Description FROM Akce WHERE (ObjectID = %1) AND "
    "(ObjectType = %2) ORDER BY ID ASC";
const char* const kSnapshotsSql = "SELECT ActionData1, ActionData2 FROM Akce WHERE ID = %1";

// The data, the blobs and the definition section: a snapshot must rebuild its own fields.
constexpr TMemTableSaveFlags kSnapshotFlags = mtfSaveData | mtfSaveBlobs | mtfSaveDef;

// The grid's number format for quantities and prices.
const char* const kNumberFormat = ",0.00";

QString SnapshotText(TMemTable* snapshot) {
    return snapshot ? SaveTableToString(*snapshot, kSnapshotFlags) : QString();
}

std::unique_ptr<TMemTable> LoadSnapshot(const QVariant& text) {
    if (text.isNull() || text.toString().isEmpty()) return nullptr;
    auto table = std::make_unique<TMemTable>();
    LoadTableFromString(*table, text.toString());
    return table;
}

QString FieldText(TDataSet* data, const char* name) {
    const TField* field = data->FindField(QLatin1String(name));
    return field ? field->AsString() : QString();
}

QString MoneyText(TDataSet* data, const char* name) {
    const TField* field = data->FindField(QLatin1String(name));
    const Currency value = field ? field->AsCurrency() : Currency();
    return QStringLiteral("%1 %2").arg(FormatMoney(value), CurrencySymbol);
}

QLineEdit* ReadOnlyField(const char* name, QWidget* parent, bool rightAligned = false) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    if (rightAligned) edit->setAlignment(Qt::AlignRight);
    return edit;
}

TColumn* AddColumn(TVnDBGrid* grid, const char* field, const char* caption, int width) {
    TColumn* column = grid->Columns().AddColumn();
    column->SetFieldName(field);
    column->Title()->SetCaption(QString::fromUtf8(caption));
    if (width > 0) column->SetWidth(width);
    return column;
}

}  // namespace

// ---- the history ---------------------------------------------------------------------------------------

THistoryAction::THistoryAction() : list_(std::make_unique<TADOQuery>(&frmMain->ADOConAgenda)) {}

THistoryAction::~THistoryAction() = default;

bool THistoryAction::Add(THistoryActionType actionType, THistoryObjectType objectType, int objectID,
                         const QString& description, TMemTable* snapshot1, TMemTable* snapshot2) {
    const QString data1 = SnapshotText(snapshot1);
    const QString data2 = SnapshotText(snapshot2);
    TADOCommand& command = frmMain->adcAgenda1;
    command.Parameters.Clear();
    command.SetCommandText(QString::fromLatin1(kInsertSql));
    TParameters& p = command.Parameters;
    p.ParamByName("ObjectType")->Value = static_cast<int>(objectType);
    p.ParamByName("ObjectID")->Value = objectID;
    p.ParamByName("ActionType")->Value = static_cast<int>(actionType);
    p.ParamByName("UserID")->Value = CurrentUser.ID;
    p.ParamByName("UserName")->Value = CurrentUser.Jmeno;
    TParameter* date = p.ParamByName("ActionDate");
    date->DataType = ftDateTime;
    date->Value = HistoryClock();
    p.ParamByName("Description")->Value = description;
    p.ParamByName("ActionData1")->Value = data1;
    p.ParamByName("ActionData2")->Value = data2;
    if (command.Execute() == 0) {
        ShowError(QString::fromUtf8(kHistorySaveFailedText));
        return false;
    }
    return true;
}

bool THistoryAction::OpenList(THistoryObjectType objectType, int objectID) {
    objectType_ = objectType;
    objectID_ = objectID;
    list_->Close();
    list_->SetSQL(QString::fromLatin1(kListSql).arg(objectID).arg(static_cast<int>(objectType)));
    list_->Open();
    return true;
}

void THistoryAction::LoadSnapshots(int entryID) {
    snapshot1_.reset();
    snapshot2_.reset();
    TADOQuery query(&frmMain->ADOConAgenda);
    query.SetSQL(QString::fromLatin1(kSnapshotsSql).arg(entryID));
    query.Open();
    if (query.IsEmpty()) return;
    snapshot1_ = LoadSnapshot(query.FieldByName("ActionData1")->AsVariant());
    snapshot2_ = LoadSnapshot(query.FieldByName("ActionData2")->AsVariant());
}

bool THistoryAction::ShowHistory(THistoryObjectType objectType, int objectID) {
    OpenList(objectType, objectID);
    TfrmHistoryAction window(*this, ApplicationMainWindow());
    return window.exec() == QDialog::Accepted;
}

// ---- the window ----------------------------------------------------------------------------------------

TfrmHistoryAction::TfrmHistoryAction(THistoryAction& history, QWidget* parent)
    : TVnDialog(parent), history_(history) {
    setObjectName("frmHistoryAction");
    setWindowTitle(QString::fromUtf8(kCaption));
    setWindowState(Qt::WindowMaximized);

    auto* bar = new QWidget(this);
    bar->setObjectName("panTop");
    auto* barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(4, 4, 4, 4);
    btnZavrit = new QPushButton(QString::fromUtf8(kCloseText), bar);
    btnZavrit->setObjectName("btnZavrit");
    btnZavrit->setAutoDefault(false);
    btnZavrit->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(btnZavrit, &QPushButton::clicked, this, &QDialog::reject);
    barLayout->addWidget(btnZavrit);
    barLayout->addStretch();

    grList = new TVnDBGrid(this);
    grList->setObjectName("grList");
    grList->SetReadOnly(true);
    grList->SetOptions((grList->Options() & ~dgEditing) | dgRowSelect | dgAlwaysShowSelection);
    grList->SetDefaultDrawing(false);
    grList->Columns().Clear();
    AddColumn(grList, "ActionDate", "Datum", 67)->SetDisplayFormat("dd.mm.yyyy");
    AddColumn(grList, "ActionDate", "Čas", 36)->SetDisplayFormat("hh:nn");
    AddColumn(grList, "ActionType", "Typ akce", 60);
    AddColumn(grList, "UserName", "Uživatel", 162);
    AddColumn(grList, "Description", "Popis", 456);
    grList->SetFrozenCols(1);
    grList->Footer().SetVisible(true);
    grList->OnDrawColumnCell = [this](QObject*, QPainter& canvas, const TRect& rect, int dataColumn,
                                      TColumn* column, TGridDrawState state) {
        if (column->FieldName() != QLatin1String("ActionType")) {
            grList->DrawCellDefault(canvas, rect, dataColumn, column, state);
            return;
        }
        const TField* field = column->Field();
        const qint64 type = field && !field->IsNull() ? field->AsLargeInt() : -1;
        const QString text = type == 0 || type == 1 ? QString::fromUtf8(kActionTexts[type]) : QString();
        grList->WriteCellText(canvas, rect, 2, false, false, taLeftJustify, text, 2);
    };

    BuildPreview();

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName("splPreview");
    splitter->addWidget(grList);
    splitter->addWidget(pgcPreview);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 1);

    lblHelp = new QLabel(QString::fromUtf8(kHelpText), this);
    lblHelp->setObjectName("lblHelp");
    lblHelp->setWordWrap(true);
    lblHelp->setMargin(6);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(splitter, 1);
    layout->addWidget(lblHelp);

    AddPurchasePriceAction(this, [this] { ApplyPurchasePrices(); });
    resize(1000, 600);
}

TfrmHistoryAction::~TfrmHistoryAction() {
    // The grids are gone with the window's children after this body; unhook them from the
    // data first so that no notification reaches a half-destroyed window.
    dsList_.OnDataChange = nullptr;
    grList->SetDataSource(nullptr);
    grNabidkaItems->SetDataSource(nullptr);
}

void TfrmHistoryAction::BuildPreview() {
    pgcPreview = new QStackedWidget(this);
    pgcPreview->setObjectName("pgcPreview");

    tsNoData = new QWidget(pgcPreview);
    tsNoData->setObjectName("tsNoData");
    auto* noDataLayout = new QVBoxLayout(tsNoData);
    auto* noData = new QLabel(QString::fromUtf8(kNoPreviewText), tsNoData);
    noData->setObjectName("lblNoData");
    noData->setAlignment(Qt::AlignCenter);
    noDataLayout->addWidget(noData);

    tsNabidka = new QWidget(pgcPreview);
    tsNabidka->setObjectName("tsNabidka");
    lblNahled = new QLabel(tsNabidka);
    lblNahled->setObjectName("lblNahled");
    lblNahled->setTextFormat(Qt::PlainText);
    QFont bold = lblNahled->font();
    bold.setBold(true);
    lblNahled->setFont(bold);

    auto* header = new QFormLayout;
    edtPopis = ReadOnlyField("edtPopis", tsNabidka);
    edtStav = ReadOnlyField("edtStav", tsNabidka);
    edtVystaveno = ReadOnlyField("edtVystaveno", tsNabidka);
    edtPlatnost = ReadOnlyField("edtPlatnost", tsNabidka);
    edtVyrizeno = ReadOnlyField("edtVyrizeno", tsNabidka);
    header->addRow(QString::fromUtf8("Interní popis"), edtPopis);
    header->addRow(QString::fromUtf8("Stav nabídky"), edtStav);
    header->addRow(QString::fromUtf8("Vystaveno"), edtVystaveno);
    header->addRow(QString::fromUtf8("Platnost do"), edtPlatnost);
    header->addRow(QString::fromUtf8("Vyřízeno (zamítnuto)"), edtVyrizeno);

    auto* customer = new QGroupBox(QString::fromUtf8("Odběratel"), tsNabidka);
    customer->setObjectName("gbOdberatel");
    auto* customerLayout = new QVBoxLayout(customer);
    edtAdrNazev = ReadOnlyField("edtAdrNazev", customer);
    edtAdrKontakt = ReadOnlyField("edtAdrKontakt", customer);
    edtAdrUlice = ReadOnlyField("edtAdrUlice", customer);
    edtAdrPsc = ReadOnlyField("edtAdrPsc", customer);
    edtAdrMisto = ReadOnlyField("edtAdrMisto", customer);
    auto* town = new QHBoxLayout;
    town->addWidget(edtAdrPsc, 1);
    town->addWidget(edtAdrMisto, 3);
    customerLayout->addWidget(edtAdrNazev);
    customerLayout->addWidget(edtAdrKontakt);
    customerLayout->addWidget(edtAdrUlice);
    customerLayout->addLayout(town);

    auto* sums = new QGroupBox(QString::fromUtf8("Součty"), tsNabidka);
    sums->setObjectName("gbSoucty");
    auto* sumsLayout = new QFormLayout(sums);
    lblCelkemNC = new QLabel(QString::fromUtf8("Celkem nákupní cena"), sums);
    lblCelkemNC->setObjectName("lblCelkemNC");
    edtCelkemNC = ReadOnlyField("edtCelkemNC", sums, true);
    lblZisk = new QLabel(QString::fromUtf8("Celkový zisk"), sums);
    lblZisk->setObjectName("lblZisk");
    edtZisk = ReadOnlyField("edtZisk", sums, true);
    edtCelkemBDPH = ReadOnlyField("edtCelkemBDPH", sums, true);
    edtCelkem = ReadOnlyField("edtCelkem", sums, true);
    sumsLayout->addRow(lblCelkemNC, edtCelkemNC);
    sumsLayout->addRow(lblZisk, edtZisk);
    sumsLayout->addRow(QString::fromUtf8("Celkem bez DPH"), edtCelkemBDPH);
    sumsLayout->addRow(QString::fromUtf8("Celkem s DPH"), edtCelkem);

    grNabidkaItems = new TVnDBGrid(tsNabidka);
    grNabidkaItems->setObjectName("grNabidkaItems");
    grNabidkaItems->SetReadOnly(true);
    grNabidkaItems->SetOptions(grNabidkaItems->Options() & ~dgEditing);
    grNabidkaItems->SetDefaultDrawing(false);
    grNabidkaItems->Columns().Clear();
    AddColumn(grNabidkaItems, "Popis", "Popis položky", 220);
    AddColumn(grNabidkaItems, "PocetMJ", "Počet", 70)->SetDisplayFormat(kNumberFormat);
    AddColumn(grNabidkaItems, "MJ", "m.j.", 40);
    AddColumn(grNabidkaItems, "PCBDPHMJ", "Za m.j. bez DPH", 100)->SetDisplayFormat(kNumberFormat);
    grNabidkaItems->SetFrozenCols(1);
    grNabidkaItems->OnDrawColumnCell = [this](QObject*, QPainter& canvas, const TRect& rect, int dataColumn,
                                              TColumn* column, TGridDrawState state) {
        TDataSet* items = dsItems_.DataSet();
        auto flag = [items](const char* name) {
            const TField* field = items ? items->FindField(QLatin1String(name)) : nullptr;
            return field && field->AsBoolean();
        };
        const bool heading = flag("Nadpisova");
        if (heading) {
            QFont font = canvas.font();
            font.setBold(true);
            canvas.setFont(font);
        }
        const QString field = column->FieldName();
        if ((heading || flag("Textova")) && field != QLatin1String("Popis") &&
            field != QLatin1String("Poradi")) {
            grNabidkaItems->WriteCellText(canvas, rect, 2, false, false, taLeftJustify, QString(), 2);
            return;
        }
        grNabidkaItems->DrawCellDefault(canvas, rect, dataColumn, column, state);
    };
    grNabidkaItems->SetDataSource(&dsItems_);

    auto* top = new QHBoxLayout;
    top->addLayout(header, 1);
    auto* right = new QVBoxLayout;
    right->addWidget(sums);
    right->addStretch();
    top->addLayout(right, 1);

    auto* page = new QVBoxLayout(tsNabidka);
    page->addWidget(lblNahled);
    page->addLayout(top);
    page->addWidget(customer);
    page->addWidget(grNabidkaItems, 1);

    pgcPreview->addWidget(tsNabidka);
    pgcPreview->addWidget(tsNoData);
    pgcPreview->setCurrentWidget(tsNoData);
}

void TfrmHistoryAction::showEvent(QShowEvent* event) {
    TVnDialog::showEvent(event);
    if (dsList_.DataSet()) return;
    TADOQuery& list = history_.List();
    dsList_.SetDataSet(&list);
    grList->SetDataSource(&dsList_);
    if (list.Active() && !list.IsEmpty()) list.Last();
    dsList_.OnDataChange = [this](TDataSource*, TField* field) {
        // Only a move to another entry changes the preview.
        if (!field) RefreshPreview();
    };
    RefreshPreview();
    ApplyPurchasePrices();
}

void TfrmHistoryAction::RefreshPreview() {
    TADOQuery& list = history_.List();
    // The items grid reads the snapshot about to be replaced.
    dsItems_.SetDataSet(nullptr);
    if (!list.Active() || list.IsEmpty()) {
        pgcPreview->setCurrentWidget(tsNoData);
        return;
    }
    try {
        history_.LoadSnapshots(list.FieldByName("ID")->AsInteger());
    } catch (const std::exception& e) {
        pgcPreview->setCurrentWidget(tsNoData);
        ShowError(QString::fromUtf8(e.what()));
        return;
    }
    if (!history_.Snapshot1() || history_.ObjectType() != THistoryObjectType::Offer) {
        pgcPreview->setCurrentWidget(tsNoData);
        return;
    }
    FillOfferPage();
    pgcPreview->setCurrentWidget(tsNabidka);
}

void TfrmHistoryAction::FillOfferPage() {
    TMemTable* offer = history_.Snapshot1();
    offer->First();
    TADOQuery& list = history_.List();
    lblNahled->setText(QString::fromUtf8(kPreviewCaption)
                           .arg(FieldText(offer, "Doklad"), list.FieldByName("ActionDate")->AsString()));
    edtPopis->setText(FieldText(offer, "Popis"));
    const TField* state = offer->FindField("IDStav");
    edtStav->setText(state ? OfferStateName(static_cast<unsigned>(state->AsInteger())) : QString());
    edtVystaveno->setText(FieldText(offer, "DatVystaveni"));
    edtPlatnost->setText(FieldText(offer, "DatPlatnosti"));
    edtVyrizeno->setText(FieldText(offer, "DatVyrizeni"));
    edtAdrNazev->setText(FieldText(offer, "AdrNazev"));
    edtAdrKontakt->setText(FieldText(offer, "AdrKontakt"));
    edtAdrUlice->setText(FieldText(offer, "AdrUlice"));
    edtAdrPsc->setText(FieldText(offer, "AdrPsc"));
    edtAdrMisto->setText(FieldText(offer, "AdrMisto"));
    edtCelkemNC->setText(MoneyText(offer, "CelkemNC"));
    edtZisk->setText(MoneyText(offer, "Zisk"));
    edtCelkemBDPH->setText(MoneyText(offer, "CelkemBDPH"));
    edtCelkem->setText(MoneyText(offer, "Celkem"));
    dsItems_.SetDataSet(history_.Snapshot2());
}

void TfrmHistoryAction::ApplyPurchasePrices() {
    for (QWidget* w : std::initializer_list<QWidget*>{lblCelkemNC, edtCelkemNC, lblZisk, edtZisk})
        w->setVisible(ShowPurchasePrices);
}
