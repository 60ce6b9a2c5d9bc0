// The built server while the editor works on a call: it keeps reading its input, answers pings
// at once, drops a cancelled call, reports progress and keeps every other request for after the
// call, against the built stand-in editor answering slowly.

#include "liveProcesses.h"
#include "processFigures.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QtTest>

#include <chrono>

using namespace std::chrono_literals;

namespace
{

// How long the server may take to answer one line, or to end after its input ends.
constexpr std::chrono::milliseconds serverWait = 30s;

// The claim of the stateless era, as the TypeScript SDK sends it, in a request's params.
const QByteArray envelope =
    R"("io.modelcontextprotocol/protocolVersion":"2026-07-28","io.modelcontextprotocol/clientCapabilities":{})";

QByteArray toolCall(const QByteArray& id, const char* tool, const QByteArray& meta = {})
{
    return R"({"jsonrpc":"2.0","id":)" + id + R"(,"method":"tools/call","params":{"name":")" +
           tool + R"(","arguments":{})" + (meta.isEmpty() ? "" : R"(,"_meta":{)" + meta + "}") +
           "}}\n";
}

QByteArray cancellation(const QByteArray& requestId, const QByteArray& meta = {})
{
    return R"({"jsonrpc":"2.0","method":"notifications/cancelled","params":{"requestId":)" +
           requestId + R"(,"reason":"user")" +
           (meta.isEmpty() ? "" : R"(,"_meta":{)" + meta + "}") + "}}\n";
}

QByteArray ping(const QByteArray& id)
{
    return R"({"jsonrpc":"2.0","id":)" + id + R"(,"method":"ping"})" + "\n";
}

QJsonObject parsed(const std::optional<QByteArray>& line)
{
    return line ? QJsonDocument::fromJson(*line).object() : QJsonObject();
}

QJsonObject nextReply(QProcess& server)
{
    return parsed(readLineFrom(server, serverWait));
}

// Whether a reply is the editor's own answer to get_project, not a failure sentence.
bool answeredByEditor(const QJsonObject& reply)
{
    const QJsonObject result = reply.value("result").toObject();
    return result.value("isError") == QJsonValue(false) &&
           result.value("content").toArray().at(0).toObject().value("text").toString().startsWith(
               "Project \"Holiday cut\"");
}

// Ends the server's input and returns every line it wrote after that, parsed; empty when it
// did not then end by itself with status 0 and nothing on standard error.
std::optional<QList<QJsonObject>> finishServer(QProcess& server)
{
    server.closeWriteChannel();
    if (!server.waitForFinished(int(serverWait.count())) ||
        server.exitStatus() != QProcess::NormalExit || server.exitCode() != 0 ||
        !server.readAllStandardError().isEmpty())
        return std::nullopt;
    QList<QJsonObject> rest;
    for (const QByteArray& line : server.readAllStandardOutput().split('\n')) {
        if (!line.isEmpty())
            rest.append(QJsonDocument::fromJson(line).object());
    }
    return rest;
}

// The tools the stand-in (run with --verbose) was asked for, once it has ended.
QStringList toolsAsked(QProcess& standin)
{
    QStringList tools;
    for (const QByteArray& line : standin.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> words = line.trimmed().split(' ');
        if (words.size() >= 4 && words.at(0) == "request" && words.at(1).toLongLong() > 0)
            tools.append(QString::fromUtf8(words.at(2)));
    }
    return tools;
}

} // namespace

class ResponsiveTest : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init();
    void pingIsAnsweredAheadOfTheCall();
    void otherRequestsWaitTheirTurn();
    void cancel_data();
    void cancel();
    void cancelledWhileTheEditorIsSilent();
    void cancelledBeforeItReachesTheEditor();
    void otherCancellationsAreIgnored();
    void progress_data();
    void progress();
    void queuedCallsHearTheyWait();
    void inputEndsDuringTheCall();
    void floodWhileTheCallWaits();

  private:
    QString name;
};

void ResponsiveTest::init()
{
    name = uniquePipeName(QTest::currentTestFunction());
}

