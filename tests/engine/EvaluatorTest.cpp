// The evaluator: values, domain errors with their positions, angle units, memories and the
// other globals, and the side effects that survive an error.
#include "engine/Evaluator.h"
#include "engine/Convert.h"
#include "engine/Errors.h"
#include "engine/Globals.h"
#include "engine/Parser.h"
#include "engine/Scanner.h"

#include "tests/engine/EvalOutcome.h"

#include <gtest/gtest.h>
#include <mpfr.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr int32_t Deg = AngleDegrees;
constexpr int32_t Rad = AngleRadians;
constexpr int32_t Gra = AngleGrads;
constexpr Real Inf = std::numeric_limits<Real>::infinity();

TEvalOutcome RunText(const std::string& text, int32_t unit, Real x) {
    ResetEngineState(unit, x);
    return Capture([&] { return EvaluateText(text, "X"); });
}

// ---- values ----

struct ValueRow {
    const char* text;
    int32_t unit;
    Real x;
    Real expected;
    Real tolerance; // 0: exactly this value
};

const ValueRow ValueRows[] = {
    {"1+2*3", Rad, 0, 7, 0},
    {"8/4/2", Rad, 0, 1, 0},
    {"-2^2", Rad, 0, 4, 0},
    {"2^-1", Rad, 0, 0.5L, 0},
    {"0.1+0.2=0.3", Rad, 0, 1, 0},
    {"1E-17=0", Rad, 0, 1, 0},
    {"1E-16=0", Rad, 0, 0, 0},  // a difference of exactly 1e-16 is neither equal ...
    {"1E-16<>0", Rad, 0, 0, 0}, // ... nor unequal
    {"1E-15<>0", Rad, 0, 1, 0},
    {"1<2", Rad, 0, 1, 0},
    {"2<=2", Rad, 0, 1, 0},
    {"2>2", Rad, 0, 0, 0},
    {"X>=-1", Rad, -1, 1, 0},
    {"0^0", Rad, 0, 0, 0},
    {"0^3", Rad, 0, 0, 0},
    {"(-8)^3", Rad, 0, -512, 0},
    {"(-8)^2", Rad, 0, 64, 0},
    {"(-2)^-3", Rad, 0, -0.125L, 0},
    {"2^60", Rad, 0, 1152921504606846976.0L, 0},
    {"3^40", Rad, 0, 12157665459056928801.0L, 0},
    {"0.5^3", Rad, 0, 0.125L, 0},
    {"X^1", Rad, 1.7L, 1.7L, 0},
    {"X^-1", Rad, 4, 0.25L, 0},
    {"X^0", Rad, -3, 1, 0},
    {"2^0.5", Rad, 0, 1.41421356237309504880L, 4e-19L},
    {"10^5000", Rad, 0, Inf, 0},
    {"EXP(20000)", Rad, 0, Inf, 0},
    {"EXP(-20000)", Rad, 0, 0, 0},
    {"1755!", Rad, 0, Inf, 0},
    {"3.7!", Rad, 0, 6, 0},
    {"-3!", Rad, 0, -6, 0},
    {"0!", Rad, 0, 1, 0},
    {"3!!", Rad, 0, 720, 0},
    {"20!", Rad, 0, 2432902008176640000.0L, 0},
    {"5 PERM 2", Rad, 0, 20, 0},
    {"5 KOMB 2", Rad, 0, 10, 0},
    {"5 KOMB 0", Rad, 0, 1, 0},
    {"2000 KOMB 1", Rad, 0, std::numeric_limits<Real>::quiet_NaN(), 0}, // inf/inf
    {"5 XOR 3", Rad, 0, 6, 0},
    {"5 OR 3", Rad, 0, 7, 0},
    {"NOT 0", Rad, 0, -1, 0},
    {"NOT (-1)", Rad, 0, 0, 0},
    {"7.9 AND 3", Rad, 0, 3, 0},
    {"-7.9 AND -1", Rad, 0, -7, 0},
    {"$FFFFFFFF AND 255", Rad, 0, 255, 0},
    {"-7 MOD 3", Rad, 0, -1, 0},
    {"7 MOD -3", Rad, 0, 1, 0},
    {"$80000000 MOD -1", Rad, 0, 0, 0},
    {"MIN(3)", Rad, 0, 3, 0},
    {"MAX(1,5,5,2)", Rad, 0, 5, 0},
    {"MIN(4,-2,7,X)", Rad, -9, -9, 0},
    {"MAX(X,2)", Rad, 3, 3, 0},
    {"INT(-2.5)", Rad, 0, -2, 0},
    {"INT(2.99)", Rad, 0, 2, 0},
    {"SGN(-3)", Rad, 0, -1, 0},
    {"SGN(0)", Rad, 0, 0, 0},
    {"SGN(0.1)", Rad, 0, 1, 0},
    {"STEP(0)", Rad, 0, 1, 0},
    {"STEP(-1E-30)", Rad, 0, 0, 0},
    {"ABS(-2.5)", Rad, 0, 2.5L, 0},
    {"PI", Rad, 0, 3.14159265358979323846L, 0},
    {"SQRT(16)", Rad, 0, 4, 0},
    {"SQRT(0)", Rad, 0, 0, 0},
    {"SQRT3(0)", Rad, 0, 0, 0},
    {"SQRTX(3,0)", Rad, 0, 0, 0},
    {"SQRTX(2.5,16)", Rad, 0, 4, 4e-19L}, // 2.5 rounds to the even 2
    {"SQRTX(3.5,4096)", Rad, 0, 8, 8e-19L},
    {"LOG(1000)", Rad, 0, 3, 4e-19L},
    {"EXP10(2)", Rad, 0, 100, 1e-16L},
    {"255->HEX", Rad, 0, 255, 0},
    {"10.3 DEG", Rad, 0, 10.5L, 0},
    {"10.3->DEG", Rad, 0, 10.5L, 0},
    {"10.5 DMS", Rad, 0, 10.3L, 0},
    {"-10.3 DEG", Rad, 0, -10.5L, 0},
    {"30.5030 DEG", Rad, 0, 111030.0L / 3600, 0},
    {"10.5 DEG", Rad, 0, 650.0L / 60, 0},
    {"10.5 DEG DMS", Rad, 0, 10.5L, 0},
    {"ARTANH(-0.5)", Rad, 0, -0.549306144334054845697622618461262852L, 2e-19L},
    {"ARTANH(-0.5)+ARTANH(0.5)", Rad, 0, 0, 0},
    {"TANH(20000)", Rad, 0, 1, 0},
    {"TANH(-20000)", Rad, 0, -1, 0},
    {"ARSINH(-1E10)", Rad, 0, -23.7189981105004021495L, 1e-17L},
    {"ARSINH(1E3000)", Rad, 0, 6908.4484261626969974L, 1e-15L},
    {"ARCOSH(1E3000)", Rad, 0, 6908.4484261626969974L, 1e-15L},
    {"SIN(180)", Deg, 0, 0, 0},
    {"SIN(360)", Deg, 0, 0, 0},
    {"COS(90)", Deg, 0, 0, 0},
    {"COS(100)", Gra, 0, 0, 0},
    {"SIN(PI)", Rad, 0, 0, 0},
    {"TAN(180)", Deg, 0, 0, 0},
    {"SIN(30)", Deg, 0, 0.5L, 2e-19L},
    {"SIN(X)", Deg, 0, 0, 0},
    {"COS(60)", Deg, 0, 0.5L, 2e-19L},
    {"TAN(45)", Deg, 0, 1, 4e-19L},
    {"TAN(50)", Gra, 0, 1, 4e-19L},
    {"ARCSIN(1)", Deg, 0, 90, 0},
    {"ARCSIN(-1)", Deg, 0, -90, 0},
    {"ARCSIN(0.5)", Deg, 0, 30, 2e-17L},
    {"ARCCOS(-1)", Gra, 0, 200, 0},
    {"ARCCOS(1)", Deg, 0, 0, 0},
    {"ARCCOS(0)", Deg, 0, 90, 1e-17L},
    {"ARCTAN(1)", Deg, 0, 45, 1e-17L},
    {"ARCTAN(1)", Gra, 0, 50, 1e-17L},
    {"ARCTAN(1)", Rad, 0, 0.785398163397448309616L, 2e-19L},
    {"-1 POL 0", Deg, 0, 1, 0},
    {"3 POL 4", Rad, 0, 5, 0},
    {"2 REC 0", Deg, 0, 2, 0},
    {"1E-17", Rad, 0, 1e-17L, 0},
    // ---- edges: odd exponents past the multiplied range, counting operators, domains ----
    {"(-1)^65537", Rad, 0, -1, 0},
    {"(-1)^70001", Rad, 0, -1, 0},
    {"(-1)^70002", Rad, 0, 1, 0},
    {"(-1.0000001)^100001", Rad, 0, -1.010050267584159665709L, 1e-13L},
    {"X^131073", Rad, -1, -1, 0},
    {"5 PERM 5", Rad, 0, 120, 0},
    {"5 KOMB 5", Rad, 0, 1, 0},
    {"0 PERM 0", Rad, 0, 1, 0},
    {"0 KOMB 0", Rad, 0, 1, 0},
    {"7 PERM 0", Rad, 0, 1, 0},
    {"ARCOSH(1)", Rad, 0, 0, 0},
    {"ARCSIN(1)", Rad, 0, 1.57079632679489661923132169163975144L, 0},
    {"ARCSIN(-1)", Gra, 0, -100, 0},
    {"ARCCOS(-1)", Rad, 0, 3.14159265358979323846264338327950288L, 0},
    {"ARCCOS(1)", Rad, 0, 0, 0},
    {"SQRT(1E-4000)", Rad, 0, 1e-2000L, 2e-19L},
    {"SQRT3(1E-3000)", Rad, 0, 1e-1000L, 1e-15L},
    {"SQRTX(1,8)", Rad, 0, 8, 2e-19L},
    {"LN(1E-4000)", Rad, 0, -9210.340371976182736072L, 2e-19L},
    {"LOG(1E-4000)", Rad, 0, -4000, 2e-19L},
    {"ARTANH(0.9999999999)", Rad, 0, 11.859499055225201075L, 1e-9L},
};

