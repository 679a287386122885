// The mouse on the display window's drawing surface, driven with real mouse events: the zoom
// frame and the zoom, the history and its undo, coordinate tracking with its read-out texts
// and the cursor mark, and the marks kept in step with the window.
#include "tests/display/DisplayTestSupport.h"

#include <QAction>
#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

void Drag(TDrawWindow& w, QPoint from, QPoint to, Qt::KeyboardModifiers keys = Qt::NoModifier) {
    QTest::mousePress(w.PaintBox, Qt::LeftButton, keys, from);
    MoveTo(w, (from + to) / 2, Qt::LeftButton);
    MoveTo(w, to, Qt::LeftButton);
    QTest::mouseRelease(w.PaintBox, Qt::LeftButton, keys, to);
}

// The range a frame between two surface points covers on linear axes.
TView FrameRange(const TPlot& plot, QPoint a, QPoint b) {
    return {plot.DevToWorldX(std::min(a.x(), b.x())), plot.DevToWorldX(std::max(a.x(), b.x())),
            plot.DevToWorldY(std::max(a.y(), b.y())), plot.DevToWorldY(std::min(a.y(), b.y()))};
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
    {"ZoomModeOffLeavesTheFrameDrawnUpLeft",
     {250, 200},
     {100, 80},
     Qt::NoModifier,
     false,
     false,
     true},
};

