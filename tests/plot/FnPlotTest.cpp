// The curves: sampling, mapping with clipping, pen lifts, absorbed and fatal errors, the
// parameter range guard, the point of a curve and the nearest curve.
#include "plot/FnPlot.h"
#include "engine/Errors.h"
#include "engine/Globals.h"
#include "plot/KooSystem.h"
#include "plot/Plot.h"
#include "tests/plot/CurveTestSupport.h"
#include "tests/plot/RecordingCanvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

// Four columns x = 0, 1, 2, 3 (one world unit per pixel); a linear y axis from -10 at device
// 200 to 10 at device 0 (device y = 100 - 10 y); a logarithmic one from 10^0 at 200 to 10^2 at 0.
const TAxisSetup SmallX{0, 4, 0, 4};
const TAxisSetup LinearY{-10, 10, 200, 0};
const TAxisSetup LogY{0, 2, 200, 0, true};

// Decades 0 to 2 on four columns: x = 10^(column / 2).
const TAxisSetup LogX{0, 2, 0, 4, true};
// y from 0 at device 200 to 100 at device 0: device y = 200 - 2 y.
const TAxisSetup PercentY{0, 100, 200, 0};

struct TCurveRow {
    const char* Name;
    const char* Text;
    TAxisSetup Y;
    const char* Path;
    TAxisSetup X = SmallX;
};

// One sample per column, mapped, rounded halves to even, clipped to the edges, broken where a
// clipped sample jumps more than half the area.
const TCurveRow YOverXRows[] = {
    {"LinearValues", "X*X*X", LinearY, "M0,100 L1,90 L2,20 L3,0"},
    {"ClippedAtTopStaysOnEdge", "X*5", LinearY, "M0,100 L1,50 L2,0 L3,0"},
    {"HalvesRoundToEven", "0.25+X/2", LinearY, "M0,98 L1,92 L2,88 L3,82"},
    {"DomainErrorLandsOnYFrom", "1/(X-1)", LinearY, "M0,110 L1,200 L2,90 L3,95"},
    {"PoleLiftsPen", "20/(X-1)", LinearY, "M0,200 L1,200 M2,0 L3,0"},
    {"UnclippedJumpNeverLifts", "SGN(X-1.5)*9", LinearY, "M0,190 L1,190 L2,10 L3,10"},
    {"ClippedJumpAcrossLifts", "SGN(X-1.5)*20", LinearY, "M0,200 L1,200 M2,0 L3,0"},
    {"ClippedJumpOfExactlyHalfJoins", "X*15", LinearY, "M0,100 L1,0 L2,0 L3,0"},
    {"ClippedJumpBeyondHalfLifts", "X*20-1", LinearY, "M0,110 M1,0 L2,0 L3,0"},
    {"LogValues", "10^X", LogY, "M0,200 L1,100 L2,0 L3,0"},
    {"LogNonPositiveAtBottomUnclipped", "X-1", LogY, "M0,200 L1,200 L2,200 L3,170"},
    {"LogDomainErrorAtBottom", "LN(X)", LogY, "M0,200 L1,200 L2,200 L3,196"},
    {"LogHugeValuesClipWithoutRaising", "10^(X*1000)", LogY, "M0,200 M1,0 L2,0 L3,0"},
    {"LogXSamplesDecades", "X", PercentY, "M0,198 L1,194 L2,180 L3,137", LogX},
    {"LogBothAxes", "X*X", LogY, "M0,200 L1,100 L2,0 L3,0", LogX},
    // ---- device values beyond the 32-bit range are clipped, not fatal ----
    {"BeyondInt32ClipsAtTop", "X*1E10", LinearY, "M0,100 L1,0 L2,0 L3,0"},
    {"BeyondInt32ClipsAtBottom", "-X*1E10", LinearY, "M0,100 L1,200 L2,200 L3,200"},
    {"InfiniteValueClips", "EXP(X*1E6)", LinearY, "M0,90 L1,0 L2,0 L3,0"},
    {"BeyondInt32JumpAcrossLifts", "SGN(X-1.5)*1E30", LinearY, "M0,200 L1,200 M2,0 L3,0"},
    {"BeyondInt32OnLogX", "X*1E10", PercentY, "M0,0 L1,0 L2,0 L3,0", LogX},
};

