// The display window's mouse interaction on its drawing surface and the two transient marks
// (zoom frame and cursor mark), drawn in not-xor on the back buffer so that drawing one a
// second time removes it.
#include "display/Drawwin.h"

#include "plot/Plot.h"

#include <QMouseEvent>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Round(value) + start, rounding halves to even (the default rounding mode) and keeping the
// result a 32-bit device coordinate, whatever the layouts it is carried between.
int32_t RoundToDevice(Real value, int32_t start) {
    if (std::isnan(value)) return start;
    const Real rounded = std::nearbyint(value) + start;
    if (rounded <= static_cast<Real>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    if (rounded >= static_cast<Real>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(rounded);
}

} // namespace

int32_t TDrawWindow::ClampX(int32_t x) const {
    const TKooAxis& axis = Plot().KooSystem.XAxis;
    if (x < axis.DevStart) x = axis.DevStart;
    if (x > axis.DevEnd) x = axis.DevEnd;
    return x;
}

int32_t TDrawWindow::ClampY(int32_t y) const {
    // The y axis starts at the bottom row, the larger device y.
    const TKooAxis& axis = Plot().KooSystem.YAxis;
    if (y > axis.DevStart) y = axis.DevStart;
    if (y < axis.DevEnd) y = axis.DevEnd;
    return y;
}

void TDrawWindow::ToggleZoomFrame(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    if (Buffer.isNull()) return;
    Canvas.SetBrushStyle(TBrushStyle::bsClear);
    Canvas.SetPenStyle(TPenStyle::psDot);
    Canvas.SetPenMode(TPenMode::pmNotXor);
    Canvas.Rectangle(x1, y1, x2, y2);
    Canvas.FreeHandle();
    ShowChanged(QRect(QPoint(x1, y1), QPoint(x2, y2)).normalized().adjusted(-1, -1, 1, 1));
}

void TDrawWindow::ToggleCursorMark(int32_t x, int32_t y) {
    if (Buffer.isNull()) return;
    Canvas.SetBrushStyle(TBrushStyle::bsSolid);
    Canvas.SetBrushColor(QColor(255, 0, 0));
    Canvas.SetPenStyle(TPenStyle::psSolid);
    Canvas.SetPenMode(TPenMode::pmNotXor);
    Canvas.SetPenColor(QColor(255, 0, 0));
    Canvas.Ellipse(x - 4, y - 4, x + 4, y + 4);
    Canvas.SetPenColor(Qt::black);
    Canvas.SetBrushColor(Qt::black);
    Canvas.FreeHandle();
    ShowChanged(QRect(x - 5, y - 5, 11, 11));
}

void TDrawWindow::RemoveZoomFrame() {
    if (FrameVisible) {
        ToggleZoomFrame(FrameX1, FrameY1, FrameX2, FrameY2);
        FrameVisible = false;
    }
    FrameX1 = 0;
    FrameY1 = 0;
    FrameX2 = 0;
    FrameY2 = 0;
}

void TDrawWindow::RescaleZoomFrame() {
    const TKooSystem& koo = Plot().KooSystem;
    const int32_t xs = koo.XAxis.DevStart;
    const int32_t xe = koo.XAxis.DevEnd - koo.XAxis.DevStart;
    const int32_t ys = koo.YAxis.DevStart;
    // Negative: device y grows downward.
    const int32_t ye = koo.YAxis.DevEnd - koo.YAxis.DevStart;
    // After a layout with an empty axis the corners cannot be carried over; they stay.
    if (LastXExtent != 0) {
        const Real fx = xe * 1.0L / LastXExtent;
        FrameX1 = RoundToDevice((static_cast<Real>(FrameX1) - LastXStart) * fx, xs);
        FrameX2 = RoundToDevice((static_cast<Real>(FrameX2) - LastXStart) * fx, xs);
    }
    if (LastYExtent != 0) {
        const Real fy = ye * 1.0L / LastYExtent;
        FrameY1 = RoundToDevice((static_cast<Real>(FrameY1) - LastYStart) * fy, ys);
        FrameY2 = RoundToDevice((static_cast<Real>(FrameY2) - LastYStart) * fy, ys);
    }
    LastXStart = xs;
    LastYStart = ys;
    LastXExtent = xe;
    LastYExtent = ye;
}

void TDrawWindow::PaintBoxMouseDown(QMouseEvent*) {
    // The zoom frame and the undo come with the zoom interaction.
}

void TDrawWindow::PaintBoxMouseMove(QMouseEvent* event) {
    // Unclamped: the double click reads the last position.
    MouseX = event->position().toPoint().x();
    MouseY = event->position().toPoint().y();
}

void TDrawWindow::PaintBoxMouseUp(QMouseEvent*) {
    // Ending a drag and zooming come with the zoom interaction.
}
