#pragma once
// The whole plot: one coordinate system, the curves in drawing order, the headline and the
// scale switch; and TStack, the zoom history of earlier ranges.
#include "engine/Real.h"
#include "plot/FnPlot.h"
#include "plot/KooSystem.h"
#include "plot/Ticks.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TCanvas;

// One saved view: both axes' From and To in axis units.
class TStackElement {
public:
    TStackElement(Real xFrom, Real xTo, Real yFrom, Real yTo)
        : XFrom(xFrom), XTo(xTo), YFrom(yFrom), YTo(yTo) {}

    Real XFrom;
    Real XTo;
    Real YFrom;
    Real YTo;
    std::unique_ptr<TStackElement> FNext; // the element below
};

// The zoom history: the last pushed view comes back first.
class TStack {
public:
    TStack() = default;
    ~TStack() { Clear(); }
    TStack(const TStack&) = delete;
    TStack& operator=(const TStack&) = delete;

    void Push(std::unique_ptr<TStackElement> element);
    // The top element, unlinked and handed to the caller; empty when the stack is empty.
    std::unique_ptr<TStackElement> Pop();
    // Destroys the elements from the top down, without recursion.
    void Clear();
    bool IsEmpty() const noexcept { return Head == nullptr; }

    std::unique_ptr<TStackElement> Head;
};

class TPlot {
public:
    TPlot();
    ~TPlot();
    TPlot(const TPlot&) = delete;
    TPlot& operator=(const TPlot&) = delete;

    // Scale on, no curves, Current 0, empty headline, both axes reset.
    void Reset();
    void ClearFunctions();

    // Curves. Empty texts change nothing. A compilation error (or a refused parameter range)
    // leaves the operation where it happened and passes on: after a failed New... the plot has
    // no curves and keeps its old titles.
    void NewFunction(const std::string& text);
    void NewParametric(const std::string& xText, const std::string& yText, Real from, Real to,
                       Real step);
    void AddFunction(const std::string& text);
    void AddParametric(const std::string& xText, const std::string& yText, Real from, Real to,
                       Real step);

    // Drawing, in this order for each surface: bind the measuring functions, measure, set the
    // device ranges (plot/PlotLayout.h does these three), then Draw.
    void SetTextHeightFunc(TTextMeasureFunc func);
    void SetTextWidthFunc(TTextMeasureFunc func);
    void MeasureLabels(TCanvas& canvas);
    void MeasureTitles(TCanvas& canvas);
    void MeasureHeadline(TCanvas& canvas);
    // Prepares the axes, draws the scale when ShowScale is set, then every curve in list
    // order with the frame pen. Every exception of the preparation or of a curve passes on.
    void Draw(TCanvas& canvas);
    void PrepareAxes();

    bool AxesValid() const;
    bool AxesPrepared() const;

    Real GetXFrom() const;
    Real GetXTo() const;
    Real GetYFrom() const;
    Real GetYTo() const;
    // Store the range end and empty the attached zoom history.
    void SetXFrom(Real value);
    void SetXTo(Real value);
    void SetYFrom(Real value);
    void SetYTo(Real value);
    void SetXLogarithmic(bool flag);
    void SetYLogarithmic(bool flag);
    bool GetShowScale() const noexcept { return ShowScale; }
    void SetShowScale(bool flag) noexcept { ShowScale = flag; }

    void NextXTickFactor();
    void PrevXTickFactor();
    void NextYTickFactor();
    void PrevYTickFactor();
    void ResetTickFactors();

    // Conversions through the coordinate system, valid once the axes are prepared.
    Real DevToWorldX(int32_t p) const;
    Real DevToWorldY(int32_t p) const;
    int32_t WorldToDevX(Real v) const;
    int32_t WorldToDevY(Real v) const;
    TAxisRange ZoomRangeX(int32_t p1, int32_t p2) const;
    TAxisRange ZoomRangeY(int32_t p1, int32_t p2) const;

    // The point of curve i belonging to the world point (x, y); (x, y, 0) for an index
    // outside the list.
    TFnPoint GetFunctionPoint(int32_t i, Real x, Real y) const;
    // Index of the curve nearest to (x, y), the first of equally near ones; -1 without curves.
    int32_t FindNearestFunction(Real x, Real y) const;

    // The zoom history that the range setters empty; not owned, may be null.
    void SetZoomHistory(TStack* history) noexcept { ZoomHistory = history; }

    bool ShowScale = true;
    TKooSystem KooSystem;
    std::vector<std::unique_ptr<TFnPlot>> Functions;
    int32_t Current = 0;
    TTextMeasureFunc TextHeightFunc;
    TTextMeasureFunc TextWidthFunc;
    int32_t HeadlineSpace = 0;
    std::string Title;

private:
    void ClearZoomHistory();

    TStack* ZoomHistory = nullptr;
};
