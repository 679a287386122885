#include "engine/Program.h"

#include "engine/Evaluator.h"
#include "engine/Operations.h"
#include "engine/Scanner.h"
#include "engine/StringTable.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>

// The compact form is a straight-line program for an accumulator machine: every instruction
// reads the accumulator, at most one constant, the variable or a memory, and the top of a
// small stack that holds pending left operands. Operands are read in the order the reference
// walk reads them, and every instruction that can fail carries the position the walk reports.
// The x87 has no fused multiply-add, so an instruction that does two operations still rounds
// after each, exactly as two instructions would.

namespace {

// Opcodes. "V" is the variable, "M" a memory, "K" the instruction's constant, "S" the value
// popped from the stack (a left operand), "C" a divisor check before the division.
enum Op : int32_t {
    Ret,
    LoadK,
    LoadV,
    LoadM,
    Push,
    Fatal,
    Raise,
    StoreV,
    StoreM,
    SetBase,
    AddK,
    MulK,
    DivK,
    AddV,
    SubV,
    MulV,
    AddM,
    SubM,
    MulM,
    AddS,
    SubS,
    MulS,
    DivS,
    KSub,
    VSub,
    MSub,
    CheckAcc,
    CheckPush,
    DivVC,
    DivMC,
    KDivC,
    VDivC,
    MDivC,
    GenS,
    PowK,
    Neg,
    NegV,
    Fn,
    FnSin,
    FnCos,
    FnExp,
    FnSqrt,
    FnAbs,
    Rnd,
    RoundInt,
    SqrtXS,
    MinS,
    MaxS,
    MinK,
    MaxK,
    MinV,
    MaxV,
    // Fused forms on the variable and constants.
    SqrV,          // X*X
    KMulV,         // K*X
    VAddK,         // X+K
    KMulVAddK,     // K*X+K2
    MulVAddK,      // acc*X+K (a Horner step)
    AddSqrV,       // acc+X*X
    SubSqrV,       // acc-X*X
    MulSqrV,       // acc*(X*X)
    AddKMulV,      // acc+K*X
    SubKMulV,      // acc-K*X
    MulKMulV,      // acc*(K*X)
    AddVAddK,      // acc+(X+K)
    SubVAddK,      // acc-(X+K)
    MulVAddKS,     // acc*(X+K)
    AddKMulVAddK,  // acc+K*X+K2
    SqrVAddK,      // X*X+K
    SqrVAddKMulV,  // X*X+K*X
    Quadratic,     // X*X+K*X+K2
    VAddKMulVAddK, // (X+K)*(X+K2)
    HornerRun,     // Index times MulVAddK, taking K from this and the following instructions
    MulVAddKRun,   // Index times MulVAddKS, likewise
    CheckDivS,     // the divisor is acc, the dividend on the stack
    DivSqrVAddKC,  // acc/(X*X+K)
    DivVAddKC,     // acc/(X+K)
    SqrAcc,        // acc*acc
    OpCount
};

struct TInstr {
    Real K = 0;
    Real K2 = 0;
    int32_t Code = Ret;
    int32_t Pos = 0;
    int32_t Index = 0; // memory index, message number, token code or display base
};

// Facts about a subtree that decide which reorderings are invisible.
struct TFacts {
    bool Writes = false; // stores into the variable or a memory
    bool Safe = false;   // can neither raise nor change any state
};

} // namespace

class TProgram {
public:
    std::unique_ptr<TInstr[]> Code;
    std::unique_ptr<Real[]> Stack; // scratch for pending left operands; one run at a time
};

