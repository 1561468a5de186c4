#include "core/DetailUzivatele.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

#include "core/CardProtocol.h"
#include "core/CommonUtils.h"
#include "core/Login.h"
#include "core/Main.h"
#include "core/PurchasePrices.h"
#include "core/SeznamFirem.h"
#include "offers/PrefiltrNabidky.h"
#include "platform/ui/Dialogs.h"

namespace {

const char* const kCaption = "Uživatel";
const char* const kHelpPage = "pgUzivatel.htm";
const char* const kUsersSql = "SELECT * FROM Login ORDER BY UzivID";
const char* const kOtherAdministratorsSql =
    "SELECT * FROM Login WHERE (Administrator_AR = :Administrator_AR) AND (UzivID <> :UzivID)";
constexpr int kMaxUserNumber = 999999999;
constexpr int kNameLength = 50;
constexpr int kProfileLength = 10;
constexpr int kPasswordLength = 15;
constexpr int kContactLength = 50;

struct TRightDef {
    const char* column;
    const char* caption;
};

// The areas with their levels, in the order the card shows them.
const TRightDef kLevels[] = {
    {"Nabidky_AR", "Modul Nabídky"},      {"Adresar_AR", "Modul Adresář"},
    {"Cenik_AR", "Modul Ceník"},          {"Zakazky_AR", "Modul Zakázky"},
    {"Poznamky_AR", "Poznámky na ploše"}, {"SeznamAgend_AR", "Seznam firem (agend) v programu"},
    {"Import_AR", "Import dat"},
};

const TRightDef kRights[] = {
    {"Administrator_AR", "administrátor (uživatel může upravovat přístupová práva)"},
    {"PrehlSestavyNab_AR", "přehledové sestavy v nabídkách"},
    {"HromadnePreceneni_AR", "hromadné přecenění nákupních/prodejních cen v ceníku"},
    {"HromadneNastaveni_AR", "hromadné nastavení údajů na položkách v ceníku"},
    {"UdajeFirma_AR", "nastavení programu - údaje o firmě"},
    {"GlobalniNastaveni_AR", "nastavení programu - globální nastavení"},
    {"UzivatelskeNastaveni_AR", "nastavení programu - nastavení profilu uživatele"},
    {"VytvoreniZalohy_AR", "zálohování - vytvoření zálohy"},
    {"ObnoveniZalohy_AR", "zálohování - obnovení dat ze zálohy"},
    {"NakupniCeny_AR", "zobrazovat nákupní ceny"},
    {"Zamky_AR", "právo zamykat a odemykat doklady"},
    {"VsechnyNabidky_AR", "zobrazovat všechny nabídky"},
    {"PrenosNaJinyPCExport_AR", "přenos adresáře/ceníku na jiný PC - export"},
    {"PrenosNaJinyPCImport_AR", "přenos adresáře/ceníku na jiný PC - import"},
};

QLineEdit* Edit(const char* name, int maxLength, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMaxLength(maxLength);
    return edit;
}

// The statement's text and its parameters for every column of the user but ID.
QStringList UserColumns() {
    QStringList columns = {"UzivID", "Jmeno", "Konfigurace", "Pwd", "Telefon", "Email"};
    for (const TRightDef& d : kLevels) columns << d.column;
    for (const TRightDef& d : kRights) columns << d.column;
    columns << "PrefiltrNabidkyVytvorID_AR"
            << "UseStartDBName"
            << "StartDBName";
    return columns;
}

void FillCardFromRow(TfrmDetailUzivatele& card, const TDataSet& row) {
    card.edtJmeno->setText(row.FieldByName("Jmeno")->AsString());
    card.edtKonfigurace->setText(row.FieldByName("Konfigurace")->AsString());
    card.edtIDUziv->SetValue(row.FieldByName("UzivID")->AsInteger());
    const QString password = ScramblePassword(row.FieldByName("Pwd")->AsString());
    card.edtHeslo->setText(password);
    card.edtHeslo2->setText(password);
    card.edtTelefon->setText(row.FieldByName("Telefon")->AsString());
    card.edtEmail->setText(row.FieldByName("Email")->AsString());
    for (const TRightDef& d : kLevels) {
        const int level = row.FieldByName(d.column)->AsInteger();
        // A level no card writes shows as the strictest one.
        card.Level(d.column)->setCurrentIndex(level >= 0 && level <= 3 ? level : 3);
    }
    for (const TRightDef& d : kRights)
        card.Right(d.column)->setChecked(row.FieldByName(d.column)->AsBoolean());
    card.PrefiltrList = row.FieldByName("PrefiltrNabidkyVytvorID_AR")->AsString();
    card.chckUseStartDBName->setChecked(row.FieldByName("UseStartDBName")->AsBoolean());
    card.edtStartDBName->setText(row.FieldByName("StartDBName")->AsString());
    card.UpdateControls();
}

// The next free user number: one above the highest, 1 for the first user.
int ProposedUserNumber() {
    TADOQuery& query = frmMain->adqGlobalFree2;
    query.Close();
    query.SetSQL(QString::fromLatin1(kUsersSql));
    query.Open();
    int number = 1;
    if (!query.IsEmpty()) {
        query.Last();
        number = query.FieldByName("UzivID")->AsInteger() + 1;
    }
    query.Close();
    return number;
}

// The checks against the other users. False when one failed and the user has been told.
bool CheckAgainstTable(const TfrmDetailUzivatele& card, bool isNew, const QString& storedPassword) {
    const QString typed = card.edtHeslo->text();
    const int number = card.edtIDUziv->Value();
    TADOQuery& query = frmMain->adqGlobalFree2;
    query.Close();
    query.SetSQL(QString::fromLatin1(kUsersSql));
    query.Open();
    bool passwordTaken = false, numberTaken = false;
    // A user keeping his own password is not a clash with himself.
    const bool checkPassword = isNew || typed != storedPassword;
    for (query.First(); !query.Eof(); query.Next()) {
        if (checkPassword && ScramblePassword(query.FieldByName("Pwd")->AsString()) == typed)
            passwordTaken = true;
        if (isNew && query.FieldByName("UzivID")->AsInteger() == number) numberTaken = true;
    }
    query.Close();
    if (passwordTaken) {
        ShowWarning(QString::fromUtf8(kPasswordTakenText));
        return false;
    }
    if (numberTaken) {
        ShowWarning(QString::fromUtf8(kUserNumberTakenText));
        return false;
    }
    if (!card.Right("Administrator_AR")->isChecked()) {
        query.SetSQL(QString::fromLatin1(kOtherAdministratorsSql));
        query.Parameters().ParamByName("Administrator_AR")->Value = true;
        query.Parameters().ParamByName("UzivID")->Value = number;
        query.Open();
        const bool another = !query.IsEmpty();
        query.Close();
        if (!another) {
            ShowWarning(QString::fromUtf8(kNoAdministratorText));
            return false;
        }
    }
    return true;
}

// A user limited to the prefilter always sees his own offers.
QString WithOwnNumber(const QString& list, int number) {
    const QString own = QString::number(number);
    if ((";" + list + ";").contains(";" + own + ";")) return list;
    return list.isEmpty() ? own : list + ";" + own;
}

}  // namespace

