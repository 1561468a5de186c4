#include "offers/StoredRecord.h"

#include "core/Main.h"
#include "platform/db/ADOCommand.h"
#include "platform/ui/Dialogs.h"

bool TStoredRecord::LoadOrTell(int id) {
    if (Load(id)) return true;
    ShowError(ErrorText);
    ErrorShown = true;
    return false;
}

bool TStoredRecord::DeleteRow(const char* table, int id, const char* failedText) {
    if (!LoadOrTell(id)) return false;
    TADOCommand command;
    command.Connection = &frmMain->ADOConAgenda;
    command.SetCommandText(QStringLiteral("DELETE FROM %1 WHERE ID = %2").arg(QLatin1String(table)).arg(id));
    if (command.Execute() != 1) {
        ErrorText = QString::fromUtf8(failedText);
        return false;
    }
    return true;
}
