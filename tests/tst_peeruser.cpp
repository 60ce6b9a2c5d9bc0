// Who holds the editor's socket: a listener of another user gets no tool call, and costs no id.

#include "expectedSentences.h"

#include "base/jsonText.h"
#include "editor/editorExchange.h"
#include "editor/peerUser.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <chrono>
#include <cstring>
#include <future>
#include <memory>

#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace
{

// "nobody" on Debian and most other systems; root may switch to it without it owning anything.
constexpr uid_t otherUserId = 65534;
constexpr gid_t otherGroupId = 65534;

// How long a test listener waits for a connection, and for data or the end of one.
constexpr std::chrono::milliseconds listenerWait = 10s;
// A forked listener ends itself (SIGALRM) after this, whatever happens to the test.
constexpr std::chrono::seconds childLifeLimit = 30s;
// How long a finished listener may take to exit before it is killed.
constexpr std::chrono::milliseconds childExitWait = 5s;
constexpr std::chrono::milliseconds childExitPoll = 10ms;

const EditorTimeouts shortTimeouts{1500ms, 5s};

// What a forked listener tells the test when its connection has ended.
struct ListenerReport {
    int accepted = 0;
    qint64 bytesReceived = 0;
};

// A forked process listening on a socket path as some user; killed and reaped when dropped.
struct ListenerChild {
    pid_t pid = -1;
    int reportFd = -1;

    ListenerChild() = default;
    ListenerChild(const ListenerChild&) = delete;
    ListenerChild& operator=(const ListenerChild&) = delete;
    ~ListenerChild()
    {
        if (pid > 0) {
            const QDeadlineTimer deadline(childExitWait);
            while (waitpid(pid, nullptr, WNOHANG) == 0) {
                if (deadline.hasExpired()) {
                    kill(pid, SIGKILL);
                    waitpid(pid, nullptr, 0);
                    break;
                }
                QThread::msleep(childExitPoll.count());
            }
        }
        if (reportFd >= 0)
            close(reportFd);
    }
};

bool waitReadable(int fd, std::chrono::milliseconds timeout)
{
    pollfd wanted{fd, POLLIN, 0};
    return poll(&wanted, 1, int(timeout.count())) == 1;
}

// Reads exactly `size` bytes, giving up after `timeout` without data.
bool readExactly(int fd, void* data, size_t size, std::chrono::milliseconds timeout)
{
    auto* bytes = static_cast<char*>(data);
    while (size > 0) {
        if (!waitReadable(fd, timeout))
            return false;
        const ssize_t got = read(fd, bytes, size);
        if (got <= 0)
            return false;
        bytes += got;
        size -= size_t(got);
    }
    return true;
}

// The forked side: only async-signal-safe calls from here on. Becomes `uid` when that is not
// already the user, listens at `path`, says whether that worked, takes one connection, counts
// what arrives on it until it ends, and reports.
[[noreturn]] void runListener(const char* path, uid_t uid, gid_t gid, int reportFd)
{
    // The test framework's crash handlers belong to the parent; here these signals just end.
    signal(SIGALRM, SIG_DFL);
    signal(SIGPIPE, SIG_DFL);
    alarm(unsigned(childLifeLimit.count()));
    const bool switched = uid == geteuid() || (setgroups(0, nullptr) == 0 && setgid(gid) == 0 &&
                                               setuid(uid) == 0 && geteuid() == uid);
    const int server = switched ? socket(AF_UNIX, SOCK_STREAM, 0) : -1;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path, sizeof address.sun_path - 1);
    const char listening =
        server >= 0 && bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        listen(server, 1) == 0;
    if (write(reportFd, &listening, 1) != 1 || !listening)
        _exit(1);

    ListenerReport report;
    if (waitReadable(server, listenerWait)) {
        const int peer = accept(server, nullptr, nullptr);
        if (peer >= 0) {
            report.accepted = 1;
            char buffer[4096];
            while (waitReadable(peer, listenerWait)) {
                const ssize_t got = read(peer, buffer, sizeof buffer);
                if (got <= 0)
                    break;
                report.bytesReceived += got;
            }
        }
    }
    _exit(write(reportFd, &report, sizeof report) == ssize_t(sizeof report) ? 0 : 1);
}

// Starts a listener at `path` as `uid`; false when it could not listen.
bool startListener(ListenerChild& child, const QString& path, uid_t uid, gid_t gid)
{
    const QByteArray nativePath = QFile::encodeName(path);
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        runListener(nativePath.constData(), uid, gid, fds[1]);
    }
    close(fds[1]);
    child.reportFd = fds[0];
    child.pid = pid;
    char listening = 0;
    return pid > 0 && readExactly(child.reportFd, &listening, 1, listenerWait) && listening;
}

bool finalReport(ListenerChild& child, ListenerReport& report)
{
    return readExactly(child.reportFd, &report, sizeof report, listenerWait);
}

// The longest a same-user editor thread runs: each of its waits is bounded by listenerWait.
constexpr std::chrono::milliseconds editorThreadLimit = 4 * listenerWait;

