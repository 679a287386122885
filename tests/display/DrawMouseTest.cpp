// The mouse on the display window's drawing surface, driven with real mouse events: the zoom
// frame and the zoom, the history and its undo, coordinate tracking with its read-out texts
// and the cursor mark, and the marks kept in step with the window.
#include "display/Drawwin.h"
#include "display/Koowin.h"
#include "engine/Real.h"
#include "plot/Plot.h"
#include "tests/display/DisplayTestSupport.h"

#include <QAction>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

// A move with `held` buttons down; QTest's own moves carry no buttons.
void MoveTo(TDrawWindow& w, QPoint pos, Qt::MouseButtons held = Qt::NoButton) {
    QMouseEvent event(QEvent::MouseMove, QPointF(pos), w.PaintBox->mapToGlobal(QPointF(pos)),
                      Qt::NoButton, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w.PaintBox, &event);
}

void Drag(TDrawWindow& w, QPoint from, QPoint to, Qt::KeyboardModifiers keys = Qt::NoModifier) {
    QTest::mousePress(w.PaintBox, Qt::LeftButton, keys, from);
    MoveTo(w, (from + to) / 2, Qt::LeftButton);
    MoveTo(w, to, Qt::LeftButton);
    QTest::mouseRelease(w.PaintBox, Qt::LeftButton, keys, to);
}

void RightClick(TDrawWindow& w, QPoint pos = {60, 60}) {
    QTest::mousePress(w.PaintBox, Qt::RightButton, Qt::NoModifier, pos);
    QTest::mouseRelease(w.PaintBox, Qt::RightButton, Qt::NoModifier, pos);
}

struct TRanges {
    Real XFrom, XTo, YFrom, YTo;
    bool operator==(const TRanges&) const = default;
};

TRanges RangesOf(const TPlot& plot) {
    return {plot.GetXFrom(), plot.GetXTo(), plot.GetYFrom(), plot.GetYTo()};
}

// The range a frame between two surface points covers on linear axes.
TRanges FrameRange(const TPlot& plot, QPoint a, QPoint b) {
    return {plot.DevToWorldX(std::min(a.x(), b.x())), plot.DevToWorldX(std::max(a.x(), b.x())),
            plot.DevToWorldY(std::max(a.y(), b.y())), plot.DevToWorldY(std::min(a.y(), b.y()))};
}

int HistoryDepth() {
    int depth = 0;
    for (const TStackElement* e = ZoomHistory->Head.get(); e; e = e->FNext.get())
        ++depth;
    return depth;
}

void ResetView(TDrawWindow& w) {
    w.SetXFrom(-10);
    w.SetXTo(10);
    w.SetYFrom(-10);
    w.SetYTo(10);
    w.Redraw();
}

struct TDragRow {
    const char* Name;
    QPoint From, To;
    Qt::KeyboardModifiers Keys;
    bool ZoomMode;
    bool Zooms;
    bool FrameStays; // a dotted frame is left on the surface after the drag
};

const TDragRow DragRows[] = {
    {"DownRight", {100, 80}, {250, 200}, Qt::NoModifier, true, true, false},
    {"UpLeftGivesTheSameRange", {250, 200}, {100, 80}, Qt::NoModifier, true, true, false},
    {"ClickWithoutMovement", {100, 80}, {100, 80}, Qt::NoModifier, true, false, false},
    {"PurelyHorizontal", {100, 80}, {250, 80}, Qt::NoModifier, true, false, false},
    {"PurelyVertical", {100, 80}, {100, 200}, Qt::NoModifier, true, false, false},
    {"ShiftHeld", {100, 80}, {250, 200}, Qt::ShiftModifier, true, false, false},
    {"CtrlHeld", {100, 80}, {250, 200}, Qt::ControlModifier, true, false, false},
    {"ZoomModeOffLeavesTheFrame", {100, 80}, {250, 200}, Qt::NoModifier, false, false, true},
};

