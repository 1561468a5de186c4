#include "pricelist/KartaZasoby.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHash>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <iterator>
#include <stdexcept>

#include "core/CardProtocol.h"
#include "core/CommonUtils.h"
#include "core/Locks.h"
#include "core/Login.h"
#include "core/Main.h"
#include "core/Nastaveni.h"
#include "core/PurchasePrices.h"
#include "core/Upgrade.h"
#include "core/UserSettings.h"
#include "platform/data/Field.h"
#include "platform/db/ADOCommand.h"
#include "platform/db/ADOQuery.h"
#include "platform/text/NumberFormat.h"
#include "platform/ui/CurrencyEdit.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/CenSkup.h"
#include "pricelist/CenaCenHlad.h"
#include "pricelist/EditorIdentif.h"
#include "pricelist/KartaZasobyObrazek.h"
#include "pricelist/PriceListUi.h"
#include "pricelist/PriceRules.h"
#include "pricelist/Sklady.h"
#include "widgets/VnDBGrids.h"

namespace {

const char* const kCaption = "Položka ceníku";
const char* const kLoading = "Načítám položku\rprosím čekejte...";
const char* const kSaving = "Ukládání položky\rprosím čekejte...";
const char* const kWithVat = "s daní";
const char* const kWithoutVat = "bez daně";
const char* const kLevelsTitle = "Cenové hladiny";
const char* const kLevelsNote = "(* dvojklikem lze u fixních hladin upravit cenu)";
const char* const kNoLevels = "Tato položka ceníku neobsahuje žádné další cenové hladiny";
const char* const kPictureButton = "Obrázek (F2)";
const char* const kBackButton = "Zpět (F2)";
const char* const kLevelPriceFormat = "# ### ### ##0.00";
const char* const kPriceFormat = ",0.0000;-,0.0000";
const char* const kPercentFormat = ",0.00;-,0.00";

// The columns every saved item writes besides its prices, and the texts a copy takes along.
const char* const kTextColumns[] = {"Popis", "Katalog", "BarCode", "Poznamka",   "TextMJ",
                                    "PLU",   "Zkratka", "Identif", "Dostupnost", "Obrazek"};

QString KindText(bool withVat) { return QString::fromUtf8(withVat ? kWithVat : kWithoutVat); }

TCurrencyEdit* Number(QWidget* parent, const char* name, int decimals, const char* format) {
    auto* edit = new TCurrencyEdit(parent);
    edit->setObjectName(name);
    edit->SetDecimalPlaces(decimals);
    edit->SetDisplayFormat(QString::fromLatin1(format));
    return edit;
}

QLabel* Label(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QLineEdit* TextEdit(QWidget* parent, const char* name, int maxLength) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMaxLength(maxLength);
    return edit;
}

// A number field selects its whole content when clicked into, so that typing replaces it.
class TSelectAll : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusIn || event->type() == QEvent::MouseButtonRelease) {
            if (auto* edit = qobject_cast<QLineEdit*>(watched))
                QMetaObject::invokeMethod(edit, "selectAll", Qt::QueuedConnection);
        }
        return false;
    }
};

TfrmKartaZasoby* g_card = nullptr;

// Colours of a profit: none on the normal face, a gain on green, a loss on maroon.
void ColourProfit(TCurrencyEdit* field, long double value) {
    QPalette palette = field->parentWidget() ? field->parentWidget()->palette() : field->palette();
    if (value == 0) {
        palette.setColor(QPalette::Base, palette.color(QPalette::Button));
        palette.setColor(QPalette::Text, QColor(0, 0, 128));
    } else {
        palette.setColor(QPalette::Base, value > 0 ? QColor(0, 128, 0) : QColor(128, 0, 0));
        palette.setColor(QPalette::Text, Qt::white);
    }
    field->setPalette(palette);
}

}  // namespace

QString VatRateText(long double rate) { return FloatToStr(rate); }

QStringList VatRateChoices() {
    QStringList choices = {VatRateText(0), VatRateText(VatBasicRate), VatRateText(VatReducedRate)};
    if (VatFurtherReducedRate != 0) choices << VatRateText(VatFurtherReducedRate);
    return choices;
}

TfrmKartaZasoby* TfrmKartaZasoby::Instance() {
    if (!g_card) new TfrmKartaZasoby(ApplicationMainWindow());
    return g_card;
}

