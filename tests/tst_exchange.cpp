// The editor exchange against real local sockets: an editor scripted in a thread of the test,
// and the built stand-in editor with its misbehaving modes.

#include "editor/editorExchange.h"
#include "editor/editorPipeName.h"
#include "expectedSentences.h"
#include "liveProcesses.h"
#include "scriptedEditor.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <chrono>
#include <optional>
#include <utility>

using namespace std::chrono_literals;

namespace
{

const EditorTimeouts testTimeouts{1500ms, 5s};
// A failed connection must be reported about as soon as the connect wait allows.
constexpr std::chrono::milliseconds promptFailureLimit = 3s;
// How long a test waits for something the editor does: only a fault takes that long.
constexpr std::chrono::milliseconds editorEventWait = 10s;

QJsonObject failure(const QString& sentence)
{
    return {{"text", sentence}, {"error", true}};
}

QJsonObject parsedObject(const QByteArray& line)
{
    return QJsonDocument::fromJson(line).object();
}

qint64 idOf(const QByteArray& request)
{
    return parsedObject(request).value("id").toInteger(-1);
}

// The answer the scripted editor gives when its script says nothing.
QJsonObject normalAnswer(qint64 id)
{
    return {{"id", id}, {"text", QStringLiteral("answer %1").arg(id)}, {"error", false}};
}

QJsonObject call(const EditorCall& editorCall, const QString& tool = QStringLiteral("get_project"),
                 const QJsonObject& arguments = {})
{
    return replyObject(editorCall(tool, arguments));
}

// One call through `editorCall` to a scripted editor started for it under `name`: the reply, and
// the one request the editor got. False when the editor did not start or stop, or did not get
// exactly one request.
bool callOneEditor(const QString& name, const EditorCall& editorCall, QByteArray& request,
                   QJsonObject& reply)
{
    ScriptedEditor editor;
    if (!startScriptedEditor(editor, name))
        return false;
    reply = call(editorCall);
    if (!stopScriptedEditor(editor))
        return false;
    const QByteArrayList received = receivedRequests(editor);
    if (received.size() != 1)
        return false;
    request = received.at(0);
    return true;
}

// Whether the ids of the requests run on by one from the first.
bool consecutive(const QByteArrayList& requests)
{
    for (qsizetype i = 1; i < requests.size(); ++i) {
        if (idOf(requests.at(i)) != idOf(requests.at(0)) + i)
            return false;
    }
    return !requests.isEmpty() && idOf(requests.at(0)) > 0;
}

// The call after one the editor left unanswered: on a new connection and with the next id, it
// gets the editor's answer.
void nextCallIsAnswered(const EditorCall& editorCall, const ScriptedEditor& editor)
{
    const QJsonObject next = call(editorCall);
    const QByteArrayList requests = receivedRequests(editor);
    QCOMPARE(requests.size(), 2);
    QVERIFY(consecutive(requests));
    QCOMPARE(next, normalAnswer(idOf(requests.at(1))));
    QCOMPARE(acceptedConnections(editor), 2);
}

// How the stand-in's answer to split_clip {"seconds": 2} may look.
enum class Outcome { Answer, Refusal, NotRunning, Silent, StrayAnswer };

// What the exchange must say became of the call.
EditorOutcome editorOutcomeOf(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Answer:
    case Outcome::Refusal:
        return EditorOutcome::Answered;
    case Outcome::NotRunning:
        return EditorOutcome::NothingListens;
    case Outcome::Silent:
        return EditorOutcome::NoAnswer;
    case Outcome::StrayAnswer:
        return EditorOutcome::OutOfTurn;
    }
    return EditorOutcome::Answered;
}

QJsonObject withoutId(QJsonObject reply)
{
    reply.remove("id");
    return reply;
}

} // namespace

Q_DECLARE_METATYPE(std::optional<QByteArray>)
Q_DECLARE_METATYPE(Outcome)

class ExchangeTest : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init();
    void cleanup();

    void pipeName_data();
    void pipeName();
    void nameDerivedFromTheProfileFolder();
    void callGoesToTheDerivedName();

    void notRunning_data();
    void notRunning();
    void startedOnlyAfterFailedCalls();
    void restartedBetweenCalls();

    void answerId_data();
    void answerId();
    void twoLinesToOneRequest();
    void neverAnswers();
    void neverReadsTheRequest();
    void cancelledWhileWaiting();
    void tricklingAnswerIsKeptAlive();
    void closesAfterAnswering();
    void dropsMidReply();
    void closedWhileStreaming();
    void requestLines_data();
    void requestLines();

    void standinModes_data();
    void standinModes();
    void largePicture();

  private:
    QByteArray savedHome;
    QString name;
};

