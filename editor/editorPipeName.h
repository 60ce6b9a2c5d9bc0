#pragma once

#include <QString>

// The editor's local socket name: KESTROVA_AI_PIPE when set and not empty, otherwise
// "kestrova-ai-" and the first 12 hex digits of the SHA-256 of the home directory.
QString editorPipeName();
