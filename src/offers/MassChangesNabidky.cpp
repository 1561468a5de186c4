// Archiving offers in bulk by their date of issue.

#include "offers/MassChangesNabidky.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>

#include "core/CommonUtils.h"
#include "core/Login.h"
#include "core/Main.h"
#include "core/Working.h"
#include "platform/db/ADOCommand.h"
#include "platform/ui/DateEdit.h"
#include "platform/ui/Dialogs.h"

namespace {

constexpr int kArchiving = 0;

const char* const kMassArchiveNote =
    "Doklady spadající do filtru výše budou přesunuty do archivu (nebudou se zobrazovat v seznamu nabídek). "
    "Budete-li chtít v budoucnu archivované doklady znovu zviditelnit, zvolte v seznamu nabídek "
    "Ostatní>Znovu zobrazit seznam nabídek včetně archivovaných.";
const char* const kExecuteFailedPrefix = "Metoda \"Execute\" selhala. ";

}  // namespace

TMassChangesNabidky::TMassChangesNabidky(int kind) : kind_(kind) {}

bool TMassChangesNabidky::CheckRights() {
    if (CurrentUser.Nabidky_AR >= TAccessLevel::ReadOnly) {
        TUser::ShowNoRightsMessage();
        return false;
    }
    return true;
}

bool TMassChangesNabidky::Execute() {
    if (!CheckRights()) return false;
    TfrmMassChangesNabidky window(*this);
    return window.exec() == QDialog::Accepted;
}

bool TMassChangesNabidky::Perform() {
    if (kind_ == kArchiving) return ArchiveOlderThan();
    return false;
}

QString TMassChangesNabidky::ArchiveSql() const {
    // Strictly before the day: offers issued on the chosen day itself stay in the list.
    QString sql = QString("UPDATE Nabidky SET Archivovano = :Archivovano WHERE (DatVystaveni < %1)")
                      .arg(JetDateLiteral(ArchiveDate.value_or(0)));
    if (OnlySettled) sql += " AND (DatVyrizeni IS NOT NULL)";
    return CurrentUser.AddCreatorFilter(sql);
}

bool TMassChangesNabidky::ArchiveOlderThan() {
    try {
        TADOCommand command;
        command.Connection = &frmMain->ADOConAgenda;
        command.SetCommandText(ArchiveSql());
        command.Parameters.ParamByName("Archivovano")->Value = true;
        command.Execute();
    } catch (const std::exception& e) {
        ErrorText = QString::fromUtf8(kExecuteFailedPrefix) + QString::fromUtf8(e.what());
        return false;
    }
    return true;
}

TfrmMassChangesNabidky::TfrmMassChangesNabidky(TMassChangesNabidky& changes, QWidget* parent)
    : TVnDialog(parent), changes_(changes) {
    setObjectName("frmMassChangesNabidky");
    setWindowTitle(QString::fromUtf8(kMassArchiveCaption));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    edtDatum = new TDateEdit(this);
    edtDatum->setObjectName("edtDatum");
    edtDatum->Clear();
    form->addRow(QString::fromUtf8("Hromadně archivovat doklady starší než"), edtDatum);
    layout->addLayout(form);
    chckPouzeVyrizene = new QCheckBox(QString::fromUtf8("pouze již vyřízené či zamítnuté nabídky"), this);
    chckPouzeVyrizene->setObjectName("chckPouzeVyrizene");
    chckPouzeVyrizene->setChecked(changes.OnlySettled);
    layout->addWidget(chckPouzeVyrizene);
    auto* note = new QLabel(QString::fromUtf8(kMassArchiveNote), this);
    note->setWordWrap(true);
    layout->addWidget(note);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    AddOkStornoButtons(this, buttons, btnOK, btnStorno, true);
    layout->addLayout(buttons);
    connect(btnOK, &QPushButton::clicked, this, &TfrmMassChangesNabidky::btnOKClick);
}

void TfrmMassChangesNabidky::btnOKClick() {
    if (edtDatum->IsEmpty()) {
        ShowInformation(QString::fromUtf8(kMassArchiveDateMissing));
        return;
    }
    changes_.ArchiveDate = edtDatum->Date();
    changes_.OnlySettled = chckPouzeVyrizene->isChecked();
    ShowWorking(true, QString::fromUtf8(kMassArchiveWorking));
    const bool done = changes_.Perform();
    ShowWorking(false);
    if (!done) {
        ShowError(QString::fromUtf8(kMassArchiveFailed) + changes_.ErrorText);
        return;
    }
    accept();
}
