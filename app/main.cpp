// The program entry: start-up, the message loop, shutdown.
#include "app/Application.h"
#include "app/Startup.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdlib>
#include <exception>

int main(int argc, char** argv) {
    // The settings store is found by these two names (on Linux an INI file under the user's
    // configuration folder).
    QCoreApplication::setOrganizationName(QStringLiteral("Hemsel"));
    QCoreApplication::setApplicationName(QStringLiteral("Quoril"));
    TApplication app(argc, argv);
    // The desktop finds the menu entry, and with it the icon, of the running windows by this.
    QGuiApplication::setDesktopFileName(QStringLiteral(QUORIL_APP_ID));
    try {
        StartProgram(app);
    } catch (const std::exception& error) {
        // Outside the message loop nothing else would tell the user why the program ends.
        TApplication::ShowException(error);
        EndProgram();
        return EXIT_FAILURE;
    }
    // Runs until the calculator window closes or its Off key asks the application to quit.
    const int result = TApplication::exec();
    EndProgram();
    return result;
}
