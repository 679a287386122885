#include "engine/Operations.h"

#include "engine/Evaluator.h"
#include "engine/Scanner.h"
#include "engine/StringTable.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace Ops {

void RaiseEval(int ident, int pos) {
    throw EEvalError(LoadStr(ident), pos);
}
void RaiseEvalText(const char* message, int pos) {
    throw EEvalError(message, pos);
}

Real Mod(Real l, Real r) {
    const int32_t a = TruncToInt32(l);
    const int32_t b = TruncToInt32(r);
    if (b == 0) throw EDivByZero();
    if (b == -1) return 0; // INT32_MIN % -1 would overflow
    return a % b;
}

namespace {

constexpr Real Ln2 = 0.693147180559945309417232121458176568L;
constexpr int64_t MaxWholeExponent = 65536;

// Reads y as a whole number n with 1 <= |n| <= MaxWholeExponent straight from its bits
// (no rounding-mode switch as a conversion would need). False for anything else.
bool SmallWhole(Real y, int64_t& n) {
    uint64_t mantissa = 0;
    uint16_t signExponent = 0;
    std::memcpy(&mantissa, &y, sizeof mantissa);
    std::memcpy(&signExponent, reinterpret_cast<const char*>(&y) + 8, sizeof signExponent);
    const int exponent = (signExponent & 0x7FFF) - 16383; // 2^exponent <= |y| < 2^(exponent+1)
    if (exponent < 0 || exponent > 16) return false;
    if (mantissa << (exponent + 1) != 0) return false; // bits below the binary point
    n = static_cast<int64_t>(mantissa >> (63 - exponent));
    return n <= MaxWholeExponent;
}

// x^n for a whole n (n = |y|, 2 <= n <= MaxWholeExponent) computed exactly where
// x = m·2^e and m^n fits in 64 bits (so 2^60 and 3^40 keep every digit). Returns false
// where the product would need rounding; the caller then takes the exponential form.
bool ExactWholePower(Real x, Real y, int64_t n, Real& result) {
    // The x87 format holds the 64-bit significand with its leading bit, then sign and a
    // biased exponent: |x| = mantissa·2^(biased - 16383 - 63). x is finite and normal here.
    uint64_t mantissa = 0;
    uint16_t signExponent = 0;
    std::memcpy(&mantissa, &x, sizeof mantissa);
    std::memcpy(&signExponent, reinterpret_cast<const char*>(&x) + 8, sizeof signExponent);
    const int zeros = std::countr_zero(mantissa);
    const uint64_t m = mantissa >> zeros;
    const int64_t e = static_cast<int64_t>(signExponent & 0x7FFF) - 16383 - 63 + zeros;
    // m^n needs about n·bits(m) bits: most bases fail here, before any multiplication.
    if (m != 1 && n * (64 - std::countl_zero(m) - 1) >= 64) return false;

    uint64_t p = 1;
    if (m != 1) {
        uint64_t base = m;
        for (int64_t k = n;;) {
            if ((k & 1) && __builtin_mul_overflow(p, base, &p)) return false;
            k >>= 1;
            if (k == 0) break;
            if (__builtin_mul_overflow(base, base, &base)) return false;
        }
    }
    // e·n is far outside the exponent range long before it could overflow; clamp it so that
    // ldexp sees an int and still gives the infinity or zero.
    int64_t shift = e * n;
    if (shift > 40000) shift = 40000;
    if (shift < -40000) shift = -40000;
    const Real magnitude = static_cast<Real>(p);
    Real r = y > 0 ? std::ldexp(magnitude, static_cast<int>(shift))
                   : std::ldexp(1.0L / magnitude, static_cast<int>(-shift));
    if (x < 0 && (n & 1)) r = -r;
    result = r;
    return true;
}

// x^y for a whole y with n = |y|: exact where the product fits, else for n up to 3 by
// multiplication (within about an ulp, where the exponential form loses several).
bool WholePower(Real x, Real y, int64_t n, Real& result) {
    if (ExactWholePower(x, y, n, result)) return true;
    if (n > 3) return false;
    const Real p = n == 2 ? x * x : x * x * x;
    result = y > 0 ? p : 1 / p;
    return true;
}

// For a whole y: twice |y|·0.5 rounded to the nearest integer (ties to even) equals |y|
// exactly when |y|·0.5 is whole, which needs no change of rounding mode.
bool IsEven(Real y) {
    const Real half = std::fabs(y) * 0.5L;
    return std::trunc(half) == half;
}

} // namespace

