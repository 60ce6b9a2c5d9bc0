#pragma once

#include <QByteArrayList>
#include <QList>
#include <QString>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>

class QThread;

// What the scripted editor does with one request line.
struct EditorAction {
    QByteArrayList pieces; // written in order; "{id}" stands for the request's id as sent
    std::chrono::milliseconds pause{0}; // between two pieces
    bool closeAfter = false;            // the editor closes the connection after the last piece
};

// {"id":<id>,"text":"answer <id>","error":false} and a line feed.
EditorAction answerNormally();

// What the editor's thread and the test share.
struct ScriptedEditorState {
    std::mutex mutex;
    QList<EditorAction> script; // taken from the front; when empty, answerNormally()
    QByteArrayList requests;    // every line received, line feed included
    int connections = 0;        // accepted so far
    int closedByEditor = 0;     // connections the editor itself closed
    int actionsDone = 0;        // requests whose action has been carried out to its end
    std::atomic<bool> stop{false};
};

// An editor in a thread of the test, listening under a name, one connection at a time (a newer
// one replaces the older). Stopped and joined when dropped.
struct ScriptedEditor {
    std::shared_ptr<ScriptedEditorState> state = std::make_shared<ScriptedEditorState>();
    std::unique_ptr<QThread> thread;

    ScriptedEditor();
    ScriptedEditor(const ScriptedEditor&) = delete;
    ScriptedEditor& operator=(const ScriptedEditor&) = delete;
    ~ScriptedEditor();
};

// False when it could not listen.
bool startScriptedEditor(ScriptedEditor& editor, const QString& name,
                         const QList<EditorAction>& script = {});

// Closes its connection and its socket; true when the thread has ended.
bool stopScriptedEditor(ScriptedEditor& editor);

QByteArrayList receivedRequests(const ScriptedEditor& editor);
int acceptedConnections(const ScriptedEditor& editor);

// Waits until the editor has closed `count` connections itself.
bool waitForEditorClosures(const ScriptedEditor& editor, int count,
                           std::chrono::milliseconds timeout);

// Waits until the editor has carried out `count` actions to their end (written every piece).
bool waitForEditorActions(const ScriptedEditor& editor, int count,
                          std::chrono::milliseconds timeout);