TfrmKartaZasoby::TfrmKartaZasoby(QWidget* parent) : TPriceListDialog(parent) {
    g_card = this;
    setObjectName("frmKartaZasoby");
    setWindowTitle(QString::fromUtf8(kCaption));
    auto* selectAll = new TSelectAll(this);

    // --- texts
    edtPopis = TextEdit(this, "edtPopis", 50);
    edtKatalog = TextEdit(this, "edtKatalog", 20);
    edtBarCode = TextEdit(this, "edtBarCode", 20);
    edtPLU = TextEdit(this, "edtPLU", 6);
    edtZkratka = TextEdit(this, "edtZkratka", 20);
    edtTextMJ = TextEdit(this, "edtTextMJ", 10);
    memPoznamka = new QPlainTextEdit(this);
    memPoznamka->setObjectName("memPoznamka");
    memPoznamka->setTabChangesFocus(true);
    memPoznamka->setMaximumHeight(64);
    edtIdentif = TextEdit(this, "edtIdentif", kIdentifierListMaxLength);
    edtIdentif->setReadOnly(true);
    btnIdentif = AddButton(this, nullptr, "btnIdentif", "...", QKeySequence(Qt::Key_F3));
    cbxDostupnost = Choice(this, "cbxDostupnost", AvailabilityTexts());

    auto* texts = new QGridLayout;
    texts->addWidget(new QLabel(QString::fromUtf8("Popis položky"), this), 0, 0);
    texts->addWidget(edtPopis, 0, 1, 1, 3);
    texts->addWidget(new QLabel("Katalog", this), 1, 0);
    texts->addWidget(edtKatalog, 1, 1);
    texts->addWidget(new QLabel(QString::fromUtf8("Čárový kód"), this), 1, 2);
    texts->addWidget(edtBarCode, 1, 3);
    texts->addWidget(new QLabel("PLU", this), 2, 0);
    texts->addWidget(edtPLU, 2, 1);
    texts->addWidget(new QLabel(QString::fromUtf8("Zkratka (alternativní Katalog)"), this), 2, 2);
    texts->addWidget(edtZkratka, 2, 3);
    texts->addWidget(new QLabel(QString::fromUtf8("Měrná jednotka"), this), 3, 0);
    texts->addWidget(edtTextMJ, 3, 1);
    texts->addWidget(new QLabel("Dostupnost", this), 3, 2);
    texts->addWidget(cbxDostupnost, 3, 3);
    texts->addWidget(new QLabel(QString::fromUtf8("Identifikátory"), this), 4, 0);
    auto* identif = new QHBoxLayout;
    identif->addWidget(edtIdentif, 1);
    identif->addWidget(btnIdentif);
    texts->addLayout(identif, 4, 1, 1, 3);
    texts->addWidget(new QLabel(QString::fromUtf8("Poznámka"), this), 5, 0);
    texts->addWidget(memPoznamka, 5, 1, 1, 3);

    // --- the price page
    pcKarta = new QStackedWidget(this);
    pcKarta->setObjectName("pcKarta");
    tsCena = new QWidget(pcKarta);
    tsCena->setObjectName("tsCena");
    tsObrazek = new QWidget(pcKarta);
    tsObrazek->setObjectName("tsObrazek");
    pcKarta->addWidget(tsCena);
    pcKarta->addWidget(tsObrazek);

    QWidget* p = tsCena;
    lblNakCena = Label(p, "lblNakCena", QString::fromUtf8("Nákupní cena bez DPH"));
    curNakCena = Number(p, "curNakCena", kItemPriceDecimals, kPriceFormat);
    lblNakCenaMena = Label(p, "lblNakCenaMena", QString());
    cbxTypCeny = Choice(p, "cbxTypCeny", {KindText(false), KindText(true)});
    curProdCena = Number(p, "curProdCena", kItemPriceDecimals, kPriceFormat);
    lblProdCenaMena = Label(p, "lblProdCenaMena", QString());
    cbxTypCenyDruha = Choice(p, "cbxTypCenyDruha", {KindText(false), KindText(true)});
    cbxTypCenyDruha->setEnabled(false);
    curPrCenaDruha = Number(p, "curPrCenaDruha", kItemPriceDecimals, kPriceFormat);
    curPrCenaDruha->setReadOnly(true);
    lblPrCenaDruhaMena = Label(p, "lblPrCenaDruhaMena", QString());
    cbxSazbaDPH = Choice(p, "cbxSazbaDPH", {});
    cbxZaokrouhleni = Choice(p, "cbxZaokrouhleni", ZaokTexts());
    chckPrepocitatCenu = new QCheckBox(QString::fromUtf8("cenu automaticky přepočítat podle"), p);
    chckPrepocitatCenu->setObjectName("chckPrepocitatCenu");
    cbxTypHodnoty =
        Choice(p, "cbxTypHodnoty", {QString::fromUtf8("pevné marže"), QString::fromUtf8("pevného rabatu")});
    lblPevnaMarze = Label(p, "lblPevnaMarze", QString::fromUtf8("Pevná marže"));
    curMarze = Number(p, "curMarze", kItemPercentDecimals, kPercentFormat);
    lblPevnaMarzeProc = Label(p, "lblPevnaMarzeProc", "%");
    lblSkutMarze = Label(p, "lblSkutMarze", QString::fromUtf8("Skutečnost"));
    curMarzeSkut = Number(p, "curMarzeSkut", kItemPercentDecimals, kPercentFormat);
    curMarzeSkut->setReadOnly(true);
    lblSkutMarzeProc = Label(p, "lblSkutMarzeProc", "%");
    lblPevnyRabat = Label(p, "lblPevnyRabat", QString::fromUtf8("Pevný rabat"));
    curRabat = Number(p, "curRabat", kItemPercentDecimals, kPercentFormat);
    lblPevnyRabatProc = Label(p, "lblPevnyRabatProc", "%");
    lblSkutRabat = Label(p, "lblSkutRabat", QString::fromUtf8("Skutečnost"));
    curRabatSkut = Number(p, "curRabatSkut", kItemPercentDecimals, kPercentFormat);
    curRabatSkut->setReadOnly(true);
    lblSkutRabatProc = Label(p, "lblSkutRabatProc", "%");
    edtCenSkup = TextEdit(p, "edtCenSkup", 10);
    edtCenSkup->setReadOnly(true);
    btnCenSkupVyber = AddButton(p, nullptr, "btnCenSkupVyber", "...");
    btnCenSkupZrus = AddButton(p, nullptr, "btnCenSkupZrus", "x");
    btnPrepocitat = AddButton(p, nullptr, "btnPrepocitat", QString::fromUtf8("Znovu přepočítat"));
    for (QLineEdit* edit : {static_cast<QLineEdit*>(curNakCena), static_cast<QLineEdit*>(curProdCena),
                            static_cast<QLineEdit*>(curMarze), static_cast<QLineEdit*>(curRabat)})
        edit->installEventFilter(selectAll);

    auto* prices = new QGridLayout;
    int row = 0;
    prices->addWidget(lblNakCena, row, 0);
    prices->addWidget(curNakCena, row, 1);
    prices->addWidget(lblNakCenaMena, row++, 2);
    prices->addWidget(new QLabel("Typ ceny", p), row, 0);
    prices->addWidget(cbxTypCeny, row++, 1);
    prices->addWidget(new QLabel(QString::fromUtf8("Základní prodejní cena"), p), row, 0);
    prices->addWidget(curProdCena, row, 1);
    prices->addWidget(lblProdCenaMena, row++, 2);
    prices->addWidget(cbxTypCenyDruha, row, 0);
    prices->addWidget(curPrCenaDruha, row, 1);
    prices->addWidget(lblPrCenaDruhaMena, row++, 2);
    prices->addWidget(new QLabel("DPH pro prodej", p), row, 0);
    prices->addWidget(cbxSazbaDPH, row++, 1);
    prices->addWidget(new QLabel(QString::fromUtf8("Zaokrouhlení při výpočtu"), p), row, 0);
    prices->addWidget(cbxZaokrouhleni, row++, 1);
    prices->addWidget(chckPrepocitatCenu, row, 0);
    prices->addWidget(cbxTypHodnoty, row++, 1);
    prices->addWidget(lblPevnaMarze, row, 0);
    prices->addWidget(curMarze, row, 1);
    prices->addWidget(lblPevnaMarzeProc, row, 2);
    prices->addWidget(lblSkutMarze, row, 3);
    prices->addWidget(curMarzeSkut, row, 4);
    prices->addWidget(lblSkutMarzeProc, row++, 5);
    prices->addWidget(lblPevnyRabat, row, 0);
    prices->addWidget(curRabat, row, 1);
    prices->addWidget(lblPevnyRabatProc, row, 2);
    prices->addWidget(lblSkutRabat, row, 3);
    prices->addWidget(curRabatSkut, row, 4);
    prices->addWidget(lblSkutRabatProc, row++, 5);
    prices->addWidget(new QLabel(QString::fromUtf8("Cenová skupina"), p), row, 0);
    auto* group = new QHBoxLayout;
    group->addWidget(edtCenSkup, 1);
    group->addWidget(btnCenSkupVyber);
    group->addWidget(btnCenSkupZrus);
    prices->addLayout(group, row, 1);
    prices->addWidget(btnPrepocitat, row++, 3, 1, 3);

    panHladiny = new QGroupBox(QString::fromUtf8(kLevelsTitle), p);
    panHladiny->setObjectName("panHladiny");
    TField* levelNet = Calc.mtSezCenHlad.FieldByName("PrCenaBDPH");
    TField* levelGross = Calc.mtSezCenHlad.FieldByName("PrCenaSDPH");
    levelNet->SetDisplayFormat(QString::fromLatin1(kLevelPriceFormat));
    levelGross->SetDisplayFormat(QString::fromLatin1(kLevelPriceFormat));
    grSezCenHlad = MakeListGrid(
        panHladiny, "grSezCenHlad", &dsSezCenHlad,
        {{"Zkratka", "Hladina *"}, {"PrCenaBDPH", "Cena bez DPH"}, {"PrCenaSDPH", "Cena s DPH"}});
    grSezCenHlad->SetDefaultDrawing(false);
    grSezCenHlad->OnDrawColumnCell = [this](QObject*, QPainter& canvas, const TRect& rect, int dataColumn,
                                            TColumn* column, TGridDrawState state) {
        // Fixed levels are the item's own prices: they stand out from the computed ones.
        TMemTable& rows = Calc.mtSezCenHlad;
        if (!rows.IsEmpty() && !rows.FieldByName("Prepocitat")->AsBoolean()) {
            if (state & gdSelected) {
                canvas.setBrush(QColor(0, 0, 128));
                canvas.setPen(Qt::white);
            } else {
                canvas.setPen(QColor(0, 0, 255));
            }
        }
        grSezCenHlad->DrawCellDefault(canvas, rect, dataColumn, column, state);
    };
    grSezCenHlad->OnCellDblClick = [this](TColumn*) { grSezCenHladDblClick(); };
    grSezCenHlad->setMinimumHeight(110);
    auto* levels = new QVBoxLayout(panHladiny);
    levels->addWidget(grSezCenHlad, 1);
    levels->addWidget(Label(panHladiny, "lblHladinyPozn", QString::fromUtf8(kLevelsNote)));
    lblBezHladin = Label(p, "lblBezHladin", QString::fromUtf8(kNoLevels));

    // --- the profit calculator
    panZisk = new QWidget(p);
    panZisk->setObjectName("panZisk");
    curZiskPocetMj = Number(panZisk, "curZiskPocetMj", 4, ",0.####");
    curZiskPocetMj->installEventFilter(selectAll);
    curZiskProdCena = Number(panZisk, "curZiskProdCena", 2, kPercentFormat);
    curZiskProdCena->setReadOnly(true);
    curZiskProdCena->installEventFilter(selectAll);
    lblZiskProdCenaMena = Label(panZisk, "lblZiskProdCenaMena", QString());
    lblZiskResp = Label(panZisk, "lblZiskResp", QString::fromUtf8("z prod. ceny, resp."));
    curZiskHladina = Number(panZisk, "curZiskHladina", 2, kPercentFormat);
    curZiskHladina->setReadOnly(true);
    curZiskHladina->installEventFilter(selectAll);
    lblZiskHladinaMena = Label(panZisk, "lblZiskHladinaMena", QString());
    lblZiskHladina = Label(panZisk, "lblZiskHladina", QString());
    auto* profit = new QHBoxLayout(panZisk);
    profit->setContentsMargins(0, 0, 0, 0);
    profit->addWidget(new QLabel(QString::fromUtf8("Při počtu"), panZisk));
    profit->addWidget(curZiskPocetMj);
    profit->addWidget(new QLabel(QString::fromUtf8("bude zisk činit"), panZisk));
    profit->addWidget(curZiskProdCena);
    profit->addWidget(lblZiskProdCenaMena);
    profit->addWidget(lblZiskResp);
    profit->addWidget(curZiskHladina);
    profit->addWidget(lblZiskHladinaMena);
    profit->addWidget(lblZiskHladina);
    profit->addStretch();

    auto* pricePage = new QVBoxLayout(tsCena);
    pricePage->addLayout(prices);
    pricePage->addWidget(panHladiny, 1);
    pricePage->addWidget(lblBezHladin);
    pricePage->addWidget(panZisk);

    // --- the picture page
    QWidget* q = tsObrazek;
    edtObrazek = TextEdit(q, "edtObrazek", kPictureNameMaxLength);
    edtObrazek->setReadOnly(true);
    btnObrazekVyber =
        AddButton(q, nullptr, "btnObrazekVyber", "...", {}, QString::fromUtf8("Výběr souboru s obrázkem"));
    btnObrazekZobraz = AddButton(q, nullptr, "btnObrazekZobraz", "#", {},
                                 QString::fromUtf8("Zobrazení obrázku v externím programu"));
    btnObrazekZrus =
        AddButton(q, nullptr, "btnObrazekZrus", "x", {}, QString::fromUtf8("Zrušení odkazu na obrázek"));
    sbObrazek = new QScrollArea(q);
    sbObrazek->setObjectName("sbObrazek");
    imgObrazek = Label(sbObrazek, "imgObrazek", QString());
    sbObrazek->setWidget(imgObrazek);
    lblObrazekChybi = Label(q, "lblObrazekChybi", QString::fromUtf8(kPictureMissing));
    lblObrazekChybi->setStyleSheet("color: red");
    lblUloziste = Label(q, "lblUloziste", QString::fromUtf8("Úložiště obrázků..."));
    lblUloziste->setToolTip(QString::fromUtf8("Vypíše úložiště obrázků"));
    lblUloziste->setCursor(Qt::PointingHandCursor);
    lblUloziste->installEventFilter(this);
    auto* pictureName = new QHBoxLayout;
    pictureName->addWidget(new QLabel(QString::fromUtf8("Název"), q));
    pictureName->addWidget(edtObrazek, 1);
    pictureName->addWidget(btnObrazekVyber);
    pictureName->addWidget(btnObrazekZobraz);
    pictureName->addWidget(btnObrazekZrus);
    auto* picturePage = new QVBoxLayout(tsObrazek);
    picturePage->addLayout(pictureName);
    picturePage->addWidget(sbObrazek, 1);
    picturePage->addWidget(lblObrazekChybi);
    picturePage->addWidget(lblUloziste);
    ChoosePictureFile = [](QWidget* owner) {
        const QString filter = QString::fromUtf8(kPictureFilter);
        // The filter lists "text|patterns" pairs with patterns apart by ";"; the dialog wants
        // "text (patterns)" entries with the patterns apart by blanks.
        const QStringList parts = filter.split('|');
        QStringList filters;
        for (int i = 0; i + 1 < parts.size(); i += 2) {
            const QString name = parts[i].section('(', 0, 0).trimmed();
            filters << name + " (" + QString(parts[i + 1]).replace(';', ' ') + ")";
        }
        return QFileDialog::getOpenFileName(owner, {}, {}, filters.join(";;"));
    };

    // --- buttons
    auto* buttons = new QHBoxLayout;
    btnObrazek =
        AddButton(this, buttons, "btnObrazek", QString::fromUtf8(kPictureButton), QKeySequence(Qt::Key_F2));
    buttons->addStretch();
    btnOK = AddButton(this, buttons, "btnOK", "OK");
    btnZavrit = AddButton(this, buttons, "btnZavrit", QString::fromUtf8("Zavřít"));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(texts);
    layout->addWidget(pcKarta, 1);
    layout->addLayout(buttons);
    resize(720, 720);

    // --- what the user's changes do; the program's own changes to the controls do nothing
    const auto onEdit = [this](QLineEdit* field, void (TfrmKartaZasoby::*edited)(QWidget*)) {
        connect(field, &QLineEdit::textEdited, this, [this, field, edited] { (this->*edited)(field); });
    };
    const auto onChoice = [this](QComboBox* box, void (TfrmKartaZasoby::*edited)(QWidget*)) {
        connect(box, &QComboBox::activated, this, [this, edited] { (this->*edited)(nullptr); });
    };
    onEdit(curNakCena, &TfrmKartaZasoby::PriceRuleEdited);
    onEdit(curMarze, &TfrmKartaZasoby::PriceRuleEdited);
    onEdit(curRabat, &TfrmKartaZasoby::PriceRuleEdited);
    onChoice(cbxTypHodnoty, &TfrmKartaZasoby::PriceRuleEdited);
    connect(chckPrepocitatCenu, &QCheckBox::clicked, this, [this] { PriceRuleEdited(nullptr); });
    onEdit(curProdCena, &TfrmKartaZasoby::SalePriceEdited);
    onChoice(cbxTypCeny, &TfrmKartaZasoby::SalePriceEdited);
    onChoice(cbxZaokrouhleni, &TfrmKartaZasoby::SalePriceEdited);
    onChoice(cbxSazbaDPH, &TfrmKartaZasoby::SalePriceEdited);
    connect(curZiskPocetMj, &QLineEdit::textEdited, this, [this] { UpdateItemProfit(); });
    dsSezCenHlad.OnDataChange = [this](TDataSource*, TField* field) {
        if (field == nullptr) UpdateItemProfit();
    };
    Calc.OnPricesChanged = [this] { UpdateItemProfit(); };

    connect(btnOK, &QPushButton::clicked, this, &TfrmKartaZasoby::btnOKClick);
    connect(btnZavrit, &QPushButton::clicked, this, &TfrmKartaZasoby::reject);
    connect(btnCenSkupVyber, &QPushButton::clicked, this, &TfrmKartaZasoby::btnCenSkupVyberClick);
    connect(btnCenSkupZrus, &QPushButton::clicked, this, &TfrmKartaZasoby::btnCenSkupZrusClick);
    connect(btnPrepocitat, &QPushButton::clicked, this, &TfrmKartaZasoby::btnPrepocitatClick);
    connect(btnIdentif, &QPushButton::clicked, this, &TfrmKartaZasoby::btnIdentifClick);
    connect(btnObrazek, &QPushButton::clicked, this, &TfrmKartaZasoby::btnObrazekClick);
    connect(btnObrazekVyber, &QPushButton::clicked, this, &TfrmKartaZasoby::btnObrazekVyberClick);
    connect(btnObrazekZobraz, &QPushButton::clicked, this, &TfrmKartaZasoby::btnObrazekZobrazClick);
    connect(btnObrazekZrus, &QPushButton::clicked, this, &TfrmKartaZasoby::btnObrazekZrusClick);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [] { ShowHelpTopic(kHelpPage); });
    AddPurchasePriceAction(this, [this] { UpdateItemProfit(); });

    ResetCard();
}

