// The dispatcher and the reply envelopes: one request line in, one reply line (or nothing) out.

#include "catalogue/toolRegistry.h"
#include "fuzz/replyChecks.h"
#include "protocol/duringCall.h"
#include "protocol/handleMessage.h"
#include "protocol/initialize.h"
#include "protocol/toolCall.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

#include <optional>
#include <tuple>
#include <utility>

namespace
{

struct RecordedCall {
    QString tool;
    QJsonObject arguments;
};

// An EditorCall that answers with a fixed reply line and remembers what it was asked.
EditorCall fakeEditor(QList<RecordedCall>* calls, const QByteArray& replyLine)
{
    return [calls, replyLine](const QString& tool, const QJsonObject& arguments) {
        calls->append({tool, arguments});
        return editorReplyFromLine(replyLine);
    };
}

QByteArray answer(const QByteArray& request, const EditorCall& editorCall)
{
    return replyLine(handleMessage(request, callerFor(editorCall)));
}

QJsonObject parseObject(const QByteArray& text)
{
    return QJsonDocument::fromJson(text).object();
}

} // namespace

class DispatchTest : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void replies_data();
    void replies();
    void parseErrors_data();
    void parseErrors();
    void silentMessages_data();
    void silentMessages();
    void toolCalls_data();
    void toolCalls();
    void protocolVersion_data();
    void protocolVersion();
    void statelessEra_data();
    void statelessEra();
    void statelessToolCalls_data();
    void statelessToolCalls();
    void cancelledCallHasNoReply();
    void linesDuringCall_data();
    void linesDuringCall();
    void progressNotificationShape();
    void initializeResultShape();
    void instructions();
    void instructionsPoints_data();
    void instructionsPoints();
    void pictureTextTakenRawOrParsedAlike();
};

void DispatchTest::replies_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("ping answers an empty result")
        << QByteArray(R"({"jsonrpc":"2.0","id":1,"method":"ping"})")
        << QByteArray(R"({"jsonrpc":"2.0","id":1,"result":{}})");
    QTest::newRow("ping ignores its params")
        << QByteArray(R"({"jsonrpc":"2.0","id":2,"method":"ping","params":{"a":[1,2]}})")
        << QByteArray(R"({"jsonrpc":"2.0","id":2,"result":{}})");
    QTest::newRow("params that are not an object count as empty")
        << QByteArray(R"({"id":3,"method":"ping","params":"nothing"})")
        << QByteArray(R"({"jsonrpc":"2.0","id":3,"result":{}})");
    const std::pair<const char*, QByteArray> echoedIds[] = {
        {"a string id is echoed as a string", R"("abc")"},
        {"a boolean id is echoed", "false"},
        {"an object id is echoed", R"({"n":[1]})"},
        {"a fractional id is echoed", "2.5"},
        {"a large integer id keeps every digit", "9007199254740993"}};
    for (const auto& [row, id] : echoedIds)
        QTest::newRow(row) << R"({"id":)" + id + R"(,"method":"ping"})"
                           << R"({"jsonrpc":"2.0","id":)" + id + R"(,"result":{}})";
    QTest::newRow("the jsonrpc member is never read")
        << QByteArray(R"({"jsonrpc":"1.0","id":4,"method":"ping"})")
        << QByteArray(R"({"jsonrpc":"2.0","id":4,"result":{}})");
    QTest::newRow("batch array is refused")
        << QByteArray(R"([{"jsonrpc":"2.0","id":1,"method":"ping"}])")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":null,"error":{"code":-32600,"message":"A message must be one JSON object."}})");
    QTest::newRow("empty array is refused")
        << QByteArray(R"([])")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":null,"error":{"code":-32600,"message":"A message must be one JSON object."}})");
    QTest::newRow("missing method")
        << QByteArray(R"({"jsonrpc":"2.0","id":1})")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":1,"error":{"code":-32600,"message":"The message names no method."}})");
    QTest::newRow("method that is a number")
        << QByteArray(R"({"id":1,"method":7})")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":1,"error":{"code":-32600,"message":"The message names no method."}})");
    QTest::newRow("empty method")
        << QByteArray(R"({"id":"x","method":""})")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":"x","error":{"code":-32600,"message":"The message names no method."}})");
    QTest::newRow("unknown method")
        << QByteArray(R"({"id":5,"method":"resources/list"})")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":5,"error":{"code":-32601,"message":"Kestrova's connection does not know \"resources/list\"."}})");
    QTest::newRow("method in other letter case is unknown")
        << QByteArray(R"({"id":6,"method":"Tools/List"})")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":6,"error":{"code":-32601,"message":"Kestrova's connection does not know \"Tools/List\"."}})");
    QTest::newRow("a placeholder in the method name is not filled in again")
        << QByteArray(R"({"id":7,"method":"%1%2"})")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":7,"error":{"code":-32601,"message":"Kestrova's connection does not know \"%1%2\"."}})");
    QTest::newRow("unknown tool")
        << QByteArray(R"({"id":8,"method":"tools/call","params":{"name":"make_coffee"}})")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":8,"error":{"code":-32602,"message":"Kestrova has no tool \"make_coffee\"."}})");
    QTest::newRow("tool without a name")
        << QByteArray(R"({"id":9,"method":"tools/call","params":{}})")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":9,"error":{"code":-32602,"message":"Kestrova has no tool \"\"."}})");
    QTest::newRow("tool name in other letter case")
        << QByteArray(R"({"id":10,"method":"tools/call","params":{"name":"Get_Project"}})")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":10,"error":{"code":-32602,"message":"Kestrova has no tool \"Get_Project\"."}})");
    QTest::newRow("tool name with a space after it")
        << QByteArray(R"({"id":11,"method":"tools/call","params":{"name":"get_project "}})")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":11,"error":{"code":-32602,"message":"Kestrova has no tool \"get_project \"."}})");
    // Arguments that are not an object reach no editor: the tool would run on none.
    const std::pair<const char*, QByteArray> notObjects[] = {
        {"array", "[1,2]"}, {"string", R"("from 1 to 2")"}, {"number", "12"}, {"boolean", "true"}};
    for (const auto& [kind, arguments] : notObjects) {
        QTest::addRow("%s arguments are refused", kind)
            << R"({"id":12,"method":"tools/call","params":{"name":"cut_out","arguments":)" +
                   arguments + "}}"
            << QByteArray(
                   R"({"jsonrpc":"2.0","id":12,"error":{"code":-32602,"message":"The arguments of a tool call must be a JSON object."}})");
    }
}

