// quoril-plot: renders a plot without the calculator's windows, laid out exactly as the plot
// window lays it out (a PDF as the printed page, an SVG as the clipboard copy).
#include "engine/Errors.h"
#include "engine/Evaluator.h"
#include "plot/Canvas.h"
#include "plot/Plot.h"
#include "plot/PlotLayout.h"
#include "plot/SvgText.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPageSize>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int ExitError = 1;
constexpr int ExitUsage = 2;
// Largest surface accepted for pictures: a side, and the whole (64 million pixels, 256 MB).
constexpr int MaxSurfaceSide = 16000;
constexpr long long MaxSurfacePixels = 64LL * 1000 * 1000;

const char* const Usage =
    "usage: quoril-plot [--fn TEXT]... [--para FTEXT GTEXT FROM TO STEP]...\n"
    "                   --x FROM TO --y FROM TO [--logx] [--logy] [--noscale]\n"
    "                   [--title TEXT] [--size WxH] -o FILE\n";

// --help's first line fits on one line, as help2man wants the manual page's synopsis.
const char* const HelpUsage = "Usage: quoril-plot [OPTION]... --x FROM TO --y FROM TO -o FILE\n";

const char* const Description =
    "Draws the curves in the order given; the first one's text is the headline unless\n"
    "--title gives one. Ranges are expressions; on a logarithmic axis they are decade\n"
    "exponents. The format follows FILE's extension: .svg (laid out as the clipboard copy),\n"
    ".pdf (one A4 page, laid out as the printed page; --size does not apply) or any image\n"
    "format (.png, .ppm, ...; laid out as the plot window). --size is the drawing surface\n"
    "in pixels, by default the plot window's: 410x343.\n";

// The option list --help adds to the usage.
const char* const Options =
    "\nOptions:\n"
    "  --fn TEXT             a curve y = f(X)\n"
    "  --para FTEXT GTEXT FROM TO STEP\n"
    "                        a parametric curve x = f(T), y = g(T), T from FROM to TO\n"
    "  --x FROM TO           the x range\n"
    "  --y FROM TO           the y range\n"
    "  --logx                a logarithmic x axis\n"
    "  --logy                a logarithmic y axis\n"
    "  --noscale             only the curves: no axes, axis titles or headline\n"
    "  --title TEXT          the headline\n"
    "  --size WxH            the drawing surface of an image or SVG\n"
    "  -o FILE               the file to write\n"
    "  --help                this text\n"
    "Exit status: 0 written, 1 the plot could not be drawn or written, 2 usage error.\n";

// A failure to report: the message as the user should read it.
struct TToolError {
    std::string Message;
};

struct TCurveArg {
    bool Parametric = false;
    std::string Text;  // y = f(x), or x = f(t)
    std::string YText; // y = g(t)
    std::string From, To, Step;
};

struct TOptions {
    std::vector<TCurveArg> Curves;
    std::string XFrom, XTo, YFrom, YTo;
    bool HaveX = false;
    bool HaveY = false;
    bool LogX = false;
    bool LogY = false;
    bool NoScale = false;
    bool HaveTitle = false;
    std::string Title;
    int Width = DesignSurfaceWidth;
    int Height = DesignSurfaceHeight;
    std::string Output;
    bool HelpWanted = false;
};

// The engine's message of an error in `text`, with the position where the user typed it.
std::string Describe(const std::string& what, const std::string& text, const std::exception& e) {
    std::string message = what + " \"" + text + "\": " + e.what();
    if (const auto* positioned = dynamic_cast<const EPositionedError*>(&e)) {
        message += " (position " + std::to_string(positioned->Position) + ")";
    }
    return message;
}

Real EvaluateArg(const std::string& what, const std::string& text) {
    try {
        return EvaluateText(text, "X");
    } catch (const std::exception& e) {
        throw TToolError{Describe(what, text, e)};
    }
}

