// The options for a person at a terminal, run as the built program: the version, the usage, the
// self-check against the stand-in editor running, misbehaving and stopped, and every other
// command line still starting the MCP server.

#include "editor/editorExchange.h"
#include "editor/editorPipeName.h"
#include "expectedSentences.h"
#include "liveProcesses.h"
#include "processLifetime.h"
#include "protocol/initialize.h"

#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <chrono>

using namespace std::chrono_literals;

namespace
{

// The socket name the programs derive when HOME is `home` and KESTROVA_AI_PIPE is not set.
QString nameDerivedFrom(const QString& home)
{
    const QByteArray savedHome = qgetenv("HOME");
    const QByteArray savedPipe = qgetenv("KESTROVA_AI_PIPE");
    const bool pipeWasSet = qEnvironmentVariableIsSet("KESTROVA_AI_PIPE");
    qputenv("HOME", home.toUtf8());
    qunsetenv("KESTROVA_AI_PIPE");
    const QString name = editorPipeName();
    qputenv("HOME", savedHome);
    if (pipeWasSet)
        qputenv("KESTROVA_AI_PIPE", savedPipe);
    return name;
}

// How long one run of the program may take; the self-check waits up to 10 s for an answer.
constexpr std::chrono::milliseconds runWait = 30s;

struct Run {
    bool finished = false;
    int exitCode = -1;
    QString out;
    QByteArray err;
};

// Runs the built program with `arguments`, KESTROVA_AI_PIPE and HOME as given (an empty
// KESTROVA_AI_PIPE counts as unset), and `input` on its standard input.
Run runProgram(const QStringList& arguments, const QString& pipe, const QString& home = {},
               const QByteArray& input = {})
{
    QProcess program;
    endWithThisProcess(program);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KESTROVA_AI_PIPE"), pipe);
    if (!home.isEmpty())
        environment.insert(QStringLiteral("HOME"), home);
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(KESTROVA_MCP_BINARY), arguments);
    if (!program.waitForStarted(int(processStartTimeout.count())))
        return {};
    program.write(input);
    program.closeWriteChannel();
    Run run;
    run.finished = program.waitForFinished(int(runWait.count()));
    if (!run.finished)
        program.kill();
    run.exitCode = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    run.out = QString::fromUtf8(program.readAllStandardOutput());
    run.err = program.readAllStandardError();
    return run;
}

QString serverVersion()
{
    return initializeResult({}).value("serverInfo").toObject().value("version").toString();
}

} // namespace

class CommandLineTest : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void version();
    void help_data();
    void help();
    void check_data();
    void check();
    void otherCommandLinesStartTheServer_data();
    void otherCommandLinesStartTheServer();
};

void CommandLineTest::version()
{
    const Run run = runProgram({"--version"}, uniquePipeName("version"));
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, "kestrova-mcp " + serverVersion() + "\n");
    QCOMPARE(run.err, QByteArray());
}

void CommandLineTest::help_data()
{
    QTest::addColumn<QString>("option");
    QTest::newRow("--help") << "--help";
    QTest::newRow("-h") << "-h";
}

void CommandLineTest::help()
{
    QFETCH(QString, option);
    const Run run = runProgram({option}, uniquePipeName("help"));
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.startsWith("kestrova-mcp " + serverVersion() + "\n"));
    for (const char* phrase :
         {"--check", "--version", "--help", "KESTROVA_AI_PIPE", "File > Settings > AI connection"})
        QVERIFY2(run.out.contains(QLatin1String(phrase)), phrase);
    QCOMPARE(run.err, QByteArray());
}

