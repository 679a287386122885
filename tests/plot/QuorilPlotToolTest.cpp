// The command-line exporter, run as a real program: its pictures match the plot window's layout
// pixel for pixel, its SVG and PDF are readable, and bad input ends with a message and a
// failure status. The PNGs it writes stay next to the test binary as reference plots.
#include "plot/Canvas.h"
#include "plot/Plot.h"
#include "plot/PlotLayout.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

QString ToolPath() {
#ifdef QUORIL_PLOT_TOOL
    return QStringLiteral(QUORIL_PLOT_TOOL);
#else
    return QCoreApplication::applicationDirPath() + "/../../tools/quoril-plot/quoril-plot";
#endif
}

struct TRunResult {
    int ExitCode = -1;
    std::string Errors;
    std::string Output;
};

// Runs the tool as on a machine without a window system, or with the variables of `extraEnv`
// ("NAME=value") set: the tool must pick the offscreen platform itself.
TRunResult RunTool(const QStringList& args, const QStringList& extraEnv = {}) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM");
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    for (const QString& variable : extraEnv) {
        const qsizetype equals = variable.indexOf('=');
        env.insert(variable.left(equals), variable.mid(equals + 1));
    }
    process.setProcessEnvironment(env);
    process.start(ToolPath(), args);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        return {};
    }
    return {process.exitCode(), process.readAllStandardError().toStdString(),
            process.readAllStandardOutput().toStdString()};
}

QString OutputPath(const QString& name) {
    return QCoreApplication::applicationDirPath() + "/reference-" + name;
}

// The picture the plot window's layout gives for the same plot, drawn in this process.
QImage InProcess(const std::function<void(TPlot&)>& build, int width, int height) {
    TPlot plot;
    build(plot);
    QImage image(width, height, QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(96 / 0.0254));
    image.setDotsPerMeterY(qRound(96 / 0.0254));
    image.fill(Qt::white);
    TCanvas canvas(&image);
    LayOutAndDrawPlot(plot, canvas, canvas, width, height, TLayoutKind::Screen, Qt::white);
    canvas.FreeHandle();
    return image;
}

struct TPictureRow {
    const char* Name;
    QStringList Args;
    std::function<void(TPlot&)> Build;
    int Width;
    int Height;
};

const TPictureRow PictureRows[] = {
    {"sine-and-pole.png",
     {"--fn", "SIN(X)", "--fn", "1/X", "--x", "-2*PI", "2*PI", "--y", "-2", "2"},
     [](TPlot& p) {
         p.NewFunction("SIN(X)");
         p.AddFunction("1/X");
         p.SetXFrom(-2 * 3.14159265358979323846264338327950288L);
         p.SetXTo(2 * 3.14159265358979323846264338327950288L);
         p.SetYFrom(-2);
         p.SetYTo(2);
     },
     DesignSurfaceWidth,
     DesignSurfaceHeight},
    {"circle-and-parabola.png",
     {"--para", "COS(T)", "SIN(T)", "0", "2*PI", "0.01", "--fn", "X^2/2", "--x", "-2", "2", "--y",
      "-1.5", "1.5", "--title", "circle", "--size", "300x240"},
     [](TPlot& p) {
         p.NewParametric("COS(T)", "SIN(T)", 0, 2 * 3.14159265358979323846264338327950288L, 0.01L);
         p.AddFunction("X^2/2");
         p.SetXFrom(-2);
         p.SetXTo(2);
         p.SetYFrom(-1.5L);
         p.SetYTo(1.5L);
         p.Title = "circle";
     },
     300,
     240},
    {"log-log.png",
     {"--fn", "X^2", "--fn", "X-10", "--x", "-1", "3", "--y", "-2", "5", "--logx", "--logy",
      "--size", "500x400"},
     [](TPlot& p) {
         p.NewFunction("X^2");
         p.AddFunction("X-10");
         p.SetXFrom(-1);
         p.SetXTo(3);
         p.SetYFrom(-2);
         p.SetYTo(5);
         p.SetXLogarithmic(true);
         p.SetYLogarithmic(true);
     },
     500,
     400},
    // A curve far beyond the 32-bit device range is clipped; the sine after it is drawn.
    {"exp-and-sine.png",
     {"--fn", "EXP(X)", "--fn", "SIN(X)", "--x", "0", "30", "--y", "0", "10"},
     [](TPlot& p) {
         p.NewFunction("EXP(X)");
         p.AddFunction("SIN(X)");
         p.SetXFrom(0);
         p.SetXTo(30);
         p.SetYFrom(0);
         p.SetYTo(10);
     },
     DesignSurfaceWidth,
     DesignSurfaceHeight},
    {"no-scale.ppm",
     {"--fn", "TAN(X)", "--x", "-5", "5", "--y", "-3", "3", "--noscale", "--size", "120x90"},
     [](TPlot& p) {
         p.NewFunction("TAN(X)");
         p.SetXFrom(-5);
         p.SetXTo(5);
         p.SetYFrom(-3);
         p.SetYTo(3);
         p.SetShowScale(false);
     },
     120,
     90},
};