TEST(EvaluatorTest, ValuesOfOperatorsAndFunctions) {
    for (const ValueRow& row : ValueRows) {
        const std::string name =
            std::string(row.text) + " with angle unit " + std::to_string(row.unit);
        SCOPED_TRACE(name);
        const TEvalOutcome out = RunText(row.text, row.unit, row.x);
        ASSERT_FALSE(out.Raised) << out;
        if (std::isnan(row.expected)) {
            EXPECT_TRUE(std::isnan(out.Value)) << out;
        } else if (row.tolerance == 0) {
            EXPECT_EQ(out.Value, row.expected) << out;
        } else {
            EXPECT_NEAR(
                static_cast<double>(out.Value - row.expected), 0.0,
                static_cast<double>(row.tolerance * std::fabs(row.expected) + row.tolerance))
                << out;
        }
    }
}

// ---- errors ----

struct ErrorRow {
    const char* text;
    int32_t unit;
    Real x;
    const char* kind; // as TEvalOutcome::ErrorKind
    const char* message;
    int position; // -1 for errors without one
};

const ErrorRow ErrorRows[] = {
    {"1/1E-20", Rad, 0, "eval", "Division by zero", 2},
    {"1/X", Rad, 0, "eval", "Division by zero", 2},
    {"  1 / (X-X)", Rad, 5, "eval", "Division by zero", 8},
    {"LN(0)/0", Rad, 0, "eval", "Division by zero", 6}, // the divisor is checked first
    {"1/0.5E-18", Rad, 0, "eval", "Division by zero", 2},
    {"0^-1", Rad, 0, "eval", "Division by zero", 0},
    {"(-8)^0.5", Rad, 0, "eval", "Power out of range", 1},
    {"1+X^0.5", Rad, -4, "eval", "Power out of range", 2},
    {"SQRT(-1)", Rad, 0, "eval", "Negative argument", 5},
    {"SQRT3(-8)", Rad, 0, "eval", "Negative argument", 6},
    {"SQRTX(3,-8)", Rad, 0, "eval", "Argument zero or negative", 8},
    {"SQRTX(0,4)", Rad, 0, "eval", "Root power zero or negative", 8},
    {"SQRTX(-2, 4)", Rad, 0, "eval", "Root power zero or negative", 9},
    {"SQRTX(3E9,4)", Rad, 0, "invalid-op", "Invalid floating point operation", -1},
    {"LN(0)", Rad, 0, "eval", "Argument zero or negative", 3},
    {"LN( X)", Rad, -1, "eval", "Argument zero or negative", 3},
    {"LOG(-1)", Rad, 0, "eval", "Argument zero or negative", 4},
    {"TAN(90)", Deg, 0, "eval", "Function value not defined", 4},
    {"TAN(100)", Gra, 0, "eval", "Function value not defined", 4},
    {"ARCSIN(2)", Rad, 0, "eval", "Argument > 1", 7},
    {"ARCCOS(-1.5)", Rad, 0, "eval", "Argument > 1", 7},
    {"ARCOSH(0.5)", Rad, 0, "eval", "Argument < 1", 10},
    {"ARCOSH(X )", Rad, 0, "eval", "Argument < 1", 8},
    {"ARTANH(1)", Rad, 0, "eval", "Argument > 1", 7},
    {"ARTANH(-1)", Rad, 0, "eval", "Argument > 1", 7},
    {"2 KOMB 5", Rad, 0, "eval", "n < r", 0},
    {"3 + 2 PERM 5", Rad, 0, "eval", "n < r", 3},
    {"-1 KOMB 0", Rad, 0, "eval", "Operand < 0", 0},
    {"4 PERM -1", Rad, 0, "eval", "Operand < 0", 0},
    {"1E10 AND 1", Rad, 0, "invalid-op", "Invalid floating point operation", -1},
    {"1 OR -3E9", Rad, 0, "invalid-op", "Invalid floating point operation", -1},
    {"NOT 3E9", Rad, 0, "invalid-op", "Invalid floating point operation", -1},
    {"3E9!", Rad, 0, "invalid-op", "Invalid floating point operation", -1},
    {"3E9 KOMB 1", Rad, 0, "invalid-op", "Invalid floating point operation", -1},
    {"(0^-1) MOD 2", Rad, 0, "eval", "Division by zero", 1},
    {"EXP(20000) XOR 1", Rad, 0, "invalid-op", "Invalid floating point operation", -1},
    {"7 MOD 0", Rad, 0, "int-div", "Division by zero", -1},
    {"7 MOD 0.5", Rad, 0, "int-div", "Division by zero", -1},
    // ---- the first values outside each domain ----
    {"ARCOSH(0.9999999999999999999)", Rad, 0, "eval", "Argument < 1", 28},
    {"ARCSIN(1.0000000000000000002)", Rad, 0, "eval", "Argument > 1", 7},
    {"ARCSIN(-1.0000000000000000002)", Rad, 0, "eval", "Argument > 1", 7},
    {"ARCCOS(1.0000000000000000002)", Rad, 0, "eval", "Argument > 1", 7},
    {"ARCCOS(-1.0000000000000000002)", Rad, 0, "eval", "Argument > 1", 7},
    {"SQRT(-1E-4000)", Rad, 0, "eval", "Negative argument", 5},
    {"SQRT3(-1E-4000)", Rad, 0, "eval", "Negative argument", 6},
    {"SQRTX(0.4,8)", Rad, 0, "eval", "Root power zero or negative", 10},
    {"SQRTX(2,-1E-4000)", Rad, 0, "eval", "Argument zero or negative", 8},
    {"LN(3.37E-4932)", Rad, 0, "eval", "Argument zero or negative", 3}, // counts as zero
    {"LOG(-1E-4000)", Rad, 0, "eval", "Argument zero or negative", 4},
    {"0 KOMB 1", Rad, 0, "eval", "n < r", 0},
    {"5 PERM 6", Rad, 0, "eval", "n < r", 0},
    {"0 PERM -1", Rad, 0, "eval", "Operand < 0", 0},
};

