#pragma once
// The drawing surface the plot draws on: a pen, a brush and a font over a QPainter on any
// QPaintDevice (the screen's QImage back buffer, an SVG generator for the clipboard, a printer
// page). Device coordinates are 32-bit integers with the origin at the top left; y grows
// downward.
//
// The canvas keeps its pen, brush and font itself and hands them to the painter, so they can be
// set before the painter exists. The painter is begun on first use through the virtual
// CreateHandle; a derived canvas that needs to prepare its device first overrides it. Every
// drawing and measuring operation is virtual so a recording canvas can stand in.
#include <QColor>
#include <QFont>
#include <QPoint>
#include <QPolygonF>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QPainter;
class QPaintDevice;
class QImage;
class QRect;

enum class TPenStyle { psSolid, psDot };

// Copy: the pen's colour replaces the pixel. NotXor: each pixel becomes NOT(pixel XOR pen), so
// drawing the same figure twice restores the surface bit for bit. NotXor needs a raster
// device (a QImage); elsewhere it draws as Copy.
enum class TPenMode { pmCopy, pmNotXor };

// Clear: figures and text are drawn without filling or background.
enum class TBrushStyle { bsClear, bsSolid };

// A font as the plot asks for it: face name, size in points and escapement in tenths of a
// degree (900 turns the text to run upward). The pixel size follows the device's logical
// resolution, so a printer page gets larger text in pixels than the screen.
struct TFontSpec {
    std::string Name = "Arial";
    int32_t Size = 10;      // points
    int32_t Escapement = 0; // tenths of a degree, counter-clockwise
    QColor Color = Qt::black;

    bool operator==(const TFontSpec&) const = default;
};

class TCanvas {
public:
    // The device is not owned and must outlive the canvas's painter. A null device is allowed
    // for derived canvases that make their device in CreateHandle.
    explicit TCanvas(QPaintDevice* device = nullptr);
    virtual ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    // Pen. The width is never set: lines are one device pixel wide (a cosmetic pen).
    virtual void SetPenStyle(TPenStyle style);
    virtual void SetPenColor(const QColor& color);
    virtual void SetPenMode(TPenMode mode);
    TPenStyle PenStyle() const { return PenStyleValue; }
    QColor PenColor() const { return PenColorValue; }
    TPenMode PenMode() const { return PenModeValue; }

    // Brush.
    virtual void SetBrushStyle(TBrushStyle style);
    virtual void SetBrushColor(const QColor& color);
    TBrushStyle BrushStyle() const { return BrushStyleValue; }
    QColor BrushColor() const { return BrushColorValue; }

    // Font. Font() is the current font's description; turning the text is done by reading it,
    // changing Escapement and setting it again.
    virtual void SetFont(const TFontSpec& font);
    TFontSpec Font() const { return FontValue; }

    virtual void MoveTo(int32_t x, int32_t y);
    // Draws from the current point to (x, y), which becomes the current point. The end point
    // itself is not drawn, so a polyline touches every pixel once.
    virtual void LineTo(int32_t x, int32_t y);
    // Text in the current font with its top-left corner at (x, y); with escapement 900 the text
    // starts at (x, y) and runs upward, its top facing left. A solid brush paints the text's
    // background box first.
    virtual void TextOut(int32_t x, int32_t y, const std::string& text);
    // Size of a text in the current font along its baseline and across it, in device units.
    virtual int32_t TextWidth(const std::string& text);
    virtual int32_t TextHeight(const std::string& text);
    // Outline from (x1, y1) to (x2 - 1, y2 - 1) with the pen, interior with the brush.
    virtual void Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    // Ellipse inside the same box as Rectangle.
    virtual void Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2);

    // The painter, begun on first use. Null when there is nothing to paint on.
    QPainter* Handle();
    bool HandleAllocated() const { return Painter != nullptr; }
    // Ends the painter (flushing an SVG or a printer page); the next use begins it again.
    void FreeHandle();
    QPaintDevice* Device() const { return DeviceValue; }

    // Logical pixels per inch of the device (96 when there is no device).
    int32_t LogicalDpiX() const;
    int32_t LogicalDpiY() const;

    // The Qt font the current TFontSpec gives on this device.
    QFont QtFont() const;

protected:
    // Begins the painter on Device(); a derived canvas may first make or prepare the device.
    virtual void CreateHandle();
    void SetDevice(QPaintDevice* device) { DeviceValue = device; }
    // Hands pen, brush and font to a freshly begun painter.
    void ApplyState();

private:
    void ApplyPen();
    void ApplyBrush();
    // The device when it is a QImage whose pixels the canvas combines itself, else null.
    QImage* XorableImage() const;
    // The painter, begun if needed, without ending a pending polyline.
    QPainter* Begin();
    // Draws the pending polyline: on vector devices connected lines become one polyline
    // instead of one figure per segment (an SVG of a curve stays small).
    void FlushLine();
    // One line on such an image, in the current pen, without its last pixel.
    void PlotLine(QImage& image, QPoint from, QPoint to);
    // Draws a figure that lies within bounds in the current pen mode.
    void DrawFigure(const QRect& bounds, const std::function<void(QPainter&)>& paint);

    QPaintDevice* DeviceValue;
    std::unique_ptr<QPainter> Painter;
    int32_t CurrentX = 0;
    int32_t CurrentY = 0;
    QPolygonF PendingLine;
    TPenStyle PenStyleValue = TPenStyle::psSolid;
    QColor PenColorValue = Qt::black;
    TPenMode PenModeValue = TPenMode::pmCopy;
    TBrushStyle BrushStyleValue = TBrushStyle::bsSolid;
    QColor BrushColorValue = Qt::white;
    TFontSpec FontValue;
};
