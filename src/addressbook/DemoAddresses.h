#pragma once

class TADOConnection;

// The address book of the demonstration firm: a dozen invented Czech customers of a small
// electrical installation firm, with valid identification numbers, their towns and postal codes,
// and their contact persons. Written into an open firm database that holds no addresses yet.
void AddDemoAddresses(TADOConnection& firm);

// Whether the text is a Czech identification number (IČ): eight digits whose last is the check
// digit of the first seven (weights 8 down to 2, modulo 11).
bool ValidIco(const char* ico);
