#include "platform/Numbers.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <string>

using platform::FormatFloat;
using platform::ParseFloat;
using platform::ParseInteger;
using platform::TrimSpaces;

namespace {

TEST(TrimSpaces, DropsBlanksOnlyAtBothEnds) {
    EXPECT_EQ(TrimSpaces("  12 "), "12");
    EXPECT_EQ(TrimSpaces("   "), "");
    EXPECT_EQ(TrimSpaces(""), "");
    EXPECT_EQ(TrimSpaces("\t12 "), "\t12"); // a tab is not a blank
    EXPECT_EQ(TrimSpaces(" 1 2 "), "1 2");
}

TEST(ParseFloat, AcceptsTheEntrySyntax) {
    EXPECT_EQ(ParseFloat("8.5"), 8.5);
    EXPECT_EQ(ParseFloat("+5"), 5.0);
    EXPECT_EQ(ParseFloat("-2.5"), -2.5);
    EXPECT_EQ(ParseFloat("1e3"), 1000.0);
    EXPECT_EQ(ParseFloat("1.5E-6"), 1.5e-6);
    EXPECT_EQ(ParseFloat("2e+2"), 200.0);
    EXPECT_EQ(ParseFloat("1."), 1.0);
    EXPECT_EQ(ParseFloat(".5"), 0.5);
    EXPECT_EQ(ParseFloat("-.5e1"), -5.0);
    EXPECT_EQ(ParseFloat("007"), 7.0);
}

TEST(ParseFloat, RefusesWhatADoubleCannotHoldHoweverItIsWritten) {
    const std::string zeros(400, '0');
    for (const std::string& text : std::initializer_list<std::string>{
             "1e400", "1" + zeros + "e-1", "1" + zeros, "1e99999999999999999999999",
             "1.79769313486233E308", "1797693134862321e293", // too large
             "1e-400", "0." + zeros + "1", "-0." + zeros + "1e0", "2e-324",
             "0.1e-323"}) // too small
        EXPECT_FALSE(ParseFloat(text).has_value()) << text;

    constexpr double Largest = std::numeric_limits<double>::max();
    EXPECT_EQ(ParseFloat("0e-400"), 0.0);
    EXPECT_EQ(ParseFloat("0." + zeros + "e400"), 0.0);
    EXPECT_EQ(ParseFloat("3e-324"), std::numeric_limits<double>::denorm_min());
    EXPECT_EQ(ParseFloat("1" + zeros + "e-700"), 1e-300);
    // The display's largest double lies beyond it, rounded up to 15 digits; so does all
    // between the two.
    EXPECT_EQ(ParseFloat("1.79769313486232E308"), Largest);
    EXPECT_EQ(ParseFloat("1.7976931348623159e308"), Largest);
    EXPECT_EQ(ParseFloat("-17976931348623.2e295"), -Largest);
}

TEST(ParseFloat, RefusesEverythingElse) {
    for (const char* text :
         {"",         " 12",   "12 ",    "1 2",   ".",   "-",     "+",   "e5",  "1e",
          "1e+",      "1.2.3", "1,5",    "0x10",  "$10", "nan",   "NAN", "inf", "-inf",
          "infinity", "1e400", "-1e309", "12abc", "++1", "1e5.0", "\t1"})
        EXPECT_FALSE(ParseFloat(text).has_value()) << '"' << text << '"';
}

TEST(ParseInteger, DecimalAndHexadecimal) {
    EXPECT_EQ(ParseInteger("0"), 0);
    EXPECT_EQ(ParseInteger("+5"), 5);
    EXPECT_EQ(ParseInteger("-17"), -17);
    EXPECT_EQ(ParseInteger("2147483647"), 2147483647);
    EXPECT_EQ(ParseInteger("-2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(ParseInteger("000000000000000042"), 42);
    EXPECT_EQ(ParseInteger("$ff"), 255);
    EXPECT_EQ(ParseInteger("xFF"), 255);
    EXPECT_EQ(ParseInteger("X1a"), 26);
    EXPECT_EQ(ParseInteger("0x10"), 16);
    EXPECT_EQ(ParseInteger("0X10"), 16);
    EXPECT_EQ(ParseInteger("-0x10"), -16);
    EXPECT_EQ(ParseInteger("+$10"), 16);
    // A hexadecimal number is a 32-bit pattern.
    EXPECT_EQ(ParseInteger("$7FFFFFFF"), 2147483647);
    EXPECT_EQ(ParseInteger("$80000000"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(ParseInteger("$FFFFFFFF"), -1);
    EXPECT_EQ(ParseInteger("$00000000FFFFFFFF"), -1);
    EXPECT_EQ(ParseInteger("-$80000000"), std::numeric_limits<std::int32_t>::min());
}

TEST(ParseInteger, RefusesBadTextAndOutOfRange) {
    for (const char* text :
         {"",           " 12",        "12 ",        "1 2",         "-",
          "+",          "0x",         "$",          "x",           "-$",
          "1.0",        "1e3",        "12a",        "$fg",         "0x-1",
          "$+1",        "--1",        "2147483648", "-2147483649", "99999999999999999999999",
          "$100000000", "-$80000001", "-$FFFFFFFF", "00x10",       "0b101",
          "\t1"})
        EXPECT_FALSE(ParseInteger(text).has_value()) << '"' << text << '"';
}

TEST(FormatFloat, GeneralFormatWithFifteenDigits) {
    EXPECT_EQ(FormatFloat(8.5), "8.5");
    EXPECT_EQ(FormatFloat(3), "3");
    EXPECT_EQ(FormatFloat(12.34), "12.34");
    EXPECT_EQ(FormatFloat(-2.5), "-2.5");
    EXPECT_EQ(FormatFloat(0.1 + 0.2), "0.3");
    EXPECT_EQ(FormatFloat(1.0 / 3.0), "0.333333333333333");
    EXPECT_EQ(FormatFloat(2.0 / 3.0), "0.666666666666667");
    EXPECT_EQ(FormatFloat(100), "100");
    EXPECT_EQ(FormatFloat(-0.0), "0");
    EXPECT_EQ(FormatFloat(0.0), "0");
}

TEST(FormatFloat, SwitchesToAnExponentAtTheLimits) {
    EXPECT_EQ(FormatFloat(0.00001), "0.00001");
    EXPECT_EQ(FormatFloat(0.000012345), "0.000012345");
    EXPECT_EQ(FormatFloat(0.0000099), "9.9E-6");
    EXPECT_EQ(FormatFloat(1.5e-6), "1.5E-6");
    EXPECT_EQ(FormatFloat(-1.5e-6), "-1.5E-6");
    EXPECT_EQ(FormatFloat(999999999999999.0), "999999999999999");
    EXPECT_EQ(FormatFloat(123456789012345.6), "123456789012346");
    EXPECT_EQ(FormatFloat(1e15), "1E15"); // sixteen integer digits
    EXPECT_EQ(FormatFloat(9999999999999999.0), "1E16");
    EXPECT_EQ(FormatFloat(1.25e16), "1.25E16");
    EXPECT_EQ(FormatFloat(1e300), "1E300");
    EXPECT_EQ(FormatFloat(5e-324), "4.94065645841247E-324");
    EXPECT_EQ(FormatFloat(std::nan("")), "NAN");
    EXPECT_EQ(FormatFloat(std::numeric_limits<double>::infinity()), "INF");
    EXPECT_EQ(FormatFloat(-std::numeric_limits<double>::infinity()), "-INF");
}

TEST(FormatFloat, WhatIsWrittenReadsBack) {
    for (double v :
         {8.5, -2.5, 0.1, 1e-5, 1.5e-6, 123456.789, 1e15, 3.75, 0.662, 1e-300,
          std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(),
          std::numeric_limits<double>::min(), std::numeric_limits<double>::denorm_min()}) {
        const auto back = ParseFloat(FormatFloat(v));
        ASSERT_TRUE(back.has_value()) << FormatFloat(v);
        EXPECT_NEAR(*back, v, std::fabs(v) * 1e-14) << FormatFloat(v);
    }
}

} // namespace
