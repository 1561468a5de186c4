// The sums of the offer list.

#include "offers/SoucetCen.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/CommonUtils.h"
#include "core/PurchasePrices.h"
#include "core/Working.h"
#include "offers/NabidkaData.h"
#include "offers/Nabidky.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/text/NumberFormat.h"
#include "widgets/VnDBGrids.h"

namespace {

const char* const kSumNote =
    "Do součtové sestavy vstupují pouze označené doklady (označení je viditelné na levé straně seznamu). "
    "Pokud nebyl označen žádný doklad, sestava sumuje všechny zobrazené nabídky (množinu zobrazených dat "
    "můžete omezit klepnutím na tlačítko \"Filtr\").";
const char* const kAmountFormat = ",0.00;-,0.00";

void AddOffer(TOfferSums& sums, TDataSet& list) {
    const long double net = list.FieldByName("CelkemBDPH")->AsFloat();
    const long double gross = list.FieldByName("Celkem")->AsFloat();
    const long double profit = list.FieldByName("Zisk")->AsFloat();
    auto add = [&](TOfferSumRow& row) {
        ++row.Count;
        row.CelkemBDPH += net;
        row.Celkem += gross;
        row.Zisk += profit;
    };
    add(sums[0]);
    const int state = list.FieldByName("IDStav")->AsInteger();
    // A state outside the known ones counts only among all offers.
    if (state >= 0 && state < kOfferStateCount) add(sums[static_cast<size_t>(state) + 1]);
}

}  // namespace

TOfferSums SumOffers(TfrmNabidky& window) {
    TOfferSums sums{};
    TADOQuery& list = window.List();
    if (!list.Active() || list.IsEmpty()) return sums;
    const TBookmark here = list.GetBookmark();
    list.DisableControls();
    TBookmarkList& marks = window.grNabidky->MarkedRows();
    if (marks.MarkCount() > 0) {
        for (int i = 0; i < marks.MarkCount(); ++i) {
            if (!list.BookmarkValid(marks.MarkAt(i))) continue;
            list.GotoBookmark(marks.MarkAt(i));
            AddOffer(sums, list);
        }
    } else {
        for (list.First(); !list.Eof(); list.Next()) AddOffer(sums, list);
    }
    list.GotoBookmark(here);
    list.EnableControls();
    return sums;
}

TfrmSoucetCen::TfrmSoucetCen(QWidget* parent) : TVnDialog(parent) {
    setObjectName("frmSoucetCen");
    setWindowTitle(QString::fromUtf8(kSumCaption));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QString::fromUtf8("Zobrazit součet pro"), this), 0, 0);
    cbxStav = new QComboBox(this);
    cbxStav->setObjectName("cbxStav");
    cbxStav->addItem(QString::fromUtf8(kAllOffersText));
    for (int i = 0; i < kOfferStateCount; ++i) cbxStav->addItem(OfferStateName(static_cast<unsigned>(i)));
    grid->addWidget(cbxStav, 0, 1);
    auto value = [&](QLabel*& label, const char* name, const char* title, int row) {
        auto* caption = new QLabel(QString::fromUtf8(title), this);
        label = new QLabel(this);
        label->setObjectName(name);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(caption, row, 0);
        grid->addWidget(label, row, 1);
        return caption;
    };
    value(lblPocetCelkem, "lblPocetCelkem", "Počet", 1);
    value(lblBDPHCelkem, "lblBDPHCelkem", "Celkem bez DPH", 2);
    value(lblSDPHCelkem, "lblSDPHCelkem", "Celkem s DPH", 3);
    lblZiskTitle = value(lblZiskCelkem, "lblZiskCelkem", "Celkem zisk", 4);
    layout->addLayout(grid);
    auto* note = new QLabel(QString::fromUtf8(kSumNote), this);
    note->setWordWrap(true);
    layout->addWidget(note);
    strgrSumace = new QTableWidget(kSumRows, 4, this);
    strgrSumace->setObjectName("strgrSumace");
    strgrSumace->hide();
    auto* close = new QPushButton(QString::fromUtf8("Zavřít"), this);
    close->setObjectName("btnZavrit");
    layout->addWidget(close, 0, Qt::AlignRight);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(cbxStav, &QComboBox::currentIndexChanged, this, [this] { ShowOfferSumRow(); });
    AddPurchasePriceAction(this, [this] { ApplyPurchasePrices(); });
    ApplyPurchasePrices();
}

void TfrmSoucetCen::SetSums(const TOfferSums& sums) {
    for (int row = 0; row < kSumRows; ++row) {
        const TOfferSumRow& r = sums[static_cast<size_t>(row)];
        const QString cells[] = {QString::number(r.Count), FormatFloat(kAmountFormat, r.CelkemBDPH),
                                 FormatFloat(kAmountFormat, r.Celkem), FormatFloat(kAmountFormat, r.Zisk)};
        for (int col = 0; col < 4; ++col) strgrSumace->setItem(row, col, new QTableWidgetItem(cells[col]));
    }
    ShowOfferSumRow();
}

void TfrmSoucetCen::ShowOfferSumRow() {
    const int row = std::max(0, cbxStav->currentIndex());
    auto cell = [&](int col) {
        const QTableWidgetItem* item = strgrSumace->item(row, col);
        return item ? item->text() : QString();
    };
    lblPocetCelkem->setText(cell(0));
    lblBDPHCelkem->setText(cell(1));
    lblSDPHCelkem->setText(cell(2));
    lblZiskCelkem->setText(cell(3));
}

void TfrmSoucetCen::ApplyPurchasePrices() {
    lblZiskTitle->setVisible(ShowPurchasePrices);
    lblZiskCelkem->setVisible(ShowPurchasePrices);
}

int SumOfferList(TfrmNabidky& list) {
    ShowWorking(true, QString::fromUtf8(kSumWorking));
    TfrmSoucetCen window;
    window.SetSums(SumOffers(list));
    window.cbxStav->setCurrentIndex(0);
    ShowWorking(false);
    return window.exec();
}
