#include "offers/UpravaCeny.h"

#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/PurchasePrices.h"
#include "platform/shell/Calculator.h"
#include "platform/ui/CurrencyEdit.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/PriceRules.h"

namespace {

const char* const kExplanation =
    "      Pomocí této jednoduché % kalkulačky můžete upravit původní cenu. Pokud zadáte procento slevy "
    "mínusem, jedná se o přirážku. Můžete postupovat i obráceně - tzn. zadat novou cenu, program potom "
    "vyčíslí slevu nebo přirážku v procentech. Jedná se o pomocný výpočet ceny, který nenahrazuje slevu "
    "(pokud chcete zadat tisknutelnou slevu, zadejte ji přímo na kartě položky).";

void SetBold(QLabel* label, bool bold) {
    QFont font = label->font();
    font.setBold(bold);
    label->setFont(font);
}

}  // namespace

void RunCalculator() {
    const QString program = FindCalculator();
    if (program.isEmpty())
        ShowInformation(QString::fromUtf8(kCalculatorMissingText));
    else if (!CalculatorLauncher(program))
        ShowError(QString::fromUtf8(kCalculatorFailedText).arg(program));
}

TfrmUpravaCeny::TfrmUpravaCeny(QWidget* parent) : TVnDialog(parent) {
    setObjectName("frmUpravaCeny");
    setWindowTitle(QString::fromUtf8("Úprava ceny"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    layout->addLayout(grid);
    auto field = [this](const char* name) {
        auto* edit = new TCurrencyEdit(this);
        edit->setObjectName(name);
        edit->SetDecimalPlaces(2);
        edit->installEventFilter(this);
        return edit;
    };
    lblPuvodni = new QLabel(this);
    lblPuvodni->setObjectName("lblPuvodni");
    curPuvodni = field("curPuvodni");
    curPuvodni->setEnabled(false);
    curProcento = field("curProcento");
    curNova = field("curNova");
    lblSleva = new QLabel("Sleva", this);
    lblSleva->setObjectName("lblSleva");
    lblPrirazka = new QLabel(QString::fromUtf8("Přirážka"), this);
    lblPrirazka->setObjectName("lblPrirazka");
    grid->addWidget(lblPuvodni, 0, 0);
    grid->addWidget(curPuvodni, 0, 1);
    auto* direction = new QHBoxLayout;
    direction->addWidget(lblSleva);
    direction->addWidget(new QLabel("/", this));
    direction->addWidget(lblPrirazka);
    direction->addWidget(new QLabel("v %", this));
    grid->addLayout(direction, 1, 0);
    grid->addWidget(curProcento, 1, 1);
    grid->addWidget(new QLabel(QString::fromUtf8("Nová cena"), this), 2, 0);
    grid->addWidget(curNova, 2, 1);
    lblInfo = new QLabel(QString::fromUtf8(kExplanation), this);
    lblInfo->setObjectName("lblInfo");
    lblInfo->setWordWrap(true);
    layout->addWidget(lblInfo);
    auto* buttons = new QHBoxLayout;
    layout->addLayout(buttons);
    btnKalkulacka = new QPushButton(QString::fromUtf8("Kalkulačka"), this);
    btnKalkulacka->setObjectName("btnKalkulacka");
    btnOK = new QPushButton("OK", this);
    btnOK->setObjectName("btnOK");
    btnOK->setDefault(true);
    btnStorno = new QPushButton("Storno", this);
    btnStorno->setObjectName("btnStorno");
    buttons->addWidget(btnKalkulacka);
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnStorno);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnStorno, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnKalkulacka, &QPushButton::clicked, this, [] { RunCalculator(); });
    connect(curProcento, &QLineEdit::textEdited, this, &TfrmUpravaCeny::PercentTyped);
    connect(curNova, &QLineEdit::textEdited, this, &TfrmUpravaCeny::NewPriceTyped);
    AddPurchasePriceAction(this);
}

void TfrmUpravaCeny::SetOldPrice(const QString& priceLabel, long double price) {
    lblPuvodni->setText(QString::fromUtf8("Původní ") + priceLabel);
    curPuvodni->SetValue(price);
    curProcento->SetValue(0);
    curNova->SetValue(price);
    MarkDirection(0);
}

void TfrmUpravaCeny::PercentTyped() {
    const long double old = curPuvodni->Value();
    const long double p = curProcento->Value();
    curNova->SetValue(RoundPrice(1, 2, old - old * p / 100));
    MarkDirection(p);
}

void TfrmUpravaCeny::NewPriceTyped() {
    const long double old = curPuvodni->Value();
    if (old != 0) curProcento->SetValue((old - curNova->Value()) * 100 / old);
    MarkDirection(curProcento->Value());
}

void TfrmUpravaCeny::MarkDirection(long double percent) {
    SetBold(lblSleva, percent > 0);
    SetBold(lblPrirazka, percent < 0);
}

bool TfrmUpravaCeny::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && (watched == curProcento || watched == curNova)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            auto* edit = static_cast<TCurrencyEdit*>(watched);
            edit->SetValue(edit->Value() + (key == Qt::Key_Up ? 1 : -1));
            if (edit == curProcento)
                PercentTyped();
            else
                NewPriceTyped();
            return true;
        }
    }
    return TVnDialog::eventFilter(watched, event);
}

int ShowPriceAdjustDialog(const QString& priceLabel, long double& newPrice, long double price) {
    if (price == 0) {
        ShowInformation(QString::fromUtf8(kZeroPriceAdjustText));
        return 2;
    }
    TfrmUpravaCeny dialog(ApplicationMainWindow());
    dialog.SetOldPrice(priceLabel, price);
    const int result = dialog.exec() == QDialog::Accepted ? 1 : 2;
    newPrice = dialog.curNova->Value();
    return result;
}
