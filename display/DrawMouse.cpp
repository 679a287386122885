// The display window's mouse interaction on its drawing surface: the zoom frame dragged with
// the left button, the zoom and its history with undo on the right button (the wheel, the
// middle-button pan and the arrow keys are in DrawNavigate.cpp), coordinate tracking
// into the read-out window with the cursor mark on the curve, and the bookkeeping that keeps
// both transient marks in step with repaints. The marks are drawn in not-xor on the back
// buffer, so drawing one a second time removes it, and only their rectangles are repainted.
#include "display/Drawwin.h"
#include "display/Koowin.h"
#include "engine/Convert.h"
#include "plot/Plot.h"

#include <QAction>
#include <QEvent>
#include <QMouseEvent>
#include <QRegion>

#include <algorithm>
#include <cmath>
#include <exception>
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

// The held set of a mouse event is exactly `button`: no other button, no shift key. The second
// press of a double click never gets here: Qt reports it as a double click of its own.
bool HeldExactly(const QMouseEvent& event, Qt::MouseButton button) {
    constexpr Qt::KeyboardModifiers shiftKeys =
        Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    return event.buttons() == button && !(event.modifiers() & shiftKeys);
}

// Device coordinate of world value v on an axis. A value too far out for a 32-bit device
// coordinate lies beyond one end of the axis and gets that end; the caller clamps anyway.
int32_t DeviceOf(const TKooAxis& axis, Real v) {
    try {
        return axis.WorldToDev(v);
    } catch (const std::exception&) {
        if (std::isnan(v)) return axis.DevStart;
        const Real atStart = axis.DevToWorld(axis.DevStart);
        const Real atEnd = axis.DevToWorld(axis.DevEnd);
        return (v > atStart) == (atEnd > atStart) ? axis.DevEnd : axis.DevStart;
    }
}

QString ReadOut(const char* prefix, Real value) {
    return QString::fromLatin1(prefix) + QString::fromStdString(FloatToDotText(value));
}

} // namespace

// ---- Geometry of the plot area and the two marks. ----

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
    // The outline of the rectangle, right column and bottom row excluded, drawn as a closed
    // run of lines so that each of its pixels is combined exactly once: the cost follows the
    // outline, not the area inside it, which a frame as large as the surface needs.
    const int32_t left = std::min(x1, x2);
    const int32_t top = std::min(y1, y2);
    const int32_t right = std::max(x1, x2) - 1;
    const int32_t bottom = std::max(y1, y2) - 1;
    if (right < left || bottom < top) return;
    Canvas.SetBrushStyle(TBrushStyle::bsClear);
    Canvas.SetPenStyle(TPenStyle::psDot);
    Canvas.SetPenMode(TPenMode::pmNotXor);
    if (right == left || bottom == top) {
        // One column or one row: a single line, its last pixel included.
        Canvas.MoveTo(left, top);
        if (right == left)
            Canvas.LineTo(left, bottom + 1);
        else
            Canvas.LineTo(right + 1, top);
    } else {
        Canvas.MoveTo(left, top);
        Canvas.LineTo(right, top);
        Canvas.LineTo(right, bottom);
        Canvas.LineTo(left, bottom);
        Canvas.LineTo(left, top);
    }
    Canvas.FreeHandle();
    QRegion changed(left, top, right - left + 1, 1);
    changed += QRect(left, bottom, right - left + 1, 1);
    changed += QRect(left, top, 1, bottom - top + 1);
    changed += QRect(right, top, 1, bottom - top + 1);
    ShowChanged(changed);
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

// ---- The mouse, in the order its handlers run. ----

bool TDrawWindow::HasCurrentCurve() const {
    const TPlot& plot = Plot();
    return plot.Current >= 0 && static_cast<size_t>(plot.Current) < plot.Functions.size();
}

void TDrawWindow::PaintBoxMouseDown(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    TPlot& plot = Plot();
    if (HeldExactly(*event, Qt::LeftButton)) {
        LeftDown = true;
        if (plot.AxesPrepared()) {
            // Removes a frame that an earlier drag left on the screen.
            ToggleZoomFrame(FrameX1, FrameY1, FrameX2, FrameY2);
            FrameX1 = ClampX(pos.x());
            FrameY1 = ClampY(pos.y());
            FrameX2 = FrameX1;
            FrameY2 = FrameY1;
        }
    }
    if (HeldExactly(*event, Qt::RightButton)) RightDown = true;
    if (HeldExactly(*event, Qt::MiddleButton) && plot.AxesPrepared()) StartPan(pos.x(), pos.y());
    // RightDown is cleared only by a mouse up: a left press while the right button is still
    // held undoes one more step.
    if (RightDown) UndoZoom();
}

TStackElement TDrawWindow::CurrentView() const {
    const TPlot& plot = Plot();
    return TStackElement(plot.GetXFrom(), plot.GetXTo(), plot.GetYFrom(), plot.GetYTo());
}

void TDrawWindow::SetViewEnds(const TStackElement& view) {
    TKooSystem& koo = Plot().KooSystem;
    koo.XAxis.From = view.XFrom;
    koo.XAxis.To = view.XTo;
    koo.YAxis.From = view.YFrom;
    koo.YAxis.To = view.YTo;
}

