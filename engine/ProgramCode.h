#pragma once
// The instruction set of the compact evaluation form, shared by its builder
// (ProgramBuilder.cpp) and its interpreters (Program.cpp, and the inline one in Program.h,
// which is why callers of EvaluateTree see it). Engine-internal otherwise.
#include "engine/Real.h"

#include <cstdint>
#include <memory>

// The compact form is a straight-line program for an accumulator machine: every instruction
// reads the accumulator, at most one constant, the variable or a memory, and the top of a
// small stack that holds pending left operands. Operands are read in the order the reference
// walk reads them, and every instruction that can fail carries the position the walk reports.
// The x87 has no fused multiply-add, so an instruction that does two operations still rounds
// after each, exactly as two instructions would.

namespace Compact {

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
    SinCosV,       // push SIN(X), then acc = COS(X), from one shared argument reduction
    CosSinV,       // push COS(X), then acc = SIN(X), likewise
    OpCount
};

struct TInstr {
    Real K = 0;
    Real K2 = 0;
    int32_t Code = Ret;
    int32_t Pos = 0;
    int32_t Index = 0; // memory index, message number, token code or display base
};

// An instruction of the inline form: the same opcode and operands, each constant held as two
// doubles whose extended sum is the constant exactly. Two 64-bit loads and one addition off
// the accumulator's chain cost less than one 80-bit load, which is microcoded on x86.
struct TFastInstr {
    double K = 0;
    double KLow = 0;
    double K2 = 0;
    double K2Low = 0;
    int32_t Code = Ret;
    int32_t Pos = 0;
    int32_t Index = 0;
};

} // namespace Compact

class TProgram {
public:
    std::unique_ptr<Compact::TInstr[]> Code;
    // The inline form, present when every instruction is one that neither calls out nor writes
    // any state and every constant splits exactly; the variable and the memories are then
    // constant during a run.
    std::unique_ptr<Compact::TFastInstr[]> Fast;
    std::unique_ptr<Real[]> Stack; // scratch for pending left operands; one run at a time
};
