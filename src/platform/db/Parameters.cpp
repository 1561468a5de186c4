#include "platform/db/Parameters.h"

#include "platform/db/DatabaseError.h"
#include "platform/db/JetSql.h"

void TParameters::ParseSQL(const QString& sql) {
    items_.clear();
    for (const QString& name : JetParameterNames(sql))
        items_.push_back(TParameter{name, QVariant(), ftUnknown});
}

TParameter* TParameters::FindParam(const QString& name) {
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
