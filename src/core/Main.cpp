#include "core/Main.h"

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSplitter>
#include <QTextEdit>
#include <QVBoxLayout>

#include "addressbook/Adresar.h"
#include "core/About.h"
#include "core/CommonUtils.h"
#include "core/DataFolder.h"
#include "core/DbSchema.h"
#include "core/Locks.h"
#include "core/Login.h"
#include "core/Nastaveni.h"
#include "core/Poznamky.h"
#include "core/PurchasePrices.h"
#include "core/SeznamFirem.h"
#include "core/Startup.h"
#include "core/Upgrade.h"
#include "core/UpgradeNeedWarning.h"
#include "core/Uzivatele.h"
#include "exchange/Synchronization.h"
#include "exchange/Tisk.h"
#include "exchange/Zalohovani.h"
#include "import/ImportMain.h"
#include "offers/Nabidky.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/CenSkup.h"
#include "pricelist/HromadneTexty.h"
#include "pricelist/Preceneni.h"
#include "pricelist/PriceRules.h"
#include "pricelist/Zasoby.h"
#include "widgets/HelpRouter.h"
#include "widgets/SchemeButton.h"
#include "widgets/VnDBGrids.h"

TfrmMain* frmMain = nullptr;

namespace {

const char* const kHelpPage = "pgUvod.htm";
const char* const kShowDone = "Zobrazit i vyřízené";
const char* const kHideDone = "Skrýt vyřízené";
const QColor kSettledGreen(0, 128, 0);
constexpr int kNoteRowHeight = 32;
constexpr int kDoneColumnWidth = 18;
constexpr int kTitleColumnWidth = 182;
constexpr int kOpenNoteImage = 0;
constexpr int kSettledNoteImage = 1;

// The marks of the note list: a sheet of paper for an open note, a green tick for a settled one.
QImage NoteImage(bool settled) {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (settled) {
        p.setPen(QPen(kSettledGreen, 2.5));
        p.drawPolyline(QPolygonF({QPointF(3, 8), QPointF(7, 12), QPointF(13, 4)}));
    } else {
        p.setPen(QColor(128, 128, 128));
        p.setBrush(QColor(255, 255, 200));
        p.drawRect(3, 2, 10, 12);
        p.setPen(QColor(0, 0, 160));
        for (int y = 5; y <= 11; y += 3) p.drawLine(5, y, 11, y);
    }
    return image;
}

// A label that passes its double click on.
class TClickLabel : public QLabel {
public:
    using QLabel::QLabel;
    std::function<void()> OnDblClick;

protected:
    void mouseDoubleClickEvent(QMouseEvent*) override {
        if (OnDblClick) OnDblClick();
    }
};

}  // namespace

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent) {
    Q_ASSERT(frmMain == nullptr);
    frmMain = this;
    setObjectName("frmMain");
    adcGlobal1.Connection = &ADOConGlobal;
    adcAgenda1.Connection = &ADOConAgenda;
    adcAgenda2.Connection = &ADOConAgenda;
    // Every change made on the firm connection stamps its table for the other stations.
    HookChangeStamps(ADOConAgenda);
    ADOConAgenda.ColumnDisplayFormat = FirmColumnDisplayFormat;
    // Whoever uses the firm's scratch query next must not inherit a filter set by the last user.
    adqAgendaFree1.AfterClose = [this](TDataSet*) {
        adqAgendaFree1.SetFiltered(false);
        adqAgendaFree1.SetFilter(QString());
    };
    // The price rules work on the lists and memory tables held here.
    CreatePriceRuleTables(mtCenSkupPol, mtCenSkup);
    SetPriceRuleData({&adqAgendaFree1, &adqCenHlad, &adqCenSkup, &mtCenSkupPol, &mtCenSkup});
    setWindowTitle(QString::fromUtf8(kApplicationTitle));
    resize(800, 560);

    HelpRouter1 = new THelpRouter(this);
    HelpRouter1->setObjectName("HelpRouter1");
    HelpRouter1->HelpType = htHTMLhelp;
    // The program folder is known only once start-up has run, so the file is found at each request.
    SetHelpTopicHandler([this](const QString& page) {
        HelpRouter1->ShowHelpTopic(ProgramFolder + QString::fromLatin1(kApplicationHelpFile), page);
    });

    CreateNoteListFields(mtPoznSeznam);
    mtPoznSeznam.Close();
    dsPoznSeznam.SetDataSet(&mtPoznSeznam);
    ilMain.AddMasked(NoteImage(false), clNone);
    ilMain.AddMasked(NoteImage(true), clNone);
    BuildWindow();
}

