#pragma once
// The compact evaluation form of a syntax tree, built once when the tree is compiled and run
// at every evaluation. It gives exactly the results, errors, positions and side effects of
// the reference walk EvaluateNode, in the same order.
#include "engine/Globals.h"
#include "engine/Operations.h"
#include "engine/Parser.h"
#include "engine/ProgramCode.h"
#include "engine/Real.h"

// Builds the compact form of a non-empty tree; may raise std::bad_alloc only.
TProgram* BuildProgram(const TExprNode* root);
void DeleteProgram(TProgram* program) noexcept;

// Runs the compact form; raises what EvaluateNode raises for the same tree.
Real RunProgram(const TProgram& program);

// Runs the inline form (TProgram::Fast). It is expanded into every evaluation loop: with no
// call on its path the loop's own values stay in registers, and the variable is read once.
// Only the divisor checks leave it, and only to raise.
[[gnu::always_inline]] inline Real FirstK(const Compact::TFastInstr* ip) {
    return static_cast<Real>(ip->K) + ip->KLow;
}
[[gnu::always_inline]] inline Real SecondK(const Compact::TFastInstr* ip) {
    return static_cast<Real>(ip->K2) + ip->K2Low;
}
[[gnu::always_inline]] inline Real FirstK(const Compact::TInstr* ip) {
    return ip->K;
}
[[gnu::always_inline]] inline Real SecondK(const Compact::TInstr* ip) {
    return ip->K2;
}

// The arithmetic instructions, shared by the inline form and the general interpreter so that
// both compute alike: `Instr` gives its constants through FirstK/SecondK, `readX` the
// variable. Returns false for an instruction that is not one of them.
template <class Instr, class ReadX>
[[gnu::always_inline]] inline bool RunArithmetic(const Instr*& ip, Real& acc, Real*& sp,
                                                 ReadX readX) {
    using namespace Compact;
    switch (ip->Code) {
    case LoadK:
        acc = FirstK(ip);
        break;
    case LoadV:
        acc = readX();
        break;
    case LoadM:
        acc = Memory[ip->Index];
        break;
    case Push:
        *sp++ = acc;
        break;
    case AddK:
        acc = acc + FirstK(ip);
        break;
    case MulK:
        acc = acc * FirstK(ip);
        break;
    case DivK:
        acc = acc / FirstK(ip);
        break;
    case AddV:
        acc = acc + readX();
        break;
    case SubV:
        acc = acc - readX();
        break;
    case MulV:
        acc = acc * readX();
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
        acc = FirstK(ip) - acc;
        break;
    case VSub:
        acc = readX() - acc;
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
        Ops::CheckDivisor(readX(), ip->Pos);
        acc = acc / readX();
        break;
    case DivMC:
        Ops::CheckDivisor(Memory[ip->Index], ip->Pos);
        acc = acc / Memory[ip->Index];
        break;
    case KDivC:
        Ops::CheckDivisor(acc, ip->Pos);
        acc = FirstK(ip) / acc;
        break;
    case VDivC:
        Ops::CheckDivisor(acc, ip->Pos);
        acc = readX() / acc;
        break;
    case MDivC:
        Ops::CheckDivisor(acc, ip->Pos);
        acc = Memory[ip->Index] / acc;
        break;
    case Neg:
        acc = Ops::Negate(acc);
        break;
    case NegV:
        acc = Ops::Negate(readX());
        break;
    case FnAbs:
        acc = Ops::Abs(acc);
        break;
    case MinS:
        --sp;
        acc = acc < *sp ? acc : *sp;
        break;
    case MaxS:
        --sp;
        acc = acc > *sp ? acc : *sp;
        break;
    case MinK: {
        const Real k = FirstK(ip);
        acc = k < acc ? k : acc;
        break;
    }
    case MaxK: {
        const Real k = FirstK(ip);
        acc = k > acc ? k : acc;
        break;
    }
    case MinV:
        acc = readX() < acc ? readX() : acc;
        break;
    case MaxV:
        acc = readX() > acc ? readX() : acc;
        break;
    case SqrV:
        acc = readX() * readX();
        break;
    case KMulV:
        acc = FirstK(ip) * readX();
        break;
    case VAddK:
        acc = readX() + FirstK(ip);
        break;
    case KMulVAddK:
        acc = FirstK(ip) * readX() + SecondK(ip);
        break;
    case MulVAddK:
        acc = acc * readX() + FirstK(ip);
        break;
    case AddSqrV:
        acc = acc + readX() * readX();
        break;
    case SubSqrV:
        acc = acc - readX() * readX();
        break;
    case MulSqrV:
        acc = acc * (readX() * readX());
        break;
    case AddKMulV:
        acc = acc + FirstK(ip) * readX();
        break;
    case SubKMulV:
        acc = acc - FirstK(ip) * readX();
        break;
    case MulKMulV:
        acc = acc * (FirstK(ip) * readX());
        break;
    case AddVAddK:
        acc = acc + (readX() + FirstK(ip));
        break;
    case SubVAddK:
        acc = acc - (readX() + FirstK(ip));
        break;
    case MulVAddKS:
        acc = acc * (readX() + FirstK(ip));
        break;
    case SqrVAddK:
        acc = readX() * readX() + FirstK(ip);
        break;
    case SqrVAddKMulV:
        acc = readX() * readX() + FirstK(ip) * readX();
        break;
    case Quadratic:
        acc = readX() * readX() + FirstK(ip) * readX() + SecondK(ip);
        break;
    case VAddKMulVAddK:
        acc = (readX() + FirstK(ip)) * (readX() + SecondK(ip));
        break;
    case AddKMulVAddK:
        acc = acc + FirstK(ip) * readX() + SecondK(ip);
        break;
    case HornerRun: {
        const Instr* const end = ip + ip->Index;
        for (; ip != end; ++ip)
            acc = acc * readX() + FirstK(ip);
        --ip;
        break;
    }
    case MulVAddKRun: {
        const Instr* const end = ip + ip->Index;
        for (; ip != end; ++ip)
            acc = acc * (readX() + FirstK(ip));
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
        const Real divisor = readX() * readX() + FirstK(ip);
        Ops::CheckDivisor(divisor, ip->Pos);
        acc = acc / divisor;
        break;
    }
    case DivVAddKC: {
        const Real divisor = readX() + FirstK(ip);
        Ops::CheckDivisor(divisor, ip->Pos);
        acc = acc / divisor;
        break;
    }
    default:
        return false;
    }
    return true;
}

[[gnu::always_inline]] inline Real RunFastProgram(const Compact::TFastInstr* ip, Real* sp) {
    using namespace Compact;
    const Real x = VariableValue; // nothing in the inline form writes it
    Real acc = 0;
    // The end is tested apart from the switch: a predictable branch instead of one more
    // indirect jump per run.
    for (; ip->Code != Ret; ++ip)
        if (!RunArithmetic(ip, acc, sp, [x] { return x; }))
            __builtin_unreachable(); // the builder admits arithmetic instructions only
    return acc;
}
