#include "plot/FnPlot.h"

#include "engine/Convert.h"
#include "engine/Evaluator.h"
#include "engine/Globals.h"
#include "plot/Canvas.h"
#include "plot/KooSystem.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <utility>

namespace {

// A sample's device coordinate on one axis, and whether it was pulled onto the area's edge.
struct TDevSample {
    int32_t Pos = 0;
    bool Clipped = false;
};

// Maps a sample value onto an axis and clips it to the plot area. Unlike WorldToDev, a linear
// axis rounds before clipping, and a logarithmic axis clips before rounding. A device value
// beyond the 32-bit range (an infinite one too) is saturated first, so it is clipped like any
// other sample outside the area instead of ending the drawing; only a value that is not a
// number still makes the rounding raise EInvalidOp.
TDevSample MapSample(const TKooAxis& axis, Real v) {
    // The x axis's DevStart is its smaller end; the y axis runs downward, so its DevStart (the
    // bottom) is the larger device value.
    const int32_t low = axis.Kind == AxisKindX ? axis.DevStart : axis.DevEnd;
    const int32_t high = axis.Kind == AxisKindX ? axis.DevEnd : axis.DevStart;
    if (!axis.Logarithmic) {
        const Real exact = axis.Kind == AxisKindX ? (v - axis.From) / axis.Scale + axis.DevStart
                                                  : (v - axis.From) * axis.Scale + axis.DevStart;
        const Real lowest = std::numeric_limits<int32_t>::min();
        const Real highest = std::numeric_limits<int32_t>::max();
        const int32_t d =
            RoundToInt32(exact < lowest ? lowest : (exact > highest ? highest : exact));
        if (d < low) {
            return {low, true};
        }
        if (d > high) {
            return {high, true};
        }
        return {d, false};
    }
    const Real d = v > 0 ? (Log10(v) - axis.From) * axis.PixelsPerDecade + axis.DevStart
                         : static_cast<Real>(axis.DevStart);
    if (d < low) {
        return {low, true};
    }
    if (d > high) {
        return {high, true};
    }
    return {RoundToInt32(d), false};
}

// A clipped sample that jumps more than half the axis's device length away from the previous
// one has crossed the area (a pole, say): the pen is lifted instead of drawing across.
bool JumpsAcross(const TKooAxis& axis, const TDevSample& sample, int32_t last) {
    if (!sample.Clipped) {
        return false;
    }
    const int64_t half = std::llabs(int64_t{axis.DevEnd} - axis.DevStart) / 2;
    return std::llabs(int64_t{sample.Pos} - last) > half;
}

Real Distance(Real x1, Real y1, Real x2, Real y2) {
    const Real dx = x1 - x2;
    const Real dy = y1 - y2;
    return std::sqrt(dy * dy + dx * dx);
}

// A distance that is not a number never wins a search.
bool Nearer(Real d, Real best) {
    return d < best || (std::isnan(best) && !std::isnan(d));
}

} // namespace

TFnSpec::TFnSpec(std::string_view text, std::string_view variableName)
    : Text(text), Tree(CompileExpression(Text, variableName)) {}

TParaSpec::TParaSpec(Real from, Real to, Real step) : From(from), To(to), Step(step) {
    if (!std::isfinite(from) || !std::isfinite(to) || !std::isfinite(step)) {
        throw EParaSpecError("Parameter range and step must be finite numbers");
    }
    if (!(step > 0)) {
        throw EParaSpecError("Parameter step must be greater than 0");
    }
    const std::string tooMany =
        "Parameter range needs more than " + std::to_string(MaxParametricSamples) + " steps";
    if ((to - from) / step > 2.0L * MaxParametricSamples) {
        throw EParaSpecError(tooMany);
    }
    // Walk the parameter exactly as a drawing accumulates it, so the count is the drawing's.
    Real t = from;
    int32_t count = 1;
    for (;;) {
        const Real next = t + step;
        if (next == t) {
            throw EParaSpecError("Parameter step too small for the parameter range");
        }
        t = next;
        if (t > to) {
            break;
        }
        if (++count > MaxParametricSamples) {
            throw EParaSpecError(tooMany);
        }
    }
    Samples = count;
}

