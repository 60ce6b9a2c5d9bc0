// The catalogue as the client sees it: every tool in its place, with the parameters, types and
// required names its contract gives, and schemas a JSON Schema validator accepts.

#include "catalogue/toolRegistry.h"
#include "protocol/handleMessage.h"
#include "protocol/initialize.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QtTest>

namespace
{

struct ToolContract {
    const char* name;
    // Each parameter as name:type, in parameter order; an array's elements as array<type>;
    // "!" marks a required one, "*" one whose description states a default.
    const char* params;
};

const ToolContract contracts[] = {
    {"get_project", ""},
    {"list_clips", "track:string* from_seconds:number to_seconds:number"},
    {"list_media", ""},
    {"list_effects", "category:string search:string audio:boolean"},
    {"get_transcript", "from_seconds:number to_seconds:number words:boolean"},
    {"get_frame", "seconds:number! width:integer*"},
    {"get_frames", "seconds:array<number>!"},
    {"look_through", "from_seconds:number* to_seconds:number* pictures:integer*"},
    {"find_in_clip", "clip:string! what:string! sensitivity:number*"},
    {"find_highlights", "seconds:number* shortest_seconds:number* longest_seconds:number*"},
    {"list_transitions", ""},
    {"list_sounds", "search:string"},
    {"list_export_targets", ""},
    {"export_status", "export:string*"},
    {"get_clip", "clip:string!"},
    {"cut_out", "from_seconds:number! to_seconds:number! close_gap:boolean*"},
    {"split_clip", "seconds:number! clip:string*"},
    {"trim_clip", "clip:string! new_start:number new_end:number"},
    {"move_clip", "clip:string! to_seconds:number* track:string"},
    {"delete_clip", "clip:string! close_gap:boolean*"},
    {"add_effect", "clip:string! effect:string! settings:object"},
    {"set_effect", "clip:string! effect:string! settings:object!"},
    {"remove_effect", "clip:string! effect:string!"},
    {"keep_only", "parts:array<object>!"},
    {"add_transition",
     "at_seconds:number! transition:string! duration_seconds:number* track:string*"},
    {"remove_transition", "at_seconds:number! track:string*"},
    {"set_speed", "clip:string! speed:number reverse:boolean"},
    {"freeze_frame", "clip:string! at_seconds:number! hold_seconds:number*"},
    {"set_volume", "clip:string! percent:number fade_in_seconds:number fade_out_seconds:number"},
    {"add_media", "name:string! at_seconds:number*"},
    {"set_picture", "clip:string! x:number* y:number* scale_percent:number* rotation:number* "
                    "opacity_percent:number* flip:boolean*"},
    {"animate_clip", "clip:string! animation:string! seconds:number*"},
    {"add_sound", "sound:string! at_seconds:number!"},
    {"import_file", "path:string!"},
    {"save_project", ""},
    {"export_video", "made_for:string* file_name:string*"},
    {"add_title",
     "text:string! from_seconds:number! to_seconds:number! position:string* style:string*"},
    {"list_title_styles", "search:string"},
    {"list_templates", "category:string search:string"},
    {"add_template", "template:string! at_seconds:number* files:array<string>"},
    {"reframe", "aspect:string! follow:string*"},
    {"remove_background", "clip:string! on:boolean*"},
    {"shorten_pauses", "longer_than_seconds:number* keep_seconds:number*"},
    {"remove_filler_words", ""},
    {"transcribe", "file:string language:string*"},
    {"add_captions", "look:string* layout:string* from_seconds:number to_seconds:number"},
    {"list_stickers", "category:string search:string"},
    {"add_sticker",
     "sticker:string! from_seconds:number! to_seconds:number* text:string color:string"},
    {"set_keyframes", "clip:string! setting:string! at_seconds:array<number> values:array<number> "
                      "smooth:boolean* clear:boolean"},
    {"detect_beats", "file:string*"},
    {"cut_to_beats", "track:string* every_beats:integer* bars:boolean"},
    {"pulse_on_beats", "clip:string! amount_percent:number* bars:boolean"},
    {"fill_placeholder", "placeholder:string! file:string!"},
    {"undo_last_change", ""},
};

struct ParamContract {
    QString name;
    QString type;
    QString itemsType;
    bool required = false;
    bool hasDefault = false;
};

ParamContract parseContract(const QString& text)
{
    ParamContract param;
    QString rest = text;
    param.hasDefault = rest.endsWith('*');
    if (param.hasDefault)
        rest.chop(1);
    param.required = rest.endsWith('!');
    if (param.required)
        rest.chop(1);
    param.name = rest.section(':', 0, 0);
    param.type = rest.section(':', 1);
    if (param.type.startsWith(QLatin1String("array<"))) {
        param.itemsType = param.type.mid(6).chopped(1);
        param.type = QStringLiteral("array");
    }
    return param;
}

const QStringList schemaTypes{"string", "number", "integer", "boolean", "array", "object"};

} // namespace

