#pragma once
// The one layout of a plot on a drawing surface, used by the plot window, the clipboard copy,
// the printed page and the command-line exporter alike.
#include <QColor>

#include <cstdint>

class TCanvas;
class TPlot;

// The plot window's drawing surface at its design size, in pixels.
inline constexpr int32_t DesignSurfaceWidth = 410;
inline constexpr int32_t DesignSurfaceHeight = 343;

enum class TLayoutKind {
    Screen, // the plot window: the plot area's top is headline + half the x labels' height
    Page,   // clipboard copy and printed page: headline + half the y labels' width
};

// Binds the plot's measuring functions to `measureCanvas`, lets the plot measure its label,
// title and headline spaces there and sets both axes' device ranges for a surface of
// width x height device units. Drawing is left to the caller (TPlot::Draw). The plot's
// measuring functions stay bound to `measureCanvas` until the next layout.
void LayOutPlot(TPlot& plot, TCanvas& measureCanvas, int32_t width, int32_t height,
                TLayoutKind kind);

// The plot window's, the copy's and the page's drawing in one: the brush colour of `canvas`
// becomes `background`, the plot is laid out measuring on `measureCanvas` (the same canvas
// except for the clipboard copy, which is measured on the screen) and drawn on `canvas`.
// Returns false without touching either canvas when the plot's axes are not valid. Exceptions
// of the drawing pass on. (The plot window itself runs LayOutPlot and Draw with its zoom frame
// rescaled in between.)
bool LayOutAndDrawPlot(TPlot& plot, TCanvas& canvas, TCanvas& measureCanvas, int32_t width,
                       int32_t height, TLayoutKind kind, const QColor& background);
