// The elementary functions against MPFR: every result within its bound of the exact value,
// 1 ulp for the C library's, tighter for our own sine, cosine and exponential.
#include "engine/ElemMath.h"

#include <gtest/gtest.h>
#include <mpfr.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int ExactBits = 320;
constexpr int SmallestNormalExponent = -16382; // 2^-16382 is the smallest normal Real
constexpr int MantissaBits = 64;

using TMpfrFn = int (*)(mpfr_ptr, mpfr_srcptr, mpfr_rnd_t);

struct TFunction {
    const char* Name;
    Real (*Elem)(Real);
    TMpfrFn Exact;
    double Bound; // largest error allowed, in ulps
};

// Our own functions stay below 0.8 ulp (0.78 the worst of 700,000 random arguments); the
// bound leaves room for that and little more, so a kernel term gone wrong, which adds about
// a third of an ulp, shows up on a few thousand arguments rather than once in 200,000.
constexpr double OwnBound = 0.85;
const TFunction Sin{"sin", ElemSin, mpfr_sin, OwnBound};
const TFunction Cos{"cos", ElemCos, mpfr_cos, OwnBound};
const TFunction Exp{"exp", ElemExp, mpfr_exp, OwnBound};
const TFunction Ln{"ln", ElemLn, mpfr_log, 1.0};
const TFunction ArcTan{"arctan", ElemArcTan, mpfr_atan, 1.0};
const TFunction Sqrt{"sqrt", ElemSqrt, mpfr_sqrt, 1.0};

class TMpfr {
public:
    TMpfr() { mpfr_init2(Value, ExactBits); }
    ~TMpfr() { mpfr_clear(Value); }
    TMpfr(const TMpfr&) = delete;
    TMpfr& operator=(const TMpfr&) = delete;
    mpfr_t Value;
};

std::string Hex(Real x) {
    char text[64];
    std::snprintf(text, sizeof text, "%La", x);
    return text;
}

// Exponent of the ulp of an exact value: the ulp of the Real binade the value lies in, and
// the fixed subnormal spacing 2^-16445 below the normal range.
long UlpExponent(const mpfr_t exact) {
    const long binade = mpfr_get_exp(exact) - 1; // 2^binade <= |exact| < 2^(binade+1)
    return std::max<long>(binade, SmallestNormalExponent) - (MantissaBits - 1);
}

// |got - exact| in ulps of the exact value; infinite results must match the rounded one.
double UlpError(Real got, const mpfr_t exact) {
    if (mpfr_nan_p(exact)) return std::isnan(got) ? 0 : HUGE_VAL;
    const Real rounded = mpfr_get_ld(exact, MPFR_RNDN);
    if (std::isinf(rounded) || std::isinf(got) || std::isnan(got))
        return got == rounded ? 0 : HUGE_VAL;
    if (mpfr_zero_p(exact)) return got == 0 ? 0 : HUGE_VAL;
    TMpfr difference;
    mpfr_set_ld(difference.Value, got, MPFR_RNDN); // exact at this precision
    mpfr_sub(difference.Value, difference.Value, exact, MPFR_RNDN);
    mpfr_mul_2si(difference.Value, difference.Value, -UlpExponent(exact), MPFR_RNDN);
    return std::fabs(mpfr_get_d(difference.Value, MPFR_RNDN));
}

double ErrorOf(const TFunction& function, Real x) {
    TMpfr exact;
    mpfr_set_ld(exact.Value, x, MPFR_RNDN);
    function.Exact(exact.Value, exact.Value, MPFR_RNDN);
    return UlpError(function.Elem(x), exact.Value);
}

