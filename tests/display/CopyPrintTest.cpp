// The display window's clipboard copy and printed page for real on the offscreen platform:
// the picture's extents, what the clipboard holds afterwards, the SVG as a parser and a
// renderer see it, the PDF a print writes, and the window after a failure.
#include "display/Drawwin.h"
#include "display/Metafile.h"
#include "engine/Errors.h"
#include "engine/StringTable.h"
#include "plot/Plot.h"
#include "tests/app/ModalBoxes.h"
#include "tests/display/DisplayTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMimeData>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <string>

namespace {

const char* const SvgFormat = "image/svg+xml";

// ---- The extents. ----

struct TExtentRow {
    const char* Name;
    int32_t Pixels;
    double SizeMm;
    int32_t Resolution;
    int32_t Expected; // -1: refused
};

const TExtentRow ExtentRows[] = {
    {"a third of a hundredth rounds down", 7, 100, 3, 23333},
    {"two thirds round up", 2, 1, 3, 67},
    {"half below an even number rounds down", 1, 0.125, 1, 12},
    {"half below an odd number rounds up", 1, 0.375, 1, 38},
    {"no pixels, no length", 0, 320, 1024, 0},
    {"a screen of no pixels is refused", 400, 320, 0, -1},
    {"a screen of no millimetres is refused", 400, 0, 1024, -1},
    {"beyond 32 bits is refused", 2000000000, 1000, 1, -1},
};

TEST(Metafile, ExtentsInHundredthsOfAMillimetre) {
    for (const TExtentRow& row : ExtentRows) {
        SCOPED_TRACE(row.Name);
        if (row.Expected < 0) {
            EXPECT_THROW(ExtentHundredthsMm(row.Pixels, row.SizeMm, row.Resolution), Exception);
        } else {
            EXPECT_EQ(ExtentHundredthsMm(row.Pixels, row.SizeMm, row.Resolution), row.Expected);
        }
    }
}

// The clipboard block of a recorded picture, for a 400 x 300 surface on a 1024 x 768 screen of
// 320 x 240 millimetres: 400 / 1024 * 320 mm and 300 / 768 * 240 mm. A canvas never drawn on
// still leaves a picture that parses.
TEST(Metafile, ClipboardBlockCarriesPictureAndExtents) {
    for (const bool drawn : {true, false}) {
        SCOPED_TRACE(drawn ? "drawn" : "never drawn");
        TMemMetaFile metaFile;
        {
            TMetaFileCanvas canvas(metaFile, 400, 300, 96);
            if (drawn) canvas.LineTo(390, 290);
            // Not finished before the canvas is.
            EXPECT_TRUE(metaFile.Handle.isEmpty());
        }
        const TMetaFilePict pict =
            metaFile.GetClipboardHandle({400, 300, 96, {320, 240, 1024, 768}});
        EXPECT_EQ(QPoint(pict.XExt, pict.YExt), QPoint(12500, 9375));
        EXPECT_EQ(pict.Handle, metaFile.Handle);
        QSvgRenderer renderer(pict.Handle);
        ASSERT_TRUE(renderer.isValid());
        EXPECT_EQ(renderer.viewBox(), QRect(0, 0, 400, 300));
    }
}

// ---- The copy. ----

QByteArray ClipboardSvg() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data ? data->data(QString::fromLatin1(SvgFormat)) : QByteArray();
}

// Every character the SVG's text elements hold, in document order; empty when it does not
// parse.
QString SvgTexts(const QByteArray& svg, bool* parsed) {
    QXmlStreamReader reader(svg);
    QString texts;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == QStringLiteral("text"))
            texts += reader.readElementText(QXmlStreamReader::IncludeChildElements);
    }
    *parsed = !reader.hasError();
    return texts;
}

// The root element's attribute `name`.
QString RootAttribute(const QByteArray& svg, const char* name) {
    QXmlStreamReader reader(svg);
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement())
            return reader.attributes().value(QString::fromLatin1(name)).toString();
    }
    return {};
}

// The picture the copy must make: the plot laid out as a page, measured on the screen. Leaves
// the plot in the page layout.
QImage DrawnAsPage(TDrawWindow& window) {
    return DrawnThroughLayout(window, TLayoutKind::Page,
                              QApplication::palette().color(QPalette::Base), true);
}

