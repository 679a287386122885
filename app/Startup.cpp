#include "app/Startup.h"

#include "app/About.h"
#include "app/Calc.h"
#include "app/Help.h"
#include "app/Hints.h"
#include "app/MacroServer.h"
#include "engine/Evaluator.h"
#include "engine/StringTable.h"

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

    // 4. The title, for the taskbar and every message box.
    app.setApplicationDisplayName(QString::fromStdString(LoadStr(Msg::ApplicationTitle)));
    app.setWindowIcon(ProgramIcon());

    // 5. The windows, each once for the whole run; creating one loads its settings.
    Calc = new TCalc; // the main window, which loads the calculator's settings
    // The display-parameter dialog (DrawParDialog, loads its DisplayOptions), the
    // coordinate read-out window (KooWind) and the display window (DrawWindow, with the plot
    // and its zoom history) are created here, in this order, once they exist. They stay
    // hidden and must not keep the program running: Qt::WA_QuitOnClose off.
    // Right after the dialog is created it offers its conversation, for as long as it exists:
    //   if (MacroServer) MacroServer->AddTopic(MacroTopic, [](const QStringList& lines) {
    //       DrawParDialog->QuorilDDEExecuteMacro(lines); });

    // Only the calculator is visible at start, shown normally.
    Calc->show();
}

void EndProgram() {
    // The coordinate read-out window (KooWind) is destroyed here first, then the
    // display-parameter dialog (DrawParDialog, which saves its DisplayOptions), then the
    // display window (DrawWindow), once they exist.

    // Before the dialog is destroyed its conversation ends:
    //   if (MacroServer) MacroServer->RemoveTopic(MacroTopic);

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