// Checks every argument; reports the worst few by name rather than thousands of lines.
void ExpectWithinBound(const TFunction& function, const std::vector<Real>& arguments,
                       const std::string& rowName) {
    SCOPED_TRACE(std::string(function.Name) + " " + rowName);
    int failures = 0;
    for (Real x : arguments) {
        const double error = ErrorOf(function, x);
        if (error > function.Bound && ++failures <= 5)
            ADD_FAILURE() << function.Name << "(" << Hex(x) << ") = " << Hex(function.Elem(x))
                          << ", error " << error << " ulp";
    }
    EXPECT_EQ(failures, 0) << "arguments checked: " << arguments.size();
}

// A Real with a random 64-bit mantissa and a binary exponent in [minExponent, maxExponent].
Real RandomReal(std::mt19937_64& random, int minExponent, int maxExponent, bool withSign) {
    const uint64_t mantissa = random() | (uint64_t{1} << 63);
    std::uniform_int_distribution<int> exponent(minExponent, maxExponent);
    Real x = std::ldexp(static_cast<Real>(mantissa), exponent(random) - (MantissaBits - 1));
    if (withSign && (random() & 1)) x = -x;
    return x;
}

// ---- Random arguments over each function's range ------------------------------------------

enum class TSpread { LogUniform, Linear };

struct TRangeRow {
    const char* Name;
    const TFunction* Function;
    TSpread Spread;
    Real From, To; // binary exponents for LogUniform, values for Linear
    bool WithSign;
    int Count;
};

const TRangeRow RangeRows[] = {
    {"below 1", &Sin, TSpread::LogUniform, -80, -1, true, 300},
    {"moderate up to 2^23", &Sin, TSpread::LogUniform, 0, 22, true, 600},
    {"large up to 2^63", &Sin, TSpread::LogUniform, 23, 62, true, 3000},
    {"plot range", &Sin, TSpread::Linear, -20, 20, false, 400},
    {"below 1", &Cos, TSpread::LogUniform, -80, -1, true, 300},
    {"moderate up to 2^23", &Cos, TSpread::LogUniform, 0, 22, true, 600},
    {"large up to 2^63", &Cos, TSpread::LogUniform, 23, 62, true, 3000},
    {"plot range", &Cos, TSpread::Linear, -20, 20, false, 400},
    {"whole range", &Exp, TSpread::Linear, -11450, 11357, false, 800},
    {"near zero", &Exp, TSpread::LogUniform, -80, 0, true, 400},
    {"moderate", &Exp, TSpread::Linear, -50, 50, false, 400},
    {"near overflow", &Exp, TSpread::Linear, 11350, 11356.5234L, false, 200},
    {"subnormal results", &Exp, TSpread::Linear, -11400, -11355, false, 400},
    // results 2^-16382 times a table entry: the lowest scaling that is still one normal step
    {"just above the smallest normal", &Exp, TSpread::Linear, -11355.15L, -11354.44L, false, 400},
    {"whole range", &Ln, TSpread::LogUniform, -16445, 16383, false, 800},
    {"one octave around 1", &Ln, TSpread::Linear, 0.7L, 1.4L, false, 400},
    {"just below 1", &Ln, TSpread::Linear, 1 - 0x1p-20L, 1, false, 200},
    {"just above 1", &Ln, TSpread::Linear, 1, 1 + 0x1p-20L, false, 200},
    {"small", &ArcTan, TSpread::LogUniform, -80, -1, true, 400},
    {"around 1", &ArcTan, TSpread::Linear, -4, 4, false, 600},
    {"large", &ArcTan, TSpread::LogUniform, 2, 16383, true, 600},
    {"whole range", &Sqrt, TSpread::LogUniform, -16445, 16383, false, 800},
};

TEST(ElemMathAccuracy, RandomArgumentsOverEachRange) {
    std::mt19937_64 random(20261208);
    for (const TRangeRow& row : RangeRows) {
        std::vector<Real> arguments;
        for (int i = 0; i < row.Count; ++i) {
            if (row.Spread == TSpread::LogUniform) {
                arguments.push_back(RandomReal(random, static_cast<int>(row.From),
                                               static_cast<int>(row.To), row.WithSign));
            } else {
                const Real t = static_cast<Real>(random() >> 11) * 0x1p-53L;
                arguments.push_back(row.From + (row.To - row.From) * t);
            }
        }
        ExpectWithinBound(*row.Function, arguments, row.Name);
    }
}