void DispatchTest::replies()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, expected);
    QList<RecordedCall> calls;
    const QByteArray reply = answer(request, fakeEditor(&calls, {}));
    QVERIFY(!reply.contains('\n'));
    QCOMPARE(QJsonDocument::fromJson(reply), QJsonDocument::fromJson(expected));
    QCOMPARE(reply, QJsonDocument::fromJson(reply).toJson(QJsonDocument::Compact));
    QVERIFY(calls.isEmpty());
}

void DispatchTest::parseErrors_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::newRow("broken object") << QByteArray(R"({"id":1,"method":)");
    QTest::newRow("bare number") << QByteArray("42");
    QTest::newRow("bare string") << QByteArray(R"("ping")");
    QTest::newRow("bare literal") << QByteArray("null");
    QTest::newRow("line of spaces") << QByteArray("   ");
    QTest::newRow("trailing garbage") << QByteArray(R"({"id":1,"method":"ping"} x)");
    QTest::newRow("invalid UTF-8") << QByteArray("{\"id\":1,\"method\":\"\xff\xfe\"}");
    QTest::newRow("deep nesting") << QByteArray(100000, '[');
}

void DispatchTest::parseErrors()
{
    QFETCH(QByteArray, request);
    QList<RecordedCall> calls;
    const QJsonObject reply = parseObject(answer(request, fakeEditor(&calls, {})));
    QCOMPARE(reply.value("jsonrpc").toString(), QString("2.0"));
    QVERIFY(reply.value("id").isNull());
    QCOMPARE(reply.size(), 3);
    const QJsonObject error = reply.value("error").toObject();
    QCOMPARE(error.size(), 2);
    QCOMPARE(error.value("code").toInt(), -32700);
    const QString message = error.value("message").toString();
    QVERIFY2(message.startsWith("This is not JSON: ") && message.endsWith('.'),
             qPrintable(message));
    QVERIFY(message.size() > QString("This is not JSON: .").size());
}

void DispatchTest::silentMessages_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::newRow("notification after the handshake")
        << QByteArray(R"({"jsonrpc":"2.0","method":"notifications/initialized"})");
    QTest::newRow("null id") << QByteArray(R"({"jsonrpc":"2.0","id":null,"method":"ping"})");
    QTest::newRow("initialize without id") << QByteArray(R"({"method":"initialize"})");
    QTest::newRow("tools/call without id calls no tool")
        << QByteArray(R"({"method":"tools/call","params":{"name":"get_project"}})");
    QTest::newRow("no id and no method") << QByteArray(R"({})");
    QTest::newRow("unknown method without id") << QByteArray(R"({"method":"nonsense"})");
    QTest::newRow("a cancellation, also with the stateless era's claim") << QByteArray(
        R"({"method":"notifications/cancelled","params":{"requestId":1,"_meta":{"io.modelcontextprotocol/protocolVersion":"2026-07-28","io.modelcontextprotocol/clientCapabilities":{}}}})");
    QTest::newRow("a request of the stateless era without id") << QByteArray(
        R"({"method":"server/discover","params":{"_meta":{"io.modelcontextprotocol/protocolVersion":"2026-07-28","io.modelcontextprotocol/clientCapabilities":{}}}})");
}

void DispatchTest::silentMessages()
{
    QFETCH(QByteArray, request);
    QList<RecordedCall> calls;
    QCOMPARE(answer(request, fakeEditor(&calls, {})), QByteArray());
    QVERIFY(calls.isEmpty());
}

