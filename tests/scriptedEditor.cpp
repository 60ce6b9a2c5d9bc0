#include "scriptedEditor.h"

#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <future>

using namespace std::chrono_literals;

namespace
{

// How often the editor's thread looks for new connections and data.
constexpr std::chrono::milliseconds editorPoll = 10ms;
// The longest any one write or close of the editor may take.
constexpr std::chrono::milliseconds editorIoWait = 10s;
// An editor thread ends by itself after this, whatever the test does.
constexpr std::chrono::milliseconds editorLifeLimit = 120s;
constexpr std::chrono::milliseconds editorStartWait = 10s;

QByteArray requestIdText(const QByteArray& request)
{
    return QByteArray::number(QJsonDocument::fromJson(request).object().value("id").toInteger());
}

EditorAction nextAction(ScriptedEditorState& state, const QByteArray& request)
{
    const std::lock_guard lock(state.mutex);
    state.requests.append(request);
    return state.script.isEmpty() ? answerNormally() : state.script.takeFirst();
}

void writeAll(QLocalSocket& peer, const QByteArray& bytes)
{
    peer.write(bytes);
    const QDeadlineTimer deadline(editorIoWait);
    while (peer.bytesToWrite() > 0 && !deadline.hasExpired()) {
        if (!peer.waitForBytesWritten(int(deadline.remainingTime())))
            break;
    }
}

// True when the action closed the connection.
bool carryOut(QLocalSocket& peer, const EditorAction& action, const QByteArray& request,
              ScriptedEditorState& state)
{
    const QByteArray id = requestIdText(request);
    for (qsizetype i = 0; i < action.pieces.size(); ++i) {
        if (i > 0)
            QThread::msleep(action.pause.count());
        QByteArray piece = action.pieces.at(i);
        writeAll(peer, piece.replace("{id}", id));
    }
    if (action.closeAfter) {
        peer.disconnectFromServer();
        if (peer.state() != QLocalSocket::UnconnectedState)
            peer.waitForDisconnected(int(editorIoWait.count()));
    }
    const std::lock_guard lock(state.mutex);
    ++state.actionsDone;
    state.closedByEditor += action.closeAfter ? 1 : 0;
    return action.closeAfter;
}

// Waits until `count` of what `counter` counts has happened.
bool waitForCount(const ScriptedEditor& editor, int ScriptedEditorState::*counter, int count,
                  std::chrono::milliseconds timeout)
{
    const QDeadlineTimer deadline(timeout);
    while (!deadline.hasExpired()) {
        {
            const std::lock_guard lock(editor.state->mutex);
            if (*editor.state.*counter >= count)
                return true;
        }
        QThread::msleep(editorPoll.count());
    }
    return false;
}

void runEditor(QLocalServer& server, ScriptedEditorState& state)
{
    std::unique_ptr<QLocalSocket> peer;
    const QDeadlineTimer lifetime(editorLifeLimit);
    while (!state.stop && !lifetime.hasExpired()) {
        if (peer && peer->canReadLine()) {
            const QByteArray request = peer->readLine();
            if (carryOut(*peer, nextAction(state, request), request, state))
                peer.reset();
            continue;
        }
        if (server.hasPendingConnections() || server.waitForNewConnection(0)) {
            // What the old connection still holds is answered first, if only into the void.
            if (peer && peer->waitForReadyRead(0) && peer->canReadLine())
                continue;
            peer.reset(server.nextPendingConnection());
            const std::lock_guard lock(state.mutex);
            ++state.connections;
            continue;
        }
        if (!peer) {
            server.waitForNewConnection(int(editorPoll.count()));
            continue;
        }
        if (peer->state() == QLocalSocket::UnconnectedState && peer->bytesAvailable() == 0) {
            peer.reset();
            continue;
        }
        peer->waitForReadyRead(int(editorPoll.count()));
    }
}

} // namespace

EditorAction answerNormally()
{
    return {{R"({"id":{id},"text":"answer {id}","error":false})"
             "\n"}};
}

ScriptedEditor::ScriptedEditor() = default;

ScriptedEditor::~ScriptedEditor()
{
    stopScriptedEditor(*this);
}

bool startScriptedEditor(ScriptedEditor& editor, const QString& name,
                         const QList<EditorAction>& script)
{
    stopScriptedEditor(editor);
    editor.state = std::make_shared<ScriptedEditorState>();
    editor.state->script = script;
    auto listening = std::make_shared<std::promise<bool>>();
    std::future<bool> ready = listening->get_future();
    editor.thread.reset(QThread::create([name, listening, state = editor.state] {
        QLocalServer server;
        QLocalServer::removeServer(name);
        const bool ok = server.listen(name);
        listening->set_value(ok);
        if (ok)
            runEditor(server, *state);
    }));
    editor.thread->start();
    return ready.wait_for(editorStartWait) == std::future_status::ready && ready.get();
}

bool stopScriptedEditor(ScriptedEditor& editor)
{
    if (!editor.thread)
        return true;
    editor.state->stop = true;
    const bool ended = editor.thread->wait(QDeadlineTimer(editorLifeLimit));
    editor.thread.reset();
    return ended;
}

QByteArrayList receivedRequests(const ScriptedEditor& editor)
{
    const std::lock_guard lock(editor.state->mutex);
    return editor.state->requests;
}

int acceptedConnections(const ScriptedEditor& editor)
{
    const std::lock_guard lock(editor.state->mutex);
    return editor.state->connections;
}

bool waitForEditorClosures(const ScriptedEditor& editor, int count,
                           std::chrono::milliseconds timeout)
{
    return waitForCount(editor, &ScriptedEditorState::closedByEditor, count, timeout);
}

bool waitForEditorActions(const ScriptedEditor& editor, int count,
                          std::chrono::milliseconds timeout)
{
    return waitForCount(editor, &ScriptedEditorState::actionsDone, count, timeout);
}