// ---- Hand-picked arguments ----------------------------------------------------------------

struct TPickedRow {
    const char* Name;
    const TFunction* Function;
    Real Argument;
};

const TPickedRow PickedRows[] = {
    {"smallest subnormal", &Sin, LDBL_TRUE_MIN},
    {"smallest normal", &Sin, LDBL_MIN},
    {"pi/4 boundary", &Sin, 0.78539816339744830961L},
    {"pi rounded", &Sin, 3.14159265358979323851L},
    {"largest below 2^63", &Sin, -0x1.fffffffffffffffep62L},
    {"2^62", &Sin, 0x1p62L},
    {"2^23, first large reduction", &Sin, 0x1p23L},
    {"just below 2^23", &Sin, 0x1.fffffffffffffffep22L},
    {"1e18", &Sin, 1e18L},
    {"smallest subnormal", &Cos, LDBL_TRUE_MIN},
    {"pi/2 rounded", &Cos, 1.57079632679489661926L},
    {"largest below 2^63", &Cos, 0x1.fffffffffffffffep62L},
    {"-1e18", &Cos, -1e18L},
    {"zero", &Exp, 0.0L},
    {"smallest subnormal", &Exp, LDBL_TRUE_MIN},
    {"ln of the largest Real", &Exp, 11356.5234062941439488L},
    {"just past the largest Real", &Exp, 11356.5235L},
    {"last step before the infinity cut", &Exp, 11356.5999L},
    {"smallest normal result", &Exp, -11355.1373386776329478L},
    {"below the normal range", &Exp, -11355.2L},
    {"just above the smallest normal result", &Exp, -11355.137L},
    {"lowest normal scaling", &Exp, -11354.8L},
    {"top of the lowest normal scaling", &Exp, -11354.455L},
    {"smallest subnormal result", &Exp, -11398.8L},
    {"rounds to zero", &Exp, -11399.5L},
    {"tiny negative", &Exp, -0x1p-70L},
    {"one", &Exp, 1.0L},
    {"one", &Ln, 1.0L},
    {"next above one", &Ln, 1 + 0x1p-63L},
    {"next below one", &Ln, 1 - 0x1p-64L},
    {"largest Real", &Ln, LDBL_MAX},
    {"smallest subnormal", &Ln, LDBL_TRUE_MIN},
    {"e rounded", &Ln, 2.71828182845904523543L},
    {"one", &ArcTan, 1.0L},
    {"largest Real", &ArcTan, -LDBL_MAX},
    {"2^64", &ArcTan, 0x1p64L},
    {"smallest subnormal", &ArcTan, LDBL_TRUE_MIN},
    {"two", &Sqrt, 2.0L},
    {"largest Real", &Sqrt, LDBL_MAX},
    {"smallest subnormal", &Sqrt, LDBL_TRUE_MIN},
    {"next below four", &Sqrt, 4 - 0x1p-62L},
};

TEST(ElemMathAccuracy, HandPickedArguments) {
    for (const TPickedRow& row : PickedRows)
        ExpectWithinBound(*row.Function, {row.Argument}, row.Name);
}

// ---- Arguments next to multiples of pi/2 --------------------------------------------------