TfrmKartaZasoby::~TfrmKartaZasoby() {
    // The grid reads the card's level rows while it goes, so it goes first.
    delete grSezCenHlad;
    grSezCenHlad = nullptr;
    if (g_card == this) g_card = nullptr;
}

void TfrmKartaZasoby::ResetCard() {
    for (QLineEdit* edit :
         {edtPopis, edtKatalog, edtBarCode, edtPLU, edtZkratka, edtTextMJ, edtIdentif, edtObrazek})
        edit->clear();
    memPoznamka->clear();
    cbxDostupnost->setCurrentIndex(0);
    Calc.Reset();
    cbxSazbaDPH->clear();
    cbxSazbaDPH->addItems(VatRateChoices());
    cbxSazbaDPH->setCurrentIndex(0);
    curZiskPocetMj->SetValue(1);
    pcKarta->setCurrentWidget(tsCena);
    btnObrazek->setText(QString::fromUtf8(kPictureButton));
    RepID = NewGuidString();
    SetReadOnly(false);
    ShowPrices();
}

bool TfrmKartaZasoby::SelectVatRate(long double rate) {
    for (int i = 0; i < cbxSazbaDPH->count(); ++i) {
        if (NumberOfText(cbxSazbaDPH->itemText(i), 4).value_or(-1) == FieldValue(rate, 4)) {
            cbxSazbaDPH->setCurrentIndex(i);
            Calc.SazbaDPH = rate;
            return true;
        }
    }
    // A rate the firm no longer uses stays on the item until the user chooses another.
    cbxSazbaDPH->addItem(VatRateText(rate));
    cbxSazbaDPH->setCurrentIndex(cbxSazbaDPH->count() - 1);
    Calc.SazbaDPH = rate;
    return false;
}