// The editor never answers, so every ping is surely answered while the call waits; the call
// then ends with its cancellation.
void ResponsiveTest::pingIsAnsweredAheadOfTheCall()
{
    const LiveProcess standin = startStandin(name, {"--mode", "silent"});
    QVERIFY(standin);
    const LiveProcess server = startServer(name);
    QVERIFY(server);

    server->write(toolCall("1", "get_project"));
    server->write(ping("2"));
    QCOMPARE(nextReply(*server),
             QJsonObject({{"jsonrpc", "2.0"}, {"id", 2}, {"result", QJsonObject()}}));
    // The input is still read while the call waits: a ping that comes later is answered too.
    server->write(ping(R"("later")"));
    QCOMPARE(nextReply(*server),
             QJsonObject({{"jsonrpc", "2.0"}, {"id", "later"}, {"result", QJsonObject()}}));
    server->write(cancellation("1"));

    const auto rest = finishServer(*server);
    QVERIFY(rest);
    QVERIFY(rest->isEmpty());
}

void ResponsiveTest::otherRequestsWaitTheirTurn()
{
    const LiveProcess standin = startStandin(name, {"--mode", "slow", "--delay-ms", "1000"});
    QVERIFY(standin);
    const LiveProcess server = startServer(name);
    QVERIFY(server);

    // All in one write, so that the server has every line in hand while the first call waits.
    server->write(toolCall("1", "get_project") +
                  R"({"jsonrpc":"2.0","id":2,"method":"tools/list"})"
                  "\n" +
                  toolCall(R"("three")", "get_project") +
                  // A ping of the stateless era is no ping: it waits its turn and is refused.
                  R"({"jsonrpc":"2.0","id":4,"method":"ping","params":{"_meta":{)" + envelope +
                  "}}}\n"
                  R"({"jsonrpc":"2.0","method":"notifications/initialized"})"
                  "\n" +
                  ping("5") +
                  R"({"jsonrpc":"2.0","id":6,"method":"initialize","params":{}})"
                  "\n");

    QList<QJsonValue> order;
    QList<QJsonObject> replies;
    for (int i = 0; i < 6; ++i) {
        replies.append(nextReply(*server));
        order.append(replies.last().value("id"));
    }
    QCOMPARE(order, QList<QJsonValue>({5, 1, 2, "three", 4, 6}));
    QVERIFY(answeredByEditor(replies.at(1)));
    QCOMPARE(replies.at(2).value("result").toObject().value("tools").toArray().size(), 54);
    QVERIFY(answeredByEditor(replies.at(3)));
    QCOMPARE(replies.at(4).value("error").toObject().value("code"), QJsonValue(-32601));
    QCOMPARE(replies.at(5).value("result").toObject().value("protocolVersion"),
             QJsonValue("2025-11-25"));
    const auto rest = finishServer(*server);
    QVERIFY(rest);
    QVERIFY(rest->isEmpty());
}

void ResponsiveTest::cancel_data()
{
    QTest::addColumn<QByteArray>("id");
    QTest::addColumn<QByteArray>("meta");
    QTest::newRow("handshake era") << QByteArray("1") << QByteArray();
    QTest::newRow("handshake era, string id, progress asked for")
        << QByteArray(R"("call-1")") << QByteArray(R"("progressToken":"p")");
    QTest::newRow("stateless era: the cancellation carries the claim too")
        << QByteArray("7") << envelope;
}

// The cancelled call gets no reply, ever; the next call reaches the editor on a new connection
// and gets its own answer, never the late answer to the cancelled one.
void ResponsiveTest::cancel()
{
    QFETCH(QByteArray, id);
    QFETCH(QByteArray, meta);
    const LiveProcess standin =
        startStandin(name, {"--mode", "slow", "--delay-ms", "1500", "--verbose"});
    QVERIFY(standin);
    const LiveProcess server = startServer(name);
    QVERIFY(server);

    server->write(toolCall(id, "get_project", meta));
    QVERIFY(server->waitForBytesWritten(int(serverWait.count())));
    // Cancelled once the editor has the question, so that its answer comes late.
    QVERIFY(waitForLine(*standin, "request 1 get_project {}", serverWait));
    server->write(cancellation(id, meta == envelope ? envelope : QByteArray()));
    server->write(ping("100"));
    QCOMPARE(nextReply(*server).value("id"), QJsonValue(100));
    server->write(toolCall("101", "get_project", meta));
    const QJsonObject next = nextReply(*server);
    QCOMPARE(next.value("id"), QJsonValue(101));
    QVERIFY2(answeredByEditor(next), QJsonDocument(next).toJson());

    const auto rest = finishServer(*server);
    QVERIFY(rest);
    QVERIFY(rest->isEmpty());
    QVERIFY(terminatesCleanly(*standin));
    QCOMPARE(toolsAsked(*standin), QStringList({"get_project", "get_project"}));
}

