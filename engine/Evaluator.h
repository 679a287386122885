#pragma once
// Evaluation of syntax trees in extended precision.
#include "engine/Parser.h"
#include "engine/Program.h"
#include "engine/Real.h"

#include <cstdint>
#include <string_view>

// Module start-up: angle unit radians, random generator seeded from the clock.
void StartEngine();

// Evaluates a compiled expression through its compact form. Raises EEvalError (with the
// Position of the offending node), EFatalError for an empty tree, EInvalidOp / EDivByZero
// from the integer operators. Allocates nothing unless it raises.
// Inline, so that a tree with the inline form is run without any call.
Real EvaluateTreeOutOfLine(const TExprTree& tree);
[[gnu::always_inline]] inline Real EvaluateTree(const TExprTree& tree) {
    const TProgram* program = tree.GetProgram();
    if (program && program->Fast) return RunFastProgram(program->Fast.get(), program->Stack.get());
    return EvaluateTreeOutOfLine(tree);
}

// The plain recursive walk over the syntax tree: the reference that defines every result,
// error and side effect. EvaluateTree must agree with it bit for bit.
Real EvaluateNode(const TExprNode* node);

// CompileExpression, EvaluateTree, FreeTree in one call.
Real EvaluateText(std::string_view text, std::string_view variableName);

Real Factorial(int32_t n);
Real DmsToDegrees(Real v);
Real DegreesToDms(Real v);

// A pseudo-random number, uniform in [0, 1).
Real RandomReal();
void SeedRandom(uint64_t seed);