QImage RenderSvg(const QByteArray& svg, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(QApplication::palette().color(QPalette::Base));
    QSvgRenderer renderer(svg);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    return image;
}

bool IsDark(QRgb pixel) {
    return qGray(pixel) < 128;
}

// Dark pixels of `a` with no dark pixel of `b` within one pixel: what a renderer's rounding
// cannot explain.
int UnmatchedDarkPixels(const QImage& a, const QImage& b) {
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            if (!IsDark(a.pixel(x, y))) continue;
            bool matched = false;
            for (int dy = -1; dy <= 1 && !matched; ++dy)
                for (int dx = -1; dx <= 1 && !matched; ++dx)
                    matched = b.valid(x + dx, y + dy) && IsDark(b.pixel(x + dx, y + dy));
            if (!matched) ++count;
        }
    return count;
}

struct TTextRow {
    const char* Name;
    const char* Headline;
    const char* Expected; // as the SVG's text holds it
};

const TTextRow TextRows[] = {
    {"markup", "a<b & c>\"d\" 'e' &amp; ]]> <!-- x -->", "a<b & c>\"d\" 'e' &amp; ]]> <!-- x -->"},
    {"non-ASCII", "Grüße ∑ µ 漢字", "Grüße ∑ µ 漢字"},
    {"control characters", "a\001b\033c", "a\uFFFDb\uFFFDc"},
};

TEST(CopyPlot, EveryHeadlineSurvivesAndTheSvgParses) {
    TWindows windows;
    windows.Show(400, 300);
    windows.Draw->NewFunction("X");
    for (const TTextRow& row : TextRows) {
        SCOPED_TRACE(row.Name);
        windows.Plot().Title = row.Headline;
        windows.Plot().KooSystem.XAxis.Title = std::string("x ") + row.Headline;
        windows.Draw->Redraw();
        windows.Draw->CopyPlot();
        const QByteArray svg = ClipboardSvg();
        bool parsed = false;
        const QString texts = SvgTexts(svg, &parsed);
        EXPECT_TRUE(parsed);
        EXPECT_TRUE(QSvgRenderer(svg).isValid());
        const QString expected = QString::fromUtf8(row.Expected);
        EXPECT_TRUE(texts.contains(expected)) << texts.toStdString();
        EXPECT_TRUE(texts.contains(QStringLiteral("x ") + expected));
    }
}

// Wide y labels: the copy's plot area starts half their width below the headline, lower
// than the screen's, which leaves half the x labels' height.
TEST(CopyPlot, WideYLabelsGiveALargerTopMargin) {
    TWindows windows;
    windows.Plotting("X");
    windows.Draw->SetYFrom(-1000000);
    windows.Draw->SetYTo(1000000);
    windows.Draw->Redraw();
    const TPlot& plot = windows.Plot();
    const int32_t screenTop = plot.KooSystem.YAxis.DevEnd;
    ASSERT_GT(plot.KooSystem.YAxis.LabelSpace / 2, plot.KooSystem.XAxis.LabelSpace / 2);

    windows.Draw->CopyPlot();
    const QImage expected = DrawnAsPage(*windows.Draw);
    const int32_t pageTop = plot.KooSystem.YAxis.DevEnd;
    const int32_t left = plot.KooSystem.XAxis.DevStart;
    const int32_t right = plot.KooSystem.XAxis.DevEnd;
    EXPECT_EQ(pageTop - screenTop,
              plot.KooSystem.YAxis.LabelSpace / 2 - plot.KooSystem.XAxis.LabelSpace / 2);
    windows.Draw->Redraw();

    // The frame's top edge in the picture: the first row dark across the plot area.
    const QImage picture = RenderSvg(ClipboardSvg(), expected.size());
    auto topEdge = [&](const QImage& image) {
        for (int y = 0; y < image.height(); ++y) {
            int dark = 0;
            for (int x = left; x < right; ++x)
                dark += IsDark(image.pixel(x, y)) ? 1 : 0;
            if (dark > (right - left) * 9 / 10) return y;
        }
        return -1;
    };
    EXPECT_EQ(topEdge(expected), pageTop);
    EXPECT_NEAR(topEdge(picture), pageTop, 1);
    EXPECT_NE(topEdge(windows.Draw->BackBuffer()), pageTop);
}

