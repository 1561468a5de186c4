#pragma once

struct sqlite3;

// Registers on a connection what Jet SQL needs beyond the engine: the Jet functions under
// their "jet_" names (see the translator), a Unicode LIKE and the collation JET.
// Returns an SQLite result code.
int RegisterJetFunctions(sqlite3* db);
