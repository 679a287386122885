#include "plot/Canvas.h"

#include "plot/SvgText.h"

#include <QFontMetrics>
#include <QImage>
#include <QLineF>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>

namespace {

QString ToQString(const std::string& text) {
    return QString::fromStdString(text);
}

// Images whose pixels the not-xor mode can combine directly, one 32-bit word per pixel.
bool IsXorableImage(const QImage& image) {
    return image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32 ||
           image.format() == QImage::Format_ARGB32_Premultiplied;
}

// Coordinates beyond this distance from the origin are brought nearer before they reach Qt,
// whose rectangles would overflow on 32-bit extremes; nothing of them could be seen anyway.
constexpr int32_t FarLimit = 1 << 24;

int32_t Near(int32_t v) {
    return std::clamp(v, -FarLimit, FarLimit);
}

// Cuts the segment a-b down to the part inside the square of FarLimit; false when none is.
bool ClipToNear(QPointF& a, QPointF& b) {
    double t0 = 0;
    double t1 = 1;
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() + FarLimit, FarLimit - a.x(), a.y() + FarLimit, FarLimit - a.y()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
    }
    if (t0 > t1) return false;
    const QPointF start = a;
    a = start + QPointF(dx, dy) * t0;
    b = start + QPointF(dx, dy) * t1;
    return true;
}

} // namespace

TCanvas::TCanvas(QPaintDevice* device) : DeviceValue(device) {}

TCanvas::~TCanvas() {
    FreeHandle();
}

void TCanvas::SetPenStyle(TPenStyle style) {
    FlushLine();
    PenStyleValue = style;
    ApplyPen();
}

void TCanvas::SetPenColor(const QColor& color) {
    FlushLine();
    PenColorValue = color;
    ApplyPen();
}

void TCanvas::SetPenMode(TPenMode mode) {
    FlushLine();
    PenModeValue = mode;
    ApplyPen();
}

void TCanvas::SetBrushStyle(TBrushStyle style) {
    FlushLine();
    BrushStyleValue = style;
    ApplyBrush();
}

void TCanvas::SetBrushColor(const QColor& color) {
    FlushLine();
    BrushColorValue = color;
    ApplyBrush();
}

void TCanvas::SetFont(const TFontSpec& font) {
    FlushLine();
    FontValue = font;
    if (Painter) Painter->setFont(QtFont());
}

int32_t TCanvas::LogicalDpiX() const {
    return DeviceValue ? DeviceValue->logicalDpiX() : 96;
}

int32_t TCanvas::LogicalDpiY() const {
    return DeviceValue ? DeviceValue->logicalDpiY() : 96;
}

QFont TCanvas::QtFont() const {
    QFont font(ToQString(FontValue.Name));
    // Points to device pixels through the device's vertical resolution, as a printer page needs.
    const int pixels = static_cast<int>(std::lround(FontValue.Size * LogicalDpiY() / 72.0));
    font.setPixelSize(std::max(1, pixels));
    return font;
}

QPainter* TCanvas::Handle() {
    FlushLine();
    return Begin();
}

QPainter* TCanvas::Begin() {
    if (!Painter) CreateHandle();
    return Painter.get();
}

void TCanvas::FlushLine() {
    if (PendingLine.size() >= 2 && Painter) {
        Painter->save();
        Painter->setBrush(Qt::NoBrush);
        Painter->drawPolyline(PendingLine);
        Painter->restore();
    }
    PendingLine.clear();
}

void TCanvas::CreateHandle() {
    if (!DeviceValue) return;
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(DeviceValue)) return;
    Painter = std::move(painter);
    ApplyState();
}

void TCanvas::FreeHandle() {
    FlushLine();
    if (!Painter) return;
    Painter->end();
    Painter.reset();
}

void TCanvas::ApplyState() {
    if (!Painter) return;
    // Pixels must come out the same every time a figure is drawn, so nothing is smoothed.
    Painter->setRenderHint(QPainter::Antialiasing, false);
    ApplyPen();
    ApplyBrush();
    Painter->setFont(QtFont());
}