void TfrmKartaZasoby::SelectDefaultVatRate() {
    const QStringList choices = VatRateChoices();
    int index = static_cast<int>(DefaultVatRate);
    // A further reduced rate the firm does not have is no choice; the first one stands instead.
    if (index < 0 || index >= choices.size()) index = 0;
    cbxSazbaDPH->setCurrentIndex(index);
    Calc.SazbaDPH = NumberOfText(choices[index], 4).value_or(0);
    Calc.SDPH = DefaultPriceType == TDefaultPriceType::WithVat;
}

void TfrmKartaZasoby::SetReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    btnOK->setEnabled(!readOnly);
}

QString TfrmKartaZasoby::Dostupnost() const { return AvailabilityCode(cbxDostupnost->currentIndex()); }

void TfrmKartaZasoby::SetDostupnost(const QString& code) {
    cbxDostupnost->setCurrentIndex(AvailabilityPosition(code));
}

void TfrmKartaZasoby::ShowPrices(QWidget* except) {
    const auto show = [except](TCurrencyEdit* field, long double value) {
        // The field the user is typing into keeps his text.
        if (field != except) field->SetValue(value);
    };
    show(curNakCena, Calc.NakCena);
    show(curProdCena, Calc.ProdCena);
    show(curPrCenaDruha, Calc.PrCenaDruha);
    show(curMarze, Calc.Marze);
    show(curRabat, Calc.Rabat);
    curMarzeSkut->SetValue(Calc.MarzeSkut);
    curRabatSkut->SetValue(Calc.RabatSkut);
    cbxTypCeny->setCurrentIndex(Calc.SDPH ? 1 : 0);
    cbxTypCenyDruha->setCurrentIndex(Calc.SDPH ? 0 : 1);
    cbxZaokrouhleni->setCurrentIndex(Calc.Zaok);
    chckPrepocitatCenu->setChecked(Calc.Prepocitat);
    cbxTypHodnoty->setCurrentIndex(static_cast<int>(Calc.TypHodnoty));
    edtCenSkup->setText(Calc.CenSkupina);
    UpdateLevelPanel();
    UpdateItemProfit();
}

