#include "engine/Convert.h"

#include "engine/ElemMath.h"
#include "engine/Errors.h"
#include "engine/Globals.h"
#include "engine/StringTable.h"

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

namespace {

constexpr Real Ln10 = 2.302585092994045684017991454684364208L;

// The "C" locale, made once; decimal texts are read and written through it so that the
// user's regional settings never change the separator.
locale_t CLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return locale;
}

// Switches the calling thread to the "C" locale for the lifetime of the object.
class TCLocaleScope {
public:
    TCLocaleScope() : Previous(uselocale(CLocale())) {}
    ~TCLocaleScope() { uselocale(Previous); }
    TCLocaleScope(const TCLocaleScope&) = delete;
    TCLocaleScope& operator=(const TCLocaleScope&) = delete;

private:
    locale_t Previous;
};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Optional sign, digits with at most one point (at least one digit), optional exponent.
bool IsDotNumber(std::string_view text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    int mantissaDigits = 0;
    while (i < n && IsDigit(text[i]))
        ++i, ++mantissaDigits;
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && IsDigit(text[i]))
            ++i, ++mantissaDigits;
    }
    if (mantissaDigits == 0) return false;
    if (i < n && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
        int exponentDigits = 0;
        while (i < n && IsDigit(text[i]))
            ++i, ++exponentDigits;
        if (exponentDigits == 0) return false;
    }
    return i == n;
}

// A value rounded to decimal digits: 0.d1d2...dk * 10^Exponent, no trailing zero digits.
// Zero has no digits and exponent 0.
struct TDecimal {
    std::string Digits;
    int Exponent = 0;
};

void DropTrailingZeros(TDecimal& decimal) {
    while (!decimal.Digits.empty() && decimal.Digits.back() == '0')
        decimal.Digits.pop_back();
    if (decimal.Digits.empty()) decimal.Exponent = 0;
}

// Rounds a finite, non-negative value to `significant` digits (1 to 18).
TDecimal RoundSignificant(Real value, int significant) {
    char buffer[64];
    {
        TCLocaleScope scope;
        std::snprintf(buffer, sizeof buffer, "%.*Le", significant - 1, value);
    }
    // buffer holds "d.ddde+X" (or "de+X" for one digit)
    TDecimal decimal;
    const char* p = buffer;
    for (; *p != 'e'; ++p)
        if (IsDigit(*p)) decimal.Digits += *p;
    decimal.Exponent = std::atoi(p + 1) + 1;
    if (decimal.Digits.find_first_not_of('0') == std::string::npos) decimal.Digits.clear();
    DropTrailingZeros(decimal);
    return decimal;
}

// Keeps the first `keep` digits of a decimal, rounding half away from zero: the sign is written
// apart, so that is half up on the digits. With no digit kept the result is zero, or one unit
// of the next place up when the first dropped digit is 5 or more.
TDecimal RoundDigits(const TDecimal& decimal, int keep) {
    if (keep >= static_cast<int>(decimal.Digits.size())) return decimal;
    TDecimal result;
    if (keep < 0) return result;
    const auto kept = static_cast<std::size_t>(keep);
    result.Digits = decimal.Digits.substr(0, kept);
    result.Exponent = decimal.Exponent;
    if (decimal.Digits[kept] >= '5') {
        std::size_t i = kept;
        while (i > 0 && result.Digits[i - 1] == '9')
            result.Digits[--i] = '0';
        if (i > 0) {
            ++result.Digits[i - 1];
        } else {
            result.Digits.insert(0, 1, '1');
            ++result.Exponent;
        }
    }
    DropTrailingZeros(result);
    return result;
}

// The digits of abs(exponent), at least `minDigits` of them.
std::string ExponentDigits(int exponent, int minDigits) {
    std::string text = std::to_string(exponent < 0 ? -exponent : exponent);
    if (static_cast<int>(text.size()) < minDigits)
        text.insert(0, static_cast<std::size_t>(minDigits) - text.size(), '0');
    return text;
}

