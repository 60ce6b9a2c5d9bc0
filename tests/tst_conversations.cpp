// Seeded random conversations with the built server while the stand-in editor misbehaves, dies
// and comes back: tool calls, cancellations, pings, bursts written during a call, malformed
// lines, arguments that are not an object, and at last the end of input. Whatever happens, each
// request is answered once and in order (a cancelled call at most once, and never after its
// cancellation was read), each tool call reaches the editor at most once, every reply line is
// whole, memory stays bounded and nothing reaches standard error.
//
// KESTROVA_CONVERSATION_SEEDS=FIRST-LAST (or one seed) runs other conversations than the few the
// default run holds.

#include "expectedSentences.h"
#include "liveProcesses.h"
#include "processFigures.h"

#include "editor/editorExchange.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QSet>
#include <QThread>
#include <QtTest>

#include <chrono>
#include <iterator>

using namespace std::chrono_literals;

namespace
{

constexpr quint32 defaultFirstSeed = 1;
constexpr quint32 defaultLastSeed = 6;
constexpr int turnsPerConversation = 60;
// The server's own limits, and room for a loaded machine.
constexpr std::chrono::milliseconds replyTimeout =
    editorConnectTimeout + editorReplyDataTimeout + 10s;
constexpr qint64 peakLimitKiB = 100 * 1024;
constexpr qsizetype burstLineBytes = 1000;
// A rare burst beyond what the server holds while a call waits, and beyond its memory bound.
constexpr qsizetype floodBytes = 128 * 1024 * 1024;

// How the stand-in behaves in one episode; nullptr: no editor runs.
struct Episode {
    const char* mode;
    int weight;
    bool answersItself; // every call reaches it and gets its own answer or its refusal
};

const Episode episodes[] = {
    {"normal", 5, true},          {"two-lines", 2, true},
    {"trickle", 1, true},         {"slow", 1, true},
    {"error", 1, true},           {"close-after", 2, false},
    {"drop-mid-reply", 1, false}, {"exit-before-reply", 1, false},
    {"wrong-id", 1, false},       {"not-json", 1, false},
    {"silent", 1, false},         {nullptr, 1, false},
};

const Episode& pickEpisode(QRandomGenerator& random)
{
    int total = 0;
    for (const Episode& episode : episodes)
        total += episode.weight;
    int pick = random.bounded(total);
    for (const Episode& episode : episodes) {
        if ((pick -= episode.weight) < 0)
            return episode;
    }
    return episodes[0];
}

enum class Kind { Call, Ping, Malformed, Other };

// One line the client wrote that wants a reply.
struct Sent {
    Kind kind;
    int id = 0;              // 0 for a malformed line, whose reply carries a null id
    bool optional = false;   // a cancelled call: at most one reply
    bool ownAnswer = false;  // must get the editor's own answer or refusal
    int cancelledBefore = 0; // for a cancelled call: the first id written after its cancellation
    int expectedError = 0;   // the error code its reply must carry, if any
};

QByteArray request(int id, const QByteArray& method, const QByteArray& params = {})
{
    return R"({"jsonrpc":"2.0","id":)" + QByteArray::number(id) + R"(,"method":")" + method + '"' +
           (params.isEmpty() ? QByteArray() : R"(,"params":)" + params) + "}\n";
}

QByteArray cancellation(int id)
{
    return R"({"jsonrpc":"2.0","method":"notifications/cancelled","params":{"requestId":)" +
           QByteArray::number(id) + "}}\n";
}

struct Conversation {
    QRandomGenerator random;
    QString name;
    LiveProcess server;
    LiveProcess standin;
    const Episode* episode = &episodes[0];
    QList<Sent> sent;
    int nextId = 1;
    QByteArray editorLog; // what every stand-in noted
    QStringList faults;

    // Ends the stand-in, keeping what it noted.
    void stopStandin(bool kill)
    {
        if (!standin)
            return;
        if (kill)
            standin->kill();
        else
            standin->terminate();
        standin->waitForFinished(int(processStartTimeout.count()));
        editorLog += standin->readAllStandardOutput();
        standin.reset();
    }

    void startEpisode(const Episode& next)
    {
        stopStandin(random.bounded(2) == 0);
        episode = &next;
        if (!next.mode)
            return;
        QStringList options{"--verbose", "--mode", QString::fromLatin1(next.mode)};
        if (qstrcmp(next.mode, "slow") == 0)
            options << "--delay-ms" << QString::number(100 + random.bounded(400));
        if (random.bounded(4) == 0)
            options << "--image-bytes" << QString::number(100000 + random.bounded(400000));
        standin = startStandin(name, options);
        if (!standin)
            faults << QStringLiteral("the stand-in did not start");
    }