TEST(QuorilPlotTool, PicturesMatchThePlotWindowLayout) {
    for (const TPictureRow& row : PictureRows) {
        SCOPED_TRACE(row.Name);
        const QString output = OutputPath(row.Name);
        QFile::remove(output);
        const TRunResult run = RunTool(QStringList(row.Args) << "-o" << output);
        ASSERT_EQ(run.ExitCode, 0) << run.Errors;
        QImage written(output);
        ASSERT_FALSE(written.isNull());
        written = written.convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(written.size(), QSize(row.Width, row.Height));
        const QImage expected = InProcess(row.Build, row.Width, row.Height);
        int32_t differing = 0;
        int32_t black = 0;
        for (int y = 0; y < row.Height; ++y) {
            for (int x = 0; x < row.Width; ++x) {
                differing += written.pixel(x, y) != expected.pixel(x, y) ? 1 : 0;
                black += written.pixel(x, y) == qRgb(0, 0, 0) ? 1 : 0;
            }
        }
        EXPECT_EQ(differing, 0);
        EXPECT_GT(black, row.Width) << "the picture holds curves";
    }
}

TEST(QuorilPlotTool, SvgParsesWithTheSurfaceSize) {
    QTemporaryDir dir;
    const QString output = dir.filePath("plot.svg");
    const TRunResult run = RunTool(
        {"--fn", "SIN(X)", "--x", "-5", "5", "--y", "-1", "1", "--size", "320x200", "-o", output});
    ASSERT_EQ(run.ExitCode, 0) << run.Errors;
    QSvgRenderer renderer(output);
    ASSERT_TRUE(renderer.isValid());
    // The picture's logical units are the surface's pixels.
    EXPECT_EQ(renderer.viewBox(), QRect(0, 0, 320, 200));
    QImage image(320, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        renderer.render(&painter);
    }
    int32_t dark = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            dark += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
        }
    }
    EXPECT_GT(dark, 320) << "the picture holds the frame and the curve";
}

struct TSvgTitleRow {
    const char* Name;
    QString Title;
    QString Read; // the title as the document gives it back
};

const TSvgTitleRow SvgTitleRows[] = {
    {"Markup", "A<B & C>D", "A<B & C>D"},
    {"Quotes", "say \"hi\" it's", "say \"hi\" it's"},
    {"NonAscii", QString::fromUtf8("Größe π ∑ é"), QString::fromUtf8("Größe π ∑ é")},
    {"ControlCharacter", QString("A") + QChar(1) + "B",
     QString("A") + QChar::ReplacementCharacter + "B"},
};

// The headline goes into the document's title and is drawn as text: the file stays well-formed
// XML and both read back as the user's text.
TEST(QuorilPlotTool, SvgTitleIsEscaped) {
    QTemporaryDir dir;
    for (const TSvgTitleRow& row : SvgTitleRows) {
        SCOPED_TRACE(row.Name);
        const QString output = dir.filePath(QString(row.Name) + ".svg");
        const TRunResult run = RunTool({"--fn", "SIN(X)", "--x", "-5", "5", "--y", "-1", "1",
                                        "--title", row.Title, "-o", output});
        ASSERT_EQ(run.ExitCode, 0) << run.Errors;
        QFile file(output);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        QString title;
        QStringList texts;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement) {
                continue;
            }
            if (xml.name() == QLatin1String("title")) {
                title = xml.readElementText();
            } else if (xml.name() == QLatin1String("text")) {
                texts << xml.readElementText();
            }
        }
        ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
        EXPECT_EQ(title, row.Read);
        // Runs of another script or font are written as text elements of their own.
        EXPECT_TRUE(texts.join(QString()).contains(row.Read)) << texts.join('|').toStdString();
    }
}

