// The installed tree: the build is installed once into a temporary folder (DESTDIR) and copied
// to another prefix, then checked as a desktop and a packager see it: exactly our files, valid
// desktop entry and metadata, readable manual pages that document only options the tools still
// take, icons that show, and tools that run from the copy alone.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace {

const QString AppId = QStringLiteral("org.hemsel.Quoril");
const QString Prefix = QStringLiteral("/usr/local");

struct TRunResult {
    bool Finished = false;
    int ExitCode = -1;
    QString Output;
    QString Errors;
};

// Runs a program with a bounded wait; `environment` empty means the test's own.
TRunResult RunProgram(const QString& program, const QStringList& args,
                      const QProcessEnvironment& environment = {}, const QString& directory = {}) {
    QProcess process;
    if (!environment.isEmpty()) process.setProcessEnvironment(environment);
    if (!directory.isEmpty()) process.setWorkingDirectory(directory);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, args);
    TRunResult result;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished(5000);
        result.Errors = QStringLiteral("did not finish: ") + process.errorString();
        return result;
    }
    result.Finished = process.exitStatus() == QProcess::NormalExit;
    result.ExitCode = process.exitCode();
    result.Output = QString::fromUtf8(process.readAllStandardOutput());
    result.Errors = QString::fromUtf8(process.readAllStandardError());
    return result;
}

bool CopyTree(const QString& from, const QString& to) {
    return RunProgram(QStringLiteral("cp"), {QStringLiteral("-a"), from, to}).ExitCode == 0;
}

// One installation for all tests: `Staged` is DESTDIR + prefix as `cmake --install` left it,
// `Moved` a copy of it under another prefix, as if the build tree were gone.
struct TInstallation {
    QTemporaryDir Root;
    QString Staged;
    QString Moved;
    QString Log;
    bool Ok = false;

    TInstallation() {
        const QString destDir = Root.filePath(QStringLiteral("stage"));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DESTDIR"), destDir);
        const TRunResult install =
            RunProgram(QStringLiteral(QUORIL_CMAKE),
                       {QStringLiteral("--install"), QStringLiteral(QUORIL_BUILD_DIR),
                        QStringLiteral("--prefix"), Prefix},
                       environment);
        Log = install.Output + install.Errors;
        Staged = destDir + Prefix;
        Moved = Root.filePath(QStringLiteral("elsewhere"));
        Ok = install.Finished && install.ExitCode == 0 && CopyTree(Staged, Moved) &&
             QDir(Root.filePath(QStringLiteral("run"))).mkpath(QStringLiteral("."));
        QFile::setPermissions(Root.filePath(QStringLiteral("run")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // What a user who put the copy's bin/ on PATH has: no build tree, no library path, no
    // display (so quoril-plot must pick its offscreen platform itself).
    QProcessEnvironment UserEnvironment() const {
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("PATH"), Moved + QStringLiteral("/bin:/usr/bin:/bin"));
        environment.insert(QStringLiteral("HOME"), Root.path());
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), Root.filePath(QStringLiteral("run")));
        environment.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
        return environment;
    }
};

const TInstallation& Installed() {
    static const TInstallation installation;
    return installation;
}

#define REQUIRE_INSTALLED()                                                                        \
    ASSERT_TRUE(Installed().Ok) << "cmake --install failed:\n" << Installed().Log.toStdString()

QStringList InstalledFiles(const QString& root) {
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(root).relativeFilePath(it.next());
    files.sort();
    return files;
}

QString ReadText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

bool IsElf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(4) == QByteArray("\x7f"
                                                                        "ELF",
                                                                        4);
}

TEST(Install, InstallsExactlyOurFiles) {
    REQUIRE_INSTALLED();
    QStringList expected = {"share/applications/" + AppId + ".desktop",
                            "share/icons/hicolor/scalable/apps/" + AppId + ".svg",
                            "share/metainfo/" + AppId + ".metainfo.xml"};
    for (const QString tool : {"quoril", "quoril-dde", "quoril-eval", "quoril-plot"})
        expected << "bin/" + tool << "share/man/man1/" + tool + ".1.gz";
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        expected << QStringLiteral("share/icons/hicolor/%1x%1/apps/").arg(size) + AppId + ".png";
    expected.sort();
    // The whole DESTDIR, so that nothing lands outside the prefix either.
    const QString destDir = Installed().Root.filePath(QStringLiteral("stage"));
    QStringList actual;
    for (const QString& file : InstalledFiles(destDir))
        actual << (file.startsWith(Prefix.mid(1) + QLatin1Char('/')) ? file.mid(Prefix.size())
                                                                     : file);
    for (const QString& file : expected)
        EXPECT_TRUE(actual.contains(file)) << "missing: " << file.toStdString();
    for (const QString& file : actual)
        EXPECT_TRUE(expected.contains(file)) << "not ours to install: " << file.toStdString();
}

