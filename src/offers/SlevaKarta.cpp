// The bulk price dialog of the offer card and the routine that applies its choice to the items.

#include "offers/SlevaKarta.h"

#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "core/Informace.h"
#include "core/Nastaveni.h"
#include "core/PurchasePrices.h"
#include "offers/NabidkaData.h"
#include "offers/NabidkaKart.h"
#include "offers/PolozkaNab.h"
#include "offers/UpravaCeny.h"
#include "platform/data/Field.h"
#include "platform/data/MemTable.h"
#include "platform/ui/CurrencyEdit.h"
#include "platform/ui/Dialogs.h"
#include "widgets/VnDBGrids.h"

namespace {

struct TBulkWords {
    const char* name;
    const char* accusative;
    const char* dative;
};
const std::array<TBulkWords, 4> kWords{{
    {"slevy", "slevu", "slevě"},
    {"marže", "marži", "marži"},
    {"rabatu", "rabat", "rabatu"},
    {"% sazby DPH", "% sazby DPH", "% sazby DPH"},
}};

const char* const kBulkHelp =
    "Změna se provede pouze na označených položkách (pokud není označena žádná položka, tak na všech "
    "položkách). Uzamčené položky jsou ignorovány.";

const char* ColumnOf(TBulkKind kind) {
    switch (kind) {
        case TBulkKind::Discount:
            return "Sleva";
        case TBulkKind::Margin:
            return "Marze";
        case TBulkKind::Rabat:
            return "Rabat";
        case TBulkKind::VatRate:
            break;
    }
    return "SazbaDPH";
}

// The batch recalculation that follows the changed column: a discount keeps the sale price, a margin
// or rabat recomputes it from the purchase price, a VAT rate keeps it in its price type.
int BatchKindOf(TBulkKind kind) {
    switch (kind) {
        case TBulkKind::Discount:
            return 1;
        case TBulkKind::Margin:
            return 2;
        case TBulkKind::Rabat:
            return 3;
        case TBulkKind::VatRate:
            break;
    }
    return 0;
}

bool IsLockedOrNotPriced(TDataSet& items) {
    return items.FieldByName("IgnorHr")->AsBoolean() || items.FieldByName("Nadpisova")->AsBoolean() ||
           items.FieldByName("Textova")->AsBoolean();
}

// The marks of the card's item grid, counted once before a walk.
std::vector<TBookmark> CardMarks() {
    std::vector<TBookmark> marks;
    if (TfrmNabidkaKart* card = TfrmNabidkaKart::Existing()) {
        TBookmarkList& list = card->grPolozky->MarkedRows();
        for (int i = 0; i < list.MarkCount(); ++i) marks.push_back(list.MarkAt(i));
    }
    return marks;
}

bool Contains(const std::vector<TBookmark>& marks, const TBookmark& row) {
    for (const TBookmark& mark : marks)
        if (mark == row) return true;
    return false;
}

// The information window of the run; a run without the start-up window still shows its list.
class TInformation {
public:
    TInformation() {
        window_ = TfrmInformace::Instance();
        if (!window_) {
            own_ = std::make_unique<TfrmInformace>();
            window_ = own_.get();
        }
        window_->Clear();
    }
    TfrmInformace& operator*() { return *window_; }
    TfrmInformace* operator->() { return window_; }

private:
    std::unique_ptr<TfrmInformace> own_;
    TfrmInformace* window_ = nullptr;
};

}  // namespace

// ---- the bulk dialog
// ----------------------------------------------------------------------------------

TfrmSlevaKarta::TfrmSlevaKarta(int kind, QWidget* parent) : TVnDialog(parent) {
    setObjectName("frmSlevaKarta");
    const TBulkWords& words = kWords.at(static_cast<size_t>(std::clamp(kind, 1, 4) - 1));
    setWindowTitle(QString::fromUtf8("Hromadné nastavení ") + QString::fromUtf8(words.name));
    auto* layout = new QVBoxLayout(this);
    lblHodnota = new QLabel(QString::fromUtf8("Zadejte výši ") + QString::fromUtf8(words.name), this);
    lblHodnota->setObjectName("lblHodnota");
    curHodnota = new TCurrencyEdit(this);
    curHodnota->setObjectName("curHodnota");
    curHodnota->SetDecimalPlaces(2);
    curHodnota->SetDisplayFormat(",0.00;-,0.00");
    curHodnota->SetValue(0);
    curHodnota->installEventFilter(this);
    auto* value = new QHBoxLayout;
    value->addWidget(lblHodnota);
    value->addWidget(curHodnota);
    btnKalkulacka = new QPushButton(QString::fromUtf8("Kalkulačka"), this);
    btnKalkulacka->setObjectName("btnKalkulacka");
    btnKalkulacka->setAutoDefault(false);
    value->addWidget(btnKalkulacka);
    layout->addLayout(value);

    rgVolba = new QGroupBox(this);
    rgVolba->setObjectName("rgVolba");
    auto* choices = new QVBoxLayout(rgVolba);
    const QString accusative = QString::fromUtf8(words.accusative);
    rbNastavit = new QRadioButton(accusative + QString::fromUtf8(" nastavit na položky jednotně"), rgVolba);
    rbPricist = new QRadioButton(accusative + QString::fromUtf8(" připočíst ke stávající ") +
                                     QString::fromUtf8(words.dative) + QString::fromUtf8(" na položkách"),
                                 rgVolba);
    rbVynulovat = new QRadioButton(
        QString::fromUtf8("vynulovat ") + accusative + QString::fromUtf8(" na položkách"), rgVolba);
    rbNastavit->setObjectName("rbNastavit");
    rbPricist->setObjectName("rbPricist");
    rbVynulovat->setObjectName("rbVynulovat");
    for (QRadioButton* b : {rbNastavit, rbPricist, rbVynulovat}) {
        choices->addWidget(b);
        connect(b, &QRadioButton::toggled, this, [this] { UpdateValueState(); });
    }
    rbNastavit->setChecked(true);
    // A VAT rate is only ever set.
    rgVolba->setVisible(kind != static_cast<int>(TBulkKind::VatRate));
    layout->addWidget(rgVolba);

    auto* help = new QLabel(QString::fromUtf8(kBulkHelp), this);
    help->setWordWrap(true);
    layout->addWidget(help);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    AddOkStornoButtons(this, buttons, btnOK, btnStorno, true);
    layout->addLayout(buttons);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnKalkulacka, &QPushButton::clicked, this, [] { RunCalculator(); });
    AddPurchasePriceAction(this);
    UpdateValueState();
    curHodnota->setFocus();
}

