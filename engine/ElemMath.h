#pragma once
// The elementary functions the evaluator builds on, in extended precision. Each is within
// 1 ulp of the correctly rounded result.
#include "engine/Real.h"

// Sine and cosine of an argument in radians; 0 for arguments of magnitude 2^63 or more.
Real ElemSin(Real x);
Real ElemCos(Real x);
void ElemSinCos(Real x, Real& sine, Real& cosine);
Real ElemExp(Real x);
Real ElemLn(Real x);
Real ElemArcTan(Real x);
Real ElemSqrt(Real x);
