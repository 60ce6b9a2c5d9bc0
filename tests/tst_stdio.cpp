// The built server over its real standard streams: line framing, silence where due, exit status.

#include "processLifetime.h"

#include <QJsonDocument>
#include <QProcess>
#include <QtTest>

namespace
{

constexpr int processWaitMs = 30000;

const QByteArray pingReply = R"({"jsonrpc":"2.0","id":1,"result":{}})";

struct Run {
    QByteArray out;
    QByteArray err;
    int exitCode = -1;
    QProcess::ExitStatus exitStatus = QProcess::CrashExit;
};

// Runs the server on `input` with no editor reachable and waits for it to end.
Run runServer(const QByteArray& input)
{
    QProcess server;
    endWithThisProcess(server);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("KESTROVA_AI_PIPE", "kestrova-test-nobody-listens-here");
    server.setProcessEnvironment(environment);
    server.start(KESTROVA_MCP_BINARY, QStringList());
    if (!server.waitForStarted(processWaitMs))
        return {};
    server.write(input);
    server.closeWriteChannel();
    Run run;
    if (!server.waitForFinished(processWaitMs)) {
        server.kill();
        server.waitForFinished(processWaitMs);
        return run;
    }
    run.out = server.readAllStandardOutput();
    run.err = server.readAllStandardError();
    run.exitCode = server.exitCode();
    run.exitStatus = server.exitStatus();
    return run;
}

} // namespace

class StdioTest : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void framing_data();
    void framing();
    void veryLongLine();
    void manyLinesInOneWrite();
    void answersEachLineBeforeTheNextArrives();
};

void StdioTest::framing_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArrayList>("expected");

    const QByteArray ping = R"({"jsonrpc":"2.0","id":1,"method":"ping"})";
    const QByteArray ping2 = R"({"jsonrpc":"2.0","id":2,"method":"ping"})";
    const QByteArray pingReply2 = R"({"jsonrpc":"2.0","id":2,"result":{}})";

    QTest::newRow("line feed") << ping + "\n" << QByteArrayList{pingReply};
    QTest::newRow("carriage return and line feed") << ping + "\r\n" << QByteArrayList{pingReply};
    QTest::newRow("last line without a line feed") << ping << QByteArrayList{pingReply};
    QTest::newRow("last line with a lone carriage return")
        << ping + "\r" << QByteArrayList{pingReply};
    QTest::newRow("two carriage returns keep one: JSON takes it as white space")
        << ping + "\r\r\n"
        << QByteArrayList{pingReply};
    QTest::newRow("a line of two carriage returns is handed on with one of them")
        << QByteArray("\r\r\n")
        << QByteArrayList{R"({"jsonrpc":"2.0","id":null,"error":{"code":-32700,"message":"*"}})"};
    QTest::newRow("empty lines and lone carriage returns are silent")
        << "\n\r\n\n" + ping + "\n\r\n\n"
        << QByteArrayList{pingReply};
    QTest::newRow("a line of spaces is a parse error")
        << QByteArray("   \n")
        << QByteArrayList{R"({"jsonrpc":"2.0","id":null,"error":{"code":-32700,"message":"*"}})"};
    QTest::newRow("notifications write nothing, not even a line")
        << QByteArray(R"({"jsonrpc":"2.0","method":"notifications/initialized"})"
                      "\n"
                      R"({"method":"tools/call","params":{"name":"get_project"}})"
                      "\n") +
               ping + "\n"
        << QByteArrayList{pingReply};
    QTest::newRow("malformed lines do not stop the server")
        << "{\n[1,2]\n" + ping + "\n" + ping2
        << QByteArrayList{
               R"({"jsonrpc":"2.0","id":null,"error":{"code":-32700,"message":"*"}})",
               R"({"jsonrpc":"2.0","id":null,"error":{"code":-32600,"message":"A message must be one JSON object."}})",
               pingReply, pingReply2};
    QTest::newRow("a tool call with no editor is a tool result, not an error")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":5,"method":"tools/call","params":{"name":"get_project"}})")
        << QByteArrayList{
               R"({"jsonrpc":"2.0","id":5,"result":{"content":[{"type":"text","text":"Kestrova does not answer. It must be running with the AI connection switched on: in Kestrova, File > Settings > AI connection. Ask the user to do that, then try again."}],"isError":true}})"};
    QTest::newRow("no input at all") << QByteArray() << QByteArrayList{};
    QTest::newRow("a NUL byte inside a line is a parse error, not the end of the line")
        << QByteArray("{\"id\":1,\0\"method\":\"ping\"}\n", 26) + ping2
        << QByteArrayList{R"({"jsonrpc":"2.0","id":null,"error":{"code":-32700,"message":"*"}})",
                          pingReply2};
}