struct TDisplayRow {
    const char* Name;
    QStringList Env;
};

// Displays that are named but do not answer.
const TDisplayRow DisplayRows[] = {
    {"StaleX11Display", {"DISPLAY=:99"}},
    {"StaleWaylandDisplay", {"WAYLAND_DISPLAY=quoril-test-no-such-display"}},
    {"BothStale", {"DISPLAY=:99", "WAYLAND_DISPLAY=quoril-test-no-such-display"}},
    {"EmptyPlatformName", {"QT_QPA_PLATFORM=", "DISPLAY=:99"}},
};

TEST(QuorilPlotTool, DrawsWhateverDisplayIsNamed) {
    QTemporaryDir dir;
    for (const TDisplayRow& row : DisplayRows) {
        SCOPED_TRACE(row.Name);
        const QString output = dir.filePath(QString(row.Name) + ".png");
        const TRunResult run =
            RunTool({"--fn", "SIN(X)", "--x", "-5", "5", "--y", "-1", "1", "-o", output},
                    QStringList(row.Env) << "XDG_RUNTIME_DIR=" + dir.path());
        EXPECT_EQ(run.ExitCode, 0) << run.Errors;
        EXPECT_FALSE(QImage(output).isNull());
    }
}

TEST(QuorilPlotTool, PdfHasOnePage) {
    QTemporaryDir dir;
    const QString output = dir.filePath("plot.pdf");
    const TRunResult run = RunTool({"--fn", "SIN(X)", "--para", "COS(T)", "SIN(T)", "0", "6.3",
                                    "0.1", "--x", "-5", "5", "--y", "-1", "1", "-o", output});
    ASSERT_EQ(run.ExitCode, 0) << run.Errors;
    QFile file(output);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray pdf = file.readAll();
    EXPECT_TRUE(pdf.startsWith("%PDF-"));
    const QString text = QString::fromLatin1(pdf);
    EXPECT_EQ(text.count(QRegularExpression("/Type\\s*/Page(?![s\\w])")), 1);
    EXPECT_GT(pdf.size(), 1000);
}

struct TErrorRow {
    const char* Name;
    QStringList Args; // "-o FILE" is added unless the row gives its own
    int ExitCode;
    const char* Message;
};

const QStringList GoodRanges = {"--x", "-1", "1", "--y", "-1", "1"};