TfrmDetailUzivatele::TfrmDetailUzivatele(QWidget* parent) : TVnDialog(parent) {
    setObjectName("frmDetailUzivatele");
    setWindowTitle(QString::fromUtf8(kCaption));

    edtJmeno = Edit("edtJmeno", kNameLength, this);
    edtKonfigurace = Edit("edtKonfigurace", kProfileLength, this);
    // Profiles are named in capitals, so two users typing one name differently share it.
    connect(edtKonfigurace, &QLineEdit::textEdited, this, [this](const QString& text) {
        const int position = edtKonfigurace->cursorPosition();
        edtKonfigurace->setText(text.toUpper());
        edtKonfigurace->setCursorPosition(position);
    });
    edtIDUziv = new TRxSpinEdit(this);
    edtIDUziv->setObjectName("edtIDUziv");
    edtIDUziv->SetMinValue(1);
    edtIDUziv->SetMaxValue(kMaxUserNumber);
    edtHeslo = Edit("edtHeslo", kPasswordLength, this);
    edtHeslo2 = Edit("edtHeslo2", kPasswordLength, this);
    for (QLineEdit* e : {edtHeslo, edtHeslo2}) e->setEchoMode(QLineEdit::Password);
    edtTelefon = Edit("edtTelefon", kContactLength, this);
    edtEmail = Edit("edtEmail", kContactLength, this);

    auto* identity = new QFormLayout;
    identity->addRow(QString::fromUtf8("Jméno uživatele"), edtJmeno);
    identity->addRow(QString::fromUtf8("Profil"), edtKonfigurace);
    identity->addRow(QString::fromUtf8("ID uživatele"), edtIDUziv);
    identity->addRow(QString::fromUtf8("Heslo"), edtHeslo);
    identity->addRow(QString::fromUtf8("Heslo (kontrola)"), edtHeslo2);
    identity->addRow(QString::fromUtf8("Telefon"), edtTelefon);
    identity->addRow(QString::fromUtf8("E-mail"), edtEmail);

    auto* levelsBox = new QGroupBox(QString::fromUtf8("Přístup k modulům"), this);
    auto* levelsLayout = new QFormLayout(levelsBox);
    for (const TRightDef& d : kLevels) {
        auto* combo = new QComboBox(levelsBox);
        combo->setObjectName(QStringLiteral("cbx") + d.column);
        for (const char* text : kAccessLevelTexts) combo->addItem(QString::fromUtf8(text));
        combo->setCurrentIndex(0);
        levelsLayout->addRow(QString::fromUtf8(d.caption), combo);
        levels_.insert(d.column, combo);
    }

    auto* rightsBox = new QGroupBox(QString::fromUtf8("Práva"), this);
    auto* rightsLayout = new QVBoxLayout(rightsBox);
    for (const TRightDef& d : kRights) {
        auto* check = new QCheckBox(QString::fromUtf8(d.caption), rightsBox);
        check->setObjectName(QStringLiteral("chck") + d.column);
        check->setChecked(true);
        rightsLayout->addWidget(check);
        rights_.insert(d.column, check);
    }
    btnPrefiltr = new QPushButton(QString::fromUtf8("Pre-filtr seznamu nabídek"), rightsBox);
    btnPrefiltr->setObjectName("btnPrefiltr");
    btnPrefiltr->setAutoDefault(false);
    rightsLayout->addWidget(btnPrefiltr);

    chckUseStartDBName = new QCheckBox(QString::fromUtf8("po přihlášení se přepnout do firmy"), this);
    chckUseStartDBName->setObjectName("chckUseStartDBName");
    edtStartDBName = new QLineEdit(this);
    edtStartDBName->setObjectName("edtStartDBName");
    edtStartDBName->setReadOnly(true);
    btnStartDBName = new QPushButton(QStringLiteral("..."), this);
    btnStartDBName->setObjectName("btnStartDBName");
    btnStartDBName->setAutoDefault(false);
    auto* startFirm = new QHBoxLayout;
    startFirm->addWidget(chckUseStartDBName);
    startFirm->addWidget(edtStartDBName, 1);
    startFirm->addWidget(btnStartDBName);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    AddOkStornoButtons(this, buttons, btnOK, btnStorno, false);

    auto* left = new QVBoxLayout;
    left->addLayout(identity);
    left->addWidget(levelsBox);
    left->addStretch();
    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 1);
    columns->addWidget(rightsBox, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addLayout(startFirm);
    layout->addLayout(buttons);

    connect(btnOK, &QPushButton::clicked, this, &TfrmDetailUzivatele::btnOKClick);
    connect(Right("VsechnyNabidky_AR"), &QCheckBox::toggled, this, &TfrmDetailUzivatele::UpdateControls);
    connect(chckUseStartDBName, &QCheckBox::toggled, this, &TfrmDetailUzivatele::UpdateControls);
    connect(btnPrefiltr, &QPushButton::clicked, this, [this] {
        TPrefiltrNabidky prefilter;
        prefilter.List = PrefiltrList;
        if (prefilter.Execute()) PrefiltrList = prefilter.List;
    });
    connect(btnStartDBName, &QPushButton::clicked, this, [this] {
        QString firm;
        if (ShowFirmList(true, firm) == kFirmListOk && !firm.isEmpty()) edtStartDBName->setText(firm);
    });
    AddPurchasePriceAction(this);
    UpdateControls();
}

