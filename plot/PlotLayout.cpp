#include "plot/PlotLayout.h"

#include "plot/Canvas.h"
#include "plot/Plot.h"

void LayOutPlot(TPlot& plot, TCanvas& measureCanvas, int32_t width, int32_t height,
                TLayoutKind kind) {
    plot.SetTextHeightFunc(
        [&measureCanvas](const std::string& text) { return measureCanvas.TextHeight(text); });
    plot.SetTextWidthFunc(
        [&measureCanvas](const std::string& text) { return measureCanvas.TextWidth(text); });
    plot.MeasureLabels(measureCanvas);
    plot.MeasureTitles(measureCanvas);
    plot.MeasureHeadline(measureCanvas);

    const int32_t xLabels = plot.KooSystem.XAxis.LabelSpace;
    const int32_t xTitle = plot.KooSystem.XAxis.TitleSpace;
    const int32_t yLabels = plot.KooSystem.YAxis.LabelSpace;
    const int32_t yTitle = plot.KooSystem.YAxis.TitleSpace;
    // The labels at the area's top and right ends stand half outside it; the screen reserves
    // half an x label's height above the area, the copy and the page half a y label's width.
    const int32_t topMargin = kind == TLayoutKind::Screen ? xLabels / 2 : yLabels / 2;

    // Device y grows downward: the y axis starts at the bottom row of the plot area.
    plot.KooSystem.SetXDevice(yLabels + yTitle, width - yLabels / 2, 0);
    plot.KooSystem.SetYDevice(height - xLabels - xTitle - 1, plot.HeadlineSpace + topMargin,
                              height);
}

bool LayOutAndDrawPlot(TPlot& plot, TCanvas& canvas, TCanvas& measureCanvas, int32_t width,
                       int32_t height, TLayoutKind kind, const QColor& background) {
    if (!plot.AxesValid()) {
        return false;
    }
    canvas.SetBrushColor(background);
    LayOutPlot(plot, measureCanvas, width, height, kind);
    plot.Draw(canvas);
    return true;
}
