#include "app/MacroServer.h"

#include <QFileInfo>
#include <QLocalSocket>
#include <QTimer>

#include <exception>

#ifdef Q_OS_LINUX
#include <sys/socket.h>
#include <unistd.h>
#endif

TMacroServer* MacroServer = nullptr;

namespace {

// The socket's mode already keeps other users out; the peer's credentials say so once more,
// should the socket ever sit in a shared folder with wider rights.
bool PeerIsThisUser(QLocalSocket* socket) {
#ifdef Q_OS_LINUX
    ucred peer{};
    socklen_t size = sizeof peer;
    if (getsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0)
        return false;
    return peer.uid == geteuid();
#else
    Q_UNUSED(socket);
    return true;
#endif
}

} // namespace

TMacroServer::TMacroServer(QObject* parent) : QObject(parent) {
    Server.setSocketOptions(QLocalServer::UserAccessOption);
    Server.setMaxPendingConnections(MaxConnections);
    connect(&Server, &QLocalServer::newConnection, this, &TMacroServer::AcceptConnections);
}

TMacroServer::~TMacroServer() {
    Withdraw();
    // The sockets still closing belong to the listening server; they go while the count they
    // update still exists.
    qDeleteAll(Server.findChildren<QLocalSocket*>());
}

TMacroServer::TRegistration TMacroServer::Register(const QString& serviceName) {
    Withdraw();
    LastError.clear();
    if (!IsValidServiceName(serviceName)) {
        LastError = QStringLiteral("\"%1\" cannot name a macro service").arg(serviceName);
        return TRegistration::Failed;
    }
    const QString path = MacroSocketPath(serviceName);
    // Listening would replace an existing socket file, so a live one is looked for first: a
    // running program accepts the connection at once, a socket left behind by a crash refuses.
    if (QFileInfo(path).exists() || QFileInfo(path).isSymLink()) {
        QLocalSocket probe;
        probe.connectToServer(path);
        if (probe.waitForConnected(1000)) {
            probe.abort();
            LastError = QStringLiteral("another running program serves \"%1\"").arg(serviceName);
            return TRegistration::NameInUse;
        }
        if (probe.error() != QLocalSocket::ConnectionRefusedError) {
            LastError = QStringLiteral("\"%1\": %2").arg(path, probe.errorString());
            return TRegistration::NameInUse;
        }
        if (!QLocalServer::removeServer(path)) {
            LastError = QStringLiteral("cannot remove the stale socket \"%1\"").arg(path);
            return TRegistration::Failed;
        }
    }
    if (!Server.listen(path)) {
        LastError = QStringLiteral("\"%1\": %2").arg(path, Server.errorString());
        return TRegistration::Failed;
    }
    return TRegistration::Registered;
}

void TMacroServer::Withdraw() {
    Server.close(); // removes the socket file
    // Copy first: dropping a connection edits the map.
    std::vector<QLocalSocket*> open;
    for (const auto& entry : Pending)
        open.push_back(entry.first);
    for (QLocalSocket* socket : open)
        Drop(socket);
}

void TMacroServer::AddTopic(const QString& topic, THandler handler) {
    Topics[topic] = std::move(handler);
}

void TMacroServer::RemoveTopic(const QString& topic) {
    Topics.erase(topic);
}

void TMacroServer::AcceptConnections() {
    while (QLocalSocket* socket = Server.nextPendingConnection()) {
        ++Connections;
        connect(socket, &QObject::destroyed, this, [this] { --Connections; });
        if (!PeerIsThisUser(socket)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        socket->setReadBufferSize(MacroMaxRequest + 1);
        if (Connections > MaxConnections) {
            Answer(socket, TMacroAnswer::Busy);
            continue;
        }
        Pending.emplace(socket, QByteArray());
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadRequest(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] { Drop(socket); });
        // The whole request must arrive within the time, however slowly it trickles in.
        QTimer::singleShot(TimeoutMs, socket, [this, socket] { Drop(socket); });
        // Bytes may have come with the connection itself.
        if (socket->bytesAvailable() > 0) ReadRequest(socket);
    }
}

void TMacroServer::ReadRequest(QLocalSocket* socket) {
    const auto entry = Pending.find(socket);
    if (entry == Pending.end()) return;
    QByteArray& received = entry->second;
    // Never more than one byte past the limit is kept, whatever the client sends.
    const qint64 room = MacroMaxRequest + 1 - received.size();
    received.append(socket->read(std::max<qint64>(room, 0)));
    const TMacroRequest request = ParseMacroRequest(received);
    switch (request.State) {
    case TFrameState::Incomplete:
        if (received.size() > MacroMaxRequest) Answer(socket, TMacroAnswer::TooLong);
        return;
    case TFrameState::Refused:
        Answer(socket, TMacroAnswer::Refused);
        return;
    case TFrameState::TooLong:
        Answer(socket, TMacroAnswer::TooLong);
        return;
    case TFrameState::Complete:
        break;
    }
    const auto topic = Topics.find(request.Topic);
    if (topic == Topics.end()) {
        Answer(socket, TMacroAnswer::UnknownTopic);
        return;
    }
    // A copy: the handler may remove its own topic.
    const THandler handler = topic->second;
    // Should the handler open a nested event loop, this connection takes no further part.
    StopReading(socket);
    // Every request on a known topic is acknowledged, even when its handler fails; the failure
    // then goes on to the application's error display.
    std::exception_ptr failure;
    try {
        handler(SplitMacroLines(request.Command));
    } catch (...) {
        failure = std::current_exception();
    }
    Answer(socket, TMacroAnswer::Acknowledged);
    if (failure) std::rethrow_exception(failure);
}

void TMacroServer::StopReading(QLocalSocket* socket) {
    Pending.erase(socket);
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    disconnect(socket, &QLocalSocket::disconnected, this, nullptr);
}

void TMacroServer::Answer(QLocalSocket* socket, TMacroAnswer answer) {
    StopReading(socket);
    socket->readAll(); // anything after the frame is not looked at
    socket->putChar(char(answer));
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    socket->disconnectFromServer(); // after the answer is written
    if (socket->state() == QLocalSocket::UnconnectedState) socket->deleteLater();
    // A client that never reads cannot keep the socket either.
    QTimer::singleShot(TimeoutMs, socket, &QObject::deleteLater);
}

void TMacroServer::Drop(QLocalSocket* socket) {
    if (Pending.count(socket) == 0) return;
    StopReading(socket);
    socket->abort();
    socket->deleteLater();
}
