#include "display/Metafile.h"

#include "engine/Errors.h"

#include <QBuffer>
#include <QPainter>
#include <QRegularExpression>
#include <QScreen>
#include <QSvgGenerator>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <limits>

TSurfaceMetrics SurfaceMetricsOf(const QWidget& surface) {
    TSurfaceMetrics metrics;
    metrics.Width = surface.width();
    metrics.Height = surface.height();
    metrics.Inch = static_cast<int16_t>(std::clamp(surface.logicalDpiX(), 1, 32767));
    const QScreen* screen = surface.screen();
    if (screen) {
        metrics.Screen.WidthPixels = screen->geometry().width();
        metrics.Screen.HeightPixels = screen->geometry().height();
        metrics.Screen.WidthMm = screen->physicalSize().width();
        metrics.Screen.HeightMm = screen->physicalSize().height();
    }
    // A screen that does not know its size (some virtual displays) is taken to be as large as
    // its logical resolution says.
    if (metrics.Screen.WidthPixels <= 0 || metrics.Screen.HeightPixels <= 0) {
        metrics.Screen.WidthPixels = std::max(1, metrics.Width);
        metrics.Screen.HeightPixels = std::max(1, metrics.Height);
    }
    const double mmPerPixelX = 25.4 / std::max(1, surface.logicalDpiX());
    const double mmPerPixelY = 25.4 / std::max(1, surface.logicalDpiY());
    if (!(metrics.Screen.WidthMm > 0) || !(metrics.Screen.HeightMm > 0)) {
        metrics.Screen.WidthMm = metrics.Screen.WidthPixels * mmPerPixelX;
        metrics.Screen.HeightMm = metrics.Screen.HeightPixels * mmPerPixelY;
    }
    return metrics;
}

int32_t ExtentHundredthsMm(int32_t pixels, double sizeMm, int32_t resolution) {
    if (resolution <= 0 || !(sizeMm > 0) || !std::isfinite(sizeMm))
        throw Exception("The screen reports no size, so the picture has none.");
    // The default rounding mode rounds halves to even.
    const long double extent =
        std::nearbyint(pixels * 1.0L * static_cast<long double>(sizeMm) / resolution * 100);
    if (!(extent >= std::numeric_limits<int32_t>::min() &&
          extent <= std::numeric_limits<int32_t>::max()))
        throw Exception("The picture is too large for the clipboard.");
    return static_cast<int32_t>(extent);
}

TMemMetaFile::TMemMetaFile() : Image(std::make_unique<TMemMetafileImage>()) {}

TMemMetaFile::~TMemMetaFile() = default;

TMetaFilePict TMemMetaFile::GetClipboardHandle(const TSurfaceMetrics& surface) {
    Image->Handle = Handle;
    Image->Width = surface.Width;
    Image->Height = surface.Height;
    Image->Inch = surface.Inch;
    TMetaFilePict pict;
    pict.Mm = MmAnisotropic;
    pict.XExt =
        ExtentHundredthsMm(Image->Width, surface.Screen.WidthMm, surface.Screen.WidthPixels);
    pict.YExt =
        ExtentHundredthsMm(Image->Height, surface.Screen.HeightMm, surface.Screen.HeightPixels);
    pict.Handle = Image->Handle;
    return pict;
}

TMetaFileCanvas::TMetaFileCanvas(TMemMetaFile& metaFile, int32_t width, int32_t height,
                                 int32_t inch)
    : TCanvas(nullptr), MetaFile(&metaFile), Width(std::max(1, width)), Height(std::max(1, height)),
      Inch(std::max(1, inch)) {}

TMetaFileCanvas::~TMetaFileCanvas() {
    Close();
}

void TMetaFileCanvas::CreateHandle() {
    if (Closed) return;
    if (!Generator) {
        Buffer = std::make_unique<QBuffer>();
        Buffer->open(QIODevice::WriteOnly);
        Generator = std::make_unique<QSvgGenerator>();
        Generator->setOutputDevice(Buffer.get());
        Generator->setSize(QSize(Width, Height));
        Generator->setViewBox(QRect(0, 0, Width, Height));
        Generator->setResolution(Inch);
        SetDevice(Generator.get());
    }
    TCanvas::CreateHandle();
}

void TMetaFileCanvas::Close() {
    if (Closed) return;
    // An empty recording is still a picture: the document is begun if nothing was drawn.
    Handle();
    FreeHandle();
    SetDevice(nullptr);
    Closed = true;
    if (Buffer) MetaFile->Handle = Buffer->data();
    Generator.reset();
    Buffer.reset();
}

QByteArray SvgWithPhysicalSize(const QByteArray& svg, int32_t xExt, int32_t yExt) {
    const QString text = QString::fromUtf8(svg);
    // The generator writes the root element first, with its own width and height.
    static const QRegularExpression root(QStringLiteral("<svg\\b[^>]*>"));
    const QRegularExpressionMatch match = root.match(text);
    if (!match.hasMatch()) return svg;
    QString element = match.captured(0);
    static const QRegularExpression size(QStringLiteral("\\s(width|height)=\"[^\"]*\""));
    element.remove(size);
    const QString physical =
        QStringLiteral(" width=\"%1mm\" height=\"%2mm\"")
            .arg(QString::number(xExt / 100.0, 'f', 2), QString::number(yExt / 100.0, 'f', 2));
    element.insert(4, physical);
    QString result = text;
    result.replace(match.capturedStart(0), match.capturedLength(0), element);
    return result.toUtf8();
}