void DispatchTest::toolCalls_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("editorReply");
    QTest::addColumn<QByteArray>("forwarded");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("text only")
        << QByteArray(R"({"id":1,"method":"tools/call","params":{"name":"get_project"}})")
        << QByteArray(R"({"id":1,"text":"A project","error":false})") << QByteArray(R"({})")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":1,"result":{"content":[{"type":"text","text":"A project"}],"isError":false}})");
    QTest::newRow("a picture becomes an image item")
        << QByteArray(
               R"({"id":2,"method":"tools/call","params":{"name":"get_frame","arguments":{"seconds":3}}})")
        << QByteArray(R"({"id":7,"text":"Frame","image":"/9j/4AAQ"})")
        << QByteArray(R"({"seconds":3})")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":2,"result":{"content":[{"type":"text","text":"Frame"},{"type":"image","data":"/9j/4AAQ","mimeType":"image/jpeg"}],"isError":false}})");
    QTest::newRow("arguments are forwarded exactly, unknown members and wrong types included")
        << QByteArray(
               R"({"id":3,"method":"tools/call","params":{"name":"get_frame","arguments":{"speed":20,"extra":[1,{"a":null}],"clip":7}}})")
        << QByteArray(R"({"text":"ok"})")
        << QByteArray(R"({"speed":20,"extra":[1,{"a":null}],"clip":7})")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":3,"result":{"content":[{"type":"text","text":"ok"}],"isError":false}})");
    QTest::newRow("null arguments become the empty object")
        << QByteArray(
               R"({"id":4,"method":"tools/call","params":{"name":"list_media","arguments":null}})")
        << QByteArray(R"({"text":"files"})") << QByteArray(R"({})")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":4,"result":{"content":[{"type":"text","text":"files"}],"isError":false}})");
    int id = 9;
    QTest::newRow("a reply without text gives an empty text item")
        << QByteArray(R"({"id":7,"method":"tools/call","params":{"name":"get_project"}})")
        << QByteArray(R"({"error":true})") << QByteArray(R"({})")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":7,"result":{"content":[{"type":"text","text":""}],"isError":true}})");
    QTest::newRow("empty, absent or non-string pictures are left out")
        << QByteArray(R"({"id":8,"method":"tools/call","params":{"name":"get_frame"}})")
        << QByteArray(R"({"text":7,"image":""})") << QByteArray(R"({})")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":8,"result":{"content":[{"type":"text","text":""}],"isError":false}})");
    // Editor replies whose odd members leave just the text item and a false error flag.
    const std::tuple<const char*, QByteArray, QByteArray> plainTextReplies[] = {
        {"a picture that is not a string is left out", "get_frame", R"({"text":"t","image":123})"},
        {"an error flag that is a string is false", "get_project",
         R"({"text":"t","error":"true"})"},
        {"an error flag that is a number is false", "get_project", R"({"text":"t","error":1})"}};
    for (const auto& [row, tool, editorReply] : plainTextReplies) {
        const QByteArray idText = QByteArray::number(id++);
        QTest::newRow(row)
            << R"({"id":)" + idText + R"(,"method":"tools/call","params":{"name":")" + tool +
                   R"("}})"
            << editorReply << QByteArray(R"({})")
            << R"({"jsonrpc":"2.0","id":)" + idText +
                   R"(,"result":{"content":[{"type":"text","text":"t"}],"isError":false}})";
    }
    QTest::newRow("other reply members are dropped")
        << QByteArray(R"({"id":12,"method":"tools/call","params":{"name":"get_project"}})")
        << QByteArray(R"({"id":1,"text":"t","error":true,"debug":"x","image":"AA=="})")
        << QByteArray(R"({})")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":12,"result":{"content":[{"type":"text","text":"t"},{"type":"image","data":"AA==","mimeType":"image/jpeg"}],"isError":true}})");
    QTest::newRow("a picture written with escapes reaches the client unescaped")
        << QByteArray(R"({"id":13,"method":"tools/call","params":{"name":"get_frame"}})")
        << QByteArray(R"({"text":"t","image":"/9j\/4A=="})") << QByteArray(R"({})")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":13,"result":{"content":[{"type":"text","text":"t"},{"type":"image","data":"/9j/4A==","mimeType":"image/jpeg"}],"isError":false}})");
    QTest::newRow("a picture nested deeper is not the reply's picture")
        << QByteArray(R"({"id":14,"method":"tools/call","params":{"name":"get_frame"}})")
        << QByteArray(R"({"text":"t","more":{"image":"AA=="},"list":["image",":"]})")
        << QByteArray(R"({})")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":14,"result":{"content":[{"type":"text","text":"t"}],"isError":false}})");
    QTest::newRow("a text that looks like a picture member stays text")
        << QByteArray(R"({"id":15,"method":"tools/call","params":{"name":"get_frame"}})")
        << QByteArray(R"({"text":"\"data\":\"\" and \"image\":\"x\"","image":"QUJD"})")
        << QByteArray(R"({})")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":15,"result":{"content":[{"type":"text","text":"\"data\":\"\" and \"image\":\"x\""},{"type":"image","data":"QUJD","mimeType":"image/jpeg"}],"isError":false}})");
}

void DispatchTest::toolCalls()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, editorReply);
    QFETCH(QByteArray, forwarded);
    QFETCH(QByteArray, expected);
    QList<RecordedCall> calls;
    const QByteArray reply = answer(request, fakeEditor(&calls, editorReply));
    QCOMPARE(QJsonDocument::fromJson(reply), QJsonDocument::fromJson(expected));
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls.first().tool,
             parseObject(request).value("params").toObject().value("name").toString());
    QCOMPARE(calls.first().arguments, parseObject(forwarded));
}

void DispatchTest::protocolVersion_data()
{
    QTest::addColumn<QByteArray>("params");
    QTest::addColumn<QString>("chosen");
    QTest::newRow("newest") << QByteArray(R"({"protocolVersion":"2025-11-25"})") << "2025-11-25";
    QTest::newRow("2025-06-18") << QByteArray(R"({"protocolVersion":"2025-06-18"})")
                                << "2025-06-18";
    QTest::newRow("middle") << QByteArray(R"({"protocolVersion":"2025-03-26"})") << "2025-03-26";
    QTest::newRow("oldest") << QByteArray(R"({"protocolVersion":"2024-11-05"})") << "2024-11-05";
    QTest::newRow("the stateless era's revision is no handshake revision")
        << QByteArray(R"({"protocolVersion":"2026-07-28"})") << "2025-11-25";
    QTest::newRow("unknown newer")
        << QByteArray(R"({"protocolVersion":"2099-01-01"})") << "2025-11-25";
    QTest::newRow("unknown older")
        << QByteArray(R"({"protocolVersion":"2024-10-07"})") << "2025-11-25";
    QTest::newRow("padded") << QByteArray(R"({"protocolVersion":" 2025-03-26"})") << "2025-11-25";
    QTest::newRow("a number") << QByteArray(R"({"protocolVersion":20250326})") << "2025-11-25";
    QTest::newRow("nothing") << QByteArray(R"({})") << "2025-11-25";
    QTest::newRow("params not an object") << QByteArray(R"([])") << "2025-11-25";
    QTest::newRow("a progress token is no era claim")
        << QByteArray(R"({"protocolVersion":"2025-06-18","_meta":{"progressToken":1}})")
        << "2025-06-18";
}

