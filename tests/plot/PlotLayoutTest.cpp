// The one layout of a plot on a surface: device ranges from the measured spaces, the screen and
// the page variants, measuring on the surface it is bound to, and where things land in pixels.
#include "plot/PlotLayout.h"
#include "plot/Canvas.h"
#include "plot/Plot.h"
#include "tests/plot/RecordingCanvas.h"

#include <QImage>
#include <QRect>

#include <gtest/gtest.h>

#include <string>

namespace {

QImage WhiteImage(int width, int height, int dpi) {
    QImage image(width, height, QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    image.fill(Qt::white);
    return image;
}

void MakeSinePlot(TPlot& plot) {
    plot.NewFunction("SIN(X)");
    plot.SetXFrom(-10);
    plot.SetXTo(10);
    plot.SetYFrom(-1.5L);
    plot.SetYTo(1.5L);
}

struct TDevices {
    int32_t XStart, XEnd, XOuter, YStart, YEnd, YOuter;
};

TDevices DevicesOf(const TPlot& plot) {
    const TKooAxis& x = plot.KooSystem.XAxis;
    const TKooAxis& y = plot.KooSystem.YAxis;
    return {x.DevStart, x.DevEnd, x.OuterEdge, y.DevStart, y.DevEnd, y.OuterEdge};
}

struct TNoScaleRow {
    const char* Name;
    TLayoutKind Kind;
    int32_t Width;
    int32_t Height;
};

const TNoScaleRow NoScaleRows[] = {
    {"ScreenDesignSize", TLayoutKind::Screen, DesignSurfaceWidth, DesignSurfaceHeight},
    {"PageDesignSize", TLayoutKind::Page, DesignSurfaceWidth, DesignSurfaceHeight},
    {"ScreenWide", TLayoutKind::Screen, 1920, 1080},
    {"PageTiny", TLayoutKind::Page, 3, 2},
};

// Without the scale every space is 0: the plot area is the whole surface, its bottom row H - 1.
TEST(PlotLayout, WithoutScaleTheAreaIsTheSurface) {
    for (const TNoScaleRow& row : NoScaleRows) {
        SCOPED_TRACE(row.Name);
        TPlot plot;
        MakeSinePlot(plot);
        plot.SetShowScale(false);
        TRecordingCanvas canvas(16, 16);
        LayOutPlot(plot, canvas, row.Width, row.Height, row.Kind);
        const TDevices d = DevicesOf(plot);
        EXPECT_EQ(d.XStart, 0);
        EXPECT_EQ(d.XEnd, row.Width);
        EXPECT_EQ(d.XOuter, 0);
        EXPECT_EQ(d.YStart, row.Height - 1);
        EXPECT_EQ(d.YEnd, 0);
        EXPECT_EQ(d.YOuter, row.Height);
    }
}

// With the scale the bands come off the edges; the screen and the page differ only in the top
// margin: half the x labels' height on the screen, half the y labels' width on the page.
TEST(PlotLayout, ScreenAndPageDifferOnlyInTheTopMargin) {
    TPlot plot;
    MakeSinePlot(plot);
    TRecordingCanvas canvas(16, 16);
    const int32_t w = 500;
    const int32_t h = 400;
    LayOutPlot(plot, canvas, w, h, TLayoutKind::Screen);
    const TDevices screen = DevicesOf(plot);
    LayOutPlot(plot, canvas, w, h, TLayoutKind::Page);
    const TDevices page = DevicesOf(plot);

    const TKooAxis& x = plot.KooSystem.XAxis;
    const TKooAxis& y = plot.KooSystem.YAxis;
    ASSERT_GT(y.LabelSpace, x.LabelSpace) << "labels are wider than high";
    struct TRow {
        const char* Name;
        int32_t Actual;
        int32_t Expected;
    };
    const TRow rows[] = {
        {"XStartAfterYTitleAndLabels", screen.XStart, y.TitleSpace + y.LabelSpace},
        {"XEndHalfALabelIn", screen.XEnd, w - y.LabelSpace / 2},
        {"XOuterIsLeftEdge", screen.XOuter, 0},
        {"YStartAboveXLabelsAndTitle", screen.YStart, h - x.LabelSpace - x.TitleSpace - 1},
        {"YEndScreen", screen.YEnd, plot.HeadlineSpace + x.LabelSpace / 2},
        {"YOuterIsBottomEdge", screen.YOuter, h},
        {"PageXStart", page.XStart, screen.XStart},
        {"PageXEnd", page.XEnd, screen.XEnd},
        {"PageYStart", page.YStart, screen.YStart},
        {"YEndPage", page.YEnd, plot.HeadlineSpace + y.LabelSpace / 2},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        EXPECT_EQ(row.Actual, row.Expected);
    }
    EXPECT_GT(page.YEnd, screen.YEnd);
}

// Each surface is laid out from its own text measurements: a 300 dpi page gets bands about
// 300/96 times as large as the 96 dpi screen; the clipboard copy measures on the screen.
TEST(PlotLayout, MeasuresOnTheBoundSurface) {
    struct TRow {
        const char* Name;
        int MeasureDpi;
        int DrawDpi;
    };
    const TRow rows[] = {
        {"Screen", 96, 96},
        {"Page", 300, 300},
        {"CopyMeasuredOnScreen", 96, 300},
    };
    TPlot plot;
    MakeSinePlot(plot);
    QImage screenImage = WhiteImage(8, 8, 96);
    TCanvas screenCanvas(&screenImage);
    LayOutPlot(plot, screenCanvas, 1000, 800, TLayoutKind::Page);
    const int32_t screenLabels = plot.KooSystem.YAxis.LabelSpace;
    const int32_t screenHeadline = plot.HeadlineSpace;
    ASSERT_GT(screenLabels, 0);
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        QImage measureImage = WhiteImage(8, 8, row.MeasureDpi);
        QImage drawImage = WhiteImage(1000, 800, row.DrawDpi);
        TCanvas measure(&measureImage);
        TCanvas draw(&drawImage);
        ASSERT_TRUE(
            LayOutAndDrawPlot(plot, draw, measure, 1000, 800, TLayoutKind::Page, Qt::white));
        const double ratio = row.MeasureDpi / 96.0;
        EXPECT_NEAR(plot.KooSystem.YAxis.LabelSpace, screenLabels * ratio,
                    2 + 0.1 * screenLabels * ratio);
        EXPECT_NEAR(plot.HeadlineSpace, screenHeadline * ratio, 2 + 0.1 * screenHeadline * ratio);
    }
}

TEST(PlotLayout, InvalidAxesDrawNothing) {
    struct TRow {
        const char* Name;
        Real XFrom, XTo, YFrom, YTo;
    };
    const TRow rows[] = {
        {"NoRanges", 0, 0, 0, 0},
        {"EmptyX", 1, 1, 0, 1},
        {"EmptyY", 0, 1, 2, 2},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        TPlot plot;
        plot.NewFunction("X");
        plot.SetXFrom(row.XFrom);
        plot.SetXTo(row.XTo);
        plot.SetYFrom(row.YFrom);
        plot.SetYTo(row.YTo);
        TRecordingCanvas canvas(100, 100);
        EXPECT_FALSE(
            LayOutAndDrawPlot(plot, canvas, canvas, 100, 100, TLayoutKind::Screen, Qt::white));
        EXPECT_TRUE(canvas.Records.empty()) << canvas.Dump();
        EXPECT_FALSE(plot.AxesPrepared());
    }
}

bool HasBlack(const QImage& image, const QRect& rect) {
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            if (qGray(image.pixel(x, y)) < 96) {
                return true;
            }
        }
    }
    return false;
}

