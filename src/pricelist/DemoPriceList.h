#pragma once

class TADOConnection;

// The price list of the demonstration firm: a few sheets and groups of a small Czech electrical
// installation firm, a few dozen items with their prices, three price levels and two price groups.
// Written into an open firm database that holds no price list yet.
void AddDemoPriceList(TADOConnection& firm);
