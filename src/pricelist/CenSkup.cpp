#include "pricelist/CenSkup.h"

#include <QLabel>
#include <QPushButton>

#include "core/CardProtocol.h"
#include "core/Main.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/db/Transaction.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/CenSkupDetail.h"

namespace {

const char* const kCaption = "Cenové skupiny";
const char* const kNameTitle = "Popis cenové skupiny";
const char* const kHelpText =
    "Cenová skupina může sdružovat tzv. cenové hladiny, pomocí kterých lze nadefinovat další ceny na položce "
    "v "
    "ceníku.";

}  // namespace

TfrmCenSkup::TfrmCenSkup(int mode, QWidget* parent)
    : TPriceCodeList(mode, frmMain->adqCenSkup, QString::fromUtf8(kNameTitle), QString::fromUtf8(kHelpText),
                     parent) {
    setObjectName("frmCenSkup");
    setWindowTitle(QString::fromUtf8(kCaption));
}

void TfrmCenSkup::Edit(bool add) { EditPriceGroup(add); }

void TfrmCenSkup::DeleteCurrent() {
    if (CenikLevel() != TAccessLevel::Full) {
        TUser::ShowNoRightsMessage();
        return;
    }
    TADOQuery& groups = List();
    const int id = groups.FieldByName("ID")->AsInteger();
    int standOn = -1;
    if (!PrepareRecordDelete(groups, RecordLockPath("CenSkup", id), standOn)) return;
    const QString code = groups.FieldByName("Zkratka")->AsString();
    if (!AskQuestion(QString::fromUtf8(kConfirmGroupDelete).arg(code))) return;
    {
        // The group goes with its rules, or not at all.
        TTransaction transaction(frmMain->ADOConAgenda);
        ExecAgenda("DELETE FROM CenSkup WHERE ID = :ID", {{"ID", id}});
        ExecAgenda("DELETE FROM CenSkupPol WHERE IDCenSkup = :ID", {{"ID", id}});
        transaction.Commit();
    }
    groups.Requery();
    groups.Locate("ID", standOn);
}

int ShowPriceGroupList(int mode, int groupId, bool closeAfter) {
    if (CenikLevel() >= TAccessLevel::NoAccess) {
        TUser::ShowNoRightsMessage();
        return -1;
    }
    TADOQuery& groups = frmMain->adqCenSkup;
    groups.Close();
    groups.SetSQL("SELECT * FROM CenSkup");
    groups.Open();
    if (groupId != 0) groups.Locate("ID", groupId);
    int result = 0;
    {
        TfrmCenSkup window(mode, ApplicationMainWindow());
        result = window.exec();
    }
    if (closeAfter) groups.Close();
    return result;
}
