// quoril-bench-plot: one full redraw of a reference scene on a 1920 x 1080 image, and one mouse
// move over the display window showing it.
//   redraw/quoril: the plot model's layout and Draw through TCanvas, as the plot window does it.
//   redraw/window: the display window's whole Redraw on a drawing surface of that size: layout,
//                  drawing into its back buffer and the copy of the back buffer to the screen.
//   redraw/limit:  the same samples evaluated by the engine, mapped, clipped and broken at the
//                  same places, drawn with one QPainter::drawPolyline per pen-down run, and the
//                  same grid, labels, frame and titles drawn directly with QPainter.
//   track/move:    one mouse move over the window's surface with coordinate tracking on the
//                  scene's y = f(x) curve: read-out texts, the mark erased and drawn again, and
//                  the repaint of what changed.
//   zoom/move:     one mouse move while the zoom frame is dragged across most of the surface:
//                  the frame erased and drawn again, and the repaint of what changed.
//   wheel/notch:   one wheel notch over the window's surface, in and out by turns: the new
//                  ranges about the point under the mouse and the one redraw they cost.
#include "display/Drawwin.h"
#include "display/Koowin.h"
#include "engine/Convert.h"
#include "engine/Errors.h"
#include "engine/Evaluator.h"
#include "engine/Globals.h"
#include "engine/Parser.h"
#include "plot/Canvas.h"
#include "plot/Plot.h"
#include "plot/PlotLayout.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QPolygon>
#include <QWheelEvent>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int Width = 1920;
constexpr int Height = 1080;
constexpr Real Pi = 3.14159265358979323846264338327950288L;
const char* const Functions[] = {"SIN(X)", "X^2/10", "1/X", "EXP(X)"};

QImage MakeImage() {
    QImage image(Width, Height, QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(96 / 0.0254));
    image.setDotsPerMeterY(qRound(96 / 0.0254));
    return image;
}

void BuildScene(TPlot& plot) {
    plot.NewFunction(Functions[0]);
    for (int i = 1; i < 4; ++i) {
        plot.AddFunction(Functions[i]);
    }
    plot.AddParametric("COS(T)", "SIN(T)", 0, 2 * Pi, 0.001L);
    plot.SetXFrom(-10);
    plot.SetXTo(10);
    plot.SetYFrom(-5);
    plot.SetYTo(5);
}

void RedrawQuoril(benchmark::State& state) {
    TPlot plot;
    BuildScene(plot);
    QImage image = MakeImage();
    for (auto _ : state) {
        image.fill(Qt::white);
        TCanvas canvas(&image);
        LayOutAndDrawPlot(plot, canvas, canvas, Width, Height, TLayoutKind::Screen, Qt::white);
        canvas.FreeHandle();
        benchmark::DoNotOptimize(image.constBits());
    }
}

// Shows the window with the scene on a drawing surface of the scene's size; false, with the
// benchmark marked skipped, when the surface cannot be made that large.
bool ShowWindow(TDrawWindow& window, benchmark::State& state) {
    BuildScene(window.Plot());
    window.show();
    // The drawing surface, not the window, gets the scene's size.
    for (int attempt = 0; attempt < 3 && window.PaintBox->size() != QSize(Width, Height);
         ++attempt) {
        window.resize(window.size() + QSize(Width, Height) - window.PaintBox->size());
        QApplication::processEvents();
    }
    QApplication::processEvents();
    if (window.PaintBox->size() == QSize(Width, Height)) return true;
    state.SkipWithError("the drawing surface cannot be made 1920 x 1080");
    return false;
}

// Sends one mouse event to the drawing surface.
void SendMouse(TDrawWindow& window, QEvent::Type type, QPoint pos, Qt::MouseButtons held) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(pos), window.PaintBox->mapToGlobal(QPointF(pos)), button, held,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(window.PaintBox, &event);
}

void RedrawWindow(benchmark::State& state) {
    TDrawWindow window;
    if (!ShowWindow(window, state)) return;
    for (auto _ : state) {
        window.Redraw();
        benchmark::DoNotOptimize(window.BackBuffer().constBits());
    }
}

void TrackMove(benchmark::State& state) {
    TKooWind readOut;
    KooWind = &readOut;
    TDrawWindow window;
    if (!ShowWindow(window, state)) return;
    // Tracking on, as the menu item switches it; the read-out window shows the texts.
    window.KoordinatenfensterClick();
    QApplication::processEvents();
    // Two columns apart, so that every move writes new texts and moves the mark.
    const QPoint places[] = {{700, 500}, {1300, 520}};
    int i = 0;
    for (auto _ : state) {
        SendMouse(window, QEvent::MouseMove, places[i], Qt::NoButton);
        // The repaint of the changed rectangles.
        QApplication::processEvents();
        i = 1 - i;
    }
    if (!window.MarkVisible) state.SkipWithError("the cursor mark was not drawn");
    KooWind = nullptr;
}

