// The display window driven for real on the offscreen platform: what it draws into its back
// buffer, in-place title editing, choosing the tracked curve, the switches and their hints,
// the key preview, closing, tiny surfaces and the frame carried across layouts.
#include "display/Drawwin.h"
#include "display/Koowin.h"
#include "engine/Real.h"
#include "plot/Plot.h"
#include "tests/display/DisplayTestSupport.h"

#include <QAction>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>

namespace {

constexpr Real Pi = 3.14159265358979323846264338327950288L;

// The mouse comes to `pos` on the drawing surface and double-clicks there.
void DoubleClickAt(TDrawWindow& window, QPoint pos) {
    MoveTo(window, pos);
    QTest::mouseDClick(window.PaintBox, Qt::LeftButton, Qt::NoModifier, pos);
}

QPoint WorldToSurface(const TPlot& plot, Real x, Real y) {
    return {plot.WorldToDevX(x), plot.WorldToDevY(y)};
}

// The same plot drawn through the one layout on its own, on the window's background.
QImage DrawnDirectly(TDrawWindow& window) {
    return DrawnThroughLayout(window, TLayoutKind::Screen,
                              window.Panel1->palette().color(QPalette::Window), false);
}

int CountDifferentPixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return -1;
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if ((a.pixel(x, y) & 0xFFFFFFu) != (b.pixel(x, y) & 0xFFFFFFu)) ++count;
    return count;
}

int CountBlackPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (IsBlack(image, x, y)) ++count;
    return count;
}

TEST(DrawWindow, NewPlotRangesAndNoWorkWhileHidden) {
    TWindows windows;
    TPlot& plot = windows.Plot();
    // The history belongs to the window and the range setters empty it.
    ASSERT_NE(ZoomHistory, nullptr);
    ZoomHistory->Push(std::make_unique<TStackElement>(1, 2, 3, 4));
    windows.Draw->SetYTo(10);
    EXPECT_TRUE(ZoomHistory->IsEmpty());

    // Hidden: nothing is laid out or drawn, not even by Redraw.
    windows.Draw->NewFunction("X");
    windows.Draw->Redraw();
    EXPECT_TRUE(windows.Draw->BackBuffer().isNull());
    EXPECT_FALSE(plot.AxesPrepared());

    // The first show draws with the window's own ranges.
    windows.Show(300, 200);
    ASSERT_FALSE(windows.Draw->BackBuffer().isNull());
    EXPECT_TRUE(plot.AxesPrepared());
    EXPECT_GT(CountBlackPixels(windows.Draw->BackBuffer()), 0);
}

struct TCurveRow {
    const char* Name;
    const char* Formula;
};

const TCurveRow CurveRows[] = {
    {"FallingLine", "-X/4+3"},
    {"Sine", "SIN(X)*3"},
    {"ParabolaLeavingTheArea", "X^2/10-5"},
};

// Every column of the plot area holds the curve pixel the mapping gives, and no black pixel
// outside the span that joins it to its neighbours.
TEST(DrawWindow, CurveLandsWhereTheMappingSays) {
    TWindows windows;
    windows.Show(300, 200);
    for (const TCurveRow& row : CurveRows) {
        SCOPED_TRACE(row.Name);
        windows.Draw->NewFunction(row.Formula);
        windows.Draw->SetShowScale(false);
        windows.Draw->Redraw();
        const TPlot& plot = windows.Plot();
        ASSERT_TRUE(plot.AxesPrepared());
        const QImage& image = windows.Draw->BackBuffer();
        const TKooAxis& x = plot.KooSystem.XAxis;
        const TKooAxis& y = plot.KooSystem.YAxis;
        auto rowAt = [&](int32_t column) {
            return plot.WorldToDevY(plot.GetFunctionPoint(0, plot.DevToWorldX(column), 0).Y);
        };
        int misses = 0;
        int strays = 0;
        for (int32_t column = x.DevStart + 1; column < x.DevEnd - 1; ++column) {
            const int32_t here = rowAt(column);
            if (here < y.DevEnd || here > y.DevStart) continue; // clipped
            if (!IsBlack(image, column, here)) ++misses;
            const int32_t low = std::min({rowAt(column - 1), here, rowAt(column + 1)});
            const int32_t high = std::max({rowAt(column - 1), here, rowAt(column + 1)});
            for (int32_t r = 0; r < image.height(); ++r)
                if (IsBlack(image, column, r) && (r < low || r > high)) ++strays;
        }
        EXPECT_EQ(misses, 0);
        EXPECT_EQ(strays, 0);
    }
}

