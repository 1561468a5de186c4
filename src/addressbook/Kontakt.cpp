#include "addressbook/Kontakt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "addressbook/AdrKart.h"
#include "addressbook/AdrKartDoc.h"
#include "core/Main.h"
#include "core/PurchasePrices.h"
#include "core/Upgrade.h"
#include "platform/data/Field.h"
#include "platform/ui/Dialogs.h"

namespace {

// The entries of the card, the column each fills and its length, in the order of the card.
struct TContactEdit {
    const char* column;
    QLineEdit* TfrmKontakt::*edit;
    int length;
    const char* label;
};
const TContactEdit kContactEdits[] = {
    {"Prijmeni", &TfrmKontakt::edtPrijmeni, 30, "Příjmení"},
    {"Jmeno", &TfrmKontakt::edtJmeno, 20, "Jméno"},
    {"Ulice", &TfrmKontakt::edtUlice, 30, "Ulice"},
    {"PSC", &TfrmKontakt::edtPSC, 10, "PSČ"},
    {"Misto", &TfrmKontakt::edtMisto, 40, "Místo"},
    {"Telefon", &TfrmKontakt::edtTelefon, 30, "Telefon"},
    {"Mobil", &TfrmKontakt::edtMobil, 30, "Mobil"},
    {"Email", &TfrmKontakt::edtEmail, 50, "E-mail"},
    {"Funkce", &TfrmKontakt::edtFunkce, 35, "Funkce"},
};

QComboBox* TitleList(QWidget* parent, const char* name, int length) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);
    // A typed title is kept as typed, never replaced by a listed one that resembles it.
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setCompleter(nullptr);
    box->lineEdit()->setMaxLength(length);
    return box;
}

QString MemoToEdit(const QString& stored) {
    QString text = stored;
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}
QString MemoToStored(const QString& shown) {
    QString text = shown;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text.replace(QLatin1String("\n"), QLatin1String("\r\n"));
}

// Only the row just saved stays primary: the others lose the mark.
void KeepOnePrimary(TMemTable& contacts) {
    const TBookmark saved = contacts.GetBookmark();
    contacts.DisableControls();
    for (contacts.First(); !contacts.Eof(); contacts.Next()) {
        contacts.Edit();
        contacts.FieldByName("Zobrazit")->SetAsBoolean(false);
        contacts.Post();
    }
    contacts.GotoBookmark(saved);
    contacts.Edit();
    contacts.FieldByName("Zobrazit")->SetAsBoolean(true);
    contacts.Post();
    contacts.EnableControls();
}

}  // namespace

TfrmKontakt::TfrmKontakt(QWidget* parent) : TPriceListDialog(parent) {
    setObjectName("frmKontakt");
    setWindowTitle(QString::fromUtf8(kContactCardCaption));
    auto* grid = new QGridLayout;
    cbxTitulPred = TitleList(this, "cbxTitulPred", 15);
    cbxTitulZa = TitleList(this, "cbxTitulZa", 20);
    grid->addWidget(new QLabel(QString::fromUtf8("Titul před"), this), 0, 0);
    grid->addWidget(cbxTitulPred, 0, 1);
    grid->addWidget(new QLabel(QString::fromUtf8("Titul za"), this), 0, 2);
    grid->addWidget(cbxTitulZa, 0, 3);
    int index = 0;
    for (const TContactEdit& e : kContactEdits) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString("edt") + (e.edit == &TfrmKontakt::edtPSC ? "PSC" : e.column));
        edit->setMaxLength(e.length);
        this->*e.edit = edit;
        const int row = 1 + index / 2;
        const int col = (index % 2) * 2;
        grid->addWidget(new QLabel(QString::fromUtf8(e.label), this), row, col);
        grid->addWidget(edit, row, col + 1);
        ++index;
    }
    auto small = [this](const char* name, const QString& text, const QString& hint) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        b->setToolTip(hint);
        b->setFixedWidth(28);
        return b;
    };
    btnVyberPsc = small("btnVyberPsc", "...", QString::fromUtf8("Výběr PSČ a Místa ze seznamu"));
    btnGoEmail = small("btnGoEmail", "@", QString::fromUtf8("Zaslání e-mailu"));
    grid->addWidget(btnVyberPsc, 2, 4);
    grid->addWidget(btnGoEmail, 4, 4);
    InstallContactCardServices(*this);

    memPoznamka = new QPlainTextEdit(this);
    memPoznamka->setObjectName("memPoznamka");
    chckZobrazit = new QCheckBox(QString::fromUtf8(kPrimaryContactCaption), this);
    chckZobrazit->setObjectName("chckZobrazit");

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOK = AddButton(this, buttons, "btnOK", "OK");
    btnStorno = AddButton(this, buttons, "btnStorno", "Storno");
    connect(btnOK, &QPushButton::clicked, this, &TfrmKontakt::btnOKClick);
    connect(btnStorno, &QPushButton::clicked, this, &TfrmKontakt::reject);
    AddPurchasePriceAction(this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(new QLabel(QString::fromUtf8("Poznámka"), this));
    layout->addWidget(memPoznamka, 1);
    layout->addWidget(chckZobrazit);
    layout->addLayout(buttons);
    resize(560, 420);
}

