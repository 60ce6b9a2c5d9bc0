#include "standinProcess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>

#include <chrono>

using namespace std::chrono_literals;

namespace
{

constexpr std::chrono::milliseconds standinStartWait = 10s;
constexpr std::chrono::milliseconds standinStopWait = 10s;

} // namespace

QString uniqueEditorName(const QString& what)
{
    static int serial = 0;
    return QStringLiteral("kestrova-test-%1-%2-%3")
        .arg(what)
        .arg(QCoreApplication::applicationPid())
        .arg(++serial);
}

bool startStandin(QProcess& standin, const QString& name, const QStringList& arguments)
{
#ifdef KESTROVA_STANDIN_BINARY
    standin.setProcessChannelMode(QProcess::SeparateChannels);
    standin.start(QStringLiteral(KESTROVA_STANDIN_BINARY),
                  QStringList{"--name", name, "--announce"} + arguments);
    const QByteArray expected = "listening " + name.toUtf8() + '\n';
    QByteArray announced;
    const QDeadlineTimer deadline(standinStartWait);
    // Waits for the whole announcement line, or for the stand-in to give up.
    while (!announced.endsWith('\n') && standin.state() != QProcess::NotRunning &&
           !deadline.hasExpired()) {
        standin.waitForReadyRead(int(deadline.remainingTime()));
        announced += standin.readAllStandardOutput();
    }
    return announced == expected;
#else
    Q_UNUSED(standin);
    Q_UNUSED(name);
    Q_UNUSED(arguments);
    return false;
#endif
}

bool stopStandin(QProcess& standin)
{
    if (standin.state() == QProcess::NotRunning)
        return standin.exitStatus() == QProcess::NormalExit && standin.exitCode() == 0;
    standin.terminate();
    if (!standin.waitForFinished(int(standinStopWait.count()))) {
        standin.kill();
        standin.waitForFinished(int(standinStopWait.count()));
        return false;
    }
    return standin.exitStatus() == QProcess::NormalExit && standin.exitCode() == 0;
}
