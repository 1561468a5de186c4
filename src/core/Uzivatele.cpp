#include "core/Uzivatele.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "core/CardProtocol.h"
#include "core/DetailUzivatele.h"
#include "core/Login.h"
#include "core/Main.h"
#include "core/PurchasePrices.h"
#include "platform/ui/Dialogs.h"
#include "widgets/VnDBGrids.h"

namespace {

const char* const kCaption = "Seznam uživatelů";
const char* const kUsersSql = "SELECT * FROM Login ORDER BY UzivID";
constexpr int kRowHeight = 17;

QPushButton* BarButton(const char* name, const char* text, QWidget* parent) {
    auto* button = new QPushButton(QString::fromUtf8(text), parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

TfrmUzivatele::TfrmUzivatele(int mode, QWidget* parent) : TVnDialog(parent), tag_(mode) {
    setObjectName("frmUzivatele");
    setWindowTitle(QString::fromUtf8(kCaption));
    resize(420, 360);

    auto* bar = new QWidget(this);
    bar->setObjectName("panTop");
    auto* barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(4, 4, 4, 4);
    btnOK = BarButton("btnOK", "OK", bar);
    btnOpravit = BarButton("btnOpravit", "&Opravit", bar);
    btnVyjmout = BarButton("btnVyjmout", "Vyjmout", bar);
    btnPridat = BarButton("btnPridat", "&Přidat", bar);
    btnZavrit = BarButton("btnZavrit", "Zavřít", bar);
    for (QPushButton* b : {btnOK, btnOpravit, btnVyjmout, btnPridat}) barLayout->addWidget(b);
    barLayout->addStretch();
    barLayout->addWidget(btnZavrit);
    btnOK->setVisible(mode != 0);

    grUzivatele = new TVnDBGrid(this);
    grUzivatele->setObjectName("grUzivatele");
    grUzivatele->SetReadOnly(true);
    grUzivatele->SetOptions((grUzivatele->Options() & ~dgEditing) | dgRowSelect | dgAlwaysShowSelection);
    grUzivatele->SetDefaultRowHeight(kRowHeight);
    grUzivatele->Columns().Clear();
    TColumn* name = grUzivatele->Columns().AddColumn();
    name->SetFieldName("Jmeno");
    name->Title()->SetCaption(QString::fromUtf8("Jméno uživatele"));
    name->SetWidth(244);
    TColumn* profile = grUzivatele->Columns().AddColumn();
    profile->SetFieldName("Konfigurace");
    profile->Title()->SetCaption(QString::fromUtf8("Profil"));
    profile->SetWidth(103);
    grUzivatele->OnDblClick = [this](QObject*) {
        if (tag_ == 1) {
            if (btnOK->isVisible() && btnOK->isEnabled()) btnOK->click();
        } else if (btnOpravit->isEnabled()) {
            btnOpravitClick();
        }
    };

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(grUzivatele, 1);

    connect(btnOK, &QPushButton::clicked, this, [this] { done(ulrOk); });
    connect(btnOpravit, &QPushButton::clicked, this, &TfrmUzivatele::btnOpravitClick);
    connect(btnVyjmout, &QPushButton::clicked, this, &TfrmUzivatele::btnVyjmoutClick);
    connect(btnPridat, &QPushButton::clicked, this, &TfrmUzivatele::btnPridatClick);
    connect(btnZavrit, &QPushButton::clicked, this, [this] { done(ulrClosed); });
    AddPurchasePriceAction(this);

    dsGlobalFree1_.SetDataSet(&frmMain->adqGlobalFree1);
    grUzivatele->SetDataSource(&dsGlobalFree1_);
    UpdateButtons();
}

TfrmUzivatele::~TfrmUzivatele() { grUzivatele->SetDataSource(nullptr); }

void TfrmUzivatele::UpdateButtons() {
    const TADOQuery& users = frmMain->adqGlobalFree1;
    const bool hasRow = users.Active() && !users.IsEmpty();
    btnOK->setEnabled(hasRow);
    btnOpravit->setEnabled(hasRow);
    btnVyjmout->setEnabled(hasRow);
}

void TfrmUzivatele::btnOpravitClick() {
    EditUser(false);
    UpdateButtons();
}

void TfrmUzivatele::btnPridatClick() {
    EditUser(true);
    UpdateButtons();
}

void TfrmUzivatele::btnVyjmoutClick() {
    TADOQuery& users = frmMain->adqGlobalFree1;
    if (RequeryAndLocate(users) != 0) {
        ShowWarning(QString::fromUtf8(kRecordVanishedText));
        UpdateButtons();
        return;
    }
    if (users.FieldByName("UzivID")->AsInteger() == CurrentUser.UzivID) {
        ShowWarning(QString::fromUtf8(kDeleteLoggedInUserText));
        return;
    }
    if (!AskQuestion(QString::fromUtf8(kDeleteUserQuestion))) return;
    const int standOn = GetIDAfterDelete(users, "ID");
    TADOCommand& command = frmMain->adcGlobal1;
    command.SetCommandText(
        QStringLiteral("DELETE FROM Login WHERE ID = %1").arg(users.FieldByName("ID")->AsInteger()));
    command.Execute();
    RequeryAndLocate(users);
    users.Locate("ID", standOn);
    UpdateButtons();
    grUzivatele->setFocus();
}

void TfrmUzivatele::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
            btnZavrit->click();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // Enter picks only where picking is offered.
            if (btnOK->isVisible() && btnOK->isEnabled()) btnOK->click();
            return;
        default:
            TVnDialog::keyPressEvent(event);
    }
}

int ShowUserList(int mode) {
    if (!CurrentUser.Administrator_AR) {
        TUser::ShowNoRightsMessage();
        return -1;
    }
    TADOQuery& users = frmMain->adqGlobalFree1;
    users.Close();
    users.SetSQL(QString::fromLatin1(kUsersSql));
    users.Open();
    int result = ulrClosed;
    {
        TfrmUzivatele window(mode, ApplicationMainWindow());
        result = window.exec();
    }
    // Closed by the window's own close button: as "Zavřít".
    if (result == QDialog::Rejected) result = ulrClosed;
    users.Close();
    return result;
}
