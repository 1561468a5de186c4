#pragma once

class TADOConnection;

// The offer templates, free texts and orders of the demonstration firm: Czech terms of delivery and
// payment, a warranty text, two templates and three orders, one of which an offer belongs to.
// Written into an open firm database that already holds the demonstration offers.
void AddDemoOfferExtras(TADOConnection& firm);