const TErrorRow ErrorRows[] = {
    {"BadFunctionText", QStringList{"--fn", "SIN(X"} + GoodRanges, 1, "(position 5)"},
    {"UnknownName", QStringList{"--fn", "2*FOO(X)"} + GoodRanges, 1, "(position 2)"},
    {"BadRangeExpression",
     {"--fn", "X", "--x", "1/0", "1", "--y", "-1", "1"},
     1,
     "--x FROM \"1/0\""},
    {"EmptyRange", {"--fn", "X", "--x", "1", "1", "--y", "-1", "1"}, 1, "below its end"},
    {"ReversedRange", {"--fn", "X", "--x", "-1", "1", "--y", "1", "-1"}, 1, "below its end"},
    {"ZeroStep", QStringList{"--para", "T", "T", "0", "1", "0"} + GoodRanges, 1,
     "Parameter step must be greater than 0"},
    {"TooManySteps", QStringList{"--para", "T", "T", "0", "1E9", "1"} + GoodRanges, 1,
     "more than 1000000 steps"},
    {"BadParametricY", QStringList{"--para", "T", "X", "0", "1", "0.1"} + GoodRanges, 1,
     "--para GTEXT \"X\""},
    {"LessThanADecade",
     {"--fn", "X", "--logx", "--x", "0.2", "0.7", "--y", "-1", "1"},
     1,
     "a logarithmic axis needs at least one whole decade"},
    {"SurfaceTooSmallForTheScale", QStringList{"--fn", "X", "--size", "40x30"} + GoodRanges, 1,
     "leaves no room for the plot area"},
    {"ValueNotANumber", QStringList{"--fn", "EXP(X*1E6)-EXP(X*1E6)"} + GoodRanges, 1,
     "the drawing stopped early: Invalid floating point operation"},
    {"EmptyFunctionText", QStringList{"--fn", ""} + GoodRanges, 2, "--fn needs a function text"},
    {"UnknownOption", QStringList{"--bogus"} + GoodRanges, 2, "unknown option \"--bogus\""},
    {"MissingYRange", {"--fn", "X", "--x", "0", "1"}, 2, "both --x and --y"},
    {"MissingValue", {"--fn", "X", "-o", "p.png", "--x", "0"}, 2, "--x needs 2 values"},
    {"SizeTooLarge", QStringList{"--fn", "X", "--size", "9000x9000"} + GoodRanges, 2,
     "64 million pixels"},
    {"SizeOverflowing", QStringList{"--fn", "X", "--size", "99999999999x2"} + GoodRanges, 2,
     "--size \"99999999999x2\""},
    {"SizeWithTrailingText", QStringList{"--fn", "X", "--size", "20x20px"} + GoodRanges, 2,
     "--size \"20x20px\""},
    {"BadSize", QStringList{"--fn", "X", "--size", "0x10"} + GoodRanges, 2, "--size \"0x10\""},
    {"UnwritableImage", QStringList{"--fn", "X", "-o", "/nonexistent-dir/p.png"} + GoodRanges, 1,
     "cannot write"},
    {"UnwritableSvg", QStringList{"--fn", "X", "-o", "/nonexistent-dir/p.svg"} + GoodRanges, 1,
     "cannot write"},
    {"UnwritablePdf", QStringList{"--fn", "X", "-o", "/nonexistent-dir/p.pdf"} + GoodRanges, 1,
     "cannot write"},
    {"UnknownFormat", QStringList{"--fn", "X", "-o", "plot.xyz"} + GoodRanges, 1,
     "unknown output format \"xyz\""},
};

TEST(QuorilPlotTool, BadInputFailsWithAMessage) {
    QTemporaryDir dir;
    for (const TErrorRow& row : ErrorRows) {
        SCOPED_TRACE(row.Name);
        QStringList args = row.Args;
        const bool ownOutput = args.contains("-o");
        const QString output = dir.filePath(QString(row.Name) + ".png");
        if (!ownOutput) {
            args << "-o" << output;
        } else {
            const qsizetype at = args.indexOf("-o") + 1;
            if (!args[at].startsWith('/')) {
                args[at] = dir.filePath(args[at]);
            }
        }
        const TRunResult run = RunTool(args);
        EXPECT_EQ(run.ExitCode, row.ExitCode);
        EXPECT_NE(run.Errors.find(row.Message), std::string::npos) << run.Errors;
        EXPECT_NE(run.Errors.find("quoril-plot: "), std::string::npos) << run.Errors;
    }
}

struct THelpRow {
    const char* Name;
    QStringList Args; // "-o FILE" is added
    bool Help;        // help on standard output and no file, or a plot and no help
};

const THelpRow HelpRows[] = {
    {"HelpAlone", {"--help"}, true},
    {"HelpAfterACurve", QStringList{"--fn", "X"} + GoodRanges + QStringList{"--help"}, true},
    {"HelpAsATitle", QStringList{"--fn", "X", "--title", "--help"} + GoodRanges, false},
};

TEST(QuorilPlotTool, HelpGoesToStandardOutputAndDrawsNothing) {
    QTemporaryDir dir;
    for (const THelpRow& row : HelpRows) {
        SCOPED_TRACE(row.Name);
        const QString output = dir.filePath(QString(row.Name) + ".png");
        const TRunResult run = RunTool(QStringList(row.Args) << "-o" << output);
        EXPECT_EQ(run.ExitCode, 0) << run.Errors;
        EXPECT_EQ(run.Errors.find("quoril-plot:"), std::string::npos) << run.Errors;
        // One synopsis line first, as manual page generators read it.
        EXPECT_EQ(run.Output.rfind("Usage: quoril-plot [OPTION]...", 0) == 0, row.Help)
            << run.Output;
        EXPECT_EQ(run.Output.find("  --para FTEXT GTEXT FROM TO STEP\n") != std::string::npos,
                  row.Help);
        EXPECT_EQ(QFile::exists(output), !row.Help);
    }
}

} // namespace
