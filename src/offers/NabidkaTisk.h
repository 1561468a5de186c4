#pragma once

#include <QStringList>

#include "platform/data/MemTable.h"

// The print and export data of one offer: the tables every offer report and the XML export of
// offers are made from. Their field names and labels are what report layouts and export files
// use, so they never change. Building them reads the stored offer and never writes to a database.

// The tables of the offer reports. They live for the whole run, as the offer list does, and keep
// the last offer built until the next build empties and refills them.
struct TOfferPrintTables {
    TOfferPrintTables();
    TOfferPrintTables(const TOfferPrintTables&) = delete;
    TOfferPrintTables& operator=(const TOfferPrintTables&) = delete;

    // One offer: the header (one row), the printed items (index "Poradi" active after a build)
    // and one subtotal row per heading item.
    TMemTable mtHlavickaNab;
    TMemTable mtPolozkyNab;
    TMemTable mtNadpisoveSoucty;
    // The offer-list report: one row per listed offer and its one summary row. The report's
    // print data fills them; their structure is fixed here beside the others.
    TMemTable mtSeznamNab;
    TMemTable mtHlavNab;
};

// The tables of the run.
TOfferPrintTables& OfferPrintTables();

// Rebuilds mtHlavickaNab, mtPolozkyNab and mtNadpisoveSoucty for the current row of the main
// window's adqNabidky (callers position it first), and the identifier breakdown of its printed
// items in the print breakdown window (PrintBreakdownWindow). A database error reaches the caller.
// Always 0.
int BuildOfferPrintData();

// The lines the last build put into the information window: one per item whose VAT rate is none of
// the offer's, whose amount is therefore in no class of the recap. Empty when every item fitted.
const QStringList& LastOfferPrintProblems();