TfrmMain::~TfrmMain() {
    // The grid goes before the table and the source it shows.
    delete grPoznSeznam;
    grPoznSeznam = nullptr;
    DestroyAddressListWindow();
    SetPriceRuleData(TPriceRuleData());
    SetHelpTopicHandler(nullptr);
    frmMain = nullptr;
}

void TfrmMain::BuildWindow() {
    auto* central = new QWidget(this);
    central->setObjectName("panCentral");
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    panMainBtn = new QWidget(central);
    panMainBtn->setObjectName("panMainBtn");
    auto* bar = new QHBoxLayout(panMainBtn);
    bar->setContentsMargins(4, 4, 4, 4);
    auto addButton = [&](TSchemeButton*& button, const char* name, const char* caption) {
        button = new TSchemeButton(panMainBtn);
        button->setObjectName(name);
        button->setText(QString::fromUtf8(caption));
        button->setMinimumSize(96, 40);
        bar->addWidget(button);
    };
    addButton(btnNabidky, "btnNabidky", "Nabídky");
    addButton(btnAdresar, "btnAdresar", "Adresář");
    addButton(btnCenik, "btnCenik", "Ceník");
    addButton(btnOstatni, "btnOstatni", "Ostatní");
    addButton(btnNapoveda, "btnNapoveda", "Nápověda");
    addButton(btnKonec, "btnKonec", "Konec");
    bar->addStretch();
    connect(btnNabidky, &QAbstractButton::clicked, this, &TfrmMain::btnNabidkyClick);
    connect(btnAdresar, &QAbstractButton::clicked, this, &TfrmMain::btnAdresarClick);
    connect(btnCenik, &QAbstractButton::clicked, this, &TfrmMain::btnCenikClick);
    connect(btnOstatni, &QAbstractButton::clicked, this, &TfrmMain::btnOstatniClick);
    connect(btnKonec, &QAbstractButton::clicked, this, &TfrmMain::btnKonecClick);

    panUpgradeNeedWarning = new TUpgradeNeedWarningPanel(panMainBtn);
    lblUpgradeNeedWarning = panUpgradeNeedWarning->findChild<QLabel*>("lblUpgradeNeedWarning");
    panUpgradeNeedWarning->hide();
    bar->addWidget(panUpgradeNeedWarning);
    layout->addWidget(panMainBtn);

    acNapoveda = new QAction(QString::fromUtf8("Nápověda"), this);
    acNapoveda->setObjectName("acNapoveda");
    acNapoveda->setShortcut(QKeySequence(Qt::Key_F1));
    addAction(acNapoveda);
    connect(acNapoveda, &QAction::triggered, this, [] { ShowHelpTopic(QString::fromLatin1(kHelpPage)); });
    connect(btnNapoveda, &QAbstractButton::clicked, acNapoveda, &QAction::trigger);
    acSHNC = AddPurchasePriceAction(this);

    BuildMenu();
    BuildNotes();
    layout->addWidget(findChild<QSplitter*>("splDesktop"), 1);
    layout->addWidget(findChild<QWidget*>("panPoznBtn"));

    panStatus = new QWidget(central);
    panStatus->setObjectName("panStatus");
    auto* status = new QHBoxLayout(panStatus);
    status->setContentsMargins(4, 2, 4, 2);
    auto* agenda = new TClickLabel(panStatus);
    agenda->OnDblClick = [this] { Seznamfirem1->trigger(); };
    lblAgendaName = agenda;
    lblAgendaName->setObjectName("lblAgendaName");
    lblAgendaName->setToolTip(QString::fromUtf8("Název aktuální firmy"));
    lblUserName = new QLabel(panStatus);
    lblUserName->setObjectName("lblUserName");
    lblUserName->setToolTip(QString::fromUtf8("Přihlášený uživatel"));
    auto* version = new TClickLabel(QString("Verze ") + ProgramVersion, panStatus);
    version->OnDblClick = [this] { Oaplikaci1->trigger(); };
    lblProgramVer = version;
    lblProgramVer->setObjectName("lblProgramVer");
    lblProgramVer->setToolTip(QString::fromUtf8("Verze programu"));
    for (QLabel* label : {lblAgendaName, lblUserName, lblProgramVer}) label->setFrameShape(QFrame::Panel);
    status->addWidget(lblAgendaName, 3);
    status->addWidget(lblUserName, 2);
    status->addWidget(lblProgramVer, 1);
    layout->addWidget(panStatus);

    setCentralWidget(central);
}

