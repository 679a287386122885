#include "engine/ElemMath.h"

#include <cmath>
#include <cstdint>
#include <cstring>

// Sine, cosine and the exponential are our own: the C library's long double versions miss
// the last bit by up to 1.3 ulp and its sine is slow. Logarithm, arc tangent and square root
// come from the C library, which meets the 1 ulp bound for them.
//
// Everything here assumes the x87 80-bit layout (Real.h checks the 64-bit mantissa): an
// explicit 64-bit mantissa in bytes 0 to 7, sign and 15-bit biased exponent in bytes 8 and 9.

namespace {

using u64 = uint64_t;
using u128 = unsigned __int128;

constexpr Real TwoPow63 = 9223372036854775808.0L;
constexpr int ExponentBias = 16383;

struct TBits {
    u64 Mantissa;
    uint16_t SignExponent;
};

TBits BitsOf(Real x) {
    TBits bits;
    std::memcpy(&bits.Mantissa, &x, sizeof bits.Mantissa);
    std::memcpy(&bits.SignExponent, reinterpret_cast<const char*>(&x) + 8,
                sizeof bits.SignExponent);
    return bits;
}

// 2^e for a normal exponent e (-16382 to 16383), built directly.
Real PowerOfTwo(int e) {
    Real result = 0;
    const u64 mantissa = u64{1} << 63;
    const uint16_t signExponent = static_cast<uint16_t>(e + ExponentBias);
    std::memcpy(&result, &mantissa, sizeof mantissa);
    std::memcpy(reinterpret_cast<char*>(&result) + 8, &signExponent, sizeof signExponent);
    return result;
}

// The small helpers below are forced inline: an x87 value passed through memory costs a
// failed store-to-load forwarding on every call, which would double the time of a sine.

// ---- Argument reduction for sine and cosine ----------------------------------------------

// The first 320 bits of 2/pi, most significant word first.
constexpr u64 TwoOverPi[5] = {0xa2f9836e4e441529ULL, 0xfc2757d1f534ddc0ULL, 0xdb6295993c439041ULL,
                              0xfe5163abdebbc561ULL, 0xb7246e3a424dd2e0ULL};
// pi/2 * 2^126 rounded to a 128-bit integer.
constexpr u64 PiOver2High = 0x6487ed5110b4611aULL;
constexpr u64 PiOver2Low = 0x62633145c06e0e69ULL;

constexpr Real SinIsArgument = 0x1p-32L;
constexpr Real PiOver4 = 0xc.90fdaa22168c234p-4L; // rounded down

// Adding and removing this rounds a value below 2^62 in magnitude to an integer (its ulp is 1).
constexpr Real RoundingShifter = 0xc000000000000000p0L;

int LeadingZeros(u64 v) {
    return v == 0 ? 64 : __builtin_clzll(v);
}

// x = quadrant * pi/2 + (high + low) with |high + low| <= pi/4, for pi/4 <= |x| < 2^63.
// Exact multi-word reduction: x's 64-bit mantissa times 320 bits of 2/pi in integers, so
// even the arguments closest to a multiple of pi/2 keep more than 120 significant bits.
int ReduceQuarterPi(Real x, Real& high, Real& low) {
    const TBits bits = BitsOf(x);
    const int e = (bits.SignExponent & 0x7fff) - ExponentBias; // x = mantissa * 2^(e-63)
    const u64 m = bits.Mantissa;

    // p = m * TwoOverPi as a 384-bit integer, p[0] most significant; x*2/pi = p * 2^(e-383).
    u64 p[6];
    u128 carry = 0;
    for (int i = 4; i >= 0; --i) {
        const u128 t = static_cast<u128>(m) * TwoOverPi[i] + carry;
        p[i + 1] = static_cast<u64>(t);
        carry = t >> 64;
    }
    p[0] = static_cast<u64>(carry);

    // Shift by s = e + 1 (0 to 63) so that the units of x*2/pi sit at bit 0 of q[0] and its
    // fraction fills q[1..3].
    const int s = e + 1;
    u64 q[4];
    if (s == 0) {
        q[0] = 0;
        for (int i = 1; i < 4; ++i)
            q[i] = p[i - 1];
    } else {
        q[0] = p[0] >> (64 - s);
        for (int i = 1; i < 4; ++i)
            q[i] = (p[i - 1] << s) | (p[i] >> (64 - s));
    }
    int quadrant = static_cast<int>(q[0] & 3);
    bool negative = false;
    if (q[1] >> 63) { // fraction >= 1/2: round up to the next quadrant, fraction - 1 < 0
        ++quadrant;
        negative = true;
        // 192-bit two's complement negation of q[1..3]
        q[3] = ~q[3] + 1;
        const u64 c3 = q[3] == 0 ? 1 : 0;
        q[2] = ~q[2] + c3;
        const u64 c2 = (c3 && q[2] == 0) ? 1 : 0;
        q[1] = ~q[1] + c2;
    }

    // Normalise the 192-bit fraction f = (q1 q2 q3) * 2^-192 into 128 significant bits g.
    int lz = LeadingZeros(q[1]);
    u64 f0 = q[1], f1 = q[2], f2 = q[3];
    if (lz == 64) {
        f0 = f1;
        f1 = f2;
        f2 = 0;
        lz = 64 + LeadingZeros(f0);
        if (f0 == 0) {
            high = low = 0;
            return quadrant & 3;
        }
    }
    const int shift = lz & 63;
    u64 g0 = f0, g1 = f1;
    if (shift != 0) {
        g0 = (f0 << shift) | (f1 >> (64 - shift));
        g1 = (f1 << shift) | (f2 >> (64 - shift));
    }
    // f = (g0 g1) * 2^(-128-lz); r = f * pi/2 = (g0 g1) * (pi/2 * 2^126) * 2^(-254-lz).
    const u128 hh = static_cast<u128>(g0) * PiOver2High;
    const u128 hl = static_cast<u128>(g0) * PiOver2Low;
    const u128 lh = static_cast<u128>(g1) * PiOver2High;
    const u128 ll = static_cast<u128>(g1) * PiOver2Low;
    // 256-bit sum, words r0 (most significant) to r3
    const u128 mid = (ll >> 64) + static_cast<u64>(hl) + static_cast<u64>(lh);
    const u128 top = hh + (hl >> 64) + (lh >> 64) + (mid >> 64);
    u64 r0 = static_cast<u64>(top >> 64), r1 = static_cast<u64>(top), r2 = static_cast<u64>(mid);
    const int nl = LeadingZeros(r0); // 1 or 2: the product lies in [2^253, 2^255)
    r0 = (r0 << nl) | (r1 >> (64 - nl));
    r1 = (r1 << nl) | (r2 >> (64 - nl));
    high = static_cast<Real>(r0) * PowerOfTwo(-62 - nl - lz);
    low = static_cast<Real>(r1) * PowerOfTwo(-126 - nl - lz);
    if (negative) {
        high = -high;
        low = -low;
    }
    return quadrant & 3;
}

// pi/2 in four parts: three of 40 bits (k * part is exact for k < 2^24) and a rounded rest.
constexpr Real PiOver2Part1 = 0xc.90fdaa221p-3L;
constexpr Real PiOver2Part2 = 0xd.18469898dp-44L;
constexpr Real PiOver2Part3 = -0xe.ba3f91f19p-86L;
constexpr Real PiOver2Part4 = -0xe.d6fdb1f77598339p-127L;
constexpr Real TwoOverPiReal = 0xa.2f9836e4e44152ap-4L;
constexpr Real ModerateLimit = 8388608.0L; // 2^23

// Error-free sum: high + low == a + b exactly.
[[gnu::always_inline]] inline void TwoSum(Real a, Real b, Real& high, Real& low) {
    high = a + b;
    const Real bVirtual = high - a;
    low = (a - (high - bVirtual)) + (b - bVirtual);
}

// The same reduction as ReduceQuarterPi for pi/4 <= x < 2^23, in floating point: pi/2 to
// 184 bits keeps more than 100 significant bits of the remainder even next to a multiple.
[[gnu::always_inline]] inline int ReduceModerate(Real x, Real& high, Real& low) {
    const Real kShifted = x * TwoOverPiReal + RoundingShifter;
    const Real k = kShifted - RoundingShifter;
    const Real a = x - k * PiOver2Part1; // exact
    Real s1, e1, s2, e2;
    TwoSum(a, -(k * PiOver2Part2), s1, e1);
    TwoSum(s1, -(k * PiOver2Part3), s2, e2);
    const Real rest = (e1 + e2) - k * PiOver2Part4;
    high = s2 + rest;
    low = rest - (high - s2);
    return static_cast<int>(static_cast<double>(k)) & 3; // exact: 0 <= k < 2^23
}

// ---- Kernels on |high + low| <= pi/4 ------------------------------------------------------

constexpr Real InverseFactorial(int n) {
    Real f = 1;
    for (int i = 2; i <= n; ++i)
        f *= i;
    return 1 / f;
}

// Taylor coefficients; the first omitted terms stay below 2^-80 of the result on [-pi/4, pi/4].
constexpr Real S3 = -InverseFactorial(3), S5 = InverseFactorial(5), S7 = -InverseFactorial(7),
               S9 = InverseFactorial(9), S11 = -InverseFactorial(11), S13 = InverseFactorial(13),
               S15 = -InverseFactorial(15), S17 = InverseFactorial(17), S19 = -InverseFactorial(19),
               S21 = InverseFactorial(21);
constexpr Real C4 = InverseFactorial(4), C6 = -InverseFactorial(6), C8 = InverseFactorial(8),
               C10 = -InverseFactorial(10), C12 = InverseFactorial(12), C14 = -InverseFactorial(14),
               C16 = InverseFactorial(16), C18 = -InverseFactorial(18), C20 = InverseFactorial(20);

constexpr Real SplitFactor = 4294967297.0L; // 2^32 + 1

// sin(high + low): the leading term `high` is exact, everything else is a small tail.
[[gnu::always_inline]] inline Real SinKernel(Real high, Real low) {
    const Real z = high * high;
    const Real z2 = z * z;
    // Two half-length chains in z^2 (even and odd powers) run in parallel.
    const Real even = S3 + z2 * (S7 + z2 * (S11 + z2 * (S15 + z2 * S19)));
    const Real odd = S5 + z2 * (S9 + z2 * (S13 + z2 * (S17 + z2 * S21)));
    const Real poly = even + z * odd;
    const Real tail = low * (1 - 0.5L * z) + high * (z * poly);
    return high + tail;
}

// cos(high + low) = 1 - high^2/2 + ...; high^2/2 is formed exactly so that 1 - high^2/2
// loses nothing before the final rounding.
[[gnu::always_inline]] inline Real CosKernel(Real high, Real low) {
    // Split high into a (top 32 mantissa bits) and b = high - a: a*a, a*b, b*b are exact.
    const Real scaled = high * SplitFactor;
    const Real a = scaled - (scaled - high);
    const Real b = high - a;
    const Real halfSquare = 0.5L * (a * a);
    const Real w = 1 - halfSquare;
    const Real wError = (1 - w) - halfSquare; // exact, as 1 >= halfSquare
    const Real z = high * high;
    const Real z2 = z * z;
    const Real even = C4 + z2 * (C8 + z2 * (C12 + z2 * (C16 + z2 * C20)));
    const Real odd = C6 + z2 * (C10 + z2 * (C14 + z2 * C18));
    const Real poly = even + z * odd;
    // sin(high) * low, to the accuracy the tail needs
    const Real lowTerm = (high * low) * (1 - z * InverseFactorial(3));
    const Real tail = wError - (a * b + 0.5L * (b * b)) - lowTerm + z2 * poly;
    return w + tail;
}

} // namespace

