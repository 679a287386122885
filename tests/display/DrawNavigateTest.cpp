// Moving about the plot with real wheel, mouse and key events: zooming about the point under the
// mouse, panning with the middle button, the arrow keys, one history step per gesture, one
// redraw per step; and the small mouse fixes beside them (right double click, read-out window).
#include "tests/display/DisplayTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPaintEvent>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>
#include <QWindow>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

namespace {

// One wheel event of `delta` angle units at `pos`, stamped `time` milliseconds.
void Wheel(TDrawWindow& w, QPoint pos, int delta, quint64 time) {
    QWheelEvent event(QPointF(pos), w.PaintBox->mapToGlobal(QPointF(pos)), QPoint(),
                      QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    event.setTimestamp(time);
    QCoreApplication::sendEvent(w.PaintBox, &event);
}

// A key pressed where the keyboard focus is, stamped `time`; the view is drawn afterwards.
void Press(Qt::Key key, quint64 time) {
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    event.setTimestamp(time);
    QCoreApplication::sendEvent(target, &event);
    QApplication::processEvents();
}

// Drags with the middle button in `steps` moves, letting each move be drawn.
void MiddleDrag(TDrawWindow& w, QPoint from, QPoint to, int steps = 3) {
    QTest::mousePress(w.PaintBox, Qt::MiddleButton, Qt::NoModifier, from);
    for (int i = 1; i <= steps; ++i) {
        MoveTo(w, from + (to - from) * i / steps, Qt::MiddleButton);
        QApplication::processEvents();
    }
    QTest::mouseRelease(w.PaintBox, Qt::MiddleButton, Qt::NoModifier, to);
}

// Counts the repaints of the whole drawing surface, which only a redraw of the plot makes;
// the marks repaint small rectangles.
struct TRedrawCounter : QObject {
    explicit TRedrawCounter(QWidget* surface) : Surface(surface) {
        surface->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == Surface && event->type() == QEvent::Paint &&
            static_cast<QPaintEvent*>(event)->rect() == Surface->rect())
            ++Count;
        return false;
    }
    QWidget* Surface;
    int Count = 0;
};

// Steps of a gesture, for the rows below.
using TStep = std::function<void(TDrawWindow&)>;

// `count` wheel events `every` milliseconds apart, the first stamped `time`.
TStep Notches(QPoint at, int delta, quint64 time, int count = 1, quint64 every = 0) {
    return [=](TDrawWindow& w) {
        for (int i = 0; i < count; ++i)
            Wheel(w, at, delta, time + every * i);
    };
}

// A middle drag in `moves` moves, drawn move by move or all in one turn of the event loop.
TStep Drag(QPoint from, QPoint to, int moves = 3, bool inOneTurn = false) {
    return [=](TDrawWindow& w) {
        if (!inOneTurn) return MiddleDrag(w, from, to, moves);
        QTest::mousePress(w.PaintBox, Qt::MiddleButton, Qt::NoModifier, from);
        for (int i = 1; i <= moves; ++i)
            MoveTo(w, from + (to - from) * i / moves, Qt::MiddleButton);
        QApplication::processEvents();
        QTest::mouseRelease(w.PaintBox, Qt::MiddleButton, Qt::NoModifier, to);
    };
}

TStep Key(Qt::Key key, quint64 time) {
    return [=](TDrawWindow&) { Press(key, time); };
}

struct TNotchRow {
    const char* Name;
    double Sx, Sy; // the mouse, as a share of the plot area
    std::vector<int> Deltas;
    int Notches; // in, less out
};

const TNotchRow NotchRows[] = {
    {"InNearACorner", 0.1, 0.85, {120}, 1},
    {"OutNearTheOtherCorner", 0.93, 0.07, {-120}, -1},
    {"QuarterNotchesAddUp", 0.7, 0.4, {30, 30, 30, 30}, 1},
    {"ThreeQuartersAreNoNotch", 0.7, 0.4, {30, 30, 30}, 0},
    {"TurningBackDropsTheParts", 0.7, 0.4, {90, -30, -90}, -1},
    {"OverTheLabelsZoomsAboutTheEdge", -0.1, -0.1, {240}, 2},
};

TEST(DrawNavigate, NotchesKeepThePointUnderTheMouse) {
    TWindows windows;
    TDrawWindow& w = windows.Plotting("SIN(X)", 500, 400);
    const TView start{-10, 10, -5, 5};
    for (const TNotchRow& row : NotchRows) {
        SCOPED_TRACE(row.Name);
        SetView(w, start);
        const TPlot& plot = w.Plot();
        const QPoint mouse = AreaPoint(plot, row.Sx, row.Sy);
        const QPoint fixed(w.ClampX(mouse.x()), w.ClampY(mouse.y()));
        const Real worldX = plot.DevToWorldX(fixed.x());
        const Real worldY = plot.DevToWorldY(fixed.y());
        quint64 time = 1000;
        for (int delta : row.Deltas)
            Wheel(w, mouse, delta, time += 50);
        EXPECT_EQ(plot.WorldToDevX(worldX), fixed.x());
        EXPECT_EQ(plot.WorldToDevY(worldY), fixed.y());
        const Real factor = std::pow(1.25L, row.Notches);
        EXPECT_NEAR(static_cast<double>((plot.GetXTo() - plot.GetXFrom()) * factor), 20, 1e-12);
        EXPECT_NEAR(static_cast<double>((plot.GetYTo() - plot.GetYFrom()) * factor), 10, 1e-12);
        EXPECT_EQ(HistoryDepth(), row.Notches == 0 ? 0 : 1);
    }
}

struct TDecadeRow {
    const char* Name;
    Real From, To; // the same decades on both axes
    double Share;  // where the mouse is, as a share of both axes
    std::vector<int> Deltas;
    Real NewFrom, NewTo;
};

const TDecadeRow DecadeRows[] = {
    {"InTakesOneDecadeAtEachEnd", -3, 5, 0.5, {120}, -2, 4},
    {"OutAddsOneDecadeAtEachEnd", -3, 5, 0.5, {-120}, -4, 6},
    {"ThreeDecadesBecomeOne", -1, 2, 0.5, {120}, 0, 1},
    {"OfTwoTheOneUnderTheMouseStaysLow", 0, 2, 0.2, {120}, 0, 1},
    {"OfTwoTheOneUnderTheMouseStaysHigh", 0, 2, 0.8, {120}, 1, 2},
    {"OneDecadeStays", 4, 5, 0.5, {120, 120}, 4, 5},
    {"ManyNotchesStopAtOne", -3, 4, 0.5, {120, 120, 120, 120, 120}, 0, 1},
    {"OutStopsAtTheLastDecade", -4951, -4949, 0.5, {-120}, -4951, -4948},
};

TEST(DrawNavigate, LogarithmicAxesZoomByWholeDecades) {
    TWindows windows;
    TDrawWindow& w = windows.Plotting("X", 500, 400);
    for (const TDecadeRow& row : DecadeRows) {
        SCOPED_TRACE(row.Name);
        SetView(w, {row.From, row.To, row.From, row.To}, true, true);
        const QPoint mouse = AreaPoint(w.Plot(), row.Share, row.Share);
        quint64 time = 5000;
        for (int delta : row.Deltas)
            Wheel(w, mouse, delta, time += 100);
        EXPECT_EQ(ViewOf(w.Plot()), (TView{row.NewFrom, row.NewTo, row.NewFrom, row.NewTo}));
        EXPECT_TRUE(w.Plot().AxesPrepared());
        EXPECT_EQ(HistoryDepth(), row.NewFrom == row.From && row.NewTo == row.To ? 0 : 1);
    }
}

struct TGestureRow {
    const char* Name;
    bool Log;
    std::vector<TStep> Steps;
};

const TGestureRow GestureRows[] = {
    {"WheelInAndOut", false, {Notches({170, 140}, 120, 2000), Notches({300, 80}, -240, 2300)}},
    {"SmoothWheel", false, {Notches({200, 100}, 40, 2000, 12, 30)}},
    {"MiddleDrag", false, {Drag({100, 100}, {260, 190}, 5)}},
    {"ArrowKeys", false, {Key(Qt::Key_Left, 2000), Key(Qt::Key_Left, 2200), Key(Qt::Key_Up, 2600)}},
    {"WheelOnLogarithmicAxes", true, {Notches({200, 150}, 120, 2000, 2, 100)}},
    {"MiddleDragOnLogarithmicAxes", true, {Drag({100, 100}, {300, 250})}},
};

TEST(DrawNavigate, OneRightClickUndoesAGesture) {
    TWindows windows;
    TDrawWindow& w = windows.Plotting("X*X/7", 500, 400);
    w.Zoom1->setChecked(true);
    for (const TGestureRow& row : GestureRows) {
        SCOPED_TRACE(row.Name);
        const TView before = row.Log ? TView{-3, 5, -2, 6} : TView{-10.3L, 9.7L, -7, 8.1L};
        SetView(w, before, row.Log, row.Log);
        // Factors chosen by hand give way to automatic ones after the change.
        w.NextXTickFactor();
        w.PrevYTickFactor();
        for (const TStep& step : row.Steps)
            step(w);
        const TKooSystem& koo = w.Plot().KooSystem;
        const int32_t factors[] = {koo.XAxis.FactorMan->Index, koo.YAxis.FactorMan->Index};
        w.ResetTickFactors();
        w.Redraw();
        EXPECT_EQ(koo.XAxis.FactorMan->Index, factors[0]);
        EXPECT_EQ(koo.YAxis.FactorMan->Index, factors[1]);
        EXPECT_NE(ViewOf(w.Plot()), before);
        EXPECT_EQ(HistoryDepth(), 1);
        RightClick(w);
        EXPECT_EQ(ViewOf(w.Plot()), before);
        EXPECT_TRUE(ZoomHistory->IsEmpty());
    }
}

// Wheel notches less than half a second apart are one gesture and one step back.
TEST(DrawNavigate, GesturesAreSteppedBackOneByOne) {
    TWindows windows;
    TDrawWindow& w = windows.Plotting("X", 500, 400);
    Wheel(w, {150, 150}, 120, 1000);
    Wheel(w, {150, 150}, 120, 1499);
    EXPECT_EQ(HistoryDepth(), 1);
    Wheel(w, {150, 150}, 120, 1999);
    EXPECT_EQ(HistoryDepth(), 2);
    MiddleDrag(w, {200, 200}, {120, 260});
    EXPECT_EQ(HistoryDepth(), 3);

    // Ranges set from outside empty the history, also in the middle of a wheel gesture.
    Wheel(w, {150, 150}, 120, 3000);
    w.SetXFrom(-3);
    Wheel(w, {150, 150}, 120, 3100);
    EXPECT_EQ(HistoryDepth(), 1);
}

struct TPanRow {
    const char* Name;
    QPoint From, To;
    bool Log;
    TView Expected; // for logarithmic rows; linear rows follow the dragged distance
};

const TPanRow PanRows[] = {
    {"RightAndDown", {100, 100}, {250, 180}, false, {}},
    {"BeyondTheSurface", {200, 150}, {-300, 900}, false, {}},
    // Both log axes hold 8 decades over the plot area; 1.4 decades move one, 2.6 three.
    {"LogMovesWholeDecades", {0, 0}, {0, 0}, true, {-2, 6, 0, 8}},
};

TEST(DrawNavigate, MiddleDragMovesTheViewWithTheMouse) {
    TWindows windows;
    TDrawWindow& w = windows.Plotting("X", 500, 400);
    w.Koordinatenfenster->setChecked(true);
    for (const TPanRow& row : PanRows) {
        SCOPED_TRACE(row.Name);
        const TView start = row.Log ? TView{-3, 5, -3, 5} : TView{-10, 10, -5, 5};
        SetView(w, start, row.Log, row.Log);
        const TPlot& plot = w.Plot();
        const TKooAxis& x = plot.KooSystem.XAxis;
        const TKooAxis& y = plot.KooSystem.YAxis;
        QPoint from = row.From;
        QPoint to = row.To;
        if (row.Log) {
            from = AreaPoint(plot, 0.5, 0.5);
            to = from + QPoint(static_cast<int>(std::lround(-1.4 * x.DevExtent / 8)),
                               static_cast<int>(std::lround(-2.6 * y.DevExtent / 8)));
        }
        const Real worldX = plot.DevToWorldX(from.x());
        const Real worldY = plot.DevToWorldY(from.y());
        const Real unitsPerPixelX = (start.XTo - start.XFrom) / x.DevExtent;
        const Real unitsPerPixelY = (start.YTo - start.YFrom) / y.DevExtent;
        MiddleDrag(w, from, to);
        EXPECT_FALSE(w.PanDown);
        EXPECT_FALSE(w.ViewRedrawPending);
        if (row.Log) {
            EXPECT_EQ(ViewOf(plot), row.Expected);
            continue;
        }
        const Real dx = (to.x() - from.x()) * unitsPerPixelX;
        const Real dy = (to.y() - from.y()) * unitsPerPixelY;
        EXPECT_NEAR(static_cast<double>(plot.GetXFrom()), static_cast<double>(start.XFrom - dx),
                    1e-12);
        EXPECT_NEAR(static_cast<double>(plot.GetXTo()), static_cast<double>(start.XTo - dx), 1e-12);
        EXPECT_NEAR(static_cast<double>(plot.GetYFrom()), static_cast<double>(start.YFrom - dy),
                    1e-12);
        EXPECT_NEAR(static_cast<double>(plot.GetYTo()), static_cast<double>(start.YTo - dy), 1e-12);
        // The point that was under the mouse is under it again (where the surface reaches).
        EXPECT_EQ(plot.WorldToDevX(worldX), to.x());
        EXPECT_EQ(plot.WorldToDevY(worldY), to.y());
        // The read-out and the mark follow the mouse.
        EXPECT_TRUE(w.MarkVisible);
        EXPECT_EQ(w.MarkX, w.ClampX(to.x()));
    }
    w.Koordinatenfenster->setChecked(false);

    // A drag whose release went elsewhere ends at the next move without the button.
    QTest::mousePress(w.PaintBox, Qt::MiddleButton, Qt::NoModifier, {100, 100});
    MoveTo(w, {150, 100}, Qt::MiddleButton);
    QApplication::processEvents();
    const TView moved = ViewOf(w.Plot());
    MoveTo(w, {250, 200}, Qt::NoButton);
    QApplication::processEvents();
    EXPECT_FALSE(w.PanDown);
    EXPECT_EQ(ViewOf(w.Plot()), moved);
    QTest::mouseRelease(w.PaintBox, Qt::MiddleButton, Qt::NoModifier, {250, 200});
}

struct TKeyRow {
    const char* Name;
    Qt::Key Key;
    bool Log;
    TView Start, Expected;
};

const TKeyRow KeyRows[] = {
    {"Right", Qt::Key_Right, false, {-10, 10, -5, 5}, {-8, 12, -5, 5}},
    {"Left", Qt::Key_Left, false, {-10, 10, -5, 5}, {-12, 8, -5, 5}},
    {"Up", Qt::Key_Up, false, {-10, 10, -5, 5}, {-10, 10, -4, 6}},
    {"Down", Qt::Key_Down, false, {-10, 10, -5, 5}, {-10, 10, -6, 4}},
    {"ReversedAxisMovesTowardItsTo", Qt::Key_Right, false, {10, -10, -5, 5}, {8, -12, -5, 5}},
    {"LogTwentyDecadesMoveTwo", Qt::Key_Down, true, {-3, 5, -10, 10}, {-3, 5, -12, 8}},
    {"LogOneDecadeMovesOne", Qt::Key_Up, true, {-3, 5, 2, 3}, {-3, 5, 3, 4}},
    {"NotBeyondTheLastDecade", Qt::Key_Left, true, {-4951, -4940, 0, 1}, {-4951, -4940, 0, 1}},
    {"OtherKeysDoNothing", Qt::Key_PageUp, false, {-10, 10, -5, 5}, {-10, 10, -5, 5}},
};

TEST(DrawNavigate, ArrowKeysMoveByATenth) {
    TWindows windows;
    TDrawWindow& w = windows.Plotting("X", 500, 400);
    ASSERT_EQ(QApplication::focusWidget(), w.PaintBox);
    for (const TKeyRow& row : KeyRows) {
        SCOPED_TRACE(row.Name);
        SetView(w, row.Start, row.Log, row.Log);
        Press(row.Key, 10000);
        EXPECT_EQ(ViewOf(w.Plot()), row.Expected);
        EXPECT_EQ(HistoryDepth(), row.Expected == row.Start ? 0 : 1);
    }

    // Presses less than half a second apart are one step back; a pause starts another.
    SetView(w, {-10, 10, -5, 5});
    for (quint64 time : {20000, 20300, 20600, 20900})
        Press(Qt::Key_Right, time);
    EXPECT_EQ(HistoryDepth(), 1);
    Press(Qt::Key_Right, 21500);
    EXPECT_EQ(HistoryDepth(), 2);

    // While a title is being edited the arrows belong to the edit box.
    w.Redraw();
    QTest::mouseClick(w.PaintBox, Qt::LeftButton, Qt::NoModifier, {100, 100});
    EXPECT_EQ(QApplication::focusWidget(), w.PaintBox);
    const TKooAxis& x = w.Plot().KooSystem.XAxis;
    const TKooAxis& y = w.Plot().KooSystem.YAxis;
    w.EditLabelAt((x.DevStart + x.DevEnd) / 2, y.OuterEdge - x.TitleSpace / 2);
    ASSERT_TRUE(w.LabelEdit->hasFocus());
    w.LabelEdit->setText("abc");
    w.LabelEdit->setCursorPosition(3);
    const TView editing = ViewOf(w.Plot());
    Press(Qt::Key_Left, 30000);
    Press(Qt::Key_Up, 31000);
    EXPECT_EQ(ViewOf(w.Plot()), editing);
    EXPECT_EQ(w.LabelEdit->cursorPosition(), 2);
    // A click on the surface ends the edit and gives the arrows back to the view.
    QTest::mouseClick(w.PaintBox, Qt::LeftButton, Qt::NoModifier, {100, 100});
    EXPECT_EQ(w.Plot().KooSystem.XAxis.Title, "abc");
    Press(Qt::Key_Left, 32000);
    EXPECT_NE(ViewOf(w.Plot()), editing);
}

TEST(DrawNavigate, NothingWhileAFrameIsDraggedOrBeforeTheFirstDrawing) {
    TWindows windows;
    TDrawWindow& w = *windows.Draw;
    w.NewFunction("X");
    // Not drawn yet: no axes to zoom about.
    Wheel(w, {100, 100}, 120, 100);
    EXPECT_EQ(ViewOf(w.Plot()), (TView{-10, 10, -10, 10}));

    windows.Show(400, 300);
    w.Redraw();
    w.Zoom1->setChecked(true);
    const TView before = ViewOf(w.Plot());
    QTest::mousePress(w.PaintBox, Qt::LeftButton, Qt::NoModifier, {100, 80});
    MoveTo(w, {200, 150}, Qt::LeftButton);
    Wheel(w, {200, 150}, 120, 1000);
    Press(Qt::Key_Left, 1100);
    EXPECT_EQ(ViewOf(w.Plot()), before);
    EXPECT_TRUE(w.FrameDrawn);
    QTest::mouseRelease(w.PaintBox, Qt::LeftButton, Qt::NoModifier, {200, 150});
    EXPECT_EQ(HistoryDepth(), 1); // the frame's own zoom

    // A frame left on the surface without zoom mode goes with the first notch.
    w.Zoom1->setChecked(false);
    QTest::mousePress(w.PaintBox, Qt::LeftButton, Qt::NoModifier, {100, 80});
    MoveTo(w, {200, 150}, Qt::LeftButton);
    QTest::mouseRelease(w.PaintBox, Qt::LeftButton, Qt::NoModifier, {200, 150});
    ASSERT_TRUE(w.FrameVisible);
    Wheel(w, {200, 150}, -120, 3000);
    EXPECT_FALSE(w.FrameVisible);
}

struct TRedrawRow {
    const char* Name;
    TStep Step;
    int Redraws;
};

const TRedrawRow RedrawRows[] = {
    {"ThreeNotchesInOneEvent", Notches({150, 150}, -360, 1000), 1},
    {"PartOfANotch", Notches({150, 150}, 60, 1000), 0},
    {"PanMovesOfOneTurnDrawnOnce", Drag({100, 100}, {150, 125}, 5, true), 1},
    {"MiddleClickWithoutMoving", Drag({100, 100}, {100, 100}, 0, true), 0},
    {"ArrowKey", Key(Qt::Key_Down, 1000), 1},
};

TEST(DrawNavigate, EachStepRedrawsOnce) {
    TWindows windows;
    TDrawWindow& w = windows.Plotting("SIN(X)");
    for (const TRedrawRow& row : RedrawRows) {
        SCOPED_TRACE(row.Name);
        SetView(w, {-10, 10, -10, 10});
        QApplication::processEvents();
        TRedrawCounter counter(w.PaintBox);
        row.Step(w);
        QApplication::processEvents();
        EXPECT_EQ(counter.Count, row.Redraws);
    }
}

// Only the left button's double click edits a title or picks a curve.
TEST(DrawNavigate, RightDoubleClickEditsNothing) {
    TWindows windows;
    TDrawWindow& w = windows.Plotting("X");
    w.AddFunction("-X");
    w.Redraw();
    const TKooAxis& x = w.Plot().KooSystem.XAxis;
    const TKooAxis& y = w.Plot().KooSystem.YAxis;
    const QPoint title((x.DevStart + x.DevEnd) / 2, y.OuterEdge - x.TitleSpace / 2);
    const QPoint nearSecond(w.Plot().WorldToDevX(5), w.Plot().WorldToDevY(-5));
    const struct {
        const char* Name;
        Qt::MouseButton Button;
        QPoint At;
        bool Edits;
        int32_t Current;
    } rows[] = {
        {"RightOnTheTitle", Qt::RightButton, title, false, 0},
        {"RightNearTheSecondCurve", Qt::RightButton, nearSecond, false, 0},
        {"LeftNearTheSecondCurve", Qt::LeftButton, nearSecond, false, 1},
        {"LeftOnTheTitle", Qt::LeftButton, title, true, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        MoveTo(w, row.At, Qt::NoButton);
        QTest::mouseDClick(w.PaintBox, row.Button, Qt::NoModifier, row.At);
        EXPECT_EQ(w.LabelEdit->isVisible(), row.Edits);
        EXPECT_EQ(w.Plot().Current, row.Current);
    }
}

} // namespace
