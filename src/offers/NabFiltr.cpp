// The offer list's filter window and the expression it gives the list query.

#include "offers/NabFiltr.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <exception>

#include "addressbook/Adresar.h"
#include "core/CommonUtils.h"
#include "core/Main.h"
#include "offers/NabidkaData.h"
#include "offers/Nabidky.h"
#include "offers/ZakazkaList.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/text/DateFormat.h"
#include "platform/ui/CurrencyEdit.h"
#include "platform/ui/DateEdit.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/PriceListUi.h"
#include "widgets/VnDBGrids.h"

namespace {

constexpr int kTextLength = 50;

// A text between the wild cards of LIKE, quoted for the expression: a quote in a firm name such as
// O'Neil must not end the text.
QString LikeText(const QString& text) { return "'*" + QString(text).replace("'", "''") + "*'"; }

QString Quoted(const QString& text) { return "'" + QString(text).replace("'", "''") + "'"; }

// Amounts are written with "." whatever the station's decimal separator, as the expression reads them.
QString Amount(long double value) {
    return QString::number(static_cast<double>(value), 'g', QLocale::FloatingPointShortest);
}

QString DateRange(const char* field, TDateEdit* from, TDateEdit* to) {
    auto text = [](TDateEdit* edit) { return edit->IsEmpty() ? QString() : DateToStr(edit->Date()); };
    return QString("%1 >= %2 AND %1 <= %3").arg(field, text(from), text(to));
}

}  // namespace

