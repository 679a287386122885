// Evaluation of a compiled expression allocates nothing, so a plot can sample it at every
// pixel column without touching the heap. This file replaces the global allocation functions
// for the whole test binary; they only count, and only while a counting scope is open.
#include "engine/Evaluator.h"
#include "engine/Globals.h"
#include "engine/Parser.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> Counting{false};
std::atomic<long> Allocations{0};

void* CountedAllocate(std::size_t size) {
    if (Counting.load(std::memory_order_relaxed)) Allocations.fetch_add(1);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

} // namespace

void* operator new(std::size_t size) {
    return CountedAllocate(size);
}
void* operator new[](std::size_t size) {
    return CountedAllocate(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

// Counts the allocations made while it is open.
class TCountingScope {
public:
    TCountingScope() {
        Allocations = 0;
        Counting = true;
    }
    ~TCountingScope() { Counting = false; }
    long Count() const { return Allocations.load(); }
};

const char* const Expressions[] = {
    "X*X+2*X+1",
    "SIN(X)*X^2",
    "SQRT(ABS(X))+EXP(-X*X/4)*COS(3*X)",
    "((X+1)*(X-1)*(X+2)*(X-2))/(X*X+1)",
    "MAX(SIN(X),COS(X),0.5)",
    "MIN(X,1,A,X*X)+SQRTX(3,ABS(X))+X MOD 3+(X AND 5)",
    "TAN(X)+ARCTAN(X)+SINH(X)+COSH(X)+TANH(X)+ARSINH(X)+RND",
    "X POL 2 + (X REC 30) + J + 3 PERM 2 + 5 KOMB 2 + 4! + X DEG + X DMS",
    "A:=X; B:=A*2; X STO C; C+B",
    "(X>1)+(X<1)+(X=1)+(X<>1)+NOT X+X XOR 1+X OR 2",
    "X^2+X^0.5+(-X)^3+2^X",
};

TEST(AllocationTest, EvaluationAllocatesNothing) {
    for (const char* text : Expressions) {
        SCOPED_TRACE(text);
        TExprTree tree = CompileExpression(text, "X");
        AngleUnit = AngleDegrees;
        TCountingScope scope;
        for (int i = 0; i < 2000; ++i) {
            VariableValue = 0.01L * i + 1.5L;
            EvaluateTree(tree);
        }
        EXPECT_EQ(scope.Count(), 0);
    }
    AngleUnit = AngleRadians;
}

// The counter itself works: compiling allocates, so a broken counter cannot pass silently.
TEST(AllocationTest, CompilingIsCounted) {
    TCountingScope scope;
    TExprTree tree = CompileExpression("X*X+1", "X");
    EXPECT_GT(scope.Count(), 0);
}

} // namespace
