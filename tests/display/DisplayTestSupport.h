#pragma once
// The display window and the read-out window as the program has them, made for one test:
// both program-wide references set, the display window shown on the offscreen screen with a
// drawing surface of a chosen size.
#include "display/Drawwin.h"
#include "display/Koowin.h"
#include "engine/Real.h"
#include "plot/Canvas.h"
#include "plot/Plot.h"
#include "plot/PlotLayout.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <ostream>
#include <tuple>

struct TWindows {
    TWindows() {
        Koo = std::make_unique<TKooWind>();
        KooWind = Koo.get();
        Draw = std::make_unique<TDrawWindow>();
        DrawWindow = Draw.get();
    }
    ~TWindows() {
        Draw.reset();
        Koo.reset();
    }

    // Shows the display window, active, with a drawing surface of width x height pixels (as
    // near as the window's minimum size allows).
    void Show(int width, int height) {
        Draw->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(Draw.get()));
        for (int attempt = 0; attempt < 3 && Draw->PaintBox->size() != QSize(width, height);
             ++attempt) {
            Draw->resize(Draw->size() + QSize(width, height) - Draw->PaintBox->size());
            QApplication::processEvents();
        }
        Draw->activateWindow();
        QApplication::setActiveWindow(Draw.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(Draw.get()));
        QApplication::processEvents();
    }

    // Shown at 400 x 300 (or as asked) with `function` drawn.
    TDrawWindow& Plotting(const char* function, int width = 400, int height = 300) {
        Show(width, height);
        Draw->NewFunction(function);
        Draw->Redraw();
        return *Draw;
    }

    TPlot& Plot() { return Draw->Plot(); }

    std::unique_ptr<TKooWind> Koo;
    std::unique_ptr<TDrawWindow> Draw;
};

inline bool IsBlack(const QImage& image, int x, int y) {
    return image.valid(x, y) && (image.pixel(x, y) & 0xFFFFFFu) == 0;
}

// A move with `held` buttons down; QTest's own moves carry no buttons.
inline void MoveTo(TDrawWindow& w, QPoint pos, Qt::MouseButtons held = Qt::NoButton) {
    QMouseEvent event(QEvent::MouseMove, QPointF(pos), w.PaintBox->mapToGlobal(QPointF(pos)),
                      Qt::NoButton, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w.PaintBox, &event);
}

inline void RightClick(TDrawWindow& w, QPoint pos = {60, 60}) {
    QTest::mousePress(w.PaintBox, Qt::RightButton, Qt::NoModifier, pos);
    QTest::mouseRelease(w.PaintBox, Qt::RightButton, Qt::NoModifier, pos);
}

// Leaves a zoom frame from `a` to `b` and a cursor mark at `mark` on the surface, as the mouse
// would.
inline void PutFrameAndMark(TDrawWindow& w, QPoint a, QPoint b, QPoint mark) {
    std::tie(w.FrameX1, w.FrameY1, w.FrameX2, w.FrameY2) = std::tuple(a.x(), a.y(), b.x(), b.y());
    w.ToggleZoomFrame(w.FrameX1, w.FrameY1, w.FrameX2, w.FrameY2);
    w.FrameVisible = true;
    std::tie(w.MarkX, w.MarkY) = std::tuple(mark.x(), mark.y());
    w.ToggleCursorMark(w.MarkX, w.MarkY);
    w.MarkVisible = true;
}

// The plot's four range ends.
struct TView {
    Real XFrom, XTo, YFrom, YTo;
    bool operator==(const TView&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const TView& v) {
    return out << "x " << static_cast<double>(v.XFrom) << ".." << static_cast<double>(v.XTo)
               << " y " << static_cast<double>(v.YFrom) << ".." << static_cast<double>(v.YTo);
}

inline TView ViewOf(const TPlot& plot) {
    return {plot.GetXFrom(), plot.GetXTo(), plot.GetYFrom(), plot.GetYTo()};
}

inline void SetView(TDrawWindow& w, const TView& v, bool logX = false, bool logY = false) {
    w.SetXLogarithmic(logX);
    w.SetYLogarithmic(logY);
    w.SetXFrom(v.XFrom);
    w.SetXTo(v.XTo);
    w.SetYFrom(v.YFrom);
    w.SetYTo(v.YTo);
    w.Redraw();
}

inline int HistoryDepth() {
    int depth = 0;
    for (const TStackElement* e = ZoomHistory->Head.get(); e; e = e->FNext.get())
        ++depth;
    return depth;
}

// The surface point at a share of the plot area's width and height, from its lower left corner.
inline QPoint AreaPoint(const TPlot& plot, double sx, double sy) {
    const TKooAxis& x = plot.KooSystem.XAxis;
    const TKooAxis& y = plot.KooSystem.YAxis;
    return {x.DevStart + static_cast<int>(std::lround((x.DevEnd - x.DevStart) * sx)),
            y.DevStart + static_cast<int>(std::lround((y.DevEnd - y.DevStart) * sy))};
}

// The window's plot drawn through the one layout on a fresh image of the surface's size, as
// the clipboard copy and the exporter draw it; measured on the screen's canvas or on its own.
inline QImage DrawnThroughLayout(TDrawWindow& w, TLayoutKind kind, const QColor& background,
                                 bool measuredOnScreen) {
    const QImage& buffer = w.BackBuffer();
    QImage image(buffer.size(), QImage::Format_RGB32);
    image.setDotsPerMeterX(buffer.dotsPerMeterX());
    image.setDotsPerMeterY(buffer.dotsPerMeterY());
    image.fill(background);
    TCanvas canvas(&image);
    LayOutAndDrawPlot(w.Plot(), canvas, measuredOnScreen ? w.ScreenCanvas() : canvas,
                      w.SurfaceWidth(), w.SurfaceHeight(), kind, background);
    canvas.FreeHandle();
    return image;
}
