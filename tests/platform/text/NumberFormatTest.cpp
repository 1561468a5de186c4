#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/text/NumberFormat.h"

namespace {

// The fixed formats of the stored text streams: "." for decimals, "," for thousands.
TFormatSettings Fixed() {
    TFormatSettings fs;
    fs.DecimalSeparator = '.';
    fs.ThousandSeparator = ',';
    fs.DateSeparator = '/';
    fs.ShortDateFormat = "dd/mm/yyyy";
    return fs;
}

}  // namespace

TEST(FormatFloat, DisplayFormatsOfTheProgram) {
    struct Case {
        const char* format;
        long double value;
        const char* text;
    };
    const Case kCases[] = {
        {"# ### ### ##0.00", 1234.5, "1 234,50"},
        {"# ### ### ##0.00", 0, "0,00"},
        {"# ### ### ##0.00", 0.5, "0,50"},
        {"# ### ### ##0.00", -1234.5, "-1 234,50"},
        {"# ### ### ##0.00", 1234567890.125, "1 234 567 890,13"},
        {"# ### ### ##0.00", 12345678901.5, "12 345 678 901,50"},
        {"# ### ### ##0.0000", 7.12345, "7,1235"},
        {",0.00;-,0.00", 1234.5, "1 234,50"},
        {",0.00;-,0.00", -1234.5, "-1 234,50"},
        {",0.00;-,0.00", 1e6, "1 000 000,00"},
        {",0.00;-,0.00", 999.995, "1 000,00"},
        {",0.00;-,0.00", 0, "0,00"},
        {",0.00;-,0.00", -0.001, "0,00"},  // rounds to zero: no minus sign
        {",0.0000;-,0.0000", 1.23456, "1,2346"},
        {",0.0000;-,0.0000", -0.00005, "-0,0001"},
        {"#,##0.00", 1234567.5, "1 234 567,50"},
        {"#,##0.00", 12, "12,00"},
        {"0.00", 1234567.891, "1234567,89"},
        {"0.00", -2.5, "-2,50"},
        {"0.00", -0.004, "0,00"},
        {"0.00", 0.005, "0,01"},   // 0.005 is held a hair above the tie
        {"0.00", 1.005, "1,00"},   // and 1.005 a hair below it
        {"0.00", 2.675, "2,67"},   // a double: 2.67499999999999982
        {"0.00", 2.675L, "2,68"},  // extended: 2.67500000000000000
        {"0.00", 0.125L, "0,13"},  // an exact tie goes away from zero
        {"0.00", -0.125L, "-0,13"},
        {"0", 0.5, "1"},
        {"0", -0.5, "-1"},
        {"0", 2.5, "3"},
        {"0", 99.5, "100"},
        {"#.##", 0.5, ",5"},
        {"#.##", 5, "5"},
        {"0.##", 5.1, "5,1"},
        {"000", 7, "007"},
        {"0.00;(0.00);nula", -3, "(3,00)"},
        {"0.00;(0.00);nula", 0, "nula"},
        {"0.00;(0.00);nula", 0.001, "nula"},
        {"0.00;;nula", -3, "-3,00"},
        {"0.00 'Kč'", 5, "5,00 Kč"},
        {"\"č. \"0", 12, "č. 12"},
        {"", 1.5, "1,5"},
        {"0.00", 1e20, "1E20"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.format) + " / " + std::to_string(static_cast<double>(c.value)));
        EXPECT_EQ(FormatFloat(QString::fromUtf8(c.format), c.value).toStdString(), c.text);
    }
}

TEST(FormatFloat, UsesTheSeparatorsItIsGiven) {
    EXPECT_EQ(FormatFloat("#,##0.00", 1234567.5, Fixed()).toStdString(), "1,234,567.50");
    EXPECT_EQ(FloatToStr(1.5, Fixed()).toStdString(), "1.5");
}

