#include "plot/KooSystem.h"

#include "engine/Convert.h"
#include "engine/Errors.h"
#include "plot/Ticks.h"

#include <cmath>

namespace {

// Int: truncation toward zero, kept as a real.
Real Int(Real v) {
    return std::trunc(v);
}

// Frac: what truncation leaves, with the sign of v.
Real Frac(Real v) {
    return v - std::trunc(v);
}

} // namespace

TKooAxis::TKooAxis(int32_t kind) : FactorMan(std::make_unique<TScaleLineFactMan>()), Kind(kind) {
    Reset();
}

TKooAxis::~TKooAxis() = default;

void TKooAxis::Reset() {
    From = 0;
    To = 0;
    Range = 0;
    DevStart = 0;
    DevEnd = 0;
    DevExtent = 0;
    OuterEdge = 0;
    DecadeCount = 0;
    PixelsPerDecade = 0;
    Scale = 0;
    LabelSpace = 0;
    TitleSpace = 0;
    TickFactor = 1;
    Title.clear();
    Logarithmic = false;
    Prepared = false;
}

bool TKooAxis::IsValid() const {
    // An unordered pair (a NaN end) counts as equal.
    return (From < To || From > To) && Kind != 0;
}

void TKooAxis::Prepare() {
    // Every refusal happens before anything is stored, so a refused axis keeps its values.
    Prepared = false;
    if (!std::isfinite(From) || !std::isfinite(To)) throw EInvalidOp();
    const Real range = To - From;
    if (!std::isfinite(range)) throw EInvalidOp();
    if (range == 0) throw EZeroDivide();
    const int64_t extent = static_cast<int64_t>(DevEnd) - DevStart;
    // The x axis grows to the right, the y axis upward (toward smaller device y).
    if (Kind == AxisKindX ? extent <= 0 : extent >= 0) throw EZeroDivide();
    if (extent < INT32_MIN || extent > INT32_MAX) throw EInvalidOp();
    int32_t decades = 0;
    if (Logarithmic) {
        if (std::fabs(From) > MaxDecadeExponent || std::fabs(To) > MaxDecadeExponent)
            throw EInvalidOp();
        decades = TruncToInt32(To) - TruncToInt32(From);
        if (decades == 0) throw EZeroDivide();
    }

    // A range so small or so large against the device extent that its factor leaves the
    // extended numbers cannot be mapped either.
    const Real scale = Kind == AxisKindX ? range / extent : extent * 1.0L / range;
    if (!std::isfinite(scale) || scale == 0) throw EInvalidOp();

    Range = range;
    DevExtent = static_cast<int32_t>(extent);
    Scale = scale;
    if (Logarithmic) {
        // The stored ends themselves are truncated toward zero; Range and Scale keep the
        // untruncated values.
        From = Int(From);
        To = Int(To);
        DecadeCount = decades;
        PixelsPerDecade = DevExtent * 1.0L / DecadeCount;
    }
    Prepared = true;
}

Real TKooAxis::AxisUnits(int32_t p) const {
    const Real offset = static_cast<Real>(p) - DevStart;
    if (Logarithmic) return From + offset * 1.0L / PixelsPerDecade;
    return Kind == AxisKindX ? From + offset * Scale : From + offset / Scale;
}

Real TKooAxis::DevToWorld(int32_t p) const {
    const Real offset = static_cast<Real>(p) - DevStart;
    if (Logarithmic) return Power10(offset * 1.0L / PixelsPerDecade + From);
    return Kind == AxisKindX ? offset * Scale + From : offset / Scale + From;
}

int32_t TKooAxis::WorldToDev(Real v) const {
    if (Logarithmic) {
        if (!(v > 0)) return DevStart;
        return RoundToInt32((Log10(v) - From) * PixelsPerDecade + DevStart);
    }
    if (Kind == AxisKindX) return RoundToInt32((v - From) / Scale + DevStart);
    return RoundToInt32((v - From) * Scale + DevStart);
}

TAxisRange TKooAxis::ZoomRange(int32_t p1, int32_t p2) const {
    TAxisRange result{AxisUnits(p1), AxisUnits(p2)};
    if (Logarithmic) {
        // Widen outward to whole decades unless the value already sits on one (within 1e-6 of
        // a fractional part of magnitude 1, left for the next Prepare to truncate).
        if (std::fabs(std::fabs(Frac(result.Lo)) - 1) > 1e-6L) result.Lo = Int(result.Lo - 1);
        if (std::fabs(std::fabs(Frac(result.Hi)) - 1) > 1e-6L) result.Hi = Int(result.Hi + 1);
    }
    return result;
}

TKooSystem::TKooSystem() {
    Reset();
}

void TKooSystem::Reset() {
    XAxis.Reset();
    YAxis.Reset();
}

bool TKooSystem::IsValid() const {
    return XAxis.IsValid() && YAxis.IsValid();
}

bool TKooSystem::IsPrepared() const {
    return XAxis.IsPrepared() && YAxis.IsPrepared();
}

void TKooSystem::Prepare() {
    XAxis.Prepare();
    YAxis.Prepare();
}

void TKooSystem::SetXDevice(int32_t devStart, int32_t devEnd, int32_t outerEdge) {
    XAxis.DevStart = devStart;
    XAxis.DevEnd = devEnd;
    XAxis.OuterEdge = outerEdge;
}

void TKooSystem::SetYDevice(int32_t devStart, int32_t devEnd, int32_t outerEdge) {
    YAxis.DevStart = devStart;
    YAxis.DevEnd = devEnd;
    YAxis.OuterEdge = outerEdge;
}
