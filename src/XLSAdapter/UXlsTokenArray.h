#pragma once

#include <QByteArray>

#include "XLSAdapter/UXlsBaseRecords.h"

// Walks the parsed tokens of a formula and moves the row references in them when rows are
// inserted, deleted or copied and when sheets are copied. Formulas are never evaluated: the walk
// only has to keep every reference pointing at the same cells. Every token and every length is
// checked against the end of the formula, so a damaged formula raises instead of being read past.

// Moves references for `count` rows inserted (count > 0) or deleted (count < 0) at `position` of
// sheet `InsSheet`, then relative rows (all rows when `onlyRelative` is off) by `copyOffset`.
void ArrangeInsertTokens(QByteArray& data, int start, int end, int position, int count, const SheetInfo& info,
                         int copyOffset, bool onlyRelative = true);
// Points 3D references to `FormulaSheet` at `InsSheet` (a copied sheet refers to itself).
void ArrangeCopySheetTokens(QByteArray& data, int start, int end, const SheetInfo& info);
// Turns the relative tokens of a shared formula into plain references for the cell at row, column.
void ExpandSharedTokens(QByteArray& data, int start, int end, int row, int column);
// Raises ETokenException for the first token the walker cannot handle; changes nothing. Lets a
// row operation refuse before it has moved anything.
void CheckTokens(const QByteArray& data, int start, int end);

// The token id as the library's messages show it.
QString TokenIdText(int id);
