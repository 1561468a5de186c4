#pragma once

class TADOConnection;

// The postal codes every installation starts with: the Czech towns a small firm writes to most,
// written into the main database's table `Mista`, codes without blanks.
void AddShippedPostalCodes(TADOConnection& global);

// How many rows AddShippedPostalCodes writes.
int ShippedPostalCodeCount();
