#include "app/Startup.h"

#include "app/About.h"
#include "app/Calc.h"
#include "app/Help.h"
#include "app/Hints.h"
#include "app/MacroServer.h"
#include "app/ShowPar.h"
#include "display/Drawwin.h"
#include "display/Koowin.h"
#include "engine/Evaluator.h"

#include <QApplication>
#include <QFileInfo>

#include <cfenv>
#include <cstdio>

void ResetFloatingPoint() {
    std::fesetenv(FE_DFL_ENV);
#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
    // fesetenv already means this on glibc; the x87 word is set explicitly because the
    // extended reals depend on its 64-bit precision field (bits 8-9 = 11).
    const unsigned short controlWord = 0x037F;
    asm volatile("fldcw %0" : : "m"(controlWord));
#endif
}

void StartProgram(QApplication& app) {
    // 1. Module start-up, in dependency order.
    StartEngine();      // angle unit radians, random generator seeded from the clock
    StartMacroServer(); // the program's macro service, under its file name
    SecondFn = false;   // the calculator's shift keys start released
    HypMode = false;

    // 2. The help: pages in the resources, F1 bound to the active window's context.
    InstallHelp(app);
    InstallHintFilter(app); // the hint switch and pause, set by the calculator's settings

    // 3. Our arithmetic always runs with every floating-point exception masked.
    ResetFloatingPoint();

    // 4. The title: the calculator's caption, which the taskbar shows, and the caption of
    // every message box, each taken from the string table. It is not made the application's
    // display name: Qt's window-system layers append that name to every other window's
    // caption ("Help — Quoril for Windows"), and each window's caption reads as designed.
    app.setWindowIcon(ProgramIcon());

    // 5. The windows, each once for the whole run; creating one loads its settings.
    Calc = new TCalc;                   // the main window, which loads the calculator's settings
    DrawParDialog = new TDrawParDialog; // loads its DisplayOptions
    // The dialog carries the macro conversation for as long as it exists.
    if (MacroServer)
        MacroServer->AddTopic(MacroTopic, [](const QStringList& lines) {
            if (DrawParDialog) DrawParDialog->QuorilDDEExecuteMacro(lines);
        });
    KooWind = new TKooWind;
    DrawWindow = new TDrawWindow; // the plot and its zoom history
    // The plotter's windows stay hidden until the Plot key, cost nothing until then (no back
    // buffer, no drawing), and never keep the program running: each sets that up itself.

    // Only the calculator is visible at start, shown normally.
    Calc->show();
}

void EndProgram() {
    delete KooWind;
    KooWind = nullptr;
    // The dialog's conversation ends with it.
    if (MacroServer) MacroServer->RemoveTopic(MacroTopic);
    delete DrawParDialog; // saves its DisplayOptions
    DrawParDialog = nullptr;
    delete DrawWindow;
    DrawWindow = nullptr;

    // Last the calculator: it closes the help window, saves its settings and switches the
    // application's hints off.
    delete Calc;
    Calc = nullptr;

    // The macro service is withdrawn last, with nothing left to serve.
    EndMacroServer();
}

void StartMacroServer() {
    EndMacroServer();
    const QString service = MacroServiceName(QCoreApplication::applicationFilePath());
    auto* server = new TMacroServer;
    if (server->Register(service) == TMacroServer::TRegistration::Registered) {
        MacroServer = server;
        return;
    }
    // The program itself is fine without the channel; only macros from other programs miss it.
    std::fprintf(stderr, "%s: runs without the macro channel: %s\n",
                 qPrintable(QFileInfo(QCoreApplication::applicationFilePath()).fileName()),
                 qPrintable(server->ErrorText()));
    delete server;
}

void EndMacroServer() {
    delete MacroServer; // withdraws the service and removes its socket
    MacroServer = nullptr;
}