TEST(DrawMouse, DragZoomsToTheFrame) {
    TWindows windows;
    TDrawWindow& w = windows.Plotting("X/2");
    for (const TDragRow& row : DragRows) {
        SCOPED_TRACE(row.Name);
        SetView(w, {-10, 10, -10, 10});
        const QImage clean = w.BackBuffer().copy();
        w.Zoom1->setChecked(row.ZoomMode);
        const TView before = ViewOf(w.Plot());
        const TView frame = FrameRange(w.Plot(), row.From, row.To);
        Drag(w, row.From, row.To, row.Keys);
        EXPECT_FALSE(w.LeftDown);
        EXPECT_EQ(ViewOf(w.Plot()) == frame, row.Zooms);
        EXPECT_EQ(ViewOf(w.Plot()) == before, !row.Zooms);
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

TEST(DrawMouse, RightClicksStepBackThroughTheHistory) {
    TWindows windows;
    TDrawWindow& w = windows.Plotting("X");
    w.Zoom1->setChecked(true);
    std::vector<TView> seen{ViewOf(w.Plot())};
    for (int i = 0; i < 3; ++i) {
        Drag(w, {60 + 10 * i, 50}, {300, 220 - 10 * i});
        seen.push_back(ViewOf(w.Plot()));
        EXPECT_NE(seen[seen.size() - 1], seen[seen.size() - 2]);
    }
    // Three steps back in reverse order; the fourth finds the history empty.
    for (int i = 2; i >= 0; --i) {
        RightClick(w);
        EXPECT_EQ(ViewOf(w.Plot()), seen[static_cast<size_t>(i)]) << "undo to step " << i;
    }
    RightClick(w);
    EXPECT_EQ(ViewOf(w.Plot()), seen[0]);
    EXPECT_TRUE(w.Plot().AxesPrepared());

    // A left press while the right button is still held undoes one more step and starts no
    // frame.
    Drag(w, {60, 50}, {300, 220});
    Drag(w, {80, 60}, {200, 150});
    QTest::mousePress(w.PaintBox, Qt::RightButton, Qt::NoModifier, {60, 60});
    QTest::mousePress(w.PaintBox, Qt::LeftButton, Qt::NoModifier, {60, 60});
    EXPECT_EQ(ViewOf(w.Plot()), seen[0]);
    EXPECT_FALSE(w.LeftDown);
    MoveTo(w, {250, 200}, Qt::LeftButton | Qt::RightButton);
    EXPECT_FALSE(w.FrameDrawn);
    QTest::mouseRelease(w.PaintBox, Qt::LeftButton, Qt::NoModifier, {250, 200});
    QTest::mouseRelease(w.PaintBox, Qt::RightButton, Qt::NoModifier, {250, 200});
    EXPECT_EQ(ViewOf(w.Plot()), seen[0]);
    EXPECT_TRUE(ZoomHistory->IsEmpty());
}

TEST(DrawMouse, LogarithmicAxesWidenToWholeDecades) {
    TWindows windows;
    TDrawWindow& w = windows.Plotting("X");
    SetView(w, {-3, 5, -3, 5}, true, true);
    w.Zoom1->setChecked(true);
    // The frame from a third to two thirds of the plot area in each direction.
    const QPoint a = AreaPoint(w.Plot(), 1 / 3.0, 1 / 3.0);
    const QPoint b = AreaPoint(w.Plot(), 2 / 3.0, 2 / 3.0);
    const TView frame{
        std::log10(w.Plot().DevToWorldX(a.x())), std::log10(w.Plot().DevToWorldX(b.x())),
        std::log10(w.Plot().DevToWorldY(a.y())), std::log10(w.Plot().DevToWorldY(b.y()))};
    Drag(w, a, b);
    const TView r = ViewOf(w.Plot());
    for (Real end : {r.XFrom, r.XTo, r.YFrom, r.YTo})
        EXPECT_EQ(end, std::trunc(end));
    EXPECT_TRUE(r.XFrom <= frame.XFrom && r.XTo >= frame.XTo) << r << " holds " << frame;
    EXPECT_TRUE(r.YFrom <= frame.YFrom && r.YTo >= frame.YTo) << r << " holds " << frame;
    EXPECT_LT(r.XTo - r.XFrom, 8);
    EXPECT_TRUE(w.Plot().AxesPrepared());
}

// A frame left by a drag keeps its place in the plot area when the window is resized, and
// Redraw takes it away.
TEST(DrawMouse, FrameFollowsTheLayoutUntilRedraw) {
    TWindows windows;
    TDrawWindow& w = windows.Plotting("X");
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
    TDrawWindow& w = windows.Plotting("X");
    const QImage clean = w.BackBuffer().copy();
    const TKooAxis& x = w.Plot().KooSystem.XAxis;
    const TKooAxis& y = w.Plot().KooSystem.YAxis;
    const QRect area(QPoint(x.DevStart, y.DevEnd), QPoint(x.DevEnd, y.DevStart));
    for (const QPoint far : {QPoint(-500, -500), QPoint(5000, 5000), QPoint(-1, 5000)}) {
        SCOPED_TRACE(testing::Message() << far.x() << "," << far.y());
        Drag(w, {150, 120}, far);
        EXPECT_TRUE(w.FrameX2 == x.DevStart || w.FrameX2 == x.DevEnd);
        EXPECT_TRUE(w.FrameY2 == y.DevStart || w.FrameY2 == y.DevEnd);
        int outside = 0;
        for (int py = 0; py < clean.height(); ++py)
            for (int px = 0; px < clean.width(); ++px)
                outside +=
                    !area.contains(px, py) && w.BackBuffer().pixel(px, py) != clean.pixel(px, py);
        EXPECT_EQ(outside, 0);
    }
}

// A surface where device and world coordinates agree: x = column, y = 256 - row.
TDrawWindow& UnitSurface(TWindows& windows, const char* function) {
    TDrawWindow& w = windows.Plotting(function, 256, 257);
    EXPECT_EQ(w.PaintBox->size(), QSize(256, 257));
    SetView(w, {0, 256, 0, 256});
    w.SetShowScale(false);
    w.Redraw();
    QApplication::processEvents();
    return w;
}

struct TTrackRow {
    const char* Name;
    const char* Function; // empty: the parametric curve (T, 2T) for T from 0 to 128
    QPoint Mouse, Mark;
    const char* Texts; // the read-out's five rows, joined by |
};

// clang-format off
const TTrackRow TrackRows[] = {
    {"15Digits", "X/3", {100, 56}, {100, 223}, "x    = 100|y    = 200|f(x) = 33.3333333333333||t"},
    {"UndefinedIs0", "LN(X-150)", {100, 56}, {100, 256}, "x    = 100|y    = 200|f(x) = 0||t"},
    {"MarkPinnedAtTop", "X*10", {100, 56}, {100, 0}, "x    = 100|y    = 200|f(x) = 1000||t"},
    {"OutsideIsClamped", "X/2", {-40, 400}, {0, 256}, "x    = 0|y    = 0|f(x) = 0||t"},
    {"Parametric", "", {60, 56}, {92, 72}, "x     = 60|y     = 200|fx(t) = 92|fy(t) = 184|t       = 92"},
};
// clang-format on

TEST(DrawMouse, TrackingWritesTheReadOutAndMovesTheMark) {
    TWindows windows;
    TDrawWindow& w = UnitSurface(windows, "X");
    w.KoordinatenfensterClick();
    ASSERT_TRUE(w.Koordinatenfenster->isChecked());
    for (const TTrackRow& row : TrackRows) {
        SCOPED_TRACE(row.Name);
        if (*row.Function)
            w.NewFunction(row.Function);
        else
            w.NewParametric("T", "T*2", 0, 128, 1);
        w.Redraw();
        // Row 5 is written by parametric curves only; y = f(x) leaves what was there.
        KooWind->LabelParam->setText("t");
        MoveTo(w, row.Mouse);
        const QStringList texts = {KooWind->LabelX->text(), KooWind->LabelY->text(),
                                   KooWind->LabelFnX->text(), KooWind->LabelFnY->text(),
                                   KooWind->LabelParam->text()};
        EXPECT_EQ(texts.join('|').toStdString(), row.Texts);
        EXPECT_TRUE(w.MarkVisible);
        EXPECT_EQ(QPoint(w.MarkX, w.MarkY), row.Mark);
    }
}

// The mark is erased before it is drawn anew, survives the repaints of its own rectangles,
// and switching tracking off leaves the back buffer exactly as it was.
TEST(DrawMouse, MarkLeavesNoTrace) {
    TWindows windows;
    TDrawWindow& w = UnitSurface(windows, "SIN(X/20)*100+128");
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

void Deactivate(TDrawWindow& w) {
    QEvent change(QEvent::ActivationChange);
    QCoreApplication::sendEvent(&w, &change);
}

struct TBookkeepingRow {
    const char* Name;
    void (*Event)(TDrawWindow&);
    bool MarkStays;
};

const TBookkeepingRow BookkeepingRows[] = {
    {"Deactivated", Deactivate, false},
    {"WindowRepaint", [](TDrawWindow& w) { w.repaint(); }, false},
    {"Moved", [](TDrawWindow& w) { w.move(w.pos() + QPoint(7, 5)); }, true},
    {"Resized", [](TDrawWindow& w) { w.resize(w.size() + QSize(20, 10)); }, false},
};

TEST(DrawMouse, WindowEventsForgetTheMark) {
    TWindows windows;
    TDrawWindow& w = UnitSurface(windows, "X/2");
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
    EXPECT_EQ(ViewOf(w.Plot()), (TView{-10, 10, -10, 10}));
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
    EXPECT_EQ(ViewOf(w.Plot()), (TView{1, 2, 3, 4}));
    EXPECT_TRUE(ZoomHistory->IsEmpty());
}

// A zoom to a range the axes cannot take leaves an empty surface; the right button still
// brings the earlier range back.
TEST(DrawMouse, UndoLeadsOutOfAnUnusableZoom) {
    TWindows windows;
    TDrawWindow& w = windows.Plotting("X");
    SetView(w, {-10, 10, -4951, 0}, false, true); // the smallest decade an extended number reaches
    ASSERT_TRUE(w.Plot().AxesPrepared());
    w.Zoom1->setChecked(true);
    const TKooAxis& y = w.Plot().KooSystem.YAxis;
    // Down to the bottom edge: widening takes the range one decade beyond the smallest.
    Drag(w, {100, y.DevEnd + 20}, {250, y.DevStart + 50});
    EXPECT_FALSE(w.Plot().AxesPrepared());
    MoveTo(w, {150, 150});
    RightClick(w);
    EXPECT_EQ(ViewOf(w.Plot()), (TView{-10, 10, -4951, 0}));
    EXPECT_TRUE(w.Plot().AxesPrepared());
}

} // namespace
