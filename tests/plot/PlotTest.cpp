// The plot container: its life, the New and Add operations, the setters and the zoom history,
// measuring and drawing order, and the same drawing on a QImage and through the recording canvas.
#include "plot/Plot.h"
#include "engine/Errors.h"
#include "plot/Canvas.h"
#include "plot/PlotLayout.h"
#include "tests/plot/CurveTestSupport.h"
#include "tests/plot/RecordingCanvas.h"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

namespace {

void SetRanges(TPlot& plot, Real xFrom, Real xTo, Real yFrom, Real yTo) {
    plot.SetXFrom(xFrom);
    plot.SetXTo(xTo);
    plot.SetYFrom(yFrom);
    plot.SetYTo(yTo);
}

TEST(PlotLife, ResetEmptiesThePlot) {
    TPlot plot;
    plot.NewFunction("SIN(X)");
    plot.AddFunction("COS(X)");
    plot.Current = 1;
    plot.SetShowScale(false);
    SetRanges(plot, -1, 1, -2, 2);
    ASSERT_TRUE(plot.AxesValid());
    plot.Reset();
    EXPECT_TRUE(plot.Functions.empty());
    EXPECT_TRUE(plot.GetShowScale());
    EXPECT_EQ(plot.Current, 0);
    EXPECT_EQ(plot.Title, "");
    EXPECT_EQ(plot.KooSystem.XAxis.Title, "");
    EXPECT_FALSE(plot.AxesValid());
    EXPECT_FALSE(plot.AxesPrepared());
}

struct TValidRow {
    const char* Name;
    Real XFrom, XTo, YFrom, YTo;
    bool Valid;
};

const TValidRow ValidRows[] = {
    {"BothSet", -1, 1, 0, 5, true},  {"XEmpty", 2, 2, 0, 5, false},
    {"YEmpty", -1, 1, 3, 3, false},  {"XNotANumber", NAN, 1, 0, 5, false},
    {"Reversed", 1, -1, 5, 0, true},
};

TEST(PlotLife, AxesValidNeedsBothRanges) {
    for (const TValidRow& row : ValidRows) {
        SCOPED_TRACE(row.Name);
        TPlot plot;
        SetRanges(plot, row.XFrom, row.XTo, row.YFrom, row.YTo);
        EXPECT_EQ(plot.AxesValid(), row.Valid);
    }
}

// The state of a plot that the New and Add operations change.
struct TPlotState {
    size_t Curves;
    int32_t Current;
    std::string Title;
    std::string XTitle;
    std::string YTitle;
    int32_t LastKind;
};

TPlotState StateOf(const TPlot& plot) {
    return {plot.Functions.size(),
            plot.Current,
            plot.Title,
            plot.KooSystem.XAxis.Title,
            plot.KooSystem.YAxis.Title,
            plot.Functions.empty() ? -1 : plot.Functions.back()->Kind};
}

struct TCurveOpRow {
    const char* Name;
    std::function<void(TPlot&)> Operation;
    bool Throws;
    TPlotState Expected;
};

// Every row starts from a plot of three curves, the third current, with an edited headline and
// edited axis titles.
const TCurveOpRow CurveOpRows[] = {
    {"NewFunctionEmptyChangesNothing",
     [](TPlot& p) { p.NewFunction(""); },
     false,
     {3, 2, "edited", "ex", "ey", 0}},
    {"NewFunctionReplacesAll",
     [](TPlot& p) { p.NewFunction("SIN(X)"); },
     false,
     {1, 0, "SIN(X)", "x", "y", 0}},
    {"NewFunctionCompileErrorEmptiesKeepsTitles",
     [](TPlot& p) { p.NewFunction("SIN(X"); },
     true,
     {0, 0, "edited", "ex", "ey", -1}},
    {"NewParametricReplacesAll",
     [](TPlot& p) { p.NewParametric("COS(T)", "SIN(T)", 0, 6, 0.1L); },
     false,
     {1, 0, "COS(T)", "x", "y", 1}},
    {"NewParametricEmptyYChangesNothing",
     [](TPlot& p) { p.NewParametric("T", "", 0, 1, 1); },
     false,
     {3, 2, "edited", "ex", "ey", 0}},
    {"NewParametricBadYEmpties",
     [](TPlot& p) { p.NewParametric("T", "X", 0, 1, 1); },
     true,
     {0, 0, "edited", "ex", "ey", -1}},
    {"NewParametricRefusedStepEmpties",
     [](TPlot& p) { p.NewParametric("T", "T", 0, 1, 0); },
     true,
     {0, 0, "edited", "ex", "ey", -1}},
    {"AddFunctionKeepsEditedTitles",
     [](TPlot& p) { p.AddFunction("X^2"); },
     false,
     {4, 2, "edited", "ex", "ey", 0}},
    {"AddFunctionEmptyChangesNothing",
     [](TPlot& p) { p.AddFunction(""); },
     false,
     {3, 2, "edited", "ex", "ey", 0}},
    {"AddFunctionCompileErrorKeepsCurves",
     [](TPlot& p) { p.AddFunction("X+"); },
     true,
     {3, 2, "edited", "ex", "ey", 0}},
    {"AddParametricAppends",
     [](TPlot& p) { p.AddParametric("T", "T^2", -1, 1, 0.5L); },
     false,
     {4, 2, "edited", "ex", "ey", 1}},
};

TEST(PlotCurves, NewAndAddOperations) {
    for (const TCurveOpRow& row : CurveOpRows) {
        SCOPED_TRACE(row.Name);
        TPlot plot;
        plot.NewFunction("X");
        plot.AddFunction("X+1");
        plot.AddFunction("X+2");
        plot.Current = 2;
        plot.Title = "edited";
        plot.KooSystem.XAxis.Title = "ex";
        plot.KooSystem.YAxis.Title = "ey";
        if (row.Throws) {
            EXPECT_ANY_THROW(row.Operation(plot));
        } else {
            row.Operation(plot);
        }
        const TPlotState state = StateOf(plot);
        EXPECT_EQ(state.Curves, row.Expected.Curves);
        EXPECT_EQ(state.Current, row.Expected.Current);
        EXPECT_EQ(state.Title, row.Expected.Title);
        EXPECT_EQ(state.XTitle, row.Expected.XTitle);
        EXPECT_EQ(state.YTitle, row.Expected.YTitle);
        EXPECT_EQ(state.LastKind, row.Expected.LastKind);
    }
}

struct TSetterRow {
    const char* Name;
    std::function<void(TPlot&)> Setter;
    bool ClearsHistory;
    std::function<bool(const TPlot&)> Applied;
};

const TSetterRow SetterRows[] = {
    {"SetXFrom", [](TPlot& p) { p.SetXFrom(-7); }, true,
     [](const TPlot& p) { return p.GetXFrom() == -7; }},
    {"SetXTo", [](TPlot& p) { p.SetXTo(7); }, true, [](const TPlot& p) { return p.GetXTo() == 7; }},
    {"SetYFrom", [](TPlot& p) { p.SetYFrom(-3); }, true,
     [](const TPlot& p) { return p.GetYFrom() == -3; }},
    {"SetYTo", [](TPlot& p) { p.SetYTo(3); }, true, [](const TPlot& p) { return p.GetYTo() == 3; }},
    {"SetXLogarithmic", [](TPlot& p) { p.SetXLogarithmic(true); }, false,
     [](const TPlot& p) { return p.KooSystem.XAxis.Logarithmic; }},
    {"SetYLogarithmic", [](TPlot& p) { p.SetYLogarithmic(true); }, false,
     [](const TPlot& p) { return p.KooSystem.YAxis.Logarithmic; }},
    {"SetShowScale", [](TPlot& p) { p.SetShowScale(false); }, false,
     [](const TPlot& p) { return !p.GetShowScale(); }},
    {"NextXTickFactor", [](TPlot& p) { p.NextXTickFactor(); }, false,
     [](const TPlot& p) { return p.KooSystem.XAxis.TickFactor == 2; }},
    {"NextYTickFactor", [](TPlot& p) { p.NextYTickFactor(); }, false,
     [](const TPlot& p) { return p.KooSystem.YAxis.TickFactor == 2; }},
};

TEST(PlotSettings, RangeSettersEmptyTheZoomHistory) {
    for (const TSetterRow& row : SetterRows) {
        SCOPED_TRACE(row.Name);
        TStack history;
        TPlot plot;
        plot.SetZoomHistory(&history);
        for (int i = 0; i < 3; ++i) {
            history.Push(std::make_unique<TStackElement>(i, i + 1, i + 2, i + 3));
        }
        row.Setter(plot);
        EXPECT_TRUE(row.Applied(plot));
        EXPECT_EQ(history.IsEmpty(), row.ClearsHistory);
    }
}

struct TFactorRow {
    const char* Name;
    int NextSteps;
    int PrevSteps;
    int32_t Factor;
};

const TFactorRow FactorRows[] = {
    {"Start", 0, 0, 1},      {"TwoUp", 2, 0, 5},      {"StopsAtFifty", 9, 0, 50},
    {"UpAndDown", 4, 1, 10}, {"StopsAtOne", 1, 5, 1},
};

TEST(PlotSettings, TickFactorSteps) {
    for (const TFactorRow& row : FactorRows) {
        SCOPED_TRACE(row.Name);
        TPlot plot;
        for (int i = 0; i < row.NextSteps; ++i) {
            plot.NextYTickFactor();
        }
        for (int i = 0; i < row.PrevSteps; ++i) {
            plot.PrevYTickFactor();
        }
        EXPECT_EQ(plot.KooSystem.YAxis.TickFactor, row.Factor);
        EXPECT_EQ(plot.KooSystem.XAxis.TickFactor, 1);
        plot.ResetTickFactors();
        EXPECT_EQ(plot.KooSystem.YAxis.TickFactor, 1);
    }
}

TEST(PlotStack, PopReturnsTheReverseOrderOfPush) {
    TStack stack;
    EXPECT_EQ(stack.Pop(), nullptr);
    const Real views[][4] = {{0, 1, 2, 3}, {-5, 5, -1, 1}, {1, 2, 1, 2}};
    for (const auto& v : views) {
        stack.Push(std::make_unique<TStackElement>(v[0], v[1], v[2], v[3]));
    }
    for (int i = 2; i >= 0; --i) {
        SCOPED_TRACE(i);
        const std::unique_ptr<TStackElement> element = stack.Pop();
        ASSERT_NE(element, nullptr);
        EXPECT_EQ(element->XFrom, views[i][0]);
        EXPECT_EQ(element->XTo, views[i][1]);
        EXPECT_EQ(element->YFrom, views[i][2]);
        EXPECT_EQ(element->YTo, views[i][3]);
        EXPECT_EQ(element->FNext, nullptr);
    }
    EXPECT_EQ(stack.Pop(), nullptr);
}

TEST(PlotStack, ClearEmptiesALongHistory) {
    TStack stack;
    for (int i = 0; i < 200000; ++i) {
        stack.Push(std::make_unique<TStackElement>(i, i, i, i));
    }
    stack.Clear();
    EXPECT_TRUE(stack.IsEmpty());
    EXPECT_EQ(stack.Pop(), nullptr);
}

// With the scale off nothing but the curves is measured or drawn.
TEST(PlotDraw, ScaleOffMeasuresZeroAndDrawsOnlyCurves) {
    for (const bool showScale : {true, false}) {
        SCOPED_TRACE(showScale ? "ScaleOn" : "ScaleOff");
        TPlot plot;
        plot.NewFunction("X");
        SetRanges(plot, 0, 10, 0, 10);
        plot.SetShowScale(showScale);
        TRecordingCanvas canvas(300, 200);
        LayOutPlot(plot, canvas, 300, 200, TLayoutKind::Screen);
        const TKooAxis& x = plot.KooSystem.XAxis;
        const TKooAxis& y = plot.KooSystem.YAxis;
        const int32_t spaces[] = {x.LabelSpace, x.TitleSpace, y.LabelSpace, y.TitleSpace,
                                  plot.HeadlineSpace};
        for (const int32_t space : spaces) {
            EXPECT_EQ(space > 0, showScale);
        }
        canvas.Records.clear();
        plot.Draw(canvas);
        EXPECT_EQ(canvas.Only("TextOut").empty(), !showScale);
        bool dotted = false;
        for (const TCanvasRecord& record : canvas.Records) {
            dotted = dotted || (record.Op == "PenStyle" && record.Text == "dot");
        }
        EXPECT_EQ(dotted, showScale);
        if (!showScale) {
            // The frame pen, then the one curve across the whole surface.
            EXPECT_EQ(canvas.Only("MoveTo").size(), 1u);
            EXPECT_EQ(canvas.Only("LineTo").size(), 299u);
        }
    }
}

// Later curves are drawn after (over) earlier ones, all with the frame pen.
TEST(PlotDraw, CurvesInListOrderWithTheFramePen) {
    TPlot plot;
    plot.NewFunction("2");
    plot.AddFunction("5");
    plot.AddParametric("T", "8", 0, 10, 5);
    SetRanges(plot, 0, 10, 0, 10);
    plot.SetShowScale(false);
    TRecordingCanvas canvas(101, 101);
    LayOutPlot(plot, canvas, 101, 101, TLayoutKind::Screen);
    plot.Draw(canvas);
    const auto moves = canvas.Only("MoveTo");
    ASSERT_EQ(moves.size(), 3u);
    // y axis: device 100 at 0, device 0 at 10.
    EXPECT_EQ(moves[0].Y, 80);
    EXPECT_EQ(moves[1].Y, 50);
    EXPECT_EQ(moves[2].Y, 20);
    std::string lastPenStyle;
    size_t firstMove = canvas.Records.size();
    for (size_t i = 0; i < canvas.Records.size(); ++i) {
        const TCanvasRecord& record = canvas.Records[i];
        if (record.Op == "MoveTo") {
            firstMove = std::min(firstMove, i);
        } else if (record.Op == "PenStyle") {
            EXPECT_LT(i, firstMove) << "a curve changed the pen";
            lastPenStyle = record.Text;
        }
    }
    EXPECT_EQ(lastPenStyle, "solid");
}

// A curve's failure ends the whole drawing and passes on; curves after it are not drawn. A
// value that is not a number fails (one far beyond the area is only clipped).
TEST(PlotDraw, FailingCurveEndsTheDrawing) {
    TPlot plot;
    plot.NewFunction("EXP((X+1)*1E6)-EXP((X+1)*1E6)");
    plot.AddFunction("1");
    SetRanges(plot, -1, 1, -2, 2);
    plot.SetShowScale(false);
    TRecordingCanvas canvas(50, 50);
    LayOutPlot(plot, canvas, 50, 50, TLayoutKind::Screen);
    EXPECT_THROW(plot.Draw(canvas), EInvalidOp);
    EXPECT_EQ(canvas.Only("MoveTo").size(), 1u);
}

// The same plot drawn through a plain canvas on a QImage and through the recording canvas gives
// the same pixels, and the pixels are where the model says.
TEST(PlotDraw, QImageAndRecordingCanvasAgree) {
    struct TRow {
        const char* Name;
        const char* Text;
        bool ShowScale;
        bool LogY;
    };
    const TRow rows[] = {
        {"SineWithScale", "SIN(X)", true, false},
        {"PoleWithoutScale", "1/X", false, false},
        {"LogY", "EXP(X)", true, true},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        TPlot plot;
        plot.NewFunction(row.Text);
        plot.SetShowScale(row.ShowScale);
        if (row.LogY) {
            SetRanges(plot, -5, 5, -3, 3);
            plot.SetYLogarithmic(true);
        } else {
            SetRanges(plot, -5, 5, -3, 3);
        }
        QImage image(DesignSurfaceWidth, DesignSurfaceHeight, QImage::Format_RGB32);
        image.setDotsPerMeterX(qRound(96 / 0.0254));
        image.setDotsPerMeterY(qRound(96 / 0.0254));
        image.fill(Qt::white);
        {
            TCanvas canvas(&image);
            ASSERT_TRUE(LayOutAndDrawPlot(plot, canvas, canvas, image.width(), image.height(),
                                          TLayoutKind::Screen, Qt::white));
        }
        TRecordingCanvas recording(DesignSurfaceWidth, DesignSurfaceHeight);
        ASSERT_TRUE(LayOutAndDrawPlot(plot, recording, recording, DesignSurfaceWidth,
                                      DesignSurfaceHeight, TLayoutKind::Screen, Qt::white));
        EXPECT_EQ(image, recording.Image());
        // Every segment's start point is black in the picture (a pole's jump is no segment).
        int32_t blackStarts = 0;
        int32_t segments = 0;
        int32_t x = 0;
        int32_t y = 0;
        // The curves follow the last pen setting.
        size_t curvesStart = 0;
        for (size_t i = 0; i < recording.Records.size(); ++i) {
            if (recording.Records[i].Op == "PenStyle") {
                curvesStart = i;
            }
        }
        for (size_t i = curvesStart; i < recording.Records.size(); ++i) {
            const TCanvasRecord& record = recording.Records[i];
            if (record.Op == "LineTo" && (record.X != x || record.Y != y)) {
                ++segments;
                blackStarts += image.pixel(x, y) == qRgb(0, 0, 0) ? 1 : 0;
            }
            if (record.Op == "MoveTo" || record.Op == "LineTo") {
                x = record.X;
                y = record.Y;
            }
        }
        EXPECT_GT(segments, 100);
        EXPECT_EQ(blackStarts, segments);
    }
}

} // namespace

