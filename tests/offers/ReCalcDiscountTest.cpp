#include <gtest/gtest.h>

#include "offers/ReCalcDiscount.h"

TEST(ReCalcDiscountTest, TheDiscountBringsTheVariableItemsToTheRestAtFourDecimals) {
    struct Case {
        const char* name;
        double rest;
        double variable;
        long double discount;
    };
    const Case kCases[] = {
        {"two items worth 1000 to 900", 900, 1000, 10.0L},
        {"a target a cent below", 899.99, 1000, 10.001L},
        {"the 400 item locked: 500 out of 600", 500, 600, 16.6667L},
        {"above the current total is a surcharge", 1100, 1000, -10.0L},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(UniformDiscount(Currency::FromDouble(c.rest), Currency::FromDouble(c.variable)),
                  Currency::FromExtended(c.discount).ToExtended());
    }
}