void DispatchTest::protocolVersion()
{
    QFETCH(QByteArray, params);
    QFETCH(QString, chosen);
    const QByteArray request =
        R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":)" + params + "}";
    QList<RecordedCall> calls;
    const QJsonObject reply = parseObject(answer(request, fakeEditor(&calls, {})));
    QCOMPARE(reply.value("result").toObject().value("protocolVersion").toString(), chosen);
}

namespace
{

// The claim of the stateless era, as the TypeScript SDK sends it, in a request's params.
const QByteArray envelope =
    R"("_meta":{"io.modelcontextprotocol/protocolVersion":"2026-07-28","io.modelcontextprotocol/clientInfo":{"name":"t","version":"1"},"io.modelcontextprotocol/clientCapabilities":{}})";

// A request of the stateless era: `params` are the members besides the envelope.
QByteArray stateless(const QByteArray& idAndMethod, const QByteArray& params = {})
{
    return "{" + idAndMethod + R"(,"params":{)" + params + (params.isEmpty() ? "" : ",") +
           envelope + "}}";
}

const QByteArray identityMeta =
    R"("_meta":{"io.modelcontextprotocol/serverInfo":{"name":"kestrova","title":"Kestrova","version":")" KESTROVA_VERSION
    R"("}})";

// Replaces the stand-ins "@instructions" and "@catalogue" in an expected result.
QJsonDocument withConstants(const QByteArray& expected)
{
    QJsonObject reply = QJsonDocument::fromJson(expected).object();
    QJsonObject result = reply.value("result").toObject();
    if (result.value("instructions") == QJsonValue("@instructions"))
        result.insert("instructions", serverInstructions());
    if (result.value("tools") == QJsonValue("@catalogue"))
        result.insert("tools", QJsonDocument::fromJson(toolsListJson()).object().value("tools"));
    if (reply.contains("result"))
        reply.insert("result", result);
    return QJsonDocument(reply);
}

} // namespace

