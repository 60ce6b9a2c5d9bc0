// The MCP bundle's manifest: how a client starts the server from it on each platform, its tools
// as the server announces them, and the manifest.json the build wrote being the current one.

#include "bundle/bundleManifest.h"
#include "catalogue/toolRegistry.h"
#include "protocol/initialize.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

namespace
{

QJsonObject parseObject(const QByteArray& text)
{
    return QJsonDocument::fromJson(text).object();
}

QString serverVersion()
{
    return initializeResult({}).value("serverInfo").toObject().value("version").toString();
}

// What a client starts on `platform`: the platform's override, when there is one, replaces
// command, args and env.
QJsonObject startedOn(const QJsonObject& mcpConfig, const QString& platform)
{
    QJsonObject started{
        {"command", mcpConfig["command"]}, {"args", mcpConfig["args"]}, {"env", mcpConfig["env"]}};
    const QJsonObject override = mcpConfig["platform_overrides"][platform].toObject();
    for (const QString& key : override.keys())
        started[key] = override[key];
    return started;
}

} // namespace

class BundleManifestTest : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void identityAndServer();
    void startedOnEachPlatform_data();
    void startedOnEachPlatform();
    void toolsAsTheServerAnnouncesThem();
    void writtenManifestIsCurrent();
};

void BundleManifestTest::identityAndServer()
{
    QJsonObject manifest = bundleManifest(serverVersion());
    for (const char* written : {"description", "long_description", "tools", "keywords"})
        QVERIFY2(!manifest.take(written).toVariant().isNull(), written);
    QJsonObject server = manifest.take("server").toObject();
    server.remove("mcp_config");
    const QJsonObject expected = parseObject(R"json({
        "manifest_version": "0.3",
        "name": "kestrova",
        "display_name": "Kestrova",
        "version": ")json" KESTROVA_VERSION R"json(",
        "author": {"name": "Kestrova"},
        "tools_generated": false,
        "compatibility": {"platforms": ["win32"]},
        "user_config": {"pipe_name": {
            "type": "string",
            "title": "Connection name (optional)",
            "description": "Leave this empty: kestrova-mcp and Kestrova find each other by a name both derive from your home folder. Fill it in only when Kestrova was started with KESTROVA_AI_PIPE set, with the same value.",
            "required": false,
            "default": ""}}
    })json");
    QCOMPARE(manifest, expected);
    QCOMPARE(server, parseObject(R"({"type": "binary", "entry_point": "server/kestrova-mcp"})"));
}

void BundleManifestTest::startedOnEachPlatform_data()
{
    QTest::addColumn<QString>("platform");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("win32: the .exe, with the variable repeated") << "win32" << QByteArray(R"({
        "command": "${__dirname}/server/kestrova-mcp.exe", "args": [],
        "env": {"KESTROVA_AI_PIPE": "${user_config.pipe_name}"}})");
    QTest::newRow("darwin") << "darwin" << QByteArray(R"({
        "command": "${__dirname}/server/kestrova-mcp", "args": [],
        "env": {"KESTROVA_AI_PIPE": "${user_config.pipe_name}"}})");
    QTest::newRow("linux") << "linux" << QByteArray(R"({
        "command": "${__dirname}/server/kestrova-mcp", "args": [],
        "env": {"KESTROVA_AI_PIPE": "${user_config.pipe_name}"}})");
}

void BundleManifestTest::startedOnEachPlatform()
{
    QFETCH(QString, platform);
    QFETCH(QByteArray, expected);
    const QJsonObject mcpConfig =
        bundleManifest(serverVersion()).value("server").toObject().value("mcp_config").toObject();
    QCOMPARE(startedOn(mcpConfig, platform), parseObject(expected));
}

void BundleManifestTest::toolsAsTheServerAnnouncesThem()
{
    const QJsonArray tools = bundleManifest(serverVersion()).value("tools").toArray();
    const QJsonArray announced =
        QJsonDocument::fromJson(toolsListJson()).object().value("tools").toArray();
    QCOMPARE(tools.size(), announced.size());
    for (qsizetype i = 0; i < tools.size(); ++i) {
        const QJsonObject tool = tools.at(i).toObject();
        QCOMPARE(tool.keys(), QStringList({"description", "name"}));
        QCOMPARE(tool["name"], announced.at(i)["name"]);
        QCOMPARE(tool["description"], announced.at(i)["description"]);
    }
}

void BundleManifestTest::writtenManifestIsCurrent()
{
    QFile written(QStringLiteral(KESTROVA_BUNDLE_MANIFEST));
    QVERIFY2(written.open(QIODevice::ReadOnly), KESTROVA_BUNDLE_MANIFEST);
    QCOMPARE(parseObject(written.readAll()), bundleManifest(serverVersion()));
}

QTEST_APPLESS_MAIN(BundleManifestTest)
#include "tst_bundlemanifest.moc"
