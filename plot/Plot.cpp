#include "plot/Plot.h"

#include "plot/Canvas.h"

#include <cmath>
#include <utility>

void TStack::Push(std::unique_ptr<TStackElement> element) {
    if (!element) {
        return;
    }
    element->FNext = std::move(Head);
    Head = std::move(element);
}

std::unique_ptr<TStackElement> TStack::Pop() {
    std::unique_ptr<TStackElement> top = std::move(Head);
    if (top) {
        Head = std::move(top->FNext);
    }
    return top;
}

void TStack::Clear() {
    // Unlink one element at a time so a long history is not destroyed by deep recursion.
    while (Head) {
        Head = std::move(Head->FNext);
    }
}

TPlot::TPlot() {
    Reset();
}

TPlot::~TPlot() {
    ClearFunctions();
}

void TPlot::Reset() {
    ShowScale = true;
    Current = 0;
    ClearFunctions();
    Title.clear();
    HeadlineSpace = 0;
    KooSystem.Reset();
}

void TPlot::ClearFunctions() {
    // First to last, as the curves were built.
    for (auto& function : Functions) {
        function.reset();
    }
    Functions.clear();
}

void TPlot::NewFunction(const std::string& text) {
    if (text.empty()) {
        return;
    }
    ClearFunctions();
    Current = 0;
    Functions.push_back(std::make_unique<TYOverXFnPlot>(TFnSpec(text, "X")));
    Title = text;
    KooSystem.XAxis.Title = "x";
    KooSystem.YAxis.Title = "y";
}

void TPlot::NewParametric(const std::string& xText, const std::string& yText, Real from, Real to,
                          Real step) {
    if (xText.empty() || yText.empty()) {
        return;
    }
    ClearFunctions();
    Current = 0;
    TFnSpec xSpec(xText, "T");
    TFnSpec ySpec(yText, "T");
    TParaSpec paraSpec(from, to, step);
    Functions.push_back(
        std::make_unique<TParametricFnPlot>(std::move(xSpec), std::move(ySpec), paraSpec));
    Title = xText;
    KooSystem.XAxis.Title = "x";
    KooSystem.YAxis.Title = "y";
}

void TPlot::AddFunction(const std::string& text) {
    if (text.empty()) {
        return;
    }
    Functions.push_back(std::make_unique<TYOverXFnPlot>(TFnSpec(text, "X")));
}

void TPlot::AddParametric(const std::string& xText, const std::string& yText, Real from, Real to,
                          Real step) {
    if (xText.empty() || yText.empty()) {
        return;
    }
    TFnSpec xSpec(xText, "T");
    TFnSpec ySpec(yText, "T");
    TParaSpec paraSpec(from, to, step);
    Functions.push_back(
        std::make_unique<TParametricFnPlot>(std::move(xSpec), std::move(ySpec), paraSpec));
}

void TPlot::SetTextHeightFunc(TTextMeasureFunc func) {
    TextHeightFunc = std::move(func);
}

void TPlot::SetTextWidthFunc(TTextMeasureFunc func) {
    TextWidthFunc = std::move(func);
}

void TPlot::MeasureLabels(TCanvas& canvas) {
    ::MeasureLabels(KooSystem, ShowScale, canvas, TextHeightFunc, TextWidthFunc);
}

void TPlot::MeasureTitles(TCanvas& canvas) {
    ::MeasureTitles(KooSystem, ShowScale, canvas, TextHeightFunc);
}

void TPlot::MeasureHeadline(TCanvas& canvas) {
    HeadlineSpace = ::MeasureHeadline(ShowScale, canvas, TextHeightFunc);
}

void TPlot::PrepareAxes() {
    KooSystem.Prepare();
}

