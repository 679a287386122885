// The compact evaluation form against the reference walk: the same value bits, the same
// error with the same position, and the same globals afterwards, for typed expressions over
// many variable values and angle units and for randomly built trees of every shape.
#include "engine/Errors.h"
#include "engine/Evaluator.h"
#include "engine/Globals.h"
#include "engine/Parser.h"
#include "engine/ProgramCode.h"
#include "engine/Scanner.h"

#include "tests/engine/EvalOutcome.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

const char* const Expressions[] = {
    // the benchmark's expressions
    "X*X+2*X+1",
    "SIN(X)*X^2",
    "SQRT(ABS(X))+EXP(-X*X/4)*COS(3*X)",
    "((X+1)*(X-1)*(X+2)*(X-2))/(X*X+1)",
    "MAX(SIN(X),COS(X),0.5)",
    "((((0.5*X-1.25)*X+3)*X-0.75)*X+2)*X-1",
    // fused forms and their neighbours
    "X*X",
    "2*X",
    "X+3",
    "X-3",
    "3-X",
    "3*X+4",
    "X*X-X",
    "X-X*X",
    "X*(X*X)",
    "(X*X)*X",
    "1+2*X",
    "1-2*X",
    "1*(2*X)",
    "A+(X+1)",
    "A-(X-1)",
    "A*(X+1)",
    "A*X+2",
    "A*X*X+B*X+C",
    "X+A",
    "X-A",
    "X*A",
    "A+X",
    "A-X",
    "A*X",
    "PI*X",
    "X*PI",
    "-X",
    "-X*X",
    "-(X+1)",
    "2*3+X",
    "X+2*3",
    "(1+2)*(3+4)*X",
    "X-0.1-0.2",
    "X+(-0.3)",
    "X-(-0)",
    "0-X",
    "-0+X",
    // sine and cosine of the variable from one reduction
    "SIN(X)*COS(X)",
    "COS(X)-SIN(X)",
    "SIN(X)/COS(X)",
    "COS(X)/SIN(X)",
    "A+SIN(X)*COS(X)",
    "MIN(COS(X),SIN(X))",
    "SIN(X)+COS(X+1)",
    "SIN(X)*COS(X)*SIN(X)*COS(X)",
    // division: the divisor is checked before the left operand runs
    "X/2",
    "2/X",
    "X/X",
    "A/X",
    "X/A",
    "1/(X-1)",
    "(X+1)/(X-1)",
    "LN(X)/X",
    "X/LN(X)",
    "1/0",
    "(1/0)*X",
    "X/0",
    "X/1E-19",
    "X/(X-X)",
    " (1 REC X)/J",
    "X STO A; A/(A+1 POL 1)",
    "(1 POL X)/J",
    "J/(1 POL X)",
    "RND/X",
    "X/RND",
    "A/(X*0)",
    "SIN(X)/COS(X)",
    "MIN(X,1)/X",
    "(X*X)/(1+X*X)",
    "(1/X)/(1/X)",
    "(X/0)/X",
    "(A/1E-19)/(X+1)",
    "(X/2)/X",
    "(X/(1-1))/(X*X+1)",
    // powers
    "X^2",
    "(X+1)^2",
    "X^2*X^2",
    "X^3",
    "X^-2",
    "X^0",
    "X^1",
    "X^-1",
    "X^0.5",
    "X^X",
    "2^X",
    "(-X)^3",
    "X^-3",
    "0^X",
    "X^(1/3)",
    "(X*1E10)^4",
    "X^70",
    "X^2.0000001",
    "10^X",
    "(X/8)^60",
    // functions
    "SQRT(X)",
    "SQRT3(X)",
    "SQRTX(3,X)",
    "SQRTX(X,8)",
    "SQRTX(2.5,X)",
    "EXP(X)",
    "EXP10(X)",
    "LN(X)",
    "LOG(X)",
    "SIN(X)",
    "COS(X)",
    "TAN(X)",
    "ARCSIN(X/10)",
    "ARCCOS(X/10)",
    "ARCTAN(X)",
    "SINH(X)",
    "COSH(X)",
    "TANH(X)",
    "ARSINH(X)",
    "ARCOSH(X)",
    "ARTANH(X/10)",
    "ABS(X)",
    "RND",
    "RND*X+RND",
    "SGN(X)",
    "STEP(X)",
    "INT(X)",
    "MIN(X)",
    "MAX(X,1,-X)",
    "MIN(3,X,A,X*X,1)",
    "MAX(SIN(X),COS(X))",
    "MIN(X,X)",
    "MAX(1,2,3)",
    "SIN(X)*COS(X)+TAN(X)",
    "EXP(-X*X/2)/SQRT(2*PI)",
    // operators
    "X=1",
    "X<>1",
    "X<1",
    "X<=1",
    "X>1",
    "X>=1",
    "X=X+1E-17",
    "X OR 1",
    "X XOR 3",
    "X AND 7",
    "NOT X",
    "X MOD 3",
    "7 MOD X",
    "X PERM 2",
    "X KOMB 2",
    "5 KOMB X",
    "X POL 1",
    "1 POL X",
    "X REC 30",
    "X!",
    "(X/3)!",
    "X DEG",
    "X DMS",
    "-X DEG",
    "X*1E9 OR 1",
    "X POL X + J",
    "J + X POL X",
    "J*(X REC 1)+J",
    // memories, assignments, statements, display words
    "A:=X; A*2",
    "X STO A; A+X",
    "X+1 STO X; X",
    "B:=1/X; B",
    "C:=X; LN(C)",
    "X->HEX",
    "X->BIN",
    "1/X->DEZ",
    "A:=RND; B:=RND; A-B",
    "J:=X; 1 POL 1; J+X",
    "D:=X; E:=D*D; F:=E-D; F/D",
    "X STO X; X",
    "1 STO X; X/(X-1)",
};

