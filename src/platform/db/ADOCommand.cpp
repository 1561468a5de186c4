#include "platform/db/ADOCommand.h"

void TADOCommand::SetCommandText(const QString& sql) {
    // Bulk runs set the same text for every row: the parameter list would come out the same, so
    // only the values are dropped, sparing a parse of the statement per row.
    if (sql == commandText_ && !sql.isEmpty()) {
        for (int i = 0; i < Parameters.Count(); ++i) {
            Parameters[i].Value = QVariant();
            Parameters[i].DataType = ftUnknown;
        }
        return;
    }
    commandText_ = sql;
    Parameters.ParseSQL(sql);
}

TADOConnection& TADOCommand::Checked() const {
    if (!Connection)
        throw EDatabaseError(QStringLiteral("Missing Connection or ConnectionString"), commandText_);
    return *Connection;
}

int TADOCommand::Execute() { return Checked().Execute(commandText_, Parameters); }

std::unique_ptr<TRowset> TADOCommand::OpenRowset() { return Checked().OpenRowset(commandText_, Parameters); }