// The wait ends with the cancellation, not with the editor: the server, its input ended, is
// gone long before the editor's time is up.
void ResponsiveTest::cancelledWhileTheEditorIsSilent()
{
    const LiveProcess standin = startStandin(name, {"--mode", "silent"});
    QVERIFY(standin);
    const LiveProcess server = startServer(name);
    QVERIFY(server);

    server->write(toolCall(R"("s")", "find_highlights"));
    server->write(ping("1"));
    QCOMPARE(nextReply(*server).value("id"), QJsonValue(1));
    server->write(cancellation(R"("s")"));
    const auto rest = finishServer(*server);
    QVERIFY(rest);
    QVERIFY(rest->isEmpty());
}

void ResponsiveTest::cancelledBeforeItReachesTheEditor()
{
    const LiveProcess standin =
        startStandin(name, {"--mode", "slow", "--delay-ms", "1000", "--verbose"});
    QVERIFY(standin);
    const LiveProcess server = startServer(name);
    QVERIFY(server);

    server->write(toolCall("1", "get_project") + toolCall("2", "list_media") + cancellation("2"));
    const QJsonObject first = nextReply(*server);
    QCOMPARE(first.value("id"), QJsonValue(1));
    QVERIFY(answeredByEditor(first));
    server->write(ping("3"));
    QCOMPARE(nextReply(*server).value("id"), QJsonValue(3));

    const auto rest = finishServer(*server);
    QVERIFY(rest);
    QVERIFY(rest->isEmpty());
    QVERIFY(terminatesCleanly(*standin));
    QCOMPARE(toolsAsked(*standin), QStringList({"get_project"}));
}

void ResponsiveTest::otherCancellationsAreIgnored()
{
    const LiveProcess standin = startStandin(name, {"--mode", "slow", "--delay-ms", "1000"});
    QVERIFY(standin);
    const LiveProcess server = startServer(name);
    QVERIFY(server);

    server->write(toolCall("1", "get_project"));
    server->write(cancellation("99"));
    server->write(cancellation(R"("1")"));
    server->write(cancellation("null"));
    server->write(R"({"jsonrpc":"2.0","method":"notifications/cancelled","params":{}})"
                  "\n");
    server->write(R"({"jsonrpc":"2.0","method":"notifications/cancelled"})"
                  "\n");
    server->write("{\"jsonrpc\":\"2.0\",\"method\":\"notifications/cancelled\"\n");
    // With an id it is a request, not a cancellation.
    server->write(
        R"({"jsonrpc":"2.0","id":2,"method":"notifications/cancelled","params":{"requestId":1}})"
        "\n");

    const QJsonObject call = nextReply(*server);
    QCOMPARE(call.value("id"), QJsonValue(1));
    QVERIFY(answeredByEditor(call));
    const QJsonObject parseError = nextReply(*server);
    QCOMPARE(parseError.value("error").toObject().value("code"), QJsonValue(-32700));
    QCOMPARE(nextReply(*server).value("error").toObject().value("code"), QJsonValue(-32601));
    const auto rest = finishServer(*server);
    QVERIFY(rest);
    QVERIFY(rest->isEmpty());
}

void ResponsiveTest::progress_data()
{
    QTest::addColumn<QByteArray>("meta");
    QTest::addColumn<QJsonValue>("token");
    QTest::newRow("handshake era, string token")
        << QByteArray(R"("progressToken":"tok-1")") << QJsonValue("tok-1");
    QTest::newRow("stateless era, integer token")
        << QByteArray(R"("progressToken":12,)" + envelope) << QJsonValue(12);
    QTest::newRow("no token, no progress")
        << QByteArray(R"("other":1)") << QJsonValue(QJsonValue::Undefined);
}