const Real Samples[] = {0,
                        1,
                        -1,
                        2,
                        -2,
                        0.5L,
                        -0.5L,
                        3,
                        -3,
                        7.25L,
                        -7.25L,
                        10,
                        -10,
                        1e-20L,
                        -1e-19L,
                        1e5L,
                        1e10L,
                        -3e9L,
                        90,
                        180,
                        100,
                        0.1L,
                        0.3L,
                        12.345L,
                        5e-5L,
                        1.0e300L,
                        -1e300L,
                        30.5030L,
                        1754,
                        1755,
                        2.5L,
                        -2.5L,
                        3e-4932L,
                        -3e-4932L,
                        1e-4940L,
                        -0.0L,
                        std::numeric_limits<Real>::infinity(),
                        -std::numeric_limits<Real>::infinity(),
                        std::numeric_limits<Real>::quiet_NaN()};

TEST(ProgramTest, TypedExpressionsAgreeWithTheWalk) {
    for (const char* text : Expressions) {
        SCOPED_TRACE(text);
        TExprTree tree = CompileExpression(text, "X");
        ASSERT_FALSE(tree.Empty());
        for (int32_t unit : {AngleDegrees, AngleRadians, AngleGrads}) {
            for (Real x : Samples) {
                ResetEngineState(unit, x);
                const TEvalOutcome walk = Capture([&] { return EvaluateNode(tree.GetRoot()); });
                ResetEngineState(unit, x);
                const TEvalOutcome fast = Capture([&] { return EvaluateTree(tree); });
                ASSERT_EQ(fast, walk) << "X=" << static_cast<double>(x) << " unit " << unit;
            }
        }
    }
}

// Which programs get the inline form (run without any call, the variable read once), and
// that it agrees with the walk, errors and positions included. Every constant of the inline
// form is two doubles summed, so awkward constants must either split exactly or keep the
// program on the general path.
struct TInlineRow {
    const char* Text;
    bool Inline;
};

const TInlineRow InlineRows[] = {
    {"X*X+2*X+1", true},
    {"((X+1)*(X-1)*(X+2)*(X-2))/(X*X+1)", true},
    {"((((0.5*X-1.25)*X+3)*X-0.75)*X+2)*X-1", true},
    {"(X+1)*(X+2)*(X+3)", true},
    {"A*X*X+B*X+C", true},
    {"X/A-J/X+A/B", true},
    {"(X+1)/(X-1)", true},
    {"2/(X*X-4)", true},
    {"-X+ABS(X-3)", true},
    {"MIN(X,2,A)-MAX(X,-1,B*X)", true},
    {"X^2-(X+1)^2", true},
    {"X/(X*X+1E-30)", true},
    // constants that split into two doubles exactly
    {"X+0.1", true},
    {"X*3.14159265358979323846", true},
    {"PI*X-PI", true},
    {"X*1E300+1E-300", true},
    {"X*1.7976931348623157E308", true},
    {"-0*X+X*0", true},
    // constants beyond the doubles keep the general path
    {"X*1E400", false},
    {"X+1E-400", false},
    {"X*1.8E308", false},
    {"X*4.9E-324", false},
    // calls and writes keep the general path
    {"SIN(X)*X^2", false},
    {"SQRT(ABS(X))", false},
    {"X^3", false},
    {"X MOD 3", false},
    {"RND+X", false},
    {"X/0", false},
    {"5 STO X; X*X+1", false},
    {"X STO A; A*X", false},
    {"A:=X+1; A*X", false},
    {"(X+1)->HEX", false},
};