Real ElemSin(Real x) {
    const Real ax = std::fabs(x);
    if (ax < SinIsArgument) // x^3/6 is below half an ulp of x; keeps the sign of -0
        return x;
    if (ax <= PiOver4) return SinKernel(x, 0);
    if (!(ax < TwoPow63)) return std::isnan(x) ? x : 0.0L;
    Real high, low;
    const int quadrant =
        ax < ModerateLimit ? ReduceModerate(ax, high, low) : ReduceQuarterPi(ax, high, low);
    Real s;
    switch (quadrant) {
    case 0:
        s = SinKernel(high, low);
        break;
    case 1:
        s = CosKernel(high, low);
        break;
    case 2:
        s = -SinKernel(high, low);
        break;
    default:
        s = -CosKernel(high, low);
        break;
    }
    return std::signbit(x) ? -s : s;
}

Real ElemCos(Real x) {
    const Real ax = std::fabs(x);
    if (ax <= PiOver4) return CosKernel(x, 0);
    if (!(ax < TwoPow63)) return std::isnan(x) ? x : 0.0L;
    Real high, low;
    const int quadrant =
        ax < ModerateLimit ? ReduceModerate(ax, high, low) : ReduceQuarterPi(ax, high, low);
    switch (quadrant) {
    case 0:
        return CosKernel(high, low);
    case 1:
        return -SinKernel(high, low);
    case 2:
        return -CosKernel(high, low);
    default:
        return SinKernel(high, low);
    }
}

