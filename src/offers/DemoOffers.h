#pragma once

class TADOConnection;

// The offers of the demonstration firm: four offers of its electrical installation work to
// customers in various states, priced from its demonstration price list and numbered from its
// number series. Written into an open firm database that holds the price list and no offers yet.
void AddDemoOffers(TADOConnection& firm);
