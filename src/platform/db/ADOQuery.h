#pragma once

#include <QString>

#include "platform/data/DataSet.h"
#include "platform/db/Parameters.h"

class TADOConnection;

// A query on a connection. Open reads the whole result into memory (a static client-side
// cursor), so moving, sorting, filtering, locating and bookmarks never go back to the database;
// Requery reads it again.
class TADOQuery : public TDataSet {
public:
    TADOQuery() = default;
    explicit TADOQuery(TADOConnection* connection) : connection_(connection) {}
    ~TADOQuery() override;

    TADOConnection* Connection() const { return connection_; }
    void SetConnection(TADOConnection* connection) { connection_ = connection; }

    const QString& SQL() const { return sql_; }
    // Parameters are read from the new text; values of parameters that keep their name stay.
    void SetSQL(const QString& sql);
    TParameters& Parameters() { return parameters_; }
    const TParameters& Parameters() const { return parameters_; }

    // Reads the rows again. A record whose bookmark (its ID) is still there stays current;
    // otherwise the cursor stands on the first record. Controls hear one change.
    void Requery();
    // Runs a statement that returns no rows; answers the rows it affected.
    int ExecSQL();
    int RowsAffected() const { return rowsAffected_; }

protected:
    void InternalOpen() override;

private:
    void Load();

    TADOConnection* connection_ = nullptr;
    QString sql_;
    TParameters parameters_;
    int rowsAffected_ = 0;
};