void TCanvas::ApplyPen() {
    if (!Painter) return;
    // Width 0 is Qt's cosmetic one-pixel pen; the flat cap leaves out a line's last pixel.
    QPen pen(PenColorValue, 0, PenStyleValue == TPenStyle::psDot ? Qt::DotLine : Qt::SolidLine,
             Qt::FlatCap, Qt::MiterJoin);
    Painter->setPen(pen);
}

void TCanvas::ApplyBrush() {
    if (!Painter) return;
    Painter->setBrush(BrushStyleValue == TBrushStyle::bsSolid ? QBrush(BrushColorValue)
                                                              : QBrush(Qt::NoBrush));
}

void TCanvas::MoveTo(int32_t x, int32_t y) {
    CurrentX = x;
    CurrentY = y;
}

void TCanvas::LineTo(int32_t x, int32_t y) {
    const QPoint from(CurrentX, CurrentY);
    const QPoint to(x, y);
    CurrentX = x;
    CurrentY = y;
    if (from == to) return;
    QPainter* painter = Begin();
    if (!painter) return;
    QImage* image = XorableImage();
    if (image && image->rect().contains(from) && image->rect().contains(to)) {
        PlotLine(*image, from, to);
        return;
    }
    // Vector devices, and lines reaching off the image, are left to QPainter's own stroking.
    QPointF a(from);
    QPointF b(to);
    if (!ClipToNear(a, b)) return;
    if (!image && painter->paintEngine() &&
        painter->paintEngine()->type() != QPaintEngine::Raster) {
        // On a vector device a line that continues the pending one extends it (a clipped
        // start never does, so the polyline is cut where it leaves the drawable square).
        if (PendingLine.isEmpty() || PendingLine.last() != a) {
            FlushLine();
            PendingLine << a;
        }
        PendingLine << b;
        return;
    }
    FlushLine();
    DrawFigure(QRectF(a, b).normalized().toAlignedRect(), [&](QPainter& p) {
        p.setBrush(Qt::NoBrush);
        p.drawLine(QLineF(a, b));
    });
}

QImage* TCanvas::XorableImage() const {
    if (!DeviceValue || DeviceValue->devType() != QInternal::Image) return nullptr;
    auto* image = static_cast<QImage*>(DeviceValue);
    // On an image with a device pixel ratio, QPainter's coordinates are not its pixels.
    return IsXorableImage(*image) && image->devicePixelRatio() == 1.0 ? image : nullptr;
}

void TCanvas::PlotLine(QImage& image, QPoint from, QPoint to) {
    // Bresenham's walk from the first point up to, not including, the last: each pixel of a
    // polyline is touched exactly once, whichever way its segments run.
    const QRgb color = PenColorValue.rgb() & 0x00FFFFFFu;
    const bool notXor = PenModeValue == TPenMode::pmNotXor;
    const bool dotted = PenStyleValue == TPenStyle::psDot;
    const int dx = std::abs(to.x() - from.x());
    const int dy = -std::abs(to.y() - from.y());
    const int sx = from.x() < to.x() ? 1 : -1;
    const int sy = from.y() < to.y() ? 1 : -1;
    int err = dx + dy;
    int px = from.x();
    int py = from.y();
    // The rows are addressed directly: asking the image for each row costs more than the
    // pixel itself on long lines.
    uchar* const bits = image.bits();
    const qsizetype rowBytes = image.bytesPerLine();
    for (int step = 0; px != to.x() || py != to.y(); ++step) {
        // The dotted pen sets every other pixel.
        if (!dotted || step % 2 == 0) {
            QRgb& pixel = reinterpret_cast<QRgb*>(bits + py * rowBytes)[px];
            const QRgb rgb = notXor ? ~(color ^ pixel) : color;
            pixel = (rgb & 0x00FFFFFFu) | (pixel & 0xFF000000u);
        }
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            px += sx;
        }
        if (e2 <= dx) {
            err += dx;
            py += sy;
        }
    }
}

