#include "engine/Program.h"

#include "engine/Evaluator.h"

class TProgram {
public:
    const TExprNode* Root;
};

TProgram* BuildProgram(const TExprNode* root) {
    return new TProgram{root};
}

void DeleteProgram(TProgram* program) noexcept {
    delete program;
}

Real RunProgram(const TProgram& program) {
    return EvaluateNode(program.Root);
}
