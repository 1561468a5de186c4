#include "offers/NabidkaKart.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <string_view>

#include "addressbook/Adresar.h"
#include "core/CardProtocol.h"
#include "core/CommonUtils.h"
#include "core/HistoryAction.h"
#include "core/Main.h"
#include "core/Nastaveni.h"
#include "core/PurchasePrices.h"
#include "core/UserSettings.h"
#include "offers/NabidkaData.h"
#include "offers/NabidkaSoucty.h"
#include "offers/PolozkaNab.h"
#include "offers/RozpisIdentif.h"
#include "offers/Sablony.h"
#include "offers/UpravaCeny.h"
#include "offers/VolnyTextList.h"
#include "offers/ZakazkaList.h"
#include "platform/data/Field.h"
#include "platform/data/MemTable.h"
#include "platform/ui/DateEdit.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/FontDialog.h"
#include "platform/ui/RichText.h"
#include "pricelist/PriceListUi.h"
#include "pricelist/Zasoby.h"
#include "widgets/VnDBGrids.h"

namespace {

TfrmNabidkaKart* theCard = nullptr;

const char* const kHelpPage = "pgNovaNab.htm";
const char* const kPickCustomerHint = "Výběr firmy z adresáře (Alt+A)";
const char* const kPickOtherCustomerHint = "Výběr jiné firmy z adresáře (Alt+A)";
constexpr int kSearchGap = 5;
constexpr int kNumberLength = 10;

// The state colours of the shape and of the state list's entries.
QColor StateShapeColour(int state) {
    switch (state) {
        case 0:
            return Qt::blue;
        case 1:
            return Qt::black;
        case 2:
            return QColor(128, 0, 128);
        case 3:
            return QColor(0, 128, 0);
        default:
            return QColor(128, 0, 0);
    }
}

QColor StateListColour(int state) { return state >= 4 ? QColor(Qt::red) : StateShapeColour(state); }

QImage SmallPicture(const std::function<void(QPainter&)>& paint) {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    paint(p);
    return image;
}

QLineEdit* TextField(QWidget* parent, const char* name, int maxLength, const QString& hint = QString()) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMaxLength(maxLength);
    if (!hint.isEmpty()) edit->setToolTip(hint);
    return edit;
}

QPushButton* SmallButton(QWidget* parent, const char* name, const QString& text, const QString& hint) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setFixedWidth(28);
    button->setAutoDefault(false);
    return button;
}

QString Money(double value) { return FormatMoney(Currency::FromDouble(value)); }

// The contact the offer names for a firm: the first of its contacts shown on documents.
QString ShownContactOf(int addressId) {
    TADOQuery& q = frmMain->adqAgendaFree1;
    q.Close();
    q.SetSQL("SELECT * FROM Kontakty WHERE CisloAdr = :ID");
    q.Parameters().ParamByName("ID")->Value = addressId;
    q.Open();
    QString contact;
    for (q.First(); !q.Eof(); q.Next()) {
        if (!q.FieldByName("Zobrazit")->AsBoolean()) continue;
        auto text = [&](const char* field) { return q.FieldByName(field)->AsString(); };
        contact = (text("TitulPred") + " " + text("Prijmeni") + " " + text("Jmeno") + " " + text("TitulZa"))
                      .trimmed();
        break;
    }
    q.Close();
    return contact;
}

}  // namespace

std::function<bool(TfrmNabidkaKart::TLinkCardData&)> TfrmNabidkaKart::LinkCardHandler;
std::function<void(const QString&)> TfrmNabidkaKart::OpenDocumentHandler;

// ---- the window
// ---------------------------------------------------------------------------------------

TfrmNabidkaKart::TfrmNabidkaKart(QWidget* parent) : TVnDialog(parent) {
    setObjectName("frmNabidkaKart");
    setWindowTitle(QString::fromUtf8(kOfferCardCaption));
    ilItems.AddMasked(SmallPicture([](QPainter& p) {
                          p.setPen(QColor(0, 90, 160));
                          p.setBrush(QColor(200, 225, 250));
                          p.drawRect(2, 3, 11, 10);
                          p.drawLine(4, 6, 11, 6);
                          p.drawLine(4, 9, 11, 9);
                      }),
                      clNone);
    ilItems.AddMasked(SmallPicture([](QPainter& p) {
                          p.setPen(QColor(160, 0, 0));
                          p.setBrush(QColor(250, 200, 200));
                          p.drawEllipse(3, 3, 10, 10);
                      }),
                      clNone);
    ilItems.AddMasked(SmallPicture([](QPainter& p) {
                          p.setPen(QPen(QColor(90, 90, 90), 1.5));
                          p.drawArc(QRectF(4, 1, 7, 8), 0, 180 * 16);
                          p.setBrush(QColor(230, 180, 40));
                          p.drawRect(QRectF(3, 6, 9, 7));
                      }),
                      clNone);
    BuildWindow();
    AddPurchasePriceAction(this);
    SetSessionGrid(TSessionGrid::OfferItems, grPolozky);
    SetSessionWindow(TSessionWindow::OfferCard, this);
    ApplyGridLayout(TSessionGrid::OfferItems, grPolozky, QString());
    ConnectModified();
    resize(1000, 700);
    if (theCard == nullptr) theCard = this;
}

TfrmNabidkaKart::~TfrmNabidkaKart() {
    if (theCard == this) {
        theCard = nullptr;
        SetSessionGrid(TSessionGrid::OfferItems, nullptr);
        SetSessionWindow(TSessionWindow::OfferCard, nullptr);
        OfferCardHooks().ShowCard = nullptr;
        OfferCardHooks().TotalsChanged = nullptr;
        OfferItemHooks().UpdateOfferItemButtons = nullptr;
        OfferItemHooks().RenumberOfferItems = nullptr;
        OfferCardHooks().ClosePriceList = nullptr;
    }
    // The grids go before the sources they show.
    delete grPolozky;
    grPolozky = nullptr;
    delete grDokumenty;
    grDokumenty = nullptr;
    delete grNadpisoveSoucty;
    grNadpisoveSoucty = nullptr;
}

TfrmNabidkaKart* TfrmNabidkaKart::Instance() {
    if (theCard == nullptr) {
        // Owned by the main window; the offer document reaches it through its hook.
        auto* card = new TfrmNabidkaKart(frmMain);
        OfferCardHooks().ShowCard = [card](TOfferDocument& document) { return card->ShowOffer(document); };
        OfferCardHooks().TotalsChanged = [card] { card->ShowTotals(); };
        OfferItemHooks().UpdateOfferItemButtons = [card] { card->UpdateOfferItemButtons(); };
        OfferItemHooks().RenumberOfferItems = [card] { card->RenumberOfferItems(); };
        // Picks leave the price list open on the picked row; the card's closing ends that opening.
        OfferCardHooks().ClosePriceList = [] {
            ShowPriceList(TPriceListMode::Pick, true, TPriceListPhase::CloseOnly);
        };
    }
    return theCard;
}

TfrmNabidkaKart* TfrmNabidkaKart::Existing() { return theCard; }

TMemTable& TfrmNabidkaKart::Items() const { return document_->mtTmpPolozky; }
TMemTable& TfrmNabidkaKart::Documents() const { return document_->mtTmpDokumenty; }

