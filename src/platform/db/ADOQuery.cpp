#include "platform/db/ADOQuery.h"

#include "platform/db/ADOConnection.h"

TADOQuery::~TADOQuery() = default;

void TADOQuery::SetSQL(const QString& sql) {
    TParameters old = parameters_;
    sql_ = sql;
    parameters_.ParseSQL(sql);
    for (int i = 0; i < parameters_.Count(); ++i)
        if (const TParameter* kept = old.FindParam(parameters_[i].Name)) {
            parameters_[i].Value = kept->Value;
            parameters_[i].DataType = kept->DataType;
        }
}

void TADOQuery::Load() {
    if (!connection_ || !connection_->Connected())
        throw EDatabaseError(QStringLiteral("Dotaz nemá otevřené připojení k databázi."), sql_);
    std::unique_ptr<TRowset> rows = connection_->OpenRowset(sql_, parameters_);
    std::vector<TFieldDef> defs;
    defs.reserve(rows->Columns.size());
    for (const TRowsetColumn& column : rows->Columns)
        defs.push_back(TFieldDef{column.Name, column.DataType, column.Size, false, column.DisplayFormat});
    SetFields(defs);
    // The snapshot's values are already in the fields' representation: they move in whole.
    TakeRecords(std::move(rows->Values));
}

void TADOQuery::InternalOpen() { Load(); }

void TADOQuery::Requery() {
    if (!Active()) {
        Open();
        return;
    }
    CheckBrowseMode();
    const TBookmark mark = GetBookmark();
    DisableControls();
    try {
        Load();
        ReorderAfterReload();
        if (BookmarkValid(mark))
            GotoBookmark(mark);
        else
            First();
    } catch (...) {
        EnableControls();
        throw;
    }
    EnableControls();
}

int TADOQuery::ExecSQL() {
    if (!connection_ || !connection_->Connected())
        throw EDatabaseError(QStringLiteral("Dotaz nemá otevřené připojení k databázi."), sql_);
    rowsAffected_ = connection_->Execute(sql_, parameters_);
    return rowsAffected_;
}