void StdioTest::framing()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArrayList, expected);

    const Run run = runServer(input);
    QCOMPARE(run.exitStatus, QProcess::NormalExit);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QByteArray());
    QVERIFY(!run.out.contains('\r'));
    QVERIFY(expected.isEmpty() ? run.out.isEmpty() : run.out.endsWith('\n'));

    QByteArrayList lines = run.out.split('\n');
    lines.removeLast();
    QCOMPARE(lines.size(), expected.size());
    for (int i = 0; i < lines.size(); ++i) {
        const QJsonDocument got = QJsonDocument::fromJson(lines.at(i));
        QVERIFY2(got.isObject(), lines.at(i).constData());
        QCOMPARE(lines.at(i), got.toJson(QJsonDocument::Compact));
        QJsonObject gotObject = got.object();
        QJsonObject wantObject = QJsonDocument::fromJson(expected.at(i)).object();
        // "*" stands for the parser's own wording, which must still make a sentence.
        const QJsonObject wantError = wantObject.value("error").toObject();
        if (wantError.value("message").toString() == "*") {
            const QString message = gotObject.value("error").toObject().value("message").toString();
            QVERIFY2(message.startsWith("This is not JSON: ") && message.endsWith('.'),
                     qPrintable(message));
            QJsonObject error = gotObject.value("error").toObject();
            error.insert("message", "*");
            gotObject.insert("error", error);
        }
        QCOMPARE(gotObject, wantObject);
    }
}

void StdioTest::veryLongLine()
{
    // A 40 MB line is read whole: its id comes back after the long padding member.
    const QByteArray padding(40 * 1024 * 1024, 'x');
    const QByteArray input = R"({"method":"ping","pad":")" + padding + R"(","id":"long"})" + "\n";
    const Run run = runServer(input);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.out, QByteArray(R"({"id":"long","jsonrpc":"2.0","result":{}})"
                                 "\n"));
}

void StdioTest::manyLinesInOneWrite()
{
    QByteArray input;
    QByteArray expected;
    for (int id = 1; id <= 5000; ++id) {
        input += R"({"jsonrpc":"2.0","id":)" + QByteArray::number(id) + R"(,"method":"ping"})" +
                 (id % 2 ? "\r\n" : "\n");
        expected +=
            R"({"id":)" + QByteArray::number(id) + R"(,"jsonrpc":"2.0","result":{}})" + "\n";
    }
    const Run run = runServer(input);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, expected);
}

void StdioTest::answersEachLineBeforeTheNextArrives()
{
    // The reply is flushed at once: the client gets it while the server still waits for input.
    QProcess server;
    endWithThisProcess(server);
    server.start(KESTROVA_MCP_BINARY, QStringList());
    QVERIFY(server.waitForStarted(processWaitMs));
    for (int id = 1; id <= 3; ++id) {
        server.write(R"({"jsonrpc":"2.0","method":"ping","id":)" + QByteArray::number(id) + "}\n");
        QByteArray reply;
        const QDeadlineTimer deadline(processWaitMs);
        while (!reply.endsWith('\n') && !deadline.hasExpired()) {
            server.waitForReadyRead(int(deadline.remainingTime()));
            reply += server.readAllStandardOutput();
        }
        QCOMPARE(reply,
                 R"({"id":)" + QByteArray::number(id) + R"(,"jsonrpc":"2.0","result":{}})" + "\n");
    }
    server.closeWriteChannel();
    QVERIFY(server.waitForFinished(processWaitMs));
    QCOMPARE(server.exitCode(), 0);
    QCOMPARE(server.readAllStandardError(), QByteArray());
}

QTEST_GUILESS_MAIN(StdioTest)
#include "tst_stdio.moc"
