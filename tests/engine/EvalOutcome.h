#pragma once
// What one evaluation left behind: its value or its error, and the engine globals afterwards.
// Two outcomes are equal when the values have the same bits (or are both NaN), the errors
// the same type, message and position, and the globals the same bits.
#include "engine/Errors.h"
#include "engine/Evaluator.h"
#include "engine/Globals.h"

#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <ostream>
#include <string>

struct TEvalOutcome {
    bool Raised = false;
    std::string ErrorKind; // "eval", "fatal", "invalid-op", "int-div", "other"
    std::string Message;
    int Position = -1;
    Real Value = 0;
    Real Variable = 0;
    std::array<Real, MemoryCount> Memories{};
    int32_t Base = 0;
    Real NextRandom = 0; // the generator's next number, to see that both drew alike
};

inline bool SameBits(Real a, Real b) {
    if (std::isnan(a) && std::isnan(b)) return true;
    return std::memcmp(&a, &b, 10) == 0; // the 10 significant bytes of the x87 format
}

inline TEvalOutcome Capture(const std::function<Real()>& evaluate) {
    TEvalOutcome out;
    try {
        out.Value = evaluate();
    } catch (const EEvalError& e) {
        out.Raised = true;
        out.ErrorKind = "eval";
        out.Message = e.what();
        out.Position = e.Position;
    } catch (const EFatalError& e) {
        out.Raised = true;
        out.ErrorKind = "fatal";
        out.Message = e.what();
    } catch (const EInvalidOp& e) {
        out.Raised = true;
        out.ErrorKind = "invalid-op";
        out.Message = e.what();
    } catch (const EDivByZero& e) {
        out.Raised = true;
        out.ErrorKind = "int-div";
        out.Message = e.what();
    } catch (const std::exception& e) {
        out.Raised = true;
        out.ErrorKind = "other";
        out.Message = e.what();
    }
    out.Variable = VariableValue;
    out.Memories = Memory;
    out.Base = NumBase;
    out.NextRandom = RandomReal();
    return out;
}

inline bool operator==(const TEvalOutcome& a, const TEvalOutcome& b) {
    if (a.Raised != b.Raised || a.ErrorKind != b.ErrorKind || a.Message != b.Message ||
        a.Position != b.Position || a.Base != b.Base)
        return false;
    if (!a.Raised && !SameBits(a.Value, b.Value)) return false;
    if (!SameBits(a.Variable, b.Variable) || !SameBits(a.NextRandom, b.NextRandom)) return false;
    for (int i = 0; i < MemoryCount; ++i)
        if (!SameBits(a.Memories[i], b.Memories[i])) return false;
    return true;
}

inline std::ostream& operator<<(std::ostream& os, const TEvalOutcome& o) {
    char buffer[64];
    if (o.Raised) {
        os << o.ErrorKind << " '" << o.Message << "' at " << o.Position;
    } else {
        std::snprintf(buffer, sizeof buffer, "%.21Lg", o.Value);
        os << buffer;
    }
    std::snprintf(buffer, sizeof buffer, " X=%.21Lg J=%.21Lg", o.Variable, o.Memories[9]);
    return os << buffer << " base " << o.Base;
}

// Puts the globals into a known state before a run.
inline void ResetEngineState(int32_t angleUnit, Real variable) {
    AngleUnit = angleUnit;
    VariableValue = variable;
    Memory.fill(0);
    Memory[0] = 2.5L;  // A
    Memory[1] = -3;    // B
    Memory[9] = 0.25L; // J
    NumBase = BaseDecimal;
    SeedRandom(12345);
}