Real Power(Real x, Real y, int leftPos) {
    if (std::fabs(x) <= Tiny) {
        if (y >= 0) return 0;
        if (y < 0) RaiseEval(308, leftPos);
        return y; // not a number
    }
    if (y == 0) return 1;
    if (y == 1) return x;
    if (y == -1) return 1 / x;
    int64_t n = 0;
    const bool whole = std::isfinite(x) && SmallWhole(y, n);
    if (x > Tiny) {
        Real r;
        if (whole && WholePower(x, y, n, r)) return r;
        return ElemExp(ElemLn(x) * y);
    }
    if (x < 0) {
        if (!whole && std::fabs(y - std::trunc(y)) > Tiny) RaiseEval(309, leftPos);
        Real r;
        if (whole && WholePower(x, y, n, r)) return r;
        const Real v = ElemExp(ElemLn(-x) * y);
        const bool even = whole ? (n & 1) == 0 : IsEven(y);
        return even ? v : -v;
    }
    return x; // x is not a number
}

Real Perm(Real nv, Real kv, int leftPos) {
    const int32_t n = TruncToInt32(nv);
    const int32_t k = TruncToInt32(kv);
    if (n < 0 || k < 0) RaiseEval(310, leftPos);
    if (k > n) RaiseEvalText("n < r", leftPos);
    return Factorial(n) / Factorial(n - k);
}

Real Komb(Real nv, Real kv, int leftPos) {
    const int32_t n = TruncToInt32(nv);
    const int32_t k = TruncToInt32(kv);
    if (n < 0 || k < 0) RaiseEval(310, leftPos);
    if (k > n) RaiseEvalText("n < r", leftPos);
    return Factorial(n) / (Factorial(k) * Factorial(n - k));
}

Real Pol(Real x, Real y) {
    const Real radius = ElemSqrt(x * x + y * y);
    Real a;
    if (std::fabs(x) > Tiny)
        a = ElemArcTan(y / std::fabs(x));
    else
        a = y >= 0 ? HalfPi : -HalfPi;
    if (x < 0) a = y >= 0 ? Pi - a : -Pi - a;
    Memory[9] = FromRadians(a);
    return radius;
}

Real Rec(Real rho, Real phi) {
    Real s, c;
    ElemSinCos(ToRadians(phi), s, c);
    Memory[9] = rho * s;
    return rho * c;
}

Real FactorialOf(Real v) {
    return Factorial(TruncToInt32(v));
}

Real Sqrt3(Real x, int argPos) {
    if (x > Tiny) return ElemExp(ElemLn(x) * OneThird);
    if (x >= 0) return 0;
    if (x < 0) RaiseEval(301, argPos);
    return x;
}

Real SqrtX(int32_t n, Real y, int argPos) {
    if (n <= 0) RaiseEval(303, argPos);
    if (y > Tiny) return ElemExp(ElemLn(y) / n);
    if (y >= 0) return 0;
    if (y < 0) RaiseEval(302, argPos);
    return y;
}

Real Tan(Real x, int argPos) {
    Real s, c;
    ElemSinCos(ToRadians(x), s, c);
    if (std::fabs(c) <= TrigSnap) RaiseEval(305, argPos);
    return SnapTrig(s / c);
}

Real ArcSin(Real x, int argPos) {
    if (std::fabs(x) > 1) RaiseEval(306, argPos);
    Real r;
    if (std::fabs(std::fabs(x) - 1) < TrigSnap)
        r = x >= 0 ? HalfPi : -HalfPi;
    else
        r = ElemArcTan(x / ElemSqrt(1 - x * x));
    return FromRadians(r);
}

Real ArcCos(Real x, int argPos) {
    if (std::fabs(x) > 1) RaiseEval(306, argPos);
    Real r;
    if (std::fabs(std::fabs(x) - 1) < TrigSnap)
        r = x > 0 ? 0.0L : Pi;
    else
        r = HalfPi - ElemArcTan(x / ElemSqrt(1 - x * x));
    return FromRadians(r);
}

