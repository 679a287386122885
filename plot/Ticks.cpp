#include "plot/Ticks.h"

#include "engine/Convert.h"
#include "engine/Errors.h"
#include "plot/Canvas.h"

#include <cmath>
#include <limits>

namespace {

// The widest tick label expected; the label bands are measured with it.
constexpr const char* LabelTemplate = "-0.0E-00";

// More ticks than any linear axis can ask for (at most about 100 intervals per decade step
// times the largest factor); guards the loop against ranges that defeat the arithmetic.
constexpr int MaxLinearTicks = 100000;

// A device coordinate computed in 64 bits, refused like any other out-of-range rounding.
int32_t CheckedDevice(int64_t value) {
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        throw EInvalidOp();
    return static_cast<int32_t>(value);
}

} // namespace

void TScaleLineFactMan::Reset() {
    Index = 1;
    Auto = true;
}

int32_t TScaleLineFactMan::Factor() const {
    return FactorTable[static_cast<size_t>(Index - 1)];
}

int32_t TScaleLineFactMan::NextFactor() {
    if (Index < static_cast<int32_t>(FactorTable.size())) ++Index;
    Auto = false;
    return Factor();
}

int32_t TScaleLineFactMan::PrevFactor() {
    if (Index > 1) --Index;
    Auto = false;
    return Factor();
}

void NextTickFactor(TKooAxis& axis) {
    axis.TickFactor = axis.FactorMan->NextFactor();
}

void PrevTickFactor(TKooAxis& axis) {
    axis.TickFactor = axis.FactorMan->PrevFactor();
}

void ResetTickFactors(TKooSystem& koo) {
    for (TKooAxis* axis : {&koo.XAxis, &koo.YAxis}) {
        axis->FactorMan->Reset();
        axis->TickFactor = 1;
    }
}

Real DecadeBelow(Real r) {
    Real e = Log10(r);
    if (e < 0) e = e - 1;
    return Power10(std::trunc(e));
}

Real SnapFrac(Real v) {
    Real f = v - std::trunc(v);
    if (std::fabs(f) > 0.999999L) f = 0;
    return f;
}

void SetLabelFont(TCanvas& canvas) {
    canvas.SetFont(TFontSpec{"Arial", 10, 0, Qt::black});
}

void SetTitleFont(TCanvas& canvas) {
    canvas.SetFont(TFontSpec{"Arial", 10, 0, Qt::black});
}

void SetHeadlineFont(TCanvas& canvas) {
    canvas.SetFont(TFontSpec{"Arial", 12, 0, Qt::black});
}

void SetGridPen(TCanvas& canvas) {
    canvas.SetPenStyle(TPenStyle::psDot);
    canvas.SetPenColor(Qt::black);
    canvas.SetPenMode(TPenMode::pmCopy);
    canvas.SetBrushStyle(TBrushStyle::bsClear);
}

void SetFramePen(TCanvas& canvas) {
    canvas.SetPenStyle(TPenStyle::psSolid);
    canvas.SetPenColor(Qt::black);
    canvas.SetPenMode(TPenMode::pmCopy);
    canvas.SetBrushStyle(TBrushStyle::bsClear);
}

void MeasureLabels(TKooSystem& koo, bool showScale, TCanvas& canvas,
                   const TTextMeasureFunc& textHeight, const TTextMeasureFunc& textWidth) {
    if (!showScale) {
        koo.XAxis.LabelSpace = 0;
        koo.YAxis.LabelSpace = 0;
        return;
    }
    SetLabelFont(canvas);
    koo.XAxis.LabelSpace = RoundToInt32(textHeight(LabelTemplate) * 1.2L);
    koo.YAxis.LabelSpace = textWidth(LabelTemplate);
}

void MeasureTitles(TKooSystem& koo, bool showScale, TCanvas& canvas,
                   const TTextMeasureFunc& textHeight) {
    if (!showScale) {
        koo.XAxis.TitleSpace = 0;
        koo.YAxis.TitleSpace = 0;
        return;
    }
    SetTitleFont(canvas);
    koo.XAxis.TitleSpace = RoundToInt32(textHeight("X") * 1.5L);
    // A line of the turned y title is as wide on the surface as a line of text is high.
    koo.YAxis.TitleSpace = RoundToInt32(textHeight("X") * 1.5L);
}

