#include "platform/db/Parameters.h"

#include "platform/db/DatabaseError.h"
#include "platform/db/JetSql.h"

void TParameters::ParseSQL(const QString& sql) {
    items_.clear();
    if (sql != parsedSql_) {
        parsedNames_ = JetParameterNames(sql);
        parsedSql_ = sql;
    }
    for (const QString& name : parsedNames_) items_.push_back(TParameter{name, QVariant(), ftUnknown});
}

TParameter* TParameters::FindParam(const QString& name) {
    // Callers nearly always spell a name as the statement does; the exact match is far cheaper.
    for (TParameter& p : items_)
        if (p.Name == name) return &p;
    for (TParameter& p : items_)
        if (p.Name.compare(name, Qt::CaseInsensitive) == 0) return &p;
    return nullptr;
}

const TParameter* TParameters::FindParam(const QString& name) const {
    return const_cast<TParameters*>(this)->FindParam(name);
}

TParameter* TParameters::ParamByName(const QString& name) {
    if (TParameter* p = FindParam(name)) return p;
    throw EDatabaseError(QStringLiteral("Parameter '%1' not found").arg(name));
}

TParameter* TParameters::AddParameter(const QString& name) {
    if (TParameter* p = FindParam(name)) return p;
    items_.push_back(TParameter{name, QVariant(), ftUnknown});
    return &items_.back();
}

TParameter* TParameters::ParamByName(const char* name) {
    const QLatin1String latin(name);
    for (TParameter& p : items_)
        if (p.Name == latin) return &p;
    for (TParameter& p : items_)
        if (p.Name.compare(latin, Qt::CaseInsensitive) == 0) return &p;
    return ParamByName(QString::fromUtf8(name));
}