class CatalogueTest : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void everyToolInItsPlace();
    void toolsKeepTheirContract_data();
    void toolsKeepTheirContract();
    void schemasAreWellFormed();
    void keptPartsAreObjectsWithBothTimes();
    void findToolIsExact();
    void textsReachTheClientIntact();
    void everyToolTellsWhatItDoes();
    void instructionsNameOnlyCatalogueTools();
    void descriptionsAgree_data();
    void descriptionsAgree();
};

void CatalogueTest::everyToolInItsPlace()
{
    const std::vector<ToolEntry>& catalogue = toolCatalogue();
    QCOMPARE(int(catalogue.size()), int(std::size(contracts)));
    QSet<QString> seen;
    for (size_t i = 0; i < catalogue.size(); ++i) {
        QCOMPARE(catalogue[i].name, QString::fromLatin1(contracts[i].name));
        QVERIFY2(!seen.contains(catalogue[i].name), qPrintable(catalogue[i].name));
        seen.insert(catalogue[i].name);
    }
}

void CatalogueTest::toolsKeepTheirContract_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("params");
    for (const ToolContract& contract : contracts)
        QTest::newRow(contract.name)
            << QString::fromLatin1(contract.name) << QString::fromLatin1(contract.params);
}

void CatalogueTest::toolsKeepTheirContract()
{
    QFETCH(QString, name);
    QFETCH(QString, params);
    const ToolEntry* entry = findTool(name);
    QVERIFY(entry);
    QVERIFY(!entry->description.trimmed().isEmpty());
    const QJsonObject properties = entry->inputSchema.value("properties").toObject();

    QJsonArray required;
    const QStringList contracted = params.split(' ', Qt::SkipEmptyParts);
    QCOMPARE(properties.size(), contracted.size());
    for (const QString& text : contracted) {
        const ParamContract param = parseContract(text);
        const QJsonObject property = properties.value(param.name).toObject();
        QVERIFY2(!property.isEmpty(), qPrintable(param.name));
        QCOMPARE(property.value("type").toString(), param.type);
        QCOMPARE(property.value("items").toObject().value("type").toString(), param.itemsType);
        const QString description = property.value("description").toString();
        if (param.hasDefault) {
            // The default is the description's last sentence.
            const qsizetype at = description.indexOf(QLatin1String("Without it: "));
            QVERIFY2(at > 0 && description.indexOf(QLatin1String(". "), at) < 0,
                     qPrintable(param.name + ": " + description));
        }
        if (param.required)
            required.append(param.name);
    }
    QCOMPARE(entry->inputSchema.value("required").toArray(), required);
}

void CatalogueTest::schemasAreWellFormed()
{
    for (const ToolEntry& entry : toolCatalogue()) {
        const QJsonObject& schema = entry.inputSchema;
        QCOMPARE(schema.value("type").toString(), QStringLiteral("object"));
        QVERIFY(schema.value("properties").isObject());
        const QJsonObject properties = schema.value("properties").toObject();
        if (schema.contains("required")) {
            const QJsonArray required = schema.value("required").toArray();
            QVERIFY2(!required.isEmpty(), qPrintable(entry.name));
            for (const QJsonValue& name : required)
                QVERIFY2(properties.contains(name.toString()), qPrintable(entry.name));
        }
        for (auto it = properties.begin(); it != properties.end(); ++it) {
            const QJsonObject property = it.value().toObject();
            const QString type = property.value("type").toString();
            QVERIFY2(schemaTypes.contains(type), qPrintable(entry.name + '.' + it.key()));
            QVERIFY(!property.value("description").toString().trimmed().isEmpty());
            QCOMPARE(property.contains("items"), type == QLatin1String("array"));
            if (type == QLatin1String("array"))
                QVERIFY(schemaTypes.contains(property.value("items")["type"].toString()));
        }
    }
}

void CatalogueTest::keptPartsAreObjectsWithBothTimes()
{
    const QJsonObject items =
        findTool("keep_only")->inputSchema["properties"]["parts"]["items"].toObject();
    QCOMPARE(items.value("type").toString(), QStringLiteral("object"));
    QCOMPARE(items["properties"]["from_seconds"]["type"].toString(), QStringLiteral("number"));
    QCOMPARE(items["properties"]["to_seconds"]["type"].toString(), QStringLiteral("number"));
    QCOMPARE(items.value("required").toArray(), (QJsonArray{"from_seconds", "to_seconds"}));
}

void CatalogueTest::findToolIsExact()
{
    QVERIFY(findTool("cut_out"));
    QVERIFY(!findTool("Cut_out"));
    QVERIFY(!findTool(" cut_out"));
    QVERIFY(!findTool("cut_out "));
    QVERIFY(!findTool(""));
}

