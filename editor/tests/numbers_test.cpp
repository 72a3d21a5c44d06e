// Rounding, optional numbers and their text, and reading the number at the start of an answer.
#include "numbers.h"

#include <gtest/gtest.h>

#include <cfloat>

namespace gridwright {
namespace {

TEST(RoundHalfEven, RoundsHalvesToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(127.5), 128);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
    EXPECT_EQ(RoundHalfEven(-1.5), -2);
    EXPECT_EQ(RoundHalfEven(2.4999), 2);
}

TEST(OptionalNumber, RemembersNoValueWholeOrDouble) {
    OptionalNumber none;
    EXPECT_FALSE(none.HasValue());
    EXPECT_EQ(none.Value(), 0);
    EXPECT_EQ(none.ToText(), "");

    const OptionalNumber zero = OptionalNumber::Whole(0);
    EXPECT_TRUE(zero.IsWhole());
    EXPECT_EQ(zero.ToText(), "0");

    EXPECT_EQ(OptionalNumber::Double(2.50).ToText(), "2.5");
    EXPECT_EQ(OptionalNumber::Double(7).ToText(), "7");
    EXPECT_EQ(OptionalNumber::Double(0.1).ToText(), "0.1");
    EXPECT_EQ(OptionalNumber::Double(1398101).ToText(), "1398101");
    EXPECT_FALSE(OptionalNumber::Double(7).IsWhole());
    EXPECT_NE(OptionalNumber::Double(0), OptionalNumber::Whole(0));
}

TEST(OptionalNumber, TextReadsBackAsTheSameNumber) {
    for (const double value : {1e-300, 2e-83, 1e-65, -1e-300, 5e-324, 1.7976931348623157e308, 0.1,
                               1.0 / 3, 2.5e-5, 123456.789, 1e15, 1398101.25}) {
        const std::string text = OptionalNumber::Double(value).ToText();
        EXPECT_EQ(ReadNumber(text), value) << text;
        EXPECT_LE(text.size(), 24u) << text;
    }
}

TEST(OptionalNumber, ZeroShowsWithoutSign) {
    EXPECT_EQ(OptionalNumber::Double(-0.0).ToText(), "0");
    EXPECT_EQ(FloatToText(-0.0f), "0");
}

TEST(ReadNumber, ReadsTheNumberAtTheStart) {
    EXPECT_EQ(ReadNumber("7"), 7);
    EXPECT_EQ(ReadNumber("12abc"), 12);
    EXPECT_EQ(ReadNumber("1.5"), 1.5);
    EXPECT_EQ(ReadNumber("abc"), 0);
    EXPECT_EQ(ReadNumber(""), 0);
    EXPECT_EQ(ReadNumber("-2.25x"), -2.25);
    EXPECT_EQ(ReadNumber("+3"), 3);
    EXPECT_EQ(ReadNumber(".5"), 0.5);
    EXPECT_EQ(ReadNumber("5."), 5);
    EXPECT_EQ(ReadNumber("."), 0);
    EXPECT_EQ(ReadNumber("-"), 0);
    EXPECT_EQ(ReadNumber("1,5"), 1) << "only the full stop is a decimal point";
    EXPECT_EQ(ReadNumber("1.2.3"), 1.2);
}

TEST(ReadNumber, SkipsBlanksTabsAndLineFeedsAnywhere) {
    EXPECT_EQ(ReadNumber(" 3 "), 3);
    EXPECT_EQ(ReadNumber("3 4"), 34);
    EXPECT_EQ(ReadNumber("\t-1\n2"), -12);
    EXPECT_EQ(ReadNumber("1 . 5"), 1.5);
    EXPECT_EQ(ReadNumber("\r5"), 0) << "a carriage return is not skipped";
}

TEST(ReadNumber, Exponents) {
    EXPECT_EQ(ReadNumber("1e3"), 1000);
    EXPECT_EQ(ReadNumber("2.5E-1"), 0.25);
    EXPECT_EQ(ReadNumber("1e+2x"), 100);
    EXPECT_EQ(ReadNumber("1e"), 1);
    EXPECT_EQ(ReadNumber("1e+"), 1);
    EXPECT_EQ(ReadNumber("1e-400"), 0);
}

TEST(ReadNumber, ExponentMarkedWithDAsInClassicBasic) {
    EXPECT_EQ(ReadNumber("1D2"), 100);
    EXPECT_EQ(ReadNumber("2.5d-1"), 0.25);
    EXPECT_EQ(ReadNumber("3D+1x"), 30);
    EXPECT_EQ(ReadNumber("1d"), 1);
}

TEST(ReadNumber, HexadecimalAndOctal) {
    EXPECT_EQ(ReadNumber("&H1F"), 31);
    EXPECT_EQ(ReadNumber("&hff"), 255);
    EXPECT_EQ(ReadNumber("&O17"), 15);
    EXPECT_EQ(ReadNumber("&o78"), 7);
    EXPECT_EQ(ReadNumber("&H"), 0);
    EXPECT_EQ(ReadNumber("&X1"), 0);
    EXPECT_EQ(ReadNumber("& H 1 0"), 16);
}

TEST(ReadNumber, NeverYieldsInfinityOrNaN) {
    EXPECT_EQ(ReadNumber("1e999"), 0);
    EXPECT_EQ(ReadNumber("-1e999"), 0);
    EXPECT_EQ(ReadNumber(std::string(400, '9')), 0);
    EXPECT_EQ(ReadNumber("&H" + std::string(300, 'F')), 0);
    EXPECT_EQ(ReadNumber("inf"), 0);
    EXPECT_EQ(ReadNumber("nan"), 0);
    EXPECT_EQ(ReadNumber("1e308"), 1e308);
}

TEST(FloatToText, SevenDigitsThenTheExponentForm) {
    EXPECT_EQ(FloatToText(1234567.0f), "1234567");
    EXPECT_EQ(FloatToText(1e7f), "1E+07");
    EXPECT_EQ(FloatToText(12345670.0f), "1.234567E+07");
    EXPECT_EQ(FloatToText(1e38f), "1E+38");
    EXPECT_EQ(FloatToText(123.4567f), "123.4567");
    EXPECT_EQ(FloatToText(0.0001f), "0.0001");
    EXPECT_EQ(FloatToText(1e-5f), "1E-05");
    EXPECT_EQ(FloatToText(0.5f), "0.5");
    // Where seven digits do not tell the value apart, more are written.
    EXPECT_EQ(FloatToText(12345678.0f), "1.2345678E+07");
    EXPECT_EQ(static_cast<float>(ReadNumber(FloatToText(16777215.0f))), 16777215.0f);
}

TEST(FloatToText, ShortestSinglePrecisionForm) {
    EXPECT_EQ(FloatToText(1.0f), "1");
    EXPECT_EQ(FloatToText(0.1f), "0.1");
    EXPECT_EQ(FloatToText(2.5f), "2.5");
    EXPECT_EQ(static_cast<float>(ReadNumber(FloatToText(FLT_MAX))), FLT_MAX);
}

}  // namespace
}  // namespace gridwright