int32_t MeasureHeadline(bool showScale, TCanvas& canvas, const TTextMeasureFunc& textHeight) {
    if (!showScale) return 0;
    SetHeadlineFont(canvas);
    return textHeight("X");
}

void DrawTicks(TCanvas& canvas, TKooAxis& axis, const TKooAxis& other) {
    if (axis.Logarithmic)
        DrawLogTicks(canvas, axis, other);
    else
        DrawLinearTicks(canvas, axis, other);
}

void DrawLinearTicks(TCanvas& canvas, TKooAxis& axis, const TKooAxis& other) {
    SetLabelFont(canvas);
    // Measure the range in units of the power of ten below it: w is normally 1 to 10.
    const Real decade = DecadeBelow(axis.Range);
    const Real lo = axis.From / decade;
    const Real hi = axis.To / decade;
    const Real w = hi - lo;
    if (axis.FactorMan->Auto)
        while (axis.TickFactor * w < 4.0L && w > 0.9L)
            axis.TickFactor = axis.FactorMan->NextFactor();

    // The first tick as a fraction of a tick interval beyond lo.
    Real f = lo > 0 ? 1 - std::fabs(SnapFrac(axis.TickFactor * lo))
                    : std::fabs(SnapFrac(axis.TickFactor * lo));
    if (std::fabs(f - 1) < 1e-6L) f = 0;
    // Positions as fractions of the axis length, values in world units; both accumulate.
    Real p = f / w / axis.TickFactor;
    const Real dp = 1.0L / w / axis.TickFactor;
    Real v = (p * w + lo) * decade;
    const Real dv = decade / axis.TickFactor;

    SetGridPen(canvas);
    int ticks = 0;
    do {
        const int32_t pos = RoundToInt32(axis.DevStart * 1.0L + axis.DevExtent * p);
        // The tick nearest zero is labelled 0, not with a rounding residue.
        if (std::fabs(v) < dv * 0.5L) v = 0;
        const std::string label = FloatToDotTextF(ffGeneral, 4, 2, v);
        if (axis.Kind == AxisKindX) {
            canvas.MoveTo(pos, other.DevStart);
            canvas.LineTo(pos, other.DevEnd);
            const int64_t left = int64_t{pos} - canvas.TextWidth(label) / 2;
            const int64_t top =
                int64_t{other.OuterEdge} - canvas.TextHeight(label) - axis.TitleSpace;
            canvas.TextOut(CheckedDevice(left), CheckedDevice(top), label);
        } else {
            canvas.MoveTo(other.DevStart, pos);
            canvas.LineTo(other.DevEnd, pos);
            const int64_t left = int64_t{other.OuterEdge} + axis.TitleSpace;
            const int64_t top = int64_t{pos} - canvas.TextHeight(label) / 2;
            canvas.TextOut(CheckedDevice(left), CheckedDevice(top), label);
        }
        p = p + dp;
        v = v + dv;
        // A tick on the far end of the axis within the tolerance is drawn.
    } while (p <= 1.000001L && ++ticks < MaxLinearTicks);
}

