// Moving about the plot beside the frame zoom: wheel notches zoom about the point under the
// mouse, a drag with the middle button pans, and the arrow keys move the view while the drawing
// surface has the focus. Each gesture puts the view it started from onto the zoom history once,
// so a right click goes back to it, and writes the axis ends directly, as the frame zoom does,
// because the range setters would empty the history.
#include "display/Drawwin.h"
#include "plot/Plot.h"

#include <QAction>
#include <QKeyEvent>
#include <QMetaObject>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

// One notch of a wheel is 120 units of angle; finer wheels and touch pads send parts of it.
constexpr int64_t NotchAngle = 120;
// A notch zooms both linear axes in (or out) by this factor.
constexpr Real NotchFactor = 1.25L;
// Wheel notches or key presses closer together than this (milliseconds) are one gesture.
constexpr quint64 GesturePause = 500;
// A whole wheel turn in one event cannot ask for more than this.
constexpr int64_t MaxNotches = 40;
// Linear ends are kept well inside the extended numbers, and a range is kept wide enough
// against its ends that every pixel still has a world value of its own.
constexpr Real LargestEnd = 1e4000L;
constexpr Real NarrowestRange = 1e-4000L;
constexpr Real NarrowestShare = 1e-12L;

bool Within(quint64 last, quint64 now) {
    return now >= last && now - last < GesturePause;
}

// The axis unit at device coordinate p, from the axis's ends as they stand now: a view changed
// but not drawn yet has new ends while Scale still belongs to the old ones.
Real UnitsAt(const TKooAxis& axis, Real from, Real to, int32_t p) {
    const Real extent = static_cast<Real>(axis.DevEnd) - axis.DevStart;
    return from + (static_cast<Real>(p) - axis.DevStart) * (to - from) / extent;
}

bool UsableLinear(Real from, Real to) {
    if (!std::isfinite(from) || !std::isfinite(to)) return false;
    const Real largest = std::max(std::fabs(from), std::fabs(to));
    const Real range = std::fabs(to - from);
    return largest <= LargestEnd && range >= NarrowestRange && range >= largest * NarrowestShare;
}

bool UsableDecades(Real from, Real to) {
    return std::fabs(from) <= MaxDecadeExponent && std::fabs(to) <= MaxDecadeExponent &&
           std::fabs(to - from) >= 1;
}

// The ends of one axis after `notches` wheel notches (positive: in) about axis unit u. A
// logarithmic axis loses or gains one decade at each end per notch; it keeps at least one
// decade, giving up the decade farther from the mouse when only two are left. Ends that could
// not be drawn any more leave the axis as it is.
void WheelAxis(const TKooAxis& axis, int64_t notches, Real u, Real& from, Real& to) {
    if (!axis.Logarithmic) {
        const Real factor = std::pow(NotchFactor, static_cast<Real>(notches));
        const Real newFrom = u - (u - from) / factor;
        const Real newTo = u + (to - u) / factor;
        if (UsableLinear(newFrom, newTo)) {
            from = newFrom;
            to = newTo;
        }
        return;
    }
    // A reversed axis runs from its larger decade to its smaller one.
    Real lo = std::trunc(from);
    Real hi = std::trunc(to);
    const Real dir = hi >= lo ? 1 : -1;
    for (int64_t i = 0; i < std::llabs(notches); ++i) {
        const Real decades = std::fabs(hi - lo);
        if (notches > 0) {
            if (decades >= 3) {
                lo += dir;
                hi -= dir;
            } else if (decades == 2) {
                if (std::fabs(u - lo) < std::fabs(hi - u))
                    hi -= dir;
                else
                    lo += dir;
            } else {
                break;
            }
        } else {
            const bool lower = std::fabs(lo - dir) <= MaxDecadeExponent;
            const bool upper = std::fabs(hi + dir) <= MaxDecadeExponent;
            if (!lower && !upper) break;
            if (lower) lo -= dir;
            if (upper) hi += dir;
        }
    }
    if (UsableDecades(lo, hi)) {
        from = lo;
        to = hi;
    }
}