void DispatchTest::statelessEra_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray discoverResult =
        R"({"resultType":"complete","supportedVersions":["2026-07-28"],"capabilities":{"tools":{}},"instructions":"@instructions","ttlMs":3600000,"cacheScope":"public",)" +
        identityMeta + "}";
    QTest::newRow("server/discover")
        << stateless(R"("jsonrpc":"2.0","id":1,"method":"server/discover")")
        << R"({"jsonrpc":"2.0","id":1,"result":)" + discoverResult + "}";
    QTest::newRow("server/discover with a string id, as the SDK probe sends it")
        << stateless(R"("jsonrpc":"2.0","id":"server-discover-probe-1","method":"server/discover")")
        << R"({"jsonrpc":"2.0","id":"server-discover-probe-1","result":)" + discoverResult + "}";
    QTest::newRow("server/discover ignores capabilities it does not know and needs no clientInfo")
        << QByteArray(
               R"({"id":2,"method":"server/discover","params":{"_meta":{"io.modelcontextprotocol/protocolVersion":"2026-07-28","io.modelcontextprotocol/clientCapabilities":{"extensions":{"io.modelcontextprotocol/ui":{}},"sampling":{}}}}})")
        << R"({"jsonrpc":"2.0","id":2,"result":)" + discoverResult + "}";
    QTest::newRow("tools/list")
        << stateless(R"("id":3,"method":"tools/list")")
        << R"({"jsonrpc":"2.0","id":3,"result":{"resultType":"complete","tools":"@catalogue","ttlMs":3600000,"cacheScope":"public",)" +
               identityMeta + "}}";
    QTest::newRow("tools/list with a cursor the server never gave out")
        << stateless(R"("id":4,"method":"tools/list")", R"("cursor":"")")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":4,"error":{"code":-32602,"message":"Kestrova's tool list comes in one piece: there is no cursor to go on from."}})");
    QTest::newRow("a revision that is not a string")
        << QByteArray(
               R"({"id":5,"method":"tools/list","params":{"_meta":{"io.modelcontextprotocol/protocolVersion":20260728,"io.modelcontextprotocol/clientCapabilities":{}}}})")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":5,"error":{"code":-32602,"message":"The protocol revision in _meta (io.modelcontextprotocol/protocolVersion) must be a string."}})");
    QTest::newRow("a null revision is still a claim")
        << QByteArray(
               R"({"id":6,"method":"server/discover","params":{"_meta":{"io.modelcontextprotocol/protocolVersion":null}}})")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":6,"error":{"code":-32602,"message":"The protocol revision in _meta (io.modelcontextprotocol/protocolVersion) must be a string."}})");
    QTest::newRow("capabilities missing")
        << QByteArray(
               R"({"id":7,"method":"tools/list","params":{"_meta":{"io.modelcontextprotocol/protocolVersion":"2026-07-28"}}})")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":7,"error":{"code":-32602,"message":"The request must name the client's capabilities in _meta (io.modelcontextprotocol/clientCapabilities) as an object."}})");
    QTest::newRow("capabilities not an object")
        << QByteArray(
               R"({"id":8,"method":"tools/call","params":{"name":"get_project","_meta":{"io.modelcontextprotocol/protocolVersion":"2026-07-28","io.modelcontextprotocol/clientCapabilities":[]}}})")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":8,"error":{"code":-32602,"message":"The request must name the client's capabilities in _meta (io.modelcontextprotocol/clientCapabilities) as an object."}})");
    QTest::newRow("a malformed envelope is refused before an unknown revision")
        << QByteArray(
               R"({"id":9,"method":"tools/list","params":{"_meta":{"io.modelcontextprotocol/protocolVersion":"2099-01-01"}}})")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":9,"error":{"code":-32602,"message":"The request must name the client's capabilities in _meta (io.modelcontextprotocol/clientCapabilities) as an object."}})");
    QTest::newRow("a handshake revision in the envelope is not spoken")
        << QByteArray(
               R"({"id":10,"method":"tools/list","params":{"_meta":{"io.modelcontextprotocol/protocolVersion":"2025-11-25","io.modelcontextprotocol/clientCapabilities":{}}}})")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":10,"error":{"code":-32022,"message":"Kestrova's connection does not speak protocol revision \"2025-11-25\".","data":{"supported":["2026-07-28"],"requested":"2025-11-25"}}})");
    QTest::newRow("an unknown revision on server/discover")
        << QByteArray(
               R"({"id":"d","method":"server/discover","params":{"_meta":{"io.modelcontextprotocol/protocolVersion":"2099-01-01","io.modelcontextprotocol/clientCapabilities":{}}}})")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":"d","error":{"code":-32022,"message":"Kestrova's connection does not speak protocol revision \"2099-01-01\".","data":{"supported":["2026-07-28"],"requested":"2099-01-01"}}})");
    QTest::newRow("an unknown revision is refused before an unknown method")
        << QByteArray(
               R"({"id":11,"method":"ping","params":{"_meta":{"io.modelcontextprotocol/protocolVersion":"","io.modelcontextprotocol/clientCapabilities":{}}}})")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":11,"error":{"code":-32022,"message":"Kestrova's connection does not speak protocol revision \"\".","data":{"supported":["2026-07-28"],"requested":""}}})");
    for (const char* method :
         {"initialize", "ping", "logging/setLevel", "subscriptions/listen", "resources/list",
          "prompts/list", "completion/complete", "tasks/get", "notifications/initialized"}) {
        QTest::addRow("%s is not served in this era", method)
            << stateless(R"("id":12,"method":")" + QByteArray(method) + '"')
            << R"({"jsonrpc":"2.0","id":12,"error":{"code":-32601,"message":"Kestrova's connection does not know \")" +
                   QByteArray(method) + R"(\"."}})";
    }
    QTest::newRow("a tool the catalogue lacks: an error has no result type")
        << stateless(R"("id":13,"method":"tools/call")", R"("name":"make_coffee")")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":13,"error":{"code":-32602,"message":"Kestrova has no tool \"make_coffee\"."}})");
    QTest::newRow("arguments that are not an object reach no editor")
        << stateless(R"("id":15,"method":"tools/call")", R"("name":"cut_out","arguments":[1,2])")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":15,"error":{"code":-32602,"message":"The arguments of a tool call must be a JSON object."}})");
    QTest::newRow("a tool call at an unknown revision reaches no editor")
        << QByteArray(
               R"({"id":14,"method":"tools/call","params":{"name":"get_project","_meta":{"io.modelcontextprotocol/protocolVersion":"2030-01-01","io.modelcontextprotocol/clientCapabilities":{}}}})")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":14,"error":{"code":-32022,"message":"Kestrova's connection does not speak protocol revision \"2030-01-01\".","data":{"supported":["2026-07-28"],"requested":"2030-01-01"}}})");

    // Without the claim, requests are of the handshake era, before or after any initialize.
    const QByteArray discoverWithoutClaim =
        R"(,"error":{"code":-32602,"message":"server/discover needs the protocol revision (io.modelcontextprotocol/protocolVersion) and the client's capabilities (io.modelcontextprotocol/clientCapabilities) in _meta."}})";
    QTest::newRow("server/discover without params")
        << QByteArray(R"({"id":20,"method":"server/discover"})")
        << R"({"jsonrpc":"2.0","id":20)" + discoverWithoutClaim;
    QTest::newRow("server/discover with empty params")
        << QByteArray(R"({"id":21,"method":"server/discover","params":{}})")
        << R"({"jsonrpc":"2.0","id":21)" + discoverWithoutClaim;
    QTest::newRow("server/discover with capabilities but no revision")
        << QByteArray(
               R"({"id":22,"method":"server/discover","params":{"_meta":{"io.modelcontextprotocol/clientCapabilities":{}}}})")
        << R"({"jsonrpc":"2.0","id":22)" + discoverWithoutClaim;
    QTest::newRow("a bare _meta is no claim")
        << QByteArray(R"({"id":23,"method":"ping","params":{"_meta":{}}})")
        << QByteArray(R"({"jsonrpc":"2.0","id":23,"result":{}})");
    QTest::newRow("a vendor key is no claim")
        << QByteArray(
               R"({"id":24,"method":"ping","params":{"_meta":{"claudecode/toolUseId":"x"}}})")
        << QByteArray(R"({"jsonrpc":"2.0","id":24,"result":{}})");
    QTest::newRow("a claim outside _meta is no claim")
        << QByteArray(
               R"({"id":25,"method":"ping","params":{"io.modelcontextprotocol/protocolVersion":"2026-07-28"}})")
        << QByteArray(R"({"jsonrpc":"2.0","id":25,"result":{}})");
    QTest::newRow("a claim in a _meta that is not an object is no claim")
        << QByteArray(
               R"({"id":26,"method":"ping","params":{"_meta":"io.modelcontextprotocol/protocolVersion"}})")
        << QByteArray(R"({"jsonrpc":"2.0","id":26,"result":{}})");
}

void DispatchTest::statelessEra()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, expected);
    QList<RecordedCall> calls;
    const QByteArray reply = answer(request, fakeEditor(&calls, {}));
    QVERIFY(!reply.contains('\n'));
    QCOMPARE(QJsonDocument::fromJson(reply), withConstants(expected));
    QCOMPARE(reply, QJsonDocument::fromJson(reply).toJson(QJsonDocument::Compact));
    QVERIFY(calls.isEmpty());
}