// A call waiting longer than the progress interval reports once, then replies; nothing after.
void ResponsiveTest::progress()
{
    QFETCH(QByteArray, meta);
    QFETCH(QJsonValue, token);
    const LiveProcess standin = startStandin(name, {"--mode", "slow", "--delay-ms", "6500"});
    QVERIFY(standin);
    const LiveProcess server = startServer(name);
    QVERIFY(server);

    server->write(toolCall("1", "transcribe", meta));
    QJsonObject reply = nextReply(*server);
    if (!token.isUndefined()) {
        QCOMPARE(reply.value("method"), QJsonValue("notifications/progress"));
        QVERIFY(!reply.contains("id"));
        const QJsonObject params = reply.value("params").toObject();
        QCOMPARE(params.value("progressToken"), token);
        QCOMPARE(params.value("progress"), QJsonValue(5));
        QVERIFY(params.value("message").toString().contains("transcribe"));
        reply = nextReply(*server);
    }
    QCOMPARE(reply.value("id"), QJsonValue(1));
    QCOMPARE(reply.value("result").toObject().value("isError"), QJsonValue(false));
    QCOMPARE(reply.value("result").toObject().contains("resultType"), meta.contains("2026-07-28"));

    const auto rest = finishServer(*server);
    QVERIFY(rest);
    QVERIFY(rest->isEmpty());
}

// Calls sent together wait behind the running one and are told so, while their clients' clocks
// run; then one reports as it runs, its progress still growing. A cancelled one hears no more.
void ResponsiveTest::queuedCallsHearTheyWait()
{
    const LiveProcess standin =
        startStandin(name, {"--mode", "slow", "--delay-ms", "6500", "--verbose"});
    QVERIFY(standin);
    const LiveProcess server = startServer(name);
    QVERIFY(server);

    server->write(toolCall("1", "get_project") +
                  toolCall("2", "list_clips", R"("progressToken":"q")") +
                  toolCall("3", "list_media", R"("progressToken":"c")"));
    // Each report, with the number of replies written before it.
    QMap<QString, QList<std::pair<qsizetype, QJsonObject>>> reports;
    QList<QJsonValue> replies;
    while (replies.size() < 2) {
        const QJsonObject line = nextReply(*server);
        QVERIFY2(!line.isEmpty(), "no more lines");
        if (line.contains("id")) {
            replies.append(line.value("id"));
            continue;
        }
        QCOMPARE(line.value("method"), QJsonValue("notifications/progress"));
        const QJsonObject params = line.value("params").toObject();
        const QString token = params.value("progressToken").toString();
        reports[token].append({replies.size(), params});
        if (token == QLatin1String("c"))
            server->write(cancellation("3"));
    }
    QCOMPARE(replies, QList<QJsonValue>({1, 2}));
    QCOMPARE(reports.keys(), QStringList({"c", "q"}));

    // While the first call runs, the second waits; then it runs.
    double last = 0;
    QList<qsizetype> phases;
    for (const auto& [repliedBefore, params] : reports.value("q")) {
        const QString message = params.value("message").toString();
        QVERIFY2(message.contains("list_clips"), qPrintable(message));
        QVERIFY2(
            message.contains(repliedBefore == 0 ? "waits for an earlier call" : "still working on"),
            qPrintable(message));
        QVERIFY(params.value("progress").toDouble() > last);
        last = params.value("progress").toDouble();
        if (phases.isEmpty() || phases.last() != repliedBefore)
            phases.append(repliedBefore);
    }
    QCOMPARE(phases, QList<qsizetype>({0, 1}));

    const auto cancelled = reports.value("c");
    QCOMPARE(cancelled.size(), 1);
    QVERIFY(cancelled.at(0).second.value("message").toString().contains("list_media"));

    const auto rest = finishServer(*server);
    QVERIFY(rest);
    QVERIFY(rest->isEmpty());
    QVERIFY(terminatesCleanly(*standin));
    QCOMPARE(toolsAsked(*standin), QStringList({"get_project", "list_clips"}));
}