// The ends of one axis moved by `shift` axis units toward its To end; a logarithmic axis moves
// by the nearest whole number of decades. Ends that could not be drawn leave the axis as it is.
void ShiftAxis(const TKooAxis& axis, Real shift, Real& from, Real& to) {
    if (shift == 0) return;
    if (axis.Logarithmic) {
        const Real decades = std::nearbyint(shift);
        const Real lo = std::trunc(from) + decades;
        const Real hi = std::trunc(to) + decades;
        if (std::isfinite(decades) && UsableDecades(lo, hi)) {
            from = lo;
            to = hi;
        }
        return;
    }
    if (UsableLinear(from + shift, to + shift)) {
        from += shift;
        to += shift;
    }
}

bool SameView(const TStackElement& a, const TStackElement& b) {
    return a.XFrom == b.XFrom && a.XTo == b.XTo && a.YFrom == b.YFrom && a.YTo == b.YTo;
}

} // namespace

// ---- The history of a gesture. ----

void TDrawWindow::ChangeView(TViewGesture gesture, quint64 time, const TStackElement& view) {
    // A pan lasts as long as its drag; wheel and keys as long as they keep coming.
    const bool continues = gesture == Gesture && GestureTop != nullptr &&
                           History->Head.get() == GestureTop &&
                           (gesture == TViewGesture::Pan || Within(GestureTime, time));
    if (!continues) {
        History->Push(std::make_unique<TStackElement>(CurrentView()));
        Gesture = gesture;
        GestureTop = History->Head.get();
    }
    GestureTime = time;
    SetViewEnds(view);
    ResetTickFactors();
}

void TDrawWindow::EndViewGesture() {
    Gesture = TViewGesture::None;
    GestureTop = nullptr;
}

void TDrawWindow::RequestViewRedraw(bool track) {
    TrackAfterRedraw = track;
    if (ViewRedrawPending) return;
    ViewRedrawPending = true;
    QMetaObject::invokeMethod(this, &TDrawWindow::FlushViewRedraw, Qt::QueuedConnection);
}

void TDrawWindow::FlushViewRedraw() {
    if (!ViewRedrawPending) return;
    Redraw();
    TrackAfterViewChange();
}

void TDrawWindow::TrackAfterViewChange() {
    // Redraw took the cursor mark away; with the mouse over the surface it comes back at once.
    if (TrackAfterRedraw && Koordinatenfenster->isChecked() && HasCurrentCurve() &&
        Plot().AxesPrepared())
        TrackCoordinates(MouseX, MouseY);
}

// ---- The wheel. ----

void TDrawWindow::PaintBoxWheel(QWheelEvent* event) {
    event->accept();
    const QPoint pos = event->position().toPoint();
    MouseX = pos.x();
    MouseY = pos.y();
    TPlot& plot = Plot();
    if (!plot.AxesPrepared() || LeftDown || PanDown) return;
    const int64_t delta = event->angleDelta().y();
    if (delta == 0) return;
    const quint64 time = event->timestamp();
    // A pause, or turning the wheel the other way, starts counting whole notches afresh.
    if (!Within(WheelTime, time) || (WheelRemainder != 0 && (WheelRemainder > 0) != (delta > 0)))
        WheelRemainder = 0;
    WheelTime = time;
    const int64_t angle = WheelRemainder + delta;
    const int64_t notches = std::clamp(angle / NotchAngle, -MaxNotches, MaxNotches);
    WheelRemainder = static_cast<int32_t>(angle % NotchAngle);
    if (notches == 0) return;

    const TKooAxis& xAxis = plot.KooSystem.XAxis;
    const TKooAxis& yAxis = plot.KooSystem.YAxis;
    TStackElement view = CurrentView();
    // Over the labels the wheel zooms about the nearest point of the plot area.
    WheelAxis(xAxis, notches, UnitsAt(xAxis, view.XFrom, view.XTo, ClampX(MouseX)), view.XFrom,
              view.XTo);
    WheelAxis(yAxis, notches, UnitsAt(yAxis, view.YFrom, view.YTo, ClampY(MouseY)), view.YFrom,
              view.YTo);
    if (SameView(view, CurrentView())) return;
    ChangeView(TViewGesture::Wheel, time, view);
    Redraw();
    TrackAfterRedraw = true;
    TrackAfterViewChange();
}