void TfrmKartaZasoby::UpdateLevelPanel() {
    const bool levels = !Calc.mtSezCenHlad.IsEmpty();
    panHladiny->setVisible(levels);
    lblBezHladin->setVisible(!levels);
    grSezCenHlad->viewport()->update();
}

void TfrmKartaZasoby::TakeFieldValues() {
    Calc.NakCena = curNakCena->Value();
    Calc.ProdCena = curProdCena->Value();
    Calc.Marze = curMarze->Value();
    Calc.Rabat = curRabat->Value();
    Calc.SDPH = cbxTypCeny->currentIndex() == 1;
    Calc.Zaok = qMax(0, cbxZaokrouhleni->currentIndex());
    Calc.Prepocitat = chckPrepocitatCenu->isChecked();
    Calc.TypHodnoty =
        cbxTypHodnoty->currentIndex() == 1 ? TItemValueRule::FixedRabat : TItemValueRule::FixedMargin;
    Calc.SazbaDPH = NumberOfText(cbxSazbaDPH->currentText(), 4).value_or(0);
}

void TfrmKartaZasoby::PriceRuleEdited(QWidget* source) {
    TakeFieldValues();
    Calc.RecalcItemPrices(kRecalcFromPurchase);
    ShowPrices(source);
    RecalcItemPriceLevels();
}

void TfrmKartaZasoby::SalePriceEdited(QWidget* source) {
    TakeFieldValues();
    Calc.RecalcItemPrices(kRecalcSecondVariant);
    ShowPrices(source);
    RecalcItemPriceLevels();
}

void TfrmKartaZasoby::RecalcItemPrices(int kind) {
    Calc.RecalcItemPrices(kind);
    ShowPrices();
}

void TfrmKartaZasoby::RecalcItemPriceLevels() {
    Calc.RecalcItemPriceLevels();
    UpdateLevelPanel();
    UpdateItemProfit();
}

void TfrmKartaZasoby::btnPrepocitatClick() {
    TakeFieldValues();
    if (Calc.Prepocitat) RecalcItemPrices(kRecalcFromPurchase);
    RecalcItemPrices(kRecalcSecondVariant);
    RecalcItemPriceLevels();
}

void TfrmKartaZasoby::LoadItemPriceGroup(int groupId) {
    TakeFieldValues();
    TADOQuery& groups = frmMain->adqAgendaFree1;
    groups.Close();
    groups.SetSQL("SELECT * FROM CenSkup");
    groups.Open();
    if (groupId == 0 || !groups.Locate("ID", groupId)) {
        groups.Close();
        Calc.ClearGroup();
        ShowPrices();
        return;
    }
    Calc.CenSkupina = groups.FieldByName("Zkratka")->AsString();
    Calc.CenSkupinaId = groupId;
    if (!groups.FieldByName("Vlastni")->AsBoolean()) {
        Calc.TakeGroupSettings(groups);
        groups.Close();
        RecalcItemPrices(kRecalcSecondVariant);
        RecalcItemPrices(kRecalcFromPurchase);
        if (Calc.Prepocitat) RecalcItemPriceLevels();
    }
    groups.Close();

    TADOQuery& rules = frmMain->adqAgendaFree1;
    rules.SetSQL("SELECT * FROM CenSkupPol WHERE IDCenSkup = " + QString::number(groupId) + " ORDER BY ID");
    rules.Open();
    Calc.MergeLevelRows(rules);
    rules.Close();
    RecalcItemPriceLevels();
    ShowPrices();
}

void TfrmKartaZasoby::btnCenSkupVyberClick() {
    if (ShowPriceGroupList(1, 0, false) == kResultOk) {
        TADOQuery& groups = frmMain->adqCenSkup;
        const int id = groups.Active() && !groups.IsEmpty() ? groups.FieldByName("ID")->AsInteger() : 0;
        if (id != 0) LoadItemPriceGroup(id);
    }
    frmMain->adqCenSkup.Close();
}

void TfrmKartaZasoby::btnCenSkupZrusClick() { LoadItemPriceGroup(0); }

void TfrmKartaZasoby::grSezCenHladDblClick() {
    if (Calc.mtSezCenHlad.IsEmpty()) return;
    TakeFieldValues();
    EditLevelPrice(Calc.mtSezCenHlad, Calc.SazbaDPH, this);
    UpdateItemProfit();
}

void TfrmKartaZasoby::btnIdentifClick() {
    QString edited;
    if (EditIdentifierList(edtIdentif->text(), edited, true) == kResultOk) edtIdentif->setText(edited);
}

void TfrmKartaZasoby::UpdateItemProfit() {
    const long double n = curZiskPocetMj->Value();
    const long double atBase = Calc.ProfitAtBase(n);
    curZiskProdCena->SetValue(atBase);
    ColourProfit(curZiskProdCena, curZiskProdCena->Value());
    lblZiskProdCenaMena->setText(CurrencySymbol);
    TMemTable& rows = Calc.mtSezCenHlad;
    const bool levels = rows.Active() && !rows.IsEmpty();
    for (QWidget* w : {static_cast<QWidget*>(lblZiskResp), static_cast<QWidget*>(curZiskHladina),
                       static_cast<QWidget*>(lblZiskHladinaMena), static_cast<QWidget*>(lblZiskHladina)})
        w->setVisible(levels);
    if (!levels) return;
    curZiskHladina->SetValue(Calc.ProfitAtLevel(n, rows.FieldByName("PrCenaBDPH")->AsFloat()));
    ColourProfit(curZiskHladina, curZiskHladina->Value());
    lblZiskHladinaMena->setText(CurrencySymbol + " z");
    lblZiskHladina->setText(rows.FieldByName("Zkratka")->AsString());
}

void TfrmKartaZasoby::btnOKClick() {
    if (!btnOK->isEnabled()) return;
    if (edtPopis->text().trimmed().isEmpty()) {
        ShowInformation(QString::fromUtf8(kItemDescriptionMissing));
        edtPopis->setFocus();
        return;
    }
    if (!RunCardSave(this, OnSave)) return;
    done(kResultOk);
}

void TfrmKartaZasoby::keyPressEvent(QKeyEvent* event) {
    // Enter confirms the card from anywhere but the note, where it breaks the line.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !memPoznamka->hasFocus()) {
        btnOKClick();
        return;
    }
    TPriceListDialog::keyPressEvent(event);
}

