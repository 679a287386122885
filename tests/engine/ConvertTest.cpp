// Number text conversions, run under a comma-decimal locale: every text must still use ".".
#include "engine/Convert.h"
#include "engine/Errors.h"
#include "engine/Globals.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

namespace {

constexpr Real Inf = std::numeric_limits<Real>::infinity();
constexpr Real NaN = std::numeric_limits<Real>::quiet_NaN();

class ConvertTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr)
            << "the de_DE.UTF-8 locale is missing; the install script generates it";
        char probe[16];
        std::snprintf(probe, sizeof probe, "%.1f", 1.5);
        ASSERT_STREQ(probe, "1,5") << "the test locale must use a decimal comma";
    }
    void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

std::string Bits(int ones, int zeros) {
    return std::string(ones, '1') + std::string(zeros, '0');
}

TEST_F(ConvertTest, HexTextToInt) {
    struct Row {
        const char* text;
        int32_t expected;
    } rows[] = {
        {"ff", 255},
        {"FF", 255},
        {"aBcD", 0xABCD},
        {"7FFFFFFF", 2147483647},
        {"80000000", std::numeric_limits<int32_t>::min()},
        {"FFFFFFFF", -1},
        {"00000001", 1},
        {"0", 0},
        {"", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(HexTextToInt(row.text), row.expected);
    }
}

TEST_F(ConvertTest, BinTextToInt) {
    struct Row {
        std::string text;
        int32_t expected;
    } rows[] = {
        {"101", 5},
        {"0", 0},
        {"", 0},
        {Bits(32, 0), -1},
        {Bits(1, 31), std::numeric_limits<int32_t>::min()},
        {"0" + Bits(31, 0), 2147483647},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(BinTextToInt(row.text), row.expected);
    }
}

TEST_F(ConvertTest, InvalidDigitTextsAreRejected) {
    struct Row {
        bool hex;
        std::string text;
    } rows[] = {
        {true, "G"},
        {true, "1G"},
        {true, " 1"},
        {true, "-1"},
        {true, "0x10"},
        {true, "123456789"},
        {true, "000000000"},
        {false, "102"},
        {false, "2"},
        {false, "a"},
        {false, "1 "},
        {false, Bits(33, 0)},
        {false, "0" + Bits(32, 0)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        try {
            if (row.hex)
                HexTextToInt(row.text);
            else
                BinTextToInt(row.text);
            ADD_FAILURE() << "accepted";
        } catch (const EConvertError& e) {
            EXPECT_STREQ(e.what(),
                         row.hex ? "Invalid hexadecimal number" : "Invalid binary number");
        }
    }
}

TEST_F(ConvertTest, IntToHexAndBinText) {
    struct Row {
        int32_t value;
        const char* hex;
        std::string bin;
    } rows[] = {
        {0, "0", "0"},
        {5, "5", "101"},
        {10, "A", "1010"},
        {255, "FF", "11111111"},
        {-1, "FFFFFFFF", Bits(32, 0)},
        {std::numeric_limits<int32_t>::min(), "80000000", Bits(1, 31)},
        {2147483647, "7FFFFFFF", Bits(31, 0)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        EXPECT_EQ(IntToHexText(row.value), row.hex);
        EXPECT_EQ(IntToBinText(row.value), row.bin);
        EXPECT_EQ(HexTextToInt(IntToHexText(row.value)), row.value);
        EXPECT_EQ(BinTextToInt(IntToBinText(row.value)), row.value);
    }
}

TEST_F(ConvertTest, DotTextToFloatAcceptsPointNotation) {
    struct Row {
        const char* text;
        Real expected;
    } rows[] = {
        {"1.5", 1.5L},
        {"0.1", 0.1L},
        {"-2.5E-3", -2.5e-3L},
        {"+7", 7.0L},
        {".5", 0.5L},
        {"5.", 5.0L},
        {"1e5", 1e5L},
        {"1E+5", 1e5L},
        {"00012.250", 12.25L},
        {"123456789012345678901234567890", 123456789012345678901234567890.0L},
        {"1e-4940", 1e-4940L}, // subnormal
        {"1e-6000", 0.0L},     // underflows to zero
        {"1.18973149535723176502e+4932", std::numeric_limits<Real>::max()},
        // Halfway cases round to the even mantissa (the last bit is worth 2 here).
        {"18446744073709551617", 18446744073709551616.0L},
        {"18446744073709551619", 18446744073709551620.0L},
        {"18446744073709551617.0000001", 18446744073709551618.0L},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(DotTextToFloat(row.text), row.expected);
    }
}

TEST_F(ConvertTest, DotTextToFloatRejectsEverythingElse) {
    const char* rows[] = {"1,5", "",      ".",     "-",       "+",   "1e",  "1e+", "e5",
                          "E",   "1.2.3", " 1",    "1 ",      "inf", "nan", "INF", "0x10",
                          "--1", "1.5f",  "1e5.0", "1e99999", "1d5", "+-1", ".5e", "1..5"};
    for (const char* text : rows) {
        SCOPED_TRACE(text);
        try {
            DotTextToFloat(text);
            ADD_FAILURE() << "accepted";
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "'" + std::string(text) + "' is not a valid floating point value");
        }
    }
}

TEST_F(ConvertTest, FloatToDotTextF) {
    struct Row {
        TFloatFormat format;
        int precision;
        int digits;
        Real value;
        const char* expected;
    } rows[] = {
        // general
        {ffGeneral, 15, 0, 0.1L, "0.1"},
        {ffGeneral, 15, 0, 1e-5L, "1E-5"},
        {ffGeneral, 15, 0, 1.5e-5L, "1.5E-5"},
        {ffGeneral, 15, 0, 0.0001L, "0.0001"},
        {ffGeneral, 15, 0, 0.5L, "0.5"},
        {ffGeneral, 15, 0, 1500.0L, "1500"},
        {ffGeneral, 15, 0, 12.25L, "12.25"},
        {ffGeneral, 15, 0, -12.25L, "-12.25"},
        {ffGeneral, 15, 0, 1e20L, "1E20"},
        {ffGeneral, 15, 0, 1e14L, "100000000000000"},
        {ffGeneral, 15, 0, 1e15L, "1E15"},
        {ffGeneral, 15, 0, 123456789012345678.0L, "1.23456789012346E17"},
        {ffGeneral, 15, 0, 0.1L + 0.2L, "0.3"},
        {ffGeneral, 15, 0, 0.0L, "0"},
        {ffGeneral, 15, 0, -0.0L, "0"},
        {ffGeneral, 18, 4, 1.0L / 3, "0.333333333333333333"},
        {ffGeneral, 4, 2, 2.0L / 3, "0.6667"},
        {ffGeneral, 4, 2, 99999.0L, "1E5"},
        {ffGeneral, 18, 4, std::numeric_limits<Real>::max(), "1.18973149535723177E4932"},
        {ffGeneral, 15, 0, std::numeric_limits<Real>::denorm_min(), "3.64519953188247E-4951"},
        // exactly representable halves round away from zero
        {ffGeneral, 2, 0, 0.125L, "0.13"},
        {ffGeneral, 2, 0, 0.375L, "0.38"},
        {ffGeneral, 2, 0, 12.5L, "13"},
        {ffGeneral, 2, 0, 13.5L, "14"},
        // precision is clamped to 2..18
        {ffGeneral, 1, 0, 0.123L, "0.12"},
        {ffGeneral, -5, 0, 0.123L, "0.12"},
        {ffGeneral, 30, 0, 1.0L / 3, "0.333333333333333333"},
        // exponent
        {ffExponent, 3, 4, 0.000123L, "1.23E-4"},
        {ffExponent, 5, 4, 1500.0L, "1.5000E+3"},
        {ffExponent, 5, 4, -1500.0L, "-1.5000E+3"},
        {ffExponent, 5, 0, 1500.0L, "1.5000E+3"},
        {ffExponent, 5, 2, 1500.0L, "1.5000E+03"},
        {ffExponent, 5, 3, 1500.0L, "1.5000E+003"},
        {ffExponent, 5, 7, 1500.0L, "1.5000E+3"},
        {ffExponent, 2, 4, 9.96L, "1.0E+1"},
        {ffExponent, 18, 4, 1.0L, "1.00000000000000000E+0"},
        {ffExponent, 3, 4, 0.0L, "0.00E+0"},
        {ffExponent, 3, 2, 1e-100L, "1.00E-100"},
        // fixed
        {ffFixed, 18, 2, 3.14159L, "3.14"},
        {ffFixed, 18, 2, 1e25L, "1E25"},
        {ffFixed, 18, 2, -2.5L, "-2.50"},
        {ffFixed, 18, 2, 999.999L, "1000.00"},
        {ffFixed, 18, 2, 0.0L, "0.00"},
        {ffFixed, 18, 0, 0.0L, "0"},
        {ffFixed, 18, 0, 1234.5678L, "1235"},
        {ffFixed, 18, 0, 0.5L, "1"},
        {ffFixed, 18, 0, 1.5L, "2"},
        {ffFixed, 18, 0, 2.5L, "3"},
        {ffFixed, 18, 0, -0.25L, "0"},
        {ffFixed, 18, 4, 1e-5L, "0.0000"},
        {ffFixed, 18, 5, 1e-5L, "0.00001"},
        {ffFixed, 18, 3, 0.0625L, "0.063"},
        {ffFixed, 18, 25, 0.5L, "0.500000000000000000"},
        {ffFixed, 18, -1, 7.25L, "7"},
        {ffFixed, 18, 2, 123456789012345678.0L, "123456789012345678.00"},
        {ffFixed, 18, 2, 1234567890123456789.0L, "1.23456789012345679E18"},
        // never more significant digits than the precision
        {ffFixed, 4, 2, 123.456L, "123.50"},
        {ffFixed, 4, 2, 12345.0L, "1.235E4"},
        {ffFixed, 4, 2, 12355.0L, "1.236E4"},
        {ffFixed, 4, 6, 0.000123456L, "0.000123"},
        // ---- ties of the 18-digit decimal form round half away from zero ----
        {ffFixed, 18, 0, -2.5L, "-3"},
        {ffFixed, 18, 2, 0.125L, "0.13"},
        {ffFixed, 18, 1, 0.35L, "0.4"},
        {ffFixed, 18, 1, 0.45L, "0.5"},
        {ffFixed, 18, 2, 1.005L, "1.01"},
        {ffFixed, 18, 2, -1.005L, "-1.01"},
        {ffFixed, 18, 2, 0.005L, "0.01"},
        {ffFixed, 18, 2, 9.995L, "10.00"},
        {ffFixed, 18, 2, -0.0049L, "0.00"},
        {ffFixed, 18, 2, 1.0049L, "1.00"},
        {ffFixed, 18, 1, 0.34999L, "0.3"},
        {ffFixed, 18, 17, 0.123456789012345675L, "0.12345678901234568"},
        {ffFixed, 4, 7, 0.00012345L, "0.0001235"},
        {ffGeneral, 3, 0, 1.005L, "1.01"},
        {ffExponent, 2, 4, 0.125L, "1.3E-1"},
        {ffExponent, 3, 4, -1.005L, "-1.01E+0"},
        // infinities and not-a-number ignore precision and digits
        {ffGeneral, 15, 0, Inf, "INF"},
        {ffGeneral, 15, 0, -Inf, "INF"},
        {ffExponent, 3, 2, -Inf, "INF"},
        {ffFixed, 18, 2, Inf, "INF"},
        {ffGeneral, 15, 0, NaN, "NAN"},
        {ffFixed, 18, 2, -NaN, "NAN"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << "format " << row.format << " precision " << row.precision << " digits "
                     << row.digits << " expecting " << row.expected);
        EXPECT_EQ(FloatToDotTextF(row.format, row.precision, row.digits, row.value), row.expected);
    }
}

TEST_F(ConvertTest, TextNumberTextRoundTrip) {
    const char* rows[] = {"0.1",   "1E-5", "12.25", "-3.5E300",  "123456789012345",
                          "0.001", "1E15", "-7",    "2.5E-4000", "0.333333333333333"};
    for (const char* text : rows) {
        SCOPED_TRACE(text);
        EXPECT_EQ(FloatToDotText(DotTextToFloat(text)), text);
    }
}

TEST_F(ConvertTest, NumberTextNumberKeepsFifteenDigits) {
    const Real rows[] = {1.0L / 3, -2.0L / 7, 6.02214076e23L, 1.602e-19L, 12345.678901234567L};
    for (Real value : rows) {
        SCOPED_TRACE(static_cast<double>(value));
        const Real back = DotTextToFloat(FloatToDotText(value));
        EXPECT_LE(std::fabs(back - value), std::fabs(value) * 5e-15L);
        // the general format at full precision keeps 18 digits
        const Real full = DotTextToFloat(FloatToDotTextF(ffGeneral, 18, 0, value));
        EXPECT_LE(std::fabs(full - value), std::fabs(value) * 5e-18L);
    }
}

TEST_F(ConvertTest, LeavesTheUserLocaleAlone) {
    FloatToDotTextF(ffFixed, 18, 2, 1.5L);
    DotTextToFloat("2.5");
    try {
        DotTextToFloat("2,5");
    } catch (const EConvertError&) {
    }
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.2f", 2.25);
    EXPECT_STREQ(probe, "2,25");
    EXPECT_STREQ(std::localeconv()->decimal_point, ",");
}

TEST_F(ConvertTest, Log10AndPower10) {
    struct Row {
        Real x;
        Real log10;
    } rows[] = {
        {1.0L, 0.0L},
        {10.0L, 1.0L},
        {1000.0L, 3.0L},
        {1e-7L, -7.0L},
        {2.0L, 0.30102999566398119521L},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<double>(row.x));
        EXPECT_LE(std::fabs(Log10(row.x) - row.log10), 4e-18L);
        EXPECT_LE(std::fabs(Power10(row.log10) - row.x), row.x * 1e-17L);
    }
    EXPECT_EQ(Log10(0.0L), -Inf);
    EXPECT_TRUE(std::isnan(Log10(-1.0L)));
    EXPECT_EQ(Power10(5000.0L), Inf);
}

TEST_F(ConvertTest, CheckedIntegerConversions) {
    constexpr int32_t Min32 = std::numeric_limits<int32_t>::min();
    struct Row {
        Real value;
        bool truncFits;
        int32_t trunc;
        bool roundFits;
        int32_t round;
    } rows[] = {
        {2.9L, true, 2, true, 3},
        {-2.9L, true, -2, true, -3},
        {0.5L, true, 0, true, 0},
        {1.5L, true, 1, true, 2},
        {2.5L, true, 2, true, 2},
        {-0.5L, true, 0, true, 0},
        {-1.5L, true, -1, true, -2},
        {-2.5L, true, -2, true, -2},
        {2.4999L, true, 2, true, 2},
        {2147483647.4L, true, 2147483647, true, 2147483647},
        {2147483647.5L, true, 2147483647, false, 0},
        {2147483647.9L, true, 2147483647, false, 0},
        {2147483648.0L, false, 0, false, 0},
        {-2147483648.5L, true, Min32, true, Min32},
        {-2147483648.9L, true, Min32, false, 0},
        {-2147483649.0L, false, 0, false, 0},
        {1e300L, false, 0, false, 0},
        {Inf, false, 0, false, 0},
        {-Inf, false, 0, false, 0},
        {NaN, false, 0, false, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<double>(row.value));
        if (row.truncFits)
            EXPECT_EQ(TruncToInt32(row.value), row.trunc);
        else
            EXPECT_THROW(TruncToInt32(row.value), EInvalidOp);
        if (row.roundFits)
            EXPECT_EQ(RoundToInt32(row.value), row.round);
        else
            EXPECT_THROW(RoundToInt32(row.value), EInvalidOp);
    }
}

TEST_F(ConvertTest, FormatResult) {
    struct Row {
        Real value;
        int32_t numBase;
        int precision;
        bool expDisplay;
        const char* expected;
    } rows[] = {
        {255.0L, BaseHex, 2, false, "$FF"},
        {255.9L, BaseHex, 2, false, "$FF"},
        {-1.0L, BaseHex, 2, false, "$FFFFFFFF"},
        {-2.5L, BaseHex, 2, false, "$FFFFFFFE"},
        {0.0L, BaseHex, 18, true, "$0"},
        {5.0L, BaseBinary, 2, false, "#101"},
        {-1.0L, BaseBinary, 2, false, "#11111111111111111111111111111111"},
        {1.0L, BaseDecimal, 2, false, "1.00"},
        {2.0L / 3, BaseDecimal, 0, false, "1"},
        {1.0L / 3, BaseDecimal, 18, false, "0.333333333333333333"},
        {1.0L / 3, BaseDecimal, 20, false, "0.333333333333333333"},
        {1500.0L, BaseDecimal, 4, true, "1.5000E+3"},
        {1500.0L, BaseDecimal, 18, true, "1.50000000000000000E+3"},
        {1e25L, BaseDecimal, 2, false, "1E25"},
        {Inf, BaseDecimal, 2, false, "INF"},
        // ---- 18 digits without exponent display: the shortest text, not 18 decimals ----
        {2.0L, BaseDecimal, 18, false, "2"},
        {1e-10L, BaseDecimal, 18, false, "1E-10"},
        {-123.456L, BaseDecimal, 18, false, "-123.456"},
        {2.0L / 3, BaseDecimal, 18, false, "0.666666666666666667"},
        {1.0L / 7, BaseDecimal, 17, false, "0.14285714285714286"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.expected);
        EXPECT_EQ(FormatResult(row.value, row.numBase, row.precision, row.expDisplay),
                  row.expected);
    }
    // Hexadecimal and binary display need a value in the 32-bit range.
    EXPECT_THROW(FormatResult(1e10L, BaseHex, 2, false), EInvalidOp);
    EXPECT_THROW(FormatResult(NaN, BaseBinary, 2, false), EInvalidOp);
}

} // namespace