TEST(DrawMouse, DragZoomsToTheFrame) {
    TWindows windows;
    windows.Show(400, 300);
    TDrawWindow& w = *windows.Draw;
    w.NewFunction("X/2");
    for (const TDragRow& row : DragRows) {
        SCOPED_TRACE(row.Name);
        ResetView(w);
        const QImage clean = w.BackBuffer().copy();
        w.Zoom1->setChecked(row.ZoomMode);
        const TRanges before = RangesOf(w.Plot());
        const TRanges frame = FrameRange(w.Plot(), row.From, row.To);
        Drag(w, row.From, row.To, row.Keys);
        EXPECT_FALSE(w.LeftDown);
        EXPECT_EQ(RangesOf(w.Plot()) == frame, row.Zooms);
        EXPECT_EQ(RangesOf(w.Plot()) == before, !row.Zooms);
        EXPECT_EQ(HistoryDepth(), row.Zooms ? 1 : 0);
        EXPECT_EQ(w.FrameVisible, row.FrameStays);
        EXPECT_EQ(w.BackBuffer() != clean, row.Zooms || row.FrameStays);
        if (row.FrameStays) {
            // The next left press takes the frame off the surface.
            QTest::mousePress(w.PaintBox, Qt::LeftButton, Qt::NoModifier, row.From);
            EXPECT_EQ(w.BackBuffer(), clean);
            QTest::mouseRelease(w.PaintBox, Qt::LeftButton, Qt::NoModifier, row.From);
            EXPECT_FALSE(w.FrameVisible);
        }
    }
}

// A press of the left button while the right one is held starts no frame.
TEST(DrawMouse, SecondButtonStartsNoFrame) {
    TWindows windows;
    windows.Show(400, 300);
    TDrawWindow& w = *windows.Draw;
    w.NewFunction("X");
    w.Redraw();
    w.Zoom1->setChecked(true);
    const TRanges before = RangesOf(w.Plot());
    QTest::mousePress(w.PaintBox, Qt::RightButton, Qt::NoModifier, {100, 80});
    QTest::mousePress(w.PaintBox, Qt::LeftButton, Qt::NoModifier, {100, 80});
    EXPECT_FALSE(w.LeftDown);
    MoveTo(w, {250, 200}, Qt::LeftButton | Qt::RightButton);
    EXPECT_FALSE(w.FrameDrawn);
    QTest::mouseRelease(w.PaintBox, Qt::LeftButton, Qt::NoModifier, {250, 200});
    QTest::mouseRelease(w.PaintBox, Qt::RightButton, Qt::NoModifier, {250, 200});
    EXPECT_EQ(RangesOf(w.Plot()), before);
    EXPECT_TRUE(ZoomHistory->IsEmpty());
}

TEST(DrawMouse, RightClicksStepBackThroughTheHistory) {
    TWindows windows;
    windows.Show(400, 300);
    TDrawWindow& w = *windows.Draw;
    w.NewFunction("X");
    w.Redraw();
    w.Zoom1->setChecked(true);
    std::vector<TRanges> seen{RangesOf(w.Plot())};
    for (int i = 0; i < 3; ++i) {
        Drag(w, {60 + 10 * i, 50}, {300, 220 - 10 * i});
        seen.push_back(RangesOf(w.Plot()));
        EXPECT_NE(seen[seen.size() - 1], seen[seen.size() - 2]);
    }
    // Three steps back in reverse order; the fourth finds the history empty.
    for (int i = 2; i >= 0; --i) {
        RightClick(w);
        EXPECT_EQ(RangesOf(w.Plot()), seen[static_cast<size_t>(i)]) << "undo to step " << i;
    }
    RightClick(w);
    EXPECT_EQ(RangesOf(w.Plot()), seen[0]);
    EXPECT_TRUE(w.Plot().AxesPrepared());

    // A left press while the right button is still held after an undo undoes one more step.
    Drag(w, {60, 50}, {300, 220});
    Drag(w, {80, 60}, {200, 150});
    QTest::mousePress(w.PaintBox, Qt::RightButton, Qt::NoModifier, {60, 60});
    QTest::mousePress(w.PaintBox, Qt::LeftButton, Qt::NoModifier, {60, 60});
    EXPECT_EQ(RangesOf(w.Plot()), seen[0]);
    QTest::mouseRelease(w.PaintBox, Qt::LeftButton, Qt::NoModifier, {60, 60});
    QTest::mouseRelease(w.PaintBox, Qt::RightButton, Qt::NoModifier, {60, 60});

    // Ranges set from outside empty the history: the right button then changes nothing.
    Drag(w, {60, 50}, {300, 220});
    const TRanges zoomed = RangesOf(w.Plot());
    w.SetXFrom(zoomed.XFrom);
    w.Redraw();
    RightClick(w);
    EXPECT_EQ(RangesOf(w.Plot()), zoomed);
}

