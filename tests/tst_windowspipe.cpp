// The editor's pipe on Windows: who serves it, and a connect bounded by its deadline even when
// every instance of the pipe is taken.

#include "editor/editorExchange.h"
#include "editor/localConnect.h"
#include "editor/peerUser.h"
#include "editor/peerUser_win.h"
#include "expectedSentences.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QtTest>

#include <chrono>

#include <windows.h>

#include "underWine.h"

using namespace std::chrono_literals;

namespace
{

constexpr std::chrono::milliseconds connectLimit = 1500ms;
// Qt's own connect waits 5 s for a busy pipe; giving up well before that shows the limit holds.
constexpr std::chrono::milliseconds busyPipeGiveUpBound = 4000ms;

QString uniqueName(const char* purpose)
{
    static int made = 0;
    return QStringLiteral("kestrova-%1-%2-%3")
        .arg(QLatin1String(purpose))
        .arg(QCoreApplication::applicationPid())
        .arg(++made);
}

std::wstring pipePath(const QString& name)
{
    return (QStringLiteral("\\\\.\\pipe\\") + name).toStdWString();
}

// A pipe with a single instance, already taken by a client of its own.
struct TakenPipe {
    HANDLE server = INVALID_HANDLE_VALUE;
    HANDLE client = INVALID_HANDLE_VALUE;
    ~TakenPipe()
    {
        if (client != INVALID_HANDLE_VALUE)
            CloseHandle(client);
        if (server != INVALID_HANDLE_VALUE)
            CloseHandle(server);
    }
};

bool takeOnlyInstance(const QString& name, TakenPipe& pipe)
{
    const std::wstring path = pipePath(name);
    pipe.server = CreateNamedPipeW(path.c_str(), PIPE_ACCESS_DUPLEX,
                                   PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 4096, 4096,
                                   0, nullptr);
    if (pipe.server == INVALID_HANDLE_VALUE)
        return false;
    pipe.client = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              0, nullptr);
    return pipe.client != INVALID_HANDLE_VALUE;
}

} // namespace

class TestWindowsPipe : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    // Wine has a single user, so a foreign one is named through the seam: the pipe's server is
    // also compared with the SID of LocalSystem, which the test does not run as.
    void whoServesThePipe()
    {
        const QString name = uniqueName("same-user");
        QLocalServer server;
        QVERIFY(server.listen(name));
        QLocalSocket socket;
        QVERIFY(connectWithin(socket, name, QDeadlineTimer(connectLimit)));
        QCOMPARE(socket.state(), QLocalSocket::ConnectedState);
        QVERIFY(peerIsSameUser(socket));

        unsigned char other[SECURITY_MAX_SID_SIZE];
        DWORD size = sizeof other;
        QVERIFY(CreateWellKnownSid(WinLocalSystemSid, nullptr, other, &size));
        QVERIFY(!pipeServerRunsAs(socket, other));
    }

    // The server of the pipe may learn who the program runs as, but not act as that user.
    void pipeServerMayOnlyIdentifyTheProgram()
    {
        const QString name = uniqueName("identify");
        const std::wstring path = pipePath(name);
        const HANDLE server = CreateNamedPipeW(path.c_str(), PIPE_ACCESS_DUPLEX,
                                               PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1,
                                               4096, 4096, 0, nullptr);
        QVERIFY(server != INVALID_HANDLE_VALUE);
        QLocalSocket socket;
        QVERIFY(connectWithin(socket, name, QDeadlineTimer(connectLimit)));
        // Impersonation needs something read from the client first.
        socket.write("x");
        QVERIFY(socket.waitForBytesWritten(int(connectLimit.count())));
        char sent = 0;
        DWORD read = 0;
        QVERIFY(ReadFile(server, &sent, 1, &read, nullptr) && read == 1);

        QVERIFY(ImpersonateNamedPipeClient(server));
        HANDLE token = nullptr;
        const bool opened = OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token);
        SECURITY_IMPERSONATION_LEVEL level = SecurityAnonymous;
        DWORD size = 0;
        const bool told = opened && GetTokenInformation(token, TokenImpersonationLevel, &level,
                                                        sizeof level, &size);
        RevertToSelf();
        if (token != nullptr)
            CloseHandle(token);
        CloseHandle(server);
        QVERIFY(told);
        if (runningUnderWine() && level == SecurityImpersonation)
            QSKIP("Wine lets a pipe's server impersonate its client whatever level the client "
                  "allows; Windows keeps to it");
        QCOMPARE(int(level), int(SecurityIdentification));
    }

    void unconnectedSocketCountsAsForeign()
    {
        QLocalSocket socket;
        QVERIFY(!peerIsSameUser(socket));
    }

    void missingPipeFailsAtOnce()
    {
        QLocalSocket socket;
        QElapsedTimer elapsed;
        elapsed.start();
        QVERIFY(!connectWithin(socket, uniqueName("missing"), QDeadlineTimer(connectLimit)));
        QVERIFY(elapsed.elapsed() < connectLimit.count());
        QCOMPARE(socket.state(), QLocalSocket::UnconnectedState);
    }

    void busyPipeGivesUpAtTheConnectLimit()
    {
        const QString name = uniqueName("busy");
        TakenPipe pipe;
        QVERIFY(takeOnlyInstance(name, pipe));
        qputenv("KESTROVA_AI_PIPE", name.toUtf8());
        QLocalSocket socket;
        const EditorCall call = makeEditorCall(socket, EditorTimeouts{connectLimit, 5s});
        QElapsedTimer elapsed;
        elapsed.start();
        const EditorReply reply = call(QStringLiteral("get_project"), QJsonObject());
        const qint64 tookMs = elapsed.elapsed();
        qunsetenv("KESTROVA_AI_PIPE");
        QCOMPARE(replyObject(reply).value("text").toString(), notRunningSentence);
        QVERIFY2(tookMs >= (connectLimit - 100ms).count() && tookMs < busyPipeGiveUpBound.count(),
                 qPrintable(QStringLiteral("gave up after %1 ms").arg(tookMs)));
    }
};

QTEST_GUILESS_MAIN(TestWindowsPipe)
#include "tst_windowspipe.moc"
