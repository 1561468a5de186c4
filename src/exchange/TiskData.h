#pragma once

#include "platform/data/MemTable.h"

// The print data this subsystem fills for the report program: the offer-list report and the
// price-list print tables.

// Refills the offer-list report (`mtSeznamNab` with its one-row header `mtHlavNab` of the offer
// print tables) from the offer list: the marked offers, or every listed one when none is marked,
// with their sums in the header row.
void BuildOfferListPrintData();

// The price-list print data: one header row, the sheets, the groups (with groups only) and the
// items, each child table keyed to its parent by `Sklad` or `Skupina`.
struct TPriceListPrintData {
    TMemTable mtTiskHlavicka;
    TMemTable mtTiskSklady;
    TMemTable mtTiskSkupiny;
    TMemTable mtTiskZasoby;
};
TPriceListPrintData& PriceListPrintData();
// Fills the price-list print data with the standard choice: the sheet the price list shows, all of
// its groups (with groups), every item its filter lets through except cost items, base prices only.
void BuildStandardPriceListData(bool groups);
// The price list's print button: the standard data, then the print dialog with or without groups.
void PrintPriceList();

// The fields of the note print table, made once on the main window's table.
void PrepareNotePrintTable();
