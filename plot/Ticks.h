#pragma once
// The scale of a plot: a dotted grid line at every tick of both axes, the tick labels beside
// the plot area, the frame round it, the two axis titles and the headline, and the measuring
// of the room they need.
//
// For TPlot: its measuring, drawing and tick-factor operations forward to the free functions
// here, passing its coordinate system, its ShowScale flag, its headline and its bound
// text-measuring functions:
//   MeasureLabels/MeasureTitles/MeasureHeadline(canvas) -> the functions of the same name
//   DrawAxes(canvas), DrawTitles(canvas)                  -> DrawAxes, DrawTitles
//   Next/PrevXTickFactor, Next/PrevYTickFactor            -> NextTickFactor/PrevTickFactor(axis)
//   ResetTickFactors                                      -> ResetTickFactors(koo)
// Measuring uses the bound functions (the canvas only receives the font); drawing measures the
// labels it writes with the canvas it draws on. Nothing here checks ShowScale except the
// measuring; TPlot::Draw calls DrawAxes and DrawTitles only while it is set.
#include "engine/Real.h"
#include "plot/KooSystem.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

class TCanvas;

// A text-measuring function bound to the surface the plot is laid out for.
using TTextMeasureFunc = std::function<int32_t(const std::string&)>;

// Tick intervals per power-of-ten step on a linear axis.
inline constexpr std::array<int32_t, 6> FactorTable = {1, 2, 5, 10, 20, 50};

// One per axis: where the axis stands in FactorTable, and whether the next drawing may still
// raise the factor by itself.
class TScaleLineFactMan {
public:
    TScaleLineFactMan() { Reset(); }

    void Reset();
    int32_t Factor() const;
    // One step up or down the table, stopping at its ends; either clears Auto.
    int32_t NextFactor();
    int32_t PrevFactor();

    int32_t Index = 1; // 1 to 6
    bool Auto = true;
};

// The axis's TickFactor := its FactorMan's NextFactor / PrevFactor.
void NextTickFactor(TKooAxis& axis);
void PrevTickFactor(TKooAxis& axis);
// Resets both factor managers and both TickFactors to 1.
void ResetTickFactors(TKooSystem& koo);

// The power of ten at or below r (r > 0); a common logarithm that comes out as a negative whole
// number yields the next lower power.
Real DecadeBelow(Real r);
// The signed fractional part of v, with a magnitude above 0.999999 taken as 0.
Real SnapFrac(Real v);

// Fonts and pens of the scale, set on the canvas right before each use.
void SetLabelFont(TCanvas& canvas);
void SetTitleFont(TCanvas& canvas);
void SetHeadlineFont(TCanvas& canvas);
void SetGridPen(TCanvas& canvas);  // dotted black, copy mode, clear brush
void SetFramePen(TCanvas& canvas); // solid black, copy mode, clear brush; also the curves' pen

// Fill the axes' LabelSpace and TitleSpace; all become 0 while showScale is clear.
void MeasureLabels(TKooSystem& koo, bool showScale, TCanvas& canvas,
                   const TTextMeasureFunc& textHeight, const TTextMeasureFunc& textWidth);
void MeasureTitles(TKooSystem& koo, bool showScale, TCanvas& canvas,
                   const TTextMeasureFunc& textHeight);
// Returns the headline space (0 while showScale is clear).
int32_t MeasureHeadline(bool showScale, TCanvas& canvas, const TTextMeasureFunc& textHeight);

// Grid lines and labels of one axis against the other axis; may raise the axis's TickFactor
// once after a reset of its FactorMan (linear axes).
void DrawTicks(TCanvas& canvas, TKooAxis& axis, const TKooAxis& other);
void DrawLinearTicks(TCanvas& canvas, TKooAxis& axis, const TKooAxis& other);
void DrawLogTicks(TCanvas& canvas, const TKooAxis& axis, const TKooAxis& other);
// Ticks of the x axis, of the y axis, then the frame. The axes must be prepared.
void DrawAxes(TCanvas& canvas, TKooSystem& koo);
// The x title centred under the plot area, the y title reading upward at the left edge, the
// headline centred over the area.
void DrawTitles(TCanvas& canvas, const TKooSystem& koo, const std::string& headline,
                int32_t headlineSpace);
