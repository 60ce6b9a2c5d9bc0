// The stand-in editor misbehaves, dies and comes back at random moments while the built server
// carries tool call after tool call: every request is answered exactly once, in order, with the
// editor's own answer to it or with a failure sentence, and the server neither hangs nor dies.

#include "expectedSentences.h"
#include "liveProcesses.h"

#include "editor/editorExchange.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QThread>
#include <QtTest>

namespace
{

constexpr int defaultCalls = 2000;
constexpr quint32 defaultSeed = 20261209;
// The server's own limits, and room for a loaded machine.
constexpr std::chrono::milliseconds replyTimeout =
    editorConnectTimeout + editorReplyDataTimeout + std::chrono::milliseconds(5000);

// What a call must get while the editor behaves one way and lives through the call.
enum class Outcome { Answer, Refusal, Any };

struct Behaviour {
    const char* mode; // nullptr: the editor is not running
    int weight;
    int longestEpisode; // calls
    Outcome outcome;
};

// How the editor behaves between two restarts. A silent editor costs a full wait for reply data
// per call, so it joins only when KESTROVA_FAULT_SILENT is set.
const Behaviour behaviours[] = {
    {"normal", 6, 20, Outcome::Answer}, // A call written while the editor is still closing the last
                                        // connection finds it closed.
    {"close-after", 2, 10, Outcome::Any},
    {"trickle", 1, 1, Outcome::Answer},
    {"error", 1, 5, Outcome::Refusal},
    {"drop-mid-reply", 2, 5, Outcome::Any},
    {"exit-before-reply", 2, 5, Outcome::Any},
    {"two-lines", 1, 6, Outcome::Answer},
    {"wrong-id", 1, 3, Outcome::Any},
    {"not-json", 1, 3, Outcome::Any},
    {"string-id", 1, 3, Outcome::Any},
    {nullptr, 2, 5, Outcome::Any},
    {"silent", 1, 1, Outcome::Any},
};

int settingOr(const char* name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok && value > 0 ? value : fallback;
}

const Behaviour& pickBehaviour(QRandomGenerator& random, bool withSilence)
{
    int total = 0;
    for (const Behaviour& behaviour : behaviours)
        total += withSilence || qstrcmp(behaviour.mode, "silent") != 0 ? behaviour.weight : 0;
    int pick = random.bounded(total);
    for (const Behaviour& behaviour : behaviours) {
        if (!withSilence && qstrcmp(behaviour.mode, "silent") == 0)
            continue;
        if ((pick -= behaviour.weight) < 0)
            return behaviour;
    }
    return behaviours[0];
}

QByteArray toolCall(int id)
{
    return R"({"jsonrpc":"2.0","id":)" + QByteArray::number(id) +
           R"(,"method":"tools/call","params":{"name":"get_frame","arguments":{"at_seconds":)" +
           QByteArray::number(id) + "}}}\n";
}

// Why the reply is not one of the answers allowed for call `id`; empty when it is.
QString fault(const QByteArray& line, int id, Outcome outcome)
{
    const QJsonObject reply = QJsonDocument::fromJson(line).object();
    if (reply.value("id").toInt() != id)
        return QStringLiteral("the reply belongs to another call");
    const QJsonObject result = reply.value("result").toObject();
    const QJsonArray content = result.value("content").toArray();
    const QString text = content.at(0).toObject().value("text").toString();
    const bool refusal = text.startsWith(QStringLiteral("Kestrova could not do"));
    if (!result.value("isError").toBool(true)) {
        const bool itsOwn = text.contains(QStringLiteral("(at_seconds %1)").arg(id));
        if (!itsOwn || content.size() != 2)
            return QStringLiteral("an answer to another question");
        return outcome == Outcome::Refusal ? QStringLiteral("an answer instead of the refusal")
                                           : QString();
    }
    if (outcome == Outcome::Answer)
        return QStringLiteral("a failure instead of the answer");
    if (outcome == Outcome::Refusal && !refusal)
        return QStringLiteral("another failure instead of the refusal");
    const QStringList failures{notRunningSentence, silentSentence, strayAnswerSentence};
    if (content.size() == 1 && (failures.contains(text) || refusal))
        return QString();
    return QStringLiteral("an unexpected failure");
}

} // namespace

class FaultTest : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void everyCallAnsweredOnceInOrder();
    void repliesLeaveBeforeTheEditorIsAwaited();
};

