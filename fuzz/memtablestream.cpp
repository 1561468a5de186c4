// Feeds arbitrary bytes to the memory-table stream reader (the form in which grid layouts, list
// positions and history snapshots sit in memo columns, which another station or version wrote),
// then writes what it read and reads that again. Any outcome but the reader's own errors is a
// fault.
#include "core/MemTableStream.h"

#include <QBuffer>
#include <QByteArray>
#include <cstdint>

#include "platform/data/DataSetError.h"
#include "platform/data/MemTable.h"
#include "platform/text/FormatSettings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    TMemTable table;
    try {
        QBuffer in;
        in.setData(bytes);
        in.open(QIODevice::ReadOnly);
        LoadTableFromStream(table, in);
    } catch (const EDataSetError&) {
        return 0;
    } catch (const EConvertError&) {
        return 0;
    }
    if (!table.Active()) return 0;
    const QString written = SaveTableToString(table, mtfSaveData | mtfSaveDef | mtfSaveIndexDef);
    TMemTable again;
    try {
        LoadTableFromString(again, written);
    } catch (const EDataSetError&) {
        __builtin_trap();  // what we wrote ourselves must read back
    } catch (const EConvertError&) {
        __builtin_trap();
    }
    return 0;
}