    QByteArray toolCall(bool cancelled)
    {
        const int id = nextId++;
        const bool picture = random.bounded(2) == 0;
        // A silent editor's call is always cancelled: it would cost the whole wait otherwise.
        const bool healthy = episode->answersItself;
        sent.append({Kind::Call, id, cancelled, healthy && !cancelled, 0, 0});
        return request(id, "tools/call",
                       R"({"name":")" + QByteArray(picture ? "get_frame" : "cut_out") +
                           R"(","arguments":{"at_seconds":)" + QByteArray::number(id) + "}}");
    }

    QByteArray other(const QByteArray& method, const QByteArray& params, int error)
    {
        const int id = nextId++;
        sent.append({Kind::Other, id, false, false, 0, error});
        return request(id, method, params);
    }

    // A batch of lines written at once, and the marker that ends it.
    QByteArray batch()
    {
        QByteArray lines;
        const int firstId = nextId;
        const int actions = 1 + random.bounded(5);
        const bool silent = episode->mode && qstrcmp(episode->mode, "silent") == 0;
        const bool slow = episode->mode && qstrcmp(episode->mode, "slow") == 0;
        for (int action = 0; action < actions; ++action) {
            switch (random.bounded(9)) {
            case 0:
            case 1:
            case 2: {
                const bool cancelled = silent || random.bounded(6) == 0;
                lines += toolCall(cancelled);
                if (cancelled) {
                    const int callIndex = int(sent.size()) - 1;
                    lines += cancellation(sent.last().id);
                    sent[callIndex].cancelledBefore = nextId;
                }
                break;
            }
            case 3:
                sent.append({Kind::Ping, nextId, false, false, 0, 0});
                lines += request(nextId++, "ping");
                break;
            case 4:
                sent.append({Kind::Malformed, 0, false, false, 0, -32700});
                lines += "{\"jsonrpc\":\"2.0\",\"id\":\n";
                break;
            case 5: {
                const QByteArray pad(burstLineBytes, 'x');
                // A flood comes behind a call to an editor that takes its time: the server meets
                // its bound, stops reading, and reads the rest after the call.
                const bool flood = slow && random.bounded(4) == 0;
                if (flood)
                    lines += toolCall(false);
                const int count = flood ? int(floodBytes / burstLineBytes) : random.bounded(2000);
                for (int line = 0; line < count; ++line)
                    lines += other("kestrova/none", R"({"pad":")" + pad + "\"}", -32601);
                break;
            }
            case 6:
                lines += other("tools/call", R"({"name":"cut_out","arguments":[1,2]})", -32602);
                break;
            case 7:
                // A cancellation of a request of an earlier turn, long answered: nothing happens.
                if (firstId > 1)
                    lines += cancellation(firstId - 1 - random.bounded(qMin(firstId - 1, 50)));
                break;
            default:
                lines += other("tools/list", {}, 0);
                break;
            }
        }
        return lines;
    }
};

// The reply's tool result text, and whether it is the editor's own answer to call `id`.
QString checkCallReply(const QJsonObject& reply, int id, bool ownAnswer)
{
    const QJsonObject result = reply.value("result").toObject();
    const QJsonArray content = result.value("content").toArray();
    const QString text = content.at(0).toObject().value("text").toString();
    const bool refusal = text.startsWith(QStringLiteral("Kestrova could not do"));
    if (!result.value("isError").toBool(true)) {
        if (!text.contains(QStringLiteral("(at_seconds %1)").arg(id)))
            return QStringLiteral("call %1 got an answer to another question: %2")
                .arg(id)
                .arg(text);
        return QString();
    }
    if (refusal)
        return QString();
    if (ownAnswer)
        return QStringLiteral("call %1 got a failure instead of its answer: %2").arg(id).arg(text);
    const QStringList failures{notRunningSentence, silentSentence, strayAnswerSentence};
    if (content.size() == 1 && failures.contains(text))
        return QString();
    return QStringLiteral("call %1 got an unexpected failure: %2").arg(id).arg(text);
}