TEST(Install, NothingRefersBackToTheBuildOrSourceTree) {
    REQUIRE_INSTALLED();
    const QStringList trees = {QStringLiteral(QUORIL_BUILD_DIR), QStringLiteral(QUORIL_SOURCE_DIR)};
    const QString readelf = QStandardPaths::findExecutable(QStringLiteral("readelf"));
    ASSERT_FALSE(readelf.isEmpty());
    for (const QString& file : InstalledFiles(Installed().Staged)) {
        SCOPED_TRACE(file.toStdString());
        const QString path = Installed().Staged + QLatin1Char('/') + file;
        if (IsElf(path)) {
            // Debug information names the sources, which is what a debugger wants; a run path
            // into the build would load libraries from there.
            const TRunResult dynamic = RunProgram(readelf, {QStringLiteral("-d"), path});
            ASSERT_EQ(dynamic.ExitCode, 0) << dynamic.Errors.toStdString();
            EXPECT_FALSE(dynamic.Output.contains(QStringLiteral("RPATH")));
            EXPECT_FALSE(dynamic.Output.contains(QStringLiteral("RUNPATH")));
            continue;
        }
        QString text = ReadText(path);
        if (file.endsWith(QStringLiteral(".gz")))
            text = RunProgram(QStringLiteral("zcat"), {path}).Output;
        ASSERT_FALSE(text.isEmpty());
        for (const QString& tree : trees)
            EXPECT_FALSE(text.contains(tree)) << "names " << tree.toStdString();
    }
}

struct TValidatorRow {
    const char* Program;
    QStringList Args;
    QString File; // below the prefix
};

TEST(Install, DesktopEntryAndMetadataValidate) {
    REQUIRE_INSTALLED();
    const QString desktop = "share/applications/" + AppId + ".desktop";
    const QString metainfo = "share/metainfo/" + AppId + ".metainfo.xml";
    const TValidatorRow rows[] = {
        {"desktop-file-validate", {}, desktop},
        {"appstreamcli", {"validate", "--no-net"}, metainfo},
    };
    for (const TValidatorRow& row : rows) {
        SCOPED_TRACE(row.Program);
        const QString program = QStandardPaths::findExecutable(QString::fromLatin1(row.Program));
        ASSERT_FALSE(program.isEmpty()) << row.Program << " is not installed";
        const QString path = Installed().Staged + QLatin1Char('/') + row.File;
        const TRunResult result = RunProgram(program, row.Args + QStringList{path});
        EXPECT_EQ(result.ExitCode, 0) << (result.Output + result.Errors).toStdString();
    }
}

TEST(Install, DesktopEntryMetadataAndIconShareTheApplicationId) {
    REQUIRE_INSTALLED();
    const QString desktop =
        ReadText(Installed().Staged + "/share/applications/" + AppId + ".desktop");
    const QString metainfo =
        ReadText(Installed().Staged + "/share/metainfo/" + AppId + ".metainfo.xml");
    EXPECT_TRUE(desktop.contains(QStringLiteral("\nIcon=") + AppId + QLatin1Char('\n')));
    EXPECT_TRUE(desktop.contains(QStringLiteral("\nExec=quoril\n")));
    EXPECT_TRUE(metainfo.contains(QStringLiteral("<id>") + AppId + QStringLiteral("</id>")));
    EXPECT_TRUE(metainfo.contains(QStringLiteral("<launchable type=\"desktop-id\">") + AppId +
                                  QStringLiteral(".desktop</launchable>")));
    // Every program in bin/ is announced, and nothing else.
    QStringList provided;
    const QRegularExpression binary(QStringLiteral("<binary>([^<]+)</binary>"));
    for (auto it = binary.globalMatch(metainfo); it.hasNext();)
        provided << it.next().captured(1);
    provided.sort();
    EXPECT_EQ(provided, QDir(Installed().Staged + QStringLiteral("/bin")).entryList(QDir::Files));
}

TEST(Install, IconsShowAtEverySize) {
    REQUIRE_INSTALLED();
    const QString icons = Installed().Staged + QStringLiteral("/share/icons/hicolor/");
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(size);
        const QImage icon(icons + QStringLiteral("%1x%1/apps/").arg(size) + AppId +
                          QStringLiteral(".png"));
        ASSERT_EQ(icon.size(), QSize(size, size));
        // A calculator body on a transparent ground.
        EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(icon.pixel(size / 2, size / 2)), 255);
    }
    EXPECT_TRUE(ReadText(icons + QStringLiteral("scalable/apps/") + AppId + QStringLiteral(".svg"))
                    .contains(QStringLiteral("<svg")));
}

TRunResult RenderManPage(const char* page) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("MANWIDTH"), QStringLiteral("200"));
    return RunProgram(
        QStringLiteral("man"),
        {QStringLiteral("-l"), Installed().Staged + QStringLiteral("/share/man/man1/") +
                                   QString::fromLatin1(page) + QStringLiteral(".1.gz")},
        environment);
}