void ExchangeTest::init()
{
    savedHome = qgetenv("HOME");
    name = uniquePipeName(QTest::currentTestFunction());
    qputenv("KESTROVA_AI_PIPE", name.toUtf8());
}

void ExchangeTest::cleanup()
{
    qputenv("HOME", savedHome);
    qunsetenv("KESTROVA_AI_PIPE");
}

void ExchangeTest::pipeName_data()
{
    QTest::addColumn<QByteArray>("home");
    QTest::addColumn<std::optional<QByteArray>>("pipeVariable");
    QTest::addColumn<QString>("expected");

    const std::optional<QByteArray> empty("");
    const QString anna = QStringLiteral("kestrova-ai-719c231b4611");
    QTest::newRow("empty KESTROVA_AI_PIPE: the name derived from the home")
        << QByteArray("/home/anna") << empty << anna;
    QTest::newRow("no KESTROVA_AI_PIPE: the name derived from the home")
        << QByteArray("/home/anna") << std::optional<QByteArray>() << anna;
    QTest::newRow("another home, another name")
        << QByteArray("/home/bert") << empty << QStringLiteral("kestrova-ai-62c6644240b8");
    QTest::newRow("the home path is hashed as UTF-8")
        << QByteArray("/home/zo\xc3\xab") << empty << QStringLiteral("kestrova-ai-0bc5de34b68a");
    QTest::newRow("a home written with a trailing slash is the same home")
        << QByteArray("/home/anna/") << empty << anna;
    QTest::newRow("KESTROVA_AI_PIPE is used unchanged")
        << QByteArray("/home/anna") << std::optional<QByteArray>(" my editor ")
        << QStringLiteral(" my editor ");
}

void ExchangeTest::pipeName()
{
    QFETCH(QByteArray, home);
    QFETCH(std::optional<QByteArray>, pipeVariable);
    QFETCH(QString, expected);

    qputenv("HOME", home);
    if (pipeVariable)
        qputenv("KESTROVA_AI_PIPE", *pipeVariable);
    else
        qunsetenv("KESTROVA_AI_PIPE");
#ifdef Q_OS_WIN
    if (!pipeVariable || pipeVariable->isEmpty())
        QSKIP("on Windows the home folder is the user's profile folder, which HOME does not steer");
#endif
    QCOMPARE(editorPipeName(), expected);
    QCOMPARE(editorPipeName(), expected);
}

void ExchangeTest::nameDerivedFromTheProfileFolder()
{
#ifndef Q_OS_WIN
    QSKIP("the profile folder is Windows' home folder");
#else
    qputenv("KESTROVA_AI_PIPE", "");
    // Qt writes the folder with forward slashes, as the editor hashes it too.
    QVERIFY2(!QDir::homePath().contains(u'\\'), qPrintable(QDir::homePath()));
    static const QRegularExpression derivedName(QStringLiteral("^kestrova-ai-[0-9a-f]{12}$"));
    QVERIFY2(derivedName.match(editorPipeName()).hasMatch(), qPrintable(editorPipeName()));
    QCOMPARE(editorPipeName(), editorPipeName());
#endif
}

void ExchangeTest::callGoesToTheDerivedName()
{
    qputenv("KESTROVA_AI_PIPE", "");
#ifdef Q_OS_WIN
    // The profile folder, which nothing steers: the name is whatever it derives to.
    const QString derived = editorPipeName();
#else
    qputenv("HOME", "/nonexistent/kestrova-derived-name");
    const QString derived = QStringLiteral("kestrova-ai-9b43ef7150ee");
#endif

    ScriptedEditor editor;
    QVERIFY(startScriptedEditor(editor, derived));
    QLocalSocket socket;
    const QJsonObject reply = call(makeEditorCall(socket, testTimeouts));
    const QByteArrayList requests = receivedRequests(editor);
    QCOMPARE(requests.size(), 1);
    QCOMPARE(reply, normalAnswer(idOf(requests.at(0))));
}

