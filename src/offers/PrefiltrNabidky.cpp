// The creator prefilter of the offer list, chosen on the user card.

#include "offers/PrefiltrNabidky.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

#include "core/Main.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"

namespace {

const char* const kPrefilterNote =
    "        Program zobrazí pouze nabídky, které vytvořil některý z označených uživatelů v seznamu výše "
    "(právě editovaný uživatel bude do této množiny přidán automaticky). \r\n \r\nPozn.: vlastníkem dané "
    "nabídky je vždy uživatel, který ji vytvořil jako první. Pokud jste v minulosti vytvářeli nabídky  bez "
    "uživatelů, vlastníkem těchto nabídek je [uživatel bez jména].";

}  // namespace

TADOQuery& TPrefiltrNabidky::LoadUsers() {
    TADOQuery& users = frmMain->adqGlobalFree2;
    users.Close();
    users.SetSQL("SELECT * FROM Login");
    users.Open();
    return users;
}

bool TPrefiltrNabidky::ContainsUser(int userNumber) const {
    return (";" + List + ";").contains(";" + QString::number(userNumber) + ";");
}

bool TPrefiltrNabidky::Execute() {
    TfrmPrefiltrNabidky window(*this);
    return window.exec() == QDialog::Accepted;
}

TfrmPrefiltrNabidky::TfrmPrefiltrNabidky(TPrefiltrNabidky& prefilter, QWidget* parent)
    : TVnDialog(parent), prefilter_(prefilter) {
    setObjectName("frmPrefiltrNabidky");
    setWindowTitle(QString::fromUtf8(kPrefilterCaption));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QString::fromUtf8("Zobrazovat pouze nabídky následujících uživatelů:"), this));
    clbVytvorIDUsers = new QListWidget(this);
    clbVytvorIDUsers->setObjectName("clbVytvorIDUsers");
    layout->addWidget(clbVytvorIDUsers);
    auto* note = new QLabel(QString::fromUtf8(kPrefilterNote).replace("\r\n", "\n"), this);
    note->setWordWrap(true);
    layout->addWidget(note);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    AddOkStornoButtons(this, buttons, btnOK, btnStorno, true);
    layout->addLayout(buttons);
    connect(btnOK, &QPushButton::clicked, this, &TfrmPrefiltrNabidky::btnOKClick);

    auto add = [this](const QString& name, int number) {
        auto* item = new QListWidgetItem(name, clbVytvorIDUsers);
        item->setData(Qt::UserRole, number);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(prefilter_.ContainsUser(number) ? Qt::Checked : Qt::Unchecked);
    };
    add(QString::fromUtf8(kNamelessUser), 0);
    TADOQuery& users = prefilter_.LoadUsers();
    for (users.First(); !users.Eof(); users.Next())
        add(users.FieldByName("Jmeno")->AsString(), users.FieldByName("UzivID")->AsInteger());
    users.Close();
}

void TfrmPrefiltrNabidky::btnOKClick() {
    QStringList numbers;
    for (int i = 0; i < clbVytvorIDUsers->count(); ++i) {
        const QListWidgetItem* item = clbVytvorIDUsers->item(i);
        if (item->checkState() == Qt::Checked) numbers << QString::number(item->data(Qt::UserRole).toInt());
    }
    prefilter_.List = numbers.join(';');
    accept();
}