// d1[.d2...dk]E[-]x: the short scientific form of the general format.
std::string GeneralScientific(const TDecimal& decimal) {
    std::string text(1, decimal.Digits[0]);
    if (decimal.Digits.size() > 1) text += '.' + decimal.Digits.substr(1);
    const int exponent = decimal.Exponent - 1;
    text += 'E';
    if (exponent < 0) text += '-';
    return text + ExponentDigits(exponent, 0);
}

std::string GeneralPositional(const TDecimal& decimal) {
    const std::string& digits = decimal.Digits;
    const int e = decimal.Exponent;
    if (e <= 0) {
        if (digits.empty()) return "0";
        return "0." + std::string(static_cast<std::size_t>(-e), '0') + digits;
    }
    const auto whole = static_cast<std::size_t>(e);
    if (digits.size() <= whole) return digits + std::string(whole - digits.size(), '0');
    return digits.substr(0, whole) + '.' + digits.substr(whole);
}

std::string Fixed(const TDecimal& decimal, int decimals) {
    const std::string& digits = decimal.Digits;
    const int e = decimal.Exponent;
    std::string text;
    if (e <= 0 || digits.empty()) {
        text = "0";
    } else {
        const auto whole = static_cast<std::size_t>(e);
        text = digits.substr(0, whole);
        if (text.size() < whole) text.append(whole - text.size(), '0');
    }
    if (decimals > 0) {
        std::string fraction;
        if (!digits.empty()) {
            if (e < 0) fraction.assign(static_cast<std::size_t>(-e), '0');
            if (e < static_cast<int>(digits.size()))
                fraction += digits.substr(static_cast<std::size_t>(e > 0 ? e : 0));
        }
        fraction.resize(static_cast<std::size_t>(decimals), '0');
        text += '.' + fraction;
    }
    return text;
}

std::string Exponent(const TDecimal& decimal, int precision, int digits) {
    std::string mantissa = decimal.Digits;
    mantissa.resize(static_cast<std::size_t>(precision), '0');
    // Zero is written with exponent +0 rather than -1.
    const int exponent = decimal.Digits.empty() ? 0 : decimal.Exponent - 1;
    std::string text(1, mantissa[0]);
    text += '.' + mantissa.substr(1) + 'E' + (exponent < 0 ? '-' : '+');
    return text + ExponentDigits(exponent, digits >= 0 && digits <= 3 ? digits : 0);
}

template <typename TDigitValue>
int32_t DigitsToInt(std::string_view text, std::size_t maxDigits, int bitsPerDigit, int message,
                    TDigitValue digitValue) {
    if (text.size() > maxDigits) throw EConvertError(LoadStr(message));
    uint32_t result = 0;
    for (char c : text) {
        const int digit = digitValue(c);
        if (digit < 0) throw EConvertError(LoadStr(message));
        result = (result << bitsPerDigit) | static_cast<uint32_t>(digit);
    }
    return static_cast<int32_t>(result);
}

std::string IntToDigits(int32_t value, int bitsPerDigit) {
    static const char digits[] = "0123456789ABCDEF";
    auto pattern = static_cast<uint32_t>(value);
    const uint32_t mask = (1u << bitsPerDigit) - 1;
    std::string text;
    do {
        text.insert(text.begin(), digits[pattern & mask]);
        pattern >>= bitsPerDigit;
    } while (pattern != 0);
    return text;
}

} // namespace

int32_t HexTextToInt(std::string_view text) {
    return DigitsToInt(text, 8, 4, Msg::InvalidHex, [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    });
}

int32_t BinTextToInt(std::string_view text) {
    return DigitsToInt(text, 32, 1, Msg::InvalidBinary, [](char c) {
        if (c == '0' || c == '1') return c - '0';
        return -1;
    });
}

std::string IntToHexText(int32_t value) {
    return IntToDigits(value, 4);
}
std::string IntToBinText(int32_t value) {
    return IntToDigits(value, 1);
}