struct TTwoPathRow {
    const char* Name;
    const char* Formula; // nullptr: a parametric figure and the line X
    bool Scale, LogY, DenseTicks;
};

const TTwoPathRow TwoPathRows[] = {
    {"SineWithScale", "SIN(X)", true, false, false},
    {"WithoutScale", "SIN(X)", false, false, false},
    {"LogarithmicY", "EXP(X)", true, true, false},
    {"ParametricAndDenseTicks", nullptr, true, false, true},
};

// The window's back buffer is exactly the plot drawn through the one layout on its own.
TEST(DrawWindow, BackBufferEqualsThePlotDrawnDirectly) {
    TWindows windows;
    windows.Show(420, 330);
    TDrawWindow& w = *windows.Draw;
    for (const TTwoPathRow& row : TwoPathRows) {
        SCOPED_TRACE(row.Name);
        SetView(w, {-10, 10, row.LogY ? -3.0L : -10.0L, row.LogY ? 4.0L : 10.0L}, false, row.LogY);
        w.ResetTickFactors();
        w.SetShowScale(row.Scale);
        if (row.Formula) {
            w.NewFunction(row.Formula);
        } else {
            w.NewParametric("COS(T)*5", "SIN(3*T)*5", 0, 2 * Pi, 0.01L);
            w.AddFunction("X");
        }
        if (row.DenseTicks) {
            w.NextXTickFactor();
            w.NextYTickFactor();
        }
        w.Redraw();
        const QImage screen = w.BackBuffer().copy();
        EXPECT_GT(CountBlackPixels(screen), 100);
        EXPECT_EQ(CountDifferentPixels(screen, DrawnDirectly(w)), 0);
    }
}

enum class TBand { XTitle, YTitle, Headline };
enum class TEnding { Enter, KeypadEnter, NextDoubleClick, FocusMovedAway };

struct TEditRow {
    const char* Name;
    TBand Band;
    TEnding Ending;
    const char* Typed;
};

const TEditRow EditRows[] = {
    {"XTitleEnter", TBand::XTitle, TEnding::Enter, "time [s]"},
    {"YTitleKeypadEnter", TBand::YTitle, TEnding::KeypadEnter, "volts"},
    {"HeadlineEnter", TBand::Headline, TEnding::Enter, "My sine"},
    {"XTitleEmptyByFocusLoss", TBand::XTitle, TEnding::FocusMovedAway, ""},
    {"YTitleByNextDoubleClick", TBand::YTitle, TEnding::NextDoubleClick, "amplitude"},
    {"HeadlineByFocusLoss", TBand::Headline, TEnding::FocusMovedAway, "kept as typed  "},
};

std::string& TargetOf(TPlot& plot, TBand band) {
    switch (band) {
    case TBand::XTitle:
        return plot.KooSystem.XAxis.Title;
    case TBand::YTitle:
        return plot.KooSystem.YAxis.Title;
    case TBand::Headline:
        break;
    }
    return plot.Title;
}

// The middle of a title band and where the edit box must stand over it (in Panel1's
// coordinates, the surface starting at 12, 12).
struct TBandPlace {
    QPoint Click;
    QRect Edit;
};