void TPlot::Draw(TCanvas& canvas) {
    PrepareAxes();
    if (ShowScale) {
        DrawAxes(canvas, KooSystem);
        DrawTitles(canvas, KooSystem, Title, HeadlineSpace);
    }
    SetFramePen(canvas);
    // Later curves are drawn over earlier ones, all in the same pen.
    for (const auto& function : Functions) {
        function->Draw(canvas, KooSystem);
    }
}

bool TPlot::AxesValid() const {
    return KooSystem.IsValid();
}

bool TPlot::AxesPrepared() const {
    return KooSystem.IsPrepared();
}

Real TPlot::GetXFrom() const {
    return KooSystem.XAxis.From;
}
Real TPlot::GetXTo() const {
    return KooSystem.XAxis.To;
}
Real TPlot::GetYFrom() const {
    return KooSystem.YAxis.From;
}
Real TPlot::GetYTo() const {
    return KooSystem.YAxis.To;
}

void TPlot::SetXFrom(Real value) {
    KooSystem.XAxis.From = value;
    ClearZoomHistory();
}

void TPlot::SetXTo(Real value) {
    KooSystem.XAxis.To = value;
    ClearZoomHistory();
}

void TPlot::SetYFrom(Real value) {
    KooSystem.YAxis.From = value;
    ClearZoomHistory();
}

void TPlot::SetYTo(Real value) {
    KooSystem.YAxis.To = value;
    ClearZoomHistory();
}

void TPlot::SetXLogarithmic(bool flag) {
    KooSystem.XAxis.Logarithmic = flag;
}

void TPlot::SetYLogarithmic(bool flag) {
    KooSystem.YAxis.Logarithmic = flag;
}

void TPlot::NextXTickFactor() {
    NextTickFactor(KooSystem.XAxis);
}
void TPlot::PrevXTickFactor() {
    PrevTickFactor(KooSystem.XAxis);
}
void TPlot::NextYTickFactor() {
    NextTickFactor(KooSystem.YAxis);
}
void TPlot::PrevYTickFactor() {
    PrevTickFactor(KooSystem.YAxis);
}
void TPlot::ResetTickFactors() {
    ::ResetTickFactors(KooSystem);
}

Real TPlot::DevToWorldX(int32_t p) const {
    return KooSystem.DevToWorldX(p);
}
Real TPlot::DevToWorldY(int32_t p) const {
    return KooSystem.DevToWorldY(p);
}
int32_t TPlot::WorldToDevX(Real v) const {
    return KooSystem.WorldToDevX(v);
}
int32_t TPlot::WorldToDevY(Real v) const {
    return KooSystem.WorldToDevY(v);
}
TAxisRange TPlot::ZoomRangeX(int32_t p1, int32_t p2) const {
    return KooSystem.ZoomRangeX(p1, p2);
}
TAxisRange TPlot::ZoomRangeY(int32_t p1, int32_t p2) const {
    return KooSystem.ZoomRangeY(p1, p2);
}

TFnPoint TPlot::GetFunctionPoint(int32_t i, Real x, Real y) const {
    if (i < 0 || static_cast<size_t>(i) >= Functions.size()) {
        return {x, y, 0};
    }
    return Functions[static_cast<size_t>(i)]->GetFunctionPoint(x, y);
}

int32_t TPlot::FindNearestFunction(Real x, Real y) const {
    int32_t bestIndex = -1;
    Real best = -1.0;
    for (size_t i = 0; i < Functions.size(); ++i) {
        const TFnPoint p = Functions[i]->GetFunctionPoint(x, y);
        const Real dx = p.X - x;
        const Real dy = p.Y - y;
        Real d = std::sqrt(dy * dy + dx * dx);
        // A point that is not a number counts as infinitely far, so it never beats a real one.
        if (std::isnan(d)) {
            d = INFINITY;
        }
        if (d < best || best < 0) {
            best = d;
            bestIndex = static_cast<int32_t>(i);
        }
    }
    return bestIndex;
}

void TPlot::ClearZoomHistory() {
    if (ZoomHistory) {
        ZoomHistory->Clear();
    }
}