TEST(EvaluatorTest, DomainErrorsWithMessageAndPosition) {
    for (const ErrorRow& row : ErrorRows) {
        SCOPED_TRACE(row.text);
        const TEvalOutcome out = RunText(row.text, row.unit, row.x);
        ASSERT_TRUE(out.Raised) << out;
        EXPECT_EQ(out.ErrorKind, row.kind);
        EXPECT_EQ(out.Message, row.message);
        EXPECT_EQ(out.Position, row.position);
    }
}

// ---- globals and side effects ----

struct EffectRow {
    const char* text;
    Real x;
    const char* message; // empty: evaluates without error
    Real value;
    int memory; // index of the memory to check, -1 for none
    Real memoryValue;
    Real variableAfter;
    int32_t baseAfter;
};

const EffectRow EffectRows[] = {
    {"A:=2; A*3", 0, "", 6, 0, 2, 0, BaseDecimal},
    {"7 STO B", 0, "", 7, 1, 7, 0, BaseDecimal},
    {"1 STO X; X+1", 5, "", 2, -1, 0, 1, BaseDecimal},
    {"C:=X*2; C:=C+1; C", 4, "", 9, 2, 9, 4, BaseDecimal},
    {"-1 POL 0", 0, "", 1, 9, 3.14159265358979323846L, 0, BaseDecimal},
    {"3 POL 0", 0, "", 3, 9, 0, 0, BaseDecimal},
    {"0 POL -2", 0, "", 2, 9, -1.57079632679489661923L, 0, BaseDecimal},
    {"-1 POL -1", 0, "", 1.41421356237309504880L, 9, -2.35619449019234492885L, 0, BaseDecimal},
    {"2 REC 0", 0, "", 2, 9, 0, 0, BaseDecimal},
    {"255->HEX", 0, "", 255, -1, 0, 0, BaseHex},
    {"5->BIN", 0, "", 5, -1, 0, 0, BaseBinary},
    {"5->DEZ", 0, "", 5, -1, 0, 0, BaseDecimal},
    // Stored values stay stored when a later part fails.
    {"A:=5; LN(0)", 0, "Argument zero or negative", 0, 0, 5, 0, BaseDecimal},
    {"D:=1/0", 0, "Division by zero", 0, 3, 0, 0, BaseDecimal},
    {"3 POL 4; SQRT(-1)", 0, "Negative argument", 0, 9, 0.927295218001612232428L, 0, BaseDecimal},
    {"(1 REC 0) + LN(0)", 0, "Argument zero or negative", 0, 9, 0, 0, BaseDecimal},
    {"1/0->BIN", 0, "Division by zero", 0, -1, 0, 0, BaseBinary},
    {"2 STO X; 1/(X-2)", 0, "Division by zero", 0, -1, 0, 2, BaseDecimal},
};

