// Feeds arbitrary text through the whole engine: compile with variable X and T, evaluate
// through the compact form and through the reference walk with several variable values and
// angle units, and write every value in every display format. The input's first ten bytes
// also serve as a raw value for the display formats and the elementary functions. Aborts when the
// two evaluation paths disagree in value, error or side effects; the sanitizers catch everything
// else. Only the engine's own exceptions (Exception and its subclasses) count as normal outcomes.
#include "engine/Convert.h"
#include "engine/ElemMath.h"
#include "engine/Errors.h"
#include "engine/Evaluator.h"
#include "engine/Globals.h"
#include "engine/Parser.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <typeinfo>
#include <vector>

namespace {

constexpr uint64_t RandomSeed = 0x5eed;

// The 10 value bytes of a Real (the rest is padding).
bool SameBits(Real a, Real b) {
    return std::memcmp(&a, &b, 10) == 0;
}

struct TGlobals {
    int32_t Angle;
    Real Variable;
    std::array<Real, MemoryCount> Memories;
    int32_t Base;
    std::string Name;

    static TGlobals Take() { return {AngleUnit, VariableValue, Memory, NumBase, VariableName}; }
    bool operator==(const TGlobals& other) const {
        if (Angle != other.Angle || Base != other.Base || Name != other.Name ||
            !SameBits(Variable, other.Variable))
            return false;
        for (int i = 0; i < MemoryCount; ++i)
            if (!SameBits(Memories[i], other.Memories[i])) return false;
        return true;
    }
};

// The same starting state for every evaluation, RND included.
void ResetEngine(int32_t angle, Real variable) {
    AngleUnit = angle;
    VariableValue = variable;
    Memory.fill(0);
    Memory[0] = 3;     // A
    Memory[9] = -0.5L; // J
    NumBase = BaseDecimal;
    SeedRandom(RandomSeed);
}

struct TOutcome {
    bool Ok = false;
    Real Value = 0;
    std::string Type, Message;
    int Position = -1;
    TGlobals After;
};

template <typename Evaluate> TOutcome Run(Evaluate evaluate) {
    TOutcome outcome;
    try {
        outcome.Value = evaluate();
        outcome.Ok = true;
    } catch (const Exception& error) {
        outcome.Type = typeid(error).name();
        outcome.Message = error.Message;
        if (const auto* positioned = dynamic_cast<const EPositionedError*>(&error))
            outcome.Position = positioned->Position;
    }
    outcome.After = TGlobals::Take();
    return outcome;
}

[[noreturn]] void Disagree(std::string_view text, const char* what, const TOutcome& tree,
                           const TOutcome& walk) {
    std::fprintf(stderr, "EvaluateTree and EvaluateNode disagree (%s) on \"%.*s\"\n", what,
                 static_cast<int>(text.size()), text.data());
    std::fprintf(stderr, "  tree: ok=%d value=%La error=%s \"%s\" at %d\n", tree.Ok, tree.Value,
                 tree.Type.c_str(), tree.Message.c_str(), tree.Position);
    std::fprintf(stderr, "  walk: ok=%d value=%La error=%s \"%s\" at %d\n", walk.Ok, walk.Value,
                 walk.Type.c_str(), walk.Message.c_str(), walk.Position);
    std::abort();
}

void Compare(std::string_view text, const TOutcome& tree, const TOutcome& walk) {
    if (tree.Ok != walk.Ok) Disagree(text, "success", tree, walk);
    if (tree.Ok && !SameBits(tree.Value, walk.Value)) Disagree(text, "value", tree, walk);
    if (!tree.Ok &&
        (tree.Type != walk.Type || tree.Message != walk.Message || tree.Position != walk.Position))
        Disagree(text, "error", tree, walk);
    if (!(tree.After == walk.After)) Disagree(text, "engine state afterwards", tree, walk);
}

// Every display form of a value; the only failure allowed is the engine's own (a value out
// of the 32-bit range in hexadecimal or binary).
void FormatEverything(Real value) {
    volatile std::size_t sink = 0;
    for (int32_t base : {BaseDecimal, BaseHex, BaseBinary})
        for (int precision : {0, 1, 5, 17, 18, 25})
            for (bool exp : {false, true}) {
                try {
                    sink = sink + FormatResult(value, base, precision, exp).size();
                } catch (const Exception&) {
                }
            }
    sink = sink + FloatToDotText(value).size();
    for (TFloatFormat format : {ffGeneral, ffExponent, ffFixed})
        for (int precision : {0, 2, 4, 15, 18, 40})
            for (int digits : {0, 2, 3, 4, 18, 40})
                sink = sink + FloatToDotTextF(format, precision, digits, value).size();
}

// A valid x87 encoding: the explicit integer bit is set exactly when the exponent is not 0.
bool RealFromBytes(const uint8_t* bytes, Real& value) {
    value = 0;
    std::memcpy(&value, bytes, 10);
    const bool integerBit = (bytes[7] & 0x80) != 0;
    const bool exponentZero = bytes[8] == 0 && (bytes[9] & 0x7f) == 0;
    return integerBit != exponentZero;
}

[[noreturn]] void ElemMathFault(const char* what, Real x) {
    std::fprintf(stderr, "elementary functions: %s for %La\n", what, x);
    std::abort();
}

// Invariants of the elementary functions that hold for every argument.
void CheckElemMath(Real x) {
    Real sine = 0, cosine = 0;
    ElemSinCos(x, sine, cosine);
    if (!SameBits(sine, ElemSin(x)) || !SameBits(cosine, ElemCos(x)))
        ElemMathFault("ElemSinCos differs from ElemSin/ElemCos", x);
    if (std::isfinite(x)) {
        if (!(std::fabs(sine) <= 1 && std::fabs(cosine) <= 1))
            ElemMathFault("sine or cosine beyond 1", x);
        const Real pythagoras = sine * sine + cosine * cosine - 1;
        if (std::fabs(x) < 0x1p63L && !(std::fabs(pythagoras) <= 0x1p-60L))
            ElemMathFault("sin^2 + cos^2 is not 1", x);
    }
    const Real e = ElemExp(x);
    if (!std::isnan(x) && !(e >= 0)) ElemMathFault("exp negative or NaN", x);
    if (x > 0 && !std::isinf(x) && !std::isfinite(ElemLn(x))) ElemMathFault("ln not finite", x);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const Real variableValues[] = {0, 2.5L, -1e-3L, 1e300L};
    const int32_t angle = static_cast<int32_t>(size % 3); // deterministic per input
    std::vector<Real> formatted;
    for (const char* variableName : {"X", "T"}) {
        TExprTree tree;
        try {
            tree = CompileExpression(text, variableName);
        } catch (const Exception&) {
            continue;
        }
        for (Real variable : variableValues) {
            ResetEngine(angle, variable);
            const TOutcome viaTree = Run([&] { return EvaluateTree(tree); });
            ResetEngine(angle, variable);
            const TOutcome viaWalk = Run([&] { return EvaluateNode(tree.GetRoot()); });
            Compare(text, viaTree, viaWalk);
            // A second run from the same state gives the same again.
            ResetEngine(angle, variable);
            Compare(text, viaTree, Run([&] { return EvaluateTree(tree); }));
            if (viaTree.Ok) {
                bool seen = false;
                for (Real done : formatted)
                    seen = seen || SameBits(done, viaTree.Value);
                if (!seen) {
                    formatted.push_back(viaTree.Value);
                    FormatEverything(viaTree.Value);
                }
            }
        }
        FreeTree(tree);
    }
    // The first ten bytes as a raw value: extremes that expressions rarely produce.
    Real raw = 0;
    if (size >= 10 && RealFromBytes(data, raw)) {
        CheckElemMath(raw);
        FormatEverything(raw);
    }
    // EvaluateText frees its tree whatever happens.
    ResetEngine(angle, 1);
    try {
        (void)EvaluateText(text, "X");
    } catch (const Exception&) {
    }
    return 0;
}