TfrmNabFiltr::TfrmNabFiltr(QWidget* parent) : TVnDialog(parent) {
    setObjectName("frmNabFiltr");
    setWindowTitle(QString::fromUtf8(kOfferFilterCaption));
    auto* layout = new QVBoxLayout(this);
    chckFiltrAktivni = new QCheckBox(
        QString::fromUtf8("filtr aktivní (chcete-li vypnout filtr, zrušte zaškrtnutí tohoto přepínače)"),
        this);
    chckFiltrAktivni->setObjectName("chckFiltrAktivni");
    layout->addWidget(chckFiltrAktivni);
    gbPodminky = new QGroupBox(QString::fromUtf8("Zobrazovat jen nabídky"), this);
    gbPodminky->setObjectName("gbPodminky");
    auto* grid = new QGridLayout(gbPodminky);
    int row = 0;
    auto check = [&](QCheckBox*& box, const char* name, const char* caption) {
        box = new QCheckBox(QString::fromUtf8(caption), gbPodminky);
        box->setObjectName(name);
        grid->addWidget(box, row, 0);
        connect(box, &QCheckBox::clicked, this, &TfrmNabFiltr::UpdateFilterControls);
    };
    auto line = [&](QLineEdit*& edit, const char* name) {
        edit = new QLineEdit(gbPodminky);
        edit->setObjectName(name);
        edit->setMaxLength(kTextLength);
        return edit;
    };
    auto inputs = [&](std::initializer_list<QWidget*> widgets) {
        auto* box = new QHBoxLayout;
        for (QWidget* w : widgets) box->addWidget(w);
        grid->addLayout(box, row++, 1);
    };
    auto date = [&](TDateEdit*& edit, const char* name) {
        edit = new TDateEdit(gbPodminky);
        edit->setObjectName(name);
        edit->Clear();
        return edit;
    };

    check(chckStav, "chckStav", "se stavem");
    cbxStav = new QComboBox(gbPodminky);
    cbxStav->setObjectName("cbxStav");
    for (int i = 0; i < kOfferStateCount; ++i) cbxStav->addItem(OfferStateName(static_cast<unsigned>(i)));
    cbxStav->setCurrentIndex(0);
    inputs({cbxStav});
    check(chckNevyrizene, "chckNevyrizene", "nevyřízené");
    ++row;
    check(chckNazevFirmy, "chckNazevFirmy", "s názvem firmy (z adresáře)");
    line(edtNazevFirmy, "edtNazevFirmy")->setReadOnly(true);
    edtNazevFirmy->setText(QString::fromUtf8(kPickFirmText));
    edtNazevFirmy->setProperty("Tag", 0);
    btnVyberAdresu = new QPushButton("...", gbPodminky);
    btnVyberAdresu->setObjectName("btnVyberAdresu");
    btnVyberAdresu->setToolTip(QString::fromUtf8("Výběr firmy z adresáře"));
    btnVyberAdresu->setAutoDefault(false);
    inputs({edtNazevFirmy, btnVyberAdresu});
    check(chckCastNazevFirmy, "chckCastNazevFirmy", "s názvem firmy obsahující text");
    inputs({line(edtCastNazevFirmy, "edtCastNazevFirmy")});
    check(chckdleVystaveni, "chckdleVystaveni", "s datem vystavení");
    inputs({date(edtDatVystaveniOd, "edtDatVystaveniOd"), date(edtDatVystaveniDo, "edtDatVystaveniDo")});
    check(chckdlePlatnosti, "chckdlePlatnosti", "s datem platnosti");
    inputs({date(edtDatPlatnostiOd, "edtDatPlatnostiOd"), date(edtDatPlatnostiDo, "edtDatPlatnostiDo")});
    check(chckdleVyrizeni, "chckdleVyrizeni", "s datem vyřízení (zamítnutí)");
    inputs({date(edtDatVyrizeniOd, "edtDatVyrizeniOd"), date(edtDatVyrizeniDo, "edtDatVyrizeniDo")});
    check(chckDlePopisu, "chckDlePopisu", "s popisem obsahující text");
    inputs({line(edtDlePopisu, "edtDlePopisu")});
    check(chckCastkaCelkem, "chckCastkaCelkem", "s celk. částkou");
    cbxCelkemSBDPH = new QComboBox(gbPodminky);
    cbxCelkemSBDPH->setObjectName("cbxCelkemSBDPH");
    cbxCelkemSBDPH->addItems({"s DPH", "bez DPH"});
    auto amount = [&](TCurrencyEdit*& edit, const char* name) {
        edit = new TCurrencyEdit(gbPodminky);
        edit->setObjectName(name);
        edit->SetDecimalPlaces(4);
        edit->SetDisplayFormat(",0.00;-,0.00");
        edit->installEventFilter(this);
        return edit;
    };
    inputs({cbxCelkemSBDPH, amount(curCastkaCelkOd, "curCastkaCelkOd"),
            amount(curCastkaCelkDo, "curCastkaCelkDo")});
    check(chckCastVystavil, "chckCastVystavil", "se jménem \"Vystavil\" (i část)");
    inputs({line(edtCastVystavil, "edtCastVystavil")});
    check(chckZakazka, "chckZakazka", "se zakázkou");
    line(edtZakazka, "edtZakazka")->setReadOnly(true);
    btnVyberZakazka = new QPushButton("...", gbPodminky);
    btnVyberZakazka->setObjectName("btnVyberZakazka");
    btnVyberZakazka->setToolTip(QString::fromUtf8("Výběr zakázky"));
    btnVyberZakazka->setAutoDefault(false);
    btnZrusitZakazka = new QPushButton("x", gbPodminky);
    btnZrusitZakazka->setObjectName("btnZrusitZakazka");
    btnZrusitZakazka->setToolTip(QString::fromUtf8("Zrušení zakázky"));
    btnZrusitZakazka->setAutoDefault(false);
    inputs({edtZakazka, btnVyberZakazka, btnZrusitZakazka});
    layout->addWidget(gbPodminky);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    AddOkStornoButtons(this, buttons, btnOK, btnStorno, true);
    layout->addLayout(buttons);
    connect(btnOK, &QPushButton::clicked, this, &TfrmNabFiltr::btnOKClick);
    connect(btnVyberAdresu, &QPushButton::clicked, this, &TfrmNabFiltr::btnVyberAdresuClick);
    connect(btnVyberZakazka, &QPushButton::clicked, this, [this] {
        if (auto code = PickOrderCode(edtZakazka->text())) {
            edtZakazka->setText(*code);
            UpdateFilterControls();
        }
    });
    connect(btnZrusitZakazka, &QPushButton::clicked, this, [this] {
        edtZakazka->clear();
        UpdateFilterControls();
    });
    UpdateFilterControls();
}

int TfrmNabFiltr::FirmId() const { return edtNazevFirmy->property("Tag").toInt(); }

void TfrmNabFiltr::UpdateFilterControls() {
    auto enable = [](QCheckBox* box, std::initializer_list<QWidget*> widgets) {
        for (QWidget* w : widgets) {
            w->setEnabled(box->isChecked());
            QPalette palette = w->palette();
            // From the application's palette: the widget's own already holds the last colour set.
            palette.setColor(QPalette::Base, QApplication::palette().color(
                                                 box->isChecked() ? QPalette::Base : QPalette::Button));
            w->setPalette(palette);
        }
    };
    enable(chckStav, {cbxStav});
    enable(chckNazevFirmy, {edtNazevFirmy, btnVyberAdresu});
    enable(chckCastNazevFirmy, {edtCastNazevFirmy});
    enable(chckdleVystaveni, {edtDatVystaveniOd, edtDatVystaveniDo});
    enable(chckdlePlatnosti, {edtDatPlatnostiOd, edtDatPlatnostiDo});
    enable(chckdleVyrizeni, {edtDatVyrizeniOd, edtDatVyrizeniDo});
    enable(chckDlePopisu, {edtDlePopisu});
    enable(chckCastkaCelkem, {cbxCelkemSBDPH, curCastkaCelkOd, curCastkaCelkDo});
    enable(chckCastVystavil, {edtCastVystavil});
    for (QWidget* w : std::initializer_list<QWidget*>{edtZakazka, btnVyberZakazka, btnZrusitZakazka})
        w->setEnabled(chckZakazka->isChecked());
}

