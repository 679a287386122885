#pragma once
// The recursive-descent parser and the syntax tree it builds.
#include "engine/Real.h"

#include <cstdint>
#include <string>
#include <string_view>

// One node of the syntax tree: a copy of the token it was made from, its operands and the
// text position that the evaluator's error messages report.
struct TExprNode {
    std::string Text;
    int32_t Code = 0;
    int32_t Group = 0;
    Real Value = 0;             // a literal's value; a function node's ArgCount
    TExprNode* Left = nullptr;  // owned
    TExprNode* Right = nullptr; // owned
    int Pos = 0;                // offset into the source text
};

class TProgram; // the tree's compact evaluation form, engine/Program.h

// The handle of a compiled expression: owns the syntax tree and its compact evaluation form.
// Move-only; empty after FreeTree, after being moved from, and when default-constructed.
class TExprTree {
public:
    TExprTree() noexcept = default;
    TExprTree(TExprNode* root); // takes ownership; builds the compact form
    TExprTree(TExprTree&& other) noexcept;
    TExprTree& operator=(TExprTree&& other) noexcept;
    TExprTree(const TExprTree&) = delete;
    TExprTree& operator=(const TExprTree&) = delete;
    ~TExprTree();

    bool Empty() const noexcept { return Root == nullptr; }
    explicit operator bool() const noexcept { return Root != nullptr; }
    const TExprNode* GetRoot() const noexcept { return Root; }
    const TProgram* GetProgram() const noexcept { return Program; }

private:
    friend void FreeTree(TExprTree& tree) noexcept;
    TExprNode* Root = nullptr;
    TProgram* Program = nullptr;
};

// Deepest tree the parser accepts, and deepest nesting of brackets and function calls (each
// level costs the recursive-descent parser several stack frames); deeper input is rejected
// with EParseError NestedTooDeeply, so every accepted tree is safe to walk.
inline constexpr int MaxTreeDepth = 2000;
inline constexpr int MaxNestingDepth = 1000;

// Sets VariableName to `variableName` (upper case) and compiles the whole text.
// Raises EScanError, EParseError or EConvertError; on failure no tree is returned and
// everything built so far is freed.
TExprTree CompileExpression(std::string_view text, std::string_view variableName);

// Frees the tree and empties the handle; an empty handle is left alone.
void FreeTree(TExprTree& tree) noexcept;

// Frees a node and everything below it (without recursion on the C++ stack).
void FreeNodes(TExprNode* node) noexcept;