// A same-user editor in a thread of its own: answers one request line with that line's id.
struct SameUserEditor {
    QByteArray request;
    std::unique_ptr<QThread> thread;

    SameUserEditor() = default;
    SameUserEditor(const SameUserEditor&) = delete;
    SameUserEditor& operator=(const SameUserEditor&) = delete;
    ~SameUserEditor()
    {
        if (thread)
            thread->wait(QDeadlineTimer(editorThreadLimit));
    }
};

bool startSameUserEditor(SameUserEditor& editor, const QString& name)
{
    auto listening = std::make_shared<std::promise<bool>>();
    std::future<bool> ready = listening->get_future();
    editor.thread.reset(QThread::create([name, listening, request = &editor.request] {
        QLocalServer server;
        QLocalServer::removeServer(name);
        const bool ok = server.listen(name);
        listening->set_value(ok);
        if (!ok || !server.waitForNewConnection(int(listenerWait.count())))
            return;
        QLocalSocket* peer = server.nextPendingConnection();
        while (!peer->canReadLine() && peer->waitForReadyRead(int(listenerWait.count()))) {
        }
        if (!peer->canReadLine())
            return;
        *request = peer->readLine();
        const qint64 id = QJsonDocument::fromJson(*request).object().value("id").toInteger();
        const QJsonObject reply{{"id", id}, {"text", "done"}};
        peer->write(compact(reply) + '\n');
        while (peer->bytesToWrite() > 0 && peer->waitForBytesWritten(int(listenerWait.count()))) {
        }
        peer->disconnectFromServer();
    }));
    editor.thread->start();
    return ready.wait_for(listenerWait) == std::future_status::ready && ready.get();
}

bool finishSameUserEditor(SameUserEditor& editor)
{
    return editor.thread->wait(QDeadlineTimer(editorThreadLimit));
}

// A "get_project" call through `socket` to an editor of our own user listening at `name`: its
// reply, and the request line the editor got. False when the editor did not start or end.
bool callSameUserEditor(const QString& name, QLocalSocket& socket, QJsonObject& reply,
                        QByteArray& request)
{
    qputenv("KESTROVA_AI_PIPE", QFile::encodeName(name));
    SameUserEditor editor;
    if (!startSameUserEditor(editor, name))
        return false;
    reply = makeEditorCall(socket, shortTimeouts)("get_project", {}).fields;
    if (!finishSameUserEditor(editor))
        return false;
    request = editor.request;
    return true;
}

qint64 requestId(const QByteArray& request)
{
    return QJsonDocument::fromJson(request).object().value("id").toInteger(-1);
}

// A folder every user may create sockets in, as the shared temporary folder is.
bool makeShared(const QTemporaryDir& folder)
{
    return folder.isValid() && chmod(QFile::encodeName(folder.path()).constData(), 01777) == 0;
}

} // namespace

class PeerUserTest : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void cleanup();
    void peerCheck_data();
    void peerCheck();
    void unconnectedSocketIsForeign();
    void sameUserEditorGetsTheCall();
    void foreignListenerGetsNothing();
    void socketThatRefusesByItsPermissions();
};

void PeerUserTest::cleanup()
{
    qunsetenv("KESTROVA_AI_PIPE");
}

void PeerUserTest::peerCheck_data()
{
    QTest::addColumn<bool>("otherUser");
    QTest::addColumn<bool>("expected");

    QTest::newRow("a listener of our own user passes") << false << true;
    QTest::newRow("a listener of another user is foreign") << true << false;
}

void PeerUserTest::peerCheck()
{
    QFETCH(bool, otherUser);
    QFETCH(bool, expected);
    if (otherUser && geteuid() != 0)
        QSKIP("Starting a listener as another user needs root; this run is not root.");

    QTemporaryDir folder;
    QVERIFY(makeShared(folder));
    const QString path = folder.filePath("editor.sock");
    ListenerChild child;
    QVERIFY2(startListener(child, path, otherUser ? otherUserId : geteuid(),
                           otherUser ? otherGroupId : getegid()),
             "the test listener could not listen");

    QLocalSocket socket;
    socket.connectToServer(path);
    QVERIFY(socket.waitForConnected(int(listenerWait.count())));
    QCOMPARE(peerIsSameUser(socket), expected);
    socket.abort();

    ListenerReport report;
    QVERIFY(finalReport(child, report));
    QCOMPARE(report.accepted, 1);
    QCOMPARE(report.bytesReceived, qint64(0));
}

void PeerUserTest::unconnectedSocketIsForeign()
{
    QLocalSocket socket;
    QVERIFY(!peerIsSameUser(socket));
}

void PeerUserTest::sameUserEditorGetsTheCall()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QLocalSocket socket;
    QJsonObject reply;
    QByteArray requestLine;
    QVERIFY(callSameUserEditor(folder.filePath("editor.sock"), socket, reply, requestLine));

    QCOMPARE(reply.value("text").toString(), QStringLiteral("done"));
    QVERIFY(!reply.value("error").toBool());
    const QJsonObject request = QJsonDocument::fromJson(requestLine).object();
    QCOMPARE(request.value("tool").toString(), QStringLiteral("get_project"));
    QCOMPARE(request.value("id").toInteger(), reply.value("id").toInteger());
}

