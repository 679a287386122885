// The scale: tick factors, the decade and fraction helpers, linear and decade ticks with their
// labels, measuring of the label, title and headline bands, the frame and the titles, and a
// whole scale rendered into a picture.
#include "plot/Ticks.h"

#include "engine/Convert.h"
#include "plot/Canvas.h"
#include "plot/KooSystem.h"
#include "tests/plot/RecordingCanvas.h"

#include <QCoreApplication>
#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

QImage MakeImage(int width, int height, int dpi = 96) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    const int dotsPerMeter = static_cast<int>(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    return image;
}

struct TRange {
    Real from;
    Real to;
    int32_t devStart;
    int32_t devEnd;
    int32_t outerEdge;
    bool logarithmic = false;
};

void Place(TKooAxis& axis, const TRange& range) {
    axis.From = range.from;
    axis.To = range.to;
    axis.DevStart = range.devStart;
    axis.DevEnd = range.devEnd;
    axis.OuterEdge = range.outerEdge;
    axis.Logarithmic = range.logarithmic;
}

// The screen layout of the plot window on a surface of width x height.
void LayOut(TKooSystem& koo, TCanvas& canvas, int32_t width, int32_t height,
            int32_t& headlineSpace) {
    const TTextMeasureFunc textHeight = [&](const std::string& t) { return canvas.TextHeight(t); };
    const TTextMeasureFunc textWidth = [&](const std::string& t) { return canvas.TextWidth(t); };
    MeasureLabels(koo, true, canvas, textHeight, textWidth);
    MeasureTitles(koo, true, canvas, textHeight);
    headlineSpace = MeasureHeadline(true, canvas, textHeight);
    const TKooAxis& x = koo.XAxis;
    const TKooAxis& y = koo.YAxis;
    koo.SetXDevice(y.LabelSpace + y.TitleSpace, width - y.LabelSpace / 2, 0);
    koo.SetYDevice(height - x.LabelSpace - x.TitleSpace - 1, headlineSpace + x.LabelSpace / 2,
                   height);
    koo.Prepare();
}

// Replays recorded drawing calls on another canvas.
void Replay(const std::vector<TCanvasRecord>& records, TCanvas& canvas) {
    for (const TCanvasRecord& r : records) {
        if (r.Op == "MoveTo")
            canvas.MoveTo(r.X, r.Y);
        else if (r.Op == "LineTo")
            canvas.LineTo(r.X, r.Y);
        else if (r.Op == "TextOut")
            canvas.TextOut(r.X, r.Y, r.Text);
        else if (r.Op == "PenStyle")
            canvas.SetPenStyle(r.Text == "dot" ? TPenStyle::psDot : TPenStyle::psSolid);
        else if (r.Op == "PenColor")
            canvas.SetPenColor(QColor(QString::fromStdString(r.Text)));
        else if (r.Op == "PenMode")
            canvas.SetPenMode(r.Text == "notxor" ? TPenMode::pmNotXor : TPenMode::pmCopy);
        else if (r.Op == "BrushStyle")
            canvas.SetBrushStyle(r.Text == "clear" ? TBrushStyle::bsClear : TBrushStyle::bsSolid);
        else if (r.Op == "BrushColor")
            canvas.SetBrushColor(QColor(QString::fromStdString(r.Text)));
        else if (r.Op == "Font") {
            TFontSpec font;
            char name[64] = {};
            int size = 0;
            int escapement = 0;
            ASSERT_EQ(std::sscanf(r.Text.c_str(), "%63s %d %d", name, &size, &escapement), 3);
            font.Name = name;
            font.Size = size;
            font.Escapement = escapement;
            canvas.SetFont(font);
        } else
            FAIL() << "unexpected record " << r.ToString();
    }
}

std::vector<std::string> Texts(const std::vector<TCanvasRecord>& records) {
    std::vector<std::string> texts;
    for (const TCanvasRecord& r : records)
        texts.push_back(r.Text);
    return texts;
}

} // namespace

