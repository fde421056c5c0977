#include "velbend/common/numtext.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

using namespace velbend;

TEST(Str, ClassicPrintForm) {
    struct Case { double v; const char* want; };
    const Case cases[] = {
        {0, " 0"}, {-0.0, " 0"}, {5, " 5"}, {-5, "-5"}, {0.5, " .5"}, {-0.5, "-.5"},
        {1.5, " 1.5"}, {40, " 40"}, {0.1 + 0.2, " .3"}, {1.0 / 3, " .333333333333333"},
        {123456789012345.0, " 123456789012345"}, {1e15, " 1E+15"}, {1.5e20, " 1.5E+20"},
        {0.0001, " .0001"}, {0.00001, " 1E-05"}, {-0.00001, "-1E-05"}, {1.25e-7, " 1.25E-07"},
        {1e100, " 1E+100"}, {2.5e-300, " 2.5E-300"}, {10000.0, " 10000"}, {-1234.5678, "-1234.5678"},
    };
    for (const auto& c : cases) EXPECT_EQ(Str(c.v), c.want) << c.v;
}

TEST(Str, SingleAndIntegers) {
    EXPECT_EQ(StrSingle(0.1f), " .1");
    EXPECT_EQ(StrSingle(1.0f / 3), " .3333333");
    EXPECT_EQ(StrSingle(-2.5f), "-2.5");
    EXPECT_EQ(StrSingle(12345678.0f), " 1.234568E+07");
    EXPECT_EQ(Str(0), " 0");
    EXPECT_EQ(Str(static_cast<int16_t>(-32768)), "-32768");
    EXPECT_EQ(Str(1000LL), " 1000");
}

TEST(PrintLine, ZonesOfFourteenColumns) {
    // A number is followed by one blank; ',' moves to the next zone start.
    EXPECT_EQ(PrintLine().Num(40).Zone().Num(1).str(), " 40            1 ");
    EXPECT_EQ(PrintLine().Num(40).Zone().Num(1).str().size(), 17u);
    EXPECT_EQ(PrintLine().Num(0.5).Zone().Text("desc").str(), " .5           desc");
    // Exactly 14 columns: the next zone is column 15.
    EXPECT_EQ(PrintLine().Text("1234567890123 ").Zone().Text("x").str(), "1234567890123 x");
    // Past column 14: column 29.
    EXPECT_EQ(PrintLine().Num(-123456.789012345).Zone().Text("x").str(),
              "-123456.789012345 " + std::string(10, ' ') + "x");
    EXPECT_EQ(PrintLine().Zone().Text("x").str(), std::string(14, ' ') + "x");
    EXPECT_EQ(PrintLine().Int(3).Text(";").Int(-4).str(), " 3 ;-4 ");
}

TEST(Format, Patterns) {
    struct Case { double v; const char* pat; const char* want; };
    const Case cases[] = {
        {1.005, "0.00", "1.01"}, {2.675, "0.00", "2.68"}, {-2.675, "0.00", "-2.68"},
        {12.346, "0.00", "12.35"}, {-0.5, "0.00", "-0.50"}, {0, "0.00", "0.00"},
        {-0.004, "0.00", "0.00"}, {-0.005, "0.00", "-0.01"}, {0.995, "0.00", "1.00"},
        {99.995, "0.00", "100.00"}, {0.5, "0", "1"}, {1.5, "0", "2"}, {2.5, "0", "3"},
        {-2.5, "0", "-3"}, {-0.4, "0", "0"}, {3, "0", "3"}, {1.25, "0.0", "1.3"},
        {0.00005, "0.0000", "0.0001"}, {1.23456789, "0.000000", "1.234568"},
        {1e-9, "0.00000000", "0.00000000"}, {5e-9, "0.00000000", "0.00000001"},
        {0.1234, "0.000", "0.123"}, {7, "0000", "0007"}, {12345, "0000", "12345"},
        {-7, "0000", "-0007"}, {1e20, "0.00", "100000000000000000000.00"},
    };
    for (const auto& c : cases) EXPECT_EQ(Format(c.v, c.pat), c.want) << c.v << " " << c.pat;
    EXPECT_EQ(Format(0.5, "#.##"), ".5");  // unknown pattern: Str without its blank
}