// The image is the page layout drawn in pixels, and the SVG renders to the same picture up
// to a renderer's rounding; the SVG has the surface's pixels and its physical size.
TEST(CopyPlot, SvgAndImageShowTheSamePicture) {
    TWindows windows;
    TDrawWindow& window = windows.Plotting("SIN(X)*5");
    windows.Plot().Title = "Sine";
    window.Redraw();
    window.CopyPlot();
    const QImage copied =
        QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
    const QImage expected = DrawnAsPage(window);
    window.Redraw();
    ASSERT_EQ(copied.size(), QSize(window.SurfaceWidth(), window.SurfaceHeight()));
    EXPECT_EQ(copied, expected);

    const QByteArray svg = ClipboardSvg();
    ASSERT_EQ(QSvgRenderer(svg).viewBox(), QRect(QPoint(0, 0), copied.size()));
    const TScreenSize screen = SurfaceMetricsOf(*window.PaintBox).Screen;
    const int32_t xExt = ExtentHundredthsMm(copied.width(), screen.WidthMm, screen.WidthPixels);
    const int32_t yExt = ExtentHundredthsMm(copied.height(), screen.HeightMm, screen.HeightPixels);
    EXPECT_GT(xExt, 0);
    EXPECT_EQ(RootAttribute(svg, "width"), QString::number(xExt / 100.0, 'f', 2) + "mm");
    EXPECT_EQ(RootAttribute(svg, "height"), QString::number(yExt / 100.0, 'f', 2) + "mm");

    const QImage rendered = RenderSvg(svg, expected.size());
    const int dark = UnmatchedDarkPixels(expected, QImage()); // all of them
    ASSERT_GT(dark, 500);
    // Lines and curves land within a pixel; glyphs may be shaped a little differently.
    EXPECT_LT(UnmatchedDarkPixels(expected, rendered), dark / 20);
    EXPECT_LT(UnmatchedDarkPixels(rendered, expected), dark / 20);
}

// ---- The print. ----

// Whether the PDF's document information holds `title` (Qt writes it in UTF-16 with a byte
// order mark).
bool PdfHasTitle(const QByteArray& pdf, const QString& title) {
    QByteArray utf16("\xFE\xFF");
    for (const QChar c : title) {
        utf16 += static_cast<char>(c.unicode() >> 8);
        utf16 += static_cast<char>(c.unicode() & 0xFF);
    }
    return pdf.contains("/Title (" + utf16 + ")");
}

int PdfPageCount(const QByteArray& pdf) {
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![a-zA-Z])"));
    int count = 0;
    for (auto it = page.globalMatch(QString::fromLatin1(pdf)); it.hasNext(); it.next())
        ++count;
    return count;
}