TEST(DrawMouse, LogarithmicAxesWidenToWholeDecades) {
    TWindows windows;
    windows.Show(400, 300);
    TDrawWindow& w = *windows.Draw;
    w.NewFunction("X");
    w.SetXLogarithmic(true);
    w.SetYLogarithmic(true);
    w.SetXFrom(-3);
    w.SetXTo(5);
    w.SetYFrom(-3);
    w.SetYTo(5);
    w.Redraw();
    w.Zoom1->setChecked(true);
    const TKooAxis& x = w.Plot().KooSystem.XAxis;
    const TKooAxis& y = w.Plot().KooSystem.YAxis;
    // The frame from a third to two thirds of the plot area in each direction.
    const QPoint a(x.DevStart + (x.DevEnd - x.DevStart) / 3,
                   y.DevStart + (y.DevEnd - y.DevStart) / 3);
    const QPoint b(x.DevStart + 2 * (x.DevEnd - x.DevStart) / 3,
                   y.DevStart + 2 * (y.DevEnd - y.DevStart) / 3);
    const Real lowX = std::log10(w.Plot().DevToWorldX(a.x()));
    const Real highX = std::log10(w.Plot().DevToWorldX(b.x()));
    const Real lowY = std::log10(w.Plot().DevToWorldY(a.y()));
    const Real highY = std::log10(w.Plot().DevToWorldY(b.y()));
    Drag(w, a, b);
    const TRanges r = RangesOf(w.Plot());
    for (Real end : {r.XFrom, r.XTo, r.YFrom, r.YTo})
        EXPECT_EQ(end, std::trunc(end));
    EXPECT_LE(r.XFrom, lowX);
    EXPECT_GE(r.XTo, highX);
    EXPECT_LE(r.YFrom, lowY);
    EXPECT_GE(r.YTo, highY);
    EXPECT_LT(r.XTo - r.XFrom, 8);
    EXPECT_TRUE(w.Plot().AxesPrepared());
}

// A frame left by a drag keeps its place in the plot area when the window is resized, and
// Redraw takes it away.
TEST(DrawMouse, FrameFollowsTheLayoutUntilRedraw) {
    TWindows windows;
    windows.Show(400, 300);
    TDrawWindow& w = *windows.Draw;
    w.NewFunction("X");
    w.Redraw();
    Drag(w, {100, 80}, {250, 200});
    ASSERT_TRUE(w.FrameVisible);
    const TKooAxis& x = w.Plot().KooSystem.XAxis;
    const Real share = (w.FrameX2 - x.DevStart) * 1.0L / (x.DevEnd - x.DevStart);
    windows.Show(600, 450);
    w.PaintBox->repaint();
    EXPECT_TRUE(w.FrameVisible);
    EXPECT_NEAR((w.FrameX2 - x.DevStart) * 1.0L / (x.DevEnd - x.DevStart), share, 0.01);
    // The frame is on the new surface: drawing it once more leaves the bare plot.
    const QImage withFrame = w.BackBuffer().copy();
    w.ToggleZoomFrame(w.FrameX1, w.FrameY1, w.FrameX2, w.FrameY2);
    const QImage bare = w.BackBuffer().copy();
    EXPECT_NE(bare, withFrame);
    w.ToggleZoomFrame(w.FrameX1, w.FrameY1, w.FrameX2, w.FrameY2);
    w.Redraw();
    EXPECT_FALSE(w.FrameVisible);
    EXPECT_EQ(w.BackBuffer(), bare);
}

// Dragging far outside the surface stops the frame at the plot area's edges; nothing outside
// the plot area changes.
TEST(DrawMouse, FrameNeverLeavesThePlotArea) {
    TWindows windows;
    windows.Show(400, 300);
    TDrawWindow& w = *windows.Draw;
    w.NewFunction("X");
    w.Redraw();
    const QImage clean = w.BackBuffer().copy();
    const TKooAxis& x = w.Plot().KooSystem.XAxis;
    const TKooAxis& y = w.Plot().KooSystem.YAxis;
    const QRect area(QPoint(x.DevStart, y.DevEnd), QPoint(x.DevEnd, y.DevStart));
    for (const QPoint far : {QPoint(-500, -500), QPoint(5000, 5000), QPoint(-1, 5000)}) {
        Drag(w, {150, 120}, far);
        EXPECT_TRUE(area.contains(w.FrameX2, w.FrameY2)) << far.x() << "," << far.y();
        EXPECT_TRUE(w.FrameX2 == x.DevStart || w.FrameX2 == x.DevEnd);
        EXPECT_TRUE(w.FrameY2 == y.DevStart || w.FrameY2 == y.DevEnd);
        int outside = 0;
        for (int py = 0; py < clean.height(); ++py)
            for (int px = 0; px < clean.width(); ++px)
                if (!area.contains(px, py) && w.BackBuffer().pixel(px, py) != clean.pixel(px, py))
                    ++outside;
        EXPECT_EQ(outside, 0);
    }
}