void ExchangeTest::notRunning_data()
{
    QTest::addColumn<bool>("fileHoldsTheName");

    QTest::newRow("nobody listens under the name") << false;
    QTest::newRow("a file that is no socket holds the name") << true;
}

void ExchangeTest::notRunning()
{
    QFETCH(bool, fileHoldsTheName);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath("editor");
    if (fileHoldsTheName) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    qputenv("KESTROVA_AI_PIPE", QFile::encodeName(path));

    QLocalSocket socket;
    const EditorCall editorCall = makeEditorCall(socket, testTimeouts);
    QElapsedTimer elapsed;
    elapsed.start();
    QCOMPARE(call(editorCall), failure(notRunningSentence));
    QVERIFY2(elapsed.elapsed() < promptFailureLimit.count(),
             qPrintable(QString::number(elapsed.elapsed())));
    QCOMPARE(socket.state(), QLocalSocket::UnconnectedState);
}

void ExchangeTest::startedOnlyAfterFailedCalls()
{
    QLocalSocket socket;
    const EditorCall editorCall = makeEditorCall(socket, testTimeouts);
    QCOMPARE(call(editorCall), failure(notRunningSentence));
    QCOMPARE(call(editorCall), failure(notRunningSentence));

    QByteArray before;
    QJsonObject first;
    QVERIFY(callOneEditor(name, editorCall, before, first));
    QCOMPARE(first, normalAnswer(idOf(before)));

    // Calls that found no editor wrote nothing and used up no id.
    QCOMPARE(call(editorCall), failure(notRunningSentence));
    QCOMPARE(call(editorCall), failure(notRunningSentence));
    ScriptedEditor editor;
    QVERIFY(startScriptedEditor(editor, name));
    const QJsonObject second = call(editorCall);
    const QByteArrayList after = receivedRequests(editor);
    QCOMPARE(after.size(), 1);
    QCOMPARE(idOf(after.at(0)), idOf(before) + 1);
    QCOMPARE(second, normalAnswer(idOf(after.at(0))));
}

void ExchangeTest::restartedBetweenCalls()
{
    QLocalSocket socket;
    const EditorCall editorCall = makeEditorCall(socket, testTimeouts);
    QByteArrayList requests;
    for (int run = 0; run < 3; ++run) {
        QByteArray request;
        QJsonObject reply;
        QVERIFY(callOneEditor(name, editorCall, request, reply));
        QCOMPARE(reply, normalAnswer(idOf(request)));
        requests += request;
    }
    QVERIFY(consecutive(requests));
}

void ExchangeTest::answerId_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("the request's id")
        << QByteArray(R"({"id":{id},"text":"t","error":false})") << true;
    QTest::newRow("the request's id as a whole number in decimal notation")
        << QByteArray(R"({"id":{id}.0,"text":"t"})") << true;
    QTest::newRow("other members are kept")
        << QByteArray(R"({"text":"t","id":{id},"error":true,"extra":[1,{"a":null}]})") << true;
    QTest::newRow("id 0") << QByteArray(R"({"id":0,"text":"t"})") << false;
    QTest::newRow("no id") << QByteArray(R"({"text":"t"})") << false;
    QTest::newRow("id null") << QByteArray(R"({"id":null,"text":"t"})") << false;
    QTest::newRow("id written as a string holding the right number")
        << QByteArray(R"({"id":"{id}","text":"t"})") << false;
    QTest::newRow("the id of another request")
        << QByteArray(R"({"id":{id}000,"text":"t"})") << false;
    QTest::newRow("a fractional id") << QByteArray(R"({"id":{id}.5,"text":"t"})") << false;
    QTest::newRow("a line that is not JSON") << QByteArray(R"(not JSON {"id":{id}})") << false;
    QTest::newRow("a JSON array holding the answer")
        << QByteArray(R"([{"id":{id},"text":"t"}])") << false;
    QTest::newRow("an empty line") << QByteArray() << false;
}