// Checks the replies against what was sent: in order, each once, as it should be.
QStringList checkReplies(const QList<Sent>& sent, const QList<QJsonObject>& replies)
{
    QStringList faults;
    // Pings may be answered ahead of a running call: they are checked on their own.
    QList<int> pingsAnswered;
    QList<QJsonObject> inTurn;
    for (const QJsonObject& reply : replies) {
        const QJsonValue id = reply.value("id");
        if (reply.value("result").toObject().isEmpty() && !reply.contains("error") &&
            id.isDouble() && reply.value("result").isObject())
            pingsAnswered.append(id.toInt());
        else
            inTurn.append(reply);
    }
    QList<int> pingsSent;
    for (const Sent& line : sent) {
        if (line.kind == Kind::Ping)
            pingsSent.append(line.id);
    }
    if (pingsAnswered != pingsSent)
        faults << QStringLiteral("pings answered %1 times for %2 sent, or out of order")
                      .arg(pingsAnswered.size())
                      .arg(pingsSent.size());

    qsizetype next = 0;
    QSet<int> answeredIds;
    for (const Sent& line : sent) {
        if (line.kind == Kind::Ping)
            continue;
        const QJsonObject reply = next < inTurn.size() ? inTurn.at(next) : QJsonObject();
        const QJsonValue id = reply.value("id");
        const bool matches = line.kind == Kind::Malformed ? id.isNull() : id == QJsonValue(line.id);
        if (!matches) {
            if (line.optional)
                continue;
            faults << QStringLiteral("request %1 (%2) is not answered in its turn (got %3)")
                          .arg(line.id)
                          .arg(int(line.kind))
                          .arg(QString::fromUtf8(
                              QJsonDocument(reply).toJson(QJsonDocument::Compact).left(200)));
            return faults;
        }
        ++next;
        if (line.expectedError != 0 &&
            reply.value("error").toObject().value("code").toInt() != line.expectedError)
            faults << QStringLiteral("request %1 did not get error %2")
                          .arg(line.id)
                          .arg(line.expectedError);
        if (line.kind == Kind::Call) {
            const QString why = checkCallReply(reply, line.id, line.ownAnswer);
            if (!why.isEmpty())
                faults << why;
        }
        if (line.kind != Kind::Malformed)
            answeredIds.insert(line.id);
    }
    if (next != inTurn.size())
        faults << QStringLiteral("%1 replies to nothing, or twice").arg(inTurn.size() - next);

    // A cancelled call's reply, if it came, came before any reply to what followed its
    // cancellation, pings included: a server that had read the cancellation would have dropped
    // the call.
    for (const Sent& line : sent) {
        if (!line.optional || !answeredIds.contains(line.id))
            continue;
        for (const QJsonObject& reply : replies) {
            const int other = reply.value("id").toInt();
            if (other == line.id)
                break;
            if (other >= line.cancelledBefore) {
                faults << QStringLiteral("cancelled call %1 was answered after its cancellation")
                              .arg(line.id);
                break;
            }
        }
    }
    return faults;
}

// Each tool call reached the editor at most once, and only tool calls with their own arguments.
QStringList checkEditorLog(const QByteArray& log)
{
    QStringList faults;
    QSet<int> reached;
    for (const QByteArray& line : log.split('\n')) {
        if (!line.startsWith("request "))
            continue;
        const QList<QByteArray> words = line.split(' ');
        const QJsonObject arguments =
            words.size() == 4 ? QJsonDocument::fromJson(words.at(3)).object() : QJsonObject();
        const int call = arguments.value("at_seconds").toInt();
        if (call <= 0)
            faults << QStringLiteral("the editor got a request no call made: %1")
                          .arg(QString::fromUtf8(line));
        else if (reached.contains(call))
            faults << QStringLiteral("call %1 reached the editor twice").arg(call);
        reached.insert(call);
    }
    return faults;
}

std::pair<quint32, quint32> seedRange()
{
    const QString setting = qEnvironmentVariable("KESTROVA_CONVERSATION_SEEDS");
    const QStringList ends = setting.split(u'-');
    bool firstOk = false;
    bool lastOk = false;
    const quint32 first = ends.value(0).toUInt(&firstOk);
    const quint32 last = ends.size() == 2 ? ends.at(1).toUInt(&lastOk) : first;
    if (!firstOk || (ends.size() == 2 && !lastOk) || last < first)
        return {defaultFirstSeed, defaultLastSeed};
    return {first, last};
}

} // namespace

class ConversationsTest : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void conversations_data();
    void conversations();
};

void ConversationsTest::conversations_data()
{
    QTest::addColumn<quint32>("seed");
    const auto [first, last] = seedRange();
    for (quint32 seed = first; seed <= last; ++seed)
        QTest::addRow("seed %u", seed) << seed;
}