Real SinH(Real x) {
    return (ElemExp(x) - ElemExp(-x)) * 0.5L;
}
Real CosH(Real x) {
    return (ElemExp(x) + ElemExp(-x)) * 0.5L;
}

Real TanH(Real x) {
    const Real a = ElemExp(x);
    const Real b = ElemExp(-x);
    // Beyond about 11356 one exponential is infinite and the quotient would be inf/inf.
    if (std::isinf(a)) return 1;
    if (std::isinf(b)) return -1;
    return (a - b) / (a + b);
}

Real ArSinH(Real x) {
    // ln(x + sqrt(x² + 1)) cancels to ln 0 for large negative x; the function is odd.
    if (x < 0) return -ArSinH(-x);
    const Real square = x * x;
    if (std::isinf(square) && !std::isinf(x)) return ElemLn(x) + Ln2; // x² overflowed
    return ElemLn(x + ElemSqrt(square + 1));
}

Real ArCosH(Real x, int nodePos) {
    if (!(x >= 1)) RaiseEval(307, nodePos);
    const Real square = x * x;
    if (std::isinf(square) && !std::isinf(x)) return ElemLn(x) + Ln2;
    return ElemLn(x + ElemSqrt(square - 1));
}

Real ArTanH(Real x, int argPos) {
    if (std::fabs(x) >= 1) RaiseEval(306, argPos);
    // Taken on |x| with the sign put back, so that the function is exactly odd.
    const Real a = std::fabs(x);
    const Real r = 0.5L * ElemLn((1 + a) / (1 - a));
    return x < 0 ? -r : r;
}

Real ApplyUnary(int32_t code, Real x, int pos) {
    switch (code) {
    case Code::Sqrt:
        return Sqrt(x, pos);
    case Code::Sqrt3:
        return Sqrt3(x, pos);
    case Code::Exp:
        return Exp(x);
    case Code::Exp10:
        return Exp10(x);
    case Code::Ln:
        return Ln(x, pos);
    case Code::Log:
        return Log(x, pos);
    case Code::Sin:
        return Sin(x);
    case Code::Cos:
        return Cos(x);
    case Code::Tan:
        return Tan(x, pos);
    case Code::ArcSin:
        return ArcSin(x, pos);
    case Code::ArcCos:
        return ArcCos(x, pos);
    case Code::ArcTan:
        return ArcTan(x);
    case Code::SinH:
        return SinH(x);
    case Code::CosH:
        return CosH(x);
    case Code::TanH:
        return TanH(x);
    case Code::ArSinH:
        return ArSinH(x);
    case Code::ArCosH:
        return ArCosH(x, pos);
    case Code::ArTanH:
        return ArTanH(x, pos);
    case Code::Abs:
        return Abs(x);
    case Code::Sgn:
        return Sgn(x);
    case Code::Step:
        return Step(x);
    case Code::Int:
        return Int(x);
    case Code::Not:
        return BitNot(x);
    case Code::Factorial:
        return FactorialOf(x);
    case Code::Deg:
        return DmsToDegrees(x);
    case Code::Dms:
        return DegreesToDms(x);
    default:
        return 0;
    }
}

Real ApplyBinary(int32_t code, Real l, Real r, int leftPos) {
    switch (code) {
    case Code::Equal:
        return Equal(l, r);
    case Code::NotEqual:
        return NotEqual(l, r);
    case Code::Less:
        return Less(l, r);
    case Code::LessEqual:
        return LessEqual(l, r);
    case Code::Greater:
        return Greater(l, r);
    case Code::GreaterEqual:
        return GreaterEqual(l, r);
    case Code::Or:
        return BitOr(l, r);
    case Code::Xor:
        return BitXor(l, r);
    case Code::And:
        return BitAnd(l, r);
    case Code::Plus:
        return l + r;
    case Code::Minus:
        return l - r;
    case Code::Times:
        return l * r;
    case Code::Mod:
        return Mod(l, r);
    case Code::Power:
        return Power(l, r, leftPos);
    case Code::Perm:
        return Perm(l, r, leftPos);
    case Code::Komb:
        return Komb(l, r, leftPos);
    case Code::Pol:
        return Pol(l, r);
    case Code::Rec:
        return Rec(l, r);
    default:
        return 0;
    }
}

} // namespace Ops
