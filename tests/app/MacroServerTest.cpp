// The macro server with real sockets: requests from real clients (on other threads, as other
// programs would be) reach the topic's handler as lines and are acknowledged; malformed,
// oversize, silent and half requests are refused or time out without holding anyone up; the
// name is held by one running program only, a socket left by a crash is replaced, and the
// socket is for this user alone.
#include "app/MacroServer.h"
#include "app/Startup.h"
#include "tests/app/ModalBoxes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <stdexcept>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// Another program's request: SendMacro blocks, so it runs on a thread of its own while this
// thread's event loop serves.
std::future<TSendResult> SendFromAnotherThread(const QString& service, const QString& topic,
                                               const QString& command) {
    return std::async(std::launch::async, [=] { return SendMacro(service, topic, command, 3000); });
}

TSendResult Await(std::future<TSendResult>&& result) {
    const bool ready =
        QTest::qWaitFor([&] { return result.wait_for(0ms) == std::future_status::ready; }, 5000);
    EXPECT_TRUE(ready);
    return result.get(); // SendMacro gives up by itself after its own three seconds
}

TSendResult Send(const QString& service, const QString& topic, const QString& command) {
    return Await(SendFromAnotherThread(service, topic, command));
}

// A client speaking raw bytes on this thread; every wait spins the event loop.
struct TRawClient {
    QLocalSocket Socket;
    QByteArray Received;

    explicit TRawClient(const QString& path) {
        QObject::connect(&Socket, &QLocalSocket::readyRead,
                         [this] { Received += Socket.readAll(); });
        Socket.connectToServer(path);
    }
    void Send(const QByteArray& bytes) {
        Socket.write(bytes);
        Socket.flush();
    }
    // True when the server closed the connection within the time.
    bool WaitClosed(int milliseconds) {
        return QTest::qWaitFor([this] { return Socket.state() == QLocalSocket::UnconnectedState; },
                               milliseconds);
    }
};

QByteArray Header(const char* magic, uint8_t version, uint8_t topicLength, quint32 commandLength) {
    QByteArray header(magic, 4);
    header.append(char(version));
    header.append(char(topicLength));
    uchar length[4];
    qToBigEndian(commandLength, length);
    header.append(reinterpret_cast<const char*>(length), 4);
    return header;
}

class MacroServerTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Server.Register(Service), TMacroServer::TRegistration::Registered)
            << qPrintable(Server.ErrorText());
        Server.AddTopic(MacroTopic,
                        [this](const QStringList& lines) { Received.push_back(lines); });
    }

    const QString Service = QStringLiteral("macro-test");
    TMacroServer Server;
    std::vector<QStringList> Received;
};

struct TLinesRow {
    const char* Name;
    QString Command;
    QStringList Lines;
};

const TLinesRow LinesRows[] = {
    {"the macro", "Grid", {"Grid"}},
    {"trailing blank kept", "Grid ", {"Grid "}},
    {"two lines", "Grid\nAxes", {"Grid", "Axes"}},
    {"CR LF lines, final break", "Grid\r\nAxes\r\n", {"Grid", "Axes"}},
    {"CR alone ends a line", "Grid\rAxes", {"Grid", "Axes"}},
    {"an empty line first", "\nGrid", {"", "Grid"}},
    {"empty command, no lines", "", {}},
};

TEST_F(MacroServerTest, RequestReachesTheHandlerAsLinesAndIsAcknowledged) {
    for (const TLinesRow& row : LinesRows) {
        SCOPED_TRACE(row.Name);
        Received.clear();
        EXPECT_EQ(Send(Service, MacroTopic, row.Command), TSendResult::Acknowledged);
        ASSERT_EQ(Received.size(), 1u);
        EXPECT_EQ(Received[0], row.Lines);
    }
}

TEST_F(MacroServerTest, UnknownTopicIsAnsweredAndRunsNothing) {
    for (const QString& topic : {QStringLiteral("quorildde"), QStringLiteral("QuorilDDE ")}) {
        SCOPED_TRACE(qPrintable(topic));
        EXPECT_EQ(Send(Service, topic, QStringLiteral("Grid")), TSendResult::UnknownTopic);
    }
    Server.RemoveTopic(MacroTopic);
    EXPECT_EQ(Send(Service, MacroTopic, QStringLiteral("Grid")), TSendResult::UnknownTopic);
    EXPECT_TRUE(Received.empty());
}

struct TRawRow {
    const char* Name;
    QByteArray Bytes;
    TMacroAnswer Answer;
};

const TRawRow RawRows[] = {
    {"text of another protocol", "GET / HTTP/1.0\r\n\r\n", TMacroAnswer::Refused},
    {"bytes after the frame", EncodeMacroRequest("QuorilDDE", "Grid") + "Grid",
     TMacroAnswer::Refused},
    {"declared length 4 GiB", Header("QDDE", 1, 9, 0xFFFFFFFFu), TMacroAnswer::TooLong},
    {"limit passed by one byte", Header("QDDE", 1, 9, MacroMaxRequest - MacroHeaderSize - 8),
     TMacroAnswer::TooLong},
    {"exactly the limit",
     EncodeMacroRequest("QuorilDDE",
                        "Grid\n" + QString(MacroMaxRequest - MacroHeaderSize - 9 - 5, 'x')),
     TMacroAnswer::Acknowledged},
};

