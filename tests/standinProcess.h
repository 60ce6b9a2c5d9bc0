#pragma once

#include <QString>
#include <QStringList>

class QProcess;

// A socket name no other test run uses: "kestrova-test-<what>-<process id>-<serial>".
QString uniqueEditorName(const QString& what);

// Starts the built stand-in editor under `name` and waits for its "listening <name>" line.
bool startStandin(QProcess& standin, const QString& name, const QStringList& arguments = {});

// Ends it with SIGTERM; true when it then exited by itself with status 0.
bool stopStandin(QProcess& standin);
