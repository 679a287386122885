// Axes and the coordinate system: preparation, conversions in both directions with rounding
// halves to even, decade axes, zoom ranges, and the axes that cannot be prepared.
#include "plot/KooSystem.h"

#include "engine/Errors.h"
#include "plot/Ticks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

constexpr Real NaN = std::numeric_limits<Real>::quiet_NaN();
constexpr Real Inf = std::numeric_limits<Real>::infinity();

struct TAxisSetup {
    Real from;
    Real to;
    int32_t devStart;
    int32_t devEnd;
    bool logarithmic = false;
};

void Place(TKooAxis& axis, const TAxisSetup& setup) {
    axis.From = setup.from;
    axis.To = setup.to;
    axis.DevStart = setup.devStart;
    axis.DevEnd = setup.devEnd;
    axis.Logarithmic = setup.logarithmic;
}

// What a call raised: "" when nothing, else the message.
template <class F> std::string Raised(F call) {
    try {
        call();
    } catch (const Exception& error) {
        return error.what();
    }
    return "";
}

} // namespace

TEST(KooAxis, PrepareDerivesRangeExtentAndScale) {
    struct Row {
        const char* name;
        int32_t kind;
        TAxisSetup setup;
        Real range;
        int32_t extent;
        Real scale;
    };
    const Row rows[] = {
        {"x 0..10 on 0..100", AxisKindX, {0, 10, 0, 100}, 10, 100, 0.1L},
        {"x -5..15 on 40..440", AxisKindX, {-5, 15, 40, 440}, 20, 400, 0.05L},
        {"y 0..28 on 300..20", AxisKindY, {0, 28, 300, 20}, 28, -280, -10},
        {"y -1..1 on 200..0", AxisKindY, {-1, 1, 200, 0}, 2, -200, -100},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TKooAxis axis(row.kind);
        Place(axis, row.setup);
        axis.Prepare();
        EXPECT_TRUE(axis.IsPrepared());
        EXPECT_EQ(axis.Range, row.range);
        EXPECT_EQ(axis.DevExtent, row.extent);
        EXPECT_NEAR(static_cast<double>(axis.Scale), static_cast<double>(row.scale), 1e-15);
        EXPECT_EQ(axis.From, row.setup.from);
        EXPECT_EQ(axis.To, row.setup.to);
    }
}