// "WxH" with both sides in range; from_chars refuses signs, blanks and overflow.
bool ParseSize(const std::string& text, int& width, int& height) {
    const size_t x = text.find_first_of("xX");
    if (x == std::string::npos) {
        return false;
    }
    int w = 0;
    int h = 0;
    const char* begin = text.data();
    const char* end = begin + text.size();
    const auto [wEnd, wError] = std::from_chars(begin, begin + x, w);
    const auto [hEnd, hError] = std::from_chars(begin + x + 1, end, h);
    if (wError != std::errc() || wEnd != begin + x || hError != std::errc() || hEnd != end) {
        return false;
    }
    if (w < 1 || h < 1 || w > MaxSurfaceSide || h > MaxSurfaceSide ||
        static_cast<long long>(w) * h > MaxSurfacePixels) {
        return false;
    }
    width = w;
    height = h;
    return true;
}

TOptions ParseArgs(const std::vector<std::string>& args) {
    TOptions options;
    size_t i = 0;
    auto take = [&](const std::string& option, size_t count) {
        if (i + count >= args.size()) {
            throw TToolError{option + " needs " + std::to_string(count) + " value" +
                             (count > 1 ? "s" : "")};
        }
        std::vector<std::string> values(args.begin() + static_cast<long>(i) + 1,
                                        args.begin() + static_cast<long>(i + count) + 1);
        i += count;
        return values;
    };
    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--fn") {
            options.Curves.push_back({false, take(arg, 1)[0], "", "", "", ""});
            if (options.Curves.back().Text.empty()) {
                throw TToolError{"--fn needs a function text"};
            }
        } else if (arg == "--para") {
            const auto v = take(arg, 5);
            options.Curves.push_back({true, v[0], v[1], v[2], v[3], v[4]});
            if (v[0].empty() || v[1].empty()) {
                throw TToolError{"--para needs two function texts"};
            }
        } else if (arg == "--x" || arg == "--y") {
            const auto v = take(arg, 2);
            (arg == "--x" ? options.XFrom : options.YFrom) = v[0];
            (arg == "--x" ? options.XTo : options.YTo) = v[1];
            (arg == "--x" ? options.HaveX : options.HaveY) = true;
        } else if (arg == "--logx") {
            options.LogX = true;
        } else if (arg == "--logy") {
            options.LogY = true;
        } else if (arg == "--noscale") {
            options.NoScale = true;
        } else if (arg == "--title") {
            options.Title = take(arg, 1)[0];
            options.HaveTitle = true;
        } else if (arg == "--size") {
            const std::string size = take(arg, 1)[0];
            if (!ParseSize(size, options.Width, options.Height)) {
                throw TToolError{"--size \"" + size + "\": expected WxH, each side 1 to " +
                                 std::to_string(MaxSurfaceSide) +
                                 " pixels and 64 million pixels in all"};
            }
        } else if (arg == "-o") {
            options.Output = take(arg, 1)[0];
        } else if (arg == "--help") {
            options.HelpWanted = true;
            return options;
        } else {
            throw TToolError{"unknown option \"" + arg + "\""};
        }
    }
    if (!options.HaveX || !options.HaveY) {
        throw TToolError{"both --x and --y ranges are required"};
    }
    if (options.Output.empty()) {
        throw TToolError{"no output file given (-o FILE)"};
    }
    return options;
}

void SetRange(TPlot& plot, const std::string& option, const std::string& fromText,
              const std::string& toText, bool xAxis, bool logarithmic) {
    const Real from = EvaluateArg(option + " FROM", fromText);
    const Real to = EvaluateArg(option + " TO", toText);
    if (!std::isfinite(from) || !std::isfinite(to) || !(from < to)) {
        throw TToolError{option + " \"" + fromText + "\" \"" + toText +
                         "\": the range's start must be a number below its end"};
    }
    // A decade axis is drawn from whole decades: the ends are truncated toward zero.
    if (logarithmic && std::trunc(from) == std::trunc(to)) {
        throw TToolError{option + " \"" + fromText + "\" \"" + toText +
                         "\": a logarithmic axis needs at least one whole decade"};
    }
    if (xAxis) {
        plot.SetXFrom(from);
        plot.SetXTo(to);
    } else {
        plot.SetYFrom(from);
        plot.SetYTo(to);
    }
}

