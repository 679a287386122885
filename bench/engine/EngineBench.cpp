// Nanoseconds per evaluation of six plot-like expressions over 1,000,000 sample points from
// -10 to 10, the variable set before each evaluation:
//   eval/quoril/En   our compiled form (EvaluateTree), 80-bit
//   eval/native/En   the same formula written in C++ with long double and the C library
//   eval/muparser/En muparser, 64-bit double
// The counter "per_eval" is the time of one evaluation.
#include "engine/Evaluator.h"
#include "engine/Globals.h"
#include "engine/Parser.h"

#include <benchmark/benchmark.h>
#include <muParser.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int SampleCount = 1000000;

// E6: a polynomial of degree 39 in Horner form, coefficient k for the power k.
constexpr int HornerTerms = 40;
constexpr long double Coefficients[HornerTerms] = {
    1.5L,    -0.25L,  0.75L,  2,       -1.125L, 0.5L,    -3,      0.0625L, 1.25L,  -0.5L,
    0.375L,  2.5L,    -0.75L, 1,       0.125L,  -1.5L,   0.25L,   3,       -2,     0.875L,
    -0.375L, 1.75L,   0.5L,   -0.625L, 2.25L,   -1,      0.1875L, 1.125L,  -0.25L, 0.75L,
    -1.75L,  0.3125L, 2,      -0.5L,   1.5L,    -0.125L, 0.625L,  -2.5L,   1,      0.25L};

std::string HornerText(const char* variable) {
    std::string text = "(";
    for (int k = HornerTerms - 1; k > 0; --k)
        text += "(";
    char number[32];
    std::snprintf(number, sizeof number, "%.6Lg", Coefficients[HornerTerms - 1]);
    text += number;
    for (int k = HornerTerms - 2; k >= 0; --k) {
        std::snprintf(number, sizeof number, "%.6Lg", Coefficients[k]);
        text += std::string(")*") + variable + (Coefficients[k] < 0 ? "-" : "+") +
                (number[0] == '-' ? number + 1 : number);
    }
    return text + ")";
}

struct TExpression {
    const char* name;
    std::string quoril;   // our syntax, variable X
    std::string muparser; // muparser's syntax, variable X
    long double (*native)(long double);
    void (*runNative)(benchmark::State&);
};

template <long double (*fn)(long double)> void RunNative(benchmark::State& state);

long double NativeE1(long double x) {
    return x * x + 2 * x + 1;
}
// X^2 is the square x·x in our language (bit for bit), so native squares too.
long double NativeE2(long double x) {
    return sinl(x) * (x * x);
}
long double NativeE3(long double x) {
    return sqrtl(fabsl(x)) + expl(-x * x / 4) * cosl(3 * x);
}
long double NativeE4(long double x) {
    return ((x + 1) * (x - 1) * (x + 2) * (x - 2)) / (x * x + 1);
}
long double NativeE5(long double x) {
    long double m = sinl(x);
    const long double c = cosl(x);
    if (c > m) m = c;
    return 0.5L > m ? 0.5L : m;
}
long double NativeE6(long double x) {
    long double acc = Coefficients[HornerTerms - 1];
    for (int k = HornerTerms - 2; k >= 0; --k)
        acc = acc * x + Coefficients[k];
    return acc;
}

std::vector<TExpression> Expressions() {
    return {
        {"E1", "X*X+2*X+1", "X*X+2*X+1", NativeE1, RunNative<NativeE1>},
        {"E2", "SIN(X)*X^2", "sin(X)*X^2", NativeE2, RunNative<NativeE2>},
        {"E3", "SQRT(ABS(X))+EXP(-X*X/4)*COS(3*X)", "sqrt(abs(X))+exp(-X*X/4)*cos(3*X)", NativeE3,
         RunNative<NativeE3>},
        {"E4", "((X+1)*(X-1)*(X+2)*(X-2))/(X*X+1)", "((X+1)*(X-1)*(X+2)*(X-2))/(X*X+1)", NativeE4,
         RunNative<NativeE4>},
        {"E5", "MAX(SIN(X),COS(X),0.5)", "max(sin(X),cos(X),0.5)", NativeE5, RunNative<NativeE5>},
        {"E6", HornerText("X"), HornerText("X"), NativeE6, RunNative<NativeE6>},
    };
}

const std::vector<long double>& Samples() {
    static const std::vector<long double> samples = [] {
        std::vector<long double> v(SampleCount);
        for (int i = 0; i < SampleCount; ++i)
            v[i] = -10 + 20.0L * i / (SampleCount - 1);
        return v;
    }();
    return samples;
}

void SetPerEval(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * SampleCount);
    state.counters["per_eval"] = benchmark::Counter(
        SampleCount, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void RunQuoril(benchmark::State& state, const std::string& text) {
    TExprTree tree = CompileExpression(text, "X");
    AngleUnit = AngleRadians;
    const auto& samples = Samples();
    for (auto _ : state) {
        long double sum = 0;
        for (long double x : samples) {
            VariableValue = x;
            sum += EvaluateTree(tree);
        }
        benchmark::DoNotOptimize(sum);
    }
    SetPerEval(state);
}

// The formula is a template argument, so the compiler inlines it into the loop.
template <long double (*fn)(long double)> void RunNative(benchmark::State& state) {
    const auto& samples = Samples();
    for (auto _ : state) {
        long double sum = 0;
        for (long double x : samples)
            sum += fn(x);
        benchmark::DoNotOptimize(sum);
    }
    SetPerEval(state);
}

void RunMuparser(benchmark::State& state, const std::string& text) {
    mu::Parser parser;
    double x = 0;
    parser.DefineVar("X", &x);
    parser.SetExpr(text);
    std::vector<double> samples(Samples().begin(), Samples().end());
    for (auto _ : state) {
        double sum = 0;
        for (double value : samples) {
            x = value;
            sum += parser.Eval();
        }
        benchmark::DoNotOptimize(sum);
    }
    SetPerEval(state);
}

// Every implementation must compute the same function; a benchmark of a wrong formula would
// measure nothing useful.
bool CheckAgreement() {
    bool ok = true;
    for (const TExpression& e : Expressions()) {
        TExprTree tree = CompileExpression(e.quoril, "X");
        mu::Parser parser;
        double x = 0;
        parser.DefineVar("X", &x);
        parser.SetExpr(e.muparser);
        for (long double v : {-9.5L, -1.25L, 0.3L, 2.0L, 7.75L}) {
            VariableValue = v;
            x = static_cast<double>(v);
            const long double ours = EvaluateTree(tree);
            const long double native = e.native(v);
            const double theirs = parser.Eval();
            const long double scale = fabsl(native) + 1;
            if (fabsl(ours - native) > 1e-15L * scale || fabsl(theirs - native) > 1e-9L * scale) {
                std::fprintf(stderr,
                             "%s disagrees at %Lg: quoril %.18Lg native %.18Lg muparser %.12g\n",
                             e.name, v, ours, native, theirs);
                ok = false;
            }
        }
    }
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    StartEngine();
    if (!CheckAgreement()) return 1;
    for (const TExpression& e : Expressions()) {
        const std::string name = e.name;
        benchmark::RegisterBenchmark(("eval/quoril/" + name).c_str(), RunQuoril, e.quoril)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("eval/native/" + name).c_str(), e.runNative)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("eval/muparser/" + name).c_str(), RunMuparser, e.muparser)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