void TfrmKartaZasoby::showEvent(QShowEvent* event) {
    TPriceListDialog::showEvent(event);
    for (QLabel* label : {lblNakCenaMena, lblProdCenaMena, lblPrCenaDruhaMena})
        label->setText(CurrencySymbol);
    ApplyPurchasePriceDisplay(this, ShowPurchasePrices);
    Calc.RecalcFromFixedMargin(false);
    Calc.RecalcFromFixedRabat(false);
    ShowPrices();
    edtPopis->setFocus();
}

// --- the picture page

void TfrmKartaZasoby::btnObrazekClick() {
    const bool toPicture = pcKarta->currentWidget() == tsCena;
    pcKarta->setCurrentWidget(toPicture ? tsObrazek : tsCena);
    btnObrazek->setText(QString::fromUtf8(toPicture ? kBackButton : kPictureButton));
    if (toPicture) ShowPicture();
}

void TfrmKartaZasoby::ShowPicture() {
    imgObrazek->clear();
    imgObrazek->adjustSize();
    lblObrazekChybi->setVisible(false);
    btnObrazekZrus->setEnabled(false);
    btnObrazekZobraz->setEnabled(false);
    const QString name = edtObrazek->text();
    if (name.isEmpty()) return;
    const QString path = PictureStoreFolder() + name;
    if (QFileInfo::exists(path)) {
        // A file that is no picture leaves the page empty; the link itself is still good.
        const QImage image(path);
        if (!image.isNull()) {
            imgObrazek->setPixmap(QPixmap::fromImage(image));
            imgObrazek->adjustSize();
        }
        btnObrazekZrus->setEnabled(true);
        btnObrazekZobraz->setEnabled(true);
    } else {
        lblObrazekChybi->setVisible(true);
        btnObrazekZrus->setEnabled(true);
    }
}

void TfrmKartaZasoby::btnObrazekVyberClick() {
    const QString chosen = ChoosePictureFile ? ChoosePictureFile(this) : QString();
    if (chosen.isEmpty()) return;
    const QString name = StorePicture(chosen, PictureStoreFolder());
    if (name.isEmpty()) return;
    edtObrazek->setText(name);
    ShowPicture();
}

void TfrmKartaZasoby::btnObrazekZobrazClick() {
    const QString path = PictureStoreFolder() + edtObrazek->text();
    if (!edtObrazek->text().isEmpty() && QFileInfo::exists(path)) ShellOpen(path);
}

void TfrmKartaZasoby::btnObrazekZrusClick() {
    if (!AskQuestion(QString::fromUtf8(kPictureUnlink))) return;
    edtObrazek->clear();
    imgObrazek->clear();
    btnObrazekZrus->setEnabled(false);
    btnObrazekZobraz->setEnabled(false);
    lblObrazekChybi->setVisible(false);
}

void TfrmKartaZasoby::lblUlozisteClick() {
    ShowInformation(QString::fromUtf8(kPictureStoreInfo) + PictureStoreFolder());
}

bool TfrmKartaZasoby::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lblUloziste) {
        QFont font = lblUloziste->font();
        if (event->type() == QEvent::Enter || event->type() == QEvent::Leave) {
            font.setUnderline(event->type() == QEvent::Enter);
            lblUloziste->setFont(font);
        } else if (event->type() == QEvent::MouseButtonRelease) {
            lblUlozisteClick();
            return true;
        }
    }
    return TPriceListDialog::eventFilter(watched, event);
}

// --- opening and saving

namespace {

// The price group of the item row in the group list (standing on it when found); 0 when the item
// has none or its group is gone.
int FindItemGroup(TDataSet& groups, const QString& code) {
    if (code.isEmpty() || !groups.Active()) return 0;
    if (!groups.Locate("Zkratka", code, loCaseInsensitive)) return 0;
    return groups.FieldByName("ID")->AsInteger();
}

// The sheet's group that a new item goes into: the one selected in the price-list window when its
// group panel is shown, else the sheet's basic group.
int NewItemGroup() {
    const bool panel = PriceListWindowLinks.GroupPanelShown && PriceListWindowLinks.GroupPanelShown();
    TADOQuery& groups = frmMain->adqSkupiny;
    if (panel && groups.Active() && !groups.IsEmpty()) return groups.FieldByName("ID")->AsInteger();
    return GetBasicGroupId(CurrentSheetId);
}

void UpdateListButtons() {
    if (PriceListWindowLinks.UpdatePriceListButtons) PriceListWindowLinks.UpdatePriceListButtons();
}

// The silent recalculation of one item: a run of its own.
int RecalculateItem(TDataSet& item) {
    // Loading the missing rules goes through the scratch query, which must not hold the caller's rows.
    if (!PriceRuleData().mtCenSkupPol->Active() && &item == &frmMain->adqAgendaFree1)
        throw std::logic_error("the silent item recalculation needs the price group rules loaded");
    // Kept from call to call like the card itself: a caller that recalculates item after item this
    // way pays for the price model and the statement once.
    static TItemRecalcRun run;
    run.Restart();
    return run.Recalculate(item.FieldByName("ID")->AsInteger(), ReadItemPriceRow(item));
}

// Saves the open card: a new row for a new item or a copy, else the edited row.
int SaveCard(TfrmKartaZasoby& card, TItemCardMode mode, TDataSet& items, int id, int& savedId) {
    TWorkingShown working(QString::fromUtf8(kSaving));
    TParamValues params = card.Calc.PriceParams();
    const QString texts[] = {card.edtPopis->text(),   card.edtKatalog->text(),
                             card.edtBarCode->text(), card.memPoznamka->toPlainText().replace("\n", "\r\n"),
                             card.edtTextMJ->text(),  card.edtPLU->text(),
                             card.edtZkratka->text(), card.edtIdentif->text(),
                             card.Dostupnost(),       card.edtObrazek->text()};
    for (size_t i = 0; i < std::size(kTextColumns); ++i) params.push_back({kTextColumns[i], texts[i]});
    params.push_back({"RepID", card.RepID});

    QStringList names;
    for (const auto& [name, value] : params) names << name;
    int rows = 0;
    const bool insert = mode != TItemCardMode::Edit;
    if (insert) {
        params.push_back({"Sklad", CurrentSheetId});
        params.push_back({"Skupina", NewItemGroup()});
        names = QStringList{"Sklad", "Skupina"} + names;
        rows = ExecAgenda("INSERT INTO Zasoby (" + names.join(", ") + ") VALUES (:" + names.join(", :") + ")",
                          params);
    } else {
        QStringList sets;
        for (const QString& name : names) sets << name + " = :" + name;
        params.push_back({"ID", id});
        rows = ExecAgenda("UPDATE Zasoby SET " + sets.join(", ") + " WHERE ID = :ID", params);
    }
    if (rows == 0) {
        working.Hide();
        ShowError(QString::fromUtf8(kItemSaveFailed));
        return -1;
    }
    auto* list = dynamic_cast<TADOQuery*>(&items);
    if (insert) {
        savedId = LastInsertedId();
        if (list) list->Requery();
        if (!items.Locate("ID", savedId)) {
            working.Hide();
            ShowError(QString::fromUtf8(kItemNewNotFound));
            return -1;
        }
    } else {
        savedId = id;
        if (list) RequeryAndLocate(*list);
    }
    return 0;
}

}  // namespace