void CatalogueTest::textsReachTheClientIntact()
{
    const ToolCaller noEditor = [](const ClientCall&, const QJsonObject&) { return EditorReply{}; };
    const QByteArray line =
        replyLine(handleMessage(R"({"jsonrpc":"2.0","id":1,"method":"tools/list"})", noEditor));
    QString fillers;
    QString path;
    for (const QJsonValue& tool : QJsonDocument::fromJson(line)["result"]["tools"].toArray()) {
        if (tool["name"] == QLatin1String("remove_filler_words"))
            fillers = tool["description"].toString();
        if (tool["name"] == QLatin1String("import_file"))
            path = tool["inputSchema"]["properties"]["path"]["description"].toString();
    }
    QVERIFY2(fillers.contains(QString::fromUtf8("\xc3\xa4h")), qPrintable(fillers));
    QVERIFY2(path.contains(QLatin1String("C:\\Videos\\clip.mp4")), qPrintable(path));
}

// Clients show the title and act on the hints: an absent hint reads as its default, which for
// destructiveHint and openWorldHint is true, so each is written out, false included.
void CatalogueTest::everyToolTellsWhatItDoes()
{
    const ToolCaller noEditor = [](const ClientCall&, const QJsonObject&) { return EditorReply{}; };
    const QByteArray line =
        replyLine(handleMessage(R"({"jsonrpc":"2.0","id":1,"method":"tools/list"})", noEditor));
    const QJsonArray tools = QJsonDocument::fromJson(line)["result"]["tools"].toArray();
    QCOMPARE(tools.size(), qsizetype(std::size(contracts)));
    QSet<QString> titles;
    for (const QJsonValue& tool : tools) {
        const QString name = tool["name"].toString();
        const QString title = tool["title"].toString();
        QVERIFY2(!title.trimmed().isEmpty(), qPrintable(name));
        QVERIFY2(!titles.contains(title), qPrintable(name + ": " + title));
        titles.insert(title);
        const QJsonObject annotations = tool["annotations"].toObject();
        QCOMPARE(annotations.keys(), QStringList({"destructiveHint", "idempotentHint",
                                                  "openWorldHint", "readOnlyHint", "title"}));
        QCOMPARE(annotations.value("title").toString(), title);
        for (const char* hint :
             {"readOnlyHint", "destructiveHint", "idempotentHint", "openWorldHint"})
            QVERIFY2(annotations.value(hint).isBool(), qPrintable(name + '.' + hint));
        QVERIFY2(!(annotations["readOnlyHint"].toBool() && annotations["destructiveHint"].toBool()),
                 qPrintable(name));
        if (tool.toObject().contains("_meta"))
            QCOMPARE(tool["_meta"].toObject(),
                     QJsonObject({{"anthropic/maxResultSizeChars", 500000}}));
    }
}

// The assistant reads all descriptions together: where one tool speaks of another, both say the
// same. A text is a tool's description, or "tool.parameter" for a parameter's description.
void CatalogueTest::descriptionsAgree_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("phrases");

    QTest::newRow("list_clips names the placeholder kind fill_placeholder relies on")
        << "list_clips" << QStringList{"placeholder"};
    QTest::newRow("fill_placeholder finds placeholders in list_clips")
        << "fill_placeholder" << QStringList{"list_clips", "\"placeholder\""};
    QTest::newRow("add_media leads to import_file for a file outside the library")
        << "add_media" << QStringList{"not yet in the library", "import_file", "full path"};
    QTest::newRow("import_file takes a full path and leaves the timeline to add_media")
        << "import_file" << QStringList{"full path", "add_media"};
    QTest::newRow("get_transcript knows transcribe makes a transcript")
        << "get_transcript" << QStringList{"transcribe", "Transcript tab"};
    QTest::newRow("transcribe comes before get_transcript")
        << "transcribe" << QStringList{"before get_transcript"};
    QTest::newRow("export_video answers with the export's id export_status takes")
        << "export_video" << QStringList{"file's name", "export's id", "export_status"};
    QTest::newRow("export_status names an export by the id export_video gave")
        << "export_status.export" << QStringList{"export's id", "export_video"};
}

void CatalogueTest::descriptionsAgree()
{
    QFETCH(QString, text);
    QFETCH(QStringList, phrases);

    const ToolEntry* tool = findTool(text.section('.', 0, 0));
    QVERIFY(tool);
    const QString param = text.section('.', 1);
    const QString description =
        param.isEmpty() ? tool->description
                        : tool->inputSchema["properties"][param]["description"].toString();
    for (const QString& phrase : phrases)
        QVERIFY2(description.contains(phrase), qPrintable(phrase + " in: " + description));
    QVERIFY2(!description.contains(QLatin1String("for the user to add")), qPrintable(description));
}

// The instructions teach by tool names: each one they name must be a tool the client is given.
void CatalogueTest::instructionsNameOnlyCatalogueTools()
{
    const QRegularExpression name(QStringLiteral("\\b[a-z]+(?:_[a-z]+)+\\b"));
    QStringList named;
    for (const QRegularExpressionMatch& match : name.globalMatch(serverInstructions()))
        named.append(match.captured());
    QVERIFY(named.size() >= 10);
    for (const QString& tool : named)
        QVERIFY2(findTool(tool), qPrintable(tool + " is named but is no tool"));
}

QTEST_GUILESS_MAIN(CatalogueTest)
#include "tst_catalogue.moc"