namespace {

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
        if (Code.size() == mark + 2 && (last == SqrVAddK || last == VAddK)) {
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

// The operations too rare or too slow for their own instruction.
[[gnu::noinline]] Real ApplyFunction(int32_t code, Real x, int pos) {
    switch (code) {
    case Code::Sqrt3:
        return Ops::Sqrt3(x, pos);
    case Code::Exp10:
        return Ops::Exp10(x);
    case Code::Ln:
        return Ops::Ln(x, pos);
    case Code::Log:
        return Ops::Log(x, pos);
    case Code::Tan:
        return Ops::Tan(x, pos);
    case Code::ArcSin:
        return Ops::ArcSin(x, pos);
    case Code::ArcCos:
        return Ops::ArcCos(x, pos);
    case Code::ArcTan:
        return Ops::ArcTan(x);
    case Code::SinH:
        return Ops::SinH(x);
    case Code::CosH:
        return Ops::CosH(x);
    case Code::TanH:
        return Ops::TanH(x);
    case Code::ArSinH:
        return Ops::ArSinH(x);
    case Code::ArCosH:
        return Ops::ArCosH(x, pos);
    case Code::ArTanH:
        return Ops::ArTanH(x, pos);
    case Code::Sgn:
        return Ops::Sgn(x);
    case Code::Step:
        return Ops::Step(x);
    case Code::Int:
        return Ops::Int(x);
    case Code::Not:
        return Ops::BitNot(x);
    case Code::Factorial:
        return Ops::FactorialOf(x);
    case Code::Deg:
        return DmsToDegrees(x);
    case Code::Dms:
        return DegreesToDms(x);
    default:
        return 0;
    }
}

[[gnu::noinline]] Real ApplyBinary(int32_t code, Real l, Real r, int leftPos) {
    switch (code) {
    case Code::Equal:
        return Ops::Equal(l, r);
    case Code::NotEqual:
        return Ops::NotEqual(l, r);
    case Code::Less:
        return Ops::Less(l, r);
    case Code::LessEqual:
        return Ops::LessEqual(l, r);
    case Code::Greater:
        return Ops::Greater(l, r);
    case Code::GreaterEqual:
        return Ops::GreaterEqual(l, r);
    case Code::Or:
        return Ops::BitOr(l, r);
    case Code::Xor:
        return Ops::BitXor(l, r);
    case Code::And:
        return Ops::BitAnd(l, r);
    case Code::Mod:
        return Ops::Mod(l, r);
    case Code::Power:
        return Ops::Power(l, r, leftPos);
    case Code::Perm:
        return Ops::Perm(l, r, leftPos);
    case Code::Komb:
        return Ops::Komb(l, r, leftPos);
    case Code::Pol:
        return Ops::Pol(l, r);
    case Code::Rec:
        return Ops::Rec(l, r);
    default:
        return 0;
    }
}

[[noreturn, gnu::noinline]] void RaiseFatal() {
    throw EFatalError(LoadStr(Msg::InvalidFunctionPointer));
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
    program->Stack = std::make_unique<Real[]>(builder.MaxDepth + 1);
    return program.release();
}

void DeleteProgram(TProgram* program) noexcept {
    delete program;
}

Real RunProgram(const TProgram& program) {
    const TInstr* ip = program.Code.get();
    Real* sp = program.Stack.get();
    Real acc = 0;

    // A switch rather than computed gotos: GCC then keeps the accumulator on the x87 register
    // stack across instructions instead of storing and reloading it every time.
    // The end is tested apart from the switch: a predictable branch instead of one more
    // indirect jump per evaluation.
    for (; ip->Code != Ret; ++ip) {
        switch (ip->Code) {
        case LoadK:
            acc = ip->K;
            break;
        case LoadV:
            acc = VariableValue;
            break;
        case LoadM:
            acc = Memory[ip->Index];
            break;
        case Push:
            *sp++ = acc;
            break;
        case Fatal:
            RaiseFatal();
        case Raise:
            Ops::RaiseEval(ip->Index, ip->Pos);
        case StoreV:
            VariableValue = acc;
            break;
        case StoreM:
            Memory[ip->Index] = acc;
            break;
        case SetBase:
            NumBase = ip->Index;
            break;
        case AddK:
            acc = acc + ip->K;
            break;
        case MulK:
            acc = acc * ip->K;
            break;
        case DivK:
            acc = acc / ip->K;
            break;
        case AddV:
            acc = acc + VariableValue;
            break;
        case SubV:
            acc = acc - VariableValue;
            break;
        case MulV:
            acc = acc * VariableValue;
            break;
        case AddM:
            acc = acc + Memory[ip->Index];
            break;
        case SubM:
            acc = acc - Memory[ip->Index];
            break;
        case MulM:
            acc = acc * Memory[ip->Index];
            break;
        case AddS:
            acc = *--sp + acc;
            break;
        case SubS:
            acc = *--sp - acc;
            break;
        case MulS:
            acc = *--sp * acc;
            break;
        case DivS:
            acc = acc / *--sp;
            break;
        case KSub:
            acc = ip->K - acc;
            break;
        case VSub:
            acc = VariableValue - acc;
            break;
        case MSub:
            acc = Memory[ip->Index] - acc;
            break;
        case CheckAcc:
            Ops::CheckDivisor(acc, ip->Pos);
            break;
        case CheckPush:
            Ops::CheckDivisor(acc, ip->Pos);
            *sp++ = acc;
            break;
        case DivVC:
            Ops::CheckDivisor(VariableValue, ip->Pos);
            acc = acc / VariableValue;
            break;
        case DivMC:
            Ops::CheckDivisor(Memory[ip->Index], ip->Pos);
            acc = acc / Memory[ip->Index];
            break;
        case KDivC:
            Ops::CheckDivisor(acc, ip->Pos);
            acc = ip->K / acc;
            break;
        case VDivC:
            Ops::CheckDivisor(acc, ip->Pos);
            acc = VariableValue / acc;
            break;
        case MDivC:
            Ops::CheckDivisor(acc, ip->Pos);
            acc = Memory[ip->Index] / acc;
            break;
        case GenS:
            --sp;
            acc = ApplyBinary(ip->Index, *sp, acc, ip->Pos);
            break;
        case PowK:
            acc = Ops::Power(acc, ip->K, ip->Pos);
            break;
        case Neg:
            acc = Ops::Negate(acc);
            break;
        case NegV:
            acc = Ops::Negate(VariableValue);
            break;
        case Fn:
            acc = ApplyFunction(ip->Index, acc, ip->Pos);
            break;
        case FnSin:
            acc = Ops::Sin(acc);
            break;
        case FnCos:
            acc = Ops::Cos(acc);
            break;
        case FnExp:
            acc = Ops::Exp(acc);
            break;
        case FnSqrt:
            acc = Ops::Sqrt(acc, ip->Pos);
            break;
        case FnAbs:
            acc = Ops::Abs(acc);
            break;
        case Rnd:
            acc = RandomReal();
            break;
        case RoundInt:
            acc = RoundToInt32(acc);
            break;
        case SqrtXS:
            --sp;
            acc = Ops::SqrtX(static_cast<int32_t>(*sp), acc, ip->Pos);
            break;
        case MinS:
            --sp;
            acc = acc < *sp ? acc : *sp;
            break;
        case MaxS:
            --sp;
            acc = acc > *sp ? acc : *sp;
            break;
        case MinK:
            acc = ip->K < acc ? ip->K : acc;
            break;
        case MaxK:
            acc = ip->K > acc ? ip->K : acc;
            break;
        case MinV:
            acc = VariableValue < acc ? VariableValue : acc;
            break;
        case MaxV:
            acc = VariableValue > acc ? VariableValue : acc;
            break;
        case SqrV:
            acc = VariableValue * VariableValue;
            break;
        case KMulV:
            acc = ip->K * VariableValue;
            break;
        case VAddK:
            acc = VariableValue + ip->K;
            break;
        case KMulVAddK:
            acc = ip->K * VariableValue + ip->K2;
            break;
        case MulVAddK:
            acc = acc * VariableValue + ip->K;
            break;
        case AddSqrV:
            acc = acc + VariableValue * VariableValue;
            break;
        case SubSqrV:
            acc = acc - VariableValue * VariableValue;
            break;
        case MulSqrV:
            acc = acc * (VariableValue * VariableValue);
            break;
        case AddKMulV:
            acc = acc + ip->K * VariableValue;
            break;
        case SubKMulV:
            acc = acc - ip->K * VariableValue;
            break;
        case MulKMulV:
            acc = acc * (ip->K * VariableValue);
            break;
        case AddVAddK:
            acc = acc + (VariableValue + ip->K);
            break;
        case SubVAddK:
            acc = acc - (VariableValue + ip->K);
            break;
        case MulVAddKS:
            acc = acc * (VariableValue + ip->K);
            break;
        case SqrVAddK:
            acc = VariableValue * VariableValue + ip->K;
            break;
        case SqrVAddKMulV:
            acc = VariableValue * VariableValue + ip->K * VariableValue;
            break;
        case Quadratic:
            acc = VariableValue * VariableValue + ip->K * VariableValue + ip->K2;
            break;
        case VAddKMulVAddK:
            acc = (VariableValue + ip->K) * (VariableValue + ip->K2);
            break;
        case HornerRun: {
            const Real x = VariableValue;
            const TInstr* const end = ip + ip->Index;
            for (; ip != end; ++ip)
                acc = acc * x + ip->K;
            --ip;
            break;
        }
        case MulVAddKRun: {
            const Real x = VariableValue;
            const TInstr* const end = ip + ip->Index;
            for (; ip != end; ++ip)
                acc = acc * (x + ip->K);
            --ip;
            break;
        }
        case SqrAcc:
            acc = acc * acc;
            break;
        case CheckDivS:
            Ops::CheckDivisor(acc, ip->Pos);
            --sp;
            acc = *sp / acc;
            break;
        case DivSqrVAddKC: {
            const Real divisor = VariableValue * VariableValue + ip->K;
            Ops::CheckDivisor(divisor, ip->Pos);
            acc = acc / divisor;
            break;
        }
        case DivVAddKC: {
            const Real divisor = VariableValue + ip->K;
            Ops::CheckDivisor(divisor, ip->Pos);
            acc = acc / divisor;
            break;
        }
        case AddKMulVAddK:
            acc = acc + ip->K * VariableValue + ip->K2;
            break;
        default:
            __builtin_unreachable(); // the builder emits known opcodes only
        }
    }
    return acc;
}