TEST(FloatToStr, GeneralFormWithFifteenDigits) {
    struct Case {
        long double value;
        const char* text;
    };
    const Case kCases[] = {
        {0, "0"},
        {1.5, "1,5"},
        {-2.5, "-2,5"},
        {0.1 + 0.2, "0,3"},
        {1.0 / 3, "0,333333333333333"},
        {2.0 / 3, "0,666666666666667"},
        {123456789012345, "123456789012345"},
        {1e15, "1E15"},
        {1.5e20, "1,5E20"},
        {0.00001, "0,00001"},
        {0.000001, "1E-6"},
        {100, "100"},
        {-0.0, "0"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(FloatToStr(c.value).toStdString(), c.text);
    }
}

TEST(StrToFloat, AcceptsWhatPeopleTypeAndNothingElse) {
    struct Case {
        const char* text;
        bool ok;
        long double value;
    };
    const Case kCases[] = {
        {"1,5", true, 1.5L},
        {" -1 234,50 ", true, -1234.5L},
        {"1 234 567,89", true, 1234567.89L},
        {"1\u00A0234,5", true, 1234.5L},
        {"+3", true, 3},
        {"1,5e3", true, 1500},
        {",5", true, 0.5L},
        {"7,", true, 7},
        {"1.5", false, 0},
        {"", false, 0},
        {"abc", false, 0},
        {"1,2,3", false, 0},
        {",", false, 0},
        {"-", false, 0},
        {"1  234", false, 0},
        {" 234", true, 234},
        {"12x", false, 0},
        {"1e", false, 0},
        {"1e99999", false, 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.text);
        long double v = -1;
        EXPECT_EQ(TryStrToFloat(QString::fromUtf8(c.text), v), c.ok);
        if (c.ok) {
            EXPECT_EQ(v, c.value);
        } else {
            EXPECT_THROW(StrToFloat(QString::fromUtf8(c.text)), EConvertError);
        }
    }
    double d = 0;
    EXPECT_TRUE(TryStrToFloat("2.5", d, Fixed()));
    EXPECT_EQ(d, 2.5);
    EXPECT_EQ(StrToFloatDef("x", 9), 9);
}

// Plain decimals take a short way; it must give exactly the value of the full conversion, to the
// last bit of the long double, whatever the digits.
TEST(StrToFloat, PlainDecimalsReadToTheSameBitsAsTheFullConversion) {
    std::mt19937_64 random(20261211);
    std::vector<std::string> texts = {"0",
                                      "-0",
                                      "0,1",
                                      "0,3",
                                      "123,45",
                                      "-199,90",
                                      "9999999999999999999",
                                      "1844674407370955161,5",
                                      "0,0000000000000000001",
                                      "00012,500",
                                      "4,35",
                                      "1,005",
                                      "2,675",
                                      "1000000000000000000,1"};
    for (int i = 0; i < 20000; ++i) {
        const int length = 1 + static_cast<int>(random() % 19);
        std::string digits;
        for (int d = 0; d < length; ++d) digits.push_back(static_cast<char>('0' + random() % 10));
        const size_t point = random() % (digits.size() + 1);
        std::string text = random() % 2 ? "-" : "";
        text.append(digits, 0, point);
        if (point < digits.size()) text.append(",").append(digits, point);
        texts.push_back(text);
    }
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        std::string dotted = text;
        std::replace(dotted.begin(), dotted.end(), ',', '.');
        long double expected = 0;
        std::from_chars(dotted.data(), dotted.data() + dotted.size(), expected);
        long double value = 42;
        ASSERT_TRUE(TryStrToFloat(QString::fromStdString(text), value));
        ASSERT_EQ(std::memcmp(&value, &expected, 10), 0) << static_cast<double>(value);
    }
}

TEST(FormatFloat, RoundTripsThroughStrToFloat) {
    for (long double v : {0.0L, 1.25L, -99999.99L, 1234567.5L, 0.01L}) {
        SCOPED_TRACE(static_cast<double>(v));
        EXPECT_NEAR(static_cast<double>(StrToFloat(FormatFloat(",0.00;-,0.00", v))), static_cast<double>(v),
                    1e-9);
    }
}

TEST(StrToInt, DecimalHexAndRange) {
    struct Case {
        const char* text;
        bool ok;
        int value;
    };
    const Case kCases[] = {
        {"42", true, 42},
        {" -7 ", true, -7},
        {"+5", true, 5},
        {"$FF", true, 255},
        {"0x10", true, 16},
        {"-2147483648", true, INT32_MIN},
        {"2147483647", true, INT32_MAX},
        {"2147483648", false, 0},
        {"12a", false, 0},
        {"", false, 0},
        {"1 000", false, 0},
        {"-", false, 0},
        {"1,5", false, 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.text);
        int v = -1;
        EXPECT_EQ(TryStrToInt(c.text, v), c.ok);
        if (c.ok) {
            EXPECT_EQ(v, c.value);
        } else {
            EXPECT_THROW(StrToInt(c.text), EConvertError);
        }
    }
    EXPECT_EQ(StrToInt64("2147483648"), 2147483648LL);
    EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
    qint64 big = 0;
    EXPECT_FALSE(TryStrToInt64("9223372036854775808", big));
    EXPECT_EQ(StrToIntDef("junk", -1), -1);
}
