// Tool calls end to end: the built server on its real standard streams, with the built
// stand-in editor behind it.

#include "expectedSentences.h"
#include "liveProcesses.h"

#include "base/jsonText.h"

#include <QDeadlineTimer>
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
// How long the stand-in's note of a request it received may lag behind its answer.
constexpr std::chrono::milliseconds standinNoteWait = 5s;

// Writes one request line and returns the reply line, parsed; the empty object when none came.
QJsonObject exchange(QProcess& server, const QJsonObject& request)
{
    server.write(compact(request) + '\n');
    const std::optional<QByteArray> reply = readLineFrom(server, serverWait);
    return reply ? QJsonDocument::fromJson(*reply).object() : QJsonObject();
}

QJsonObject toolCall(int id, const QString& tool, const QJsonObject& arguments = {})
{
    return {{"jsonrpc", "2.0"},
            {"id", id},
            {"method", "tools/call"},
            {"params", QJsonObject{{"name", tool}, {"arguments", arguments}}}};
}

QJsonObject result(int id, const QJsonObject& toolResult)
{
    return {{"jsonrpc", "2.0"}, {"id", id}, {"result", toolResult}};
}

QJsonObject textResult(const QString& text, bool isError)
{
    return {{"content", QJsonArray{QJsonObject{{"type", "text"}, {"text", text}}}},
            {"isError", isError}};
}

// Ends the server's input; true when it then ended by itself, with status 0 and nothing on
// standard error.
bool finishServer(QProcess& server)
{
    server.closeWriteChannel();
    if (!server.waitForFinished(int(serverWait.count()))) {
        server.kill();
        server.waitForFinished(int(serverWait.count()));
        return false;
    }
    return server.exitStatus() == QProcess::NormalExit && server.exitCode() == 0 &&
           server.readAllStandardError().isEmpty();
}

// The tools the stand-in (run with --verbose) noted so far, waiting until `last` is among them.
QStringList toolsReceived(QProcess& standin, const QString& last)
{
    QStringList tools;
    const QDeadlineTimer deadline(standinNoteWait);
    while (!tools.contains(last) && !deadline.hasExpired()) {
        while (standin.canReadLine()) {
            const QList<QByteArray> words = standin.readLine().trimmed().split(' ');
            if (words.size() >= 4 && words.at(0) == "request" && words.at(1).toLongLong() > 0)
                tools.append(QString::fromUtf8(words.at(2)));
        }
        if (!tools.contains(last))
            standin.waitForReadyRead(int(deadline.remainingTime()));
    }
    return tools;
}

QJsonArray contentOf(const QJsonObject& reply)
{
    return reply.value("result").toObject().value("content").toArray();
}

} // namespace

class ToolCallsTest : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init();
    void conversation();
    void everyListedToolIsCarriedOut();
    void editorRefuses();
    void editorStoppedAndRestarted();
    void editorWritesALineTooMany();
    void argumentsThatAreNotAnObject();

  private:
    QString name;
};

void ToolCallsTest::init()
{
    name = uniquePipeName(QTest::currentTestFunction());
}

