#pragma once
// The program's macro server: a local socket under the program's service name through which
// other programs send macro commands to a topic (the display-parameter dialog's "QuorilDDE").
// Requests are read without ever blocking the user interface, checked, split into lines and
// handed to the topic's handler on the user-interface thread; every request on a known topic
// is acknowledged. The wire format is in app/MacroProtocol.h.
#include "app/MacroProtocol.h"

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <unordered_map>

class QLocalSocket;

class TMacroServer : public QObject {
    Q_OBJECT
public:
    using THandler = std::function<void(const QStringList& lines)>;

    enum class TRegistration {
        Registered,
        NameInUse, // another running program answers under the name
        Failed,    // the socket could not be made (see ErrorText)
    };

    // Connections still open after this long are closed unanswered: a client that connects
    // and sends nothing, or half a request, holds nothing for longer.
    static constexpr int DefaultTimeoutMs = 5000;
    // Connections beyond this many at once are answered Busy and closed at once.
    static constexpr int MaxConnections = 64;

    explicit TMacroServer(QObject* parent = nullptr);
    ~TMacroServer() override;

    // Listens under the service name. A socket left behind by a program that ended without
    // withdrawing (nobody answers it) is replaced; a live one is left alone.
    TRegistration Register(const QString& serviceName);
    // Stops listening, removes the socket and drops every open connection.
    void Withdraw();
    bool IsRegistered() const { return Server.isListening(); }
    QString SocketPath() const { return Server.fullServerName(); }
    QString ErrorText() const { return LastError; }

    // The handler receives the command's lines of every request on the topic; it runs on the
    // thread that owns the server, between other events.
    void AddTopic(const QString& topic, THandler handler);
    void RemoveTopic(const QString& topic);

    void SetTimeout(int milliseconds) { TimeoutMs = milliseconds; }
    int OpenConnections() const { return Connections; }

private:
    void AcceptConnections();
    void ReadRequest(QLocalSocket* socket);
    // Sends the one-byte answer and closes once it is written.
    void Answer(QLocalSocket* socket, TMacroAnswer answer);
    // Closes without an answer.
    void Drop(QLocalSocket* socket);
    void StopReading(QLocalSocket* socket);

    QLocalServer Server;
    std::map<QString, THandler> Topics;
    std::unordered_map<QLocalSocket*, QByteArray> Pending; // bytes of requests still arriving
    int Connections = 0;
    int TimeoutMs = DefaultTimeoutMs;
    QString LastError;
};

// The program's one macro server, from the module start-up to the end of the program; null
// while the program runs without the macro channel.
extern TMacroServer* MacroServer;