TEST(FnPlotYOverX, SamplesMapsClipsAndLiftsThePen) {
    for (const TCurveRow& row : YOverXRows) {
        SCOPED_TRACE(row.Name);
        TKooSystem koo;
        PrepareKoo(koo, row.X, row.Y);
        TYOverXFnPlot curve(TFnSpec(row.Text, "X"));
        TRecordingCanvas canvas;
        curve.Draw(canvas, koo);
        EXPECT_EQ(PenPath(canvas), row.Path);
        // A curve draws with the pen it is given and changes nothing else.
        EXPECT_EQ(canvas.Records.size(),
                  canvas.Only("MoveTo").size() + canvas.Only("LineTo").size());
    }
}

struct TColumnRow {
    const char* Name;
    int32_t DevStart;
    int32_t DevEnd;
    int32_t Samples;
};

// One sample per device column from DevStart up to, not including, DevEnd; an empty or
// reversed device range (as on a surface smaller than the label bands) draws nothing.
const TColumnRow ColumnRows[] = {
    {"HundredColumns", 10, 110, 100},
    {"OneColumn", 5, 6, 1},
    {"EmptyRange", 50, 50, 0},
    {"ReversedRange", 110, 10, 0},
};

TEST(FnPlotYOverX, SamplesEveryColumnOnce) {
    for (const TColumnRow& row : ColumnRows) {
        SCOPED_TRACE(row.Name);
        TKooSystem koo;
        PrepareKoo(koo, {0, 1, 0, 100}, LinearY);
        // Prepare refuses empty device ranges, so set the columns after it.
        koo.XAxis.DevStart = row.DevStart;
        koo.XAxis.DevEnd = row.DevEnd;
        TYOverXFnPlot curve(TFnSpec("X", "X"));
        TRecordingCanvas canvas;
        curve.Draw(canvas, koo);
        const auto moves = canvas.Only("MoveTo");
        const auto lines = canvas.Only("LineTo");
        ASSERT_EQ(moves.size() + lines.size(), static_cast<size_t>(row.Samples));
        if (row.Samples > 0) {
            EXPECT_EQ(moves.front().X, row.DevStart);
            int32_t column = row.DevStart;
            for (const TCanvasRecord& line : lines) {
                EXPECT_EQ(line.X, ++column);
            }
            EXPECT_EQ(column, row.DevEnd - 1);
        }
    }
}

struct TFatalRow {
    const char* Name;
    const char* Text;
    const char* PathBeforeFailure;
};

// Anything but a domain error ends the drawing at that sample: here a value that is not a
// number, which the rounding refuses.
const TFatalRow FatalRows[] = {
    {"NotANumber", "EXP(X*1E6)-EXP(X*1E6)", "M0,100"},
};

TEST(FnPlotYOverX, OtherErrorsEndTheDrawing) {
    for (const TFatalRow& row : FatalRows) {
        SCOPED_TRACE(row.Name);
        TKooSystem koo;
        PrepareKoo(koo, SmallX, LinearY);
        TYOverXFnPlot curve(TFnSpec(row.Text, "X"));
        TRecordingCanvas canvas;
        EXPECT_THROW(curve.Draw(canvas, koo), EInvalidOp);
        EXPECT_EQ(PenPath(canvas), row.PathBeforeFailure);
    }
}

struct TParaRow {
    const char* Name;
    const char* XText;
    const char* YText;
    Real From;
    Real To;
    Real Step;
    const char* Path;
};

// x device = round(x) on SmallX; y device = 100 - 10 y.
const TParaRow ParametricRows[] = {
    {"QuarterSteps", "T*4", "0", 0, 1, 0.25L, "M0,100 L1,100 L2,100 L3,100 L4,100"},
    {"LastValueBelowTo", "T*4", "T", 0, 1, 0.3L, "M0,100 L1,97 L2,94 L4,91"},
    {"FromAboveToStillDrawn", "T", "T", 1, 0, 1, "M1,90"},
    {"DomainErrorLandsOnBothFroms", "1/T", "T", 0, 1, 1, "M0,200 L1,90"},
    {"ClippedXJumpLifts", "T*10-5", "0", 0, 1, 1, "M0,100 M4,100"},
    {"ClippedYJumpLifts", "T", "T*30-15", 0, 1, 1, "M0,200 M1,0"},
    {"ClippedWithinHalfJoins", "T*2", "T*15", 0, 1, 1, "M0,100 L2,0"},
    // ---- device values beyond the 32-bit range are clipped, not fatal ----
    {"YBeyondInt32Clips", "T", "T*1E30", 0, 2, 1, "M0,100 L1,0 L2,0"},
    {"XBeyondInt32Clips", "T*1E30", "T", 0, 2, 1, "M0,100 M4,90 L4,80"},
};

