#include "engine/ElemMath.h"

#include <cmath>

namespace {
constexpr Real TwoPow63 = 9223372036854775808.0L;
}

Real ElemSin(Real x) { return std::fabs(x) >= TwoPow63 ? 0.0L : sinl(x); }
Real ElemCos(Real x) { return std::fabs(x) >= TwoPow63 ? 0.0L : cosl(x); }

void ElemSinCos(Real x, Real& sine, Real& cosine) {
    sine = ElemSin(x);
    cosine = ElemCos(x);
}

Real ElemExp(Real x) { return expl(x); }
Real ElemLn(Real x) { return logl(x); }
Real ElemArcTan(Real x) { return atanl(x); }
Real ElemSqrt(Real x) { return sqrtl(x); }
