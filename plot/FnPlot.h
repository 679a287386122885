#pragma once
// The curves of a plot: y = f(x) sampled once per device column, and parametric curves
// x = f(t), y = g(t) sampled at a fixed parameter step. Each curve keeps its texts compiled
// for its whole life and evaluates the trees at every sample.
#include "engine/Errors.h"
#include "engine/Parser.h"
#include "engine/Real.h"

#include <cstdint>
#include <string>
#include <string_view>

class TCanvas;
class TKooSystem;

// One function text compiled once with a given variable name ("X" or "T").
class TFnSpec {
public:
    // Raises the compiler's EScanError, EParseError or EConvertError; no object is built then.
    TFnSpec(std::string_view text, std::string_view variableName);

    std::string Text;
    TExprTree Tree;
};

// Largest number of parameter values one parametric curve may take, so that one drawing of
// it stays well under a second.
inline constexpr int32_t MaxParametricSamples = 1000000;

// A parameter range that TParaSpec refuses.
class EParaSpecError : public Exception {
public:
    using Exception::Exception;
};

// The parameter range of a parametric curve: t runs From, From + Step, ... (accumulated) up to
// the last value not greater than To; From itself is always drawn.
class TParaSpec {
public:
    // Refuses (EParaSpecError) a range whose values are not finite, a step that is not
    // positive, a step too small to change t, and a range of more than MaxParametricSamples
    // parameter values.
    TParaSpec(Real from, Real to, Real step);

    // How many parameter values a drawing takes (at least 1).
    int32_t SampleCount() const noexcept { return Samples; }

    const Real From;
    const Real To;
    const Real Step;

private:
    int32_t Samples = 1;
};

// A point of a curve in world coordinates; T only for parametric curves.
struct TFnPoint {
    Real X = 0;
    Real Y = 0;
    Real T = 0;
};

inline constexpr int32_t FnKindYOverX = 0;
inline constexpr int32_t FnKindParametric = 1;

// Abstract curve. Kind tells the two kinds apart without a type test.
class TFnPlot {
public:
    explicit TFnPlot(int32_t kind) : Kind(kind) {}
    virtual ~TFnPlot() = default;
    TFnPlot(const TFnPlot&) = delete;
    TFnPlot& operator=(const TFnPlot&) = delete;

    // Draws with the canvas's current pen into the prepared coordinate system. A domain error
    // at one sample is absorbed; every other exception ends the drawing.
    virtual void Draw(TCanvas& canvas, const TKooSystem& koo) const = 0;

    // The point of this curve that belongs to the world point (x, y); absorbs every
    // exception and then answers with fallback values.
    virtual TFnPoint GetFunctionPoint(Real x, Real y) const = 0;

    const int32_t Kind;
};

class TYOverXFnPlot : public TFnPlot {
public:
    explicit TYOverXFnPlot(TFnSpec spec);

    // One sample per device column from XAxis.DevStart up to, not including, XAxis.DevEnd;
    // an empty or reversed device range draws nothing.
    void Draw(TCanvas& canvas, const TKooSystem& koo) const override;
    // (x, f(x)), or (x, 0) when the evaluation fails.
    TFnPoint GetFunctionPoint(Real x, Real y) const override;

    const TFnSpec Spec;
};

class TParametricFnPlot : public TFnPlot {
public:
    TParametricFnPlot(TFnSpec xSpec, TFnSpec ySpec, TParaSpec paraSpec);

    void Draw(TCanvas& canvas, const TKooSystem& koo) const override;
    // The nearest sample along the parameter, one step beyond To included; (x, y, 0) when
    // any evaluation fails.
    TFnPoint GetFunctionPoint(Real x, Real y) const override;

    const TFnSpec XSpec;
    const TFnSpec YSpec;
    const TParaSpec ParaSpec;
};
