// Builds the compact evaluation form of a syntax tree: constant folding, the choice of
// operand forms, and the fusion of neighbouring instructions.
#include "engine/Evaluator.h"
#include "engine/Operations.h"
#include "engine/Program.h"
#include "engine/ProgramCode.h"
#include "engine/Scanner.h"
#include "engine/StringTable.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <unordered_map>
#include <vector>

namespace {

using namespace Compact;

// Facts about a subtree that decide which reorderings are invisible.
struct TFacts {
    bool Writes = false; // stores into the variable or a memory
    bool Safe = false;   // can neither raise nor change any state
};

bool IsLeaf(const TExprNode* n) {
    return n && (n->Code == Code::Number || n->Code == Code::Pi || n->Code == Code::Variable ||
                 (n->Code >= Code::MemoryA && n->Code <= Code::MemoryJ));
}

bool IsEvaluated(int32_t code) {
    return (code >= Code::FirstFunction && code <= Code::LastFunction) ||
           (code >= Code::Assign && code <= Code::Negate) || code == Code::Pi ||
           code == Code::Variable || (code >= Code::MemoryA && code <= Code::MemoryJ) ||
           code == Code::Sto || (code >= Code::ToDez && code <= Code::ToBin) ||
           code == Code::Semicolon || code == Code::Number;
}

// Functions and operators that never raise, keep all state and ignore the angle unit.
bool IsPureTotal(int32_t code) {
    switch (code) {
    case Code::Exp:
    case Code::Exp10:
    case Code::SinH:
    case Code::CosH:
    case Code::TanH:
    case Code::ArSinH:
    case Code::Abs:
    case Code::Sgn:
    case Code::Step:
    case Code::Int:
    case Code::Min:
    case Code::Max:
    case Code::Plus:
    case Code::Minus:
    case Code::Times:
    case Code::Negate:
    case Code::Equal:
    case Code::NotEqual:
    case Code::Less:
    case Code::LessEqual:
    case Code::Greater:
    case Code::GreaterEqual:
    case Code::Number:
    case Code::Pi:
    case Code::ArgList:
        return true;
    default:
        return false;
    }
}

class TBuilder {
public:
    std::vector<TInstr> Code;
    int Depth = 0;
    int MaxDepth = 0;

    void Compile(const TExprNode* node);

private:
    std::unordered_map<const TExprNode*, TFacts> FactCache;
    std::unordered_map<const TExprNode*, bool> ConstCache;

    const TFacts& Facts(const TExprNode* node);
    bool IsConstant(const TExprNode* node);
    bool TryFold(const TExprNode* node, Real& value);

