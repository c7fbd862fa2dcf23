#include "convert/NumberText.h"

#include <gtest/gtest.h>

#include <clocale>

namespace gc {
namespace {

TEST(NumberText, GeneralNotationKeepsThePointAndDropsTrailingZeros) {
    EXPECT_EQ(FormatGeneral(0.0, 20), "0.");
    EXPECT_EQ(FormatGeneral(-309.0, 20), "-309.");
    EXPECT_EQ(FormatGeneral(-12420.0, 15), "-12420.");
    EXPECT_EQ(FormatGeneral(128.0, 15), "128.");
    EXPECT_EQ(FormatGeneral(-0.4016, 15), "-0.4016");
    EXPECT_EQ(FormatGeneral(1.9, 20), "1.8999999999999999112");
    EXPECT_EQ(FormatGeneral(static_cast<double>(-0.4016f), 20), "-0.40160000324249267578");
    EXPECT_EQ(FormatGeneral(static_cast<double>(4.402f), 20), "4.4019999504089355469");
    // 0.1 is the first magnitude written in fixed-point; 20 digits follow its point.
    EXPECT_EQ(FormatGeneral(0.1, 20), "0.10000000000000000555");
    EXPECT_EQ(FormatGeneral(-0.1, 15), "-0.1");
}

TEST(NumberText, GeneralNotationUsesExponentOutsideItsFixedRange) {
    EXPECT_EQ(FormatGeneral(0.05, 15), "5.e-02");
    EXPECT_EQ(FormatGeneral(0.0625, 20), "6.25e-02");
    EXPECT_EQ(FormatGeneral(1e20, 20), "1.e+20");
    EXPECT_EQ(FormatGeneral(99999999999999999999.0, 20), "1.e+20");
    EXPECT_EQ(FormatGeneral(123456789012345.0, 15), "123456789012345.");
    EXPECT_EQ(FormatGeneral(1234567890123456.0, 15), "1.23456789012346e+15");
    // Rounding to the requested digits may lift a value into the fixed range.
    EXPECT_EQ(FormatGeneral(0.0999999999999999999, 15), "0.1");
}

TEST(NumberText, GeneralNotationReadsBackToTheSameDouble) {
    for (double value : {1.9, -0.3, -2.0, 0.7, static_cast<double>(-87.68f), static_cast<double>(3.826f),
                         1e-7, -123456.789, 7.0 / 3.0})
        EXPECT_EQ(ParseDecimal(FormatGeneral(value, 20)), value) << FormatGeneral(value, 20);
}

TEST(NumberText, ShortestNotationHasNoPointForWholeNumbers) {
    EXPECT_EQ(FormatShortest(-309.0, 15), "-309");
    EXPECT_EQ(FormatShortest(static_cast<double>(-0.4016f), 15), "-0.401600003242493");
    EXPECT_EQ(FormatShortest(4.402, 15), "4.402");
}

TEST(NumberText, ReadingIsLenient) {
    EXPECT_EQ(ParseDecimal("  -0.4016"), -0.4016);
    EXPECT_EQ(ParseDecimal("12abc"), 12.0);
    EXPECT_EQ(ParseDecimal("abc"), 0.0);
    EXPECT_EQ(ParseDecimal(""), 0.0);
    EXPECT_EQ(ParseDecimal("1.9000000000000000"), 1.9);
    EXPECT_EQ(ParseLeadingInteger("12abc"), 12);
    EXPECT_EQ(ParseLeadingInteger(" 7"), 7);
    EXPECT_EQ(ParseLeadingInteger("abc"), 0);
    EXPECT_EQ(ParseLeadingInteger("-4"), -4);
    EXPECT_GT(ParseLeadingInteger("99999999999999999999999"), 20000);
}

TEST(NumberText, IndependentOfTheProcessLocale) {
    // A locale with a decimal comma, when the machine has one.
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous != nullptr ? previous : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr)
        GTEST_SKIP() << "no de_DE.UTF-8 locale";
    EXPECT_EQ(ParseDecimal("-0.4016"), -0.4016);
    EXPECT_EQ(FormatGeneral(4.5, 15), "4.5");
    EXPECT_EQ(FormatShortest(4.5, 15), "4.5");
    std::setlocale(LC_NUMERIC, saved.c_str());
}

} // namespace
} // namespace gc