void TCanvas::Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    const QRect box = QRect(QPoint(Near(x1), Near(y1)), QPoint(Near(x2), Near(y2))).normalized();
    if (box.width() < 2 || box.height() < 2) return;
    // The outline runs on the box's first and last columns and rows, right and bottom excluded.
    const QRect outline(box.left(), box.top(), box.width() - 2, box.height() - 2);
    DrawFigure(box, [&](QPainter& painter) { painter.drawRect(outline); });
}

void TCanvas::Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    const QRect box = QRect(QPoint(Near(x1), Near(y1)), QPoint(Near(x2), Near(y2))).normalized();
    if (box.width() < 2 || box.height() < 2) return;
    const QRect outline(box.left(), box.top(), box.width() - 2, box.height() - 2);
    DrawFigure(box, [&](QPainter& painter) { painter.drawEllipse(outline); });
}

void TCanvas::DrawFigure(const QRect& bounds, const std::function<void(QPainter&)>& paint) {
    QPainter* painter = Handle();
    if (!painter) return;
    QImage* image = XorableImage();
    if (PenModeValue == TPenMode::pmCopy || !image) {
        // Not-xor needs pixels to combine with: other raster devices combine through Qt,
        // vector devices get the figure in copy mode.
        painter->save();
        if (PenModeValue == TPenMode::pmNotXor && painter->paintEngine() &&
            painter->paintEngine()->type() == QPaintEngine::Raster)
            painter->setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
        paint(*painter);
        painter->restore();
        return;
    }
    // Not-xor: the figure is first drawn into a coverage image, then every covered pixel is
    // combined exactly once, so a second drawing restores the surface bit for bit even where
    // the outline and the interior meet.
    const QRect area = bounds.adjusted(-1, -1, 1, 1).intersected(image->rect());
    if (area.isEmpty()) return;
    QImage coverage(area.size(), QImage::Format_ARGB32);
    coverage.fill(Qt::transparent);
    {
        QPainter cover(&coverage);
        cover.setRenderHint(QPainter::Antialiasing, false);
        cover.setPen(painter->pen());
        cover.setBrush(painter->brush());
        cover.translate(-area.topLeft());
        paint(cover);
    }
    for (int row = 0; row < area.height(); ++row) {
        const auto* source = reinterpret_cast<const QRgb*>(coverage.constScanLine(row));
        auto* target = reinterpret_cast<QRgb*>(image->scanLine(area.top() + row)) + area.left();
        for (int column = 0; column < area.width(); ++column) {
            if (qAlpha(source[column]) == 0) continue;
            const QRgb pixel = target[column];
            target[column] = (~(source[column] ^ pixel) & 0x00FFFFFFu) | (pixel & 0xFF000000u);
        }
    }
}

void TCanvas::TextOut(int32_t x, int32_t y, const std::string& text) {
    QPainter* painter = Handle();
    if (!painter) return;
    QString qtext = ToQString(text);
    // The SVG generator escapes markup in drawn text but passes on characters that no XML
    // document may hold.
    if (painter->paintEngine() && painter->paintEngine()->type() == QPaintEngine::SVG)
        qtext = XmlSafeText(qtext);
    const QFontMetrics metrics(painter->font(), DeviceValue);
    painter->save();
    // Text is never combined with the surface: it is written over it.
    painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter->translate(x, y);
    // Positive escapement turns counter-clockwise on the screen; Qt turns clockwise.
    if (FontValue.Escapement != 0) painter->rotate(-FontValue.Escapement / 10.0);
    if (BrushStyleValue == TBrushStyle::bsSolid)
        painter->fillRect(QRect(0, 0, metrics.horizontalAdvance(qtext), metrics.height()),
                          BrushColorValue);
    painter->setPen(FontValue.Color);
    painter->drawText(QPoint(0, metrics.ascent()), qtext);
    painter->restore();
}

int32_t TCanvas::TextWidth(const std::string& text) {
    if (!DeviceValue) Handle();
    return QFontMetrics(QtFont(), DeviceValue).horizontalAdvance(ToQString(text));
}

int32_t TCanvas::TextHeight(const std::string& text) {
    if (!DeviceValue) Handle();
    (void)text; // every line of a font has the same height
    return QFontMetrics(QtFont(), DeviceValue).height();
}
