// The server's standard streams as a client may hand them down: non-blocking from the start,
// and read slowly.

#include "liveProcesses.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <QtTest>

#include <chrono>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#endif

using namespace std::chrono_literals;

#ifdef Q_OS_UNIX
namespace
{

constexpr std::chrono::milliseconds serverWait = 30s;
// How long a server with nothing to read must stay: one that took the silence for the end of
// input would have gone in microseconds.
constexpr std::chrono::milliseconds silentInputStay = 1s;
// The slow reader's pause between two reads of the server's output.
constexpr std::chrono::milliseconds slowReadPause = 2ms;
constexpr qsizetype pictureTextBytes = 3 * 1024 * 1024;

// Makes the child's standard stream `fd` non-blocking: the flag belongs to the open pipe, as when
// a parent hands down a stream it made non-blocking itself.
std::function<void()> nonBlocking(int fd)
{
    return [fd] { ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK); };
}

QByteArray request(int id, const QByteArray& method, const QByteArray& params = {})
{
    return R"({"jsonrpc":"2.0","id":)" + QByteArray::number(id) + R"(,"method":")" + method + '"' +
           (params.isEmpty() ? QByteArray() : R"(,"params":)" + params) + "}\n";
}

// Ends the server's input; true when it then ended by itself, with status 0 and nothing on
// standard error.
bool finishServer(QProcess& server)
{
    server.closeWriteChannel();
    if (!server.waitForFinished(int(serverWait.count())))
        return false;
    return server.exitStatus() == QProcess::NormalExit && server.exitCode() == 0 &&
           server.readAllStandardError().isEmpty();
}

} // namespace
#endif

class StreamsTest : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void nonBlockingInput();
    void nonBlockingOutputReadSlowly();
};

void StreamsTest::nonBlockingInput()
{
#ifndef Q_OS_UNIX
    QSKIP("a stream handed down non-blocking is a POSIX file flag; the Windows no-wait pipe is "
          "not made by QProcess");
#else
    const QString name = uniquePipeName("nonblocking-input");
    const LiveProcess standin = startStandin(name);
    QVERIFY(standin);
    const LiveProcess server = startServer(name, nonBlocking(0));
    QVERIFY(server);
    QVERIFY2(!server->waitForFinished(int(silentInputStay.count())),
             "the server ended before any input");

    server->write(request(1, "ping"));
    QCOMPARE(readLineFrom(*server, serverWait),
             QByteArray(R"({"id":1,"jsonrpc":"2.0","result":{}})"));
    server->write(request(2, "tools/call", R"({"name":"export_status"})"));
    const std::optional<QByteArray> reply = readLineFrom(*server, serverWait);
    QVERIFY(reply);
    const QJsonObject result = QJsonDocument::fromJson(*reply)["result"].toObject();
    QCOMPARE(result.value("isError"), QJsonValue(false));
    QVERIFY(finishServer(*server));
    QVERIFY(terminatesCleanly(*standin));
#endif
}

void StreamsTest::nonBlockingOutputReadSlowly()
{
#ifndef Q_OS_UNIX
    QSKIP("a stream handed down non-blocking is a POSIX file flag; the Windows no-wait pipe is "
          "not made by QProcess");
#else
    const QString name = uniquePipeName("nonblocking-output");
    const LiveProcess standin =
        startStandin(name, {"--image-bytes", QString::number(pictureTextBytes)});
    QVERIFY(standin);
    const LiveProcess server = startServer(name, nonBlocking(1));
    QVERIFY(server);

    // Tool lists and pictures, all written at once, then the end of input: the server writes
    // the replies faster than they are read. (A ping would be answered during a call, ahead.)
    constexpr int requests = 27;
    QByteArray input;
    for (int id = 1; id <= requests; ++id)
        input += id % 3 == 0 ? request(id, "tools/call",
                                       R"({"name":"get_frame","arguments":{"seconds":1}})")
                             : request(id, "tools/list");
    server->write(input);
    server->closeWriteChannel();

    QByteArray output;
    const QDeadlineTimer deadline(serverWait);
    while (server->state() != QProcess::NotRunning && !deadline.hasExpired()) {
        QThread::msleep(slowReadPause.count());
        server->waitForReadyRead(int(slowReadPause.count()));
        output += server->readAllStandardOutput();
    }
    output += server->readAllStandardOutput();
    QCOMPARE(server->exitStatus(), QProcess::NormalExit);
    QCOMPARE(server->exitCode(), 0);
    QCOMPARE(server->readAllStandardError(), QByteArray());

    QVERIFY(output.endsWith('\n'));
    const QByteArrayList lines = output.chopped(1).split('\n');
    QCOMPARE(lines.size(), requests);
    for (int id = 1; id <= requests; ++id) {
        const QJsonObject reply = QJsonDocument::fromJson(lines.at(id - 1)).object();
        QCOMPARE(reply.value("id"), QJsonValue(id));
        if (id % 3 != 0) {
            QVERIFY(!reply["result"]["tools"].toArray().isEmpty());
            continue;
        }
        const QJsonArray content = reply["result"]["content"].toArray();
        QCOMPARE(content.size(), 2);
        const QByteArray picture = content.at(1)["data"].toString().toLatin1();
        QVERIFY(qAbs(picture.size() - pictureTextBytes) <= 4);
        QVERIFY(QByteArray::fromBase64Encoding(picture, QByteArray::AbortOnBase64DecodingErrors));
    }
    QVERIFY(terminatesCleanly(*standin));
#endif
}

QTEST_GUILESS_MAIN(StreamsTest)
#include "tst_streams.moc"