TYOverXFnPlot::TYOverXFnPlot(TFnSpec spec) : TFnPlot(FnKindYOverX), Spec(std::move(spec)) {}

void TYOverXFnPlot::Draw(TCanvas& canvas, const TKooSystem& koo) const {
    const TKooAxis& xAxis = koo.XAxis;
    const TKooAxis& yAxis = koo.YAxis;
    bool penDown = false;
    int32_t pyLast = 0;
    // An empty or reversed device range has no columns to sample.
    for (int32_t px = xAxis.DevStart; px < xAxis.DevEnd; ++px) {
        VariableValue = koo.DevToWorldX(px);
        Real y;
        try {
            y = EvaluateTree(Spec.Tree);
        } catch (const EEvalError&) {
            // A domain error at this column: the sample lands on the y axis's lower end.
            y = yAxis.From;
        }
        const TDevSample py = MapSample(yAxis, y);
        if (!penDown) {
            pyLast = py.Pos;
        }
        if (JumpsAcross(yAxis, py, pyLast)) {
            penDown = false;
        }
        if (penDown) {
            canvas.LineTo(px, py.Pos);
        } else {
            canvas.MoveTo(px, py.Pos);
            penDown = true;
        }
        pyLast = py.Pos;
    }
}

TFnPoint TYOverXFnPlot::GetFunctionPoint(Real x, Real /*y*/) const {
    try {
        VariableValue = x;
        return {x, EvaluateTree(Spec.Tree), 0};
    } catch (...) {
        return {x, 0, 0};
    }
}

TParametricFnPlot::TParametricFnPlot(TFnSpec xSpec, TFnSpec ySpec, TParaSpec paraSpec)
    : TFnPlot(FnKindParametric), XSpec(std::move(xSpec)), YSpec(std::move(ySpec)),
      ParaSpec(paraSpec) {}

void TParametricFnPlot::Draw(TCanvas& canvas, const TKooSystem& koo) const {
    const TKooAxis& xAxis = koo.XAxis;
    const TKooAxis& yAxis = koo.YAxis;
    bool penDown = false;
    int32_t pxLast = 0;
    int32_t pyLast = 0;
    Real t = ParaSpec.From;
    // TParaSpec has counted the samples; the count also bounds the loop.
    for (int32_t n = 0; n < ParaSpec.SampleCount(); ++n) {
        Real x;
        Real y;
        try {
            VariableValue = t;
            x = EvaluateTree(XSpec.Tree);
            y = EvaluateTree(YSpec.Tree);
        } catch (const EEvalError&) {
            x = xAxis.From;
            y = yAxis.From;
        }
        const TDevSample px = MapSample(xAxis, x);
        const TDevSample py = MapSample(yAxis, y);
        if (!penDown) {
            pxLast = px.Pos;
            pyLast = py.Pos;
        }
        if (JumpsAcross(xAxis, px, pxLast) || JumpsAcross(yAxis, py, pyLast)) {
            penDown = false;
        }
        if (penDown) {
            canvas.LineTo(px.Pos, py.Pos);
        } else {
            canvas.MoveTo(px.Pos, py.Pos);
            penDown = true;
        }
        pxLast = px.Pos;
        pyLast = py.Pos;
        t += ParaSpec.Step;
    }
}

TFnPoint TParametricFnPlot::GetFunctionPoint(Real x, Real y) const {
    try {
        Real t = ParaSpec.From;
        VariableValue = t;
        Real fx = EvaluateTree(XSpec.Tree);
        Real fy = EvaluateTree(YSpec.Tree);
        Real best = Distance(x, y, fx, fy);
        Real bestT = t;
        // The drawn samples and one more: the first t beyond To takes part too.
        for (int32_t n = 0; n < ParaSpec.SampleCount(); ++n) {
            t += ParaSpec.Step;
            VariableValue = t;
            fx = EvaluateTree(XSpec.Tree);
            fy = EvaluateTree(YSpec.Tree);
            const Real d = Distance(x, y, fx, fy);
            if (Nearer(d, best)) {
                best = d;
                bestT = t;
            }
        }
        VariableValue = bestT;
        fx = EvaluateTree(XSpec.Tree);
        fy = EvaluateTree(YSpec.Tree);
        return {fx, fy, bestT};
    } catch (...) {
        return {x, y, 0};
    }
}