void ToolCallsTest::conversation()
{
    const LiveProcess standin = startStandin(name, {"--verbose"});
    QVERIFY(standin);
    const LiveProcess server = startServer(name);
    QVERIFY(server);

    const QJsonObject initialized =
        exchange(*server, {{"jsonrpc", "2.0"},
                           {"id", 1},
                           {"method", "initialize"},
                           {"params", QJsonObject{{"protocolVersion", "2025-06-18"}}}});
    QCOMPARE(initialized.value("id"), QJsonValue(1));
    QCOMPARE(initialized.value("result").toObject().value("protocolVersion"),
             QJsonValue("2025-06-18"));

    const QJsonObject project = exchange(*server, toolCall(2, "get_project"));
    const QJsonArray projectContent = contentOf(project);
    QCOMPARE(projectContent.size(), 1);
    QCOMPARE(projectContent.at(0).toObject().value("type"), QJsonValue("text"));
    QVERIFY(projectContent.at(0).toObject().value("text").toString().startsWith(
        "Project \"Holiday cut\": 1920x1080, 25 fps"));
    QCOMPARE(project.value("result").toObject().value("isError"), QJsonValue(false));

    const QJsonObject frame = exchange(*server, toolCall(3, "get_frame", {{"seconds", 1.5}}));
    QCOMPARE(frame.value("id"), QJsonValue(3));
    QCOMPARE(frame.value("result").toObject().value("isError"), QJsonValue(false));
    const QJsonArray frameContent = contentOf(frame);
    QCOMPARE(frameContent.size(), 2);
    QCOMPARE(frameContent.at(0).toObject().value("type"), QJsonValue("text"));
    const QJsonObject image = frameContent.at(1).toObject();
    QCOMPARE(image.value("type"), QJsonValue("image"));
    QCOMPARE(image.value("mimeType"), QJsonValue("image/jpeg"));
    const auto jpeg = QByteArray::fromBase64Encoding(image.value("data").toString().toLatin1(),
                                                     QByteArray::AbortOnBase64DecodingErrors);
    QVERIFY(jpeg);
    QVERIFY(jpeg.decoded.size() > 100);
    QVERIFY(jpeg.decoded.startsWith("\xff\xd8\xff"));

    // A tool the catalogue lacks is refused here; the editor never hears of it.
    const QJsonObject unknown = exchange(*server, toolCall(4, "make_coffee", {{"sugar", 2}}));
    QCOMPARE(unknown, QJsonObject({{"jsonrpc", "2.0"},
                                   {"id", 4},
                                   {"error", QJsonObject{{"code", -32602},
                                                         {"message", "Kestrova has no tool "
                                                                     "\"make_coffee\"."}}}}));
    QCOMPARE(contentOf(exchange(*server, toolCall(5, "list_media"))).size(), 1);
    QCOMPARE(toolsReceived(*standin, "list_media"),
             QStringList({"get_project", "get_frame", "list_media"}));

    QVERIFY(finishServer(*server));
    QVERIFY(terminatesCleanly(*standin));
}

void ToolCallsTest::everyListedToolIsCarriedOut()
{
    const LiveProcess standin = startStandin(name);
    QVERIFY(standin);
    const LiveProcess server = startServer(name);
    QVERIFY(server);

    const QJsonArray tools =
        exchange(*server, {{"jsonrpc", "2.0"}, {"id", 1}, {"method", "tools/list"}})
            .value("result")
            .toObject()
            .value("tools")
            .toArray();
    QVERIFY(!tools.isEmpty());
    const QStringList pictureTools{"get_frame", "get_frames", "look_through"};
    int id = 1;
    for (const QJsonValue& tool : tools) {
        const QString toolName = tool.toObject().value("name").toString();
        const QJsonObject reply = exchange(*server, toolCall(++id, toolName));
        QVERIFY2(reply.value("result").toObject().value("isError") == QJsonValue(false),
                 qPrintable(toolName));
        const QJsonArray content = contentOf(reply);
        QCOMPARE(content.size(), pictureTools.contains(toolName) ? 2 : 1);
        QVERIFY2(!content.at(0).toObject().value("text").toString().isEmpty(),
                 qPrintable(toolName));
    }

    QVERIFY(finishServer(*server));
    QVERIFY(terminatesCleanly(*standin));
}

void ToolCallsTest::editorRefuses()
{
    const LiveProcess standin = startStandin(name, {"--mode", "error"});
    QVERIFY(standin);
    const LiveProcess server = startServer(name);
    QVERIFY(server);

    QCOMPARE(exchange(*server, toolCall(7, "get_clip", {{"clip", "c2"}})),
             result(7, textResult("Kestrova could not do get_clip: no project is open.", true)));

    QVERIFY(finishServer(*server));
    QVERIFY(terminatesCleanly(*standin));
}