// The rendered page as plain text: man formats bold and underline with backspaces.
QString PlainText(const QString& rendered) {
    QString text = rendered;
    text.remove(QRegularExpression(QStringLiteral(".\b")));
    return text.replace(QChar(0x2010), QLatin1Char('-')).replace(QChar(0x2212), QLatin1Char('-'));
}

// The tools say "unknown option" (quoril-dde: "Unknown option") for what they do not take.
bool Refused(const TRunResult& result) {
    return result.Errors.contains(QStringLiteral("nknown option"));
}

// Each page renders without a warning under its tool's name, and every option it documents is
// taken by the installed tool.
TEST(Install, ManualPagesRenderAndEveryDocumentedOptionIsTaken) {
    REQUIRE_INSTALLED();
    const QRegularExpression option(QStringLiteral("(?<![\\w-])(--?[a-z][a-z-]*)"));
    for (const char* page : {"quoril", "quoril-eval", "quoril-plot", "quoril-dde"}) {
        const QString tool = QString::fromLatin1(page);
        SCOPED_TRACE(page);
        const TRunResult rendered = RenderManPage(page);
        EXPECT_EQ(rendered.ExitCode, 0);
        EXPECT_EQ(rendered.Errors, QString());
        const QString text = PlainText(rendered.Output);
        EXPECT_TRUE(text.contains(tool + QStringLiteral(" - "))) << text.toStdString();
        if (tool == QStringLiteral("quoril")) continue; // takes only Qt's options
        QSet<QString> documented;
        for (auto it = option.globalMatch(text); it.hasNext();)
            documented << it.next().captured(1);
        EXPECT_TRUE(documented.contains(QStringLiteral("--help")));
        const QString program = Installed().Moved + QStringLiteral("/bin/") + tool;
        // The check itself must tell a refused option.
        EXPECT_TRUE(Refused(RunProgram(program, {QStringLiteral("--no-such-option")},
                                       Installed().UserEnvironment(), Installed().Root.path())));
        for (const QString& name : documented) {
            const TRunResult result =
                RunProgram(program, {name}, Installed().UserEnvironment(), Installed().Root.path());
            EXPECT_TRUE(result.Finished) << name.toStdString();
            EXPECT_FALSE(Refused(result))
                << name.toStdString() << ": " << result.Errors.toStdString();
        }
    }
}

struct TToolRow {
    const char* Name;
    QString Command; // the program and its arguments, split at blanks
    int ExitCode;
    QString Output;    // expected standard output (unless a picture is expected)
    QString File = {}; // a picture the run must leave
    QSize PictureSize = {};
};

TEST(Install, ToolsRunFromTheInstalledCopy) {
    REQUIRE_INSTALLED();
    const TToolRow rows[] = {
        {"evaluates", "quoril-eval --angle deg 2*SIN(30) A:=7 A*6", 0, "1\n7\n42\n"},
        {"plots into a PNG without a display",
         "quoril-plot --fn SIN(X) --x -2*PI 2*PI --y -1 1 --size 300x200 -o sine.png",
         0,
         {},
         "sine.png",
         QSize(300, 200)},
        {"plots into an SVG",
         "quoril-plot --fn X^2 --x -1 1 --y 0 1 -o square.svg",
         0,
         {},
         "square.svg"},
        {"finds no program to send to", "quoril-dde --service quoril-install-test QuorilDDE Grid",
         1, ""},
    };
    const QString work = Installed().Root.path();
    for (const TToolRow& row : rows) {
        SCOPED_TRACE(row.Name);
        const QStringList command = row.Command.split(' ');
        const QString& program = command[0];
        // Found on PATH, which holds the copy before the system folders.
        const TRunResult found =
            RunProgram(QStringLiteral("/bin/sh"),
                       {QStringLiteral("-c"), QStringLiteral("command -v ") + program},
                       Installed().UserEnvironment(), work);
        EXPECT_EQ(found.Output.trimmed(), Installed().Moved + QStringLiteral("/bin/") + program);
        const TRunResult result = RunProgram(QStringLiteral("/usr/bin/env"), command,
                                             Installed().UserEnvironment(), work);
        ASSERT_TRUE(result.Finished) << result.Errors.toStdString();
        EXPECT_EQ(result.ExitCode, row.ExitCode) << result.Errors.toStdString();
        if (row.File.isEmpty()) {
            EXPECT_EQ(result.Output, row.Output);
            continue;
        }
        const QString file = work + QLatin1Char('/') + row.File;
        if (row.PictureSize.isValid()) {
            EXPECT_EQ(QImage(file).size(), row.PictureSize);
        } else {
            EXPECT_TRUE(ReadText(file).contains(QStringLiteral("<svg")));
        }
    }
}

} // namespace