TEST(ProgramTest, InlineFormWhereItAppliesAndAgreesWithTheWalk) {
    for (const TInlineRow& row : InlineRows) {
        SCOPED_TRACE(row.Text);
        TExprTree tree = CompileExpression(row.Text, "X");
        ASSERT_NE(tree.GetProgram(), nullptr);
        EXPECT_EQ(tree.GetProgram()->Fast != nullptr, row.Inline);
        for (Real x : Samples) {
            ResetEngineState(AngleRadians, x);
            const TEvalOutcome walk = Capture([&] { return EvaluateNode(tree.GetRoot()); });
            ResetEngineState(AngleRadians, x);
            const TEvalOutcome fast = Capture([&] { return EvaluateTree(tree); });
            ASSERT_EQ(fast, walk) << "X=" << static_cast<double>(x);
        }
    }
}

// A program that changes the variable before reading it must see the new value.
struct TStoreRow {
    const char* Text;
    Real Variable; // the variable's value before the run
    Real Expected;
    Real VariableAfter;
};

const TStoreRow StoreRows[] = {
    {"5 STO X; X*X+1", 2, 26, 5},      {"X+1 STO X; X*X", 2, 9, 3},
    {"X*X STO X; X+X", 3, 18, 9},      {"X STO A; 4 STO X; A*X", 2, 8, 4},
    {"1 STO X; X/(X+1)", -1, 0.5L, 1},
};

TEST(ProgramTest, StoreIntoTheVariableIsSeenByLaterReads) {
    for (const TStoreRow& row : StoreRows) {
        SCOPED_TRACE(row.Text);
        TExprTree tree = CompileExpression(row.Text, "X");
        ResetEngineState(AngleRadians, row.Variable);
        EXPECT_TRUE(SameBits(EvaluateTree(tree), row.Expected));
        EXPECT_TRUE(SameBits(VariableValue, row.VariableAfter));
    }
}

// Sine and cosine of the variable next to each other share one instruction; anything else
// in between keeps them apart.
struct TSinCosRow {
    const char* Text;
    int Shared; // instructions that compute both
};

const TSinCosRow SinCosRows[] = {
    {"MAX(SIN(X),COS(X),0.5)", 1},
    {"SIN(X)*COS(X)", 1},
    {"COS(X)-SIN(X)", 1},
    {"SIN(X)/COS(X)", 1},
    {"SIN(X)*COS(X)+SIN(X)*COS(X)", 2},
    {"SIN(X)+COS(A)", 0},
    {"SIN(X)+COS(X+1)", 0},
    {"SIN(X)+SIN(X)", 0},
    {"SIN(X)", 0},
    {"X+1 STO X; SIN(X)*COS(X)", 1},
};

TEST(ProgramTest, SineAndCosineOfTheVariableShareOneInstruction) {
    for (const TSinCosRow& row : SinCosRows) {
        SCOPED_TRACE(row.Text);
        TExprTree tree = CompileExpression(row.Text, "X");
        ASSERT_NE(tree.GetProgram(), nullptr);
        int shared = 0;
        for (const Compact::TInstr* ip = tree.GetProgram()->Code.get(); ip->Code != Compact::Ret;
             ++ip)
            shared += ip->Code == Compact::SinCosV || ip->Code == Compact::CosSinV;
        EXPECT_EQ(shared, row.Shared);
        for (int32_t unit : {AngleDegrees, AngleRadians, AngleGrads}) {
            for (Real x : Samples) {
                ResetEngineState(unit, x);
                const TEvalOutcome walk = Capture([&] { return EvaluateNode(tree.GetRoot()); });
                ResetEngineState(unit, x);
                const TEvalOutcome fast = Capture([&] { return EvaluateTree(tree); });
                ASSERT_EQ(fast, walk) << "X=" << static_cast<double>(x) << " unit " << unit;
            }
        }
    }
}