TEST(EvaluatorTest, MemoriesVariableAndBaseAfterEvaluation) {
    for (const EffectRow& row : EffectRows) {
        SCOPED_TRACE(row.text);
        const TEvalOutcome out = RunText(row.text, Rad, row.x);
        EXPECT_EQ(out.Raised, *row.message != 0) << out;
        EXPECT_EQ(out.Message, row.message);
        if (!out.Raised) {
            EXPECT_NEAR(static_cast<double>(out.Value - row.value), 0.0, 1e-18);
        }
        if (row.memory >= 0) {
            EXPECT_NEAR(static_cast<double>(out.Memories[row.memory] - row.memoryValue), 0.0,
                        1e-18);
        }
        EXPECT_EQ(out.Variable, row.variableAfter);
        EXPECT_EQ(out.Base, row.baseAfter);
    }
}

TEST(EvaluatorTest, RecInDegreesDoesNotSnapTinyResults) {
    const TEvalOutcome out = RunText("2 REC 90", Deg, 0);
    ASSERT_FALSE(out.Raised) << out;
    EXPECT_NE(out.Value, 0);
    EXPECT_LT(std::fabs(out.Value), 1e-18L);
    EXPECT_EQ(out.Memories[9], 2);
}

TEST(EvaluatorTest, MemoryReadsSeeEarlierAssignments) {
    const TEvalOutcome out = RunText("J:=4; 1 POL 1; J", Deg, 0);
    ASSERT_FALSE(out.Raised) << out;
    EXPECT_NEAR(static_cast<double>(out.Value), 45.0, 1e-15);
}