int EditPriceListItem(bool add, bool silent, TDataSet& items, bool copy) {
    const TItemCardMode mode = silent ? TItemCardMode::Silent
                               : add  ? TItemCardMode::New
                               : copy ? TItemCardMode::Copy
                                      : TItemCardMode::Edit;
    const TAccessLevel level = CenikLevel();
    const bool inserts = mode == TItemCardMode::New || mode == TItemCardMode::Copy;
    if (level >= (inserts ? TAccessLevel::ReadOnly : TAccessLevel::NoAccess)) {
        TUser::ShowNoRightsMessage();
        return -1;
    }
    if (mode == TItemCardMode::Silent) return RecalculateItem(items);

    bool readOnly = false;
    if (mode == TItemCardMode::Edit && level == TAccessLevel::ReadOnly) {
        TUser::ShowReadOnlyMessage();
        readOnly = true;
    }
    TfrmKartaZasoby& card = *TfrmKartaZasoby::Instance();
    card.ResetCard();
    TWorkingShown working(QString::fromUtf8(kLoading));
    if (PriceListWindowLinks.ClearItemMarks) PriceListWindowLinks.ClearItemMarks();

    auto* list = dynamic_cast<TADOQuery*>(&items);
    if (mode != TItemCardMode::New && list && ChangeStampDiffers("ZASOBY") && RequeryAndLocate(*list) != 0) {
        ShowWarning(QString::fromUtf8(kRecordVanishedText));
        UpdateListButtons();
        return -1;
    }

    // The list shows every row while the card is open; its filter comes back on every way out, and
    // the list stands on the saved row, or the row it stood on.
    const int id = items.Active() && !items.IsEmpty() ? items.FieldByName("ID")->AsInteger() : 0;
    const bool filtered = items.Filtered();
    items.SetFiltered(false);
    if (id != 0) items.Locate("ID", id);
    int standOn = id;
    TRecordLock lock;
    struct TRestore {
        TDataSet& items;
        bool filtered;
        int& standOn;
        TRecordLock& lock;
        TWorkingShown& working;
        ~TRestore() {
            lock.Release();
            items.SetFiltered(filtered);
            if (standOn != 0) items.Locate("ID", standOn);
            UpdateListButtons();
            working.Hide();
        }
    } restore{items, filtered, standOn, lock, working};

    if (mode == TItemCardMode::Edit && !readOnly) {
        switch (lock.Take(RecordLockPath("Zasoby", id))) {
            case TRecordLock::Taken:
                break;
            case TRecordLock::InUse:
                ShowInformation(QString::fromUtf8(kRecordInUseText));
                readOnly = true;
                break;
            case TRecordLock::Failed:
                return -1;
        }
    }

    if (mode == TItemCardMode::New) {
        card.SelectDefaultVatRate();
    } else {
        card.edtPopis->setText(items.FieldByName("Popis")->AsString());
        card.edtKatalog->setText(items.FieldByName("Katalog")->AsString());
        card.edtBarCode->setText(items.FieldByName("BarCode")->AsString());
        card.edtPLU->setText(items.FieldByName("PLU")->AsString());
        card.edtZkratka->setText(items.FieldByName("Zkratka")->AsString());
        card.edtTextMJ->setText(items.FieldByName("TextMJ")->AsString());
        card.memPoznamka->setPlainText(items.FieldByName("Poznamka")->AsString().replace("\r\n", "\n"));
        card.edtIdentif->setText(items.FieldByName("Identif")->AsString());
        card.edtObrazek->setText(items.FieldByName("Obrazek")->AsString());
        card.SetDostupnost(items.FieldByName("Dostupnost")->AsString());
        if (mode == TItemCardMode::Edit) card.RepID = items.FieldByName("RepID")->AsString();

        card.Calc.LoadPrices(items);
        if (!card.SelectVatRate(card.Calc.SazbaDPH)) ShowWarning(QString::fromUtf8(kItemVatRateChanged));

        TADOQuery& groups = frmMain->adqCenSkup;
        groups.Close();
        groups.SetSQL("SELECT * FROM CenSkup");
        groups.Open();
        const int groupId = FindItemGroup(groups, items.FieldByName("CenSkupina")->AsString());
        if (groupId != 0) {
            card.Calc.CenSkupina = groups.FieldByName("Zkratka")->AsString();
            card.Calc.CenSkupinaId = groupId;
            LoadPriceGroupRules(groupId);
            card.Calc.BuildLevelRows(*PriceRuleData().mtCenSkupPol, items);
        }
        groups.Close();
        PriceRuleData().mtCenSkupPol->Close();
        if (card.Calc.Chyba) {
            card.Calc.RecalcItemPrices(kRecalcFromPurchase);
            card.Calc.RecalcItemPrices(kRecalcSecondVariant);
            card.Calc.RecalcItemPriceLevels();
        }
    }

    working.Hide();
    card.SetReadOnly(readOnly);
    card.ShowPrices();
    // The item is written from the card's OK: a database error the save cannot wait out keeps the
    // card open with what the user typed.
    int result = 0;
    card.OnSave = [&] {
        card.TakeFieldValues();
        return SaveKeepingCardOpen([&] {
            int savedId = 0;
            result = SaveCard(card, mode, items, id, savedId);
            if (result == 0) standOn = savedId;
        });
    };
    const bool saved = card.exec() == kResultOk && !readOnly;
    card.OnSave = nullptr;
    return saved ? result : 0;
}

// --- the silent recalculation of a run