void TfrmKontakt::ClearCard() {
    cbxTitulPred->clear();
    cbxTitulZa->clear();
    for (const char* title : kTitlesBefore) cbxTitulPred->addItem(QString::fromUtf8(title));
    for (const char* title : kTitlesAfter) cbxTitulZa->addItem(QString::fromUtf8(title));
    cbxTitulPred->setEditText(QString());
    cbxTitulZa->setEditText(QString());
    for (const TContactEdit& e : kContactEdits) (this->*e.edit)->clear();
    memPoznamka->clear();
    chckZobrazit->setChecked(false);
    RepID = NewGuidString();
}

void TfrmKontakt::showEvent(QShowEvent* event) {
    TPriceListDialog::showEvent(event);
    edtPrijmeni->setFocus();
}

void TfrmKontakt::keyPressEvent(QKeyEvent* event) {
    // The note takes Enter as a line break itself; anywhere else Enter confirms the card.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        btnOKClick();
        return;
    }
    TPriceListDialog::keyPressEvent(event);
}

void TfrmKontakt::btnOKClick() {
    if (!btnOK->isEnabled()) return;
    if (edtPrijmeni->text().isEmpty()) {
        ShowInformation(QString::fromUtf8(kContactSurnameMissing));
        edtPrijmeni->setFocus();
        return;
    }
    done(kResultOk);
}

int EditContact(TfrmAdrKart& card, bool adding) {
    TMemTable& contacts = card.mtTmpKontakty;
    TfrmKontakt window(&card);
    window.ClearCard();
    if (adding) {
        // The first contact of a firm is its primary contact unless the user says otherwise.
        window.chckZobrazit->setChecked(contacts.IsEmpty());
    } else {
        window.cbxTitulPred->setEditText(contacts.FieldByName("TitulPred")->AsString());
        window.cbxTitulZa->setEditText(contacts.FieldByName("TitulZa")->AsString());
        for (const TContactEdit& e : kContactEdits)
            (window.*e.edit)->setText(contacts.FieldByName(e.column)->AsString());
        window.memPoznamka->setPlainText(MemoToEdit(contacts.FieldByName("Poznamka")->AsString()));
        window.chckZobrazit->setChecked(contacts.FieldByName("Zobrazit")->AsBoolean());
        window.RepID = contacts.FieldByName("RepID")->AsString();
    }
    const int result = window.exec();
    if (result == kResultOk) {
        if (adding)
            contacts.Append();
        else
            contacts.Edit();
        contacts.FieldByName("TitulPred")->SetAsString(window.cbxTitulPred->currentText());
        contacts.FieldByName("TitulZa")->SetAsString(window.cbxTitulZa->currentText());
        for (const TContactEdit& e : kContactEdits)
            contacts.FieldByName(e.column)->SetAsString((window.*e.edit)->text());
        contacts.FieldByName("Poznamka")->SetAsString(MemoToStored(window.memPoznamka->toPlainText()));
        contacts.FieldByName("Zobrazit")->SetAsBoolean(window.chckZobrazit->isChecked());
        contacts.FieldByName("RepID")->SetAsString(window.RepID);
        if (adding) contacts.FieldByName("LockID")->SetAsInteger(-1);
        contacts.Post();
        if (contacts.FieldByName("Zobrazit")->AsBoolean() && contacts.RecordCount() > 1)
            KeepOnePrimary(contacts);
    }
    card.UpdateContactButtons();
    return result;
}