void DispatchTest::statelessToolCalls_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("editorReply");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("text: the result type and the identity are added")
        << stateless(R"("id":1,"method":"tools/call")", R"("name":"get_project")")
        << QByteArray(R"({"id":1,"text":"A project","error":false})")
        << R"({"jsonrpc":"2.0","id":1,"result":{"resultType":"complete","content":[{"type":"text","text":"A project"}],"isError":false,)" +
               identityMeta + "}}";
    QTest::newRow("a picture taken raw keeps its place before the added members")
        << stateless(R"("id":"c","method":"tools/call")",
                     R"("name":"get_frame","arguments":{"seconds":1})")
        << QByteArray(R"({"id":1,"text":"Frame","image":"/9j/4AAQ","error":false})")
        << R"({"jsonrpc":"2.0","id":"c","result":{"resultType":"complete","content":[{"type":"text","text":"Frame"},{"type":"image","data":"/9j/4AAQ","mimeType":"image/jpeg"}],"isError":false,)" +
               identityMeta + "}}";
    QTest::newRow("an editor failure is a tool result of this era too")
        << stateless(R"("id":2,"method":"tools/call")", R"("name":"get_project")")
        << QByteArray(R"({"text":"Kestrova did not answer.","error":true})")
        << R"({"jsonrpc":"2.0","id":2,"result":{"resultType":"complete","content":[{"type":"text","text":"Kestrova did not answer."}],"isError":true,)" +
               identityMeta + "}}";
    QTest::newRow("a progress token beside the envelope")
        << QByteArray(
               R"({"id":3,"method":"tools/call","params":{"name":"get_project","_meta":{"progressToken":7,"io.modelcontextprotocol/protocolVersion":"2026-07-28","io.modelcontextprotocol/clientCapabilities":{}}}})")
        << QByteArray(R"({"text":"ok"})")
        << R"({"jsonrpc":"2.0","id":3,"result":{"resultType":"complete","content":[{"type":"text","text":"ok"}],"isError":false,)" +
               identityMeta + "}}";
    QTest::newRow("without the claim, the reply is the handshake era's")
        << QByteArray(
               R"({"id":4,"method":"tools/call","params":{"name":"get_project","_meta":{"progressToken":"p"}}})")
        << QByteArray(R"({"text":"ok"})")
        << QByteArray(
               R"({"jsonrpc":"2.0","id":4,"result":{"content":[{"type":"text","text":"ok"}],"isError":false}})");
}

void DispatchTest::statelessToolCalls()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, editorReply);
    QFETCH(QByteArray, expected);
    QList<RecordedCall> calls;
    const QByteArray reply = answer(request, fakeEditor(&calls, editorReply));
    QVERIFY(!reply.contains('\n'));
    QCOMPARE(QJsonDocument::fromJson(reply), QJsonDocument::fromJson(expected));
    QCOMPARE(reply, QJsonDocument::fromJson(reply).toJson(QJsonDocument::Compact));
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls.first().arguments,
             parseObject(request).value("params").toObject().value("arguments").toObject());
}

// The call goes to the editor with which request it is; a call the client cancelled gets no
// reply at all.
void DispatchTest::cancelledCallHasNoReply()
{
    std::optional<ClientCall> seen;
    const ToolCaller cancelled = [&](const ClientCall& call, const QJsonObject&) {
        seen = call;
        return failedReply(EditorOutcome::Cancelled);
    };
    for (
        const QByteArray& request :
        {QByteArray(
             R"({"id":"x","method":"tools/call","params":{"name":"transcribe","_meta":{"progressToken":"p1"}}})"),
         stateless(R"("id":"x","method":"tools/call")", R"("name":"transcribe")")}) {
        seen.reset();
        QCOMPARE(replyLine(handleMessage(request, cancelled)), QByteArray());
        QVERIFY(seen);
        QCOMPARE(seen->id, QJsonValue("x"));
        QCOMPARE(seen->tool, QString("transcribe"));
        QCOMPARE(seen->progressToken,
                 request.contains("p1") ? QJsonValue("p1") : QJsonValue(QJsonValue::Undefined));
    }
    QCOMPARE(progressTokenOf(parseObject(R"({"_meta":{"progressToken":"p1"}})")), QJsonValue("p1"));
    QCOMPARE(progressTokenOf(parseObject(R"({"_meta":{"progressToken":12}})")), QJsonValue(12));
    QVERIFY(progressTokenOf(parseObject(R"({"_meta":{"progressToken":1.5}})")).isUndefined());
    QVERIFY(progressTokenOf(parseObject(R"({"_meta":{"progressToken":null}})")).isUndefined());
    QVERIFY(progressTokenOf(parseObject(R"({"progressToken":1})")).isUndefined());
}

void DispatchTest::linesDuringCall_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QJsonValue>("cancels");
    const QJsonValue none(QJsonValue::Undefined);

    QTest::newRow("a ping is answered at once")
        << QByteArray(R"({"jsonrpc":"2.0","id":4,"method":"ping"})")
        << QByteArray(R"({"id":4,"jsonrpc":"2.0","result":{}})") << none;
    QTest::newRow("a ping with a string id and a carriage return")
        << QByteArray("{\"id\":\"p\",\"method\":\"ping\",\"params\":{}}\r")
        << QByteArray(R"({"id":"p","jsonrpc":"2.0","result":{}})") << none;
    QTest::newRow("a ping of the stateless era waits its turn")
        << stateless(R"("id":5,"method":"ping")") << QByteArray() << none;
    QTest::newRow("a ping without id waits its turn")
        << QByteArray(R"({"method":"ping"})") << QByteArray() << none;
    QTest::newRow("a cancellation names its request")
        << QByteArray(R"({"method":"notifications/cancelled","params":{"requestId":3}})")
        << QByteArray() << QJsonValue(3);
    QTest::newRow("a cancellation of a string id")
        << QByteArray(
               R"({"method":"notifications/cancelled","params":{"requestId":"a","reason":"user"}})")
        << QByteArray() << QJsonValue("a");
    QTest::newRow("a cancellation that names nothing")
        << QByteArray(R"({"method":"notifications/cancelled","params":{}})") << QByteArray()
        << none;
    QTest::newRow("a cancellation of a null id")
        << QByteArray(R"({"method":"notifications/cancelled","params":{"requestId":null}})")
        << QByteArray() << none;
    QTest::newRow("a cancellation with an id is a request")
        << QByteArray(R"({"id":1,"method":"notifications/cancelled","params":{"requestId":3}})")
        << QByteArray() << none;
    QTest::newRow("a tool call waits its turn")
        << QByteArray(R"({"id":6,"method":"tools/call","params":{"name":"get_project"}})")
        << QByteArray() << none;
    QTest::newRow("a line that is not JSON waits its turn")
        << QByteArray(R"({"id":7,"method":"ping")") << QByteArray() << none;
}