// The Real nearest to k*pi/2 and its two neighbours, for the first multiples.
std::vector<Real> NearSmallMultiples(int count) {
    std::vector<Real> arguments;
    TMpfr multiple;
    for (int k = 1; k <= count; ++k) {
        mpfr_const_pi(multiple.Value, MPFR_RNDN);
        mpfr_mul_si(multiple.Value, multiple.Value, k, MPFR_RNDN);
        mpfr_div_2ui(multiple.Value, multiple.Value, 1, MPFR_RNDN);
        const Real nearest = mpfr_get_ld(multiple.Value, MPFR_RNDN);
        arguments.push_back(nearest);
        arguments.push_back(std::nextafter(nearest, 0.0L));
        arguments.push_back(-std::nextafter(nearest, HUGE_VALL));
    }
    return arguments;
}

// The hardest arguments below 2^63: in each binade [2^e, 2^(e+1)) the Reals m*2^(e-63)
// whose m*2^(e-63)*2/pi lies closest to an integer. They come from the continued fraction of
// alpha = 2^(e-63)*2/pi: each convergent denominator q gives the multiple j*q in [2^63, 2^64)
// with the smallest j, at distance j*|q*alpha - p| from an integer.
std::vector<Real> HardestNearMultiples() {
    std::vector<Real> arguments;
    const mpfr_prec_t precision = 1500;
    mpfr_t alpha, rest, tmp;
    mpfr_inits2(precision, alpha, rest, tmp, static_cast<mpfr_ptr>(nullptr));
    for (int e = 0; e <= 62; ++e) {
        mpfr_const_pi(alpha, MPFR_RNDN);
        mpfr_ui_div(alpha, 2, alpha, MPFR_RNDN);
        mpfr_mul_2si(alpha, alpha, e - 63, MPFR_RNDN);
        // Continued fraction with denominators q(n) = a(n) q(n-1) + q(n-2)
        unsigned __int128 qPrevious = 0, q = 1;
        mpfr_set(rest, alpha, MPFR_RNDN);
        mpfr_floor(tmp, rest);
        mpfr_sub(rest, rest, tmp, MPFR_RNDN);
        const unsigned __int128 limit = static_cast<unsigned __int128>(1) << 64;
        const unsigned __int128 low = static_cast<unsigned __int128>(1) << 63;
        while (!mpfr_zero_p(rest)) {
            mpfr_ui_div(rest, 1, rest, MPFR_RNDN);
            mpfr_floor(tmp, rest);
            mpfr_sub(rest, rest, tmp, MPFR_RNDN);
            if (mpfr_cmp_d(tmp, 0x1p64) >= 0) break;
            const unsigned __int128 a = mpfr_get_uj(tmp, MPFR_RNDN);
            const unsigned __int128 next = a * q + qPrevious;
            if (next >= limit) break;
            qPrevious = q;
            q = next;
            const unsigned __int128 j = (low + q - 1) / q;
            if (j * q < limit) {
                const Real x = std::ldexp(static_cast<Real>(static_cast<uint64_t>(j * q)),
                                          e - (MantissaBits - 1));
                arguments.push_back(x);
                arguments.push_back(-x);
            }
        }
    }
    mpfr_clears(alpha, rest, tmp, static_cast<mpfr_ptr>(nullptr));
    return arguments;
}

TEST(ElemMathAccuracy, ArgumentsNextToMultiplesOfHalfPi) {
    const std::vector<Real> small = NearSmallMultiples(1000);
    const std::vector<Real> hardest = HardestNearMultiples();
    ASSERT_GT(hardest.size(), 500u);
    for (const TFunction* function : {&Sin, &Cos}) {
        ExpectWithinBound(*function, small, "nearest to k*pi/2, k <= 1000");
        ExpectWithinBound(*function, hardest, "closest to a multiple in each binade");
    }
}

// ---- Values fixed by definition, and the two sine/cosine paths ----------------------------

struct TSpecialRow {
    const char* Name;
    const TFunction* Function;
    Real Argument;
    Real Expected; // compared bit for bit, NaN matching NaN
};

