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

[[gnu::always_inline]] inline Real RunFastProgram(const Compact::TFastInstr* ip, Real* sp) {
    using namespace Compact;
    const Real x = VariableValue; // nothing in the inline form writes it
    Real acc = 0;
    // The end is tested apart from the switch: a predictable branch instead of one more
    // indirect jump per run.
    for (; ip->Code != Ret; ++ip) {
        switch (ip->Code) {
        case LoadK:
            acc = FirstK(ip);
            break;
        case LoadV:
            acc = x;
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
            acc = acc + x;
            break;
        case SubV:
            acc = acc - x;
            break;
        case MulV:
            acc = acc * x;
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
            acc = x - acc;
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
            Ops::CheckDivisor(x, ip->Pos);
            acc = acc / x;
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
            acc = x / acc;
            break;
        case MDivC:
            Ops::CheckDivisor(acc, ip->Pos);
            acc = Memory[ip->Index] / acc;
            break;
        case Neg:
            acc = Ops::Negate(acc);
            break;
        case NegV:
            acc = Ops::Negate(x);
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
            acc = x < acc ? x : acc;
            break;
        case MaxV:
            acc = x > acc ? x : acc;
            break;
        case SqrV:
            acc = x * x;
            break;
        case KMulV:
            acc = FirstK(ip) * x;
            break;
        case VAddK:
            acc = x + FirstK(ip);
            break;
        case KMulVAddK:
            acc = FirstK(ip) * x + SecondK(ip);
            break;
        case MulVAddK:
            acc = acc * x + FirstK(ip);
            break;
        case AddSqrV:
            acc = acc + x * x;
            break;
        case SubSqrV:
            acc = acc - x * x;
            break;
        case MulSqrV:
            acc = acc * (x * x);
            break;
        case AddKMulV:
            acc = acc + FirstK(ip) * x;
            break;
        case SubKMulV:
            acc = acc - FirstK(ip) * x;
            break;
        case MulKMulV:
            acc = acc * (FirstK(ip) * x);
            break;
        case AddVAddK:
            acc = acc + (x + FirstK(ip));
            break;
        case SubVAddK:
            acc = acc - (x + FirstK(ip));
            break;
        case MulVAddKS:
            acc = acc * (x + FirstK(ip));
            break;
        case SqrVAddK:
            acc = x * x + FirstK(ip);
            break;
        case SqrVAddKMulV:
            acc = x * x + FirstK(ip) * x;
            break;
        case Quadratic:
            acc = x * x + FirstK(ip) * x + SecondK(ip);
            break;
        case VAddKMulVAddK:
            acc = (x + FirstK(ip)) * (x + SecondK(ip));
            break;
        case AddKMulVAddK:
            acc = acc + FirstK(ip) * x + SecondK(ip);
            break;
        case HornerRun: {
            const TFastInstr* const end = ip + ip->Index;
            for (; ip != end; ++ip)
                acc = acc * x + FirstK(ip);
            --ip;
            break;
        }
        case MulVAddKRun: {
            const TFastInstr* const end = ip + ip->Index;
            for (; ip != end; ++ip)
                acc = acc * (x + FirstK(ip));
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
            const Real divisor = x * x + FirstK(ip);
            Ops::CheckDivisor(divisor, ip->Pos);
            acc = acc / divisor;
            break;
        }
        case DivVAddKC: {
            const Real divisor = x + FirstK(ip);
            Ops::CheckDivisor(divisor, ip->Pos);
            acc = acc / divisor;
            break;
        }
        default:
            __builtin_unreachable(); // the builder admits the opcodes above only
        }
    }
    return acc;
}