TEST(FnPlotParametric, SamplesTheParameterRange) {
    for (const TParaRow& row : ParametricRows) {
        SCOPED_TRACE(row.Name);
        TKooSystem koo;
        PrepareKoo(koo, SmallX, LinearY);
        TParametricFnPlot curve(TFnSpec(row.XText, "T"), TFnSpec(row.YText, "T"),
                                TParaSpec(row.From, row.To, row.Step));
        TRecordingCanvas canvas;
        curve.Draw(canvas, koo);
        EXPECT_EQ(PenPath(canvas), row.Path);
    }
}

struct TParaSpecRow {
    const char* Name;
    Real From;
    Real To;
    Real Step;
    int32_t Samples;     // 0: refused
    const char* Message; // the refusal's message
};

const TParaSpecRow ParaSpecRows[] = {
    {"FiveQuarters", 0, 1, 0.25L, 5, ""},
    {"FromAboveTo", 3, 1, 1, 1, ""},
    {"LargestAccepted", 0, MaxParametricSamples - 1, 1, MaxParametricSamples, ""},
    {"OneTooMany", 0, MaxParametricSamples, 1, 0, "Parameter range needs more than 1000000 steps"},
    {"FarTooMany", 0, 1, 1E-30L, 0, "Parameter range needs more than 1000000 steps"},
    {"ZeroStep", 0, 1, 0, 0, "Parameter step must be greater than 0"},
    {"NegativeStep", 0, 1, -0.5L, 0, "Parameter step must be greater than 0"},
    {"NegativeStepFromAboveTo", 1, 0, -0.5L, 0, "Parameter step must be greater than 0"},
    {"StepLostInFrom", 1E30L, 1E30L, 1, 0, "Parameter step too small for the parameter range"},
    {"NaNStep", 0, 1, NAN, 0, "Parameter range and step must be finite numbers"},
    {"InfiniteTo", 0, INFINITY, 1, 0, "Parameter range and step must be finite numbers"},
    {"NaNFrom", NAN, 1, 1, 0, "Parameter range and step must be finite numbers"},
};

TEST(FnPlotParametric, ParameterRangeIsCountedOrRefused) {
    for (const TParaSpecRow& row : ParaSpecRows) {
        SCOPED_TRACE(row.Name);
        if (row.Samples > 0) {
            const TParaSpec spec(row.From, row.To, row.Step);
            EXPECT_EQ(spec.SampleCount(), row.Samples);
            continue;
        }
        try {
            TParaSpec spec(row.From, row.To, row.Step);
            ADD_FAILURE() << "accepted with " << spec.SampleCount() << " samples";
        } catch (const EParaSpecError& e) {
            EXPECT_STREQ(e.what(), row.Message);
        }
    }
}

// Counts the pen's moves and lines without drawing them.
class TCountingCanvas : public TCanvas {
public:
    void MoveTo(int32_t, int32_t) override { ++Moves; }
    void LineTo(int32_t, int32_t) override { ++Lines; }
    int64_t Moves = 0;
    int64_t Lines = 0;
};

TEST(FnPlotParametric, LargestRangeDrawsEverySample) {
    TKooSystem koo;
    PrepareKoo(koo, SmallX, LinearY);
    TParametricFnPlot curve(TFnSpec("T", "T"), TFnSpec("0", "T"),
                            TParaSpec(0, MaxParametricSamples - 1, 1));
    TCountingCanvas canvas;
    curve.Draw(canvas, koo);
    EXPECT_EQ(canvas.Moves, 1);
    EXPECT_EQ(canvas.Lines, MaxParametricSamples - 1);
}

