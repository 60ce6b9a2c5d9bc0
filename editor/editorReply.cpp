#include "editor/editorReply.h"

#include <QJsonDocument>

#include <cstring>
#include <optional>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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
#ifdef __SSE2__
    // Where the processor has them, sixteen bytes at a time: a byte below 0x20 or at or above
    // 0x80 compares below 0x20 as a signed byte, and 0x7f is the only one above 0x7e.
    const __m128i space = _mm_set1_epi8(0x20);
    const __m128i tilde = _mm_set1_epi8(0x7e);
    const __m128i quoteBytes = _mm_set1_epi8('"');
    const __m128i backslashBytes = _mm_set1_epi8('\\');
    while (end - from >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        const __m128i odd = _mm_or_si128(
            _mm_or_si128(_mm_cmplt_epi8(bytes, space), _mm_cmpgt_epi8(bytes, tilde)),
            _mm_or_si128(_mm_cmpeq_epi8(bytes, quoteBytes), _mm_cmpeq_epi8(bytes, backslashBytes)));
        if (_mm_movemask_epi8(odd) != 0)
            break;
        from += 16;
    }
#endif
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

// The first byte at or after `from` that is not plain, or the line's end, passing over the
// stretches noted plain without reading them.
qsizetype firstNonPlainAt(QByteArrayView line, qsizetype from, const PlainStretches* stretches)
{
    constexpr qsizetype stretchBytes = PlainStretches::stretchBytes;
    const char* data = line.data();
    qsizetype at = from;
    for (;;) {
        while (stretches && at % stretchBytes == 0 && at + stretchBytes <= line.size() &&
               size_t(at / stretchBytes) < stretches->plain.size() &&
               stretches->plain[size_t(at / stretchBytes)])
            at += stretchBytes;
        const qsizetype stretchEnd = qMin(line.size(), (at / stretchBytes + 1) * stretchBytes);
        at = firstNonPlainByte(data + at, data + stretchEnd) - data;
        if (at < stretchEnd || at == line.size())
            return at;
    }
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
std::optional<Span> plainImageText(QByteArrayView line, const PlainStretches* stretches)
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
                const qsizetype close = firstNonPlainAt(line, open + 1, stretches);
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

void notePlainStretches(PlainStretches& stretches, QByteArrayView received)
{
    constexpr qsizetype stretchBytes = PlainStretches::stretchBytes;
    for (qsizetype at = qsizetype(stretches.plain.size()) * stretchBytes;
         at + stretchBytes <= received.size(); at += stretchBytes) {
        const char* begin = received.data() + at;
        stretches.plain.push_back(firstNonPlainByte(begin, begin + stretchBytes) ==
                                  begin + stretchBytes);
    }
}

EditorReply editorReplyFromLine(const QByteArray& line, const PlainStretches* stretches)
{
    const std::optional<Span> image = plainImageText(line, stretches);
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

EditorReply failedReply(EditorOutcome outcome)
{
    EditorReply reply;
    reply.outcome = outcome;
    if (outcome != EditorOutcome::Cancelled)
        reply.fields = QJsonObject{{QStringLiteral("text"), failureSentence(outcome)},
                                   {QStringLiteral("error"), true}};
    return reply;
}
