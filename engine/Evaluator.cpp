#include "engine/Evaluator.h"

#include "engine/Convert.h"
#include "engine/Globals.h"
#include "engine/Operations.h"
#include "engine/Program.h"
#include "engine/Scanner.h"
#include "engine/StringTable.h"

#include <bit>
#include <chrono>
#include <cmath>

namespace {

int PosOf(const TExprNode* node, const TExprNode* fallback) {
    return node ? node->Pos : fallback->Pos;
}

// Stores `value` into the target leaf of ":=" or "STO".
void Assign(const TExprNode* target, Real value, int errorPos) {
    const int32_t code = target ? target->Code : 0;
    if (code == Code::Variable)
        VariableValue = value;
    else if (code >= Code::MemoryA && code <= Code::MemoryJ)
        Memory[code - Code::MemoryA] = value;
    else
        Ops::RaiseEval(Msg::AssignmentTargetInvalid, errorPos);
}

// MIN and MAX: one argument hangs directly below the function, more form a list chain.
Real Extreme(const TExprNode* args, bool wantMax) {
    if (!args || args->Code != Code::ArgList) return EvaluateNode(args);
    Real best = EvaluateNode(args->Left);
    for (const TExprNode* item = args->Right; item; item = item->Right) {
        const Real v = EvaluateNode(item->Left);
        if (wantMax ? v > best : v < best) best = v;
    }
    return best;
}

Real SqrtXNode(const TExprNode* args) {
    const bool list = args && args->Code == Code::ArgList;
    const int32_t n = RoundToInt32(EvaluateNode(list ? args->Left : args));
    const Real y = EvaluateNode(list && args->Right ? args->Right->Left : nullptr);
    return Ops::SqrtX(n, y, args->Pos);
}

Real EvaluateFunction(const TExprNode* node) {
    const TExprNode* arg = node->Right;
    const int32_t code = node->Code;
    if (code == Code::Rnd) return RandomReal();
    if (code == Code::Min || code == Code::Max) return Extreme(arg, code == Code::Max);
    if (code == Code::SqrtX) return SqrtXNode(arg);
    const Real x = EvaluateNode(arg);
    const int argPos = PosOf(arg, node);
    return Ops::ApplyUnary(code, x, code == Code::ArCosH ? node->Pos : argPos);
}

Real EvaluateBinary(const TExprNode* node) {
    const int32_t code = node->Code;
    if (code == Code::Divide) {
        const Real r = EvaluateNode(node->Right);
        Ops::CheckDivisor(r, PosOf(node->Right, node));
        return EvaluateNode(node->Left) / r;
    }
    const Real l = EvaluateNode(node->Left);
    const Real r = EvaluateNode(node->Right);
    const int leftPos = PosOf(node->Left, node);
    return Ops::ApplyBinary(code, l, r, leftPos);
}

// xoshiro256** seeded through splitmix64.
uint64_t RandomState[4] = {1, 2, 3, 4};

uint64_t SplitMix(uint64_t& s) {
    uint64_t z = (s += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

uint64_t NextRandom() {
    uint64_t* s = RandomState;
    const uint64_t result = std::rotl(s[1] * 5, 7) * 9;
    const uint64_t t = s[1] << 17;
    s[2] ^= s[0];
    s[3] ^= s[1];
    s[1] ^= s[2];
    s[0] ^= s[3];
    s[2] ^= t;
    s[3] = std::rotl(s[3], 45);
    return result;
}

uint64_t Pow10(int k) {
    uint64_t p = 1;
    while (k-- > 0)
        p *= 10;
    return p;
}

int DecimalDigits(uint64_t v) {
    int digits = 0;
    for (; v != 0; v /= 10)
        ++digits;
    return digits;
}

// Up to this magnitude the angle conversions work on decimal digits.
constexpr Real DigitLimit = 1e15L;
constexpr int SignificantDigits = 15;
// Below this D.MMSS value there are only seconds, and 15 significant digits no longer fit the
// 64-bit integers of the digit computation.
constexpr Real TinyDms = 1e-5L;

} // namespace

void StartEngine() {
    AngleUnit = AngleRadians;
    SeedRandom(static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) ^
               static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
}

Real EvaluateNode(const TExprNode* node) {
    if (!node) throw EFatalError(LoadStr(Msg::InvalidFunctionPointer));
    const int32_t code = node->Code;
    if (code >= Code::FirstFunction && code <= Code::LastFunction) return EvaluateFunction(node);
    if (code >= Code::Equal && code <= Code::Rec) return EvaluateBinary(node);
    if (code >= Code::MemoryA && code <= Code::MemoryJ) return Memory[code - Code::MemoryA];
    switch (code) {
    case Code::Number:
        return node->Value;
    case Code::Pi:
        return Ops::Pi;
    case Code::Variable:
        return VariableValue;
    case Code::Semicolon:
        EvaluateNode(node->Left);
        return EvaluateNode(node->Right);
    case Code::Assign: {
        const Real v = EvaluateNode(node->Right);
        Assign(node->Left, v, PosOf(node->Left, node));
        return v;
    }
    case Code::Sto: {
        const Real v = EvaluateNode(node->Left);
        Assign(node->Right, v, PosOf(node->Right, node));
        return v;
    }
    case Code::ToDez:
    case Code::ToHex:
    case Code::ToBin:
        NumBase = code - Code::ToDez;
        return EvaluateNode(node->Left);
    case Code::Negate:
        return Ops::Negate(EvaluateNode(node->Right));
    case Code::Not:
        return Ops::BitNot(EvaluateNode(node->Right));
    case Code::Factorial:
        return Ops::FactorialOf(EvaluateNode(node->Left));
    case Code::Deg:
        return DmsToDegrees(EvaluateNode(node->Left));
    case Code::Dms:
        return DegreesToDms(EvaluateNode(node->Left));
    default:
        return 0;
    }
}

// Trees without the inline form, and empty trees.
Real EvaluateTreeOutOfLine(const TExprTree& tree) {
    if (tree.Empty()) throw EFatalError(LoadStr(Msg::InvalidFunctionPointer));
    const TProgram* program = tree.GetProgram();
    return program ? RunProgram(*program) : EvaluateNode(tree.GetRoot());
}

Real EvaluateText(std::string_view text, std::string_view variableName) {
    TExprTree tree = CompileExpression(text, variableName); // freed on every way out
    return EvaluateTree(tree);
}

Real Factorial(int32_t n) {
    Real r = 1;
    // Past 1754! the product is infinite and stays so; stopping there bounds the loop.
    for (int32_t k = 2; k <= n && !std::isinf(r); ++k)
        r *= k;
    return r;
}

// D.MMSS to degrees. The value is first read as the decimal digits the user typed (15
// significant digits), so that 10.3 means 10 degrees 30 minutes although 10.3 has no exact
// binary form.
Real DmsToDegrees(Real v) {
    const Real s = v >= 0 ? 1 : -1;
    const Real a = std::fabs(v);
    if (!std::isfinite(a)) return v;
    if (!(a < DigitLimit)) {
        const Real d = std::trunc(a);
        const Real t = (a - d) * 100;
        const Real m = std::trunc(t);
        return s * (d + m * (1.0L / 60) + (t - m) * 100 * (1.0L / 3600));
    }
    if (a < TinyDms) {
        // Below 0.00001 every digit is a second: 0.0000SSsss is SS.sss · 10^-4.
        return s * (ShiftDecimalPoint(a, SignificantDigits, 4) / 3600);
    }
    const auto whole = static_cast<uint64_t>(a);
    int k = SignificantDigits - DecimalDigits(whole);
    if (k < 0) k = 0;
    // The zeros between the point and the first non-zero digit are no significant digits.
    while (whole == 0 && k < 19 && a * static_cast<Real>(Pow10(k - 14)) < 1)
        ++k;
    uint64_t scaled = static_cast<uint64_t>(std::nearbyint(a * static_cast<Real>(Pow10(k))));
    if (k < 4) {
        scaled *= Pow10(4 - k); // at least the two minute and two second digits
        k = 4;
    }
    const uint64_t unit = Pow10(k);
    const uint64_t degrees = scaled / unit;
    const uint64_t fraction = scaled % unit;          // 0.MMSSsss as an integer
    const uint64_t minutes = fraction / Pow10(k - 2); // MM
    const uint64_t seconds = fraction % Pow10(k - 2); // SS.sss scaled by 10^(k-4)
    const uint64_t secondUnit = Pow10(k - 4);
    // One division of exact integers: the result is the correctly rounded value.
    const uint64_t total = (degrees * 3600 + minutes * 60) * secondUnit + seconds;
    return s * (static_cast<Real>(total) / static_cast<Real>(3600 * secondUnit));
}

// Degrees to D.MMSS. The seconds are rounded to the digits left of 15 significant ones, so
// that 10.5 DMS is exactly 10.3 and 10.8333… DMS is 10.5.
Real DegreesToDms(Real v) {
    const Real s = v >= 0 ? 1 : -1;
    const Real a = std::fabs(v);
    if (!std::isfinite(a)) return v;
    if (!(a < DigitLimit)) {
        const Real d = std::trunc(a);
        const Real e = (a - d) * 60;
        const Real m = std::trunc(e);
        return s * (d + m * 0.01L + (e - m) * 60 * 0.0001L);
    }
    uint64_t degrees = static_cast<uint64_t>(a);
    int k = SignificantDigits - DecimalDigits(degrees) - 4; // decimals of the seconds
    if (k < 0) k = 0;
    if (degrees == 0) {
        const Real allSeconds = a * 3600;
        if (allSeconds < 0.1L) {
            // Under a tenth of a second: 0.0000SSsss is the seconds times 10^-4.
            return s * ShiftDecimalPoint(allSeconds, SignificantDigits, -4);
        }
        // 0.MMSS: each zero before the first non-zero digit gives the seconds one more
        // decimal (minutes below 10, no minutes, seconds below 10, below 1).
        for (const Real bound : {600.0L, 60.0L, 10.0L, 1.0L})
            if (allSeconds < bound) ++k;
    }
    const uint64_t secondUnit = Pow10(k);
    uint64_t seconds = static_cast<uint64_t>(
        std::nearbyint((a - static_cast<Real>(degrees)) * 3600 * static_cast<Real>(secondUnit)));
    if (seconds >= 3600 * secondUnit) { // rounded up to the next whole degree
        seconds -= 3600 * secondUnit;
        ++degrees;
    }
    const uint64_t minutes = seconds / (60 * secondUnit);
    const uint64_t rest = seconds % (60 * secondUnit);
    // D.MMSSsss as one integer over a power of ten: one rounding, so 10.5 DMS is the 10.3
    // that the text "10.3" reads as.
    const uint64_t total = (degrees * 10000 + minutes * 100) * secondUnit + rest;
    return s * (static_cast<Real>(total) / static_cast<Real>(10000 * secondUnit));
}

Real RandomReal() {
    return static_cast<Real>(NextRandom()) * 0x1p-64L; // 64 bits: exact, and below 1
}

void SeedRandom(uint64_t seed) {
    for (uint64_t& word : RandomState)
        word = SplitMix(seed);
}
