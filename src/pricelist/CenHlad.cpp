#include "pricelist/CenHlad.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/CardProtocol.h"
#include "core/Main.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/db/Transaction.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/CenHladDetail.h"
#include "widgets/VnDBGrids.h"

namespace {

const char* const kCaption = "Cenové hladiny";
const char* const kNameTitle = "Popis cenové hladiny";
const char* const kHelpText =
    "Cenová hladina představuje proměnnou jednotku, která může být definována jako sleva, marže nebo rabat z "
    "určené výchozí ceny. Zvláštní typ představuje tzv. fixní hladina, kterou lze použít pro individuální "
    "ceny "
    "v ceníku.";

}  // namespace

TPriceCodeList::TPriceCodeList(int mode, TADOQuery& list, const QString& nameTitle, const QString& helpText,
                               QWidget* parent)
    : TPriceListDialog(parent), mode_(mode), list_(list) {
    grList = MakeListGrid(this, "grList", &dsList, {{"Zkratka", "Zkratka"}, {"Popis", nameTitle}});
    lblNapoveda = new QLabel(helpText, this);
    lblNapoveda->setObjectName("lblNapoveda");
    lblNapoveda->setWordWrap(true);

    auto* buttons = new QVBoxLayout;
    btnOK = AddButton(this, buttons, "btnOK", "OK");
    btnStorno = AddButton(this, buttons, "btnStorno", "Storno");
    buttons->addSpacing(12);
    btnPridat = AddButton(this, buttons, "btnPridat", QString::fromUtf8("Přidat"), QKeySequence("Alt+P"));
    btnOpravit = AddButton(this, buttons, "btnOpravit", "Opravit", QKeySequence("Alt+O"));
    btnVyjmout = AddButton(this, buttons, "btnVyjmout", "Vyjmout");
    btnObnovit = AddButton(this, buttons, "btnObnovit", "Obnovit");
    buttons->addStretch();
    btnOK->setVisible(mode == kModePick);
    btnOK->setDefault(mode == kModePick);

    connect(btnOK, &QPushButton::clicked, this, [this] { AcceptIfEnabled(btnOK); });
    connect(btnStorno, &QPushButton::clicked, this, &TPriceCodeList::reject);
    connect(btnPridat, &QPushButton::clicked, this, [this] {
        if (btnPridat->isVisible()) Edit(true);
        UpdateButtons();
    });
    connect(btnOpravit, &QPushButton::clicked, this, [this] {
        if (btnOpravit->isVisible() && btnOpravit->isEnabled()) Edit(false);
        UpdateButtons();
    });
    connect(btnVyjmout, &QPushButton::clicked, this, [this] {
        if (btnVyjmout->isVisible() && btnVyjmout->isEnabled()) DeleteCurrent();
        UpdateButtons();
    });
    connect(btnObnovit, &QPushButton::clicked, this, &TPriceCodeList::btnObnovitClick);
    const auto pickOrOpen = [this] {
        if (mode_ == kModePick) {
            AcceptIfEnabled(btnOK);
        } else if (btnOpravit->isVisible() && btnOpravit->isEnabled()) {
            Edit(false);
            UpdateButtons();
        }
    };
    grList->OnDblClick = [pickOrOpen](QObject*) { pickOrOpen(); };
    OnEnterKey(grList, [pickOrOpen] { pickOrOpen(); });

    auto* left = new QVBoxLayout;
    left->addWidget(grList, 1);
    left->addWidget(lblNapoveda);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);
    resize(520, 360);
    dsList.SetDataSet(&list_);
}

TPriceCodeList::~TPriceCodeList() { delete grList; }

void TPriceCodeList::showEvent(QShowEvent* event) {
    TPriceListDialog::showEvent(event);
    UpdateButtons();
    grList->setFocus();
}

void TPriceCodeList::UpdateButtons() {
    const bool rows = list_.Active() && !list_.IsEmpty();
    for (QPushButton* b : {btnOK, btnOpravit, btnVyjmout}) b->setEnabled(rows);
}

void TPriceCodeList::btnObnovitClick() {
    if (RequeryAndLocate(list_) != 0 && !list_.IsEmpty()) ShowWarning(QString::fromUtf8(kRecordVanishedText));
    UpdateButtons();
}

TfrmCenHlad::TfrmCenHlad(int mode, QWidget* parent)
    : TPriceCodeList(mode, frmMain->adqCenHlad, QString::fromUtf8(kNameTitle), QString::fromUtf8(kHelpText),
                     parent) {
    setObjectName("frmCenHlad");
    setWindowTitle(QString::fromUtf8(kCaption));
}

void TfrmCenHlad::Edit(bool add) { EditPriceLevel(add); }

void TfrmCenHlad::DeleteCurrent() {
    if (CenikLevel() != TAccessLevel::Full) {
        TUser::ShowNoRightsMessage();
        return;
    }
    TADOQuery& levels = List();
    const int id = levels.FieldByName("ID")->AsInteger();
    int standOn = -1;
    if (!PrepareRecordDelete(levels, RecordLockPath("CenHlad", id), standOn)) return;
    const QString code = levels.FieldByName("Zkratka")->AsString();
    if (!AskQuestion(QString::fromUtf8(kConfirmLevelDelete).arg(code))) return;
    {
        // The level goes with every group's rule for it, or not at all.
        TTransaction transaction(frmMain->ADOConAgenda);
        ExecAgenda("DELETE FROM CenHlad WHERE ID = :ID", {{"ID", id}});
        // Every group loses its rule for the level; the code is bound, so a quote in it cannot reach
        // other rows.
        ExecAgenda("DELETE FROM CenSkupPol WHERE Zkratka = :Zkratka", {{"Zkratka", code}});
        transaction.Commit();
    }
    levels.Requery();
    levels.Locate("ID", standOn);
}

int ShowPriceLevelList(int mode, const QString& levelCode, bool closeAfter, bool editButtons) {
    if (CenikLevel() >= TAccessLevel::NoAccess) {
        TUser::ShowNoRightsMessage();
        return -1;
    }
    TADOQuery& levels = frmMain->adqCenHlad;
    levels.Close();
    levels.SetSQL("SELECT * FROM CenHlad");
    levels.Open();
    if (!levelCode.isEmpty()) levels.Locate("Zkratka", levelCode, loCaseInsensitive);
    int result = 0;
    {
        TfrmCenHlad window(mode, ApplicationMainWindow());
        for (QWidget* w :
             std::initializer_list<QWidget*>{window.btnPridat, window.btnOpravit, window.btnVyjmout,
                                             window.btnObnovit, window.lblNapoveda})
            w->setVisible(editButtons);
        result = window.exec();
    }
    if (closeAfter) levels.Close();
    return result;
}