void TfrmNabFiltr::showEvent(QShowEvent* event) {
    TVnDialog::showEvent(event);
    UpdateFilterControls();
}

bool TfrmNabFiltr::eventFilter(QObject* watched, QEvent* event) {
    // A click into an amount selects it whole, ready to be typed over.
    if ((watched == curCastkaCelkOd || watched == curCastkaCelkDo) &&
        event->type() == QEvent::MouseButtonRelease) {
        auto* edit = static_cast<TCurrencyEdit*>(watched);
        QTimer::singleShot(0, edit, [edit] { edit->selectAll(); });
    }
    return TVnDialog::eventFilter(watched, event);
}

QString TfrmNabFiltr::FilterText() const {
    QStringList parts;
    if (chckStav->isChecked()) parts << "IDStav = " + QString::number(cbxStav->currentIndex());
    if (chckNevyrizene->isChecked()) parts << "DatVyrizeni = NULL";
    if (chckNazevFirmy->isChecked()) parts << "AdrCislo = " + QString::number(FirmId());
    if (chckCastNazevFirmy->isChecked()) parts << "AdrNazev LIKE " + LikeText(edtCastNazevFirmy->text());
    if (chckdleVystaveni->isChecked())
        parts << DateRange("DatVystaveni", edtDatVystaveniOd, edtDatVystaveniDo);
    if (chckdlePlatnosti->isChecked())
        parts << DateRange("DatPlatnosti", edtDatPlatnostiOd, edtDatPlatnostiDo);
    if (chckdleVyrizeni->isChecked()) parts << DateRange("DatVyrizeni", edtDatVyrizeniOd, edtDatVyrizeniDo);
    if (chckDlePopisu->isChecked()) parts << "Popis LIKE " + LikeText(edtDlePopisu->text());
    if (chckCastkaCelkem->isChecked()) {
        const QString field = cbxCelkemSBDPH->currentIndex() == 0 ? "Celkem" : "CelkemBDPH";
        parts << QString("%1 >= %2 AND %1 <= %3")
                     .arg(field, Amount(curCastkaCelkOd->Value()), Amount(curCastkaCelkDo->Value()));
    }
    if (chckCastVystavil->isChecked()) parts << "Vytvoril LIKE " + LikeText(edtCastVystavil->text());
    if (chckZakazka->isChecked()) parts << "Zakazka = " + Quoted(edtZakazka->text());
    return parts.join(" AND ");
}

void TfrmNabFiltr::btnOKClick() {
    if (chckFiltrAktivni->isChecked()) {
        const struct {
            QCheckBox* box;
            QLineEdit* edit;
            const char* message;
        } kTexts[] = {{chckCastNazevFirmy, edtCastNazevFirmy, kFillFirmText},
                      {chckDlePopisu, edtDlePopisu, kFillDescriptionText},
                      {chckCastVystavil, edtCastVystavil, kFillCreatorText}};
        for (const auto& t : kTexts) {
            if (t.box->isChecked() && t.edit->text().isEmpty()) {
                ShowWarning(QString::fromUtf8(t.message));
                return;
            }
        }
    }
    accept();
}

void TfrmNabFiltr::btnVyberAdresuClick() {
    const bool chosen = ShowAddressList(TAddressListMode::Pick, false, 0) == kResultOk;
    TADOQuery& address = frmMain->adqAdresar;
    if (chosen && address.Active() && !address.IsEmpty()) {
        edtNazevFirmy->setProperty("Tag", address.FieldByName("ID")->AsInteger());
        edtNazevFirmy->setText(address.FieldByName("Nazev")->AsString());
    }
    address.Close();
}

int BuildOfferFilter() {
    TfrmNabidky* list = TfrmNabidky::Existing();
    if (list == nullptr) return -1;
    TfrmNabFiltr& filter = list->FilterWindow();
    filter.chckFiltrAktivni->setChecked(true);
    if (filter.exec() != QDialog::Accepted) return -1;
    list->grNabidky->MarkedRows().ClearMarks();
    TADOQuery& query = list->List();
    if (!filter.chckFiltrAktivni->isChecked()) {
        query.SetFilter(QString());
        query.SetFiltered(false);
        return -1;
    }
    query.SetFiltered(false);
    try {
        query.SetFilter(filter.FilterText());
        query.SetFiltered(true);
    } catch (const std::exception&) {
        query.SetFiltered(false);
        ShowWarning(QString::fromUtf8(kOfferFilterRejected));
    }
    return 0;
}