void TDrawWindow::UndoZoom() {
    TPlot& plot = Plot();
    // A plot without curves zooms like any other, so it steps back like any other too.
    // A zoom to a range that cannot be prepared leaves the axes unprepared; stepping back
    // out of it must still work, and every entry of the history was pushed from prepared axes.
    if (!plot.AxesPrepared() && History->IsEmpty()) return;
    const std::unique_ptr<TStackElement> element = History->Pop();
    if (!element) return;
    EndViewGesture();
    SetViewEnds(*element);
    ResetTickFactors();
    Redraw();
}

void TDrawWindow::PaintBoxMouseMove(QMouseEvent* event) {
    // Unclamped: the double click reads the last position.
    const QPoint pos = event->position().toPoint();
    MouseX = pos.x();
    MouseY = pos.y();
    if (!Plot().AxesPrepared()) return;
    // A drag whose release went elsewhere (the window lost the mouse) is over.
    if (PanDown && !(event->buttons() & Qt::MiddleButton)) EndPan();
    // The read-out follows once the moved view is drawn.
    if (PanDown && PanTo(MouseX, MouseY)) return;
    if (LeftDown) {
        if (FrameDrawn)
            ToggleZoomFrame(FrameX1, FrameY1, FrameX2, FrameY2);
        else
            FrameDrawn = true;
        FrameX2 = ClampX(MouseX);
        FrameY2 = ClampY(MouseY);
        ToggleZoomFrame(FrameX1, FrameY1, FrameX2, FrameY2);
    }
    if (Koordinatenfenster->isChecked() && HasCurrentCurve()) TrackCoordinates(MouseX, MouseY);
}

void TDrawWindow::TrackCoordinates(int32_t x, int32_t y) {
    const TPlot& plot = Plot();
    const Real worldX = plot.DevToWorldX(ClampX(x));
    const Real worldY = plot.DevToWorldY(ClampY(y));
    const TFnPoint p = plot.GetFunctionPoint(plot.Current, worldX, worldY);
    const int32_t kind = plot.Functions[static_cast<size_t>(plot.Current)]->Kind;
    if (KooWind) {
        if (kind == FnKindYOverX) {
            KooWind->LabelX->setText(ReadOut("x    = ", worldX));
            KooWind->LabelY->setText(ReadOut("y    = ", worldY));
            KooWind->LabelFnX->setText(ReadOut("f(x) = ", p.Y));
            KooWind->LabelFnY->setText(QString());
        } else if (kind == FnKindParametric) {
            KooWind->LabelX->setText(ReadOut("x     = ", worldX));
            KooWind->LabelY->setText(ReadOut("y     = ", worldY));
            KooWind->LabelFnX->setText(ReadOut("fx(t) = ", p.X));
            KooWind->LabelFnY->setText(ReadOut("fy(t) = ", p.Y));
            KooWind->LabelParam->setText(ReadOut("t       = ", p.T));
        }
    }
    if (MarkVisible) ToggleCursorMark(MarkX, MarkY);
    // Where the curve leaves the plot area the mark sticks to its edge.
    const int32_t markX = ClampX(DeviceOf(plot.KooSystem.XAxis, p.X));
    const int32_t markY = ClampY(DeviceOf(plot.KooSystem.YAxis, p.Y));
    ToggleCursorMark(markX, markY);
    MarkVisible = true;
    MarkX = markX;
    MarkY = markY;
}

void TDrawWindow::PaintBoxMouseUp(QMouseEvent* event) {
    if (PanDown && !(event->buttons() & Qt::MiddleButton)) EndPan();
    if (Plot().AxesPrepared()) {
        FrameDrawn = false;
        FrameVisible = FrameX1 != FrameX2 && FrameY1 != FrameY2;
        if (FrameVisible && LeftDown && Zoom1->isChecked()) ZoomToFrame();
    }
    LeftDown = false;
    RightDown = false;
}

void TDrawWindow::ZoomToFrame() {
    TPlot& plot = Plot();
    EndViewGesture();
    History->Push(std::make_unique<TStackElement>(CurrentView()));
    // Nothing is checked here: a range that cannot be prepared leaves the surface empty until
    // an undo or the dialog sets another one.
    TKooAxis& xAxis = plot.KooSystem.XAxis;
    const TAxisRange x = plot.ZoomRangeX(std::min(FrameX1, FrameX2), std::max(FrameX1, FrameX2));
    xAxis.From = std::min(x.Lo, x.Hi);
    xAxis.To = std::max(x.Lo, x.Hi);
    // The larger device y is the frame's lower edge, the lower world value.
    TKooAxis& yAxis = plot.KooSystem.YAxis;
    const TAxisRange y = plot.ZoomRangeY(std::max(FrameY1, FrameY2), std::min(FrameY1, FrameY2));
    yAxis.From = std::min(y.Lo, y.Hi);
    yAxis.To = std::max(y.Lo, y.Hi);
    FrameX2 = FrameX1;
    FrameY2 = FrameY1;
    ResetTickFactors();
    Redraw();
}

// ---- Keeping the cursor mark in step with the window. ----

void TDrawWindow::EraseBackground() {
    if (MarkVisible) ToggleCursorMark(MarkX, MarkY);
    MarkVisible = false;
}

void TDrawWindow::WindowPosChanging(bool zOrderChanges) {
    if (zOrderChanges) EraseBackground();
}

void TDrawWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Becoming the active window or giving that up is the window's change of place among the
    // windows on the screen.
    if (event->type() == QEvent::ActivationChange) WindowPosChanging(true);
}

void TDrawWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    WindowPosChanging(false);
}
