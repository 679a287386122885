#pragma once
// Conversions between numbers and text shared by the whole program. Decimal texts always use
// "." as separator, whatever the user's locale.
#include "engine/Real.h"

#include <cstdint>
#include <string>
#include <string_view>

// Hexadecimal / binary digits to a signed 32-bit value; more than 8 / 32 digits are rejected.
// Raise EConvertError "Invalid hexadecimal number" / "Invalid binary number".
int32_t HexTextToInt(std::string_view text);
int32_t BinTextToInt(std::string_view text);
std::string IntToHexText(int32_t value); // no prefix, upper case, no leading zeros
std::string IntToBinText(int32_t value);

// Raises EConvertError "'<text>' is not a valid floating point value".
Real DotTextToFloat(std::string_view text);
std::string FloatToDotText(Real value); // general format, precision 15

enum TFloatFormat : int { ffGeneral = 0, ffExponent = 1, ffFixed = 2 };
std::string FloatToDotTextF(TFloatFormat format, int precision, int digits, Real value);

// abs(value) rounded to `significant` decimal digits (1 to 18), its decimal point then moved
// `places` to the right (left when negative): the result is read back from those digits, so it
// is correctly rounded and no binary scaling adds an error (0 or a subnormal far below the
// extended range).
Real ShiftDecimalPoint(Real value, int significant, int places);

Real Log10(Real x);
Real Power10(Real x);

// Checked conversions to a signed 32-bit integer: a value outside the range (or not a number)
// raises EInvalidOp "Invalid floating point operation".
int32_t TruncToInt32(Real value);  // toward zero
int32_t RoundToInt32(Real value);  // to nearest, ties to even

// The calculator's result display: "$hex" / "#binary" by numBase, else decimal text in
// general, fixed or exponent form by precision (18 = free format) and expDisplay.
std::string FormatResult(Real value, int32_t numBase, int precision, bool expDisplay);