void TfrmNabidkaKart::BuildWindow() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);

    auto* bar = new QHBoxLayout;
    btnOK = AddButton(this, bar, "btnOK", "OK", QKeySequence("Shift+F12"),
                      QString::fromUtf8("Uložit nabídku (Shift+F12)"));
    btnStorno = AddButton(this, bar, "btnStorno", "Storno", QKeySequence(),
                          QString::fromUtf8("Opustit doklad bez uložení (Esc)"));
    btnVyberSablony = AddButton(this, bar, "btnVyberSablony", QString::fromUtf8("Šablony"),
                                QKeySequence("Alt+S"), "(Alt+S)");
    btnKalkulacka = AddButton(this, bar, "btnKalkulacka", QString::fromUtf8("Kalkulačka"));
    btnRozpisIdentif =
        AddButton(this, bar, "btnRozpisIdentif", QString::fromUtf8("Rozpis identifikátorů"),
                  QKeySequence(Qt::Key_F3), QString::fromUtf8("Cenový rozpis identifikátorů (F3)"));
    btnNapoveda = AddButton(this, bar, "btnNapoveda", QString::fromUtf8("Nápověda"), QKeySequence(Qt::Key_F1),
                            QString::fromUtf8("Nápověda (F1)"));
    btnDPH = AddButton(this, bar, "btnDPH", "DPH");
    btnHistorie = AddButton(this, bar, "btnHistorie", QString::fromUtf8("Historie akcí"));
    bar->addStretch();
    layout->addLayout(bar);
    for (QPushButton* b : {btnOK, btnStorno}) b->setAutoDefault(false);

    panNeexistujiciSazbaDPHNaPolozkach = new QLabel(QString::fromUtf8(kUnknownVatRateText), this);
    panNeexistujiciSazbaDPHNaPolozkach->setObjectName("panNeexistujiciSazbaDPHNaPolozkach");
    panNeexistujiciSazbaDPHNaPolozkach->setStyleSheet("background: #ffd0d0; color: #800000; padding: 3px;");
    panNeexistujiciSazbaDPHNaPolozkach->hide();
    layout->addWidget(panNeexistujiciSazbaDPHNaPolozkach);

    pgcHeader = new QTabWidget(this);
    pgcHeader->setObjectName("pgcHeader");
    pgcHeader->addTab(BuildHeaderPage(), QString::fromUtf8("Hlavička dokladu"));
    pgcHeader->addTab(BuildRichPage(reTextPred, acPismoPred, "reTextPred", "acPismoPred"),
                      QString::fromUtf8("Text před položkami"));
    pgcHeader->addTab(BuildRichPage(reTextZa, acPismoZa, "reTextZa", "acPismoZa"),
                      QString::fromUtf8("Text za položkami"));
    pgcHeader->addTab(BuildNotePage(), QString::fromUtf8("Poznámka"));
    pgcHeader->addTab(BuildDocumentsPage(), "Dokumenty");
    memTextKomentare = new QPlainTextEdit(this);
    memTextKomentare->setObjectName("memTextKomentare");
    pgcHeader->addTab(memTextKomentare, QString::fromUtf8("Komentář"));
    layout->addWidget(pgcHeader);
    layout->addWidget(BuildPriceBar());
    layout->addWidget(BuildItems(), 1);
    layout->addWidget(BuildItemBar());

    connect(btnOK, &QPushButton::clicked, this, &TfrmNabidkaKart::btnOKClick);
    connect(btnStorno, &QPushButton::clicked, this, &TfrmNabidkaKart::reject);
    connect(btnNapoveda, &QPushButton::clicked, this, [] { ShowHelpTopic(QString::fromLatin1(kHelpPage)); });
    connect(btnHistorie, &QPushButton::clicked, this, &TfrmNabidkaKart::btnHistorieClick);
    connect(btnDPH, &QPushButton::clicked, this, [this] {
        if (!ChangeOfferVatRates()) SetModified();
    });
    connect(btnVyberSablony, &QPushButton::clicked, this, [this] { ChooseOfferTemplate(*this); });
    connect(btnKalkulacka, &QPushButton::clicked, this, [] { RunCalculator(); });
    connect(btnRozpisIdentif, &QPushButton::clicked, this, [] { ShowIdentifierBreakdown(1); });

    auto shortcut = [this](const char* name, const QKeySequence& key, std::function<void()> handler) {
        auto* action = new QAction(this);
        action->setObjectName(name);
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        connect(action, &QAction::triggered, this, std::move(handler));
    };
    shortcut("acVyberAdresy", QKeySequence("Alt+A"), [this] { PickCustomer(); });
    shortcut("acFocusPolozky", QKeySequence(Qt::Key_F11), [this] { grPolozky->setFocus(); });
}

