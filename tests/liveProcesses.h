#pragma once

// The built server and stand-in editor as processes, for tests that talk to them for real.

#include <QByteArray>
#include <QProcess>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

constexpr std::chrono::milliseconds processStartTimeout{10000};

// Ends a process that is still running (politely first) before it is deleted.
struct StopProcess {
    void operator()(QProcess* process) const;
};
using LiveProcess = std::unique_ptr<QProcess, StopProcess>;

// A socket name no other test run uses.
QString uniquePipeName(const char* purpose);

// The stand-in editor listening under `name`, once it has said so; nullptr if it did not start.
LiveProcess startStandin(const QString& name, const QStringList& options = {});

// Ends a process with SIGTERM; true when it then exited by itself with status 0.
bool terminatesCleanly(QProcess& process);

// The server with KESTROVA_AI_PIPE set to `name`, ready for requests. `inChild`, where given, is
// run in the child just before the server starts (Unix only; a test seam for the streams it
// inherits).
LiveProcess startServer(const QString& name, const std::function<void()>& inChild = {});

// Waits until the process has written `line` as a whole line of its standard output, and leaves
// what it wrote unread; false when that did not happen in time.
bool waitForLine(QProcess& process, const QByteArray& line, std::chrono::milliseconds timeout);

// The next line the process writes, without its line feed; nothing when none came in time.
std::optional<QByteArray> readLineFrom(QProcess& process, std::chrono::milliseconds timeout);