TEST(ProgramTest, RepeatedRunsGiveTheSameResult) {
    TExprTree tree = CompileExpression("((X+1)*(X-1)*(X+2)*(X-2))/(X*X+1)+MAX(1,X,2)", "X");
    for (Real x : Samples) {
        VariableValue = x;
        const Real first = EvaluateTree(tree);
        const Real second = EvaluateTree(tree);
        EXPECT_TRUE(SameBits(first, second)) << static_cast<double>(x);
    }
}

// ---- random trees ----

// The tree in prefix form, for failure messages: code@pos(left, right).
std::string Describe(const TExprNode* node) {
    if (!node) return "-";
    std::string text = std::to_string(node->Code) + "@" + std::to_string(node->Pos);
    if (node->Code == Code::Number) {
        char value[40];
        std::snprintf(value, sizeof value, "=%.6Lg", node->Value);
        text += value;
    }
    if (node->Left || node->Right)
        text += "(" + Describe(node->Left) + ", " + Describe(node->Right) + ")";
    return text;
}

class TTreeMaker {
public:
    explicit TTreeMaker(uint32_t seed) : Random(seed) {}

    TExprNode* Make(int depth) {
        auto* node = new TExprNode;
        node->Pos = Pick(0, 60);
        if (depth <= 0 || Pick(0, 5) == 0) return MakeLeaf(node);
        const int kind = Pick(0, 99);
        if (kind < 45) { // binary operators and statements
            static const int32_t binary[] = {
                Code::Plus,      Code::Minus,     Code::Times,        Code::Divide,   Code::Divide,
                Code::Power,     Code::Power,     Code::Equal,        Code::NotEqual, Code::Less,
                Code::LessEqual, Code::Greater,   Code::GreaterEqual, Code::Or,       Code::Xor,
                Code::And,       Code::Mod,       Code::Perm,         Code::Komb,     Code::Pol,
                Code::Rec,       Code::Semicolon, Code::Plus,         Code::Times,    Code::Minus};
            node->Code = binary[Pick(0, std::size(binary) - 1)];
            node->Left = Make(depth - 1);
            node->Right = Make(depth - 1);
        } else if (kind < 55) { // prefix and postfix operators
            static const int32_t unary[] = {Code::Negate, Code::Not, Code::Factorial, Code::Deg,
                                            Code::Dms};
            node->Code = unary[Pick(0, std::size(unary) - 1)];
            (node->Code == Code::Negate || node->Code == Code::Not ? node->Right : node->Left) =
                Make(depth - 1);
        } else if (kind < 85) { // functions
            node->Code = Pick(Code::FirstFunction, Code::LastFunction);
            if (node->Code == Code::Rnd) return node;
            int args = 1;
            if (node->Code == Code::SqrtX) args = 2;
            if (node->Code == Code::Min || node->Code == Code::Max) args = Pick(1, 4);
            node->Right = args == 1 ? Make(depth - 1) : MakeList(args, depth - 1);
        } else if (kind < 92) { // assignments and display words
            static const int32_t statement[] = {Code::Assign, Code::Sto, Code::ToDez, Code::ToHex,
                                                Code::ToBin};
            node->Code = statement[Pick(0, std::size(statement) - 1)];
            if (node->Code == Code::Assign) {
                node->Left = MakeTarget();
                node->Right = Make(depth - 1);
            } else if (node->Code == Code::Sto) {
                node->Left = Make(depth - 1);
                node->Right = MakeTarget();
            } else {
                node->Left = Make(depth - 1);
            }
        } else if (kind < 96) { // codes without a rule, with operands that must not run
            static const int32_t none[] = {0, 1, 28, 55, 58, 71, 80, 82, Code::ArgList, 90};
            node->Code = none[Pick(0, std::size(none) - 1)];
            node->Left = Make(depth - 1);
            if (Pick(0, 1)) node->Right = Make(depth - 1);
        } else { // broken shapes: an operator with a missing operand
            node->Code = Pick(0, 1) ? Code::Plus : Code::Divide;
            (Pick(0, 1) ? node->Left : node->Right) = Make(depth - 1);
        }
        return node;
    }

private:
    std::mt19937 Random;

    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(Random); }

    TExprNode* MakeLeaf(TExprNode* node) {
        const int kind = Pick(0, 9);
        if (kind < 4) {
            static const Real values[] = {0,      1,      2,       3,          0.5L,  10,   -1,
                                          1e-19L, 1e-17L, 1e-16L,  90,         180,   4000, 1e10L,
                                          2.5L,   0.3L,   1e4000L, 3.4e-4932L, -0.0L, 7};
            node->Code = Code::Number;
            node->Value = values[Pick(0, std::size(values) - 1)];
        } else if (kind < 7) {
            node->Code = Code::Variable;
        } else if (kind < 9) {
            node->Code = Code::MemoryA + Pick(0, 9);
        } else {
            node->Code = Code::Pi;
        }
        return node;
    }

    TExprNode* MakeTarget() {
        auto* node = new TExprNode;
        node->Pos = Pick(0, 60);
        const int kind = Pick(0, 9);
        if (kind == 0) {
            node->Code = Code::Number; // not a target: refused after the value is computed
        } else if (kind < 4) {
            node->Code = Code::Variable;
        } else {
            node->Code = Code::MemoryA + Pick(0, 9);
        }
        return node;
    }

    TExprNode* MakeList(int count, int depth) {
        TExprNode* head = nullptr;
        TExprNode** link = &head;
        for (int i = 0; i < count; ++i) {
            auto* item = new TExprNode;
            item->Code = Code::ArgList;
            item->Group = Group::ArgList;
            item->Pos = Pick(0, 60);
            item->Left = Make(depth);
            *link = item;
            link = &item->Right;
        }
        return head;
    }
};