void ExchangeTest::answerId()
{
    QFETCH(QByteArray, answer);
    QFETCH(bool, accepted);

    ScriptedEditor editor;
    QVERIFY(startScriptedEditor(editor, name, {EditorAction{{answer + '\n'}}}));
    QLocalSocket socket;
    const EditorCall editorCall = makeEditorCall(socket, testTimeouts);
    const QJsonObject reply = call(editorCall);
    const QJsonObject next = call(editorCall);

    const QByteArrayList requests = receivedRequests(editor);
    QCOMPARE(requests.size(), 2);
    QVERIFY(consecutive(requests));
    if (accepted) {
        QCOMPARE(reply, parsedObject(QByteArray(answer).replace(
                            "{id}", QByteArray::number(idOf(requests.at(0))))));
        QCOMPARE(acceptedConnections(editor), 1);
    } else {
        QCOMPARE(reply, failure(strayAnswerSentence));
        // What came with a stray answer is dropped with its connection.
        QCOMPARE(acceptedConnections(editor), 2);
    }
    QCOMPARE(next, normalAnswer(idOf(requests.at(1))));
}

void ExchangeTest::twoLinesToOneRequest()
{
    const EditorAction twoLines{{R"({"id":{id},"text":"first"})"
                                 "\n"
                                 R"({"id":{id},"text":"second"})"
                                 "\n"}};
    ScriptedEditor editor;
    QVERIFY(startScriptedEditor(editor, name, {twoLines}));
    QLocalSocket socket;
    const EditorCall editorCall = makeEditorCall(socket, testTimeouts);
    const QJsonObject first = call(editorCall);
    const QJsonObject second = call(editorCall);
    const QJsonObject third = call(editorCall);

    const QByteArrayList requests = receivedRequests(editor);
    QCOMPARE(requests.size(), 3);
    QVERIFY(consecutive(requests));
    QCOMPARE(first, QJsonObject({{"id", idOf(requests.at(0))}, {"text", "first"}}));
    // The second line answers nobody: the connection that holds it is out of step, and the
    // second question goes out on a fresh one, once, and gets its own answer.
    QCOMPARE(second, normalAnswer(idOf(requests.at(1))));
    QCOMPARE(third, normalAnswer(idOf(requests.at(2))));
    QCOMPARE(acceptedConnections(editor), 2);
}

void ExchangeTest::neverAnswers()
{
    const EditorTimeouts shortWait{1500ms, 300ms};
    ScriptedEditor editor;
    QVERIFY(startScriptedEditor(editor, name, {EditorAction{}}));
    QLocalSocket socket;
    const EditorCall editorCall = makeEditorCall(socket, shortWait);

    QElapsedTimer elapsed;
    elapsed.start();
    QCOMPARE(call(editorCall), failure(silentSentence));
    QVERIFY(elapsed.elapsed() >= shortWait.replyData.count() - 10);
    QCOMPARE(socket.state(), QLocalSocket::UnconnectedState);
    nextCallIsAnswered(editorCall, editor);
}

// An editor that accepts the connection but never reads: the request's write and the wait for
// the reply share one wait, so the call fails after one wait, not two.
void ExchangeTest::neverReadsTheRequest()
{
    const EditorTimeouts shortWait{1500ms, 1500ms};
    QLocalServer server;
    QLocalServer::removeServer(name);
    QVERIFY(server.listen(name));
    QLocalSocket socket;
    const QJsonObject arguments{{"text", QString(8 * 1024 * 1024, u'x')}};

    QElapsedTimer elapsed;
    elapsed.start();
    QCOMPARE(call(makeEditorCall(socket, shortWait), "add_title", arguments),
             failure(silentSentence));
    QVERIFY(elapsed.elapsed() >= shortWait.replyData.count() - 10);
    QVERIFY2(elapsed.elapsed() < 2 * shortWait.replyData.count() - 300,
             qPrintable(QString::number(elapsed.elapsed())));
    QCOMPARE(socket.state(), QLocalSocket::UnconnectedState);
}