void ConversationsTest::conversations()
{
    QFETCH(quint32, seed);
    Conversation talk;
    talk.random = QRandomGenerator(seed);
    talk.name = uniquePipeName("conversation");
    talk.server = startServer(talk.name);
    QVERIFY(talk.server);
    QProcess& server = *talk.server;
    QList<QJsonObject> replies;
    QByteArray output;
    // Takes what the server has written, line by line; a line that is no JSON object is a fault.
    const auto takeOutput = [&] {
        output += server.readAllStandardOutput();
        qsizetype end;
        while ((end = output.indexOf('\n')) >= 0) {
            const QJsonDocument line = QJsonDocument::fromJson(output.left(end));
            if (!line.isObject() || line.object().value("jsonrpc") != QJsonValue("2.0"))
                talk.faults << QStringLiteral("a reply line that is not whole: %1")
                                   .arg(QString::fromUtf8(output.left(qMin<qsizetype>(end, 200))));
            replies.append(line.object());
            output.remove(0, end + 1);
        }
    };

    for (int turn = 0; turn < turnsPerConversation && talk.faults.isEmpty(); ++turn) {
        if (turn == 0 || talk.random.bounded(3) == 0)
            talk.startEpisode(pickEpisode(talk.random));
        else if (talk.standin && talk.standin->state() == QProcess::NotRunning)
            talk.stopStandin(false);
        QByteArray lines = talk.batch();
        // The turn ends with a request that waits its turn: its reply closes the turn.
        const int marker = talk.nextId;
        lines += talk.other("kestrova/marker", {}, -32601);
        server.write(lines);
        if (talk.standin && talk.random.bounded(15) == 0) {
            // The editor dies at a random moment of the turn; what it was doing may fail.
            QThread::usleep(talk.random.bounded(3000));
            talk.stopStandin(true);
            talk.episode = &episodes[std::size(episodes) - 1];
            for (Sent& line : talk.sent)
                line.ownAnswer = false;
        }
        const QDeadlineTimer deadline(replyTimeout);
        while (talk.faults.isEmpty() &&
               (replies.isEmpty() || replies.last().value("id") != QJsonValue(marker))) {
            if (deadline.hasExpired()) {
                talk.faults << QStringLiteral("no reply to the end of turn %1").arg(turn);
                break;
            }
            server.waitForReadyRead(int(qMin<qint64>(deadline.remainingTime(), 1000)));
            takeOutput();
        }
    }

    // At last the editor answers, one more call is made, and the input ends right behind it.
    // Where the system cannot tell the peak memory, that check is left out.
    qint64 peakKiB = -1;
    if (talk.faults.isEmpty()) {
        talk.startEpisode(episodes[0]);
        server.write(talk.toolCall(false));
        peakKiB = peakResidentKiB(server.processId());
        if (peakKiB >= peakLimitKiB + memoryAllowanceKiB())
            talk.faults << QStringLiteral("peak resident memory %1 KiB").arg(peakKiB);
        server.closeWriteChannel();
        if (!server.waitForFinished(int(replyTimeout.count())))
            talk.faults << QStringLiteral("the server did not end after its input");
        takeOutput();
        if (server.exitStatus() != QProcess::NormalExit || server.exitCode() != 0)
            talk.faults << QStringLiteral("the server ended with status %1").arg(server.exitCode());
        const QByteArray errors = server.readAllStandardError();
        if (!errors.isEmpty())
            talk.faults
                << QStringLiteral("standard error: %1").arg(QString::fromUtf8(errors.left(200)));
        if (!output.isEmpty())
            talk.faults << QStringLiteral("the output ends in part of a line");
    }
    talk.stopStandin(false);
    if (talk.faults.isEmpty())
        talk.faults << checkReplies(talk.sent, replies) << checkEditorLog(talk.editorLog);

    int calls = 0;
    int cancelled = 0;
    int answers = 0;
    for (const Sent& line : talk.sent) {
        calls += line.kind == Kind::Call ? 1 : 0;
        cancelled += line.optional ? 1 : 0;
    }
    for (const QJsonObject& reply : replies)
        answers += reply.value("result").toObject().value("isError") == QJsonValue(false) ? 1 : 0;
    qInfo("seed %u: %lld requests, %d tool calls (%d cancelled, %d answered by the editor), "
          "%lld replies, peak memory %lld KiB",
          seed, qlonglong(talk.sent.size()), calls, cancelled, answers, qlonglong(replies.size()),
          peakKiB);
    QVERIFY2(talk.faults.isEmpty(), qPrintable(talk.faults.join(QStringLiteral("; "))));
}

QTEST_GUILESS_MAIN(ConversationsTest)
#include "tst_conversations.moc"