const TSpecialRow SpecialRows[] = {
    {"sin 2^63 is zero", &Sin, 0x1p63L, 0},
    {"sin -2^63 is zero", &Sin, -0x1p63L, 0},
    {"sin 1e30 is zero", &Sin, 1e30L, 0},
    {"sin infinity is zero", &Sin, HUGE_VALL, 0},
    {"cos 2^63 is zero", &Cos, 0x1p63L, 0},
    {"cos -infinity is zero", &Cos, -HUGE_VALL, 0},
    {"sin 0", &Sin, 0, 0},
    {"sin -0 keeps its sign", &Sin, -0.0L, -0.0L},
    {"cos 0", &Cos, 0, 1},
    {"sin NaN", &Sin, NAN, NAN},
    {"cos NaN", &Cos, NAN, NAN},
    {"exp infinity", &Exp, HUGE_VALL, HUGE_VALL},
    {"exp -infinity", &Exp, -HUGE_VALL, 0},
    {"exp overflow", &Exp, 11356.6L, HUGE_VALL},
    {"exp far overflow", &Exp, 1e300L, HUGE_VALL},
    {"exp far underflow", &Exp, -1e300L, 0},
    {"exp NaN", &Exp, NAN, NAN},
    {"exp 0", &Exp, 0, 1},
    {"ln 1", &Ln, 1, 0},
    {"ln 0", &Ln, 0, -HUGE_VALL},
    {"ln infinity", &Ln, HUGE_VALL, HUGE_VALL},
    {"arctan infinity", &ArcTan, HUGE_VALL, 1.57079632679489661926L},
    {"sqrt 4", &Sqrt, 4, 2},
};

bool SameReal(Real a, Real b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    return a == b && std::signbit(a) == std::signbit(b);
}

TEST(ElemMathAccuracy, ValuesFixedByDefinition) {
    for (const TSpecialRow& row : SpecialRows) {
        SCOPED_TRACE(row.Name);
        const Real got = row.Function->Elem(row.Argument);
        EXPECT_TRUE(SameReal(got, row.Expected)) << Hex(got);
    }
}

TEST(ElemMathAccuracy, SinCosGivesExactlySinAndCos) {
    std::mt19937_64 random(7);
    std::vector<Real> arguments = NearSmallMultiples(50);
    for (int i = 0; i < 600; ++i)
        arguments.push_back(RandomReal(random, -40, 70, true)); // includes |x| >= 2^63
    arguments.push_back(NAN);
    for (Real x : arguments) {
        SCOPED_TRACE(Hex(x));
        Real sine = 1, cosine = 1;
        ElemSinCos(x, sine, cosine);
        EXPECT_TRUE(SameReal(sine, ElemSin(x))) << Hex(sine);
        EXPECT_TRUE(SameReal(cosine, ElemCos(x))) << Hex(cosine);
    }
}

// The ruler itself: an error of exactly one ulp, in each kind of binade.
struct TRulerRow {
    const char* Name;
    Real Exact;
    Real OneUlpAway;
};

const TRulerRow RulerRows[] = {
    {"at 1", 1, 1 + 0x1p-63L},
    {"just below 1", 1 - 0x1p-64L, 1 - 0x1p-63L},
    {"large", 0x1p1000L, 0x1p1000L + 0x1p937L},
    {"smallest normal", LDBL_MIN, LDBL_MIN + LDBL_TRUE_MIN},
    {"subnormal", 0x1p-16440L, 0x1p-16440L - LDBL_TRUE_MIN},
    {"negative", -3, -3 - 0x1p-62L},
};

TEST(ElemMathAccuracy, UlpRuler) {
    for (const TRulerRow& row : RulerRows) {
        SCOPED_TRACE(row.Name);
        TMpfr exact;
        mpfr_set_ld(exact.Value, row.Exact, MPFR_RNDN);
        EXPECT_DOUBLE_EQ(UlpError(row.OneUlpAway, exact.Value), 1.0);
        EXPECT_DOUBLE_EQ(UlpError(row.Exact, exact.Value), 0.0);
    }
}

} // namespace