void TfrmMain::BuildMenu() {
    PopMainBtn = new QMenu(this);
    PopMainBtn->setObjectName("PopMainBtn");
    auto item = [this](QMenu* menu, QAction*& action, const char* name, const char* caption,
                       std::function<void()> handler) {
        action = menu->addAction(QString::fromUtf8(caption));
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, std::move(handler));
    };
    item(PopMainBtn, Nastaveniprogramu1, "Nastaveniprogramu1", "Nastavení programu",
         [] { FirmSettings(true); });
    item(PopMainBtn, Seznamuzivatelu1, "Seznamuzivatelu1", "Seznam uživatelů", [] { ShowUserList(0); });
    item(PopMainBtn, Importdat1, "Importdat1", "Import dat", [] { ShowImportWizard(); });
    QMenu* transfer = PopMainBtn->addMenu(QString::fromUtf8("Přenos adresáře/ceníku na jiný PC"));
    item(transfer, Exportovatnajinypocitac1, "Exportovatnajinypocitac1", "Exportovat na jiný počítač",
         [] { PrenoNaJinyPCExportClick(); });
    item(transfer, Importovatzjinehopocitace1, "Importovatzjinehopocitace1", "Importovat z jiného počítače",
         [] { PrenoNaJinyPCImportClick(); });
    QMenu* prices = PopMainBtn->addMenu(QString::fromUtf8("Operace s ceníkem"));
    item(prices, Seznamcenovychskupin1, "Seznamcenovychskupin1", "Seznam cenových skupin",
         [] { ShowPriceGroupList(TPriceCodeList::kModeBrowse, 0, true); });
    item(prices, Seznamcenovychhladin1, "Seznamcenovychhladin1", "Seznam cenových hladin",
         [] { ShowPriceLevelList(TPriceCodeList::kModeBrowse, QString(), true, true); });
    item(prices, Preceneni1, "Preceneni1", "Přecenění nákupních a prodejních cen",
         [] { ShowRepriceWizard(TRepriceKind::Scope); });
    item(prices, Hromadnenastaveni1, "Hromadnenastaveni1", "Hromadné nastavení údajů na položkách",
         [] { ShowBulkSetWizard(TBulkTextSelection::Scope); });
    QMenu* backup = PopMainBtn->addMenu(QString::fromUtf8("Zálohování"));
    item(backup, Vytvorenizalohy1, "Vytvorenizalohy1", "Vytvoření zálohy", [] { ShowBackupDialog(true); });
    item(backup, Obnovenidatzezalohy1, "Obnovenidatzezalohy1", "Obnovení dat ze zálohy",
         [] { ShowBackupDialog(false); });
    item(PopMainBtn, Oaplikaci1, "Oaplikaci1", "O aplikaci...", [this] { ShowAbout(); });
    PopMainBtn->addSeparator();
    item(PopMainBtn, Seznamfirem1, "Seznamfirem1", "Seznam firem", [this] { ShowFirmListFromMenu(); });
}

