#include "app/MacroProtocol.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QtEndian>

#include <optional>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

// Strict UTF-8: overlong forms, surrogates, truncated sequences and a leading byte order mark
// (kept, not swallowed) all count against the request.
std::optional<QString> DecodeUtf8(QByteArrayView bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) return std::nullopt;
    return text;
}

} // namespace

TMacroRequest ParseMacroRequest(const QByteArray& received) {
    TMacroRequest request;
    // Check the magic and version byte by byte as they arrive, so garbage is refused at once.
    const qsizetype prefix = std::min<qsizetype>(received.size(), 5);
    for (qsizetype i = 0; i < prefix; ++i) {
        const char expected = i < 4 ? MacroMagic[i] : char(MacroVersion);
        if (received[i] != expected) {
            request.State = TFrameState::Refused;
            return request;
        }
    }
    if (received.size() < MacroHeaderSize) return request;

    const auto* header = reinterpret_cast<const uchar*>(received.constData());
    const int topicLength = header[5];
    const quint32 commandLength = qFromBigEndian<quint32>(header + 6);
    if (topicLength == 0) {
        request.State = TFrameState::Refused;
        return request;
    }
    if (commandLength > quint32(MacroMaxRequest - MacroHeaderSize - topicLength)) {
        request.State = TFrameState::TooLong;
        return request;
    }
    const int frameSize = MacroHeaderSize + topicLength + int(commandLength);
    if (received.size() < frameSize) return request;
    if (received.size() > frameSize) { // one request per connection, nothing after it
        request.State = TFrameState::Refused;
        return request;
    }
    const std::optional<QString> topic =
        DecodeUtf8(QByteArrayView(received).sliced(MacroHeaderSize, topicLength));
    const std::optional<QString> command =
        DecodeUtf8(QByteArrayView(received).sliced(MacroHeaderSize + topicLength));
    if (!topic || !command) {
        request.State = TFrameState::Refused;
        return request;
    }
    request.State = TFrameState::Complete;
    request.Topic = *topic;
    request.Command = *command;
    request.FrameSize = frameSize;
    return request;
}

QByteArray EncodeMacroRequest(const QString& topic, const QString& command) {
    const QByteArray topicBytes = topic.toUtf8();
    const QByteArray commandBytes = command.toUtf8();
    if (topicBytes.isEmpty() || topicBytes.size() > MacroMaxTopic) return {};
    if (MacroHeaderSize + topicBytes.size() + commandBytes.size() > MacroMaxRequest) return {};
    QByteArray frame(MacroMagic, 4);
    frame.append(char(MacroVersion));
    frame.append(char(uchar(topicBytes.size())));
    uchar length[4];
    qToBigEndian<quint32>(quint32(commandBytes.size()), length);
    frame.append(reinterpret_cast<const char*>(length), 4);
    frame.append(topicBytes);
    frame.append(commandBytes);
    return frame;
}

QStringList SplitMacroLines(const QString& command) {
    if (command.isEmpty()) return {};
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = command.split(lineBreak);
    if (lines.size() > 1 && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

QString MacroServiceName(const QString& programFilePath) {
    return QFileInfo(programFilePath).fileName().section(QLatin1Char('.'), 0, 0);
}

bool IsValidServiceName(const QString& service) {
    return !service.isEmpty() && !service.contains(QLatin1Char('/')) &&
           !service.contains(QLatin1Char('\\')) && !service.contains(QChar(0)) &&
           service != QLatin1String("..");
}

QString MacroSocketPath(const QString& service) {
    const QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtimeDir.isEmpty() && QFileInfo(runtimeDir).isDir())
        return QDir(runtimeDir).filePath(service + QStringLiteral(".dde"));
        // Qt's default place, the temporary folder, is shared by every user.
#ifdef Q_OS_UNIX
    return QDir(QDir::tempPath()).filePath(service + QStringLiteral("-%1.dde").arg(geteuid()));
#else
    return QDir(QDir::tempPath()).filePath(service + QStringLiteral(".dde"));
#endif
}

TSendResult SendMacro(const QString& service, const QString& topic, const QString& command,
                      int timeoutMs) {
    const QByteArray frame = EncodeMacroRequest(topic, command);
    if (frame.isEmpty() || !IsValidServiceName(service)) return TSendResult::Invalid;
    const QDeadlineTimer deadline(timeoutMs);
    const QString path = MacroSocketPath(service);
#ifdef Q_OS_UNIX
    // In the shared temporary folder another user could have taken the name first.
    const QFileInfo socketFile(path);
    if (socketFile.exists() && socketFile.ownerId() != geteuid()) return TSendResult::Foreign;
#endif
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return socket.error() == QLocalSocket::SocketTimeoutError ? TSendResult::NoAnswer
                                                                  : TSendResult::NoServer;
    socket.write(frame);
    while (socket.bytesAvailable() < 1) {
        if (socket.state() != QLocalSocket::ConnectedState) return TSendResult::Closed;
        if (deadline.hasExpired()) return TSendResult::NoAnswer;
        socket.waitForReadyRead(int(deadline.remainingTime()));
    }
    char answer = 0;
    socket.getChar(&answer);
    switch (TMacroAnswer(uchar(answer))) {
    case TMacroAnswer::Acknowledged:
        return TSendResult::Acknowledged;
    case TMacroAnswer::UnknownTopic:
        return TSendResult::UnknownTopic;
    case TMacroAnswer::Refused:
    case TMacroAnswer::TooLong:
    case TMacroAnswer::Busy:
        return TSendResult::Refused;
    }
    return TSendResult::Refused;
}