    TInstr& Last() { return Code.back(); }
    int32_t LastCode(size_t back = 0) const {
        return Code.size() > back ? Code[Code.size() - 1 - back].Code : Ret;
    }
    void Emit(int32_t op, Real k = 0, int32_t pos = 0, int32_t index = 0);
    void EmitPush() {
        Emit(Push);
        if (++Depth > MaxDepth) MaxDepth = Depth;
    }
    void EmitPop(int32_t op, int32_t pos = 0, int32_t index = 0);
    void EmitLeaf(const TExprNode* leaf);
    void CompileBinary(const TExprNode* node);
    void CompileDivide(const TExprNode* node);
    void CompileFunction(const TExprNode* node);
    void CompileExtreme(const TExprNode* args, bool wantMax);
    void CompileAssign(const TExprNode* target, int pos);
};

const TFacts& TBuilder::Facts(const TExprNode* node) {
    if (auto it = FactCache.find(node); it != FactCache.end()) return it->second;
    TFacts f;
    if (!node) {
        f.Safe = false; // evaluating nothing is a fatal error
    } else if (!IsEvaluated(node->Code) && node->Code != Code::ArgList) {
        f.Safe = true; // yields 0 without looking at its operands
    } else {
        const int32_t code = node->Code;
        const bool hasLeft = node->Left != nullptr;
        const bool hasRight = node->Right != nullptr;
        const TFacts left = hasLeft ? Facts(node->Left) : TFacts{false, true};
        const TFacts right = hasRight ? Facts(node->Right) : TFacts{false, true};
        f.Writes = left.Writes || right.Writes || code == Code::Assign || code == Code::Sto ||
                   code == Code::Pol || code == Code::Rec;
        bool selfSafe = IsPureTotal(code) || IsLeaf(node) || code == Code::Sin ||
                        code == Code::Cos || code == Code::ArcTan;
        // a constant divisor makes "/" safe only when it is not (near) zero
        if (code == Code::Divide)
            selfSafe = IsConstant(node->Right) &&
                       !(std::fabs(EvaluateNode(node->Right)) <= Ops::DivisorTol);
        // Operands the walk requires but the tree lacks make the node fail.
        const bool needsLeft = (code >= Code::Equal && code <= Code::Rec) ||
                               code == Code::Factorial || code == Code::Deg || code == Code::Dms;
        const bool needsRight =
            (code >= Code::Equal && code <= Code::Rec) || code == Code::Negate ||
            code == Code::Not ||
            (code >= Code::FirstFunction && code <= Code::LastFunction && code != Code::Rnd);
        if ((needsLeft && !hasLeft) || (needsRight && !hasRight)) selfSafe = false;
        f.Safe = selfSafe && left.Safe && right.Safe && !f.Writes;
    }
    return FactCache.emplace(node, f).first->second;
}

// A subtree of literals whose value cannot depend on any state: it is folded at build time.
bool TBuilder::IsConstant(const TExprNode* node) {
    if (!node) return false;
    if (auto it = ConstCache.find(node); it != ConstCache.end()) return it->second;
    bool c = false;
    if (node->Code == Code::Number || node->Code == Code::Pi) {
        c = true;
    } else if (IsPureTotal(node->Code) || node->Code == Code::Divide) {
        c = (!node->Left || IsConstant(node->Left)) && (!node->Right || IsConstant(node->Right));
        if (c && node->Code == Code::Divide) {
            c = node->Left && node->Right &&
                !(std::fabs(EvaluateNode(node->Right)) <= Ops::DivisorTol);
        }
        const bool binary = node->Code >= Code::Equal && node->Code <= Code::Rec;
        if (binary && (!node->Left || !node->Right)) c = false;
        if ((node->Code == Code::Negate ||
             (node->Code >= Code::FirstFunction && node->Code <= Code::LastFunction)) &&
            !node->Right)
            c = false;
    }
    ConstCache.emplace(node, c);
    return c;
}

bool TBuilder::TryFold(const TExprNode* node, Real& value) {
    if (!IsConstant(node)) return false;
    value = EvaluateNode(node); // cannot raise: every operation here is total
    return true;
}

void TBuilder::Emit(int32_t op, Real k, int32_t pos, int32_t index) {
    // Fuse with the instruction before where the pair has a form of its own.
    const int32_t last = LastCode();
    const Real lastK = Code.empty() ? 0 : Last().K;
    auto replace = [&](int32_t fused, Real k1, Real k2 = 0) {
        TInstr& t = Last();
        t.Code = fused;
        t.K = k1;
        t.K2 = k2;
    };
    // "SIN(X) ... COS(X)" with only a push between: both from one reduction of X.
    if ((op == FnCos || op == FnSin) && last == LoadV && LastCode(1) == Push &&
        LastCode(2) == (op == FnCos ? FnSin : FnCos) && LastCode(3) == LoadV) {
        Code.resize(Code.size() - 4);
        TInstr t;
        t.Code = op == FnCos ? SinCosV : CosSinV;
        Code.push_back(t);
        return;
    }
    if (op == MulV && last == LoadV) return replace(SqrV, 0);
    if (op == MulV && last == LoadK) return replace(KMulV, lastK);
    if (op == AddK && last == LoadV) return replace(VAddK, k);
    if (op == AddK && last == KMulV) return replace(KMulVAddK, lastK, k);
    if (op == AddK && last == MulV) return replace(MulVAddK, k);
    if (op == AddK && last == AddKMulV) return replace(AddKMulVAddK, lastK, k);
    if (op == AddK && last == SqrV) return replace(SqrVAddK, k);
    if (op == AddKMulV && last == SqrV) return replace(SqrVAddKMulV, k);
    if (op == AddK && last == SqrVAddKMulV) return replace(Quadratic, lastK, k);
    if (op == MulVAddKS && last == VAddK) return replace(VAddKMulVAddK, lastK, k);
    if (op == Neg && last == LoadV) return replace(NegV, 0);
    if (op == SqrAcc && last == LoadV) return replace(SqrV, 0);
    TInstr t;
    t.Code = op;
    t.K = k;
    t.Pos = pos;
    t.Index = index;
    Code.push_back(t);
}

// Emits an instruction that consumes the stack top, fusing "push; one-instruction operand;
// op" into one instruction where the operand is a fused form of the variable.
void TBuilder::EmitPop(int32_t op, int32_t pos, int32_t index) {
    --Depth;
    if (LastCode(1) == Push && (op == AddS || op == SubS || op == MulS)) {
        const int32_t operand = LastCode();
        const Real k = Last().K;
        int32_t fused = -1;
        if (operand == SqrV) fused = op == AddS ? AddSqrV : op == SubS ? SubSqrV : MulSqrV;
        if (operand == KMulV) fused = op == AddS ? AddKMulV : op == SubS ? SubKMulV : MulKMulV;
        if (operand == VAddK) fused = op == AddS ? AddVAddK : op == SubS ? SubVAddK : MulVAddKS;
        if (fused >= 0) {
            Code.pop_back();
            Code.pop_back();
            Emit(fused, k);
            return;
        }
    }
    Emit(op, 0, pos, index);
}

void TBuilder::EmitLeaf(const TExprNode* leaf) {
    switch (leaf->Code) {
    case Code::Number:
        Emit(LoadK, leaf->Value);
        break;
    case Code::Pi:
        Emit(LoadK, Ops::Pi);
        break;
    case Code::Variable:
        Emit(LoadV);
        break;
    default:
        Emit(LoadM, 0, 0, leaf->Code - Code::MemoryA);
        break;
    }
}

void TBuilder::Compile(const TExprNode* node) {
    if (!node) return Emit(Fatal);
    Real folded;
    if (node->Code != Code::Number && TryFold(node, folded)) return Emit(LoadK, folded);
    const int32_t code = node->Code;
    if (IsLeaf(node)) return EmitLeaf(node);
    if (code >= Code::FirstFunction && code <= Code::LastFunction) return CompileFunction(node);
    if (code == Code::Divide) return CompileDivide(node);
    if (code >= Code::Equal && code <= Code::Rec) return CompileBinary(node);
    switch (code) {
    case Code::Semicolon:
        Compile(node->Left);
        Compile(node->Right);
        return;
    case Code::Assign:
        Compile(node->Right);
        return CompileAssign(node->Left, node->Left ? node->Left->Pos : node->Pos);
    case Code::Sto:
        Compile(node->Left);
        return CompileAssign(node->Right, node->Right ? node->Right->Pos : node->Pos);
    case Code::ToDez:
    case Code::ToHex:
    case Code::ToBin:
        Emit(SetBase, 0, 0, code - Code::ToDez);
        return Compile(node->Left);
    case Code::Negate:
        Compile(node->Right);
        return Emit(Neg);
    case Code::Not:
    case Code::Factorial:
    case Code::Deg:
    case Code::Dms:
        Compile(code == Code::Not ? node->Right : node->Left);
        return Emit(Fn, 0, 0, code);
    default:
        return Emit(LoadK, 0); // codes without a rule
    }
}

void TBuilder::CompileAssign(const TExprNode* target, int pos) {
    const int32_t code = target ? target->Code : 0;
    if (code == Code::Variable) return Emit(StoreV);
    if (code >= Code::MemoryA && code <= Code::MemoryJ)
        return Emit(StoreM, 0, 0, code - Code::MemoryA);
    Emit(Raise, 0, pos, Msg::AssignmentTargetInvalid);
}

void TBuilder::CompileBinary(const TExprNode* node) {
    const int32_t code = node->Code;
    const TExprNode* left = node->Left;
    const TExprNode* right = node->Right;
    const int leftPos = left ? left->Pos : node->Pos;
    const bool arithmetic = code == Code::Plus || code == Code::Minus || code == Code::Times;
    Real k;
    if (arithmetic || code == Code::Power) {
        if (left && TryFold(right, k)) { // a constant right operand
            Compile(left);
            if (code == Code::Plus) return Emit(AddK, k);
            if (code == Code::Minus && !std::isnan(k)) return Emit(AddK, -k); // a-k is a+(-k)
            if (code == Code::Times) return Emit(MulK, k);
            // x^2 by the power rules is x·x bit for bit: 0 below TINY (where x·x underflows
            // to +0), the exact square where it fits, else the once-rounded product.
            if (code == Code::Power && k == 2) return Emit(SqrAcc);
            if (code == Code::Power) return Emit(PowK, k, leftPos);
        }
        if (arithmetic && left && right && right->Code == Code::Variable) {
            Compile(left);
            return Emit(code == Code::Plus ? AddV : code == Code::Minus ? SubV : MulV);
        }
        if (arithmetic && left && IsLeaf(right) && right->Code != Code::Pi &&
            right->Code != Code::Number) {
            Compile(left);
            return Emit(code == Code::Plus    ? AddM
                        : code == Code::Minus ? SubM
                                              : MulM,
                        0, 0, right->Code - Code::MemoryA);
        }
        // A leaf left operand is read after the right one only when the right one cannot
        // change it; addition and multiplication commute bit for bit.
        if (arithmetic && right && TryFold(left, k)) {
            Compile(right);
            if (code == Code::Plus) return Emit(AddK, k);
            if (code == Code::Times) return Emit(MulK, k);
            return Emit(KSub, k);
        }
        if (arithmetic && right && IsLeaf(left) && !Facts(right).Writes) {
            Compile(right);
            if (left->Code == Code::Variable)
                return Emit(code == Code::Plus ? AddV : code == Code::Minus ? VSub : MulV);
            const int32_t m = left->Code - Code::MemoryA;
            return Emit(code == Code::Plus ? AddM : code == Code::Minus ? MSub : MulM, 0, 0, m);
        }
    }
    Compile(left);
    EmitPush();
    Compile(right);
    switch (code) {
    case Code::Plus:
        return EmitPop(AddS);
    case Code::Minus:
        return EmitPop(SubS);
    case Code::Times:
        return EmitPop(MulS);
    default:
        return EmitPop(GenS, leftPos, code);
    }
}

// "/" evaluates and checks its right operand before the left one.
void TBuilder::CompileDivide(const TExprNode* node) {
    const TExprNode* left = node->Left;
    const TExprNode* right = node->Right;
    const int rightPos = right ? right->Pos : node->Pos;
    Real k;
    if (TryFold(right, k)) {
        if (std::fabs(k) <= Ops::DivisorTol) return Emit(Raise, 0, rightPos, Msg::DivisionByZero);
        Compile(left);
        return Emit(DivK, k);
    }
    const bool rightIsReadable =
        right && (right->Code == Code::Variable ||
                  (right->Code >= Code::MemoryA && right->Code <= Code::MemoryJ));
    if (rightIsReadable && Facts(left).Safe) {
        // The left operand can neither fail nor change the divisor: check after it.
        Compile(left);
        if (right->Code == Code::Variable) return Emit(DivVC, 0, rightPos);
        return Emit(DivMC, 0, rightPos, right->Code - Code::MemoryA);
    }
    if (IsLeaf(left)) {
        Compile(right);
        if (left->Code == Code::Number || left->Code == Code::Pi)
            return Emit(KDivC, left->Code == Code::Pi ? Ops::Pi : left->Value, rightPos);
        if (left->Code == Code::Variable) return Emit(VDivC, 0, rightPos);
        return Emit(MDivC, 0, rightPos, left->Code - Code::MemoryA);
    }
    if (Facts(left).Safe && !Facts(right).Writes) {
        // Here too the left operand may run first, as long as the right one cannot change
        // what it reads; a divisor that is one step on the variable then joins the division.
        Compile(left);
        const size_t mark = Code.size();
        EmitPush();
        Compile(right);
        const int32_t last = LastCode();
        if (Code.size() == mark + 2 && Code[mark].Code == Push &&
            (last == SqrVAddK || last == VAddK)) {
            const Real k = Last().K;
            Code.resize(mark);
            --Depth;
            return Emit(last == SqrVAddK ? DivSqrVAddKC : DivVAddKC, k, rightPos);
        }
        return EmitPop(CheckDivS, rightPos);
    }
    Compile(right);
    Emit(CheckPush, 0, rightPos);
    if (++Depth > MaxDepth) MaxDepth = Depth;
    Compile(left);
    EmitPop(DivS);
}

void TBuilder::CompileExtreme(const TExprNode* args, bool wantMax) {
    if (!args || args->Code != Code::ArgList) return Compile(args);
    Compile(args->Left);
    for (const TExprNode* item = args->Right; item; item = item->Right) {
        const TExprNode* arg = item->Left;
        Real k;
        if (TryFold(arg, k)) {
            Emit(wantMax ? MaxK : MinK, k);
        } else if (arg && arg->Code == Code::Variable) {
            Emit(wantMax ? MaxV : MinV);
        } else {
            EmitPush();
            Compile(arg);
            EmitPop(wantMax ? MaxS : MinS);
        }
    }
}

void TBuilder::CompileFunction(const TExprNode* node) {
    const int32_t code = node->Code;
    const TExprNode* arg = node->Right;
    if (code == Code::Rnd) return Emit(Rnd);
    if (code == Code::Min || code == Code::Max) return CompileExtreme(arg, code == Code::Max);
    if (code == Code::SqrtX) {
        const bool list = arg && arg->Code == Code::ArgList;
        Compile(list ? arg->Left : arg);
        Emit(RoundInt);
        EmitPush();
        Compile(list && arg->Right ? arg->Right->Left : nullptr);
        return EmitPop(SqrtXS, arg ? arg->Pos : node->Pos);
    }
    Compile(arg);
    const int argPos = code == Code::ArCosH ? node->Pos : (arg ? arg->Pos : node->Pos);
    switch (code) {
    case Code::Sin:
        return Emit(FnSin);
    case Code::Cos:
        return Emit(FnCos);
    case Code::Exp:
        return Emit(FnExp);
    case Code::Sqrt:
        return Emit(FnSqrt, 0, argPos);
    case Code::Abs:
        return Emit(FnAbs);
    default:
        return Emit(Fn, 0, argPos, code);
    }
}
// The opcodes RunFastProgram runs: none calls out except to raise, none writes any state.
bool IsInlineOp(int32_t op) {
    switch (op) {
    case Ret:
    case LoadK:
    case LoadV:
    case LoadM:
    case Push:
    case AddK:
    case MulK:
    case DivK:
    case AddV:
    case SubV:
    case MulV:
    case AddM:
    case SubM:
    case MulM:
    case AddS:
    case SubS:
    case MulS:
    case DivS:
    case KSub:
    case VSub:
    case MSub:
    case CheckAcc:
    case CheckPush:
    case DivVC:
    case DivMC:
    case KDivC:
    case VDivC:
    case MDivC:
    case Neg:
    case NegV:
    case FnAbs:
    case MinS:
    case MaxS:
    case MinK:
    case MaxK:
    case MinV:
    case MaxV:
    case SqrV:
    case KMulV:
    case VAddK:
    case KMulVAddK:
    case MulVAddK:
    case AddSqrV:
    case SubSqrV:
    case MulSqrV:
    case AddKMulV:
    case SubKMulV:
    case MulKMulV:
    case AddVAddK:
    case SubVAddK:
    case MulVAddKS:
    case SqrVAddK:
    case SqrVAddKMulV:
    case Quadratic:
    case VAddKMulVAddK:
    case AddKMulVAddK:
    case HornerRun:
    case MulVAddKRun:
    case SqrAcc:
    case CheckDivS:
    case DivSqrVAddKC:
    case DivVAddKC:
        return true;
    default:
        return false;
    }
}

// Splits k into two doubles whose sum in extended precision is k bit for bit.
bool SplitConstant(Real k, double& high, double& low) {
    if (std::isnan(k)) return false;
    if (std::isinf(k) || k == 0) { // keeps the sign of zero: -0 + -0 is -0
        high = static_cast<double>(k);
        low = high == 0 ? high : 0;
        return true;
    }
    if (!(std::fabs(k) <= std::numeric_limits<double>::max())) return false;
    high = static_cast<double>(k);
    const Real rest = k - high; // exact: high is k rounded to 53 bits
    if (!(std::fabs(rest) <= std::numeric_limits<double>::max())) return false;
    low = static_cast<double>(rest);
    return static_cast<Real>(high) + low == k;
}

// The inline form of finished code, or nothing where some instruction has no inline form.
std::unique_ptr<TFastInstr[]> BuildFastForm(const std::vector<TInstr>& code) {
    auto fast = std::make_unique<TFastInstr[]>(code.size());
    for (size_t i = 0; i < code.size(); ++i) {
        const TInstr& t = code[i];
        TFastInstr& f = fast[i];
        if (!IsInlineOp(t.Code) || !SplitConstant(t.K, f.K, f.KLow) ||
            !SplitConstant(t.K2, f.K2, f.K2Low))
            return nullptr;
        f.Code = t.Code;
        f.Pos = t.Pos;
        f.Index = t.Index;
    }
    return fast;
}
} // namespace

TProgram* BuildProgram(const TExprNode* root) {
    TBuilder builder;
    builder.Compile(root);
    builder.Code.push_back(TInstr{});
    // Runs of the same step on the variable become one instruction that loops over them.
    std::vector<TInstr>& code = builder.Code;
    for (size_t i = 0; i < code.size();) {
        size_t end = i + 1;
        const int32_t step = code[i].Code;
        if (step == MulVAddK || step == MulVAddKS)
            while (end < code.size() && code[end].Code == step)
                ++end;
        if (end - i >= 2) {
            code[i].Code = step == MulVAddK ? HornerRun : MulVAddKRun;
            code[i].Index = static_cast<int32_t>(end - i);
        }
        i = end;
    }
    auto program = std::make_unique<TProgram>();
    program->Code = std::make_unique<TInstr[]>(builder.Code.size());
    std::copy(builder.Code.begin(), builder.Code.end(), program->Code.get());
    program->Fast = BuildFastForm(builder.Code);
    program->Stack = std::make_unique<Real[]>(builder.MaxDepth + 1);
    return program.release();
}

void DeleteProgram(TProgram* program) noexcept {
    delete program;
}
