#include "editor/editorReply.h"

#include <QJsonDocument>

#include <cstring>
#include <optional>

namespace
{

struct Span {
    qsizetype start = 0;
    qsizetype end = 0;
};

bool isJsonSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// A byte that JSON carries in a string unescaped and that the serialiser writes back unchanged:
// printable ASCII other than '"' and '\\'.
bool isPlainStringByte(char c)
{
    return c >= 0x20 && c <= 0x7e && c != '"' && c != '\\';
}

// The first byte at or after `from` that is not plain, or `end`. A picture's text runs to tens
// of megabytes, so this looks at eight bytes at a time, with the usual bit tricks that tell
// whether any byte of a word is below, above or equal to a value.
const char* firstNonPlainByte(const char* from, const char* end)
{
    constexpr quint64 ones = 0x0101010101010101ULL;
    constexpr quint64 highBits = 0x8080808080808080ULL;
    while (end - from >= 8) {
        quint64 word;
        std::memcpy(&word, from, sizeof word);
        const quint64 quotes = word ^ (ones * '"');
        const quint64 backslashes = word ^ (ones * '\\');
        const quint64 control = (word - ones * 0x20) & ~word;
        const quint64 beyondAscii = (word + ones * (0x7f - 0x7e)) | word;
        const quint64 quote = (quotes - ones) & ~quotes;
        const quint64 backslash = (backslashes - ones) & ~backslashes;
        if ((control | beyondAscii | quote | backslash) & highBits)
            break;
        from += 8;
    }
    while (from < end && isPlainStringByte(*from))
        ++from;
    return from;
}

qsizetype skipSpace(QByteArrayView line, qsizetype at)
{
    while (at < line.size() && isJsonSpace(line[at]))
        ++at;
    return at;
}

// The end of the string whose opening quote is at `at` (just past its closing quote), or -1.
qsizetype skipString(QByteArrayView line, qsizetype at, bool& escaped)
{
    for (++at; at < line.size(); ++at) {
        if (line[at] == '"')
            return at + 1;
        if (line[at] == '\\') {
            escaped = true;
            ++at;
        }
    }
    return -1;
}

// Where the text of the top-level "image" string lies, when the line is an object with exactly
// one such member, written plainly, whose text has only plain bytes, and no other member name
// is written with escapes (an escaped name could be "image" too).
std::optional<Span> plainImageText(QByteArrayView line)
{
    qsizetype at = skipSpace(line, 0);
    if (at >= line.size() || line[at] != '{')
        return std::nullopt;
    std::optional<Span> image;
    int depth = 0;
    while (at < line.size()) {
        const char c = line[at];
        if (c == '{' || c == '[') {
            ++depth;
            ++at;
        } else if (c == '}' || c == ']') {
            if (--depth == 0)
                return image;
            ++at;
        } else if (c == '"') {
            bool escaped = false;
            const qsizetype end = skipString(line, at, escaped);
            if (end < 0)
                return std::nullopt;
            const qsizetype colon = skipSpace(line, end);
            const bool isName = depth == 1 && colon < line.size() && line[colon] == ':';
            if (isName && escaped)
                return std::nullopt;
            if (isName && line.sliced(at, end - at) == "\"image\"") {
                if (image)
                    return std::nullopt;
                const qsizetype open = skipSpace(line, colon + 1);
                if (open >= line.size() || line[open] != '"')
                    return std::nullopt;
                const char* data = line.data();
                const qsizetype close =
                    firstNonPlainByte(data + open + 1, data + line.size()) - data;
                if (close >= line.size() || line[close] != '"')
                    return std::nullopt;
                image = Span{open + 1, close};
                at = close + 1;
            } else {
                at = end;
            }
        } else {
            ++at;
        }
    }
    return std::nullopt;
}

QJsonObject parseObject(QByteArrayView line)
{
    const QJsonDocument document = QJsonDocument::fromJson(line.toByteArray());
    return document.isObject() ? document.object() : QJsonObject();
}

} // namespace

EditorReply editorReplyFromLine(const QByteArray& line)
{
    const std::optional<Span> image = plainImageText(line);
    if (image && image->end > image->start) {
        // Parse the rest with the picture's text cut out; the picture stays in the line.
        QByteArray rest;
        rest.reserve(line.size() - (image->end - image->start));
        rest.append(line.constData(), image->start);
        rest.append(line.constData() + image->end, line.size() - image->end);
        QJsonObject fields = parseObject(rest);
        const QJsonValue blank = fields.value(QLatin1String("image"));
        if (blank.isString() && blank.toString().isEmpty()) {
            const QByteArrayView base64(line.constData() + image->start, image->end - image->start);
            return EditorReply{std::move(fields), RawPicture{line, base64}};
        }
    }
    return EditorReply{parseObject(line)};
}

QJsonObject replyObject(const EditorReply& reply)
{
    QJsonObject object = reply.fields;
    if (!reply.picture.base64.isEmpty())
        object.insert(QStringLiteral("image"), QString::fromLatin1(reply.picture.base64));
    return object;
}

EditorReply droppedReply()
{
    EditorReply reply;
    reply.dropped = true;
    return reply;
}
