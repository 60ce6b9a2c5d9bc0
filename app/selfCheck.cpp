#include "app/selfCheck.h"

#include "editor/editorExchange.h"
#include "editor/editorPipeName.h"
#include "editor/editorProbe.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>

namespace
{

const QString settingsPath = QStringLiteral("File > Settings > AI connection");

QString line(const QString& label, const QString& value)
{
    return label.leftJustified(14) + value + u'\n';
}

QString originText(const EditorPipeOrigin& origin)
{
    if (origin.homePath.isEmpty())
        return QStringLiteral("the variable KESTROVA_AI_PIPE");
    return QStringLiteral("derived from the home folder %1 (KESTROVA_AI_PIPE is not set)")
        .arg(origin.homePath);
}

QString listeningText(SocketFinding finding)
{
    switch (finding) {
    case SocketFinding::NothingListens:
        return QStringLiteral("no: nothing listens there");
    case SocketFinding::Refused:
        return QStringLiteral("yes, but it does not let this program in");
    case SocketFinding::Busy:
        return QStringLiteral("yes, but its connection is taken by another program");
    case SocketFinding::SameUser:
    case SocketFinding::OtherUser:
        break;
    }
    return QStringLiteral("yes");
}

QString sameUserText(SocketFinding finding)
{
    switch (finding) {
    case SocketFinding::NothingListens:
        return QStringLiteral("not known: nothing listens");
    case SocketFinding::Refused:
    case SocketFinding::Busy:
        return QStringLiteral("not known: no connection was made");
    case SocketFinding::SameUser:
        return QStringLiteral("yes");
    case SocketFinding::OtherUser:
        return QStringLiteral("no: the program listening there runs as another user");
    }
    return QString();
}

QString firstLine(const QString& text)
{
    const QString first = text.section(u'\n', 0, 0).trimmed();
    return first.isEmpty() ? QStringLiteral("(no text)") : first;
}

QString milliseconds(qint64 nanoseconds)
{
    return QString::number(double(nanoseconds) / 1e6, 'f', 1) + QStringLiteral(" ms");
}

QString failureText(const QString& sentence, qint64 took)
{
    if (sentence == editorNotRunningSentence)
        return QStringLiteral("not sent: Kestrova is not listening");
    if (sentence == editorForeignUserSentence)
        return QStringLiteral("not sent: the socket belongs to another user");
    if (sentence == editorRefusedSentence)
        return QStringLiteral("not sent: Kestrova's AI connection did not let this program in");
    if (sentence == editorBusySentence)
        return QStringLiteral("not sent: the connection is taken by another program");
    if (sentence == editorStrayAnswerSentence)
        return QStringLiteral("answered out of turn, after ") + milliseconds(took);
    return QStringLiteral("no answer, after ") + milliseconds(took);
}

// What a person can do about each way the call can fail.
QString advice(const QString& sentence, const EditorPipeOrigin& origin)
{
    if (sentence == editorForeignUserSentence)
        return QStringLiteral(
            "  - Another user account's program listens under this name. Run Kestrova under\n"
            "    your own account, or ask the other user to switch its AI connection off.\n");
    if (sentence == editorRefusedSentence)
        return QStringLiteral(
            "  - Kestrova runs with other rights than this program. Start Kestrova and the AI\n"
            "    client with the same rights: on Windows, both as administrator or neither\n"
            "    (neither needs to be). Then restart the one you changed.\n");
    if (sentence == editorBusySentence)
        return QStringLiteral(
            "  - Another program holds Kestrova's AI connection: another AI client, or a\n"
            "    kestrova-mcp that another client started. Close what you do not need, or\n"
            "    wait until it is done, then check again.\n");
    if (sentence == editorSilentSentence)
        return QStringLiteral(
                   "  - Kestrova took the connection but did not answer within %1 s. It may be\n"
                   "    busy with a long operation or waiting in a dialog: finish that, then\n"
                   "    check again. If it stays silent, restart Kestrova.\n")
            .arg(checkReplyTimeout.count() / 1000);
    if (sentence == editorStrayAnswerSentence)
        return QStringLiteral(
            "  - The answer did not belong to the question. Make sure only one Kestrova runs,\n"
            "    and that Kestrova and kestrova-mcp come from the same release.\n");
    QString text =
        QStringLiteral("  - Start Kestrova and switch its AI connection on: %1.\n"
                       "  - If it runs with the connection on, it listens under another name.\n")
            .arg(settingsPath);
    if (origin.homePath.isEmpty())
        text += QStringLiteral(
            "    KESTROVA_AI_PIPE is set here: Kestrova must be given the same value, or remove\n"
            "    it from the client's configuration and from Kestrova's environment.\n");
    else
        text += QStringLiteral(
            "    Both derive the name from the home folder: run them as the same user, and\n"
            "    give neither a KESTROVA_AI_PIPE, or both the same one.\n");
    return text;
}

} // namespace

SelfCheck runSelfCheck()
{
    const EditorPipeOrigin origin = editorPipeOrigin();
    QString report = QStringLiteral("Checking the connection to Kestrova.\n\n");
    report += line(QStringLiteral("Socket name:"), origin.name);
    report += line(QStringLiteral("  from:"), originText(origin));
    report += line(QStringLiteral("  location:"),
                   QDir::toNativeSeparators(editorSocketLocation(origin.name)));

    QLocalSocket socket;
    const SocketFinding finding = lookAtEditorSocket(socket, origin.name, editorConnectTimeout);
    report += line(QStringLiteral("Listening:"), listeningText(finding));
    report += line(QStringLiteral("Same user:"), sameUserText(finding));

    // The server's own exchange, on the connection just looked at: what the assistant would get.
    const EditorCall call =
        makeEditorCall(socket, EditorTimeouts{editorConnectTimeout, checkReplyTimeout});
    QElapsedTimer clock;
    clock.start();
    const EditorReply reply = call(QStringLiteral("get_project"), QJsonObject());
    const qint64 took = clock.nsecsElapsed();
    const QString text = reply.fields.value(QLatin1String("text")).toString();

    if (isEditorAnswer(reply)) {
        const bool refused = reply.fields.value(QLatin1String("error")).toBool(false);
        report += line(QStringLiteral("get_project:"),
                       (refused ? QStringLiteral("refused, in ") : QStringLiteral("answered in ")) +
                           milliseconds(took));
        report += line(QStringLiteral("  Kestrova:"), firstLine(text));
        report += QStringLiteral("\nKestrova answers: the assistant can work with it.\n");
        return {report, true};
    }
    report += line(QStringLiteral("get_project:"), failureText(text, took));
    report += QStringLiteral("\nThe assistant would read:\n  %1\n").arg(text);
    report += QStringLiteral("\nWhat you can do:\n") + advice(text, origin);
    report += QStringLiteral("  - Then run kestrova-mcp --check again, and restart the AI client "
                             "fully.\n");
    return {report, false};
}