TBandPlace PlaceOf(const TPlot& plot, TBand band) {
    const TKooAxis& x = plot.KooSystem.XAxis;
    const TKooAxis& y = plot.KooSystem.YAxis;
    const int xLength = x.DevEnd - x.DevStart;
    switch (band) {
    case TBand::XTitle:
        return {{(x.DevStart + x.DevEnd) / 2, y.OuterEdge - x.TitleSpace / 2},
                {12 + x.DevStart, 12 + y.OuterEdge - x.TitleSpace, xLength, x.TitleSpace}};
    case TBand::YTitle:
        return {{x.OuterEdge + y.TitleSpace / 2, (y.DevStart + y.DevEnd) / 2},
                {12 + x.OuterEdge, 12 + y.DevEnd + (y.DevStart - y.DevEnd - y.TitleSpace) / 2,
                 xLength, y.TitleSpace}};
    case TBand::Headline:
        break;
    }
    const int top = y.DevEnd - plot.HeadlineSpace - x.LabelSpace / 2;
    return {{(x.DevStart + x.DevEnd) / 2, (top + y.DevEnd) / 2},
            {12 + x.DevStart, 12 + top, xLength, plot.HeadlineSpace}};
}

TEST(DrawWindow, TitlesAreEditedInPlace) {
    for (const TEditRow& row : EditRows) {
        SCOPED_TRACE(row.Name);
        TWindows windows;
        windows.Show(420, 330);
        windows.Draw->NewFunction("SIN(X)");
        windows.Draw->Redraw();
        TPlot& plot = windows.Plot();
        const TBandPlace place = PlaceOf(plot, row.Band);
        const std::string before = TargetOf(plot, row.Band);

        DoubleClickAt(*windows.Draw, place.Click);
        QLineEdit* edit = windows.Draw->LabelEdit;
        ASSERT_TRUE(edit->isVisible());
        EXPECT_TRUE(edit->hasFocus());
        EXPECT_EQ(edit->geometry(), place.Edit);
        EXPECT_EQ(edit->text().toStdString(), before);

        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, QString::fromUtf8(row.Typed));
        // Escape is an ordinary key in the box: it neither ends the edit nor undoes the typing.
        QTest::keyClick(edit, Qt::Key_Escape);
        ASSERT_TRUE(edit->isVisible());
        EXPECT_EQ(TargetOf(plot, row.Band), before); // nothing stored while typing
        // Enter ends the edit, but the box never sees the carriage return.
        QSignalSpy returns(edit, &QLineEdit::returnPressed);

        switch (row.Ending) {
        case TEnding::Enter:
            QTest::keyClick(edit, Qt::Key_Return);
            break;
        case TEnding::KeypadEnter:
            QTest::keyClick(edit, Qt::Key_Enter, Qt::KeypadModifier);
            break;
        case TEnding::NextDoubleClick:
            DoubleClickAt(*windows.Draw, WorldToSurface(plot, 0, 0));
            break;
        case TEnding::FocusMovedAway:
            edit->clearFocus();
            break;
        }
        EXPECT_EQ(TargetOf(plot, row.Band), row.Typed);
        EXPECT_EQ(edit->isVisible(), row.Ending == TEnding::FocusMovedAway);
        EXPECT_EQ(returns.count(), 0);
        // Stored and redrawn: the screen shows the new text.
        EXPECT_EQ(CountDifferentPixels(windows.Draw->BackBuffer(), DrawnDirectly(*windows.Draw)),
                  0);
    }
}

struct TKeyRow {
    const char* Name;
    int Key;
    Qt::KeyboardModifiers Modifiers;
    const char* Text;
    bool Swallowed;
};

const TKeyRow KeyRows[] = {
    {"Return", Qt::Key_Return, Qt::NoModifier, "\r", true},
    {"KeypadEnter", Qt::Key_Enter, Qt::KeypadModifier, "\r", true},
    {"CtrlMIsACarriageReturn", Qt::Key_M, Qt::ControlModifier, "\r", true},
    {"CtrlReturnIsALineFeed", Qt::Key_Return, Qt::ControlModifier, "\n", false},
    {"Letter", Qt::Key_A, Qt::NoModifier, "a", false},
};

