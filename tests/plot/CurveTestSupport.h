#pragma once
// Helpers shared by the curve, plot and layout tests: a prepared coordinate system from a few
// numbers, and the pen path of a recording in a short readable form.
#include "engine/Real.h"
#include "plot/KooSystem.h"
#include "tests/plot/RecordingCanvas.h"

#include <cstdint>
#include <string>

struct TAxisSetup {
    Real From;
    Real To;
    int32_t DevStart;
    int32_t DevEnd;
    bool Logarithmic = false;
};

// Sets the ranges and device ranges of both axes and prepares them. The y axis's OuterEdge is
// its DevStart, the x axis's 0.
inline void PrepareKoo(TKooSystem& koo, const TAxisSetup& x, const TAxisSetup& y) {
    koo.Reset();
    koo.XAxis.From = x.From;
    koo.XAxis.To = x.To;
    koo.XAxis.Logarithmic = x.Logarithmic;
    koo.YAxis.From = y.From;
    koo.YAxis.To = y.To;
    koo.YAxis.Logarithmic = y.Logarithmic;
    koo.SetXDevice(x.DevStart, x.DevEnd, 0);
    koo.SetYDevice(y.DevStart, y.DevEnd, y.DevStart);
    koo.Prepare();
}

// The pen path: "M0,100 L1,50" for MoveTo (0, 100) then LineTo (1, 50).
inline std::string PenPath(const TRecordingCanvas& canvas) {
    std::string path;
    for (const TCanvasRecord& record : canvas.Records) {
        if (record.Op != "MoveTo" && record.Op != "LineTo") {
            continue;
        }
        if (!path.empty()) {
            path += ' ';
        }
        path += (record.Op == "MoveTo" ? "M" : "L") + std::to_string(record.X) + ',' +
                std::to_string(record.Y);
    }
    return path;
}
