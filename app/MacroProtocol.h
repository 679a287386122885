#pragma once
// The wire format and naming of the macro channel, shared by the program's macro server and the
// quoril-dde client: how a request is framed and checked, what the one-byte answers mean, where
// a service's socket lives, and a blocking client that sends one request. Qt Core and Network only.
//
// One connection carries one request and its answer:
//   bytes 0-3   magic "QDDE"
//   byte  4     version, 1
//   byte  5     topic length in bytes, 1 to 255
//   bytes 6-9   command length in bytes, unsigned 32-bit big-endian
//   then        the topic, then the command text, both UTF-8
// The whole frame is at most MacroMaxRequest bytes. The server answers with one byte (a
// TMacroAnswer) and closes the connection.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>

inline constexpr char MacroMagic[4] = {'Q', 'D', 'D', 'E'};
inline constexpr uint8_t MacroVersion = 1;
inline constexpr int MacroHeaderSize = 10;
inline constexpr int MacroMaxTopic = 255;
inline constexpr int MacroMaxRequest = 64 * 1024;

// The topic of the display-parameter dialog's conversation.
inline const QString MacroTopic = QStringLiteral("QuorilDDE");

enum class TMacroAnswer : uint8_t {
    Acknowledged = 'A', // the topic's handler received the lines
    UnknownTopic = 'T', // no topic of that name; nothing ran
    Refused = 'R',      // malformed: magic, version, lengths, UTF-8 or bytes after the frame
    TooLong = 'L',      // the frame would pass MacroMaxRequest
    Busy = 'B',         // too many connections open at once
};

enum class TFrameState { Incomplete, Complete, Refused, TooLong };

struct TMacroRequest {
    TFrameState State = TFrameState::Incomplete;
    QString Topic;
    QString Command;
    int FrameSize = 0; // bytes of the frame, once complete
};

// Reads a request from the bytes received so far. Refuses as early as the bytes allow: a wrong
// magic or version, or declared lengths past the limit, are known after the header.
TMacroRequest ParseMacroRequest(const QByteArray& received);

// The frame for one request; empty when the topic is empty or too long or the frame would pass
// MacroMaxRequest.
QByteArray EncodeMacroRequest(const QString& topic, const QString& command);

// The command text as the topic's handler receives it: one string per line, lines ended by
// CR LF, LF or CR; a final line break does not start another (empty) line.
QStringList SplitMacroLines(const QString& command);

// The service name of a program file: its file name up to its first "."
// ("/opt/bin/quoril.exe" -> "quoril").
QString MacroServiceName(const QString& programFilePath);

// A service name that can be a socket's file name: not empty, no path separators, no NUL.
bool IsValidServiceName(const QString& service);

// Where a service listens: in $XDG_RUNTIME_DIR when that is set and exists, otherwise Qt's
// default place, under a name that also carries the user's id so that users cannot collide.
QString MacroSocketPath(const QString& service);

enum class TSendResult {
    Acknowledged,
    UnknownTopic,
    Refused,  // the server called the request malformed or too long, or is busy
    NoServer, // nobody serves the name (no socket, or a socket nobody answers)
    NoAnswer, // connected, but no answer within the time
    Closed,   // the server closed the connection without an answer
    Foreign,  // the socket under the name belongs to another user; nothing was sent
    Invalid,  // the request could not be framed (empty or too long topic, too long command)
};

// Sends one request to a service and waits at most timeoutMs for its answer. Blocks the calling
// thread; the program's own server must therefore be served by another thread or process.
TSendResult SendMacro(const QString& service, const QString& topic, const QString& command,
                      int timeoutMs);