void TfrmDetailUzivatele::UpdateControls() {
    btnPrefiltr->setEnabled(!Right("VsechnyNabidky_AR")->isChecked());
    btnStartDBName->setEnabled(chckUseStartDBName->isChecked());
}

void TfrmDetailUzivatele::btnOKClick() {
    if (edtJmeno->text().isEmpty()) {
        ShowWarning(QString::fromUtf8(kNameMissingText));
        edtJmeno->setFocus();
        return;
    }
    if (chckUseStartDBName->isChecked() && edtStartDBName->text().isEmpty()) {
        ShowWarning(QString::fromUtf8(kStartFirmMissingText));
        return;
    }
    if (edtHeslo->text() != edtHeslo2->text()) {
        ShowWarning(QString::fromUtf8(kPasswordsDifferText));
        edtHeslo->setFocus();
        return;
    }
    accept();
}

void TfrmDetailUzivatele::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            btnOK->click();
            return;
        case Qt::Key_Escape:
            btnStorno->click();
            return;
        case Qt::Key_F1:
            ShowHelpTopic(QString::fromLatin1(kHelpPage));
            return;
        default:
            TVnDialog::keyPressEvent(event);
    }
}

int EditUser(bool isNew) {
    TADOQuery& users = frmMain->adqGlobalFree1;
    const bool located = users.Active() && RequeryAndLocate(users) == 0;
    if (!located && !isNew) {
        ShowWarning(QString::fromUtf8(kRecordVanishedText));
        return -1;
    }
    TfrmDetailUzivatele card(ApplicationMainWindow());
    card.edtIDUziv->setEnabled(isNew);
    QString storedPassword;
    int rowId = 0;
    if (isNew) {
        card.edtIDUziv->SetValue(ProposedUserNumber());
    } else {
        FillCardFromRow(card, users);
        storedPassword = card.edtHeslo->text();
        rowId = users.FieldByName("ID")->AsInteger();
    }

    // The checks send the user back to the card as he left it.
    do {
        if (card.exec() != QDialog::Accepted) return 0;
    } while (!CheckAgainstTable(card, isNew, storedPassword));

    const int number = card.edtIDUziv->Value();
    if (!card.Right("VsechnyNabidky_AR")->isChecked())
        card.PrefiltrList = WithOwnNumber(card.PrefiltrList, number);

    const QStringList columns = UserColumns();
    QStringList marks;
    for (const QString& c : columns) marks << ":" + c;
    TADOCommand& command = frmMain->adcGlobal1;
    if (isNew) {
        command.SetCommandText(
            QStringLiteral("INSERT INTO Login (%1) VALUES (%2)").arg(columns.join(", "), marks.join(", ")));
    } else {
        QStringList sets;
        for (const QString& c : columns) sets << c + " = :" + c;
        command.SetCommandText(
            QStringLiteral("UPDATE Login SET %1 WHERE ID = %2").arg(sets.join(", ")).arg(rowId));
    }
    TParameters& p = command.Parameters;
    p.ParamByName("UzivID")->Value = number;
    p.ParamByName("Jmeno")->Value = card.edtJmeno->text();
    p.ParamByName("Konfigurace")->Value = card.edtKonfigurace->text();
    p.ParamByName("Pwd")->Value = ScramblePassword(card.edtHeslo->text());
    p.ParamByName("Telefon")->Value = card.edtTelefon->text();
    p.ParamByName("Email")->Value = card.edtEmail->text();
    for (const TRightDef& d : kLevels) p.ParamByName(d.column)->Value = card.Level(d.column)->currentIndex();
    for (const TRightDef& d : kRights) p.ParamByName(d.column)->Value = card.Right(d.column)->isChecked();
    p.ParamByName("PrefiltrNabidkyVytvorID_AR")->Value = card.PrefiltrList;
    p.ParamByName("UseStartDBName")->Value = card.chckUseStartDBName->isChecked();
    p.ParamByName("StartDBName")->Value = card.edtStartDBName->text();
    if (command.Execute() == 0) {
        ShowError(QString::fromUtf8(kSaveFailedText));
        return -1;
    }
    if (!isNew) {
        if (users.Active()) RequeryAndLocate(users);
        // The logged-in user keeps the rights he logged in with, even when he edited himself.
        ShowInformation(QString::fromUtf8(kUserChangedText));
        return 0;
    }
    command.SetCommandText(QStringLiteral("SELECT @@IDENTITY"));
    const int newId = command.OpenRowset()->Value(0, 0).toInt();
    // Without an open list there is no row to stand on.
    if (!users.Active()) return 0;
    RequeryAndLocate(users);
    if (!users.Locate("ID", newId)) {
        ShowError(QString::fromUtf8(kNewRecordNotFoundText));
        return -1;
    }
    return 0;
}
