#pragma once

#include <QString>

#include <chrono>

// How long the check waits for Kestrova's answer: a reading tool answers at once, and a person
// at a terminal should not wait the server's full minute.
constexpr std::chrono::milliseconds checkReplyTimeout{10000};

// What `kestrova-mcp --check` found, as a report for a person.
struct SelfCheck {
    QString report;
    bool editorAnswered = false;
};

// Looks at the editor's socket and makes one read-only call (get_project) through it.
SelfCheck runSelfCheck();