Real DotTextToFloat(std::string_view text) {
    const std::string copy(text);
    const auto reject = [&copy] {
        return EConvertError("'" + copy + "' is not a valid floating point value");
    };
    if (!IsDotNumber(text)) throw reject();
    errno = 0;
    const Real value = strtold_l(copy.c_str(), nullptr, CLocale());
    // An exponent beyond the extended range is refused rather than read as infinity;
    // underflow gives a tiny value or zero.
    if (std::isinf(value)) throw reject();
    return value;
}

std::string FloatToDotText(Real value) {
    return FloatToDotTextF(ffGeneral, 15, 0, value);
}

std::string FloatToDotTextF(TFloatFormat format, int precision, int digits, Real value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return "INF";
    precision = precision < 2 ? 2 : (precision > 18 ? 18 : precision);
    const bool negative = std::signbit(value);
    const Real magnitude = std::fabs(value);

    // Every shorter form is rounded from the 18-digit decimal form, half away from zero: a
    // value the user reads as 2.5 or 1.005 rounds up, whichever side of the tie its binary
    // value lies.
    const TDecimal exact = RoundSignificant(magnitude, 18);
    TDecimal decimal = RoundDigits(exact, precision);
    if (format == ffFixed) {
        const int decimals = digits < 0 ? 0 : (digits > 18 ? 18 : digits);
        // Round to `decimals` places unless that keeps more than `precision` digits.
        if (decimal.Digits.empty() || decimals <= precision - decimal.Exponent)
            decimal = RoundDigits(exact, exact.Exponent + decimals);
    }

    std::string text;
    if (format == ffExponent) {
        text = Exponent(decimal, precision, digits);
    } else if (decimal.Exponent > precision ||
               (format == ffGeneral && decimal.Exponent < -3 && !decimal.Digits.empty())) {
        text = GeneralScientific(decimal);
    } else if (format == ffFixed) {
        text = Fixed(decimal, digits < 0 ? 0 : (digits > 18 ? 18 : digits));
    } else {
        text = GeneralPositional(decimal);
    }
    // A value that rounds to zero is written without a sign.
    if (negative && !decimal.Digits.empty()) text.insert(0, 1, '-');
    return text;
}

Real ShiftDecimalPoint(Real value, int significant, int places) {
    significant = significant < 1 ? 1 : (significant > 18 ? 18 : significant);
    const TDecimal decimal = RoundSignificant(std::fabs(value), significant);
    if (decimal.Digits.empty()) return 0;
    // 0.d1...dk · 10^Exponent is the integer d1...dk · 10^(Exponent - k).
    const int exponent = decimal.Exponent - static_cast<int>(decimal.Digits.size()) + places;
    const std::string text = decimal.Digits + 'e' + std::to_string(exponent);
    return strtold_l(text.c_str(), nullptr, CLocale());
}

Real Log10(Real x) {
    return ElemLn(x) / Ln10;
}
Real Power10(Real x) {
    return ElemExp(x * Ln10);
}

int32_t TruncToInt32(Real value) {
    if (!(value > -2147483649.0L && value < 2147483648.0L)) throw EInvalidOp();
    return static_cast<int32_t>(value);
}

int32_t RoundToInt32(Real value) {
    // The program never leaves round-to-nearest, so rint rounds halves to even (one frndint;
    // NaN stays NaN and fails the range check).
    const Real whole = std::rint(value);
    if (!(whole >= -2147483648.0L && whole <= 2147483647.0L)) throw EInvalidOp();
    return static_cast<int32_t>(whole);
}

std::string FormatResult(Real value, int32_t numBase, int precision, bool expDisplay) {
    if (numBase == BaseHex) return "$" + IntToHexText(TruncToInt32(value));
    if (numBase == BaseBinary) return "#" + IntToBinText(TruncToInt32(value));
    if (precision >= 18) return FloatToDotTextF(expDisplay ? ffExponent : ffGeneral, 18, 4, value);
    if (expDisplay) return FloatToDotTextF(ffExponent, precision + 1, 4, value);
    return FloatToDotTextF(ffFixed, 18, precision, value);
}