// An assignment whose target is no memory cannot be typed, but the walk must still refuse it.
TEST(EvaluatorTest, AssignmentToSomethingElseIsRefused) {
    struct Row {
        const char* name;
        int32_t code;
    } rows[] = {{"assign", Code::Assign}, {"store", Code::Sto}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto* node = new TExprNode;
        node->Code = row.code;
        node->Pos = 1;
        auto* target = new TExprNode;
        target->Code = Code::Number;
        target->Pos = 4;
        auto* value = new TExprNode;
        value->Code = Code::Number;
        value->Value = 3;
        (row.code == Code::Assign ? node->Left : node->Right) = target;
        (row.code == Code::Assign ? node->Right : node->Left) = value;
        TExprTree tree(node);
        ResetEngineState(Rad, 0);
        const TEvalOutcome out = Capture([&] { return EvaluateTree(tree); });
        EXPECT_EQ(out.Message, "Assignment target invalid");
        EXPECT_EQ(out.Position, 4);
    }
}

TEST(EvaluatorTest, EmptyTreeIsAFatalError) {
    TExprTree empty;
    const TEvalOutcome out = Capture([&] { return EvaluateTree(empty); });
    EXPECT_EQ(out.ErrorKind, "fatal");
    EXPECT_EQ(out.Message, "Invalid function pointer");
}