void ElemSinCos(Real x, Real& sine, Real& cosine) {
    const Real ax = std::fabs(x);
    if (ax <= PiOver4) {
        sine = ax < SinIsArgument ? x : SinKernel(x, 0);
        cosine = CosKernel(x, 0);
        return;
    }
    if (!(ax < TwoPow63)) {
        sine = cosine = std::isnan(x) ? x : 0.0L;
        return;
    }
    Real high, low;
    const int quadrant =
        ax < ModerateLimit ? ReduceModerate(ax, high, low) : ReduceQuarterPi(ax, high, low);
    const Real s = SinKernel(high, low);
    const Real c = CosKernel(high, low);
    Real sinAbs;
    switch (quadrant) {
    case 0:
        sinAbs = s;
        cosine = c;
        break;
    case 1:
        sinAbs = c;
        cosine = -s;
        break;
    case 2:
        sinAbs = -s;
        cosine = -c;
        break;
    default:
        sinAbs = -c;
        cosine = s;
        break;
    }
    sine = std::signbit(x) ? -sinAbs : sinAbs;
}

// ---- Exponential ---------------------------------------------------------------------------

namespace {

// 2^(j/32) as high + low, j = 0 to 31.
struct TExpEntry {
    Real High, Low;
};
constexpr TExpEntry ExpTable[32] = {
    {0x8p-3L, 0x0p+0L},
    {0x8.2cd8698ac2ba1d7p-3L, 0xf.8a91d6d19482ffdp-69L},
    {0x8.5aac367cc487b15p-3L, -0xe.8da91cf7aacf938p-69L},
    {0x8.8980e8092da8527p-3L, 0xb.bf1aed9318ceac6p-68L},
    {0x8.b95c1e3ea8bd6e7p-3L, -0x8.373af14eb586dfdp-72L},
    {0x8.ea4398b45cd53cp-3L, 0xb.70051321e0f5317p-69L},
    {0x9.1c3d373ab11c336p-3L, 0xf.d6d8e0ae5ac9d82p-71L},
    {0x9.4f4efa8fef70961p-3L, 0xb.a2beb4495477951p-69L},
    {0x9.837f0518db8a96fp-3L, 0x8.d5a46305c85ededp-68L},
    {0x9.b8d39b9d54e5539p-3L, -0xb.aafd0bab86781c2p-68L},
    {0x9.ef5326091a111aep-3L, -0xb.eddc1ec288c045dp-68L},
    {0xa.27043030c496819p-3L, -0xc.90bf620fe6042b1p-68L},
    {0xa.5fed6a9b15138eap-3L, 0xe.5ebfb10b88380d9p-70L},
    {0xa.9a15ab4ea7c0ef8p-3L, 0xa.83c49d86a63f4e6p-68L},
    {0xa.d583eea42a14ac6p-3L, 0x9.3015191eb345d89p-68L},
    {0xb.123f581d2ac259p-3L, -0xf.05f902d25bd44e3p-68L},
    {0xb.504f333f9de6484p-3L, 0xb.2fb1366ea957d3ep-68L},
    {0xb.8fbaf4762fb9ee9p-3L, 0xd.c3cbbc2b35b2d0dp-70L},
    {0xb.d08a39f580c36bfp-3L, -0xa.efdc09325e0a10cp-68L},
    {0xc.12c4cca66709456p-3L, 0xf.88afab34a010f6bp-68L},
    {0xc.5672a115506daddp-3L, 0xf.8ab432593767cdep-69L},
    {0xc.9b9bd866e2f27a3p-3L, -0xf.e3c0dabf5dd2d04p-68L},
    {0xc.e248c151f8480e4p-3L, -0xe.e53e3835069c895p-70L},
    {0xd.2a81d91f12ae45ap-3L, 0x9.12472be1ef20143p-70L},
    {0xd.744fccad69d6af4p-3L, 0xe.69a2ee640b4ff78p-69L},
    {0xd.bfbb797daf23755p-3L, 0xf.610356a78a6a991p-69L},
    {0xe.0ccdeec2a94e111p-3L, 0xc.b12a091ba667944p-72L},
    {0xe.5b906e77c8348a8p-3L, 0xf.2f47a5276dd8765p-70L},
    {0xe.ac0c6e7dd24392fp-3L, -0xb.f4a29323e46ac15p-69L},
    {0xe.fe4b99bdcdaf5cbp-3L, 0x8.cac39ed291b7226p-68L},
    {0xf.5257d152486cc2cp-3L, 0xf.73a18f5db301f87p-68L},
    {0xf.a83b2db722a033ap-3L, 0xf.84b762862baff99p-68L},
};

constexpr Real ThirtyTwoOverLn2 = 0xb.8aa3b295c17f0bcp+2L;
// ln2/32 = Ln2By32High + Ln2By32Low; the high part has 44 bits, so k * high is exact for
// every |k| < 2^20.
constexpr Real Ln2By32High = 0xb.17217f7d1dp-9L;
constexpr Real Ln2By32Low = -0x8.654361c4c67fc0dp-57L;

// Beyond these e^x overflows or rounds to zero; in between the reduction's k stays < 2^20.
constexpr Real ExpOverflow = 11356.6L; // ln of the largest value is 11356.523...
constexpr Real ExpUnderflow = -11400.0L;

} // namespace

