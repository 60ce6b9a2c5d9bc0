// Tool call after tool call through the built server and the stand-in editor: every call is
// answered, and the server's memory and open files stay flat.

#include "liveProcesses.h"
#include "processFigures.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace
{

constexpr int defaultCalls = 100000;
// Where the server's memory and open files cannot be measured, the calls prove only that every
// answer comes whole and the server ends cleanly, which this many calls show as well.
constexpr int callsWithoutFigures = 5000;
constexpr int settledAfterCalls = 1000;
constexpr std::chrono::milliseconds replyTimeout{10000};
// Room for the allocator's own bookkeeping; a leak of even a few bytes a call exceeds it.
constexpr qint64 allowedGrowthKiB = 512;

// KESTROVA_SOAK_CALLS sets how many calls to make.
int callCount(bool figuresMeasured)
{
    bool ok = false;
    const int calls = qEnvironmentVariableIntValue("KESTROVA_SOAK_CALLS", &ok);
    if (ok && calls > settledAfterCalls)
        return calls;
    return figuresMeasured ? defaultCalls : callsWithoutFigures;
}

QByteArray toolCall(int id)
{
    // Every tenth call brings a picture back.
    const QByteArray tool = id % 10 == 0 ? "get_frame" : "get_project";
    return R"({"jsonrpc":"2.0","id":)" + QByteArray::number(id) +
           R"(,"method":"tools/call","params":{"name":")" + tool +
           R"(","arguments":{"at_seconds":)" + QByteArray::number(id) + "}}}\n";
}

struct Figures {
    qint64 residentKiB = -1;
    int openFiles = -1;
};

Figures measure(const QProcess& server)
{
    return {residentKiB(server.processId()), openFileCount(server.processId())};
}

} // namespace

class SoakTest : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void manyCallsKeepMemoryAndFilesFlat();
};

void SoakTest::manyCallsKeepMemoryAndFilesFlat()
{
    const QString name = uniquePipeName("soak");
    const LiveProcess standin = startStandin(name);
    QVERIFY(standin);
    const LiveProcess server = startServer(name);
    QVERIFY(server);

    const Figures start = measure(*server);
    const int calls = callCount(start.residentKiB >= 0);
    qInfo("%d calls", calls);
    Figures settled;
    for (int id = 1; id <= calls; ++id) {
        server->write(toolCall(id));
        const std::optional<QByteArray> line = readLineFrom(*server, replyTimeout);
        QVERIFY2(line, qPrintable(QStringLiteral("no reply to call %1").arg(id)));
        const QJsonObject reply = QJsonDocument::fromJson(*line).object();
        QCOMPARE(reply.value("id").toInt(), id);
        const QJsonObject result = reply.value("result").toObject();
        if (result.value("isError").toBool(true))
            QFAIL(line->constData());
        QCOMPARE(result.value("content").toArray().size(), id % 10 == 0 ? 2 : 1);
        if (id == settledAfterCalls)
            settled = measure(*server);
    }
    const Figures last = measure(*server);
    server->closeWriteChannel();
    QVERIFY(server->waitForFinished(int(replyTimeout.count())));
    QCOMPARE(server->exitCode(), 0);
    QCOMPARE(server->readAllStandardError(), QByteArray());
    QCOMPARE(server->readAllStandardOutput(), QByteArray());

    qInfo("after %d calls: %lld KiB resident, %d open files", settledAfterCalls,
          settled.residentKiB, settled.openFiles);
    qInfo("after %d calls: %lld KiB resident, %d open files", calls, last.residentKiB,
          last.openFiles);
    if (settled.residentKiB < 0 || last.residentKiB < 0)
        QSKIP("this system does not tell a process's resident memory and open files (Wine "
              "gives figures that do not follow a process's allocations)");
    QVERIFY2(
        last.residentKiB - settled.residentKiB <= allowedGrowthKiB + memoryAllowanceKiB(),
        qPrintable(QStringLiteral("grew by %1 KiB").arg(last.residentKiB - settled.residentKiB)));
    if (settled.openFiles < 0 || last.openFiles < 0)
        QSKIP("memory measured; this system does not tell how many files a process holds "
              "open");
    QCOMPARE(last.openFiles, settled.openFiles);
}

QTEST_GUILESS_MAIN(SoakTest)
#include "tst_soak.moc"
