// The item filter of the price list: its window, the text it builds and its application to the item
// query. User text enters the filter only quoted, so a quote in a name can never end the condition.
#include "pricelist/ZasobyFiltr.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>
#include <iterator>

#include "core/Main.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/CenHlad.h"
#include "pricelist/CenSkup.h"
#include "pricelist/EditorIdentif.h"
#include "pricelist/Sklady.h"

namespace {

const char* const kCaption = "Filtr";
const char* const kFrame = "Zobrazovat jen položky";
const char* const kActive = "filtr aktivní (chcete-li vypnout filtr, zrušte zaškrtnutí tohoto přepínače)";
const char* const kPart = "jen část";
constexpr int kNameMaxLength = 50;
constexpr int kCatalogueMaxLength = 20;

QString Condition(const QString& column, const QString& text, bool part) {
    if (part) return "(" + column + " LIKE " + QuotedFilterText("*" + text + "*") + ")";
    return "(" + column + " = " + QuotedFilterText(text) + ")";
}

}  // namespace

QString QuotedFilterText(const QString& text) {
    QString doubled = text;
    doubled.replace(QLatin1Char('\''), QLatin1String("''"));
    return "'" + doubled + "'";
}

QString BuildItemFilter(const TItemFilterCriteria& c) {
    QStringList conditions;
    if (c.byName) conditions << Condition("Popis", c.name, c.namePart);
    if (c.byCatalogue) conditions << Condition("Katalog", c.catalogue, c.cataloguePart);
    if (c.byPriceGroup) conditions << "(CenSkupina = " + QuotedFilterText(c.priceGroup) + ")";
    if (c.byAvailability)
        conditions << "(Dostupnost = " + QuotedFilterText(AvailabilityCode(c.availability)) + ")";
    QString filter = conditions.join(" AND ");
    if (!c.byIdentifiers) return filter;
    if (!filter.isEmpty()) filter += " AND ";
    QStringList codes = c.identifiers.isEmpty() ? QStringList() : ParseIdentifierList(c.identifiers);
    // A list of separators only names no code; it selects what an empty list selects.
    codes.removeAll(QString());
    if (codes.isEmpty()) return filter + "Identif = ''";
    QStringList branches;
    for (const QString& code : codes)
        branches << "(" + filter + "(Identif LIKE " + QuotedFilterText("*_" + code + "_*") + "))";
    return branches.join(" OR ");
}

TfrmZasobyFiltr::TfrmZasobyFiltr(QWidget* parent) : TPriceListDialog(parent) {
    setObjectName("frmZasobyFiltr");
    setWindowTitle(QString::fromUtf8(kCaption));
    auto* layout = new QVBoxLayout(this);
    auto* frame = new QGroupBox(QString::fromUtf8(kFrame), this);
    auto* grid = new QGridLayout(frame);
    layout->addWidget(frame);

    auto check = [this](const char* name, const char* text) {
        auto* box = new QCheckBox(QString::fromUtf8(text), this);
        box->setObjectName(name);
        connect(box, &QCheckBox::clicked, this, &TfrmZasobyFiltr::UpdateControls);
        return box;
    };
    auto entry = [this](const char* name, int maxLength, bool readOnly) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(name);
        edit->setMaxLength(maxLength);
        edit->setReadOnly(readOnly);
        return edit;
    };

    chckPopisPol = check("chckPopisPol", "s popisem položky");
    edtPopisPol = entry("edtPopisPol", kNameMaxLength, false);
    chckPopisPolCast = check("chckPopisPolCast", kPart);
    grid->addWidget(chckPopisPol, 0, 0);
    grid->addWidget(edtPopisPol, 0, 1);
    grid->addWidget(chckPopisPolCast, 0, 2);

    chckKatalog = check("chckKatalog", "s katalogem");
    edtKatalog = entry("edtKatalog", kCatalogueMaxLength, false);
    chckKatalogCast = check("chckKatalogCast", kPart);
    grid->addWidget(chckKatalog, 1, 0);
    grid->addWidget(edtKatalog, 1, 1);
    grid->addWidget(chckKatalogCast, 1, 2);

    chckCenSkup = check("chckCenSkup", "s cen. skupinou");
    edtCenSkup = entry("edtCenSkup", kIdentifierCodeMaxLength, true);
    btnCenSkup = AddButton(this, nullptr, "btnCenSkup", "...", QKeySequence(),
                           QString::fromUtf8("Výběr cenové skupiny"));
    btnCenSkupZrusit = AddButton(this, nullptr, "btnCenSkupZrusit", "x", QKeySequence(),
                                 QString::fromUtf8("Zrušení cenové skupiny"));
    auto* groupButtons = new QHBoxLayout;
    groupButtons->addWidget(btnCenSkup);
    groupButtons->addWidget(btnCenSkupZrusit);
    grid->addWidget(chckCenSkup, 2, 0);
    grid->addWidget(edtCenSkup, 2, 1);
    grid->addLayout(groupButtons, 2, 2);

    chckDostupnost = check("chckDostupnost", "s dostupností");
    cbxDostupnost = new QComboBox(this);
    cbxDostupnost->setObjectName("cbxDostupnost");
    cbxDostupnost->addItems(AvailabilityTexts());
    grid->addWidget(chckDostupnost, 3, 0);
    grid->addWidget(cbxDostupnost, 3, 1);

    chckIdentif = check("chckIdentif", "s identifikátory");
    edtIdentif = entry("edtIdentif", kIdentifierListMaxLength, true);
    btnIdentif = AddButton(this, nullptr, "btnIdentif", "...", QKeySequence(),
                           QString::fromUtf8("Úprava identifikátorů"));
    grid->addWidget(chckIdentif, 4, 0);
    grid->addWidget(edtIdentif, 4, 1);
    grid->addWidget(btnIdentif, 4, 2);

    auto* second = new QGroupBox(this);
    auto* secondLayout = new QVBoxLayout(second);
    chckFiltrAktivni = new QCheckBox(QString::fromUtf8(kActive), second);
    chckFiltrAktivni->setObjectName("chckFiltrAktivni");
    secondLayout->addWidget(chckFiltrAktivni);
    layout->addWidget(second);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOK = AddButton(this, buttons, "btnOK", "OK");
    btnStorno = AddButton(this, buttons, "btnStorno", "Storno");
    btnOK->setDefault(true);
    layout->addLayout(buttons);

    connect(btnOK, &QPushButton::clicked, this, &TfrmZasobyFiltr::btnOKClick);
    connect(btnStorno, &QPushButton::clicked, this, &TfrmZasobyFiltr::reject);
    connect(btnCenSkup, &QPushButton::clicked, this, &TfrmZasobyFiltr::btnCenSkupClick);
    connect(btnCenSkupZrusit, &QPushButton::clicked, this, &TfrmZasobyFiltr::btnCenSkupZrusitClick);
    connect(btnIdentif, &QPushButton::clicked, this, &TfrmZasobyFiltr::btnIdentifClick);
    UpdateControls();
}