// A surface where device and world coordinates agree: x = column, y = 256 - row.
struct TUnitSurface {
    TUnitSurface() {
        windows.Show(256, 257);
        TDrawWindow& w = *windows.Draw;
        w.SetShowScale(false);
        w.SetXFrom(0);
        w.SetXTo(256);
        w.SetYFrom(0);
        w.SetYTo(256);
        EXPECT_EQ(w.PaintBox->size(), QSize(256, 257));
    }
    TWindows windows;
};

struct TTrackRow {
    const char* Name;
    std::function<void(TDrawWindow&)> Build;
    QPoint Mouse;
    const char* Texts[5];
    QPoint Mark;
};

const TTrackRow TrackRows[] = {
    {"FunctionValue",
     [](TDrawWindow& w) { w.NewFunction("X/2"); },
     {100, 56},
     {"x    = 100", "y    = 200", "f(x) = 50", "", "t"},
     {100, 206}},
    {"FifteenDigits",
     [](TDrawWindow& w) { w.NewFunction("X/3"); },
     {100, 56},
     {"x    = 100", "y    = 200", "f(x) = 33.3333333333333", "", "t"},
     {100, 223}},
    {"UndefinedShowsZero",
     [](TDrawWindow& w) { w.NewFunction("LN(X-150)"); },
     {100, 56},
     {"x    = 100", "y    = 200", "f(x) = 0", "", "t"},
     {100, 256}},
    {"CurveAboveTheAreaPinsTheMark",
     [](TDrawWindow& w) { w.NewFunction("X*10"); },
     {100, 56},
     {"x    = 100", "y    = 200", "f(x) = 1000", "", "t"},
     {100, 0}},
    {"OutsideTheAreaIsClamped",
     [](TDrawWindow& w) { w.NewFunction("X/2"); },
     {-40, 400},
     {"x    = 0", "y    = 0", "f(x) = 0", "", "t"},
     {0, 256}},
    {"Parametric",
     [](TDrawWindow& w) { w.NewParametric("T", "T*2", 0, 128, 1); },
     {60, 56},
     {"x     = 60", "y     = 200", "fx(t) = 92", "fy(t) = 184", "t       = 92"},
     {92, 72}},
};

TEST(DrawMouse, TrackingWritesTheReadOutAndMovesTheMark) {
    TUnitSurface surface;
    TDrawWindow& w = *surface.windows.Draw;
    w.NewFunction("X");
    w.Redraw();
    w.KoordinatenfensterClick();
    ASSERT_TRUE(w.Koordinatenfenster->isChecked());
    QLabel* const labels[] = {KooWind->LabelX, KooWind->LabelY, KooWind->LabelFnX,
                              KooWind->LabelFnY, KooWind->LabelParam};
    for (const TTrackRow& row : TrackRows) {
        SCOPED_TRACE(row.Name);
        row.Build(w);
        w.Redraw();
        // Row 5 is written by parametric curves only; y = f(x) leaves what was there.
        KooWind->LabelParam->setText("t");
        MoveTo(w, row.Mouse);
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(labels[i]->text().toStdString(), row.Texts[i]) << "row " << i + 1;
        EXPECT_TRUE(w.MarkVisible);
        EXPECT_EQ(QPoint(w.MarkX, w.MarkY), row.Mark);
    }
}

// The mark is erased before it is drawn anew, survives the repaints of its own rectangles,
// and switching tracking off leaves the back buffer exactly as it was.
TEST(DrawMouse, MarkLeavesNoTrace) {
    TUnitSurface surface;
    TDrawWindow& w = *surface.windows.Draw;
    w.NewFunction("SIN(X/20)*100+128");
    w.Redraw();
    QApplication::processEvents();
    const QImage clean = w.BackBuffer().copy();
    // Showing the read-out window may take the activation, which the window hears first.
    w.KoordinatenfensterClick();
    QApplication::processEvents();
    for (int column = 10; column < 250; column += 37) {
        MoveTo(w, {column, 100});
        QApplication::processEvents();
        ASSERT_TRUE(w.MarkVisible);
        EXPECT_NE(w.BackBuffer(), clean);
    }
    w.KoordinatenfensterClick();
    EXPECT_FALSE(w.MarkVisible);
    EXPECT_EQ(w.BackBuffer(), clean);
}