void FaultTest::everyCallAnsweredOnceInOrder()
{
    const int calls = settingOr("KESTROVA_FAULT_CALLS", defaultCalls);
    const quint32 seed = quint32(settingOr("KESTROVA_FAULT_SEED", int(defaultSeed)));
    const bool withSilence = qEnvironmentVariableIsSet("KESTROVA_FAULT_SILENT");
    qInfo("%d calls, seed %u%s", calls, seed, withSilence ? ", with silent editors" : "");
    QRandomGenerator random(seed);

    const QString name = uniquePipeName("faults");
    const LiveProcess server = startServer(name);
    QVERIFY(server);
    LiveProcess standin;
    int episodeLeft = 0;
    Outcome outcome = Outcome::Any;
    const char* mode = nullptr;
    int restarts = 0;
    int answered = 0;
    qint64 slowestMs = 0;

    for (int id = 1; id <= calls; ++id) {
        if (episodeLeft-- <= 0) {
            standin.reset();
            const Behaviour& next = pickBehaviour(random, withSilence);
            episodeLeft = random.bounded(next.longestEpisode);
            outcome = next.outcome;
            mode = next.mode;
            if (next.mode) {
                QStringList options{QStringLiteral("--mode"), QString::fromLatin1(next.mode)};
                if (random.bounded(4) == 0) // large answers, so that a kill can cut one
                    options << QStringLiteral("--image-bytes") << QStringLiteral("400000");
                standin = startStandin(name, options);
                QVERIFY(standin);
                ++restarts;
            }
        }

        QElapsedTimer clock;
        clock.start();
        server->write(toolCall(id));
        Outcome expected = outcome;
        if (standin && random.bounded(30) == 0) {
            // Killed at a random moment of the exchange: before, during or after its answer.
            QThread::usleep(random.bounded(3000));
            standin->kill();
            standin->waitForFinished();
            episodeLeft = 0;
            expected = Outcome::Any;
        }
        const std::optional<QByteArray> line = readLineFrom(*server, replyTimeout);
        QVERIFY2(line, qPrintable(QStringLiteral("no reply to call %1").arg(id)));
        const QString why = fault(*line, id, expected);
        QVERIFY2(why.isEmpty(), qPrintable(QStringLiteral("call %1, editor %2: %3: %4")
                                               .arg(id)
                                               .arg(QLatin1String(mode ? mode : "stopped"), why,
                                                    QString::fromUtf8(line->left(400)))));
        answered += QJsonDocument::fromJson(*line)["result"]["isError"].toBool() ? 0 : 1;
        slowestMs = qMax(slowestMs, clock.elapsed());
    }
    qInfo("%d of %d calls got the editor's answer; %d editor starts; slowest reply %lld ms",
          answered, calls, restarts, slowestMs);

    server->closeWriteChannel();
    QVERIFY(server->waitForFinished(int(replyTimeout.count())));
    QCOMPARE(server->exitStatus(), QProcess::NormalExit);
    QCOMPARE(server->exitCode(), 0);
    QCOMPARE(server->readAllStandardOutput(), QByteArray());
    QCOMPARE(server->readAllStandardError(), QByteArray());
}

// Requests that arrive together are answered together, but never held back while the server
// waits for an editor that takes its time.
void FaultTest::repliesLeaveBeforeTheEditorIsAwaited()
{
    const QString name = uniquePipeName("held");
    const LiveProcess standin =
        startStandin(name, {QStringLiteral("--mode"), QStringLiteral("silent")});
    QVERIFY(standin);
    const LiveProcess server = startServer(name);
    QVERIFY(server);
    server->write(
        R"({"jsonrpc":"2.0","id":1,"method":"ping"})"
        "\n"
        R"({"jsonrpc":"2.0","id":2,"method":"ping"})"
        "\n"
        R"({"jsonrpc":"2.0","id":3,"method":"tools/call","params":{"name":"get_project"}})"
        "\n");
    constexpr std::chrono::milliseconds prompt{5000};
    QCOMPARE(readLineFrom(*server, prompt), QByteArray(R"({"id":1,"jsonrpc":"2.0","result":{}})"));
    QCOMPARE(readLineFrom(*server, prompt), QByteArray(R"({"id":2,"jsonrpc":"2.0","result":{}})"));
}

QTEST_GUILESS_MAIN(FaultTest)
#include "tst_faults.moc"
