#pragma once
// The coordinate system of a plot: a horizontal x axis and a vertical y axis, each with its
// world range (linear) or decade range (logarithmic), the device range it occupies on the
// current surface, and the mapping between the two.
//
// Axis units: on a linear axis a world value, on a logarithmic axis a decade exponent (the axis
// runs from 10^From to 10^To). Device coordinates are 32-bit integers, y growing downward; the
// y axis's DevStart is its bottom (the larger device y).
//
// Prepare refuses an axis it cannot map before dividing by anything: it raises
// EZeroDivide ("Floating point division by zero") for a zero or reversed device range, an empty
// world range, or a logarithmic axis of less than one whole decade, and EInvalidOp ("Invalid
// floating point operation") for ends that are not finite numbers, a range whose Scale would
// be 0 or infinite, or a logarithmic axis whose decades lie beyond the range of extended
// numbers (|From| or |To| above MaxDecadeExponent).
// The refused axis keeps every field as it was except Prepared, which becomes false, so
// IsPrepared tells callers that conversions are not meaningful. A caller that draws catches the
// error and draws nothing.
#include "engine/Real.h"

#include <cstdint>
#include <memory>
#include <string>

class TScaleLineFactMan;

inline constexpr int32_t AxisKindX = 1;
inline constexpr int32_t AxisKindY = 2;

// Largest decade exponent a logarithmic axis may reach: beyond it 10^v is not an extended
// number any more.
inline constexpr int32_t MaxDecadeExponent = 4951;

// A range in axis units, the result of converting a dragged device interval.
struct TAxisRange {
    Real Lo = 0;
    Real Hi = 0;
};

class TKooAxis {
public:
    // kind: AxisKindX or AxisKindY. Creates the tick-factor manager in its reset state.
    explicit TKooAxis(int32_t kind);
    ~TKooAxis();
    TKooAxis(const TKooAxis&) = delete;
    TKooAxis& operator=(const TKooAxis&) = delete;

    // Empties everything but Kind and FactorMan.
    void Reset();
    // From and To differ (NaN counts as equal) and Kind is set.
    bool IsValid() const;
    // Derives Range, DevExtent, Scale and, on a logarithmic axis, truncates From and To toward
    // zero and derives DecadeCount and PixelsPerDecade. Raises as described at the top.
    void Prepare();
    bool IsPrepared() const { return Prepared; }

    // Axis units of device coordinate p (a decade exponent on a logarithmic axis).
    Real AxisUnits(int32_t p) const;
    // World value at device coordinate p.
    Real DevToWorld(int32_t p) const;
    // Device coordinate of world value v, rounded halves to even; raises EInvalidOp when it
    // lies outside the 32-bit range. On a logarithmic axis v <= 0 gives DevStart.
    int32_t WorldToDev(Real v) const;
    // The axis-unit range between two device coordinates; on a logarithmic axis widened
    // outward to whole decades (p1 gives Lo, p2 gives Hi).
    TAxisRange ZoomRange(int32_t p1, int32_t p2) const;

    Real From = 0;
    Real To = 0;
    Real Range = 0;
    int32_t DevStart = 0;
    int32_t DevEnd = 0;
    int32_t DevExtent = 0;
    // Device coordinate of the surface's edge beyond DevStart: the left edge for the x axis,
    // the bottom edge for the y axis. The other axis's labels and title are laid out from it.
    int32_t OuterEdge = 0;
    int32_t DecadeCount = 0;
    Real PixelsPerDecade = 0;
    // x axis: world units per device unit; y axis: device units per world unit.
    Real Scale = 0;
    int32_t LabelSpace = 0;
    int32_t TickFactor = 1;
    std::unique_ptr<TScaleLineFactMan> FactorMan;
    int32_t TitleSpace = 0;
    std::string Title;
    const int32_t Kind;
    bool Logarithmic = false;
    bool Prepared = false;
};

class TKooSystem {
public:
    TKooSystem();

    void Reset();
    bool IsValid() const;
    bool IsPrepared() const;
    // Prepares the x axis, then the y axis.
    void Prepare();

    // The caller computes these from the surface size and the measured spaces; the y axis
    // always gets its bottom as devStart and its top as devEnd.
    void SetXDevice(int32_t devStart, int32_t devEnd, int32_t outerEdge);
    void SetYDevice(int32_t devStart, int32_t devEnd, int32_t outerEdge);

    Real DevToWorldX(int32_t p) const { return XAxis.DevToWorld(p); }
    Real DevToWorldY(int32_t p) const { return YAxis.DevToWorld(p); }
    int32_t WorldToDevX(Real v) const { return XAxis.WorldToDev(v); }
    int32_t WorldToDevY(Real v) const { return YAxis.WorldToDev(v); }
    // The zoom passes the smaller device x as p1 for x, and the larger device y (the lower
    // world value) as p1 for y.
    TAxisRange ZoomRangeX(int32_t p1, int32_t p2) const { return XAxis.ZoomRange(p1, p2); }
    TAxisRange ZoomRangeY(int32_t p1, int32_t p2) const { return YAxis.ZoomRange(p1, p2); }

    TKooAxis XAxis{AxisKindX};
    TKooAxis YAxis{AxisKindY};
};
