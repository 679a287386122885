// The display window's clipboard copy and printed page: the plot laid out as a page (its top
// margin half the y labels' width) on a recorded picture or on the printer, then the screen
// redrawn in its own layout.
#include "display/Drawwin.h"

#include "display/Metafile.h"
#include "engine/Errors.h"
#include "engine/StringTable.h"
#include "plot/Plot.h"
#include "plot/PlotLayout.h"

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QMimeData>
#include <QPrinter>

#include <memory>

namespace {

// Whatever way a copy or a print ends, the screen gets its own layout back and shows neither
// zoom frame nor cursor mark.
class TRedrawAtEnd {
public:
    explicit TRedrawAtEnd(TDrawWindow& window) : Window(window) {}
    ~TRedrawAtEnd() {
        try {
            Window.Redraw();
        } catch (...) {
            // Painting never reports; the failure that ended the copy or print is the news.
        }
    }
    TRedrawAtEnd(const TRedrawAtEnd&) = delete;
    TRedrawAtEnd& operator=(const TRedrawAtEnd&) = delete;

private:
    TDrawWindow& Window;
};

// Gives a variable a value for the lifetime of the object and its empty value (false, null)
// afterwards.
template <typename T> class TValueScope {
public:
    TValueScope(T& variable, T value) : Variable(variable) { Variable = value; }
    ~TValueScope() { Variable = T{}; }
    TValueScope(const TValueScope&) = delete;
    TValueScope& operator=(const TValueScope&) = delete;

private:
    T& Variable;
};

// The system's background colour of document windows, which the copy's text boxes are
// filled with: a pasted picture sits on a page, not on the window's grey.
QColor WindowBackground() {
    return QApplication::palette().color(QPalette::Base);
}

} // namespace

void TDrawWindow::CopyPlot() {
    TPlot& plot = Plot();
    if (!plot.AxesValid()) return;
    const TRedrawAtEnd redraw(*this);
    const TSurfaceMetrics surface = SurfaceMetricsOf(*PaintBox);
    const int32_t width = SurfaceWidth();
    const int32_t height = SurfaceHeight();
    auto metaFile = std::make_unique<TMemMetaFile>();
    const TValueScope<TMemMetaFile*> current(CopyMetaFile, metaFile.get());
    const QColor background = WindowBackground();
    TCanvas& screen = ScreenCanvas();

    // The picture's logical units are the surface's pixels and its label spaces the screen's:
    // it is measured on the screen's canvas and recorded at the screen's resolution.
    QImage image(std::max(1, width), std::max(1, height), QImage::Format_RGB32);
    if (image.isNull()) throw Exception("There is not enough memory for the picture.");
    image.setDotsPerMeterX(BackBuffer().dotsPerMeterX());
    image.setDotsPerMeterY(BackBuffer().dotsPerMeterY());
    image.fill(background);
    {
        TMetaFileCanvas canvas(*CopyMetaFile, width, height, surface.Inch);
        LayOutAndDrawPlot(plot, canvas, screen, width, height, TLayoutKind::Page, background);
        canvas.Close();
        // The same picture in pixels, for programs that take no SVG.
        TCanvas imageCanvas(&image);
        imageCanvas.SetBrushColor(background);
        plot.Draw(imageCanvas);
    }

    const TMetaFilePict pict = CopyMetaFile->GetClipboardHandle(surface);
    auto data = std::make_unique<QMimeData>();
    data->setData(QStringLiteral("image/svg+xml"),
                  SvgWithPhysicalSize(pict.Handle, pict.XExt, pict.YExt));
    data->setImageData(image);
    // Replaces everything the clipboard held; the clipboard owns the data from here.
    QGuiApplication::clipboard()->setMimeData(data.release());
}

void TDrawWindow::PrintPlot(QPrinter& printer) {
    TPlot& plot = Plot();
    if (!plot.AxesValid()) return;
    // Destroyed in reverse order: the document is ended, Printing cleared, then the screen
    // redrawn.
    const TRedrawAtEnd redraw(*this);
    const TValueScope<bool> printing(Printing, true);
    printer.setDocName(QStringLiteral("Pelvane"));
    TCanvas page(&printer);
    // Beginning to paint begins the document.
    if (!page.Handle()) throw Exception("The printer could not begin the document.");
    try {
        // Measured on the page: the fonts' point sizes in the printer's pixels.
        LayOutAndDrawPlot(plot, page, page, printer.width(), printer.height(), TLayoutKind::Page,
                          Qt::white);
    } catch (...) {
        // Where the printer can, the half-drawn page is thrown away; the document is ended
        // by the page canvas either way.
        printer.abort();
        throw;
    }
    page.FreeHandle();
}

void TDrawWindow::ShowCopyFailure(const std::exception& error) {
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(LoadStr(Msg::ApplicationTitle)),
                    QString::fromUtf8(error.what()), QMessageBox::Ok, this);
    box.exec();
}

void TDrawWindow::Kopieren1Click() {
    try {
        CopyPlot();
    } catch (const std::exception& error) {
        ShowCopyFailure(error);
    }
}

void TDrawWindow::SBCopyClick() {
    Kopieren1Click();
}
