#include "platform/db/ADOCommand.h"

void TADOCommand::SetCommandText(const QString& sql) {
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
