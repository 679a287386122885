#pragma once
// The primitive operations of the evaluator with their domain checks. Both evaluation paths
// (the reference walk in Evaluator.cpp and the compact form in Program.cpp) call these and
// nothing else, so they cannot disagree on a value, a message or a position.
#include "engine/Convert.h"
#include "engine/ElemMath.h"
#include "engine/Errors.h"
#include "engine/Globals.h"
#include "engine/Real.h"

#include <cmath>
#include <cstdint>

namespace Ops {

inline constexpr Real Tiny = 3.4e-4932L; // below this a magnitude counts as zero
inline constexpr Real Pi = 3.14159265358979323846264338327950288L;
inline constexpr Real HalfPi = 1.57079632679489661923132169163975144L;
inline constexpr Real InvPi = 0.318309886183790671537767526745028724L;
inline constexpr Real Inv180 = 1.0L / 180.0L;
inline constexpr Real Ln10 = 2.30258509299404568401799145468436421L;
inline constexpr Real InvLn10 = 0.434294481903251827651128918916605082L;
inline constexpr Real OneThird = 1.0L / 3.0L;
inline constexpr Real TrigSnap = 1e-17L;   // sine, cosine and tangent results below are 0
inline constexpr Real EqualTol = 1e-16L;   // "=" and "<>" tolerance
inline constexpr Real DivisorTol = 1e-18L; // divisors up to this magnitude count as zero

// Raise an EEvalError with string-table message `ident` / a literal message at `pos`.
// Out of line so that the fast paths stay small.
[[noreturn]] void RaiseEval(int ident, int pos);
[[noreturn]] void RaiseEvalText(const char* message, int pos);

inline Real ToRadians(Real a) {
    switch (AngleUnit) {
    case AngleDegrees:
        return a * Inv180 * Pi;
    case AngleGrads:
        return a * 0.005L * Pi;
    default:
        return a;
    }
}

inline Real FromRadians(Real r) {
    switch (AngleUnit) {
    case AngleDegrees:
        return r * InvPi * 180.0L;
    case AngleGrads:
        return r * InvPi * 200.0L;
    default:
        return r;
    }
}

inline Real SnapTrig(Real r) {
    return std::fabs(r) < TrigSnap ? 0.0L : r;
}

// ---- arithmetic and comparison ----

// The divisor check of "/": its right operand is evaluated and checked before the left one.
inline void CheckDivisor(Real r, int rightPos) {
    if (std::fabs(r) <= DivisorTol) RaiseEval(308, rightPos);
}
inline Real Negate(Real r) {
    return r * -1.0L;
}
inline Real Equal(Real l, Real r) {
    return std::fabs(l - r) < EqualTol ? 1.0L : 0.0L;
}
inline Real NotEqual(Real l, Real r) {
    return std::fabs(l - r) > EqualTol ? 1.0L : 0.0L;
}
inline Real Less(Real l, Real r) {
    return l < r ? 1.0L : 0.0L;
}
inline Real LessEqual(Real l, Real r) {
    return l <= r ? 1.0L : 0.0L;
}
inline Real Greater(Real l, Real r) {
    return l > r ? 1.0L : 0.0L;
}
inline Real GreaterEqual(Real l, Real r) {
    return l >= r ? 1.0L : 0.0L;
}

// ---- integer operators on values truncated to signed 32 bits ----

inline Real BitOr(Real l, Real r) {
    return TruncToInt32(l) | TruncToInt32(r);
}
inline Real BitXor(Real l, Real r) {
    return TruncToInt32(l) ^ TruncToInt32(r);
}
inline Real BitAnd(Real l, Real r) {
    return TruncToInt32(l) & TruncToInt32(r);
}
inline Real BitNot(Real r) {
    return ~TruncToInt32(r);
}
Real Mod(Real l, Real r);

// ---- operators of the power level ----

Real Power(Real x, Real y, int leftPos);
Real Perm(Real n, Real k, int leftPos);
Real Komb(Real n, Real k, int leftPos);
Real Pol(Real x, Real y);     // writes memory J
Real Rec(Real rho, Real phi); // writes memory J

// ---- postfix operators ----

Real FactorialOf(Real v); // "!"

// ---- functions; `argPos` is the position of the function's argument node ----

inline Real Sqrt(Real x, int argPos) {
    if (x >= 0) return ElemSqrt(x);
    RaiseEval(301, argPos);
}
Real Sqrt3(Real x, int argPos);
Real SqrtX(int32_t n, Real y, int argPos);
inline Real Exp(Real x) {
    return ElemExp(x);
}
inline Real Exp10(Real x) {
    return ElemExp(x * Ln10);
}
inline Real Ln(Real x, int argPos) {
    if (x > Tiny) return ElemLn(x);
    RaiseEval(304, argPos);
}
inline Real Log(Real x, int argPos) {
    if (x > Tiny) return ElemLn(x) * InvLn10;
    RaiseEval(304, argPos);
}
inline Real Sin(Real x) {
    return SnapTrig(ElemSin(ToRadians(x)));
}
inline Real Cos(Real x) {
    return SnapTrig(ElemCos(ToRadians(x)));
}
Real Tan(Real x, int argPos);
Real ArcSin(Real x, int argPos);
Real ArcCos(Real x, int argPos);
inline Real ArcTan(Real x) {
    return FromRadians(ElemArcTan(x));
}
Real SinH(Real x);
Real CosH(Real x);
Real TanH(Real x);
Real ArSinH(Real x);
Real ArCosH(Real x, int nodePos);
Real ArTanH(Real x, int argPos);
inline Real Abs(Real x) {
    return std::fabs(x);
}
inline Real Sgn(Real x) {
    return x > 0 ? 1.0L : (x < 0 ? -1.0L : 0.0L);
}
inline Real Step(Real x) {
    return x >= 0 ? 1.0L : 0.0L;
}
inline Real Int(Real x) {
    return std::trunc(x);
}

// The functions of one argument and the operators "NOT", "!", "DEG", "DMS" by token code;
// `pos` is where their domain errors point. A code without a rule gives 0.
Real ApplyUnary(int32_t code, Real x, int pos);

// The binary operators other than "/" by token code; `leftPos` is where their domain errors
// point. A code without a rule gives 0.
Real ApplyBinary(int32_t code, Real l, Real r, int leftPos);

} // namespace Ops