// ---- The middle-button drag. ----

void TDrawWindow::StartPan(int32_t x, int32_t y) {
    const TPlot& plot = Plot();
    PanDown = true;
    PanX = x;
    PanY = y;
    PanXFrom = plot.GetXFrom();
    PanXTo = plot.GetXTo();
    PanYFrom = plot.GetYFrom();
    PanYTo = plot.GetYTo();
    EndViewGesture();
}

bool TDrawWindow::PanTo(int32_t x, int32_t y) {
    const TPlot& plot = Plot();
    const TKooAxis& xAxis = plot.KooSystem.XAxis;
    const TKooAxis& yAxis = plot.KooSystem.YAxis;
    // The axis unit that was under the mouse at the press comes under it now: the view moves
    // against the mouse by the units between the two places.
    TStackElement view(PanXFrom, PanXTo, PanYFrom, PanYTo);
    ShiftAxis(xAxis, UnitsAt(xAxis, PanXFrom, PanXTo, PanX) - UnitsAt(xAxis, PanXFrom, PanXTo, x),
              view.XFrom, view.XTo);
    ShiftAxis(yAxis, UnitsAt(yAxis, PanYFrom, PanYTo, PanY) - UnitsAt(yAxis, PanYFrom, PanYTo, y),
              view.YFrom, view.YTo);
    if (SameView(view, CurrentView())) return ViewRedrawPending;
    ChangeView(TViewGesture::Pan, 0, view);
    RequestViewRedraw(true);
    return true;
}

void TDrawWindow::EndPan() {
    PanDown = false;
    EndViewGesture();
    // The view where the drag ended is on the screen when the button is up.
    FlushViewRedraw();
}

// ---- The arrow keys. ----

void TDrawWindow::PaintBoxKeyDown(QKeyEvent* event) {
    int dx = 0;
    int dy = 0;
    switch (event->key()) {
    case Qt::Key_Left:
        dx = -1;
        break;
    case Qt::Key_Right:
        dx = 1;
        break;
    case Qt::Key_Up:
        dy = 1;
        break;
    case Qt::Key_Down:
        dy = -1;
        break;
    default:
        return;
    }
    // Shifted arrows are left to whoever wants them. While a title is edited the keys never
    // come here: the edit box holds the focus.
    if (event->modifiers() & ~Qt::KeyboardModifiers(Qt::KeypadModifier)) return;
    event->accept();
    TPlot& plot = Plot();
    if (!plot.AxesPrepared() || LeftDown || PanDown) return;

    // A tenth of the range; on a logarithmic axis a tenth of its decades, at least one.
    auto step = [](const TKooAxis& axis, Real from, Real to, int direction) -> Real {
        if (direction == 0) return 0;
        if (!axis.Logarithmic) return direction * (to - from) / 10;
        const Real decades = std::trunc(to) - std::trunc(from);
        const Real tenth = std::max<Real>(1, std::nearbyint(std::fabs(decades) / 10));
        return direction * (decades < 0 ? -tenth : tenth);
    };
    const TKooAxis& xAxis = plot.KooSystem.XAxis;
    const TKooAxis& yAxis = plot.KooSystem.YAxis;
    TStackElement view = CurrentView();
    ShiftAxis(xAxis, step(xAxis, view.XFrom, view.XTo, dx), view.XFrom, view.XTo);
    ShiftAxis(yAxis, step(yAxis, view.YFrom, view.YTo, dy), view.YFrom, view.YTo);
    if (SameView(view, CurrentView())) return;
    ChangeView(TViewGesture::Keys, event->timestamp(), view);
    RequestViewRedraw(PaintBox->underMouse());
}