void DispatchTest::linesDuringCall()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, reply);
    QFETCH(QJsonValue, cancels);
    const LineDuringCall seen = lineDuringCall(line);
    QCOMPARE(seen.reply, reply);
    QCOMPARE(seen.cancels, cancels);

    // A cancellation is for the running call only when the ids are the same, type included.
    ClientCall running{QJsonValue(3), QJsonValue::Undefined, QStringLiteral("get_project")};
    QCOMPARE(cancelsCall(seen.cancels, running), cancels == QJsonValue(3));
    running.id = QJsonValue("3");
    QVERIFY(!cancelsCall(seen.cancels, running));
}

void DispatchTest::progressNotificationShape()
{
    QCOMPARE(
        QJsonDocument::fromJson(progressNotification(QJsonValue("t-1"), 10, "transcribe")),
        QJsonDocument::fromJson(
            R"({"jsonrpc":"2.0","method":"notifications/progress","params":{"progressToken":"t-1","progress":10,"message":"Kestrova is still working on transcribe (10 s)."}})"));
    QVERIFY(wantsProgress(ClientCall{QJsonValue(1), QJsonValue(0), "transcribe"}));
    QVERIFY(!wantsProgress(ClientCall{QJsonValue(1), QJsonValue::Undefined, "transcribe"}));
}

void DispatchTest::initializeResultShape()
{
    const QJsonObject expected = parseObject(R"({
        "protocolVersion": "2025-11-25",
        "capabilities": {"tools": {}},
        "serverInfo": {"name": "kestrova", "title": "Kestrova", "version": ")" KESTROVA_VERSION
                                             R"("}
    })");
    QList<RecordedCall> calls;
    for (int attempt = 0; attempt < 2; ++attempt) {
        QJsonObject result =
            parseObject(answer(R"({"id":1,"method":"initialize"})", fakeEditor(&calls, {})))
                .value("result")
                .toObject();
        QCOMPARE(result.take("instructions").toString(), serverInstructions());
        QCOMPARE(result, expected);
    }
    QCOMPARE(supportedProtocolVersions,
             QStringList({"2025-11-25", "2025-06-18", "2025-03-26", "2024-11-05"}));
}

void DispatchTest::instructions()
{
    const QString text = serverInstructions();
    QVERIFY(!text.contains('\r'));
    QVERIFY(!text.contains("\n\n\n"));
    QVERIFY2(text.toUtf8().size() <= 2048, "clients in wide use keep only 2,048 characters");
    QStringList lines = text.split('\n');
    const int thinks = lines.indexOf("How Kestrova thinks:");
    const int work = lines.indexOf("How to work:");
    QVERIFY(thinks > 1 && lines.at(thinks - 1).isEmpty());
    QVERIFY(work > thinks && lines.at(work - 1).isEmpty());
    for (int i = thinks + 1; i < work - 1; ++i)
        QVERIFY(lines.at(i).startsWith("- "));
    QCOMPARE(work - 1 - (thinks + 1), 5);
    QCOMPARE(lines.size() - (work + 1), 10);
    for (int i = work + 1; i < lines.size(); ++i)
        QVERIFY(lines.at(i).startsWith("- "));
    for (const char* name : {"V1",
                             "V2",
                             "A1",
                             "A2",
                             "HH:MM:SS:FF",
                             "list_effects",
                             "add_effect",
                             "get_project",
                             "list_clips",
                             "get_transcript",
                             "find_in_clip",
                             "get_frame",
                             "get_frames",
                             "undo_last_change",
                             "Ctrl+Z",
                             "cut_out",
                             "shorten_pauses",
                             "look_through",
                             "find_highlights",
                             "keep_only",
                             "Looks",
                             "Cinematic",
                             "Bleach Bypass"})
        QVERIFY2(text.contains(QLatin1String(name)), name);
}