struct TBookkeepingRow {
    const char* Name;
    std::function<void(TDrawWindow&)> Event;
    bool MarkStays;
};

const TBookkeepingRow BookkeepingRows[] = {
    {"Deactivated",
     [](TDrawWindow& w) {
         QEvent change(QEvent::ActivationChange);
         QCoreApplication::sendEvent(&w, &change);
     },
     false},
    {"WindowRepaint", [](TDrawWindow& w) { w.repaint(); }, false},
    {"Moved",
     [](TDrawWindow& w) {
         w.move(w.pos() + QPoint(7, 5));
         QApplication::processEvents();
     },
     true},
    {"Resized", [](TDrawWindow& w) { w.resize(w.size() + QSize(20, 10)); }, false},
};

TEST(DrawMouse, WindowEventsForgetTheMark) {
    TUnitSurface surface;
    TDrawWindow& w = *surface.windows.Draw;
    w.NewFunction("X/2");
    w.Redraw();
    w.KoordinatenfensterClick();
    for (const TBookkeepingRow& row : BookkeepingRows) {
        SCOPED_TRACE(row.Name);
        w.Redraw();
        QApplication::processEvents();
        const QImage clean = w.BackBuffer().copy();
        MoveTo(w, {100, 100});
        ASSERT_TRUE(w.MarkVisible);
        row.Event(w);
        QApplication::processEvents();
        EXPECT_EQ(w.MarkVisible, row.MarkStays);
        // A forgotten mark is gone from the surface too.
        if (!row.MarkStays && w.BackBuffer().size() == clean.size()) {
            EXPECT_EQ(w.BackBuffer(), clean);
        }
        // The next move draws it again.
        MoveTo(w, {120, 100});
        EXPECT_TRUE(w.MarkVisible);
    }
}

// Before the first drawing the mouse changes nothing but the recorded position; a plot without
// curves tracks nothing, but its zoom steps back like any other.
TEST(DrawMouse, NothingHappensWithoutPreparedAxesOrCurves) {
    TWindows windows;
    TDrawWindow& w = *windows.Draw;
    w.NewFunction("X");
    w.Zoom1->setChecked(true);
    w.Koordinatenfenster->setChecked(true);
    Drag(w, {10, 10}, {200, 150});
    EXPECT_EQ(QPoint(w.MouseX, w.MouseY), QPoint(200, 150));
    EXPECT_EQ(RangesOf(w.Plot()), (TRanges{-10, 10, -10, 10}));
    EXPECT_FALSE(w.FrameVisible);
    EXPECT_FALSE(w.MarkVisible);

    windows.Show(300, 200);
    w.Plot().ClearFunctions();
    w.Redraw();
    ZoomHistory->Push(std::make_unique<TStackElement>(1, 2, 3, 4));
    MoveTo(w, {100, 100});
    EXPECT_FALSE(w.MarkVisible);
    EXPECT_TRUE(KooWind->LabelX->text().isEmpty());
    RightClick(w);
    EXPECT_EQ(RangesOf(w.Plot()), (TRanges{1, 2, 3, 4}));
    EXPECT_TRUE(ZoomHistory->IsEmpty());
}

// A zoom to a range the axes cannot take leaves an empty surface; the right button still
// brings the earlier range back.
TEST(DrawMouse, UndoLeadsOutOfAnUnusableZoom) {
    TWindows windows;
    windows.Show(400, 300);
    TDrawWindow& w = *windows.Draw;
    w.NewFunction("X");
    w.SetYLogarithmic(true);
    w.SetYFrom(-4951); // the smallest decade an extended number reaches
    w.SetYTo(0);
    w.Redraw();
    ASSERT_TRUE(w.Plot().AxesPrepared());
    const TRanges before = RangesOf(w.Plot());
    w.Zoom1->setChecked(true);
    const TKooAxis& y = w.Plot().KooSystem.YAxis;
    // Down to the bottom edge: widening takes the range one decade beyond the smallest.
    Drag(w, {100, y.DevEnd + 20}, {250, y.DevStart + 50});
    EXPECT_FALSE(w.Plot().AxesPrepared());
    MoveTo(w, {150, 150});
    RightClick(w);
    EXPECT_EQ(RangesOf(w.Plot()), before);
    EXPECT_TRUE(w.Plot().AxesPrepared());
}

} // namespace
