#include "engine/Parser.h"
#include "engine/Program.h"

#include <utility>

TExprTree::TExprTree(TExprNode* root) : Root(root) {
    if (!Root) return;
    try {
        Program = BuildProgram(Root);
    } catch (...) {
        FreeNodes(Root);
        Root = nullptr;
        throw;
    }
}

TExprTree::TExprTree(TExprTree&& other) noexcept
    : Root(std::exchange(other.Root, nullptr)), Program(std::exchange(other.Program, nullptr)) {}

TExprTree& TExprTree::operator=(TExprTree&& other) noexcept {
    if (this != &other) {
        FreeTree(*this);
        Root = std::exchange(other.Root, nullptr);
        Program = std::exchange(other.Program, nullptr);
    }
    return *this;
}

TExprTree::~TExprTree() { FreeTree(*this); }

void FreeTree(TExprTree& tree) noexcept {
    DeleteProgram(std::exchange(tree.Program, nullptr));
    FreeNodes(std::exchange(tree.Root, nullptr));
}