// Each point the assistant is taught, in its place: the line under a heading (0 is the opening
// line), and the phrases that carry the point.
void DispatchTest::instructionsPoints_data()
{
    QTest::addColumn<QString>("heading");
    QTest::addColumn<int>("item");
    QTest::addColumn<QStringList>("phrases");

    const QString thinks = "How Kestrova thinks:";
    const QString work = "How to work:";
    QTest::newRow("opening: the editor, the open project, changes seen at once")
        << QString() << 0
        << QStringList{"Kestrova", "video editor", "user's computer", "open project", "at once"};
    QTest::newRow("one timeline, tracks and what covers what")
        << thinks << 1
        << QStringList{"One timeline", "V1 (bottom)", "V2", "A1", "A2", "Higher clips cover"};
    QTest::newRow("times in decimal seconds, timecode in answers")
        << thinks << 2 << QStringList{"decimal", "seconds", "timecode HH:MM:SS:FF"};
    QTest::newRow("clips by id, picture and sound linked")
        << thinks << 3 << QStringList{"id", "picture and sound", "linked clips"};
    QTest::newRow("the kinds of clip, each with what it is")
        << thinks << 4
        << QStringList{"media (video, sound, image)",
                       "title (text)",
                       "sticker",
                       "placeholder (a template's file slot)",
                       "effect clip (affects all below)",
                       "compound (folded clips)"};
    QTest::newRow("colour looks are Looks effects") << thinks << 5
                                                    << QStringList{"Cinematic",
                                                                   "Vintage",
                                                                   "Black & White",
                                                                   "Sepia",
                                                                   "Bleach Bypass",
                                                                   "Looks",
                                                                   "list_effects, then add_effect"};
    QTest::newRow("look first, never guess")
        << work << 1 << QStringList{"Look first", "get_project", "list_clips", "never guess"};
    QTest::newRow("which tool finds what")
        << work << 2 << QStringList{"get_transcript", "shot, clap", "silences",  "scene changes",
                                    "find_in_clip",   "get_frame",  "get_frames"};
    QTest::newRow("every change one undo step")
        << work << 3 << QStringList{"one undo step", "Ctrl+Z", "undo_last_change"};
    QTest::newRow("changes move times and sometimes ids")
        << work << 4
        << QStringList{"cut_out",    "shorten_pauses", "moves", "times and sometimes ids differ",
                       "list_clips", "get_transcript", "again", "from the end backwards"};
    QTest::newRow("a moment by sight, narrowed down picture by picture")
        << work << 5
        << QStringList{"car drifts",
                       "stills, not motion",
                       "look_through the clip",
                       "two pictures",
                       "repeat until the pictures are a few frames apart",
                       "cannot tell"};
    QTest::newRow("a highlight clip and how to dress it")
        << work << 6
        << QStringList{"find_highlights",
                       "get_frames",
                       "keep_only",
                       "list_clips",
                       "transitions on a few scene changes",
                       "slow motion",
                       "freeze frame",
                       "1 or 2",
                       "effect or look",
                       "title",
                       "music",
                       "quieter",
                       "faded out",
                       "Hard cuts suit fast scenes",
                       "Less is more"};
    QTest::newRow("look again before saying done")
        << work << 7 << QStringList{"before saying done", "get_frames", "before and after a cut"};
    QTest::newRow("no deleting, saving and exporting only when asked")
        << work << 8 << QStringList{"cannot delete files", "Save and export only when asked"};
    QTest::newRow("tell the user in their words")
        << work << 9 << QStringList{"their words", "\"removed 2.4 s at 0:12\"", "not ids"};
    QTest::newRow("a refusal is passed on, not worked around")
        << work << 10 << QStringList{"refuses", "what it said", "do not work around it"};
}

void DispatchTest::instructionsPoints()
{
    QFETCH(QString, heading);
    QFETCH(int, item);
    QFETCH(QStringList, phrases);

    const QStringList lines = serverInstructions().split('\n');
    const qsizetype at = heading.isEmpty() ? 0 : lines.indexOf(heading) + item;
    QVERIFY(heading.isEmpty() || lines.indexOf(heading) > 0);
    QVERIFY(at < lines.size());
    const QString line = lines.at(at);
    QVERIFY2(heading.isEmpty() || line.startsWith("- "), qPrintable(line));
    for (const QString& phrase : phrases)
        QVERIFY2(line.contains(phrase), qPrintable(phrase + " in: " + line));
}

QTEST_APPLESS_MAIN(DispatchTest)
#include "tst_dispatch.moc"

// Whether the picture's text is taken raw or parsed, the client must get the same reply line:
// every kind of byte, at every place within the eight-byte steps of the scan.
void DispatchTest::pictureTextTakenRawOrParsedAlike()
{
    const QByteArray request = R"({"id":1,"method":"tools/call","params":{"name":"get_frame"}})";
    const QList<QByteArray> oddOnes = {"\\\"", "\\/", "\\u0041", "\x7f", "\xc3\xa4", "\xff",
                                       "\x01", "\t",  " ",       "~",    "\"",       ""};
    QList<RecordedCall> calls;
    for (const QByteArray& odd : oddOnes) {
        for (int at = 0; at <= 17; ++at) {
            QByteArray image = QByteArray(24, 'A');
            image.insert(at, odd);
            const QByteArray editorReply = R"({"id":1,"text":"t","image":")" + image + R"("})";
            const QJsonDocument parsed = QJsonDocument::fromJson(editorReply);
            const QByteArray plain = makeResult(
                1,
                toolResultObject(EditorReply{parsed.isObject() ? parsed.object() : QJsonObject()}));
            QCOMPARE(answer(request, fakeEditor(&calls, editorReply)), plain);
        }
    }

    // A long picture whose plain stretches were noted as it arrived in pieces: an odd byte
    // anywhere, at a stretch's edge too, is found as in a short one.
    constexpr qsizetype stretch = PlainStretches::stretchBytes;
    const QByteArray before = R"({"id":1,"text":"t","image":")";
    const qsizetype edges[] = {-1,
                               0,
                               stretch - before.size() - 1,
                               stretch - before.size(),
                               2 * stretch - before.size() + 1,
                               3 * stretch - 5};
    for (const QByteArray& odd : {QByteArray("\\/"), QByteArray("\xc3\xa4"), QByteArray("\"")}) {
        for (const qsizetype at : edges) {
            QByteArray image(3 * stretch + 100, 'A');
            if (at >= 0)
                image.insert(at, odd);
            const QByteArray line = before + image + R"("})";
            PlainStretches stretches;
            for (qsizetype arrived = 1000; arrived < line.size(); arrived += 70000)
                notePlainStretches(stretches, QByteArrayView(line).first(arrived));
            const EditorReply reply = editorReplyFromLine(line, &stretches);
            const QJsonDocument parsed = QJsonDocument::fromJson(line);
            QCOMPARE(replyObject(reply), parsed.isObject() ? parsed.object() : QJsonObject());
            QCOMPARE(reply.picture.base64.isEmpty(), at >= 0);
        }
    }
}
