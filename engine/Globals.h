#pragma once
// The engine's program-wide state, shared by the calculator, the dialog and every plot.
// Written by: the evaluator (":=", "STO", "POL"/"REC" into memory J, "->DEZ"/"->HEX"/"->BIN"
// into NumBase), the plots (VariableValue before each sample), the calculator (angle-unit key,
// memory keys, its stored settings) and CompileExpression (VariableName). Everything runs on
// one thread, one after another; nothing else in the engine is global.
#include "engine/Real.h"

#include <array>
#include <cstdint>
#include <string>

inline constexpr int32_t AngleDegrees = 0;
inline constexpr int32_t AngleRadians = 1;
inline constexpr int32_t AngleGrads = 2;

inline constexpr int32_t BaseDecimal = 0;
inline constexpr int32_t BaseHex = 1;
inline constexpr int32_t BaseBinary = 2;

inline constexpr int MemoryCount = 10; // A to J

inline int32_t AngleUnit = AngleRadians;
inline Real VariableValue = 0;
inline std::array<Real, MemoryCount> Memory{};
inline int32_t NumBase = BaseDecimal;
inline std::string VariableName = "X"; // upper case; set by CompileExpression