QWidget* TfrmNabidkaKart::BuildHeaderPage() {
    auto* page = new QWidget(this);
    auto* grid = new QGridLayout(page);

    shStav = new QFrame(page);
    shStav->setObjectName("shStav");
    shStav->setFixedSize(14, 14);
    shStav->setAutoFillBackground(true);
    // Typed numbers take at most 10 characters; the limit is set when the field opens for typing, so
    // that "<automaticky>" shows whole.
    edtCisloDokl = TextField(page, "edtCisloDokl", 32767);
    btnZrusCislo = SmallButton(page, "btnZrusCislo", "x", QString::fromUtf8("Zrušení čísla dokladu"));
    edtPopisDokl = TextField(page, "edtPopisDokl", 50);
    cbxZpusobPlatby = new QComboBox(page);
    cbxZpusobPlatby->setObjectName("cbxZpusobPlatby");
    cbxDoprava = new QComboBox(page);
    cbxDoprava->setObjectName("cbxDoprava");
    for (QComboBox* c : {cbxZpusobPlatby, cbxDoprava}) {
        c->setEditable(true);
        c->lineEdit()->setMaxLength(20);
    }
    edtZakazka = TextField(page, "edtZakazka", 10);
    edtZakazka->setReadOnly(true);
    btnVyberZakazky = SmallButton(page, "btnVyberZakazky", "...", QString::fromUtf8("Výběr zakázky"));
    btnZrusZakazku = SmallButton(page, "btnZrusZakazku", "x", QString::fromUtf8("Zrušení zakázky"));
    btnDetailZakazky = SmallButton(page, "btnDetailZakazky", "i", QString::fromUtf8("Detail zakázky"));
    cbxStav = new QComboBox(page);
    cbxStav->setObjectName("cbxStav");
    edtNadpis = TextField(page, "edtNadpis", 50);

    auto row = [](std::initializer_list<QWidget*> widgets) {
        auto* box = new QHBoxLayout;
        box->setContentsMargins(0, 0, 0, 0);
        for (QWidget* w : widgets) box->addWidget(w);
        return box;
    };
    auto* left = new QFormLayout;
    auto* number = row({edtCisloDokl, btnZrusCislo});
    number->insertWidget(0, shStav);
    left->addRow(QString::fromUtf8("Číslo dokladu"), number);
    left->addRow(QString::fromUtf8("Interní popis"), edtPopisDokl);
    left->addRow("Platba/doprava", row({cbxZpusobPlatby, cbxDoprava}));
    left->addRow(QString::fromUtf8("Zakázka"),
                 row({edtZakazka, btnVyberZakazky, btnZrusZakazku, btnDetailZakazky}));
    left->addRow(QString::fromUtf8("Stav nabídky"), cbxStav);
    left->addRow("Nadpis dokladu", edtNadpis);
    grid->addLayout(left, 0, 0);

    auto* dates = new QGroupBox("Datum", page);
    auto* dateForm = new QFormLayout(dates);
    edtDatVystaveni = new TDateEdit(dates);
    edtDatVystaveni->setObjectName("edtDatVystaveni");
    edtDatPlatnost = new TDateEdit(dates);
    edtDatPlatnost->setObjectName("edtDatPlatnost");
    edtDatVyrizeni = new TDateEdit(dates);
    edtDatVyrizeni->setObjectName("edtDatVyrizeni");
    dateForm->addRow(QString::fromUtf8("Vystavení"), edtDatVystaveni);
    dateForm->addRow("Platnost do", edtDatPlatnost);
    dateForm->addRow(QString::fromUtf8("Vyřízení (zamítnutí)"), edtDatVyrizeni);
    grid->addWidget(dates, 0, 1);

    auto* customer = new QGroupBox(QString::fromUtf8("Odběratel"), page);
    auto* form = new QFormLayout(customer);
    edtAdrNazev = TextField(customer, "edtAdrNazev", 50, QString::fromUtf8("Odběratel - název firmy"));
    edtAdrUlice = TextField(customer, "edtAdrUlice", 30);
    edtAdrPsc = TextField(customer, "edtAdrPsc", 10);
    edtAdrMisto = TextField(customer, "edtAdrMisto", 40);
    edtAdrKontakt = TextField(customer, "edtAdrKontakt", 85);
    edtAdrICO = TextField(customer, "edtAdrICO", 20);
    edtAdrDIC = TextField(customer, "edtAdrDIC", 20);
    btnVyberAdresu = SmallButton(customer, "btnVyberAdresu", "...", QString::fromUtf8(kPickCustomerHint));
    btnDetailAdresy = SmallButton(customer, "btnDetailAdresy", "i",
                                  QString::fromUtf8("Zobrazit detail adresy (jen pro čtení)"));
    form->addRow(QString::fromUtf8("Název"), row({edtAdrNazev, btnVyberAdresu, btnDetailAdresy}));
    form->addRow("Ulice", edtAdrUlice);
    form->addRow(QString::fromUtf8("PSČ, místo"), row({edtAdrPsc, edtAdrMisto}));
    form->addRow("Kontakt", edtAdrKontakt);
    form->addRow(QString::fromUtf8("IČ, DIČ"), row({edtAdrICO, edtAdrDIC}));
    grid->addWidget(customer, 0, 2);

    connect(btnZrusCislo, &QPushButton::clicked, this, &TfrmNabidkaKart::btnZrusCisloClick);
    connect(btnVyberAdresu, &QPushButton::clicked, this, &TfrmNabidkaKart::PickCustomer);
    connect(btnDetailAdresy, &QPushButton::clicked, this, &TfrmNabidkaKart::ShowCustomerDetail);
    connect(btnVyberZakazky, &QPushButton::clicked, this, [this] {
        if (auto code = PickOrderCode(edtZakazka->text())) {
            edtZakazka->setText(*code);
            SetModified();
            ShowOfferPriceLevel();
        }
    });
    connect(btnDetailZakazky, &QPushButton::clicked, this, [this] {
        if (auto code = ShowOrderDetail(edtZakazka->text())) {
            edtZakazka->setText(*code);
            SetModified();
            ShowOfferPriceLevel();
        }
    });
    connect(btnZrusZakazku, &QPushButton::clicked, this, [this] {
        edtZakazka->clear();
        SetModified();
        ShowOfferPriceLevel();
    });
    connect(cbxStav, &QComboBox::activated, this, [this] { ShowOfferState(); });
    return page;
}

QWidget* TfrmNabidkaKart::BuildRichPage(QTextEdit*& edit, QAction*& font, const char* editName,
                                        const char* fontName) {
    auto* page = new QWidget(this);
    auto* column = new QVBoxLayout(page);
    auto* tools = new QHBoxLayout;
    edit = new QTextEdit(page);
    edit->setObjectName(editName);
    edit->setAcceptRichText(true);
    QTextEdit* target = edit;
    auto tool = [&](const QString& caption, const QKeySequence& key, std::function<void()> handler) {
        auto* action = new QAction(caption, page);
        action->setShortcut(key);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        page->addAction(action);
        auto* button = new QToolButton(page);
        button->setDefaultAction(action);
        tools->addWidget(button);
        connect(action, &QAction::triggered, this, std::move(handler));
        return action;
    };
    tool(QString::fromUtf8("Tučné"), QKeySequence("Ctrl+B"), [target] {
        target->setFontWeight(target->fontWeight() > QFont::Normal ? QFont::Normal : QFont::Bold);
    });
    tool("Kurzíva", QKeySequence("Ctrl+I"), [target] { target->setFontItalic(!target->fontItalic()); });
    tool(QString::fromUtf8("Podtržení"), QKeySequence("Ctrl+U"),
         [target] { target->setFontUnderline(!target->fontUnderline()); });
    font =
        tool(QString::fromUtf8("Písmo"), QKeySequence(), [this, target] { ApplyFontDialog(target, this); });
    font->setObjectName(fontName);
    font->setEnabled(false);
    tool(QString::fromUtf8("Vybrat text z databáze"), QKeySequence(),
         [target] { PutFreeText(target, false); });
    tool(QString::fromUtf8("Připojit text z databáze na konec"), QKeySequence(),
         [target] { PutFreeText(target, true); });
    tools->addStretch();
    column->addLayout(tools);
    column->addWidget(edit);
    edit->installEventFilter(this);
    return page;
}

QWidget* TfrmNabidkaKart::BuildNotePage() {
    auto* page = new QWidget(this);
    auto* column = new QVBoxLayout(page);
    auto* tools = new QHBoxLayout;
    memPoznamka = new QPlainTextEdit(page);
    memPoznamka->setObjectName("memPoznamka");
    const std::pair<const char*, bool> kFreeTextButtons[] = {{"Vybrat text z databáze", false},
                                                             {"Připojit text z databáze na konec", true}};
    for (const auto& entry : kFreeTextButtons) {
        auto* button = new QPushButton(QString::fromUtf8(entry.first), page);
        button->setAutoDefault(false);
        const bool append = entry.second;
        connect(button, &QPushButton::clicked, this, [this, append] { PutFreeText(memPoznamka, append); });
        tools->addWidget(button);
    }
    tools->addStretch();
    column->addLayout(tools);
    column->addWidget(memPoznamka);
    return page;
}