void ToolCallsTest::editorStoppedAndRestarted()
{
    const LiveProcess standin = startStandin(name);
    QVERIFY(standin);
    const LiveProcess server = startServer(name);
    QVERIFY(server);

    const QString statusText = QStringLiteral(
        "No export is running. The last one, \"Holiday cut.mp4\", finished 4 minutes ago.");
    QCOMPARE(exchange(*server, toolCall(1, "export_status")),
             result(1, textResult(statusText, false)));

    QVERIFY(terminatesCleanly(*standin));
    QCOMPARE(exchange(*server, toolCall(2, "export_status")),
             result(2, textResult(notRunningSentence, true)));
    QCOMPARE(exchange(*server, toolCall(3, "get_project")),
             result(3, textResult(notRunningSentence, true)));

    const LiveProcess restarted = startStandin(name);
    QVERIFY(restarted);
    QCOMPARE(exchange(*server, toolCall(4, "export_status")),
             result(4, textResult(statusText, false)));

    // The input ends while the connection to the editor is open.
    QVERIFY(finishServer(*server));
    QVERIFY(terminatesCleanly(*restarted));
}

// An editor that writes two lines to each request: the call after it gets its own answer, and
// the editor carries out each request once.
void ToolCallsTest::editorWritesALineTooMany()
{
    const LiveProcess standin = startStandin(name, {"--mode", "two-lines", "--verbose"});
    QVERIFY(standin);
    const LiveProcess server = startServer(name);
    QVERIFY(server);

    const QJsonObject stretch{{"from_seconds", 1}, {"to_seconds", 2}};
    const QString done = QStringLiteral(
        "Done: cut out the stretch and closed the gap (from_seconds 1, to_seconds 2).");
    for (int id = 1; id <= 3; ++id)
        QCOMPARE(exchange(*server, toolCall(id, "cut_out", stretch)),
                 result(id, textResult(done, false)));
    QCOMPARE(exchange(*server, toolCall(4, "get_project")).value("id"), QJsonValue(4));
    QCOMPARE(toolsReceived(*standin, "get_project"),
             QStringList({"cut_out", "cut_out", "cut_out", "get_project"}));

    QVERIFY(finishServer(*server));
    QVERIFY(terminatesCleanly(*standin));
}

// Arguments that are not an object are refused in both eras, and the editor hears of none.
void ToolCallsTest::argumentsThatAreNotAnObject()
{
    const LiveProcess standin = startStandin(name, {"--verbose"});
    QVERIFY(standin);
    const LiveProcess server = startServer(name);
    QVERIFY(server);

    const QJsonObject statelessMeta{{"io.modelcontextprotocol/protocolVersion", "2026-07-28"},
                                    {"io.modelcontextprotocol/clientCapabilities", QJsonObject()}};
    const QJsonValue notObjects[] = {"from 1 to 2", QJsonArray{1, 2}, 12, true};
    int id = 0;
    for (const bool stateless : {false, true}) {
        for (const QJsonValue& arguments : notObjects) {
            QJsonObject params{{"name", "cut_out"}, {"arguments", arguments}};
            if (stateless)
                params.insert("_meta", statelessMeta);
            ++id;
            const QJsonObject request{
                {"jsonrpc", "2.0"}, {"id", id}, {"method", "tools/call"}, {"params", params}};
            QCOMPARE(exchange(*server, request),
                     QJsonObject({{"jsonrpc", "2.0"},
                                  {"id", id},
                                  {"error", QJsonObject{{"code", -32602},
                                                        {"message", "The arguments of a tool call "
                                                                    "must be a JSON object."}}}}));
        }
    }
    // Absent and null arguments are none: the tool runs on the empty object.
    QJsonObject nullArguments = toolCall(++id, "get_project");
    nullArguments["params"] = QJsonObject{{"name", "get_project"}, {"arguments", QJsonValue()}};
    QCOMPARE(exchange(*server, nullArguments).value("result").toObject().value("isError"),
             QJsonValue(false));
    QCOMPARE(toolsReceived(*standin, "get_project"), QStringList({"get_project"}));

    QVERIFY(finishServer(*server));
    QVERIFY(terminatesCleanly(*standin));
}

QTEST_GUILESS_MAIN(ToolCallsTest)
#include "tst_toolcalls.moc"
