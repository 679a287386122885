#pragma once
// The compact evaluation form of a syntax tree, built once when the tree is compiled and run
// at every evaluation. It gives exactly the results, errors, positions and side effects of
// the reference walk EvaluateNode, in the same order.
#include "engine/Parser.h"
#include "engine/Real.h"

class TProgram;

// Builds the compact form of a non-empty tree; may raise std::bad_alloc only.
TProgram* BuildProgram(const TExprNode* root);
void DeleteProgram(TProgram* program) noexcept;

// Runs the compact form; raises what EvaluateNode raises for the same tree.
Real RunProgram(const TProgram& program);