QWidget* TfrmNabidkaKart::BuildPriceBar() {
    auto* panel = new QWidget(this);
    panel->setObjectName("panCenovaLista");
    auto* bar = new QHBoxLayout(panel);
    bar->setContentsMargins(0, 0, 0, 0);
    btnSleva = AddButton(panel, bar, "btnSleva", "Sleva", QKeySequence(Qt::Key_F7));
    btnMarze = AddButton(panel, bar, "btnMarze", QString::fromUtf8("Marže"), QKeySequence(Qt::Key_F5));
    btnRabat = AddButton(panel, bar, "btnRabat", "Rabat", QKeySequence(Qt::Key_F6));
    btnHromadneOperace = AddButton(panel, bar, "btnHromadneOperace", QString::fromUtf8("Hromadné operace"));
    connect(btnSleva, &QPushButton::clicked, this, [this] { BulkPriceClick(1); });
    connect(btnMarze, &QPushButton::clicked, this, [this] { BulkPriceClick(2); });
    connect(btnRabat, &QPushButton::clicked, this, [this] { BulkPriceClick(3); });

    pmAktualizace = new QMenu(this);
    pmAktualizace->setObjectName("pmAktualizace");
    auto item = [this](QMenu* menu, const char* name, const char* caption, std::function<void()> handler) {
        QAction* action = menu->addAction(QString::fromUtf8(caption));
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, std::move(handler));
        return action;
    };
    item(pmAktualizace, "acOznacitVse", "Označit všechny položky (Ctrl+plus)",
         [this] { MarkAllItems(true); });
    item(pmAktualizace, "acZrusitOznaceni", "Zrušit označení všech položek (Ctrl+mínus)",
         [this] { MarkAllItems(false); });
    pmAktualizace->addSeparator();
    item(pmAktualizace, "acNastavitHladinu", "Nastavit na položky aktuální cenovou hladinu",
         [this] { acNastavitHladinuClick(); });
    item(pmAktualizace, "acAktualizovatCeny", "Aktualizovat všechny ceny položek z ceníku",
         [this] { acAktualizovatCenyClick(); });
    pmAktualizace->addSeparator();
    item(pmAktualizace, "acNastavitZamek", "Nastavit zámek na položkách",
         [this] { SetItemsLock(true, true); });
    item(pmAktualizace, "acZrusitZamek", "Zrušit zámek na položkách", [this] { SetItemsLock(false, true); });
    pmAktualizace->addSeparator();
    item(pmAktualizace, "acZmenitDPH", "Změnit na položkách % sazbu DPH", [this] { acZmenitDPHClick(); });
    item(pmAktualizace, "acDopocitatSlevu", "Dopočítat slevu podle ručně zadané ceny celkem",
         [this] { DopocitatSlevuClick(); });
    pmAktualizace->addSeparator();
    item(pmAktualizace, "acPolozkyZeSouboru", "Přidat položky z ceníku podle klíčů v souboru",
         [this] { PridatPolozkyZeSouboruClick(); });
    btnHromadneOperace->setMenu(pmAktualizace);

    bar->addSpacing(16);
    bar->addWidget(new QLabel(QString::fromUtf8("Cenová hladina ceníku"), panel));
    edtCenHlad = TextField(panel, "edtCenHlad", 10);
    edtCenHlad->setReadOnly(true);
    chckCHzadresy = new QCheckBox("z adresy", panel);
    chckCHzadresy->setObjectName("chckCHzadresy");
    btnVyberCenHlad = SmallButton(panel, "btnVyberCenHlad", "...", QString::fromUtf8("Výběr cenové hladiny"));
    btnZrusCenHlad = SmallButton(panel, "btnZrusCenHlad", "x", QString::fromUtf8("Zrušení cenové hladiny"));
    bar->addWidget(edtCenHlad);
    bar->addWidget(chckCHzadresy);
    bar->addWidget(btnVyberCenHlad);
    bar->addWidget(btnZrusCenHlad);
    bar->addStretch();
    connect(chckCHzadresy, &QCheckBox::clicked, this, &TfrmNabidkaKart::chckCHzadresyClick);
    connect(btnVyberCenHlad, &QPushButton::clicked, this, &TfrmNabidkaKart::btnVyberCenHladClick);
    connect(btnZrusCenHlad, &QPushButton::clicked, this, &TfrmNabidkaKart::btnZrusCenHladClick);
    return panel;
}

QWidget* TfrmNabidkaKart::BuildItems() {
    auto* panel = new QWidget(this);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(new QLabel(QString::fromUtf8("Položky dokladu"), panel));
    panPolozkyEmptyInfoCaption = new QLabel(QString::fromUtf8(kEmptyItemsInfo), panel);
    panPolozkyEmptyInfoCaption->setObjectName("panPolozkyEmptyInfoCaption");
    panPolozkyEmptyInfoCaption->setWordWrap(true);
    column->addWidget(panPolozkyEmptyInfoCaption);
    BuildItemGrid(panel);
    column->addWidget(grPolozky, 1);

    panPolozkyFind = new QFrame(panel);
    panPolozkyFind->setObjectName("panPolozkyFind");
    auto* find = new QHBoxLayout(panPolozkyFind);
    find->setContentsMargins(0, 0, 0, 0);
    find->setSpacing(kSearchGap);
    lblPolozkyFindCaption = new QLabel(panPolozkyFind);
    lblPolozkyFindCaption->setObjectName("lblPolozkyFindCaption");
    edtPolozkyFind = new QLineEdit(panPolozkyFind);
    edtPolozkyFind->setObjectName("edtPolozkyFind");
    lblPolozkyFindHint = new QLabel(QString::fromUtf8(kSearchHint), panPolozkyFind);
    find->addWidget(lblPolozkyFindCaption);
    find->addWidget(edtPolozkyFind);
    find->addWidget(lblPolozkyFindHint);
    find->addStretch();
    panPolozkyFind->hide();
    column->addWidget(panPolozkyFind);
    connect(edtPolozkyFind, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!panPolozkyFind->isVisible() || text.isEmpty() || document_ == nullptr) return;
        TColumn* focused = grPolozky->SelectedColumn();
        if (focused == nullptr || focused->FieldName().isEmpty()) return;
        try {
            Items().Locate(focused->FieldName(), text, loCaseInsensitive | loPartialKey);
        } catch (const std::exception&) {
            // A column that cannot be searched by text leaves the current
            // row, as a failed search does.
        }
    });
    connect(edtPolozkyFind, &QLineEdit::returnPressed, this, &TfrmNabidkaKart::CloseItemFind);
    edtPolozkyFind->installEventFilter(this);

    panNadpisoveSoucty = new QWidget(panel);
    panNadpisoveSoucty->setObjectName("panNadpisoveSoucty");
    auto* subtotalsLayout = new QVBoxLayout(panNadpisoveSoucty);
    subtotalsLayout->setContentsMargins(0, 0, 0, 0);
    grNadpisoveSoucty = new TVnDBGrid(panNadpisoveSoucty);
    grNadpisoveSoucty->setObjectName("grNadpisoveSoucty");
    grNadpisoveSoucty->SetReadOnly(true);
    grNadpisoveSoucty->SetOptions((grNadpisoveSoucty->Options() | dgRowSelect) & ~dgEditing);
    grNadpisoveSoucty->SetDataSource(&dsNadpisoveSoucty);
    grNadpisoveSoucty->Columns().Clear();
    for (const auto& [field, title] :
         std::initializer_list<std::pair<const char*, const char*>>{{"Nadpis", "Nadpis"},
                                                                    {"PCBDPH", "Celkem bez DPH"},
                                                                    {"PCSDPH", "Celkem s DPH"},
                                                                    {"NCBDPH", "Nákupní cena"},
                                                                    {"Zisk", "Zisk"}}) {
        TColumn* c = grNadpisoveSoucty->Columns().AddColumn();
        c->SetFieldName(field);
        c->Title()->SetCaption(QString::fromUtf8(title));
        c->SetWidth(std::string_view(field) == "Nadpis" ? 260 : 112);
    }
    grNadpisoveSoucty->setMaximumHeight(110);
    grNadpisoveSoucty->OnDblClick = [this](QObject*) { JumpToHeading(); };
    subtotalsLayout->addWidget(grNadpisoveSoucty);
    panNadpisoveSoucty->hide();
    column->addWidget(panNadpisoveSoucty);

    auto* totals = new QGroupBox(QString::fromUtf8("Celkové součty za doklad"), panel);
    auto* sums = new QGridLayout(totals);
    auto total = [&](QLabel*& value, const char* name, const char* caption, int r, int c) {
        auto* label = new QLabel(QString::fromUtf8(caption), totals);
        value = new QLabel(totals);
        value->setObjectName(name);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* currency = new QLabel(totals);
        currency->setObjectName(QString(name) + "Mena");
        currencyLabels.push_back(currency);
        sums->addWidget(label, r, c);
        sums->addWidget(value, r, c + 1);
        sums->addWidget(currency, r, c + 2);
        return label;
    };
    total(lblZakladCelkem, "lblZakladCelkem", " Celkem bez DPH", 0, 0);
    total(lblNCBDPHCelkem, "lblNCBDPHCelkem", " Celkem nákupní cena", 1, 0)
        ->setObjectName("lblNCCelkemLabel");
    QLabel* profitCaption = total(lblZiskCelkem, "lblZiskCelkem", " Celkový zisk", 2, 0);
    profitCaption->setObjectName("lblZiskCelkemLabel");
    // The caption's empty filler, hidden with the profit when purchase prices are not shown.
    auto* profitFiller = new QLabel(totals);
    profitFiller->setObjectName("lblZiskCelkemLabelEmpty");
    sums->addWidget(profitFiller, 2, 3);
    profitLabels = {lblZiskCelkem, profitCaption, profitFiller,
                    totals->findChild<QLabel*>("lblZiskCelkemMena")};
    total(lblCelkemZaDokladSDPH, "lblCelkemZaDokladSDPH", " Celkem s DPH po zaokrouhlení", 3, 0);
    panCelkemSlevy = new QFrame(totals);
    panCelkemSlevy->setObjectName("panCelkemSlevy");
    auto* discount = new QGridLayout(panCelkemSlevy);
    auto small = [&](QLabel*& value, const char* name, int r, int c) {
        value = new QLabel(panCelkemSlevy);
        value->setObjectName(name);
        discount->addWidget(value, r, c);
    };
    discount->addWidget(new QLabel(QString::fromUtf8("Před slevou"), panCelkemSlevy), 0, 0);
    discount->addWidget(new QLabel(QString::fromUtf8("Výše slevy"), panCelkemSlevy), 0, 1);
    small(lblPredSlevouBDPH, "lblPredSlevouBDPH", 1, 0);
    small(lblVyseSlevyBDPH, "lblVyseSlevyBDPH", 1, 1);
    small(lblPredSlevouSDPH, "lblPredSlevouSDPH", 2, 0);
    small(lblVyseSlevySDPH, "lblVyseSlevySDPH", 2, 1);
    sums->addWidget(panCelkemSlevy, 0, 4, 4, 1);
    column->addWidget(totals);
    return panel;
}