// The call's reply is still written, and the requests already read are still answered.
void ResponsiveTest::inputEndsDuringTheCall()
{
    const LiveProcess standin = startStandin(name, {"--mode", "slow", "--delay-ms", "1000"});
    QVERIFY(standin);
    const LiveProcess server = startServer(name);
    QVERIFY(server);

    server->write(toolCall("1", "get_project") + ping("2"));
    server->write(R"({"jsonrpc":"2.0","id":3,"method":"tools/list"})");
    const auto replies = finishServer(*server);
    QVERIFY(replies);
    QCOMPARE(replies->size(), 3);
    QCOMPARE(replies->at(0).value("id"), QJsonValue(2));
    QCOMPARE(replies->at(1).value("id"), QJsonValue(1));
    QVERIFY(answeredByEditor(replies->at(1)));
    QCOMPARE(replies->at(2).value("id"), QJsonValue(3));
}

// A client that writes far faster than it is answered while a call waits: the server holds a
// bounded part of it, leaves the rest in the pipe, and then answers every request, in order.
void ResponsiveTest::floodWhileTheCallWaits()
{
    constexpr qsizetype floodBytes = 150 * 1000 * 1000;
    constexpr qint64 peakLimitKiB = 100 * 1024;
    const LiveProcess standin = startStandin(name, {"--mode", "slow", "--delay-ms", "10000"});
    QVERIFY(standin);
    const LiveProcess server = startServer(name);
    QVERIFY(server);
    if (peakResidentKiB(server->processId()) < 0)
        QSKIP("this system does not tell a process's peak resident memory");

    // Requests of about 1 KB that wait their turn and are answered in a short line each.
    const QByteArray pad(1000, 'x');
    QByteArray flood;
    flood.reserve(floodBytes + 2048);
    int requests = 0;
    while (flood.size() < floodBytes)
        flood += R"({"jsonrpc":"2.0","id":)" + QByteArray::number(++requests) +
                 R"(,"method":"kestrova/none","params":{"pad":")" + pad + "\"}}\n";
    server->write(toolCall("0", "get_project"));
    server->write(flood);
    flood = QByteArray();

    const QJsonObject call = nextReply(*server);
    QCOMPARE(call.value("id"), QJsonValue(0));
    QVERIFY(answeredByEditor(call));
    for (int id = 1; id <= requests; ++id) {
        const QJsonObject reply = nextReply(*server);
        QCOMPARE(reply.value("id"), QJsonValue(id));
        QCOMPARE(reply.value("error").toObject().value("code"), QJsonValue(-32601));
    }
    const qint64 peakKiB = peakResidentKiB(server->processId());
    qInfo("%d requests behind the call; peak resident memory %lld KiB", requests, peakKiB);
    QVERIFY2(peakKiB < peakLimitKiB + memoryAllowanceKiB(),
             qPrintable(QStringLiteral("%1 KiB").arg(peakKiB)));

    // A line of 40 MB, then two pings: once the second is answered, the server has read past the
    // long line, and the room it took is given back.
    constexpr qsizetype longLineBytes = 40 * 1024 * 1024;
    constexpr qint64 afterLongLineLimitKiB = 40 * 1024;
    server->write(R"({"jsonrpc":"2.0","id":"long","method":"ping","params":{"pad":")" +
                  QByteArray(longLineBytes, 'x') + "\"}}\n" + ping(R"("after")"));
    QCOMPARE(nextReply(*server).value("id"), QJsonValue("long"));
    QCOMPARE(nextReply(*server).value("id"), QJsonValue("after"));
    server->write(ping(R"("last")"));
    QCOMPARE(nextReply(*server).value("id"), QJsonValue("last"));
    const qint64 afterKiB = residentKiB(server->processId());
    QVERIFY2(afterKiB < afterLongLineLimitKiB + memoryAllowanceKiB(),
             qPrintable(QStringLiteral("%1 KiB").arg(afterKiB)));
    const auto rest = finishServer(*server);
    QVERIFY(rest);
    QVERIFY(rest->isEmpty());
}

QTEST_GUILESS_MAIN(ResponsiveTest)
#include "tst_responsive.moc"
