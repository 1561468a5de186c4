#pragma once

// Field types of datasets, memory tables and query results, named as the data-access layer
// of the original names them; the memory-table stream writes some of these names.
enum TFieldType {
    ftUnknown,
    ftString,
    ftSmallint,
    ftInteger,
    ftWord,
    ftBoolean,
    ftFloat,
    ftCurrency,
    ftBCD,
    ftDate,
    ftTime,
    ftDateTime,
    ftAutoInc,
    ftBlob,
    ftMemo,
    ftGraphic,
    ftWideString,
    ftLargeint,
    ftGuid,
};

// Kinds of field types; conversions, sorting and locating by ID must agree on which type is which.
inline bool IsIntegerType(TFieldType t) {
    return t == ftSmallint || t == ftInteger || t == ftWord || t == ftAutoInc || t == ftLargeint;
}
inline bool IsFloatType(TFieldType t) { return t == ftFloat || t == ftCurrency || t == ftBCD; }
inline bool IsDateType(TFieldType t) { return t == ftDate || t == ftTime || t == ftDateTime; }
inline bool IsTextType(TFieldType t) {
    return t == ftString || t == ftMemo || t == ftWideString || t == ftGuid;
}
