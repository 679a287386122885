#pragma once
// The picture the display window hands to the clipboard: a canvas that records the plot as an
// SVG document in memory, the recorded picture with its logical size, and the block that
// tells a receiving program the picture's physical size.
#include "plot/Canvas.h"

#include <QByteArray>

#include <cstdint>
#include <memory>

class QBuffer;
class QSvgGenerator;
class QWidget;

// The physical size of the screen a drawing surface is on, in the units the extents are
// computed from: millimetres and the pixels they span.
struct TScreenSize {
    double WidthMm = 0;      // HORZSIZE
    double HeightMm = 0;     // VERTSIZE
    int32_t WidthPixels = 0; // HORZRES
    int32_t HeightPixels = 0;
};

// The drawing surface's side of the picture: its size in pixels, the screen's logical pixels
// per inch and the screen's physical size.
struct TSurfaceMetrics {
    int32_t Width = 0;
    int32_t Height = 0;
    int16_t Inch = 96;
    TScreenSize Screen;
};

// Reads the metrics of `surface` from the screen it is shown on. Widget sizes and the screen's
// geometry are both in device-independent pixels, so a device pixel ratio cancels out.
TSurfaceMetrics SurfaceMetricsOf(const QWidget& surface);

// Round(pixels * 1.0 * sizeMm / resolution * 100) in extended precision, halves to even: the
// physical length of `pixels` on a screen `resolution` pixels and `sizeMm` millimetres wide,
// in hundredths of a millimetre. Throws Exception when the screen's figures give no length
// (no pixels, no millimetres, or a result beyond 32 bits).
int32_t ExtentHundredthsMm(int32_t pixels, double sizeMm, int32_t resolution);

// The picture's clipboard block: how a receiving program is to scale the picture and the
// picture itself.
struct TMetaFilePict {
    int32_t Mm = 0;    // mapping mode; 8: anisotropic, scaled to the extents
    int32_t XExt = 0;  // width in hundredths of a millimetre
    int32_t YExt = 0;  // height in hundredths of a millimetre
    QByteArray Handle; // the picture: a finished SVG document
};
inline constexpr int32_t MmAnisotropic = 8;

// The recorded picture's description.
struct TMemMetafileImage {
    QByteArray Handle; // copy of the metafile's picture
    int32_t Width = 0; // logical size: the drawing surface's pixels
    int32_t Height = 0;
    int16_t Inch = 0; // the screen's logical pixels per inch when the picture was made
};

// A picture recorded in memory. The picture behind Handle is shared data: the clipboard keeps
// its own reference after a copy.
class TMemMetaFile {
public:
    TMemMetaFile();
    ~TMemMetaFile();
    TMemMetaFile(const TMemMetaFile&) = delete;
    TMemMetaFile& operator=(const TMemMetaFile&) = delete;

    // The block for the clipboard: the image takes the picture and the surface's size, the
    // extents give the surface's physical size on its screen.
    TMetaFilePict GetClipboardHandle(const TSurfaceMetrics& surface);

    // The finished SVG document; empty until the recording canvas is closed.
    QByteArray Handle;
    std::unique_ptr<TMemMetafileImage> Image;
};

// A canvas that records into an SVG document in memory whose logical units are the drawing
// surface's pixels (view box 0 0 width height). Closing it, or destroying it, finishes the
// document and stores it in the metafile's Handle.
class TMetaFileCanvas : public TCanvas {
public:
    // `inch` is the screen's logical resolution: the fonts get the screen's pixel sizes, as
    // the picture is measured on the screen.
    TMetaFileCanvas(TMemMetaFile& metaFile, int32_t width, int32_t height, int32_t inch);
    ~TMetaFileCanvas() override;

    // Finishes the recording (beginning it first if nothing was drawn) and sets the
    // metafile's Handle. Drawing afterwards is not recorded.
    void Close();

    TMemMetaFile* MetaFile; // not owned

protected:
    void CreateHandle() override;

private:
    int32_t Width;
    int32_t Height;
    int32_t Inch;
    bool Closed = false;
    std::unique_ptr<QBuffer> Buffer;
    std::unique_ptr<QSvgGenerator> Generator;
};

// The SVG document `svg` with the root element's width and height set to the extents (in
// millimetres), so that a receiving program shows it at the surface's physical size.
QByteArray SvgWithPhysicalSize(const QByteArray& svg, int32_t xExt, int32_t yExt);
