#pragma once

class TADOConnection;

// The import definitions of the demonstration firm: a supplier's price list and an address book
// from text files, and an import of orders from the accounting program. Written into an open firm
// database that already holds its price list.
void AddDemoImportDefinitions(TADOConnection& firm);
