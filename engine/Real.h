#pragma once
// The engine's number type: 80-bit x87 extended precision.
#include <limits>

using Real = long double;

static_assert(std::numeric_limits<Real>::digits == 64,
              "Quoril computes in 80-bit extended precision (64-bit mantissa)");