void PeerUserTest::foreignListenerGetsNothing()
{
    if (geteuid() != 0)
        QSKIP("Starting a listener as another user needs root; this run is not root.");

    QTemporaryDir folder;
    QVERIFY(makeShared(folder));
    const QString ownName = folder.filePath("own.sock");
    const QString foreignName = folder.filePath("foreign.sock");

    // The id a same-user editor got last before the foreign listener is met.
    QLocalSocket firstSocket;
    QJsonObject first;
    QByteArray firstRequest;
    QVERIFY(callSameUserEditor(ownName, firstSocket, first, firstRequest));
    QCOMPARE(first.value("text").toString(), QStringLiteral("done"));
    const qint64 lastId = requestId(firstRequest);
    QVERIFY(lastId > 0);

    // Another user holds the name: the call is refused and nothing reaches that listener.
    qputenv("KESTROVA_AI_PIPE", QFile::encodeName(foreignName));
    ListenerChild child;
    QVERIFY2(startListener(child, foreignName, otherUserId, otherGroupId),
             "the listener of another user could not listen");
    QLocalSocket socket;
    const QJsonObject reply =
        makeEditorCall(socket, shortTimeouts)("split_clip", {{"clip_id", "c1"}, {"at_seconds", 2}})
            .fields;
    QCOMPARE(compact(reply), compact({{"text", foreignUserSentence}, {"error", true}}));
    QCOMPARE(socket.state(), QLocalSocket::UnconnectedState);
    ListenerReport report;
    QVERIFY(finalReport(child, report));
    QCOMPARE(report.accepted, 1);
    QCOMPARE(report.bytesReceived, qint64(0));

    // The refused call took no id: the next request written carries the next one.
    QJsonObject answer;
    QByteArray nextRequest;
    QVERIFY(callSameUserEditor(ownName, socket, answer, nextRequest));
    QCOMPARE(answer.value("text").toString(), QStringLiteral("done"));
    QCOMPARE(requestId(nextRequest), lastId + 1);
}

// A socket whose permissions keep the program out: the assistant is told so, nothing is sent,
// and --check names the case. Root passes every permission check, so as root the program runs
// as another user; otherwise the socket allows nobody at all.
void PeerUserTest::socketThatRefusesByItsPermissions()
{
    QTemporaryDir folder;
    QVERIFY(makeShared(folder));
    // A copy of the program that the other user may run, wherever the build lives.
    const QString program = folder.filePath("kestrova-mcp");
    QVERIFY(QFile::copy(QStringLiteral(KESTROVA_MCP_BINARY), program));
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                               QFile::ReadOther | QFile::ExeOther));
    QLocalServer editor;
    editor.setSocketOptions(QLocalServer::UserAccessOption);
    const QString path = folder.filePath("editor.sock");
    QVERIFY(editor.listen(path));
    const bool asRoot = geteuid() == 0;
    if (!asRoot)
        QVERIFY(QFile::setPermissions(path, {}));

    const auto run = [&](const QStringList& arguments, const QByteArray& input) {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("KESTROVA_AI_PIPE"), path);
        process->setProcessEnvironment(environment);
        if (asRoot) {
            process->setChildProcessModifier([] {
                if (setgroups(0, nullptr) != 0 || setgid(otherGroupId) != 0 ||
                    setuid(otherUserId) != 0)
                    _exit(126);
            });
        }
        process->start(program, arguments);
        process->write(input);
        process->closeWriteChannel();
        if (!process->waitForFinished(int(listenerWait.count())))
            process->kill();
        return process;
    };

    const auto server = run({}, R"({"jsonrpc":"2.0","id":1,"method":"tools/call","params":)"
                                R"({"name":"get_project","arguments":{}}})"
                                "\n");
    QCOMPARE(server->exitCode(), 0);
    QCOMPARE(server->readAllStandardError(), QByteArray());
    const QJsonObject result = QJsonDocument::fromJson(server->readAllStandardOutput())
                                   .object()
                                   .value("result")
                                   .toObject();
    QCOMPARE(
        compact(result),
        compact({{"content", QJsonArray{QJsonObject{{"type", "text"}, {"text", refusedSentence}}}},
                 {"isError", true}}));

    const auto check = run({"--check"}, {});
    QCOMPARE(check->exitCode(), 1);
    const QString report = QString::fromUtf8(check->readAllStandardOutput());
    QVERIFY2(report.contains("Listening:    yes, but it does not let this program in\n"),
             qPrintable(report));
    QVERIFY2(report.contains("both as administrator or neither"), qPrintable(report));
    // Nothing came through.
    QVERIFY(!editor.waitForNewConnection(0));
}

QTEST_GUILESS_MAIN(PeerUserTest)
#include "tst_peeruser.moc"
