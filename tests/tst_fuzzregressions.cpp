// Every input the fuzz targets ever failed on, and their seed inputs, replayed through the same
// checks the targets make; and the checks themselves, shown refusing broken replies.

#include "fuzz/replyChecks.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QtTest>

namespace
{

using InputCheck = QString (*)(const QByteArray&);

struct FuzzTarget {
    const char* name;
    InputCheck check;
};

const FuzzTarget fuzzTargets[] = {
    {"fuzz_message", messageInputProblem},
    {"fuzz_editor_reply", editorReplyInputProblem},
};

// One row per file in fuzz/<folder>/<target>/, named after the folder, target and file.
void addInputRows(const char* folder)
{
    for (const FuzzTarget& target : fuzzTargets) {
        const QDir dir(QStringLiteral(KESTROVA_FUZZ_DIR "/%1/%2")
                           .arg(QLatin1String(folder), QLatin1String(target.name)));
        for (const QFileInfo& file : dir.entryInfoList(QDir::Files, QDir::Name)) {
            QFile input(file.filePath());
            QVERIFY2(input.open(QIODevice::ReadOnly), qPrintable(file.filePath()));
            const QString row =
                QStringLiteral("%1/%2/%3")
                    .arg(QLatin1String(folder), QLatin1String(target.name), file.fileName());
            QTest::newRow(row.toUtf8().constData())
                << int(&target - fuzzTargets) << input.readAll();
        }
    }
}

} // namespace

class FuzzRegressionsTest : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void replay_data();
    void replay();
    void seedCorpusIsThere();
    void checksRefuse_data();
    void checksRefuse();
};

void FuzzRegressionsTest::replay_data()
{
    QTest::addColumn<int>("target");
    QTest::addColumn<QByteArray>("input");
    addInputRows("regressions");
    addInputRows("corpus");
}

void FuzzRegressionsTest::replay()
{
    QFETCH(int, target);
    QFETCH(QByteArray, input);
    QCOMPARE(fuzzTargets[target].check(input), QString());
}

void FuzzRegressionsTest::seedCorpusIsThere()
{
    for (const FuzzTarget& target : fuzzTargets) {
        const QDir dir(QStringLiteral(KESTROVA_FUZZ_DIR "/corpus/%1").arg(target.name));
        QVERIFY2(dir.entryList(QDir::Files).size() >= 10, target.name);
    }
}

void FuzzRegressionsTest::checksRefuse_data()
{
    QTest::addColumn<QByteArray>("replyLine");
    QTest::addColumn<QByteArray>("toolResult");

    const QByteArray goodResult = R"({"content":[{"type":"text","text":"t"}],"isError":false})";
    QTest::newRow("a line feed after the reply")
        << QByteArray("{\"id\":1,\"jsonrpc\":\"2.0\",\"result\":{}}\n") << goodResult;
    QTest::newRow("a carriage return inside the reply")
        << QByteArray("{\"id\":1,\"jsonrpc\":\"2.0\",\r\"result\":{}}") << goodResult;
    QTest::newRow("spaces in the reply")
        << QByteArray(R"({"id":1, "jsonrpc":"2.0","result":{}})") << goodResult;
    QTest::newRow("not JSON") << QByteArray(R"({"id":1,"jsonrpc":"2.0","result":{})") << goodResult;
    QTest::newRow("an array") << QByteArray(R"([{"id":1,"jsonrpc":"2.0","result":{}}])")
                              << goodResult;
    QTest::newRow("another jsonrpc")
        << QByteArray(R"({"id":1,"jsonrpc":"1.0","result":{}})") << goodResult;
    QTest::newRow("no id") << QByteArray(R"({"jsonrpc":"2.0","result":{}})") << goodResult;
    QTest::newRow("result and error")
        << QByteArray(R"({"error":{"code":1,"message":"m"},"id":1,"jsonrpc":"2.0","result":{}})")
        << goodResult;
    QTest::newRow("a result that is no object")
        << QByteArray(R"({"id":1,"jsonrpc":"2.0","result":[]})") << goodResult;
    QTest::newRow("a fractional error code")
        << QByteArray(R"({"error":{"code":1.5,"message":"m"},"id":1,"jsonrpc":"2.0"})")
        << goodResult;
    QTest::newRow("an error with a data member")
        << QByteArray(R"({"error":{"code":1,"data":0,"message":"m"},"id":1,"jsonrpc":"2.0"})")
        << goodResult;
    QTest::newRow("a tool result without isError")
        << QByteArray() << QByteArray(R"({"content":[{"type":"text","text":"t"}]})");
    QTest::newRow("an isError that is a string")
        << QByteArray()
        << QByteArray(R"({"content":[{"type":"text","text":"t"}],"isError":"false"})");
    QTest::newRow("no content items")
        << QByteArray() << QByteArray(R"({"content":[],"isError":false})");
    QTest::newRow("the image before the text")
        << QByteArray()
        << QByteArray(
               R"({"content":[{"type":"image","data":"AA==","mimeType":"image/jpeg"},{"type":"text","text":"t"}],"isError":false})");
    QTest::newRow("an image item without data")
        << QByteArray()
        << QByteArray(
               R"({"content":[{"type":"text","text":"t"},{"type":"image","data":"","mimeType":"image/jpeg"}],"isError":false})");
    QTest::newRow("an image item of another type")
        << QByteArray()
        << QByteArray(
               R"({"content":[{"type":"text","text":"t"},{"type":"image","data":"AA==","mimeType":"image/png"}],"isError":false})");
    QTest::newRow("three items")
        << QByteArray()
        << QByteArray(
               R"({"content":[{"type":"text","text":"t"},{"type":"text","text":"u"},{"type":"text","text":"v"}],"isError":false})");
}

void FuzzRegressionsTest::checksRefuse()
{
    QFETCH(QByteArray, replyLine);
    QFETCH(QByteArray, toolResult);
    const QString problem = replyLine.isEmpty()
                                ? toolResultProblem(QJsonDocument::fromJson(toolResult).object())
                                : replyLineProblem(replyLine);
    QVERIFY(!problem.isEmpty());
    // The same checks pass what the server really writes.
    QCOMPARE(replyLineProblem(R"({"id":1,"jsonrpc":"2.0","result":{}})"), QString());
    QCOMPARE(toolResultProblem(QJsonDocument::fromJson(
                                   R"({"content":[{"type":"text","text":"t"}],"isError":false})")
                                   .object()),
             QString());
}

QTEST_APPLESS_MAIN(FuzzRegressionsTest)
#include "tst_fuzzregressions.moc"