void TfrmNabidkaKart::BuildItemGrid(QWidget* parent) {
    grPolozky = new TVnDBGrid(parent);
    grPolozky->setObjectName("grPolozky");
    grPolozky->setToolTip(QString::fromUtf8("Položky nabídky (F11)"));
    grPolozky->SetReadOnly(true);
    grPolozky->SetOptions((grPolozky->Options() | dgIndicator | dgMultiSelect | dgTitleClicked) & ~dgEditing);
    grPolozky->SetDataSource(&dsTmpPolozky);
    grPolozky->SetFrozenCols(kOfferItemsFixedColumns);
    grPolozky->SetDefaultDrawing(false);
    grPolozky->OnDrawColumnCell = [this](QObject*, QPainter& canvas, const TRect& rect, int dataColumn,
                                         TColumn* column, TGridDrawState state) {
        DrawItemCell(canvas, rect, dataColumn, column, state);
    };
    grPolozky->OnTitleClick = [this](TColumn* column) { SortItemsByColumn(column); };
    grPolozky->OnDblClick = [this](QObject*) { btnOpravitPolClick(); };
    OnEnterKey(grPolozky, [this] { btnOpravitPolClick(); });
    grPolozky->OnKeyPress = [this](QObject*, QChar& key) {
        if (key.unicode() > 31) {
            OpenItemFind(key);
            key = QChar();
        }
    };
    grPolozky->OnKeyDown = [this](QObject*, int& key, Qt::KeyboardModifiers modifiers) {
        if (modifiers != Qt::ControlModifier) return;
        if (key == Qt::Key_Delete) {
            btnVyjmoutPolClick();
            key = 0;
        } else if (key == Qt::Key_Up) {
            MoveOfferItem(-1);
            key = 0;
        } else if (key == Qt::Key_Down) {
            MoveOfferItem(1);
            key = 0;
        }
    };
    dsTmpPolozky.OnDataChange = [this](TDataSource*, TField*) {
        if (document_ != nullptr && !document_->SuppressMarkSums) UpdateMarkLabel();
    };
    grPolozky->OnBookmarksChanged = [this](QObject*) {
        if (document_ != nullptr && grPolozky->isVisible()) UpdateMarkLabel();
    };
    pmGrPolozky = new QMenu(this);
    pmGrPolozky->setObjectName("pmGrPolozky");
    auto item = [this](const char* caption, std::function<void()> handler) {
        connect(pmGrPolozky->addAction(QString::fromUtf8(caption)), &QAction::triggered, this,
                std::move(handler));
    };
    item("Označit vše (Ctrl+plus)", [this] { MarkAllItems(true); });
    item("Zrušit označení (Ctrl+mínus)", [this] { MarkAllItems(false); });
    pmGrPolozky->addSeparator();
    item("Nastavit zámek", [this] { SetItemsLock(true, false); });
    item("Zrušit zámek", [this] { SetItemsLock(false, false); });
    grPolozky->OnPopupMenu = [this](QObject*, int, TGridCoord, QMenu*& popup) { popup = pmGrPolozky; };
}