TItemFilterCriteria TfrmZasobyFiltr::Criteria() const {
    TItemFilterCriteria c;
    c.byName = chckPopisPol->isChecked();
    c.name = edtPopisPol->text();
    c.namePart = chckPopisPolCast->isChecked();
    c.byCatalogue = chckKatalog->isChecked();
    c.catalogue = edtKatalog->text();
    c.cataloguePart = chckKatalogCast->isChecked();
    c.byPriceGroup = chckCenSkup->isChecked();
    c.priceGroup = edtCenSkup->text();
    c.byAvailability = chckDostupnost->isChecked();
    c.availability = cbxDostupnost->currentIndex();
    c.byIdentifiers = chckIdentif->isChecked();
    c.identifiers = edtIdentif->text();
    return c;
}

void TfrmZasobyFiltr::UpdateControls() {
    auto enable = [](QLineEdit* edit, bool on) {
        edit->setEnabled(on);
        // The window colour while the entry takes text, the button face while it does not.
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Base,
                         QApplication::palette().color(on ? QPalette::Base : QPalette::Button));
        edit->setPalette(palette);
    };
    enable(edtPopisPol, chckPopisPol->isChecked());
    chckPopisPolCast->setEnabled(chckPopisPol->isChecked());
    enable(edtKatalog, chckKatalog->isChecked());
    chckKatalogCast->setEnabled(chckKatalog->isChecked());
    btnCenSkup->setEnabled(chckCenSkup->isChecked());
    btnCenSkupZrusit->setEnabled(chckCenSkup->isChecked());
    cbxDostupnost->setEnabled(chckDostupnost->isChecked());
    btnIdentif->setEnabled(chckIdentif->isChecked());
}

void TfrmZasobyFiltr::showEvent(QShowEvent* event) {
    TPriceListDialog::showEvent(event);
    UpdateControls();
}

void TfrmZasobyFiltr::btnOKClick() {
    if (!chckFiltrAktivni->isChecked()) {
        done(kResultOk);
        return;
    }
    const bool emptyName =
        chckPopisPol->isChecked() && chckPopisPolCast->isChecked() && edtPopisPol->text().isEmpty();
    const bool emptyCatalogue =
        chckKatalog->isChecked() && chckKatalogCast->isChecked() && edtKatalog->text().isEmpty();
    if (emptyName || emptyCatalogue) {
        ShowWarning(QString::fromUtf8(kEmptyPartText));
        return;
    }
    done(kResultOk);
}

void TfrmZasobyFiltr::btnCenSkupClick() {
    TADOQuery& groups = frmMain->adqCenSkup;
    if (ShowPriceGroupList(TPriceCodeList::kModePick, priceGroupId_, false) == kResultOk && groups.Active() &&
        !groups.IsEmpty()) {
        edtCenSkup->setText(groups.FieldByName("Zkratka")->AsString());
        priceGroupId_ = groups.FieldByName("ID")->AsInteger();
    }
    groups.Close();
}

void TfrmZasobyFiltr::btnCenSkupZrusitClick() {
    edtCenSkup->clear();
    priceGroupId_ = 0;
}

void TfrmZasobyFiltr::btnIdentifClick() {
    QString list;
    if (EditIdentifierList(edtIdentif->text(), list, true) == kResultOk) edtIdentif->setText(list);
}

int TfrmZasobyFiltr::ApplyItemFilter() {
    chckFiltrAktivni->setChecked(true);
    if (exec() != kResultOk) return -1;
    TADOQuery& items = frmMain->adqZasoby;
    if (PriceListWindowLinks.ClearItemMarks) PriceListWindowLinks.ClearItemMarks();
    if (!chckFiltrAktivni->isChecked()) {
        items.SetFilter(QString());
        items.SetFiltered(false);
        return -1;
    }
    const QString filter = BuildItemFilter(Criteria());
    items.SetFiltered(false);
    try {
        items.SetFilter(filter);
        items.SetFiltered(true);
    } catch (const std::exception&) {
        items.SetFiltered(false);
        ShowWarning(QString::fromUtf8(kFilterRejected));
    }
    return 0;
}