void CommandLineTest::check_data()
{
    QTest::addColumn<QString>("standinMode"); // empty: no editor runs
    QTest::addColumn<bool>("nameFromHome");
    QTest::addColumn<int>("exitCode");
    // %name, %home and %location stand for the socket name, the home folder and the socket path.
    QTest::addColumn<QStringList>("phrases");

    const QStringList where{"Socket name:  %name\n", "  location:   %location\n"};
    const QStringList answered{
        "Listening:    yes\n", "Same user:    yes\n", "get_project:  answered in ",
        "  Kestrova:   Project \"Holiday cut\": 1920x1080, 25 fps", "Kestrova answers"};
    const QStringList notRunning{"Listening:    no",
                                 "Same user:    not known",
                                 "get_project:  not sent: Kestrova is not listening\n",
                                 "The assistant would read:\n  " + notRunningSentence,
                                 "Start Kestrova and switch its AI connection on: File > "
                                 "Settings > AI connection.",
                                 "kestrova-mcp --check again"};

    QTest::newRow("running, named by KESTROVA_AI_PIPE")
        << "normal" << false << 0
        << where + answered + QStringList{"  from:       the variable KESTROVA_AI_PIPE\n"};
    QTest::newRow("running, name derived from the home folder")
        << "normal" << true << 0
        << where + answered +
               QStringList{"  from:       derived from the home folder %home (KESTROVA_AI_PIPE is "
                           "not set)"};
    QTest::newRow("stopped, named by KESTROVA_AI_PIPE")
        << QString() << false << 1
        << where + notRunning + QStringList{"Kestrova must be given the same value"};
    QTest::newRow("stopped, name derived from the home folder")
        << QString() << true << 1
        << where + notRunning +
               QStringList{"derived from the home folder %home", "run them as the same user"};
    QTest::newRow("running, refusing the call: it answered")
        << "error" << false << 0
        << QStringList{"Listening:    yes\n", "get_project:  refused, in ", "  Kestrova:   "};
    QTest::newRow("running, answering out of turn")
        << "wrong-id" << false << 1
        << QStringList{"Listening:    yes\n", "get_project:  answered out of turn, after ",
                       "The assistant would read:\n  " + strayAnswerSentence,
                       "only one Kestrova runs"};
    QTest::newRow("running, never answering")
        << "silent" << false << 1
        << QStringList{"Listening:    yes\n",
                       "Same user:    yes\n",
                       "get_project:  no answer, after 10",
                       "The assistant would read:\n  " + silentSentence,
                       "did not answer within 10 s",
                       "busy"};
}

void CommandLineTest::check()
{
    QFETCH(QString, standinMode);
    QFETCH(bool, nameFromHome);
    QFETCH(int, exitCode);
    QFETCH(QStringList, phrases);

#if defined(Q_OS_WIN)
    if (nameFromHome)
        QSKIP("On Windows the home folder is the user's profile, whatever HOME says.");
#endif
    // Letters outside ASCII in the home folder and the name, as in C:/Users/Zoë: the report
    // keeps them, in UTF-8 when it goes to a pipe.
    const QString letters = QStringLiteral("Zo\u00eb-\u738b\u82b3");
    const QTemporaryDir home(QDir::tempPath() + "/kestrova-" + letters + "-XXXXXX");
    QVERIFY(home.isValid());
    const QString name =
        nameFromHome ? nameDerivedFrom(home.path()) : uniquePipeName("check") + '-' + letters;
    LiveProcess standin;
    if (!standinMode.isEmpty()) {
        standin = startStandin(name, {"--mode", standinMode});
        QVERIFY(standin);
    }
    const Run run = runProgram({"--check"}, nameFromHome ? QString() : name, home.path());
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(run.err, QByteArray());
    for (QString phrase : phrases) {
        phrase.replace("%name", name)
            .replace("%home", home.path())
            .replace("%location", editorSocketLocation(name));
        QVERIFY2(run.out.contains(phrase), qPrintable(phrase + "\nnot in:\n" + run.out));
    }
}

void CommandLineTest::otherCommandLinesStartTheServer_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("nothing") << QStringList();
    QTest::newRow("an option of some other program") << QStringList{"--port", "9"};
    QTest::newRow("--check with more after it") << QStringList{"--check", "--verbose"};
    QTest::newRow("--version twice") << QStringList{"--version", "--version"};
    QTest::newRow("a word") << QStringList{"check"};
    QTest::newRow("a single dash") << QStringList{"-version"};
    QTest::newRow("an empty argument") << QStringList{""};
}

void CommandLineTest::otherCommandLinesStartTheServer()
{
    QFETCH(QStringList, arguments);
    const Run run = runProgram(arguments, uniquePipeName("server"), {},
                               R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{}})"
                               "\n");
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QByteArray());
    const QJsonDocument reply = QJsonDocument::fromJson(run.out.toUtf8());
    QCOMPARE(reply["id"].toInt(), 1);
    QCOMPARE(reply["result"]["serverInfo"]["name"].toString(), QStringLiteral("kestrova"));
}

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_commandline.moc"