QWidget* TfrmNabidkaKart::BuildItemBar() {
    auto* panel = new QWidget(this);
    panel->setObjectName("panPolozkyBtn");
    auto* bar = new QHBoxLayout(panel);
    bar->setContentsMargins(0, 0, 0, 0);
    btnVyjmoutPol = AddButton(panel, bar, "btnVyjmoutPol", "Vyjmout", QKeySequence("Alt+V"),
                              QString::fromUtf8("Alt+V (nebo Ctrl+Del)"));
    btnOpravitPol = AddButton(panel, bar, "btnOpravitPol", "Opravit", QKeySequence("Alt+O"),
                              QString::fromUtf8("Alt+O (nebo Enter)"));
    btnPridatPol = AddButton(panel, bar, "btnPridatPol", QString::fromUtf8("Přidat položku"),
                             QKeySequence("Alt+P"), QString::fromUtf8("Alt+P (nebo F2)"));
    btnPridatSklPol = AddButton(panel, bar, "btnPridatSklPol", QString::fromUtf8("Přidat položku z ceníku"),
                                QKeySequence("Alt+C"), QString::fromUtf8("Alt+C (nebo F4)"));
    btnPridatNadpis = AddButton(panel, bar, "btnPridatNadpis", QString::fromUtf8("Přidat nadpis"),
                                QKeySequence("Alt+N"), QString::fromUtf8("Alt+N (nebo F9)"));
    btnPridatText = AddButton(panel, bar, "btnPridatText", QString::fromUtf8("Přidat text"),
                              QKeySequence("Alt+T"), QString::fromUtf8("Alt+T (nebo F12)"));
    btnKopirovatPol = AddButton(panel, bar, "btnKopirovatPol", QString::fromUtf8("Kopírovat"),
                                QKeySequence("Alt+K"), QString::fromUtf8("Alt+K (nebo F8)"));
    bar->addWidget(new QLabel(QString::fromUtf8("Změna pořadí"), panel));
    btnPolNahoru = SmallButton(panel, "btnPolNahoru", QString::fromUtf8("▲"),
                               QString::fromUtf8("Posunout položku nahoru (Ctrl+šipka nahoru)"));
    btnPolDolu = SmallButton(panel, "btnPolDolu", QString::fromUtf8("▼"),
                             QString::fromUtf8("Posunout položku dolů (Ctrl+šipka dolů)"));
    bar->addWidget(btnPolNahoru);
    bar->addWidget(btnPolDolu);
    bar->addStretch();
    lblOznaceni = new QLabel(panel);
    lblOznaceni->setObjectName("lblOznaceni");
    lblOznaceni->hide();
    bar->addWidget(lblOznaceni);
    chckSouctovat = new QCheckBox(QString::fromUtf8("součet ozn."), panel);
    chckSouctovat->setObjectName("chckSouctovat");
    chckSouctovat->setToolTip(QString::fromUtf8("Součtovat označené položky"));
    bar->addWidget(chckSouctovat);

    // Second keys of the item actions, beside the Alt keys of the buttons.
    auto key = [this](QPushButton* button, const QKeySequence& sequence) {
        auto* action = new QAction(button);
        action->setShortcut(sequence);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        connect(action, &QAction::triggered, button, [button] {
            if (button->isVisible() && button->isEnabled()) button->click();
        });
    };
    key(btnPridatPol, QKeySequence(Qt::Key_F2));
    key(btnPridatSklPol, QKeySequence(Qt::Key_F4));
    key(btnPridatNadpis, QKeySequence(Qt::Key_F9));
    key(btnPridatText, QKeySequence(Qt::Key_F12));
    key(btnKopirovatPol, QKeySequence(Qt::Key_F8));

    connect(btnVyjmoutPol, &QPushButton::clicked, this, &TfrmNabidkaKart::btnVyjmoutPolClick);
    connect(btnOpravitPol, &QPushButton::clicked, this, &TfrmNabidkaKart::btnOpravitPolClick);
    connect(btnPridatPol, &QPushButton::clicked, this, &TfrmNabidkaKart::btnPridatPolClick);
    connect(btnPridatSklPol, &QPushButton::clicked, this, &TfrmNabidkaKart::btnPridatSklPolClick);
    connect(btnPridatNadpis, &QPushButton::clicked, this, &TfrmNabidkaKart::btnPridatNadpisClick);
    connect(btnPridatText, &QPushButton::clicked, this, &TfrmNabidkaKart::btnPridatTextClick);
    connect(btnKopirovatPol, &QPushButton::clicked, this, &TfrmNabidkaKart::acbtnKopirovatPolExecute);
    connect(btnPolNahoru, &QPushButton::clicked, this, [this] { MoveOfferItem(-1); });
    connect(btnPolDolu, &QPushButton::clicked, this, [this] { MoveOfferItem(1); });
    connect(chckSouctovat, &QCheckBox::clicked, this, [this] { UpdateMarkedItemSums(); });
    return panel;
}

void TfrmNabidkaKart::ConnectModified() {
    auto modified = [this] { SetModified(); };
    for (QLineEdit* e :
         {edtCisloDokl, edtPopisDokl, edtNadpis, edtAdrNazev, edtAdrUlice, edtAdrPsc, edtAdrMisto,
          edtAdrKontakt, edtAdrICO, edtAdrDIC, edtCenHlad, static_cast<QLineEdit*>(edtDatVystaveni),
          static_cast<QLineEdit*>(edtDatPlatnost), static_cast<QLineEdit*>(edtDatVyrizeni)})
        connect(e, &QLineEdit::textChanged, this, modified);
    for (QComboBox* c : {cbxZpusobPlatby, cbxDoprava})
        connect(c, &QComboBox::editTextChanged, this, modified);
    connect(cbxStav, &QComboBox::currentIndexChanged, this, modified);
    for (QTextEdit* t : {reTextPred, reTextZa}) connect(t, &QTextEdit::textChanged, this, modified);
    for (QPlainTextEdit* t : {memPoznamka, memTextKomentare})
        connect(t, &QPlainTextEdit::textChanged, this, modified);
}

void TfrmNabidkaKart::SetModified() {
    if (!filling_ && document_ != nullptr) document_->Modified = true;
}

bool TfrmNabidkaKart::eventFilter(QObject* watched, QEvent* event) {
    // "Písmo" works on the rich text that has the focus.
    if (watched == reTextPred || watched == reTextZa) {
        QAction* font = watched == reTextPred ? acPismoPred : acPismoZa;
        if (event->type() == QEvent::FocusIn) font->setEnabled(true);
        if (event->type() == QEvent::FocusOut) font->setEnabled(false);
    }
    if (event->type() == QEvent::FocusOut) {
        if (watched == edtPolozkyFind && panPolozkyFind->isVisible()) CloseItemFind();
        if (watched == edtDokumentyFind && panDokumentyFind->isVisible()) CloseDocumentFind();
    }
    return TVnDialog::eventFilter(watched, event);
}

// ---- filling and reading back
// ---------------------------------------------------------------------------

int TfrmNabidkaKart::CustomerLink() const { return edtAdrNazev->property("Tag").toInt(); }
void TfrmNabidkaKart::SetCustomerLink(int id) { edtAdrNazev->setProperty("Tag", id); }

bool TfrmNabidkaKart::ShowOffer(TOfferDocument& document) {
    document_ = &document;
    dsTmpPolozky.SetDataSet(&document.mtTmpPolozky);
    dsTmpDokumenty.SetDataSet(&document.mtTmpDokumenty);
    dsNadpisoveSoucty.SetDataSet(&document.mtNadpisoveSoucty);
    FillFromDocument();
    closingWithOk_ = false;
    const int result = exec();
    SumMarkedItems = chckSouctovat->isChecked();
    return result == QDialog::Accepted;
}

