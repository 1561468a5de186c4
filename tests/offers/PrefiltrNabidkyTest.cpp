#include <gtest/gtest.h>

#include "offers/PrefiltrNabidky.h"

TEST(PrefiltrNabidkyTest, AUserIsInTheListOnlyByHisWholeNumber) {
    struct Case {
        const char* list;
        int user;
        bool contained;
    };
    const Case kCases[] = {
        {"1;12", 1, true}, {"1;12", 12, true}, {"1;12", 2, false}, {"12", 1, false},
        {"0;3", 0, true},  {"", 0, false},     {"7", 7, true},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.list) + " / " + std::to_string(c.user));
        TPrefiltrNabidky prefilter;
        prefilter.List = QString::fromLatin1(c.list);
        EXPECT_EQ(prefilter.ContainsUser(c.user), c.contained);
    }
}
