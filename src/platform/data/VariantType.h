#pragma once

#include <QVariant>

// Callers hand values over in whatever integer width they hold them; the database and the
// workbook both treat all of those alike, so the list of integer types lives here once.
inline bool IsIntegerVariant(const QVariant& v) {
    switch (v.typeId()) {
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
            return true;
        default:
            return false;
    }
}

inline bool IsNumberVariant(const QVariant& v) {
    return IsIntegerVariant(v) || v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float;
}