TEST(ProgramTest, RandomTreesAgreeWithTheWalk) {
    TTreeMaker maker(20240601);
    const Real values[] = {0, 1.5L, -2, 1e-18L, 45, -1e6L, 3};
    for (int i = 0; i < 30000; ++i) {
        TExprTree tree(maker.Make(1 + i % 7));
        const int32_t unit = i % 3;
        for (Real x : values) {
            ResetEngineState(unit, x);
            const TEvalOutcome walk = Capture([&] { return EvaluateNode(tree.GetRoot()); });
            ResetEngineState(unit, x);
            const TEvalOutcome fast = Capture([&] { return EvaluateTree(tree); });
            ASSERT_EQ(fast, walk) << Describe(tree.GetRoot()) << " X=" << static_cast<double>(x);
        }
    }
}

// ---- the deepest trees the parser accepts ----

TExprNode* Leaf(int32_t code, Real value = 0) {
    auto* node = new TExprNode;
    node->Code = code;
    node->Value = value;
    return node;
}

TExprNode* Join(int32_t code, TExprNode* left, TExprNode* right, int pos) {
    auto* node = new TExprNode;
    node->Code = code;
    node->Left = left;
    node->Right = right;
    node->Pos = pos;
    return node;
}

TEST(ProgramTest, DeepTreesAgreeWithTheWalk) {
    struct Row {
        const char* name;
        TExprNode* (*make)();
    } rows[] = {
        {"left chain of sums",
         [] {
             TExprNode* n = Leaf(Code::Variable);
             for (int i = 0; i < MaxTreeDepth; ++i)
                 n = Join(Code::Plus, n,
                          Join(Code::Times, Leaf(Code::Variable), Leaf(Code::Number, i), i), i);
             return n;
         }},
        {"right chain of products",
         [] {
             TExprNode* n = Leaf(Code::Variable);
             for (int i = 0; i < MaxTreeDepth; ++i)
                 n = Join(Code::Times,
                          Join(Code::Plus, Leaf(Code::Variable), Leaf(Code::Number, 1), i), n, i);
             return n;
         }},
        {"right chain of quotients",
         [] {
             TExprNode* n = Leaf(Code::Variable);
             for (int i = 0; i < MaxTreeDepth; ++i)
                 n = Join(Code::Divide, Leaf(Code::MemoryA + i % 10),
                          Join(Code::Minus, n, Leaf(Code::Number, 0.5L), i), i);
             return n;
         }},
        {"nested functions",
         [] {
             TExprNode* n = Leaf(Code::Variable);
             for (int i = 0; i < MaxTreeDepth; ++i) {
                 const int32_t fns[] = {Code::Sin, Code::Abs, Code::Exp, Code::Sqrt, Code::ArcTan};
                 n = Join(fns[i % 5], nullptr, n, i);
             }
             return n;
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TExprTree tree(row.make());
        for (Real x : {0.25L, -3.0L, 0.0L}) {
            ResetEngineState(AngleRadians, x);
            const TEvalOutcome walk = Capture([&] { return EvaluateNode(tree.GetRoot()); });
            ResetEngineState(AngleRadians, x);
            const TEvalOutcome fast = Capture([&] { return EvaluateTree(tree); });
            EXPECT_EQ(fast, walk) << static_cast<double>(x);
        }
    }
}

} // namespace