namespace {

// The columns the recalculation saves, in the order of its UPDATE.
enum TSavedColumn : int {
    scNakCena,
    scPrCenaSDPH,
    scPrCenaBDPH,
    scSDPH,
    scSazbaDPH,
    scNakladova,
    scZaok,
    scMarze,
    scRabat,
    scCenSkupina,
    scPrepocitat,
    scChyba,
    scTypHodnoty,
    scFirstSlot,
    // then PrCenaSDPH<n>, PrCenaBDPH<n>, SDPH<n>, CenHlad<n> for the slots 1..3
    scSlotColumns = 4,
    scCount = scFirstSlot + 3 * scSlotColumns
};
const char* const kSavedColumns[] = {"NakCena",    "PrCenaSDPH",  "PrCenaBDPH",  "SDPH",        "SazbaDPH",
                                     "Nakladova",  "Zaok",        "Marze",       "Rabat",       "CenSkupina",
                                     "Prepocitat", "Chyba",       "TypHodnoty",  "PrCenaSDPH1", "PrCenaBDPH1",
                                     "SDPH1",      "CenHlad1",    "PrCenaSDPH2", "PrCenaBDPH2", "SDPH2",
                                     "CenHlad2",   "PrCenaSDPH3", "PrCenaBDPH3", "SDPH3",       "CenHlad3"};
static_assert(std::size(kSavedColumns) == scCount);

// The one UPDATE of every run: its text never changes, so it is parsed once for the program, and
// the engine keeps it prepared on the connection.
TADOCommand& SaveCommand() {
    static TADOCommand command;
    if (command.CommandText().isEmpty()) {
        QStringList sets;
        for (const char* column : kSavedColumns) sets << QString::fromLatin1(column) + " = :" + column;
        command.SetCommandText("UPDATE Zasoby SET " + sets.join(", ") + " WHERE ID = :ID");
    }
    return command;
}

}  // namespace

struct TItemRecalcRun::TState {
    TItemPriceCalc calc;
    // The groups found so far by the item's code (exactly as stored); -1 for a code of no group.
    QHash<QString, int> groupOfCode;
    std::vector<TPriceGroupRow> groups;
    // The level rules of each group found, by the group's index.
    std::vector<std::vector<TItemLevel>> rules;
    std::vector<TItemLevel> levels;
    TParameter* params[scCount] = {};
    TParameter* id = nullptr;

    int FindGroup(const QString& code);
};

int TItemRecalcRun::TState::FindGroup(const QString& code) {
    if (code.isEmpty()) return -1;
    if (const auto found = groupOfCode.constFind(code); found != groupOfCode.constEnd()) return *found;
    TADOQuery& list = frmMain->adqCenSkup;
    int index = -1;
    const int groupId = FindItemGroup(list, code);
    if (groupId != 0) {
        index = static_cast<int>(groups.size());
        groups.push_back(ReadPriceGroupRow(list));
        TMemTable& table = *PriceRuleData().mtCenSkupPol;
        FilterRulesToGroup(table, groupId);
        std::vector<TItemLevel> own;
        for (table.First(); !table.Eof(); table.Next()) own.push_back(ReadLevelRule(table));
        rules.push_back(std::move(own));
    }
    groupOfCode.insert(code, index);
    return index;
}

TItemRecalcRun::TItemRecalcRun() : d_(std::make_unique<TState>()) {
    TADOCommand& command = SaveCommand();
    for (int i = 0; i < scCount; ++i) d_->params[i] = command.Parameters.ParamByName(kSavedColumns[i]);
    d_->id = command.Parameters.ParamByName("ID");
    Restart();
}

void TItemRecalcRun::Restart() {
    SaveCommand().Connection = &frmMain->ADOConAgenda;
    d_->groupOfCode.clear();
    d_->groups.clear();
    d_->rules.clear();
}

TItemRecalcRun::~TItemRecalcRun() = default;

QString TItemRecalcRun::Columns() {
    return QStringLiteral(
        "ID, Chyba, Zaok, Prepocitat, SazbaDPH, SDPH, NakCena, Marze, Rabat, TypHodnoty, PrCenaSDPH, "
        "PrCenaBDPH, CenSkupina, CenHlad1, CenHlad2, CenHlad3, PrCenaSDPH1, PrCenaSDPH2, PrCenaSDPH3, "
        "PrCenaBDPH1, PrCenaBDPH2, PrCenaBDPH3");
}

const std::vector<QString>& TItemRecalcRun::SavedColumns() {
    static const std::vector<QString> columns(std::begin(kSavedColumns), std::end(kSavedColumns));
    return columns;
}

int TItemRecalcRun::Recalculate(int id, const TItemPriceRow& item) {
    Calculate(item, d_->params);
    d_->id->Value = id;
    if (SaveCommand().Execute() == 0) {
        ShowError(QString::fromUtf8(kItemSaveFailed));
        return -1;
    }
    return 0;
}

void TItemRecalcRun::Calculate(const TItemPriceRow& item, TParameter* const* p) {
    // A caller that has not loaded the groups and their rules would make every item lose its group
    // here; they are loaded instead.
    TADOQuery& groupList = frmMain->adqCenSkup;
    if (!groupList.Active()) {
        groupList.SetSQL("SELECT * FROM CenSkup");
        groupList.Open();
    }
    if (!PriceRuleData().mtCenSkupPol->Active()) LoadPriceGroupRules(0);

    TItemPriceCalc& calc = d_->calc;
    calc.LoadPrices(item);
    calc.CenSkupina.clear();
    calc.CenSkupinaId = 0;
    std::vector<TItemLevel>& levels = d_->levels;
    levels.clear();
    const int group = d_->FindGroup(item.CenSkupina);
    if (group >= 0) {
        const TPriceGroupRow& g = d_->groups[static_cast<size_t>(group)];
        calc.CenSkupina = g.Zkratka;
        calc.CenSkupinaId = g.ID;
        if (!g.Vlastni) calc.ImposeGroupSettings(g, item);
        levels = calc.BuildLevels(d_->rules[static_cast<size_t>(group)], item);
    }
    calc.RecalcItemPrices(kRecalcFromPurchase);
    calc.RecalcItemPrices(kRecalcSecondVariant);
    calc.RecalcItemPriceLevels(levels);

    // The values as the card saves them (PriceParams), each into its parameter.
    const bool sdph = calc.SDPH;
    p[scNakCena]->Value = static_cast<double>(calc.NakCena);
    p[scPrCenaSDPH]->Value = static_cast<double>(sdph ? calc.ProdCena : calc.PrCenaDruha);
    p[scPrCenaBDPH]->Value = static_cast<double>(sdph ? calc.PrCenaDruha : calc.ProdCena);
    p[scSDPH]->Value = sdph;
    p[scSazbaDPH]->Value = static_cast<double>(calc.SazbaDPH);
    p[scNakladova]->Value = false;
    p[scZaok]->Value = calc.Zaok;
    p[scMarze]->Value = static_cast<double>(calc.Marze);
    p[scRabat]->Value = static_cast<double>(calc.Rabat);
    p[scCenSkupina]->Value = calc.CenSkupina;
    p[scPrepocitat]->Value = calc.Prepocitat;
    p[scChyba]->Value = false;
    p[scTypHodnoty]->Value = static_cast<int>(calc.TypHodnoty);
    TFixedLevelSlot fixed[3];
    TItemPriceCalc::FixedLevelSlots(levels, fixed);
    for (int i = 0; i < 3; ++i) {
        TParameter* const* s = p + scFirstSlot + i * scSlotColumns;
        s[0]->Value = fixed[i].PrCenaSDPH;
        s[1]->Value = fixed[i].PrCenaBDPH;
        s[2]->Value = fixed[i].SDPH;
        s[3]->Value = fixed[i].CenHlad;
    }
}