// A wait that reports the call cancelled ends it with no reply, and takes the connection with
// it: the editor's late answer never meets the next call. The cancellation comes once the request
// has left (a Windows pipe writes on its own time), so the editor has the question to answer late.
void ExchangeTest::cancelledWhileWaiting()
{
    ScriptedEditor editor;
    QVERIFY(startScriptedEditor(editor, name,
                                {EditorAction{{R"({"id":{id},"text":"late"})", "\n"}, 200ms}}));
    QLocalSocket socket;
    bool cancelled = false;
    const EditorWait cancelFirst = [&cancelled](QLocalSocket& waitingOn,
                                                const QDeadlineTimer& deadline) {
        if (cancelled || waitingOn.bytesToWrite() > 0)
            return waitOnSocketAlone(waitingOn, deadline);
        cancelled = true;
        return EditorWaitEnd::CallDropped;
    };
    const EditorCall editorCall = makeEditorCall(socket, testTimeouts, cancelFirst);

    const EditorReply dropped = editorCall("get_project", {});
    QCOMPARE(dropped.outcome, EditorOutcome::Cancelled);
    QCOMPARE(socket.state(), QLocalSocket::UnconnectedState);
    // The late answer has been given before the next question is asked.
    QVERIFY(waitForEditorActions(editor, 1, editorEventWait));
    const EditorReply next = editorCall("get_project", {});
    QCOMPARE(next.outcome, EditorOutcome::Answered);
    const QByteArrayList requests = receivedRequests(editor);
    QCOMPARE(requests.size(), 2);
    QVERIFY(consecutive(requests));
    QCOMPARE(replyObject(next), normalAnswer(idOf(requests.at(1))));
    QCOMPARE(acceptedConnections(editor), 2);
}

void ExchangeTest::tricklingAnswerIsKeptAlive()
{
    // Eight pieces 150 ms apart take longer than one 700 ms wait, but each comes within it.
    const EditorTimeouts shortWait{1500ms, 700ms};
    const EditorAction trickle{{R"({"i)", R"(d":)", R"({id},"te)", R"(xt":"slow)", R"(ly")",
                                R"(,"error")", ":fal", "se}\n"},
                               150ms};
    ScriptedEditor editor;
    QVERIFY(startScriptedEditor(editor, name, {trickle}));
    QLocalSocket socket;
    const QJsonObject reply = call(makeEditorCall(socket, shortWait));

    const QByteArrayList requests = receivedRequests(editor);
    QCOMPARE(requests.size(), 1);
    QCOMPARE(reply,
             QJsonObject({{"id", idOf(requests.at(0))}, {"text", "slowly"}, {"error", false}}));
}

void ExchangeTest::closesAfterAnswering()
{
    EditorAction answerThenClose = answerNormally();
    answerThenClose.closeAfter = true;
    ScriptedEditor editor;
    QVERIFY(startScriptedEditor(editor, name, {answerThenClose, answerThenClose, answerThenClose}));
    QLocalSocket socket;
    const EditorCall editorCall = makeEditorCall(socket, testTimeouts);

    for (int round = 1; round <= 3; ++round) {
        const QJsonObject reply = call(editorCall);
        const QByteArrayList requests = receivedRequests(editor);
        QCOMPARE(requests.size(), round);
        QCOMPARE(reply, normalAnswer(idOf(requests.last())));
        // Only once the editor's side is closed: with no event loop the socket here may still
        // say it is connected, and the next call must find out before it writes.
        QVERIFY(waitForEditorClosures(editor, round, editorEventWait));
    }
    const QJsonObject last = call(editorCall);
    const QByteArrayList requests = receivedRequests(editor);
    QCOMPARE(requests.size(), 4);
    QVERIFY(consecutive(requests));
    QCOMPARE(last, normalAnswer(idOf(requests.last())));
    QCOMPARE(acceptedConnections(editor), 4);
}