void TfrmNabidkaKart::FillFromDocument() {
    filling_ = true;
    TOfferDocument& doc = *document_;
    const TOfferHeader& h = doc.Header;
    templateAsked_ = false;
    pgcHeader->setCurrentIndex(0);
    edtCisloDokl->setText(h.AutomaticNumber ? QString::fromUtf8(kAutomaticNumberText) : h.Doklad);
    edtCisloDokl->setMaxLength(32767);
    edtCisloDokl->setEnabled(false);
    btnZrusCislo->setProperty("Tag", h.NumberCancelTag);
    edtPopisDokl->setText(h.Popis);
    cbxZpusobPlatby->clear();
    cbxZpusobPlatby->addItems(OfferPaymentKinds());
    cbxZpusobPlatby->setEditText(h.ZpPlatby);
    cbxDoprava->clear();
    cbxDoprava->addItems(OfferDeliveryKinds());
    cbxDoprava->setEditText(h.Doprava);
    cbxStav->clear();
    for (int i = 0; i < kOfferStateCount; ++i) {
        cbxStav->addItem(OfferStateName(static_cast<unsigned>(i)));
        cbxStav->setItemData(i, StateListColour(i), Qt::ForegroundRole);
    }
    cbxStav->setCurrentIndex(h.IDStav);
    edtNadpis->setText(h.Nadpis);
    auto setDate = [](TDateEdit* edit, const std::optional<TDateTime>& date) {
        if (date)
            edit->SetDate(*date);
        else
            edit->Clear();
    };
    setDate(edtDatVystaveni, h.DatVystaveni);
    setDate(edtDatPlatnost, h.DatPlatnosti);
    setDate(edtDatVyrizeni, h.DatVyrizeni);
    SetCustomerLink(h.AdrCislo);
    edtAdrNazev->setText(h.AdrNazev);
    edtAdrKontakt->setText(h.AdrKontakt);
    edtAdrUlice->setText(h.AdrUlice);
    edtAdrPsc->setText(h.AdrPsc);
    edtAdrMisto->setText(h.AdrMisto);
    edtAdrICO->setText(h.AdrICO);
    edtAdrDIC->setText(h.AdrDIC);
    SetAddressFieldsState(h.AdrCislo == kTypedCustomer);
    LoadRichText(h.TextPred, reTextPred);
    LoadRichText(h.TextZa, reTextZa);
    memPoznamka->setPlainText(h.Poznamka);
    memTextKomentare->setPlainText(h.TextKomentare);
    chckCHzadresy->setChecked(h.CenHladAdr);
    edtZakazka->setText(h.Zakazka);
    ResetOfferTemplateQuestion(*this);
    edtPolozkyFind->clear();
    panPolozkyFind->hide();
    grPolozky->MarkedRows().ClearMarks();
    chckSouctovat->setChecked(SumMarkedItems);
    btnOK->setEnabled(!doc.ReadOnlyView);
    ApplySortField(grPolozky, "Poradi", "PORADI");
    UpdateOfferItemButtons();
    UpdateOfferDocButtons();
    ShowTotals();
    filling_ = false;
}

void TfrmNabidkaKart::WriteToDocument() {
    TOfferHeader& h = document_->Header;
    // A number field the user opened for typing keeps what he typed; otherwise
    // the number is drawn at saving (a new offer) or stays as stored.
    if (edtCisloDokl->isEnabled()) {
        h.Doklad = edtCisloDokl->text().trimmed();
        h.AutomaticNumber = false;
    }
    h.Popis = edtPopisDokl->text();
    h.ZpPlatby = cbxZpusobPlatby->currentText().left(20);
    h.Doprava = cbxDoprava->currentText().left(20);
    auto date = [](TDateEdit* edit) -> std::optional<TDateTime> {
        if (edit->IsEmpty()) return std::nullopt;
        return edit->Date();
    };
    h.DatVystaveni = date(edtDatVystaveni);
    h.DatPlatnosti = date(edtDatPlatnost);
    h.DatVyrizeni = date(edtDatVyrizeni);
    h.IDStav = cbxStav->currentIndex();
    h.AdrCislo = CustomerLink();
    h.AdrNazev = edtAdrNazev->text();
    h.AdrKontakt = edtAdrKontakt->text();
    h.AdrUlice = edtAdrUlice->text();
    h.AdrPsc = edtAdrPsc->text();
    h.AdrMisto = edtAdrMisto->text();
    h.AdrICO = edtAdrICO->text();
    h.AdrDIC = edtAdrDIC->text();
    if (edtNadpis->text().trimmed().isEmpty()) edtNadpis->setText(QString::fromUtf8(kDefaultOfferHeading));
    h.Nadpis = edtNadpis->text();
    h.TextPred = QString::fromLatin1(DocumentToRtf(*reTextPred->document()));
    h.TextZa = QString::fromLatin1(DocumentToRtf(*reTextZa->document()));
    h.Poznamka = memPoznamka->toPlainText();
    h.TextKomentare = memTextKomentare->toPlainText();
    h.CenHladAdr = chckCHzadresy->isChecked();
    h.Zakazka = edtZakazka->text();
}

void TfrmNabidkaKart::showEvent(QShowEvent* event) {
    TVnDialog::showEvent(event);
    for (QLabel* label : currencyLabels) label->setText("  " + CurrencySymbol);
    ShowOfferState();
    ShowOfferPriceLevel();
    UpdateMarkLabel();
    UpdateMarkedItemSums();
    if (Items().IsEmpty())
        edtPopisDokl->setFocus();
    else
        grPolozky->setFocus();
    // Filling the card is no change of the user's.
    document_->Modified = false;
}

void TfrmNabidkaKart::ShowTotals() {
    if (document_ == nullptr) return;
    const TOfferTotals& t = document_->Totals;
    panNeexistujiciSazbaDPHNaPolozkach->setVisible(t.UnknownVatRate);
    // "Celkem bez DPH" is the total as the items sum up; only the total with VAT is the rounded
    // one the customer pays.
    lblZakladCelkem->setText(Money(t.ZakladCelkem));
    lblNCBDPHCelkem->setText(Money(t.NCBDPHCelkem));
    lblZiskCelkem->setText(Money(t.ZiskCelkem));
    lblCelkemZaDokladSDPH->setText(Money(t.CelkemZaDokladSDPH));
    const QColor profit = t.ZiskCelkem == 0  ? QColor(0x80, 0x80, 0x80)
                          : t.ZiskCelkem > 0 ? QColor(0x00, 0x80, 0x00)
                                             : QColor(0x80, 0x00, 0x00);
    for (QLabel* label : profitLabels) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, profit);
        label->setPalette(palette);
    }
    panNadpisoveSoucty->setVisible(!document_->mtNadpisoveSoucty.IsEmpty());
    // The discount button tells that the items carry a discount.
    btnSleva->setText(t.HasDiscount ? QStringLiteral("Sleva !") : QStringLiteral("Sleva"));
    QFont font = btnSleva->font();
    font.setBold(t.HasDiscount);
    btnSleva->setFont(font);
    QPalette palette = btnSleva->palette();
    palette.setColor(QPalette::ButtonText,
                     t.HasDiscount ? QColor(0x00, 0x00, 0xFF) : QColor(0x00, 0x00, 0x00));
    btnSleva->setPalette(palette);
    panCelkemSlevy->setVisible(t.HasDiscount);
    lblPredSlevouBDPH->setText(Money(t.PredSlevouBDPH) + " bez DPH");
    lblPredSlevouSDPH->setText(Money(t.PredSlevouSDPH) + " s DPH");
    lblVyseSlevyBDPH->setText(Money(t.VyseSlevyBDPH) + " bez DPH");
    lblVyseSlevySDPH->setText(Money(t.VyseSlevySDPH) + " s DPH");
}