TEST(DrawWindow, KeyPreviewSwallowsCarriageReturn) {
    TWindows windows;
    for (const TKeyRow& row : KeyRows) {
        SCOPED_TRACE(row.Name);
        QKeyEvent event(QEvent::KeyPress, row.Key, row.Modifiers, QString::fromLatin1(row.Text));
        EXPECT_EQ(windows.Draw->FormKeyPress(&event), row.Swallowed);
    }

    windows.Show(420, 330);
    // An open menu is not the window: Enter there chooses the item.
    QMenu* menu = windows.Draw->Optionen1;
    menu->popup(windows.Draw->mapToGlobal(QPoint(10, 10)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    menu->setActiveAction(windows.Draw->Zoom1);
    QTest::keyClick(menu, Qt::Key_Return);
    EXPECT_TRUE(windows.Draw->Zoom1->isChecked());
    EXPECT_TRUE(windows.Draw->SBZoom->isChecked());
}

struct TSelectRow {
    const char* Name;
    bool WithCurves;
    Real ClickX, ClickY;
    int32_t Current;
    int Rows; // rows of the read-out afterwards
};

const TSelectRow SelectRows[] = {
    {"NearTheLineGivesThreeRows", true, 0, 4.7L, 0, 3},
    {"NearTheCircleGivesFiveRows", true, 0, -3.2L, 1, 5},
    {"InsideTheCircleNearItsEdge", true, 2.5L, 0, 1, 5},
    {"WithoutCurvesNothingIsChosen", false, 1, 1, 0, 5},
};

int ReadOutRows(const TKooWind& koo) {
    const int pitch = koo.LabelY->y() - koo.LabelX->y();
    return (koo.height() - koo.LabelX->y()) / pitch;
}

TEST(DrawWindow, DoubleClickChoosesTheNearestCurve) {
    for (const TSelectRow& row : SelectRows) {
        SCOPED_TRACE(row.Name);
        TWindows windows;
        windows.Show(400, 400);
        if (row.WithCurves) {
            windows.Draw->NewFunction("5");
            windows.Draw->AddParametric("COS(T)*3", "SIN(T)*3", 0, 2 * Pi, 0.01L);
        }
        // Without the scale no title band exists: every double click chooses.
        windows.Draw->SetShowScale(false);
        windows.Draw->Redraw();
        KooWind->SetRows(1);
        windows.Plot().Current = 0;
        DoubleClickAt(*windows.Draw, WorldToSurface(windows.Plot(), row.ClickX, row.ClickY));
        EXPECT_FALSE(windows.Draw->LabelEdit->isVisible());
        EXPECT_EQ(windows.Plot().Current, row.Current);
        EXPECT_EQ(ReadOutRows(*KooWind), row.Rows);
    }
}

// Clicks: K the read-out button, k its menu item, Z the zoom button, z its menu item, x the
// window closed.
struct TSwitchRow {
    const char* Name;
    const char* Clicks;
    bool KooOn; // button, item and window alike
    const char* KooHint;
    bool ZoomButton;
    bool ZoomItem;
    const char* ZoomHint;
};

const TSwitchRow SwitchRows[] = {
    {"AtStart", "", false, "Show coordinate window", false, false, "Zoom on"},
    {"ReadOutButton", "K", true, "Hide coordiante window", false, false, "Zoom on"},
    {"ReadOutButtonTwice", "KK", false, "Show coordinate window", false, false, "Zoom on"},
    {"ReadOutItemLeavesTheHint", "k", true, "Show coordinate window", false, false, "Zoom on"},
    {"ButtonThenItem", "Kk", false, "Hide coordiante window", false, false, "Zoom on"},
    {"ZoomButton", "Z", false, "Show coordinate window", true, true, "Zoom off"},
    {"ZoomButtonThenItem", "Zz", false, "Show coordinate window", false, false, "Zoom off"},
    {"ZoomItemOnly", "z", false, "Show coordinate window", true, true, "Zoom on"},
    {"CloseLeavesZoomAloneOn", "Zx", false, "Show coordinate window", true, true, "Zoom off"},
    {"CloseSwitchesBothOff", "KZx", false, "Hide coordiante window", false, false, "Zoom off"},
    {"CloseAfterTheItems", "kzx", false, "Show coordinate window", false, false, "Zoom on"},
};

void Click(TDrawWindow& window, char what) {
    switch (what) {
    case 'K':
        QTest::mouseClick(window.SBKoordWin, Qt::LeftButton);
        break;
    case 'k':
        window.Koordinatenfenster->trigger();
        break;
    case 'Z':
        QTest::mouseClick(window.SBZoom, Qt::LeftButton);
        break;
    case 'z':
        window.Zoom1->trigger();
        break;
    case 'x':
        EXPECT_TRUE(window.close());
        break;
    }
}

// Closing only hides: the plot survives and, shown again, draws at once.
TEST(DrawWindow, SwitchesStayInStepWithTheirHints) {
    for (const TSwitchRow& row : SwitchRows) {
        SCOPED_TRACE(row.Name);
        TWindows windows;
        windows.Show(300, 200);
        windows.Draw->NewFunction("X");
        for (const char* c = row.Clicks; *c; ++c)
            Click(*windows.Draw, *c);
        EXPECT_EQ(windows.Draw->isVisible(),
                  std::string(row.Clicks).find('x') == std::string::npos);
        EXPECT_EQ(windows.Draw->SBKoordWin->isChecked(), row.KooOn);
        EXPECT_EQ(windows.Draw->Koordinatenfenster->isChecked(), row.KooOn);
        EXPECT_EQ(KooWind->isVisible(), row.KooOn);
        EXPECT_EQ(windows.Draw->SBKoordWin->toolTip().toStdString(), row.KooHint);
        EXPECT_EQ(windows.Draw->SBZoom->isChecked(), row.ZoomButton);
        EXPECT_EQ(windows.Draw->Zoom1->isChecked(), row.ZoomItem);
        EXPECT_EQ(windows.Draw->SBZoom->toolTip().toStdString(), row.ZoomHint);
        EXPECT_EQ(windows.Plot().Functions.size(), 1u);
        windows.Show(300, 200);
        EXPECT_GT(CountBlackPixels(windows.Draw->BackBuffer()), 0);
    }
}

struct TTinyRow {
    const char* Name;
    int Width;
    int Height;
};

const TTinyRow TinyRows[] = {
    {"NoHeight", 200, 0},
    {"LowerThanTheLabels", 300, 25},
    {"NarrowerThanTheLabels", 20, 300},
};

TEST(DrawWindow, TinySurfaceDrawsNothingAndRaisesNothing) {
    for (const TTinyRow& row : TinyRows) {
        SCOPED_TRACE(row.Name);
        TWindows windows;
        windows.Draw->NewFunction("X");
        windows.Show(row.Width, row.Height);
        EXPECT_NO_THROW(windows.Draw->Redraw());
        EXPECT_FALSE(windows.Plot().AxesPrepared());
        EXPECT_EQ(CountBlackPixels(windows.Draw->BackBuffer()), 0);
        // Nothing to double-click on either.
        DoubleClickAt(*windows.Draw, QPoint(row.Width / 2, row.Height / 2));
        EXPECT_FALSE(windows.Draw->LabelEdit->isVisible());
    }
}

struct TRescaleRow {
    const char* Name;
    bool YAxis;
    int32_t LastStart, LastExtent;
    int32_t NewStart, NewEnd;
    int32_t Corner, Expected;
};

const TRescaleRow RescaleRows[] = {
    {"TwiceAsWide", false, 10, 100, 10, 210, 60, 110},
    {"MovedStart", false, 0, 100, 50, 150, 20, 70},
    {"HalfRoundsDownToEven", false, 0, 4, 0, 5, 2, 2},
    {"HalfRoundsUpToEven", false, 0, 4, 0, 5, 6, 8},
    {"YGrowsDownward", true, 200, -100, 400, 200, 150, 300},
    {"EmptyPreviousXExtentKeepsTheCorner", false, 5, 0, 0, 100, 42, 42},
    {"EmptyPreviousYExtentKeepsTheCorner", true, 5, 0, 300, 100, 42, 42},
};

TEST(DrawWindow, ZoomFrameIsCarriedToTheNewLayout) {
    TWindows windows;
    TDrawWindow& w = *windows.Draw;
    TKooSystem& koo = windows.Plot().KooSystem;
    for (const TRescaleRow& row : RescaleRows) {
        SCOPED_TRACE(row.Name);
        koo.SetXDevice(0, 100, 0);
        koo.SetYDevice(100, 0, 100);
        std::tie(w.LastXStart, w.LastXExtent, w.LastYStart, w.LastYExtent) =
            std::tuple(0, 100, 100, -100);
        w.FrameX1 = w.FrameX2 = w.FrameY1 = w.FrameY2 = 7;
        int32_t& lastStart = row.YAxis ? w.LastYStart : w.LastXStart;
        int32_t& lastExtent = row.YAxis ? w.LastYExtent : w.LastXExtent;
        int32_t& corner = row.YAxis ? w.FrameY1 : w.FrameX1;
        std::tie(lastStart, lastExtent, corner) =
            std::tuple(row.LastStart, row.LastExtent, row.Corner);
        if (row.YAxis)
            koo.SetYDevice(row.NewStart, row.NewEnd, 0);
        else
            koo.SetXDevice(row.NewStart, row.NewEnd, 0);
        w.RescaleZoomFrame();
        EXPECT_EQ(corner, row.Expected);
        EXPECT_EQ(lastStart, row.NewStart);
        EXPECT_EQ(lastExtent, row.NewEnd - row.NewStart);
        // The other axis's corner stays where its unchanged layout has it.
        EXPECT_EQ(row.YAxis ? w.FrameX2 : w.FrameY2, 7);
    }
}

TEST(DrawWindow, PicturesForTheEye) {
    TWindows windows;
    windows.Show(560, 430);
    TDrawWindow& w = *windows.Draw;
    w.NewFunction("SIN(X)*5");
    w.AddFunction("X^2/10-8");
    w.AddParametric("COS(T)*4", "SIN(T)*4", 0, 2 * Pi, 0.01L);
    w.Redraw();
    QTest::mouseClick(w.SBZoom, Qt::LeftButton);
    const QString dir = QCoreApplication::applicationDirPath();
    EXPECT_TRUE(w.grab().save(dir + "/display-window.png"));

    // The tool-bar glyphs, normal and disabled, at 100 % and 200 %, four times enlarged.
    QImage glyphs(4 * 3 * 40, 4 * 2 * 40, QImage::Format_RGB32);
    glyphs.fill(w.Panel2->palette().color(QPalette::Window));
    {
        QPainter painter(&glyphs);
        painter.scale(4, 4);
        const QIcon icons[] = {w.SBCopy->icon(), w.SBKoordWin->icon(), w.SBZoom->icon()};
        for (int i = 0; i < 3; ++i)
            for (int mode = 0; mode < 2; ++mode) {
                const QIcon::Mode iconMode = mode == 0 ? QIcon::Normal : QIcon::Disabled;
                painter.drawPixmap(i * 40 + 2, mode * 40 + 2, icons[i].pixmap(16, iconMode));
                QPixmap big = icons[i].pixmap(QSize(16, 16), 2.0, iconMode);
                painter.drawPixmap(QRectF(i * 40 + 20, mode * 40 + 20, 16, 16), big,
                                   QRectF(big.rect()));
            }
    }
    EXPECT_TRUE(glyphs.save(dir + "/toolbar-glyphs.png"));

    KooWind->LabelX->setText("x    = 1.23456789012345");
    KooWind->LabelY->setText("y    = -0.5");
    KooWind->LabelFnX->setText("fx(t) = 3.96");
    KooWind->LabelFnY->setText("fy(t) = -0.56");
    KooWind->LabelParam->setText("t       = 6.14");
    KooWind->SetRows(1);
    KooWind->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(KooWind));
    EXPECT_TRUE(KooWind->grab().save(dir + "/readout-window.png"));
}

} // namespace