void ExchangeTest::dropsMidReply()
{
    const EditorAction halfThenClose{{R"({"id":{id},"text":"half an ans)"}, 0ms, true};
    ScriptedEditor editor;
    QVERIFY(startScriptedEditor(editor, name, {halfThenClose}));
    QLocalSocket socket;
    const EditorCall editorCall = makeEditorCall(socket, testTimeouts);
    QCOMPARE(call(editorCall), failure(silentSentence));
    QCOMPARE(socket.state(), QLocalSocket::UnconnectedState);
    nextCallIsAnswered(editorCall, editor);
}

// A reply that comes in pieces and then stops with the connection closed: the wait is never
// asked to wait on a connection that has closed.
void ExchangeTest::closedWhileStreaming()
{
    const EditorAction piecesThenClose{
        {R"({"id":{id},)", R"("text":"a reply )", R"(cut short)"}, 50ms, true};
    ScriptedEditor editor;
    QVERIFY(startScriptedEditor(editor, name, {piecesThenClose}));
    QLocalSocket socket;
    int waitsOnClosed = 0;
    const EditorWait watchful = [&waitsOnClosed](QLocalSocket& waitingOn,
                                                 const QDeadlineTimer& deadline) {
        if (waitingOn.state() != QLocalSocket::ConnectedState)
            ++waitsOnClosed;
        return waitOnSocketAlone(waitingOn, deadline);
    };
    const EditorCall editorCall = makeEditorCall(socket, testTimeouts, watchful);
    QCOMPARE(call(editorCall), failure(silentSentence));
    QCOMPARE(socket.state(), QLocalSocket::UnconnectedState);
    QCOMPARE(waitsOnClosed, 0);
    nextCallIsAnswered(editorCall, editor);
}

void ExchangeTest::requestLines_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QJsonObject>("arguments");

    QTest::newRow("no arguments") << QStringLiteral("save_project") << QJsonObject();
    QTest::newRow("numbers, strings and booleans")
        << QStringLiteral("split_clip")
        << QJsonObject{{"seconds", 12.25}, {"clip", "c7"}, {"close_gap", false}};
    QTest::newRow("nested arrays and objects pass unchanged")
        << QStringLiteral("keep_only")
        << QJsonObject{{"parts", QJsonArray{QJsonObject{{"from_seconds", 1}, {"to_seconds", 2.5}},
                                            QJsonArray{3, 4}, QJsonValue()}}};
    QTest::newRow("text that needs escaping stays one line")
        << QStringLiteral("add_title")
        << QJsonObject{{"text", "Line one\nLine \"two\"\t\\ \u00e4h \U0001F3AC"}};
    QTest::newRow("an argument named id is not the request's id")
        << QStringLiteral("get_clip") << QJsonObject{{"id", "c1"}, {"tool", "x"}};
    QTest::newRow("a name the catalogue lacks is sent as it is")
        << QStringLiteral("make_coffee") << QJsonObject{{"sugar", 2}};
    QTest::newRow("a name that needs escaping is escaped")
        << QStringLiteral("say \"hi\"\\\n\u00e4") << QJsonObject{{"sugar", 2}};
}

void ExchangeTest::requestLines()
{
    QFETCH(QString, tool);
    QFETCH(QJsonObject, arguments);

    ScriptedEditor editor;
    QVERIFY(startScriptedEditor(editor, name));
    QLocalSocket socket;
    const EditorCall editorCall = makeEditorCall(socket, testTimeouts);
    call(editorCall, tool, arguments);
    call(editorCall, tool, arguments);

    const QByteArrayList requests = receivedRequests(editor);
    QCOMPARE(requests.size(), 2);
    QVERIFY(consecutive(requests));
    for (const QByteArray& line : requests) {
        QVERIFY(line.endsWith('\n'));
        const QByteArray text = line.chopped(1);
        QVERIFY(!text.contains('\n') && !text.contains('\r'));
        const QJsonDocument document = QJsonDocument::fromJson(text);
        QVERIFY(document.isObject());
        QCOMPARE(text, document.toJson(QJsonDocument::Compact));
        const QJsonObject expected{{"id", idOf(line)}, {"tool", tool}, {"arguments", arguments}};
        QCOMPARE(document.object(), expected);
    }
}

void ExchangeTest::standinModes_data()
{
    QTest::addColumn<QStringList>("standinArguments");
    QTest::addColumn<int>("replyWaitMs");
    QTest::addColumn<QList<Outcome>>("outcomes");
    QTest::addColumn<bool>("closesEachTime"); // the next call waits until it has closed

    const auto thrice = [](Outcome outcome) { return QList<Outcome>{outcome, outcome, outcome}; };
    const QList<Outcome> answers = thrice(Outcome::Answer);
    QTest::newRow("normal") << QStringList{} << 5000 << answers << false;
    QTest::newRow("slow, within the wait")
        << QStringList{"--mode", "slow", "--delay-ms", "300"} << 2000 << answers << false;
    QTest::newRow("trickle, each piece within the wait")
        << QStringList{"--mode", "trickle"} << 600 << answers << false;
    // The close must have arrived before the next call: a request written while the editor
    // is closing is lost whatever the server does.
    QTest::newRow("closes after answering")
        << QStringList{"--mode", "close-after", "--verbose"} << 5000 << answers << true;
    QTest::newRow("refuses with its error flag")
        << QStringList{"--mode", "error"} << 5000 << thrice(Outcome::Refusal) << false;
    const std::pair<const char*, const char*> strayModes[] = {
        {"wrong id", "wrong-id"}, {"id as a string", "string-id"}, {"not JSON", "not-json"}};
    for (const auto& [row, mode] : strayModes)
        QTest::newRow(row) << QStringList{"--mode", mode} << 5000 << thrice(Outcome::StrayAnswer)
                           << false;
    QTest::newRow("two lines to each request")
        << QStringList{"--mode", "two-lines"} << 5000 << answers << false;
    QTest::newRow("silent") << QStringList{"--mode", "silent"} << 300 << thrice(Outcome::Silent)
                            << false;
    QTest::newRow("slower than the wait")
        << QStringList{"--delay-ms", "1500"} << 300 << thrice(Outcome::Silent) << false;
    QTest::newRow("drops the connection mid-reply")
        << QStringList{"--mode", "drop-mid-reply"} << 5000 << thrice(Outcome::Silent) << false;
    QTest::newRow("exits before replying")
        << QStringList{"--mode", "exit-before-reply"} << 5000
        << QList<Outcome>{Outcome::Silent, Outcome::NotRunning, Outcome::NotRunning} << false;
}

void ExchangeTest::standinModes()
{
    QFETCH(QStringList, standinArguments);
    QFETCH(int, replyWaitMs);
    QFETCH(QList<Outcome>, outcomes);
    QFETCH(bool, closesEachTime);

    const LiveProcess standin = startStandin(name, standinArguments);
    QVERIFY(standin);
    QLocalSocket socket;
    const EditorCall editorCall =
        makeEditorCall(socket, {1500ms, std::chrono::milliseconds(replyWaitMs)});
    const QJsonObject arguments{{"seconds", 2}};
    int closed = 0;
    for (const Outcome outcome : outcomes) {
        if (closesEachTime && closed++ > 0)
            QVERIFY(
                waitForLine(*standin, "closed " + QByteArray::number(closed - 1), editorEventWait));
        const EditorReply got = editorCall("split_clip", arguments);
        QCOMPARE(got.outcome, editorOutcomeOf(outcome));
        const QJsonObject reply = replyObject(got);
        switch (outcome) {
        case Outcome::Answer:
            QVERIFY2(reply.value("id").toInteger() > 0, QJsonDocument(reply).toJson().constData());
            QCOMPARE(withoutId(reply),
                     QJsonObject({{"text", "Done: split the clips at that time (seconds 2)."},
                                  {"error", false}}));
            break;
        case Outcome::Refusal:
            QVERIFY(reply.value("id").toInteger() > 0);
            QCOMPARE(withoutId(reply),
                     QJsonObject({{"text", "Kestrova could not do split_clip: no project is open."},
                                  {"error", true}}));
            break;
        case Outcome::NotRunning:
            QCOMPARE(reply, failure(notRunningSentence));
            break;
        case Outcome::Silent:
            QCOMPARE(reply, failure(silentSentence));
            break;
        case Outcome::StrayAnswer:
            QCOMPARE(reply, failure(strayAnswerSentence));
            break;
        }
    }
    QVERIFY(terminatesCleanly(*standin));
}

void ExchangeTest::largePicture()
{
    constexpr qsizetype pictureTextBytes = 32 * 1024 * 1024;
    const LiveProcess standin =
        startStandin(name, {"--image-bytes", QString::number(pictureTextBytes)});
    QVERIFY(standin);
    QLocalSocket socket;
    const EditorReply reply = makeEditorCall(socket, testTimeouts)("get_frame", {{"seconds", 1}});
    QVERIFY(terminatesCleanly(*standin));

    const QJsonObject object = replyObject(reply);
    QCOMPARE(object.value("error"), QJsonValue(false));
    const QByteArray text = object.value("image").toString().toLatin1();
    QVERIFY(qAbs(text.size() - pictureTextBytes) <= 4);
    const auto decoded =
        QByteArray::fromBase64Encoding(text, QByteArray::AbortOnBase64DecodingErrors);
    QVERIFY(decoded);
    QVERIFY(decoded.decoded.startsWith("\xff\xd8\xff"));
    QVERIFY(decoded.decoded.endsWith("\xff\xd9"));
}

QTEST_GUILESS_MAIN(ExchangeTest)
#include "tst_exchange.moc"