// ---- OK, cancel and closing
// ---------------------------------------------------------------------------

void TfrmNabidkaKart::btnOKClick() {
    if (!btnOK->isEnabled()) return;
    if (panNeexistujiciSazbaDPHNaPolozkach->isVisible()) {
        ShowError(panNeexistujiciSazbaDPHNaPolozkach->text() + QString::fromUtf8(kSaveRefusedSuffix));
        return;
    }
    // Blanks are no number either: the check must not let through what the list cannot show.
    if (edtCisloDokl->text().trimmed().isEmpty()) {
        ShowInformation(QString::fromUtf8(kOfferNumberMissingText));
        return;
    }
    if (!edtAdrNazev->text().trimmed().isEmpty() && CustomerLink() == kTypedCustomer &&
        btnZrusCislo->property("Tag").toInt() == 0 && !AskQuestion(QString::fromUtf8(kTypedCustomerQuestion)))
        return;
    if (edtDatVyrizeni->isEnabled()) {
        if (edtDatVyrizeni->IsEmpty()) {
            if (!AskQuestion(QString::fromUtf8(kSettlementDateQuestion))) return;
            edtDatVyrizeni->SetDate(Date());
        }
    } else {
        edtDatVyrizeni->Clear();
    }
    WriteToDocument();
    if (!RunCardSave(this, document_->Save)) return;
    closingWithOk_ = true;
    accept();
}

bool TfrmNabidkaKart::AskToLeave() {
    if (document_ == nullptr || !document_->Modified || !AskOnLeavingOffer) return true;
    return AskQuestion(QString::fromUtf8(kLeaveUnsavedQuestion));
}

void TfrmNabidkaKart::reject() {
    if (!AskToLeave()) return;
    TVnDialog::reject();
}

void TfrmNabidkaKart::closeEvent(QCloseEvent* event) {
    if (!closingWithOk_ && !AskToLeave()) {
        event->ignore();
        return;
    }
    TVnDialog::closeEvent(event);
}

// ---- header
// -------------------------------------------------------------------------------------------

void TfrmNabidkaKart::SetAddressFieldsState(bool editable) {
    for (QLineEdit* e :
         {edtAdrNazev, edtAdrKontakt, edtAdrUlice, edtAdrPsc, edtAdrMisto, edtAdrICO, edtAdrDIC})
        e->setEnabled(editable);
    btnVyberAdresu->setToolTip(QString::fromUtf8(editable ? kPickCustomerHint : kPickOtherCustomerHint));
    btnDetailAdresy->setVisible(!editable);
}

void TfrmNabidkaKart::ClearCustomerAddress() {
    for (QLineEdit* e :
         {edtAdrNazev, edtAdrKontakt, edtAdrUlice, edtAdrPsc, edtAdrMisto, edtAdrICO, edtAdrDIC})
        e->clear();
    SetCustomerLink(kTypedCustomer);
    document_->CustomerPriceLevel.clear();
    SetAddressFieldsState(true);
}

void TfrmNabidkaKart::PickCustomer() {
    if (CustomerLink() != kTypedCustomer) {
        if (!AskQuestion(QString::fromUtf8(kReplaceCustomerQuestion))) return;
        LastAddressID = CustomerLink();
        ClearCustomerAddress();
        ShowOfferPriceLevel();
        edtAdrNazev->setFocus();
    }
    const bool chosen = ShowAddressList(TAddressListMode::Pick, false, 0) == kResultOk;
    TADOQuery& address = frmMain->adqAdresar;
    QString name;
    QString message;
    const bool taken = chosen && address.Active() && !address.IsEmpty();
    if (taken) {
        auto text = [&](const char* field) { return address.FieldByName(field)->AsString(); };
        const int id = address.FieldByName("ID")->AsInteger();
        name = text("Nazev");
        message = text("Zprava").trimmed();
        SetCustomerLink(id);
        edtAdrNazev->setText(name);
        edtAdrUlice->setText(text("Ulice"));
        edtAdrPsc->setText(text("Psc"));
        edtAdrMisto->setText(text("Misto"));
        edtAdrICO->setText(text("ICO"));
        edtAdrDIC->setText(text("DIC"));
        document_->CustomerPriceLevel = text("CenHladina");
        ShowOfferPriceLevel();
        edtAdrKontakt->setText(ShownContactOf(id));
        SetAddressFieldsState(false);
        grPolozky->setFocus();
    }
    address.Close();
    if (!message.isEmpty()) ShowInformation(name + "\r\r" + message);
    if (taken && chckCHzadresy->isChecked() && !Items().IsEmpty()) {
        const QString question = QString::fromUtf8(kAddressLevelQuestionHead) + LevelLine() + "\r\r" +
                                 QString::fromUtf8(kAllItemsLine) + "\r\r\r" +
                                 QString::fromUtf8(kAddressLevelQuestionTail);
        if (AskQuestion(question)) UpdateItemPricesFromPriceList(false, true);
    }
}

void TfrmNabidkaKart::ShowCustomerDetail() {
    if (CustomerLink() == kTypedCustomer) return;
    ShowAddressList(TAddressListMode::Pick, true, CustomerLink());
}

void TfrmNabidkaKart::ShowOfferState() {
    const int state = cbxStav->currentIndex();
    const bool settled = state >= static_cast<int>(TOfferState::Accepted);
    edtDatVyrizeni->setEnabled(settled);
    QPalette palette = edtDatVyrizeni->palette();
    palette.setColor(QPalette::Base, settled ? QApplication::palette().color(QPalette::Base)
                                             : QApplication::palette().color(QPalette::Window));
    edtDatVyrizeni->setPalette(palette);
    QPalette shape = shStav->palette();
    shape.setColor(QPalette::Window, StateShapeColour(state < 0 ? 4 : state));
    shStav->setPalette(shape);
    QPalette list = cbxStav->palette();
    list.setColor(QPalette::Text, StateListColour(state < 0 ? 4 : state));
    list.setColor(QPalette::ButtonText, StateListColour(state < 0 ? 4 : state));
    cbxStav->setPalette(list);
}

void TfrmNabidkaKart::btnZrusCisloClick() {
    if (btnZrusCislo->property("Tag").toInt() == 0) {
        if (!edtCisloDokl->isEnabled()) {
            if (!AskQuestion(QString::fromUtf8(kCancelAutoNumberQuestion))) return;
        }
        edtCisloDokl->clear();
    } else if (!AskQuestion(QString::fromUtf8(kOverwriteNumberQuestion))) {
        return;
    }
    edtCisloDokl->setMaxLength(kNumberLength);
    edtCisloDokl->setEnabled(true);
    edtCisloDokl->setFocus();
}

void TfrmNabidkaKart::btnHistorieClick() {
    if (document_->EditedOfferID == 0) {
        ShowInformation(QString::fromUtf8(kHistoryAfterSave));
        return;
    }
    THistoryAction history;
    history.ShowHistory(THistoryObjectType::Offer, document_->EditedOfferID);
}