struct TPdfPrinter {
    TPdfPrinter() : Printer(QPrinter::HighResolution) {
        Printer.setOutputFormat(QPrinter::PdfFormat);
        Printer.setOutputFileName(Path());
    }
    QString Path() const { return Dir.filePath(QStringLiteral("plot.pdf")); }
    QByteArray Contents() const {
        QFile file(Path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QTemporaryDir Dir;
    QPrinter Printer;
};

// The page content of a PDF: its streams unpacked, those that draw.
QByteArray PdfContent(const QByteArray& pdf) {
    QByteArray content;
    for (int at = pdf.indexOf("stream\n"); at >= 0; at = pdf.indexOf("stream\n", at + 1)) {
        const int start = at + 7;
        const int end = pdf.indexOf("endstream", start);
        if (end < 0) break;
        const QByteArray packed = pdf.mid(start, end - start);
        // qUncompress wants the unpacked size in front; a generous guess does.
        QByteArray sized(4, '\0');
        const quint32 guess = static_cast<quint32>(packed.size()) * 64 + 1024;
        for (int i = 0; i < 4; ++i)
            sized[i] = static_cast<char>((guess >> (24 - 8 * i)) & 0xFF);
        const QByteArray unpacked = qUncompress(sized + packed);
        if (unpacked.contains(" cm\n")) content += unpacked;
    }
    return content;
}

// The smallest box holding every line the page draws, in the page's device units (Qt writes
// them untransformed, scaled to points once at the page's start).
QRect PdfLineBounds(const QByteArray& pdf) {
    static const QRegularExpression point(QStringLiteral("(?:^|\\n)(-?\\d+) (-?\\d+) [ml]\\n"));
    QRect bounds;
    const QString content = QString::fromLatin1(PdfContent(pdf));
    for (auto it = point.globalMatch(content); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        bounds |= QRect(match.captured(1).toInt(), match.captured(2).toInt(), 1, 1);
    }
    return bounds;
}

TEST(PrintPlot, OnePageTitledPelvane) {
    TWindows windows;
    windows.Plotting("SIN(X)*5");
    const int32_t screenRight = windows.Plot().KooSystem.XAxis.DevEnd;
    TPdfPrinter pdf;
    windows.Draw->PrintPlot(pdf.Printer);
    EXPECT_FALSE(windows.Draw->Printing);
    const QByteArray contents = pdf.Contents();
    ASSERT_TRUE(contents.startsWith("%PDF"));
    EXPECT_EQ(PdfPageCount(contents), 1);
    EXPECT_TRUE(PdfHasTitle(contents, QStringLiteral("Pelvane")));
    // The plot area's frame spans nearly the whole printable area, not a screen's worth.
    const QRect lines = PdfLineBounds(contents);
    const QRect page(0, 0, pdf.Printer.width(), pdf.Printer.height());
    EXPECT_TRUE(page.contains(lines))
        << lines.x() << "," << lines.y() << " " << lines.width() << "x" << lines.height();
    EXPECT_GT(lines.width(), page.width() * 8 / 10);
    EXPECT_GT(lines.height(), page.height() * 8 / 10);
    EXPECT_GT(lines.right(), page.width() * 95 / 100);
    EXPECT_LT(lines.top(), page.height() * 5 / 100);
    // The screen has its own layout back.
    EXPECT_EQ(windows.Plot().KooSystem.XAxis.DevEnd, screenRight);
}

// ---- Both. ----

QByteArray CopiedPicture(TPdfPrinter&) {
    const QImage image =
        QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
    return ClipboardSvg() +
           QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
}

QByteArray PrintedPage(TPdfPrinter& pdf) {
    return PdfContent(pdf.Contents());
}

struct TOutput {
    const char* Name;
    void (*Run)(TDrawWindow&, TPdfPrinter&);
    QByteArray (*Output)(TPdfPrinter&); // what the copy or the print produced
};

const TOutput Copy{"copy", [](TDrawWindow& w, TPdfPrinter&) { w.CopyPlot(); }, CopiedPicture};
const TOutput Print{"print", [](TDrawWindow& w, TPdfPrinter& pdf) { w.PrintPlot(pdf.Printer); },
                    PrintedPage};

// The copy and the print, each from a fresh display window with "X/2" drawn at 400 x 300.
class CopyAndPrint : public testing::Test {
protected:
    template <class Body> void ForEachOutput(Body body) {
        for (const TOutput* output : {&Copy, &Print}) {
            SCOPED_TRACE(output->Name);
            TWindows windows;
            body(*output, windows.Plotting("X/2"));
        }
    }
};

// A zoom frame and a cursor mark on the screen reach neither the picture nor the page, and
// are gone from the screen afterwards, which shows the plot as before.
TEST_F(CopyAndPrint, NoFrameOrMarkInTheOutputOrLeftOnTheScreen) {
    ForEachOutput([](const TOutput& output, TDrawWindow& window) {
        const QImage before = window.BackBuffer().copy();
        TPdfPrinter plain;
        output.Run(window, plain);
        const QByteArray withoutMarks = output.Output(plain);
        ASSERT_FALSE(withoutMarks.isEmpty());
        EXPECT_EQ(window.BackBuffer(), before);

        PutFrameAndMark(window, {100, 80}, {220, 160}, {150, 120});
        ASSERT_NE(window.BackBuffer(), before);

        TPdfPrinter marked;
        output.Run(window, marked);
        EXPECT_EQ(output.Output(marked), withoutMarks);
        EXPECT_EQ(window.BackBuffer(), before);
        EXPECT_FALSE(window.FrameVisible);
        EXPECT_FALSE(window.MarkVisible);
        EXPECT_FALSE(window.Printing);
    });
}

// Axes that cannot be prepared although they look valid (a logarithmic axis within one
// decade): the drawing raises part way.
void MakeDrawingFail(TDrawWindow& window, TPdfPrinter&) {
    window.SetXLogarithmic(true);
    window.SetXFrom(0.2L);
    window.SetXTo(0.7L);
    ASSERT_TRUE(window.Plot().AxesValid());
}

void MissingFolder(TDrawWindow&, TPdfPrinter& pdf) {
    pdf.Printer.setOutputFileName(pdf.Dir.filePath(QStringLiteral("missing/folder/plot.pdf")));
}

struct TFailureRow {
    const char* Name;
    const TOutput& Output;
    void (*Break)(TDrawWindow&, TPdfPrinter&);
    bool AxesBroken; // the drawing raises a math error, and the axes are mended afterwards
};

const TFailureRow FailureRows[] = {
    {"copy of axes that fail", Copy, MakeDrawingFail, true},
    {"print of axes that fail", Print, MakeDrawingFail, true},
    {"print on a printer that cannot begin", Print, MissingFolder, false},
};

// The failure is raised; the clipboard keeps what it held, the document is ended and the
// screen, mended, draws, copies and prints again.
TEST(CopyAndPrintFailure, LeavesNothingBehindAndTheWindowWorking) {
    for (const TFailureRow& row : FailureRows) {
        SCOPED_TRACE(row.Name);
        TWindows windows;
        TDrawWindow& window = windows.Plotting("X");
        const QImage working = window.BackBuffer().copy();
        QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
        {
            TPdfPrinter pdf;
            row.Break(window, pdf);
            if (row.AxesBroken)
                EXPECT_THROW(row.Output.Run(window, pdf), EMathError);
            else
                EXPECT_THROW(row.Output.Run(window, pdf), Exception);
            EXPECT_FALSE(window.Printing);
            EXPECT_EQ(window.CopyMetaFile, nullptr);
            // The document was ended, not left open: the printer takes the next one.
            EXPECT_NE(pdf.Printer.printerState(), QPrinter::Active);
        }
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
        if (row.AxesBroken) {
            window.SetXLogarithmic(false);
            window.SetXFrom(-10);
            window.SetXTo(10);
            window.Redraw();
        }
        EXPECT_EQ(window.BackBuffer(), working);
        TPdfPrinter pdf;
        row.Output.Run(window, pdf);
        EXPECT_FALSE(row.Output.Output(pdf).isEmpty());
    }
}

// Axes that are not valid: nothing is copied or printed, silently.
TEST_F(CopyAndPrint, NothingWhenTheAxesAreNotValid) {
    ForEachOutput([](const TOutput& output, TDrawWindow& window) {
        window.SetXFrom(1);
        window.SetXTo(1);
        ASSERT_FALSE(window.Plot().AxesValid());
        QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
        TPdfPrinter pdf;
        EXPECT_NO_THROW(output.Run(window, pdf));
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
        EXPECT_FALSE(QFile::exists(pdf.Path()));
        EXPECT_FALSE(window.Printing);
    });
}

// ---- The copy's controls. ----

struct TControlRow {
    const char* Name;
    void (*Use)(TDrawWindow&);
};

const TControlRow ControlRows[] = {
    {"tool-bar button", [](TDrawWindow& w) { QTest::mouseClick(w.SBCopy, Qt::LeftButton); }},
    {"menu item", [](TDrawWindow& w) { w.Kopieren1->trigger(); }},
    {"Ctrl+C", [](TDrawWindow& w) { QTest::keyClick(&w, Qt::Key_C, Qt::ControlModifier); }},
};

TEST(CopyPlot, ControlsCopyAndShowAFailureInABox) {
    for (const TControlRow& row : ControlRows) {
        SCOPED_TRACE(row.Name);
        TWindows windows;
        TDrawWindow& window = windows.Plotting("X");
        QGuiApplication::clipboard()->setText(QStringLiteral("earlier"));
        row.Use(window);
        EXPECT_FALSE(ClipboardSvg().isEmpty());
        EXPECT_FALSE(QGuiApplication::clipboard()->mimeData()->hasText());

        TPdfPrinter unused;
        MakeDrawingFail(window, unused);
        QGuiApplication::clipboard()->setText(QStringLiteral("earlier"));
        TModalBoxAnswerer answerer;
        row.Use(window);
        ASSERT_EQ(answerer.Boxes.size(), 1u);
        EXPECT_EQ(answerer.Boxes[0].Caption,
                  QString::fromStdString(LoadStr(Msg::ApplicationTitle)));
        EXPECT_EQ(answerer.Boxes[0].Icon, QMessageBox::Critical);
        EXPECT_FALSE(answerer.Boxes[0].Text.isEmpty());
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("earlier"));
        EXPECT_TRUE(window.isVisible());
    }
}

} // namespace