void ZoomMove(benchmark::State& state) {
    TDrawWindow window;
    if (!ShowWindow(window, state)) return;
    SendMouse(window, QEvent::MouseButtonPress, {150, 100}, Qt::LeftButton);
    const QPoint places[] = {{1800, 950}, {1700, 1000}};
    int i = 0;
    for (auto _ : state) {
        SendMouse(window, QEvent::MouseMove, places[i], Qt::LeftButton);
        QApplication::processEvents();
        i = 1 - i;
    }
    if (!window.FrameDrawn) state.SkipWithError("the zoom frame was not drawn");
    SendMouse(window, QEvent::MouseButtonRelease, places[i], Qt::NoButton);
}

void WheelNotch(benchmark::State& state) {
    TDrawWindow window;
    if (!ShowWindow(window, state)) return;
    const QPoint place(700, 500);
    int delta = 120;
    quint64 time = 0;
    for (auto _ : state) {
        QWheelEvent event(QPointF(place), window.PaintBox->mapToGlobal(QPointF(place)), QPoint(),
                          QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        // Notches a tenth of a second apart: one gesture, one step of history.
        event.setTimestamp(time += 100);
        QCoreApplication::sendEvent(window.PaintBox, &event);
        QApplication::processEvents();
        delta = -delta;
    }
    if (ZoomHistory == nullptr || ZoomHistory->IsEmpty()) state.SkipWithError("no notch zoomed");
}

// ---- The limit: the same picture with nothing between the engine and QPainter. ----

// One axis's mapping, taken from the laid-out plot.
struct TAxisMap {
    Real From;
    Real Scale;
    int32_t DevStart;
    int32_t DevEnd;
    bool IsX;

    int32_t Low() const { return IsX ? DevStart : DevEnd; }
    int32_t High() const { return IsX ? DevEnd : DevStart; }
    int32_t Half() const { return std::abs(DevEnd - DevStart) / 2; }
    // Rounded, then clipped; sets clipped.
    int32_t Map(Real v, bool& clipped) const {
        const int32_t d =
            RoundToInt32(IsX ? (v - From) / Scale + DevStart : (v - From) * Scale + DevStart);
        clipped = d < Low() || d > High();
        return d < Low() ? Low() : (d > High() ? High() : d);
    }
};

struct TLimitScene {
    std::vector<TExprTree> Trees;
    TExprTree XTree;
    TExprTree YTree;
    TAxisMap X{};
    TAxisMap Y{};
    int32_t XOuter = 0;
    int32_t YOuter = 0;
};

void FlushRun(QPainter& painter, QPolygon& run) {
    if (run.size() > 1) {
        painter.drawPolyline(run);
    }
    run.clear();
}

// Repeated points add nothing to the picture; leaving them out spares the rasteriser.
void AppendPoint(QPolygon& run, int32_t px, int32_t py) {
    if (run.isEmpty() || run.last() != QPoint(px, py)) {
        run.append(QPoint(px, py));
    }
}

void DrawLimitCurves(QPainter& painter, const TLimitScene& scene) {
    painter.setPen(QPen(Qt::black, 0, Qt::SolidLine));
    painter.setBrush(Qt::NoBrush);
    QPolygon run;
    run.reserve(8192);
    for (const TExprTree& tree : scene.Trees) {
        for (int32_t px = scene.X.DevStart; px < scene.X.DevEnd; ++px) {
            VariableValue = (px - scene.X.DevStart) * scene.X.Scale + scene.X.From;
            Real y;
            try {
                y = EvaluateTree(tree);
            } catch (const EEvalError&) {
                y = scene.Y.From;
            }
            bool clipped = false;
            const int32_t py = scene.Y.Map(y, clipped);
            if (!run.isEmpty() && clipped && std::abs(py - run.last().y()) > scene.Y.Half()) {
                FlushRun(painter, run);
            }
            AppendPoint(run, px, py);
        }
        FlushRun(painter, run);
    }
    Real t = 0;
    for (;;) {
        Real x;
        Real y;
        try {
            VariableValue = t;
            x = EvaluateTree(scene.XTree);
            y = EvaluateTree(scene.YTree);
        } catch (const EEvalError&) {
            x = scene.X.From;
            y = scene.Y.From;
        }
        bool xClipped = false;
        bool yClipped = false;
        const int32_t px = scene.X.Map(x, xClipped);
        const int32_t py = scene.Y.Map(y, yClipped);
        if (!run.isEmpty() && ((xClipped && std::abs(px - run.last().x()) > scene.X.Half()) ||
                               (yClipped && std::abs(py - run.last().y()) > scene.Y.Half()))) {
            FlushRun(painter, run);
        }
        AppendPoint(run, px, py);
        t += 0.001L;
        if (t > 2 * Pi) {
            break;
        }
    }
    FlushRun(painter, run);
}

QFont ArialPoints(int points) {
    QFont font("Arial");
    font.setPixelSize(static_cast<int>(std::lround(points * 96 / 72.0)));
    return font;
}

// Grid lines at the same ticks as the plot's (every 5 on x, every 2 on y), labels, frame,
// titles and headline.
void DrawLimitScale(QPainter& painter, const TLimitScene& scene) {
    const QFont labelFont = ArialPoints(10);
    const QFontMetrics metrics(labelFont);
    painter.setFont(labelFont);
    painter.setBrush(Qt::NoBrush);
    const QPen gridPen(Qt::black, 0, Qt::DotLine);
    const QPen framePen(Qt::black, 0, Qt::SolidLine);
    const TAxisMap& x = scene.X;
    const TAxisMap& y = scene.Y;
    const int32_t xTitleSpace = static_cast<int32_t>(std::lround(metrics.height() * 1.5));
    for (Real v = -10; v <= 10; v += 5) {
        bool clipped = false;
        const int32_t pos = x.Map(v, clipped);
        painter.setPen(gridPen);
        painter.drawLine(pos, y.DevStart, pos, y.DevEnd);
        const QString label = QString::fromStdString(FloatToDotTextF(ffGeneral, 4, 2, v));
        painter.setPen(framePen);
        painter.drawText(pos - metrics.horizontalAdvance(label) / 2,
                         scene.YOuter - metrics.height() - xTitleSpace + metrics.ascent(), label);
    }
    for (Real v = -4; v <= 4; v += 2) {
        bool clipped = false;
        const int32_t pos = y.Map(v, clipped);
        painter.setPen(gridPen);
        painter.drawLine(x.DevStart, pos, x.DevEnd, pos);
        const QString label = QString::fromStdString(FloatToDotTextF(ffGeneral, 4, 2, v));
        painter.setPen(framePen);
        painter.drawText(scene.XOuter + xTitleSpace, pos - metrics.height() / 2 + metrics.ascent(),
                         label);
    }
    painter.setPen(framePen);
    const QPoint frame[] = {{x.DevStart, y.DevStart},
                            {x.DevEnd, y.DevStart},
                            {x.DevEnd, y.DevEnd},
                            {x.DevStart, y.DevEnd},
                            {x.DevStart, y.DevStart}};
    painter.drawPolyline(frame, 5);
    painter.drawText((x.DevStart + x.DevEnd - metrics.horizontalAdvance("x")) / 2,
                     scene.YOuter - metrics.height() + metrics.ascent(), "x");
    painter.save();
    painter.translate(scene.XOuter, (y.DevStart + y.DevEnd + metrics.horizontalAdvance("y")) / 2);
    painter.rotate(-90);
    painter.drawText(0, metrics.ascent(), "y");
    painter.restore();
    painter.drawText((x.DevStart + x.DevEnd - metrics.horizontalAdvance("SIN(X)")) / 2,
                     metrics.ascent(), "SIN(X)");
}

void RedrawLimit(benchmark::State& state) {
    // The device ranges of the plot window's layout, taken once from the model.
    TPlot plot;
    BuildScene(plot);
    QImage image = MakeImage();
    {
        TCanvas canvas(&image);
        LayOutAndDrawPlot(plot, canvas, canvas, Width, Height, TLayoutKind::Screen, Qt::white);
    }
    const TKooAxis& xAxis = plot.KooSystem.XAxis;
    const TKooAxis& yAxis = plot.KooSystem.YAxis;
    TLimitScene scene;
    for (const char* text : Functions) {
        scene.Trees.push_back(CompileExpression(text, "X"));
    }
    scene.XTree = CompileExpression("COS(T)", "T");
    scene.YTree = CompileExpression("SIN(T)", "T");
    scene.X = {xAxis.From, xAxis.Scale, xAxis.DevStart, xAxis.DevEnd, true};
    scene.Y = {yAxis.From, yAxis.Scale, yAxis.DevStart, yAxis.DevEnd, false};
    scene.XOuter = xAxis.OuterEdge;
    scene.YOuter = yAxis.OuterEdge;
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        DrawLimitScale(painter, scene);
        DrawLimitCurves(painter, scene);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}

} // namespace

BENCHMARK(RedrawQuoril)->Name("redraw/quoril")->Unit(benchmark::kMillisecond);
BENCHMARK(RedrawWindow)->Name("redraw/window")->Unit(benchmark::kMillisecond);
BENCHMARK(RedrawLimit)->Name("redraw/limit")->Unit(benchmark::kMillisecond);
BENCHMARK(TrackMove)->Name("track/move")->Unit(benchmark::kMicrosecond);
BENCHMARK(ZoomMove)->Name("zoom/move")->Unit(benchmark::kMicrosecond);
BENCHMARK(WheelNotch)->Name("wheel/notch")->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    // Fonts and the display window need a QApplication; without a window system it runs
    // offscreen.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && !qEnvironmentVariableIsSet("DISPLAY") &&
        !qEnvironmentVariableIsSet("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    StartEngine();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return EXIT_FAILURE;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return EXIT_SUCCESS;
}
