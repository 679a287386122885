// The coordinate read-out window: its height follows the kind of the current curve, its width
// never changes, and closing it is left to the display window.
#include "display/Koowin.h"

#include <QLabel>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

struct TRowsRow {
    const char* Name;
    std::vector<int32_t> Kinds; // SetRows calls in order
    int Rows;                   // visible rows afterwards
};

const TRowsRow RowsRows[] = {
    {"DesignHeightHoldsAllFive", {}, 5},  {"FunctionShowsThree", {0}, 3},
    {"ParametricShowsFive", {1}, 5},      {"BackToAFunctionShrinks", {1, 0}, 3},
    {"BackToParametricGrows", {0, 1}, 5}, {"NegativeKindChangesNothing", {1, -1}, 5},
};

TEST(KooWind, HeightFollowsTheCurveKind) {
    for (const TRowsRow& row : RowsRows) {
        SCOPED_TRACE(row.Name);
        TKooWind koo;
        const int width = koo.width();
        const int pitch = koo.LabelY->y() - koo.LabelX->y();
        ASSERT_GT(pitch, 0);
        for (int32_t kind : row.Kinds)
            koo.SetRows(kind);
        EXPECT_EQ(koo.width(), width);
        if (row.Kinds.empty()) {
            // Room for all five rows before the first sizing.
            EXPECT_GE(koo.height(), koo.LabelParam->geometry().bottom());
            continue;
        }
        EXPECT_EQ(koo.height(), koo.LabelX->y() + row.Rows * pitch);
        // The last visible row lies inside the window, the next one outside.
        QLabel* labels[] = {koo.LabelX, koo.LabelY, koo.LabelFnX, koo.LabelFnY, koo.LabelParam};
        EXPECT_LE(labels[row.Rows - 1]->geometry().bottom(), koo.height());
        if (row.Rows < 5) {
            EXPECT_GE(labels[row.Rows]->y(), koo.height());
        }
    }
}

} // namespace