void TfrmMain::BuildNotes() {
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName("splDesktop");

    grPoznSeznam = new TVnDBGrid(splitter);
    grPoznSeznam->setObjectName("grPoznSeznam");
    grPoznSeznam->SetReadOnly(true);
    grPoznSeznam->SetOptions((grPoznSeznam->Options() | dgRowSelect | dgUserRowHeight) & ~dgEditing);
    grPoznSeznam->SetDataSource(&dsPoznSeznam);
    grPoznSeznam->SetDefaultRowHeight(kNoteRowHeight);
    grPoznSeznam->setCursor(Qt::PointingHandCursor);
    grPoznSeznam->Columns().Clear();
    TColumn* done = grPoznSeznam->Columns().AddColumn();
    done->SetFieldName("Vyrizeno");
    done->Title()->SetCaption(" ");
    done->SetWidth(kDoneColumnWidth);
    TColumn* title = grPoznSeznam->Columns().AddColumn();
    title->SetFieldName("Nazev");
    title->Title()->SetCaption(QString::fromUtf8("Seznam poznámek"));
    title->Title()->SetAlignment(taCenter);
    title->SetWidth(kTitleColumnWidth);
    title->SetWordBreak(true);
    grPoznSeznam->SetDefaultDrawing(false);
    grPoznSeznam->OnDrawColumnCell = [this](QObject*, QPainter& canvas, const TRect& rect, int dataColumn,
                                            TColumn* column, TGridDrawState state) {
        DrawNoteCell(canvas, rect, dataColumn, column, state);
    };
    grPoznSeznam->OnCellDblClick = [this](TColumn*) {
        if (btnOpravitPozn->isEnabled()) btnOpravitPozn->click();
    };
    dsPoznSeznam.OnDataChange = [this](TDataSource*, TField* field) {
        if (field == nullptr) UpdateNoteText();
    };

    rePoznPlocha = new QTextEdit(splitter);
    rePoznPlocha->setObjectName("rePoznPlocha");
    rePoznPlocha->setReadOnly(true);
    splitter->addWidget(grPoznSeznam);
    splitter->addWidget(rePoznPlocha);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({kDoneColumnWidth + kTitleColumnWidth + 40, 600});

    auto* buttons = new QWidget(this);
    buttons->setObjectName("panPoznBtn");
    auto* row = new QHBoxLayout(buttons);
    row->setContentsMargins(4, 4, 4, 4);
    auto addButton = [&](QPushButton*& button, const char* name, const char* caption) {
        button = new QPushButton(QString::fromUtf8(caption), buttons);
        button->setObjectName(name);
        row->addWidget(button);
    };
    addButton(btnPridatPozn, "btnPridatPozn", "Přidat novou poznámku");
    addButton(btnOpravitPozn, "btnOpravitPozn", "Opravit poznámku");
    addButton(btnVyjmoutPozn, "btnVyjmoutPozn", "Vyjmout poznámku");
    addButton(btnRefreshPozn, "btnRefreshPozn", "Obnovit poznámky");
    btnRefreshPozn->setToolTip("Refresh poznámek z databáze");
    addButton(btnTiskPozn, "btnTiskPozn", "Vytisknout poznámku");
    addButton(btnFiltrPozn, "btnFiltrPozn", kShowDone);
    row->addStretch();
    connect(btnPridatPozn, &QPushButton::clicked, this, [] { EditDesktopNote(true); });
    connect(btnOpravitPozn, &QPushButton::clicked, this, [this] {
        if (btnOpravitPozn->isEnabled()) EditDesktopNote(false);
    });
    connect(btnVyjmoutPozn, &QPushButton::clicked, this, [] { DeleteDesktopNote(); });
    connect(btnRefreshPozn, &QPushButton::clicked, this, [] { RefreshDesktopNotes(); });
    connect(btnTiskPozn, &QPushButton::clicked, this, [] { ShowPrintDialog(pmNote); });
    connect(btnFiltrPozn, &QPushButton::clicked, this, &TfrmMain::btnFiltrPoznClick);
}

