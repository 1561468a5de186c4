#pragma once

#include <QIODevice>
#include <QString>

#include "platform/data/MemTable.h"

// The text form in which memory tables are kept inside memo columns (the action history's row
// snapshots, the per-user grid layouts and list positions). Other stations and other versions read
// what one station wrote, so every byte of it is fixed: 8-bit windows-1250 text, CR LF line ends,
// every value in double quotes.

enum TMemTableSaveFlag : unsigned {
    mtfSaveData = 1u << 0,
    mtfSaveCalculated = 1u << 1,
    mtfSaveLookup = 1u << 2,
    mtfSaveNonVisible = 1u << 3,
    mtfSaveBlobs = 1u << 4,
    mtfSaveDef = 1u << 5,
    mtfSaveIndexDef = 1u << 6,
    mtfSkipRest = 1u << 7,
    mtfSaveFiltered = 1u << 8,
    mtfSaveInLocalFormat = 1u << 9,
    mtfSaveIgnoreRange = 1u << 10,
    mtfSaveIgnoreMasterDetail = 1u << 11,
    mtfSaveDeltas = 1u << 12,
    mtfSaveDontFilterDeltas = 1u << 13,
    mtfSaveAppend = 1u << 14,
    mtfSaveFieldKind = 1u << 15,
    mtfSaveNoHeader = 1u << 16,
};
using TMemTableSaveFlags = unsigned;

// Writes the open table's rows (in its current order) into stream at its position, or at its end
// with mtfSaveAppend. Pending edits are posted first; the cursor stays where it was.
// Raises EDataSetError for a closed table and for mtfSaveDeltas.
void SaveTableToStream(TMemTable& table, QIODevice& stream, TMemTableSaveFlags flags);

// Reads a stream from its position to its end and appends its rows to the table. A definition
// section rebuilds the table's fields first; without one the header line matches columns to the
// existing fields by title. Raises EDataSetError for a field type it cannot hold and
// EConvertError for a value that is not of its field's type.
void LoadTableFromStream(TMemTable& table, QIODevice& stream);

// The same through a string, the form in which memo columns keep the stream: the windows-1250
// text read into characters.
QString SaveTableToString(TMemTable& table, TMemTableSaveFlags flags);
void LoadTableFromString(TMemTable& table, const QString& text);

// The value encodings of the stream, shared with its tests.
QString EscapeStreamText(const QString& text);
QString UnescapeStreamText(const QString& text);
QString EncodeSixBit(const QByteArray& bytes);
QByteArray DecodeSixBit(const QString& text);