// Builds the curves in the order given; the first one titles the plot as the dialog's New
// button does, the others are added.
void BuildPlot(TPlot& plot, const TOptions& options) {
    plot.Reset();
    bool first = true;
    for (const TCurveArg& curve : options.Curves) {
        if (!curve.Parametric) {
            try {
                first ? plot.NewFunction(curve.Text) : plot.AddFunction(curve.Text);
            } catch (const std::exception& e) {
                throw TToolError{Describe("--fn", curve.Text, e)};
            }
        } else {
            const Real from = EvaluateArg("--para FROM", curve.From);
            const Real to = EvaluateArg("--para TO", curve.To);
            const Real step = EvaluateArg("--para STEP", curve.Step);
            // Compiled once here first to tell which of the two texts is wrong.
            try {
                TFnSpec check(curve.Text, "T");
            } catch (const std::exception& e) {
                throw TToolError{Describe("--para FTEXT", curve.Text, e)};
            }
            try {
                TFnSpec check(curve.YText, "T");
            } catch (const std::exception& e) {
                throw TToolError{Describe("--para GTEXT", curve.YText, e)};
            }
            try {
                first ? plot.NewParametric(curve.Text, curve.YText, from, to, step)
                      : plot.AddParametric(curve.Text, curve.YText, from, to, step);
            } catch (const std::exception& e) {
                throw TToolError{"--para \"" + curve.From + "\" \"" + curve.To + "\" \"" +
                                 curve.Step + "\": " + e.what()};
            }
        }
        first = false;
    }
    SetRange(plot, "--x", options.XFrom, options.XTo, true, options.LogX);
    SetRange(plot, "--y", options.YFrom, options.YTo, false, options.LogY);
    plot.SetXLogarithmic(options.LogX);
    plot.SetYLogarithmic(options.LogY);
    plot.SetShowScale(!options.NoScale);
    if (options.HaveTitle) {
        plot.Title = options.Title;
    }
}

// Lays out and draws; a drawing that stops part way is reported after the picture is saved,
// as the plot window shows what was drawn before the failure.
std::string DrawOn(TPlot& plot, TCanvas& canvas, TCanvas& measureCanvas, int width, int height,
                   TLayoutKind kind) {
    LayOutPlot(plot, measureCanvas, width, height, kind);
    const TKooAxis& x = plot.KooSystem.XAxis;
    const TKooAxis& y = plot.KooSystem.YAxis;
    // The device y axis runs downward: the area's bottom (DevStart) lies below its top.
    if (x.DevStart >= x.DevEnd || y.DevStart <= y.DevEnd) {
        throw TToolError{"a surface of " + std::to_string(width) + "x" + std::to_string(height) +
                         " leaves no room for the plot area beside the labels and titles"};
    }
    try {
        plot.Draw(canvas);
    } catch (const std::exception& e) {
        return e.what();
    }
    return {};
}

void OpenOutput(QFile& file) {
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        throw TToolError{"cannot write \"" + file.fileName().toStdString() +
                         "\": " + file.errorString().toStdString()};
    }
}

std::string WriteSvg(TPlot& plot, const TOptions& options) {
    QFile file(QString::fromStdString(options.Output));
    OpenOutput(file);
    QSvgGenerator svg;
    svg.setOutputDevice(&file);
    svg.setSize(QSize(options.Width, options.Height));
    svg.setViewBox(QRect(0, 0, options.Width, options.Height));
    svg.setResolution(96);
    // The generator writes the title into the document as it stands.
    svg.setTitle(SvgEscaped(QString::fromStdString(plot.Title)));
    // As the clipboard copy: measured on a screen surface, recorded in its pixels.
    QImage screen(1, 1, QImage::Format_RGB32);
    TCanvas measure(&screen);
    TCanvas canvas(&svg);
    canvas.SetBrushColor(Qt::white);
    const std::string stopped =
        DrawOn(plot, canvas, measure, options.Width, options.Height, TLayoutKind::Page);
    canvas.FreeHandle();
    measure.FreeHandle();
    file.close();
    if (file.error() != QFileDevice::NoError) {
        throw TToolError{"cannot write \"" + options.Output + "\""};
    }
    return stopped;
}

