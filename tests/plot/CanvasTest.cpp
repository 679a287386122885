// The canvas on real QImages: line pixels, the not-xor mode, text background, turned text,
// fonts following the device resolution, rectangles and the lazily begun painter.
#include "plot/Canvas.h"
#include "tests/plot/RecordingCanvas.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QSvgGenerator>
#include <QSvgRenderer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr QRgb White = 0xFFFFFFFFu;
constexpr QRgb Black = 0xFF000000u;
constexpr QRgb Red = 0xFFFF0000u;

QImage MakeImage(int width, int height, int dpi = 96, QRgb fill = White) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(fill);
    const int dotsPerMeter = static_cast<int>(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    return image;
}

// A background where every pixel differs from its neighbours, so a wrongly restored pixel
// cannot hide.
QImage NoisyImage(int width, int height) {
    QImage image = MakeImage(width, height);
    uint32_t seed = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            seed = seed * 1103515245u + 12345u;
            image.setPixel(x, y, 0xFF000000u | (seed >> 8));
        }
    return image;
}

// Pixels that differ between two images of the same size.
std::vector<QPoint> ChangedPixels(const QImage& before, const QImage& after) {
    std::vector<QPoint> changed;
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x)
            if (before.pixel(x, y) != after.pixel(x, y)) changed.emplace_back(x, y);
    return changed;
}

QRect BoundingBox(const std::vector<QPoint>& points) {
    QRect box;
    for (const QPoint& point : points)
        box |= QRect(point, QSize(1, 1));
    return box;
}

} // namespace

TEST(Canvas, LineCoversItsStartButNotItsEnd) {
    struct Row {
        const char* name;
        QPoint from;
        QPoint to;
        TPenStyle style = TPenStyle::psSolid;
    };
    const Row rows[] = {
        {"rightward", {2, 5}, {12, 5}},
        {"leftward", {12, 5}, {2, 5}},
        {"downward", {5, 2}, {5, 17}},
        {"upward", {5, 17}, {5, 2}},
        {"diagonal", {2, 2}, {12, 12}},
        {"steep", {3, 1}, {6, 18}},
        {"shallow", {1, 3}, {18, 7}},
        {"one pixel long", {7, 7}, {8, 7}},
        // ---- the dotted pen sets the first pixel and every other one after it ----
        {"dotted rightward", {2, 5}, {12, 5}, TPenStyle::psDot},
        {"dotted odd length", {5, 17}, {5, 6}, TPenStyle::psDot},
        {"dotted steep", {3, 1}, {6, 18}, TPenStyle::psDot},
        {"dotted one pixel long", {7, 7}, {8, 7}, TPenStyle::psDot},
        {"dotted one pixel diagonal", {7, 7}, {6, 8}, TPenStyle::psDot},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QImage image = MakeImage(20, 20);
        const QImage before = image;
        {
            TCanvas canvas(&image);
            canvas.SetPenStyle(row.style);
            canvas.MoveTo(row.from.x(), row.from.y());
            canvas.LineTo(row.to.x(), row.to.y());
        }
        const std::vector<QPoint> changed = ChangedPixels(before, image);
        const int length =
            std::max(std::abs(row.to.x() - row.from.x()), std::abs(row.to.y() - row.from.y()));
        const int expected = row.style == TPenStyle::psDot ? (length + 1) / 2 : length;
        EXPECT_EQ(static_cast<int>(changed.size()), expected);
        EXPECT_EQ(image.pixel(row.from), Black);
        EXPECT_EQ(image.pixel(row.to), White);
    }
}

TEST(Canvas, PolylineFrameClosesWithoutGaps) {
    QImage image = MakeImage(30, 30);
    {
        TCanvas canvas(&image);
        canvas.MoveTo(5, 20);
        canvas.LineTo(25, 20);
        canvas.LineTo(25, 4);
        canvas.LineTo(5, 4);
        canvas.LineTo(5, 20);
    }
    // Every pixel on the four sides is black, including the corners, and nothing else is.
    int black = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) {
            const bool onFrame = ((x == 5 || x == 25) && y >= 4 && y <= 20) ||
                                 ((y == 4 || y == 20) && x >= 5 && x <= 25);
            EXPECT_EQ(image.pixel(x, y) == Black, onFrame) << x << "," << y;
            black += image.pixel(x, y) == Black;
        }
    EXPECT_EQ(black, 2 * 21 + 2 * 15);
}

