#pragma once

#include <QString>
#include <memory>

#include "platform/db/ADOConnection.h"
#include "platform/db/Parameters.h"
#include "platform/db/Rowset.h"

// A statement with named parameters, run on a connection. Setting the text rebuilds the
// parameter list from it (values set before are dropped), so the parameters always match.
class TADOCommand {
public:
    TADOConnection* Connection = nullptr;
    TParameters Parameters;

    const QString& CommandText() const { return commandText_; }
    void SetCommandText(const QString& sql);

    // Rows affected (INSERT, UPDATE, DELETE); throws EDatabaseError.
    int Execute();
    // For a command that returns rows, such as "SELECT @@IDENTITY" after an INSERT.
    std::unique_ptr<TRowset> OpenRowset();

private:
    TADOConnection& Checked() const;
    QString commandText_;
};
