// Runs the display-window tests in a QApplication on the offscreen platform, with the engine
// started and any settings redirected into a fresh temporary folder.
#include "engine/Evaluator.h"

#include <QApplication>
#include <QCoreApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir settingsDir;
    if (!settingsDir.isValid()) return EXIT_FAILURE;
    qputenv("XDG_CONFIG_HOME", settingsDir.path().toLocal8Bit());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    QCoreApplication::setOrganizationName(QStringLiteral("Hemsel"));
    QCoreApplication::setApplicationName(QStringLiteral("Quoril"));

    QApplication app(argc, argv);
    StartEngine();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