// The titles land in their bands of the rendered picture, and the frame runs along the area.
TEST(PlotLayout, TitlesAndFrameLandInTheirPlaces) {
    struct TRow {
        const char* Name;
        const char* XTitle;
        const char* YTitle;
        const char* Headline;
    };
    const TRow rows[] = {
        {"AllTitles", "time", "voltage", "SIN(X)"},
        {"OnlyXTitle", "time", "", ""},
        {"OnlyYTitle", "", "voltage", ""},
        {"OnlyHeadline", "", "", "headline"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        TPlot plot;
        MakeSinePlot(plot);
        plot.KooSystem.XAxis.Title = row.XTitle;
        plot.KooSystem.YAxis.Title = row.YTitle;
        plot.Title = row.Headline;
        QImage image = WhiteImage(DesignSurfaceWidth, DesignSurfaceHeight, 96);
        {
            TCanvas canvas(&image);
            ASSERT_TRUE(LayOutAndDrawPlot(plot, canvas, canvas, image.width(), image.height(),
                                          TLayoutKind::Screen, Qt::white));
        }
        const TKooAxis& x = plot.KooSystem.XAxis;
        const TKooAxis& y = plot.KooSystem.YAxis;
        const QRect xTitleBand(x.DevStart, y.OuterEdge - x.TitleSpace, x.DevEnd - x.DevStart,
                               x.TitleSpace);
        const QRect yTitleBand(x.OuterEdge, y.DevEnd, y.TitleSpace, y.DevStart - y.DevEnd);
        const QRect headlineBand(x.DevStart + 1, 0, x.DevEnd - x.DevStart - 2, y.DevEnd);
        EXPECT_EQ(HasBlack(image, xTitleBand), *row.XTitle != 0);
        EXPECT_EQ(HasBlack(image, yTitleBand), *row.YTitle != 0);
        EXPECT_EQ(HasBlack(image, headlineBand), *row.Headline != 0);
        // The frame: bottom and top rows, left and right columns of the area.
        for (int32_t px = x.DevStart; px < x.DevEnd; ++px) {
            ASSERT_EQ(image.pixel(px, y.DevStart), qRgb(0, 0, 0)) << px;
            ASSERT_EQ(image.pixel(px, y.DevEnd), qRgb(0, 0, 0)) << px;
        }
        for (int32_t py = y.DevEnd; py < y.DevStart; ++py) {
            ASSERT_EQ(image.pixel(x.DevStart, py), qRgb(0, 0, 0)) << py;
            ASSERT_EQ(image.pixel(x.DevEnd, py), qRgb(0, 0, 0)) << py;
        }
    }
}

} // namespace
