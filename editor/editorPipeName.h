#pragma once

#include <QString>

// The editor's local socket name: KESTROVA_AI_PIPE when set and not empty, otherwise
// "kestrova-ai-" and the first 12 hex digits of the SHA-256 of the home directory.
QString editorPipeName();

// The socket name and where it came from.
struct EditorPipeOrigin {
    QString name;
    QString homePath; // the home directory it was derived from; empty when KESTROVA_AI_PIPE set it
};

EditorPipeOrigin editorPipeOrigin();

// Where a local socket of this name lives: the pipe's path on Windows, the socket file elsewhere.
QString editorSocketLocation(const QString& name);