TEST(KooAxis, LogarithmicAxisTruncatesItsEndsTowardZero) {
    struct Row {
        const char* name;
        int32_t kind;
        TAxisSetup setup;
        Real from;
        Real to;
        int32_t decades;
        Real pixelsPerDecade;
        Real range; // untruncated
    };
    const Row rows[] = {
        {"-2.7..3.2", AxisKindX, {-2.7L, 3.2L, 0, 500, true}, -2, 3, 5, 100, 3.2L - -2.7L},
        {"0..3 upward", AxisKindY, {0, 3, 300, 0, true}, 0, 3, 3, -100, 3},
        {"-6..-1.5", AxisKindX, {-6, -1.5L, 10, 410, true}, -6, -1, 5, 80, 4.5L},
        {"0.5..2.5", AxisKindX, {0.5L, 2.5L, 0, 200, true}, 0, 2, 2, 100, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TKooAxis axis(row.kind);
        Place(axis, row.setup);
        axis.Prepare();
        EXPECT_EQ(axis.From, row.from);
        EXPECT_EQ(axis.To, row.to);
        EXPECT_EQ(axis.DecadeCount, row.decades);
        EXPECT_EQ(axis.PixelsPerDecade, row.pixelsPerDecade);
        EXPECT_EQ(axis.Range, row.range);
    }
}

TEST(KooSystem, ConversionsBetweenWorldAndDevice) {
    enum TOp { DevToWorldX, DevToWorldY, WorldToDevX, WorldToDevY };
    struct Row {
        const char* name;
        TAxisSetup x;
        TAxisSetup y;
        TOp op;
        Real in;
        Real out;
    };
    const TAxisSetup x0to10{0, 10, 0, 100};
    const TAxisSetup y0to28{0, 28, 300, 20};
    const TAxisSetup logX{0, 3, 0, 300, true};  // 100 pixels per decade
    const TAxisSetup logY{-2, 2, 400, 0, true}; // -100 pixels per decade
    const TAxisSetup unitX{0, 100, 0, 100};     // one device unit per world unit
    const TAxisSetup unitY{0, 100, 100, 0};     // y grows upward in the world
    const Row rows[] = {
        {"x device 50 is 5", x0to10, y0to28, DevToWorldX, 50, 5},
        {"x 2.5 is device 25", x0to10, y0to28, WorldToDevX, 2.5L, 25},
        {"x left end", x0to10, y0to28, WorldToDevX, 0, 0},
        {"x right end", x0to10, y0to28, WorldToDevX, 10, 100},
        {"x beyond the ends", x0to10, y0to28, WorldToDevX, -3, -30},
        {"y From is the bottom", x0to10, y0to28, WorldToDevY, 0, 300},
        {"y To is the top", x0to10, y0to28, WorldToDevY, 28, 20},
        {"y middle", x0to10, y0to28, WorldToDevY, 14, 160},
        {"y device 160 is 14", x0to10, y0to28, DevToWorldY, 160, 14},
        {"y device below the area", x0to10, y0to28, DevToWorldY, 310, -1},
        {"x tie 12.5 to 12", unitX, unitY, WorldToDevX, 12.5L, 12},
        {"x tie 13.5 to 14", unitX, unitY, WorldToDevX, 13.5L, 14},
        {"x tie -0.5 to 0", unitX, unitY, WorldToDevX, -0.5L, 0},
        {"x tie -1.5 to -2", unitX, unitY, WorldToDevX, -1.5L, -2},
        {"x just above a tie", unitX, unitY, WorldToDevX, 12.5000001L, 13},
        {"y tie device 87.5 to 88", unitX, unitY, WorldToDevY, 12.5L, 88},
        {"y tie device 86.5 to 86", unitX, unitY, WorldToDevY, 13.5L, 86},
        {"log x 100 at two decades", logX, logY, WorldToDevX, 100, 200},
        {"log x 1 at the start", logX, logY, WorldToDevX, 1, 0},
        {"log x 0 at the start", logX, logY, WorldToDevX, 0, 0},
        {"log x -4 at the start", logX, logY, WorldToDevX, -4, 0},
        {"log x device 100 is 10", logX, logY, DevToWorldX, 100, 10},
        {"log x device 300 is 1000", logX, logY, DevToWorldX, 300, 1000},
        {"log x device 150", logX, logY, DevToWorldX, 150, std::sqrt(1000.0L)},
        {"log y 1 in the middle", logX, logY, WorldToDevY, 1, 200},
        {"log y 0.01 at the bottom", logX, logY, WorldToDevY, 0.01L, 400},
        {"log y negative at DevStart", logX, logY, WorldToDevY, -1, 400},
        {"log y device 100 is 10", logX, logY, DevToWorldY, 100, 10},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TKooSystem koo;
        Place(koo.XAxis, row.x);
        Place(koo.YAxis, row.y);
        koo.Prepare();
        switch (row.op) {
        case DevToWorldX:
            EXPECT_NEAR(static_cast<double>(koo.DevToWorldX(static_cast<int32_t>(row.in))),
                        static_cast<double>(row.out), 1e-12);
            break;
        case DevToWorldY:
            EXPECT_NEAR(static_cast<double>(koo.DevToWorldY(static_cast<int32_t>(row.in))),
                        static_cast<double>(row.out), 1e-12);
            break;
        case WorldToDevX:
            EXPECT_EQ(koo.WorldToDevX(row.in), static_cast<int32_t>(row.out));
            break;
        case WorldToDevY:
            EXPECT_EQ(koo.WorldToDevY(row.in), static_cast<int32_t>(row.out));
            break;
        }
    }
}

TEST(KooSystem, DeviceValuesBeyond32BitsRaiseInvalidOperation) {
    struct Row {
        const char* name;
        TAxisSetup x;
        bool yAxis;
        Real value;
    };
    const TAxisSetup x0to10{0, 10, 0, 100};
    const TAxisSetup logWide{0, 1, 0, 1000000000, true};
    const Row rows[] = {
        {"huge x", x0to10, false, 1e9L},        {"huge negative x", x0to10, false, -1e9L},
        {"x not a number", x0to10, false, NaN}, {"x infinite", x0to10, false, Inf},
        {"huge y", x0to10, true, 1e12L},        {"log x beyond", logWide, false, 1e3L},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TKooSystem koo;
        Place(koo.XAxis, row.x);
        Place(koo.YAxis, TAxisSetup{0, 10, 300, 0});
        koo.Prepare();
        const std::string message = Raised([&] {
            if (row.yAxis)
                koo.WorldToDevY(row.value);
            else
                koo.WorldToDevX(row.value);
        });
        EXPECT_EQ(message, "Invalid floating point operation");
    }
}

TEST(KooSystem, ZoomRangeOnLinearAxesIsExact) {
    struct Row {
        const char* name;
        bool yAxis;
        int32_t p1;
        int32_t p2;
        Real lo;
        Real hi;
    };
    const Row rows[] = {
        {"x inside", false, 20, 70, 2, 7},
        {"x whole area", false, 0, 100, 0, 10},
        {"x beyond the area", false, -10, 110, -1, 11},
        {"y larger device first", true, 300, 20, 0, 28},
        {"y inside", true, 250, 160, 5, 14},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TKooSystem koo;
        Place(koo.XAxis, TAxisSetup{0, 10, 0, 100});
        Place(koo.YAxis, TAxisSetup{0, 28, 300, 20});
        koo.Prepare();
        const TAxisRange range =
            row.yAxis ? koo.ZoomRangeY(row.p1, row.p2) : koo.ZoomRangeX(row.p1, row.p2);
        EXPECT_NEAR(static_cast<double>(range.Lo), static_cast<double>(row.lo), 1e-15);
        EXPECT_NEAR(static_cast<double>(range.Hi), static_cast<double>(row.hi), 1e-15);
    }
}

TEST(KooSystem, ZoomRangeOnLogarithmicAxesWidensToWholeDecades) {
    // The axis units of device p are From + p / PixelsPerDecade; with From 0 and one pixel
    // per 1/units the device value 1 lands exactly on the wanted units.
    struct Row {
        const char* name;
        bool yAxis;
        Real units;
        Real lo; // from units as p1
        Real hi; // from units as p2
    };
    const Row rows[] = {
        {"x 1.5", false, 1.5L, 0, 2},
        {"x 2.0", false, 2.0L, 1, 3},
        {"x -0.5", false, -0.5L, -1, 0},
        {"x near a whole decade", false, 2.9999995L, 2.9999995L, 2.9999995L},
        {"x just outside the tolerance", false, 2.99999L, 1, 3},
        {"y 1.5", true, 1.5L, 0, 2},
        {"y -0.5", true, -0.5L, -1, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TKooSystem koo;
        TKooAxis& axis = row.yAxis ? koo.YAxis : koo.XAxis;
        axis.Logarithmic = true;
        axis.From = 0;
        axis.DevStart = 0;
        axis.PixelsPerDecade = 1 / row.units;
        const TAxisRange range = row.yAxis ? koo.ZoomRangeY(1, 1) : koo.ZoomRangeX(1, 1);
        EXPECT_NEAR(static_cast<double>(range.Lo), static_cast<double>(row.lo), 1e-15);
        EXPECT_NEAR(static_cast<double>(range.Hi), static_cast<double>(row.hi), 1e-15);
    }
}

TEST(KooSystem, ZoomRangeOfAPreparedLogAxis) {
    TKooSystem koo;
    Place(koo.XAxis, TAxisSetup{-5, 5, 0, 1000, true}); // 100 pixels per decade
    Place(koo.YAxis, TAxisSetup{-2, 2, 400, 0, true});  // -100 pixels per decade
    koo.Prepare();
    struct Row {
        const char* name;
        bool yAxis;
        int32_t p1;
        int32_t p2;
        Real lo;
        Real hi;
    };
    const Row rows[] = {
        {"x mid decades", false, 650, 750, 0, 3},
        {"x on whole decades", false, 700, 800, 1, 4},
        {"y dragged downward", true, 350, 150, -2, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const TAxisRange range =
            row.yAxis ? koo.ZoomRangeY(row.p1, row.p2) : koo.ZoomRangeX(row.p1, row.p2);
        EXPECT_EQ(range.Lo, row.lo);
        EXPECT_EQ(range.Hi, row.hi);
    }
}

TEST(KooAxis, AxesThatCannotBeMappedAreRefusedUntouched) {
    struct Row {
        const char* name;
        int32_t kind;
        TAxisSetup setup;
        const char* message;
    };
    const char* divide = "Floating point division by zero";
    const char* invalid = "Invalid floating point operation";
    const Row rows[] = {
        {"zero device extent", AxisKindX, {0, 10, 50, 50}, divide},
        {"reversed x device range", AxisKindX, {0, 10, 100, 0}, divide},
        {"y device range growing downward", AxisKindY, {0, 10, 0, 300}, divide},
        {"zero y extent", AxisKindY, {0, 10, 40, 40}, divide},
        {"empty x range", AxisKindX, {3, 3, 0, 100}, divide},
        {"empty y range", AxisKindY, {3, 3, 300, 0}, divide},
        {"log less than a decade", AxisKindX, {0.2L, 0.9L, 0, 100, true}, divide},
        {"log across zero within a decade", AxisKindY, {-0.5L, 0.5L, 300, 0, true}, divide},
        {"log 1.5..2.5 truncates to 1..2", AxisKindX, {1.5L, 1.9L, 0, 100, true}, divide},
        {"not a number", AxisKindX, {NaN, 1, 0, 100}, invalid},
        {"infinite end", AxisKindY, {0, Inf, 300, 0}, invalid},
        {"range overflows", AxisKindX, {-1e4932L, 1e4932L, 0, 100}, invalid},
        {"y range too small for its scale", AxisKindY, {0, 1e-4940L, 300, 0}, invalid},
        {"x scale underflows", AxisKindX, {0, 1e-4945L, 0, 2000000000}, invalid},
        {"log decades beyond extended", AxisKindX, {0, 5000, 0, 100, true}, invalid},
        {"log decades far beyond 32 bits", AxisKindY, {-3e9L, 3e9L, 300, 0, true}, invalid},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TKooAxis axis(row.kind);
        // A previous, successful preparation must not make the refused one look prepared.
        Place(axis, TAxisSetup{0, 1, 300, 20});
        if (row.kind == AxisKindX) Place(axis, TAxisSetup{0, 1, 20, 300});
        axis.Prepare();
        ASSERT_TRUE(axis.IsPrepared());
        const Real oldScale = axis.Scale;
        Place(axis, row.setup);
        EXPECT_EQ(Raised([&] { axis.Prepare(); }), row.message);
        EXPECT_FALSE(axis.IsPrepared());
        EXPECT_EQ(axis.Scale, oldScale);
        EXPECT_EQ(axis.DevStart, row.setup.devStart);
        if (!std::isnan(row.setup.from)) {
            EXPECT_EQ(axis.From, row.setup.from);
        }
        EXPECT_EQ(axis.To, row.setup.to);
    }
}

TEST(KooAxis, ValidityNeedsDifferentOrderedEnds) {
    struct Row {
        const char* name;
        Real from;
        Real to;
        bool valid;
    };
    const Row rows[] = {
        {"ordered", 0, 1, true},         {"reversed", 1, 0, true},
        {"equal", 2, 2, false},          {"both zero", 0, 0, false},
        {"not a number", NaN, 1, false}, {"both not a number", NaN, NaN, false},
        {"infinite end", 0, Inf, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TKooSystem koo;
        koo.XAxis.From = row.from;
        koo.XAxis.To = row.to;
        koo.YAxis.From = 0;
        koo.YAxis.To = 1;
        EXPECT_EQ(koo.XAxis.IsValid(), row.valid);
        EXPECT_EQ(koo.IsValid(), row.valid);
    }
    TKooSystem fresh;
    EXPECT_FALSE(fresh.IsValid());
    EXPECT_FALSE(fresh.IsPrepared());
}

TEST(KooAxis, ResetKeepsKindAndFactorManager) {
    struct Row {
        const char* name;
        int32_t kind;
    };
    const Row rows[] = {{"x axis", AxisKindX}, {"y axis", AxisKindY}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TKooAxis axis(row.kind);
        EXPECT_EQ(axis.FactorMan->Index, 1);
        EXPECT_TRUE(axis.FactorMan->Auto);
        Place(axis, row.kind == AxisKindX ? TAxisSetup{-2.5L, 3.5L, 10, 210, true}
                                          : TAxisSetup{-2.5L, 3.5L, 210, 10, true});
        axis.Prepare();
        NextTickFactor(axis);
        NextTickFactor(axis);
        axis.Title = "time";
        axis.LabelSpace = 17;
        axis.TitleSpace = 21;
        axis.OuterEdge = 300;
        axis.Reset();
        EXPECT_EQ(axis.Kind, row.kind);
        EXPECT_EQ(axis.FactorMan->Index, 3);
        EXPECT_FALSE(axis.FactorMan->Auto);
        EXPECT_EQ(axis.TickFactor, 1);
        EXPECT_EQ(axis.From, 0);
        EXPECT_EQ(axis.To, 0);
        EXPECT_EQ(axis.Range, 0);
        EXPECT_EQ(axis.DevStart, 0);
        EXPECT_EQ(axis.DevEnd, 0);
        EXPECT_EQ(axis.DevExtent, 0);
        EXPECT_EQ(axis.OuterEdge, 0);
        EXPECT_EQ(axis.DecadeCount, 0);
        EXPECT_EQ(axis.PixelsPerDecade, 0);
        EXPECT_EQ(axis.Scale, 0);
        EXPECT_EQ(axis.LabelSpace, 0);
        EXPECT_EQ(axis.TitleSpace, 0);
        EXPECT_EQ(axis.Title, "");
        EXPECT_FALSE(axis.Logarithmic);
        EXPECT_FALSE(axis.IsPrepared());
    }
}

TEST(KooSystem, DevicesAreStoredPerAxisAndPreparedTogether) {
    TKooSystem koo;
    EXPECT_EQ(koo.XAxis.Kind, AxisKindX);
    EXPECT_EQ(koo.YAxis.Kind, AxisKindY);
    koo.XAxis.From = -1;
    koo.XAxis.To = 1;
    koo.YAxis.From = 0;
    koo.YAxis.To = 5;
    koo.SetXDevice(70, 380, 0);
    koo.SetYDevice(250, 30, 300);
    EXPECT_EQ(koo.XAxis.DevStart, 70);
    EXPECT_EQ(koo.XAxis.DevEnd, 380);
    EXPECT_EQ(koo.XAxis.OuterEdge, 0);
    EXPECT_EQ(koo.YAxis.DevStart, 250);
    EXPECT_EQ(koo.YAxis.DevEnd, 30);
    EXPECT_EQ(koo.YAxis.OuterEdge, 300);
    koo.Prepare();
    EXPECT_TRUE(koo.IsPrepared());
    // A y range the system cannot map leaves the system unprepared; the x axis stays usable.
    koo.YAxis.To = 0;
    EXPECT_THROW(koo.Prepare(), EZeroDivide);
    EXPECT_TRUE(koo.XAxis.IsPrepared());
    EXPECT_FALSE(koo.IsPrepared());
    koo.Reset();
    EXPECT_FALSE(koo.IsPrepared());
    EXPECT_EQ(koo.XAxis.DevStart, 0);
}
