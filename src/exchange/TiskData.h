#pragma once

#include "platform/data/MemTable.h"

// The print data this subsystem fills for the report program: the offer-list report and the
// note. The price-list print tables are the options window's own.

// Refills the offer-list report (`mtSeznamNab` with its one-row header `mtHlavNab` of the offer
// print tables) from the offer list: the marked offers, or every listed one when none is marked,
// with their sums in the header row.
void BuildOfferListPrintData();

// The fields of the note print table, made once on the main window's table.
void PrepareNotePrintTable();