TEST(TickFactor, ManagerStepsThroughTheTableAndStopsAtItsEnds) {
    struct Row {
        const char* name;
        const char* steps; // N = NextFactor, P = PrevFactor, R = Reset
        int32_t factor;
        int32_t index;
        bool autoSet;
    };
    const Row rows[] = {
        {"fresh", "", 1, 1, true},
        {"one up", "N", 2, 2, false},
        {"to 5", "NN", 5, 3, false},
        {"to the top", "NNNNN", 50, 6, false},
        {"past the top stays at 50", "NNNNNNN", 50, 6, false},
        {"below the bottom stays at 1", "P", 1, 1, false},
        {"up and down", "NNNP", 5, 3, false},
        {"reset sets auto again", "NNNR", 1, 1, true},
        {"reset then down", "NNRP", 1, 1, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TScaleLineFactMan man;
        int32_t last = man.Factor();
        for (const char* s = row.steps; *s; ++s) {
            if (*s == 'N')
                last = man.NextFactor();
            else if (*s == 'P')
                last = man.PrevFactor();
            else
                man.Reset(), last = man.Factor();
        }
        EXPECT_EQ(last, row.factor);
        EXPECT_EQ(man.Factor(), row.factor);
        EXPECT_EQ(man.Index, row.index);
        EXPECT_EQ(man.Auto, row.autoSet);
    }
}

TEST(TickFactor, AxisOperationsSetTheTickFactor) {
    TKooSystem koo;
    NextTickFactor(koo.XAxis);
    NextTickFactor(koo.XAxis);
    PrevTickFactor(koo.YAxis);
    NextTickFactor(koo.YAxis);
    EXPECT_EQ(koo.XAxis.TickFactor, 5);
    EXPECT_EQ(koo.YAxis.TickFactor, 2);
    EXPECT_FALSE(koo.XAxis.FactorMan->Auto);
    ResetTickFactors(koo);
    for (const TKooAxis* axis : {&koo.XAxis, &koo.YAxis}) {
        EXPECT_EQ(axis->TickFactor, 1);
        EXPECT_EQ(axis->FactorMan->Index, 1);
        EXPECT_TRUE(axis->FactorMan->Auto);
    }
}

TEST(TickHelpers, DecadeBelow) {
    struct Row {
        const char* name;
        Real r;
        Real decade;
    };
    const Row rows[] = {
        {"half", 0.5L, 0.1L},       {"one", 1, 1},
        {"250", 250, 100},          {"ten", 10, 10},
        {"9.99", 9.99L, 1},         {"a hundred", 100, 100},
        {"a thousand", 1000, 1000}, {"0.02", 0.02L, 0.01L},
        {"tiny", 3e-7L, 1e-7L},     {"large", 4.2e12L, 1e12L},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_NEAR(static_cast<double>(DecadeBelow(row.r) / row.decade), 1.0, 1e-15);
    }
    // A common logarithm that is a negative whole number gives the next lower power.
    EXPECT_NEAR(static_cast<double>(DecadeBelow(Power10(-2)) / 1e-3L), 1.0, 1e-15);
}

TEST(TickHelpers, SnapFrac) {
    struct Row {
        const char* name;
        Real v;
        Real f;
    };
    const Row rows[] = {
        {"positive", 2.5L, 0.5L},
        {"negative keeps its sign", -2.5L, -0.5L},
        {"whole", 3, 0},
        {"quarter", 0.25L, 0.25L},
        {"nearly whole above", 3.9999995L, 0},
        {"nearly whole below zero", -0.9999995L, 0},
        {"just inside the tolerance", 1.999998L, 0.999998L},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_NEAR(static_cast<double>(SnapFrac(row.v)), static_cast<double>(row.f), 1e-15);
    }
}

TEST(Ticks, LinearTicksAndLabels) {
    struct Row {
        const char* name;
        int32_t kind;
        TRange axis;
        int presetSteps; // NextFactor calls before drawing (0: automatic choice)
        std::vector<std::string> labels;
        std::vector<int32_t> positions;
        int32_t factor;
        bool autoAfter;
    };
    auto x = [&](Real from, Real to, int32_t start = 0, int32_t end = 100) {
        return TRange{from, to, start, end, 0};
    };
    // clang-format off
    const Row rows[] = {
        {"0 to 10 rises to factor 5", AxisKindX, x(0, 10), 0, {"0", "2", "4", "6", "8", "10"}, {0, 20, 40, 60, 80, 100}, 5, false},
        {"-3 to 7 starts half an interval in", AxisKindX, x(-3, 7), 0, {"-2", "0", "2", "4", "6"}, {10, 30, 50, 70, 90}, 5, false},
        {"0 to 4 keeps factor 1", AxisKindX, x(0, 4), 0, {"0", "1", "2", "3", "4"}, {0, 25, 50, 75, 100}, 1, true},
        {"20 to 30 starts on its end", AxisKindX, x(20, 30), 0, {"20", "22", "24", "26", "28", "30"}, {0, 20, 40, 60, 80, 100}, 5, false},
        {"3 to 13", AxisKindX, x(3, 13), 0, {"4", "6", "8", "10", "12"}, {10, 30, 50, 70, 90}, 5, false},
        {"0 to 250 rises to factor 2", AxisKindX, x(0, 250, 0, 500), 0, {"0", "50", "100", "150", "200", "250"}, {0, 100, 200, 300, 400, 500}, 2, false},
        {"zero tick of -0.25 to 0.75 is labelled 0", AxisKindX, x(-0.25L, 0.75L), 0, {"-0.2", "0", "0.2", "0.4", "0.6"}, {5, 25, 45, 65, 85}, 5, false},
        {"factor 10 chosen by hand", AxisKindX, x(0, 10), 3, {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}, {0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100}, 10, false},
        {"y 0 to 10 upward", AxisKindY, TRange{0, 10, 300, 20, 400}, 0, {"0", "2", "4", "6", "8", "10"}, {300, 244, 188, 132, 76, 20}, 5, false},
        {"y -1 to 1", AxisKindY, TRange{-1, 1, 220, 20, 400}, 0, {"-1", "-0.5", "0", "0.5", "1"}, {220, 170, 120, 70, 20}, 2, false},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TKooSystem koo;
        TKooAxis& axis = row.kind == AxisKindX ? koo.XAxis : koo.YAxis;
        TKooAxis& other = row.kind == AxisKindX ? koo.YAxis : koo.XAxis;
        Place(axis, row.axis);
        if (row.kind == AxisKindX)
            Place(other, TRange{0, 1, 300, 20, 400});
        else
            Place(other, TRange{60, 100, 60, 560, 0});
        axis.TitleSpace = 18;
        koo.Prepare();
        for (int i = 0; i < row.presetSteps; ++i)
            NextTickFactor(axis);

        TRecordingCanvas canvas;
        DrawTicks(canvas, axis, other);
        const std::vector<TCanvasRecord> moves = canvas.Only("MoveTo");
        const std::vector<TCanvasRecord> lines = canvas.Only("LineTo");
        const std::vector<TCanvasRecord> texts = canvas.Only("TextOut");
        EXPECT_EQ(Texts(texts), row.labels);
        ASSERT_EQ(moves.size(), row.positions.size());
        ASSERT_EQ(lines.size(), row.positions.size());
        ASSERT_EQ(texts.size(), row.positions.size());
        for (size_t i = 0; i < moves.size(); ++i) {
            SCOPED_TRACE(row.labels[i]);
            const int32_t pos = row.positions[i];
            const int32_t w = canvas.TextWidth(row.labels[i]);
            const int32_t h = canvas.TextHeight(row.labels[i]);
            if (row.kind == AxisKindX) {
                // A grid line across the whole area; the label centred under it, standing on
                // the title band.
                EXPECT_EQ(moves[i].X, pos);
                EXPECT_EQ(moves[i].Y, other.DevStart);
                EXPECT_EQ(lines[i].X, pos);
                EXPECT_EQ(lines[i].Y, other.DevEnd);
                EXPECT_EQ(texts[i].X, pos - w / 2);
                EXPECT_EQ(texts[i].Y, other.OuterEdge - h - axis.TitleSpace);
            } else {
                EXPECT_EQ(moves[i].Y, pos);
                EXPECT_EQ(moves[i].X, other.DevStart);
                EXPECT_EQ(lines[i].Y, pos);
                EXPECT_EQ(lines[i].X, other.DevEnd);
                EXPECT_EQ(texts[i].X, other.OuterEdge + axis.TitleSpace);
                EXPECT_EQ(texts[i].Y, pos - h / 2);
            }
        }
        EXPECT_EQ(axis.TickFactor, row.factor);
        EXPECT_EQ(axis.FactorMan->Auto, row.autoAfter);
        // The grid is dotted and the labels use the 10-point label font.
        EXPECT_EQ(canvas.Records.front().ToString(), "Font Arial 10 0");
        EXPECT_EQ(canvas.PenStyle(), TPenStyle::psDot);
        EXPECT_EQ(canvas.BrushStyle(), TBrushStyle::bsClear);
    }
}

TEST(Ticks, AutomaticFactorIsChosenOnlyOnceAfterAReset) {
    TKooSystem koo;
    Place(koo.XAxis, TRange{0, 10, 0, 100, 0});
    Place(koo.YAxis, TRange{0, 1, 300, 20, 400});
    koo.Prepare();
    TRecordingCanvas canvas;
    DrawTicks(canvas, koo.XAxis, koo.YAxis);
    EXPECT_EQ(koo.XAxis.TickFactor, 5);
    // The user steps the factor down; the next drawing keeps it.
    PrevTickFactor(koo.XAxis);
    PrevTickFactor(koo.XAxis);
    DrawTicks(canvas, koo.XAxis, koo.YAxis);
    EXPECT_EQ(koo.XAxis.TickFactor, 1);
    // A reset lets the next drawing choose again.
    ResetTickFactors(koo);
    DrawTicks(canvas, koo.XAxis, koo.YAxis);
    EXPECT_EQ(koo.XAxis.TickFactor, 5);
}

TEST(Ticks, DecadeTicksAndLabels) {
    struct Row {
        const char* name;
        int32_t kind;
        TRange axis;
        std::vector<std::string> labels; // empty: check only that labels keep clear
    };
    const std::vector<std::string> all = {"1E-2", "2E-2", "5E-2", "1E-1", "2E-1",
                                          "5E-1", "1E0",  "2E0",  "5E0",  "1E1"};
    const Row rows[] = {
        {"wide x axis", AxisKindX, TRange{-2, 1, 80, 680, 0, true}, all},
        {"tall y axis", AxisKindY, TRange{-2, 1, 400, 100, 430, true}, all},
        {"narrow x axis", AxisKindX, TRange{-2, 1, 80, 200, 0, true}, {}},
        {"x axis where a narrow label follows a wide one",
         AxisKindX,
         TRange{-2, 1, 80, 320, 0, true},
         {}},
        {"short y axis", AxisKindY, TRange{-2, 1, 400, 340, 430, true}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TKooSystem koo;
        TKooAxis& axis = row.kind == AxisKindX ? koo.XAxis : koo.YAxis;
        TKooAxis& other = row.kind == AxisKindX ? koo.YAxis : koo.XAxis;
        Place(axis, row.axis);
        if (row.kind == AxisKindX)
            Place(other, TRange{0, 1, 400, 20, 430});
        else
            Place(other, TRange{0, 1, 80, 680, 0});
        axis.TitleSpace = 18;
        koo.Prepare();
        ASSERT_EQ(axis.DecadeCount, 3);

        TRecordingCanvas canvas;
        DrawTicks(canvas, axis, other);
        // 9 lines in each of the 3 decades, none in the extra one.
        const std::vector<TCanvasRecord> moves = canvas.Only("MoveTo");
        ASSERT_EQ(moves.size(), 27u);
        for (int i = 0; i < 3; ++i)
            for (int k = 1; k <= 9; ++k) {
                const Real at =
                    axis.DevStart + (i + std::log10(static_cast<Real>(k))) * axis.PixelsPerDecade;
                const TCanvasRecord& move = moves[static_cast<size_t>(i * 9 + k - 1)];
                EXPECT_NEAR(row.kind == AxisKindX ? move.X : move.Y, static_cast<double>(at),
                            0.5001);
            }
        const std::vector<TCanvasRecord> texts = canvas.Only("TextOut");
        if (!row.labels.empty()) {
            EXPECT_EQ(Texts(texts), row.labels);
        }
        // Written labels are candidates in order, each clear of the one before.
        size_t next = 0;
        for (size_t i = 0; i < texts.size(); ++i) {
            while (next < all.size() && all[next] != texts[i].Text)
                ++next;
            ASSERT_LT(next, all.size()) << texts[i].Text << " out of order";
            if (row.kind == AxisKindX) {
                EXPECT_EQ(texts[i].Y, other.OuterEdge - canvas.TextHeight("1") - 18);
                if (i > 0) {
                    const int32_t w = canvas.TextWidth(texts[i].Text);
                    const int32_t previousWidth = canvas.TextWidth(texts[i - 1].Text);
                    EXPECT_GT(texts[i].X - w / 2, texts[i - 1].X + previousWidth / 2);
                    // No label runs into the one before it: a digit's width lies between.
                    EXPECT_GE(texts[i].X, texts[i - 1].X + previousWidth + canvas.TextWidth("0"))
                        << texts[i].Text;
                }
            } else {
                EXPECT_EQ(texts[i].X, other.OuterEdge + 18);
                if (i > 0) {
                    EXPECT_LT(texts[i].Y + canvas.TextHeight("1"), texts[i - 1].Y + 1);
                }
            }
        }
        EXPECT_FALSE(texts.empty());
        EXPECT_EQ(texts.front().Text, "1E-2");
        if (row.labels.empty()) {
            EXPECT_LT(texts.size(), all.size());
        }
    }
}

TEST(Ticks, DecadeAxisWithoutWholeDecadesDrawsNothing) {
    struct Row {
        const char* name;
        int32_t decades;
    };
    const Row rows[] = {{"no decade", 0}, {"negative count", -2}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TKooSystem koo;
        koo.XAxis.Logarithmic = true;
        koo.XAxis.DecadeCount = row.decades;
        koo.XAxis.DevEnd = 100;
        TRecordingCanvas canvas;
        DrawTicks(canvas, koo.XAxis, koo.YAxis);
        EXPECT_TRUE(canvas.Only("MoveTo").empty());
        EXPECT_TRUE(canvas.Only("LineTo").empty());
        EXPECT_TRUE(canvas.Only("TextOut").empty());
    }
}

TEST(Measure, SpacesFromTheBoundFunctions) {
    // The measuring functions answer from the font on the canvas, so a wrong font shows.
    struct Row {
        const char* name;
        int32_t extra; // height = points + extra
        bool showScale;
        int32_t xLabel, yLabel, xTitle, yTitle, headline;
    };
    const Row rows[] = {
        // label height 13: 15.6 -> 16; title 13 * 1.5 = 19.5 -> 20 (even); headline 15
        {"odd heights", 3, true, 16, 80, 20, 20, 15},
        // label height 11: 13.2 -> 13; title 16.5 -> 16 (even); headline 13
        {"tie rounds down to even", 1, true, 13, 80, 16, 16, 13},
        // label height 12: 14.4 -> 14; title 18; headline 14
        {"even heights", 2, true, 14, 80, 18, 18, 14},
        {"scale off", 3, false, 0, 0, 0, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TRecordingCanvas canvas;
        const TTextMeasureFunc height = [&](const std::string&) {
            return canvas.Font().Size + row.extra;
        };
        const TTextMeasureFunc width = [&](const std::string& text) {
            EXPECT_EQ(text, "-0.0E-00");
            return canvas.Font().Size * 8;
        };
        TKooSystem koo;
        koo.XAxis.LabelSpace = koo.YAxis.LabelSpace = 99;
        koo.XAxis.TitleSpace = koo.YAxis.TitleSpace = 99;
        MeasureLabels(koo, row.showScale, canvas, height, width);
        MeasureTitles(koo, row.showScale, canvas, height);
        const int32_t headline = MeasureHeadline(row.showScale, canvas, height);
        EXPECT_EQ(koo.XAxis.LabelSpace, row.xLabel);
        EXPECT_EQ(koo.YAxis.LabelSpace, row.yLabel);
        EXPECT_EQ(koo.XAxis.TitleSpace, row.xTitle);
        EXPECT_EQ(koo.YAxis.TitleSpace, row.yTitle);
        EXPECT_EQ(headline, row.headline);
    }
}

TEST(Measure, SpacesGrowWithTheResolution) {
    struct Row {
        const char* name;
        int dpi;
    };
    const Row rows[] = {{"screen", 96}, {"fine screen", 144}, {"printer", 600}};
    QImage screen = MakeImage(10, 10, 96);
    TCanvas screenCanvas(&screen);
    TKooSystem screenKoo;
    const TTextMeasureFunc screenHeight = [&](const std::string& t) {
        return screenCanvas.TextHeight(t);
    };
    const TTextMeasureFunc screenWidth = [&](const std::string& t) {
        return screenCanvas.TextWidth(t);
    };
    MeasureLabels(screenKoo, true, screenCanvas, screenHeight, screenWidth);
    ASSERT_GT(screenKoo.YAxis.LabelSpace, 30);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QImage image = MakeImage(10, 10, row.dpi);
        TCanvas canvas(&image);
        const TTextMeasureFunc height = [&](const std::string& t) { return canvas.TextHeight(t); };
        const TTextMeasureFunc width = [&](const std::string& t) { return canvas.TextWidth(t); };
        TKooSystem koo;
        MeasureLabels(koo, true, canvas, height, width);
        MeasureTitles(koo, true, canvas, height);
        const int32_t headline = MeasureHeadline(true, canvas, height);
        const double ratio = row.dpi / 96.0;
        EXPECT_NEAR(koo.YAxis.LabelSpace, screenKoo.YAxis.LabelSpace * ratio,
                    3 + 0.06 * screenKoo.YAxis.LabelSpace * ratio);
        EXPECT_NEAR(koo.XAxis.LabelSpace, screenKoo.XAxis.LabelSpace * ratio,
                    3 + 0.06 * screenKoo.XAxis.LabelSpace * ratio);
        // The headline is measured in 12 points, the titles' line in 10.
        EXPECT_GT(headline * 1.5, koo.XAxis.TitleSpace);
        EXPECT_EQ(koo.XAxis.TitleSpace, koo.YAxis.TitleSpace);
    }
}

TEST(Scale, FrameAfterTheGridInTheSolidPen) {
    TKooSystem koo;
    Place(koo.XAxis, TRange{0, 10, 70, 470, 0});
    Place(koo.YAxis, TRange{0, 5, 300, 30, 340});
    koo.Prepare();
    TRecordingCanvas canvas;
    DrawAxes(canvas, koo);
    const std::vector<TCanvasRecord>& r = canvas.Records;
    ASSERT_GE(r.size(), 5u);
    const std::vector<std::string> frame = {"MoveTo 70,300", "LineTo 470,300", "LineTo 470,30",
                                            "LineTo 70,30", "LineTo 70,300"};
    for (size_t i = 0; i < frame.size(); ++i)
        EXPECT_EQ(r[r.size() - frame.size() + i].ToString(), frame[i]);
    // Between the last label and the frame the pen becomes solid, black, copy mode.
    const std::string dump = canvas.Dump();
    const size_t frameAt = dump.rfind("MoveTo 70,300");
    const size_t solidAt = dump.rfind("PenStyle solid");
    ASSERT_NE(solidAt, std::string::npos);
    EXPECT_LT(solidAt, frameAt);
    EXPECT_GT(solidAt, dump.rfind("TextOut"));
    // x ticks come first: the first grid line is vertical.
    const std::vector<TCanvasRecord> moves = canvas.Only("MoveTo");
    EXPECT_EQ(moves.front().Y, 300);
    EXPECT_EQ(canvas.PenStyle(), TPenStyle::psSolid);
    EXPECT_EQ(canvas.PenMode(), TPenMode::pmCopy);
}

TEST(Scale, TitlesAndHeadlinePlacement) {
    struct Row {
        const char* name;
        std::string xTitle;
        std::string yTitle;
        std::string headline;
    };
    const Row rows[] = {
        {"default titles", "x", "y", "SIN(X)"},
        {"long titles", "time in seconds", "voltage", "X^2-3*X+2"},
        {"empty titles", "", "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TKooSystem koo;
        Place(koo.XAxis, TRange{0, 10, 70, 470, 0});
        Place(koo.YAxis, TRange{0, 5, 300, 30, 340});
        koo.XAxis.Title = row.xTitle;
        koo.YAxis.Title = row.yTitle;
        koo.XAxis.LabelSpace = 18;
        koo.Prepare();
        TRecordingCanvas canvas;
        DrawTitles(canvas, koo, row.headline, 19);
        const std::vector<TCanvasRecord> texts = canvas.Only("TextOut");
        ASSERT_EQ(texts.size(), 3u);
        EXPECT_EQ(Texts(texts), (std::vector<std::string>{row.xTitle, row.yTitle, row.headline}));
        // Measured in the upright 10-point title font.
        const int32_t height = canvas.TextHeight("X");
        EXPECT_EQ(texts[0].X, 70 + (400 - canvas.TextWidth(row.xTitle)) / 2);
        EXPECT_EQ(texts[0].Y, 340 - height);
        EXPECT_EQ(texts[1].X, 0);
        EXPECT_EQ(texts[1].Y, 300 - (270 - canvas.TextWidth(row.yTitle)) / 2);
        EXPECT_EQ(texts[2].X, 70 + (400 - canvas.TextWidth(row.headline)) / 2);
        EXPECT_EQ(texts[2].Y, 30 - 19 - 9);
        // The y title alone is written in the turned font, which is turned back afterwards.
        const std::string dump = canvas.Dump();
        const size_t turned = dump.find("Font Arial 10 900");
        const size_t yTitle = dump.find("TextOut 0,");
        const size_t back = dump.find("Font Arial 10 0", turned);
        EXPECT_LT(dump.find("TextOut"), turned);
        EXPECT_LT(turned, yTitle);
        EXPECT_LT(yTitle, back);
        EXPECT_EQ(canvas.Font().Escapement, 0);
    }
}

TEST(Scale, RecordedAndDirectDrawingAgree) {
    // The same scale drawn through the recording canvas, directly, and replayed from the
    // records gives the same pixels.
    struct Row {
        const char* name;
        TRange x;
        TRange y;
    };
    const Row rows[] = {
        {"linear", TRange{-3, 7, 0, 0, 0}, TRange{-1, 1, 0, 0, 0}},
        {"decades", TRange{-2, 2, 0, 0, 0, true}, TRange{0, 3, 0, 0, 0, true}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto draw = [&](TCanvas& canvas) {
            TKooSystem koo;
            Place(koo.XAxis, row.x);
            Place(koo.YAxis, row.y);
            koo.XAxis.Title = "x";
            koo.YAxis.Title = "y";
            int32_t headlineSpace = 0;
            LayOut(koo, canvas, 400, 300, headlineSpace);
            DrawAxes(canvas, koo);
            DrawTitles(canvas, koo, "headline", headlineSpace);
        };
        TRecordingCanvas recording(400, 300);
        draw(recording);
        QImage direct = MakeImage(400, 300);
        {
            TCanvas canvas(&direct);
            draw(canvas);
        }
        QImage replayed = MakeImage(400, 300);
        {
            TCanvas canvas(&replayed);
            Replay(recording.Records, canvas);
        }
        EXPECT_EQ(recording.Image(), direct);
        EXPECT_EQ(replayed, direct);
        EXPECT_FALSE(recording.Only("TextOut").empty());
    }
}

TEST(Scale, WholePictureKeepsLabelsOutOfThePlotArea) {
    // The scale of a plot window of 480 x 360 pixels, saved next to the test program so its
    // look can be checked by eye.
    struct Row {
        const char* name;
        TRange x;
        TRange y;
        const char* file;
    };
    const Row rows[] = {
        {"linear", TRange{-3, 7, 0, 0, 0}, TRange{-1.5L, 2.5L, 0, 0, 0}, "scale-linear.png"},
        {"decades", TRange{-2, 3, 0, 0, 0, true}, TRange{0, 4, 0, 0, 0, true}, "scale-decades.png"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TRecordingCanvas canvas(480, 360);
        TKooSystem koo;
        Place(koo.XAxis, row.x);
        Place(koo.YAxis, row.y);
        koo.XAxis.Title = "x";
        koo.YAxis.Title = "y";
        int32_t headlineSpace = 0;
        LayOut(koo, canvas, 480, 360, headlineSpace);
        DrawAxes(canvas, koo);
        DrawTitles(canvas, koo, "plot of something", headlineSpace);
        const TKooAxis& x = koo.XAxis;
        const TKooAxis& y = koo.YAxis;
        std::vector<TCanvasRecord> texts = canvas.Only("TextOut");
        const QImage& image = canvas.Image();
        ASSERT_TRUE(image.save(QCoreApplication::applicationDirPath() + "/" + row.file));
        // Frame corners are black.
        for (QPoint corner : {QPoint(x.DevStart, y.DevStart), QPoint(x.DevEnd, y.DevStart),
                              QPoint(x.DevStart, y.DevEnd), QPoint(x.DevEnd, y.DevEnd)})
            EXPECT_EQ(image.pixel(corner), 0xFF000000u) << corner.x() << "," << corner.y();
        // Labels and titles stay on the surface, x labels below the area, y labels left of it.
        const int32_t height = 16; // generous bound on a 10-point line at 96 pixels per inch
        for (const TCanvasRecord& t : texts) {
            EXPECT_GE(t.X, 0) << t.Text;
            EXPECT_GE(t.Y, 0) << t.Text;
        }
        for (const TCanvasRecord& t : texts) {
            if (t.Text == "x" || t.Text == "y" || t.Text == "plot of something") continue;
            const bool belowArea = t.Y > y.DevStart;
            const bool leftOfArea = t.X + 1 < x.DevStart;
            EXPECT_TRUE(belowArea || leftOfArea) << t.Text << " at " << t.X << "," << t.Y;
            EXPECT_LE(t.Y + height, 360 + 2) << t.Text;
        }
    }
}