TEST(EvaluatorTest, EvaluateTextPassesCompileAndEvaluationErrorsOn) {
    struct Row {
        const char* text;
        const char* message;
    } rows[] = {{"1+", "Invalid expression"},
                {"LN(0)", "Argument zero or negative"},
                {"FOO", "Unknown identifier"},
                {"2E", "Unexpected character"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(RunText(row.text, Rad, 0).Message, row.message);
    }
    VariableValue = 4;
    EXPECT_EQ(EvaluateText("2*T", "T"), 8); // T is the variable here
}

TEST(EvaluatorTest, StartEngineSelectsRadians) {
    AngleUnit = AngleDegrees;
    StartEngine();
    EXPECT_EQ(AngleUnit, AngleRadians);
}

// ---- functions against MPFR at many arguments ----

using TMpfrFn = int (*)(mpfr_ptr, mpfr_srcptr, mpfr_rnd_t);

int MpfrCbrt(mpfr_ptr r, mpfr_srcptr x, mpfr_rnd_t m) {
    return mpfr_rootn_ui(r, x, 3, m);
}
int MpfrRoot5(mpfr_ptr r, mpfr_srcptr x, mpfr_rnd_t m) {
    return mpfr_rootn_ui(r, x, 5, m);
}

int MpfrCube(mpfr_ptr r, mpfr_srcptr x, mpfr_rnd_t m) {
    return mpfr_pow_ui(r, x, 3, m);
}
int MpfrCubeReciprocal(mpfr_ptr r, mpfr_srcptr x, mpfr_rnd_t m) {
    return mpfr_pow_si(r, x, -3, m);
}

struct FunctionRow {
    const char* text; // a function of X, evaluated in radians
    TMpfrFn exact;
    std::vector<Real> arguments;
    // The formulas lose a few bits (and more where they subtract nearby values).
    Real relative = 0x1p-56L;
    Real absolute = 0x1p-62L;
};

const std::vector<Real> Positive = {1e-3L, 0.1L, 0.5L, 1, 1.5L, 2, 3.3L, 10, 123.456L, 1e6L};
const std::vector<Real> Unit = {-0.99L, -0.7L, -0.2L, 1e-4L, 0.3L, 0.5L, 0.8L, 0.999L};
const std::vector<Real> AboveZero = {0.25L, 0.5L, 1, 2, 9, 99, 1e6L}; // X+1 is exact
const std::vector<Real> Spread = {-20, -3.5L, -1, -0.25L, 0.125L, 0.7L, 1, 2.5L, 7, 30};
// Full mantissas (no exact shortcut), magnitudes from tiny to huge, both signs.
const std::vector<Real> Bases = {-3.3e1000L,  -98765.4321L, -7.3L,          -0.123456789L,
                                 1.7L,        3.3L,         123.456L,       98765.4321L,
                                 6.02214e23L, 2.7e-300L,    1.23456789e900L};

const FunctionRow FunctionRows[] = {
    {"SQRT(X)", mpfr_sqrt, Positive},
    {"SQRT3(X)", MpfrCbrt, Positive},
    {"SQRTX(5,X)", MpfrRoot5, Positive},
    {"EXP(X)", mpfr_exp, Spread},
    {"EXP10(X)", mpfr_exp10, Spread},
    {"LN(X)", mpfr_log, Positive},
    {"LOG(X)", mpfr_log10, Positive},
    {"SIN(X)", mpfr_sin, Spread},
    {"COS(X)", mpfr_cos, Spread},
    {"TAN(X)", mpfr_tan, Spread},
    {"ARCSIN(X)", mpfr_asin, Unit},
    {"ARCCOS(X)", mpfr_acos, Unit},
    {"ARCTAN(X)", mpfr_atan, Spread},
    {"SINH(X)", mpfr_sinh, Spread},
    {"COSH(X)", mpfr_cosh, Spread},
    {"TANH(X)", mpfr_tanh, Spread},
    {"ARSINH(X)", mpfr_asinh, Spread},
    {"ARCOSH(X+1)", nullptr, AboveZero}, // checked through ARCOSH(1+x) below
    {"ARTANH(X)", mpfr_atanh, Unit},
    // Squares and cubes by multiplication: within an ulp or two, where exp(n ln x) loses more.
    {"X^2", mpfr_sqr, Bases, 0x1p-63L, 0},
    {"X^3", MpfrCube, Bases, 0x1p-62L, 0},
    {"X^-3", MpfrCubeReciprocal, Bases, 0x1p-62L, 0},
    {"X^(2+0*X)", mpfr_sqr, Bases, 0x1p-63L, 0}, // an exponent known only when it runs
    {"X^(3+0*X)", MpfrCube, Bases, 0x1p-62L, 0},
};

Real Exact(TMpfrFn fn, Real x) {
    mpfr_t a, r;
    mpfr_init2(a, 128);
    mpfr_init2(r, 128);
    mpfr_set_ld(a, x, MPFR_RNDN);
    if (fn) {
        fn(r, a, MPFR_RNDN);
    } else {
        mpfr_add_ui(a, a, 1, MPFR_RNDN);
        mpfr_acosh(r, a, MPFR_RNDN);
    }
    const Real v = mpfr_get_ld(r, MPFR_RNDN);
    mpfr_clear(a);
    mpfr_clear(r);
    return v;
}

TEST(EvaluatorTest, FunctionsAgreeWithHighPrecision) {
    for (const FunctionRow& row : FunctionRows) {
        for (Real x : row.arguments) {
            char name[80];
            std::snprintf(name, sizeof name, "%s at X=%.20Lg", row.text, x);
            SCOPED_TRACE(name);
            const TEvalOutcome out = RunText(row.text, Rad, x);
            ASSERT_FALSE(out.Raised) << out;
            const Real exact = Exact(row.exact, x);
            const Real tolerance = row.relative * std::fabs(exact) + row.absolute;
            EXPECT_LE(std::fabs(out.Value - exact), tolerance) << out;
        }
    }
}

// ---- factorial, degree conversions, random numbers ----

TEST(EvaluatorTest, FactorialIsTheExtendedProduct) {
    Real product = 1;
    for (int32_t n = 0; n <= 1760; ++n) {
        if (n > 1) product *= n;
        SCOPED_TRACE(n);
        ASSERT_EQ(Factorial(n), product);
    }
    EXPECT_TRUE(std::isfinite(Factorial(1754)));
    EXPECT_TRUE(std::isinf(Factorial(1755)));
    EXPECT_EQ(Factorial(-5), 1);
    EXPECT_TRUE(std::isinf(Factorial(std::numeric_limits<int32_t>::max()))); // and returns
}

// Every whole D°MM'SS" typed as D.MMSS reads as exactly (D·3600 + M·60 + S)/3600, and
// converting that back gives the typed value.
TEST(EvaluatorTest, DegreeMinuteSecondTextsConvertBothWays) {
    const int degreesList[] = {0, 1, 9, 10, 30, 89, 179, 359, 1000, 123456};
    for (int d : degreesList) {
        for (int m = 0; m < 60; m += 7) {
            for (int s = 0; s < 60; s += 3) {
                for (int sign : {1, -1}) {
                    char text[48];
                    std::snprintf(text, sizeof text, "%s%d.%02d%02d", sign < 0 ? "-" : "", d, m, s);
                    SCOPED_TRACE(text);
                    const Real typed = DotTextToFloat(text);
                    const Real degrees = sign * (static_cast<Real>(d * 3600LL + m * 60 + s) / 3600);
                    ASSERT_EQ(DmsToDegrees(typed), degrees);
                    if (d == 0 && m == 0 && s == 0) continue;
                    ASSERT_EQ(DegreesToDms(degrees), typed);
                }
            }
        }
    }
}

TEST(EvaluatorTest, DegreeConversionsOfDecimalFractions) {
    struct Row {
        const char* name;
        Real (*fn)(Real);
        Real in;
        Real out;
    } rows[] = {
        {"10.3 DEG", DmsToDegrees, 10.3L, 10.5L},
        {"10.5 DMS", DegreesToDms, 10.5L, 10.3L},
        {"0.0036 DEG", DmsToDegrees, 0.0036L, 0.01L},
        {"0.01 DMS", DegreesToDms, 0.01L, 0.0036L},
        {"1.2030 DEG", DmsToDegrees, 1.203L, 4830.0L / 3600},
        {"10.75 DEG (75 minutes)", DmsToDegrees, 10.75L, 11.25L},
        {"359.99999 DMS carries", DegreesToDms, 359.9999999999999L, 360},
        {"1E20 DEG", DmsToDegrees, 1e20L, 1e20L},
        {"1E20 DMS", DegreesToDms, 1e20L, 1e20L},
        {"-0.5 DMS", DegreesToDms, -0.5L, -0.3L},
        // ---- 15 significant digits counted from the first non-zero digit ----
        {"1.23456789E-10 DEG", DmsToDegrees, 1.23456789e-10L, 1.23456789e-6L / 3600},
        {"1E-16 DEG", DmsToDegrees, 1e-16L, 1e-12L / 3600},
        {"-1E-16 DEG", DmsToDegrees, -1e-16L, -1e-12L / 3600},
        {"1E-4000 DEG", DmsToDegrees, 1e-4000L, 1e-3996L / 3600},
        {"1E-20 DMS", DegreesToDms, 1e-20L, 3.6e-21L},
        {"1E-4000 DMS", DegreesToDms, 1e-4000L, 3.6e-4001L},
        {"0.0000123456789012345 DEG", DmsToDegrees, 1.23456789012345e-5L,
         0.123456789012345L / 3600},
        {"0.123456789012345 s DMS", DegreesToDms, 0.123456789012345L / 3600, 1.23456789012345e-5L},
        {"0.000123456789012345 DEG", DmsToDegrees, 1.23456789012345e-4L, 1.23456789012345L / 3600},
        {"1.23456789012345 s DMS", DegreesToDms, 1.23456789012345L / 3600, 1.23456789012345e-4L},
        {"0.00123456789012345 DEG", DmsToDegrees, 1.23456789012345e-3L, 12.3456789012345L / 3600},
        {"12.3456789012345 s DMS", DegreesToDms, 12.3456789012345L / 3600, 1.23456789012345e-3L},
        {"0.0512345678901234 DEG", DmsToDegrees, 0.0512345678901234L,
         (5 * 60 + 12.345678901234L) / 3600},
        {"5 min 12.345678901234 s DMS", DegreesToDms, (5 * 60 + 12.345678901234L) / 3600,
         0.0512345678901234L},
        // ---- 15 significant digits; 11 and 12 integer digits; 1E15 and above ----
        {"12.3456789012345 DEG", DmsToDegrees, 12.3456789012345L, 45296.789012345L / 3600},
        {"12.3456789012345 DMS", DegreesToDms, 45296.789012345L / 3600, 12.3456789012345L},
        {"12345678901.2345 DEG", DmsToDegrees, 12345678901.2345L, 12345678901.0L + 1425.0L / 3600},
        {"12345678901.2345 DMS", DegreesToDms, 12345678901.0L + 1425.0L / 3600, 12345678901.2345L},
        {"123456789012.345 DEG", DmsToDegrees, 123456789012.345L, 123456789012.0L + 2090.0L / 3600},
        {"123456789012.0045 DMS", DegreesToDms, 123456789012.0125L, 123456789012.0045L},
        {"1E15+1/64 DEG", DmsToDegrees, 1e15L + 0.015625L, 1e15L + 1.0L / 60 + 56.25L / 3600},
        {"1E15+1/64 DMS", DegreesToDms, 1e15L + 0.015625L, 1e15L + 0.005625L},
        {"1E15+0.75 DMS", DegreesToDms, 1e15L + 0.75L, 1e15L + 0.45L},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        // Compared as extended values: some lie far below the range of a double.
        const Real got = row.fn(row.in);
        EXPECT_LE(std::fabs(got - row.out), std::fabs(row.out) * 1e-18L)
            << "got " << got << ", expected " << row.out;
    }
    EXPECT_TRUE(std::isnan(DmsToDegrees(std::numeric_limits<Real>::quiet_NaN())));
    EXPECT_TRUE(std::isinf(DegreesToDms(Inf)));
}

TEST(EvaluatorTest, RandomNumbersAreUniformInTheUnitInterval) {
    SeedRandom(7);
    const int count = 200000;
    int buckets[10] = {};
    Real sum = 0;
    for (int i = 0; i < count; ++i) {
        const Real r = RandomReal();
        ASSERT_GE(r, 0);
        ASSERT_LT(r, 1);
        sum += r;
        ++buckets[static_cast<int>(r * 10)];
    }
    EXPECT_NEAR(static_cast<double>(sum / count), 0.5, 0.005);
    for (int b : buckets)
        EXPECT_NEAR(b, count / 10, count / 100);

    SeedRandom(99);
    const Real first = RandomReal();
    const Real second = RandomReal();
    SeedRandom(99);
    EXPECT_EQ(RandomReal(), first);
    EXPECT_EQ(RandomReal(), second);
    EXPECT_NE(first, second);
}

TEST(EvaluatorTest, RndDrawsOneNumberPerEvaluation) {
    SeedRandom(5);
    const Real a = RandomReal();
    const Real b = RandomReal();
    SeedRandom(5);
    EXPECT_EQ(EvaluateText("RND", "X"), a);
    EXPECT_EQ(EvaluateText("RND*2", "X"), 2 * b);
}

} // namespace
