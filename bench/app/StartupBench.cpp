// quoril-bench-startup: the time from exec of the program to its calculator window exposed,
// offscreen, with settings in a fresh temporary folder. Without arguments the program starts
// itself RUNS times as a child and prints each time and the median; a child ("--child") runs
// the program's real start-up, processes events until the calculator is exposed, prints the
// monotonic clock at that moment, and ends through the real shutdown.
#include "app/Application.h"
#include "app/Calc.h"
#include "app/Startup.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int Runs = 15;
constexpr int MaxWaitMs = 10000;

long long NowMicroseconds() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int RunChild(int argc, char** argv) {
    QCoreApplication::setOrganizationName(QStringLiteral("Hemsel"));
    QCoreApplication::setApplicationName(QStringLiteral("Quoril"));
    TApplication app(argc, argv);
    StartProgram(app);
    const long long deadline = NowMicroseconds() + MaxWaitMs * 1000LL;
    while (!(Calc->windowHandle() && Calc->windowHandle()->isExposed()) &&
           NowMicroseconds() < deadline)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const long long exposed = NowMicroseconds();
    const bool ok = Calc->windowHandle() && Calc->windowHandle()->isExposed();
    std::printf("%lld\n", ok ? exposed : -1LL);
    std::fflush(stdout);
    EndProgram();
    return ok ? EXIT_SUCCESS : EXIT_FAILURE;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--child") == 0) return RunChild(argc, argv);

    QCoreApplication app(argc, argv);
    QTemporaryDir settingsDir;
    if (!settingsDir.isValid()) return EXIT_FAILURE;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), settingsDir.path());

    std::vector<double> times;
    for (int run = 0; run < Runs; ++run) {
        QProcess child;
        child.setProcessEnvironment(env);
        child.setProgram(QCoreApplication::applicationFilePath());
        child.setArguments({QStringLiteral("--child")});
        const long long started = NowMicroseconds();
        child.start();
        if (!child.waitForFinished(MaxWaitMs) || child.exitCode() != 0) {
            std::fprintf(stderr, "run %d failed: %s\n", run,
                         child.readAllStandardError().constData());
            return EXIT_FAILURE;
        }
        const long long exposed = child.readAllStandardOutput().trimmed().toLongLong();
        times.push_back(double(exposed - started) / 1000.0);
        std::printf("run %2d: %.1f ms\n", run, times.back());
    }
    std::sort(times.begin(), times.end());
    std::printf("start-up, exec to calculator exposed (offscreen): median %.1f ms, min %.1f ms\n",
                times[times.size() / 2], times.front());
    return EXIT_SUCCESS;
}
