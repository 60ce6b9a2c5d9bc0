#include "app/selfCheck.h"

#include "editor/editorConnect.h"
#include "editor/editorExchange.h"
#include "editor/editorPipeName.h"

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

QString listeningText(ConnectOutcome connect)
{
    switch (connect) {
    case ConnectOutcome::NothingListens:
        return QStringLiteral("no: nothing listens there");
    case ConnectOutcome::Refused:
        return QStringLiteral("yes, but it does not let this program in");
    case ConnectOutcome::Busy:
        return QStringLiteral("yes, but its connection is taken by another program");
    case ConnectOutcome::Connected:
    case ConnectOutcome::OtherUser:
        break;
    }
    return QStringLiteral("yes");
}

QString sameUserText(ConnectOutcome connect)
{
    switch (connect) {
    case ConnectOutcome::NothingListens:
        return QStringLiteral("not known: nothing listens");
    case ConnectOutcome::Refused:
    case ConnectOutcome::Busy:
        return QStringLiteral("not known: no connection was made");
    case ConnectOutcome::Connected:
        return QStringLiteral("yes");
    case ConnectOutcome::OtherUser:
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

// What became of the call, for a call that did not get the editor's answer.
QString failureText(EditorOutcome outcome, qint64 took)
{
    switch (outcome) {
    case EditorOutcome::NothingListens:
        return QStringLiteral("not sent: Kestrova is not listening");
    case EditorOutcome::OtherUser:
        return QStringLiteral("not sent: the socket belongs to another user");
    case EditorOutcome::Refused:
        return QStringLiteral("not sent: Kestrova's AI connection did not let this program in");
    case EditorOutcome::Busy:
        return QStringLiteral("not sent: the connection is taken by another program");
    case EditorOutcome::OutOfTurn:
        return QStringLiteral("answered out of turn, after ") + milliseconds(took);
    case EditorOutcome::NoAnswer:
    case EditorOutcome::Answered:
    case EditorOutcome::Cancelled:
        break;
    }
    return QStringLiteral("no answer, after ") + milliseconds(took);
}

QString notListeningAdvice(const EditorPipeOrigin& origin)
{
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

// What a person can do about each way the call can fail.
QString advice(EditorOutcome outcome, const EditorPipeOrigin& origin)
{
    switch (outcome) {
    case EditorOutcome::OtherUser:
        return QStringLiteral(
            "  - Another user account's program listens under this name. Run Kestrova under\n"
            "    your own account, or ask the other user to switch its AI connection off.\n");
    case EditorOutcome::Refused:
        return QStringLiteral(
            "  - Kestrova runs with other rights than this program. Start Kestrova and the AI\n"
            "    client with the same rights: on Windows, both as administrator or neither\n"
            "    (neither needs to be). Then restart the one you changed.\n");
    case EditorOutcome::Busy:
        return QStringLiteral(
            "  - Another program holds Kestrova's AI connection: another AI client, or a\n"
            "    kestrova-mcp that another client started. Close what you do not need, or\n"
            "    wait until it is done, then check again.\n");
    case EditorOutcome::NoAnswer:
        return QStringLiteral(
                   "  - Kestrova took the connection but did not answer within %1 s. It may be\n"
                   "    busy with a long operation or waiting in a dialog: finish that, then\n"
                   "    check again. If it stays silent, restart Kestrova.\n")
            .arg(checkReplyTimeout.count() / 1000);
    case EditorOutcome::OutOfTurn:
        return QStringLiteral(
            "  - The answer did not belong to the question. Make sure only one Kestrova runs,\n"
            "    and that Kestrova and kestrova-mcp come from the same release.\n");
    case EditorOutcome::NothingListens:
    case EditorOutcome::Answered:
    case EditorOutcome::Cancelled:
        break;
    }
    return notListeningAdvice(origin);
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
    const ConnectOutcome connect = connectToEditorSocket(socket, origin.name, editorConnectTimeout);
    report += line(QStringLiteral("Listening:"), listeningText(connect));
    report += line(QStringLiteral("Same user:"), sameUserText(connect));

    // The server's own exchange, on the connection just looked at: what the assistant would get.
    const EditorCall call =
        makeEditorCall(socket, EditorTimeouts{editorConnectTimeout, checkReplyTimeout});
    QElapsedTimer clock;
    clock.start();
    const EditorReply reply = call(QStringLiteral("get_project"), QJsonObject());
    const qint64 took = clock.nsecsElapsed();
    const QString text = reply.fields.value(QLatin1String("text")).toString();

    if (reply.outcome == EditorOutcome::Answered) {
        const bool refused = reply.fields.value(QLatin1String("error")).toBool(false);
        report += line(QStringLiteral("get_project:"),
                       (refused ? QStringLiteral("refused, in ") : QStringLiteral("answered in ")) +
                           milliseconds(took));
        report += line(QStringLiteral("  Kestrova:"), firstLine(text));
        report += QStringLiteral("\nKestrova answers: the assistant can work with it.\n");
        return {report, true};
    }
    report += line(QStringLiteral("get_project:"), failureText(reply.outcome, took));
    report += QStringLiteral("\nThe assistant would read:\n  %1\n").arg(text);
    report += QStringLiteral("\nWhat you can do:\n") + advice(reply.outcome, origin);
    report += QStringLiteral("  - Then run kestrova-mcp --check again, and restart the AI client "
                             "fully.\n");
    return {report, false};
}