namespace {

// Rendered for real: at a pole the curve leaves the area at one edge and comes back at the
// other, and no line joins the two branches across the middle of the picture.
TEST(PlotDraw, PoleLeavesNoLineAcrossThePicture) {
    struct TRow {
        const char* Name;
        const char* Text;
        Real XFrom;
        Real XTo;
        int FirstColumn; // columns next to the pole, where |y| exceeds the middle band
        int LastColumn;
    };
    const TRow rows[] = {
        {"InversePole", "1/X", -8, 8, 126, 130},
        {"TangentPole", "TAN(X)", -2, 2, 226, 231},
    };
    const int width = 256;
    const int height = 201;
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        TPlot plot;
        plot.NewFunction(row.Text);
        SetRanges(plot, row.XFrom, row.XTo, -10, 10);
        plot.SetShowScale(false);
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            TCanvas canvas(&image);
            ASSERT_TRUE(LayOutAndDrawPlot(plot, canvas, canvas, width, height, TLayoutKind::Screen,
                                          Qt::white));
        }
        int32_t blackInBand = 0;
        for (int y = height / 4; y <= 3 * height / 4; ++y) {
            for (int x = row.FirstColumn; x <= row.LastColumn; ++x) {
                blackInBand += image.pixel(x, y) == qRgb(0, 0, 0) ? 1 : 0;
            }
        }
        EXPECT_EQ(blackInBand, 0);
        // Both branches reach the edges beside the pole.
        int32_t blackAtEdges = 0;
        for (int x = row.FirstColumn; x <= row.LastColumn; ++x) {
            blackAtEdges += image.pixel(x, 0) == qRgb(0, 0, 0) ? 1 : 0;
            blackAtEdges += image.pixel(x, height - 1) == qRgb(0, 0, 0) ? 1 : 0;
        }
        EXPECT_GE(blackAtEdges, 2);
    }
}

} // namespace
