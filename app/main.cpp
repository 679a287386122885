// The program entry: start-up, the message loop, shutdown.
#include "app/Application.h"
#include "app/Startup.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    // The settings store is found by these two names (on Linux an INI file under the user's
    // configuration folder).
    QCoreApplication::setOrganizationName(QStringLiteral("Hemsel"));
    QCoreApplication::setApplicationName(QStringLiteral("Quoril"));
    TApplication app(argc, argv);
    StartProgram(app);
    // Runs until the calculator window closes or its Off key asks the application to quit.
    const int result = TApplication::exec();
    EndProgram();
    return result;
}
