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