TEST_F(MacroServerTest, MalformedAndOversizeRequestsAreRefusedAndTheConnectionClosed) {
    for (const TRawRow& row : RawRows) {
        SCOPED_TRACE(row.Name);
        Received.clear();
        TRawClient client(Server.SocketPath());
        client.Send(row.Bytes);
        EXPECT_TRUE(client.WaitClosed(3000));
        EXPECT_EQ(client.Received, QByteArray(1, char(row.Answer)));
        EXPECT_EQ(Received.size(), row.Answer == TMacroAnswer::Acknowledged ? 1u : 0u);
        // The server goes on serving.
        EXPECT_EQ(Send(Service, MacroTopic, QStringLiteral("Grid")), TSendResult::Acknowledged);
    }
}

TEST_F(MacroServerTest, SilentAndHalfRequestsTimeOutWithoutHoldingUpOthers) {
    Server.SetTimeout(400);
    TRawClient silent(Server.SocketPath());
    TRawClient half(Server.SocketPath());
    half.Send(EncodeMacroRequest(MacroTopic, QStringLiteral("Grid")).left(12));
    TRawClient headerOnly(Server.SocketPath());
    headerOnly.Send(QByteArray("QD"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Server.OpenConnections() == 3; }, 2000));

    EXPECT_EQ(Send(Service, MacroTopic, QStringLiteral("Grid")), TSendResult::Acknowledged);
    EXPECT_EQ(Received.size(), 1u);

    for (TRawClient* client : {&silent, &half, &headerOnly}) {
        EXPECT_TRUE(client->WaitClosed(3000));
        EXPECT_TRUE(client->Received.isEmpty()); // timed out unanswered
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return Server.OpenConnections() == 0; }, 2000));
    EXPECT_EQ(Received.size(), 1u);
}

TEST_F(MacroServerTest, ConnectionsPastTheLimitAreAnsweredBusyAndTheRestServed) {
    std::vector<std::unique_ptr<TRawClient>> holding;
    for (int i = 0; i < TMacroServer::MaxConnections; ++i)
        holding.push_back(std::make_unique<TRawClient>(Server.SocketPath()));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return Server.OpenConnections() == TMacroServer::MaxConnections; }, 3000));
    TRawClient extra(Server.SocketPath());
    EXPECT_TRUE(extra.WaitClosed(3000));
    EXPECT_EQ(extra.Received, QByteArray(1, char(TMacroAnswer::Busy)));
    // One of the held connections finishes its request and is served all the same.
    holding.front()->Send(EncodeMacroRequest(MacroTopic, QStringLiteral("Grid")));
    EXPECT_TRUE(holding.front()->WaitClosed(3000));
    EXPECT_EQ(holding.front()->Received, QByteArray(1, char(TMacroAnswer::Acknowledged)));
    EXPECT_EQ(Received.size(), 1u);
}

TEST_F(MacroServerTest, HandlerWithANestedEventLoopOutlastingTheTimeoutIsStillAnswered) {
    // A handler may open a message box; the connection's time runs out meanwhile.
    Server.SetTimeout(100);
    TRawClient client(Server.SocketPath());
    Server.AddTopic(MacroTopic, [&](const QStringList& lines) {
        Received.push_back(lines);
        client.Send("more bytes while the handler runs");
        QTest::qWait(300);
    });
    client.Send(EncodeMacroRequest(MacroTopic, QStringLiteral("Grid")));
    EXPECT_TRUE(client.WaitClosed(3000));
    EXPECT_EQ(client.Received, QByteArray(1, char(TMacroAnswer::Acknowledged)));
    EXPECT_EQ(Received.size(), 1u);
}

TEST_F(MacroServerTest, FailingHandlerIsStillAcknowledgedAndItsErrorShown) {
    TModalBoxAnswerer boxes;
    Server.AddTopic(MacroTopic, [](const QStringList&) { throw std::runtime_error("no plot"); });
    EXPECT_EQ(Send(Service, MacroTopic, QStringLiteral("Grid")), TSendResult::Acknowledged);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !boxes.Boxes.empty(); }, 2000));
    ASSERT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_EQ(boxes.Boxes[0].Text, QStringLiteral("no plot"));
}

TEST_F(MacroServerTest, SecondServerOnTheSameNameRunsWithout) {
    TMacroServer second;
    EXPECT_EQ(second.Register(Service), TMacroServer::TRegistration::NameInUse);
    EXPECT_FALSE(second.IsRegistered());
    EXPECT_TRUE(second.ErrorText().contains(Service));
    // The first keeps its socket and its clients.
    EXPECT_EQ(Send(Service, MacroTopic, QStringLiteral("Grid")), TSendResult::Acknowledged);
    // Once the first withdraws, the name is free again.
    Server.Withdraw();
    EXPECT_FALSE(QFileInfo::exists(MacroSocketPath(Service)));
    EXPECT_EQ(Send(Service, MacroTopic, QStringLiteral("Grid")), TSendResult::NoServer);
    EXPECT_EQ(second.Register(Service), TMacroServer::TRegistration::Registered);
}