struct TPointRow {
    const char* Name;
    const char* XText; // y = f(x) when YText is empty
    const char* YText;
    Real X;
    Real Y;
    TFnPoint Expected;
    int32_t Index = 0; // the curve asked for
};

const TPointRow PointRows[] = {
    {"YOverX", "X^2", "", 3, 100, {3, 9, 0}},
    {"YOverXFailureGivesZero", "1/X", "", 0, 5, {0, 0, 0}},
    {"ParametricNearest", "T", "T", 0.3L, 0.3L, {0.25L, 0.25L, 0.25L}},
    {"ParametricOneStepBeyondTo", "T", "T", 2, 2, {1.25L, 1.25L, 1.25L}},
    {"ParametricTieTakesEarliestT", "T", "0", 0.125L, 5, {0, 0, 0}},
    {"ParametricFailureGivesThePoint", "1/T", "T", 7, 8, {7, 8, 0}},
    // ---- a first sample that is not a number, and indices outside the list ----
    {"ParametricFirstSampleNaN", "T+0*EXP(1E5-T*1E6)", "T", 0.3L, 0.3L, {0.25L, 0.25L, 0.25L}},
    {"ParametricOnlyLastSampleReal", "T+0*EXP(1E6-T*9E5)", "T", -5, -5, {1.25L, 1.25L, 1.25L}},
    {"IndexEqualToTheCountGivesThePoint", "X^2", "", 3, 100, {3, 100, 0}, 1},
    {"NegativeIndexGivesThePoint", "X^2", "", 3, 100, {3, 100, 0}, -1},
};

TEST(FnPlotPoint, GetFunctionPoint) {
    for (const TPointRow& row : PointRows) {
        SCOPED_TRACE(row.Name);
        TPlot plot;
        if (*row.YText == 0) {
            plot.NewFunction(row.XText);
        } else {
            plot.NewParametric(row.XText, row.YText, 0, 1, 0.25L);
        }
        const TFnPoint p = plot.GetFunctionPoint(row.Index, row.X, row.Y);
        EXPECT_EQ(p.X, row.Expected.X);
        EXPECT_EQ(p.Y, row.Expected.Y);
        EXPECT_EQ(p.T, row.Expected.T);
        if (*row.YText != 0 && row.Expected.T != 0) {
            // The search leaves the best parameter in the variable cell.
            EXPECT_EQ(VariableValue, row.Expected.T);
        }
    }
}

struct TNearestRow {
    const char* Name;
    std::vector<const char*> Texts;
    Real X;
    Real Y;
    int32_t Expected;
};

const TNearestRow NearestRows[] = {
    {"NoCurves", {}, 0, 0, -1},
    {"IdenticalCurvesFirstWins", {"X", "X"}, 1, 5, 0},
    {"NearerSecond", {"X", "X+10"}, 0, 9, 1},
    {"NearerThird", {"X", "X+10", "X-10"}, 0, -9, 2},
    {"FailingCurveCountsAsZero", {"1/X", "X+3"}, 0, 2, 1},
    {"NotANumberNeverWins", {"EXP(1E6)-EXP(1E6)", "X+100"}, 0, 0, 1},
};

TEST(FnPlotPoint, FindNearestFunction) {
    for (const TNearestRow& row : NearestRows) {
        SCOPED_TRACE(row.Name);
        TPlot plot;
        for (const char* text : row.Texts) {
            plot.AddFunction(text);
        }
        EXPECT_EQ(plot.FindNearestFunction(row.X, row.Y), row.Expected);
    }
}

TEST(FnPlotSpec, CompileErrorsPassOnWithTheirPosition) {
    struct TRow {
        const char* Name;
        const char* Text;
        const char* Variable;
    };
    const TRow rows[] = {
        {"UnclosedBracket", "SIN(X", "X"},
        {"WrongVariable", "SIN(X)", "T"},
        {"DanglingOperator", "T*", "T"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        EXPECT_THROW(TFnSpec(row.Text, row.Variable), EPositionedError);
    }
    const TFnSpec spec("sin(x)", "X");
    EXPECT_EQ(spec.Text, "sin(x)");
    EXPECT_TRUE(spec.Tree);
}

} // namespace