std::string WritePdf(TPlot& plot, const TOptions& options) {
    QFile file(QString::fromStdString(options.Output));
    OpenOutput(file);
    QPdfWriter pdf(&file);
    pdf.setTitle("Pelvane");
    pdf.setCreator("Quoril");
    pdf.setPageSize(QPageSize(QPageSize::A4));
    // As the printed page: measured and drawn on the page in its own device units.
    TCanvas canvas(&pdf);
    canvas.SetBrushColor(Qt::white);
    const std::string stopped =
        DrawOn(plot, canvas, canvas, pdf.width(), pdf.height(), TLayoutKind::Page);
    canvas.FreeHandle();
    file.close();
    if (file.error() != QFileDevice::NoError) {
        throw TToolError{"cannot write \"" + options.Output + "\""};
    }
    return stopped;
}

std::string WriteImage(TPlot& plot, const TOptions& options, const QByteArray& format) {
    QImage image(options.Width, options.Height, QImage::Format_RGB32);
    if (image.isNull()) {
        throw TToolError{"not enough memory for a picture of this size"};
    }
    image.fill(Qt::white);
    TCanvas canvas(&image);
    canvas.SetBrushColor(Qt::white);
    const std::string stopped =
        DrawOn(plot, canvas, canvas, options.Width, options.Height, TLayoutKind::Screen);
    canvas.FreeHandle();
    QImageWriter writer(QString::fromStdString(options.Output), format);
    if (!writer.write(image)) {
        throw TToolError{"cannot write \"" + options.Output +
                         "\": " + writer.errorString().toStdString()};
    }
    return stopped;
}

int Run(const std::vector<std::string>& args) {
    TOptions options;
    try {
        options = ParseArgs(args);
    } catch (const TToolError& error) {
        std::fprintf(stderr, "quoril-plot: %s\n%s%s", error.Message.c_str(), Usage, Description);
        return ExitUsage;
    }
    if (options.HelpWanted) {
        std::printf("%s%s%s", HelpUsage, Description, Options);
        return EXIT_SUCCESS;
    }
    try {
        StartEngine();
        TPlot plot;
        BuildPlot(plot, options);
        const QByteArray suffix =
            QFileInfo(QString::fromStdString(options.Output)).suffix().toLower().toLatin1();
        std::string stopped;
        if (suffix == "svg") {
            stopped = WriteSvg(plot, options);
        } else if (suffix == "pdf") {
            stopped = WritePdf(plot, options);
        } else if (QImageWriter::supportedImageFormats().contains(suffix)) {
            stopped = WriteImage(plot, options, suffix);
        } else {
            throw TToolError{"unknown output format \"" + suffix.toStdString() +
                             "\" (use .svg, .pdf or an image format such as .png)"};
        }
        if (!stopped.empty()) {
            throw TToolError{"the drawing stopped early: " + stopped};
        }
    } catch (const TToolError& error) {
        std::fprintf(stderr, "quoril-plot: %s\n", error.Message.c_str());
        return ExitError;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quoril-plot: %s\n", e.what());
        return ExitError;
    }
    return EXIT_SUCCESS;
}

} // namespace

int main(int argc, char** argv) {
    // The tool never opens a window: it draws on Qt's offscreen platform unless the user names
    // another, so a DISPLAY or WAYLAND_DISPLAY that no server answers (a stale SSH session, a
    // CI job) cannot make Qt give up.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.emplace_back(argv[i]);
    }
    return Run(args);
}