TEST_F(MacroServerTest, SocketIsForThisUserOnlyAndInTheRuntimeFolder) {
    const QFileInfo socket(Server.SocketPath());
    EXPECT_EQ(socket.absolutePath(), QDir(qEnvironmentVariable("XDG_RUNTIME_DIR")).absolutePath());
    EXPECT_EQ(socket.ownerId(), geteuid());
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    EXPECT_EQ(socket.permissions() & others, QFile::Permissions());
}

// Leaves what a crashed program leaves: a socket file that nobody listens on.
bool MakeDeadSocket(const QString& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0) return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    if (size_t(name.size()) >= sizeof address.sun_path) return false;
    std::copy(name.begin(), name.end(), address.sun_path);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

struct TLeftoverRow {
    const char* Name;
    std::function<bool(const QString& path)> Leave;
};

const TLeftoverRow LeftoverRows[] = {
    {"socket of a crashed run", MakeDeadSocket},
    {"plain file",
     [](const QString& path) {
         QFile file(path);
         return file.open(QIODevice::WriteOnly);
     }},
};

TEST(MacroServerRegistrationTest, LeftoverSocketIsReplaced) {
    const QString service = QStringLiteral("macro-stale");
    for (const TLeftoverRow& row : LeftoverRows) {
        SCOPED_TRACE(row.Name);
        const QString path = MacroSocketPath(service);
        QFile::remove(path);
        ASSERT_TRUE(row.Leave(path));
        ASSERT_TRUE(QFileInfo::exists(path));
        TMacroServer server;
        ASSERT_EQ(server.Register(service), TMacroServer::TRegistration::Registered)
            << qPrintable(server.ErrorText());
        std::vector<QStringList> received;
        server.AddTopic(MacroTopic, [&](const QStringList& lines) { received.push_back(lines); });
        EXPECT_EQ(Send(service, MacroTopic, QStringLiteral("Grid")), TSendResult::Acknowledged);
        EXPECT_EQ(received.size(), 1u);
    }
}

TEST(MacroServerRegistrationTest, SocketFallsBackToTheTemporaryFolderPerUser) {
    const QByteArray runtimeDir = qgetenv("XDG_RUNTIME_DIR");
    qunsetenv("XDG_RUNTIME_DIR");
    const QString fallback = MacroSocketPath(QStringLiteral("quoril"));
    qputenv("XDG_RUNTIME_DIR", QByteArray("/nonexistent/folder"));
    const QString missing = MacroSocketPath(QStringLiteral("quoril"));
    qputenv("XDG_RUNTIME_DIR", runtimeDir);
    const QString expected =
        QDir(QDir::tempPath()).filePath(QStringLiteral("quoril-%1.dde").arg(geteuid()));
    EXPECT_EQ(fallback, expected);
    EXPECT_EQ(missing, expected);
    EXPECT_EQ(MacroSocketPath(QStringLiteral("quoril")),
              QDir(QString::fromLocal8Bit(runtimeDir)).filePath(QStringLiteral("quoril.dde")));
}

TEST(MacroServerRegistrationTest, InvalidServiceNameIsNotRegistered) {
    for (const QString& name : {QString(), QStringLiteral("a/b"), QStringLiteral("..")}) {
        SCOPED_TRACE(qPrintable(name));
        TMacroServer server;
        EXPECT_EQ(server.Register(name), TMacroServer::TRegistration::Failed);
        EXPECT_FALSE(server.IsRegistered());
    }
}

TEST(MacroServerStartupTest, ProgramServesUnderItsFileNameAndWithdrawsAtTheEnd) {
    const QString service = MacroServiceName(QCoreApplication::applicationFilePath());
    ASSERT_EQ(service, QStringLiteral("quoril_app_tests"));
    StartMacroServer();
    ASSERT_NE(MacroServer, nullptr);
    EXPECT_EQ(MacroServer->SocketPath(), MacroSocketPath(service));
    EXPECT_TRUE(QFileInfo::exists(MacroSocketPath(service)));
    EndMacroServer();
    EXPECT_EQ(MacroServer, nullptr);
    EXPECT_FALSE(QFileInfo::exists(MacroSocketPath(service)));
}

TEST(MacroServerStartupTest, SecondCopyRunsWithoutTheChannelAndSaysSo) {
    const QString service = MacroServiceName(QCoreApplication::applicationFilePath());
    TMacroServer first;
    ASSERT_EQ(first.Register(service), TMacroServer::TRegistration::Registered);
    testing::internal::CaptureStderr();
    StartMacroServer();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(MacroServer, nullptr);
    EXPECT_NE(said.find("runs without the macro channel"), std::string::npos) << said;
    EXPECT_TRUE(first.IsRegistered());
    EXPECT_TRUE(QFileInfo::exists(first.SocketPath()));
}

} // namespace
