// quoril-dde run as a real program against a macro server in this process: what it sends
// reaches the topic's handler, and its exit status and messages tell acknowledged, unknown
// topic, nobody answering, no answer in time and usage errors apart.
#include "app/MacroServer.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include <unistd.h>

namespace {

struct TRunResult {
    int ExitCode = -1;
    QString Output;
    QString Errors;
};

// Runs the tool while this thread's event loop goes on serving, so that the in-process server
// can answer it.
TRunResult RunTool(const QStringList& args) {
    QProcess process;
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(15000, &loop, &QEventLoop::quit);
    process.start(QStringLiteral(QUORIL_DDE_PATH), args);
    loop.exec();
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(2000);
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit) return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// The tool's arguments, written as one command line split at the blanks.
TRunResult RunTool(const QString& commandLine) {
    return RunTool(commandLine.split(u' ', Qt::SkipEmptyParts));
}

struct TToolRow {
    const char* Name;
    QString CommandLine;
    int ExitCode;
    QString Message;                // expected in the output (code 0) or the errors
    std::vector<QStringList> Lines; // what the handler received
};

const QString Ours = QStringLiteral("--service dde-tool-test ");
const QString Nobody = QStringLiteral("no program answers under the service name ");

const TToolRow ToolRows[] = {
    {"the macro", Ours + "QuorilDDE Grid", 0, "", {{"Grid"}}},
    {"command that looks like an option", Ours + "-- QuorilDDE -x", 0, "", {{"-x"}}},
    {"unknown topic", Ours + "System Grid", 1, "has no topic \"System\"", {}},
    {"nobody serves the name",
     "--service nobody-here QuorilDDE Grid",
     1,
     Nobody + "\"nobody-here\"",
     {}},
    {"service defaults to quoril", "QuorilDDE Grid", 1, Nobody + "\"quoril\"", {}},
    {"help", "--help", 0, "--service", {}},
    {"topic without command", "QuorilDDE", 2, "expected TOPIC and COMMAND", {}},
    {"three arguments", "QuorilDDE Grid more", 2, "expected TOPIC and COMMAND", {}},
    {"service name with a slash", "--service ../x QuorilDDE Grid", 2, "is not a service name", {}},
    {"topic too long", Ours + QString(256, u'T') + " Grid", 2, "topic", {}},
    {"command too long", Ours + "QuorilDDE " + QString(MacroMaxRequest, u'x'), 2, "too long", {}},
};

TEST(QuorilDdeTool, ExitStatusAndMessages) {
    TMacroServer server;
    ASSERT_EQ(server.Register(QStringLiteral("dde-tool-test")),
              TMacroServer::TRegistration::Registered)
        << qPrintable(server.ErrorText());
    std::vector<QStringList> received;
    server.AddTopic(MacroTopic, [&](const QStringList& lines) { received.push_back(lines); });
    for (const TToolRow& row : ToolRows) {
        SCOPED_TRACE(row.Name);
        received.clear();
        const TRunResult run = RunTool(row.CommandLine);
        EXPECT_EQ(run.ExitCode, row.ExitCode) << qPrintable(run.Errors);
        const QString& text = row.ExitCode == 0 ? run.Output : run.Errors;
        EXPECT_TRUE(text.contains(row.Message)) << qPrintable(text);
        if (row.ExitCode != 0) {
            EXPECT_TRUE(run.Errors.startsWith("quoril-dde: "));
        }
        EXPECT_EQ(received, row.Lines);
    }
}

// Servers that accept the connection and read, but never answer, or close without an answer.
TEST(QuorilDdeTool, NoAnswerIsNotAnAcknowledgement) {
    const struct {
        const char* Service;
        bool Closes;
        const char* Message;
    } rows[] = {
        {"mute", false, "no answer from \"mute\" within 3 seconds"},
        {"closing", true, "closed the connection without an answer"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Service);
        QLocalServer server;
        ASSERT_TRUE(server.listen(MacroSocketPath(QString::fromLatin1(row.Service))));
        int connections = 0;
        QObject::connect(&server, &QLocalServer::newConnection, [&] {
            while (QLocalSocket* socket = server.nextPendingConnection()) {
                ++connections;
                if (row.Closes) socket->abort();
            }
        });
        const TRunResult run =
            RunTool(QStringLiteral("--service %1 QuorilDDE Grid").arg(row.Service));
        EXPECT_EQ(run.ExitCode, 1);
        EXPECT_TRUE(run.Errors.contains(row.Message)) << qPrintable(run.Errors);
        EXPECT_EQ(connections, 1);
    }
}

TEST(QuorilDdeTool, SocketOfAnotherUserIsNotSpokenTo) {
    if (geteuid() != 0) GTEST_SKIP() << "only root can hand a socket to another user";
    QLocalServer foreign;
    ASSERT_TRUE(foreign.listen(MacroSocketPath(QStringLiteral("foreign"))));
    ASSERT_EQ(::chown(QFile::encodeName(foreign.fullServerName()).constData(), 65534, 65534), 0);
    int connections = 0;
    QObject::connect(&foreign, &QLocalServer::newConnection, [&] { ++connections; });
    const TRunResult run = RunTool(QStringLiteral("--service foreign QuorilDDE Grid"));
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(run.Errors.contains("belongs to another user")) << qPrintable(run.Errors);
    EXPECT_EQ(connections, 0);
}

} // namespace

int main(int argc, char** argv) {
    // The sockets live in a folder of this run only, for the server and the tool alike.
    QTemporaryDir runtimeDir;
    if (!runtimeDir.isValid()) return EXIT_FAILURE;
    qputenv("XDG_RUNTIME_DIR", runtimeDir.path().toLocal8Bit());
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