TEST(Canvas, NotXorFigureDrawnTwiceRestoresTheImage) {
    struct Row {
        const char* name;
        TPenStyle pen;
        QColor penColor;
        TBrushStyle brush;
        QColor brushColor;
        void (*draw)(TCanvas&);
    };
    const Row rows[] = {
        {"solid line", TPenStyle::psSolid, Qt::black, TBrushStyle::bsClear, Qt::white,
         [](TCanvas& c) {
             c.MoveTo(3, 7);
             c.LineTo(57, 41);
         }},
        {"dotted polyline", TPenStyle::psDot, Qt::black, TBrushStyle::bsClear, Qt::white,
         [](TCanvas& c) {
             c.MoveTo(3, 3);
             c.LineTo(50, 3);
             c.LineTo(50, 40);
             c.LineTo(3, 3);
         }},
        {"dotted zoom frame", TPenStyle::psDot, Qt::black, TBrushStyle::bsClear, Qt::white,
         [](TCanvas& c) { c.Rectangle(10, 8, 48, 39); }},
        {"frame with reversed corners", TPenStyle::psSolid, Qt::black, TBrushStyle::bsClear,
         Qt::white, [](TCanvas& c) { c.Rectangle(48, 39, 10, 8); }},
        {"red cursor mark", TPenStyle::psSolid, QColor(255, 0, 0), TBrushStyle::bsSolid,
         QColor(255, 0, 0), [](TCanvas& c) { c.Ellipse(26, 16, 34, 24); }},
        {"filled rectangle", TPenStyle::psSolid, Qt::black, TBrushStyle::bsSolid,
         QColor(0, 128, 255), [](TCanvas& c) { c.Rectangle(5, 5, 30, 30); }},
        {"figure over the edge", TPenStyle::psSolid, Qt::black, TBrushStyle::bsSolid, Qt::red,
         [](TCanvas& c) { c.Ellipse(-10, -10, 12, 12); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QImage image = NoisyImage(60, 45);
        const QImage original = image;
        TCanvas canvas(&image);
        canvas.SetPenStyle(row.pen);
        canvas.SetPenColor(row.penColor);
        canvas.SetBrushStyle(row.brush);
        canvas.SetBrushColor(row.brushColor);
        canvas.SetPenMode(TPenMode::pmNotXor);
        row.draw(canvas);
        canvas.FreeHandle();
        EXPECT_FALSE(ChangedPixels(original, image).empty());
        row.draw(canvas);
        canvas.FreeHandle();
        EXPECT_TRUE(ChangedPixels(original, image).empty());
    }
}

TEST(Canvas, NotXorCombinesEachPixelOnceWithThePen) {
    // On white, not-xor gives exactly the pen's colour; a pixel hit twice within one figure
    // would fall back to white and leave a hole.
    struct Row {
        const char* name;
        QColor color;
        TBrushStyle brush;
        void (*draw)(TCanvas&);
        QRect inside; // pixels that must all be coloured
    };
    const Row rows[] = {
        {"red disc", Qt::red, TBrushStyle::bsSolid, [](TCanvas& c) { c.Ellipse(16, 16, 24, 24); },
         QRect(18, 18, 4, 4)},
        {"filled square", Qt::red, TBrushStyle::bsSolid,
         [](TCanvas& c) { c.Rectangle(10, 10, 20, 20); }, QRect(10, 10, 10, 10)},
        {"frame corners", Qt::black, TBrushStyle::bsClear,
         [](TCanvas& c) { c.Rectangle(10, 10, 20, 20); }, QRect(10, 10, 1, 1)},
        {"polyline joints", Qt::black, TBrushStyle::bsClear,
         [](TCanvas& c) {
             c.MoveTo(5, 5);
             c.LineTo(25, 5);
             c.LineTo(25, 25);
         },
         QRect(25, 5, 1, 1)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QImage image = MakeImage(40, 40);
        const QImage original = image;
        TCanvas canvas(&image);
        canvas.SetPenColor(row.color);
        canvas.SetBrushColor(row.color);
        canvas.SetBrushStyle(row.brush);
        canvas.SetPenMode(TPenMode::pmNotXor);
        row.draw(canvas);
        canvas.FreeHandle();
        for (const QPoint& p : ChangedPixels(original, image))
            EXPECT_EQ(image.pixel(p), row.color.rgb()) << p.x() << "," << p.y();
        for (int y = row.inside.top(); y <= row.inside.bottom(); ++y)
            for (int x = row.inside.left(); x <= row.inside.right(); ++x)
                EXPECT_EQ(image.pixel(x, y), row.color.rgb()) << x << "," << y;
    }
}

TEST(Canvas, RectangleOutlineStopsBeforeTheSecondCorner) {
    struct Row {
        const char* name;
        TBrushStyle brush;
        QRgb interior;
    };
    const Row rows[] = {
        {"clear brush keeps the interior", TBrushStyle::bsClear, 0xFF00FF00u},
        {"solid brush fills the interior", TBrushStyle::bsSolid, Red},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QImage image = MakeImage(30, 30, 96, 0xFF00FF00u);
        {
            TCanvas canvas(&image);
            canvas.SetBrushStyle(row.brush);
            canvas.SetBrushColor(Qt::red);
            canvas.Rectangle(4, 6, 20, 16);
        }
        EXPECT_EQ(image.pixel(4, 6), Black);
        EXPECT_EQ(image.pixel(19, 15), Black);
        EXPECT_EQ(image.pixel(19, 6), Black);
        EXPECT_EQ(image.pixel(4, 15), Black);
        EXPECT_EQ(image.pixel(20, 16), 0xFF00FF00u);
        EXPECT_EQ(image.pixel(20, 10), 0xFF00FF00u);
        EXPECT_EQ(image.pixel(10, 16), 0xFF00FF00u);
        EXPECT_EQ(image.pixel(12, 11), row.interior);
        EXPECT_EQ(image.pixel(5, 7), row.interior);
    }
}

TEST(Canvas, TextBackgroundFollowsTheBrush) {
    const QRgb background = 0xFF80C0A0u;
    const std::string text = "W i d e";
    // Where the letters' own pixels lie: the text written on white.
    QImage reference = MakeImage(200, 60);
    const QImage blank = reference;
    {
        TCanvas canvas(&reference);
        canvas.SetBrushStyle(TBrushStyle::bsClear);
        canvas.TextOut(10, 10, text);
    }
    const std::vector<QPoint> glyph = ChangedPixels(blank, reference);
    ASSERT_GT(glyph.size(), 20u);

    struct Row {
        const char* name;
        TBrushStyle brush;
        QRgb between; // the expected colour of pixels between the letters
    };
    const Row rows[] = {
        {"clear brush leaves the surface", TBrushStyle::bsClear, background},
        {"solid brush paints a box", TBrushStyle::bsSolid, White},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QImage image = MakeImage(200, 60, 96, background);
        int width = 0;
        int height = 0;
        {
            TCanvas canvas(&image);
            canvas.SetBrushStyle(row.brush);
            canvas.SetBrushColor(Qt::white);
            canvas.TextOut(10, 10, text);
            width = canvas.TextWidth(text);
            height = canvas.TextHeight(text);
        }
        int between = 0;
        for (int y = 10; y < 10 + height; ++y)
            for (int x = 10; x < 10 + width; ++x) {
                if (reference.pixel(x, y) != White) continue;
                ++between;
                ASSERT_EQ(image.pixel(x, y), row.between) << x << "," << y;
            }
        EXPECT_GT(between, 100);
        // Outside the text's box nothing changes in either case.
        EXPECT_EQ(image.pixel(10 + width + 2, 10 + height / 2), background);
        EXPECT_EQ(image.pixel(8, 10 + height / 2), background);
    }
}

TEST(Canvas, TextStartsAtItsPointAndTurnsUpwardWithEscapement900) {
    // "H" followed by spaces: the letter's pixels must lie next to the starting point, in the
    // direction the text runs.
    const std::string text = "H      ";
    struct Row {
        const char* name;
        int escapement;
    };
    const Row rows[] = {{"horizontal", 0}, {"upward", 900}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QImage image = MakeImage(200, 200);
        const QImage blank = image;
        TCanvas canvas(&image);
        TFontSpec font = canvas.Font();
        font.Escapement = row.escapement;
        canvas.SetFont(font);
        canvas.TextOut(60, 150, text);
        const int letter = canvas.TextWidth("H");
        const int width = canvas.TextWidth(text);
        const int height = canvas.TextHeight(text);
        canvas.FreeHandle();
        const QRect box = BoundingBox(ChangedPixels(blank, image));
        ASSERT_FALSE(box.isEmpty());
        if (row.escapement == 0) {
            EXPECT_GE(box.left(), 60);
            EXPECT_LE(box.right(), 60 + letter);
            EXPECT_GE(box.top(), 150);
            EXPECT_LT(box.bottom(), 150 + height);
        } else {
            // Running upward from (60, 150): the letter is just above the point, the top of
            // the letters facing left, their feet to the right.
            EXPECT_LE(box.bottom(), 150);
            EXPECT_GE(box.top(), 150 - letter - 1);
            EXPECT_GE(box.left(), 60);
            EXPECT_LT(box.right(), 60 + height);
            EXPECT_GT(box.height(), box.width() / 2);
            EXPECT_LT(box.height(), width);
        }
    }
}

TEST(Canvas, FontSizeFollowsTheDeviceResolution) {
    struct Row {
        const char* name;
        int dpi;
        int points;
        int pixels; // points * dpi / 72, rounded
    };
    const Row rows[] = {
        {"screen 10 pt", 96, 10, 13},   {"screen 12 pt", 96, 12, 16},
        {"large screen", 120, 10, 17},  {"double", 192, 10, 27},
        {"printer 10 pt", 600, 10, 83}, {"printer 12 pt", 600, 12, 100},
    };
    QImage base = MakeImage(10, 10, 96);
    TCanvas baseCanvas(&base);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QImage image = MakeImage(400, 200, row.dpi);
        const QImage blank = image;
        TCanvas canvas(&image);
        canvas.SetFont(TFontSpec{"Arial", row.points, 0, Qt::black});
        baseCanvas.SetFont(TFontSpec{"Arial", row.points, 0, Qt::black});
        EXPECT_EQ(canvas.QtFont().pixelSize(), row.pixels);
        const double ratio = row.dpi / 96.0;
        EXPECT_NEAR(canvas.TextHeight("X"), baseCanvas.TextHeight("X") * ratio,
                    2 + 0.05 * baseCanvas.TextHeight("X") * ratio);
        EXPECT_NEAR(canvas.TextWidth("XXXX"), baseCanvas.TextWidth("XXXX") * ratio,
                    2 + 0.05 * baseCanvas.TextWidth("XXXX") * ratio);
        // The drawn capital is about 0.7 of the em high.
        canvas.TextOut(0, 0, "X");
        canvas.FreeHandle();
        const QRect box = BoundingBox(ChangedPixels(blank, image));
        EXPECT_NEAR(box.height(), row.pixels * 0.72, 2 + row.pixels * 0.08);
    }
}

TEST(Canvas, PainterBeginsOnFirstUse) {
    // A canvas that makes its own device when first used, as the clipboard canvas does.
    class TLateCanvas : public TCanvas {
    public:
        void CreateHandle() override {
            ++Created;
            Image = MakeImage(20, 20);
            SetDevice(&Image);
            TCanvas::CreateHandle();
        }
        QImage Image;
        int Created = 0;
    };
    TLateCanvas canvas;
    canvas.SetPenColor(Qt::red);
    EXPECT_FALSE(canvas.HandleAllocated());
    EXPECT_EQ(canvas.Created, 0);
    canvas.MoveTo(1, 1);
    canvas.LineTo(10, 1);
    EXPECT_TRUE(canvas.HandleAllocated());
    canvas.LineTo(10, 10);
    EXPECT_EQ(canvas.Created, 1);
    canvas.FreeHandle();
    // The pen chosen before the painter existed was used.
    EXPECT_EQ(canvas.Image.pixel(5, 1), Red);
    EXPECT_EQ(canvas.Image.pixel(10, 5), Red);

    // Without any device nothing is drawn and nothing fails.
    TCanvas nowhere;
    nowhere.MoveTo(0, 0);
    nowhere.LineTo(5, 5);
    nowhere.TextOut(1, 1, "x");
    EXPECT_EQ(nowhere.Handle(), nullptr);
}

TEST(Canvas, RecordingCanvasDrawsLikeThePlainCanvas) {
    auto draw = [](TCanvas& c) {
        c.SetPenStyle(TPenStyle::psDot);
        c.MoveTo(5, 5);
        c.LineTo(90, 60);
        c.SetPenStyle(TPenStyle::psSolid);
        c.SetBrushStyle(TBrushStyle::bsClear);
        c.Rectangle(10, 10, 80, 50);
        c.SetFont(TFontSpec{"Arial", 10, 900, Qt::black});
        c.TextOut(20, 55, "1E-2");
        c.SetBrushStyle(TBrushStyle::bsSolid);
        c.SetBrushColor(Qt::red);
        c.Ellipse(60, 20, 68, 28);
    };
    QImage plainImage = MakeImage(100, 70);
    QImage recordedImage = plainImage;
    {
        TCanvas plain(&plainImage);
        draw(plain);
    }
    TRecordingCanvas recording(&recordedImage);
    draw(recording);
    recording.FreeHandle();
    EXPECT_EQ(plainImage, recordedImage);
    EXPECT_EQ(recording.Dump(), "PenStyle dot\n"
                                "MoveTo 5,5\n"
                                "LineTo 90,60\n"
                                "PenStyle solid\n"
                                "BrushStyle clear\n"
                                "Rectangle 10,10,80,50\n"
                                "Font Arial 10 900\n"
                                "TextOut 20,55 \"1E-2\"\n"
                                "BrushStyle solid\n"
                                "BrushColor #ff0000\n"
                                "Ellipse 60,20,68,28\n");
}

TEST(Canvas, DrawsOnVectorDevices) {
    // The clipboard picture and the printer page: not-xor falls back to drawing, and text is
    // measured at the device's own resolution.
    QImage screen = MakeImage(10, 10);
    TCanvas screenCanvas(&screen);
    const int screenHeight = screenCanvas.TextHeight("X");
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());

    struct Row {
        const char* name;
        bool svg;
    };
    const Row rows[] = {{"svg picture", true}, {"pdf page", false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QBuffer buffer;
        QSvgGenerator svg;
        QPrinter printer(QPrinter::HighResolution);
        const QString pdfPath = dir.filePath("page.pdf");
        QPaintDevice* device = nullptr;
        if (row.svg) {
            svg.setOutputDevice(&buffer);
            svg.setSize(QSize(200, 100));
            svg.setViewBox(QRect(0, 0, 200, 100));
            svg.setResolution(96);
            device = &svg;
        } else {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdfPath);
            device = &printer;
        }
        TCanvas canvas(device);
        const double scale = canvas.LogicalDpiY() / 96.0;
        EXPECT_NEAR(canvas.TextHeight("X"), screenHeight * scale, 2 + 0.06 * screenHeight * scale);
        canvas.SetPenMode(TPenMode::pmNotXor);
        canvas.SetPenStyle(TPenStyle::psDot);
        canvas.MoveTo(10, 10);
        canvas.LineTo(150, 80);
        canvas.SetBrushStyle(TBrushStyle::bsClear);
        canvas.TextOut(20, 20, "Quoril");
        canvas.Rectangle(5, 5, 190, 95);
        canvas.FreeHandle();
        QByteArray output;
        if (row.svg) {
            output = buffer.data();
            EXPECT_TRUE(output.contains("Quoril"));
            EXPECT_TRUE(output.contains("<polyline") || output.contains("<path"));
        } else {
            QFile file(pdfPath);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            output = file.readAll();
            EXPECT_TRUE(output.startsWith("%PDF"));
        }
        EXPECT_GT(output.size(), 300);
    }
}

TEST(Canvas, FiguresReachingFarOffTheSurface) {
    // Only the visible part is drawn, in both pen modes, and nothing overflows.
    struct Row {
        const char* name;
        void (*draw)(TCanvas&);
        QPoint drawn; // a pixel the visible part must colour, or -1, -1
    };
    const int32_t far = 2147483647;
    const Row rows[] = {
        {"horizontal line across",
         [](TCanvas& c) {
             c.MoveTo(-far - 1, 10);
             c.LineTo(far, 10);
         },
         {20, 10}},
        {"line from far away",
         [](TCanvas& c) {
             c.MoveTo(15, 5);
             c.LineTo(15, -far - 1);
         },
         {15, 2}},
        {"diagonal from corner to corner",
         [](TCanvas& c) {
             c.MoveTo(-far, -far);
             c.LineTo(far, far);
         },
         {7, 7}},
        {"huge rectangle", [](TCanvas& c) { c.Rectangle(-far - 1, 3, far, 30); }, {12, 3}},
        {"huge ellipse", [](TCanvas& c) { c.Ellipse(-far, -far, far, far); }, {-1, -1}},
    };
    for (const Row& row : rows) {
        for (TPenMode mode : {TPenMode::pmCopy, TPenMode::pmNotXor}) {
            SCOPED_TRACE(std::string(row.name) + (mode == TPenMode::pmCopy ? " copy" : " not-xor"));
            QImage image = MakeImage(40, 40);
            TCanvas canvas(&image);
            canvas.SetBrushStyle(TBrushStyle::bsClear);
            canvas.SetPenMode(mode);
            row.draw(canvas);
            canvas.FreeHandle();
            // A drawn pixel of -1 means the visible part is empty: the surface stays white.
            if (row.drawn.x() >= 0) {
                EXPECT_EQ(image.pixel(row.drawn), Black);
            } else {
                EXPECT_TRUE(ChangedPixels(MakeImage(40, 40), image).empty());
            }
        }
    }
}

TEST(Canvas, ImageWithPixelRatioUsesLogicalCoordinates) {
    // Lines, figures and text all follow QPainter's logical coordinates on a high-density image.
    QImage image = MakeImage(80, 80);
    image.setDevicePixelRatio(2);
    {
        TCanvas canvas(&image);
        canvas.MoveTo(2, 5);
        canvas.LineTo(30, 5);
        canvas.SetBrushStyle(TBrushStyle::bsClear);
        canvas.SetPenMode(TPenMode::pmNotXor);
        canvas.Rectangle(5, 20, 30, 35);
    }
    struct Row {
        const char* name;
        QPoint physical;
        QRgb color;
    };
    const Row rows[] = {
        {"line start", {4, 10}, Black},           {"line middle", {40, 10}, Black},
        {"line beyond its end", {64, 10}, White}, {"logical pixel not doubled", {40, 20}, White},
        {"rectangle top", {30, 40}, Black},       {"rectangle inside", {30, 50}, White},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(image.pixel(row.physical), row.color);
    }
}

TEST(Canvas, ConnectedLinesOnVectorDevicesBecomeOnePolyline) {
    // A curve of many segments must not turn into one figure per segment in the clipboard
    // picture; a pen lift or a pen change starts a new polyline, and the picture still shows
    // every segment.
    struct Row {
        const char* name;
        void (*draw)(TCanvas&);
        int polylines;
        std::vector<QPoint> inked; // pixels the rendered picture must colour
    };
    const Row rows[] = {
        {"three connected segments",
         [](TCanvas& c) {
             c.MoveTo(10, 10);
             c.LineTo(50, 10);
             c.LineTo(50, 50);
             c.LineTo(90, 50);
         },
         1,
         {{30, 10}, {50, 30}, {70, 50}}},
        {"pen lift",
         [](TCanvas& c) {
             c.MoveTo(10, 10);
             c.LineTo(50, 10);
             c.MoveTo(60, 60);
             c.LineTo(90, 60);
         },
         2,
         {{30, 10}, {75, 60}}},
        {"pen change in between",
         [](TCanvas& c) {
             c.MoveTo(10, 10);
             c.LineTo(50, 10);
             c.SetPenColor(QColor(255, 0, 0));
             c.LineTo(50, 50);
         },
         2,
         {{30, 10}, {50, 30}}},
        {"text in between",
         [](TCanvas& c) {
             c.MoveTo(10, 10);
             c.LineTo(50, 10);
             c.TextOut(120, 70, "y");
             c.LineTo(50, 50);
         },
         2,
         {{30, 10}, {50, 30}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QBuffer buffer;
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(QSize(200, 100));
        svg.setViewBox(QRect(0, 0, 200, 100));
        svg.setResolution(96);
        {
            TCanvas canvas(&svg);
            row.draw(canvas);
        } // the canvas's end flushes the last polyline
        const QByteArray output = buffer.data();
        EXPECT_EQ(output.count("<polyline"), row.polylines);

        QSvgRenderer renderer(output);
        ASSERT_TRUE(renderer.isValid());
        QImage picture(200, 100, QImage::Format_RGB32);
        picture.fill(Qt::white);
        {
            QPainter painter(&picture);
            renderer.render(&painter);
        }
        for (const QPoint& p : row.inked) {
            bool ink = false; // one pixel of tolerance across the line
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    ink = ink || picture.pixel(p + QPoint(dx, dy)) != qRgb(255, 255, 255);
            EXPECT_TRUE(ink) << p.x() << "," << p.y();
        }
    }
}
