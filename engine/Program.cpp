// Runs the compact evaluation form.
#include "engine/Program.h"
#include "engine/Evaluator.h"
#include "engine/Operations.h"
#include "engine/ProgramCode.h"
#include "engine/Scanner.h"
#include "engine/StringTable.h"

namespace {

using namespace Compact;

[[noreturn, gnu::noinline]] void RaiseFatal() {
    throw EFatalError(LoadStr(Msg::InvalidFunctionPointer));
}
} // namespace

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
            acc = Ops::ApplyBinary(ip->Index, *sp, acc, ip->Pos);
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
            acc = Ops::ApplyUnary(ip->Index, acc, ip->Pos);
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
        case SinCosV:
        case CosSinV: {
            Real sine, cosine;
            ElemSinCos(Ops::ToRadians(VariableValue), sine, cosine);
            sine = Ops::SnapTrig(sine);
            cosine = Ops::SnapTrig(cosine);
            *sp++ = ip->Code == SinCosV ? sine : cosine;
            acc = ip->Code == SinCosV ? cosine : sine;
            break;
        }
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