TBulkMode TfrmSlevaKarta::Mode() const {
    if (!rgVolba->isHidden()) {
        if (rbVynulovat->isChecked()) return TBulkMode::Zero;
        if (rbPricist->isChecked()) return TBulkMode::Add;
    }
    return TBulkMode::Set;
}

void TfrmSlevaKarta::UpdateValueState() { curHodnota->setEnabled(!rbVynulovat->isChecked()); }

bool TfrmSlevaKarta::eventFilter(QObject* watched, QEvent* event) {
    if (watched == curHodnota) {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            // The arrows step the value by one, as the spin of the field does.
            if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
                curHodnota->SetValue(curHodnota->Value() + (key->key() == Qt::Key_Up ? 1 : -1));
                return true;
            }
        } else if (event->type() == QEvent::MouseButtonRelease) {
            QTimer::singleShot(0, curHodnota, [this] { curHodnota->selectAll(); });
        }
    }
    return TVnDialog::eventFilter(watched, event);
}

int ShowBulkPriceDialog(int kind, long double& value) {
    TfrmSlevaKarta window(kind);
    const bool ok = window.exec() == QDialog::Accepted;
    value = window.curHodnota->Value();
    if (!ok) return -1;
    return static_cast<int>(window.Mode());
}

// ---- applying a bulk change
// ---------------------------------------------------------------------------

int ApplyBulkPriceChange(int mode, int kind, long double value) {
    const auto bulkKind = static_cast<TBulkKind>(kind);
    const auto bulkMode = static_cast<TBulkMode>(mode);
    TInformation info;
    info->AddLine(QString::fromUtf8(kBulkRefusedHeading));
    info->AddLine(QString());
    if (bulkMode == TBulkMode::Zero && bulkKind == TBulkKind::Margin &&
        !AskQuestion(QString::fromUtf8(kZeroMarginQuestion)))
        return -1;
    if (bulkMode == TBulkMode::Zero && bulkKind == TBulkKind::Rabat &&
        !AskQuestion(QString::fromUtf8(kZeroRabatQuestion)))
        return -1;
    TOfferDocument& doc = OfferCardData();
    TMemTable& items = doc.mtTmpPolozky;
    if (!items.Active() || items.IsEmpty()) return 0;
    const std::vector<TBookmark> marks = CardMarks();
    const TBookmark here = items.GetBookmark();
    std::vector<TBookmark> rows;
    for (items.First(); !items.Eof(); items.Next()) rows.push_back(items.GetBookmark());
    items.DisableControls();
    const char* column = ColumnOf(bulkKind);
    bool refused = false;
    for (const TBookmark& row : rows) {
        items.GotoBookmark(row);
        if (!marks.empty() && !Contains(marks, row)) continue;
        if (IsLockedOrNotPriced(items)) continue;
        long double set = value;
        if (bulkMode == TBulkMode::Add) set = items.FieldByName(column)->AsFloat() + value;
        if (bulkMode == TBulkMode::Zero) set = 0;
        // Without a purchase price a margin or rabat would make the sale price zero.
        const bool needsPurchase =
            bulkKind == TBulkKind::Margin || (bulkKind == TBulkKind::Rabat && bulkMode != TBulkMode::Zero);
        if (needsPurchase && items.FieldByName("NakCena")->AsFloat() == 0) {
            info->AddLine(QString::fromUtf8("• ") + items.FieldByName("Popis")->AsString());
            refused = true;
            continue;
        }
        items.Edit();
        items.FieldByName(column)->SetAsFloat(static_cast<double>(set));
        items.Post();
        EditOfferItem(false, false, false, false, BatchKindOf(bulkKind));
    }
    items.GotoBookmark(here);
    items.EnableControls();
    doc.Modified = true;
    if (refused) info->ShowModal();
    return 0;
}
