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
        if (RunArithmetic(ip, acc, sp, [] { return VariableValue; })) continue;
        switch (ip->Code) {
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
        case GenS:
            --sp;
            acc = Ops::ApplyBinary(ip->Index, *sp, acc, ip->Pos);
            break;
        case PowK:
            acc = Ops::Power(acc, ip->K, ip->Pos);
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
        default:
            __builtin_unreachable(); // the builder emits known opcodes only
        }
    }
    return acc;
}