// e^x = 2^(k/32) * e^r with k = round(x*32/ln2), |r| <= ln2/64; 2^(j/32) from the table.
Real ElemExp(Real x) {
    if (!(x < ExpOverflow)) return x > 0 ? HUGE_VALL : x; // NaN stays NaN
    if (!(x > ExpUnderflow)) return 0.0L;
    const Real kShifted = x * ThirtyTwoOverLn2 + RoundingShifter;
    const Real kReal = kShifted - RoundingShifter;
    const int k = static_cast<int>(static_cast<double>(kReal)); // exact: |k| < 2^20
    const Real a = x - kReal * Ln2By32High;                     // exact
    const Real b = kReal * Ln2By32Low;
    const Real rh = a - b;
    const Real rl = (a - rh) - b; // |a| >= |b| unless both are tiny
    // e^r - 1 = r + r^2/2 + ... ; terms past r^9/9! are below 2^-80.
    const Real z = rh * rh;
    const Real poly =
        0.5L +
        rh * (InverseFactorial(3) +
              rh * (InverseFactorial(4) +
                    rh * (InverseFactorial(5) +
                          rh * (InverseFactorial(6) +
                                rh * (InverseFactorial(7) +
                                      rh * (InverseFactorial(8) + rh * InverseFactorial(9)))))));
    const Real em1 = rh + (rl + rl * rh + z * poly);
    const TExpEntry& t = ExpTable[k & 31];
    const int m = k >> 5; // floor division
    const Real tail = t.Low + t.High * em1;
    if (m >= -16382) {
        const Real y = t.High + tail;
        if (m > 16382) // scale in two steps so that 2^m itself stays representable
            return (y * PowerOfTwo(m - 1)) * 2;
        return y * PowerOfTwo(m);
    }
    // The result is subnormal: round t.High + tail once, on the grid the subnormal result
    // has, then scale exactly. g = 2^(-16445-m) is that grid at the scale of t.High.
    // Adding the shifter puts t.High's bits below the grid out of the sum; t.High < 2 keeps
    // the sum inside the shifter's binade, whose ulp is the grid.
    const int gridExponent = -16445 - m; // >= -62
    const Real shifter = PowerOfTwo(63 + gridExponent);
    const Real s = t.High + shifter;
    const Real sError = t.High - (s - shifter); // exact
    const Real rounded = (s + (sError + tail)) - shifter;
    // rounded * 2^m in two exact steps (2^m alone is below the normal range)
    return (rounded * PowerOfTwo(-16382)) * PowerOfTwo(m + 16382);
}

Real ElemLn(Real x) {
    return logl(x);
}
Real ElemArcTan(Real x) {
    return atanl(x);
}
Real ElemSqrt(Real x) {
    return sqrtl(x);
}