void TfrmMain::DrawNoteCell(QPainter& canvas, const TRect& rect, int dataColumn, TColumn* column,
                            TGridDrawState state) {
    const bool settled =
        mtPoznSeznam.Active() && !mtPoznSeznam.IsEmpty() && mtPoznSeznam.FieldByName("Vyrizeno")->AsBoolean();
    if (settled) {
        if (state & gdSelected) {
            canvas.setBrush(kSettledGreen);
            canvas.setPen(Qt::white);
        } else {
            canvas.setPen(kSettledGreen);
        }
    }
    if (column->FieldName() == "Vyrizeno") {
        // The mark stands for the value; the text "True"/"False" would say nothing more.
        canvas.fillRect(rect.ToQRect(), canvas.brush());
        ilMain.Draw(canvas, rect.Left, rect.Top, settled ? kSettledNoteImage : kOpenNoteImage);
        return;
    }
    grPoznSeznam->DrawCellDefault(canvas, rect, dataColumn, column, state);
}

void TfrmMain::Guarded(TSchemeButton* button, const std::function<void()>& action) {
    if (button->Tag == 1) return;
    button->Tag = 1;
    struct TReset {
        TSchemeButton* b;
        ~TReset() { b->Tag = 0; }
    } reset{button};
    action();
}

void TfrmMain::btnNabidkyClick() {
    Guarded(btnNabidky, [] {
        // The list asks to be opened again, with archived offers, for as long as the user wants them.
        if (OpenOfferList(0, true, false) != kOfferListShowArchived) return;
        while (OpenOfferList(0, true, true) == kOfferListShowArchived) {
        }
    });
}

void TfrmMain::btnAdresarClick() {
    Guarded(btnAdresar, [] { ShowAddressList(TAddressListMode::Browse, true, 0); });
}

void TfrmMain::btnCenikClick() {
    Guarded(btnCenik, [] { ShowPriceList(TPriceListMode::Browse, true, TPriceListPhase::OpenShowClose); });
}

void TfrmMain::btnOstatniClick() {
    PopMainBtn->popup(btnOstatni->mapToGlobal(QPoint(0, btnOstatni->height())));
}

void TfrmMain::btnKonecClick() {
    Guarded(btnKonec, [] { SaveUserProfileAndExit(); });
}

void TfrmMain::btnFiltrPoznClick() {
    ShowDoneNotes = !ShowDoneNotes;
    btnRefreshPozn->click();
}

void TfrmMain::ShowAbout() {
    TfrmAbout about(this);
    about.exec();
}

void TfrmMain::ShowFirmListFromMenu() {
    QString unused;
    ShowFirmList(false, unused);
}

void TfrmMain::UpdateNoteButtons() {
    const bool enabled = !mtPoznSeznam.Active() || !mtPoznSeznam.IsEmpty();
    btnOpravitPozn->setEnabled(enabled);
    btnVyjmoutPozn->setEnabled(enabled);
    btnTiskPozn->setEnabled(enabled);
    btnFiltrPozn->setText(QString::fromUtf8(ShowDoneNotes ? kHideDone : kShowDone));
}

void TfrmMain::UpdateNoteText() {
    if (!mtPoznSeznam.Active() || mtPoznSeznam.IsEmpty()) {
        rePoznPlocha->clear();
        return;
    }
    LoadRichText(mtPoznSeznam.FieldByName("Detail")->AsString(), rePoznPlocha);
}

void TfrmMain::CloseFirmDatasets() {
    for (TADOQuery* query : {&adqAdresar, &adqNabidky, &adqSklady, &adqSkupiny, &adqZasoby, &adqCenSkup,
                             &adqCenHlad, &adqNabSablony, &adqAgendaFree1, &adqAgendaFree2})
        query->Close();
}

void TfrmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    UpdateNoteButtons();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    // Closing the window is one of the orderly ways out; the profile is saved once whichever is taken.
    if (!ProgramTerminating()) SaveUserProfileAndExit();
    event->accept();
}
