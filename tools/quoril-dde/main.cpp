// quoril-dde: sends one macro command to a topic of a running program and reports whether the
// program acknowledged it.
//
//   quoril-dde [--service NAME] TOPIC COMMAND
//
// Exit status: 0 acknowledged; 1 no program answers, no answer in time, unknown topic or the
// request refused; 2 usage error.
#include "app/MacroProtocol.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace {

constexpr int AnswerTimeoutMs = 3000;

int Fail(int status, const QString& message) {
    std::fprintf(stderr, "quoril-dde: %s\n", qPrintable(message));
    return status;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quoril-dde"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Sends one macro command to a topic of a running Quoril and waits for its "
        "acknowledgement.\nExit status: 0 acknowledged, 1 no program answers or the request "
        "was not acknowledged, 2 usage error."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption serviceOption(
        QStringLiteral("service"),
        QStringLiteral("The program's service name: its file name up to the first \".\"."),
        QStringLiteral("NAME"), QStringLiteral("quoril"));
    parser.addOption(serviceOption);
    parser.addPositionalArgument(QStringLiteral("TOPIC"),
                                 QStringLiteral("The conversation topic, e.g. QuorilDDE."));
    parser.addPositionalArgument(
        QStringLiteral("COMMAND"),
        QStringLiteral("The command text; it may hold several lines, e.g. Grid."));

    if (!parser.parse(QCoreApplication::arguments()))
        return Fail(2, parser.errorText() + QStringLiteral(" (see --help)"));
    if (parser.isSet(helpOption)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    const QStringList arguments = parser.positionalArguments();
    if (arguments.size() != 2)
        return Fail(2, QStringLiteral("expected TOPIC and COMMAND (see --help)"));
    const QString service = parser.value(serviceOption);
    const QString& topic = arguments[0];
    const QString& command = arguments[1];
    if (!IsValidServiceName(service))
        return Fail(2, QStringLiteral("\"%1\" is not a service name").arg(service));
    const int topicBytes = int(topic.toUtf8().size());
    if (topicBytes == 0 || topicBytes > MacroMaxTopic)
        return Fail(2, QStringLiteral("the topic must have 1 to %1 bytes").arg(MacroMaxTopic));
    if (EncodeMacroRequest(topic, command).isEmpty())
        return Fail(2, QStringLiteral("the command is too long (a request has at most %1 bytes)")
                           .arg(MacroMaxRequest));

    switch (SendMacro(service, topic, command, AnswerTimeoutMs)) {
    case TSendResult::Acknowledged:
        return 0;
    case TSendResult::UnknownTopic:
        return Fail(
            1,
            QStringLiteral("the program serving \"%1\" has no topic \"%2\"").arg(service, topic));
    case TSendResult::Refused:
        return Fail(1,
                    QStringLiteral("the program serving \"%1\" refused the request").arg(service));
    case TSendResult::NoServer:
        return Fail(
            1, QStringLiteral("no program answers under the service name \"%1\"").arg(service));
    case TSendResult::NoAnswer:
        return Fail(1, QStringLiteral("no answer from \"%1\" within %2 seconds")
                           .arg(service)
                           .arg(AnswerTimeoutMs / 1000));
    case TSendResult::Closed:
        return Fail(1, QStringLiteral("the program serving \"%1\" closed the connection without "
                                      "an answer")
                           .arg(service));
    case TSendResult::Foreign:
        return Fail(1, QStringLiteral("the socket of \"%1\" (%2) belongs to another user; "
                                      "nothing was sent")
                           .arg(service, MacroSocketPath(service)));
    case TSendResult::Invalid:
        break;
    }
    return Fail(2, QStringLiteral("the request cannot be sent"));
}