void DrawLogTicks(TCanvas& canvas, const TKooAxis& axis, const TKooAxis& other) {
    SetLabelFont(canvas);
    if (axis.DecadeCount <= 0) return;
    SetGridPen(canvas);
    const int32_t firstDecade = TruncToInt32(axis.From);
    int64_t lastPos = axis.OuterEdge;
    int64_t lastSize = 0;
    // The extra last decade only carries the label 1E.. at the upper end of the axis.
    for (int32_t i = 1; i <= axis.DecadeCount + 1; ++i) {
        for (int32_t k = 1; k <= 9; ++k) {
            const int32_t pos = RoundToInt32(axis.DevStart * 1.0L +
                                             (i * 1.0L - 1.0L + Log10(k)) * axis.PixelsPerDecade);
            if (i <= axis.DecadeCount) {
                if (axis.Kind == AxisKindX) {
                    canvas.MoveTo(pos, other.DevStart);
                    canvas.LineTo(pos, other.DevEnd);
                } else {
                    canvas.MoveTo(other.DevStart, pos);
                    canvas.LineTo(other.DevEnd, pos);
                }
            }
            if ((k != 1 && k != 2 && k != 5) || (i > axis.DecadeCount && k != 1)) continue;
            const std::string label =
                std::to_string(k) + "E" + std::to_string(int64_t{firstDecade} + i - 1);
            // A label is written only where it keeps clear of the previous one. On the x axis
            // the distance rule alone lets labels touch ("5E11E2" reads as one number) or run
            // into a wider label before them, so a gap of one digit's width is kept as well.
            if (axis.Kind == AxisKindX) {
                const int64_t lw = canvas.TextWidth(label);
                const int64_t left = pos - lw / 2;
                if (left - lw / 2 > lastPos + lastSize / 2 &&
                    left >= lastPos + lastSize + canvas.TextWidth("0")) {
                    const int64_t top =
                        int64_t{other.OuterEdge} - canvas.TextHeight(label) - axis.TitleSpace;
                    canvas.TextOut(CheckedDevice(left), CheckedDevice(top), label);
                    lastPos = left;
                    lastSize = lw;
                }
            } else {
                const int64_t lh = canvas.TextHeight(label);
                const int64_t top = pos - lh / 2;
                if (lastPos - lastSize / 2 > top + lh / 2) {
                    const int64_t left = int64_t{other.OuterEdge} + axis.TitleSpace;
                    canvas.TextOut(CheckedDevice(left), CheckedDevice(top), label);
                    lastPos = top;
                    lastSize = lh;
                }
            }
        }
    }
}

void DrawAxes(TCanvas& canvas, TKooSystem& koo) {
    DrawTicks(canvas, koo.XAxis, koo.YAxis);
    DrawTicks(canvas, koo.YAxis, koo.XAxis);
    SetFramePen(canvas);
    const TKooAxis& x = koo.XAxis;
    const TKooAxis& y = koo.YAxis;
    canvas.MoveTo(x.DevStart, y.DevStart);
    canvas.LineTo(x.DevEnd, y.DevStart);
    canvas.LineTo(x.DevEnd, y.DevEnd);
    canvas.LineTo(x.DevStart, y.DevEnd);
    canvas.LineTo(x.DevStart, y.DevStart);
}

void DrawTitles(TCanvas& canvas, const TKooSystem& koo, const std::string& headline,
                int32_t headlineSpace) {
    const TKooAxis& x = koo.XAxis;
    const TKooAxis& y = koo.YAxis;
    const int64_t areaWidth = int64_t{x.DevEnd} - x.DevStart;
    const int64_t areaHeight = int64_t{y.DevStart} - y.DevEnd;

    SetTitleFont(canvas);
    canvas.TextOut(CheckedDevice(x.DevStart + (areaWidth - canvas.TextWidth(x.Title)) / 2),
                   CheckedDevice(int64_t{y.OuterEdge} - canvas.TextHeight(x.Title)), x.Title);

    // The y title reads upward along the left edge: turn the font, write, turn it back.
    TFontSpec font = canvas.Font();
    font.Escapement = 900;
    canvas.SetFont(font);
    canvas.TextOut(x.OuterEdge,
                   CheckedDevice(y.DevStart - (areaHeight - canvas.TextWidth(y.Title)) / 2),
                   y.Title);
    font = canvas.Font();
    font.Escapement = 0;
    canvas.SetFont(font);

    // The headline band was measured in the larger headline font; the text uses the title font.
    SetTitleFont(canvas);
    canvas.TextOut(CheckedDevice(x.DevStart + (areaWidth - canvas.TextWidth(headline)) / 2),
                   CheckedDevice(int64_t{y.DevEnd} - headlineSpace - x.LabelSpace / 2), headline);
}