TEST(AppendFixed, TheFormatTextAppendedForAnyDouble) {
    const char* pats[] = {"0", "0.0", "0.00", "0.000", "0.0000", "", "0.000000", "", "0.00000000"};
    const double values[] = {0.0, -0.0, 1.005, -2.675, 99.995, -0.004, 5e-9, -5e-9, 123456789.0078125,
                             1e20, 1e300, -1e300, 1e-300, -1e-300, std::numeric_limits<double>::max(),
                             -std::numeric_limits<double>::max(), std::numeric_limits<double>::denorm_min(),
                             std::numeric_limits<double>::min(), 999999999999999.5, 0.1 + 0.2};
    for (double v : values) {
        for (int d = 0; d <= 8; ++d) {
            if (!*pats[d]) continue;
            std::string s = "x=";
            AppendFixed(s, v, d);
            EXPECT_EQ(s, "x=" + Format(v, pats[d])) << v << " " << d;
        }
    }
    std::string big;
    AppendFixed(big, -std::numeric_limits<double>::max(), 8);
    EXPECT_EQ(big, "-179769313486232" + std::string(294, '0') + ".00000000");
    std::string tiny;
    AppendFixed(tiny, -1e-300, 8);
    EXPECT_EQ(tiny, "0.00000000");
    // Places outside 0..8 take the nearer end.
    std::string s;
    AppendFixed(s, 2.5, -1);
    s += ' ';
    AppendFixed(s, 1.234567895, 12);
    EXPECT_EQ(s, "3 1.23456790");
    std::string nf;
    AppendFixed(nf, std::nan(""), 3);
    nf += ' ';
    AppendFixed(nf, HUGE_VAL, 3);
    nf += ' ';
    AppendFixed(nf, -HUGE_VAL, 0);
    EXPECT_EQ(nf, "NaN Inf -Inf");
}

TEST(Val, LenientConversion) {
    struct Case { const char* s; double want; };
    const Case cases[] = {
        {"", 0}, {"abc", 0}, {"  12.5xyz", 12.5}, {"\t-3", -3}, {"+4", 4}, {".5", 0.5},
        {"-.5", -0.5}, {"1E3", 1000}, {"1e-2", 0.01}, {"2.5E+2 rest", 250}, {"1E", 1},
        {"1E+", 1}, {"3,4", 3}, {"7 8", 7}, {"-", 0}, {".", 0}, {"- 5", 0}, {"1.2.3", 1.2},
        {" 1E-05 ", 1e-5}, {"0x10", 0}, {"12abc34", 12},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(Val(c.s), c.want) << c.s;
    EXPECT_EQ(Val("1e999"), std::numeric_limits<double>::max());
    EXPECT_EQ(Val("1e-999"), 0);
}

TEST(Val, IgnoresTheUserLocale) {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = old ? old : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
        EXPECT_DOUBLE_EQ(Val("1.5"), 1.5);
        EXPECT_EQ(Str(1.5), " 1.5");
        EXPECT_EQ(Format(1.5, "0.00"), "1.50");
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(IsNumeric, WholeTextMustBeANumber) {
    EXPECT_TRUE(IsNumeric("12"));
    EXPECT_TRUE(IsNumeric("  -1.5e3 "));
    EXPECT_TRUE(IsNumeric(".5"));
    EXPECT_FALSE(IsNumeric(""));
    EXPECT_FALSE(IsNumeric("  "));
    EXPECT_FALSE(IsNumeric("12a"));
    EXPECT_FALSE(IsNumeric("1E"));
    EXPECT_FALSE(IsNumeric("."));
    EXPECT_FALSE(IsNumeric("1 2"));
}

TEST(Rounding, HalfToEvenWithRangeChecks) {
    struct Case { double v; double want; };
    const Case cases[] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, -0}, {-1.5, -2}, {-2.5, -2},
                          {2.4999, 2}, {2.5001, 3}, {-2.6, -3}, {7, 7}};
    for (const auto& c : cases) EXPECT_EQ(RoundHalfEven(c.v), c.want) << c.v;

    EXPECT_EQ(ToInteger(32767.4), std::optional<int16_t>(32767));
    EXPECT_EQ(ToInteger(32767.5), std::nullopt);  // rounds to 32768
    EXPECT_EQ(ToInteger(-32768.5), std::optional<int16_t>(-32768));
    EXPECT_EQ(ToInteger(-32769), std::nullopt);
    EXPECT_EQ(ToInteger(std::nan("")), std::nullopt);
    EXPECT_EQ(ToLong(2147483647.0), std::optional<int32_t>(2147483647));
    EXPECT_EQ(ToLong(2147483648.0), std::nullopt);
    EXPECT_EQ(ToLong(-2147483648.4), std::optional<int32_t>(-2147483647 - 1));
    EXPECT_EQ(ToLong(1e300), std::nullopt);
    EXPECT_EQ(ToInt64(9.3e18), std::nullopt);
    EXPECT_EQ(ToInt64(-12.5), std::optional<int64_t>(-12));
    EXPECT_EQ(ToInt64(std::numeric_limits<double>::infinity()), std::nullopt);
}
